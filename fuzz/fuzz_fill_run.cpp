// A whole fill on arbitrary input: a table and a rules file go through the analysis, the
// rules, the check pass and the run, as fuellwerk-fill takes them. Checked here: a table that
// is refused (by the analysis, the rules or the check pass) stays byte for byte as it was; a
// filled table opens again with the records it had, unchanged, and the new ones counted.
// Input layout: byte 0 gives the records to append (1 to 16), bytes 1-2 (little-endian) the
// length of the table part; the table part follows, the rest is the rules file.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FuzzFolder.h"
#include "core/app/RunContext.h"
#include "core/fields/DefinitionTables.h"
#include "core/fields/RulesFile.h"
#include "core/fields/TableAnalysis.h"
#include "core/generate/FillHost.h"
#include "core/generate/FillRun.h"
#include "core/generate/Random.h"
#include "core/platform/DBServer.h"
#include "core/platform/DbfVersion.h"
#include "core/platform/Error.h"

namespace {

struct SilentHost : fw::QuietFillHost {
  void ShowMessage(const std::string&, const std::string&, fw::MessageIcon) override {}
};

struct Setup {
  std::string folder = fuzz::PrivateFolder("fuzzfill");
  fw::RandomStream random{1};
  fw::RunContext context;
  uint32_t errors = 0;
  std::unique_ptr<fw::DefinitionTables> tables;

  Setup() {
    context.DataFolder = folder;
    context.Random = &random;
    context.OnError = [this](fw::Error&) {
      ++errors;
      return fw::ErrorAction::Default;
    };
    fw::RunErrorScope scope(context);
    for (fw::FieldKind kind : {fw::FieldKind::Character, fw::FieldKind::Numeric,
                               fw::FieldKind::Logic, fw::FieldKind::Date, fw::FieldKind::Memo}) {
      if (!fw::DBServer::Create(folder + fw::DefinitionTables::FileName(kind),
                                fw::DefinitionTables::Structure(kind), "DBFNTX"))
        std::abort();
    }
    tables = std::make_unique<fw::DefinitionTables>(context);
    fuzz::WriteBytes(folder + "Worte.txt", "Alpha,Beta,Gamma,M\xFC\xDFig,,Delta");
  }
};

// Empty memo files, so that tables with memo fields open: a .dbt for dBase III and IV (next
// free block 1, block size 512, both little-endian) and an .fpt (next free block 8, block size
// 64, both big-endian).
std::string EmptyMemo() {
  std::string m(512, '\0');
  m[0] = 1;
  m[21] = 2;
  return m;
}

std::string EmptyFpt() {
  std::string m(512, '\0');
  m[3] = 8;
  m[7] = 64;
  return m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  static Setup* setup = new Setup;
  const uint32_t records = 1 + data[0] % 16;
  const size_t tableSize = std::min<size_t>(size - 3, size_t(data[1]) | (size_t(data[2]) << 8));
  const std::string table(reinterpret_cast<const char*>(data + 3), tableSize);
  const std::string rules(reinterpret_cast<const char*>(data + 3 + tableSize), size - 3 - tableSize);

  const std::string path = setup->folder + "t.dbf";
  fuzz::WriteBytes(path, table);
  fuzz::WriteBytes(setup->folder + "t.dbt", EmptyMemo());
  fuzz::WriteBytes(setup->folder + "t.fpt", EmptyFpt());
  fuzz::WriteBytes(setup->folder + "regeln.ini", rules);

  fw::RunErrorScope scope(setup->context);
  setup->errors = 0;
  setup->tables->DB_Zap();
  fw::AnalysisResult analysis = fw::Analyse(path, *setup->tables, setup->context);
  auto refusedUnchanged = [&] {
    analysis.Table.reset();
    if (fuzz::ReadBytes(path) != table) std::abort();  // a refused table must stay as it was
    return 0;
  };
  if (!analysis.Ok || !analysis.Table || setup->errors > 0) return refusedUnchanged();
  std::string error;
  if (!rules.empty() &&
      !fw::ApplyRules(setup->folder + "regeln.ini", *analysis.Table, *setup->tables, error))
    return refusedUnchanged();
  if (setup->errors > 0) return refusedUnchanged();

  SilentHost host;
  fw::FillRun run(host, *setup->tables, setup->context);
  run.nVorhanden = analysis.RecordCount;
  run.dbAuswahl = std::move(analysis.Table);
  run.lNurPruefen = true;
  run.PBFillDB(std::to_string(records), false);
  if (run.nAbgelehnt > 0 || setup->errors > 0) {
    run.dbAuswahl.reset();
    if (fuzz::ReadBytes(path) != table) std::abort();
    return 0;
  }
  const uint32_t before = run.nVorhanden;
  // An autoincrement field moves the counter in its descriptor on: those bytes may change.
  std::string expected = table;
  std::vector<std::pair<size_t, size_t>> counted;
  const bool dbase7 = fw::IsDbase7(uint8_t(table[0]));
  for (size_t i = 0; i < run.dbAuswahl->DBStruct().size(); ++i)
    if (run.dbAuswahl->IsAutoIncrementField(int(i + 1)))
      counted.emplace_back(dbase7 ? 68 + 48 * i : 32 + 32 * i, dbase7 ? 48 : 32);
  run.lNurPruefen = false;
  run.PBFillDB(std::to_string(records), false);
  const bool failed = setup->errors > 0;
  run.dbAuswahl.reset();

  // The records the table had are untouched, and it opens again with them counted.
  const std::string now = fuzz::ReadBytes(path);
  for (const auto& [at, length] : counted)
    if (now.size() >= at + length) expected.replace(at, length, now, at, length);
  const size_t headerLength = uint8_t(table[8]) | uint8_t(table[9]) << 8;
  const size_t recordLength = uint8_t(table[10]) | uint8_t(table[11]) << 8;
  const size_t old = headerLength + size_t(before) * recordLength;
  if (now.size() < old || now.compare(0, 1, table, 0, 1) != 0 ||
      now.compare(8, headerLength - 8, expected, 8, headerLength - 8) != 0 ||
      now.compare(headerLength, old - headerLength, table, headerLength, old - headerLength) != 0)
    std::abort();
  fw::DBServer again(path, true, true);
  if (!again.Used() || again.RecCount() < before ||
      (!failed && again.RecCount() != before + records))
    std::abort();
  return 0;
}
