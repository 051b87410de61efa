#pragma once
#include <string>
#include <string_view>

namespace fw {

// Text inside the core is single-byte Windows-1252, as in the settings file, the word files
// and the tables; the user interface and the terminal speak UTF-8.
std::string Cp1252ToUtf8(std::string_view text);
// Characters that Windows-1252 cannot hold become '?'. Invalid UTF-8 bytes are taken as
// Windows-1252 bytes unchanged.
std::string Utf8ToCp1252(std::string_view text);
// True when the text is valid UTF-8 and holds at least one non-ASCII character.
bool IsUtf8WithNonAscii(std::string_view text);

}  // namespace fw
