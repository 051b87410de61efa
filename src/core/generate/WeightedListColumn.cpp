#include "core/generate/WeightedListColumn.h"

#include <algorithm>
#include <cmath>

namespace fw {

AliasTable::AliasTable(const std::vector<double>& weights)
    : count_(uint32_t(weights.size())), threshold_(weights.size()), alias_(weights.size()) {
  double total = 0;
  for (double w : weights) total += w;
  // Each slot holds the share 1/count: a value with more than that lends the rest of its
  // weight to slots of values with less.
  std::vector<double> scaled(weights.size());
  std::vector<uint32_t> small, large;
  for (uint32_t i = 0; i < count_; ++i) {
    scaled[i] = weights[i] / total * double(count_);
    (scaled[i] < 1 ? small : large).push_back(i);
    alias_[i] = i;
  }
  while (!small.empty() && !large.empty()) {
    const uint32_t s = small.back(), l = large.back();
    small.pop_back();
    // Rounding may leave a hair below 0 after lending.
    threshold_[s] = uint64_t(std::floor(std::max(scaled[s], 0.0) * 4294967296.0));
    alias_[s] = l;
    scaled[l] = (scaled[l] + scaled[s]) - 1;
    if (scaled[l] < 1) {
      large.pop_back();
      small.push_back(l);
    }
  }
  // What is left holds its whole slot (rounding leaves it a hair from 1).
  for (uint32_t i : small) threshold_[i] = uint64_t(1) << 32;
  for (uint32_t i : large) threshold_[i] = uint64_t(1) << 32;
}

WeightedListColumn::WeightedListColumn(uint64_t seed, std::shared_ptr<const WeightedList> list)
    : random_(seed), list_(std::move(list)), table_(list_->Weights) {}

void WeightedListColumn::Produce(FieldWriter& out) {
  if (list_->Values.empty()) {  // an empty word file: nothing to draw
    out.PutBlank();
    return;
  }
  out.PutText(list_->Values[table_.Draw(random_.Next())]);
}

}  // namespace fw
