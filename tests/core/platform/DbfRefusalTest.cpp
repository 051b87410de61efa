#include <gtest/gtest.h>

#include <functional>

#include "core/platform/DBServer.h"
#include "core/platform/Error.h"
#include "support/DbfTestTables.h"
#include "support/TempDir.h"

namespace fw {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

void Put16(std::string& b, size_t at, unsigned v) {
  b[at] = char(v & 0xFF);
  b[at + 1] = char(v >> 8);
}

// A valid table with two records and a memo: NAME C(10), N N(5,1), D D, L L, M M.
struct Sample {
  TempDir dir;
  std::string path = dir.File("t.dbf");
  std::string memoPath = dir.File("t.dbt");
  Sample() {
    test::CreateTable(path, {{"NAME", 'C', 10, 0}, {"N", 'N', 5, 1}, {"D", 'D', 8, 0},
                             {"L", 'L', 1, 0}, {"M", 'M', 10, 0}});
    DBServer table(path, false, false);
    for (int i = 0; i < 2; ++i) {
      table.Append();
      table.FieldPut("NAME", Value("x"));
      table.FieldPut("M", Value("memo"));
    }
  }
};

// Opens the damaged table, expects a refusal with the generic code, and that neither file
// changed.
void ExpectRefused(Sample& s, const std::function<void(std::string& dbf, std::string& memo)>& damage,
                   uint32_t genCode, const char* what) {
  SCOPED_TRACE(what);
  std::string dbf = ReadFileBytes(s.path), memo = ReadFileBytes(s.memoPath);
  damage(dbf, memo);
  WriteFileBytes(s.path, dbf);
  if (!memo.empty()) WriteFileBytes(s.memoPath, memo);
  try {
    DBServer table(s.path, false, false);
    FAIL() << "opened";
  } catch (const ErrorException& e) {
    EXPECT_EQ(e.GetError().GenCode, genCode) << e.what();
    EXPECT_FALSE(e.GetError().Description.empty());
  }
  {
    ScopedErrorBlock quiet([](Error&) { return ErrorAction::Default; });
    DBServer table(s.path, false, false);
    EXPECT_FALSE(table.Used());
    EXPECT_FALSE(table.Append());
    EXPECT_EQ(table.RecCount(), 0u);
  }
  EXPECT_EQ(ReadFileBytes(s.path), dbf);
  if (!memo.empty()) {
    EXPECT_EQ(ReadFileBytes(s.memoPath), memo);
  }
}

TEST(DbfRefusalTest, DamagedHeadersAreRefusedWithoutAWrite) {
  const struct {
    const char* what;
    std::function<void(std::string&, std::string&)> damage;
    uint32_t code;
  } cases[] = {
      {"header length beyond the fields", [](std::string& b, std::string&) { Put16(b, 8, 40); },
       gen::kCorruption},
      {"header length beyond the file",
       [](std::string& b, std::string&) { Put16(b, 8, 60000); }, gen::kCorruption},
      {"record length shorter than the fields",
       [](std::string& b, std::string&) { Put16(b, 10, 20); }, gen::kCorruption},
      {"no field terminator", [](std::string& b, std::string&) { b[32 + 5 * 32] = 'X'; },
       gen::kCorruption},
      {"zero fields", [](std::string& b, std::string&) { b[32] = 0x0D; }, gen::kCorruption},
      {"field length 0", [](std::string& b, std::string&) { b[32 + 16] = 0; b[32 + 17] = 0; },
       gen::kCorruption},
      {"empty field name", [](std::string& b, std::string&) { b[32] = 0; }, gen::kCorruption},
      {"numeric wider than the record", [](std::string& b, std::string&) { b[64 + 16] = 21; },
       gen::kCorruption},
      {"more decimals than fit", [](std::string& b, std::string&) { b[64 + 17] = 4; },
       gen::kCorruption},
      {"date not 8 long", [](std::string& b, std::string&) { b[96 + 16] = 6; }, gen::kCorruption},
      {"logical not 1 long", [](std::string& b, std::string&) { b[128 + 16] = 2; },
       gen::kCorruption},
      {"memo not 10 long", [](std::string& b, std::string&) { b[160 + 16] = 6; },
       gen::kCorruption},
      {"record count beyond the file size", [](std::string& b, std::string&) { b[4] = 3; },
       gen::kCorruption},
      {"huge record count", [](std::string& b, std::string&) { b[7] = char(0xFF); },
       gen::kCorruption},
      {"truncated records", [](std::string& b, std::string&) { b.resize(b.size() - 10); },
       gen::kCorruption},
      {"truncated header", [](std::string& b, std::string&) { b.resize(40); }, gen::kCorruption},
      {"shorter than a header", [](std::string& b, std::string&) { b.resize(20); },
       gen::kCorruption},
      {"unknown version byte", [](std::string& b, std::string&) { b[0] = 0x99; },
       gen::kCorruption},
      {"encrypted", [](std::string& b, std::string&) { b[15] = 1; }, gen::kUnsupported},
      {"memo file truncated", [](std::string&, std::string& m) { m.resize(100); },
       gen::kCorruption},
  };
  for (const auto& c : cases) {
    Sample s;
    ExpectRefused(s, c.damage, c.code, c.what);
  }
}

TEST(DbfRefusalTest, MissingMemoFileAndBlockSizeZeroAreRefused) {
  {
    Sample s;
    std::remove(s.memoPath.c_str());
    try {
      DBServer table(s.path, false, false);
      FAIL();
    } catch (const ErrorException& e) {
      EXPECT_EQ(e.GetError().GenCode, gen::kOpen);
      EXPECT_EQ(e.GetError().OsCode, 2u);
    }
    EXPECT_FALSE(test::FileExists(s.memoPath));
  }
  for (const char* driver : {"DBFMDX", "DBFCDX"}) {
    TempDir dir;
    std::string path = test::CreateTable(dir.File("t.dbf"), {{"M", 'M', 10, 0}}, driver);
    std::string memoPath = dir.File(std::string(driver) == "DBFCDX" ? "t.fpt" : "t.dbt");
    std::string memo = ReadFileBytes(memoPath);
    if (std::string(driver) == "DBFCDX") {
      memo[6] = memo[7] = 0;
    } else {
      memo[20] = memo[21] = 0;
    }
    WriteFileBytes(memoPath, memo);
    std::string dbf = ReadFileBytes(path);
    EXPECT_THROW(DBServer(path, false, false), ErrorException) << driver;
    EXPECT_EQ(ReadFileBytes(path), dbf);
    EXPECT_EQ(ReadFileBytes(memoPath), memo);
  }
}

TEST(DbfRefusalTest, BadMemoReferencesRaiseOnReadAndChangeNothing) {
  Sample s;
  std::string dbf = ReadFileBytes(s.path);
  const size_t memoSlot = 32 + 5 * 32 + 1 + 1 + 10 + 5 + 8 + 1;
  dbf.replace(memoSlot, 10, "     99999");                       // record 1: beyond the file
  dbf.replace(memoSlot + 35, 10, "   12x    ");                   // record 2: no number
  WriteFileBytes(s.path, dbf);
  std::string memo = ReadFileBytes(s.memoPath);
  {
    DBServer table(s.path, false, false);
    table.GoTop();
    EXPECT_THROW(table.FieldGet("M"), ErrorException);
    table.Skip();
    EXPECT_THROW(table.FieldGet("M"), ErrorException);
    ScopedErrorBlock quiet([](Error&) { return ErrorAction::Default; });
    EXPECT_EQ(table.FieldGet("M"), Value());
  }
  EXPECT_EQ(ReadFileBytes(s.path), dbf);
  EXPECT_EQ(ReadFileBytes(s.memoPath), memo);

  // A dBase IV block whose length runs past the end of the file.
  TempDir dir;
  std::string path = test::CreateTable(dir.File("v.dbf"), {{"M", 'M', 10, 0}}, "DBFMDX");
  {
    DBServer table(path, false, false);
    table.Append();
    table.FieldPut("M", Value("abc"));
  }
  std::string dbt = ReadFileBytes(dir.File("v.dbt"));
  dbt[512 + 6] = 0x7F;  // length about 8 MB
  WriteFileBytes(dir.File("v.dbt"), dbt);
  DBServer table(path, false, true);
  table.GoTop();
  EXPECT_THROW(table.FieldGet("M"), ErrorException);
}

TEST(DbfRefusalTest, InvalidStructuresAreNotCreated) {
  TempDir dir;
  const std::vector<std::vector<FieldInfo>> bad = {
      {},
      {{"", 'C', 5, 0}},
      {{"ZU_LANGER_NAME", 'C', 5, 0}},
      {{"A", 'C', 0, 0}},
      {{"A", 'N', 21, 0}},
      {{"A", 'N', 5, 4}},
      {{"A", 'D', 7, 0}},
      {{"A", 'L', 2, 0}},
      {{"A", 'C', 5, 0}, {"a", 'C', 5, 0}},
  };
  for (const auto& fields : bad) {
    EXPECT_THROW(DBServer::Create(dir.File("x.dbf"), fields, "DBFNTX"), ErrorException);
    EXPECT_FALSE(test::FileExists(dir.File("x.dbf")));
  }
  EXPECT_THROW(DBServer::Create(dir.File("x.dbf"), {{"A", 'C', 5, 0}}, "DBFXYZ"), ErrorException);
  test::CreateTable(dir.File("y.dbf"), {{"A", 'C', 5, 0}});
  std::string before = ReadFileBytes(dir.File("y.dbf"));
  EXPECT_THROW(DBServer::Create(dir.File("y.dbf"), {{"B", 'C', 9, 0}}, "DBFNTX"), ErrorException);
  EXPECT_EQ(ReadFileBytes(dir.File("y.dbf")), before);
}

}  // namespace
}  // namespace fw
