#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace fw {

// International bank account numbers (ISO 13616) with their check digits (ISO 7064, MOD 97-10).

// The two check digits (2 to 98) of an IBAN of `country` (two capital letters) and `bban`
// (capital letters and digits): 98 minus the remainder modulo 97 of bban + country + "00",
// with every letter written as its number (A = 10 ... Z = 35).
int IbanCheckDigits(std::string_view country, std::string_view bban);

// True when the text is an IBAN without blanks whose check digits are right.
bool IsValidIban(std::string_view iban);

// A German IBAN: "DE", the check digits, the eight-digit bank code and the ten-digit account
// number (both with leading zeros). 22 characters.
std::string GermanIban(uint32_t bankCode, uint64_t account);

}  // namespace fw
