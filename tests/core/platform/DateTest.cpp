#include "core/platform/Date.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "core/platform/FieldBytes.h"

namespace fw {
namespace {

TEST(DateTest, GermanTextRoundTrip) {
  SetDateFormat(GermanDateFormat());
  const Date d = Date::FromText("01.03.2000");
  int y, m, day;
  d.ToYmd(y, m, day);
  EXPECT_EQ(y, 2000);
  EXPECT_EQ(m, 3);
  EXPECT_EQ(day, 1);
  EXPECT_EQ(d.ToText(), "01.03.2000");
  EXPECT_EQ(Date::FromText("2.3.2000") - Date::FromText("01.03.2000"), 1);
  EXPECT_EQ(Date::FromText(" 29.02.2024 ").ToDbf(), "20240229");
}

TEST(DateTest, InvalidTextsGiveTheEmptyDate) {
  SetDateFormat(GermanDateFormat());
  for (const char* text : {"", "  .  .    ", "29.02.2023", "32.01.2000", "01.13.2000",
                           "1.1", "a.b.c", "01-03-2000", "01.03.20000"})
    EXPECT_TRUE(Date::FromText(text).IsEmpty()) << text;
  EXPECT_EQ(Date().ToText(), "  .  .    ");
}

TEST(DateTest, TwoDigitYearsFollowTheEpoch) {
  SetDateFormat(GermanDateFormat());
  EXPECT_EQ(Date::FromText("01.01.09").ToDbf(), "20090101");
  EXPECT_EQ(Date::FromText("01.01.10").ToDbf(), "19100101");
}

TEST(DateTest, DbfForm) {
  EXPECT_EQ(Date::FromDbf("19000101").ToDbf(), "19000101");
  EXPECT_TRUE(Date::FromDbf("        ").IsEmpty());
  EXPECT_TRUE(Date::FromDbf("2000013X").IsEmpty());
  EXPECT_TRUE(Date::FromDbf("20000230").IsEmpty());
  EXPECT_EQ(Date().ToDbf(), "        ");
  EXPECT_EQ(Date::FromYmd(1, 1, 1).DayNumber(), 1);
  EXPECT_EQ(Date::FromYmd(2000, 3, 1) - Date::FromYmd(2000, 2, 28), 2);
}

TEST(DateTest, OtherOrders) {
  SetDateFormat({DateOrder::MonthDayYear, '/', false, 1910});
  EXPECT_EQ(Date::FromYmd(2024, 12, 8).ToText(), "12/08/24");
  EXPECT_EQ(Date::FromText("12/08/2024").ToDbf(), "20241208");
  SetDateFormat({DateOrder::YearMonthDay, '-', true, 1910});
  EXPECT_EQ(Date::FromYmd(2024, 12, 8).ToText(), "2024-12-08");
  SetDateFormat(GermanDateFormat());
}

// The DBF text of dates against their own year, month and day: every day of four centuries
// (every kind of leap year) and every 97th day of the rest.
TEST(DateTest, DatesHaveTheirDbfText) {
  const Date first = Date::FromYmd(1, 1, 1), last = Date::FromYmd(9999, 12, 31);
  const Date denseFrom = Date::FromYmd(1800, 1, 1), denseTo = Date::FromYmd(2200, 12, 31);
  char text[9] = {};
  int checked = 0;
  for (Date d = first; !d.IsEmpty() && !(last < d);
       d = d.AddDays(!(d < denseFrom) && d < denseTo ? 1 : 97)) {
    int y, m, day;
    d.ToYmd(y, m, day);
    ASSERT_EQ(Date::FromYmd(y, m, day), d);
    DateBytes(d, text);
    char expected[9];
    std::snprintf(expected, sizeof expected, "%04d%02d%02d", y, m, day);
    ASSERT_STREQ(text, expected);
    ++checked;
  }
  EXPECT_GT(checked, 180000);
  EXPECT_EQ(last.ToDbf(), "99991231");
  EXPECT_EQ(first.ToDbf(), "00010101");
  EXPECT_EQ(Date::FromYmd(2000, 2, 29).ToDbf(), "20000229");
}

}  // namespace
}  // namespace fw
