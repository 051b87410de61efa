#include "core/fields/FieldKind.h"

#include "core/fields/FieldRule.h"
#include "core/platform/DBServer.h"
#include "core/platform/TextTrim.h"

namespace fw {
namespace {

// A length or decimals column as a count: nothing that is not a number from 0 up.
uint32_t CountOf(double n) {
  if (!(n >= 0)) return 0;
  return n >= 4294967295.0 ? 4294967295u : uint32_t(n);
}

// The accessors of the rule members, one pair per member a column holds.
#define FW_TEXT(member)                                                  \
  [](const FieldRule& r) { return Value(r.member); },                    \
      [](FieldRule& r, const Value& v) { r.member = std::string(TrimRight(v.AsText())); }
#define FW_NUMBER(member)                                                \
  [](const FieldRule& r) { return Value(double(r.member)); },            \
      [](FieldRule& r, const Value& v) { r.member = v.AsNumber(); }
#define FW_COUNT(member)                                                 \
  [](const FieldRule& r) { return Value(double(r.member)); },            \
      [](FieldRule& r, const Value& v) { r.member = CountOf(v.AsNumber()); }
#define FW_LOGIC(member)                                                 \
  [](const FieldRule& r) { return Value(r.member); },                    \
      [](FieldRule& r, const Value& v) { r.member = v.AsLogic(); }
#define FW_DATE(member)                                                  \
  [](const FieldRule& r) { return Value(r.member); },                    \
      [](FieldRule& r, const Value& v) { r.member = v.IsDate() ? v.AsDate() : Date(); }
#define FW_SOURCE                                                        \
  [](const FieldRule& r) { return Value(r.Source.Name); },               \
      [](FieldRule& r, const Value& v) { r.Source = ResolveSource(v.AsText()); }

// FELDNAMEN holds a field name (10 characters); QUELLE a source name; LAENGE the length of
// any field, Clipper's long character fields included; MINIMUM and MAXIMUM the range of a
// numeric field with up to 13 places before and 6 after the point.
const DefinitionColumn kCharacter[] = {
    {"FELDNAMEN", 'C', 10, 0, RuleValue::None, "Feldname", FW_TEXT(Field)},
    {"LAENGE", 'N', 5, 0, RuleValue::None, "Feldlänge", FW_COUNT(Length)},
    {"MAXLENGTH", 'N', 5, 0, RuleValue::Whole, "Max. Länge", FW_NUMBER(MaxLength)},
    {"FIXLENGTH", 'L', 1, 0, RuleValue::Logic, "Fixe Länge", FW_LOGIC(FixLength)},
    {"QUELLE", 'C', 30, 0, RuleValue::Text, nullptr, FW_SOURCE}};
const DefinitionColumn kNumeric[] = {
    {"FELDNAMEN", 'C', 10, 0, RuleValue::None, "Feldname", FW_TEXT(Field)},
    {"LAENGE", 'N', 3, 0, RuleValue::None, "Feldlänge", FW_COUNT(Length)},
    {"DEZIMALEN", 'N', 2, 0, RuleValue::None, "Dez. Stellen", FW_COUNT(Decimals)},
    {"MINIMUM", 'N', 20, 6, RuleValue::Number, "Minimalwert", FW_NUMBER(Minimum)},
    {"MAXIMUM", 'N', 20, 6, RuleValue::Number, "Maximalwert", FW_NUMBER(Maximum)},
    {"NEGATIV", 'L', 1, 0, RuleValue::Logic, "Neg Werte", FW_LOGIC(Negative)},
    {"PERCENTNEG", 'N', 3, 0, RuleValue::Whole, "% negativ", FW_NUMBER(PercentNeg)}};
const DefinitionColumn kLogic[] = {
    {"FELDNAMEN", 'C', 10, 0, RuleValue::None, "Feldname", FW_TEXT(Field)},
    {"PERCENTTRU", 'N', 3, 0, RuleValue::Whole, "% TRUE", FW_NUMBER(PercentTrue)}};
const DefinitionColumn kDate[] = {
    {"FELDNAMEN", 'C', 10, 0, RuleValue::None, "Feldname", FW_TEXT(Field)},
    {"STARTDATE", 'D', 8, 0, RuleValue::Date, "Start Datum", FW_DATE(Start)},
    {"ENDDATE", 'D', 8, 0, RuleValue::Date, "End Datum", FW_DATE(End)}};
const DefinitionColumn kMemo[] = {
    {"FELDNAMEN", 'C', 10, 0, RuleValue::None, "Feldname", FW_TEXT(Field)},
    {"MINWORDS", 'N', 6, 0, RuleValue::Whole, "Wortzahl min.", FW_NUMBER(MinWords)},
    {"MAXWORDS", 'N', 6, 0, RuleValue::Whole, "Wortzahl max", FW_NUMBER(MaxWords)},
    {"QUELLE", 'C', 30, 0, RuleValue::Text, nullptr, FW_SOURCE}};

#undef FW_TEXT
#undef FW_NUMBER
#undef FW_COUNT
#undef FW_LOGIC
#undef FW_DATE
#undef FW_SOURCE

// Indexed by FieldKind.
const FieldKindInfo kInfo[kFieldKindCount] = {
    {'C', "Character.dbf", kCharacter}, {'N', "Numeric.dbf", kNumeric},
    {'L', "Logic.dbf", kLogic},         {'D', "Date.dbf", kDate},
    {'M', "Memo.dbf", kMemo}};

}  // namespace

const char* const kFieldNameColumn = "FELDNAMEN";
const char* const kSourceColumn = "QUELLE";

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

int RangeColumnDigits() {
  const DefinitionColumn* column = ColumnOf(FieldKind::Numeric, "MAXIMUM");
  return int(column->Length) - (column->Decimals > 0 ? int(column->Decimals) + 1 : 0);
}

std::optional<FieldKind> KindOfType(char type) {
  for (FieldKind kind : kFieldKinds)
    if (InfoOf(kind).Letter == type) return kind;
  return std::nullopt;
}

}  // namespace fw
