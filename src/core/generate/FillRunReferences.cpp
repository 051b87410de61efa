// The fill run's fields that take their values from another table: key fields that draw a
// parent record per new record, and fields looked up with them.
#include <algorithm>
#include <filesystem>
#include <limits>

#include "core/app/Utilities.h"
#include "core/fields/FieldAddress.h"
#include "core/generate/FillRun.h"
#include "core/generate/RunSummary.h"
#include "core/platform/CodePage.h"

namespace fw {
namespace {

std::string Utf8(std::string_view cp1252) { return Cp1252ToUtf8(cp1252); }

bool RefersToTable(const FieldRule& rule) {
  return rule.Source.Kind == SourceKind::Table &&
         (rule.Kind == FieldKind::Character || rule.Kind == FieldKind::Numeric ||
          rule.Kind == FieldKind::Date);
}

}  // namespace

bool FillRun::PrepareReferences() {
  references_.clear();
  if (std::none_of(Rules.Rules.begin(), Rules.Rules.end(), RefersToTable)) return true;
  const std::vector<FieldInfo>& structure = dbAuswahl->DBStruct();
  auto refuse = [&](const FieldRule& rule, const std::string& text) {
    currentField_ = Utf8(rule.Field);
    Refuse("Achtung", text + "\r\nDas Feld " + Utf8(rule.Field) + " wird nicht gefüllt.");
  };
  // The key fields, and the parent fields each parent table is read for.
  std::vector<const FieldRule*> keys;
  std::map<std::string, std::vector<std::string>> wanted;  // by the parent's path
  for (const FieldRule& rule : Rules.Rules) {
    if (!RefersToTable(rule) || !rule.Reference.With.empty()) continue;
    if (rule.Reference.Path.empty() || rule.Reference.Field.empty()) {
      refuse(rule, "Für das Feld " + Utf8(rule.Field) +
                       " aus einer Tabelle fehlt TABELLE oder FELD.");
      continue;
    }
    keys.push_back(&rule);
  }
  auto keyOf = [&](const std::string& name) -> const FieldRule* {
    for (const FieldRule* key : keys)
      if (FieldKey(key->Field) == FieldKey(name)) return key;
    return nullptr;
  };
  for (const FieldRule* key : keys) wanted[key->Reference.Path].push_back(key->Reference.Field);
  for (const FieldRule& rule : Rules.Rules) {
    if (!RefersToTable(rule) || rule.Reference.With.empty()) continue;
    const FieldRule* key = keyOf(rule.Reference.With);
    if (!key || rule.Reference.Field.empty()) continue;  // refused when it is planned
    wanted[key->Reference.Path].push_back(rule.Reference.Field);
  }

  // Every parent table once, read-only.
  std::map<std::string, std::shared_ptr<const ParentValues>> parents;
  std::map<std::string, std::string> unreadable;  // path: why
  for (auto& [path, names] : wanted) {
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
      unreadable[path] = "Die Tabelle " + path + " gibt es nicht.";
      continue;
    }
    DBServer parent(path, true, true);
    if (!parent.Used()) {
      unreadable[path] = "Die Tabelle " + path + " kann nicht geöffnet werden.";
      continue;
    }
    auto values = std::make_shared<ParentValues>();
    std::string error;
    if (!ReadParentValues(parent, names, *values, error)) {
      unreadable[path] = error;
      continue;
    }
    parents[path] = std::move(values);
  }

  // One draw per key field.
  const FieldRule* perParent = nullptr;
  for (const FieldRule* key : keys) {
    const TableReference& ref = key->Reference;
    if (const auto bad = unreadable.find(ref.Path); bad != unreadable.end()) {
      refuse(*key, bad->second);
      continue;
    }
    const std::shared_ptr<const ParentValues>& parent = parents[ref.Path];
    const int pos = dbAuswahl->FieldPos(key->Field);
    if (pos <= 0 || KindOfField(structure[size_t(pos - 1)]) != key->Kind) continue;  // refused later
    const ParentColumn* column = parent->Column(ref.Field);
    if (!column) continue;  // ReadParentValues has refused an unknown field
    if (const std::string why = ParentFitsField(*column, structure[size_t(pos - 1)]); !why.empty()) {
      refuse(*key, why);
      continue;
    }
    const bool pending = lNurPruefen && std::find(PendingParents.begin(), PendingParents.end(),
                                                  ref.Path) != PendingParents.end();
    if (parent->Records == 0 && !pending) {
      refuse(*key, "Die Tabelle " + ref.Path + " enthält keine Datensätze, auf die das Feld " +
                       Utf8(key->Field) + " verweisen kann.");
      continue;
    }
    if (ref.PerParent && perParent) {
      refuse(*key, "Nur ein Feld einer Tabelle kann JE haben; " + Utf8(perParent->Field) +
                       " hat es schon.");
      continue;
    }
    Reference reference;
    reference.Parent = parent;
    reference.Draw.Parents = parent->Records;
    reference.Draw.Seed = NextSeed();
    if (ref.PerParent) {
      reference.Draw.How = ReferenceDraw::Mode::PerParent;
      reference.Draw.MinChildren = ref.MinChildren;
      reference.Draw.MaxChildren = ref.MaxChildren;
      perParent = key;
    } else if (key->Options.Unique) {
      reference.Draw.How = ReferenceDraw::Mode::Distinct;
    }
    references_[FieldKey(key->Field)] = std::move(reference);
  }

  // Children per parent: the parents and the draw say how many records are written.
  if (perParent) {
    const Reference& reference = references_[FieldKey(perParent->Field)];
    uint64_t count = ParentPicker::ChildCount(reference.Draw);
    if (reference.Parent->Records == 0) count = 1;  // a check run before the parent is filled
    if (count == 0 || count > std::numeric_limits<uint32_t>::max()) {
      currentField_ = Utf8(perParent->Field);
      Refuse("Achtung", "Mit JE=" + std::to_string(perParent->Reference.MinChildren) + ".." +
                            std::to_string(perParent->Reference.MaxChildren) + " ergeben " +
                            std::to_string(reference.Parent->Records) + " Datensätze von " +
                            perParent->Reference.Path + " " + GroupedNumber(count) +
                            " Datensätze; so viele kann die Tabelle nicht aufnehmen.");
      return false;
    }
    // The preview shows the first of those records.
    nSaetze = lVorschau ? std::min(nSaetze, uint32_t(count)) : uint32_t(count);
  }
  // Each parent at most once: there must be enough of them.
  for (const FieldRule* key : keys) {
    const auto found = references_.find(FieldKey(key->Field));
    if (found == references_.end() || found->second.Draw.How != ReferenceDraw::Mode::Distinct)
      continue;
    if (found->second.Draw.Parents < nSaetze && found->second.Parent->Records > 0) {
      refuse(*key, "Das Feld " + Utf8(key->Field) + " soll " + std::to_string(nSaetze) +
                       " verschiedene Datensätze von " + key->Reference.Path +
                       " nennen, die Tabelle hat aber nur " +
                       std::to_string(found->second.Draw.Parents) + ".");
      references_.erase(found);
    }
  }
  return true;
}

void FillRun::FillReference(FieldRule& rule) {
  const std::string& cFeld = rule.Field;
  const FieldKind kind = rule.Kind;
  const int pos = TargetField(cFeld, kind);
  if (pos == 0) return;
  const TableReference& ref = rule.Reference;
  const bool lookedUp = !ref.With.empty();
  const auto found = references_.find(lookedUp ? FieldKey(ref.With) : FieldKey(cFeld));
  if (found == references_.end()) {
    // A key field without a draw has been refused already.
    if (lookedUp)
      Refuse("Achtung", "Das Feld " + Utf8(cFeld) + " soll mit dem Feld " + Utf8(ref.With) +
                            " nachgeschlagen werden, das aber keine Werte aus einer Tabelle "
                            "erhält.\r\nDas Feld wird nicht gefüllt.");
    return;
  }
  const Reference& reference = found->second;
  if (lookedUp && !ref.Table.empty()) {
    const FieldRule* key = nullptr;
    for (const FieldRule& other : Rules.Rules)
      if (RefersToTable(other) && other.Reference.With.empty() &&
          FieldKey(other.Field) == FieldKey(ref.With))
        key = &other;
    if (key && key->Reference.Path != ref.Path) {
      Refuse("Achtung", "Das Feld " + Utf8(cFeld) + " nennt die Tabelle " + ref.Path +
                            ", sein Schlüssel " + Utf8(ref.With) + " aber " + key->Reference.Path +
                            ".\r\nDas Feld wird nicht gefüllt.");
      return;
    }
  }
  const ParentColumn* column = reference.Parent->Column(ref.Field);
  if (!column) {
    Refuse("Achtung", "Die Tabelle " + reference.Parent->Path + " hat kein Feld " +
                          Utf8(ref.Field) + ".\r\nDas Feld " + Utf8(cFeld) +
                          " wird nicht gefüllt.");
    return;
  }
  const FieldInfo& field = dbAuswahl->DBStruct()[size_t(pos - 1)];
  if (lookedUp) {
    if (const std::string why = ParentFitsField(*column, field); !why.empty()) {
      Refuse("Achtung", why + "\r\nDas Feld " + Utf8(cFeld) + " wird nicht gefüllt.");
      return;
    }
  }
  if (reference.Parent->Records == 0) return;  // a check run before the parent is filled
  auto source = WithOptions(pos, std::make_unique<ReferenceColumn>(reference.Draw,
                                                                   reference.Parent, *column));
  StartGauge(kind, cFeld);
  const uint32_t count = CountRecords(kind, StopTest::BeforeRecord);
  AddPlan(pos, count, std::move(source));
  host_.SetStatusText(kind, "Beendet");
}

}  // namespace fw
