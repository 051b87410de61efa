#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/generate/WordSource.h"
#include "support/TempDir.h"

namespace fw {
namespace {

using test::TempDir;
using test::WriteFileBytes;

TEST(WordSourceTest, FileNameMatchesWithoutRegardToCase) {
  TempDir dir;
  WriteFileBytes(dir.File("ORTE.txt"), "Aachen,Bonn");
  EXPECT_EQ(FindSourceFile(dir.Folder(), "Orte"), dir.File("ORTE.txt"));
  EXPECT_EQ(FindSourceFile(dir.Folder(), "orte"), dir.File("ORTE.txt"));
  WriteFileBytes(dir.File("Orte.txt"), "Celle");  // the exact spelling wins
  EXPECT_EQ(FindSourceFile(dir.Folder(), "Orte"), dir.File("Orte.txt"));
  EXPECT_EQ(FindSourceFile(dir.Folder(), "Namen"), "");
  ::mkdir(dir.File("Ordner.txt").c_str(), 0700);  // a folder is no word file
  EXPECT_EQ(FindSourceFile(dir.Folder(), "Ordner"), "");
  // Windows-1252 source names find UTF-8 file names.
  WriteFileBytes(dir.File("Straßen.txt"), "Hauptstraße");
  EXPECT_EQ(FindSourceFile(dir.Folder(), "Stra\xDF" "en"), dir.File("Straßen.txt"));
}

TEST(WordSourceTest, NamesThatLeaveTheFolderAreNoSources) {
  TempDir dir;
  WriteFileBytes(dir.File("geheim.txt"), "x,y");
  const std::string sub = dir.File("ProgrammDaten");
  ::mkdir(sub.c_str(), 0700);
  for (const char* name : {"../geheim", "..", "a/b", "..\\geheim", "", "x\ny", "/etc/passwd"}) {
    EXPECT_FALSE(IsPlainSourceName(name)) << name;
    EXPECT_EQ(FindSourceFile(sub + "/", name), "") << name;
  }
  EXPECT_TRUE(IsPlainSourceName("Vornamen"));
  EXPECT_TRUE(IsPlainSourceName("Orte 2"));
}

TEST(WordSourceTest, EntriesAreSeparatedByCommasOnlyAndTrimmed) {
  const auto e = SplitWordList(" Berlin ,\r\nHamburg,\tK\xF6ln am Rhein,\n");
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ(e[0], "Berlin");
  EXPECT_EQ(e[1], "Hamburg");
  EXPECT_EQ(e[2], "K\xF6ln am Rhein");
  EXPECT_EQ(e[3], "");
  EXPECT_EQ(SplitWordList("eins\nzwei").size(), 1u);  // a line break separates nothing
  EXPECT_EQ(SplitWordList("").size(), 1u);
  EXPECT_EQ(NonEmptyEntries(SplitWordList(",a,, ,b,")), (std::vector<std::string>{"a", "b"}));
}

TEST(WordSourceTest, ReadsWindows1252AsItIsAndConvertsUtf8) {
  TempDir dir;
  std::string text;
  WriteFileBytes(dir.File("a.txt"), "M\xFCnchen,K\xF6ln");
  ASSERT_EQ(ReadWordFile(dir.File("a.txt"), text), WordFileRead::Ok);
  EXPECT_EQ(text, "M\xFCnchen,K\xF6ln");
  WriteFileBytes(dir.File("b.txt"), "\xEF\xBB\xBFM\xC3\xBCnchen,K\xC3\xB6ln");
  ASSERT_EQ(ReadWordFile(dir.File("b.txt"), text), WordFileRead::Ok);
  EXPECT_EQ(text, "M\xFCnchen,K\xF6ln");
  EXPECT_EQ(ReadWordFile(dir.File("fehlt.txt"), text), WordFileRead::Missing);
}

TEST(WordSourceTest, HostileFilesNeitherHangNorExhaustMemory) {
  TempDir dir;
  std::string text;
  ASSERT_EQ(::mkfifo(dir.File("pipe.txt").c_str(), 0600), 0);
  EXPECT_EQ(ReadWordFile(dir.File("pipe.txt"), text), WordFileRead::Unreadable);
  EXPECT_EQ(FindSourceFile(dir.Folder(), "pipe"), "");
  {
    FILE* f = std::fopen(dir.File("gross.txt").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fseek(f, long(kMaxWordFileBytes), SEEK_SET);
    std::fputc('x', f);
    std::fclose(f);
  }
  EXPECT_EQ(ReadWordFile(dir.File("gross.txt"), text), WordFileRead::TooLarge);
  EXPECT_TRUE(text.empty());
}

}  // namespace
}  // namespace fw
