#include "core/generate/ExistingValues.h"

#include <algorithm>
#include <cmath>

#include "core/app/Utilities.h"
#include "core/platform/TextTrim.h"

namespace fw {
namespace {

// The digits as a number; false when there are more than 19 of them.
bool DigitsValue(std::string_view s, uint64_t& value) {
  if (s.size() > 19) return false;
  value = 0;
  for (char c : s) value = value * 10 + uint64_t(c - '0');
  return true;
}

std::shared_ptr<const TakenIndices> Make(TakenIndices::Builder& builder) {
  return std::make_shared<const TakenIndices>(std::move(builder));
}

template <typename T>
void SortUnique(std::vector<T>& v) {
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
}

}  // namespace

TakenIndices::Builder::Builder(uint64_t size, uint32_t records) : size_(size) {
  // A bit per number of the range when that is no more than 4 bytes per record, or at most
  // 16 MiB (ranges up to 134 million, the IDs of an 8-digit field): no sorting, and a look-up
  // is one load. Else room for one value per record at once instead of doubling.
  if (size / 8 <= std::max<uint64_t>(uint64_t(records) * 4, 16u << 20))
    bits_.assign(size / 64 + 1, 0);
  else if (size <= UINT32_MAX) small_.reserve(records);
  else large_.reserve(records);
}

void TakenIndices::Builder::Add(uint64_t index) {
  if (index >= size_) return;
  if (!bits_.empty()) {
    uint64_t& word = bits_[index / 64];
    const uint64_t bit = uint64_t(1) << (index % 64);
    bitsSet_ += (word & bit) == 0;
    word |= bit;
  } else if (size_ <= UINT32_MAX) {
    small_.push_back(uint32_t(index));
  } else {
    large_.push_back(index);
  }
}

TakenIndices::TakenIndices(Builder&& builder) {
  SortUnique(builder.small_);
  SortUnique(builder.large_);
  count_ = builder.bitsSet_ + builder.small_.size() + builder.large_.size();
  bits_ = std::move(builder.bits_);
  small_ = std::move(builder.small_);
  large_ = std::move(builder.large_);
}

bool TakenIndices::Contains(uint64_t index) const {
  if (!bits_.empty())
    return index / 64 < bits_.size() && (bits_[index / 64] >> (index % 64) & 1) != 0;
  if (!large_.empty()) return std::binary_search(large_.begin(), large_.end(), index);
  return index <= UINT32_MAX && std::binary_search(small_.begin(), small_.end(), uint32_t(index));
}

void ForEachExisting(DBServer& table, int fieldPos, uint32_t records,
                     const std::function<void(const Value&)>& each) {
  if (records == 0 || !table.GoTop()) return;
  for (uint32_t i = 1; i <= records && !table.Eof(); ++i) {
    each(table.FieldGet(fieldPos));
    table.Skip(1);
  }
}

std::shared_ptr<const TakenIndices> TakenNumbers(DBServer& table, int fieldPos, uint32_t records,
                                                 double min, uint32_t decimals, uint64_t capacity,
                                                 bool signs) {
  const double scale = std::pow(10.0, double(decimals)), unit = 1 / scale;
  // The index whose value, as the field stores it (rounded to its decimals), is `v`.
  auto add = [&](double v, TakenIndices::Builder& out) {
    const double at = std::floor((v - min) * scale + 0.5);
    for (double i : {at, at - 1}) {
      if (!(i >= 0) || i >= double(capacity)) continue;
      if (std::fabs(std::round((min + i * unit) * scale) / scale - v) < unit / 2) {
        out.Add(uint64_t(i));
        return;
      }
    }
  };
  TakenIndices::Builder indices(capacity, records);
  ForEachExisting(table, fieldPos, records, [&](const Value& value) {
    if (!value.IsNumber()) return;
    const double v = value.AsNumber();
    if (!std::isfinite(v)) return;
    add(v, indices);
    if (signs && v != 0) add(-v, indices);
  });
  return Make(indices);
}

std::shared_ptr<const TakenIndices> TakenDates(DBServer& table, int fieldPos, uint32_t records,
                                               Date start, uint64_t days) {
  TakenIndices::Builder indices(days, records);
  ForEachExisting(table, fieldPos, records, [&](const Value& value) {
    if (!value.IsDate() || value.AsDate().IsEmpty()) return;
    const int64_t day = value.AsDate() - start;
    if (day >= 0) indices.Add(uint64_t(day));
  });
  return Make(indices);
}

std::shared_ptr<const TakenIndices> TakenDigits(DBServer& table, int fieldPos, uint32_t records,
                                                uint32_t width) {
  uint64_t size = 1;
  for (uint32_t i = 0; i < width; ++i) size *= 10;
  TakenIndices::Builder indices(size, records);
  ForEachExisting(table, fieldPos, records, [&](const Value& value) {
    if (!value.IsText()) return;
    const std::string_view text = Trim(value.AsText());
    uint64_t n;
    if (text.size() == width && AllDigits(text) && DigitsValue(text, n)) indices.Add(n);
  });
  return Make(indices);
}

std::shared_ptr<const TakenIndices> TakenAccounts(DBServer& table, int fieldPos,
                                                  uint32_t records) {
  TakenIndices::Builder indices(10000000000ull, records);
  ForEachExisting(table, fieldPos, records, [&](const Value& value) {
    if (!value.IsText()) return;
    const std::string_view text = Trim(value.AsText());
    uint64_t account;
    if (text.size() == 22 && text.substr(0, 2) == "DE" && AllDigits(text.substr(2)) &&
        DigitsValue(text.substr(12), account))
      indices.Add(account);
  });
  return Make(indices);
}

uint64_t TrailingNumber(std::string_view text, bool afterDash) {
  text = TrimRight(text);
  if (!afterDash) text = text.substr(0, text.find('@'));
  size_t start = text.size();
  while (start > 0 && text[start - 1] >= '0' && text[start - 1] <= '9') --start;
  if (start == text.size() || (afterDash && (start == 0 || text[start - 1] != '-'))) return 0;
  uint64_t n;
  // A number too long to count is treated as the largest: nothing is numbered after it.
  return DigitsValue(text.substr(start), n) ? n : UINT64_MAX;
}

uint64_t LastNumberIn(DBServer& table, int fieldPos, uint32_t records, bool afterDash) {
  uint64_t last = 0;
  ForEachExisting(table, fieldPos, records, [&](const Value& value) {
    if (value.IsText()) last = std::max(last, TrailingNumber(value.AsText(), afterDash));
  });
  return last;
}

}  // namespace fw
