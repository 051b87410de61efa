#include "ui/app/Icons.h"

#include <QPainter>
#include <QPixmap>

namespace fw {

QIcon ToolIcon() {
  // A table with a filled header row and a funnel pouring into it.
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
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
  return QIcon(pixmap);
}

QIcon OrbIcon() {
  // A shaded sphere.
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient gradient(QPointF(11, 10), 20);
  gradient.setColorAt(0.0, QColor(255, 255, 255));
  gradient.setColorAt(0.35, QColor(0, 255, 255));
  gradient.setColorAt(1.0, QColor(0, 0, 128));
  p.setPen(QColor(0, 0, 0));
  p.setBrush(gradient);
  p.drawEllipse(2, 2, 28, 28);
  return QIcon(pixmap);
}

}  // namespace fw
