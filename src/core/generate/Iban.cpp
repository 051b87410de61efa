#include "core/generate/Iban.h"

#include <cstdio>

namespace fw {
namespace {

// The remainder modulo 97 after appending the characters of `text`, letters as two digits.
bool Mod97(std::string_view text, uint32_t& remainder) {
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      remainder = (remainder * 10 + uint32_t(c - '0')) % 97;
    } else if (c >= 'A' && c <= 'Z') {
      const uint32_t n = uint32_t(c - 'A' + 10);
      remainder = (remainder * 100 + n) % 97;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int IbanCheckDigits(std::string_view country, std::string_view bban) {
  uint32_t remainder = 0;
  if (!Mod97(bban, remainder) || !Mod97(country, remainder) || !Mod97("00", remainder))
    return -1;
  return int(98 - remainder);
}

bool IsValidIban(std::string_view iban) {
  if (iban.size() < 5 || iban.size() > 34) return false;
  uint32_t remainder = 0;
  return Mod97(iban.substr(4), remainder) && Mod97(iban.substr(0, 4), remainder) &&
         remainder == 1;
}

std::string GermanIban(uint32_t bankCode, uint64_t account) {
  char bban[32];
  std::snprintf(bban, sizeof bban, "%08u%010llu", unsigned(bankCode % 100000000u),
                static_cast<unsigned long long>(account % 10000000000ull));
  char iban[40];
  std::snprintf(iban, sizeof iban, "DE%02d%s", IbanCheckDigits("DE", bban), bban);
  return iban;
}

}  // namespace fw
