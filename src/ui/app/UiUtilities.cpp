#include "ui/app/UiUtilities.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>
#include <cstring>

namespace fw {

int GetScreenX() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().width() : 0;
}

int GetScreenY() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().height() : 0;
}

void MyCenter(QWidget* window, QWidget* owner) {
  if (!owner) owner = window->parentWidget();
  int areaWidth, areaHeight;
  if (!owner) {
    areaWidth = GetScreenX();
    areaHeight = GetScreenY();
  } else {
    areaWidth = owner->width();
    areaHeight = owner->height();
  }
  // Halves of odd differences round towards zero.
  QPoint origin((areaWidth - window->frameGeometry().width()) / 2,
                (areaHeight - window->frameGeometry().height()) / 2);
  // A top-level window is placed in screen coordinates: relative to its owner's client area.
  if (owner && window->isWindow()) origin += owner->mapToGlobal(QPoint(0, 0));
  window->move(origin);
}

void ShowLastError(uint32_t code) {
  char buffer[512];
  // The GNU strerror_r returns the text, which need not be in the buffer.
  const char* text = strerror_r(int(code), buffer, sizeof buffer);
  QMessageBox box(QMessageBox::Critical, QString(), QString::fromLocal8Bit(text), QMessageBox::Ok);
  box.exec();
}

}  // namespace fw
