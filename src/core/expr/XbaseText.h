#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/platform/Date.h"

namespace fw::expr {

// The places before the point STR() gives a number that has no width of its own: 10, or 20
// for numbers from 10^10 up or from -10^9 down (xBase's default width).
inline uint32_t DefaultIntegerWidth(double number) {
  return (number >= 1e10 || number <= -1e9) ? 20 : 10;
}

// STR(number, width, decimals) into out (resized to width): right-aligned, rounded half away
// from zero on the decimal value (the rule of the table's numeric fields), '*' in every place
// when the number does not fit.
void FormatStr(double number, uint32_t width, uint32_t decimals, std::string& out);
// STRZERO: the same text with zeros for the leading blanks, a minus sign first.
void FormatStrZero(double number, uint32_t width, uint32_t decimals, std::string& out);

// ROUND(number, decimals): half away from zero on the decimal value (2.675 gives 2.68); a
// negative count rounds to tens, hundreds and so on.
double RoundDecimal(double number, int decimals);

// DTOC and CTOD in a given date format. An empty date is written as blanks in the date's
// shape ("  /  /  "); a text that is no date (or only blanks) reads as the empty date. Two-
// digit years are read as format.Epoch .. format.Epoch + 99.
void FormatDate(Date date, const DateFormat& format, std::string& out);
Date ParseDate(std::string_view text, const DateFormat& format);
inline uint32_t DateTextLength(const DateFormat& format) { return format.Century ? 10 : 8; }

// VAL: leading blanks, a sign, digits with at most one point; reading stops at the first other
// character ("12abc" is 12, "abc" is 0). decimals receives the digits after the point.
double ValueOfText(std::string_view text, uint32_t* decimals = nullptr);

// The Julian day number xBase dates count in (2451545 for 1 January 2000); 0 for the empty
// date, as xBase takes it in date arithmetic and DESCEND.
inline int64_t JulianDay(Date date) {
  return date.IsEmpty() ? 0 : int64_t(date.DayNumber()) + 1721425;
}
// The date of a day number of fw::Date (1 = 1 January of year 1); the empty date outside
// 1.1.0001 to 31.12.9999.
Date DateOfDayNumber(int64_t day);

}  // namespace fw::expr
