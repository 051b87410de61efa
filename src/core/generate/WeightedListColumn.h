#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/generate/Random.h"
#include "core/generate/WeightedList.h"
#include "core/platform/DBServer.h"

namespace fw {

// Walker's alias table over the weights of a list (Vose's construction): a draw is one 64-bit
// number, whose upper half picks a slot and whose lower half decides between the slot's own
// value and its alias, so a draw costs the same for 3 values or 13,000.
class AliasTable {
public:
  explicit AliasTable(const std::vector<double>& weights);  // all positive; Draw needs one
  size_t Draw(uint64_t bits) const {
    const size_t slot = size_t(((bits >> 32) * uint64_t(count_)) >> 32);
    return (bits & 0xFFFFFFFFu) < threshold_[slot] ? slot : alias_[slot];
  }

private:
  uint32_t count_;
  std::vector<uint64_t> threshold_;  // own value below this (of 2^32), the alias from it
  std::vector<uint32_t> alias_;
};

// One value of a weighted list per record, each with its share of the weights (a blank field
// when the list is empty).
class WeightedListColumn : public ColumnSource {
public:
  WeightedListColumn(uint64_t seed, std::shared_ptr<const WeightedList> list);
  void Produce(FieldWriter& out) override;

private:
  RandomStream random_;
  std::shared_ptr<const WeightedList> list_;
  AliasTable table_;
};

}  // namespace fw
