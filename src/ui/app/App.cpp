#include "ui/app/App.h"

#include <sys/stat.h>

#include <QApplication>
#include <cerrno>

#include "core/app/Globals.h"
#include "core/app/Utilities.h"
#include "core/platform/CodePage.h"
#include "core/platform/Date.h"
#include "ui/app/AppShell.h"
#include "ui/app/GridBrushes.h"
#include "ui/app/TextBox.h"
#include "ui/app/UiUtilities.h"

namespace fw {
namespace {
bool IsFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
}  // namespace

App::App(std::string programFolder) : programFolder_(std::move(programFolder)) {
  if (programFolder_.empty() || programFolder_.back() != '/') programFolder_ += '/';
}

App::~App() = default;

bool App::Start() {
  shell_ = std::make_unique<AppShell>();                  // 1, 2: the shell, HTML help
  gcTestDaten = programFolder_ + "TestDaten/";            // 3, 4
  gcProgrammDaten = programFolder_ + "ProgrammDaten/";    // 5
  const std::string iniPath = programFolder_ + "FUELLWERK.INI";
  goIni = IniFile(iniPath);                               // 6
  goIni.WriteString("SETTINGS", "InitDir", Utf8ToCp1252(gcTestDaten));  // 7
  // 8: no part of the program opens a data file by a bare name, so the default data folder
  //    only shows as the first folder of the file dialog (InitDir).
  SetDateFormat(GermanDateFormat());                      // 9
  if (!IsDirectory(gcTestDaten)) {                        // 10
    std::string folder = gcTestDaten;
    folder.pop_back();
    if (mkdir(folder.c_str(), 0777) != 0) ShowLastError(uint32_t(errno));
  }
  if (!IsFile(iniPath)) {                                 // 11
    TextBox(shell_.get(), QStringLiteral("Fehler"),
            QStringLiteral("Die Datei FUELLWERK.INI fehlt\r\nMelden Sie dies dem Hersteller"),
            MessageIcon::Exclamation);
    return false;
  }
  goIni = IniFile(iniPath);                               // 12
  gcAppName = goIni.GetString("AppDaten", "Name");        // 13
  gcAppVersion = goIni.GetString("AppDaten", "Version");
  gcDefaultDriver = goIni.GetString("SETTINGS", "DefaultDriver");
  shell_->setWindowTitle(QString::fromStdString(Cp1252ToUtf8(gcAppName + "    " + gcAppVersion)));
  CreateGridBrushes();                                    // 15
  shell_->show();                                         // 16
  if (OnShown) OnShown(*shell_);
  QApplication::exec();
  DestroyGridBrushes();                                   // 17
  return true;
}

}  // namespace fw
