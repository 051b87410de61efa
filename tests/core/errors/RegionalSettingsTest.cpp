#include "core/errors/RegionalSettings.h"

#include <gtest/gtest.h>

#include "core/platform/Date.h"

namespace fw {
namespace {

TEST(RegionalSettingsTest, GermanLocale) {
  LocaleStrings l;
  l.DecimalPoint = ",";
  l.ThousandsSep = ".";
  l.TimeFormat = "%T";
  l.AmString = "";
  l.PmString = "";
  l.DateFormat = "%d.%m.%Y";
  l.FracDigits = 2;
  const RegionalSettings s = RegionalSettingsFrom(l);
  EXPECT_EQ(s.DecimalSeparator, ',');
  EXPECT_EQ(s.ThousandsSeparator, '.');
  EXPECT_FALSE(s.TwelveHourClock);
  EXPECT_EQ(s.TimeSeparator, ':');
  EXPECT_EQ(s.AmSuffix, " am");
  EXPECT_EQ(s.Order, DateOrder::DayMonthYear);
  EXPECT_EQ(s.DateSeparator, '.');
  EXPECT_EQ(s.DateFormatText, "DD.MM.YYYY");
  EXPECT_EQ(s.Decimals, 2);
}

TEST(RegionalSettingsTest, UsSwedishAndFrenchCanadianLocales) {
  LocaleStrings us;
  us.DecimalPoint = ".";
  us.ThousandsSep = ",";
  us.TimeFormat = "%r";
  us.AmString = "AM";
  us.PmString = "PM";
  us.DateFormat = "%m/%d/%Y";
  const RegionalSettings u = RegionalSettingsFrom(us);
  EXPECT_TRUE(u.TwelveHourClock);
  EXPECT_EQ(u.AmSuffix, " AM");
  EXPECT_EQ(u.PmSuffix, " PM");
  EXPECT_EQ(u.Order, DateOrder::MonthDayYear);
  EXPECT_EQ(u.DateFormatText, "MM/DD/YYYY");

  LocaleStrings sv;
  sv.DecimalPoint = ",";
  sv.ThousandsSep = "\u202f";  // narrow no-break space
  sv.TimeFormat = "%H.%M.%S";
  sv.DateFormat = "%F";
  const RegionalSettings s = RegionalSettingsFrom(sv);
  EXPECT_EQ(s.ThousandsSeparator, ' ');
  EXPECT_EQ(s.TimeSeparator, '.');
  EXPECT_EQ(s.Order, DateOrder::YearMonthDay);
  EXPECT_EQ(s.DateSeparator, '-');
  EXPECT_EQ(s.DateFormatText, "YYYY-MM-DD");

  LocaleStrings ca;
  ca.DateFormat = "%y-%m-%d";
  EXPECT_EQ(RegionalSettingsFrom(ca).DateFormatText, "YY-MM-DD");
}

TEST(RegionalSettingsTest, UnreadableValuesTakeTheDefaults) {
  const RegionalSettings s = RegionalSettingsFrom(LocaleStrings{});
  EXPECT_EQ(s.DecimalSeparator, '.');
  EXPECT_EQ(s.ThousandsSeparator, ',');
  EXPECT_EQ(s.TimeSeparator, ':');
  EXPECT_TRUE(s.TwelveHourClock);
  EXPECT_EQ(s.AmSuffix, " am");
  EXPECT_EQ(s.PmSuffix, " pm");
  EXPECT_EQ(s.Order, DateOrder::MonthDayYear);
  EXPECT_EQ(s.DateFormatText, "MM/DD/YY");
  EXPECT_EQ(s.Decimals, 2);
  // The user's locale on this machine reads without failing.
  const RegionalSettings user = ReadUserRegionalSettings();
  EXPECT_NE(user.DecimalSeparator, '\0');
}

TEST(RegionalSettingsTest, ApplyingSetsTheDateFormatWithCentury) {
  const DateFormat saved = CurrentDateFormat();
  LocaleStrings us;
  us.DateFormat = "%m/%d/%y";
  ApplyRegionalSettings(RegionalSettingsFrom(us));
  EXPECT_EQ(Date::FromYmd(2026, 12, 8).ToText(), "12/08/2026");
  EXPECT_EQ(Date::FromText("12/08/09"), Date::FromYmd(2009, 12, 8));
  EXPECT_EQ(Date::FromText("12/08/10"), Date::FromYmd(1910, 12, 8));
  EXPECT_EQ(CurrentRegionalSettings().DateSeparator, '/');
  SetDateFormat(GermanDateFormat());  // what start-up does next
  EXPECT_EQ(Date::FromYmd(2026, 12, 8).ToText(), "08.12.2026");
  SetDateFormat(saved);
}

}  // namespace
}  // namespace fw
