#include "core/platform/DbfVersion.h"

#include <cstdio>


namespace fw {
namespace {

std::string Hex(uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", byte);
  return text;
}

// Every version byte the program knows. Driver: the table driver of the formats the engine
// fills (nullptr: recognised only to name it in a refusal). Created: the version the driver
// gives a new table with memo fields (a new table without memo fields is 03h for every driver).
// MemoUnknown: the byte leaves open which memo file goes with memo fields; such a table is
// filled only when it has none.
struct KnownVersion {
  uint8_t Byte;
  const char* Name;
  const char* Driver;
  MemoKind Memo;
  bool Created;
  bool MemoUnknown = false;
};

constexpr KnownVersion kVersions[] = {
    {0x02, "dBase II", nullptr, MemoKind::None, false},
    {0x03, "dBase III", "DBFNTX", MemoKind::None, false},
    {0x04, "dBase 7", "DBFMDX", MemoKind::None, false},
    {0x05, "dBase 5", "DBFMDX", MemoKind::None, false},
    {0x07, "dBase III mit Visual-Objects-Kennung", "DBFNTX", MemoKind::None, false},
    {0x30, "Visual FoxPro", "DBFCDX", MemoKind::FoxPro, false},
    {0x31, "Visual FoxPro mit Autoinkrement", "DBFCDX", MemoKind::FoxPro, false},
    {0x32, "Visual FoxPro mit Varchar/Varbinary", "DBFCDX", MemoKind::FoxPro, false},
    {0x43, "dBase IV SQL", "DBFMDX", MemoKind::None, false},
    {0x63, "dBase IV SQL", "DBFMDX", MemoKind::None, false},
    {0x7B, "dBase IV mit Memo", "DBFMDX", MemoKind::Dbase4, false},
    {0x83, "dBase III mit Memo", "DBFNTX", MemoKind::Dbase3, true},
    // DBD-XBase (Perl) writes its dBase IV tables with memo fields so: 32-byte descriptors and
    // a .dbt of the dBase IV kind; GDAL and dbfread read them.
    {0x84, "dBase IV mit Memo", "DBFMDX", MemoKind::Dbase4, false},
    {0x87, "dBase III mit Memo und Visual-Objects-Kennung", "DBFNTX", MemoKind::Dbase3, false},
    {0x8B, "dBase IV mit Memo", "DBFMDX", MemoKind::Dbase4, true},
    {0x8C, "dBase 7 mit Memo", "DBFMDX", MemoKind::Dbase4, false},
    {0xCB, "dBase IV SQL mit Memo", "DBFMDX", MemoKind::Dbase4, false},
    // Its memo texts are in an .smt file of a layout of its own, which the engine does not
    // write; the byte says that the table has one.
    {0xE5, "Clipper SIX mit SMT-Memo", nullptr, MemoKind::None, false},
    {0xF5, "FoxPro 2 mit Memo", "DBFCDX", MemoKind::FoxPro, true},
    // FoxBASE's byte names no memo file: its tables are filled when they have no memo fields.
    {0xFB, "FoxBASE", "DBFNTX", MemoKind::None, false, true},
};

const KnownVersion* Find(uint8_t byte) {
  for (const KnownVersion& v : kVersions)
    if (v.Byte == byte) return &v;
  return nullptr;
}

const KnownVersion* CreatedBy(std::string_view driver) {
  for (const KnownVersion& v : kVersions)
    if (v.Created && driver == v.Driver) return &v;
  return nullptr;
}

}  // namespace

std::string DbfFormatName(uint8_t version) {
  const KnownVersion* v = Find(version);
  return v ? v->Name : std::string();
}

bool IsKnownDbfVersion(uint8_t version) {
  const KnownVersion* v = Find(version);
  return v && v->Driver;
}

bool IsMemoFormatUnknown(uint8_t version) {
  const KnownVersion* v = Find(version);
  return v && v->MemoUnknown;
}

std::string MemoFormatUnknownText(uint8_t version) {
  return "Die Tabelle hat Memofelder, aber ihr Format (Versionsbyte " + Hex(version) + ", " +
         DbfFormatName(version) +
         ") sagt nicht, welches Memo-File dazu gehört.\r\nSolche Tabellen können nicht gefüllt "
         "werden.";
}

bool IsDbase7(uint8_t version) { return version == 0x04 || version == 0x8C; }

MemoKind MemoKindOfVersion(uint8_t version) {
  const KnownVersion* v = Find(version);
  return v && v->Driver ? v->Memo : MemoKind::None;
}

std::string DriverOfVersion(uint8_t version) {
  const KnownVersion* v = Find(version);
  return v && v->Driver ? v->Driver : std::string();
}

bool IsKnownDriver(std::string_view driver) { return CreatedBy(driver) != nullptr; }

uint8_t MemoVersionOfDriver(std::string_view driver) {
  const KnownVersion* v = CreatedBy(driver);
  return v ? v->Byte : 0;
}

MemoKind MemoKindOfDriver(std::string_view driver) {
  const KnownVersion* v = CreatedBy(driver);
  return v ? v->Memo : MemoKind::None;
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
    if (IsMemoFormatUnknown(version)) {
      // The plain layout: 32-byte descriptors from byte 32, the type in byte 11, up to 0Dh.
      for (size_t at = 32; at + 32 <= size && header[at] != 0x0D && header[at] != 0x0A; at += 32)
        if (header[at + 11] == 'M') return MemoFormatUnknownText(version);
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
  // A table without fields (32 bytes, the terminator, records of the deletion flag) counts.
  const bool layout = (headerLength >= 65 && recordLength >= 2) || (headerLength == 33 && recordLength == 1);
  const bool sound = layout && headerLength <= fileSize &&
                     header[2] >= 1 && header[2] <= 12 && header[3] >= 1 && header[3] <= 31 &&
                     uint64_t(headerLength) + uint64_t(records) * recordLength <= fileSize + 1;
  if (!sound) return {};
  return "Die Datei hat das Versionsbyte " + Hex(version) +
         ", das zu keinem bekannten DBF-Format gehört.\r\nSie wird nicht gefüllt.";
}

}  // namespace fw
