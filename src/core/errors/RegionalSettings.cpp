#include "core/errors/RegionalSettings.h"

#include <langinfo.h>
#include <locale.h>

#include <climits>
#include <cstring>

namespace fw {
namespace {

RegionalSettings gSettings;

// A one-character separator; multi-byte separators (a narrow no-break space) are taken as
// their closest single-byte form.
char SeparatorFrom(const char* text, char fallback) {
  if (text == nullptr || *text == '\0') return fallback;
  if (std::strcmp(text, "\u202f") == 0 || std::strcmp(text, "\u00a0") == 0) return ' ';
  if (static_cast<unsigned char>(*text) >= 0x80) return fallback;
  return *text;
}

// The characters that follow a conversion such as %d, up to the next conversion.
char SeparatorAfterConversion(std::string_view format, char fallback) {
  for (size_t i = 0; i + 1 < format.size(); ++i) {
    if (format[i] != '%') continue;
    size_t j = i + 1;
    while (j < format.size() && (format[j] == 'E' || format[j] == 'O' || format[j] == '-' ||
                                 format[j] == '_' || format[j] == '0'))
      ++j;
    if (j + 1 < format.size() && format[j + 1] != '%') return format[j + 1];
    return fallback;
  }
  return fallback;
}

// Expands the composite conversions that stand for a whole date.
std::string ExpandDateFormat(std::string_view f) {
  std::string r;
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] == '%' && i + 1 < f.size()) {
      const char c = f[i + 1];
      if (c == 'D') { r += "%m/%d/%y"; ++i; continue; }
      if (c == 'F') { r += "%Y-%m-%d"; ++i; continue; }
      if (c == 'x') { r += "%m/%d/%y"; ++i; continue; }
    }
    r += f[i];
  }
  return r;
}

}  // namespace

RegionalSettings RegionalSettingsFrom(const LocaleStrings& l) {
  RegionalSettings s;
  s.DecimalSeparator = SeparatorFrom(l.DecimalPoint, '.');
  s.ThousandsSeparator = SeparatorFrom(l.ThousandsSep, ',');
  if (s.ThousandsSeparator == s.DecimalSeparator) s.ThousandsSeparator = s.DecimalSeparator == ',' ? '.' : ',';

  if (l.TimeFormat != nullptr && *l.TimeFormat != '\0') {
    const std::string_view t = l.TimeFormat;
    const bool twentyFour = t.find("%H") != t.npos || t.find("%k") != t.npos ||
                            t.find("%R") != t.npos || t.find("%T") != t.npos;
    s.TwelveHourClock = !twentyFour;
    if (t.find("%R") != t.npos || t.find("%T") != t.npos || t.find("%r") != t.npos)
      s.TimeSeparator = ':';
    else
      s.TimeSeparator = SeparatorAfterConversion(t, ':');
  }
  if (l.AmString != nullptr && *l.AmString != '\0') s.AmSuffix = std::string(" ") + l.AmString;
  if (l.PmString != nullptr && *l.PmString != '\0') s.PmSuffix = std::string(" ") + l.PmString;

  const std::string date = ExpandDateFormat(l.DateFormat != nullptr && *l.DateFormat != '\0'
                                                ? l.DateFormat
                                                : "%m/%d/%y");
  // Order: the positions of the day, month and year conversions.
  auto find = [&date](std::initializer_list<const char*> codes) {
    size_t best = std::string::npos;
    for (const char* c : codes) best = std::min(best, date.find(c));
    return best;
  };
  const size_t d = find({"%d", "%e", "%-d", "%Od"});
  const size_t m = find({"%m", "%b", "%B", "%-m", "%Om"});
  const size_t y = find({"%Y", "%y", "%C", "%Ey", "%EY", "%G"});
  if (d != std::string::npos && m != std::string::npos && y != std::string::npos) {
    if (y < m && m < d) s.Order = DateOrder::YearMonthDay;
    else if (d < m && m < y) s.Order = DateOrder::DayMonthYear;
    else s.Order = DateOrder::MonthDayYear;
  }
  s.DateSeparator = SeparatorAfterConversion(date, '/');
  if (s.DateSeparator == ' ' || s.DateSeparator == '%') s.DateSeparator = '/';
  const bool fourDigits = date.find("%Y") != std::string::npos || date.find("%EY") != std::string::npos ||
                          date.find("%C") != std::string::npos || date.find("%G") != std::string::npos;
  const std::string dd = "DD", mm = "MM", yy = fourDigits ? "YYYY" : "YY";
  const std::string sep(1, s.DateSeparator);
  switch (s.Order) {
    case DateOrder::DayMonthYear: s.DateFormatText = dd + sep + mm + sep + yy; break;
    case DateOrder::YearMonthDay: s.DateFormatText = yy + sep + mm + sep + dd; break;
    default: s.DateFormatText = mm + sep + dd + sep + yy; break;
  }
  if (l.FracDigits >= 0 && l.FracDigits < CHAR_MAX) s.Decimals = l.FracDigits;
  return s;
}

RegionalSettings ReadUserRegionalSettings() {
  locale_t user = newlocale(LC_ALL_MASK, "", locale_t(0));
  if (user == locale_t(0)) user = newlocale(LC_ALL_MASK, "C", locale_t(0));
  if (user == locale_t(0)) return RegionalSettingsFrom(LocaleStrings{});
  LocaleStrings l;
  l.DecimalPoint = nl_langinfo_l(RADIXCHAR, user);
  l.ThousandsSep = nl_langinfo_l(THOUSEP, user);
  l.TimeFormat = nl_langinfo_l(T_FMT, user);
  l.AmString = nl_langinfo_l(AM_STR, user);
  l.PmString = nl_langinfo_l(PM_STR, user);
  l.DateFormat = nl_langinfo_l(D_FMT, user);
  const char* frac = nl_langinfo_l(FRAC_DIGITS, user);
  l.FracDigits = frac != nullptr && *frac != CHAR_MAX ? static_cast<unsigned char>(*frac) : -1;
  const RegionalSettings s = RegionalSettingsFrom(l);  // copies the strings before freelocale
  freelocale(user);
  return s;
}

const RegionalSettings& CurrentRegionalSettings() { return gSettings; }

void ApplyRegionalSettings(const RegionalSettings& settings) {
  gSettings = settings;
  DateFormat f;
  f.Order = settings.Order;
  f.Separator = settings.DateSeparator;
  f.Century = true;
  f.Epoch = 1910;
  SetDateFormat(f);
}

}  // namespace fw
