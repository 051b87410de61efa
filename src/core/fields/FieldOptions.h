#pragma once
#include <map>
#include <string>
#include <vector>

namespace fw {

// Options of one field beyond the rule columns of its definition row. They live in memory
// beside the definition tables, so that delivered tables of every age keep their structure.
struct FieldOptions {
  bool Unique = false;      // no two appended records get the same value
  double BlankPercent = 0;  // share of appended records whose field stays blank, 0 to 100
  // A numeric field gets the postcode of the record's place (as "Postleitzahl" gives it to a
  // character field) instead of a number of its rule's range.
  bool Postcode = false;
  // A date field gets a date 0 to AfterDays days after the date of the field at this position
  // (1-based) in the same record; 0: its own rule's range.
  int AfterField = 0;
  int AfterDays = kDefaultAfterDays;
  static constexpr int kDefaultAfterDays = 30;
  static constexpr int kMaxAfterDays = 36500;

  bool IsDefault() const { return !Unique && BlankPercent == 0 && !Postcode && AfterField == 0; }
};

// The options of the fields of one target table, by field position (1-based, as the table
// counts its fields: two fields of the same name, or names longer than a definition row holds,
// keep options of their own), and the share of appended records that are marked deleted.
struct TableOptions {
  std::map<int, FieldOptions> Fields;
  double DeletedPercent = 0;
  // The index files the user names (RuleSet::IndexFiles).
  std::vector<std::string> IndexFiles;

  // The options of the field at `fieldPos`; the defaults when it has none.
  FieldOptions Of(int fieldPos) const {
    const auto it = Fields.find(fieldPos);
    return it == Fields.end() ? FieldOptions{} : it->second;
  }
  void Clear() {
    Fields.clear();
    DeletedPercent = 0;
    IndexFiles.clear();
  }
};

}  // namespace fw
