#include "core/fields/DefinitionTables.h"

#include <map>

#include "core/fields/FieldAddress.h"
#include "core/platform/FieldBytes.h"
#include "core/platform/TextTrim.h"

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
  const FieldRule rule = BlankRule(kind, field);
  for (const DefinitionColumn& column : InfoOf(kind).Columns)
    if (column.Rule == RuleValue::None && table.FieldPos(column.Name) > 0)
      table.FieldPut(column.Name, column.Get(rule));
}

FieldRule BlankRule(FieldKind kind, const FieldInfo& field) {
  // Binary numbers show the width and decimals their values take as text.
  const NumericLayout layout = kind == FieldKind::Numeric
                                   ? NumericLayoutOf(field.Type, field.Length, field.Decimals)
                                   : NumericLayout{field.Length, field.Decimals, 0};
  FieldRule rule;
  rule.Kind = kind;
  rule.Field = std::string(TrimRight(field.Name.substr(0, std::min<size_t>(field.Name.size(), 10))));
  rule.Length = layout.Length;
  rule.Decimals = layout.Decimals;
  return rule;
}

FieldRule DefinitionTables::RuleAt(FieldKind kind, uint32_t row) {
  DBServer& table = Table(kind);
  table.GoTo(row);
  FieldRule rule;
  rule.Kind = kind;
  // A definition table of an older release without a newer column leaves its member as it is.
  for (const DefinitionColumn& column : InfoOf(kind).Columns)
    if (table.FieldPos(column.Name) > 0) column.Set(rule, table.FieldGet(column.Name));
  return rule;
}

bool DefinitionTables::PutRule(const FieldRule& rule, uint32_t row) {
  // Only the columns whose value changes are written, so that a blank column the rule leaves
  // as it is stays blank.
  const FieldRule before = RuleAt(rule.Kind, row);
  DBServer& table = Table(rule.Kind);
  for (const DefinitionColumn& column : InfoOf(rule.Kind).Columns) {
    if (column.Rule == RuleValue::None || table.FieldPos(column.Name) == 0) continue;
    const Value value = column.Get(rule);
    if (value != column.Get(before) && !table.FieldPut(column.Name, value)) return false;
  }
  return true;
}

void PlaceRules(RuleSet& set, const std::vector<FieldInfo>& structure) {
  std::map<std::pair<FieldKind, std::string>, uint32_t> rulesNamed;
  for (FieldRule& rule : set.Rules) {
    const std::string key = FieldKey(rule.Field);
    const uint32_t place = ++rulesNamed[{rule.Kind, key}];
    rule.FieldPos = FieldOfKindAt(structure, key, rule.Kind, place);
  }
}

RuleSet DefinitionTables::Load(const std::vector<FieldInfo>& structure) {
  RuleSet set;
  set.DeletedPercent = Options.DeletedPercent;
  set.IndexFiles = Options.IndexFiles;
  for (FieldKind kind : kFieldKinds) {
    const uint32_t rows = Table(kind).RecCount();
    for (uint32_t row = 1; row <= rows; ++row) set.Rules.push_back(RuleAt(kind, row));
  }
  PlaceRules(set, structure);
  for (FieldRule& rule : set.Rules) {
    rule.Options = Options.Of(rule.FieldPos);
    const auto reference = Options.References.find(rule.FieldPos);
    if (reference == Options.References.end()) continue;
    rule.Reference = reference->second;
    // A numeric or date row has no source column: its reference alone says where it comes from.
    if (rule.Kind == FieldKind::Numeric || rule.Kind == FieldKind::Date)
      rule.Source = ResolveSource(kTableSourceName);
  }
  return set;
}

bool DefinitionTables::Store(const RuleSet& set, const std::vector<FieldInfo>& structure) {
  bool ok = true;
  for (const FieldRule& rule : set.Rules) {
    if (rule.FieldPos < 1 || size_t(rule.FieldPos) > structure.size()) continue;
    const uint32_t row = RowOfField(structure, size_t(rule.FieldPos - 1));
    if (row == 0) continue;
    if (ok && !PutRule(rule, row)) ok = false;
    if (rule.Options.IsDefault()) Options.Fields.erase(rule.FieldPos);
    else Options.Fields[rule.FieldPos] = rule.Options;
    if (rule.Source.Kind == SourceKind::Table) Options.References[rule.FieldPos] = rule.Reference;
    else Options.References.erase(rule.FieldPos);
  }
  Options.DeletedPercent = set.DeletedPercent;
  Options.IndexFiles = set.IndexFiles;
  for (FieldKind kind : kFieldKinds) Table(kind).Commit();
  GoTopAll();
  return ok;
}

uint32_t DefinitionTables::RowOfField(const std::vector<FieldInfo>& structure, size_t index0) {
  const std::optional<FieldKind> kind = KindOfField(structure.at(index0));
  if (!kind) return 0;
  const std::string key = FieldKey(structure[index0].Name);
  uint32_t place = PlaceAmongSameType(structure, index0);
  DBServer& table = Table(*kind);
  for (uint32_t row = 1; row <= table.RecCount(); ++row)
    if (FieldKey(RuleAt(*kind, row).Field) == key && --place == 0) return row;
  return 0;
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
