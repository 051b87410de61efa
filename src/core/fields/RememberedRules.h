#pragma once
#include <string>

#include "core/fields/DefinitionTables.h"
#include "core/platform/DBServer.h"

namespace fw {

// The rules last used for each table, kept in the user's own settings folder
// (UserConfigFolder() + "regeln/"), never beside the table. One ordinary rules file per table:
// its name is a hash of the table's absolute path, and its first line names that path, so that
// two tables whose paths share a hash never get each other's rules.

// The remembered rules file of the table at `tablePath` ("" when the user has no settings
// folder). The file need not exist.
std::string RememberedRulesFile(const std::string& tablePath);

// Writes the rules the definition tables hold for `target` as the remembered rules of the
// table at `tablePath`. The file is replaced whole (written beside it, then renamed), so a
// failure leaves the rules remembered before. False when it cannot be written.
bool RememberRules(const std::string& tablePath, DBServer& target, const RuleSet& rules);
// The same for the rules the definition tables hold.
bool RememberRules(const std::string& tablePath, DBServer& target, DefinitionTables& tables);

// The remembered rules file of the table at `tablePath` when there is one that names this
// table; "" otherwise.
std::string FindRememberedRules(const std::string& tablePath);

// The rules part of a rules text: every line that is neither empty nor a comment, so that two
// texts written at different times or for different paths compare equal when their rules do.
std::string RulesOnly(const std::string& rulesText);

}  // namespace fw
