#pragma once
#include <string>

#include "core/fields/DefinitionTables.h"
#include "core/platform/DBServer.h"

namespace fw {

// Rules files, shared by fuellwerk-fill (--rules, --write-rules) and the window: INI text with
// one section per target field and, as keys, the rule columns of that field's definition table. Logicals are 1 or 0, dates dd.mm.yyyy (empty
// for none). Comments start with ";" or "#". Read as Windows-1252, or as UTF-8 when the file
// is valid UTF-8 with non-ASCII letters; written as UTF-8.

// Writes the rules the definition tables hold for `target`'s fields, in the target's field
// order. Returns false with a German message in `error` when the file cannot be written.
bool WriteRules(const std::string& path, DBServer& target, DefinitionTables& tables,
                std::string& error);

// Puts the rules of the file into the definition rows of the fields it names; a field without
// a section keeps its row as it is. Returns false with a German message naming the file and
// line when the file cannot be read, names a field the table does not have, a key that is no
// rule column of that field, or a value of the wrong kind. The whole file is checked before
// the first row is changed; a value too wide for its column is found only while writing, so
// after a failure the caller refuses the run.
bool ApplyRules(const std::string& path, DBServer& target, DefinitionTables& tables,
                std::string& error);

}  // namespace fw
