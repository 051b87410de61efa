#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "core/fields/DefinitionTables.h"
#include "core/fields/RuleSuggestions.h"
#include "core/fields/RulesFile.h"
#include "core/fields/TableAnalysis.h"
#include "core/generate/FillRun.h"
#include "core/generate/Preview.h"
#include "core/generate/FillTestSupport.h"
#include "core/generate/Preview.h"
#include "core/generate/Random.h"
#include "core/platform/DbfTable.h"
#include "core/platform/FieldBytes.h"
#include "support/DbfTestTables.h"
#include "support/TempDir.h"

namespace fw {
namespace {

using test::FakeHost;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

constexpr FieldKind kC = FieldKind::Character, kN = FieldKind::Numeric, kL = FieldKind::Logic,
                    kD = FieldKind::Date, kM = FieldKind::Memo;

const std::vector<FieldInfo> kFields = {{"NAME", 'C', 20, 0},   {"ORT", 'C', 20, 0},
                                        {"BETRAG", 'N', 10, 2}, {"AKTIV", 'L', 1, 0},
                                        {"DATUM", 'D', 8, 0},   {"NOTIZ", 'M', 10, 0}};

std::string TrimRight(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// A data folder with the definition tables and a word file, a target table, and a fill run on
// a fake window, as the generation window holds them after an analysis.
class FillRunTest : public ::testing::Test {
protected:
  void SetUp() override {
    SetDateFormat(GermanDateFormat());
    ASSERT_TRUE(DefinitionTables::CreateEmpty(data_.Folder()));
    WriteFileBytes(data_.File("Worte.txt"), "Haus, Baum, Weg");
    context_.DataFolder = data_.Folder();
    context_.Random = &random_;
    tables_ = std::make_unique<DefinitionTables>(context_);
    run_ = std::make_unique<FillRun>(host_, *tables_, context_);
    table_ = dir_.File("ziel.dbf");
  }

  FillRun& run() { return *run_; }

  // Creates the target with `existing` records whose NAME is "Alt<n>", then analyses it.
  void MakeTarget(uint32_t existing, const std::vector<FieldInfo>& fields = kFields) {
    ASSERT_TRUE(DBServer::Create(table_, fields, "DBFNTX"));
    {
      DBServer t(table_, false, false);
      for (uint32_t i = 1; i <= existing; ++i) {
        t.Append();
        t.FieldPut("NAME", Value("Alt" + std::to_string(i)));
      }
      t.Close();
    }
    Analyse();
  }

  void Analyse() {
    run().dbAuswahl.reset();
    tables_->DB_Zap();
    AnalysisResult result = fw::Analyse(table_, *tables_, context_);
    ASSERT_TRUE(result.Ok);
    run().nVorhanden = result.RecordCount;
    run().dbAuswahl = std::move(result.Table);
  }

  // Sets columns of the definition row of `field`.
  void Rule(FieldKind kind, const std::string& field,
            const std::vector<std::pair<std::string, Value>>& columns) {
    test::SetRule(*tables_, kind, field, columns);
  }
  Value RuleValue(FieldKind kind, const std::string& field, const std::string& column) {
    DBServer& t = tables_->Table(kind);
    for (uint32_t i = 1; i <= t.RecCount(); ++i) {
      t.GoTo(i);
      if (TrimRight(t.FieldGet("FELDNAMEN").AsText()) == field) return t.FieldGet(column);
    }
    return Value();
  }

  // All values of one field, read from the file after the run's table is closed.
  std::vector<Value> Column(const std::string& field) {
    run().dbAuswahl.reset();
    std::vector<Value> values;
    DBServer t(table_, true, true);
    for (uint32_t i = 1; i <= t.RecCount(); ++i) {
      t.GoTo(i);
      values.push_back(t.FieldGet(field));
    }
    return values;
  }
  std::vector<std::string> Texts(const std::string& field) {
    std::vector<std::string> out;
    for (const Value& v : Column(field)) out.push_back(TrimRight(v.AsText()));
    return out;
  }
  uint32_t Records() {
    run().dbAuswahl.reset();
    DBServer t(table_, true, true);
    return t.RecCount();
  }

  // Only NAME is filled (from "Worte") unless a test sets other rules.
  void OnlyName() {
    Rule(kC, "ORT", {{"QUELLE", Value("-LEER-")}});
    Rule(kM, "NOTIZ", {{"QUELLE", Value("-LEER-")}});
  }

  std::vector<std::string> MessageCaptions() const {
    std::vector<std::string> out;
    for (const auto& m : host_.Messages) out.push_back(m.Caption);
    return out;
  }

  TempDir dir_, data_;
  RandomStream random_{12345};
  RunContext context_;
  FakeHost host_;
  std::unique_ptr<DefinitionTables> tables_;
  std::unique_ptr<FillRun> run_;
  std::string table_;
};

const std::set<std::string> kWorte = {"Haus", "Baum", "Weg"};

TEST_F(FillRunTest, RefusesWithoutTableOrCountAndLeavesEverythingAsItWas) {
  run().PBFillDB("abc", false);  // no table and no count: only the first refusal
  ASSERT_EQ(host_.Messages.size(), 1u);
  EXPECT_EQ(host_.Messages[0].Caption, "Achtung");
  EXPECT_EQ(host_.Messages[0].Text, "Sie haben keine Datenbank ausgewählt");
  EXPECT_EQ(host_.BusyOn, host_.BusyOff);

  MakeTarget(5);
  const std::string before = ReadFileBytes(table_);
  host_.Messages.clear();
  run().PBFillDB("abc", true);
  ASSERT_EQ(host_.Messages.size(), 1u);
  EXPECT_EQ(host_.Messages[0].Text, "Die Satzzahl kann nicht NULL sein");
  run().PBFillDB("-7", true);  // a negative count is no count
  EXPECT_EQ(host_.Messages.size(), 2u);
  EXPECT_EQ(host_.BusyOn, host_.BusyOff);
  run().dbAuswahl.reset();
  EXPECT_EQ(ReadFileBytes(table_), before);
}

TEST_F(FillRunTest, AppendsAfterTheExistingRecordsRunAfterRun) {
  MakeTarget(50);
  OnlyName();
  run().PBFillDB(" 10 Stück", false);
  EXPECT_EQ(run().nSaetze, 10u);
  EXPECT_EQ(run().nVorhanden, 60u);
  EXPECT_EQ(host_.ShownCount, 60u);
  run().PBFillDB("10", false);  // the second run fills 61 to 70
  EXPECT_EQ(run().nVorhanden, 70u);
  const std::vector<std::string> names = Texts("NAME");
  ASSERT_EQ(names.size(), 70u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(names[i], "Alt" + std::to_string(i + 1));
  for (int i = 50; i < 70; ++i) EXPECT_TRUE(kWorte.count(names[i])) << i << names[i];
}

TEST_F(FillRunTest, ZapEmptiesTheTableFirst) {
  MakeTarget(50);
  OnlyName();
  run().PBFillDB("10", true);
  EXPECT_EQ(run().nVorhanden, 10u);
  for (const std::string& name : Texts("NAME")) EXPECT_TRUE(kWorte.count(name)) << name;
}

TEST_F(FillRunTest, GaugesStatusTextsAndEventPointsFollowTheFields) {
  MakeTarget(0);
  Rule(kN, "BETRAG", {{"MINIMUM", Value(1)}, {"MAXIMUM", Value(100)}});
  Rule(kL, "AKTIV", {{"PERCENTTRU", Value(50)}});
  Rule(kM, "NOTIZ", {{"MINWORDS", Value(1)}, {"MAXWORDS", Value(2)}});
  run().PBFillDB("7", false);
  EXPECT_EQ(host_.StatusLog,
            (std::vector<std::string>{"0:", "1:", "2:", "3:", "4:",  // reset at the start
                                      "0:Feld NAME wird gefüllt.", "0:Beendet",
                                      "0:Feld ORT wird gefüllt.", "0:Beendet",
                                      "1:Feld BETRAG wird gefüllt.", "1:Beendet",
                                      "2:Feld AKTIV wird gefüllt.", "2:Beendet",
                                      "3:Feld DATUM wird gefüllt.", "3:Beendet",
                                      "4:Feld NOTIZ wird gefüllt.", "4:Beendet"}));
  for (const auto& gauge : host_.Gauges) {
    EXPECT_EQ(gauge.Total, 7u);
    EXPECT_EQ(gauge.Position, 7);
  }
  EXPECT_EQ(host_.Gauges[int(kC)].Clears, 3);  // reset, NAME, ORT
  // Events: once after the selection is cleared, NAME (2: after the source is written, after the words are read), ORT (2),
  // after each of the 5 passes, DATUM (1), NOTIZ (2 + one per record).
  EXPECT_EQ(host_.Events, 1 + 2 + 2 + 5 + 1 + 2 + 7);
  EXPECT_EQ(host_.Removals[int(kC)], 3);  // reset, before and after its pass
  EXPECT_EQ(host_.BusyOn, 1);
  EXPECT_EQ(host_.BusyOff, 1);
  EXPECT_TRUE(host_.Messages.empty());
}

TEST_F(FillRunTest, LeerSkipsAFieldAndABlankSourceBecomesWorte) {
  MakeTarget(0);
  Rule(kC, "ORT", {{"QUELLE", Value("-LEER-")}});
  Rule(kM, "NOTIZ", {{"MINWORDS", Value(3)}, {"MAXWORDS", Value(3)}});
  run().PBFillDB("20", false);
  EXPECT_EQ(TrimRight(RuleValue(kC, "NAME", "QUELLE").AsText()), "Worte");
  EXPECT_EQ(TrimRight(RuleValue(kM, "NOTIZ", "QUELLE").AsText()), "Worte");
  EXPECT_EQ(std::count(host_.StatusLog.begin(), host_.StatusLog.end(),
                       "0:Feld ORT wird gefüllt."), 0);
  for (const std::string& ort : Texts("ORT")) EXPECT_EQ(ort, "");
  for (const std::string& name : Texts("NAME")) EXPECT_TRUE(kWorte.count(name));
  for (const std::string& memo : Texts("NOTIZ")) {
    // Three words, each followed by a blank (the last blank is cut by TrimRight).
    EXPECT_EQ(std::count(memo.begin(), memo.end(), ' '), 2) << memo;
  }
}

TEST_F(FillRunTest, EveryEntryOfAWordSourceComesIncludingTheLast) {
  MakeTarget(0);
  WriteFileBytes(data_.File("ORTE.txt"), "Aachen,Bonn,Celle");  // found as "Orte"
  WriteFileBytes(data_.File("Eins.txt"), "Ulm");                 // a list of one entry
  Rule(kC, "NAME", {{"QUELLE", Value("Eins")}});
  Rule(kC, "ORT", {{"QUELLE", Value("Orte")}});
  Rule(kM, "NOTIZ", {{"QUELLE", Value("-LEER-")}});
  run().PBFillDB("300", false);
  EXPECT_TRUE(host_.Messages.empty());
  for (const std::string& name : Texts("NAME")) EXPECT_EQ(name, "Ulm");
  std::set<std::string> orte;
  for (const std::string& ort : Texts("ORT")) orte.insert(ort);
  EXPECT_EQ(orte, (std::set<std::string>{"Aachen", "Bonn", "Celle"}));
}

TEST_F(FillRunTest, TrailingCommaAddsNoEmptyValue) {
  MakeTarget(0);
  WriteFileBytes(data_.File("Orte.txt"), "Aachen,\r\nBonn,\r\nCelle,\r\n");
  Rule(kC, "ORT", {{"QUELLE", Value("Orte")}});
  Rule(kM, "NOTIZ", {{"QUELLE", Value("-LEER-")}});
  run().PBFillDB("300", false);
  std::set<std::string> orte;
  for (const std::string& ort : Texts("ORT")) orte.insert(ort);
  EXPECT_EQ(orte, (std::set<std::string>{"Aachen", "Bonn", "Celle"}));
}

TEST_F(FillRunTest, MissingSourceFallsBackToWorteWithOneMessagePerField) {
  MakeTarget(0);
  Rule(kC, "NAME", {{"QUELLE", Value("Namen")}});
  Rule(kC, "ORT", {{"QUELLE", Value("-LEER-")}});
  Rule(kM, "NOTIZ", {{"MINWORDS", Value(1)}, {"MAXWORDS", Value(4)}, {"QUELLE", Value("Fehlt")}});
  run().PBFillDB("25", false);
  ASSERT_EQ(host_.Messages.size(), 2u);  // one for NAME, one (not 25) for NOTIZ
  EXPECT_EQ(host_.Messages[0].Caption, "Fehlermeldung");
  EXPECT_EQ(host_.Messages[0].Text, "Die Quelldatei " + data_.Folder() +
                                        "Namen.txt ist nicht vorhanden\r\n"
                                        "es wird die Datei 'Worte.txt' verwendet");
  EXPECT_NE(host_.Messages[1].Text.find("Fehlt.txt ist nicht vorhanden"), std::string::npos);
  EXPECT_EQ(TrimRight(RuleValue(kC, "NAME", "QUELLE").AsText()), "Worte");
  EXPECT_EQ(TrimRight(RuleValue(kM, "NOTIZ", "QUELLE").AsText()), "Worte");
  for (const std::string& name : Texts("NAME")) EXPECT_TRUE(kWorte.count(name));
}

TEST_F(FillRunTest, ASourceNameCannotReachOutsideTheDataFolder) {
  MakeTarget(0);
  WriteFileBytes(dir_.File("geheim.txt"), "Geheimnis");
  const std::string outside = "../" + dir_.Path().substr(dir_.Path().rfind('/') + 1) + "/geheim";
  Rule(kC, "NAME", {{"QUELLE", Value(outside)}});
  OnlyName();
  run().PBFillDB("30", false);
  ASSERT_EQ(host_.Messages.size(), 1u);
  EXPECT_NE(host_.Messages[0].Text.find("ist nicht vorhanden"), std::string::npos);
  for (const std::string& name : Texts("NAME")) EXPECT_TRUE(kWorte.count(name)) << name;
}

TEST_F(FillRunTest, ASourceWithoutEntriesLeavesTheFieldBlankWithOneMessage) {
  MakeTarget(0);
  WriteFileBytes(data_.File("Leer.txt"), " , ,\r\n");
  Rule(kC, "NAME", {{"QUELLE", Value("Leer")}});
  Rule(kC, "ORT", {{"QUELLE", Value("Leer")}});
  Rule(kM, "NOTIZ", {{"MINWORDS", Value(2)}, {"MAXWORDS", Value(2)}, {"QUELLE", Value("Leer")}});
  run().PBFillDB("10", false);
  ASSERT_EQ(host_.Messages.size(), 3u);  // one per field, and the run ends
  EXPECT_NE(host_.Messages[0].Text.find("enthält keine Wörter"), std::string::npos);
  EXPECT_NE(host_.Messages[0].Text.find("NAME"), std::string::npos);
  EXPECT_EQ(run().nAbgelehnt, 3u);
  EXPECT_EQ(Records(), 10u);
  for (const std::string& v : Texts("NAME")) EXPECT_EQ(v, "");
  for (const std::string& v : Texts("NOTIZ")) EXPECT_EQ(v, "");
}

TEST_F(FillRunTest, MissingWorteFileIsAnEmptySource) {
  MakeTarget(0);
  std::remove(data_.File("Worte.txt").c_str());
  OnlyName();
  run().PBFillDB("5", false);
  EXPECT_EQ(MessageCaptions(), (std::vector<std::string>{"Fehlermeldung", "Fehlermeldung"}));
  for (const std::string& v : Texts("NAME")) EXPECT_EQ(v, "");
}

TEST_F(FillRunTest, RandomTextFollowsTheRule) {
  MakeTarget(0);
  Rule(kC, "NAME", {{"QUELLE", Value("Random")}, {"MAXLENGTH", Value(5)},
                    {"FIXLENGTH", Value(true)}});
  Rule(kC, "ORT", {{"QUELLE", Value("-LEER-")}});
  Rule(kM, "NOTIZ", {{"QUELLE", Value("-LEER-")}});
  run().PBFillDB("200", false);
  for (const Value& v : Column("NAME")) {
    const std::string& s = v.AsText();
    ASSERT_EQ(s.size(), 20u);
    for (size_t i = 5; i < 20; ++i) ASSERT_EQ(s[i], ' ');
    for (unsigned char c : s.substr(0, 5)) ASSERT_TRUE(c >= 32 && c <= 127);
  }
}

TEST_F(FillRunTest, LogicalShareZeroLeavesBlankAndHundredIsAlwaysTrue) {
  MakeTarget(0);
  OnlyName();
  run().PBFillDB("50", false);  // PERCENTTRU 0: not written
  EXPECT_EQ(std::count(host_.StatusLog.begin(), host_.StatusLog.end(),
                       "2:Feld AKTIV wird gefüllt."), 0);
  for (const Value& v : Column("AKTIV")) EXPECT_FALSE(v.AsLogic());
  Analyse();
  OnlyName();
  Rule(kL, "AKTIV", {{"PERCENTTRU", Value(100)}});
  run().PBFillDB("50", true);
  for (const Value& v : Column("AKTIV")) EXPECT_TRUE(v.AsLogic());
}

TEST_F(FillRunTest, NumbersThatDoNotFitTheFieldAreRefusedBeforeWriting) {
  MakeTarget(0);
  OnlyName();
  Rule(kN, "BETRAG", {{"MINIMUM", Value(0)}, {"MAXIMUM", Value(100000000)}});  // N(10,2)
  run().PBFillDB("10", false);
  ASSERT_EQ(host_.Messages.size(), 1u);
  EXPECT_EQ(host_.Messages[0].Caption, "Achtung");
  EXPECT_NE(host_.Messages[0].Text.find("BETRAG"), std::string::npos);
  EXPECT_EQ(host_.Status[int(kN)], "");  // gauge and status untouched
  for (const Value& v : Column("BETRAG")) EXPECT_EQ(v.AsNumber(), 0);
  for (const std::string& name : Texts("NAME")) EXPECT_TRUE(kWorte.count(name));  // run went on

  // The sign needs a place of its own: 9999999.99 fits, -9999999.99 does not.
  Analyse();
  OnlyName();
  Rule(kN, "BETRAG", {{"MINIMUM", Value(0)}, {"MAXIMUM", Value(9999999.99)},
                      {"NEGATIV", Value(true)}, {"PERCENTNEG", Value(50)}});
  host_.Messages.clear();
  run().PBFillDB("10", true);
  EXPECT_EQ(host_.Messages.size(), 1u);
  Analyse();
  OnlyName();
  Rule(kN, "BETRAG", {{"MINIMUM", Value(0)}, {"MAXIMUM", Value(9999999.99)},
                      {"NEGATIV", Value(true)}, {"PERCENTNEG", Value(0)}});
  host_.Messages.clear();
  run().PBFillDB("10", true);
  EXPECT_TRUE(host_.Messages.empty());
  for (const Value& v : Column("BETRAG")) EXPECT_GE(v.AsNumber(), 0);
}

TEST_F(FillRunTest, NegativeShareFollowsPercentNeg) {
  MakeTarget(0);
  OnlyName();
  Rule(kN, "BETRAG", {{"MINIMUM", Value(1)}, {"MAXIMUM", Value(1000)},
                      {"NEGATIV", Value(true)}, {"PERCENTNEG", Value(25)}});
  run().PBFillDB("4000", false);
  int negatives = 0;
  for (const Value& v : Column("BETRAG")) {
    const double n = v.AsNumber();
    ASSERT_GE(std::abs(n), 1.0);
    ASSERT_LE(std::abs(n), 1000.0);
    negatives += n < 0;
  }
  EXPECT_NEAR(negatives, 1000, 120);
}

TEST_F(FillRunTest, DatesResolveTheirRangeAndRefuseAnInvertedOne) {
  MakeTarget(0);
  OnlyName();
  run().PBFillDB("100", false);
  EXPECT_EQ(RuleValue(kD, "DATUM", "STARTDATE").AsDate(), Date::FromYmd(1900, 1, 1));
  EXPECT_EQ(RuleValue(kD, "DATUM", "ENDDATE").AsDate(), Date::Today());
  for (const Value& v : Column("DATUM")) {
    EXPECT_GE(v.AsDate(), Date::FromYmd(1900, 1, 1));
    EXPECT_LT(v.AsDate(), Date::Today());
  }

  Analyse();
  OnlyName();
  Rule(kD, "DATUM", {{"STARTDATE", Value(Date::FromYmd(2024, 5, 2))},
                     {"ENDDATE", Value(Date::FromYmd(2024, 5, 1))}});
  run().PBFillDB("10", true);
  EXPECT_EQ(MessageCaptions(), std::vector<std::string>{"Ja aber !"});
  EXPECT_EQ(host_.Messages[0].Text, "Das Enddatum kann nicht vor dem Startdatum liegen");
  EXPECT_EQ(host_.Status[int(kD)], "Feld DATUM wird gefüllt.");
  for (const Value& v : Column("DATUM")) EXPECT_TRUE(v.AsDate().IsEmpty());

  Analyse();
  OnlyName();
  const Date day = Date::FromYmd(2024, 2, 29);
  Rule(kD, "DATUM", {{"STARTDATE", Value(day)}, {"ENDDATE", Value(day)}});
  run().PBFillDB("10", true);
  for (const Value& v : Column("DATUM")) EXPECT_EQ(v.AsDate(), day);
}

TEST_F(FillRunTest, MemoRefusesMoreWordsAtLeastThanAtMost) {
  MakeTarget(0);
  Rule(kC, "ORT", {{"QUELLE", Value("-LEER-")}});
  Rule(kM, "NOTIZ", {{"MINWORDS", Value(5)}, {"MAXWORDS", Value(2)}});
  run().PBFillDB("10", false);
  EXPECT_EQ(MessageCaptions(), std::vector<std::string>{"Ja hallo!"});
  EXPECT_EQ(host_.Messages[0].Text,
            "Die minimale Anzahl kann nicht grösser sein als \r\ndie maximale Anzahl !");
  EXPECT_EQ(host_.Status[int(kM)], "");
  for (const std::string& v : Texts("NOTIZ")) EXPECT_EQ(v, "");
}

// A stop during the character pass: the field being filled is written up to the record where
// the stop was noticed, every later field stays blank, and the records exist.
TEST_F(FillRunTest, StopDuringTheCharacterPass) {
  MakeTarget(0);
  Rule(kN, "BETRAG", {{"MINIMUM", Value(1)}, {"MAXIMUM", Value(9)}});
  Rule(kL, "AKTIV", {{"PERCENTTRU", Value(100)}});
  Rule(kM, "NOTIZ", {{"MINWORDS", Value(1)}, {"MAXWORDS", Value(1)}});
  host_.OnEvents = [&](int n) {
    if (n == 3) run().PBStop();  // NAME's events after reading its words
  };
  run().PBFillDB("10", false);
  EXPECT_FALSE(run().lRunning);
  EXPECT_EQ(run().nVorhanden, 10u);
  EXPECT_EQ(host_.ShownCount, 10u);
  EXPECT_EQ(host_.BusyOff, 1);
  const std::vector<std::string> names = Texts("NAME");
  EXPECT_TRUE(kWorte.count(names[0]));  // tested after the record: one record written
  for (size_t i = 1; i < names.size(); ++i) EXPECT_EQ(names[i], "");
  for (const std::string& v : Texts("ORT")) EXPECT_EQ(v, "");
  for (const Value& v : Column("BETRAG")) EXPECT_EQ(v.AsNumber(), 0);
  for (const Value& v : Column("DATUM")) EXPECT_TRUE(v.AsDate().IsEmpty());
  for (const std::string& v : Texts("NOTIZ")) EXPECT_EQ(v, "");
  // Every later pass still removed its grid selection and let events run.
  for (int k = 0; k < kFieldKindCount; ++k) EXPECT_GE(host_.Removals[k], 2);
}

TEST_F(FillRunTest, StopTestsPerFieldType) {
  MakeTarget(0);
  Rule(kC, "NAME", {{"QUELLE", Value("-LEER-")}});
  Rule(kC, "ORT", {{"QUELLE", Value("-LEER-")}});
  Rule(kN, "BETRAG", {{"MINIMUM", Value(1)}, {"MAXIMUM", Value(9)}});
  Rule(kM, "NOTIZ", {{"MINWORDS", Value(1)}, {"MAXWORDS", Value(1)}});
  // Events: 1 after the selection is cleared, 2 after the character pass, 3 after the numeric pass, 4 after the
  // logic pass, 5 DATUM before its records, 6 after the date pass, 7 NOTIZ's source written,
  // 8 NOTIZ's words read, 9.. one per memo record.
  host_.OnEvents = [&](int n) {
    if (n == 5 || n == 12) run().PBStop();
    if (n == 6) run().lRunning = true;  // as if a new press let the memo pass go on
  };
  run().PBFillDB("10", false);
  // The date field, once begun, is written in every record although the stop came.
  for (const Value& v : Column("DATUM")) EXPECT_FALSE(v.AsDate().IsEmpty());
  // The memo stop came at the events of record 4: record 4 is written, 5 on are not.
  const std::vector<std::string> memos = Texts("NOTIZ");
  for (size_t i = 0; i < memos.size(); ++i) EXPECT_EQ(memos[i].empty(), i >= 4) << i;
  for (const Value& v : Column("BETRAG")) EXPECT_GT(v.AsNumber(), 0);
}

// A gauge that lets events run can take a stop at any of its advances (every gauge step of
// records): the field is filled up to that record, whether the pass tests before or after
// each record; a date pass goes on to its end.
TEST_F(FillRunTest, StopDuringAGaugeAdvanceEndsThePassThere) {
  run().Context().GaugeStep = 4;
  struct Case {
    FieldKind kind;
    const char* field;
    uint32_t filled;
  };
  for (const Case& c : {Case{kC, "NAME", 12}, Case{kN, "BETRAG", 12}, Case{kL, "AKTIV", 12},
                        Case{kD, "DATUM", 30}}) {
    SCOPED_TRACE(c.field);
    std::remove(table_.c_str());
    std::remove(dir_.File("ziel.dbt").c_str());
    MakeTarget(0);
    OnlyName();
    Rule(kN, "BETRAG", {{"MINIMUM", Value(1)}, {"MAXIMUM", Value(9)}});
    Rule(kL, "AKTIV", {{"PERCENTTRU", Value(100)}});
    for (auto& g : host_.Gauges) g = std::remove_reference_t<decltype(g)>{};
    host_.Gauges[int(c.kind)].OnUpdate = [&](int64_t n) {
      if (n == 3) run().PBStop();
    };
    run().PBFillDB("30", false);
    EXPECT_FALSE(run().lRunning);
    EXPECT_EQ(run().nVorhanden, 30u);
    uint32_t filled = 0;
    if (c.kind == kC) {
      for (const std::string& v : Texts("NAME")) filled += !v.empty();
    } else if (c.kind == kD) {
      for (const Value& v : Column("DATUM")) filled += !v.AsDate().IsEmpty();
    } else {
      for (const Value& v : Column(c.field)) filled += v.AsNumber() != 0 || v.AsLogic();
    }
    EXPECT_EQ(filled, c.filled);
    EXPECT_EQ(host_.Gauges[int(c.kind)].Updates, c.kind == kD ? 7 : 3);
  }
}

TEST_F(FillRunTest, StopBeforeTheNumericPassLeavesNumbersBlank) {
  MakeTarget(0);
  OnlyName();
  Rule(kN, "BETRAG", {{"MINIMUM", Value(1)}, {"MAXIMUM", Value(9)}});
  host_.OnEvents = [&](int n) {
    if (n == 4) run().PBStop();  // after the character pass (1 + 2 for NAME + 1)
  };
  run().PBFillDB("10", false);
  for (const std::string& name : Texts("NAME")) EXPECT_TRUE(kWorte.count(name));
  for (const Value& v : Column("BETRAG")) EXPECT_EQ(v.AsNumber(), 0);
  EXPECT_EQ(host_.Status[int(kN)], "");
}

TEST_F(FillRunTest, StopWhileWritingAppendsNothingMore) {
  MakeTarget(3);
  OnlyName();
  const std::string before = ReadFileBytes(table_);
  run().BeforeWrite = [&](uint32_t n) {
    EXPECT_EQ(n, 1000u);
    run().PBStop();
  };
  run().PBFillDB("1000", false);
  EXPECT_EQ(run().nGeschrieben, 0u);
  EXPECT_FALSE(run().lRunning);
  EXPECT_EQ(run().nVorhanden, 3u);
  EXPECT_EQ(Records(), 3u);
}

// Events run between the pieces of the final write: a stop there ends the append after the
// records already written, and the table counts exactly those.
TEST_F(FillRunTest, StopBetweenPiecesOfTheWriteKeepsWhatIsWritten) {
  MakeTarget(2);
  OnlyName();
  bool writing = false;
  run().BeforeWrite = [&](uint32_t) { writing = true; };
  int piecesSeen = 0;
  host_.OnEvents = [&](int) {
    if (writing && ++piecesSeen == 2) run().PBStop();
  };
  run().PBFillDB("100000", false);
  const uint32_t recLen = 1 + 20 + 20 + 10 + 1 + 8 + 10, perPiece = uint32_t(DbfTable::kBufferBytes / recLen);
  EXPECT_EQ(run().nGeschrieben, 2 * perPiece);
  EXPECT_EQ(run().nVorhanden, 2 + 2 * perPiece);
  EXPECT_FALSE(run().lRunning);
  EXPECT_EQ(Records(), 2 + 2 * perPiece);
  const std::vector<std::string> names = Texts("NAME");
  EXPECT_EQ(names[0], "Alt1");
  EXPECT_TRUE(kWorte.count(names.back()));
}

TEST_F(FillRunTest, SameSeedSameTable) {
  auto fill = [&](uint64_t seed) {
    std::remove(table_.c_str());
    std::remove(dir_.File("ziel.dbt").c_str());
    MakeTarget(0);
    Rule(kN, "BETRAG", {{"MINIMUM", Value(-50)}, {"MAXIMUM", Value(50)}});
    Rule(kL, "AKTIV", {{"PERCENTTRU", Value(40)}});
    Rule(kC, "ORT", {{"QUELLE", Value("Random")}});
    Rule(kM, "NOTIZ", {{"MINWORDS", Value(0)}, {"MAXWORDS", Value(6)}});
    random_.Seed(seed);
    run().PBFillDB("300", false);
    run().dbAuswahl.reset();
    std::string bytes = ReadFileBytes(table_) + ReadFileBytes(dir_.File("ziel.dbt"));
    // The header's date of last update is the only thing that may differ.
    bytes.replace(1, 3, "   ");
    return bytes;
  };
  const std::string a = fill(77), b = fill(77), c = fill(78);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
}

TEST_F(FillRunTest, CheckOnlyCountsRefusalsAndWritesNothing) {
  MakeTarget(4);
  Rule(kD, "DATUM", {{"STARTDATE", Value(Date::FromYmd(2024, 5, 2))},
                     {"ENDDATE", Value(Date::FromYmd(2024, 5, 1))}});
  Rule(kN, "BETRAG", {{"MINIMUM", Value(0)}, {"MAXIMUM", Value(1e12)}});
  Rule(kC, "NAME", {{"QUELLE", Value("Namen")}});  // missing: a message, but no fallback kept
  const std::string before = ReadFileBytes(table_);
  run().lNurPruefen = true;
  run().PBFillDB("10", true);
  EXPECT_EQ(run().nAbgelehnt, 2u);
  EXPECT_EQ(host_.Messages.size(), 3u);
  EXPECT_EQ(TrimRight(RuleValue(kC, "NAME", "QUELLE").AsText()), "Namen");
  EXPECT_EQ(TrimRight(RuleValue(kC, "ORT", "QUELLE").AsText()), "");
  run().dbAuswahl.reset();
  EXPECT_EQ(ReadFileBytes(table_), before);
}

TEST_F(FillRunTest, AFieldTheTableDoesNotHaveIsRefused) {
  MakeTarget(0);
  OnlyName();
  Rule(kC, "NAME", {{"FELDNAMEN", Value("GIBTSNICHT")}});
  run().PBFillDB("3", false);
  ASSERT_EQ(host_.Messages.size(), 1u);
  EXPECT_NE(host_.Messages[0].Text.find("GIBTSNICHT"), std::string::npos);
  EXPECT_EQ(Records(), 3u);
}

// A Visual FoxPro table built after the published layout (field offsets in the descriptors,
// 263 bytes of backlink after the 0Dh) with its binary numbers and a date-time.
std::string FoxProNumbersTable() {
  const std::vector<test::RawField> fields = {{"NAME", 'C', 10, 0}, {"ZAHL", 'I', 4, 0},
                                              {"WERT", 'B', 8, 2},  {"PREIS", 'Y', 8, 4},
                                              {"ZEIT", 'T', 8, 0},  {"_NullFlags", '0', 1, 0}};
  std::string b = test::RawTable(0x30, fields, 0, 0x03);
  b.pop_back();  // the end-of-file mark comes after the backlink
  size_t offset = 1;
  for (size_t i = 0; i < fields.size(); ++i) {
    b[32 + 32 * i + 12] = char(offset);
    offset += fields[i].Length;
  }
  b[32 + 32 * 5 + 18] = 0x05;  // _NullFlags: a hidden system field
  b.append(263, '\0');
  b[8] = char(b.size() & 0xFF);
  b[9] = char(b.size() >> 8);
  b.push_back(0x1A);
  return b;
}

int64_t LittleEndian(const std::string& b, size_t at, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= uint64_t(uint8_t(b[at + size_t(i)])) << (8 * i);
  return bytes == 4 ? int64_t(int32_t(uint32_t(v))) : int64_t(v);
}

TEST_F(FillRunTest, VisualFoxProBinaryNumbersAndDateTimesAreFilledWithinTheirRules) {
  WriteFileBytes(table_, FoxProNumbersTable());
  Analyse();
  // The grid shows them as the numeric fields their values need as text.
  EXPECT_EQ(RuleValue(kN, "ZAHL", "LAENGE").AsNumber(), 11);
  EXPECT_EQ(RuleValue(kN, "WERT", "DEZIMALEN").AsNumber(), 2);
  EXPECT_EQ(RuleValue(kN, "PREIS", "DEZIMALEN").AsNumber(), 4);
  Rule(kN, "ZAHL", {{"MINIMUM", Value(1000)}, {"MAXIMUM", Value(2000000000)},
                    {"NEGATIV", Value(true)}, {"PERCENTNEG", Value(50)}});
  Rule(kN, "WERT", {{"MINIMUM", Value(0.5)}, {"MAXIMUM", Value(1000)}});
  Rule(kN, "PREIS", {{"MINIMUM", Value(10)}, {"MAXIMUM", Value(99999.9999)}});
  Rule(kD, "ZEIT", {{"STARTDATE", Value(Date::FromYmd(2020, 1, 1))},
                    {"ENDDATE", Value(Date::FromYmd(2021, 1, 1))}});
  // A formula reads the binary fields as their numbers and dates, and counts the records.
  Rule(kC, "NAME", {{"QUELLE", Value("Formel")}});
  FieldOptions formula;
  formula.Formula = "STR(RECNO(),3)+LEFT(DTOS(ZEIT),4)+STR(ZAHL%10,2)+IIF(PREIS>=10,\"j\",\"n\")";
  tables_->Options.Fields[1] = formula;
  run().PBFillDB("300", false);
  EXPECT_TRUE(host_.Messages.empty());
  run().dbAuswahl.reset();

  const std::string b = ReadFileBytes(table_);
  const size_t header = 32 + 6 * 32 + 1 + 263, length = 1 + 10 + 4 + 8 + 8 + 8 + 1;
  ASSERT_EQ(b.size(), header + 300 * length + 1);
  int negatives = 0;
  std::set<int64_t> times;
  for (size_t r = 0; r < 300; ++r) {
    const size_t at = header + r * length;
    const int64_t zahl = LittleEndian(b, at + 11, 4);
    EXPECT_TRUE(std::llabs(zahl) >= 1000 && std::llabs(zahl) <= 2000000000) << zahl;
    negatives += zahl < 0;
    double wert;
    const uint64_t bits = uint64_t(LittleEndian(b, at + 15, 8));
    std::memcpy(&wert, &bits, 8);
    EXPECT_TRUE(wert >= 0.5 && wert <= 1000) << wert;
    EXPECT_DOUBLE_EQ(wert, std::round(wert * 100) / 100);  // two decimals, as shown
    const int64_t preis = LittleEndian(b, at + 23, 8);  // ten-thousandths
    EXPECT_TRUE(preis >= 100000 && preis <= 999999999) << preis;
    const int64_t day = LittleEndian(b, at + 31, 4), ms = LittleEndian(b, at + 35, 4);
    EXPECT_TRUE(day >= 2458850 && day <= 2459215) << day;  // Julian days of 2020
    EXPECT_TRUE(ms >= 0 && ms < 86400000) << ms;
    times.insert(ms);
    char expected[16];
    std::snprintf(expected, sizeof expected, "%3zu%s%2d%s", r + 1, day < 2459216 ? "2020" : "2021",
                  int(zahl % 10), preis >= 100000 ? "j" : "n");
    EXPECT_EQ(b.substr(at + 1, 10), expected);
  }
  EXPECT_GT(negatives, 50);
  EXPECT_GT(times.size(), 250u);  // a time of day drawn for each record
  EXPECT_EQ(b.back(), 0x1A);

  if (access("/usr/bin/ogrinfo", X_OK) == 0) {
    std::string out;
    if (FILE* pipe = popen(("/usr/bin/ogrinfo -q -al -ro '" + table_ + "' 2>&1").c_str(), "r")) {
      char buffer[4096];
      size_t n;
      while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
      pclose(pipe);
    }
    EXPECT_NE(out.find("OGRFeature(ziel):299\n"), std::string::npos) << out.substr(0, 2000);
    EXPECT_EQ(out.find("ERROR"), std::string::npos) << out.substr(0, 2000);
  }

  // Rules beyond the binary range are refused before writing; the fields stay zero.
  Analyse();
  Rule(kN, "ZAHL", {{"MINIMUM", Value(0)}, {"MAXIMUM", Value(3000000000.0)}});
  run().PBFillDB("1", true);
  ASSERT_EQ(host_.Messages.size(), 1u);
  EXPECT_NE(host_.Messages[0].Text.find("ZAHL (Länge 11, 0 Dezimalen)"), std::string::npos)
      << host_.Messages[0].Text;
  run().dbAuswahl.reset();
  EXPECT_EQ(ReadFileBytes(table_).substr(header + 11, 4), std::string(4, '\0'));
  EXPECT_TRUE(NumbersFitFieldOfType(-2147483647, 2147483647, true, 'I', 4, 0));
  EXPECT_FALSE(NumbersFitFieldOfType(0, 2147483647.5, false, 'I', 4, 0));  // rounds beyond
  EXPECT_TRUE(NumbersFitFieldOfType(0, 922337203685477, false, 'Y', 8, 4));
  EXPECT_FALSE(NumbersFitFieldOfType(0, 922337203685478, false, 'Y', 8, 4));
}

TEST_F(FillRunTest, BinaryFieldsInOtherTablesAreFilledWhereCertainAndOtherwiseKeptZero) {
  // A dBase III table with binary fields, as Harbour and others write them: I, B, T and Y of
  // their Visual FoxPro widths are filled; a timestamp (@), an autoincrement (+), a
  // modification time (=) and a 2-byte integer are kept as zero bytes, out of the grids, and
  // stop neither the fill of the others nor the run.
  WriteFileBytes(table_, test::RawTable(0x03, {{"NAME", 'C', 10, 0}, {"ZAHL", 'I', 4, 0},
                                              {"WERT", 'B', 8, 2},  {"ZEIT", 'T', 8, 0},
                                              {"PREIS", 'Y', 8, 4}, {"STEMPEL", '@', 8, 0},
                                              {"NR", '+', 4, 0},    {"GEAENDERT", '=', 8, 0},
                                              {"KURZ", 'I', 2, 0}}));
  Analyse();
  EXPECT_EQ(tables_->Table(kN).RecCount(), 3u);
  EXPECT_EQ(tables_->Table(kD).RecCount(), 1u);
  Rule(kN, "ZAHL", {{"MINIMUM", Value(-5)}, {"MAXIMUM", Value(5)}});
  Rule(kN, "WERT", {{"MINIMUM", Value(1)}, {"MAXIMUM", Value(2)}});
  Rule(kN, "PREIS", {{"MINIMUM", Value(3)}, {"MAXIMUM", Value(4)}});
  Rule(kD, "ZEIT", {{"STARTDATE", Value(Date::FromYmd(2020, 1, 1))},
                    {"ENDDATE", Value(Date::FromYmd(2020, 12, 31))}});
  run().PBFillDB("50", false);
  EXPECT_TRUE(host_.Messages.empty());
  run().dbAuswahl.reset();
  const std::string b = ReadFileBytes(table_);
  const size_t header = 32 + 9 * 32 + 1, length = 1 + 10 + 4 + 8 + 8 + 8 + 8 + 4 + 8 + 2;
  ASSERT_EQ(b.size(), header + 50 * length + 1);
  for (size_t r = 0; r < 50; ++r) {
    const size_t at = header + r * length;
    EXPECT_NE(b.substr(at + 1, 10), std::string(10, ' '));
    EXPECT_LE(std::llabs(LittleEndian(b, at + 11, 4)), 5);
    double wert;
    const uint64_t bits = uint64_t(LittleEndian(b, at + 15, 8));
    std::memcpy(&wert, &bits, 8);
    EXPECT_TRUE(wert >= 1 && wert <= 2) << wert;
    const int64_t day = LittleEndian(b, at + 23, 4);
    EXPECT_TRUE(day >= 2458850 && day <= 2459215) << day;
    const int64_t preis = LittleEndian(b, at + 31, 8);
    EXPECT_TRUE(preis >= 30000 && preis <= 40000) << preis;
    EXPECT_EQ(b.substr(at + 39, 22), std::string(22, '\0')) << r;  // @, +, =, I of 2
  }
  // The preview draws into a copy of the table's own format.
  Analyse();
  Rule(kN, "ZAHL", {{"MINIMUM", Value(7)}, {"MAXIMUM", Value(7)}});
  const PreviewRecords preview = MakePreview(*run().dbAuswahl, *tables_, context_, 2);
  ASSERT_TRUE(preview.Ok) << preview.Error;
  ASSERT_EQ(preview.Rows.size(), 2u);
  EXPECT_EQ(preview.Rows[0][1], "7");
  EXPECT_EQ(preview.Rows[0][5], "");
}

TEST_F(FillRunTest, VorschlagGivesVisualFoxProsBinaryNumbersAndDateTimesRulesTheyHold) {
  // Integer, double, currency and date-time rows got no suggestion at all; an integer's range
  // must stay within what four bytes hold.
  WriteFileBytes(table_, FoxProNumbersTable());
  Analyse();
  SuggestRules(*run().dbAuswahl, *tables_, Date::Today());
  for (const char* name : {"ZAHL", "WERT", "PREIS"})
    EXPECT_GT(RuleValue(kN, name, "MAXIMUM").AsNumber(), 0) << name;
  EXPECT_LE(RuleValue(kN, "ZAHL", "MAXIMUM").AsNumber(), 2147483647.0);
  EXPECT_FALSE(RuleValue(kD, "ZEIT", "STARTDATE").AsDate().IsEmpty());
  Rule(kC, "NAME", {{"QUELLE", Value("Worte")}});  // the only word file of this data folder
  run().PBFillDB("100", false);
  EXPECT_TRUE(host_.Messages.empty()) << host_.Messages[0].Text;
}

TEST_F(FillRunTest, VisualFoxProAutoIncrementFieldsGetTheNextValuesAndTheCounterMovesOn) {
  std::string bytes = FoxProNumbersTable();
  char* zahl = bytes.data() + 32 + 32 * 1;
  zahl[18] = 0x0C;  // autoincrement
  zahl[19] = 100;   // next value 100, little-endian
  zahl[23] = 5;     // step
  WriteFileBytes(table_, bytes);
  Analyse();
  EXPECT_FALSE(RuleValue(kN, "ZAHL", "LAENGE").IsNumber());  // no rule: the table counts
  run().PBFillDB("300", false);
  EXPECT_TRUE(host_.Messages.empty());
  run().dbAuswahl.reset();
  {  // one more record appended alone
    DBServer t(table_, false, false);
    t.Append();
  }
  const std::string b = ReadFileBytes(table_);
  const size_t header = 32 + 6 * 32 + 1 + 263, length = 1 + 10 + 4 + 8 + 8 + 8 + 1;
  ASSERT_EQ(b.size(), header + 301 * length + 1);
  for (size_t r = 0; r < 301; ++r)
    ASSERT_EQ(LittleEndian(b, header + r * length + 11, 4), int64_t(100 + 5 * r)) << r;
  EXPECT_EQ(LittleEndian(b, 32 + 32 * 1 + 19, 4), 100 + 5 * 301);
  EXPECT_EQ(b[32 + 32 * 1 + 23], 5);
}

TEST_F(FillRunTest, AnAutoIncrementCounterNearItsLargestValueRefusesWhatWouldPassIt) {
  // Next value 2147483637, step 5: two more records end at the largest value, three would not.
  std::string bytes = FoxProNumbersTable();
  char* zahl = bytes.data() + 32 + 32 * 1;
  zahl[18] = 0x0C;
  const uint32_t next = 2147483637u;
  for (int b = 0; b < 4; ++b) zahl[19 + b] = char(uint8_t(next >> (8 * b)));
  zahl[23] = 5;
  WriteFileBytes(table_, bytes);
  Analyse();
  run().PBFillDB("3", false);
  ASSERT_EQ(host_.Messages.size(), 1u);
  EXPECT_NE(host_.Messages[0].Text.find("ZAHL"), std::string::npos) << host_.Messages[0].Text;
  run().dbAuswahl.reset();
  EXPECT_EQ(ReadFileBytes(table_), bytes);
  {  // the engine refuses as well, before it writes
    DBServer t(table_, false, false);
    EXPECT_ANY_THROW(t.AppendRecords(3, {}, nullptr));
  }
  EXPECT_EQ(ReadFileBytes(table_), bytes);
  host_.Messages.clear();
  Analyse();
  run().PBFillDB("2", false);
  EXPECT_TRUE(host_.Messages.empty());
  run().dbAuswahl.reset();
  const std::string b = ReadFileBytes(table_);
  EXPECT_EQ(LittleEndian(b, 32 + 32 * 1 + 19, 4), 2147483647);
}

TEST_F(FillRunTest, Dbase7TablesAreFilledByRulesThatNameTheirLongFields) {
  // Two long names alike in their first 10 characters, and a counter that starts at 100.
  const std::vector<test::RawField> fields = {{"NUMMER", '+', 4, 0},
                                              {"ANZAHL", 'I', 4, 0},
                                              {"GEWICHT", 'O', 8, 0},
                                              {"LIEFERDATUM_GEPLANT", '@', 8, 0},
                                              {"LIEFERDATUM_TATSAECHLICH", 'D', 8, 0}};
  WriteFileBytes(table_, test::Dbase7Table(0x04, fields, "DBWINWE0", "", 100));
  Analyse();
  EXPECT_FALSE(RuleValue(kN, "NUMMER", "LAENGE").IsNumber());  // no rule: the table counts
  EXPECT_EQ(RuleValue(kN, "ANZAHL", "LAENGE").AsNumber(), 11);
  EXPECT_EQ(RuleValue(kN, "GEWICHT", "DEZIMALEN").AsNumber(), 2);
  WriteFileBytes(dir_.File("regeln.ini"),
                 "[ANZAHL]\nMINIMUM=1\nMAXIMUM=50\nNEGATIV=1\nPERCENTNEG=50\n"
                 "[GEWICHT]\nMINIMUM=0.5\nMAXIMUM=99.5\n"
                 "[LIEFERDATUM_GEPLANT]\nSTARTDATE=01.01.2020\nENDDATE=31.12.2020\n"
                 "[LIEFERDATUM_TATSAECHLICH]\nSTARTDATE=01.01.2030\nENDDATE=31.12.2030\n"
                 "LEERPROZENT=100\n");
  std::string error;
  ASSERT_TRUE(ApplyRules(dir_.File("regeln.ini"), *run().dbAuswahl, *tables_, error)) << error;
  const std::string written = RulesText(*run().dbAuswahl, *tables_);
  EXPECT_NE(written.find("[LIEFERDATUM_TATSAECHLICH]\n; D(8)\nSTARTDATE=01.01.2030"),
            std::string::npos)
      << written;
  run().PBFillDB("200", false);
  EXPECT_TRUE(host_.Messages.empty());
  run().dbAuswahl.reset();

  const std::string b = ReadFileBytes(table_);
  const size_t header = 68 + 5 * 48 + 1, length = 1 + 4 + 4 + 8 + 8 + 8;
  ASSERT_EQ(b.size(), header + 200 * length + 1);
  auto bigEndian = [&](size_t at, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | uint8_t(b[at + size_t(i)]);
    return v;
  };
  int negatives = 0;
  std::set<uint64_t> times;
  for (size_t r = 0; r < 200; ++r) {
    const size_t at = header + r * length;
    ASSERT_EQ(int32_t(uint32_t(bigEndian(at + 1, 4)) ^ 0x80000000u), int32_t(100 + r)) << r;
    const int32_t anzahl = int32_t(uint32_t(bigEndian(at + 5, 4)) ^ 0x80000000u);
    EXPECT_TRUE(std::abs(anzahl) >= 1 && std::abs(anzahl) <= 50) << anzahl;
    negatives += anzahl < 0;
    const uint64_t stored = bigEndian(at + 9, 8);
    ASSERT_TRUE(stored >> 63) << r;  // every value here is positive
    double gewicht;
    const uint64_t bits = stored & ~(uint64_t(1) << 63);
    std::memcpy(&gewicht, &bits, 8);
    EXPECT_TRUE(gewicht >= 0.5 && gewicht <= 99.5) << gewicht;
    EXPECT_DOUBLE_EQ(gewicht, std::round(gewicht * 100) / 100);
    double stamp;
    const uint64_t stampBits = bigEndian(at + 17, 8);
    std::memcpy(&stamp, &stampBits, 8);
    const double days = std::floor(stamp / 86400000.0);
    EXPECT_TRUE(days >= Date::FromYmd(2020, 1, 1).DayNumber() &&
                days <= Date::FromYmd(2020, 12, 31).DayNumber())
        << stamp;
    times.insert(uint64_t(stamp - days * 86400000.0));
    EXPECT_EQ(b.substr(at + 25, 8), "        ");  // blank in every record, by its whole name
  }
  EXPECT_GT(negatives, 50);
  EXPECT_GT(times.size(), 150u);  // a time of day drawn for each record
  EXPECT_EQ(LittleEndian(b, 68 + 40, 4), 300);  // the counter moved on
}

// A dBase 7 table whose records hold 0, 1 and 2: once with the counter another library left
// (bytes 40-43 read 196608 as little-endian), once with a counter behind the values. New
// values never repeat one the table holds.
TEST_F(FillRunTest, Dbase7CountersNeverRepeatAValueTheTableHolds) {
  for (const uint32_t counter : {196608u, 1u}) {
    std::string bytes = test::Dbase7Table(0x04, {{"NR", '+', 4, 0}}, "DBWINUS0", "", counter);
    bytes.pop_back();  // the end-of-file mark
    for (const uint32_t value : {0u, 1u, 2u}) {
      bytes += ' ';
      const uint32_t stored = value ^ 0x80000000u;  // big-endian with the sign bit flipped
      for (int i = 3; i >= 0; --i) bytes += char(uint8_t(stored >> (8 * i)));
    }
    bytes += '\x1a';
    bytes[4] = 3;
    WriteFileBytes(table_, bytes);
    Analyse();
    run().PBFillDB("2", false);
    run().dbAuswahl.reset();
    const std::string b = ReadFileBytes(table_);
    const size_t header = 68 + 48 + 1;
    std::set<int32_t> values;
    for (size_t r = 0; r < 5; ++r) {
      uint32_t stored = 0;
      for (size_t i = 0; i < 4; ++i) stored = stored << 8 | uint8_t(b[header + r * 5 + 1 + i]);
      values.insert(int32_t(stored ^ 0x80000000u));
    }
    EXPECT_EQ(values.size(), 5u) << counter;
    EXPECT_EQ(*values.rbegin(), int32_t(std::max(counter, 3u) + 1)) << counter;
  }
}

TEST_F(FillRunTest, ThePreviewOfADbase7TableShowsWhatTheRunWrites) {
  const std::vector<test::RawField> fields = {{"NUMMER", '+', 4, 0},
                                              {"KUNDENNAME_LANG", 'C', 12, 0},
                                              {"GEWICHT", 'O', 8, 0},
                                              {"ZEITSTEMPEL", '@', 8, 0},
                                              {"NOTIZ", 'M', 10, 0}};
  WriteFileBytes(table_, test::Dbase7Table(0x8C, fields, "DB437DE0", std::string(3, '\0'), 7));
  WriteFileBytes(dir_.File("ziel.dbt"), test::EmptyDbt4());
  Analyse();
  Rule(kN, "GEWICHT", {{"MINIMUM", Value(1)}, {"MAXIMUM", Value(2)}});
  Rule(kD, "ZEITSTEMPE", {{"STARTDATE", Value(Date::FromYmd(2020, 1, 1))},
                          {"ENDDATE", Value(Date::FromYmd(2020, 1, 1))}});
  const std::string before = ReadFileBytes(table_);
  const PreviewRecords preview = MakePreview(*run().dbAuswahl, *tables_, context_, 3);
  ASSERT_TRUE(preview.Ok) << preview.Error;
  ASSERT_EQ(preview.Rows.size(), 3u);
  EXPECT_EQ(preview.Rows[2][0], "9");  // the table's counter, from 7
  EXPECT_EQ(preview.Rows[0][2].size(), 4u);  // 1.xx or 2.00
  EXPECT_EQ(preview.Rows[0][3], "01.01.2020");
  EXPECT_EQ(ReadFileBytes(table_), before);

  // Visual FoxPro's binary fields, too, are stored by the scratch table as by the target.
  WriteFileBytes(table_, FoxProNumbersTable());
  Analyse();
  Rule(kN, "ZAHL", {{"MINIMUM", Value(5)}, {"MAXIMUM", Value(5)}});
  const PreviewRecords fox = MakePreview(*run().dbAuswahl, *tables_, context_, 1);
  ASSERT_TRUE(fox.Ok) << fox.Error;
  EXPECT_EQ(fox.Rows[0][1], "5");
}

// Rules loaded through the definition tables (the window's way) keep their references: the
// preview shows the parent's real keys with their names, and JE decides the record count.
TEST_F(FillRunTest, ReferencesSurviveTheDefinitionTablesInPreviewAndRun) {
  const std::string parent = dir_.File("kunden.dbf");
  ASSERT_TRUE(DBServer::Create(parent, {{"KDNR", 'N', 6, 0}, {"NAME", 'C', 12, 0}}, "DBFNTX"));
  {
    DBServer t(parent, false, false);
    for (const auto& [nr, name] : {std::pair{11, "Anna"}, {22, "Bert"}, {33, "Cleo"}}) {
      t.Append();
      t.FieldPut("KDNR", Value(nr));
      t.FieldPut("NAME", Value(name));
    }
    t.Close();
  }
  MakeTarget(0, {{"KDNR", 'N', 6, 0}, {"NAME", 'C', 20, 0}});
  WriteFileBytes(dir_.File("regeln.ini"),
                 "[KDNR]\nQUELLE=Tabelle\nTABELLE=kunden.dbf\nFELD=KDNR\nJE=1..1\n"
                 "[NAME]\nQUELLE=Tabelle\nFELD=NAME\nMIT=KDNR\n");
  std::string error;
  ASSERT_TRUE(ApplyRules(dir_.File("regeln.ini"), *run().dbAuswahl, *tables_, error)) << error;
  const PreviewRecords preview = MakePreview(*run().dbAuswahl, *tables_, context_, 2);
  ASSERT_TRUE(preview.Ok) << preview.Error;
  ASSERT_EQ(preview.Rows.size(), 2u);
  EXPECT_EQ(preview.Rows[0][0], "11");
  EXPECT_EQ(preview.Rows[1][1], "Bert");

  run().PBFillDB("1", false);  // the count follows from the three parents, one child each
  EXPECT_TRUE(host_.Messages.empty());
  EXPECT_EQ(run().nGeschrieben, 3u);
  run().dbAuswahl.reset();
  DBServer t(table_, true, true);
  ASSERT_EQ(t.RecCount(), 3u);
  t.GoTo(3);
  EXPECT_EQ(t.FieldGet("KDNR").AsNumber(), 33);
  EXPECT_EQ(TrimRight(t.FieldGet("NAME").AsText()), "Cleo");
}

// What a reference cannot do is refused with its reason before anything is written.
TEST_F(FillRunTest, ReferencesThatCannotBeKeptAreRefused) {
  const std::string parent = dir_.File("kunden.dbf");
  ASSERT_TRUE(DBServer::Create(parent, {{"KDNR", 'N', 6, 0}, {"NAME", 'C', 12, 0}}, "DBFNTX"));
  MakeTarget(0, {{"KDNR", 'N', 6, 0}, {"NAME", 'C', 4, 0}});
  const std::string before = ReadFileBytes(table_);
  auto refusal = [&](const std::string& rules, uint32_t count) {
    Analyse();  // the rules of the last call forgotten
    host_.Messages.clear();
    WriteFileBytes(dir_.File("regeln.ini"), rules);
    std::string error;
    EXPECT_TRUE(ApplyRules(dir_.File("regeln.ini"), *run().dbAuswahl, *tables_, error)) << error;
    run().lNurPruefen = true;
    run().PBFillDB(std::to_string(count), false);
    run().lNurPruefen = false;
    std::string all;
    for (const auto& m : host_.Messages) all += m.Text + "\n";
    return all;
  };
  const std::string key = "[KDNR]\nQUELLE=Tabelle\nTABELLE=kunden.dbf\nFELD=KDNR\n";
  EXPECT_NE(refusal(key, 5).find("enthält keine Datensätze"), std::string::npos);
  {
    DBServer t(parent, false, false);
    for (const auto& [nr, name] : {std::pair{1, "Alexandra"}, {2, "Bo"}}) {
      t.Append();
      t.FieldPut("KDNR", Value(nr));
      t.FieldPut("NAME", Value(name));
    }
    t.Close();
  }
  EXPECT_NE(refusal(key + "EINDEUTIG=1\n", 3).find("hat aber nur 2"), std::string::npos);
  EXPECT_EQ(refusal(key + "EINDEUTIG=1\n", 2), "");
  // A name longer than the child's field, and a field looked up with one that draws nothing.
  EXPECT_NE(refusal(key + "[NAME]\nQUELLE=Tabelle\nFELD=NAME\nMIT=KDNR\n", 2), "");
  EXPECT_NE(refusal("[NAME]\nQUELLE=Tabelle\nFELD=NAME\nMIT=KDNR\n", 2).find("nachgeschlagen"),
            std::string::npos);
  EXPECT_NE(refusal(key + "[NAME]\nQUELLE=Tabelle\nFELD=GIBTSNICHT\nMIT=KDNR\n", 2)
                .find("GIBTSNICHT"),
            std::string::npos);
  EXPECT_EQ(ReadFileBytes(table_), before);
}

TEST_F(FillRunTest, VisualFoxProVarcharsAndMemosAreFilledAndPreviewed) {
  WriteFileBytes(table_, test::VisualFoxProTable());
  WriteFileBytes(dir_.File("ziel.fpt"), test::EmptyFpt());
  Analyse();
  Rule(kC, "NOTE", {{"QUELLE", Value("Worte")}});
  Rule(kM, "MEMO", {{"MINWORDS", Value(2)}, {"MAXWORDS", Value(2)}, {"QUELLE", Value("Worte")}});
  const PreviewRecords preview = MakePreview(*run().dbAuswahl, *tables_, context_, 2);
  ASSERT_TRUE(preview.Ok) << preview.Error;
  ASSERT_EQ(preview.Rows.size(), 2u);
  EXPECT_TRUE(preview.Rows[0][1] == "Haus" || preview.Rows[0][1] == "Baum" ||
              preview.Rows[0][1] == "Weg")
      << preview.Rows[0][1];
  EXPECT_NE(preview.Rows[0][5].find(' '), std::string::npos) << preview.Rows[0][5];
  run().PBFillDB("20", false);
  EXPECT_TRUE(host_.Messages.empty());
  for (const std::string& note : Texts("NOTE"))
    EXPECT_TRUE(note == "Haus" || note == "Baum" || note == "Weg") << note;
  for (const std::string& memo : Texts("MEMO")) EXPECT_NE(memo.find(' '), std::string::npos);
}

}  // namespace
}  // namespace fw
