#include <gtest/gtest.h>

#include "core/generate/Preview.h"

namespace fw {
namespace {

// The preview decides by the field's layout as the engine read it, not by the type letter: a
// letter means different bytes in different formats.
TEST(PreviewTextTest, ShowsEachValueByItsFieldsLayoutNotByItsLetter) {
  // dBase 5 keeps memos under the letter B, which Visual FoxPro uses for a double.
  const FieldInfo memo{"NOTIZ", 'B', 10, 0, FieldLayout::MemoText};
  EXPECT_EQ(PreviewText(Value("Haus Baum\r\nWeg  "), memo, GermanDateFormat()), "Haus Baum  Weg");
  EXPECT_FALSE(PreviewIsNumber(memo));
  const FieldInfo number{"PREIS", 'B', 8, 2, FieldLayout::Double};
  EXPECT_EQ(PreviewText(Value(2.5), number, GermanDateFormat()), "2.50");
  EXPECT_TRUE(PreviewIsNumber(number));
  // A binary field whose bytes the program does not write shows what it holds, as text.
  const FieldInfo kept{"ZAHL", 'I', 2, 0, FieldLayout::KeptZero};
  EXPECT_FALSE(PreviewIsNumber(kept));
  // Dates in the format the run's context gives, whatever the program-wide one is.
  const FieldInfo date{"DATUM", 'D', 8, 0, FieldLayout::Date};
  const DateFormat iso{DateOrder::YearMonthDay, '-', true, 1910};
  EXPECT_EQ(PreviewText(Value(Date::FromYmd(2024, 3, 1)), date, iso), "2024-03-01");
  EXPECT_EQ(PreviewText(Value(Date::FromYmd(2024, 3, 1)), date, GermanDateFormat()), "01.03.2024");
}

}  // namespace
}  // namespace fw
