#include "core/fields/FieldKind.h"

#include "core/platform/DBServer.h"

namespace fw {
namespace {

// FELDNAMEN holds a field name (10 characters); QUELLE a word-source name; LAENGE the length of
// any field, Clipper's long character fields included; MINIMUM and MAXIMUM the range of a
// numeric field with up to 13 places before and 6 after the point.
constexpr DefinitionColumn kCharacter[] = {
    {"FELDNAMEN", 'C', 10, 0, RuleValue::None}, {"LAENGE", 'N', 5, 0, RuleValue::None},
    {"MAXLENGTH", 'N', 5, 0, RuleValue::Whole}, {"FIXLENGTH", 'L', 1, 0, RuleValue::Logic},
    {"QUELLE", 'C', 30, 0, RuleValue::Text}};
constexpr DefinitionColumn kNumeric[] = {
    {"FELDNAMEN", 'C', 10, 0, RuleValue::None},  {"LAENGE", 'N', 3, 0, RuleValue::None},
    {"DEZIMALEN", 'N', 2, 0, RuleValue::None},   {"MINIMUM", 'N', 20, 6, RuleValue::Number},
    {"MAXIMUM", 'N', 20, 6, RuleValue::Number},  {"NEGATIV", 'L', 1, 0, RuleValue::Logic},
    {"PERCENTNEG", 'N', 3, 0, RuleValue::Whole}};
constexpr DefinitionColumn kLogic[] = {{"FELDNAMEN", 'C', 10, 0, RuleValue::None},
                                       {"PERCENTTRU", 'N', 3, 0, RuleValue::Whole}};
constexpr DefinitionColumn kDate[] = {{"FELDNAMEN", 'C', 10, 0, RuleValue::None},
                                      {"STARTDATE", 'D', 8, 0, RuleValue::Date},
                                      {"ENDDATE", 'D', 8, 0, RuleValue::Date}};
constexpr DefinitionColumn kMemo[] = {
    {"FELDNAMEN", 'C', 10, 0, RuleValue::None}, {"MINWORDS", 'N', 6, 0, RuleValue::Whole},
    {"MAXWORDS", 'N', 6, 0, RuleValue::Whole},  {"QUELLE", 'C', 30, 0, RuleValue::Text}};

// Indexed by FieldKind.
const FieldKindInfo kInfo[kFieldKindCount] = {
    {'C', "Character.dbf", kCharacter}, {'N', "Numeric.dbf", kNumeric},
    {'L', "Logic.dbf", kLogic},         {'D', "Date.dbf", kDate},
    {'M', "Memo.dbf", kMemo}};

}  // namespace

const FieldKindInfo& InfoOf(FieldKind kind) { return kInfo[size_t(kind)]; }

const DefinitionColumn* ColumnOf(FieldKind kind, std::string_view name) {
  for (const DefinitionColumn& column : InfoOf(kind).Columns)
    if (name == column.Name) return &column;
  return nullptr;
}

std::optional<FieldKind> KindOfField(const FieldInfo& field) {
  // By the bytes the engine writes, which the table's format decides, never by the letter.
  switch (LayoutOf(field)) {
    case FieldLayout::Text:
    case FieldLayout::VarText: return FieldKind::Character;
    case FieldLayout::Number:  // F fields are not filled: the numeric grid is for N
      return field.Type == 'N' ? std::optional(FieldKind::Numeric) : std::nullopt;
    case FieldLayout::Integer:
    case FieldLayout::Double:
    case FieldLayout::Currency:
    case FieldLayout::Dbase7Integer:
    case FieldLayout::Dbase7Double: return FieldKind::Numeric;
    case FieldLayout::Logic: return FieldKind::Logic;
    case FieldLayout::Date:
    case FieldLayout::DateTime:
    case FieldLayout::Dbase7Timestamp: return FieldKind::Date;
    case FieldLayout::MemoText:
    case FieldLayout::MemoBinary: return FieldKind::Memo;
    default: return std::nullopt;
  }
}

std::optional<FieldKind> KindOfType(char type) {
  for (FieldKind kind : kFieldKinds)
    if (InfoOf(kind).Letter == type) return kind;
  return std::nullopt;
}

}  // namespace fw
