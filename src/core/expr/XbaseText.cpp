#include "core/expr/XbaseText.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "core/platform/FieldBytes.h"

namespace fw::expr {

void FormatStr(double number, uint32_t width, uint32_t decimals, std::string& out) {
  out.assign(width, ' ');
  if (width == 0) return;
  if (!NumberBytes(number, width, decimals, out.data())) out.assign(width, '*');
}

void FormatStrZero(double number, uint32_t width, uint32_t decimals, std::string& out) {
  FormatStr(number, width, decimals, out);
  if (!out.empty() && out[0] == '*') return;
  const size_t minus = out.find('-');
  for (char& c : out)
    if (c == ' ') c = '0';
  if (minus != std::string::npos && minus != 0) {
    out[minus] = '0';
    out[0] = '-';
  }
}

double RoundDecimal(double number, int decimals) {
  if (!std::isfinite(number) || decimals > 15) return number;
  double scale = 1;
  if (decimals < 0) {
    if (decimals < -15) return 0;
    scale = std::pow(10.0, -decimals);
    number /= scale;
    decimals = 0;
  }
  // The common case without the text: the field bytes' own rounding of the scaled value, and
  // the whole number divided by the power of ten, both exact, so the quotient is the double
  // the rounded text reads as.
  if (decimals <= 7) {
    using namespace field_bytes_detail;
    const double magnitudeScaled = std::fabs(number) * kPowersOfTen[decimals];
    if (magnitudeScaled < 99999999.0) {
      const uint32_t magnitude = RoundedMagnitude(magnitudeScaled);
      if (magnitude == 0) return 0;
      const double rounded = double(magnitude) / kPowersOfTen[decimals];
      return (number < 0 ? -rounded : rounded) * scale;
    }
  }
  // The text the numeric field would hold, read back: the one rounding rule of the program.
  char text[64];
  if (!NumberBytes(number, sizeof text, uint32_t(decimals), text)) return number * scale;
  const char* begin = text;
  while (*begin == ' ') ++begin;
  double rounded = 0;
  std::from_chars(begin, text + sizeof text, rounded);
  return rounded * scale;
}

namespace {

void TwoDigits(char* p, int v) {
  p[0] = char('0' + v / 10 % 10);
  p[1] = char('0' + v % 10);
}

}  // namespace

void FormatDate(Date date, const DateFormat& format, std::string& out) {
  const uint32_t yearDigits = format.Century ? 4 : 2;
  out.assign(DateTextLength(format), ' ');
  char* yearAt = nullptr;
  char* monthAt = nullptr;
  char* dayAt = nullptr;
  char* p = out.data();
  switch (format.Order) {
    case DateOrder::MonthDayYear:
      monthAt = p, dayAt = p + 3, yearAt = p + 6;
      p[2] = p[5] = format.Separator;
      break;
    case DateOrder::DayMonthYear:
      dayAt = p, monthAt = p + 3, yearAt = p + 6;
      p[2] = p[5] = format.Separator;
      break;
    default:
      yearAt = p, monthAt = p + yearDigits + 1, dayAt = p + yearDigits + 4;
      p[yearDigits] = p[yearDigits + 3] = format.Separator;
      break;
  }
  if (date.IsEmpty()) return;
  int y, m, d;
  date.ToYmd(y, m, d);
  if (format.Century) {
    TwoDigits(yearAt, y / 100);
    TwoDigits(yearAt + 2, y % 100);
  } else {
    TwoDigits(yearAt, y % 100);
  }
  TwoDigits(monthAt, m);
  TwoDigits(dayAt, d);
}

Date ParseDate(std::string_view text, const DateFormat& format) {
  // Three groups of digits in the format's order, anything else between them.
  int parts[3] = {0, 0, 0};
  size_t digits[3] = {0, 0, 0};
  int count = 0;
  size_t i = 0;
  while (i < text.size() && count < 3) {
    if (text[i] < '0' || text[i] > '9') {
      ++i;
      continue;
    }
    int v = 0;
    size_t n = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++n)
      if (v < 100000) v = v * 10 + (text[i] - '0');
    parts[count] = v;
    digits[count] = n;
    ++count;
  }
  if (count < 3) return Date();
  int y, m, d;
  size_t yearDigits;
  switch (format.Order) {
    case DateOrder::MonthDayYear: m = parts[0], d = parts[1], y = parts[2], yearDigits = digits[2]; break;
    case DateOrder::DayMonthYear: d = parts[0], m = parts[1], y = parts[2], yearDigits = digits[2]; break;
    default: y = parts[0], m = parts[1], d = parts[2], yearDigits = digits[0]; break;
  }
  if (yearDigits <= 2) {
    const int century = format.Epoch / 100 * 100;
    y += century;
    if (y < format.Epoch) y += 100;
  }
  return Date::FromYmd(y, m, d);
}

double ValueOfText(std::string_view text, uint32_t* decimals) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
  const size_t start = i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  const bool negative = i > start && text[start] == '-';
  const size_t digitsStart = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  uint32_t fraction = 0;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++fraction;
  }
  if (decimals) *decimals = fraction;
  // from_chars takes no '+' and no lone point; both read as 0 here.
  std::string_view number = text.substr(digitsStart, i - digitsStart);
  double value = 0;
  if (number.empty() || number == ".") return 0;
  std::from_chars(number.data(), number.data() + number.size(), value);
  return negative ? -value : value;
}

}  // namespace fw::expr
