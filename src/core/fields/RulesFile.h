#pragma once
#include <string>
#include <vector>

#include "core/fields/DefinitionTables.h"
#include "core/fields/FieldRule.h"
#include "core/platform/DBServer.h"

namespace fw {

// Rules files, shared by fuellwerk-fill (--rules, --write-rules) and the window: INI text with
// one section per target field and, as keys, the rule columns of that field's kind
// (FieldKind.cpp). Logicals are 1 or 0, dates always dd.mm.yyyy (empty for none) whatever the
// display format. Comments start with ";" or "#". Read as Windows-1252, or as UTF-8 when the
// file is valid UTF-8 with non-ASCII letters; written as UTF-8.
//
// Each function works on a rule set; the forms with definition tables convert the rows with
// DefinitionTables::Load and Store around it (the window's grids).

// The rules of `target`'s fields, in the target's field order, as the text of a rules file
// (before the first section GELOESCHTPROZENT and INDEX, the index files the rules name, written
// for a rules file in `rulesFolder`: IndexFilesKey.h).
std::string RulesText(DBServer& target, const RuleSet& rules, const std::string& rulesFolder = "");
std::string RulesText(DBServer& target, DefinitionTables& tables,
                      const std::string& rulesFolder = "");

// Writes the rules of `target`'s fields, in the target's field order. Returns false with a
// German message in `error` when the file cannot be written.
bool WriteRules(const std::string& path, DBServer& target, const RuleSet& rules,
                std::string& error);
bool WriteRules(const std::string& path, DBServer& target, DefinitionTables& tables,
                std::string& error);

// Puts the rules of the file into the rules of the fields it names (every field the file
// names must have its rule in `rules`, as DefinitionTables::Load or BlankRules give them); a
// field without a section keeps its rule as it is. Returns false with a German message naming
// the file and line when the file cannot be read, names a field the table does not have, a
// key that is no rule column of that field, or a value of the wrong kind or too wide for its
// column. The whole file is checked before the first rule is changed.
bool ApplyRules(const std::string& path, DBServer& target, RuleSet& rules, std::string& error);
bool ApplyRules(const std::string& path, DBServer& target, DefinitionTables& tables,
                std::string& error);

// Loads what fits of a rules file that may have been written for another table: each field is
// taken whole or not at all. A field is not taken when the table does not have it or does not
// fill it, when one of its keys is no rule column of its kind or has a value of the wrong
// kind, or when its rules cannot fill it (numbers too wide for the field, an end date before
// the start date, more words at least than at most). `notTaken` gets one German line per field
// not taken ("Feld NAME: why") and per line that belongs to no field. Returns false with a
// German message in `error`, and changes nothing, only when the file cannot be read.
bool LoadRules(const std::string& path, DBServer& target, RuleSet& rules,
               std::vector<std::string>& notTaken, std::string& error);
bool LoadRules(const std::string& path, DBServer& target, DefinitionTables& tables,
               std::vector<std::string>& notTaken, std::string& error);

}  // namespace fw
