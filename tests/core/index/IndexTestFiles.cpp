#include "core/index/IndexTestFiles.h"

#include <cstdio>
#include <functional>
#include <stdexcept>

#include "support/TempDir.h"

namespace fw::test {

namespace {
uint32_t U16(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8;
}
uint32_t U32(const std::string& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }
}  // namespace

std::string CommandOutput(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

std::string IndexData(const std::string& name) {
  return std::string(FW_SOURCE_DIR) + "/tests/core/index/data/" + name;
}

RawTable ReadRawTable(const std::string& path) {
  const std::string b = ReadFileBytes(path);
  const uint32_t count = U32(b, 4), headerLength = U16(b, 8), recordLength = U16(b, 10);
  struct Field {
    std::string Name;
    size_t At, Length;
  };
  std::vector<Field> fields;
  size_t at = 1;
  for (size_t d = 32; d + 32 <= headerLength && b[d] != '\r'; d += 32) {
    std::string name = b.substr(d, 11);
    name.resize(name.find('\0') == std::string::npos ? 11 : name.find('\0'));
    const size_t length = uint8_t(b[d + 16]);
    fields.push_back({name, at, length});
    at += length;
  }
  RawTable table;
  for (uint32_t r = 0; r < count; ++r) {
    const std::string record = b.substr(headerLength + size_t(r) * recordLength, recordLength);
    std::map<std::string, std::string> values;
    for (const Field& f : fields) values[f.Name] = record.substr(f.At, f.Length);
    table.Records.push_back(values);
    table.Deleted.push_back(record[0] == '*');
  }
  return table;
}

KeyList WalkNtx(const std::string& path) {
  const std::string b = ReadFileBytes(path);
  const uint32_t keySize = U16(b, 14);
  KeyList keys;
  std::function<void(uint32_t, int)> walk = [&](uint32_t page, int depth) {
    if (depth > 20 || page == 0 || page + 1024 > b.size()) throw std::runtime_error("bad page");
    const uint32_t count = U16(b, page);
    for (uint32_t i = 0; i <= count; ++i) {
      const uint32_t item = page + U16(b, page + 2 + 2 * i);
      const uint32_t child = U32(b, item);
      if (child) walk(child, depth + 1);
      if (i < count) keys.emplace_back(b.substr(item + 8, keySize), U32(b, item + 4));
    }
  };
  walk(U32(b, 4), 0);
  return keys;
}

KeyList WalkNdx(const std::string& path) {
  const std::string b = ReadFileBytes(path);
  const uint32_t keyLength = U16(b, 12), entry = U16(b, 18);
  KeyList keys;
  std::function<void(uint32_t, int)> walk = [&](uint32_t block, int depth) {
    const size_t at = size_t(block) * 512;
    if (depth > 20 || block == 0 || at + 512 > b.size()) throw std::runtime_error("bad block");
    const uint32_t count = U32(b, at);
    if (U32(b, at + 4) != 0) {  // inner block: count keys, count + 1 children
      for (uint32_t i = 0; i <= count; ++i) walk(U32(b, at + 4 + i * entry), depth + 1);
      return;
    }
    for (uint32_t i = 0; i < count; ++i) {
      const size_t e = at + 4 + i * entry;
      keys.emplace_back(b.substr(e + 8, keyLength), U32(b, e + 4));
    }
  };
  walk(U32(b, 0), 0);
  return keys;
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  return text;
}

std::string Str(double number, int width, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%*.*f", width, decimals, number);
  return text;
}

}  // namespace fw::test
