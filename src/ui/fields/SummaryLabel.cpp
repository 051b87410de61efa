#include "ui/fields/SummaryLabel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace fw {
namespace {

constexpr int kFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

bool Fits(const QString& text, const QFontMetrics& metrics, const QRect& area) {
  return metrics.boundingRect(area, kFlags, text).height() <= area.height();
}

}  // namespace

SummaryLabel::SummaryLabel(QWidget* parent) : QLabel(parent) {}

QString SummaryLabel::Fitted(const QString& text, const QFontMetrics& metrics, const QRect& area) {
  if (text.isEmpty() || Fits(text, metrics, area)) return text;
  // The last part, from the last "; " on: the records the table now holds.
  const qsizetype split = text.lastIndexOf(QStringLiteral("; "));
  if (split < 0) return metrics.elidedText(text, Qt::ElideMiddle, area.width());
  const QString tail = text.mid(split);
  if (!Fits(QStringLiteral("…") + tail, metrics, area))
    return metrics.elidedText(text.mid(split + 2), Qt::ElideRight, area.width());
  // The longest beginning that fits before " …" and the tail.
  qsizetype low = 0, high = split;
  while (low < high) {
    const qsizetype mid = (low + high + 1) / 2;
    if (Fits(text.left(mid).trimmed() + QStringLiteral(" …") + tail, metrics, area)) low = mid;
    else high = mid - 1;
  }
  return (low == 0 ? QString() : text.left(low).trimmed() + QLatin1Char(' ')) +
         QStringLiteral("…") + tail;
}

QString SummaryLabel::Shown() const { return Fitted(text(), fontMetrics(), contentsRect()); }

void SummaryLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(font());
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(contentsRect(), kFlags, Shown());
}

bool SummaryLabel::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    if (Shown() != text()) QToolTip::showText(help->globalPos(), text(), this);
    else QToolTip::hideText();
    return true;
  }
  return QLabel::event(event);
}

}  // namespace fw
