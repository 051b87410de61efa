#pragma once
#include <map>
#include <string>

namespace fw {

// Options of one field beyond the rule columns of its definition row. They live in memory
// beside the definition tables, so that delivered tables of every age keep their structure.
struct FieldOptions {
  bool Unique = false;      // no two appended records get the same value
  double BlankPercent = 0;  // share of appended records whose field stays blank, 0 to 100

  bool IsDefault() const { return !Unique && BlankPercent == 0; }
};

// The options of the fields of one target table, by field name (upper case, as the table
// stores it), and the share of appended records that are marked deleted.
struct TableOptions {
  std::map<std::string, FieldOptions> Fields;
  double DeletedPercent = 0;

  // The options of `field`; the defaults when it has none.
  FieldOptions Of(const std::string& field) const {
    const auto it = Fields.find(field);
    return it == Fields.end() ? FieldOptions{} : it->second;
  }
  void Clear() {
    Fields.clear();
    DeletedPercent = 0;
  }
};

}  // namespace fw
