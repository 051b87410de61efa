#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// The tests' own readers of tables and index files: they walk the trees without the code under
// test, so that a rebuilt file can be compared with the one another program wrote.
namespace fw::test {

// A DBF file's records as raw field bytes by field name, and their deletion flags.
struct RawTable {
  std::vector<std::map<std::string, std::string>> Records;
  std::vector<bool> Deleted;
};
RawTable ReadRawTable(const std::string& path);

using KeyList = std::vector<std::pair<std::string, uint32_t>>;  // key bytes, record number
// Every key of an NTX file in tree order (in-order walk from the root).
KeyList WalkNtx(const std::string& path);
// Every key of an NDX file in tree order (its leaves from left to right).
KeyList WalkNdx(const std::string& path);

// The key helpers the fixtures' expressions need.
// UPPER of ASCII letters only: the fixtures' text is UTF-8, whose letters Harbour's UPPER in
// its DEWIN code page leaves as they are.
std::string Upper(std::string text);
std::string Str(double number, int width, int decimals = 0);

// What a shell command prints (standard output).
std::string CommandOutput(const std::string& command);

// The directory in the source tree that holds the fixture copies.
std::string IndexData(const std::string& name);

}  // namespace fw::test
