#include "core/app/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += size_t(n);
  }
  ::close(fd);
  out.resize(done);
  return WholeFileRead::Ok;
}

}  // namespace fw
