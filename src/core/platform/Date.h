#pragma once
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

// "MMDD" of each day of a March-based year (0 = 1 March, 365 = 29 February), the month and
// day part of the DBF text of a date.
inline constexpr auto kMonthDayText = [] {
  struct Table {
    char Text[366][4];
  } table{};
  for (uint32_t doy = 0; doy < 366; ++doy) {
    const uint32_t mp = (5 * doy + 2) / 153;
    const uint32_t d = doy - (153 * mp + 2) / 5 + 1;
    const uint32_t m = mp < 10 ? mp + 3 : mp - 9;
    table.Text[doy][0] = char('0' + m / 10);
    table.Text[doy][1] = char('0' + m % 10);
    table.Text[doy][2] = char('0' + d / 10);
    table.Text[doy][3] = char('0' + d % 10);
  }
  return table;
}();

// Inline: a fill writes millions of dates.
inline void Date::ToDbf(char* out) const {
  if (IsEmpty()) {
    for (int i = 0; i < 8; ++i) out[i] = ' ';
    return;
  }
  // The year and day of a March-based year from the day count, in unsigned 32-bit arithmetic
  // that every date from 1.1.0001 allows (the divisions by constants become multiplications);
  // month and day then come from a table.
  const uint32_t z = uint32_t(day_ + kDaysBeforeDayOne);
  const uint32_t era = z / 146097;
  const uint32_t doe = z - era * 146097;
  const uint32_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const uint32_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const uint32_t y = yoe + era * 400 + (doy >= 306);  // January and February: the next year
  std::memcpy(out, kDigitPairs + (y / 100) * 2, 2);
  std::memcpy(out + 2, kDigitPairs + (y % 100) * 2, 2);
  std::memcpy(out + 4, kMonthDayText.Text[doy], 4);
}

}  // namespace fw
