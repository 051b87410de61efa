#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "core/fields/DefinitionTables.h"
#include "core/platform/DBServer.h"
#include "core/platform/Date.h"

namespace fw {

// A rule that fits a field, guessed from its name, type, width and decimals the way xBase
// programmers name fields (German and English, with the usual abbreviations: NAME, VNAME,
// STR, PLZ, TEL, GEBDATUM, KDNR, ...). Only the columns of the field's type matter.
struct SuggestedRule {
  std::string Quelle;             // character and memo fields
  double MaxLength = 0;           // character fields with "Random"
  bool FixLength = false;
  double Minimum = 0, Maximum = 0;  // numeric fields; both 0 leave the field blank
  bool Negativ = false;
  double PercentNeg = 0;
  double PercentTrue = 0;         // logical fields
  Date Start, End;                // date fields
  double MinWords = 0, MaxWords = 0;  // memo fields
  FieldOptions Options;           // unique values, blank share
};

// The rule for `field` of a table whose fields are `structure` (a street field is given house
// numbers only when no field of its own holds them). Dates are counted back from `today`.
SuggestedRule SuggestRule(const FieldInfo& field, const std::vector<FieldInfo>& structure,
                          Date today);

// True when the field's name says it holds a postcode (PLZ, ZIP, PLZ_KUNDE, ...).
bool NameMeansPostcode(std::string_view fieldName);

// Puts the suggested rule, options included, into the rule of every field of `target` that
// has one in `rules`.
void SuggestRules(DBServer& target, RuleSet& rules, Date today);
// The same on the definition rows (converted with DefinitionTables::Load and Store): commits
// the tables and moves them to their first rows.
void SuggestRules(DBServer& target, DefinitionTables& tables, Date today);

}  // namespace fw
