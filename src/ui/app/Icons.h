#pragma once
#include <QIcon>
#include <QImage>

namespace fw {

// The program's two icons, 32 x 32 pictures in the sixteen basic colours.
QIcon ToolIcon();  // "TOOL": the shell, the settings dialog, the generation window
QIcon OrbIcon();   // "ORB": the info dialog

// The same pictures drawn at `size` x `size` pixels (the icon files of the installed program).
QImage ToolImage(int size);
QImage OrbImage(int size);

}  // namespace fw
