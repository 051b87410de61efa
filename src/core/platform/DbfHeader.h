#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/platform/DBServer.h"
#include "core/platform/DbfVersion.h"
#include "core/platform/FileIo.h"

namespace fw {


// A field of the table as the engine needs it: the structure row plus its place in the record.
struct DbfField {
  FieldInfo Info;
  uint32_t Offset = 0;  // from the start of the record (byte 0 is the deletion flag)
  uint32_t Descriptor = 0;  // where the field's descriptor starts in the header
  // An autoincrement integer, whose next value the table keeps in the field's descriptor:
  // Visual FoxPro's (flags 0Ch in byte 18): the next value in bytes 19-22 (little-endian), the
  // step in byte 23; dBase 7's (type +): the next value in bytes 40-43 (little-endian), step 1.
  bool AutoIncrement = false;
  // Visual FoxPro's _NullFlags: each varchar and varbinary field (V, Q) has a bit that says its
  // value is shorter than the field (its length then in the field's last byte), and each field
  // that may be null (flags 02h in byte 18) a bit that says it is .NULL., the null bit after
  // the length bit; bits counted from the lowest of the first byte, in field order. -1: none.
  int VarLengthBit = -1;
  int NullBit = -1;
};

// The DBF file header (32 bytes, then one 32-byte descriptor per field, then 0Dh):
//   0      version byte (03h, 07h, 83h, 87h, 8Bh, F5h; Visual FoxPro 30h, 31h, 32h)
//   1-3    date of last update: year - 1900, month, day
//   4-7    record count, little-endian
//   8-9    header length in bytes, little-endian
//   10-11  record length in bytes, including the deletion flag, little-endian
//   28     production index (MDX/CDX) flag
//   29     language-driver id (code page)
// Descriptor: 0-10 name (NUL padded), 11 type, 16 length, 17 decimals (for Clipper's long
// character fields, the high byte of the length).
//
// dBase 7 (04h, 8Ch) keeps the first 32 bytes, then 32-63 the language driver's name (NUL
// padded, "DBWINUS0", "DB437DE0", ...) and 4 reserved bytes; its descriptors start at 68 and
// take 48 bytes each: 0-31 name (NUL padded, up to 31 characters), 32 type, 33 length,
// 34 decimals, 37 production-index flag, 40-43 next autoincrement value. After the 0Dh the
// header may hold a structure of field properties, counted in the header length.
struct DbfHeader {
  uint8_t Version = 0x03;
  uint32_t RecCount = 0;
  uint16_t HeaderLength = 0;
  uint16_t RecordLength = 0;
  uint8_t ProductionIndex = 0;
  uint8_t LanguageDriver = 0;
  std::string LanguageDriverName;  // dBase 7: the name in bytes 32-63, without its padding
  std::vector<DbfField> Fields;
  // Visual FoxPro: a field whose values the table counts on, of a type other than the 4-byte
  // integer the program counts on with it.
  bool HasAutoIncrement = false;
  uint32_t NullFlagsOffset = 0;  // Visual FoxPro: where _NullFlags is in a record, 0: none
  std::string Bytes;  // the header as read, kept byte for byte

  bool HasMemoFields() const;
};

// Reads and checks the header of an open table. Raises a corruption failure (with a German
// description of what is wrong) for anything that breaks the format, or that the file's size
// cannot hold. Reads no more than the header length, which is at most 65535 bytes.
DbfHeader ReadDbfHeader(const File& file);

// Visual FoxPro tables (30h, 31h, 32h): 263 bytes of database backlink after the field list,
// memo fields as 4-byte block numbers in an .fpt file, binary field types and _NullFlags.
bool IsVisualFoxPro(uint8_t version);

// Checks a structure for a new table and builds its header (record count 0, today's date).
// Raises a failure with generic code "create" for an invalid structure.
DbfHeader BuildDbfHeader(const std::vector<FieldInfo>& fields, uint8_t version,
                         uint8_t languageDriver, const std::string& fileName);

// Writes the record count and today's date into header bytes 1-7.
void StampDbfHeader(std::string& headerBytes, uint32_t recCount);

}  // namespace fw
