#include "core/app/AppFolders.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempDir.h"

namespace fw {
namespace {

namespace fs = std::filesystem;
using test::FileExists;
using test::ReadFileBytes;
using test::WriteFileBytes;

// <root>/usr/bin/ with the delivered files in <root>/usr/share/fuellwerk/, and a home of
// the user's own in <root>/home/.
struct InstalledLayout {
  test::TempDir root;
  std::string bin = root.File("usr/bin/");
  std::string share = root.File("usr/share/fuellwerk/");
  std::string config = root.File("home/.config/fuellwerk/");
  std::string data = root.File("home/.local/share/fuellwerk/");

  InstalledLayout() {
    fs::create_directories(bin);
    fs::create_directories(share + "ProgrammDaten");
    fs::create_directories(share + "TestDaten");
    WriteFileBytes(share + "FUELLWERK.INI", "[AppDaten]\r\nName=Fuellwerk\r\n");
    WriteFileBytes(share + "ProgrammDaten/Character.dbf", "table");
    WriteFileBytes(share + "ProgrammDaten/Worte.txt", "Haus,Baum");
    WriteFileBytes(share + "TestDaten/Kunden.dbf", "sample");
    WriteFileBytes(share + "TestDaten/Kunden.dbt", "memo");
  }
  AppFolders Plan() const { return PlanFolders(bin, RunsInstalled(bin), config, data); }
};

TEST(AppFoldersTest, AWritableFolderWithoutInstalledLayoutKeepsEverythingBesideItself) {
  test::TempDir dir;
  test::TempDir home;
  EXPECT_FALSE(RunsInstalled(dir.Folder()));
  const AppFolders folders =
      PlanFolders(dir.Folder(), RunsInstalled(dir.Folder()), home.File("c"), home.File("d"));
  EXPECT_EQ(folders.Delivered, dir.Folder());
  EXPECT_EQ(folders.SettingsFile, dir.Folder() + "FUELLWERK.INI");
  EXPECT_EQ(folders.ProgrammDaten, dir.Folder() + "ProgrammDaten/");
  EXPECT_EQ(folders.TestDaten, dir.Folder() + "TestDaten/");
  EXPECT_EQ(folders.ErrorLogFolder, "");  // the working folder, as before
  EXPECT_TRUE(PrepareUserFolders(folders).empty());
  EXPECT_FALSE(fs::exists(home.File("c")));
  EXPECT_FALSE(fs::exists(home.File("d")));
}

TEST(AppFoldersTest, TheFirstStartOfAnInstalledCopyFillsTheUsersFolders) {
  InstalledLayout layout;
  const AppFolders folders = layout.Plan();
  ASSERT_TRUE(folders.Installed);
  EXPECT_EQ(folders.Delivered, layout.share);
  EXPECT_EQ(folders.SettingsFile, layout.config + "FUELLWERK.INI");
  EXPECT_EQ(folders.ProgrammDaten, layout.data + "ProgrammDaten/");
  EXPECT_EQ(folders.TestDaten, layout.data + "TestDaten/");
  EXPECT_EQ(folders.ErrorLogFolder, layout.data);

  EXPECT_EQ(PrepareUserFolders(folders), std::vector<std::string>{});
  EXPECT_EQ(ReadFileBytes(folders.SettingsFile), "[AppDaten]\r\nName=Fuellwerk\r\n");
  EXPECT_EQ(ReadFileBytes(folders.ProgrammDaten + "Character.dbf"), "table");
  EXPECT_EQ(ReadFileBytes(folders.ProgrammDaten + "Worte.txt"), "Haus,Baum");
  EXPECT_EQ(ReadFileBytes(folders.TestDaten + "Kunden.dbf"), "sample");
  EXPECT_EQ(ReadFileBytes(folders.TestDaten + "Kunden.dbt"), "memo");
  for (const auto& entry : fs::recursive_directory_iterator(layout.root.File("home")))
    EXPECT_NE(entry.path().extension(), ".part") << entry.path();
}

TEST(AppFoldersTest, LaterStartsKeepWhatTheUserChangedAndBringNewDeliveredFiles) {
  InstalledLayout layout;
  const AppFolders folders = layout.Plan();
  ASSERT_TRUE(PrepareUserFolders(folders).empty());
  WriteFileBytes(folders.SettingsFile, "[SETTINGS]\r\nDefaultSaetze=7\r\n");
  WriteFileBytes(folders.ProgrammDaten + "Worte.txt", "Eigene,Worte");
  WriteFileBytes(folders.ProgrammDaten + "Tiere.txt", "Hund,Katze");
  fs::remove(folders.TestDaten + "Kunden.dbf");  // the user did not want the sample
  WriteFileBytes(layout.share + "ProgrammDaten/Orte.txt", "Bonn,Berlin");

  EXPECT_TRUE(PrepareUserFolders(folders).empty());
  EXPECT_EQ(ReadFileBytes(folders.SettingsFile), "[SETTINGS]\r\nDefaultSaetze=7\r\n");
  EXPECT_EQ(ReadFileBytes(folders.ProgrammDaten + "Worte.txt"), "Eigene,Worte");
  EXPECT_EQ(ReadFileBytes(folders.ProgrammDaten + "Tiere.txt"), "Hund,Katze");
  EXPECT_EQ(ReadFileBytes(folders.ProgrammDaten + "Orte.txt"), "Bonn,Berlin");
  EXPECT_FALSE(FileExists(folders.TestDaten + "Kunden.dbf"));
  // The delivered files are only read.
  EXPECT_EQ(ReadFileBytes(layout.share + "ProgrammDaten/Worte.txt"), "Haus,Baum");
}

TEST(AppFoldersTest, UserFoldersThatCannotBeMadeAreReportedByName) {
  InstalledLayout layout;
  fs::create_directories(layout.root.File("home/.config"));
  WriteFileBytes(layout.root.File("home/.config/fuellwerk"), "a file in the folder's place");
  const AppFolders folders = layout.Plan();
  const std::vector<std::string> problems = PrepareUserFolders(folders);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("Der Ordner " + layout.root.File("home/.config/fuellwerk")),
            std::string::npos)
      << problems[0];
  EXPECT_TRUE(FileExists(folders.ProgrammDaten + "Worte.txt"));  // the rest goes on

  const AppFolders homeless = PlanFolders(layout.bin, true, "", "");
  EXPECT_EQ(homeless.SettingsFile, "");
  EXPECT_EQ(homeless.ProgrammDaten, "");
  ASSERT_EQ(PrepareUserFolders(homeless).size(), 1u);
  EXPECT_NE(PrepareUserFolders(homeless)[0].find("HOME"), std::string::npos);
}

}  // namespace
}  // namespace fw
