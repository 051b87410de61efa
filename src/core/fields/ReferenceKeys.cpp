#include "core/fields/ReferenceKeys.h"

#include <filesystem>

#include "core/app/Utilities.h"
#include "core/platform/CodePage.h"
#include "core/platform/TextTrim.h"

namespace fw {
namespace fs = std::filesystem;

bool ParsePerParent(const std::string& text, uint32_t& min, uint32_t& max) {
  const size_t dots = text.find("..");
  if (dots == std::string::npos) return false;
  const std::string a(Trim(std::string_view(text).substr(0, dots)));
  const std::string b(Trim(std::string_view(text).substr(dots + 2)));
  if (a.empty() || b.empty() || a.size() > 6 || b.size() > 6 || !AllDigits(a) || !AllDigits(b))
    return false;
  min = uint32_t(std::stoul(a));
  max = uint32_t(std::stoul(b));
  return min <= max && max > 0;
}

std::string ResolveTablePath(const std::string& table, const std::string& rulesPath,
                             const std::string& targetPath) {
  const fs::path written(Cp1252ToUtf8(table));
  if (written.is_absolute()) return written.lexically_normal().string();
  std::error_code ec;
  const fs::path besideRules = fs::path(rulesPath).parent_path() / written;
  if (!rulesPath.empty() && fs::exists(besideRules, ec)) return besideRules.lexically_normal().string();
  return (fs::path(targetPath).parent_path() / written).lexically_normal().string();
}

std::string TableNameFor(const std::string& path, const std::string& written,
                         const std::string& rulesFolder, const std::string& targetPath) {
  const std::string rulesPath = rulesFolder.empty() ? std::string() : rulesFolder + "/x";
  const std::string wanted = fs::path(path).lexically_normal().string();
  if (!written.empty() && ResolveTablePath(written, rulesPath, targetPath) == wanted) return written;
  const fs::path folder = fs::path(targetPath).parent_path().lexically_normal();
  const fs::path relative = fs::path(wanted).lexically_relative(folder);
  if (!folder.empty() && !relative.empty() && *relative.begin() != "..") {
    const std::string name = Utf8ToCp1252(relative.generic_string());
    if (ResolveTablePath(name, rulesPath, targetPath) == wanted) return name;
  }
  return Utf8ToCp1252(wanted);
}

}  // namespace fw
