#include <gtest/gtest.h>

#include <map>

#include "core/generate/FillTestSupport.h"
#include "core/generate/WeightedList.h"
#include "core/generate/WeightedListColumn.h"

namespace fw {
namespace {

TEST(WeightedListParseTest, WeightsDefaultsAndQuotedValues) {
  WeightedList list;
  std::string error;
  ASSERT_TRUE(ParseWeightedValues(" offen:6, bezahlt : 3,storniert", 0, list, error)) << error;
  EXPECT_EQ(list.Values, (std::vector<std::string>{"offen", "bezahlt", "storniert"}));
  EXPECT_EQ(list.Weights, (std::vector<double>{6, 3, 1}));

  ASSERT_TRUE(ParseWeightedValues("\"a, b:c\":2.5,\"x\"\"y\" ,\" z \"", 0, list, error)) << error;
  EXPECT_EQ(list.Values, (std::vector<std::string>{"a, b:c", "x\"y", " z "}));
  EXPECT_EQ(list.Weights, (std::vector<double>{2.5, 1, 1}));
}

TEST(WeightedListParseTest, BadInputIsRefusedWithItsPlace) {
  const struct {
    const char* text;
    uint32_t fieldLength;
    const char* message;
  } cases[] = {
      {"offen:6,,x", 0, "Leerer Wert an Stelle 9."},
      {"a,", 0, "Leerer Wert an Stelle 3."},
      {"", 0, "Leerer Wert an Stelle 1."},
      {":3", 0, "Leerer Wert an Stelle 1."},
      {"a:0", 0, "Das Gewicht an Stelle 3 ist keine positive Zahl: \"0\"."},
      {"a:-1", 0, "Das Gewicht an Stelle 3 ist keine positive Zahl: \"-1\"."},
      {"a:1,b:", 0, "Das Gewicht an Stelle 7 ist keine positive Zahl: \"\"."},
      {"a:1.2.3", 0, "Das Gewicht an Stelle 3 ist keine positive Zahl: \"1.2.3\"."},
      {"a:b:3", 0, "Das Gewicht an Stelle 3 ist keine positive Zahl: \"b:3\"."},
      {"a, \"bc", 0, "Das Anführungszeichen an Stelle 4 wird nicht geschlossen."},
      {"\"a\"b", 0, "Nach dem Wert in Anführungszeichen an Stelle 1 muss ein Doppelpunkt"},
      {"ok,abcdef:2", 5, "Der Wert \"abcdef\" an Stelle 4 ist länger als das Feld (5 Zeichen)."},
  };
  for (const auto& c : cases) {
    WeightedList list;
    std::string error;
    EXPECT_FALSE(ParseWeightedValues(c.text, c.fieldLength, list, error)) << c.text;
    EXPECT_EQ(error.rfind(c.message, 0), 0u) << c.text << " gave: " << error;
  }
}

TEST(WeightedListParseTest, WordFilesKeepTheirMeaningUnlessTheyBeginWithTheWeightsLine) {
  WeightedList list;
  std::string error;
  // Colons and quotes in an old file are parts of its words.
  ASSERT_TRUE(ParseWordFileWeights("10:30, Std:Min,\r\n\"Haus, x:2,", 0, list, error));
  EXPECT_EQ(list.Values, (std::vector<std::string>{"10:30", "Std:Min", "\"Haus", "x:2"}));
  EXPECT_EQ(list.Weights, (std::vector<double>{1, 1, 1, 1}));

  ASSERT_TRUE(ParseWordFileWeights(" #GEWICHTE \r\noffen:6,\r\n\"10:30\"", 0, list, error));
  EXPECT_EQ(list.Values, (std::vector<std::string>{"offen", "10:30"}));
  EXPECT_EQ(list.Weights, (std::vector<double>{6, 1}));

  EXPECT_FALSE(ParseWordFileWeights("#Gewichte\noffen:6,\nbezahlt:x", 0, list, error));
  EXPECT_EQ(error, "Das Gewicht in Zeile 3 ist keine positive Zahl: \"x\".");
  EXPECT_FALSE(HasWeightsLine("#Gewichte sind schön, Haus"));
}

std::map<std::string, int> Counts(const std::string& werte, uint64_t seed, int draws) {
  auto list = std::make_shared<WeightedList>();
  std::string error;
  EXPECT_TRUE(ParseWeightedValues(werte, 0, *list, error)) << error;
  WeightedListColumn column(seed, list);
  test::RecordingWriter out;
  for (int i = 0; i < draws; ++i) column.Produce(out);
  std::map<std::string, int> counts;
  for (const std::string& text : out.Texts) ++counts[text];
  return counts;
}

TEST(WeightedListColumnTest, SharesFollowTheWeights) {
  constexpr int kDraws = 100000;
  auto status = Counts("offen:6,bezahlt:3,storniert:1", 20261209, kDraws);
  EXPECT_NEAR(status["offen"], 0.6 * kDraws, 0.01 * kDraws);
  EXPECT_NEAR(status["bezahlt"], 0.3 * kDraws, 0.01 * kDraws);
  EXPECT_NEAR(status["storniert"], 0.1 * kDraws, 0.01 * kDraws);

  // Many light values beside one heavy: the alias table spreads the heavy one over their slots.
  std::string werte = "schwer:99";
  for (int i = 0; i < 99; ++i) werte += ",w" + std::to_string(i) + ":1";
  auto mixed = Counts(werte, 7, kDraws);
  EXPECT_NEAR(mixed["schwer"], 0.5 * kDraws, 0.01 * kDraws);
  EXPECT_NEAR(mixed["w0"] + mixed["w98"], 0.01 * kDraws, 0.005 * kDraws);
  EXPECT_EQ(mixed.size(), 100u);

  // Tiny weights are still drawn, and never a value with no share.
  auto rare = Counts("a:1000,b:0.5", 3, kDraws);
  EXPECT_EQ(rare.size(), 2u);
  EXPECT_NEAR(rare["b"], kDraws * 0.5 / 1000.5, 40);
}

}  // namespace
}  // namespace fw
