#pragma once
#include <QFont>
#include <QRect>

namespace fw {

// Fonts of the program's windows. "MS Shell Dlg" and "Microsoft Sans Serif" are taken by
// Liberation Sans, which has the same metrics.
QFont DialogFont();   // dialog font, 8 point: the measure of dialog units
QFont ControlFont();  // the controls' font: 8 point bold

// Converts a rectangle in dialog units of `dialogFont` into pixels: a horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth of its height.
QRect DialogRect(int x, int y, int width, int height, const QFont& dialogFont = DialogFont());
QSize DialogSize(int width, int height, const QFont& dialogFont = DialogFont());

}  // namespace fw
