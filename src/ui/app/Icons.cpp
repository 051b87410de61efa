#include "ui/app/Icons.h"

#include <QPainter>
#include <QPixmap>

namespace fw {
namespace {

// A transparent picture of `size` pixels whose painter draws in units of 1/32 of its side.
QImage Canvas(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

void Scale(QPainter& p, int size) {
  if (size != 32) {
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
  }
}

}  // namespace

QImage ToolImage(int size) {
  // A table with a filled header row and a funnel pouring into it.
  QImage image = Canvas(size);
  QPainter p(&image);
  Scale(p, size);
  p.setPen(QColor(0, 0, 0));
  p.setBrush(QColor(255, 255, 255));
  p.drawRect(2, 12, 27, 18);
  p.fillRect(3, 13, 26, 4, QColor(0, 0, 128));
  p.setPen(QColor(128, 128, 128));
  for (int y = 21; y < 30; y += 4) p.drawLine(3, y, 28, y);
  for (int x = 11; x < 29; x += 9) p.drawLine(x, 17, x, 29);
  p.setPen(QColor(0, 0, 0));
  p.setBrush(QColor(255, 255, 0));
  const QPoint funnel[] = {{16, 1}, {30, 1}, {25, 7}, {25, 11}, {21, 11}, {21, 7}};
  p.drawPolygon(funnel, 6);
  p.fillRect(22, 14, 2, 2, QColor(0, 128, 0));
  return image;
}

QImage OrbImage(int size) {
  // A shaded sphere.
  QImage image = Canvas(size);
  QPainter p(&image);
  Scale(p, size);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient gradient(QPointF(11, 10), 20);
  gradient.setColorAt(0.0, QColor(255, 255, 255));
  gradient.setColorAt(0.35, QColor(0, 255, 255));
  gradient.setColorAt(1.0, QColor(0, 0, 128));
  p.setPen(QColor(0, 0, 0));
  p.setBrush(gradient);
  p.drawEllipse(2, 2, 28, 28);
  return image;
}

QIcon ToolIcon() { return QIcon(QPixmap::fromImage(ToolImage(32))); }
QIcon OrbIcon() { return QIcon(QPixmap::fromImage(OrbImage(32))); }

}  // namespace fw
