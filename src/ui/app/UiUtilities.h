#pragma once
#include <cstdint>

class QWidget;

namespace fw {

int GetScreenX();  // width of the primary screen in pixels
int GetScreenY();  // height of the primary screen in pixels

// Centres the window in its owner's client area (the screen when it has none). A window larger
// than the area gets a negative origin and overhangs equally on both sides.
void MyCenter(QWidget* window, QWidget* owner = nullptr);

// Shows the operating system's text for an errno value in a message box with the stop icon.
void ShowLastError(uint32_t code);

}  // namespace fw
