#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/app/MessageSink.h"
#include "core/platform/DBServer.h"
#include "core/platform/Date.h"
#include "core/platform/Value.h"
#include "core/generate/Random.h"

namespace fw {

// Random printable text from the program-wide source. nMax: number or no value (no value, 0
// or a negative number mean 20); lFix: logical or no value. lFix TRUE gives exactly nMax
// characters, otherwise 0 to nMax - 1. Every character is one of the 96 codes 32 to 127.
// Lengths above kMaxRandomLength are taken as kMaxRandomLength.
std::string RandomString(const Value& nMax = Value(), const Value& lFix = Value());
constexpr uint32_t kMaxRandomLength = 65535;

// The longest random text a rule's nMax asks for, as RandomString and the "Random" source both
// take it: the whole part of the number, at most kMaxRandomLength; no value, 0, a negative
// number or less than 1 mean 20.
uint32_t RandomTextLimit(const Value& nMax);

// The dates an empty start and an empty end of a date range stand for: 1.1.1900 and today.
Date EmptyStartDate();
Date EmptyEndDate();

// A random date from dStart up to the day before dEnd (dStart itself when both are equal).
// Each argument is a date or a text in the current date format; an empty start date means
// 1.1.1900, an empty end date today. A text that is no date gives no fallback: the result is
// then the empty date. Any other type shows "Falscher Datentyp" on `sink` (when given) and
// gives no value. An end before the start raises a numeric error (gen::kNumErr) and gives no
// value when the error block answers Default.
Value RandomDate(const Value& dStart, const Value& dEnd, MessageSink* sink = nullptr);

// ---- column sources: the values of one field for a bulk append ---------------------------
// Each owns a random stream of its own, seeded once from the program-wide source when the fill
// method plans its field, so a fixed seed gives the same table however the append buffers.

// Random text as RandomString gives it, produced only up to the field's length (the table
// would cut the rest anyway). maxLength is taken as RandomTextLimit takes a rule's nMax.
class RandomTextColumn : public ColumnSource {
public:
  RandomTextColumn(uint64_t seed, uint32_t maxLength, bool fixLength, uint32_t fieldLength);
  void Produce(FieldWriter& out) override;

private:
  RandomStream random_;
  uint32_t max_;
  bool fix_;
  uint32_t fieldLength_;
  std::string buffer_;
};

// One entry of a word list per record, drawn uniformly over the entries.
class WordColumn : public ColumnSource {
public:
  WordColumn(uint64_t seed, std::shared_ptr<const std::vector<std::string>> words);
  void Produce(FieldWriter& out) override;

private:
  RandomStream random_;
  std::shared_ptr<const std::vector<std::string>> words_;
  uint32_t count_;
};

// min + (max - min) * r; with negatives on, a record is negative when its draw below 100 is
// below percentNeg.
class NumberColumn : public ColumnSource {
public:
  NumberColumn(uint64_t seed, double min, double max, bool negativ, double percentNeg);
  void Produce(FieldWriter& out) override;

private:
  RandomStream random_;
  double min_, range_;
  bool negativ_;
  double percentNeg_;
};

// TRUE when the record's draw below 100 is below percentTrue.
class LogicColumn : public ColumnSource {
public:
  LogicColumn(uint64_t seed, double percentTrue);
  void Produce(FieldWriter& out) override;

private:
  RandomStream random_;
  double percentTrue_;
};

// start + a draw below (end - start) days: start up to the day before end, or start when both
// are equal. Both dates must be set and end not before start.
class DateColumn : public ColumnSource {
public:
  DateColumn(uint64_t seed, Date start, Date end);
  void Produce(FieldWriter& out) override;

private:
  RandomStream random_;
  Date start_;
  uint32_t days_;
};

// The dates of another source with a time of day drawn for each (a millisecond below 24
// hours), for fields that hold date and time; blanks and other values pass unchanged.
class TimeOfDayColumn : public ColumnSource {
public:
  TimeOfDayColumn(uint64_t seed, std::unique_ptr<ColumnSource> dates);
  void Produce(FieldWriter& out) override;

private:
  RandomStream random_;
  std::unique_ptr<ColumnSource> dates_;
};

// A date 0 to `days` days after the date of another field of the same record, whose values
// `earlier` draws again (a copy of that field's source, from the same seeds); blank where that
// field is blank. A date past the last one a date can be stays the earlier date.
class LaterDateColumn : public ColumnSource {
public:
  LaterDateColumn(uint64_t seed, std::unique_ptr<ColumnSource> earlier, uint32_t days);
  void Produce(FieldWriter& out) override;

private:
  RandomStream random_;
  std::unique_ptr<ColumnSource> earlier_;
  uint32_t days_;
};

// A memo text of minWords to maxWords words (both ends half as likely as the counts between
// them; equal counts give exactly that many), each word followed by one blank. The words come
// from the list, or from RandomString() when `words` is empty (source "Random").
class MemoColumn : public ColumnSource {
public:
  MemoColumn(uint64_t seed, int64_t minWords, int64_t maxWords,
             std::shared_ptr<const std::vector<std::string>> words);
  void Produce(FieldWriter& out) override;

private:
  RandomStream random_;
  int64_t min_, max_;
  std::shared_ptr<const std::vector<std::string>> words_;
  uint32_t count_;
  std::string buffer_;
};

}  // namespace fw
