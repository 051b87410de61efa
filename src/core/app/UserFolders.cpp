#include "core/app/UserFolders.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace fw {
namespace {

// The folder named by an XDG variable, or HOME + the fallback below it; "" when neither is an
// absolute path.
std::string XdgFolder(const char* variable, const char* homeFallback) {
  std::string base;
  if (const char* value = std::getenv(variable); value && value[0] == '/') {
    base = value;
  } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
    base = std::string(home) + homeFallback;
  } else {
    return {};
  }
  if (base.back() != '/') base += '/';
  return base + "fuellwerk/";
}

}  // namespace

std::string UserConfigFolder() { return XdgFolder("XDG_CONFIG_HOME", "/.config"); }
std::string UserDataFolder() { return XdgFolder("XDG_DATA_HOME", "/.local/share"); }

bool MakeFolders(const std::string& path) {
  if (path.empty()) return false;
  for (size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos < path.size() && path[pos] != '/') continue;
    const std::string part = path.substr(0, pos);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat info{};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace fw
