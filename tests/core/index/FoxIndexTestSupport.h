// Helpers of the FoxPro index tests: keys handed to a writer from memory, the keys a table's
// records give, and DBD-XBase's XBase::Index as the outside reader.
#pragma once
#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/index/FoxIndexTree.h"
#include "core/index/IndexFile.h"
#include "core/platform/DBServer.h"

namespace fw::test {

// Sorted keys from memory, as the rebuild's sorter will hand them over.
class VectorKeys : public SortedKeys {
public:
  explicit VectorKeys(std::vector<FoxIndexEntry> entries) : entries_(std::move(entries)) {}
  bool Next(std::string& key, uint32_t& recNo) override {
    if (next_ == entries_.size()) return false;
    key = entries_[next_].Key;
    recNo = entries_[next_++].RecNo;
    return true;
  }
  uint64_t Count() const override { return entries_.size(); }

private:
  std::vector<FoxIndexEntry> entries_;
  size_t next_ = 0;
};

// How a test computes one tag's key by hand: the key's value on the current record and
// whether the FOR condition takes it.
struct KeyRecipe {
  char Type = 'C';
  std::function<Value(DBServer&)> Key;
  std::function<bool(DBServer&)> Takes = [](DBServer&) { return true; };
};

inline std::string AsciiUpper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return text;
}

// The tag's keys over every record of the table, in index order (key bytes, then record),
// cut to the first record of each key for a unique tag.
inline std::vector<FoxIndexEntry> KeysOfTable(const std::string& dbf, const IndexFormatHandler& handler,
                                           const IndexFileInfo& info, const IndexTag& tag,
                                           const KeyRecipe& recipe) {
  DBServer table(dbf, false, true);
  std::vector<FoxIndexEntry> keys;
  for (uint32_t rec = 1; rec <= table.RecCount(); ++rec) {
    table.GoTo(rec);
    if (recipe.Takes(table)) keys.push_back({handler.SortKey(info, tag, recipe.Key(table)), rec});
  }
  std::sort(keys.begin(), keys.end(), [](const FoxIndexEntry& a, const FoxIndexEntry& b) {
    return a.Key != b.Key ? a.Key < b.Key : a.RecNo < b.RecNo;
  });
  if (tag.Unique)
    keys.erase(std::unique(keys.begin(), keys.end(),
                           [](const FoxIndexEntry& a, const FoxIndexEntry& b) { return a.Key == b.Key; }),
               keys.end());
  return keys;
}

inline bool HaveXBaseIndex() {
  static const bool have = std::system("perl -MXBase::Index -e 1 >/dev/null 2>&1") == 0;
  return have;
}

// Key (as the module prints it) and record number of every entry, in the order DBD-XBase's
// XBase::Index fetches them; `tag` empty for a single-key file, `type` the key's type. Date
// keys are read as the numbers they are stored as: the module turns them into dates only
// with Time::JulianDay, which Debian does not package.
inline std::vector<std::pair<std::string, uint32_t>> XBaseIndexEntries(const std::string& path,
                                                                      const std::string& tag,
                                                                      char type) {
  const std::string script =
      "my ($f, $t, $y) = @ARGV; my $i = XBase::Index->new($f, (length $t ? (tag => $t) : ()), "
      "type => $y) or die XBase::Index->errstr; $i->prepare_select; "
      "while (my ($k, $r) = $i->fetch) { print \"$k\\t$r\\n\" }";
  const std::string command = "perl -MXBase::Index -e '" + script + "' '" + path + "' '" + tag +
                              "' " + std::string(1, type == 'D' ? 'N' : type) + " 2>&1";
  std::vector<std::pair<std::string, uint32_t>> entries;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
    size_t at = 0;
    while (at < out.size()) {
      const size_t end = out.find('\n', at);
      const std::string line = out.substr(at, end - at);
      const size_t tab = line.rfind('\t');
      entries.emplace_back(line.substr(0, tab),
                           tab == std::string::npos ? 0 : uint32_t(std::stoul(line.substr(tab + 1))));
      at = end == std::string::npos ? out.size() : end + 1;
    }
  }
  return entries;
}

inline std::vector<uint32_t> RecordsOf(const std::vector<FoxIndexEntry>& entries) {
  std::vector<uint32_t> records;
  for (const FoxIndexEntry& e : entries) records.push_back(e.RecNo);
  return records;
}
inline std::vector<uint32_t> RecordsOf(const std::vector<std::pair<std::string, uint32_t>>& entries) {
  std::vector<uint32_t> records;
  for (const auto& e : entries) records.push_back(e.second);
  return records;
}

}  // namespace fw::test
