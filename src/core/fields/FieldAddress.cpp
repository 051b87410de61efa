#include "core/fields/FieldAddress.h"

#include "core/fields/FieldKind.h"
#include "core/platform/CodePage.h"
#include "core/platform/TextTrim.h"

namespace fw {
namespace {

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return out;
}

// The positions (0-based) of the fields whose whole name is `name`, without regard to case.
std::vector<size_t> FieldsNamed(const std::vector<FieldInfo>& structure, std::string_view name) {
  const std::string wanted = Upper(TrimRight(name, " "));
  std::vector<size_t> found;
  for (size_t i = 0; i < structure.size(); ++i)
    if (Upper(structure[i].Name) == wanted) found.push_back(i);
  return found;
}

}  // namespace

std::string FieldKey(std::string_view name) {
  std::string key = Upper(TrimRight(name, " "));
  if (key.size() > 10) key.resize(10);
  while (!key.empty() && key.back() == ' ') key.pop_back();
  return key;
}

uint32_t PlaceAmongSameType(const std::vector<FieldInfo>& structure, size_t index0) {
  const std::string key = FieldKey(structure.at(index0).Name);
  const std::optional<FieldKind> kind = KindOfField(structure[index0]);
  uint32_t place = 0;
  for (size_t i = 0; i <= index0; ++i)
    if (KindOfField(structure[i]) == kind && FieldKey(structure[i].Name) == key) ++place;
  return place;
}

bool GoToFieldRow(DBServer& table, const std::vector<FieldInfo>& structure, size_t index0) {
  const std::string key = FieldKey(structure[index0].Name);
  uint32_t place = PlaceAmongSameType(structure, index0);
  for (uint32_t i = 1; i <= table.RecCount(); ++i) {
    table.GoTo(i);
    if (FieldKey(table.FieldGet(kFieldNameColumn).AsText()) == key && --place == 0) return true;
  }
  return false;
}

int FieldOfKindAt(const std::vector<FieldInfo>& structure, std::string_view key, FieldKind kind,
                  uint32_t place) {
  const std::string wanted = FieldKey(key);
  for (size_t i = 0; i < structure.size(); ++i) {
    if (KindOfField(structure[i]) != kind || FieldKey(structure[i].Name) != wanted) continue;
    if (--place == 0) return int(i + 1);
  }
  return 0;
}

std::string RulesSectionName(const std::vector<FieldInfo>& structure, size_t index0) {
  const std::vector<size_t> same = FieldsNamed(structure, structure.at(index0).Name);
  if (same.size() <= 1) return structure[index0].Name;
  size_t place = 1;
  while (same[place - 1] != index0) ++place;
  return structure[index0].Name + " (" + std::to_string(place) + ")";
}

int FieldOfRulesSection(const std::vector<FieldInfo>& structure, std::string_view section,
                        std::string& why) {
  section = TrimRight(section, " ");
  const std::vector<size_t> exact = FieldsNamed(structure, section);
  if (exact.size() == 1) return int(exact[0] + 1);
  const std::string shown = Cp1252ToUtf8(section);
  if (exact.size() > 1) {
    why = "Das Feld " + shown + " gibt es " + std::to_string(exact.size()) +
          "-mal; gemeint ist [" + shown + " (1)] bis [" + shown + " (" +
          std::to_string(exact.size()) + ")].";
    return 0;
  }
  // NAME (k): the k-th field of that name.
  const size_t open = section.rfind(" (");
  if (open != std::string_view::npos && section.back() == ')' && open + 3 < section.size()) {
    const std::string_view digits = section.substr(open + 2, section.size() - open - 3);
    uint64_t place = 0;
    bool number = digits.size() <= 5;
    for (char c : digits) {
      if (c < '0' || c > '9') number = false;
      else place = place * 10 + uint64_t(c - '0');
    }
    if (number && place > 0) {
      const std::vector<size_t> same = FieldsNamed(structure, section.substr(0, open));
      if (place <= same.size() && same.size() > 1) return int(same[place - 1] + 1);
    }
  }
  why = "Das Feld " + shown + " gibt es in der Tabelle nicht.";
  return 0;
}

}  // namespace fw
