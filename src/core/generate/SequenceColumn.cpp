#include "core/generate/SequenceColumn.h"

#include <cmath>
#include <cstring>

#include "core/platform/FieldBytes.h"

namespace fw {
namespace {

// The n-th number (from 0) of the rule, exact in 128 bits.
__int128 NumberAt(const SequenceRule& rule, uint64_t n) {
  return __int128(rule.Start) + __int128(n) * rule.Step;
}

}  // namespace

int64_t DefaultSequenceStart(std::optional<double> largest) {
  if (!largest || !(*largest >= 0)) return 1;
  const double next = std::floor(*largest) + 1;
  return next >= 9.2e18 ? INT64_MAX : int64_t(next);
}

int64_t DefaultSequenceStart(std::optional<uint64_t> largestInMask) {
  if (!largestInMask) return 1;
  return *largestInMask >= uint64_t(INT64_MAX) ? INT64_MAX : int64_t(*largestInMask + 1);
}

bool CheckSequenceMask(const Mask& mask, std::string& error) {
  if (mask.DigitPlaces() == 0) {
    error = "Die Maske einer Folge braucht mindestens ein # für die Nummer.";
    return false;
  }
  if (!mask.OnlyDigitPlaces()) {
    error = "Die Maske einer Folge darf außer # keine Platzhalter haben (A, a oder X); "
            "ein Buchstabe, der stehen bleiben soll, wird mit \\ davor geschrieben.";
    return false;
  }
  return true;
}

bool SequenceFitsMask(const SequenceRule& rule, uint64_t count, const Mask& mask) {
  if (count == 0) return true;
  const __int128 first = NumberAt(rule, 0), last = NumberAt(rule, count - 1);
  const __int128 largest = __int128(mask.Capacity()) - 1;
  return first >= 0 && last >= 0 && first <= largest && last <= largest;
}

bool SequenceFitsField(const SequenceRule& rule, uint64_t count, char type, uint32_t length,
                       uint32_t decimals) {
  if (count == 0) return true;
  const __int128 first = NumberAt(rule, 0), last = NumberAt(rule, count - 1);
  // Beyond 2^53 a double no longer holds every whole number.
  const __int128 exact = __int128(1) << 53;
  if (first > exact || last > exact || first < -exact || last < -exact) return false;
  const double a = double(first), b = double(last);
  return NumbersFitFieldOfType(std::min(a, b), std::max(a, b), false, type, length, decimals);
}

// Writes a value as the key it is compared by.
class GroupChanges::KeyWriter final : public FieldWriter {
public:
  KeyWriter(uint32_t textLength, uint32_t decimals)
      : textLength_(textLength), scale_(std::pow(10.0, double(decimals))) {}
  std::string* key = nullptr;
  void PutText(std::string_view text) override {
    if (textLength_ > 0 && text.size() > textLength_) text = text.substr(0, textLength_);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    key->assign(1, 'C');
    key->append(text);
  }
  void PutNumber(double number) override {
    const double rounded = std::round(number * scale_);
    key->assign(1, 'N');
    Append(rounded == 0 ? 0.0 : rounded);
  }
  void PutLogic(bool logic) override { key->assign(logic ? "LT" : "LF"); }
  void PutDate(Date date) override { PutDateTime(date, 0); }
  void PutDateTime(Date date, uint32_t milliseconds) override {
    key->assign(1, 'D');
    Append(date.DayNumber());
    Append(milliseconds);
  }
  void PutBlank() override { key->assign(1, 'B'); }

private:
  template <typename T>
  void Append(T value) {
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    key->append(bytes, sizeof value);
  }
  uint32_t textLength_;
  double scale_;
};

GroupChanges::GroupChanges(std::unique_ptr<ColumnSource> values, uint32_t textLength,
                           uint32_t decimals)
    : values_(std::move(values)), writer_(std::make_unique<KeyWriter>(textLength, decimals)) {}

GroupChanges::~GroupChanges() = default;

bool GroupChanges::NextStartsGroup() {
  writer_->key = &current_;
  current_.assign(1, 'B');  // a source that writes nothing leaves the field blank
  values_->Produce(*writer_);
  const bool starts = first_ || current_ != previous_;
  first_ = false;
  previous_.swap(current_);  // both keep their room: no allocation once they are long enough
  return starts;
}

uint64_t LongestGroup(GroupChanges& changes, uint32_t records) {
  uint64_t longest = 0, run = 0;
  for (uint32_t i = 0; i < records; ++i) {
    run = changes.NextStartsGroup() ? 1 : run + 1;
    longest = std::max(longest, run);
  }
  return longest;
}

SequenceColumn::SequenceColumn(SequenceRule rule, std::optional<Mask> mask,
                               std::unique_ptr<GroupChanges> groups,
                               std::shared_ptr<uint64_t> outside)
    : outside_(std::move(outside)), rule_(rule), mask_(std::move(mask)),
      groups_(std::move(groups)), next_(rule.Start) {
  if (mask_) buffer_.assign(mask_->Length(), ' ');
}

void SequenceColumn::Produce(FieldWriter& out) {
  if (groups_ && groups_->NextStartsGroup()) next_ = rule_.Start;
  const int64_t number = next_;
  // Past the end of int64 the count stays put; the plan's fit check refuses such runs.
  if (__builtin_add_overflow(next_, rule_.Step, &next_)) next_ = number;
  if (!mask_) {
    out.PutNumber(double(number));
    return;
  }
  const uint64_t largest = mask_->Capacity() - 1;
  if (outside_ && (number < 0 || uint64_t(number) > largest)) ++*outside_;
  mask_->Write(number < 0 ? 0 : std::min(uint64_t(number), largest), buffer_.data());
  out.PutText(buffer_);
}

}  // namespace fw
