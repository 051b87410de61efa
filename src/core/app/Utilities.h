#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// Splits a text at every occurrence of the separator; each piece is trimmed of blanks, tabs and line breaks. k
// separators give k + 1 pieces; an empty text gives one empty piece.
std::vector<std::string> String2Array(std::string_view text, std::string_view separator = ",");

// A number as messages and rules files show it: at most 15 significant digits, no trailing
// zeros ("12.5", "1e+20").
std::string NumberText(double n);

// True when the path names an existing folder; a trailing "/" does not matter.
bool IsDirectory(const std::string& path);

// Language identifier: sub-language * 1024 + primary language.
uint16_t MakeLangID(uint16_t primary, uint16_t sub);

// The folder of the running program, ending in "/".
std::string ProgramFolder();

// ASCII letters in lower case; every other byte as it is.
inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// True when both texts are the same but for the case of ASCII letters (names in settings
// files, file names matched as Windows matches them).
inline bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

// True for a text of one or more ASCII digits and nothing else.
inline bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace fw
