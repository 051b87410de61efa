#include "core/fields/DefinitionTables.h"

namespace fw {

DefinitionTables::DefinitionTables(const std::string&) {}
DefinitionTables::~DefinitionTables() = default;
DBServer& DefinitionTables::Table(FieldKind kind) { return *tables_[size_t(kind)]; }
void DefinitionTables::DB_Zap() {}
void DefinitionTables::AppendCharacter(const std::vector<FieldInfo>&, size_t) {}
void DefinitionTables::AppendNumeric(const std::vector<FieldInfo>&, size_t) {}
void DefinitionTables::AppendDate(const std::vector<FieldInfo>&, size_t) {}
void DefinitionTables::AppendLogic(const std::vector<FieldInfo>&, size_t) {}
void DefinitionTables::AppendMemo(const std::vector<FieldInfo>&, size_t) {}
void DefinitionTables::GoTopAll() {}
std::vector<FieldInfo> DefinitionTables::Structure(FieldKind) { return {}; }
const char* DefinitionTables::FileName(FieldKind) { return ""; }

}  // namespace fw
