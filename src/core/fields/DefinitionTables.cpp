#include "core/fields/DefinitionTables.h"


namespace fw {
namespace {

// The order in which the window opens, empties and rewinds the tables.
constexpr FieldKind kOpenOrder[] = {FieldKind::Character, FieldKind::Numeric, FieldKind::Date,
                                    FieldKind::Memo, FieldKind::Logic};

FieldInfo Column(const char* name, char type, uint32_t length, uint32_t decimals = 0) {
  return FieldInfo{name, type, length, decimals};
}

}  // namespace

std::vector<FieldInfo> DefinitionTables::Structure(FieldKind kind) {
  // FELDNAMEN holds a field name (10 characters); QUELLE a word-source name; LAENGE the
  // length of any field, Clipper's long character fields included; MINIMUM and MAXIMUM the
  // range of a numeric field with up to 13 places before and 6 after the point.
  switch (kind) {
    case FieldKind::Character:
      return {Column("FELDNAMEN", 'C', 10), Column("LAENGE", 'N', 5), Column("MAXLENGTH", 'N', 5),
              Column("FIXLENGTH", 'L', 1), Column("QUELLE", 'C', 30)};
    case FieldKind::Numeric:
      return {Column("FELDNAMEN", 'C', 10),    Column("LAENGE", 'N', 3),
              Column("DEZIMALEN", 'N', 2),     Column("MINIMUM", 'N', 20, 6),
              Column("MAXIMUM", 'N', 20, 6),   Column("NEGATIV", 'L', 1),
              Column("PERCENTNEG", 'N', 3)};
    case FieldKind::Logic:
      return {Column("FELDNAMEN", 'C', 10), Column("PERCENTTRU", 'N', 3)};
    case FieldKind::Date:
      return {Column("FELDNAMEN", 'C', 10), Column("STARTDATE", 'D', 8),
              Column("ENDDATE", 'D', 8)};
    case FieldKind::Memo:
      return {Column("FELDNAMEN", 'C', 10), Column("MINWORDS", 'N', 6),
              Column("MAXWORDS", 'N', 6), Column("QUELLE", 'C', 30)};
  }
  return {};
}

const char* DefinitionTables::FileName(FieldKind kind) {
  switch (kind) {
    case FieldKind::Character: return "Character.dbf";
    case FieldKind::Numeric: return "Numeric.dbf";
    case FieldKind::Logic: return "Logic.dbf";
    case FieldKind::Date: return "Date.dbf";
    case FieldKind::Memo: return "Memo.dbf";
  }
  return "";
}

DefinitionTables::DefinitionTables(const RunContext& context) {
  RunErrorScope errors(context);
  for (FieldKind kind : kOpenOrder) {
    tables_[size_t(kind)] = std::make_unique<DBServer>(context.DataFolder + FileName(kind),
                                                       false, false, context.Driver);
  }
}

DefinitionTables::~DefinitionTables() = default;

DBServer& DefinitionTables::Table(FieldKind kind) { return *tables_[size_t(kind)]; }

void DefinitionTables::DB_Zap() {
  for (FieldKind kind : kOpenOrder) Table(kind).Zap();
  Options.Clear();
}

void DefinitionTables::AppendCharacter(const std::vector<FieldInfo>& structure, size_t index1) {
  if (index1 == 0 || index1 > structure.size()) return;
  const FieldInfo& field = structure[index1 - 1];
  DBServer& table = Table(FieldKind::Character);
  table.Append();
  table.FieldPut("FELDNAMEN", Value(field.Name));
  table.FieldPut("LAENGE", Value(double(field.Length)));
}

void DefinitionTables::AppendNumeric(const std::vector<FieldInfo>& structure, size_t index1) {
  if (index1 == 0 || index1 > structure.size()) return;
  const FieldInfo& field = structure[index1 - 1];
  DBServer& table = Table(FieldKind::Numeric);
  table.Append();
  table.FieldPut("FELDNAMEN", Value(field.Name));
  table.FieldPut("LAENGE", Value(double(field.Length)));
  table.FieldPut("DEZIMALEN", Value(double(field.Decimals)));
}

void DefinitionTables::AppendDate(const std::vector<FieldInfo>& structure, size_t index1) {
  if (index1 == 0 || index1 > structure.size()) return;
  DBServer& table = Table(FieldKind::Date);
  table.Append();
  table.FieldPut("FELDNAMEN", Value(structure[index1 - 1].Name));
}

void DefinitionTables::AppendLogic(const std::vector<FieldInfo>& structure, size_t index1) {
  if (index1 == 0 || index1 > structure.size()) return;
  DBServer& table = Table(FieldKind::Logic);
  table.Append();
  table.FieldPut("FELDNAMEN", Value(structure[index1 - 1].Name));
}

void DefinitionTables::AppendMemo(const std::vector<FieldInfo>& structure, size_t index1) {
  if (index1 == 0 || index1 > structure.size()) return;
  DBServer& table = Table(FieldKind::Memo);
  table.Append();
  table.FieldPut("FELDNAMEN", Value(structure[index1 - 1].Name));
}

void DefinitionTables::GoTopAll() {
  for (FieldKind kind : kOpenOrder) Table(kind).GoTop();
}

}  // namespace fw
