// Files held in memory behind the table engine's file seam, so that a fuzz target runs
// without touching the disk. Shared by the fuzz targets (not a target itself).
#pragma once
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <string>

#include "core/platform/FileIo.h"

namespace fuzz {

class MemoryFiles : public fw::FileIo {
public:
  static constexpr size_t kDiskBytes = 64 << 20;  // beyond it a write fails as on a full disk

  std::map<std::string, std::string> Files;

  void Reset() {
    Files.clear();
    open_.clear();
  }

  int Open(const char* path, int flags, mode_t) override {
    auto it = Files.find(path);
    if (flags & O_CREAT) {
      if (it != Files.end() && (flags & O_EXCL)) return Fail(EEXIST);
      it = Files.emplace(path, std::string()).first;
    } else if (it == Files.end()) {
      return Fail(ENOENT);
    }
    if (flags & O_TRUNC) it->second.clear();
    const int fd = next_++;
    open_[fd] = &it->second;
    return fd;
  }
  ssize_t PRead(int fd, void* buffer, size_t size, off_t offset) override {
    std::string* data = Find(fd);
    if (!data || offset < 0) return Fail(EBADF);
    if (size_t(offset) >= data->size()) return 0;
    const size_t n = std::min(size, data->size() - size_t(offset));
    std::memcpy(buffer, data->data() + offset, n);
    return ssize_t(n);
  }
  ssize_t PWrite(int fd, const void* buffer, size_t size, off_t offset) override {
    std::string* data = Find(fd);
    if (!data || offset < 0) return Fail(EBADF);
    if (size_t(offset) + size > kDiskBytes) return Fail(ENOSPC);
    if (data->size() < size_t(offset) + size) data->resize(size_t(offset) + size, '\0');
    std::memcpy(data->data() + offset, buffer, size);
    return ssize_t(size);
  }
  int FTruncate(int fd, off_t size) override {
    std::string* data = Find(fd);
    if (!data || size < 0 || size_t(size) > kDiskBytes) return Fail(EINVAL);
    data->resize(size_t(size), '\0');
    return 0;
  }
  int FDataSync(int fd) override { return Find(fd) ? 0 : Fail(EBADF); }
  int FStat(int fd, struct stat* info) override {
    std::string* data = Find(fd);
    if (!data) return Fail(EBADF);
    std::memset(info, 0, sizeof *info);
    info->st_mode = S_IFREG | 0644;
    info->st_size = off_t(data->size());
    return 0;
  }
  int Close(int fd) override { return open_.erase(fd) ? 0 : Fail(EBADF); }
  int FcntlLock(int fd, int, struct flock*) override { return Find(fd) ? 0 : Fail(EBADF); }

private:
  static int Fail(int e) {
    errno = e;
    return -1;
  }
  std::string* Find(int fd) {
    auto it = open_.find(fd);
    return it == open_.end() ? nullptr : it->second;
  }

  std::map<int, std::string*> open_;
  int next_ = 1000;
};

}  // namespace fuzz
