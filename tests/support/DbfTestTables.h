#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/platform/DBServer.h"

namespace fw::test {

// A table with one field of each kind the engine fills:
// NAME C(20), BETRAG N(10,2), DATUM D, AKTIV L, NOTIZ M, ZAHL F(8,3).
std::vector<FieldInfo> MixedFields();

// Creates a table and returns its path; fails the current test when it cannot.
std::string CreateTable(const std::string& path, const std::vector<FieldInfo>& fields,
                        const std::string& driver = "DBFNTX");

// A field descriptor as another program may write it: the name's bytes as they are (up to
// 11), the type letter, the length and decimals bytes.
struct RawField {
  std::string Name;
  char Type = 'C';
  uint8_t Length = 0;
  uint8_t Decimals = 0;
};

// The bytes of an empty table built by hand after the published dBase layout: 32-byte header
// (version, date, record count 0, header and record length, language driver at 29), 32-byte
// descriptors, 0Dh, the end-of-file mark. `recordLength` 0: one plus the sum of the lengths.
std::string RawTable(uint8_t version, const std::vector<RawField>& fields,
                     uint16_t recordLength = 0, uint8_t languageDriver = 0);

// A Visual FoxPro table (30h) after the published layout: descriptors carry the field's offset
// (12-15) and flags (18); after the 0Dh come 263 bytes of database backlink. NAME C(10),
// NOTE V(20), ZAHL I, PREIS Y, ZEIT T, MEMO M(4), then the hidden _NullFlags. `flagsOfZahl`
// 0Ch makes ZAHL an autoincrement field.
std::string VisualFoxProTable(uint8_t flagsOfZahl = 0);
// An empty .fpt memo file: next free block 8, block size 64 (both big-endian).
std::string EmptyFpt();

// A dBase 7 table (04h; 8Ch with memo fields) after the published layout: the language
// driver's name at 32-63, 48-byte descriptors from 68 (the name's bytes up to 31, type at 32,
// length 33, decimals 34, next autoincrement value 40-43 little-endian for a + field), 0Dh,
// then `properties` (the field-properties structure, counted in the header length) and the
// end-of-file mark.
std::string Dbase7Table(uint8_t version, const std::vector<RawField>& fields,
                        const std::string& languageDriverName = "DBWINUS0",
                        const std::string& properties = "", uint32_t nextAutoIncrement = 1);
// An empty dBase IV / dBase 7 .dbt: next free block 1, block size 512 in bytes 20-21.
std::string EmptyDbt4();

}  // namespace fw::test
