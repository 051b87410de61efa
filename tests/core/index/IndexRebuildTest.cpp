// Replacing an index file: a failure at any step leaves the old file byte for byte and no
// temporary file; a process killed at any step leaves the old file or the new one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "core/index/IndexFormats.h"
#include "core/index/IndexRebuild.h"
#include "core/index/IndexTestFiles.h"
#include "core/platform/DbfFailure.h"
#include "core/platform/FileIo.h"
#include "support/TempDir.h"

namespace fw {
namespace {

class ScopedIo {
public:
  explicit ScopedIo(FileIo* io) : previous_(SetFileIo(io)) {}
  ~ScopedIo() { SetFileIo(previous_); }

private:
  FileIo* previous_;
};

// Fails (or kills the process at) the n-th write, or the rename.
class FailingIo : public FileIo {
public:
  int writesUntilFailure = -1;
  bool failRename = false;
  bool kill = false;
  ssize_t PWrite(int fd, const void* buffer, size_t size, off_t offset) override {
    if (writesUntilFailure == 0) {
      if (kill) ::raise(SIGKILL);
      errno = ENOSPC;
      return -1;
    }
    if (writesUntilFailure > 0) --writesUntilFailure;
    return FileIo::PWrite(fd, buffer, size, offset);
  }
  int Rename(const char* from, const char* to) override {
    if (failRename) {
      if (kill) ::raise(SIGKILL);
      errno = EXDEV;
      return -1;
    }
    return FileIo::Rename(from, to);
  }
};

struct GrnameCopy {
  test::TempDir Dir;
  std::string Path = Dir.File("grname.ntx");
  test::RawTable Table = test::ReadRawTable(test::IndexData("gross.dbf"));
  std::string Old = test::ReadFileBytes(test::IndexData("grname.ntx"));
  GrnameCopy() { test::WriteFileBytes(Path, Old); }

  void Rebuild(uint32_t records) {
    const IndexFileInfo info = NtxHandler().Read(Path);
    RebuildIndexFile(info, NtxHandler(), records, [&](uint32_t recNo, std::vector<TagKey>& keys) {
      const auto& r = Table.Records[(recNo - 1) % Table.Records.size()];
      keys[0].Key = Value(test::Upper(r.at("NAME")) + test::Str(std::stod(r.at("NR")), 7));
    });
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Dir.Path())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
};

TEST(IndexRebuildTest, AFailureLeavesTheOldIndexAndNoTemporaryFile) {
  for (int step = 0; step < 4; ++step) {
    SCOPED_TRACE(step);
    GrnameCopy s;
    // What a killed earlier rebuild left behind does not stop this one.
    test::WriteFileBytes(RebuildTemporaryPath(s.Path), "Rest");
    FailingIo io;
    if (step == 0) io.writesUntilFailure = 0;
    if (step == 1) io.writesUntilFailure = 3;
    if (step == 2) io.failRename = true;
    bool failed = false;
    try {
      ScopedIo scoped(&io);
      if (step == 3) {
        const IndexFileInfo info = NtxHandler().Read(s.Path);
        RebuildIndexFile(info, NtxHandler(), 10, [](uint32_t recNo, std::vector<TagKey>&) {
          if (recNo == 7) throw std::runtime_error("Ausdruck");
        });
      } else {
        s.Rebuild(20000);
      }
    } catch (const DbfFailure& failure) {
      failed = true;
      EXPECT_FALSE(failure.Description.empty());
    } catch (const std::runtime_error&) {
      failed = step == 3;
    }
    EXPECT_TRUE(failed);
    EXPECT_EQ(test::ReadFileBytes(s.Path), s.Old);
    EXPECT_EQ(s.Files(), std::vector<std::string>{"grname.ntx"});
  }
}

TEST(IndexRebuildTest, AKilledRebuildLeavesTheOldOrTheNewIndex) {
  GrnameCopy reference;
  reference.Rebuild(20000);
  const std::string rebuilt = test::ReadFileBytes(reference.Path);
  for (int step : {0, 2, 4, -1}) {
    SCOPED_TRACE(step);
    GrnameCopy s;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      FailingIo io;
      io.kill = true;
      io.writesUntilFailure = step;
      io.failRename = step == -1;
      SetFileIo(&io);
      try {
        s.Rebuild(20000);
      } catch (...) {
      }
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    const std::string now = test::ReadFileBytes(s.Path);
    EXPECT_TRUE(now == s.Old || now == rebuilt);
    // A killed run's temporary file is the next run's to remove; the index itself is whole.
    s.Rebuild(20000);
    EXPECT_EQ(test::ReadFileBytes(s.Path), rebuilt);
    EXPECT_EQ(s.Files(), std::vector<std::string>{"grname.ntx"});
  }
}

}  // namespace
}  // namespace fw
