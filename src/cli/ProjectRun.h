#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "core/app/RunContext.h"

namespace fw::cli {

// `fuellwerk-fill --project FILE`: fills the tables of a project file, parents before their
// children, each under a seed derived from the project's seed and the table's place in the
// file. Every rule of every table is checked before the first record is written; a table that
// fails while it is written is cut back by the engine, the tables filled before it stay filled,
// and the run says which those are. `tableErrors` counts the table errors the context's error
// handler reported. Returns the exit status.
int RunProject(const std::string& projectFile, std::optional<uint64_t> seed, bool quiet,
               RunContext& context, const uint32_t& tableErrors);

// The seed of the table at `place` (0-based in the project file) under `projectSeed`: the same
// project and seed give every table the same seed, whatever order the tables are filled in.
uint64_t TableSeed(uint64_t projectSeed, size_t place);

}  // namespace fw::cli
