#include "core/generate/ColumnOptions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>

namespace fw {
namespace {

// Keeps the text a source writes, for a wrapper that changes it before it reaches the record.
struct TextCatcher final : FieldWriter {
  std::string* text;
  explicit TextCatcher(std::string* t) : text(t) {}
  void PutText(std::string_view t) override { text->assign(t); }
  void PutNumber(double) override {}
  void PutLogic(bool) override {}
  void PutDate(Date) override {}
};

// Passes a source's text on as the number its digits make; anything else passes unchanged.
struct DigitsAsNumber final : FieldWriter {
  FieldWriter& out;
  explicit DigitsAsNumber(FieldWriter& o) : out(o) {}
  void PutText(std::string_view t) override {
    double number = 0;
    for (char c : t) {
      if (c < '0' || c > '9') break;
      number = number * 10 + (c - '0');
    }
    if (t.empty()) out.PutBlank();
    else out.PutNumber(number);
  }
  void PutNumber(double n) override { out.PutNumber(n); }
  void PutLogic(bool l) override { out.PutLogic(l); }
  void PutDate(Date d) override { out.PutDate(d); }
  void PutBlank() override { out.PutBlank(); }
};

struct Discard final : FieldWriter {
  void PutText(std::string_view) override {}
  void PutNumber(double) override {}
  void PutLogic(bool) override {}
  void PutDate(Date) override {}
};

uint64_t MulMod(uint64_t a, uint64_t b, uint64_t m) {
  return uint64_t((unsigned __int128)a * b % m);
}

constexpr double kExactLimit = 9007199254740992.0;  // 2^53: whole numbers a double holds exactly

}  // namespace

DistinctIndices::DistinctIndices(uint64_t seed, uint64_t size) : size_(std::max<uint64_t>(size, 1)) {
  RandomStream random(seed);
  // A multiplier prime to the size, away from 1 so that neighbours are scattered.
  a_ = 1;
  if (size_ > 2) {
    for (int tries = 0; tries < 64; ++tries) {
      const uint64_t candidate = size_ / 3 + random.Next() % (size_ - size_ / 3);
      if (candidate > 1 && std::gcd(candidate, size_) == 1) {
        a_ = candidate;
        break;
      }
    }
  }
  c_ = random.Next() % size_;
}

uint64_t DistinctIndices::Next() {
  // The counter runs through 0, 1, 2, ...; the map a * i + c is one-to-one modulo the size.
  const uint64_t value = (MulMod(a_, i_, size_) + c_) % size_;
  i_ = i_ + 1 == size_ ? 0 : i_ + 1;
  return value;
}

uint64_t DistinctIndices::NextNotIn(const TakenIndices* taken) {
  uint64_t value = Next();
  // In `size` steps every number comes once: a free one is found within them if there is one.
  for (uint64_t steps = 1; taken && taken->Contains(value) && steps < size_; ++steps)
    value = Next();
  return value;
}

uint64_t UniqueNumberColumn::Capacity(double min, double max, uint32_t decimals) {
  if (!(max > min)) return max == min ? 1 : 0;
  const double count = std::floor((max - min) * std::pow(10.0, double(decimals)));
  if (!(count >= 1)) return 1;
  return count >= kExactLimit ? uint64_t(kExactLimit) : uint64_t(count);
}

UniqueNumberColumn::UniqueNumberColumn(uint64_t seed, double min, double max, uint32_t decimals,
                                       bool negativ, double percentNeg,
                                       std::shared_ptr<const TakenIndices> taken)
    : random_(seed), indices_(random_.Next(), Capacity(min, max, decimals)), min_(min),
      unit_(std::pow(10.0, -double(decimals))), negativ_(negativ), percentNeg_(percentNeg),
      taken_(std::move(taken)) {}

void UniqueNumberColumn::Produce(FieldWriter& out) {
  double value = min_ + double(indices_.NextNotIn(taken_.get())) * unit_;
  // Distinct magnitudes stay distinct whatever their signs.
  if (negativ_ && double(random_.Below(100)) < percentNeg_) value = -value;
  out.PutNumber(value == 0 ? 0.0 : value);
}

UniqueDateColumn::UniqueDateColumn(uint64_t seed, Date start, Date end,
                                   std::shared_ptr<const TakenIndices> taken)
    : start_(start), indices_(seed, uint64_t(std::max<int64_t>(end - start, 1))),
      taken_(std::move(taken)) {}

void UniqueDateColumn::Produce(FieldWriter& out) {
  out.PutDate(start_.AddDays(int64_t(indices_.NextNotIn(taken_.get()))));
}

SuffixColumn::SuffixColumn(std::unique_ptr<ColumnSource> inner, uint32_t fieldLength,
                           uint64_t lastNumber)
    : inner_(std::move(inner)), fieldLength_(fieldLength), number_(lastNumber) {}

uint32_t SuffixColumn::LengthNeeded(uint64_t lastNumber) {
  uint32_t digits = 1;
  for (uint64_t n = lastNumber; n >= 10; n /= 10) ++digits;
  return digits + 1;
}

void SuffixColumn::Produce(FieldWriter& out) {
  TextCatcher catcher(&buffer_);
  buffer_.clear();
  inner_->Produce(catcher);
  while (!buffer_.empty() && buffer_.back() == ' ') buffer_.pop_back();
  char digits[24];
  digits[0] = '-';
  const auto end = std::to_chars(digits + 1, digits + sizeof digits, ++number_).ptr;
  const size_t suffix = size_t(end - digits);
  const size_t room = fieldLength_ > suffix ? fieldLength_ - suffix : 0;
  if (buffer_.size() > room) buffer_.resize(room);
  buffer_.append(digits, suffix);
  out.PutText(buffer_);
}

BlankShareColumn::BlankShareColumn(uint64_t seed, std::unique_ptr<ColumnSource> inner,
                                   double percent)
    : random_(seed), inner_(std::move(inner)), percent_(percent) {}

void BlankShareColumn::Produce(FieldWriter& out) {
  if (random_.Real() * 100.0 < percent_) {
    Discard discard;
    inner_->Produce(discard);
    out.PutBlank();
  } else {
    inner_->Produce(out);
  }
}

void NumberFromTextColumn::Produce(FieldWriter& out) {
  DigitsAsNumber number(out);
  inner_->Produce(number);
}

DeletedShareColumn::DeletedShareColumn(uint64_t seed, double percent)
    : random_(seed), percent_(percent) {}

void DeletedShareColumn::Produce(FieldWriter& out) {
  out.PutLogic(random_.Real() * 100.0 < percent_);
}

}  // namespace fw
