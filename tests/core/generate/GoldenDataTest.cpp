#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "core/fields/DefinitionTables.h"
#include "core/fields/TableAnalysis.h"
#include "core/generate/FillRun.h"
#include "core/generate/FillTestSupport.h"
#include "core/generate/Random.h"
#include "core/platform/Date.h"
#include "support/TempDir.h"

// Same seed, same data: a table filled with a fixed seed and fixed rules has the same bytes in
// every version of the program, for every driver. The checksums below pin those bytes. When one
// of them changes, generated data has changed: that must be deliberate, and the commit that
// changes the number says so and why (users reproduce test tables from a seed).

namespace fw {
namespace {

using test::FakeHost;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

constexpr FieldKind kC = FieldKind::Character, kN = FieldKind::Numeric, kL = FieldKind::Logic,
                    kD = FieldKind::Date, kM = FieldKind::Memo;

// Every field type the program fills, each with a rule that reaches a different generator.
const std::vector<FieldInfo> kFields = {
    {"NAME", 'C', 20, 0},   {"KENNUNG", 'C', 12, 0}, {"CODE", 'C', 6, 0},
    {"BETRAG", 'N', 12, 2}, {"ANZAHL", 'N', 5, 0},   {"AKTIV", 'L', 1, 0},
    {"DATUM", 'D', 8, 0},   {"NOTIZ", 'M', 10, 0},   {"ZUFALL", 'M', 10, 0}};

constexpr uint64_t kSeed = 20240611;
constexpr const char* kRecords = "300";

// FNV-1a, 64 bits: enough to notice any changed byte, and written out here so that the numbers
// do not depend on a library.
uint64_t Fnv1a(const std::string& bytes, uint64_t hash = 0xcbf29ce484222325ull) {
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 0x100000001b3ull;
  }
  return hash;
}

class GoldenDataTest : public ::testing::TestWithParam<std::pair<const char*, uint64_t>> {
protected:
  void SetUp() override {
    SetDateFormat(GermanDateFormat());
    ASSERT_TRUE(DefinitionTables::CreateEmpty(data_.Folder()));
    WriteFileBytes(data_.File("Worte.txt"),
                   "Haus, Baum, Weg, Feld, Wiese, Bach, M\xFChle, Garten, Hof, Dorf");
    WriteFileBytes(data_.File("Orte.txt"), "Bern,\r\nBasel,\r\nZ\xFCrich,\r\nThun,\r\nBiel\r\n");
    context_.DataFolder = data_.Folder();
    context_.Random = &random_;
    tables_ = std::make_unique<DefinitionTables>(context_);
    run_ = std::make_unique<FillRun>(host_, *tables_, context_);
  }

  void Rule(FieldKind kind, const std::string& field,
            const std::vector<std::pair<std::string, Value>>& columns) {
    test::SetRule(*tables_, kind, field, columns);
  }

  TempDir dir_, data_;
  RandomStream random_;
  RunContext context_;
  FakeHost host_;
  std::unique_ptr<DefinitionTables> tables_;
  std::unique_ptr<FillRun> run_;
};

TEST_P(GoldenDataTest, FixedSeedAndRulesGiveTheSameBytes) {
  const auto [driver, expected] = GetParam();
  const std::string table = dir_.File("gold.dbf");
  ASSERT_TRUE(DBServer::Create(table, kFields, driver));
  AnalysisResult result = Analyse(table, *tables_, context_);
  ASSERT_TRUE(result.Ok) << result.Message;
  run_->nVorhanden = result.RecordCount;
  run_->dbAuswahl = std::move(result.Table);

  Rule(kC, "NAME", {{"QUELLE", Value("Orte")}});
  Rule(kC, "KENNUNG", {{"QUELLE", Value("Random")}, {"MAXLENGTH", Value(8)}});
  Rule(kC, "CODE",
       {{"QUELLE", Value("Random")}, {"MAXLENGTH", Value(6)}, {"FIXLENGTH", Value(true)}});
  Rule(kN, "BETRAG",
       {{"MINIMUM", Value(0.5)}, {"MAXIMUM", Value(99999.99)}, {"NEGATIV", Value(true)},
        {"PERCENTNEG", Value(30)}});
  Rule(kN, "ANZAHL", {{"MINIMUM", Value(1)}, {"MAXIMUM", Value(500)}});
  Rule(kL, "AKTIV", {{"PERCENTTRU", Value(40)}});
  Rule(kD, "DATUM", {{"STARTDATE", Value(Date::FromYmd(1990, 1, 1))},
                     {"ENDDATE", Value(Date::FromYmd(2020, 12, 31))}});
  Rule(kM, "NOTIZ", {{"MINWORDS", Value(0)}, {"MAXWORDS", Value(40)}});
  Rule(kM, "ZUFALL",
       {{"QUELLE", Value("Random")}, {"MINWORDS", Value(1)}, {"MAXWORDS", Value(6)}});

  random_.Seed(kSeed);
  run_->PBFillDB(kRecords, false);
  EXPECT_TRUE(host_.Messages.empty());
  EXPECT_EQ(run_->nGeschrieben, 300u);
  run_->dbAuswahl.reset();

  // The header's date of last update (bytes 1 to 3) is the day of the run: left out.
  std::string dbf = ReadFileBytes(table);
  ASSERT_GT(dbf.size(), 4u);
  dbf[1] = dbf[2] = dbf[3] = 0;
  const std::string memo =
      ReadFileBytes(dir_.File(std::string(driver) == "DBFCDX" ? "gold.fpt" : "gold.dbt"));
  ASSERT_FALSE(memo.empty());
  const uint64_t checksum = Fnv1a(memo, Fnv1a(dbf));
  char shown[24];
  std::snprintf(shown, sizeof shown, "0x%016llx", static_cast<unsigned long long>(checksum));
  EXPECT_EQ(checksum, expected) << driver << " now gives " << shown;
}

INSTANTIATE_TEST_SUITE_P(
    Drivers, GoldenDataTest,
    ::testing::Values(std::pair<const char*, uint64_t>{"DBFNTX", 0x861d71219b306b64ull},
                      std::pair<const char*, uint64_t>{"DBFMDX", 0xc3f4874decd5e6d0ull},
                      std::pair<const char*, uint64_t>{"DBFCDX", 0xaef4af9cc4f3d40aull}),
    [](const auto& info) { return std::string(info.param.first); });

}  // namespace
}  // namespace fw
