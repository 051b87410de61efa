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

  // Appends one blank row to the kind's table and writes the name (and length, decimals, where
  // the table has them) of the field at the 1-based `index1` of `structure`; nothing when there
  // is no such field. Neither commits nor moves afterwards. The five named ones do the same for
  // their kind.
  void Append(FieldKind kind, const std::vector<FieldInfo>& structure, size_t index1);
  void AppendCharacter(const std::vector<FieldInfo>& structure, size_t index1);
  void AppendNumeric(const std::vector<FieldInfo>& structure, size_t index1);
  void AppendDate(const std::vector<FieldInfo>& structure, size_t index1);
  void AppendLogic(const std::vector<FieldInfo>& structure, size_t index1);
  void AppendMemo(const std::vector<FieldInfo>& structure, size_t index1);

  // Every table back to its first row: Character, Numeric, Date, Memo, Logic.
  void GoTopAll();

  // The structure of each delivered table, in column order (used to write the empty tables),
  // and its file name ("Character.dbf" ...), as the table of field kinds gives them.
  static std::vector<FieldInfo> Structure(FieldKind kind);
  static const char* FileName(FieldKind kind);
  // Writes the five empty tables into `folder` (ending in "/") as dBase III tables; false when
  // one cannot be written (the error handling in force has been told why).
  static bool CreateEmpty(const std::string& folder);

private:
  std::array<std::unique_ptr<DBServer>, kFieldKindCount> tables_;
};

}  // namespace fw
