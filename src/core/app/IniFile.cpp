#include "core/app/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <vector>

#include "core/app/Utilities.h"
#include "core/app/WholeFile.h"
#include "core/platform/FileIo.h"
#include "core/platform/TextTrim.h"

namespace fw {
namespace {

constexpr size_t kMaxValue = 4095;  // the longest value GetString hands out

constexpr uint64_t kMaxFileSize = 16 << 20;  // a settings file is a few hundred bytes


// One line of the file: its text and its own line end ("\r\n", "\n", "\r" or none at the end
// of the file), kept so that a rewrite leaves every other line byte-identical.
struct Line {
  std::string_view Text;
  std::string_view End;
};

// The line that starts at `start` (before the end of `data`); `start` moves past its end.
Line NextLine(std::string_view data, size_t& start) {
  size_t pos = start;
  while (pos < data.size() && data[pos] != '\r' && data[pos] != '\n') ++pos;
  size_t endLen = 0;
  if (pos < data.size()) endLen = data[pos] == '\r' && pos + 1 < data.size() && data[pos + 1] == '\n' ? 2 : 1;
  const Line line{data.substr(start, pos - start), data.substr(pos, endLen)};
  start = pos + endLen;
  return line;
}

std::vector<Line> SplitLines(std::string_view data) {
  std::vector<Line> lines;
  for (size_t start = 0; start < data.size();) lines.push_back(NextLine(data, start));
  return lines;
}

// "[name]" (blanks around allowed): true and the name.
bool SectionName(std::string_view line, std::string_view& name) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return false;
  const size_t close = line.find(']');
  if (close == std::string_view::npos) return false;
  name = Trim(line.substr(1, close - 1));
  return true;
}

// "key=value": true with the trimmed key and value.
bool Entry(std::string_view line, std::string_view& key, std::string_view& value) {
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  key = Trim(line.substr(0, eq));
  value = Trim(line.substr(eq + 1));
  return !key.empty();
}

// Finds the first entry of the key in the first section of that name. Returns false when the
// section or the key is missing.
bool FindValue(std::string_view data, std::string_view section, std::string_view key,
               std::string_view& value) {
  bool inSection = false, seenSection = false;
  for (size_t start = 0; start < data.size();) {
    const Line line = NextLine(data, start);
    std::string_view name, k, v;
    if (SectionName(line.Text, name)) {
      if (inSection) return false;  // the first section of that name has ended
      inSection = !seenSection && EqualIgnoringCase(name, section);
      seenSection |= inSection;
      continue;
    }
    if (inSection && Entry(line.Text, k, v) && EqualIgnoringCase(k, key)) {
      value = v;
      return true;
    }
  }
  return false;
}

// Writes the whole file beside the old one and renames it over it, so that a reader never sees
// half a file. Keeps the old file's permissions. Silent on failure; the old file stays.
void ReplaceFile(const std::string& path, const std::string& data) {
  std::string tmp = path + ".XXXXXX";
  const int fd = mkstemp(tmp.data());
  if (fd < 0) return;
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) fchmod(fd, st.st_mode & 07777);
  else fchmod(fd, 0644 & ~[] { mode_t m = umask(0); umask(m); return m; }());
  bool ok = WriteAll(fd, data);
  ok = ok && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(tmp.c_str(), path.c_str()) != 0) unlink(tmp.c_str());
}

}  // namespace

void IniFile::Init(const std::string& fileName) {
  fullPath_ = fileName;
  if (fullPath_.find('.') == std::string::npos) fullPath_ += ".INI";
  if (fullPath_.find('/') == std::string::npos) {
    std::vector<char> cwd(PATH_MAX);
    if (getcwd(cwd.data(), cwd.size())) {
      std::string dir = cwd.data();
      if (dir.empty() || dir.back() != '/') dir += '/';
      fullPath_ = dir + fullPath_;
    }
  }
}

std::string IniFile::Path() const {
  const size_t slash = fullPath_.rfind('/');
  return slash == std::string::npos ? std::string() : fullPath_.substr(0, slash + 1);
}

std::string IniFile::GetString(std::string_view section, std::string_view key) const {
  std::string data;
  std::string_view value;
  if (ReadWholeFile(fullPath_, kMaxFileSize, data) != WholeFileRead::Ok ||
      !FindValue(data, section, key, value))
    return {};
  return std::string(value.substr(0, kMaxValue));
}

uint32_t IniFile::GetInt(std::string_view section, std::string_view key) const {
  const std::string text = GetString(section, key);
  uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return 0;
  return value;
}

bool IniFile::GetLogic(std::string_view section, std::string_view key) const {
  return Usual2Logic(Value(GetString(section, key)));
}

std::string IniFile::GetPath(std::string_view section, std::string_view key) const {
  // Folder names keep their letter case here: file names are case-sensitive on this system.
  std::string path = GetString(section, key);
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

void IniFile::WriteString(std::string_view section, std::string_view key,
                          std::string_view value) const {
  std::string data;
  // A missing file is created below; one that cannot be read (or is far too large) is never
  // replaced.
  const WholeFileRead read = ReadWholeFile(fullPath_, kMaxFileSize, data);
  if (read == WholeFileRead::Unreadable || read == WholeFileRead::TooLarge) return;
  const std::vector<Line> lines = SplitLines(data);

  std::string out;
  out.reserve(data.size() + key.size() + value.size() + section.size() + 8);
  bool inSection = false, seenSection = false, written = false;
  size_t insertAfter = SIZE_MAX;  // index of the section's last non-empty line
  for (size_t i = 0; i < lines.size() && !written; ++i) {
    std::string_view name, k, v;
    if (SectionName(lines[i].Text, name)) {
      if (inSection) break;
      inSection = !seenSection && EqualIgnoringCase(name, section);
      seenSection |= inSection;
      if (inSection) insertAfter = i;
      continue;
    }
    if (!inSection) continue;
    if (!Trim(lines[i].Text).empty()) insertAfter = i;
    if (Entry(lines[i].Text, k, v) && EqualIgnoringCase(k, key)) {
      // Replace this entry in place, keeping the key as the file spells it and the line end.
      for (size_t j = 0; j < i; ++j) out.append(lines[j].Text).append(lines[j].End);
      out.append(k).append("=").append(value);
      out.append(lines[i].End.empty() && i + 1 < lines.size() ? "\r\n" : lines[i].End);
      for (size_t j = i + 1; j < lines.size(); ++j) out.append(lines[j].Text).append(lines[j].End);
      written = true;
    }
  }
  if (!written) {
    const std::string entry = std::string(key) + "=" + std::string(value) + "\r\n";
    if (insertAfter != SIZE_MAX) {
      for (size_t j = 0; j < lines.size(); ++j) {
        out.append(lines[j].Text).append(lines[j].End);
        if (j == insertAfter) {
          if (lines[j].End.empty()) out.append("\r\n");
          out.append(entry);
        }
      }
    } else {
      out = data;
      if (!out.empty() && out.back() != '\n' && out.back() != '\r') out.append("\r\n");
      out.append("[").append(section).append("]\r\n").append(entry);
    }
  }
  ReplaceFile(fullPath_, out);
}

void IniFile::WriteInt(std::string_view section, std::string_view key, uint32_t value) const {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteLogic(std::string_view section, std::string_view key, bool value) const {
  WriteString(section, key, value ? "1" : "0");
}

bool Usual2Logic(const Value& value) {
  switch (value.GetType()) {
    case Value::Type::Logic: return value.AsLogic();
    case Value::Type::Number: return value.AsNumber() == 1.0;
    case Value::Type::Text: {
      std::string probe = "_";
      for (char c : value.AsText()) probe += AsciiLower(c);
      probe += "_";
      return std::string_view("_ein_/_on_/_ja_/_yes_/_true_/_j_/_y_/_1_").find(probe) !=
             std::string_view::npos;
    }
    default: return false;
  }
}

}  // namespace fw
