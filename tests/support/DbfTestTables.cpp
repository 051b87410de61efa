#include "support/DbfTestTables.h"

#include <gtest/gtest.h>

namespace fw::test {

std::vector<FieldInfo> MixedFields() {
  return {{"NAME", 'C', 20, 0}, {"BETRAG", 'N', 10, 2}, {"DATUM", 'D', 8, 0},
          {"AKTIV", 'L', 1, 0}, {"NOTIZ", 'M', 10, 0},  {"ZAHL", 'F', 8, 3}};
}

std::string CreateTable(const std::string& path, const std::vector<FieldInfo>& fields,
                        const std::string& driver) {
  EXPECT_TRUE(DBServer::Create(path, fields, driver)) << path;
  return path;
}

std::string RawTable(uint8_t version, const std::vector<RawField>& fields,
                     uint16_t recordLength, uint8_t languageDriver) {
  const size_t headerLength = 32 + 32 * fields.size() + 1;
  std::string b(headerLength, '\0');
  b[0] = char(version);
  b[1] = char(124);  // 2024-01-01
  b[2] = b[3] = 1;
  b[8] = char(headerLength & 0xFF);
  b[9] = char(headerLength >> 8);
  if (recordLength == 0) {
    recordLength = 1;
    for (const RawField& f : fields) recordLength = uint16_t(recordLength + f.Length);
  }
  b[10] = char(recordLength & 0xFF);
  b[11] = char(recordLength >> 8);
  b[29] = char(languageDriver);
  size_t at = 32;
  for (const RawField& f : fields) {
    b.replace(at, std::min<size_t>(11, f.Name.size()), f.Name.substr(0, 11));
    b[at + 11] = f.Type;
    b[at + 16] = char(f.Length);
    b[at + 17] = char(f.Decimals);
    at += 32;
  }
  b[at] = 0x0D;
  b.push_back(0x1A);
  return b;
}

std::string VisualFoxProTable(uint8_t flagsOfZahl) {
  const std::vector<RawField> fields = {{"NAME", 'C', 10, 0}, {"NOTE", 'V', 20, 0},
                                        {"ZAHL", 'I', 4, 0},  {"PREIS", 'Y', 8, 4},
                                        {"ZEIT", 'T', 8, 0},  {"MEMO", 'M', 4, 0},
                                        {"_NullFlags", '0', 1, 0}};
  std::string b = RawTable(0x30, fields, 0, 0x03);
  b.pop_back();  // the end-of-file mark comes after the backlink
  size_t offset = 1;
  for (size_t i = 0; i < fields.size(); ++i) {
    char* d = b.data() + 32 + 32 * i;
    d[12] = char(offset);
    offset += fields[i].Length;
  }
  b[32 + 32 * 1 + 18] = 0x02;  // NOTE may be null
  b[32 + 32 * 2 + 18] = char(flagsOfZahl);
  b[32 + 32 * 6 + 18] = 0x05;  // _NullFlags: a hidden system field
  b.append(263, '\0');
  const size_t headerLength = b.size();
  b[8] = char(headerLength & 0xFF);
  b[9] = char(headerLength >> 8);
  b.push_back(0x1A);
  return b;
}

std::string EmptyFpt() {
  std::string m(512, '\0');
  m[3] = 8;   // next free block, big-endian
  m[7] = 64;  // block size, big-endian
  return m;
}

std::string Dbase7Table(uint8_t version, const std::vector<RawField>& fields,
                        const std::string& languageDriverName, const std::string& properties,
                        uint32_t nextAutoIncrement) {
  const size_t headerLength = 68 + 48 * fields.size() + 1 + properties.size();
  std::string b(68 + 48 * fields.size(), '\0');
  b[0] = char(version);
  b[1] = char(124);  // 2024-01-01
  b[2] = b[3] = 1;
  b[8] = char(headerLength & 0xFF);
  b[9] = char(headerLength >> 8);
  size_t recordLength = 1;
  for (const RawField& f : fields) recordLength += f.Length;
  b[10] = char(recordLength & 0xFF);
  b[11] = char(recordLength >> 8);
  b.replace(32, std::min<size_t>(32, languageDriverName.size()), languageDriverName.substr(0, 32));
  size_t at = 68;
  for (const RawField& f : fields) {
    b.replace(at, std::min<size_t>(32, f.Name.size()), f.Name.substr(0, 32));
    b[at + 32] = f.Type;
    b[at + 33] = char(f.Length);
    b[at + 34] = char(f.Decimals);
    if (f.Type == '+')
      for (int i = 0; i < 4; ++i) b[at + 40 + size_t(i)] = char(nextAutoIncrement >> (8 * i));
    at += 48;
  }
  b.push_back(0x0D);
  b += properties;
  b.push_back(0x1A);
  return b;
}

std::string EmptyDbt4() {
  std::string m(512, '\0');
  m[0] = 1;                  // next free block, little-endian
  m[20] = char(512 & 0xFF);  // block size, little-endian
  m[21] = char(512 >> 8);
  return m;
}

}  // namespace fw::test
