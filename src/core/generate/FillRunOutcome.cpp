// What a run left out: the refusals, and after a stop the fields it left blank or cut short.
#include <algorithm>

#include "core/fields/FieldAddress.h"
#include "core/generate/FillRun.h"
#include "core/platform/CodePage.h"
#include "core/platform/TextTrim.h"

namespace fw {

void FillRun::ForgetOutcome() {
  Abgelehnt.clear();
  Unreached.clear();
  FilledUpTo.clear();
  lGestoppt = false;
  currentField_.clear();
  startRec_ = 1;
}

void FillRun::NoteUnreached(FieldKind kind, uint32_t fromRow) {
  uint32_t row = 0;
  for (const FieldRule& rule : Rules.Rules) {
    if (rule.Kind != kind || ++row < fromRow) continue;
    const std::string name(TrimRight(rule.Field));
    if (!name.empty()) Unreached.push_back(Cp1252ToUtf8(name));
  }
}

void FillRun::NoteUnplannedLaterDates() {
  // A date that follows another is planned after every other date field: a stop in the
  // date pass leaves it unplanned.
  for (const auto& [pos, cFeld] : laterDates_)
    if (!dateRecipes_.count(pos)) Unreached.push_back(Cp1252ToUtf8(cFeld));
}

void FillRun::NoteCutShort(int fieldPos, uint32_t count) {
  if (fieldPos <= 0 || count >= nSaetze || !dbAuswahl) return;  // 0: the deletion flag
  const std::vector<FieldInfo>& structure = dbAuswahl->DBStruct();
  if (size_t(fieldPos) > structure.size()) return;
  const std::string name = Cp1252ToUtf8(RulesSectionName(structure, size_t(fieldPos - 1)));
  if (count == 0) Unreached.push_back(name);
  else FilledUpTo.emplace_back(name, startRec_ + count - 1);
}

}  // namespace fw
