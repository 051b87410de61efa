#pragma once
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>


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
  // Text in the given (or the program-wide) date format; a text that is no valid date gives
  // the empty date.
  static Date FromText(std::string_view text, const DateFormat& format);
  static Date FromText(std::string_view text) { return FromText(text, CurrentDateFormat()); }

  bool IsEmpty() const { return day_ == 0; }
  int32_t DayNumber() const { return day_; }
  void ToYmd(int& year, int& month, int& day) const;
  Date AddDays(int64_t days) const;

  std::string ToDbf() const;   // "YYYYMMDD", or eight blanks for the empty date

  // Days from 1.3.0000 (the start of the computation's March-based years) to day 0.
  static constexpr int32_t kDaysBeforeDayOne = 305;
  // The date in the given (or the program-wide) format; blanks in the date's shape when empty.
  std::string ToText(const DateFormat& format) const;
  std::string ToText() const { return ToText(CurrentDateFormat()); }

  friend int64_t operator-(Date a, Date b) { return int64_t(a.day_) - int64_t(b.day_); }
  friend auto operator<=>(Date a, Date b) = default;

private:
  int32_t day_ = 0;  // days since 31.12. of year 0 (1.1.0001 is day 1); 0 = empty
};

}  // namespace fw
