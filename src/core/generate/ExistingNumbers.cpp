#include "core/generate/ExistingNumbers.h"

#include <algorithm>
#include <cmath>

namespace fw {

std::shared_ptr<const TakenIndices> TakenMaskValues(DBServer& table, int fieldPos,
                                                    uint32_t records, const Mask& mask) {
  TakenIndices::Builder indices(mask.Capacity(), records);
  ForEachExisting(table, fieldPos, records, [&](const Value& value) {
    uint64_t index;
    if (value.IsText() && mask.IndexOf(value.AsText(), index)) indices.Add(index);
  });
  return std::make_shared<const TakenIndices>(std::move(indices));
}

std::optional<double> LargestNumberIn(DBServer& table, int fieldPos, uint32_t records) {
  std::optional<double> largest;
  ForEachExisting(table, fieldPos, records, [&](const Value& value) {
    if (!value.IsNumber() || !std::isfinite(value.AsNumber())) return;
    if (!largest || value.AsNumber() > *largest) largest = value.AsNumber();
  });
  return largest;
}

std::optional<uint64_t> LargestMaskNumberIn(DBServer& table, int fieldPos, uint32_t records,
                                            const Mask& mask) {
  std::optional<uint64_t> largest;
  ForEachExisting(table, fieldPos, records, [&](const Value& value) {
    uint64_t index;
    if (!value.IsText() || !mask.IndexOf(value.AsText(), index)) return;
    largest = largest ? std::max(*largest, index) : index;
  });
  return largest;
}

}  // namespace fw
