#include "core/generate/WordSource.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/app/Utilities.h"
#include "core/platform/CodePage.h"

namespace fw {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

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
    if (EqualNoCase(entry->d_name, wanted)) matches.emplace_back(entry->d_name);
  }
  ::closedir(dir);
  std::sort(matches.begin(), matches.end());
  for (const std::string& match : matches)
    if (IsRegularFile(folder + match)) return folder + match;
  return {};
}

WordFileRead ReadWordFile(const std::string& path, std::string& text) {
  text.clear();
  // O_NONBLOCK: a FIFO put in place of a word file must not hang the run.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? WordFileRead::Missing : WordFileRead::Unreadable;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return WordFileRead::Unreadable;
  }
  if (uint64_t(st.st_size) > kMaxWordFileBytes) {
    ::close(fd);
    return WordFileRead::TooLarge;
  }
  text.resize(size_t(st.st_size));
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the file shrank meanwhile: take what was there
    done += size_t(n);
  }
  ::close(fd);
  text.resize(done);
  if (IsUtf8WithNonAscii(text)) {
    std::string_view body = text;
    if (body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
    text = Utf8ToCp1252(body);
  } else if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    text.erase(0, 3);  // a byte-order mark on plain ASCII
  }
  return WordFileRead::Ok;
}

std::vector<std::string> SplitWordList(std::string_view text) { return String2Array(text, ","); }

std::vector<std::string> NonEmptyEntries(std::vector<std::string> entries) {
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [](const std::string& e) { return e.empty(); }),
                entries.end());
  return entries;
}

}  // namespace fw
