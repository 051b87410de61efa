#include "core/app/IniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fw {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("fw_ini_" + std::to_string(getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / "FUELLWERK.INI").string();
    ini_.Init(path_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Put(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
  std::string Get() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  fs::path dir_;
  std::string path_;
  IniFile ini_;
};

TEST_F(IniFileTest, ReadsValuesTrimmedWithoutRegardToCase) {
  Put("[AppDaten]\r\nName =  Fuellwerk  \r\n[settings]\r\nDefaultSaetze=500\r\n");
  EXPECT_EQ(ini_.GetString("appdaten", "NAME"), "Fuellwerk");
  EXPECT_EQ(ini_.GetString("SETTINGS", "defaultsaetze"), "500");
  EXPECT_EQ(ini_.GetInt("SETTINGS", "DefaultSaetze"), 500u);
}

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesDefaults) {
  EXPECT_EQ(ini_.GetString("SETTINGS", "InitDir"), "");
  EXPECT_EQ(ini_.GetInt("SETTINGS", "DefaultnMax"), 0u);
  EXPECT_FALSE(ini_.GetLogic("SETTINGS", "ClearBeforeNew"));
  Put("[SETTINGS]\r\nA=1\r\n");
  EXPECT_EQ(ini_.GetString("OTHER", "A"), "");
  EXPECT_EQ(ini_.GetString("SETTINGS", "B"), "");
  EXPECT_FALSE(fs::exists(dir_ / "FUELLWERK.INI.tmp"));
}

TEST_F(IniFileTest, KeysOfOtherSectionsAreNotFound) {
  Put("[A]\r\nKey=a\r\n[B]\r\nOther=b\r\n");
  EXPECT_EQ(ini_.GetString("B", "Key"), "");
  EXPECT_EQ(ini_.GetString("A", "Other"), "");
}

TEST_F(IniFileTest, GetIntGivesZeroForAnythingButANonNegativeWholeNumber) {
  Put("[S]\r\nNeg=-5\r\nText=abc\r\nMixed=12abc\r\nEmpty=\r\nBig=4294967296\r\nMax=4294967295\r\n"
      "Frac=1.5\r\n");
  for (const char* key : {"Neg", "Text", "Mixed", "Empty", "Big", "Frac"})
    EXPECT_EQ(ini_.GetInt("S", key), 0u) << key;
  EXPECT_EQ(ini_.GetInt("S", "Max"), 4294967295u);
}

TEST_F(IniFileTest, GetLogicFollowsUsual2Logic) {
  Put("[S]\r\na=1\r\nb=j\r\nc=Y\r\nd=Ja\r\ne=YES\r\nf=ein\r\ng=On\r\nh=True\r\n"
      "i=0\r\nj=nein\r\nk=false\r\nl=2\r\nm=\r\nn=ja ja\r\n");
  for (const char* key : {"a", "b", "c", "d", "e", "f", "g", "h"})
    EXPECT_TRUE(ini_.GetLogic("S", key)) << key;
  for (const char* key : {"i", "j", "k", "l", "m", "n", "missing"})
    EXPECT_FALSE(ini_.GetLogic("S", key)) << key;
}

TEST(Usual2LogicTest, ByType) {
  EXPECT_TRUE(Usual2Logic(Value(true)));
  EXPECT_FALSE(Usual2Logic(Value(false)));
  EXPECT_TRUE(Usual2Logic(Value(1)));
  EXPECT_FALSE(Usual2Logic(Value(2)));
  EXPECT_FALSE(Usual2Logic(Value(Date::FromYmd(2000, 1, 1))));
  EXPECT_FALSE(Usual2Logic(Value()));
  // A text that is a part of the list but not a whole word of it is no truth.
  EXPECT_FALSE(Usual2Logic(Value("n_/_o")));
  EXPECT_FALSE(Usual2Logic(Value("e")));
}

TEST_F(IniFileTest, WriteLogicReadsBack) {
  ini_.WriteLogic("SETTINGS", "ClearBeforeNew", true);
  EXPECT_TRUE(ini_.GetLogic("SETTINGS", "ClearBeforeNew"));
  ini_.WriteLogic("SETTINGS", "ClearBeforeNew", false);
  EXPECT_FALSE(ini_.GetLogic("SETTINGS", "ClearBeforeNew"));
  EXPECT_EQ(Get(), "[SETTINGS]\r\nClearBeforeNew=0\r\n");
}

TEST_F(IniFileTest, WriteCreatesFileThenSectionThenEntry) {
  ini_.WriteString("SETTINGS", "InitDir", "/x/TestDaten/");
  EXPECT_EQ(Get(), "[SETTINGS]\r\nInitDir=/x/TestDaten/\r\n");
  ini_.WriteString("AppDaten", "Name", "Fuellwerk");
  EXPECT_EQ(Get(), "[SETTINGS]\r\nInitDir=/x/TestDaten/\r\n[AppDaten]\r\nName=Fuellwerk\r\n");
  ini_.WriteInt("settings", "DefaultnMax", 20);
  EXPECT_EQ(Get(),
            "[SETTINGS]\r\nInitDir=/x/TestDaten/\r\nDefaultnMax=20\r\n[AppDaten]\r\nName=Fuellwerk\r\n");
}

TEST_F(IniFileTest, WriteReplacesInPlaceAndKeepsEveryOtherByte) {
  const std::string before =
      "; comment line\r\n[AppDaten]\r\nName=Fuellwerk\r\nVersion = 1.0 \r\n\r\n"
      "[SETTINGS]\r\ninitdir = C:\\old\\\r\nQuellen=Namen, Orte\r\n\r\n[Other]\r\nx=1";
  Put(before);
  ini_.WriteString("SETTINGS", "InitDir", "/neu/");
  EXPECT_EQ(Get(),
            "; comment line\r\n[AppDaten]\r\nName=Fuellwerk\r\nVersion = 1.0 \r\n\r\n"
            "[SETTINGS]\r\ninitdir=/neu/\r\nQuellen=Namen, Orte\r\n\r\n[Other]\r\nx=1");
  // A new key goes after the section's last entry, before its blank lines.
  ini_.WriteString("SETTINGS", "Seed", "7");
  EXPECT_EQ(Get(),
            "; comment line\r\n[AppDaten]\r\nName=Fuellwerk\r\nVersion = 1.0 \r\n\r\n"
            "[SETTINGS]\r\ninitdir=/neu/\r\nQuellen=Namen, Orte\r\nSeed=7\r\n\r\n[Other]\r\nx=1");
  // A new key in the last section, whose last line has no line end.
  ini_.WriteString("Other", "y", "2");
  EXPECT_EQ(Get().substr(Get().size() - 19), "[Other]\r\nx=1\r\ny=2\r\n");
}

TEST_F(IniFileTest, DamagedInputReadsWithoutCrashAndIsRewrittenUntouched) {
  std::string damaged = "\x01\x02garbage without equals\n[S]\rA=first\nA=second\r\n";
  damaged += std::string("Bin=") + '\0' + "\xff\xfe" + "\r\n";
  damaged += "Long=" + std::string(5000, 'x') + "\r\n[Broken\r\n=novalue\r\n";
  Put(damaged);
  EXPECT_EQ(ini_.GetString("S", "A"), "first");  // the first of duplicate keys wins
  EXPECT_EQ(ini_.GetString("S", "Long").size(), 4095u);
  EXPECT_EQ(ini_.GetString("S", "Bin"), std::string("\0\xff\xfe", 3));
  ini_.WriteString("S", "New", "v");
  // "[Broken" is no section line, so the new entry ends the section after it.
  std::string expected = damaged + "New=v\r\n";
  EXPECT_EQ(Get(), expected);
  ini_.WriteString("S", "A", "changed");
  expected.replace(expected.find("A=first"), 7, "A=changed");
  EXPECT_EQ(Get(), expected);
}

TEST_F(IniFileTest, FailedWriteIsSilentAndKeepsTheOldFile) {
  Put("[S]\r\nA=1\r\n");
  // A file in a folder that does not exist cannot be written.
  IniFile missing((dir_ / "nowhere" / "X.INI").string());
  missing.WriteString("S", "A", "2");
  EXPECT_FALSE(fs::exists(dir_ / "nowhere"));
  // A folder where the file should be: the rename fails, the folder stays, no temp file is left.
  fs::create_directory(dir_ / "DIR.INI");
  IniFile blocked((dir_ / "DIR.INI").string());
  blocked.WriteString("S", "A", "2");
  EXPECT_TRUE(fs::is_directory(dir_ / "DIR.INI"));
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(dir_)) files += entry.is_regular_file();
  EXPECT_EQ(files, 1u);
  EXPECT_EQ(Get(), "[S]\r\nA=1\r\n");
  EXPECT_EQ(blocked.GetString("S", "A"), "");
}

// A pipe put in place of the settings file must not make the program wait for a writer; it
// reads as no file that can be used, and a write leaves it alone.
TEST_F(IniFileTest, APipeInPlaceOfTheFileIsNeitherWaitedForNorReplaced) {
  ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0);
  EXPECT_EQ(ini_.GetString("S", "A"), "");
  ini_.WriteString("S", "A", "1");
  struct stat st {};
  ASSERT_EQ(::stat(path_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(IniFileTest, WriteKeepsFilePermissions) {
  Put("[S]\r\nA=1\r\n");
  chmod(path_.c_str(), 0640);
  ini_.WriteString("S", "A", "2");
  struct stat st {};
  ASSERT_EQ(stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(IniFileTest, InitAppendsIniOnlyWithoutAnyDotAndPlacesBareNamesInTheWorkingFolder) {
  const fs::path old = fs::current_path();
  fs::current_path(dir_);
  IniFile bare("SETTINGS");
  EXPECT_EQ(bare.FullPath(), (fs::canonical(dir_) / "SETTINGS.INI").string());
  fs::current_path(old);
  IniFile dotted("/some.folder/settings");
  EXPECT_EQ(dotted.FullPath(), "/some.folder/settings");
  EXPECT_EQ(dotted.Path(), "/some.folder/");
}

TEST_F(IniFileTest, GetPathEndsInOneSeparator) {
  Put("[S]\r\nA=/data/Test\r\nB=/data/Test/\r\nC=\r\n");
  EXPECT_EQ(ini_.GetPath("S", "A"), "/data/Test/");
  EXPECT_EQ(ini_.GetPath("S", "B"), "/data/Test/");
  EXPECT_EQ(ini_.GetPath("S", "C"), "/");
}

}  // namespace
}  // namespace fw
