#pragma once
#include <string>
#include <vector>

#include "core/fields/FieldKind.h"
#include "core/fields/FieldOptions.h"
#include "core/fields/RuleSource.h"
#include "core/platform/Date.h"

namespace fw {

// The rule of one field of the target table: what the fill run fills it with. One value type
// for every kind; the members of other kinds keep their defaults. The definition tables, the
// rules files, the suggestions and the window all read and write rules through it
// (DefinitionTables.h: LoadRuleSet and StoreRule; RulesFile.h).
//
// A new rule parameter is a typed member here (next to the kind or source it belongs to), a
// column in FieldKind.cpp when the grids are to show it, a key in RulesFile.cpp, and its use
// in the fill run's method of the kind.
struct FieldRule {
  FieldKind Kind = FieldKind::Character;
  // The field's name as its definition row holds it (Windows-1252, at most 10 characters,
  // without trailing blanks) and its 1-based position in the target (0: the target has no
  // field of this kind at the row's place; the fill run then looks it up by name and says why
  // it cannot fill it).
  std::string Field;
  int FieldPos = 0;
  // The field's length and decimals as the grids show them (binary numbers with the width
  // and decimals of their values as text).
  uint32_t Length = 0, Decimals = 0;

  // Character and memo fields: where the values come from.
  RuleSource Source;
  // Character fields filled from "Random": the most letters, and whether every value has
  // exactly that many.
  double MaxLength = 0;
  bool FixLength = false;
  // Numeric fields: the range (both 0: the field stays blank), and the share of negative
  // values in percent when negatives are allowed.
  double Minimum = 0, Maximum = 0;
  bool Negative = false;
  double PercentNeg = 0;
  // Logical fields: the share of true values in percent (0: the field stays blank).
  double PercentTrue = 0;
  // Date fields: the range; an empty date is the earliest (01.01.1900) or today.
  Date Start, End;
  // Memo fields: the fewest and most words (both 0: the field stays blank).
  double MinWords = 0, MaxWords = 0;

  // Distinct values, blank share, the postcode of the place, a date after another field.
  FieldOptions Options;

  // Character, numeric and date fields whose source is another table (SourceKind::Table; a
  // numeric or date rule's Source is only ever that or the default).
  TableReference Reference;
};

// The rules of one target table, in the fill order of the definition tables (kind by kind,
// each kind's rules in the order of the table's fields), and the options of the whole table.
struct RuleSet {
  std::vector<FieldRule> Rules;
  // Share of appended records that are marked deleted, 0 to 100.
  double DeletedPercent = 0;
  // Index files the user names beyond those that belong to the table: rebuilt after a fill
  // (paths as the program opens them).
  std::vector<std::string> IndexFiles;

  // The rule of the field at 1-based `fieldPos`; nullptr when no rule has that field.
  const FieldRule* AtField(int fieldPos) const {
    for (const FieldRule& rule : Rules)
      if (fieldPos > 0 && rule.FieldPos == fieldPos) return &rule;
    return nullptr;
  }
  FieldRule* AtField(int fieldPos) {
    return const_cast<FieldRule*>(static_cast<const RuleSet*>(this)->AtField(fieldPos));
  }
  // The options of the field at `fieldPos`; the defaults when no rule has it.
  FieldOptions OptionsOf(int fieldPos) const {
    const FieldRule* rule = AtField(fieldPos);
    return rule ? rule->Options : FieldOptions{};
  }
};

}  // namespace fw
