#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace fw {

// Converts the text of a table between its own code page (named by the language-driver byte
// of the DBF header) and Windows-1252, the code page of all text inside the program. Tables
// in Windows-1252, or with no or an unknown language driver, pass unchanged. Read, characters
// Windows-1252 cannot hold become '?'. Written, a character the table's code page lacks
// becomes its nearest ASCII (ä -> ae, ß -> ss), never a byte of another code page; of a code
// page without a table here (GBK, Big5, ...) only ASCII is written.
class TableCodePage {
public:
  TableCodePage() = default;  // no conversion
  static TableCodePage ForLanguageDriver(uint8_t languageDriver);
  // The conversion for a code page by its number (0 or 1252: none).
  static TableCodePage ForCodePage(int codePage);
  // The code page a .cpg file beside a table names, as GIS tools write it ("UTF-8", "1252",
  // "ANSI 1251", "CP866", "ISO 8859-1"). UTF-8 is read and written as UTF-8 (a field holds
  // as many bytes as its length, a character is never cut in two); of a name this program has
  // no table for, only ASCII is written (the nearest ASCII of other letters), which every such
  // code page reads as it was meant.
  static TableCodePage ForCodePageName(std::string_view name);

  bool Converts() const { return toAnsi_ != nullptr; }
  int CodePage() const { return codePage_; }  // 1252 when no conversion is done

  // Byte by byte; `out` may be the same buffer as `in`. FromAnsi this way writes '?' for a
  // character the code page lacks.
  void ToAnsi(const char* in, char* out, size_t size) const;
  void FromAnsi(const char* in, char* out, size_t size) const;
  // Writes `in` into `out`, at most `capacity` bytes, letters the code page lacks as their
  // nearest ASCII; returns the bytes written.
  size_t FromAnsiFitted(std::string_view in, char* out, size_t capacity) const;
  std::string ToAnsi(std::string_view text) const;
  std::string FromAnsi(std::string_view text) const;

  unsigned char FromAnsiByte(unsigned char c) const {
    return (toTable_ && c >= 0x80) ? toTable_[c - 0x80] : c;
  }

private:
  const unsigned char* toAnsi_ = nullptr;   // 128 entries for bytes 80h..FFh
  const unsigned char* toTable_ = nullptr;  // 128 entries for Windows-1252 bytes 80h..FFh
  int codePage_ = 1252;
  bool utf8_ = false;
};

// The code page a language-driver byte names (0 when unknown or none).
int CodePageOfLanguageDriver(uint8_t languageDriver);
// The code page a dBase 7 language driver's name stands for, without regard to case: the
// Windows drivers (DBWINUS0, DBWINWE0, DBWINES0) for 1252, the DOS drivers by the number in
// their name (DB437DE0, DB850DE0, DB852CZ0, DB866RU0, DB932JP0, ...); 0 for a name of no
// known driver.
int CodePageOfLanguageDriverName(std::string_view name);

}  // namespace fw
