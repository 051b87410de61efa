#pragma once
#include <bit>
#include <compare>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "core/platform/DecimalText.h"

namespace fw {

// Order of day, month and year in dates converted to and from text.
enum class DateOrder { MonthDayYear = 0, DayMonthYear = 1, YearMonthDay = 2 };

// How dates are converted to and from text, program-wide. The regional settings set it at
// start-up; start-up then switches to German (day.month.year, four-digit years).
struct DateFormat {
  DateOrder Order = DateOrder::DayMonthYear;
  char Separator = '.';
  bool Century = true;   // four-digit years in text output
  int Epoch = 1910;      // two-digit years read as Epoch .. Epoch + 99
};
const DateFormat& CurrentDateFormat();
void SetDateFormat(const DateFormat& format);
DateFormat GermanDateFormat();

// A calendar date, or the empty date. Stored as a day number so that differences are days.
class Date {
public:
  constexpr Date() = default;  // the empty date
  // Returns the empty date for an impossible date (31.02., month 13, year outside 1..9999).
  static Date FromYmd(int year, int month, int day);
  static Date Today();
  // "YYYYMMDD" as stored in a DBF record; eight blanks (or any invalid text) give the empty date.
  static Date FromDbf(std::string_view text);
  // Text in the current date format; a text that is no valid date gives the empty date.
  static Date FromText(std::string_view text);

  bool IsEmpty() const { return day_ == 0; }
  int32_t DayNumber() const { return day_; }
  void ToYmd(int& year, int& month, int& day) const;
  Date AddDays(int64_t days) const;

  std::string ToDbf() const;   // "YYYYMMDD", or eight blanks for the empty date
  void ToDbf(char* out) const; // the same eight characters into out[0..7], no allocation

  // Days from 1.3.0000 (the start of the computation's March-based years) to day 0.
  static constexpr int32_t kDaysBeforeDayOne = 305;
  std::string ToText() const;  // current date format; blanks in the date's shape when empty

  friend int64_t operator-(Date a, Date b) { return int64_t(a.day_) - int64_t(b.day_); }
  friend auto operator<=>(Date a, Date b) = default;

private:
  int32_t day_ = 0;  // days since 31.12. of year 0 (1.1.0001 is day 1); 0 = empty
};

// Inline: a fill writes millions of dates.
inline void Date::ToDbf(char* out) const {
  if (IsEmpty()) {
    for (int i = 0; i < 8; ++i) out[i] = ' ';
    return;
  }
  // Civil date from the day count in unsigned 32-bit arithmetic, which every date from
  // 1.1.0001 allows: the divisions by constants become multiplications.
  const uint32_t z = uint32_t(day_ + kDaysBeforeDayOne);
  const uint32_t era = z / 146097;
  const uint32_t doe = z - era * 146097;
  const uint32_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const uint32_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const uint32_t mp = (5 * doy + 2) / 153;
  const uint32_t d = doy - (153 * mp + 2) / 5 + 1;
  const uint32_t m = mp < 10 ? mp + 3 : mp - 9;
  const uint32_t y = yoe + era * 400 + (m <= 2);
  if constexpr (std::endian::native == std::endian::little) {
    const uint64_t text = EightDigits(y * 10000 + m * 100 + d);
    std::memcpy(out, &text, 8);
  } else {
    std::memcpy(out, kDigitPairs + (y / 100) * 2, 2);
    std::memcpy(out + 2, kDigitPairs + (y % 100) * 2, 2);
    std::memcpy(out + 4, kDigitPairs + m * 2, 2);
    std::memcpy(out + 6, kDigitPairs + d * 2, 2);
  }
}

}  // namespace fw
