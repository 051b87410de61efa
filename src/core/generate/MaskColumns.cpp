#include "core/generate/MaskColumns.h"

namespace fw {

RandomMaskColumn::RandomMaskColumn(uint64_t seed, Mask mask)
    : random_(seed), mask_(std::move(mask)), buffer_(mask_.Length(), ' ') {}

void RandomMaskColumn::Produce(FieldWriter& out) {
  mask_.WriteRandom(random_, buffer_.data());
  out.PutText(buffer_);
}

UniqueMaskColumn::UniqueMaskColumn(uint64_t seed, Mask mask,
                                   std::shared_ptr<const TakenIndices> taken)
    : mask_(std::move(mask)), indices_(seed, mask_.Capacity()), taken_(std::move(taken)),
      buffer_(mask_.Length(), ' ') {}

void UniqueMaskColumn::Produce(FieldWriter& out) {
  mask_.Write(indices_.NextNotIn(taken_.get()), buffer_.data());
  out.PutText(buffer_);
}

}  // namespace fw
