#pragma once
#include <cstdint>
#include <string>

namespace fw {

// How a rules file (and the window's parameter lines) spell where a field filled from another
// table takes its values: QUELLE=Tabelle with the table, its field, the key field a looked-up
// field goes with, and the children per parent.
inline constexpr const char* kTableKey = "TABELLE";
inline constexpr const char* kParentFieldKey = "FELD";
inline constexpr const char* kWithKey = "MIT";
inline constexpr const char* kPerParentKey = "JE";

// "MIN..MAX" with whole numbers of at most six digits, MIN not above MAX and MAX above 0.
bool ParsePerParent(const std::string& text, uint32_t& min, uint32_t& max);

// The path of the table TABELLE names (`table` in Windows-1252, as written): as written when
// absolute, else beside the rules file at `rulesPath` when it is there, else beside the target
// table at `targetPath`. The path is the file system's (UTF-8), lexically normal.
std::string ResolveTablePath(const std::string& table, const std::string& rulesPath,
                             const std::string& targetPath);

// What TABELLE is to say (Windows-1252) for the table at `path` in a rules file in the folder
// `rulesFolder` ("" for text that is no file) of the target at `targetPath`, so that reading
// it back finds `path` again: `written` when it still does, else the path relative to the
// target's folder when the table lies in it or below, else the absolute path.
std::string TableNameFor(const std::string& path, const std::string& written,
                         const std::string& rulesFolder, const std::string& targetPath);

}  // namespace fw
