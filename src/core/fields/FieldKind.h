#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace fw {

// The five field types the program fills, in the order the fill run fills them. Each has its
// definition table, grid, gauge and status text.
enum class FieldKind { Character = 0, Numeric = 1, Logic = 2, Date = 3, Memo = 4 };
constexpr int kFieldKindCount = 5;

// Every kind, in the fill order.
constexpr FieldKind kFieldKinds[kFieldKindCount] = {FieldKind::Character, FieldKind::Numeric,
                                                    FieldKind::Logic, FieldKind::Date,
                                                    FieldKind::Memo};

// How a rule column's value is written by hand (in a rules file): None marks the columns that
// describe the field (its name, length and decimals) and are taken from the table itself.
enum class RuleValue { None, Text, Whole, Number, Logic, Date };

struct FieldRule;
class Value;

// One column of a definition table, and the member of the typed rule (FieldRule.h) it holds:
// Get gives the member as the column's value, Set puts a column's value into the member. The
// column names are spelled here and nowhere else; a rules file's keys are these names.
struct DefinitionColumn {
  const char* Name;
  char Type;
  uint32_t Length;
  uint32_t Decimals;
  RuleValue Rule;
  // The column's caption in the window's grid; nullptr for the source column, which the grid
  // shows under its own name with the source picker.
  const char* Caption;
  Value (*Get)(const FieldRule& rule);
  void (*Set)(FieldRule& rule, const Value& value);
};

// What belongs to one kind: the DBF type letter of its fields, the file of its definition table
// in the data folder, and that table's columns in order.
struct FieldKindInfo {
  char Letter;
  const char* FileName;
  std::span<const DefinitionColumn> Columns;
};

const FieldKindInfo& InfoOf(FieldKind kind);

// The column every definition table names its field in, and the column of the source.
extern const char* const kFieldNameColumn;
extern const char* const kSourceColumn;

inline char TypeLetter(FieldKind kind) { return InfoOf(kind).Letter; }

// The column `name` of the kind's definition table; nullptr when it has none.
const DefinitionColumn* ColumnOf(FieldKind kind, std::string_view name);

// The kind that fills fields of DBF type `type`; none for the types the program does not fill.
std::optional<FieldKind> KindOfType(char type);

struct FieldInfo;
// The kind that fills the field, from the layout its table's format gives it (LayoutOf):
// Character for text and Visual FoxPro's varchar (V); Numeric for decimal numbers and the
// binary integer (I, dBase 7's +), double (B, dBase 7's O) and currency (Y); Date for dates,
// the date-time (T) and dBase 7's time stamp (@); none for the fields whose bytes the program
// does not write. Memo for memo fields, Visual FoxPro's 4-byte block numbers included.
std::optional<FieldKind> KindOfField(const FieldInfo& field);

// The most whole digits the numeric range columns (MINIMUM, MAXIMUM) hold.
int RangeColumnDigits();

// The largest word count a memo rule may ask for; a memo of that many words stays a few MB.
constexpr int64_t kMaxMemoWords = 100000;

}  // namespace fw
