#include "core/platform/FieldBytes.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace fw {
namespace {

constexpr uint64_t kPowersOfTenInt[] = {1ull,
                                        10ull,
                                        100ull,
                                        1000ull,
                                        10000ull,
                                        100000ull,
                                        1000000ull,
                                        10000000ull,
                                        100000000ull,
                                        1000000000ull,
                                        10000000000ull,
                                        100000000000ull,
                                        1000000000000ull,
                                        10000000000000ull,
                                        100000000000000ull,
                                        1000000000000000ull,
                                        10000000000000000ull,
                                        100000000000000000ull,
                                        1000000000000000000ull,
                                        10000000000000000000ull};

// The number of decimal digits of v (1 for 0): from its bit length, corrected by one compare.
uint32_t DecimalDigits(uint64_t v) {
  v |= 1;  // the same count, and 0 has one digit
  const uint32_t bits = 64 - uint32_t(std::countl_zero(v));
  const uint32_t guess = (bits * 1233) >> 12;  // 1233 / 4096 is just above log10(2)
  return guess + (v >= kPowersOfTenInt[guess]);
}

// Right-aligns `size` bytes of text in the slot, blanks before; false when they do not fit.
bool PlaceRight(const char* text, size_t size, uint32_t length, char* out) {
  if (size > length) return false;
  std::memset(out, ' ', length - size);
  std::memcpy(out + length - size, text, size);
  return true;
}

// A number whose scaled value has no binary fraction left (or that has more decimals than a
// double's powers of ten keep exact), rounded from its exact decimal expansion. A double
// m * 2^e (m of 53 bits) has at most 53 - e digits after the point, so that many give it
// exactly; beyond 9 * 10^15 the last binary place of the scaled number is at least 1, so
// every shortfall below 0.0001 is within 8 of its units.
bool ExactNumberBytes(double number, uint32_t length, uint32_t decimals, char* out) {
  int exponent = 0;
  std::frexp(number, &exponent);
  const int exactDigits = std::clamp(53 - exponent, 0, 1074);
  const int precision = std::max(exactDigits, int(decimals));
  // Up to 309 digits before the point, the point, up to 1074 (or 1024 decimals) after it.
  char text[1400];
  const double magnitude = std::fabs(number);
  auto result =
      std::to_chars(text, text + sizeof text, magnitude, std::chars_format::fixed, precision);
  if (result.ec != std::errc()) return false;
  const std::string_view expansion(text, size_t(result.ptr - text));
  const size_t point = std::min(expansion.find('.'), expansion.size());
  const std::string_view integer = expansion.substr(0, point);
  const std::string_view fraction =
      point < expansion.size() ? expansion.substr(point + 1) : std::string_view();
  const std::string_view kept = fraction.substr(0, decimals);
  const std::string_view rest = fraction.substr(std::min<size_t>(decimals, fraction.size()));

  bool up = !rest.empty() && rest[0] >= '5';
  if (!up && rest.size() > 4 && rest.substr(0, 4) == "4999" &&
      rest.find_first_not_of('0', 4) != std::string_view::npos) {
    // Within 0.0001 below the half: the shortfall against 8 units of the last binary place
    // of the scaled number.
    double part = 0;
    std::from_chars(rest.data(), rest.data() + std::min<size_t>(rest.size(), 30), part);
    const double shortfall = 0.5 - part / std::pow(10.0, double(std::min<size_t>(rest.size(), 30)));
    const double ulp = std::ldexp(1.0, exponent - 53) * std::pow(10.0, double(decimals));
    up = shortfall <= 8 * ulp;
  }

  // The kept digits as one decimal string, rounded up by carrying from the last place.
  char digits[1400];
  size_t count = 0;
  for (char c : integer) digits[count++] = c;
  for (char c : kept) digits[count++] = c;
  while (count < integer.size() + decimals) digits[count++] = '0';
  if (up) {
    size_t i = count;
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0) {
      std::memmove(digits + 1, digits, count++);
      digits[0] = '1';
    } else {
      ++digits[i - 1];
    }
  }
  size_t first = 0;  // leading zeros of the whole part go, one digit before the point stays
  while (first + decimals + 1 < count && digits[first] == '0') ++first;
  const bool zero = std::all_of(digits + first, digits + count, [](char c) { return c == '0'; });

  char field[1410];
  size_t size = 0;
  if (std::signbit(number) && !zero) field[size++] = '-';
  const size_t whole = count - decimals - first;
  std::memcpy(field + size, digits + first, whole);
  size += whole;
  if (decimals > 0) {
    field[size++] = '.';
    std::memcpy(field + size, digits + count - decimals, decimals);
    size += decimals;
  }
  return PlaceRight(field, size, length, out);
}

}  // namespace

namespace field_bytes_detail {

bool LongNumberBytes(double number, uint32_t length, uint32_t decimals, char* out) {
  // A slot too narrow for the decimals holds no number; no field has a thousand decimals.
  if (!std::isfinite(number) || length == 0 || (decimals > 0 && decimals + 2 > length) ||
      decimals > 1024)
    return false;
  if (decimals >= std::size(kPowersOfTen)) return ExactNumberBytes(number, length, decimals, out);
  const double scaled = number * kPowersOfTen[decimals];
  const double magnitudeScaled = std::fabs(scaled);
  if (!(magnitudeScaled < 9.0e15)) return ExactNumberBytes(number, length, decimals, out);

  // The same rule as the short way, with the digits from an integer of up to 16 digits.
  uint64_t magnitude = uint64_t(magnitudeScaled);  // truncation: the floor of a positive value
  const double fraction = magnitudeScaled - double(magnitude);
  magnitude += fraction >= 0.5;
  if (fraction > 0.4999 && fraction < 0.5) {
    const double ulp = std::nextafter(magnitudeScaled, INFINITY) - magnitudeScaled;
    if (0.5 - fraction <= 8 * ulp) ++magnitude;
  }
  const bool negative = scaled < 0 && magnitude != 0;
  uint32_t digits = DecimalDigits(magnitude);
  if (digits <= decimals) digits = decimals + 1;
  const uint32_t size = digits + (decimals > 0) + negative;
  if (size > length) return false;
  char* p = out + length;
  uint32_t fractionDigits = decimals;
  for (; fractionDigits >= 2; fractionDigits -= 2) {
    p -= 2;
    std::memcpy(p, kDigitPairs + (magnitude % 100) * 2, 2);
    magnitude /= 100;
  }
  if (fractionDigits == 1) {
    *--p = char('0' + magnitude % 10);
    magnitude /= 10;
  }
  if (decimals > 0) *--p = '.';
  for (uint32_t left = digits - decimals; left >= 2; left -= 2) {
    p -= 2;
    std::memcpy(p, kDigitPairs + (magnitude % 100) * 2, 2);
    magnitude /= 100;
  }
  if ((digits - decimals) % 2 == 1) *--p = char('0' + magnitude);
  if (negative) *--p = '-';
  std::memset(out, ' ', length - size);
  return true;
}

}  // namespace field_bytes_detail

bool MemoBlockBytes(uint32_t block, uint32_t length, char* out) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, block).ptr;
  return PlaceRight(digits, size_t(end - digits), length, out);
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

NumericLayout NumericLayoutOf(char type, uint32_t length, uint32_t decimals) {
  switch (type) {
    case 'I':
    case '+': return {11, 0, 2147483647.0};
    case 'B': return {20, std::min<uint32_t>(decimals, 18), 1.0e300};
    case 'O': return {20, decimals == 0 ? 2 : std::min<uint32_t>(decimals, 18), 1.0e300};
    case 'Y': return {20, 4, 922337203685477.0};
    default: return {length, decimals, HUGE_VAL};
  }
}

bool NumbersFitFieldOfType(double min, double max, bool negatives, char type, uint32_t length,
                           uint32_t decimals) {
  const NumericLayout layout = NumericLayoutOf(type, length, decimals);
  if (!NumbersFitField(min, max, negatives, layout.Length, layout.Decimals)) return false;
  const double scale = std::pow(10.0, double(layout.Decimals));
  const double widest = std::round(std::max(std::fabs(min), std::fabs(max)) * scale) / scale;
  return widest <= layout.Largest;
}

namespace {

void StoreLittleEndian(char* out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out[i] = char(uint8_t(v >> (8 * i)));
}

uint64_t LoadLittleEndian(const char* in, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= uint64_t(uint8_t(in[i])) << (8 * i);
  return v;
}

// Julian day number of 1 January 2000, and that date's day number here.
constexpr int64_t kJulianDayOf2000 = 2451545;
int64_t DayNumberOf2000() { return Date::FromYmd(2000, 1, 1).DayNumber(); }

}  // namespace

bool BinaryNumberBytes(double number, char type, uint32_t decimals, char* out) {
  if (!std::isfinite(number)) return false;
  switch (type) {
    case 'I': {
      const double whole = std::round(number);
      if (!(std::fabs(whole) <= 2147483647.0)) return false;
      StoreLittleEndian(out, uint64_t(int64_t(whole)), 4);
      return true;
    }
    case 'Y': {
      const double units = std::round(number * 10000.0);
      if (!(std::fabs(units) <= 9223372036854770000.0)) return false;
      StoreLittleEndian(out, uint64_t(int64_t(units)), 8);
      return true;
    }
    case 'B': {
      double value = number;
      if (decimals <= 15) {
        const double scale = field_bytes_detail::kPowersOfTen[decimals];
        const double scaled = std::round(number * scale) / scale;
        if (std::isfinite(scaled)) value = scaled;
      }
      StoreLittleEndian(out, std::bit_cast<uint64_t>(value), 8);
      return true;
    }
    default:
      return false;
  }
}

void DateTimeBytes(Date date, uint32_t milliseconds, char* out) {
  if (date.IsEmpty()) {
    std::memset(out, 0, 8);
    return;
  }
  const int64_t julian = date.DayNumber() - DayNumberOf2000() + kJulianDayOf2000;
  StoreLittleEndian(out, uint64_t(julian), 4);
  StoreLittleEndian(out + 4, milliseconds % 86400000u, 4);
}

namespace {

void StoreBigEndian(char* out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out[i] = char(uint8_t(v >> (8 * (bytes - 1 - i))));
}

uint64_t LoadBigEndian(const char* in, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v = (v << 8) | uint8_t(in[i]);
  return v;
}

constexpr uint64_t kDoubleSign = 0x8000000000000000ull;
constexpr double kMillisecondsPerDay = 86400000.0;
// Time stamps count the days as this program's dates do: 1 January 1 is day 1. Beyond the
// last day of 9999 there is no date.
constexpr double kLastTimestampDay = 3652059.0;

}  // namespace

bool Dbase7NumberBytes(double number, char type, uint32_t decimals, char* out) {
  if (!std::isfinite(number)) return false;
  switch (type) {
    case 'I':
    case '+': {
      const double whole = std::round(number);
      if (!(std::fabs(whole) <= 2147483647.0)) return false;
      StoreBigEndian(out, uint32_t(int32_t(whole)) ^ 0x80000000u, 4);
      return true;
    }
    case 'O': {
      double value = number;
      if (decimals <= 15) {
        const double scale = field_bytes_detail::kPowersOfTen[decimals];
        const double scaled = std::round(number * scale) / scale;
        if (std::isfinite(scaled)) value = scaled;
      }
      if (value == 0) value = 0;  // -0 is written as 0
      const uint64_t bits = std::bit_cast<uint64_t>(value);
      StoreBigEndian(out, (bits & kDoubleSign) ? ~bits : bits | kDoubleSign, 8);
      return true;
    }
    default:
      return false;
  }
}

void TimestampBytes(Date date, uint32_t milliseconds, char* out) {
  if (date.IsEmpty()) {
    std::memset(out, 0, 8);
    return;
  }
  const double value = double(date.DayNumber()) * kMillisecondsPerDay + double(milliseconds % 86400000u);
  StoreBigEndian(out, std::bit_cast<uint64_t>(value), 8);
}

double Dbase7NumberOf(const char* slot, char type) {
  if (type == 'O') {
    const uint64_t stored = LoadBigEndian(slot, 8);
    return std::bit_cast<double>((stored & kDoubleSign) ? stored & ~kDoubleSign : ~stored);
  }
  return double(int32_t(uint32_t(LoadBigEndian(slot, 4)) ^ 0x80000000u));
}

Date DateOfTimestamp(const char* slot) {
  const double value = std::bit_cast<double>(LoadBigEndian(slot, 8));
  if (!(value >= kMillisecondsPerDay && value < (kLastTimestampDay + 1) * kMillisecondsPerDay))
    return Date();
  return Date::FromYmd(1, 1, 1).AddDays(int64_t(value / kMillisecondsPerDay) - 1);
}

uint32_t MillisecondsOfTimestamp(const char* slot) {
  const double value = std::bit_cast<double>(LoadBigEndian(slot, 8));
  if (!(value >= kMillisecondsPerDay && value < (kLastTimestampDay + 1) * kMillisecondsPerDay))
    return 0;
  return uint32_t(std::fmod(value, kMillisecondsPerDay));
}

double BinaryNumberOf(const char* slot, char type) {
  switch (type) {
    case 'I': return double(int32_t(uint32_t(LoadLittleEndian(slot, 4))));
    case 'Y': return double(int64_t(LoadLittleEndian(slot, 8))) / 10000.0;
    case 'B': return std::bit_cast<double>(LoadLittleEndian(slot, 8));
    default: return 0;
  }
}

Date DateOfDateTime(const char* slot) {
  const int64_t julian = int32_t(uint32_t(LoadLittleEndian(slot, 4)));
  if (julian <= 0) return Date();
  const Date date = Date::FromYmd(2000, 1, 1).AddDays(julian - kJulianDayOf2000);
  return date;
}

uint32_t MillisecondsOfDateTime(const char* slot) {
  return uint32_t(LoadLittleEndian(slot + 4, 4));
}

}  // namespace fw
