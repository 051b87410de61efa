// A rules file of arbitrary bytes applied to a table whose fields cover every kind, with
// names as other programs write them (the same name three times, lower case, a hyphen).
// Checked here: a file that is accepted is written back by --write-rules into a file that is
// accepted again and gives the same rules.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "FuzzFolder.h"
#include "core/app/RunContext.h"
#include "core/fields/DefinitionTables.h"
#include "core/fields/RulesFile.h"
#include "core/fields/TableAnalysis.h"
#include "core/generate/Random.h"
#include "core/platform/DBServer.h"
#include "core/platform/Error.h"

namespace {

struct Setup {
  std::string folder = fuzz::PrivateFolder("fuzzrules");
  fw::RandomStream random{1};
  fw::RunContext context;
  std::unique_ptr<fw::DefinitionTables> tables;
  std::unique_ptr<fw::DBServer> target;

  Setup() {
    context.DataFolder = folder;
    context.Random = &random;
    context.OnError = [](fw::Error&) { return fw::ErrorAction::Default; };
    fw::RunErrorScope scope(context);
    for (fw::FieldKind kind : {fw::FieldKind::Character, fw::FieldKind::Numeric,
                               fw::FieldKind::Logic, fw::FieldKind::Date, fw::FieldKind::Memo}) {
      if (!fw::DBServer::Create(folder + fw::DefinitionTables::FileName(kind),
                                fw::DefinitionTables::Structure(kind), "DBFNTX"))
        std::abort();
    }
    tables = std::make_unique<fw::DefinitionTables>(context);
    // NAME C(10), NAME N(8,2), NAME D; KD_NR N(20,15); AKTIV L; NOTIZ M; LIEFDAT D.
    const std::string path = folder + "ziel.dbf";
    if (!fw::DBServer::Create(path,
                              {{"NAME", 'C', 10, 0}, {"WERT", 'N', 8, 2}, {"DATUM", 'D', 8, 0},
                               {"KD_NR", 'N', 20, 15}, {"AKTIV", 'L', 1, 0},
                               {"NOTIZ", 'M', 10, 0}, {"LIEFDAT", 'D', 8, 0}},
                              "DBFNTX"))
      std::abort();
    // Other programs' names: WERT and DATUM become "name" and "Name", KD_NR "kd-nr".
    std::string bytes = fuzz::ReadBytes(path);
    bytes.replace(64, 4, std::string("name", 4));
    bytes.replace(96, 5, std::string("Name\0", 5));
    bytes[128 + 2] = '-';
    fuzz::WriteBytes(path, bytes);
    fw::AnalysisResult analysis = fw::Analyse(path, *tables, context);
    if (!analysis.Ok) {
      std::fprintf(stderr, "%s\n", analysis.Message.c_str());
      std::abort();
    }
    target = std::move(analysis.Table);
  }

  void Reset() {
    tables->DB_Zap();
    const std::vector<fw::FieldInfo>& s = target->DBStruct();
    tables->AppendCharacter(s, 1);
    tables->AppendNumeric(s, 2);
    tables->AppendDate(s, 3);
    tables->AppendNumeric(s, 4);
    tables->AppendLogic(s, 5);
    tables->AppendMemo(s, 6);
    tables->AppendDate(s, 7);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Setup* setup = new Setup;
  fw::RunErrorScope scope(setup->context);
  setup->Reset();
  const std::string rules = setup->folder + "regeln.ini";
  fuzz::WriteBytes(rules, std::string_view(reinterpret_cast<const char*>(data), size));
  std::string error;
  if (!fw::ApplyRules(rules, *setup->target, *setup->tables, error)) {
    if (error.empty()) std::abort();  // a refusal says why
    return 0;
  }
  const std::string written = setup->folder + "geschrieben.ini";
  if (!fw::WriteRules(written, *setup->target, *setup->tables, error)) std::abort();
  setup->Reset();
  if (!fw::ApplyRules(written, *setup->target, *setup->tables, error)) std::abort();
  const std::string again = setup->folder + "nochmal.ini";
  if (!fw::WriteRules(again, *setup->target, *setup->tables, error)) std::abort();
  if (fuzz::ReadBytes(written) != fuzz::ReadBytes(again)) std::abort();  // the written rules round-trip
  return 0;
}
