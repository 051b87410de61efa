// Tables as other programs write them, built byte by byte after the published format.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "core/generate/Generators.h"
#include "core/platform/DBServer.h"
#include "core/platform/DbfVersion.h"
#include "core/platform/Error.h"
#include "core/platform/FieldBytes.h"
#include "core/platform/OemCodePage.h"
#include "support/DbfTestTables.h"
#include "support/TempDir.h"

namespace fw {
namespace {

using test::Dbase7Table;
using test::EmptyDbt4;
using test::EmptyFpt;
using test::RawField;
using test::RawTable;
using test::ReadFileBytes;
using test::TempDir;
using test::VisualFoxProTable;
using test::WriteFileBytes;

std::string Ogrinfo(const std::string& path) {
  std::string output;
  if (FILE* pipe = popen(("/usr/bin/ogrinfo -q -al -ro '" + path + "' 2>&1").c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

// The field's bytes in the last record of the table file.
std::string LastSlot(const std::string& path, size_t offset, size_t length) {
  const std::string b = ReadFileBytes(path);
  const size_t headerLength = uint8_t(b[8]) | uint8_t(b[9]) << 8;
  const size_t recordLength = uint8_t(b[10]) | uint8_t(b[11]) << 8;
  const size_t records = uint8_t(b[4]) | uint8_t(b[5]) << 8;
  return b.substr(headerLength + (records - 1) * recordLength + offset, length);
}

TEST(ForeignTablesTest, WideNumbersAndManyDecimalsAreWrittenAndReadBack) {
  // GIS tools write N24.15; dBase IV F20.18; some tables N50.
  TempDir dir;
  const std::string path = dir.File("gis.dbf");
  WriteFileBytes(path, RawTable(0x03, {{"AREA", 'N', 24, 15}, {"RATIO", 'F', 20, 18},
                                      {"BIG", 'N', 50, 10}, {"ID", 'N', 5, 0}}));
  {
    DBServer t(path, false, false);
    ASSERT_EQ(t.DBStruct()[0].Length, 24u);
    ASSERT_EQ(t.DBStruct()[1].Decimals, 18u);
    t.Append();
    EXPECT_TRUE(t.FieldPut("AREA", Value(-1234.5)));
    EXPECT_TRUE(t.FieldPut("RATIO", Value(0.25)));
    EXPECT_TRUE(t.FieldPut("BIG", Value(-1e30)));
    EXPECT_TRUE(t.FieldPut("ID", Value(7)));
    EXPECT_DOUBLE_EQ(t.FieldGet("AREA").AsNumber(), -1234.5);
    EXPECT_DOUBLE_EQ(t.FieldGet("BIG").AsNumber(), -1e30);
    // A value that does not fit is refused, not cut.
    ScopedErrorBlock quiet([](Error&) { return ErrorAction::Default; });
    EXPECT_FALSE(t.FieldPut("RATIO", Value(10.0)));
    EXPECT_FALSE(t.FieldPut("BIG", Value(1e40)));
  }
  EXPECT_EQ(LastSlot(path, 1, 24), "   -1234.500000000000000");
  EXPECT_EQ(LastSlot(path, 25, 20), "0.250000000000000000");
  EXPECT_EQ(LastSlot(path, 45, 50).substr(50 - 11), ".0000000000");

  // Rules are checked against the field as it is.
  EXPECT_TRUE(NumbersFitField(-9999999, 9999999, true, 24, 15));
  EXPECT_FALSE(NumbersFitField(0, 1e9, false, 24, 15));
  EXPECT_TRUE(NumbersFitField(0, 1, false, 20, 18));
  EXPECT_FALSE(NumbersFitField(-1, 1, true, 20, 18));
  EXPECT_TRUE(NumbersFitField(-1e37, 1e37, true, 50, 10));

  if (access("/usr/bin/ogrinfo", X_OK) != 0) GTEST_SKIP() << "ogrinfo is not installed";
  const std::string out = Ogrinfo(path);
  EXPECT_NE(out.find("AREA (Real) = -1234.5"), std::string::npos) << out;
  EXPECT_NE(out.find("RATIO (Real) = 0.25"), std::string::npos) << out;
  EXPECT_NE(out.find("ID (Integer) = 7"), std::string::npos) << out;
}

TEST(ForeignTablesTest, TheRecordLengthDecidesWhatADecimalsByteOfACharacterFieldMeans) {
  TempDir dir;
  // A stray decimals byte on an ordinary C(10): the record length is 1 + 10 + 3.
  const std::string stray = dir.File("stray.dbf");
  WriteFileBytes(stray, RawTable(0x03, {{"NAME", 'C', 10, 2}, {"NR", 'N', 3, 0}}, 14));
  {
    DBServer t(stray, false, false);
    EXPECT_EQ(t.DBStruct()[0].Length, 10u);
    t.Append();
    t.FieldPut("NAME", Value("Meier"));
    t.FieldPut("NR", Value(12));
  }
  EXPECT_EQ(LastSlot(stray, 1, 13), "Meier      12");
  // Clipper's long character field: C(10) with decimals 2 is 2 * 256 + 10 = 522 long.
  const std::string clipper = dir.File("clipper.dbf");
  WriteFileBytes(clipper, RawTable(0x03, {{"TEXT", 'C', 10, 2}, {"NR", 'N', 3, 0}}, 526));
  {
    DBServer t(clipper, false, false);
    EXPECT_EQ(t.DBStruct()[0].Length, 522u);
    t.Append();
    t.FieldPut("NR", Value(5));
  }
  EXPECT_EQ(LastSlot(clipper, 523, 3), "  5");
}

TEST(ForeignTablesTest, FieldNamesAsOtherProgramsWriteThem) {
  TempDir dir;
  const std::string path = dir.File("namen.dbf");
  // Code page 850 (language driver 02h): 99h is 'Ö'. An 11-byte name without its NUL, a name
  // padded with blanks, a name starting with a digit, and the same name twice.
  WriteFileBytes(path, RawTable(0x03,
                                {{"kd-nr", 'C', 5, 0},
                                 {"GR\x99SSE", 'N', 4, 0},
                                 {"ABCDEFGHIJK", 'C', 3, 0},
                                 {"ORT  ", 'C', 4, 0},
                                 {"1TEL", 'C', 4, 0},
                                 {"name", 'C', 6, 0},
                                 {"NAME", 'N', 3, 0}},
                                0, 0x02));
  DBServer t(path, false, false);
  ASSERT_TRUE(t.Used());
  std::vector<std::string> names;
  for (const FieldInfo& f : t.DBStruct()) names.push_back(f.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"KD-NR", "GR\xD6SSE", "ABCDEFGHIJK", "ORT", "1TEL",
                                             "NAME", "NAME"}));
  EXPECT_EQ(t.FieldPos("kd-nr"), 1);
  EXPECT_EQ(t.FieldPos("GR\xD6SSE"), 2);
}

TEST(ForeignTablesTest, FieldListsEndedByALineFeedAndTablesWithoutFieldsAreFilled) {
  TempDir dir;
  // A writer that ends the field list with 0Ah instead of 0Dh.
  const std::string lf = dir.File("lf.dbf");
  std::string bytes = RawTable(0x03, {{"RAUM", 'C', 6, 0}, {"NR", 'N', 2, 0}});
  bytes[32 + 2 * 32] = 0x0A;
  WriteFileBytes(lf, bytes);
  {
    DBServer t(lf, false, false);
    ASSERT_TRUE(t.Used());
    ASSERT_EQ(t.DBStruct().size(), 2u);
    t.Append();
    t.FieldPut("RAUM", Value("Bad"));
    t.FieldPut("NR", Value(4));
  }
  EXPECT_EQ(LastSlot(lf, 0, 9), " Bad    4");
  // A line feed where the fields before it leave bytes of the record over is a damage.
  bytes[32 + 32] = 0x0A;
  WriteFileBytes(lf, bytes);
  {
    ScopedErrorBlock quiet([](Error&) { return ErrorAction::Default; });
    EXPECT_FALSE(DBServer(lf, false, false).Used());
  }
  // An attribute table of a GIS tool without attributes: 32 bytes, the terminator, records of
  // nothing but the deletion flag.
  const std::string none = dir.File("none.dbf");
  WriteFileBytes(none, RawTable(0x03, {}));
  {
    DBServer t(none, false, false);
    ASSERT_TRUE(t.Used());
    EXPECT_TRUE(t.DBStruct().empty());
    t.Append();
    t.Append();
  }
  EXPECT_EQ(ReadFileBytes(none).substr(4, 1), "\x02");
  EXPECT_EQ(ReadFileBytes(none).substr(33), "  \x1A");
}

TEST(ForeignTablesTest, MemoFilesAreFoundWhateverTheCaseOfTheirName) {
  TempDir dir;
  const std::string path = dir.File("KUNDEN.dbf");
  WriteFileBytes(path, RawTable(0x83, {{"NAME", 'C', 8, 0}, {"NOTIZ", 'M', 10, 0}}));
  // An empty dBase III memo file: next free block 1, 512-byte blocks.
  std::string memo(512, '\0');
  memo[0] = 1;
  WriteFileBytes(dir.File("kunden.DBT"), memo);
  {
    DBServer t(path, false, false);
    ASSERT_TRUE(t.Used());
    t.Append();
    t.FieldPut("NOTIZ", Value("Notiz"));
    t.Commit();
    EXPECT_EQ(t.FieldGet("NOTIZ").AsText(), "Notiz");
  }
  EXPECT_GT(ReadFileBytes(dir.File("kunden.DBT")).size(), 512u);
  EXPECT_FALSE(test::FileExists(dir.File("KUNDEN.dbt")));
  EXPECT_FALSE(test::FileExists(dir.File("KUNDEN.DBT")));
}

TEST(ForeignTablesTest, LettersTheCodePageLacksAreWrittenAsTheirNearestAscii) {
  // cp866 (language driver 26h) has no German letters; GBK (7Ah) is not known beyond ASCII.
  for (uint8_t driver : {uint8_t(0x26), uint8_t(0x7A)}) {
    SCOPED_TRACE(int(driver));
    TempDir dir;
    const std::string path = dir.File("t.dbf");
    WriteFileBytes(path, RawTable(0x83, {{"NAME", 'C', 12, 0}, {"KURZ", 'C', 3, 0},
                                        {"NOTIZ", 'M', 10, 0}},
                                  0, driver));
    std::string memo(512, '\0');
    memo[0] = 1;
    WriteFileBytes(dir.File("t.dbt"), memo);
    {
      DBServer t(path, false, false);
      t.Append();
      t.FieldPut("NAME", Value("M\xFC\xDFig \xC4rger"));  // Müßig Ärger
      t.FieldPut("KURZ", Value("\xF6l"));                  // öl: cut after "oel"
      t.FieldPut("NOTIZ", Value("Gr\xFC\xDF\x85"));       // Grüß…
    }
    const std::string b = ReadFileBytes(path);
    const size_t record = size_t(uint8_t(b[8]) | uint8_t(b[9]) << 8);
    EXPECT_EQ(b.substr(record + 1, 15), "Muessig Aerg" "oel");  // cut to the fields
    EXPECT_EQ(ReadFileBytes(dir.File("t.dbt")).substr(512, 11), "Gruess...\x1A\x1A");
  }
}

TEST(ForeignTablesTest, ACodePageFileBesideATableWithoutLanguageDriverIsFollowed) {
  // GIS tools leave byte 29 at 0 and name the code page in a .cpg file. The language driver,
  // where there is one, stays what counts.
  struct Case {
    const char* Cpg;
    uint8_t Driver;
    const char* Written;
  } cases[] = {
      {"UTF-8", 0, "M\xC3\xBC\xC3\x9Fig"}, {"CP850\r\n", 0, "M\x81\xE1ig"}, {"ANSI 1251", 0, "Muessig"},
      {"1252", 0, "M\xFC\xDFig"},     {"GB2312", 0, "Muessig"},         {"UTF-8", 0x57, "M\xFC\xDFig"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Cpg);
    TempDir dir;
    const std::string path = dir.File("T.DBF");
    WriteFileBytes(path, RawTable(0x03, {{"NAME", 'C', 8, 0}}, 0, c.Driver));
    WriteFileBytes(dir.File("t.cpg"), c.Cpg);
    {
      DBServer t(path, false, false);
      t.Append();
      t.FieldPut("NAME", Value("M\xFC\xDFig"));  // Müßig
    }
    EXPECT_EQ(LastSlot(path, 1, std::string(c.Written).size()), c.Written);
  }
  // UTF-8: a character that does not fit whole is left out, not cut in two; what is read
  // back is the program's own text again.
  TempDir dir;
  const std::string path = dir.File("u.dbf");
  WriteFileBytes(path, RawTable(0x03, {{"NAME", 'C', 4, 0}, {"ORT", 'C', 10, 0}}));
  WriteFileBytes(dir.File("u.cpg"), "UTF-8");
  {
    DBServer t(path, false, false);
    t.Append();
    t.FieldPut("NAME", Value("M\xFC\xDFig"));
    t.FieldPut("ORT", Value("K\xF6ln \x80"));  // Köln €
    t.Commit();
    EXPECT_EQ(t.FieldGet("NAME").AsText(), "M\xFC  ");
    EXPECT_EQ(t.FieldGet("ORT").AsText(), "K\xF6ln \x80    ");  // as long as the field
  }
  EXPECT_EQ(LastSlot(path, 1, 14), "M\xC3\xBC K\xC3\xB6ln \xE2\x82\xAC ");
  if (access("/usr/bin/ogrinfo", X_OK) != 0) GTEST_SKIP() << "ogrinfo is not installed";
  const std::string out = Ogrinfo(path);
  EXPECT_NE(out.find("ORT (String) = K\xC3\xB6ln \xE2\x82\xAC\n"), std::string::npos) << out;
}

TEST(ForeignTablesTest, VisualFoxProTablesGetTextAndMemosAndKeepTheirOtherBinaryFieldsZero) {
  TempDir dir;
  const std::string path = dir.File("fox.dbf");
  WriteFileBytes(path, VisualFoxProTable());
  WriteFileBytes(dir.File("fox.fpt"), EmptyFpt());
  {
    DBServer t(path, false, false);
    ASSERT_TRUE(t.Used());
    ASSERT_EQ(t.DBStruct().size(), 7u);
    t.Append();
    EXPECT_TRUE(t.FieldPut("NAME", Value("Fuchs")));
    EXPECT_TRUE(t.FieldPut("NOTE", Value("variabel")));
    EXPECT_TRUE(t.FieldPut("MEMO", Value("Gr\xFC\xDF")));  // Grüß, in code page 1252
    t.Append();
    EXPECT_TRUE(t.FieldPut("MEMO", Value(std::string(100, 'x'))));
    t.Commit();
    t.GoTop();
    EXPECT_EQ(t.FieldGet("MEMO").AsText(), "Gr\xFC\xDF");
  }
  const std::string b = ReadFileBytes(path);
  const size_t record = 32 + 7 * 32 + 1 + 263;
  ASSERT_EQ(b.size(), record + 2 * 56 + 1);
  EXPECT_EQ(b.substr(record, 1), " ");
  EXPECT_EQ(b.substr(record + 31, 20), std::string(20, '\0'));  // I, Y, T
  // The memo's block number in four bytes, low first: the first block after the 512-byte
  // header in blocks of 64 is 8; the next text starts in the block after the first one's.
  EXPECT_EQ(b.substr(record + 51, 4), std::string("\x08\0\0\0", 4));
  EXPECT_EQ(b.substr(record + 56 + 51, 4), std::string("\x09\0\0\0", 4));
  EXPECT_EQ(b[record + 2 * 56], 0x1A);
  const std::string memo = ReadFileBytes(dir.File("fox.fpt"));
  ASSERT_GE(memo.size(), 9u * 64 + 8 + 100);
  EXPECT_EQ(memo.substr(0, 4), std::string("\0\0\0\x0B", 4));  // next free block, big-endian
  EXPECT_EQ(memo.substr(6, 2), std::string("\0\x40", 2));         // block size kept: 64
  EXPECT_EQ(memo.substr(8 * 64, 12), std::string("\0\0\0\x01\0\0\0\x04Gr\xFC\xDF", 12));
  EXPECT_EQ(memo.substr(9 * 64, 8), std::string("\0\0\0\x01\0\0\0\x64", 8));

  if (access("/usr/bin/ogrinfo", X_OK) != 0) GTEST_SKIP() << "ogrinfo is not installed";
  const std::string out = Ogrinfo(path);
  EXPECT_NE(out.find("NAME (String) = Fuchs"), std::string::npos) << out;
}

TEST(ForeignTablesTest, AFailedRunCutsAVisualFoxProMemoFileBack) {
  TempDir dir;
  const std::string path = dir.File("fox.dbf");
  WriteFileBytes(path, VisualFoxProTable());
  WriteFileBytes(dir.File("fox.fpt"), EmptyFpt());
  // Long texts, so that memo blocks reach the file before the run fails at record 30, where
  // the integer does not fit its four bytes.
  struct LongText : ColumnSource {
    void Produce(FieldWriter& out) override { out.PutText(std::string(100000, 'm')); }
  } text;
  struct FailingNumber : ColumnSource {
    int n = 0;
    void Produce(FieldWriter& out) override { out.PutNumber(++n < 30 ? n : 1e12); }
  } number;
  const std::vector<ColumnPlan> plans = {{6, 40, &text}, {3, 40, &number}};
  {
    DBServer t(path, false, false);
    ScopedErrorBlock quiet([](Error&) { return ErrorAction::Default; });
    EXPECT_FALSE(t.AppendRecords(40, plans));
  }
  EXPECT_EQ(ReadFileBytes(dir.File("fox.fpt")), EmptyFpt());
  const std::string b = ReadFileBytes(path);
  EXPECT_EQ(b.substr(4), VisualFoxProTable().substr(4));
}

TEST(ForeignTablesTest, VarcharsKeepTheirLengthInTheirLastByteWithTheirBitInNullFlags) {
  // NAME C(4) may be null (bit 0), NOTE V(8) has a length bit (1) and may be null (2), KURZ
  // V(3) a length bit (3); _NullFlags is one byte. An existing record has NAME and NOTE null.
  TempDir dir;
  const std::string path = dir.File("var.dbf");
  std::string b = RawTable(0x32, {{"NAME", 'C', 4, 0}, {"NOTE", 'V', 8, 0}, {"KURZ", 'V', 3, 0},
                                  {"_NullFlags", '0', 1, 0}});
  b.pop_back();
  b[32 + 18] = 0x02;
  b[64 + 18] = 0x02;
  b[128 + 18] = 0x05;
  b.append(263, '\0');
  b[8] = char(b.size() & 0xFF);
  b[9] = char(b.size() >> 8);
  const size_t header = b.size(), length = 1 + 4 + 8 + 3 + 1;
  b[4] = 1;
  b += std::string(" ") + std::string(15, '\0') + "\x05" + "\x1A";
  WriteFileBytes(path, b);
  {
    DBServer t(path, false, false);
    t.GoTop();
    EXPECT_TRUE(t.FieldPut("NAME", Value("Ab")));  // no longer null
    t.Append();
    EXPECT_TRUE(t.FieldPut("NOTE", Value("abc")));
    EXPECT_TRUE(t.FieldPut("KURZ", Value("xyz")));
    t.Append();  // left blank
    t.Commit();
    t.GoTo(2);
    EXPECT_EQ(t.FieldGet("NOTE").AsText(), "abc");
    EXPECT_EQ(t.FieldGet("KURZ").AsText(), "xyz");
    t.GoTo(3);
    EXPECT_EQ(t.FieldGet("NOTE").AsText(), "");
  }
  const std::string after = ReadFileBytes(path);
  ASSERT_EQ(after.size(), header + 3 * length + 1);
  EXPECT_EQ(after.substr(header + 1, 4), "Ab  ");
  EXPECT_EQ(uint8_t(after[header + 16]), 0x04);  // NOTE stays null, NAME is not
  const size_t second = header + length;
  EXPECT_EQ(after.substr(second + 5, 8), std::string("abc\0\0\0\0\x03", 8));
  EXPECT_EQ(after.substr(second + 13, 3), "xyz");
  EXPECT_EQ(uint8_t(after[second + 16]), 0x02);  // NOTE shorter; KURZ full; none null
  const size_t third = second + length;
  EXPECT_EQ(after.substr(third + 5, 11), std::string(11, '\0'));  // both empty
  EXPECT_EQ(uint8_t(after[third + 16]), 0x0A);

  if (access("/usr/bin/ogrinfo", X_OK) != 0) GTEST_SKIP() << "ogrinfo is not installed";
  const std::string out = Ogrinfo(path);
  EXPECT_NE(out.find("NOTE (String) = abc\n"), std::string::npos) << out;
}

TEST(ForeignTablesTest, NullFlagsBeforeTheFieldsTheyServeAreFoundThere) {
  // Other writers may put _NullFlags anywhere in the record, here first: its bits are still
  // counted from the record's start, not from the field's slot.
  TempDir dir;
  const std::string path = dir.File("first.dbf");
  std::string b = RawTable(0x32, {{"_NullFlags", '0', 1, 0}, {"NOTE", 'V', 8, 0}});
  b.pop_back();
  b[32 + 18] = 0x05;
  b[64 + 18] = 0x02;
  b.append(263, '\0');
  b[8] = char(b.size() & 0xFF);
  b[9] = char(b.size() >> 8);
  const size_t header = b.size();
  b += '\x1A';
  WriteFileBytes(path, b);
  {
    DBServer t(path, false, false);
    t.Append();
    EXPECT_TRUE(t.FieldPut("NOTE", Value("abc")));
    t.Commit();
  }
  const std::string after = ReadFileBytes(path);
  ASSERT_EQ(after.size(), header + 10 + 1);
  EXPECT_EQ(uint8_t(after[header + 1]), 0x01);  // the length bit; not null
  EXPECT_EQ(after.substr(header + 2, 8), std::string("abc\0\0\0\0\x03", 8));
}

TEST(ForeignTablesTest, Dbase4TablesWithMemoAsDbdXbaseWritesThemAreFilled) {
  // Version byte 84h, 32-byte descriptors, a .dbt of the dBase IV kind whose block 1 holds
  // the memo of the one record (FF FF 08 00, then the length with these eight bytes).
  TempDir dir;
  const std::string path = dir.File("v4.dbf");
  std::string b = RawTable(0x84, {{"NAME", 'C', 10, 0}, {"NOTIZ", 'M', 10, 0}});
  b.pop_back();
  b[4] = 1;
  b += " Anna               1\x1A";
  WriteFileBytes(path, b);
  std::string memo = EmptyDbt4();
  memo[0] = 2;
  memo += std::string("\xFF\xFF\x08\x00\x11\x00\x00\x00memo text", 17) + std::string(495, '\0');
  WriteFileBytes(dir.File("v4.dbt"), memo);
  {
    DBServer t(path, false, false);
    t.GoTop();
    EXPECT_EQ(t.FieldGet("NOTIZ").AsText(), "memo text");
    t.Append();
    EXPECT_TRUE(t.FieldPut("NAME", Value("Bert")));
    EXPECT_TRUE(t.FieldPut("NOTIZ", Value("neu")));
    t.Commit();
    t.GoTo(2);
    EXPECT_EQ(t.FieldGet("NOTIZ").AsText(), "neu");
  }
  const std::string after = ReadFileBytes(dir.File("v4.dbt"));
  EXPECT_EQ(after[0], 3);  // the next free block moved on
  EXPECT_TRUE(after.substr(4, 1020) == memo.substr(4));  // the old memo kept
  EXPECT_EQ(after.substr(1024, 11), std::string("\xFF\xFF\x08\x00\x0B\x00\x00\x00neu", 11));
  if (access("/usr/bin/ogrinfo", X_OK) != 0) GTEST_SKIP() << "ogrinfo is not installed";
  const std::string out = Ogrinfo(path);
  EXPECT_NE(out.find("NAME (String) = Bert\n"), std::string::npos) << out;
}

TEST(ForeignTablesTest, RefusalsNameTheFormatNotADamage) {
  const std::string sound = RawTable(0x03, {{"NAME", 'C', 8, 0}});
  auto text = [&](uint8_t version, int at = -1, char value = 0) {
    std::string b = sound;
    b[0] = char(version);
    if (at >= 0) b[size_t(at)] = value;
    return UnfillableTableText(reinterpret_cast<const unsigned char*>(b.data()), 32, b.size());
  };
  EXPECT_EQ(text(0x03), "");
  EXPECT_EQ(text(0x02), "Tabellen dieses Formats (Versionsbyte 0x02, dBase II) können nicht "
                        "gefüllt werden.");
  EXPECT_NE(text(0xE5).find("Clipper SIX mit SMT-Memo"), std::string::npos);
  EXPECT_NE(text(0x99).find("Versionsbyte 0x99, das zu keinem bekannten DBF-Format"),
            std::string::npos);
  EXPECT_NE(text(0x03, 15, 1).find("verschlüsselt"), std::string::npos);
  // An unknown byte on a table without fields (parsedbf's empty.dbf has 0Dh).
  const std::string none = RawTable(0x0D, {});
  EXPECT_NE(UnfillableTableText(reinterpret_cast<const unsigned char*>(none.data()), 32, none.size())
                .find("Versionsbyte 0x0D, das zu keinem bekannten DBF-Format"),
            std::string::npos);
  // Not a table at all: no reason of its own (the general message follows).
  const std::string prose = "Dies ist ein Brief und keine Tabelle, auch wenn er so heisst.";
  EXPECT_EQ(UnfillableTableText(reinterpret_cast<const unsigned char*>(prose.data()), 32,
                                prose.size()),
            "");
}

}  // namespace
}  // namespace fw
