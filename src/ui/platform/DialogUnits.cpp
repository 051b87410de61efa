#include "ui/platform/DialogUnits.h"

#include <QFontMetrics>

namespace fw {
namespace {

struct BaseUnits {
  int X;
  int Y;
};

BaseUnits BaseUnitsOf(const QFont& font) {
  const QFontMetrics fm(font);
  // Average width of the Latin letters, rounded as the dialog manager rounds it.
  const int width = fm.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return {(width / 26 + 1) / 2, fm.height()};
}

}  // namespace

QFont DialogFont() {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPointSize(8);
  return font;
}

QFont ControlFont() {
  QFont font = DialogFont();
  font.setBold(true);
  return font;
}

QRect DialogRect(int x, int y, int width, int height, const QFont& dialogFont) {
  const BaseUnits base = BaseUnitsOf(dialogFont);
  return QRect(x * base.X / 4, y * base.Y / 8, width * base.X / 4, height * base.Y / 8);
}

QSize DialogSize(int width, int height, const QFont& dialogFont) {
  return DialogRect(0, 0, width, height, dialogFont).size();
}

}  // namespace fw
