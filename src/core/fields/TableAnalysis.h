#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/app/RunContext.h"
#include "core/fields/DefinitionTables.h"
#include "core/platform/DBServer.h"

namespace fw {

// What the analysis of a chosen target table found, for the window to show.
struct AnalysisResult {
  bool Ok = false;                 // false: show Message (caption "Fehlermeldung")
  std::string Message;             // the three-line failure text, "\r\n"-joined (UTF-8)
  std::string Driver;              // detected driver
  uint32_t RecordCount = 0;
  bool HasStaleIndexRisk = false;  // production-index flag, or index files of the table's name
  std::vector<std::string> IndexFiles;  // (.ntx/.cdx/.mdx/.idx) found beside it
  bool MemoFileMissing = false;  // memo fields without their memo file: they get no rows
  std::unique_ptr<DBServer> Table;      // the opened target (exclusive), when Ok
  // The fields that get a rule (1-based, in field order): every field of a kind the program
  // fills, but autoincrement fields, fields without room and memos without their memo file.
  std::vector<size_t> RuleFields;
};

// The three lines shown when a file is no usable DBF table.
extern const char* const kAnalyseFailureText;
// The text shown when there is no file at `path`.
std::string MissingTableText(const std::string& path);

// Analyses the table at `path` into the definition tables. Closes nothing itself: the caller
// closes its old target first. Detects the driver with GetRDD, opens the table exclusively
// with it (errors of the table layer reach the context's error handling), selects no index,
// counts the records, appends one definition row per C/N/D/L/M field and moves every
// definition table to its first row. The detected driver is in the result as soon as the file
// is recognised, even when it then cannot be opened; the program keeps it as its current
// driver.
AnalysisResult Analyse(const std::string& path, DefinitionTables& tables,
                       const RunContext& context);
// The same without definition tables: the fields that get a rule are in RuleFields.
AnalysisResult Analyse(const std::string& path, const RunContext& context);
// A rule without any rule yet for each of the analysis's RuleFields, kind by kind in the fill
// order, placed on the target's fields: what the definition rows hold after Analyse.
RuleSet BlankRules(const AnalysisResult& analysis);

}  // namespace fw
