#include "core/generate/Generators.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/platform/Error.h"

namespace fw {
namespace {

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

// One random text into `out`: exactly `max` characters when `fix`, otherwise a draw below `max`,
// in either case cut to `limit`. Returns the length.
uint32_t DrawRandomText(RandomStream& random, uint32_t max, bool fix, uint32_t limit, char* out) {
  const uint32_t length = std::min(fix ? max : random.Below(max), limit);
  FillPrintable(random, out, length);
  return length;
}

// A day from `start` up to the day before start + days; `start` itself, without a draw, for 0.
Date DrawDate(RandomStream& random, Date start, uint32_t days) {
  return days == 0 ? start : start.AddDays(random.Below(days));
}

// The length of one random memo word: a RandomString() of its default length.
constexpr uint32_t kRandomWordLimit = 20;

}  // namespace

uint32_t RandomTextLimit(const Value& nMax) {
  const double n = nMax.AsNumber();
  if (!(n >= 1)) return kRandomWordLimit;
  return n >= double(kMaxRandomLength) ? kMaxRandomLength : uint32_t(n);
}

Date EmptyStartDate() { return Date::FromYmd(1900, 1, 1); }
Date EmptyEndDate() { return Date::Today(); }

std::string RandomString(const Value& nMax, const Value& lFix) {
  const uint32_t max = RandomTextLimit(nMax);
  std::string text(max, ' ');
  text.resize(DrawRandomText(ProgramRandom(), max, lFix.AsLogic(), max, text.data()));
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
    start = dStart.AsDate().IsEmpty() ? EmptyStartDate() : dStart.AsDate();
  } else {
    return wrongType();
  }
  if (dEnd.IsText()) {
    end = Date::FromText(dEnd.AsText());
  } else if (dEnd.IsDate()) {
    end = dEnd.AsDate().IsEmpty() ? EmptyEndDate() : dEnd.AsDate();
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
  return Value(DrawDate(ProgramRandom(), start, uint32_t(end - start)));
}

RandomTextColumn::RandomTextColumn(uint64_t seed, uint32_t maxLength, bool fixLength,
                                   uint32_t fieldLength)
    : random_(seed), max_(RandomTextLimit(Value(double(maxLength)))), fix_(fixLength),
      fieldLength_(fieldLength) {
  buffer_.resize(std::min(max_, fieldLength_));
}

void RandomTextColumn::Produce(FieldWriter& out) {
  const uint32_t length = DrawRandomText(random_, max_, fix_, fieldLength_, buffer_.data());
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

void DateColumn::Produce(FieldWriter& out) { out.PutDate(DrawDate(random_, start_, days_)); }

TimeOfDayColumn::TimeOfDayColumn(uint64_t seed, std::unique_ptr<ColumnSource> dates)
    : random_(seed), dates_(std::move(dates)) {}

void TimeOfDayColumn::Produce(FieldWriter& out) {
  // Passes every value on, a date with the time drawn for it.
  class WithTime final : public FieldWriter {
  public:
    WithTime(FieldWriter& out, RandomStream& random) : out_(out), random_(random) {}
    void PutText(std::string_view text) override { out_.PutText(text); }
    void PutNumber(double number) override { out_.PutNumber(number); }
    void PutLogic(bool logic) override { out_.PutLogic(logic); }
    void PutDate(Date date) override { out_.PutDateTime(date, random_.Below(86400000u)); }
    void PutDateTime(Date date, uint32_t milliseconds) override {
      out_.PutDateTime(date, milliseconds);
    }
    void PutBlank() override { out_.PutBlank(); }

  private:
    FieldWriter& out_;
    RandomStream& random_;
  };
  WithTime writer(out, random_);
  dates_->Produce(writer);
}

LaterDateColumn::LaterDateColumn(uint64_t seed, std::unique_ptr<ColumnSource> earlier,
                                 uint32_t days)
    : random_(seed), earlier_(std::move(earlier)), days_(days) {}

void LaterDateColumn::Produce(FieldWriter& out) {
  // Keeps the date the earlier field gets in this record (a time of day is not needed).
  struct Catcher final : FieldWriter {
    Date date;
    void PutText(std::string_view) override {}
    void PutNumber(double) override {}
    void PutLogic(bool) override {}
    void PutDate(Date d) override { date = d; }
  } earlier;
  earlier_->Produce(earlier);
  if (earlier.date.IsEmpty()) {
    out.PutBlank();
    return;
  }
  const Date later = earlier.date.AddDays(random_.Below(days_ + 1));
  out.PutDate(later.IsEmpty() ? earlier.date : later);
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
  char random[kRandomWordLimit];
  for (int64_t i = 0; i < words; ++i) {
    if (count_ > 0) {
      buffer_ += (*words_)[random_.Below(count_)];
    } else {
      buffer_.append(random, DrawRandomText(random_, kRandomWordLimit, false, kRandomWordLimit,
                                            random));
    }
    buffer_ += ' ';
  }
  out.PutText(buffer_);
}

}  // namespace fw
