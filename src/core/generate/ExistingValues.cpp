#include "core/generate/ExistingValues.h"

#include <algorithm>
#include <cmath>

#include "core/platform/TextTrim.h"

namespace fw {
namespace {

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// The digits as a number; false when there are more than 19 of them.
bool DigitsValue(std::string_view s, uint64_t& value) {
  if (s.size() > 19) return false;
  value = 0;
  for (char c : s) value = value * 10 + uint64_t(c - '0');
  return true;
}

std::shared_ptr<const TakenIndices> Make(std::vector<uint64_t> indices, uint64_t size) {
  return std::make_shared<const TakenIndices>(std::move(indices), size);
}

}  // namespace

TakenIndices::TakenIndices(std::vector<uint64_t> indices, uint64_t size) {
  std::sort(indices.begin(), indices.end());
  indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
  count_ = indices.size();
  if (size / 64 + 1 < indices.size()) {
    bits_.assign(size / 64 + 1, 0);
    for (uint64_t index : indices) bits_[index / 64] |= uint64_t(1) << (index % 64);
  } else {
    sorted_ = std::move(indices);
  }
}

bool TakenIndices::Contains(uint64_t index) const {
  if (!bits_.empty())
    return index / 64 < bits_.size() && (bits_[index / 64] >> (index % 64) & 1) != 0;
  return std::binary_search(sorted_.begin(), sorted_.end(), index);
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
  auto add = [&](double v, std::vector<uint64_t>& out) {
    const double at = std::floor((v - min) * scale + 0.5);
    for (double i : {at, at - 1}) {
      if (!(i >= 0) || i >= double(capacity)) continue;
      if (std::fabs(std::round((min + i * unit) * scale) / scale - v) < unit / 2) {
        out.push_back(uint64_t(i));
        return;
      }
    }
  };
  std::vector<uint64_t> indices;
  ForEachExisting(table, fieldPos, records, [&](const Value& value) {
    if (!value.IsNumber()) return;
    const double v = value.AsNumber();
    if (!std::isfinite(v)) return;
    add(v, indices);
    if (signs && v != 0) add(-v, indices);
  });
  return Make(std::move(indices), capacity);
}

std::shared_ptr<const TakenIndices> TakenDates(DBServer& table, int fieldPos, uint32_t records,
                                               Date start, uint64_t days) {
  std::vector<uint64_t> indices;
  ForEachExisting(table, fieldPos, records, [&](const Value& value) {
    if (!value.IsDate() || value.AsDate().IsEmpty()) return;
    const int64_t day = value.AsDate() - start;
    if (day >= 0 && uint64_t(day) < days) indices.push_back(uint64_t(day));
  });
  return Make(std::move(indices), days);
}

std::shared_ptr<const TakenIndices> TakenDigits(DBServer& table, int fieldPos, uint32_t records,
                                                uint32_t width) {
  uint64_t size = 1;
  for (uint32_t i = 0; i < width; ++i) size *= 10;
  std::vector<uint64_t> indices;
  ForEachExisting(table, fieldPos, records, [&](const Value& value) {
    if (!value.IsText()) return;
    const std::string_view text = Trim(value.AsText());
    uint64_t n;
    if (text.size() == width && AllDigits(text) && DigitsValue(text, n)) indices.push_back(n);
  });
  return Make(std::move(indices), size);
}

std::shared_ptr<const TakenIndices> TakenAccounts(DBServer& table, int fieldPos,
                                                  uint32_t records) {
  std::vector<uint64_t> indices;
  ForEachExisting(table, fieldPos, records, [&](const Value& value) {
    if (!value.IsText()) return;
    const std::string_view text = Trim(value.AsText());
    uint64_t account;
    if (text.size() == 22 && text.substr(0, 2) == "DE" && AllDigits(text.substr(2)) &&
        DigitsValue(text.substr(12), account))
      indices.push_back(account);
  });
  return Make(std::move(indices), 10000000000ull);
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
