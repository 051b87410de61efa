#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/platform/DBServer.h"
#include "core/platform/DbfTable.h"
#include "core/platform/Error.h"
#include "support/DbfTestTables.h"
#include "support/TempDir.h"

namespace fw {
namespace {

using test::CreateTable;
using test::MixedFields;
using test::ReadFileBytes;
using test::TempDir;

const char* const kDrivers[] = {"DBFNTX", "DBFMDX", "DBFCDX"};

TEST(DbfEngineTest, EmptyTableHasTheExactHeaderBytes) {
  TempDir dir;
  std::string path = CreateTable(dir.File("t.dbf"), {{"NAME", 'C', 20, 0}, {"N", 'N', 5, 1}});
  std::string bytes = ReadFileBytes(path);
  ASSERT_EQ(bytes.size(), 32u + 2 * 32 + 1 + 1);  // header, two fields, 0Dh, 1Ah
  EXPECT_EQ(uint8_t(bytes[0]), 0x03);               // no memo fields: plain dBase III
  EXPECT_EQ(std::memcmp(bytes.data() + 4, "\0\0\0\0", 4), 0);
  EXPECT_EQ(uint8_t(bytes[8]) | (uint8_t(bytes[9]) << 8), 97);   // header length
  EXPECT_EQ(uint8_t(bytes[10]) | (uint8_t(bytes[11]) << 8), 26); // 1 + 20 + 5
  EXPECT_EQ(uint8_t(bytes[29]), 0x03);  // Windows ANSI
  EXPECT_EQ(std::string(bytes.data() + 32, 5), std::string("NAME\0", 5));
  EXPECT_EQ(bytes[32 + 11], 'C');
  EXPECT_EQ(uint8_t(bytes[64 + 16]), 5);
  EXPECT_EQ(uint8_t(bytes[64 + 17]), 1);
  EXPECT_EQ(uint8_t(bytes[96]), 0x0D);
  EXPECT_EQ(uint8_t(bytes[97]), 0x1A);
}

TEST(DbfEngineTest, VersionByteAndMemoFilePerDriver) {
  TempDir dir;
  const struct {
    const char* driver;
    uint8_t version;
    const char* memo;
  } cases[] = {{"DBFNTX", 0x83, "a.dbt"}, {"DBFMDX", 0x8B, "b.dbt"}, {"DBFCDX", 0xF5, "c.fpt"}};
  const char* names[] = {"a.dbf", "b.dbf", "c.dbf"};
  for (size_t i = 0; i < 3; ++i) {
    std::string path = CreateTable(dir.File(names[i]), MixedFields(), cases[i].driver);
    EXPECT_EQ(uint8_t(ReadFileBytes(path)[0]), cases[i].version);
    EXPECT_EQ(ReadFileBytes(dir.File(cases[i].memo)).size(), 512u);
    DBServer table(path, false, false);
    EXPECT_EQ(table.Driver(), cases[i].driver);
  }
}

TEST(DbfEngineTest, RoundTripOfEveryTypePerDriver) {
  for (const char* driver : kDrivers) {
    SCOPED_TRACE(driver);
    TempDir dir;
    std::string path = CreateTable(dir.File("t.dbf"), MixedFields(), driver);
    std::string longMemo(3000, 'x');
    longMemo += "\xC4\xD6\xDC\xDF";  // ÄÖÜß in Windows-1252
    {
      DBServer table(path, false, false, driver);
      ASSERT_TRUE(table.Used());
      table.Append();
      EXPECT_TRUE(table.FieldPut("name", Value("M\xFCller")));  // Müller
      EXPECT_TRUE(table.FieldPut("BETRAG", Value(-1234.567)));
      EXPECT_TRUE(table.FieldPut("Datum", Value(Date::FromYmd(2024, 2, 29))));
      EXPECT_TRUE(table.FieldPut("AKTIV", Value(true)));
      EXPECT_TRUE(table.FieldPut("NOTIZ", Value(longMemo)));
      EXPECT_TRUE(table.FieldPut("ZAHL", Value(3.14159)));
      table.Append();  // a blank record
      table.Append();
      EXPECT_TRUE(table.FieldPut("NOTIZ", Value("kurz")));
      EXPECT_TRUE(table.Close());
    }
    DBServer table(path, false, true, driver);
    ASSERT_EQ(table.RecCount(), 3u);
    table.GoTop();
    EXPECT_EQ(table.FieldGet("NAME"), Value("M\xFCller" + std::string(14, ' ')));
    EXPECT_EQ(table.FieldGet("BETRAG"), Value(-1234.57));
    EXPECT_EQ(table.FieldGet("DATUM"), Value(Date::FromYmd(2024, 2, 29)));
    EXPECT_EQ(table.FieldGet("AKTIV"), Value(true));
    EXPECT_EQ(table.FieldGet("NOTIZ"), Value(longMemo));
    EXPECT_EQ(table.FieldGet("ZAHL"), Value(3.142));
    table.Skip();
    EXPECT_EQ(table.FieldGet("NAME"), Value(std::string(20, ' ')));
    EXPECT_EQ(table.FieldGet("BETRAG"), Value(0.0));
    EXPECT_EQ(table.FieldGet("DATUM"), Value(Date()));
    EXPECT_EQ(table.FieldGet("AKTIV"), Value(false));
    EXPECT_EQ(table.FieldGet("NOTIZ"), Value(""));
    table.Skip();
    EXPECT_EQ(table.FieldGet(5), Value("kurz"));
    table.Skip();
    EXPECT_TRUE(table.Eof());
  }
}

// In a dBase III memo 1Ah ends the text, so one inside the text is stored as a blank; the
// other memo formats keep the text as it is.
TEST(DbfEngineTest, EndOfTextMarksInsideADbase3MemoBecomeBlanks) {
  const std::string text = std::string("\x1A" "ab\x1A\x1A" "c") + std::string(600, 'x') + "\x1Ay";
  std::string blanked = text;
  for (char& c : blanked)
    if (c == 0x1A) c = ' ';
  for (const char* driver : kDrivers) {
    SCOPED_TRACE(driver);
    TempDir dir;
    std::string path = CreateTable(dir.File("t.dbf"), MixedFields(), driver);
    {
      DBServer table(path, false, false);
      table.Append();
      table.FieldPut("NOTIZ", Value(text));
    }
    DBServer check(path, false, true);
    check.GoTop();
    const bool dbase3 = std::string(driver) == "DBFNTX";
    EXPECT_EQ(check.FieldGet("NOTIZ"), Value(dbase3 ? blanked : text));
  }
}

TEST(DbfEngineTest, RecordBytesAreTheFormatsText) {
  TempDir dir;
  std::string path = CreateTable(dir.File("t.dbf"), MixedFields());
  {
    DBServer table(path, false, false);
    table.Append();
    table.FieldPut("NAME", Value("Abc"));
    table.FieldPut("BETRAG", Value(12.5));
    table.FieldPut("DATUM", Value(Date::FromYmd(1999, 12, 31)));
    table.FieldPut("AKTIV", Value(false));
    table.FieldPut("NOTIZ", Value("memo"));
    table.FieldPut("ZAHL", Value(-0.0004));
  }
  std::string bytes = ReadFileBytes(path);
  const size_t header = 32 + 6 * 32 + 1;
  EXPECT_EQ(bytes.substr(header, 1 + 20 + 10 + 8 + 1 + 10 + 8),
            " Abc                      12.5019991231F         1   0.000");
  EXPECT_EQ(uint8_t(bytes.back()), 0x1A);
  EXPECT_EQ(bytes.size(), header + 58 + 1);
  EXPECT_EQ(uint8_t(bytes[4]), 1);  // the header counts the record
  std::string memo = ReadFileBytes(dir.File("t.dbt"));
  EXPECT_EQ(memo.substr(512, 6), "memo\x1A\x1A");
  EXPECT_EQ(uint8_t(memo[0]), 2);  // next free block
}

TEST(DbfEngineTest, AValueThatDoesNotFitRaisesAndWritesNothing) {
  TempDir dir;
  std::string path = CreateTable(dir.File("t.dbf"), MixedFields());
  DBServer table(path, false, false);
  table.Append();
  table.FieldPut("BETRAG", Value(5.0));
  try {
    table.FieldPut("BETRAG", Value(123456789.0));
    FAIL() << "no error";
  } catch (const ErrorException& e) {
    EXPECT_EQ(e.GetError().GenCode, gen::kDataWidth);
    EXPECT_EQ(e.GetError().SubSystem, "DBFNTX");
    EXPECT_TRUE(e.GetError().CanDefault);
    EXPECT_EQ(e.GetError().FileName, path);
  }
  EXPECT_EQ(table.FieldGet("BETRAG"), Value(5.0));
  EXPECT_THROW(table.FieldPut("AKTIV", Value("T")), ErrorException);   // wrong type
  EXPECT_THROW(table.FieldPut("NAME", Value(1.0)), ErrorException);
  EXPECT_THROW(table.FieldPut("KEINFELD", Value(1.0)), ErrorException);
  EXPECT_THROW(table.FieldGet(99), ErrorException);
  {
    ScopedErrorBlock quiet([](Error&) { return ErrorAction::Default; });
    EXPECT_FALSE(table.FieldPut("BETRAG", Value(1e12)));
    EXPECT_EQ(table.FieldGet("NOPE"), Value());
  }
  EXPECT_EQ(table.FieldGet("BETRAG"), Value(5.0));
}

TEST(DbfEngineTest, TextIsCutToTheFieldAndKeepsItsBlanks) {
  TempDir dir;
  std::string path = CreateTable(dir.File("t.dbf"), {{"K", 'C', 5, 0}, {"LANG", 'C', 300, 0}});
  DBServer table(path, false, false);
  EXPECT_EQ(table.DBStruct()[1].Length, 300u);  // Clipper's long character field
  table.Append();
  table.FieldPut("K", Value("abcdefgh"));
  table.FieldPut("LANG", Value(std::string(400, 'z')));
  EXPECT_EQ(table.FieldGet("K"), Value("abcde"));
  EXPECT_EQ(table.FieldGet("LANG"), Value(std::string(300, 'z')));
  table.FieldPut("K", Value("a "));
  EXPECT_EQ(table.FieldGet("k"), Value("a    "));
  table.FieldPut("K", Value());
  EXPECT_EQ(table.FieldGet("K"), Value("     "));
}

// Every field length up to past the short-copy limit against every text length around it:
// the text, cut to the field, then blanks, and the neighbouring fields untouched.
TEST(DbfEngineTest, TextOfEveryLengthFillsItsSlotExactly) {
  TempDir dir;
  for (uint32_t length = 1; length <= 40; ++length) {
    std::string path = CreateTable(dir.File("t" + std::to_string(length) + ".dbf"),
                                   {{"A", 'C', 1, 0}, {"T", 'C', length, 0}, {"Z", 'C', 1, 0}});
    DBServer table(path, false, false);
    for (uint32_t size = 0; size <= length + 3; ++size) {
      table.Append();
      table.FieldPut("A", Value("a"));
      table.FieldPut("Z", Value("z"));
      std::string text;
      for (uint32_t i = 0; i < size; ++i) text += char('0' + i % 10);
      table.FieldPut("T", Value(text));
    }
    table.Close();
    const std::string bytes = ReadFileBytes(path);
    const size_t recLen = 1 + 1 + length + 1, first = 32 + 3 * 32 + 1;
    for (uint32_t size = 0; size <= length + 3; ++size) {
      std::string expected = " a";
      for (uint32_t i = 0; i < length; ++i) expected += i < size ? char('0' + i % 10) : ' ';
      expected += "z";
      ASSERT_EQ(bytes.substr(first + size * recLen, recLen), expected) << length << " " << size;
    }
  }
}

TEST(DbfEngineTest, CursorMovesInPhysicalOrder) {
  TempDir dir;
  std::string path = CreateTable(dir.File("t.dbf"), {{"N", 'N', 8, 0}});
  DBServer table(path, false, false);
  table.GoTop();
  EXPECT_TRUE(table.Eof());
  EXPECT_TRUE(table.Bof());
  const uint32_t count = 30000;  // several pages of 9-byte records
  for (uint32_t i = 1; i <= count; ++i) {
    table.Append();
    table.FieldPut("N", Value(double(i)));
  }
  EXPECT_EQ(table.RecCount(), count);
  table.GoTo(17);
  EXPECT_EQ(table.FieldGet("N"), Value(17.0));
  table.GoTo(count);
  table.Skip(-1);
  EXPECT_EQ(table.FieldGet("N"), Value(double(count - 1)));
  table.Skip(-int32_t(count));
  EXPECT_TRUE(table.Bof());
  EXPECT_EQ(table.RecNo(), 1u);
  table.GoTo(count + 5);
  EXPECT_TRUE(table.Eof());
  EXPECT_EQ(table.RecNo(), count + 1);
  EXPECT_EQ(table.FieldGet("N"), Value(0.0));
  EXPECT_THROW(table.FieldPut("N", Value(1.0)), ErrorException);
  // Walk backwards across pages, changing every record.
  for (uint32_t i = count; i >= 1; --i) {
    table.GoTo(i);
    table.FieldPut("N", Value(double(i) * 2));
  }
  table.Close();
  DBServer again(path, false, true);
  uint32_t seen = 0;
  for (again.GoTop(); !again.Eof(); again.Skip()) {
    ++seen;
    ASSERT_EQ(again.FieldGet(1), Value(double(seen) * 2));
  }
  EXPECT_EQ(seen, count);
}

TEST(DbfEngineTest, ZapEmptiesTableAndMemo) {
  TempDir dir;
  std::string path = CreateTable(dir.File("t.dbf"), MixedFields(), "DBFCDX");
  {
    DBServer table(path, false, false);
    for (int i = 0; i < 3; ++i) {
      table.Append();
      table.FieldPut("NOTIZ", Value("text"));
    }
    table.Commit();
    EXPECT_TRUE(table.Zap());
    EXPECT_EQ(table.RecCount(), 0u);
    EXPECT_TRUE(table.Eof());
  }
  EXPECT_EQ(ReadFileBytes(path).size(), 32u + 6 * 32 + 1 + 1);
  EXPECT_EQ(ReadFileBytes(dir.File("t.fpt")).size(), 512u);
  DBServer shared(path, true, false);
  EXPECT_THROW(shared.Zap(), ErrorException);
}

TEST(DbfEngineTest, OemTablesAreConvertedBothWays) {
  TempDir dir;
  std::string path = CreateTable(dir.File("t.dbf"), {{"T", 'C', 6, 0}, {"M", 'M', 10, 0}});
  std::string bytes = ReadFileBytes(path);
  bytes[29] = 0x01;  // code page 437
  test::WriteFileBytes(path, bytes);
  {
    DBServer table(path, false, false);
    table.Append();
    table.FieldPut("T", Value("\xC4\xF6\xDF\x80"));  // Äöß€ in Windows-1252
    table.FieldPut("M", Value("\xFC"));               // ü
    EXPECT_EQ(table.FieldGet("T"), Value("\xC4\xF6\xDF" "EUR"));  // 437 has no euro sign
  }
  bytes = ReadFileBytes(path);
  EXPECT_EQ(bytes.substr(32 + 64 + 1 + 1, 6), "\x8E\x94\xE1" "EUR");
  EXPECT_EQ(ReadFileBytes(dir.File("t.dbt")).substr(512, 1), "\x81");
  DBServer table(path, true, true);
  table.GoTop();
  EXPECT_EQ(table.FieldGet("M"), Value("\xFC"));
}

TEST(DbfEngineTest, OtherFieldTypesAreKeptByteForByte) {
  TempDir dir;
  std::string path = CreateTable(dir.File("t.dbf"), {{"A", 'C', 2, 0}, {"B", 'C', 4, 0}});
  std::string bytes = ReadFileBytes(path);
  bytes[64 + 11] = 'Y';  // B becomes a currency-like field the engine does not know
  bytes.pop_back();
  bytes += " xx\x01\x02\x03\x04\x1A";
  bytes[4] = 1;
  test::WriteFileBytes(path, bytes);
  {
    DBServer table(path, false, false);
    table.GoTop();
    EXPECT_EQ(table.FieldGet("B"), Value());
    EXPECT_THROW(table.FieldPut("B", Value("zz")), ErrorException);
    table.FieldPut("A", Value("yy"));
    table.Append();
  }
  std::string after = ReadFileBytes(path);
  EXPECT_EQ(after.substr(bytes.size() - 8, 7), " yy\x01\x02\x03\x04");
  EXPECT_EQ(after.substr(bytes.size() - 1, 7), "       ");  // the new record is blank
}

// A source that writes the running number, as the fill run's sources do.
class CountingSource : public ColumnSource {
public:
  explicit CountingSource(int kind) : kind_(kind) {}
  void Produce(FieldWriter& out) override {
    ++n_;
    switch (kind_) {
      case 0: out.PutText("Satz " + std::to_string(n_)); break;
      case 1: out.PutNumber(n_ / 4.0); break;
      case 2: out.PutLogic(n_ % 2 == 0); break;
      case 3: out.PutDate(Date::FromYmd(2000, 1, 1).AddDays(n_)); break;
      case 4: out.PutText(n_ % 3 == 0 ? std::string() : "Memo " + std::to_string(n_)); break;
    }
  }
  int n_ = 0;

private:
  int kind_;
};

TEST(DbfEngineTest, AppendRecordsWritesTheSourcesValuesAfterExistingRecords) {
  for (const char* driver : kDrivers) {
    SCOPED_TRACE(driver);
    TempDir dir;
    std::string path = CreateTable(dir.File("t.dbf"), MixedFields(), driver);
    DBServer table(path, false, false);
    table.Append();
    table.FieldPut("NAME", Value("alt"));
    table.FieldPut("NOTIZ", Value("alte Notiz"));
    table.Commit();
    std::string before = ReadFileBytes(path).substr(0, 32 + 6 * 32 + 1 + 58);

    CountingSource name(0), betrag(1), aktiv(2), datum(3), notiz(4);
    const uint32_t count = 40000;  // more than one buffer of 58-byte records
    ColumnPlan plans[] = {{1, count, &name}, {2, 10, &betrag}, {4, count, &aktiv},
                          {3, count, &datum}, {5, 1000, &notiz}};
    ASSERT_TRUE(table.AppendRecords(count, plans));
    EXPECT_EQ(table.RecCount(), count + 1);
    EXPECT_EQ(betrag.n_, 10);
    EXPECT_EQ(notiz.n_, 1000);
    table.Close();

    std::string after = ReadFileBytes(path);
    EXPECT_EQ(after.substr(32 + 6 * 32 + 1, 58), before.substr(32 + 6 * 32 + 1, 58));
    EXPECT_EQ(after.size(), 32u + 6 * 32 + 1 + 58 * (count + 1) + 1);
    DBServer check(path, false, true);
    EXPECT_EQ(check.RecCount(), count + 1);
    check.GoTop();
    EXPECT_EQ(check.FieldGet("NOTIZ"), Value("alte Notiz"));
    check.GoTo(2);
    EXPECT_EQ(check.FieldGet("NAME"), Value("Satz 1" + std::string(14, ' ')));
    EXPECT_EQ(check.FieldGet("BETRAG"), Value(0.25));
    EXPECT_EQ(check.FieldGet("AKTIV"), Value(false));
    EXPECT_EQ(check.FieldGet("DATUM"), Value(Date::FromYmd(2000, 1, 2)));
    EXPECT_EQ(check.FieldGet("NOTIZ"), Value("Memo 1"));
    check.GoTo(4);
    EXPECT_EQ(check.FieldGet("NOTIZ"), Value(""));
    check.GoTo(1001);
    EXPECT_EQ(check.FieldGet("NOTIZ"), Value("Memo 1000"));
    check.GoTo(12);
    EXPECT_EQ(check.FieldGet("BETRAG"), Value(0.0));  // beyond the plan's count: blank
    check.GoTo(count + 1);
    EXPECT_EQ(check.FieldGet("NAME"), Value("Satz " + std::to_string(count) + std::string(10, ' ')));
    EXPECT_EQ(check.FieldGet("NOTIZ"), Value(""));
  }
}

// Records where every field gets a value are not blanked first: the buffer's earlier records
// must not show through where a field's plan ends, in any field or in the deletion flag.
TEST(DbfEngineTest, AppendRecordsBlanksWhatNoPlanReachesAcrossBuffers) {
  TempDir dir;
  std::string path =
      CreateTable(dir.File("t.dbf"), {{"A", 'C', 5, 0}, {"N", 'N', 10, 2}, {"L", 'L', 1, 0}});
  const uint32_t perBuffer = uint32_t(DbfTable::kBufferBytes / 17);
  const uint32_t count = 3 * perBuffer;
  CountingSource text(0), number(1), logic(2);
  ColumnPlan plans[] = {{1, count, &text}, {2, perBuffer + perBuffer / 2, &number},
                        {3, count - 7, &logic}};
  {
    DBServer table(path, false, false);
    ASSERT_TRUE(table.AppendRecords(count, plans));
  }
  const std::string bytes = ReadFileBytes(path);
  const size_t first = 32 + 3 * 32 + 1;
  ASSERT_EQ(bytes.size(), first + size_t(count) * 17 + 1);
  for (uint32_t r = 0; r < count; ++r) {
    const char* record = bytes.data() + first + size_t(r) * 17;
    ASSERT_EQ(record[0], ' ') << r;
    if (r >= perBuffer + perBuffer / 2) {
      ASSERT_EQ(std::string(record + 6, 10), std::string(10, ' ')) << r;
    }
    if (r >= count - 7) {
      ASSERT_EQ(record[16], ' ') << r;
    } else {
      ASSERT_NE(record[16], ' ') << r;
    }
  }
}

TEST(DbfEngineTest, AppendRecordsStopsWhenAskedAndCountsWhatItWrote) {
  TempDir dir;
  std::string path = CreateTable(dir.File("t.dbf"), {{"N", 'N', 10, 0}});
  DBServer table(path, false, false);
  // A source that asks to stop after the first buffer's records are made.
  struct Stopper : ColumnSource {
    std::atomic<bool>* flag;
    uint32_t n = 0;
    void Produce(FieldWriter& out) override {
      out.PutNumber(++n);
      if (n == 10) flag->store(false);
    }
  } stopper;
  std::atomic<bool> keepGoing{true};
  stopper.flag = &keepGoing;
  ColumnPlan plan{1, 1000000, &stopper};
  ASSERT_TRUE(table.AppendRecords(1000000, std::span(&plan, 1), &keepGoing));
  const uint32_t perBuffer = uint32_t(DbfTable::kBufferBytes / 11);
  EXPECT_EQ(table.RecCount(), perBuffer);
  table.Close();
  DBServer check(path, false, true);
  EXPECT_EQ(check.RecCount(), perBuffer);
  EXPECT_EQ(ReadFileBytes(path).size(), 32u + 32 + 1 + 11 * perBuffer + 1);
}

TEST(DbfEngineTest, AppendRecordsWithAValueThatDoesNotFitLeavesTheTableAsItWas) {
  TempDir dir;
  std::string path = CreateTable(dir.File("t.dbf"), MixedFields());
  {
    DBServer table(path, false, false);
    table.Append();
    table.FieldPut("NOTIZ", Value("vorher"));
  }
  std::string dbf = ReadFileBytes(path), dbt = ReadFileBytes(dir.File("t.dbt"));
  struct Growing : ColumnSource {
    double v = 1;
    void Produce(FieldWriter& out) override {
      out.PutNumber(v);
      v *= 10;
    }
  } growing;
  CountingSource memo(4);
  ColumnPlan plans[] = {{5, 100, &memo}, {2, 100, &growing}};
  DBServer table(path, false, false);
  EXPECT_THROW(table.AppendRecords(100, plans), ErrorException);
  EXPECT_EQ(table.RecCount(), 1u);
  {
    ScopedErrorBlock quiet([](Error&) { return ErrorAction::Default; });
    EXPECT_FALSE(table.AppendRecords(100, plans));
  }
  table.Close();
  EXPECT_EQ(ReadFileBytes(path).substr(8), dbf.substr(8));  // all but the update date
  EXPECT_EQ(ReadFileBytes(dir.File("t.dbt")), dbt);
}

TEST(DbfEngineTest, RetryRepeatsTheOperation) {
  TempDir dir;
  std::string path = CreateTable(dir.File("t.dbf"), {{"N", 'N', 3, 0}});
  int calls = 0;
  ScopedErrorBlock retryOnce([&](Error& e) {
    ++calls;
    return e.Tries < 2 ? ErrorAction::Retry : ErrorAction::Default;
  });
  DBServer missing(dir.File("fehlt.dbf"), false, false);
  EXPECT_FALSE(missing.Used());
  EXPECT_EQ(calls, 1);  // a missing file cannot be retried
}

}  // namespace
}  // namespace fw
