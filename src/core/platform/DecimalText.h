#pragma once
#include <cstdint>

namespace fw {

// "00" to "99": two decimal digits per table lookup when numbers and dates become text.
inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The eight decimal digits of v < 10^8 (leading zeros included) as byte values 0 to 9 packed
// into one word, first digit in the lowest byte. Split into halves, quarters and digits lane
// by lane, with multiplications that divide exactly for the lanes' ranges (x * 10486 >> 20 is
// x / 100 for x < 10^4, x * 103 >> 10 is x / 10 for x < 100).
inline uint64_t EightDigitValues(uint32_t v) {
  const uint64_t halves = uint64_t(v / 10000) | (uint64_t(v % 10000) << 32);
  const uint64_t hundreds = ((halves * 10486) >> 20) & 0x0000007F0000007Full;
  const uint64_t quarters = hundreds | ((halves - hundreds * 100) << 16);
  const uint64_t tens = ((quarters * 103) >> 10) & 0x000F000F000F000Full;
  return tens | ((quarters - tens * 10) << 8);
}

// Adding this turns the digit values into their characters, eight at a time: stored on a
// little-endian machine, the word is the text.
inline constexpr uint64_t kEightZeros = 0x3030303030303030ull;

}  // namespace fw
