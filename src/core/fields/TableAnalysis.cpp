#include "core/fields/TableAnalysis.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "core/platform/DbfVersion.h"
#include "core/platform/GetRdd.h"

namespace fw {

const char* const kAnalyseFailureText =
    "Bei der Analyse des angegebenen Files ist ein Fehler aufgetreten.\r\n"
    "Ev. ist es kein DBase File, es ist korrupt., oder\r\n"
    "es konnte aus anderen Gründen nicht geöffnet werden";

std::string MissingTableText(const std::string& path) {
  return "Die Datei " + path + " ist nicht vorhanden.";
}

namespace {

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return s;
}

// Index files of the table's name beside it, in any case of the letters.
std::vector<std::string> IndexFilesBeside(const std::string& path) {
  namespace fs = std::filesystem;
  std::vector<std::string> found;
  std::error_code ec;
  fs::path table(path);
  const std::string stem = Lower(table.stem().string());
  fs::path folder = table.has_parent_path() ? table.parent_path() : fs::path(".");
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& entry = it->path();
    std::string ext = Lower(entry.extension().string());
    if (Lower(entry.stem().string()) == stem &&
        (ext == ".ntx" || ext == ".cdx" || ext == ".mdx" || ext == ".idx")) {
      found.push_back(entry.string());
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::string UnfillableReason(const std::string& path) {
  // The header with its field list: its length is in bytes 8-9.
  std::vector<unsigned char> header(32);
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return {};
  size_t size = std::fread(header.data(), 1, header.size(), f);
  if (size == 32) {
    header.resize(std::max<size_t>(32, size_t(header[8]) | size_t(header[9]) << 8));
    size += std::fread(header.data() + 32, 1, header.size() - 32, f);
  }
  std::error_code ec;
  const uint64_t fileSize = std::filesystem::file_size(path, ec);
  std::fclose(f);
  if (ec) return {};
  return UnfillableTableText(header.data(), size, fileSize);
}

}  // namespace

AnalysisResult Analyse(const std::string& path, const RunContext& context) {
  RunErrorScope errors(context);
  AnalysisResult result;
  result.Message = kAnalyseFailureText;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec) && !ec) {
    result.Message = MissingTableText(path);
    return result;
  }
  // A table of a format the program cannot fill is refused with what it is, not as damaged.
  if (std::string why = UnfillableReason(path); !why.empty()) {
    result.Message = why;
    return result;
  }
  const std::string driver = GetRDD(path);
  if (driver.empty()) return result;
  result.Driver = driver;

  // A memo file that is not there (a table copied without it) costs only the memo fields:
  // they stay empty in the new records, and the table stays as other programs read it.
  auto table = std::make_unique<DBServer>(path, false, false, driver, true);
  if (!table->Used()) return result;  // the error block has reported why
  table->SetIndex(0);
  if (table->HasAutoIncrement()) {
    // An autoincrement field of a type other than the integer: its counter is not kept here.
    result.Message = "Die Tabelle hat ein Feld mit automatisch hochgezähltem Wert (Visual "
                     "FoxPro, Autoinkrement).\r\nSolche Tabellen können nicht gefüllt werden.";
    return result;
  }
  result.RecordCount = table->RecCount();
  result.IndexFiles = IndexFilesBeside(path);
  result.HasStaleIndexRisk = table->HasProductionIndex() || !result.IndexFiles.empty();
  result.MemoFileMissing = table->MemoFileMissing();

  const std::vector<FieldInfo>& structure = table->DBStruct();
  for (size_t i = 1; i <= structure.size(); ++i)
    if (table->IsAutoIncrementField(int(i))) continue;  // the table counts its values on
    else if (structure[i - 1].Length == 0) continue;      // a column without room for a value
    else if (structure[i - 1].Type == 'M' && table->MemoFileMissing()) continue;
    else if (KindOfField(structure[i - 1])) result.RuleFields.push_back(i);
  result.Ok = true;
  result.Message.clear();
  result.Table = std::move(table);
  return result;
}

AnalysisResult Analyse(const std::string& path, DefinitionTables& tables,
                       const RunContext& context) {
  AnalysisResult result = Analyse(path, context);
  if (result.Ok) {
    const std::vector<FieldInfo>& structure = result.Table->DBStruct();
    for (const size_t i : result.RuleFields)
      tables.Append(*KindOfField(structure[i - 1]), structure, i);
    tables.GoTopAll();
  }
  return result;
}

RuleSet BlankRules(const AnalysisResult& analysis) {
  RuleSet set;
  if (!analysis.Table) return set;
  const std::vector<FieldInfo>& structure = analysis.Table->DBStruct();
  for (FieldKind kind : kFieldKinds)
    for (const size_t i : analysis.RuleFields)
      if (KindOfField(structure[i - 1]) == kind)
        set.Rules.push_back(BlankRule(kind, structure[i - 1]));
  PlaceRules(set, structure);
  return set;
}

}  // namespace fw
