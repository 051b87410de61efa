#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "core/app/RunContext.h"

namespace fw::cli {

// `fuellwerk-fill --project FILE`: the project run of the core on a terminal. Refusals and
// the end of a failed run go to stderr, a line per finished table and the last line to stdout,
// the progress of the table being filled as for one table; Ctrl+C stops the table being
// filled. The context's error handling reports table errors. Returns the exit status.
int RunProject(const std::string& projectFile, std::optional<uint64_t> seed, bool quiet,
               RunContext& context);

}  // namespace fw::cli
