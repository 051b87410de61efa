#pragma once

class QCoreApplication;

namespace fw {

// Puts Qt's own texts (the file dialog, the standard buttons, the context menu of edit fields)
// into German, from Qt's translations (Debian: qt6-translations-l10n), to match the rest of the
// program. False when they are not installed; those texts then stay English.
bool InstallGermanQtTexts(QCoreApplication& application);

}  // namespace fw
