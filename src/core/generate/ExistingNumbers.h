#pragma once
#include <cstdint>
#include <memory>
#include <optional>

#include "core/generate/ExistingValues.h"
#include "core/generate/Mask.h"
#include "core/platform/DBServer.h"

namespace fw {

// What the records already in a table hold in one field, for the sources that continue it:
// masks with distinct values and running numbers. Each reads the field's column once
// (records 1 .. `records`, deleted ones included).

// The numbers (Mask::IndexOf) of the mask's values that the field already holds.
std::shared_ptr<const TakenIndices> TakenMaskValues(DBServer& table, int fieldPos,
                                                    uint32_t records, const Mask& mask);

// The largest number of a numeric field; none when no record holds a number.
std::optional<double> LargestNumberIn(DBServer& table, int fieldPos, uint32_t records);

// The largest number that a text of the field matching the mask holds in its "#" places
// (the mask's "#" places read as one number, left to right); none when no text matches.
// Meant for masks whose only varying places are "#" places.
std::optional<uint64_t> LargestMaskNumberIn(DBServer& table, int fieldPos, uint32_t records,
                                            const Mask& mask);

}  // namespace fw
