#include "ui/app/App.h"

#include <sys/stat.h>

#include <QApplication>
#include <QFile>
#include <cerrno>

#include "core/app/AppFolders.h"
#include "ui/app/Globals.h"
#include "core/app/Settings.h"
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
  // The main window comes first: every message box of the start-up needs it as its owner.
  shell_ = std::make_unique<AppShell>();
  // The data folders (test tables in TestDaten, the program's own word and definition tables in
  // ProgrammDaten) and the settings file live beside the program; an installed copy keeps them
  // in the user's own folders, which the delivered files fill at the first start.
  const AppFolders folders = FoldersOf(programFolder_);
  const std::vector<std::string> problems = PrepareUserFolders(folders);
  for (const std::string& problem : problems)
    TextBox(shell_.get(), QStringLiteral("Fehler"), QString::fromStdString(problem),
            MessageIcon::Exclamation);
  if (!folders.ErrorLogFolder.empty()) ErrorSys().LogFolder = folders.ErrorLogFolder;
  gcTestDaten = folders.TestDaten;
  gcProgrammDaten = folders.ProgrammDaten;
  const std::string iniPath = folders.SettingsFile;
  // The file dialog starts in the test-data folder. No part of the program opens a data file by
  // a bare name, so this first folder of the dialog is all the default data folder means.
  if (!iniPath.empty()) {
    goIni = IniFile(iniPath);
    WriteInitDir(goIni, Utf8ToCp1252(gcTestDaten));
  }
  // Dates are shown and typed the German way (dd.mm.yyyy).
  SetDateFormat(GermanDateFormat());
  // A missing test-data folder is created; a failure to create it is shown but not fatal.
  if (!gcTestDaten.empty() && !IsDirectory(gcTestDaten)) {
    std::string folder = gcTestDaten;
    folder.pop_back();
    if (mkdir(folder.c_str(), 0777) != 0) ShowLastError(uint32_t(errno));
  }
  // The write above creates a missing settings file; if even that left none (a read-only
  // folder, say), the program does not know its name, version or default driver: it says so and
  // does not start.
  if (iniPath.empty() || !IsFile(iniPath)) {
    TextBox(shell_.get(), QStringLiteral("Fehler"),
            QStringLiteral("Die Datei FUELLWERK.INI fehlt\r\nMelden Sie dies dem Hersteller"),
            MessageIcon::Exclamation);
    return false;
  }
  // Read the settings afresh, now with the folder just written, and name the window.
  goIni = IniFile(iniPath);
  const Settings settings = ReadSettings(goIni);
  gcAppName = settings.AppName;
  gcAppVersion = settings.AppVersion;
  gcDefaultDriver = settings.DefaultDriver;
  shell_->setWindowTitle(QString::fromStdString(Cp1252ToUtf8(gcAppName + "    " + gcAppVersion)));
  // The grid's brushes live as long as the event loop; they are released when it ends.
  CreateGridBrushes();
  shell_->show();
  if (!TableToOpen.empty()) OpenTable();
  if (OnShown) OnShown(*shell_);
  QApplication::exec();
  DestroyGridBrushes();
  return true;
}

void App::OpenTable() {
  shell_->Erstellen();
  if (auto* window = shell_->findChild<DtaErstellen*>())
    window->UseTable(QFile::decodeName(TableToOpen.c_str()));
}

}  // namespace fw
