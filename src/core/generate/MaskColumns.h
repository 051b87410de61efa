#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "core/generate/ColumnOptions.h"
#include "core/generate/ExistingValues.h"
#include "core/generate/Mask.h"
#include "core/generate/Random.h"
#include "core/platform/DBServer.h"

namespace fw {

// A value of the mask per record, drawn at random (values may repeat).
class RandomMaskColumn : public ColumnSource {
public:
  RandomMaskColumn(uint64_t seed, Mask mask);
  void Produce(FieldWriter& out) override;

private:
  RandomStream random_;
  Mask mask_;
  std::string buffer_;
};

// Distinct values of the mask, none of the `taken` ones (TakenMaskValues), in a scrambled
// order and without memory per value. Gives Capacity() - taken->Count() values before one
// repeats: the plan must refuse more records than that before writing.
class UniqueMaskColumn : public ColumnSource {
public:
  UniqueMaskColumn(uint64_t seed, Mask mask, std::shared_ptr<const TakenIndices> taken = nullptr);
  void Produce(FieldWriter& out) override;

private:
  Mask mask_;
  DistinctIndices indices_;
  std::shared_ptr<const TakenIndices> taken_;
  std::string buffer_;
};

}  // namespace fw
