#include "core/platform/FileIo.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "core/platform/DbfFailure.h"
#include "core/platform/ErrorCodes.h"

namespace fw {

void RaiseDbf(uint32_t genCode, std::string description, const std::string& fileName,
              int errnoValue, bool canRetry) {
  DbfFailure failure;
  failure.GenCode = genCode;
  failure.Errno = errnoValue;
  failure.Description = std::move(description);
  failure.FileName = fileName;
  failure.CanRetry = canRetry;
  throw failure;
}

std::string OpenFailureText(int errnoValue, const std::string& path, bool readOnly) {
  const std::string failed = "Die Datei konnte nicht geöffnet werden: ";
  switch (errnoValue) {
    case ENOENT: return "Die Datei wurde nicht gefunden.";
    case EROFS: return failed + "Sie liegt auf einem schreibgeschützten Datenträger.";
    case EBUSY:
    case ETXTBSY: return failed + "Sie ist belegt.";
    case EACCES:
    case EPERM: {
      // Refused for writing but readable: the file is read-only (its permissions or
      // attribute), which its owner can change; else the folder or the file is not ours.
      if (!readOnly) {
        const int fd = RetryOnInterrupt(
            [&] { return CurrentFileIo().Open(path.c_str(), O_RDONLY | O_CLOEXEC, 0); });
        if (fd >= 0) {
          CurrentFileIo().Close(fd);
          return failed + "Sie ist schreibgeschützt.";
        }
      }
      return failed + "Zugriff verweigert.";
    }
    default: return "Die Datei konnte nicht geöffnet werden.";
  }
}

int FileIo::Open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t FileIo::PRead(int fd, void* buffer, size_t size, off_t offset) {
  return ::pread(fd, buffer, size, offset);
}
ssize_t FileIo::PWrite(int fd, const void* buffer, size_t size, off_t offset) {
  return ::pwrite(fd, buffer, size, offset);
}
int FileIo::FTruncate(int fd, off_t size) { return ::ftruncate(fd, size); }
int FileIo::FDataSync(int fd) { return ::fdatasync(fd); }
int FileIo::FStat(int fd, struct stat* info) { return ::fstat(fd, info); }
int FileIo::Close(int fd) { return ::close(fd); }
int FileIo::FcntlLock(int fd, int command, struct flock* lock) {
  return ::fcntl(fd, command, lock);
}
int FileIo::Rename(const char* from, const char* to) { return ::rename(from, to); }
int FileIo::Unlink(const char* path) { return ::unlink(path); }

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = RetryOnInterrupt([&] { return ::write(fd, bytes.data(), bytes.size()); });
    if (n <= 0) return false;
    bytes.remove_prefix(size_t(n));
  }
  return true;
}

size_t ReadUpTo(int fd, char* out, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = RetryOnInterrupt([&] { return ::read(fd, out + done, size - done); });
    if (n <= 0) break;
    done += size_t(n);
  }
  return done;
}

namespace {
FileIo gSystemIo;

[[noreturn]] void RaiseWriteFailure(const std::string& path, int e) {
  RaiseDbf(gen::kWrite,
           (e == ENOSPC || e == EFBIG || e == EDQUOT)
               ? "Die Datei konnte nicht geschrieben werden: kein Platz mehr."
               : "Die Datei konnte nicht geschrieben werden.",
           path, e, true);
}
FileIo* gCurrentIo = &gSystemIo;
}  // namespace

FileIo& CurrentFileIo() { return *gCurrentIo; }

FileIo* SetFileIo(FileIo* io) {
  FileIo* previous = gCurrentIo;
  gCurrentIo = io ? io : &gSystemIo;
  return previous;
}

File::~File() { Close(); }

File::File(File&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), readOnly_(other.readOnly_), path_(std::move(other.path_)),
      io_(other.io_) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    readOnly_ = other.readOnly_;
    path_ = std::move(other.path_);
    io_ = other.io_;
  }
  return *this;
}

File File::Open(const std::string& path, bool readOnly, FileIo* io) {
  File file;
  file.path_ = path;
  file.io_ = io;
  file.readOnly_ = readOnly;
  const int fd = RetryOnInterrupt([&] {
    return file.Io().Open(path.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC, 0);
  });
  if (fd < 0) {
    int e = errno;
    RaiseDbf(gen::kOpen, OpenFailureText(e, path, readOnly), path, e, e != ENOENT);
  }
  file.fd_ = fd;
  struct stat info {};
  if (file.Io().FStat(fd, &info) == 0 && !S_ISREG(info.st_mode)) {
    RaiseDbf(gen::kOpen, "Der Name bezeichnet keine Datei.", path);
  }
  return file;
}

File File::Create(const std::string& path, FileIo* io) {
  File file;
  file.path_ = path;
  file.io_ = io;
  const int fd = RetryOnInterrupt([&] {
    return file.Io().Open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  });
  if (fd < 0) {
    int e = errno;
    RaiseDbf(gen::kCreate,
             e == EEXIST ? "Die Datei gibt es schon." : "Die Datei konnte nicht angelegt werden.",
             path, e, e != EEXIST);
  }
  file.fd_ = fd;
  return file;
}

size_t File::ReadAt(uint64_t offset, void* buffer, size_t size) const {
  size_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < size) {
    const ssize_t n = RetryOnInterrupt(
        [&] { return Io().PRead(fd_, out + done, size - done, off_t(offset + done)); });
    if (n < 0) {
      RaiseDbf(gen::kRead, "Die Datei konnte nicht gelesen werden.", path_, errno, true);
    }
    if (n == 0) break;
    done += size_t(n);
  }
  return done;
}

void File::ReadExactly(uint64_t offset, void* buffer, size_t size) const {
  if (ReadAt(offset, buffer, size) != size) {
    RaiseDbf(gen::kCorruption, "Die Datei ist kürzer, als ihr Kopf angibt (abgeschnitten).",
             path_);
  }
}

void File::WriteAt(uint64_t offset, const void* buffer, size_t size) {
  size_t done = 0;
  const auto* in = static_cast<const char*>(buffer);
  while (done < size) {
    const ssize_t n = RetryOnInterrupt(
        [&] { return Io().PWrite(fd_, in + done, size - done, off_t(offset + done)); });
    if (n < 0) RaiseWriteFailure(path_, errno);
    if (n == 0) RaiseDbf(gen::kWrite, "Die Datei konnte nicht geschrieben werden.", path_, EIO, true);
    done += size_t(n);
  }
}

uint64_t File::Size() const {
  struct stat info {};
  if (Io().FStat(fd_, &info) != 0) {
    RaiseDbf(gen::kRead, "Die Größe der Datei konnte nicht ermittelt werden.", path_, errno, true);
  }
  return uint64_t(info.st_size);
}

void File::Truncate(uint64_t size) {
  const int rc = RetryOnInterrupt([&] { return Io().FTruncate(fd_, off_t(size)); });
  if (rc != 0) {
    RaiseDbf(gen::kWrite, "Die Datei konnte nicht gekürzt werden.", path_, errno, true);
  }
}

void File::Sync() {
  const int rc = RetryOnInterrupt([&] { return Io().FDataSync(fd_); });
  // EINVAL: a file system that cannot sync at all; there is nothing more to wait for.
  if (rc != 0 && errno != EINVAL) RaiseWriteFailure(path_, errno);
}

void File::Close() {
  if (fd_ >= 0) Io().Close(fd_);  // closing also releases the file's locks
  fd_ = -1;
}

}  // namespace fw
