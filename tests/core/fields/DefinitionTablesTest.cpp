#include "core/fields/DefinitionTables.h"

#include <gtest/gtest.h>

#include "core/platform/Error.h"
#include "support/TempDir.h"

namespace fw {
namespace {

// Writes the five empty definition tables into the folder, as the build does.
RunContext InFolder(const test::TempDir& dir) {
  RunContext context;
  context.DataFolder = dir.Folder();
  return context;
}

void MakeDefinitionTables(const test::TempDir& dir) {
  ASSERT_TRUE(DefinitionTables::CreateEmpty(dir.Folder()));
}

std::vector<std::string> ColumnNames(FieldKind kind) {
  std::vector<std::string> names;
  for (const FieldInfo& f : DefinitionTables::Structure(kind)) names.push_back(f.Name);
  return names;
}

TEST(DefinitionTablesTest, ColumnsAreInTheirFixedOrder) {
  using V = std::vector<std::string>;
  EXPECT_EQ(ColumnNames(FieldKind::Character),
            (V{"FELDNAMEN", "LAENGE", "MAXLENGTH", "FIXLENGTH", "QUELLE"}));
  EXPECT_EQ(ColumnNames(FieldKind::Numeric),
            (V{"FELDNAMEN", "LAENGE", "DEZIMALEN", "MINIMUM", "MAXIMUM", "NEGATIV", "PERCENTNEG"}));
  EXPECT_EQ(ColumnNames(FieldKind::Logic), (V{"FELDNAMEN", "PERCENTTRU"}));
  EXPECT_EQ(ColumnNames(FieldKind::Date), (V{"FELDNAMEN", "STARTDATE", "ENDDATE"}));
  EXPECT_EQ(ColumnNames(FieldKind::Memo), (V{"FELDNAMEN", "MINWORDS", "MAXWORDS", "QUELLE"}));
  // Widths hold what the rows must hold.
  auto numeric = DefinitionTables::Structure(FieldKind::Numeric);
  EXPECT_EQ(numeric[5].Type, 'L');
  EXPECT_GE(numeric[3].Decimals, 2u);
  EXPECT_GE(DefinitionTables::Structure(FieldKind::Character)[1].Length, 5u);  // up to 65534
  EXPECT_GE(DefinitionTables::Structure(FieldKind::Character)[0].Length, 10u);
}

TEST(DefinitionTablesTest, TheBuildDeliversTheEmptyTables) {
  for (FieldKind kind : kFieldKinds) {
    std::string path = std::string(FW_BIN_DIR) + "/ProgrammDaten/" + DefinitionTables::FileName(kind);
    if (!test::FileExists(path)) GTEST_SKIP() << "not staged: " << path;
    DBServer table(path, true, true);
    ASSERT_TRUE(table.Used()) << path;
    ASSERT_EQ(table.DBStruct().size(), DefinitionTables::Structure(kind).size());
    for (size_t i = 0; i < table.DBStruct().size(); ++i) {
      EXPECT_EQ(table.DBStruct()[i].Name, DefinitionTables::Structure(kind)[i].Name);
      EXPECT_EQ(table.DBStruct()[i].Length, DefinitionTables::Structure(kind)[i].Length);
    }
  }
}

TEST(DefinitionTablesTest, AppendWritesTheFieldAndLeavesTheRuleBlank) {
  test::TempDir dir;
  MakeDefinitionTables(dir);
  DefinitionTables tables(InFolder(dir));
  tables.DB_Zap();
  const std::vector<FieldInfo> structure = {{"NAME", 'C', 25, 0},  {"BETRAG", 'N', 8, 2},
                                            {"DATUM", 'D', 8, 0},  {"AKTIV", 'L', 1, 0},
                                            {"NOTIZ", 'M', 10, 0}};
  tables.AppendCharacter(structure, 1);
  tables.AppendNumeric(structure, 2);
  tables.AppendDate(structure, 3);
  tables.AppendLogic(structure, 4);
  tables.AppendMemo(structure, 5);
  tables.AppendMemo(structure, 9);  // no such field: no row
  tables.GoTopAll();

  DBServer& c = tables.Table(FieldKind::Character);
  EXPECT_EQ(c.RecCount(), 1u);
  EXPECT_EQ(c.FieldGet("FELDNAMEN"), Value("NAME      "));
  EXPECT_EQ(c.FieldGet("LAENGE"), Value(25.0));
  EXPECT_EQ(c.FieldGet("MAXLENGTH"), Value(0.0));
  EXPECT_EQ(c.FieldGet("FIXLENGTH"), Value(false));
  EXPECT_EQ(c.FieldGet("QUELLE"), Value(std::string(30, ' ')));

  DBServer& n = tables.Table(FieldKind::Numeric);
  EXPECT_EQ(n.FieldGet("FELDNAMEN"), Value("BETRAG    "));
  EXPECT_EQ(n.FieldGet("LAENGE"), Value(8.0));
  EXPECT_EQ(n.FieldGet("DEZIMALEN"), Value(2.0));
  EXPECT_EQ(n.FieldGet("MINIMUM"), Value(0.0));
  EXPECT_EQ(n.FieldGet("MAXIMUM"), Value(0.0));
  EXPECT_EQ(n.FieldGet(6), Value(false));
  EXPECT_EQ(n.FieldGet("PERCENTNEG"), Value(0.0));

  DBServer& d = tables.Table(FieldKind::Date);
  EXPECT_EQ(d.FieldGet("FELDNAMEN"), Value("DATUM     "));
  EXPECT_EQ(d.FieldGet("STARTDATE"), Value(Date()));
  EXPECT_EQ(tables.Table(FieldKind::Logic).FieldGet("PERCENTTRU"), Value(0.0));
  EXPECT_EQ(tables.Table(FieldKind::Memo).RecCount(), 1u);
  EXPECT_EQ(tables.Table(FieldKind::Memo).FieldGet("MAXWORDS"), Value(0.0));

  // The user's rules hold values of the expected ranges.
  EXPECT_TRUE(n.FieldPut("MINIMUM", Value(-1234567.891234)));
  EXPECT_TRUE(n.FieldPut("MAXIMUM", Value(9999999999.5)));
  EXPECT_TRUE(c.FieldPut("QUELLE", Value("Vornamen")));
  EXPECT_TRUE(c.FieldPut("LAENGE", Value(65534.0)));
}

TEST(DefinitionTablesTest, ANewWindowStartsWithEmptyTablesAndHoldsThemAlone) {
  test::TempDir dir;
  MakeDefinitionTables(dir);
  {
    DefinitionTables tables(InFolder(dir));
    tables.DB_Zap();
    tables.AppendLogic({{"A", 'L', 1, 0}}, 1);
    EXPECT_THROW(DBServer(dir.File("Logic.dbf"), true, true), ErrorException);  // exclusive
  }
  DefinitionTables again(InFolder(dir));
  EXPECT_EQ(again.Table(FieldKind::Logic).RecCount(), 1u);  // the rows survive on disk ...
  again.DB_Zap();                                            // ... until the window empties them
  for (FieldKind kind : kFieldKinds) EXPECT_EQ(again.Table(kind).RecCount(), 0u);
}

}  // namespace
}  // namespace fw
