#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/expr/DbfRecordView.h"
#include "core/expr/Expression.h"
#include "core/index/IndexFile.h"

namespace fw {

// Whether an index file holds, for the records the table has now, what the program would write
// for them: the first `limit` entries of each tag in the file's order, each the key the tag's
// expression gives on its record, one after the other in the order the program sorts them.
// Where they are not, the application that wrote the file builds its keys otherwise (most
// often it sorts and upper-cases with a national code page: "BÄCKER" where the program's
// machine order gives "BäCKER", umlauts among the A's), or the file no longer fits its table;
// a rebuild would change what the application finds. Returns the German reason, empty when the
// entries agree. NTX, CDX and IDX files are read; NDX and MDX are taken as they are.
// `keys` hold the compiled key of each tag in file.Tags' order, `slots` the table's fields.
// Raises IndexFailure for a damaged index file.
std::string IndexDisagreesWithTable(const IndexFileInfo& file,
                                    const std::vector<expr::Expression*>& keys,
                                    const std::vector<expr::FieldSlot>& slots,
                                    const std::string& tablePath, uint32_t limit = 20000);

}  // namespace fw
