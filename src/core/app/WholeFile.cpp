#include "core/app/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/platform/CodePage.h"
#include "core/platform/FileIo.h"

namespace fw {

WholeFileRead ReadWholeFile(const std::string& path, uint64_t maxBytes, std::string& out) {
  out.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? WholeFileRead::Missing : WholeFileRead::Unreadable;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return WholeFileRead::Unreadable;
  }
  if (uint64_t(st.st_size) > maxBytes) {
    ::close(fd);
    return WholeFileRead::TooLarge;
  }
  out.resize(size_t(st.st_size));
  const size_t done = ReadUpTo(fd, out.data(), out.size());
  ::close(fd);
  out.resize(done);
  return WholeFileRead::Ok;
}

WholeFileRead ReadCp1252TextFile(const std::string& path, uint64_t maxBytes, std::string& out) {
  const WholeFileRead read = ReadWholeFile(path, maxBytes, out);
  if (read != WholeFileRead::Ok) return read;
  if (IsUtf8WithNonAscii(out)) {
    std::string_view body = out;
    if (body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
    out = Utf8ToCp1252(body);
  } else if (out.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    out.erase(0, 3);  // a byte-order mark on plain ASCII
  }
  return WholeFileRead::Ok;
}

}  // namespace fw
