// A table's index files after a fill: tables other xBase software wrote with their index files,
// filled by the fill run, then every tag read back by DBD-XBase's XBase::Index and held against
// the records: keys in order, as many as the FOR condition takes, each the key expression's
// value on its record. Files the program cannot build exactly stay byte for byte.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "core/expr/DbfRecordView.h"
#include "core/expr/Expression.h"
#include "core/fields/DefinitionTables.h"
#include "core/fields/TableAnalysis.h"
#include "core/generate/FillRun.h"
#include "core/generate/FillTestSupport.h"
#include "core/generate/Random.h"
#include "core/index/FoxIndexTestSupport.h"
#include "core/index/IndexTestFiles.h"
#include "core/index/FoxIndexHeader.h"
#include "core/index/TableIndexes.h"
#include "support/TempDir.h"

namespace fw {
namespace {

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

// A record of the test's own reading of the table, seen by expressions.
class RawRecord final : public expr::RecordView {
public:
  RawRecord(const std::vector<std::string>& names, const std::map<std::string, std::string>& fields,
            uint32_t recNo, bool deleted)
      : names_(names), fields_(fields), recNo_(recNo), deleted_(deleted) {}
  std::string_view Text(uint32_t f) const override { return fields_.at(names_[f]); }
  double Number(uint32_t f) const override { return expr::NumberOfFieldText(Text(f)); }
  Date DateOf(uint32_t f) const override { return Date::FromDbf(Text(f)); }
  bool Logic(uint32_t f) const override {
    const std::string_view t = Text(f);
    return !t.empty() && (t[0] == 'T' || t[0] == 't' || t[0] == 'Y' || t[0] == 'y');
  }
  uint32_t RecNo() const override { return recNo_; }
  bool Deleted() const override { return deleted_; }

private:
  const std::vector<std::string>& names_;
  const std::map<std::string, std::string>& fields_;
  uint32_t recNo_;
  bool deleted_;
};

// Checks every tag of an index file against the table, through DBD-XBase.
void ExpectIndexTrue(const std::string& dbf, const IndexFileInfo& info) {
  SCOPED_TRACE(info.Path);
  const test::RawTable table = test::ReadRawTable(dbf);
  std::vector<std::string> names;
  expr::FieldList fields;
  {
    DBServer server(dbf, false, true);
    for (const FieldInfo& f : server.DBStruct()) {
      const char type = f.Type == 'F' ? 'N' : f.Type;
      if (type != 'C' && type != 'N' && type != 'D' && type != 'L') continue;
      fields.Add(f.Name, {uint32_t(names.size()), expr::ExprType(type), f.Length, f.Decimals});
      names.push_back(f.Name);
    }
  }
  const bool multi = info.Format == IndexFormat::Cdx || info.Format == IndexFormat::Mdx;
  const bool descendingInFile = info.Format == IndexFormat::Ntx || info.Format == IndexFormat::Mdx;
  for (const IndexTag& tag : info.Tags) {
    SCOPED_TRACE(tag.Name + ": " + tag.KeyExpression);
    auto key = expr::Compile(tag.KeyExpression, fields);
    ASSERT_TRUE(key) << key.Error.Message;
    std::unique_ptr<expr::Expression> condition;
    if (!tag.ForExpression.empty()) {
      auto compiled = expr::Compile(tag.ForExpression, fields);
      ASSERT_TRUE(compiled) << compiled.Error.Message;
      condition = std::move(compiled.Compiled);
    }
    const bool numeric = key.Compiled->Type() == expr::ExprType::Number ||
                         (key.Compiled->Type() == expr::ExprType::Date && tag.KeyLength == 8 &&
                          info.Format != IndexFormat::Ntx);
    // FoxPro's compressed pages leave out trailing zero bytes of number and date keys, not
    // blanks: a number key ending in 20h read back by FoxPro or Harbour with zero bytes there is
    // another number (found by Harbour's check of a tag on an N(10,3) field).
    if (info.Format == IndexFormat::Cdx || info.Format == IndexFormat::Idx) {
      EXPECT_EQ(FoxTrailByte(tag), numeric ? '\0' : ' ');
    }
    // The key each record gives, as XBase::Index prints it (text) or as a number.
    std::vector<std::string> texts(table.Records.size() + 1);
    std::vector<double> numbers(table.Records.size() + 1);
    std::vector<bool> taken(table.Records.size() + 1);
    std::map<std::string, uint32_t> firstOfKey;
    uint64_t takenCount = 0;
    for (uint32_t r = 1; r <= table.Records.size(); ++r) {
      RawRecord record(names, table.Records[r - 1], r, table.Deleted[r - 1]);
      const Value v = key.Compiled->Evaluate(record);
      if (v.IsDate()) {
        const Date d = v.AsDate();
        numbers[r] = d.IsEmpty() ? 0 : d.DayNumber() + 1721425.0;
        texts[r] = d.ToDbf();
      } else if (v.IsNumber()) {
        numbers[r] = v.AsNumber();
      } else if (v.IsLogic()) {
        texts[r] = v.AsLogic() ? "T" : "F";
      } else {
        texts[r] = Trimmed(v.AsText().substr(0, tag.KeyLength));
      }
      taken[r] = !condition || condition->EvalLogic(record);
      if (!taken[r]) continue;
      char n[64];
      std::snprintf(n, sizeof n, "%.6f", numbers[r]);
      if (firstOfKey.emplace(numeric ? std::string(n) : texts[r], r).second || !tag.Unique)
        ++takenCount;
    }
    // DBD-XBase refuses Harbour's NTX signature with the FOR flag; such a file is walked by
    // the tests' own reader. MDX number and date keys it prints as their raw bytes: there the
    // order of the records it walks is held against their values.
    std::vector<std::pair<std::string, uint32_t>> entries;
    if (info.Format == IndexFormat::Ntx && !tag.ForExpression.empty())
      entries = test::WalkNtx(info.Path);
    else
      entries = test::XBaseIndexEntries(info.Path, multi ? tag.Name : "", numeric ? 'N' : 'C');
    const bool printedReadable = !(numeric && info.Format == IndexFormat::Mdx);
    ASSERT_EQ(entries.size(), takenCount);
    std::set<uint32_t> seen;
    const bool descending = tag.Descending && descendingInFile;
    for (size_t i = 0; i < entries.size(); ++i) {
      const auto& [printed, recNo] = entries[i];
      ASSERT_TRUE(recNo >= 1 && recNo <= table.Records.size() && taken[recNo]) << recNo;
      ASSERT_TRUE(seen.insert(recNo).second) << recNo;
      const uint32_t previous = i > 0 ? entries[i - 1].second : 0;
      if (numeric) {
        if (printedReadable) {
          const double got = std::stod(printed);
          EXPECT_NEAR(got, numbers[recNo], 1e-6 * std::max(1.0, std::fabs(got))) << i;
        }
        if (previous) {
          EXPECT_TRUE(descending ? numbers[previous] >= numbers[recNo]
                                 : numbers[previous] <= numbers[recNo]) << i;
        }
      } else {
        EXPECT_EQ(Trimmed(printed), texts[recNo]) << i;
        if (previous) {
          EXPECT_TRUE(descending ? texts[previous] >= texts[recNo] : texts[previous] <= texts[recNo])
              << i;
        }
        if (tag.Unique) {
          EXPECT_EQ(firstOfKey.at(texts[recNo]), recNo) << i;
        }
      }
    }
  }
}

// Fixture tables copied with their index files into a temporary folder, the definition
// tables in another, and a fill run on a fake window.
class TableIndexesTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!test::HaveXBaseIndex()) GTEST_SKIP() << "perl with XBase::Index (libdbd-xbase-perl) fehlt";
    SetDateFormat(GermanDateFormat());
    ASSERT_TRUE(DefinitionTables::CreateEmpty(data_.Folder()));
    context_.DataFolder = data_.Folder();
    context_.Random = &random_;
    random_.Seed(4711);
    tables_ = std::make_unique<DefinitionTables>(context_);
  }

  std::string Copy(std::initializer_list<const char*> names) {
    for (const char* name : names)
      test::WriteFileBytes(dir_.File(std::filesystem::path(name).filename().string()),
                           test::ReadFileBytes(test::IndexData(name)));
    return dir_.File(std::filesystem::path(*names.begin()).filename().string());
  }

  // Analyses the table and fills `records` records with the rules the analysis gives.
  void Fill(const std::string& table, IndexPlan& plan, uint32_t records, test::FakeHost& host) {
    tables_->DB_Zap();
    AnalysisResult result = Analyse(table, *tables_, context_);
    ASSERT_TRUE(result.Ok) << result.Message;
    FillRun run(host, *tables_, context_);
    run.nVorhanden = result.RecordCount;
    run.dbAuswahl = std::move(result.Table);
    run.Indexes = &plan;
    stop_ = [&] { run.PBStop(); };
    run.PBFillDB(std::to_string(records), false);
    summary_ = run.Summary();
    outcome_ = run.IndexesRebuilt;
    run.dbAuswahl->Close();
  }

  test::TempDir data_, dir_;
  RandomStream random_;
  RunContext context_;
  std::unique_ptr<DefinitionTables> tables_;
  std::function<void()> stop_;
  std::string summary_;
  IndexRebuildOutcome outcome_;
};

TEST_F(TableIndexesTest, AFillKeepsEveryIndexOfTheTableTrue) {
  struct Case {
    std::initializer_list<const char*> Files;
    std::vector<std::string> Named;
    std::string Planned;
  };
  const Case cases[] = {
      {{"liefer.dbf", "liefer.ntx", "lfirma.ntx", "lplzseit.ntx", "lsaldo.ntx", "lnrakt.ntx",
        "lfirma6.ntx", "gross.ntx"},
       {"lfirma.ntx", "lplzseit.ntx", "lsaldo.ntx", "lnrakt.ntx", "lfirma6.ntx"},
       "liefer.ntx, lfirma.ntx, lplzseit.ntx, lsaldo.ntx, lnrakt.ntx, lfirma6.ntx werden nach dem "
       "Füllen neu aufgebaut."},
      {{"cdx/bestand.dbf", "cdx/bestand.fpt", "cdx/bestand.cdx"},
       {},
       "bestand.cdx (6 Tags) wird nach dem Füllen neu aufgebaut."},
      {{"kasse.dbf", "kasse.ndx"}, {}, "kasse.ndx wird nach dem Füllen neu aufgebaut."},
      {{"mdx/personal.dbf", "mdx/personal.mdx"},
       {},
       "personal.mdx (4 Tags) wird nach dem Füllen neu aufgebaut."},
  };
  for (const Case& c : cases) {
    const std::string table = Copy(c.Files);
    SCOPED_TRACE(table);
    std::vector<std::string> named;
    for (const std::string& n : c.Named) named.push_back(dir_.File(n));
    IndexPlan plan = PlanTableIndexes(table, named);
    ASSERT_FALSE(plan.Lines().empty());
    EXPECT_EQ(plan.Lines()[0], c.Planned);
    const std::string untouched = test::ReadFileBytes(dir_.File("gross.ntx"));
    test::FakeHost host;
    Fill(table, plan, 100, host);
    EXPECT_TRUE(outcome_.Failed.empty()) << outcome_.Text();
    EXPECT_EQ(outcome_.Rebuilt.size(), plan.Files().size());
    EXPECT_NE(summary_.find(" neu aufgebaut; die Tabelle enthält jetzt "), std::string::npos)
        << summary_;
    for (const PlannedIndex& f : plan.Files()) ExpectIndexTrue(table, f.Info);
    // An index file of another table in the folder is no one's to touch.
    EXPECT_EQ(test::ReadFileBytes(dir_.File("gross.ntx")), untouched);
  }
}

// Stopped after the first piece of records written: the indexes hold exactly the records the
// table then counts.
TEST_F(TableIndexesTest, AStoppedFillLeavesTheIndexesTrueForTheRecordsWritten) {
  struct StoppingHost : test::FakeHost {
    std::function<void()>* Stop = nullptr;
    void ShowWriteProgress(uint32_t written, uint32_t) override {
      if (written > 0) (*Stop)();
    }
  } host;
  host.Stop = &stop_;
  const std::string table = Copy({"liefer.dbf", "liefer.ntx", "lnrakt.ntx"});
  IndexPlan plan = PlanTableIndexes(table, {dir_.File("lnrakt.ntx")});
  Fill(table, plan, 60000, host);
  const uint32_t count = uint32_t(test::ReadRawTable(table).Records.size());
  EXPECT_GT(count, 25u);
  EXPECT_LT(count, 60025u);
  EXPECT_NE(summary_.find("(Not- halt)"), std::string::npos) << summary_;
  ASSERT_EQ(outcome_.Rebuilt.size(), 2u) << outcome_.Text();
  for (const PlannedIndex& f : plan.Files()) ExpectIndexTrue(table, f.Info);
}

// A key the program cannot build exactly leaves its file as it is and says why; index files of
// the folder that read the table's fields are named as candidates and left alone unless named.
// An index whose keys are not what the program builds for the records there are (an
// application that upper-cases and sorts with a national code page wrote it, or it is out of
// date) stays as it is: a rebuild would change what the application finds. Here two records
// changed places behind the index's back.
TEST_F(TableIndexesTest, AnIndexWhoseKeysTheProgramBuildsOtherwiseStaysAsItIs) {
  const std::string table = Copy({"liefer.dbf", "liefer.ntx"});
  std::string dbf = test::ReadFileBytes(table);
  const size_t header = uint8_t(dbf[8]) | uint8_t(dbf[9]) << 8;
  const size_t length = uint8_t(dbf[10]) | uint8_t(dbf[11]) << 8;
  const std::string first = dbf.substr(header, length);
  dbf.replace(header, length, dbf.substr(header + length, length));
  dbf.replace(header + length, length, first);
  test::WriteFileBytes(table, dbf);
  const std::string ntx = test::ReadFileBytes(dir_.File("liefer.ntx"));

  IndexPlan plan = PlanTableIndexes(table, {});
  ASSERT_FALSE(plan.Lines().empty());
  EXPECT_EQ(plan.Lines()[0].rfind("liefer.ntx bleibt, wie sie ist: Der Datensatz ", 0), 0u)
      << plan.Lines()[0];
  test::FakeHost host;
  Fill(table, plan, 20, host);
  EXPECT_EQ(test::ReadFileBytes(dir_.File("liefer.ntx")), ntx);
}

TEST_F(TableIndexesTest, AnIndexItCannotBuildStaysByteForByteWithItsReason) {
  const std::string table = Copy({"liefer.dbf", "liefer.ntx", "lfirma.ntx", "grname.ntx"});
  std::string ntx = test::ReadFileBytes(dir_.File("liefer.ntx"));
  const std::string key = "DTOC(SEIT)";
  ntx.replace(22, 256, key + std::string(256 - key.size(), '\0'));
  test::WriteFileBytes(dir_.File("liefer.ntx"), ntx);
  const std::string lfirma = test::ReadFileBytes(dir_.File("lfirma.ntx"));

  IndexPlan plan = PlanTableIndexes(table, {});
  ASSERT_EQ(plan.Lines().size(), 2u);
  EXPECT_EQ(plan.Lines()[0],
            "liefer.ntx bleibt, wie sie ist: Der Schlüssel von „LIEFER“ hängt mit DTOC oder CTOD "
            "vom Datumsformat der Anwendung ab (SET DATE).");
  EXPECT_EQ(plan.Lines()[1],
            "Weitere Indexdateien im Ordner passen zur Tabelle: lfirma.ntx; sie werden nur neu "
            "aufgebaut, wenn Sie sie nennen.");
  EXPECT_TRUE(plan.LeavesAny());
  test::FakeHost host;
  Fill(table, plan, 100, host);
  EXPECT_EQ(test::ReadFileBytes(dir_.File("liefer.ntx")), ntx);
  EXPECT_EQ(test::ReadFileBytes(dir_.File("lfirma.ntx")), lfirma);
  EXPECT_TRUE(outcome_.Rebuilt.empty());
}

}  // namespace
}  // namespace fw
