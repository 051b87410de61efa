#include "core/fields/TableAnalysis.h"

namespace fw {

const char* const kAnalyseFailureText =
    "Bei der Analyse des angegebenen Files ist ein Fehler aufgetreten.\r\n"
    "Ev. ist es kein DBase File, es ist korrupt., oder\r\n"
    "es konnte aus anderen Gründen nicht geöffnet werden";

AnalysisResult Analyse(const std::string&, DefinitionTables&) {
  AnalysisResult result;
  result.Message = kAnalyseFailureText;
  return result;
}

}  // namespace fw
