#include "core/platform/FieldBytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fw {
namespace {

std::string Formatted(double number, uint32_t length, uint32_t decimals) {
  std::string out(length, '#');
  if (!NumberBytes(number, length, decimals, out.data())) {
    // A refused number leaves the slot as it was.
    EXPECT_EQ(out, std::string(length, '#')) << number << " " << length << "," << decimals;
    return "<too wide>";
  }
  return out;
}

// Adds one to a string of decimal digits, growing it by a digit when it carries out.
void Increment(std::string& digits) {
  size_t i = digits.size();
  while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
  if (i == 0) digits.insert(digits.begin(), '1');
  else ++digits[i - 1];
}

// The field text by the rounding rule, worked out on decimal strings from printf's exact
// expansion: independent of the digit tricks, the overlapping moves and the integer ways.
std::string Reference(double number, uint32_t length, uint32_t decimals) {
  if (!std::isfinite(number)) return "<too wide>";
  const double scaled = std::fabs(number * std::pow(10.0, double(decimals)));
  const bool scaledWay = decimals <= 15 && scaled < 9e15;
  // Scaled way: the double product, its whole part and exact fraction. Otherwise the exact
  // expansion of the number itself, cut after the decimals.
  static char text[1600];
  std::string whole, rest;
  if (scaledWay) {
    std::snprintf(text, sizeof text, "%.80f", scaled);
  } else {
    std::snprintf(text, sizeof text, "%.1100f", std::fabs(number));
  }
  std::string expansion(text);
  const size_t point = expansion.find('.');
  whole = expansion.substr(0, point);
  std::string fraction = expansion.substr(point + 1);
  if (!scaledWay) {
    whole += fraction.substr(0, decimals);
    fraction = fraction.substr(decimals);
  }
  rest = fraction;

  bool up = rest[0] >= '5';
  const bool nearHalf = rest.compare(0, 4, "4999") == 0 &&
                        rest.find_first_not_of('0', 4) != std::string::npos;
  if (!up && nearHalf) {
    long double shortfall = 0.5L - std::strtold(("0." + rest.substr(0, 40)).c_str(), nullptr);
    long double ulp;
    if (scaledWay) {
      ulp = std::nextafter(scaled, INFINITY) - scaled;
    } else {
      int exponent;
      std::frexp(number, &exponent);
      ulp = std::ldexp(1.0L, exponent - 53) * std::pow(10.0L, (long double)decimals);
    }
    up = shortfall <= 8 * ulp;
  }
  if (up) Increment(whole);
  const size_t first = whole.find_first_not_of('0');
  whole = first == std::string::npos ? "" : whole.substr(first);
  const bool zero = whole.empty();
  if (whole.size() <= decimals) whole.insert(0, decimals + 1 - whole.size(), '0');
  std::string result = whole.substr(0, whole.size() - decimals);
  if (decimals > 0) result += "." + whole.substr(whole.size() - decimals);
  if (std::signbit(number) && !zero) result.insert(0, "-");
  if (result.size() > length) return "<too wide>";
  return std::string(length - result.size(), ' ') + result;
}

TEST(FieldBytesTest, NumbersAreRoundedHalfAwayFromZeroAndMustFit) {
  EXPECT_EQ(Formatted(2.675, 6, 2), "  2.68");
  EXPECT_EQ(Formatted(-2.675, 6, 2), " -2.68");
  EXPECT_EQ(Formatted(0.5, 3, 0), "  1");
  EXPECT_EQ(Formatted(-0.5, 3, 0), " -1");
  EXPECT_EQ(Formatted(1.005, 5, 2), " 1.01");
  EXPECT_EQ(Formatted(2.4999, 3, 0), "  2");
  EXPECT_EQ(Formatted(-0.001, 5, 2), " 0.00");
  EXPECT_EQ(Formatted(0.05, 4, 2), "0.05");
  EXPECT_EQ(Formatted(99999, 5, 0), "99999");
  EXPECT_EQ(Formatted(100000, 5, 0), "<too wide>");
  EXPECT_EQ(Formatted(9.999, 4, 2), "<too wide>");  // rounds to 10.00
  EXPECT_EQ(Formatted(-9999, 4, 0), "<too wide>");
  EXPECT_EQ(Formatted(1e300, 20, 0), "<too wide>");
  EXPECT_EQ(Formatted(0.0 / 0.0, 20, 0), "<too wide>");
  EXPECT_EQ(Formatted(12345678901234567.0, 20, 0), "   12345678901234568");
}

// Numbers of sixteen and more digits were rounded half to even (0.25 became 0.2), the others
// half away from zero; the same field now rounds every value the same way.
TEST(FieldBytesTest, LongNumbersRoundHalfAwayFromZeroLikeShortOnes) {
  EXPECT_EQ(Formatted(900000000000000.25, 17, 1), "900000000000000.3");
  EXPECT_EQ(Formatted(-900000000000000.25, 18, 1), "-900000000000000.3");
  EXPECT_EQ(Formatted(0.25, 3, 1), "0.3");
  EXPECT_EQ(Formatted(9007199254740993.0, 20, 0), "    9007199254740992");
}

// Slots wider than 20 bytes and up to 48 decimals: every digit of the number is there, none cut.
TEST(FieldBytesTest, WideNumbersKeepAllTheirDigits) {
  EXPECT_EQ(Formatted(1e30, 31, 0), "1000000000000000019884624838656");
  EXPECT_EQ(Formatted(0.1, 50, 48), "0.100000000000000005551115123125782702118158340454");
  EXPECT_EQ(Formatted(-123456789.125, 40, 20), "         -123456789.12500000000000000000");
  EXPECT_EQ(Formatted(1e-30, 50, 30), std::string(18, ' ') + "0.000000000000000000000000000001");
  EXPECT_EQ(Formatted(5e-49, 50, 48), "0.000000000000000000000000000000000000000000000001");
}

// Every width from 1 to 50 and every decimal count it allows, against the reference: random
// magnitudes, signs and digit counts, and values placed on and around the halves.
TEST(FieldBytesTest, NumbersMatchTheReferenceForEveryWidth) {
  uint64_t state = 12345;
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return state >> 11;
  };
  int compared = 0, nearHalves = 0;
  for (uint32_t decimals = 0; decimals <= 48; ++decimals) {
    const int values = decimals <= 15 ? 3000 : 300;
    for (int i = 0; i < values; ++i) {
      double number;
      const int exponent = int(next() % 24) - 5;
      if (i % 3 == 0) {
        // A decimal with a 5 right after the last place (2.675 at two decimals), or its
        // neighbours in binary.
        const double last = std::pow(10.0, -double(decimals));
        number = (double(next() % 100000000) + 0.5) * last;
        if (i % 2) number = std::nextafter(number, (i % 4 == 1) ? 0.0 : INFINITY);
        ++nearHalves;
      } else {
        number = double(next()) * 0x1.0p-53 * std::pow(10.0, exponent);
      }
      if (next() % 3 == 0) number = -number;
      char slot[64];
      const std::string expected50 = Reference(number, 50, decimals);
      for (uint32_t length = decimals > 0 ? decimals + 2 : 1; length <= 50; ++length) {
        std::string expected;
        if (expected50 == "<too wide>") {
          expected = Reference(number, length, decimals);
        } else {
          const size_t size = expected50.size() - expected50.find_first_not_of(' ');
          expected = size > length ? "<too wide>"
                                   : std::string(length - size, ' ') + expected50.substr(50 - size);
        }
        std::memset(slot, '#', sizeof slot);
        const std::string got = NumberBytes(number, length, decimals, slot)
                                    ? std::string(slot, length)
                                    : std::string("<too wide>");
        ASSERT_EQ(got, expected) << number << " " << length << "," << decimals;
        ASSERT_EQ(slot[length], '#') << "written beyond the slot: " << number << " " << length;
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 2000000);
  EXPECT_GT(nearHalves, 10000);
}

TEST(FieldBytesTest, TextIsCutOrPaddedToItsSlot) {
  for (uint32_t length : {1u, 3u, 8u, 15u, 16u, 31u, 32u, 33u, 100u}) {
    for (size_t size : {size_t(0), size_t(1), size_t(length / 2), size_t(length),
                        size_t(length + 7)}) {
      const std::string text(size, 'x');
      std::string slot(length + 1, '#');
      TextBytes(text, length, slot.data());
      const size_t kept = std::min<size_t>(size, length);
      EXPECT_EQ(slot, std::string(kept, 'x') + std::string(length - kept, ' ') + "#")
          << length << " " << size;
    }
  }
}

}  // namespace
}  // namespace fw
