#pragma once

class QApplication;

namespace fw {

// Installs the error reporting of the program, before App::Start: the default error handler
// with Qt's error box as the error block (unless another block is already set), the user's
// regional settings, and a last report for an exception that nothing caught. Use
// ErrorApplication as the application object so that exceptions escaping event handlers
// are reported too.
void InstallErrorSystem(QApplication& application);

}  // namespace fw
