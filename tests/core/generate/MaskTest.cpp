#include <gtest/gtest.h>

#include <set>

#include "core/generate/ExistingNumbers.h"
#include "core/generate/FillTestSupport.h"
#include "core/generate/MaskColumns.h"
#include "support/TempDir.h"

namespace fw {
namespace {

Mask Parsed(std::string_view text, uint32_t fieldLength = 0) {
  Mask mask;
  std::string error;
  EXPECT_TRUE(Mask::Parse(text, fieldLength, mask, error)) << error;
  return mask;
}

// Whether every character of `text` is of the kind its mask character asks for.
bool FitsByHand(std::string_view mask, std::string_view text) {
  size_t t = 0;
  for (size_t m = 0; m < mask.size(); ++m, ++t) {
    if (t >= text.size()) return false;
    const char c = text[t];
    switch (mask[m]) {
      case '#': if (!isdigit(c)) return false; break;
      case 'A': if (!(c >= 'A' && c <= 'Z')) return false; break;
      case 'a': if (!(c >= 'a' && c <= 'z')) return false; break;
      case 'X': if (!isdigit(c) && !(c >= 'A' && c <= 'Z')) return false; break;
      case '\\': if (c != mask[++m]) return false; break;
      default: if (c != mask[m]) return false;
    }
  }
  return t == text.size();
}

TEST(MaskParseTest, ErrorsAndCapacity) {
  Mask mask;
  std::string error;
  EXPECT_FALSE(Mask::Parse("KD-##\\", 0, mask, error));
  EXPECT_NE(error.find("endet mit einem \\"), std::string::npos) << error;
  EXPECT_FALSE(Mask::Parse("", 0, mask, error));
  EXPECT_EQ(error, "Die Maske ist leer.");
  EXPECT_FALSE(Mask::Parse("KD-#####", 7, mask, error));
  EXPECT_EQ(error, "Die Maske ergibt Werte von 8 Zeichen, das Feld ist nur 7 Zeichen lang.");
  // An escaped backslash and escaped place letters count one character each.
  EXPECT_EQ(Parsed("\\\\\\#\\A\\a\\X", 5).Length(), 5u);
  EXPECT_EQ(Parsed("\\\\\\#\\A\\a\\X").Capacity(), 1u);

  EXPECT_EQ(Parsed("KD-#####").Capacity(), 100000u);
  EXPECT_EQ(Parsed("AaX#").Capacity(), 26u * 26 * 36 * 10);
  EXPECT_EQ(Parsed("XXXXXXXXXXXXXXXXXXXX").Capacity(), UINT64_MAX);  // 36^20 saturates
}

TEST(MaskColumnTest, RandomValuesMatchTheMask) {
  for (const char* text : {"KD-#####", "R\\A-AaX#-\\#", "XXXXXXXXXXXXXXXXXXXXXXXX"}) {
    RandomMaskColumn column(11, Parsed(text));
    test::RecordingWriter out;
    for (int i = 0; i < 5000; ++i) column.Produce(out);
    std::set<std::string> distinct(out.Texts.begin(), out.Texts.end());
    EXPECT_GT(distinct.size(), 2500u) << text;
    for (const std::string& value : out.Texts) {
      ASSERT_TRUE(FitsByHand(text, value)) << text << ": " << value;
      ASSERT_TRUE(Parsed(text).Matches(value + "  ")) << value;
    }
  }
}

TEST(MaskColumnTest, DistinctValuesAvoidTheTakenOnesUntilTheCapacityIsUsed) {
  const Mask mask = Parsed("Z-#A");  // 260 values
  TakenIndices::Builder builder(mask.Capacity(), 100);
  for (uint64_t i = 0; i < 100; ++i) builder.Add(i * 2);
  auto taken = std::make_shared<const TakenIndices>(std::move(builder));
  UniqueMaskColumn column(5, mask, taken);
  test::RecordingWriter out;
  for (int i = 0; i < 160; ++i) column.Produce(out);
  std::set<std::string> distinct(out.Texts.begin(), out.Texts.end());
  EXPECT_EQ(distinct.size(), 160u);
  for (const std::string& value : out.Texts) {
    uint64_t index = 0;
    ASSERT_TRUE(mask.IndexOf(value, index)) << value;
    EXPECT_FALSE(taken->Contains(index)) << value;
    char back[4];
    mask.Write(index, back);
    EXPECT_EQ(std::string(back, 4), value);
  }
}

TEST(MaskColumnTest, TakenValuesAndLargestNumbersAreReadFromTheTable) {
  test::TempDir dir;
  const std::string path = dir.File("t.dbf");
  ASSERT_TRUE(DBServer::Create(path, {{"NR", 'C', 10, 0}, {"BETRAG", 'N', 8, 2}}, "DBFNTX"));
  {
    DBServer table(path, false, false);
    const char* numbers[] = {"KD-00042", "KD-0007", "kd-00099", "KD-00013", ""};
    const double amounts[] = {3, 17.5, -20, 0, 1};
    for (int i = 0; i < 5; ++i) {
      table.Append();
      table.FieldPut(1, Value(numbers[i]));
      table.FieldPut(2, Value(amounts[i]));
    }
    ASSERT_TRUE(table.Close());
  }
  DBServer table(path, false, true);
  const Mask mask = Parsed("KD-#####");
  auto taken = TakenMaskValues(table, 1, 5, mask);
  EXPECT_EQ(taken->Count(), 2u);
  EXPECT_TRUE(taken->Contains(42));
  EXPECT_TRUE(taken->Contains(13));
  EXPECT_EQ(LargestMaskNumberIn(table, 1, 5, mask), std::optional<uint64_t>(42));
  EXPECT_EQ(LargestMaskNumberIn(table, 1, 5, Parsed("R-##")), std::nullopt);
  EXPECT_EQ(LargestNumberIn(table, 2, 5), std::optional<double>(17.5));
  // Only the records before the append count.
  EXPECT_EQ(LargestNumberIn(table, 2, 1), std::optional<double>(3));
}

}  // namespace
}  // namespace fw
