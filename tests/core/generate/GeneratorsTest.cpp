#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "core/generate/FillTestSupport.h"
#include "core/generate/Generators.h"
#include "core/generate/Random.h"
#include "core/platform/Error.h"
#include "core/platform/FieldBytes.h"

namespace fw {
namespace {

using test::RecordingWriter;

struct RecordingSink : MessageSink {
  std::vector<std::string> Captions, Texts;
  void ShowMessage(const std::string& caption, const std::string& text, MessageIcon) override {
    Captions.push_back(caption);
    Texts.push_back(text);
  }
};

// Member access on the returned temporary keeps it alive through a range-for.
RecordingWriter Produced(ColumnSource& source, int records) {
  RecordingWriter out;
  for (int i = 0; i < records; ++i) source.Produce(out);
  return out;
}

TEST(RandomSourceTest, SameSeedSameSequenceAndFixedSnapshot) {
  RandomStream a(42), b(42), c(43);
  std::vector<uint64_t> first;
  for (int i = 0; i < 5; ++i) {
    first.push_back(a.Next());
    EXPECT_EQ(first.back(), b.Next());
  }
  EXPECT_NE(first[0], c.Next());
  // The sequence is ours, not the standard library's: it must not change between machines.
  RandomStream snapshot(1);
  EXPECT_EQ(snapshot.Next(), 0xb3f2af6d0fc710c5ull);
}

TEST(RandomSourceTest, DrawsStayInRangeAndCoverIt) {
  RandomStream r(7);
  EXPECT_EQ(r.Below(0), 0u);
  EXPECT_EQ(r.Below(1), 0u);
  std::vector<int> hits(10);
  for (int i = 0; i < 100000; ++i) {
    const uint32_t k = r.Below(10);
    ASSERT_LT(k, 10u);
    ++hits[k];
    const double x = r.Real();
    ASSERT_GE(x, 0.0);
    ASSERT_LT(x, 1.0);
  }
  for (int h : hits) EXPECT_NEAR(h, 10000, 600);
  EXPECT_LT(r.Below(0xFFFFFFFFu), 0xFFFFFFFFu);
}

TEST(RandomSourceTest, ProgramSourceIsReproducibleUnderAFixedSeed) {
  SeedRandom(99);
  const uint64_t x = ProgramRandom().Next();
  const double y = RandomReal();
  SeedRandom(99);
  EXPECT_EQ(ProgramRandom().Next(), x);
  EXPECT_EQ(RandomReal(), y);
  SeedRandom(0);  // fresh seeds differ from start to start
  const uint64_t fresh = ProgramRandom().Next();
  SeedRandom(0);
  EXPECT_NE(ProgramRandom().Next(), fresh);
}

TEST(RandomSourceTest, SeedSettingTakesOnlyAWholeNumber) {
  EXPECT_EQ(SeedFromText(" 5\r"), 5u);
  EXPECT_EQ(SeedFromText("18446744073709551615"), ~0ull);
  EXPECT_EQ(SeedFromText("18446744073709551616"), 0u);  // beyond 64 bits: fresh, not wrapped
  EXPECT_EQ(SeedFromText("-5"), 0u);
  EXPECT_EQ(SeedFromText("5x"), 0u);
  EXPECT_EQ(SeedFromText(""), 0u);
}

TEST(RandomStringTest, LengthsAndCharacters) {
  SeedRandom(5);
  std::set<size_t> lengths;
  for (int i = 0; i < 2000; ++i) {
    const std::string s = RandomString();
    lengths.insert(s.size());
    for (unsigned char c : s) {
      ASSERT_GE(c, 32);
      ASSERT_LE(c, 127);
    }
  }
  EXPECT_EQ(*lengths.begin(), 0u);     // the empty text comes
  EXPECT_EQ(*lengths.rbegin(), 19u);   // 20 never does
  EXPECT_EQ(RandomString(Value(5), Value(true)).size(), 5u);
  EXPECT_EQ(RandomString(Value(0), Value(true)).size(), 20u);
  EXPECT_EQ(RandomString(Value(-3), Value(true)).size(), 20u);
  EXPECT_EQ(RandomString(Value(1e12), Value(true)).size(), size_t(kMaxRandomLength));
  for (int i = 0; i < 200; ++i) EXPECT_LT(RandomString(Value(3), Value(false)).size(), 3u);
}

TEST(RandomDateTest, RangesAndFallbacks) {
  SetDateFormat(GermanDateFormat());
  const Date d = Date::FromYmd(2020, 2, 29);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(RandomDate(Value(d), Value(d)).AsDate(), d);
  for (int i = 0; i < 50; ++i)
    EXPECT_EQ(RandomDate(Value("01.03.2000"), Value("02.03.2000")).AsDate(),
              Date::FromYmd(2000, 3, 1));
  // Empty dates: 1.1.1900 up to yesterday.
  for (int i = 0; i < 200; ++i) {
    const Date r = RandomDate(Value(Date()), Value(Date())).AsDate();
    EXPECT_GE(r, Date::FromYmd(1900, 1, 1));
    EXPECT_LT(r, Date::Today());
  }
  EXPECT_TRUE(RandomDate(Value("31.02.2000"), Value(d)).AsDate().IsEmpty());
}

TEST(RandomDateTest, WrongTypeShowsOneMessageAndNoValue) {
  RecordingSink sink;
  EXPECT_TRUE(RandomDate(Value(5), Value(true), &sink).IsNil());
  ASSERT_EQ(sink.Captions.size(), 1u);
  EXPECT_EQ(sink.Captions[0], "Falscher Datentyp");
  EXPECT_EQ(sink.Texts[0],
            "Sie können das Datum nur als Zeichenkette\r\noder als Datumswert eingeben");
  EXPECT_TRUE(RandomDate(Value(Date()), Value(), &sink).IsNil());
  EXPECT_EQ(sink.Captions.size(), 2u);
}

TEST(RandomDateTest, InvertedRangeRaisesANumericError) {
  uint32_t code = 0;
  ScopedErrorBlock block([&](Error& e) {
    code = e.GenCode;
    return ErrorAction::Default;
  });
  EXPECT_TRUE(RandomDate(Value(Date::FromYmd(2000, 1, 2)), Value(Date::FromYmd(2000, 1, 1))).IsNil());
  EXPECT_EQ(code, gen::kNumErr);
}

TEST(ColumnSourceTest, RandomTextFollowsMaxAndFixAndTheFieldLength) {
  RandomTextColumn fixed(1, 5, true, 20);
  for (const std::string& s : Produced(fixed, 300).Texts) {
    ASSERT_EQ(s.size(), 5u);
    for (unsigned char c : s) ASSERT_TRUE(c >= 32 && c <= 127);
  }
  RandomTextColumn cut(2, 30, true, 8);  // the field holds 8 characters
  for (const std::string& s : Produced(cut, 50).Texts) ASSERT_EQ(s.size(), 8u);
  RandomTextColumn variable(3, 0, false, 254);  // MAXLENGTH 0 means 20
  std::set<size_t> lengths;
  std::set<unsigned char> codes;
  for (const std::string& s : Produced(variable, 5000).Texts) {
    lengths.insert(s.size());
    codes.insert(s.begin(), s.end());
  }
  EXPECT_EQ(*lengths.begin(), 0u);
  EXPECT_EQ(*lengths.rbegin(), 19u);
  EXPECT_EQ(codes.size(), 96u);  // every code from 32 to 127, no other
  EXPECT_EQ(*codes.begin(), 32);
  EXPECT_EQ(*codes.rbegin(), 127);
}

TEST(ColumnSourceTest, WordsAreDrawnOverEveryEntryIncludingTheLast) {
  auto three = std::make_shared<const std::vector<std::string>>(
      std::vector<std::string>{"Aachen", "Bonn", "Celle"});
  WordColumn column(11, three);
  std::map<std::string, int> seen;
  for (const std::string& s : Produced(column, 3000).Texts) ++seen[s];
  ASSERT_EQ(seen.size(), 3u);
  for (auto& [word, n] : seen) EXPECT_NEAR(n, 1000, 150) << word;

  auto one = std::make_shared<const std::vector<std::string>>(std::vector<std::string>{"Ulm"});
  WordColumn single(12, one);  // a list of one entry ends and yields that entry
  for (const std::string& s : Produced(single, 10).Texts) EXPECT_EQ(s, "Ulm");
}

TEST(ColumnSourceTest, NumbersLieBetweenTheBoundsWithTheAskedShareOfNegatives) {
  NumberColumn plain(21, 0, 1, false, 50);
  for (double v : Produced(plain, 2000).Numbers) {
    ASSERT_GE(v, 0.0);
    ASSERT_LT(v, 1.0);
  }
  NumberColumn negative(22, 10, 20, true, 30);
  int negatives = 0;
  for (double v : Produced(negative, 10000).Numbers) {
    ASSERT_GE(std::fabs(v), 10.0);
    ASSERT_LT(std::fabs(v), 20.0);
    negatives += v < 0;
  }
  EXPECT_NEAR(negatives, 3000, 250);  // draw below 100 < 30: 30 %
  NumberColumn none(23, 10, 20, true, 0), all(24, 10, 20, true, 100);
  for (double v : Produced(none, 500).Numbers) ASSERT_GT(v, 0);
  for (double v : Produced(all, 500).Numbers) ASSERT_LT(v, 0);
  NumberColumn zeroStart(25, 0, 0.001, true, 100);  // never a negative zero
  for (double v : Produced(zeroStart, 500).Numbers) ASSERT_FALSE(std::signbit(v) && v == 0);
}

TEST(ColumnSourceTest, TrueShareEqualsThePercentage) {
  auto share = [](double percent) {
    LogicColumn column(31, percent);
    const auto out = Produced(column, 20000);
    return std::count(out.Logics.begin(), out.Logics.end(), true);
  };
  EXPECT_EQ(share(100), 20000);
  EXPECT_NEAR(share(1), 200, 60);  // not 2 %, as a "greater than" test would give
  EXPECT_NEAR(share(50), 10000, 400);
  EXPECT_NEAR(share(99), 19800, 60);
  EXPECT_EQ(share(-5), 0);
}

TEST(ColumnSourceTest, DatesRunFromStartToTheDayBeforeEnd) {
  const Date start = Date::FromYmd(2024, 2, 27), end = Date::FromYmd(2024, 3, 2);
  DateColumn column(41, start, end);
  std::set<int32_t> days;
  for (Date d : Produced(column, 2000).Dates) days.insert(d.DayNumber());
  EXPECT_EQ(days.size(), 4u);  // 27., 28., 29.2., 1.3.
  EXPECT_EQ(*days.begin(), start.DayNumber());
  EXPECT_EQ(*days.rbegin(), end.DayNumber() - 1);
  DateColumn same(42, start, start);
  for (Date d : Produced(same, 20).Dates) EXPECT_EQ(d, start);
}

int Words(const std::string& memo) { return int(std::count(memo.begin(), memo.end(), ' ')); }

TEST(ColumnSourceTest, MemoWordCounts) {
  auto words = std::make_shared<const std::vector<std::string>>(
      std::vector<std::string>{"Haus", "Baum", "Weg"});
  MemoColumn fixed(51, 3, 3, words);
  for (const std::string& m : Produced(fixed, 100).Texts) {
    EXPECT_EQ(Words(m), 3);
    EXPECT_EQ(m.back(), ' ');
  }
  MemoColumn zeroOrOne(52, 0, 1, words);
  int empty = 0;
  for (const std::string& m : Produced(zeroOrOne, 4000).Texts) {
    ASSERT_TRUE(m.empty() || Words(m) == 1);
    empty += m.empty();
  }
  EXPECT_NEAR(empty, 2000, 200);
  MemoColumn range(53, 5, 20, words);
  std::map<int, int> counts;
  for (const std::string& m : Produced(range, 15000).Texts) ++counts[Words(m)];
  EXPECT_EQ(counts.begin()->first, 5);
  EXPECT_EQ(counts.rbegin()->first, 20);
  EXPECT_NEAR(counts[5] * 2, counts[12], 250);  // the ends are half as likely
  MemoColumn random(54, 4, 4, nullptr);  // source "Random"
  for (const std::string& m : Produced(random, 100).Texts) {
    EXPECT_GE(Words(m), 4);
    EXPECT_EQ(m.back(), ' ');
  }
}

TEST(NumbersFitFieldTest, WidthSignAndRounding) {
  EXPECT_TRUE(NumbersFitField(0, 1, false, 1, 0));
  EXPECT_FALSE(NumbersFitField(0, 10, false, 1, 0));  // 9.7 is written as 10
  EXPECT_TRUE(NumbersFitField(0, 9999999.99, false, 10, 2));
  EXPECT_FALSE(NumbersFitField(0, 99999999.99, false, 10, 2));
  EXPECT_TRUE(NumbersFitField(0, 999999.99, true, 10, 2));
  EXPECT_FALSE(NumbersFitField(0, 9999999.99, true, 10, 2));  // "-9999999.99" has 11
  EXPECT_TRUE(NumbersFitField(-5, 100, false, 3, 0));
  EXPECT_FALSE(NumbersFitField(-100, 5, false, 3, 0));
  EXPECT_FALSE(NumbersFitField(0, 1, false, 3, 2));  // "1.00"
  EXPECT_FALSE(NumbersFitField(0, NAN, false, 10, 0));
  EXPECT_FALSE(NumbersFitField(0, 1e308, false, 20, 0));
}

}  // namespace
}  // namespace fw
