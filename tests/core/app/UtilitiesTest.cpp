#include "core/app/Utilities.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fw {
namespace {

TEST(String2ArrayTest, SplitsAndTrims) {
  EXPECT_EQ(String2Array(" Namen , Orte,PLZ "),
            (std::vector<std::string>{"Namen", "Orte", "PLZ"}));
  EXPECT_EQ(String2Array("  alles  "), (std::vector<std::string>{"alles"}));
  EXPECT_EQ(String2Array(""), (std::vector<std::string>{""}));
  EXPECT_EQ(String2Array("a,b,"), (std::vector<std::string>{"a", "b", ""}));
  EXPECT_EQ(String2Array(",a,,b"), (std::vector<std::string>{"", "a", "", "b"}));
  EXPECT_EQ(String2Array("a::b", "::"), (std::vector<std::string>{"a", "b"}));
}

TEST(String2ArrayTest, LineBreaksAreNoSeparatorsButAreTrimmed) {
  EXPECT_EQ(String2Array("Anna,\r\nBernd,\nCarla\r\n"),
            (std::vector<std::string>{"Anna", "Bernd", "Carla"}));
  EXPECT_EQ(String2Array("Anna\r\nBernd,Carla"),
            (std::vector<std::string>{"Anna\r\nBernd", "Carla"}));
}

TEST(IsDirectoryTest, FoldersFilesAndMissingPaths) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("fw_isdir_" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "file") << "x";
  EXPECT_TRUE(IsDirectory(dir.string()));
  EXPECT_TRUE(IsDirectory(dir.string() + "/"));
  EXPECT_FALSE(IsDirectory((dir / "file").string()));
  EXPECT_FALSE(IsDirectory((dir / "missing").string()));
  EXPECT_TRUE(IsDirectory("/"));
  fs::remove_all(dir);
}

TEST(MakeLangIdTest, SubLanguageTimes1024PlusPrimary) {
  EXPECT_EQ(MakeLangID(0, 1), 1024);
  EXPECT_EQ(MakeLangID(7, 1), 1031);  // German (Germany)
}

TEST(ProgramFolderTest, EndsInSeparatorAndHoldsThisProgram) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(folder + "core_tests"));
}

}  // namespace
}  // namespace fw
