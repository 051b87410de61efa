#include <gtest/gtest.h>

#include "core/fields/RulesFile.h"
#include "core/fields/TableAnalysis.h"
#include "support/DbfTestTables.h"
#include "support/TempDir.h"

namespace fw {
namespace {

// A rules file reads the same on every machine: its dates are day.month.year whatever the
// program shows dates as, and a file written under one display format reads back under another.
TEST(RulesFileTest, DatesAreDayMonthYearWhateverTheDisplayFormat) {
  struct RestoreFormat {
    ~RestoreFormat() { SetDateFormat(GermanDateFormat()); }
  } restore;
  test::TempDir dir;
  const std::string path = test::CreateTable(dir.File("t.dbf"), {{"DATUM", 'D', 8, 0}});
  AnalysisResult analysis = Analyse(path, RunContext{});
  ASSERT_TRUE(analysis.Ok) << analysis.Message;
  RuleSet rules = BlankRules(analysis);
  ASSERT_EQ(rules.Rules.size(), 1u);
  rules.Rules[0].Start = Date::FromYmd(2024, 3, 1);
  rules.Rules[0].End = Date::FromYmd(2024, 12, 31);

  SetDateFormat(DateFormat{DateOrder::MonthDayYear, '/', true, 1910});
  std::string error;
  const std::string file = dir.File("regeln.ini");
  ASSERT_TRUE(WriteRules(file, *analysis.Table, rules, error)) << error;
  const std::string text = test::ReadFileBytes(file);
  EXPECT_NE(text.find("STARTDATE=01.03.2024\n"), std::string::npos) << text;
  EXPECT_NE(text.find("ENDDATE=31.12.2024\n"), std::string::npos) << text;

  SetDateFormat(DateFormat{DateOrder::YearMonthDay, '-', true, 1910});
  RuleSet back = BlankRules(analysis);
  ASSERT_TRUE(ApplyRules(file, *analysis.Table, back, error)) << error;
  EXPECT_EQ(back.Rules[0].Start, Date::FromYmd(2024, 3, 1));
  EXPECT_EQ(back.Rules[0].End, Date::FromYmd(2024, 12, 31));
}

// A field of another table: the keys come back as written, the table is found beside the rules
// file when it is there and else beside the target, and a broken JE is refused.
TEST(RulesFileTest, ReferencesAreReadWrittenBackAndResolved) {
  test::TempDir dir, rulesDir;
  const std::string path = test::CreateTable(
      dir.File("auftrag.dbf"), {{"KDNR", 'N', 6, 0}, {"NAME", 'C', 20, 0}, {"AM", 'D', 8, 0}});
  test::WriteFileBytes(rulesDir.File("artikel.dbf"), "");
  AnalysisResult analysis = Analyse(path, RunContext{});
  ASSERT_TRUE(analysis.Ok) << analysis.Message;
  const std::string file = rulesDir.File("regeln.ini");
  test::WriteFileBytes(file,
                       "[KDNR]\nQUELLE=Tabelle\nTABELLE=kunden.dbf\nFELD=kdnr\nJE=0..4\n"
                       "[NAME]\nQUELLE=tabelle\nFELD=NAME\nMIT=KDNR\n"
                       "[AM]\nQUELLE=Tabelle\nTABELLE=artikel.dbf\nFELD=SEIT\nEINDEUTIG=1\n");
  RuleSet rules = BlankRules(analysis);
  std::string error;
  ASSERT_TRUE(ApplyRules(file, *analysis.Table, rules, error)) << error;
  const FieldRule* key = rules.AtField(1);
  const FieldRule* name = rules.AtField(2);
  const FieldRule* date = rules.AtField(3);
  ASSERT_TRUE(key && name && date);
  EXPECT_EQ(key->Source.Kind, SourceKind::Table);
  EXPECT_EQ(key->Reference.Path, dir.File("kunden.dbf"));  // not beside the rules
  EXPECT_EQ(key->Reference.Field, "KDNR");
  EXPECT_TRUE(key->Reference.PerParent);
  EXPECT_EQ(key->Reference.MaxChildren, 4u);
  EXPECT_EQ(name->Source.Kind, SourceKind::Table);
  EXPECT_EQ(name->Reference.With, "KDNR");
  EXPECT_EQ(date->Reference.Path, rulesDir.File("artikel.dbf"));
  EXPECT_TRUE(date->Options.Unique);

  const std::string copy = rulesDir.File("zurueck.ini");
  ASSERT_TRUE(WriteRules(copy, *analysis.Table, rules, error)) << error;
  RuleSet back = BlankRules(analysis);
  ASSERT_TRUE(ApplyRules(copy, *analysis.Table, back, error)) << error << test::ReadFileBytes(copy);
  for (int pos = 1; pos <= 3; ++pos) {
    EXPECT_EQ(back.AtField(pos)->Source, rules.AtField(pos)->Source) << pos;
    EXPECT_EQ(back.AtField(pos)->Reference, rules.AtField(pos)->Reference) << pos;
  }

  for (const char* bad : {"JE=4..1", "JE=3", "JE=0..0", "MIT=GIBTSNICHT", "TABELLE="}) {
    test::WriteFileBytes(file, std::string("[KDNR]\nQUELLE=Tabelle\nFELD=KDNR\n") + bad + "\n");
    RuleSet refused = BlankRules(analysis);
    EXPECT_FALSE(ApplyRules(file, *analysis.Table, refused, error)) << bad;
    EXPECT_NE(error.find("Zeile 4"), std::string::npos) << error;
  }
}

// TABELLE names the same table wherever the rules are written again (the remembered rules of
// a table live in the user's settings folder), and a name with umlauts is the file's own name.
TEST(RulesFileTest, ATableNamedInRulesIsFoundAgainFromWhereverTheyAreWritten) {
  test::TempDir dir, rulesDir, elsewhere;
  const std::string path = test::CreateTable(dir.File("auftrag.dbf"),
                                             {{"KDNR", 'N', 6, 0}, {"ARTNR", 'N', 6, 0}});
  test::WriteFileBytes(rulesDir.File("artikel.dbf"), "");
  AnalysisResult analysis = Analyse(path, RunContext{});
  ASSERT_TRUE(analysis.Ok) << analysis.Message;
  const std::string file = rulesDir.File("regeln.ini");
  test::WriteFileBytes(file,
                       "[KDNR]\nQUELLE=Tabelle\nTABELLE=k\xC3\xBCnden.dbf\nFELD=KDNR\n"
                       "[ARTNR]\nQUELLE=Tabelle\nTABELLE=artikel.dbf\nFELD=ARTNR\n");
  RuleSet rules = BlankRules(analysis);
  std::string error;
  ASSERT_TRUE(ApplyRules(file, *analysis.Table, rules, error)) << error;
  EXPECT_EQ(rules.AtField(1)->Reference.Path, dir.File("k\xC3\xBCnden.dbf"));
  EXPECT_EQ(rules.AtField(2)->Reference.Path, rulesDir.File("artikel.dbf"));

  const std::string copy = elsewhere.File("zuletzt.ini");
  ASSERT_TRUE(WriteRules(copy, *analysis.Table, rules, error)) << error;
  const std::string text = test::ReadFileBytes(copy);
  EXPECT_NE(text.find("TABELLE=k\xC3\xBCnden.dbf\n"), std::string::npos) << text;
  RuleSet back = BlankRules(analysis);
  ASSERT_TRUE(ApplyRules(copy, *analysis.Table, back, error)) << error << text;
  EXPECT_EQ(back.AtField(1)->Reference.Path, dir.File("k\xC3\xBCnden.dbf"));
  EXPECT_EQ(back.AtField(2)->Reference.Path, rulesDir.File("artikel.dbf")) << text;
}

}  // namespace
}  // namespace fw
