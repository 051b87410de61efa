#include "core/fields/IndexFilesKey.h"

#include <algorithm>
#include <filesystem>

#include "core/platform/TextTrim.h"

namespace fw {
namespace fs = std::filesystem;

namespace {

fs::path Absolute(const std::string& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(fs::path(path), ec);
  return (ec ? fs::path(path) : absolute).lexically_normal();
}

}  // namespace

std::string FolderOfFile(const std::string& path) {
  return fs::path(path).parent_path().string();
}

std::string IndexFilesLine(const std::vector<std::string>& files, const std::string& rulesFolder) {
  std::string line;
  for (const std::string& file : files) {
    // A path with a comma or a line break could not be read back from the line.
    if (file.empty() || file.find_first_of(",\r\n") != std::string::npos) continue;
    std::string shown = file;
    if (!rulesFolder.empty()) {
      const fs::path absolute = Absolute(file);
      const fs::path relative = absolute.lexically_relative(Absolute(rulesFolder));
      const bool below = !relative.empty() && *relative.begin() != "..";
      shown = below ? relative.generic_string() : absolute.string();
    }
    line += (line.empty() ? "" : ",") + shown;
  }
  return line.empty() ? line : std::string(kIndexFilesKey) + "=" + line + "\n";
}

std::vector<std::string> ParseIndexFiles(const std::string& value, const std::string& rulesFolder) {
  std::vector<std::string> files;
  size_t start = 0;
  while (start <= value.size()) {
    size_t end = value.find(',', start);
    if (end == std::string::npos) end = value.size();
    const std::string piece(Trim(std::string_view(value).substr(start, end - start)));
    start = end + 1;
    if (piece.empty()) continue;
    fs::path path(piece);
    if (path.is_relative() && !rulesFolder.empty()) path = fs::path(rulesFolder) / path;
    const std::string file = path.lexically_normal().string();
    if (std::find(files.begin(), files.end(), file) == files.end()) files.push_back(file);
  }
  return files;
}

}  // namespace fw
