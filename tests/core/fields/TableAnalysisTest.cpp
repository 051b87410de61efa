#include "core/fields/TableAnalysis.h"

#include <gtest/gtest.h>

#include "core/generate/Preview.h"
#include "core/generate/Random.h"
#include "core/platform/Error.h"
#include "support/DbfTestTables.h"
#include "support/TempDir.h"

namespace fw {
namespace {

class TableAnalysisTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(DefinitionTables::CreateEmpty(dir_.Folder()));
    context_.DataFolder = dir_.Folder();
    context_.Driver = "DBFNTX";
    tables_ = std::make_unique<DefinitionTables>(context_);
    tables_->DB_Zap();
  }
  AnalysisResult Analyse(const std::string& path) { return fw::Analyse(path, *tables_, context_); }

  uint32_t Rows(FieldKind kind) { return tables_->Table(kind).RecCount(); }

  test::TempDir dir_;
  RunContext context_;
  std::unique_ptr<DefinitionTables> tables_;
};

TEST_F(TableAnalysisTest, OneRowPerFillableFieldAndNoneForOthers) {
  std::string path = test::CreateTable(dir_.File("ziel.dbf"),
                                       {{"NAME", 'C', 20, 0}, {"BETRAG", 'N', 10, 2},
                                        {"DATUM", 'D', 8, 0}, {"AKTIV", 'L', 1, 0},
                                        {"NOTIZ", 'M', 10, 0}, {"KURS", 'F', 8, 3},
                                        {"ORT", 'C', 10, 0}},
                                       "DBFCDX");
  {
    DBServer table(path, false, false);
    table.Append();
    table.Append();
  }
  AnalysisResult result = Analyse(path);
  ASSERT_TRUE(result.Ok);
  EXPECT_TRUE(result.Message.empty());
  EXPECT_EQ(result.Driver, "DBFCDX");
  EXPECT_EQ(result.RecordCount, 2u);
  EXPECT_FALSE(result.HasStaleIndexRisk);
  ASSERT_TRUE(result.Table && result.Table->Used());
  EXPECT_EQ(Rows(FieldKind::Character), 2u);
  EXPECT_EQ(Rows(FieldKind::Numeric), 1u);  // the F field gets no row
  EXPECT_EQ(Rows(FieldKind::Date), 1u);
  EXPECT_EQ(Rows(FieldKind::Logic), 1u);
  EXPECT_EQ(Rows(FieldKind::Memo), 1u);
  DBServer& c = tables_->Table(FieldKind::Character);
  EXPECT_EQ(c.RecNo(), 1u);  // back on the first row
  EXPECT_EQ(c.FieldGet("FELDNAMEN"), Value("NAME      "));
  c.Skip();
  EXPECT_EQ(c.FieldGet("FELDNAMEN"), Value("ORT       "));
  // The target is held exclusively.
  EXPECT_THROW(DBServer(path, true, true), ErrorException);
}

TEST_F(TableAnalysisTest, ACharacterColumnOfLengthZeroGetsNoRowAndThePreviewWorks) {
  // As US Census exports keep an empty column: C with length 0, the record length the exact
  // sum of the fields.
  const std::string path = dir_.File("tiger.dbf");
  test::WriteFileBytes(path, test::RawTable(0x03, {{"NAME", 'C', 8, 0}, {"LEER", 'C', 0, 0},
                                                   {"ALAND", 'N', 6, 0}}));
  AnalysisResult result = Analyse(path);
  ASSERT_TRUE(result.Ok) << result.Message;
  EXPECT_EQ(Rows(FieldKind::Character), 1u);
  EXPECT_EQ(Rows(FieldKind::Numeric), 1u);
  RandomStream random;
  random.Seed(7);
  context_.Random = &random;
  const PreviewRecords preview = MakePreview(*result.Table, *tables_, context_, 3);
  EXPECT_TRUE(preview.Ok) << preview.Error;
  ASSERT_EQ(preview.Rows.size(), 3u);
  EXPECT_EQ(preview.Rows[0].size(), 3u);
}

TEST_F(TableAnalysisTest, ATableWithoutItsMemoFileIsFilledWithoutMemos) {
  // A table copied without its memo file, as dbfread's no_memofile.dbf: GDAL and LibreOffice
  // read it. Its memo fields get no rows, read empty, and no memo file is made.
  const std::string path = dir_.File("ohne.dbf");
  test::WriteFileBytes(path, test::RawTable(0x83, {{"NAME", 'C', 8, 0}, {"NOTIZ", 'M', 10, 0}}));
  AnalysisResult result = Analyse(path);
  ASSERT_TRUE(result.Ok) << result.Message;
  EXPECT_TRUE(result.MemoFileMissing);
  EXPECT_EQ(Rows(FieldKind::Character), 1u);
  EXPECT_EQ(Rows(FieldKind::Memo), 0u);
  RandomStream random;
  random.Seed(7);
  context_.Random = &random;
  const PreviewRecords preview = MakePreview(*result.Table, *tables_, context_, 2);
  EXPECT_TRUE(preview.Ok) << preview.Error;
  DBServer& table = *result.Table;
  ASSERT_TRUE(table.Append());
  EXPECT_TRUE(table.FieldPut("NAME", Value("Meier")));
  EXPECT_EQ(table.FieldGet("NOTIZ").AsText(), "");
  {
    ScopedErrorBlock quiet([](Error&) { return ErrorAction::Default; });
    EXPECT_FALSE(table.FieldPut("NOTIZ", Value("Text")));
  }
  result.Table.reset();
  EXPECT_FALSE(test::FileExists(dir_.File("ohne.dbt")));
  EXPECT_EQ(test::ReadFileBytes(path).size(), 32u + 2 * 32 + 1 + 19 + 1);
}

TEST_F(TableAnalysisTest, NoDbfFileGivesTheThreeLineMessage) {
  test::WriteFileBytes(dir_.File("text.DBF"), "Das ist keine Tabelle");
  AnalysisResult result = Analyse(dir_.File("text.DBF"));
  EXPECT_FALSE(result.Ok);
  EXPECT_EQ(result.Message,
            "Bei der Analyse des angegebenen Files ist ein Fehler aufgetreten.\r\n"
            "Ev. ist es kein DBase File, es ist korrupt., oder\r\n"
            "es konnte aus anderen Gr\xC3\xBCnden nicht ge\xC3\xB6""ffnet werden");
  EXPECT_TRUE(result.Driver.empty());
  EXPECT_FALSE(result.Table);
  EXPECT_FALSE(Analyse(dir_.File("fehlt.dbf")).Ok);
  EXPECT_FALSE(Analyse("").Ok);
  test::WriteFileBytes(dir_.File("leer.dbf"), "");
  EXPECT_FALSE(Analyse(dir_.File("leer.dbf")).Ok);
}

TEST_F(TableAnalysisTest, ADamagedOrLockedTableReachesTheErrorBlock) {
  std::string path = test::CreateTable(dir_.File("ziel.dbf"), {{"A", 'C', 5, 0}});
  {
    DBServer holder(path, false, false);
    EXPECT_THROW(Analyse(path), ErrorException);
    ScopedErrorBlock quiet([](Error&) { return ErrorAction::Default; });
    AnalysisResult result = Analyse(path);
    EXPECT_FALSE(result.Ok);
    EXPECT_FALSE(result.Message.empty());
  }
  std::string bytes = test::ReadFileBytes(path);
  bytes[32 + 16] = 0;  // field length 0
  test::WriteFileBytes(path, bytes);
  EXPECT_THROW(Analyse(path), ErrorException);
  EXPECT_EQ(Rows(FieldKind::Character), 0u);
}

TEST_F(TableAnalysisTest, IndexFilesAndTheProductionIndexFlagAreReported) {
  std::string path = test::CreateTable(dir_.File("kunden.dbf"), {{"A", 'C', 5, 0}}, "DBFNTX");
  test::WriteFileBytes(dir_.File("KUNDEN.CDX"), "x");
  test::WriteFileBytes(dir_.File("andere.ntx"), "x");
  AnalysisResult result = Analyse(path);
  ASSERT_TRUE(result.Ok);
  EXPECT_TRUE(result.HasStaleIndexRisk);
  ASSERT_EQ(result.IndexFiles.size(), 1u);
  EXPECT_EQ(result.IndexFiles[0], dir_.File("KUNDEN.CDX"));
  result.Table.reset();

  std::string flagged = test::CreateTable(dir_.File("mdx.dbf"), {{"A", 'C', 5, 0}});
  std::string bytes = test::ReadFileBytes(flagged);
  bytes[28] = 1;
  test::WriteFileBytes(flagged, bytes);
  result = Analyse(flagged);
  ASSERT_TRUE(result.Ok);
  EXPECT_TRUE(result.HasStaleIndexRisk);
  EXPECT_TRUE(result.IndexFiles.empty());
}

TEST_F(TableAnalysisTest, AnEmptyTableCountsZero) {
  std::string path = test::CreateTable(dir_.File("leer.dbf"), {{"D", 'D', 8, 0}}, "DBFMDX");
  AnalysisResult result = Analyse(path);
  ASSERT_TRUE(result.Ok);
  EXPECT_EQ(result.RecordCount, 0u);
  EXPECT_EQ(result.Driver, "DBFNTX");  // no memo: written as a plain dBase III table
  EXPECT_EQ(Rows(FieldKind::Date), 1u);
}

TEST_F(TableAnalysisTest, VisualFoxProTablesGiveRowsForTheirFieldsAndCountOnlyIntegersOn) {
  const std::string path = dir_.File("fox.dbf");
  test::WriteFileBytes(path, test::VisualFoxProTable());
  test::WriteFileBytes(dir_.File("fox.fpt"), test::EmptyFpt());
  AnalysisResult result = Analyse(path);
  ASSERT_TRUE(result.Ok) << result.Message;
  EXPECT_EQ(result.Driver, "DBFCDX");
  EXPECT_EQ(Rows(FieldKind::Character), 2u);  // NAME and the varchar NOTE
  EXPECT_EQ(Rows(FieldKind::Numeric), 2u);    // the integer ZAHL and the currency PREIS
  EXPECT_EQ(Rows(FieldKind::Date), 1u);       // the date-time ZEIT
  EXPECT_EQ(Rows(FieldKind::Memo), 1u);       // MEMO, a 4-byte block number into the .fpt
  result.Table.reset();

  // Byte 28 of a Visual FoxPro table: 02h says it has a memo file, not an index.
  tables_->DB_Zap();
  std::string memoFlag = test::VisualFoxProTable();
  memoFlag[28] = 0x02;
  test::WriteFileBytes(path, memoFlag);
  result = Analyse(path);
  ASSERT_TRUE(result.Ok) << result.Message;
  EXPECT_FALSE(result.HasStaleIndexRisk);
  result.Table.reset();

  // An autoincrement integer is counted on by the table, and gets no row.
  tables_->DB_Zap();
  test::WriteFileBytes(path, test::VisualFoxProTable(0x0C));
  result = Analyse(path);
  ASSERT_TRUE(result.Ok) << result.Message;
  EXPECT_EQ(Rows(FieldKind::Numeric), 1u);  // PREIS alone
  result.Table.reset();

  // Autoincrement on another type has no counter the program keeps: refused, by name.
  tables_->DB_Zap();
  std::string counted = test::VisualFoxProTable();
  counted[32 + 32 * 3 + 18] = 0x0C;  // PREIS, a currency
  test::WriteFileBytes(path, counted);
  result = Analyse(path);
  EXPECT_FALSE(result.Ok);
  EXPECT_NE(result.Message.find("Autoinkrement"), std::string::npos) << result.Message;
  result.Table.reset();
  EXPECT_EQ(test::ReadFileBytes(path), counted);
}

TEST_F(TableAnalysisTest, Dbase7TablesGiveRowsByKindAndFoxBaseMemosAreRefusedByName) {
  const std::string path = dir_.File("d7.dbf");
  test::WriteFileBytes(path, test::Dbase7Table(0x8C, {{"NR", '+', 4, 0},
                                                      {"ANZAHL", 'I', 4, 0},
                                                      {"GEWICHT", 'O', 8, 0},
                                                      {"ZEITSTEMPEL", '@', 8, 0},
                                                      {"NOTIZ", 'M', 10, 0},
                                                      {"BILD", 'B', 10, 0}}));
  test::WriteFileBytes(dir_.File("d7.dbt"), test::EmptyDbt4());
  AnalysisResult result = Analyse(path);
  ASSERT_TRUE(result.Ok) << result.Message;
  EXPECT_EQ(result.Driver, "DBFMDX");
  EXPECT_EQ(Rows(FieldKind::Numeric), 2u);  // ANZAHL, GEWICHT; the table counts NR on
  EXPECT_EQ(Rows(FieldKind::Date), 1u);     // the time stamp
  EXPECT_EQ(Rows(FieldKind::Memo), 1u);     // NOTIZ; the binary memo BILD stays empty
  result.Table.reset();

  // FoxBASE's byte names no memo file: a table with memo fields is refused for that, before
  // it is opened, and not as damaged.
  tables_->DB_Zap();
  const std::string fox = dir_.File("fox.dbf");
  const std::string bytes = test::RawTable(0xFB, {{"NAME", 'C', 8, 0}, {"NOTIZ", 'M', 10, 0}});
  test::WriteFileBytes(fox, bytes);
  result = Analyse(fox);
  EXPECT_FALSE(result.Ok);
  EXPECT_EQ(result.Message,
            "Die Tabelle hat Memofelder, aber ihr Format (Versionsbyte 0xFB, FoxBASE) sagt "
            "nicht, welches Memo-File dazu geh\xC3\xB6rt.\r\nSolche Tabellen k\xC3\xB6nnen nicht "
            "gef\xC3\xBCllt werden.");
  EXPECT_EQ(test::ReadFileBytes(fox), bytes);
}

}  // namespace
}  // namespace fw
