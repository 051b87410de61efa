#include "core/generate/Mask.h"

namespace fw {
namespace {

constexpr char kDigits[] = "0123456789";
constexpr char kUpper[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr char kLower[] = "abcdefghijklmnopqrstuvwxyz";
constexpr char kDigitsAndUpper[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

uint32_t Radix(Mask::Place place) {
  switch (place) {
    case Mask::Place::Digit: return 10;
    case Mask::Place::Upper:
    case Mask::Place::Lower: return 26;
    case Mask::Place::DigitOrUpper: return 36;
    case Mask::Place::Literal: break;
  }
  return 1;
}

// The number of character `c` at a place of that kind; false when it cannot stand there.
bool SymbolNumber(Mask::Place place, char c, uint32_t& n) {
  if (c >= '0' && c <= '9' &&
      (place == Mask::Place::Digit || place == Mask::Place::DigitOrUpper)) {
    n = uint32_t(c - '0');
    return true;
  }
  if (c >= 'A' && c <= 'Z' &&
      (place == Mask::Place::Upper || place == Mask::Place::DigitOrUpper)) {
    n = uint32_t(c - 'A') + (place == Mask::Place::DigitOrUpper ? 10 : 0);
    return true;
  }
  if (c >= 'a' && c <= 'z' && place == Mask::Place::Lower) {
    n = uint32_t(c - 'a');
    return true;
  }
  return false;
}

}  // namespace

bool Mask::Parse(std::string_view text, uint32_t fieldLength, Mask& mask, std::string& error) {
  mask = Mask();
  for (size_t i = 0; i < text.size(); ++i) {
    Slot slot{Place::Literal, text[i], 1, nullptr};
    switch (text[i]) {
      case '#': slot.place = Place::Digit; break;
      case 'A': slot.place = Place::Upper; break;
      case 'a': slot.place = Place::Lower; break;
      case 'X': slot.place = Place::DigitOrUpper; break;
      case '\\':
        if (i + 1 == text.size()) {
          error = "Die Maske endet mit einem \\, nach dem das Zeichen fehlt, das er wörtlich "
                  "nehmen soll.";
          return false;
        }
        slot.literal = text[++i];
        break;
      default: break;
    }
    if (slot.place != Place::Literal) {
      slot.radix = Radix(slot.place);
      slot.alphabet = slot.place == Place::Digit   ? kDigits
                      : slot.place == Place::Upper ? kUpper
                      : slot.place == Place::Lower ? kLower
                                                   : kDigitsAndUpper;
      const uint64_t radix = slot.radix;
      mask.capacity_ = mask.capacity_ > UINT64_MAX / radix ? UINT64_MAX : mask.capacity_ * radix;
      ++mask.varying_;
      mask.digits_ += slot.place == Place::Digit;
    }
    mask.places_.push_back(slot);
  }
  if (mask.places_.empty()) {
    error = "Die Maske ist leer.";
    return false;
  }
  if (fieldLength > 0 && mask.places_.size() > fieldLength) {
    error = "Die Maske ergibt Werte von " + std::to_string(mask.places_.size()) +
            " Zeichen, das Feld ist nur " + std::to_string(fieldLength) + " Zeichen lang.";
    return false;
  }
  return true;
}

void Mask::Write(uint64_t index, char* out) const {
  if (OnlyDigitPlaces()) {  // a division by a constant 10 is a multiplication
    for (size_t i = places_.size(); i-- > 0;) {
      const Slot& slot = places_[i];
      if (slot.place == Place::Literal) {
        out[i] = slot.literal;
      } else {
        out[i] = char('0' + index % 10);
        index /= 10;
      }
    }
    return;
  }
  // Most masks number fewer than 2^32 values: divisions by the three radices as constants
  // become multiplications.
  if (index <= UINT32_MAX) {
    uint32_t small = uint32_t(index), digit = 0;
    for (size_t i = places_.size(); i-- > 0;) {
      const Slot& slot = places_[i];
      switch (slot.place) {
        case Place::Literal: out[i] = slot.literal; continue;
        case Place::Digit: digit = small % 10; small /= 10; break;
        case Place::Upper:
        case Place::Lower: digit = small % 26; small /= 26; break;
        case Place::DigitOrUpper: digit = small % 36; small /= 36; break;
      }
      out[i] = slot.alphabet[digit];
    }
    return;
  }
  for (size_t i = places_.size(); i-- > 0;) {
    const Slot& slot = places_[i];
    if (slot.place == Place::Literal) {
      out[i] = slot.literal;
    } else {
      out[i] = slot.alphabet[index % slot.radix];
      index /= slot.radix;
    }
  }
}

void Mask::WriteRandom(RandomStream& random, char* out) const {
  if (capacity_ != UINT64_MAX) {
    // The places are the digits of r = bits / 2^64 in the mask's mixed radix, first place
    // first: each is the whole part of r times its radix, the fraction goes on to the next.
    // This is the value numbered floor(r * Capacity()), without a division.
    uint64_t fraction = random.Next();
    for (size_t i = 0; i < places_.size(); ++i) {
      const Slot& slot = places_[i];
      if (slot.place == Place::Literal) {
        out[i] = slot.literal;
      } else {
        const unsigned __int128 product = (unsigned __int128)fraction * slot.radix;
        out[i] = slot.alphabet[uint32_t(product >> 64)];
        fraction = uint64_t(product);
      }
    }
    return;
  }
  for (size_t i = 0; i < places_.size(); ++i) {
    const Slot& slot = places_[i];
    out[i] = slot.place == Place::Literal ? slot.literal
                                          : slot.alphabet[random.Below(slot.radix)];
  }
}

bool Mask::IndexOf(std::string_view text, uint64_t& index) const {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.size() > places_.size()) return false;
  index = 0;
  for (size_t i = 0; i < places_.size(); ++i) {
    const Slot& slot = places_[i];
    if (slot.place == Place::Literal) {
      if (i < text.size() ? text[i] != slot.literal : slot.literal != ' ') return false;
      continue;
    }
    uint32_t n;
    if (i >= text.size() || !SymbolNumber(slot.place, text[i], n)) return false;
    index = index * Radix(slot.place) + n;
  }
  return true;
}

}  // namespace fw
