#pragma once
#include <string>
#include <vector>

namespace fw {

// Where the program finds what is delivered with it and where it keeps what it writes.
//
// A copy beside a writable folder (the build tree, a portable copy) keeps everything beside
// itself: the settings file, "ProgrammDaten/" and "TestDaten/" are in the program folder and
// the error log goes to the working folder. An installed copy (the delivered files lie in
// <prefix>/share/fuellwerk/ beside <prefix>/bin/, or the program folder cannot be written)
// only reads its own folders: the settings file is $XDG_CONFIG_HOME/fuellwerk/FUELLWERK.INI,
// and the definition tables, the word files, the sample table and the error log are in
// $XDG_DATA_HOME/fuellwerk/. Every folder ends in "/".
struct AppFolders {
  bool Installed = false;
  std::string Program;        // the folder of the executable
  std::string Delivered;      // delivered files: settings template, ProgrammDaten, help, TestDaten
  std::string SettingsFile;   // FUELLWERK.INI
  std::string ProgrammDaten;  // definition tables and word files
  std::string TestDaten;      // the file dialog's first folder, the sample table
  std::string ErrorLogFolder; // empty: the working folder
};

// The delivered files of an installed layout, <program folder>/../share/fuellwerk/, when that
// folder exists; else empty.
std::string InstalledDataFolder(const std::string& programFolder);

// The folder of the delivered files: InstalledDataFolder, or the program folder itself.
std::string DeliveredFolder(const std::string& programFolder);

// True when the program runs as an installed copy (see AppFolders).
bool RunsInstalled(const std::string& programFolder);

// The folders of a program in `programFolder`, installed or not, with the user's folders
// `configFolder` and `dataFolder` (UserConfigFolder() and UserDataFolder() in the program).
// An installed copy without a user folder (no HOME) gets empty paths for what lives there.
AppFolders PlanFolders(const std::string& programFolder, bool installed,
                       const std::string& configFolder, const std::string& dataFolder);

// The folders of this program as it runs, for this user.
AppFolders FoldersOf(const std::string& programFolder);

// For an installed copy, fills the user's folders from the delivered files: the settings file
// from its template, and every delivered file of ProgrammDaten (definition tables, word files)
// where the user has none of that name, so files the user changed or added stay as they are.
// The sample table is copied into TestDaten when that folder is made, at the first start.
// Nothing happens for a copy that keeps its files beside itself. Returns one German message
// per thing that failed; an empty list when all went well.
std::vector<std::string> PrepareUserFolders(const AppFolders& folders);

}  // namespace fw
