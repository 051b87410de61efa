#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/fields/RuleSource.h"

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

  // A source with parameters for a numeric, logical or date field (List, Mask, Sequence,
  // Constant or Formula; character and memo fields name theirs in their rule's Source), and
  // the parameters of whichever source with parameters the field has. Texts in Windows-1252
  // as the rules file gives them; the fill run checks them against the field before writing.
  std::optional<SourceKind> Source;
  std::string Values;    // WERTE: the weighted list ("offen:6,bezahlt:3")
  std::string MaskText;  // MASKE: the pattern of a mask, or of a sequence in a text field
  std::optional<int64_t> SequenceStart;  // START; none: on from the table's largest number
  int64_t SequenceStep = 1;              // SCHRITT, never 0
  std::string GroupField;  // GRUPPE: the sequence counts from its start again per value
  std::string Constant;    // WERT, in the rules file's notation of the field's type
  std::string Formula;     // FORMEL: an xBase expression over the record's fields

  bool HasParameters() const {
    return Source || !Values.empty() || !MaskText.empty() || SequenceStart ||
           SequenceStep != 1 || !GroupField.empty() || !Constant.empty() || !Formula.empty();
  }
  bool IsDefault() const {
    return !Unique && BlankPercent == 0 && !Postcode && AfterField == 0 && !HasParameters();
  }
};

// Where a field filled from another table (the parent) takes its values. A key field draws a
// parent record per new record and gets its field `Field`; a looked-up field (`With` set)
// copies `Field` of the very parent record that the key field `With` of its record drew.
struct TableReference {
  std::string Table;  // TABELLE as written (Windows-1252)
  std::string Path;   // the table's path: absolute as written, else beside the rules file when
                      // it is there, else beside the target table
  std::string Field;  // FELD: the parent's field (upper case)
  std::string With;   // MIT: the key field of this table (upper case); empty for a key
  // JE=MIN..MAX: every parent record gets MinChildren to MaxChildren new records, and the
  // number of records the run appends follows from them.
  bool PerParent = false;
  uint32_t MinChildren = 0, MaxChildren = 0;

  bool operator==(const TableReference&) const = default;
};

// The options of the fields of one target table, by field position (1-based, as the table
// counts its fields: two fields of the same name, or names longer than a definition row holds,
// keep options of their own), and the share of appended records that are marked deleted.
struct TableOptions {
  std::map<int, FieldOptions> Fields;
  double DeletedPercent = 0;
  // Where the fields filled from another table take their values (a rules file sets them; the
  // definition rows hold only the source's name).
  std::map<int, TableReference> References;
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
    References.clear();
    IndexFiles.clear();
  }
};

}  // namespace fw
