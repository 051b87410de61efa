#pragma once
#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "core/app/RunContext.h"
#include "core/fields/FieldKind.h"
#include "core/fields/FieldRule.h"
#include "core/fields/FieldOptions.h"
#include "core/platform/DBServer.h"

namespace fw {

// The rule of a field without any rule yet, as the analysis gives it: the field's name (cut to
// the 10 characters a definition row holds), its length and decimals as the grids show them.
FieldRule BlankRule(FieldKind kind, const FieldInfo& field);

// Gives each rule of `set` the position of its field in `structure`: rules of one kind and
// name belong, in order, to the fields of that kind with that name (0 when there is no such
// field).
void PlaceRules(RuleSet& set, const std::vector<FieldInfo>& structure);

// The five field-definition tables of the generation window: one row per field of the target
// table, one table per field type, in "ProgrammDaten/". The grids show and edit them; every
// other part of the program works on the typed rules (FieldRule.h), which Load and Store
// convert from and to the rows.
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

  // The rule the kind's row `row` (1-based) holds: the field's name, length and decimals and
  // every rule column; FieldPos and the options are not set.
  FieldRule RuleAt(FieldKind kind, uint32_t row);
  // Writes the rule columns of `rule` (not the field's name, length and decimals) into row
  // `row` of its kind's table, without committing. False when a value does not fit its column.
  bool PutRule(const FieldRule& rule, uint32_t row);
  // The rules of every row, kind by kind in the fill order and each kind's rows in their
  // order (so the n-th rule of a kind is its table's n-th row), for a target whose fields are
  // `structure`: each rule gets the position of its field (rows of one name belong, in order,
  // to the fields of that kind with that name) and that field's options, the set the deleted
  // share.
  RuleSet Load(const std::vector<FieldInfo>& structure);
  // Puts each rule of `set` with a field position into that field's row and its options into
  // Options (the options of the fields without a rule in `set` stay), and the deleted share;
  // rules whose field has no row are left out. Commits and moves every table to its first row.
  // False when a value does not fit its column (the rows before it have been written).
  bool Store(const RuleSet& set, const std::vector<FieldInfo>& structure);
  // The row (1-based) of the field at 0-based `index0` of `structure` in its kind's table: the
  // row with the field's name whose place among the rows of that name is the field's place
  // among the fields of its kind with that name. 0 when there is none.
  uint32_t RowOfField(const std::vector<FieldInfo>& structure, size_t index0);

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
