#include "ui/app/DialogControls.h"

#include <QPainter>
#include <qdrawutil.h>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace fw {

LeftTextCheckBox::LeftTextCheckBox(const QString& text, QWidget* parent)
    : QCheckBox(text, parent) {}

QRect LeftTextCheckBox::IndicatorRect() const {
  const int w = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
  const int h = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
  return QRect(width() - w, (height() - h) / 2, w, h);
}

void LeftTextCheckBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);

  QStyleOptionButton box = option;
  box.rect = IndicatorRect();
  painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, box);

  const int spacing = style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this);
  const QRect textRect = rect().adjusted(0, 0, -(box.rect.width() + spacing), 0);
  const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic;
  painter.drawItemText(textRect, flags, palette(), isEnabled(), text(), QPalette::WindowText);
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = painter.boundingRect(textRect, flags, text()).adjusted(-1, 0, 1, 0);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
}

// The whole control answers the mouse, the text as well as the box.
bool LeftTextCheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

FrameBox::FrameBox(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

void FrameBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics fm = fontMetrics();
  const bool hasTitle = !title().isEmpty();
  // An etched line: a dark line with a light one inside it.
  qDrawShadeRect(&painter, rect().adjusted(0, hasTitle ? fm.height() / 2 : 0, 0, 0), palette(),
                 true, 1, 0);
  if (!hasTitle) return;
  const QRect titleRect(fm.averageCharWidth(), 0, fm.horizontalAdvance(title()), fm.height());
  painter.fillRect(titleRect, palette().window());
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, title());
}

}  // namespace fw
