#include "core/fields/DefinitionTables.h"

#include "core/platform/FieldBytes.h"

namespace fw {
namespace {

// The order in which the window opens, empties and rewinds the tables.
constexpr FieldKind kOpenOrder[] = {FieldKind::Character, FieldKind::Numeric, FieldKind::Date,
                                    FieldKind::Memo, FieldKind::Logic};

}  // namespace

std::vector<FieldInfo> DefinitionTables::Structure(FieldKind kind) {
  std::vector<FieldInfo> fields;
  for (const DefinitionColumn& column : InfoOf(kind).Columns)
    fields.push_back(FieldInfo{column.Name, column.Type, column.Length, column.Decimals});
  return fields;
}

const char* DefinitionTables::FileName(FieldKind kind) { return InfoOf(kind).FileName; }

bool DefinitionTables::CreateEmpty(const std::string& folder) {
  for (FieldKind kind : kFieldKinds)
    if (!DBServer::Create(folder + FileName(kind), Structure(kind), "DBFNTX")) return false;
  return true;
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

void DefinitionTables::Append(FieldKind kind, const std::vector<FieldInfo>& structure,
                              size_t index1) {
  if (index1 == 0 || index1 > structure.size()) return;
  const FieldInfo& field = structure[index1 - 1];
  DBServer& table = Table(kind);
  table.Append();
  table.FieldPut("FELDNAMEN", Value(field.Name));
  // Binary numbers show the width and decimals their values take as text.
  const NumericLayout layout = kind == FieldKind::Numeric
                                   ? NumericLayoutOf(field.Type, field.Length, field.Decimals)
                                   : NumericLayout{field.Length, field.Decimals, 0};
  if (ColumnOf(kind, "LAENGE")) table.FieldPut("LAENGE", Value(double(layout.Length)));
  if (ColumnOf(kind, "DEZIMALEN")) table.FieldPut("DEZIMALEN", Value(double(layout.Decimals)));
}

void DefinitionTables::AppendCharacter(const std::vector<FieldInfo>& structure, size_t index1) {
  Append(FieldKind::Character, structure, index1);
}
void DefinitionTables::AppendNumeric(const std::vector<FieldInfo>& structure, size_t index1) {
  Append(FieldKind::Numeric, structure, index1);
}
void DefinitionTables::AppendDate(const std::vector<FieldInfo>& structure, size_t index1) {
  Append(FieldKind::Date, structure, index1);
}
void DefinitionTables::AppendLogic(const std::vector<FieldInfo>& structure, size_t index1) {
  Append(FieldKind::Logic, structure, index1);
}
void DefinitionTables::AppendMemo(const std::vector<FieldInfo>& structure, size_t index1) {
  Append(FieldKind::Memo, structure, index1);
}

void DefinitionTables::GoTopAll() {
  for (FieldKind kind : kOpenOrder) Table(kind).GoTop();
}

}  // namespace fw
