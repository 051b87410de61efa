#pragma once
#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "core/app/RunContext.h"
#include "core/fields/FieldKind.h"
#include "core/fields/FieldOptions.h"
#include "core/platform/DBServer.h"

namespace fw {

// The five field-definition tables of the generation window: one row per field of the target
// table, one table per field type, in "ProgrammDaten/".
class DefinitionTables {
public:
  // Opens the context's data folder + "Character.dbf", "Numeric.dbf", "Date.dbf", "Memo.dbf",
  // "Logic.dbf" in that order, exclusive, read-write, with the context's driver; errors go to
  // the context's error handling.
  explicit DefinitionTables(const RunContext& context);
  ~DefinitionTables();
  DefinitionTables(const DefinitionTables&) = delete;
  DefinitionTables& operator=(const DefinitionTables&) = delete;

  DBServer& Table(FieldKind kind);  // dbCharacter ... dbMemo

  // Empties the five tables, in the order Character, Numeric, Date, Memo, Logic, and forgets
  // the field options.
  void DB_Zap();

  // Unique values, blank shares and the deleted share of the analysed table's fields.
  TableOptions Options;

  // Each appends one blank row to its table and writes the name (and length, decimals) of the
  // field at the 1-based `index1` of `structure`. Neither commits nor moves afterwards.
  void AppendCharacter(const std::vector<FieldInfo>& structure, size_t index1);
  void AppendNumeric(const std::vector<FieldInfo>& structure, size_t index1);
  void AppendDate(const std::vector<FieldInfo>& structure, size_t index1);
  void AppendLogic(const std::vector<FieldInfo>& structure, size_t index1);
  void AppendMemo(const std::vector<FieldInfo>& structure, size_t index1);

  // Every table back to its first row: Character, Numeric, Date, Memo, Logic.
  void GoTopAll();

  // The structure of each delivered table, in column order (used to write the empty tables).
  static std::vector<FieldInfo> Structure(FieldKind kind);
  static const char* FileName(FieldKind kind);  // "Character.dbf" ...

private:
  std::array<std::unique_ptr<DBServer>, kFieldKindCount> tables_;
};

}  // namespace fw
