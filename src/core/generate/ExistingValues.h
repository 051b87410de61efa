#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "core/platform/DBServer.h"
#include "core/platform/Date.h"

namespace fw {

// What the records already in a table hold in one field, read once (one pass over the
// column) when records are appended to a field that is to get distinct values: the new
// values must not repeat what the table holds.

// Numbers from 0 up to below a size that are taken already: one bit per number of the range
// (a million numbers cost 125 KB, the IDs of an 8-digit field 12.5 MB, whatever the count), or,
// for larger ranges, sorted in 4 or 8 bytes each.
class TakenIndices {
public:
  // Collects the indices (each below `size`) while the column is read.
  class Builder {
  public:
    Builder(uint64_t size, uint32_t records);
    void Add(uint64_t index);

  private:
    friend class TakenIndices;
    uint64_t size_;
    std::vector<uint32_t> small_;
    std::vector<uint64_t> large_;
    std::vector<uint64_t> bits_;
    uint64_t bitsSet_ = 0;
  };
  explicit TakenIndices(Builder&& builder);
  bool Contains(uint64_t index) const;
  uint64_t Count() const { return count_; }

private:
  std::vector<uint32_t> small_;
  std::vector<uint64_t> large_;
  std::vector<uint64_t> bits_;
  uint64_t count_ = 0;
};

// Calls `each` with the value of field `fieldPos` (1-based) of records 1 .. `records`,
// deleted ones included.
void ForEachExisting(DBServer& table, int fieldPos, uint32_t records,
                     const std::function<void(const Value&)>& each);

// The indices of the distinct numbers min + i * 10^-decimals (i below `capacity`) that the
// field already holds; with `signs` a number counts for its negative too, as a source that
// turns a share of its values negative may write either.
std::shared_ptr<const TakenIndices> TakenNumbers(DBServer& table, int fieldPos, uint32_t records,
                                                 double min, uint32_t decimals, uint64_t capacity,
                                                 bool signs);

// The days from `start` (index 0) up to below `days` that the field already holds.
std::shared_ptr<const TakenIndices> TakenDates(DBServer& table, int fieldPos, uint32_t records,
                                               Date start, uint64_t days);

// The numbers of texts of exactly `width` digits the field already holds ("Nummer").
std::shared_ptr<const TakenIndices> TakenDigits(DBServer& table, int fieldPos, uint32_t records,
                                                uint32_t width);

// The account numbers (the last ten digits) of the German IBANs the field already holds.
std::shared_ptr<const TakenIndices> TakenAccounts(DBServer& table, int fieldPos,
                                                  uint32_t records);

// The largest number that ends a text of the field (after "-" with `afterDash`, else the
// digits before "@" of an e-mail address or at the end); 0 when none does. Texts numbered on
// from the next number cannot repeat one the table holds.
uint64_t LastNumberIn(DBServer& table, int fieldPos, uint32_t records, bool afterDash);

// The trailing number of one text as LastNumberIn reads it; 0 when there is none.
uint64_t TrailingNumber(std::string_view text, bool afterDash);

}  // namespace fw
