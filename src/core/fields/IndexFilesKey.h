#pragma once
#include <string>
#include <vector>

namespace fw {

// The index files a rules file names before its first section: INDEX=A.NTX, ../B.CDX
// (comma-separated; a relative path is relative to the rules file's folder). The rule set keeps
// them as paths the program opens.
inline constexpr const char* kIndexFilesKey = "INDEX";

// The key's line ("INDEX=KDNR.NTX,NAME.NTX\n") for the files `files`, written for a rules file
// in `rulesFolder`: a file in that folder or below it relative to it, any other one as an
// absolute path; a path with a comma or a line break is left out. "" when there are none. An empty folder writes the paths as they are.
std::string IndexFilesLine(const std::vector<std::string>& files, const std::string& rulesFolder);

// The paths the key's value `value` (UTF-8) names, relative ones taken from `rulesFolder`;
// empty pieces are skipped and a path named twice is kept once.
std::vector<std::string> ParseIndexFiles(const std::string& value, const std::string& rulesFolder);

// The folder of the file at `path` ("" for a name without one).
std::string FolderOfFile(const std::string& path);

}  // namespace fw
