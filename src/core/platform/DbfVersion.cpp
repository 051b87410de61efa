#include "core/platform/DbfVersion.h"

#include <cstdio>

#include "core/platform/DbfHeader.h"

namespace fw {
namespace {

std::string Hex(uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", byte);
  return text;
}

}  // namespace

std::string DbfFormatName(uint8_t version) {
  switch (version) {
    case 0x02: return "dBase II";
    case 0x03: return "dBase III";
    case 0x04: return "dBase 7";
    case 0x05: return "dBase 5";
    case 0x07: return "dBase III mit Visual-Objects-Kennung";
    case 0x30: return "Visual FoxPro";
    case 0x31: return "Visual FoxPro mit Autoinkrement";
    case 0x32: return "Visual FoxPro mit Varchar/Varbinary";
    case 0x43: case 0x63: return "dBase IV SQL";
    case 0x7B: return "dBase IV mit Memo";
    case 0x83: return "dBase III mit Memo";
    case 0x87: return "dBase III mit Memo und Visual-Objects-Kennung";
    case 0x8B: return "dBase IV mit Memo";
    case 0x8C: return "dBase 7 mit Memo";
    case 0xCB: return "dBase IV SQL mit Memo";
    case 0xE5: return "Clipper SIX mit SMT-Memo";
    case 0xF5: return "FoxPro 2 mit Memo";
    case 0xFB: return "FoxBASE";
    default: return {};
  }
}

std::string UnfillableTableText(const unsigned char* header, size_t size, uint64_t fileSize) {
  if (size < 32) return {};
  const uint8_t version = header[0];
  const std::string name = DbfFormatName(version);
  if (IsKnownDbfVersion(version)) {
    if (header[15] != 0) {
      return "Die Tabelle ist verschlüsselt (dBase IV, Byte 15 des Kopfes).\r\n"
             "Verschlüsselte Tabellen können nicht gefüllt werden.";
    }
    return {};
  }
  if (!name.empty()) {
    return "Tabellen dieses Formats (Versionsbyte " + Hex(version) + ", " + name +
           ") können nicht gefüllt werden.";
  }
  // An unknown byte: is the rest a sound table header? dBase II has no such header, but every
  // later format keeps header and record length here.
  const uint32_t records = uint32_t(header[4]) | uint32_t(header[5]) << 8 |
                           uint32_t(header[6]) << 16 | uint32_t(header[7]) << 24;
  const uint32_t headerLength = uint32_t(header[8]) | uint32_t(header[9]) << 8;
  const uint32_t recordLength = uint32_t(header[10]) | uint32_t(header[11]) << 8;
  const bool sound = headerLength >= 65 && headerLength <= fileSize && recordLength >= 2 &&
                     header[2] >= 1 && header[2] <= 12 && header[3] >= 1 && header[3] <= 31 &&
                     uint64_t(headerLength) + uint64_t(records) * recordLength <= fileSize + 1;
  if (!sound) return {};
  return "Die Datei hat das Versionsbyte " + Hex(version) +
         ", das zu keinem bekannten DBF-Format gehört.\r\nSie wird nicht gefüllt.";
}

}  // namespace fw
