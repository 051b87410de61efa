#pragma once
#include <QIcon>

namespace fw {

// The program's two icons, 32 x 32 pictures in the sixteen basic colours.
QIcon ToolIcon();  // "TOOL": the shell, the settings dialog, the generation window
QIcon OrbIcon();   // "ORB": the info dialog

}  // namespace fw
