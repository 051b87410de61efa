#pragma once
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fw {

// The system calls of the table engine, in one place, so that tests can inject failures
// (a full disk, a short write, EINTR). Each returns what the system call returns and sets
// errno the same way.
class FileIo {
public:
  virtual ~FileIo() = default;
  virtual int Open(const char* path, int flags, mode_t mode);
  virtual ssize_t PRead(int fd, void* buffer, size_t size, off_t offset);
  virtual ssize_t PWrite(int fd, const void* buffer, size_t size, off_t offset);
  virtual int FTruncate(int fd, off_t size);
  virtual int FDataSync(int fd);
  virtual int FStat(int fd, struct stat* info);
  virtual int Close(int fd);
  virtual int FcntlLock(int fd, int command, struct flock* lock);
  virtual int Rename(const char* from, const char* to);
  virtual int Unlink(const char* path);
};

// Why opening `path` failed with `errnoValue`, as a German sentence a user can act on:
// not found, read-only (refused for writing, readable), access denied, a read-only disk, busy.
std::string OpenFailureText(int errnoValue, const std::string& path, bool readOnly);

// Calls `call` (a system call that returns -1 on failure) again while it fails with EINTR, a
// signal that arrived before it did anything; returns its last result. Every wait-out of an
// interruption in the program goes through here.
template <typename Call>
auto RetryOnInterrupt(Call&& call) {
  for (;;) {
    const auto result = call();
    if (result != -1 || errno != EINTR) return result;
  }
}

// Writes every byte to fd with write(2), going on after interruptions and short writes; false
// when the system refuses one (errno says why). For the program's own files, outside tables.
bool WriteAll(int fd, std::string_view bytes);
// Reads up to `size` bytes from fd with read(2), going on after interruptions and short reads;
// returns how many it read (fewer at the end of the file or on a failure).
size_t ReadUpTo(int fd, char* out, size_t size);

FileIo& CurrentFileIo();
// Installs `io` (nullptr restores the system's) and returns the previous one.
FileIo* SetFileIo(FileIo* io);

// One open file of the engine. Reads and writes are positioned, repeat on EINTR and on short
// transfers, and report failure as a DbfFailure that names the file.
class File {
public:
  File() = default;
  ~File();  // closes, never throws
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing file (create: a new one, failing when it exists). Its system calls go
  // through `io`; without one, through the process-wide CurrentFileIo() of each moment.
  static File Open(const std::string& path, bool readOnly, FileIo* io = nullptr);
  static File Create(const std::string& path, FileIo* io = nullptr);

  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  const std::string& Path() const { return path_; }
  bool ReadOnly() const { return readOnly_; }
  FileIo& Io() const { return io_ ? *io_ : CurrentFileIo(); }

  // Reads up to `size` bytes at `offset`; returns how many were read (fewer at end of file).
  size_t ReadAt(uint64_t offset, void* buffer, size_t size) const;
  // Reads exactly `size` bytes or raises a corruption failure (the file is too short).
  void ReadExactly(uint64_t offset, void* buffer, size_t size) const;
  void WriteAt(uint64_t offset, const void* buffer, size_t size);
  uint64_t Size() const;
  void Truncate(uint64_t size);
  // Waits until what was written has reached the disk (fdatasync). A failure is a write
  // failure: what was written since the last sync may be lost.
  void Sync();
  void Close();  // raises nothing

private:
  int fd_ = -1;
  bool readOnly_ = false;
  std::string path_;
  FileIo* io_ = nullptr;  // not owned
};

}  // namespace fw
