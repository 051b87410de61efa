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

}  // namespace
}  // namespace fw
