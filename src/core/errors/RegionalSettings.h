#pragma once
#include <string>
#include <string_view>

#include "core/platform/Date.h"

namespace fw {

// Number, time and date conventions taken from the user's locale at start-up.
struct RegionalSettings {
  char DecimalSeparator = '.';
  char ThousandsSeparator = ',';
  char TimeSeparator = ':';
  bool TwelveHourClock = true;
  std::string AmSuffix = " am";
  std::string PmSuffix = " pm";
  DateOrder Order = DateOrder::MonthDayYear;
  char DateSeparator = '/';
  std::string DateFormatText = "MM/DD/YY";  // e.g. "DD.MM.YYYY"
  int Decimals = 2;                         // fractional digits shown
};

// The raw locale strings the settings are made from; null = could not be read.
struct LocaleStrings {
  const char* DecimalPoint = nullptr;  // RADIXCHAR
  const char* ThousandsSep = nullptr;  // THOUSEP
  const char* TimeFormat = nullptr;    // T_FMT, e.g. "%H:%M:%S"
  const char* AmString = nullptr;      // AM_STR
  const char* PmString = nullptr;      // PM_STR
  const char* DateFormat = nullptr;    // D_FMT, e.g. "%d.%m.%Y"
  int FracDigits = -1;                 // < 0: could not be read
};

RegionalSettings RegionalSettingsFrom(const LocaleStrings& locale);
// The user's locale as the environment names it (LC_ALL, LC_NUMERIC, LC_TIME, LANG); the
// process's own locale is not changed.
RegionalSettings ReadUserRegionalSettings();

// Process-wide conventions; the defaults until ApplyRegionalSettings runs.
const RegionalSettings& CurrentRegionalSettings();
// Stores the settings and sets the program's date format from them with four-digit years
// and 1910 as the epoch of two-digit years.
void ApplyRegionalSettings(const RegionalSettings& settings);

}  // namespace fw
