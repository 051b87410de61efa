#include "core/app/AppFolders.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "core/app/UserFolders.h"

namespace fw {
namespace {

namespace fs = std::filesystem;

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string Reason(const std::error_code& ec) { return ec ? ec.message() : "unbekannter Fehler"; }

bool IsRegularFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// Copies under a passing name and renames it into place, so that a start that is stopped half
// way never leaves half a file that would later count as the user's own.
void CopyInto(const fs::path& from, const fs::path& to, std::vector<std::string>& problems) {
  const fs::path part = to.string() + ".part";
  std::error_code ec;
  fs::remove(part, ec);
  // The copy is the user's own: writable for them even when the delivered file is read-only
  // (the definition tables are written on every run).
  if (fs::copy_file(from, part, ec))
    fs::permissions(part, fs::perms::owner_write, fs::perm_options::add, ec);
  if (!ec) fs::rename(part, to, ec);
  if (ec) {
    problems.push_back("Die Datei " + from.string() + " kann nicht nach " + to.string() +
                       " kopiert werden: " + Reason(ec) + ".");
    fs::remove(part, ec);
  }
}

// Makes the folder; false (and a message) when it cannot be made.
bool MakeFolder(const std::string& folder, std::vector<std::string>& problems) {
  if (MakeFolders(folder)) return true;
  const std::error_code ec(errno, std::generic_category());
  problems.push_back("Der Ordner " + folder + " kann nicht angelegt werden: " + Reason(ec) + ".");
  return false;
}

// Copies every regular file of `from` into `to` that `to` has no entry of the same name for.
void CopyMissingFiles(const std::string& from, const std::string& to,
                      std::vector<std::string>& problems) {
  std::error_code ec;
  for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
    if (!IsRegularFile(it->path())) continue;
    const fs::path target = fs::path(to) / it->path().filename();
    std::error_code exists;
    if (fs::symlink_status(target, exists).type() != fs::file_type::not_found) continue;
    CopyInto(it->path(), target, problems);
  }
}

}  // namespace

std::string InstalledDataFolder(const std::string& programFolder) {
  if (programFolder.empty()) return {};
  const fs::path share =
      (fs::path(programFolder) / ".." / "share" / "fuellwerk").lexically_normal();
  std::error_code ec;
  if (!fs::is_directory(share, ec)) return {};
  return WithSlash(share.string());
}

std::string DeliveredFolder(const std::string& programFolder) {
  const std::string installed = InstalledDataFolder(programFolder);
  return installed.empty() ? WithSlash(programFolder) : installed;
}

bool RunsInstalled(const std::string& programFolder) {
  return !InstalledDataFolder(programFolder).empty() ||
         ::access(programFolder.c_str(), W_OK) != 0;
}

AppFolders PlanFolders(const std::string& programFolder, bool installed,
                       const std::string& configFolder, const std::string& dataFolder) {
  AppFolders folders;
  folders.Installed = installed;
  folders.Program = WithSlash(programFolder);
  if (!installed) {
    folders.Delivered = folders.Program;
    folders.SettingsFile = folders.Program + "FUELLWERK.INI";
    folders.ProgrammDaten = folders.Program + "ProgrammDaten/";
    folders.TestDaten = folders.Program + "TestDaten/";
    return folders;
  }
  folders.Delivered = DeliveredFolder(folders.Program);
  const std::string config = WithSlash(configFolder);
  const std::string data = WithSlash(dataFolder);
  if (!config.empty()) folders.SettingsFile = config + "FUELLWERK.INI";
  if (!data.empty()) {
    folders.ProgrammDaten = data + "ProgrammDaten/";
    folders.TestDaten = data + "TestDaten/";
    folders.ErrorLogFolder = data;
  }
  return folders;
}

AppFolders FoldersOf(const std::string& programFolder) {
  return PlanFolders(programFolder, RunsInstalled(programFolder), UserConfigFolder(),
                     UserDataFolder());
}

std::vector<std::string> PrepareUserFolders(const AppFolders& folders) {
  std::vector<std::string> problems;
  if (!folders.Installed) return problems;
  if (folders.SettingsFile.empty() || folders.ProgrammDaten.empty()) {
    problems.push_back(
        "Der Ordner für Einstellungen und Daten ist unbekannt: weder XDG_CONFIG_HOME und "
        "XDG_DATA_HOME noch HOME nennen einen Ordner.");
    return problems;
  }

  const fs::path settings(folders.SettingsFile);
  if (MakeFolder(settings.parent_path().string(), problems)) {
    std::error_code ec;
    const fs::path templ = fs::path(folders.Delivered) / "FUELLWERK.INI";
    if (fs::symlink_status(settings, ec).type() == fs::file_type::not_found &&
        IsRegularFile(templ)) {
      CopyInto(templ, settings, problems);
    }
  }

  if (MakeFolder(folders.ProgrammDaten, problems))
    CopyMissingFiles(folders.Delivered + "ProgrammDaten/", folders.ProgrammDaten, problems);

  // Something else in the folder's place is left to start-up, which reports it.
  std::error_code ec;
  const fs::path testDaten = fs::path(folders.TestDaten).parent_path();
  if (fs::symlink_status(testDaten, ec).type() == fs::file_type::not_found &&
      MakeFolder(folders.TestDaten, problems))
    CopyMissingFiles(folders.Delivered + "TestDaten/", folders.TestDaten, problems);
  return problems;
}

}  // namespace fw
