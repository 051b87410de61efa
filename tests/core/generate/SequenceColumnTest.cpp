#include <gtest/gtest.h>

#include "core/generate/ConstantColumn.h"
#include "core/generate/FillTestSupport.h"
#include "core/generate/Generators.h"
#include "core/generate/SequenceColumn.h"

namespace fw {
namespace {

Mask Parsed(std::string_view text) {
  Mask mask;
  std::string error;
  EXPECT_TRUE(Mask::Parse(text, 0, mask, error)) << error;
  return mask;
}

// Writes the given texts, one per record.
class TextsColumn : public ColumnSource {
public:
  explicit TextsColumn(std::vector<std::string> texts) : texts_(std::move(texts)) {}
  void Produce(FieldWriter& out) override { out.PutText(texts_[next_++ % texts_.size()]); }

private:
  std::vector<std::string> texts_;
  size_t next_ = 0;
};

TEST(SequenceColumnTest, CountsIntoNumbersAndIntoTheDigitsOfAMask) {
  SequenceColumn numbers({5, 2});
  test::RecordingWriter out;
  for (int i = 0; i < 3; ++i) numbers.Produce(out);
  EXPECT_EQ(out.Numbers, (std::vector<double>{5, 7, 9}));

  SequenceColumn invoices({DefaultSequenceStart(std::optional<uint64_t>(41)), 1},
                          Parsed("R2026-######"));
  SequenceColumn split({99, 1}, Parsed("\\A#-#"));
  for (int i = 0; i < 2; ++i) {
    invoices.Produce(out);
    split.Produce(out);
  }
  EXPECT_EQ(out.Texts, (std::vector<std::string>{"R2026-000042", "A9-9", "R2026-000043", "A9-9"}));
  EXPECT_EQ(DefaultSequenceStart(std::optional<double>(17.5)), 18);
  EXPECT_EQ(DefaultSequenceStart(std::optional<double>()), 1);
  EXPECT_EQ(DefaultSequenceStart(std::optional<uint64_t>()), 1);

  std::string error;
  EXPECT_TRUE(CheckSequenceMask(Parsed("R2026-######"), error));
  EXPECT_FALSE(CheckSequenceMask(Parsed("KD-AA##"), error));
  EXPECT_FALSE(CheckSequenceMask(Parsed("KD-"), error));
}

TEST(SequenceColumnTest, OverflowIsSeenBeforeWriting) {
  const Mask three = Parsed("N-###");
  EXPECT_TRUE(SequenceFitsMask({998, 1}, 2, three));
  EXPECT_FALSE(SequenceFitsMask({998, 1}, 3, three));
  EXPECT_FALSE(SequenceFitsMask({1, -1}, 3, three));  // below 0
  EXPECT_TRUE(SequenceFitsMask({1, -1}, 2, three));
  EXPECT_FALSE(SequenceFitsMask({0, INT64_MAX}, 3, three));
  EXPECT_TRUE(SequenceFitsMask({5, 1}, 0, three));

  EXPECT_TRUE(SequenceFitsField({990, 1}, 10, 'N', 3, 0));
  EXPECT_FALSE(SequenceFitsField({990, 1}, 11, 'N', 3, 0));
  EXPECT_TRUE(SequenceFitsField({1, 1}, 999, 'N', 6, 2));
  EXPECT_FALSE(SequenceFitsField({1, 1}, 1000, 'N', 6, 2));
  EXPECT_FALSE(SequenceFitsField({-5, 1}, 1, 'N', 1, 0));
  EXPECT_FALSE(SequenceFitsField({INT64_MAX - 1, 1}, 2, 'N', 20, 0));
}

TEST(SequenceColumnTest, CountsAgainForEachNewGroupValue) {
  auto groups = [](std::vector<std::string> values) {
    return std::make_unique<GroupChanges>(std::make_unique<TextsColumn>(std::move(values)), 4, 0);
  };
  // "B" and "B  " are the same value in the field; "ABCDE" and "ABCDX" too, cut to 4.
  SequenceColumn lines({1, 1}, std::nullopt,
                       groups({"A", "A", "B", "B  ", "ABCDE", "ABCDX", "A", "A"}));
  test::RecordingWriter out;
  for (int i = 0; i < 8; ++i) lines.Produce(out);
  EXPECT_EQ(out.Numbers, (std::vector<double>{1, 2, 1, 2, 1, 2, 1, 2}));

  auto longest = groups({"x", "y", "y", "y", "x", "x"});
  EXPECT_EQ(LongestGroup(*longest, 6), 3u);

  // The group field drawn from a word list: a copy of its source from the same seed gives the
  // same values, so the count restarts exactly where the written field changes.
  auto words = std::make_shared<const std::vector<std::string>>(
      std::vector<std::string>{"A100", "A200"});
  WordColumn field(77, words);
  SequenceColumn positions({10, 10}, Parsed("##"),
                           std::make_unique<GroupChanges>(std::make_unique<WordColumn>(77, words),
                                                          10, 0));
  test::RecordingWriter fieldOut, positionOut;
  int expected = 10;
  for (int i = 0; i < 200; ++i) {
    field.Produce(fieldOut);
    positions.Produce(positionOut);
    if (i > 0) expected = fieldOut.Texts[i] == fieldOut.Texts[i - 1] ? expected + 10 : 10;
    ASSERT_EQ(positionOut.Texts[i], std::to_string(std::min(expected, 99))) << i;
  }
}

TEST(ConstantColumnTest, ValuesInTheRulesNotationAndTheirRefusals) {
  Value value;
  std::string error;
  ASSERT_TRUE(ParseConstantValue("EUR", 'C', 3, 0, value, error));
  EXPECT_EQ(value, Value("EUR"));
  ASSERT_TRUE(ParseConstantValue("19.99", 'N', 6, 2, value, error));
  EXPECT_EQ(value, Value(19.99));
  ASSERT_TRUE(ParseConstantValue("-0", 'N', 6, 2, value, error));
  EXPECT_EQ(value, Value(0.0));
  for (const char* yes : {"1", "J", "y", ".T.", "t"}) {
    ASSERT_TRUE(ParseConstantValue(yes, 'L', 1, 0, value, error)) << yes;
    EXPECT_EQ(value, Value(true)) << yes;
  }
  ASSERT_TRUE(ParseConstantValue(".f.", 'L', 1, 0, value, error));
  EXPECT_EQ(value, Value(false));
  ASSERT_TRUE(ParseConstantValue("24.12.2026", 'D', 8, 0, value, error));
  EXPECT_EQ(value, Value(Date::FromYmd(2026, 12, 24)));
  ASSERT_TRUE(ParseConstantValue("", 'N', 6, 2, value, error));
  EXPECT_TRUE(value.IsNil());

  EXPECT_FALSE(ParseConstantValue("EURO", 'C', 3, 0, value, error));
  EXPECT_EQ(error, "Der Text \"EURO\" ist länger als das Feld (3 Zeichen).");
  EXPECT_FALSE(ParseConstantValue("1234.5", 'N', 6, 2, value, error));
  EXPECT_FALSE(ParseConstantValue("12,5", 'N', 6, 2, value, error));
  EXPECT_FALSE(ParseConstantValue("vielleicht", 'L', 1, 0, value, error));
  EXPECT_FALSE(ParseConstantValue("31.02.2026", 'D', 8, 0, value, error));
  EXPECT_EQ(error, "Der Wert \"31.02.2026\" ist kein Datum TT.MM.JJJJ.");

  // No value leaves every record blank.
  struct BlankCounter : test::RecordingWriter {
    int Blanks = 0;
    void PutBlank() override { ++Blanks; }
  } out;
  ConstantColumn blank{Value()}, euro{Value("EUR")};
  blank.Produce(out);
  euro.Produce(out);
  EXPECT_EQ(out.Blanks, 1);
  EXPECT_EQ(out.Texts, (std::vector<std::string>{"EUR"}));
}

}  // namespace
}  // namespace fw
