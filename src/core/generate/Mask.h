#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/generate/Random.h"

namespace fw {

// A pattern for values such as customer numbers: "KD-#####". Each place of the pattern is one
// character of the value:
//   #  a digit 0-9
//   A  an upper-case letter A-Z
//   a  a lower-case letter a-z
//   X  a digit or an upper-case letter (0-9, A-Z)
//   \  the next character stands for itself ("\#" is a "#")
// Any other character stands for itself. Texts are Windows-1252, one byte per character.
//
// The values of a mask are numbered 0 .. Capacity() - 1 like the digits of a number whose
// last place counts fastest: for a mask of "#" places alone the value with number n is n with
// leading zeros, which is what a running number in a mask needs.
class Mask {
public:
  enum class Place : uint8_t { Literal, Digit, Upper, Lower, DigitOrUpper };

  // Reads a mask. `fieldLength` (0: no limit) is the longest value the field holds. On failure
  // returns false with a German sentence in `error`.
  static bool Parse(std::string_view text, uint32_t fieldLength, Mask& mask, std::string& error);

  size_t Length() const { return places_.size(); }  // characters of every value
  // How many distinct values the mask gives; UINT64_MAX when that many or more.
  uint64_t Capacity() const { return capacity_; }
  size_t DigitPlaces() const { return digits_; }
  // True when the only places that vary are "#" places.
  bool OnlyDigitPlaces() const { return varying_ == digits_; }

  // Writes the value numbered `index` (below Capacity()) into `out`, Length() characters.
  void Write(uint64_t index, char* out) const;
  // Writes a value drawn at random into `out`, Length() characters, each value as likely as
  // the others; one draw of `random` when the capacity is below 2^64.
  void WriteRandom(RandomStream& random, char* out) const;
  // The number of the value `text` is (trailing blanks of both disregarded), false when the
  // text does not match the mask.
  bool IndexOf(std::string_view text, uint64_t& index) const;
  bool Matches(std::string_view text) const {
    uint64_t index;
    return IndexOf(text, index);
  }

private:
  struct Slot {
    Place place;
    char literal;
    uint32_t radix;        // 1 for a literal
    const char* alphabet;  // the characters of the place, by their number
  };
  std::vector<Slot> places_;
  uint64_t capacity_ = 1;
  size_t digits_ = 0, varying_ = 0;
};

}  // namespace fw
