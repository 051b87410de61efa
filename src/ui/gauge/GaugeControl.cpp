#include "ui/gauge/GaugeControl.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

namespace fw {

GaugeControl::GaugeControl(QWidget* parent)
    : QWidget(parent),
      painter_(size(), palette().color(QPalette::HighlightedText), logicalDpiY()) {
  // Every pixel comes from the picture; nothing to erase first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

GaugeControl::~GaugeControl() { OnDestroy(); }

void GaugeControl::SetVertical(bool vertical) {
  painter_.Vertical = vertical;
  // In a layout the gauge grows along its bar.
  if (vertical)
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  else
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  updateGeometry();
}

void GaugeControl::FollowSize() {
  // A hidden widget learns of a new size only when shown; the picture follows at once.
  if (painter_.ClientSize() == size() || painter_.Destroyed()) return;
  painter_.Resize(size());
  painter_.OnDraw();
}

void GaugeControl::ShowChanges() {
  const QRect changed = painter_.TakeChangedRect();
  // At once, not queued: the caller may keep the event loop waiting for a long time.
  if (!changed.isEmpty()) repaint(changed);
}

void GaugeControl::Update(int32_t nIncrement) {
  FollowSize();
  painter_.Update(nIncrement);
  ShowChanges();
}

void GaugeControl::Clear() {
  FollowSize();
  painter_.Clear();
  ShowChanges();
}

void GaugeControl::DrawBar(double fFraction) {
  FollowSize();
  painter_.DrawBar(fFraction);
  ShowChanges();
}

void GaugeControl::DrawBarHor(double fFraction) {
  FollowSize();
  painter_.DrawBarHor(fFraction);
  ShowChanges();
}

void GaugeControl::DrawBarVert(double fFraction) {
  FollowSize();
  painter_.DrawBarVert(fFraction);
  ShowChanges();
}

void GaugeControl::DrawFrame(int nLeft, int nTop, int nRight, int nBottom) {
  FollowSize();
  painter_.DrawFrame(nLeft, nTop, nRight, nBottom);
  ShowChanges();
}

void GaugeControl::OnDraw() {
  FollowSize();
  painter_.OnDraw();
  ShowChanges();
}

void GaugeControl::OnDestroy() { painter_.OnDestroy(); }

QSize GaugeControl::sizeHint() const {
  return painter_.Vertical ? QSize(30, 150) : QSize(250, 25);
}

QSize GaugeControl::minimumSizeHint() const {
  return painter_.Vertical ? QSize(16, 40) : QSize(40, 16);
}

void GaugeControl::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  const QImage& picture = painter_.Image();
  if (picture.isNull()) {
    p.fillRect(event->rect(), Qt::white);
    return;
  }
  p.drawImage(event->rect(), picture, event->rect());
}

void GaugeControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FollowSize();
  update();  // Qt paints the new picture right after the resize
}

}  // namespace fw
