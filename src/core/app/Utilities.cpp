#include "core/app/Utilities.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <vector>

#include "core/platform/TextTrim.h"

namespace fw {
namespace {
// Blanks, tabs and line breaks around a piece are not part of it: a word file may break its
// lines after a comma.
std::string_view TrimBlanks(std::string_view s) { return Trim(s, " \t\r\n"); }
}  // namespace

std::vector<std::string> String2Array(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  if (separator.empty()) {
    pieces.emplace_back(TrimBlanks(text));
    return pieces;
  }
  size_t start = 0;
  for (;;) {
    const size_t pos = text.find(separator, start);
    if (pos == std::string_view::npos) break;
    pieces.emplace_back(TrimBlanks(text.substr(start, pos - start)));
    start = pos + separator.size();
  }
  pieces.emplace_back(TrimBlanks(text.substr(start)));
  return pieces;
}

std::string NumberText(double n) {
  char text[64];
  std::snprintf(text, sizeof text, "%.15g", n);
  return text;
}

bool IsDirectory(const std::string& path) {
  std::string p = path;
  if (p.size() > 1 && p.back() == '/') p.pop_back();
  struct stat st {};
  return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

uint16_t MakeLangID(uint16_t primary, uint16_t sub) { return uint16_t(sub * 1024 + primary); }

std::string ProgramFolder() {
  std::vector<char> buf(PATH_MAX + 1);
  const ssize_t n = readlink("/proc/self/exe", buf.data(), PATH_MAX);
  if (n <= 0) return "./";
  std::string exe(buf.data(), size_t(n));
  return exe.substr(0, exe.rfind('/') + 1);
}

}  // namespace fw
