#include "ui/app/App.h"

#include <sys/stat.h>

#include <QApplication>
#include <QFile>
#include <cerrno>

#include "core/app/AppFolders.h"
#include "core/app/Globals.h"
#include "core/app/Utilities.h"
#include "core/errors/DefError.h"
#include "core/platform/CodePage.h"
#include "core/platform/Date.h"
#include "ui/app/AppShell.h"
#include "ui/app/GridBrushes.h"
#include "ui/app/TextBox.h"
#include "ui/app/UiUtilities.h"
#include "ui/fields/DtaErstellen.h"

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
  // The folders and the settings file: an installed copy keeps them in the user's own
  // folders, which the delivered files fill at the first start.
  const AppFolders folders = FoldersOf(programFolder_);
  const std::vector<std::string> problems = PrepareUserFolders(folders);
  for (const std::string& problem : problems)
    TextBox(shell_.get(), QStringLiteral("Fehler"), QString::fromStdString(problem),
            MessageIcon::Exclamation);
  if (!folders.ErrorLogFolder.empty()) ErrorSys().LogFolder = folders.ErrorLogFolder;
  gcTestDaten = folders.TestDaten;
  gcProgrammDaten = folders.ProgrammDaten;
  const std::string iniPath = folders.SettingsFile;
  if (!iniPath.empty()) {
    goIni = IniFile(iniPath);
    goIni.WriteString("SETTINGS", "InitDir", Utf8ToCp1252(gcTestDaten));  // 7
  }
  // 8: no part of the program opens a data file by a bare name, so the default data folder
  //    only shows as the first folder of the file dialog (InitDir).
  SetDateFormat(GermanDateFormat());                      // 9
  if (!gcTestDaten.empty() && !IsDirectory(gcTestDaten)) {  // 10
    std::string folder = gcTestDaten;
    folder.pop_back();
    if (mkdir(folder.c_str(), 0777) != 0) ShowLastError(uint32_t(errno));
  }
  if (iniPath.empty() || !IsFile(iniPath)) {              // 11
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
  if (!TableToOpen.empty()) OpenTable();
  if (OnShown) OnShown(*shell_);
  QApplication::exec();
  DestroyGridBrushes();                                   // 17
  return true;
}

void App::OpenTable() {
  shell_->Erstellen();
  if (auto* window = shell_->findChild<DtaErstellen*>())
    window->UseTable(QFile::decodeName(TableToOpen.c_str()));
}

}  // namespace fw
