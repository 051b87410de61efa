#include "core/platform/Date.h"

#include "core/platform/FieldBytes.h"
#include "core/platform/TextTrim.h"

#include <chrono>
#include <cstring>
#include <ctime>


namespace fw {
namespace {

DateFormat gFormat = GermanDateFormat();

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days from civil (proleptic Gregorian); 1.1.0001 -> 1.
constexpr int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 306;  // 0000-03-01 based; shift below
}

constexpr int64_t kDayOne = DaysFromCivil(1, 1, 1) - 1;
static_assert(kDayOne + 306 == Date::kDaysBeforeDayOne);

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 306;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = int(doy - (153 * mp + 2) / 5 + 1);
  m = int(mp < 10 ? mp + 3 : mp - 9);
  y = int(yoe + era * 400 + (m <= 2));
}

bool ParseUInt(std::string_view s, int& out) {
  if (s.empty() || s.size() > 4) return false;
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  out = v;
  return true;
}


}  // namespace

const DateFormat& CurrentDateFormat() { return gFormat; }
void SetDateFormat(const DateFormat& format) { gFormat = format; }
DateFormat GermanDateFormat() { return DateFormat{DateOrder::DayMonthYear, '.', true, 1910}; }

Date Date::FromYmd(int year, int month, int day) {
  Date d;
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    return d;
  d.day_ = int32_t(DaysFromCivil(year, month, day) - kDayOne);
  return d;
}

Date Date::Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return FromYmd(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

void Date::ToYmd(int& year, int& month, int& day) const {
  if (IsEmpty()) {
    year = month = day = 0;
    return;
  }
  CivilFromDays(int64_t(day_) + kDayOne, year, month, day);
}

Date Date::AddDays(int64_t days) const {
  if (IsEmpty()) return *this;
  const int64_t n = int64_t(day_) + days;
  Date d;
  if (n >= 1 && n <= FromYmd(9999, 12, 31).day_) d.day_ = int32_t(n);
  return d;
}

Date Date::FromDbf(std::string_view text) {
  int y, m, d;
  if (text.size() != 8 || !ParseUInt(text.substr(0, 4), y) || !ParseUInt(text.substr(4, 2), m) ||
      !ParseUInt(text.substr(6, 2), d))
    return Date();
  return FromYmd(y, m, d);
}

std::string Date::ToDbf() const {
  std::string text(8, ' ');
  DateBytes(*this, text.data());
  return text;
}


Date Date::FromText(std::string_view text, const DateFormat& f) {
  text = Trim(text);
  std::string_view parts[3];
  for (int i = 0; i < 3; ++i) {
    const size_t pos = i < 2 ? text.find(f.Separator) : std::string_view::npos;
    if (i < 2 && pos == std::string_view::npos) return Date();
    parts[i] = Trim(text.substr(0, pos));
    text = pos == std::string_view::npos ? std::string_view() : text.substr(pos + 1);
  }
  int a, b, c;
  if (!ParseUInt(parts[0], a) || !ParseUInt(parts[1], b) || !ParseUInt(parts[2], c)) return Date();
  int y, m, d;
  std::string_view yearText;
  switch (f.Order) {
    case DateOrder::MonthDayYear: m = a; d = b; y = c; yearText = parts[2]; break;
    case DateOrder::DayMonthYear: d = a; m = b; y = c; yearText = parts[2]; break;
    default: y = a; m = b; d = c; yearText = parts[0]; break;
  }
  if (yearText.size() <= 2) {  // two-digit year: within the epoch's century window
    y += f.Epoch / 100 * 100;
    if (y < f.Epoch) y += 100;
  }
  return FromYmd(y, m, d);
}

std::string Date::ToText(const DateFormat& f) const {
  const int yearDigits = f.Century ? 4 : 2;
  auto two = [](int v) { return std::string{char('0' + v / 10 % 10), char('0' + v % 10)}; };
  std::string dd = "  ", mm = "  ", yy(yearDigits, ' ');
  if (!IsEmpty()) {
    int y, m, d;
    ToYmd(y, m, d);
    dd = two(d);
    mm = two(m);
    yy = f.Century ? two(y / 100) + two(y % 100) : two(y % 100);
  }
  const std::string sep(1, f.Separator);
  switch (f.Order) {
    case DateOrder::MonthDayYear: return mm + sep + dd + sep + yy;
    case DateOrder::DayMonthYear: return dd + sep + mm + sep + yy;
    default: return yy + sep + mm + sep + dd;
  }
}

}  // namespace fw
