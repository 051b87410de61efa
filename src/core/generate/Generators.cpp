#include "core/generate/Generators.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/errors/Error.h"

namespace fw {
namespace {

// A whole, non-negative count from a number value; no value, negatives and NaN give 0.
uint32_t CountOf(const Value& v, uint32_t limit) {
  const double n = v.AsNumber();
  if (!(n > 0)) return 0;
  return n >= double(limit) ? limit : uint32_t(n);
}

// Two printable characters (codes 32 to 127) per 64-bit draw: a draw below 96 from each half.
inline void FillPrintable(RandomStream& random, char* out, uint32_t length) {
  uint32_t i = 0;
  for (; i + 1 < length; i += 2) {
    const uint64_t bits = random.Next();
    out[i] = char(32 + ((uint64_t(uint32_t(bits)) * 96) >> 32));
    out[i + 1] = char(32 + (((bits >> 32) * 96) >> 32));
  }
  if (i < length) out[i] = char(32 + random.Below(96));
}

}  // namespace

std::string RandomString(const Value& nMax, const Value& lFix) {
  uint32_t max = CountOf(nMax, kMaxRandomLength);
  if (max == 0) max = 20;
  RandomStream& random = ProgramRandom();
  const uint32_t length = lFix.AsLogic() ? max : random.Below(max);
  std::string text(length, ' ');
  for (char& c : text) c = char(32 + random.Below(96));
  return text;
}

Value RandomDate(const Value& dStart, const Value& dEnd, MessageSink* sink) {
  auto wrongType = [sink]() {
    if (sink)
      sink->ShowMessage("Falscher Datentyp",
                        "Sie können das Datum nur als Zeichenkette\r\noder als Datumswert eingeben",
                        MessageIcon::Exclamation);
    return Value();
  };
  Date start, end;
  if (dStart.IsText()) {
    start = Date::FromText(dStart.AsText());
  } else if (dStart.IsDate()) {
    start = dStart.AsDate().IsEmpty() ? Date::FromYmd(1900, 1, 1) : dStart.AsDate();
  } else {
    return wrongType();
  }
  if (dEnd.IsText()) {
    end = Date::FromText(dEnd.AsText());
  } else if (dEnd.IsDate()) {
    end = dEnd.AsDate().IsEmpty() ? Date::Today() : dEnd.AsDate();
  } else {
    return wrongType();
  }
  // A text that is no date leaves nothing to count from.
  if (start.IsEmpty() || end.IsEmpty()) return Value(Date());
  if (end < start) {
    Error error;
    error.SubSystem = "BASE";
    error.GenCode = gen::kNumErr;
    error.CanDefault = true;
    error.Operation = "RandomDate";
    error.Description = "Das Enddatum liegt vor dem Startdatum";
    error.Throw();
    return Value();
  }
  const int64_t days = end - start;
  return Value(start.AddDays(RandomBelow(uint32_t(days))));
}

RandomTextColumn::RandomTextColumn(uint64_t seed, uint32_t maxLength, bool fixLength,
                                   uint32_t fieldLength)
    : random_(seed), max_(maxLength == 0 ? 20 : maxLength), fix_(fixLength),
      fieldLength_(fieldLength) {
  buffer_.resize(std::min(max_, fieldLength_));
}

void RandomTextColumn::Produce(FieldWriter& out) {
  const uint32_t length = std::min(fix_ ? max_ : random_.Below(max_), fieldLength_);
  FillPrintable(random_, buffer_.data(), length);
  out.PutText(std::string_view(buffer_.data(), length));
}

WordColumn::WordColumn(uint64_t seed, std::shared_ptr<const std::vector<std::string>> words)
    : random_(seed), words_(std::move(words)), count_(uint32_t(words_->size())) {}

void WordColumn::Produce(FieldWriter& out) { out.PutText((*words_)[random_.Below(count_)]); }

NumberColumn::NumberColumn(uint64_t seed, double min, double max, bool negativ,
                           double percentNeg)
    : random_(seed), min_(min), range_(max - min), negativ_(negativ), percentNeg_(percentNeg) {}

void NumberColumn::Produce(FieldWriter& out) {
  double value = min_ + range_ * random_.Real();
  if (negativ_ && double(random_.Below(100)) < percentNeg_) value = -value;
  out.PutNumber(value == 0 ? 0.0 : value);  // never a negative zero
}

LogicColumn::LogicColumn(uint64_t seed, double percentTrue)
    : random_(seed), percentTrue_(percentTrue) {}

void LogicColumn::Produce(FieldWriter& out) {
  out.PutLogic(double(random_.Below(100)) < percentTrue_);
}

DateColumn::DateColumn(uint64_t seed, Date start, Date end)
    : random_(seed), start_(start), days_(uint32_t(std::max<int64_t>(end - start, 0))) {}

void DateColumn::Produce(FieldWriter& out) {
  out.PutDate(days_ == 0 ? start_ : start_.AddDays(random_.Below(days_)));
}

MemoColumn::MemoColumn(uint64_t seed, int64_t minWords, int64_t maxWords,
                       std::shared_ptr<const std::vector<std::string>> words)
    : random_(seed), min_(minWords), max_(maxWords), words_(std::move(words)),
      count_(words_ ? uint32_t(words_->size()) : 0) {}

void MemoColumn::Produce(FieldWriter& out) {
  int64_t words = min_;
  if (max_ != min_)
    words = min_ + int64_t(std::floor(random_.Real() * double(max_ - min_) + 0.5));
  buffer_.clear();
  char random[20];
  for (int64_t i = 0; i < words; ++i) {
    if (count_ > 0) {
      buffer_ += (*words_)[random_.Below(count_)];
    } else {
      const uint32_t length = random_.Below(20);
      FillPrintable(random_, random, length);
      buffer_.append(random, length);
    }
    buffer_ += ' ';
  }
  out.PutText(buffer_);
}

bool NumbersFitField(double min, double max, bool negatives, uint32_t length,
                     uint32_t decimals) {
  if (!std::isfinite(min) || !std::isfinite(max) || length == 0 || length > 255 ||
      decimals >= length)
    return false;
  char text[400];
  auto width = [&](double v) {
    const int n = std::snprintf(text, sizeof text, "%.*f", int(decimals), v);
    return n < 0 ? size_t(-1) : size_t(n);
  };
  const double widest = std::max(std::fabs(min), std::fabs(max));
  if (std::fabs(widest) >= 1e300) return false;
  // The widest value may round up to the bound itself; a negative one needs the sign too.
  if (width(widest) > length) return false;
  const double negative =
      negatives ? widest : std::max(min < 0 ? -min : 0.0, max < 0 ? -max : 0.0);
  return negative == 0 || width(-negative) <= length;
}

}  // namespace fw
