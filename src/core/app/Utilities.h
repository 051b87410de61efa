#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// Splits a text at every occurrence of the separator; each piece is trimmed of blanks, tabs and line breaks. k
// separators give k + 1 pieces; an empty text gives one empty piece.
std::vector<std::string> String2Array(std::string_view text, std::string_view separator = ",");

// True when the path names an existing folder; a trailing "/" does not matter.
bool IsDirectory(const std::string& path);

// Language identifier: sub-language * 1024 + primary language.
uint16_t MakeLangID(uint16_t primary, uint16_t sub);

// The folder of the running program, ending in "/".
std::string ProgramFolder();

}  // namespace fw
