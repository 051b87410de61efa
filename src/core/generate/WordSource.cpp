#include "core/generate/WordSource.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "core/app/Utilities.h"
#include "core/app/WholeFile.h"
#include "core/platform/CodePage.h"

namespace fw {
namespace {

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

bool IsPlainSourceName(std::string_view name) {
  if (name.empty() || name == "." || name.find("..") != std::string_view::npos) return false;
  for (unsigned char c : name)
    if (c == '/' || c == '\\' || c < 32 || c == 127) return false;
  return true;
}

std::string FindSourceFile(const std::string& folder, std::string_view name) {
  if (!IsPlainSourceName(name)) return {};
  // File names on this system are UTF-8; the source name is Windows-1252.
  const std::string wanted = Cp1252ToUtf8(name) + ".txt";
  if (IsRegularFile(folder + wanted)) return folder + wanted;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return {};
  std::vector<std::string> matches;
  while (const dirent* entry = ::readdir(dir)) {
    if (EqualIgnoringCase(entry->d_name, wanted)) matches.emplace_back(entry->d_name);
  }
  ::closedir(dir);
  std::sort(matches.begin(), matches.end());
  for (const std::string& match : matches)
    if (IsRegularFile(folder + match)) return folder + match;
  return {};
}

WordFileRead ReadWordFile(const std::string& path, std::string& text) {
  switch (ReadCp1252TextFile(path, kMaxWordFileBytes, text)) {
    case WholeFileRead::Ok: return WordFileRead::Ok;
    case WholeFileRead::Missing: return WordFileRead::Missing;
    case WholeFileRead::Unreadable: return WordFileRead::Unreadable;
    case WholeFileRead::TooLarge: return WordFileRead::TooLarge;
  }
  return WordFileRead::Unreadable;
}

std::vector<std::string> SplitWordList(std::string_view text) { return String2Array(text, ","); }

std::vector<std::string> NonEmptyEntries(std::vector<std::string> entries) {
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [](const std::string& e) { return e.empty(); }),
                entries.end());
  return entries;
}

}  // namespace fw
