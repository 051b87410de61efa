#pragma once
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/platform/Date.h"

namespace fw {

// The bytes a value becomes in the slot of a DBF record, one function per kind of field
// content. Each fills the whole slot, or returns false before it writes anything (a number
// too wide for its field), so that a refused value leaves the record as it was. A new field
// type (a binary integer, a currency, a time stamp) gets its own function here beside these.
//
// Numbers (N and F fields): the decimal text right-aligned, `decimals` places after a point
// (no point for 0), a '-' before a negative value that does not round to zero, blanks before.
// The one rounding rule: half away from zero at the last place. A value whose binary form lies
// a hair below a half counts as the half, so that 2.675 (stored as 2.67499999999999982…)
// becomes 2.68 as written: the part beyond the last place falls short of a half by less than
// 0.0001 of a place and by no more than 8 units of the last binary place of the number scaled
// to that place (number × 10^decimals). Numbers with more than 15 decimals, or whose scaled
// value reaches 9·10^15, are rounded from their exact decimal value by the same rule.
bool NumberBytes(double number, uint32_t length, uint32_t decimals, char* out);
// "YYYYMMDD", or eight blanks for the empty date (D fields).
void DateBytes(Date date, char* out);
// 'T' or 'F' (L fields).
inline char LogicByte(bool logic) { return logic ? 'T' : 'F'; }
// Text left-aligned, cut at the slot's length, blanks after (C fields, text already in the
// table's code page).
void TextBytes(std::string_view text, uint32_t length, char* out);
// A memo's block number right-aligned in the slot, blanks before (M fields; blanks alone for
// no memo text). Returns false when the number is wider than the slot.
bool MemoBlockBytes(uint32_t block, uint32_t length, char* out);
void BlankBytes(char* out, size_t length);

// "00" to "99": two decimal digits per table lookup when numbers and dates become text.
inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The inline parts of the functions above: the fill writes millions of values, and the
// calls would cost more than the work of the common cases.
namespace field_bytes_detail {

inline constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Every number the short way of NumberBytes does not take: wider slots, more digits or
// decimals, infinities and NaN.
bool LongNumberBytes(double number, uint32_t length, uint32_t decimals, char* out);

// The eight decimal digits of v < 10^8 (leading zeros included) as byte values 0 to 9 packed
// into one word, first digit in the lowest byte. Split into halves, quarters and digits lane
// by lane, with multiplications that divide exactly for the lanes' ranges (x * 10486 >> 20 is
// x / 100 for x < 10^4, x * 103 >> 10 is x / 10 for x < 100).
inline uint64_t EightDigitValues(uint32_t v) {
  const uint64_t halves = uint64_t(v / 10000) | (uint64_t(v % 10000) << 32);
  const uint64_t hundreds = ((halves * 10486) >> 20) & 0x0000007F0000007Full;
  const uint64_t quarters = hundreds | ((halves - hundreds * 100) << 16);
  const uint64_t tens = ((quarters * 103) >> 10) & 0x000F000F000F000Full;
  return tens | ((quarters - tens * 10) << 8);
}

// The whole number nearest to a scaled magnitude below 10^8, halves away from zero, as the
// decimal text of the value rounds: a product such as 2.675 * 100 that lands a few units in
// the last place below the half still counts as the half. Adding the half is exact here but
// for a fraction that close to .5, which the near-half test settles. One comparison for
// 0.4999 < fraction < 0.5: two would make a branch that goes either way.
[[gnu::always_inline]] inline uint32_t RoundedMagnitude(double magnitudeScaled) {
  uint32_t magnitude = uint32_t(magnitudeScaled + 0.5);
  const double whole = double(uint32_t(magnitudeScaled));
  const double fraction = magnitudeScaled - whole;
  if (std::fabs(fraction - 0.49995) < 0.00005) [[unlikely]] {
    const double ulp = std::nextafter(magnitudeScaled, INFINITY) - magnitudeScaled;
    magnitude = uint32_t(whole) + (0.5 - fraction <= 8 * ulp);
  }
  return magnitude;
}

// Adding this turns the digit values into their characters, eight at a time: stored on a
// little-endian machine, the word is the text.
inline constexpr uint64_t kEightZeros = 0x3030303030303030ull;

// Stores the n lowest bytes of v (n <= 8) at p, lowest first, in at most two overlapping moves.
inline void StoreLowBytes(char* p, uint64_t v, uint32_t n) {
  if (n >= 4) {
    const uint32_t head = uint32_t(v), tail = uint32_t(v >> (8 * (n - 4)));
    std::memcpy(p, &head, 4);
    std::memcpy(p + n - 4, &tail, 4);
  } else if (n >= 2) {
    const uint16_t head = uint16_t(v), tail = uint16_t(v >> (8 * (n - 2)));
    std::memcpy(p, &head, 2);
    std::memcpy(p + n - 2, &tail, 2);
  } else if (n == 1) {
    *p = char(v);
  }
}

// Copies n bytes (n <= 32) with a few overlapping word moves that never read or write
// outside the n bytes, instead of a library call.
inline void CopyShort(char* out, const char* in, size_t n) {
  if (n >= 16) {
    char head[16], tail[16];
    std::memcpy(head, in, 16);
    std::memcpy(tail, in + n - 16, 16);
    std::memcpy(out, head, 16);
    std::memcpy(out + n - 16, tail, 16);
  } else if (n >= 8) {
    uint64_t head, tail;
    std::memcpy(&head, in, 8);
    std::memcpy(&tail, in + n - 8, 8);
    std::memcpy(out, &head, 8);
    std::memcpy(out + n - 8, &tail, 8);
  } else if (n >= 4) {
    uint32_t head, tail;
    std::memcpy(&head, in, 4);
    std::memcpy(&tail, in + n - 4, 4);
    std::memcpy(out, &head, 4);
    std::memcpy(out + n - 4, &tail, 4);
  } else if (n >= 2) {
    uint16_t head, tail;
    std::memcpy(&head, in, 2);
    std::memcpy(&tail, in + n - 2, 2);
    std::memcpy(out, &head, 2);
    std::memcpy(out + n - 2, &tail, 2);
  } else if (n == 1) {
    *out = *in;
  }
}

// Writes n blanks (n <= 32) with a few overlapping word moves instead of a library call.
inline void FillBlanks(char* out, size_t n) {
  constexpr uint64_t kEight = 0x2020202020202020ull;
  if (n >= 8) {
    for (size_t i = 0; i + 8 <= n; i += 8) std::memcpy(out + i, &kEight, 8);
    std::memcpy(out + n - 8, &kEight, 8);
  } else if (n >= 4) {
    std::memcpy(out, &kEight, 4);
    std::memcpy(out + n - 4, &kEight, 4);
  } else {
    if (n >= 1) out[0] = ' ';
    if (n >= 2) out[1] = ' ';
    if (n >= 3) out[2] = ' ';
  }
}

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

}  // namespace field_bytes_detail

// The short way for up to eight digits and seven decimals in a slot of at most 32 bytes: the
// digits come out of one register. It pays: bench_fill (8 fields, 1,000,000 records, shared
// 2-core VM, 2026-12-08) fills in 0.094 to 0.098 s CPU with it and 0.120 to 0.125 s when every
// number takes the long way (fill / (a + b) 1.27 to 1.32 against 1.64 to 1.67, over its 1.5).
[[gnu::always_inline]] inline bool NumberBytes(double number, uint32_t length,
                                               uint32_t decimals, char* out) {
  using namespace field_bytes_detail;
  if (decimals > 7 || length - 1 > 31 || std::endian::native != std::endian::little)
      [[unlikely]]
    return LongNumberBytes(number, length, decimals, out);
  const double scaled = number * kPowersOfTen[decimals];
  const double magnitudeScaled = std::fabs(scaled);
  // At most eight digits, also after rounding up. The comparison is false for NaN as well.
  if (!(magnitudeScaled < 99999999.0)) [[unlikely]]
    return LongNumberBytes(number, length, decimals, out);

  uint32_t magnitude = RoundedMagnitude(magnitudeScaled);
  const bool negative = std::signbit(number) && magnitude != 0;

  // All eight digits at once in one register; the slot gets the last `digits` of them, the
  // point, the sign and leading blanks, written from its end.
  const uint64_t values = EightDigitValues(magnitude);
  const uint64_t text = values + kEightZeros;
  // Leading zeros are the zero bytes at the low end; 0 itself keeps one digit.
  uint32_t digits = 8 - uint32_t(std::countr_zero(values | (1ull << 56))) / 8;
  if (digits <= decimals) digits = decimals + 1;  // "0.05": a zero before the point
  const uint32_t size = digits + (decimals > 0) + negative;
  if (size > length) return false;
  // Blanks over the whole slot first: its length is the same for every value of a field, so
  // this takes the same way every time, where the number of leading blanks would not.
  FillBlanks(out, length);
  // The sign without a branch (a random share of values is negative) and without reading the
  // slot back: a '-' before the digits, or in the first digit's place, where the digits below
  // overwrite it.
  out[length - size] = '-';
  char* p = out + length;
  if (decimals > 0) {
    p -= decimals;
    StoreLowBytes(p, text >> (8 * (8 - decimals)), decimals);
    *--p = '.';
  }
  p -= digits - decimals;
  StoreLowBytes(p, text >> (8 * (8 - digits)), digits - decimals);
  return true;
}

// The year and day of a March-based year from the day count, in unsigned 32-bit arithmetic
// that every date from 1.1.0001 allows (the divisions by constants become multiplications);
// month and day then come from a table.
inline void DateBytes(Date date, char* out) {
  using namespace field_bytes_detail;
  if (date.IsEmpty()) {
    std::memcpy(out, "        ", 8);
    return;
  }
  const uint32_t z = uint32_t(date.DayNumber() + Date::kDaysBeforeDayOne);
  const uint32_t era = z / 146097;
  const uint32_t doe = z - era * 146097;
  const uint32_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const uint32_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const uint32_t y = yoe + era * 400 + (doy >= 306);  // January and February: the next year
  std::memcpy(out, kDigitPairs + (y / 100) * 2, 2);
  std::memcpy(out + 2, kDigitPairs + (y % 100) * 2, 2);
  std::memcpy(out + 4, kMonthDayText.Text[doy], 4);
}

// Slots of up to 32 bytes, most text fields, take a few word moves and no library calls.
// Blanks over the whole slot first take the same way for every value of the field; only the
// copy depends on the text. It pays: bench_fill (as above) fills in 0.094 to 0.098 s CPU with
// it and 0.104 to 0.108 s with memcpy and memset for every slot.
inline void TextBytes(std::string_view text, uint32_t length, char* out) {
  using namespace field_bytes_detail;
  const size_t n = std::min<size_t>(length, text.size());
  if (length <= 32) {
    FillBlanks(out, length);
    CopyShort(out, text.data(), n);
  } else {
    std::memcpy(out, text.data(), n);
    std::memset(out + n, ' ', length - n);
  }
}

inline void BlankBytes(char* out, size_t length) { std::memset(out, ' ', length); }

// True when every value between the two bounds (and their negatives when `negatives`) can be
// written into a numeric field of `length` and `decimals` without losing digits: the widest
// value, rounded to the decimals, fits the field's width with its sign and decimal point.
bool NumbersFitField(double min, double max, bool negatives, uint32_t length, uint32_t decimals);

// How the numbers of a field of DBF type `type` are shown and drawn: N and F fields as they
// are; binary numbers as the numeric field their values would need as text, with the largest
// magnitude the binary form holds. An integer (I, and dBase 7's autoincrement +) as N11.0 (up
// to 2^31 - 1), a double (B) as N20 with its decimals byte, a currency (Y, four implied
// decimals) as N20.4 (up to 922,337,203,685,477). dBase 7's double (O) as N20 with its
// decimals byte, 2 when the byte is 0 (dBase 7 writes 0: the field has no decimals of its own,
// and amounts are what such fields mostly hold).
struct NumericLayout {
  uint32_t Length;
  uint32_t Decimals;
  double Largest;
};
NumericLayout NumericLayoutOf(char type, uint32_t length, uint32_t decimals);
// NumbersFitField for the layout of a field of that type, its binary range included.
bool NumbersFitFieldOfType(double min, double max, bool negatives, char type, uint32_t length,
                           uint32_t decimals);

// Visual FoxPro's binary numbers: a 32-bit integer (I), a double (B, rounded to its
// decimals), a currency (Y, the value times 10,000 in 64 bits), each little-endian. False,
// with nothing written, for a value outside the type's range.
bool BinaryNumberBytes(double number, char type, uint32_t decimals, char* out);
// A Visual FoxPro date-time (T): the Julian day number and the milliseconds since midnight,
// two 32-bit little-endian integers; eight zero bytes for the empty date.
void DateTimeBytes(Date date, uint32_t milliseconds, char* out);
// dBase 7's binary numbers, big-endian and ordered so that their bytes sort as the values do:
// an integer (I, +) as 32 bits with the sign bit flipped; a double (O, rounded to `decimals`
// when up to 15) with the sign bit set for a value from +0 up and every bit inverted for a
// negative one. False, with nothing written, for a value outside the type's range.
bool Dbase7NumberBytes(double number, char type, uint32_t decimals, char* out);
// dBase 7's time stamp (@): the milliseconds from the start of 1 January 1 (proleptic
// Gregorian) plus one day (that day is day 1) as a big-endian double, as dBase 7 writes it;
// eight zero bytes for the empty date.
void TimestampBytes(Date date, uint32_t milliseconds, char* out);
// The reverse, for reading a record: an integer or double; the time stamp's date and time.
double Dbase7NumberOf(const char* slot, char type);
Date DateOfTimestamp(const char* slot);
uint32_t MillisecondsOfTimestamp(const char* slot);

// The reverse of both, for reading a record.
double BinaryNumberOf(const char* slot, char type);
Date DateOfDateTime(const char* slot);
uint32_t MillisecondsOfDateTime(const char* slot);

}  // namespace fw
