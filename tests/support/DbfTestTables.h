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

}  // namespace fw::test
