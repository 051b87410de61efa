#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/platform/Value.h"

namespace fw {

// The settings file: Windows INI format, single-byte Windows-1252 text, CR LF line ends.
// Every operation reads or writes the file afresh; nothing is cached. Section and key names
// match without regard to case; values are trimmed when read. A write changes only the line
// of its entry (or adds the entry, the section or the file) and replaces the file atomically;
// a failed write is silent and leaves the old file as it was.
class IniFile {
public:
  IniFile() = default;
  explicit IniFile(const std::string& fileName) { Init(fileName); }

  // A name without any "." gets ".INI"; a name without a folder is placed in the current
  // working folder.
  void Init(const std::string& fileName);

  const std::string& FullPath() const { return fullPath_; }
  std::string Path() const;  // folder part, with its trailing "/"; "" when none

  std::string GetString(std::string_view section, std::string_view key) const;  // <= 4095 chars
  uint32_t GetInt(std::string_view section, std::string_view key) const;  // 0 unless a whole number
  bool GetLogic(std::string_view section, std::string_view key) const;
  std::string GetPath(std::string_view section, std::string_view key) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value) const;
  void WriteInt(std::string_view section, std::string_view key, uint32_t value) const;
  void WriteLogic(std::string_view section, std::string_view key, bool value) const;

private:
  std::string fullPath_;
};

// Truth of a setting: a logical as it is; a number when it equals 1; a text when it is one of
// ein, on, ja, yes, true, j, y, 1 in any letter case; anything else false.
bool Usual2Logic(const Value& value);

}  // namespace fw
