#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/fields/FieldKind.h"
#include "core/platform/DBServer.h"

namespace fw {

// How a definition row and a rules-file section name their field of the target table when
// other programs have given several fields the same name.
//
// A definition row holds the name cut to its column (10 characters); rows of one kind follow
// the table's field order. So the k-th row of a definition table with a name belongs to the
// k-th field of that kind with that name.
//
// In a rules file a field whose name occurs once is written [NAME]. A name that occurs more
// than once (names compare without regard to case) is written with the place of the field
// among the fields of that name: [NAME (1)], [NAME (2)], ... in field order. A section that is
// exactly the name of one field means that field, even when it looks like the second form.

// The name as a definition row holds it, for comparing: without trailing blanks, ASCII
// letters upper case, at most 10 characters.
std::string FieldKey(std::string_view name);

// The place (1, 2, ...) of field `index0` among the fields of the same kind (the same
// definition table) whose key is the same, counting in field order.
uint32_t PlaceAmongSameType(const std::vector<FieldInfo>& structure, size_t index0);

// Moves the definition table `table` to the row of field `index0`: the row with the field's
// name whose place among the rows of that name is the field's place among the fields of its
// kind with that name. False when the table has no such row.
bool GoToFieldRow(DBServer& table, const std::vector<FieldInfo>& structure, size_t index0);

// The 1-based position of the `place`-th field of kind `kind` whose key is `key`; 0 when
// there is none.
int FieldOfKindAt(const std::vector<FieldInfo>& structure, std::string_view key, FieldKind kind,
                  uint32_t place);

// The section name of field `index0` in a rules file (Windows-1252).
std::string RulesSectionName(const std::vector<FieldInfo>& structure, size_t index0);

// The 1-based position of the field a section names; 0 with a German reason in `why` when it
// names none or is ambiguous.
int FieldOfRulesSection(const std::vector<FieldInfo>& structure, std::string_view section,
                        std::string& why);

}  // namespace fw
