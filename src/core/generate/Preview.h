#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/app/RunContext.h"
#include "core/fields/FieldRule.h"
#include "core/platform/DBServer.h"

namespace fw {

class DefinitionTables;

// The records a run with the current rules would write, without writing them to the target.
struct PreviewRecords {
  bool Ok = false;
  std::string Error;                            // German, when not Ok
  std::vector<FieldInfo> Fields;                // the target's fields, in table order
  std::vector<std::vector<std::string>> Rows;   // per record, the text of each field (UTF-8)
  std::vector<std::string> Messages;            // what the run said meanwhile (UTF-8)
};

// Runs the fill with the rules of `rules` for `count` records into an empty scratch table of
// `target`'s structure and driver, in a private temporary folder that is removed afterwards,
// and reads those records back as they were stored (texts cut and numbers rounded as the
// table does it). The target and the definition rows stay exactly as they are. Values are
// drawn from the context's random source and words read from its data folder: with the
// source seeded as for a run, the preview shows exactly the first records that run writes.
// Errors of the scratch table end the preview with a message; the context's own error
// handling is not asked.
PreviewRecords MakePreview(DBServer& target, RuleSet rules, RunContext context,
                           uint32_t count);
// The same with the rules the definition tables hold.
PreviewRecords MakePreview(DBServer& target, DefinitionTables& tables, RunContext context,
                           uint32_t count);

// How the preview shows one stored value of `field`, by the field's layout (FieldLayout.h);
// dates in `dates`, the format of the run's context.
std::string PreviewText(const Value& value, const FieldInfo& field, const DateFormat& dates);
// Whether the preview shows the field's values as numbers (right-aligned).
bool PreviewIsNumber(const FieldInfo& field);

}  // namespace fw
