#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace fw {

// Converts the text of a table between its own code page (named by the language-driver byte
// of the DBF header) and Windows-1252, the code page of all text inside the program. Tables
// in Windows-1252, or with no or an unknown code page, pass unchanged. Characters the other
// side cannot hold become '?'.
class TableCodePage {
public:
  TableCodePage() = default;  // no conversion
  static TableCodePage ForLanguageDriver(uint8_t languageDriver);

  bool Converts() const { return toAnsi_ != nullptr; }
  int CodePage() const { return codePage_; }  // 1252 when no conversion is done

  // Byte by byte; `out` may be the same buffer as `in`.
  void ToAnsi(const char* in, char* out, size_t size) const;
  void FromAnsi(const char* in, char* out, size_t size) const;
  std::string ToAnsi(std::string_view text) const;
  std::string FromAnsi(std::string_view text) const;

  unsigned char FromAnsiByte(unsigned char c) const {
    return (toTable_ && c >= 0x80) ? toTable_[c - 0x80] : c;
  }

private:
  const unsigned char* toAnsi_ = nullptr;   // 128 entries for bytes 80h..FFh
  const unsigned char* toTable_ = nullptr;  // 128 entries for Windows-1252 bytes 80h..FFh
  int codePage_ = 1252;
};

// The code page a language-driver byte names (0 when unknown or none).
int CodePageOfLanguageDriver(uint8_t languageDriver);

}  // namespace fw
