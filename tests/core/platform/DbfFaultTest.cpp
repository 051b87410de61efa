#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string_view>

#include "core/platform/DBServer.h"
#include "core/platform/Error.h"
#include "core/platform/FileIo.h"
#include "support/DbfTestTables.h"
#include "support/TempDir.h"

namespace fw {
namespace {

using test::ReadFileBytes;
using test::TempDir;

// Runs `body` in a child process and returns its exit code (-signal when it was killed).
int InChild(const std::function<int()>& body) {
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    int code = 99;
    try {
      code = body();
    } catch (...) {
      code = 98;
    }
    _exit(code);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

class NumberSource : public ColumnSource {
public:
  std::function<void(uint32_t)> onValue;
  uint32_t n = 0;
  void Produce(FieldWriter& out) override {
    ++n;
    if (onValue) onValue(n);
    out.PutNumber(n);
  }
};

class TextSource : public ColumnSource {
public:
  void Produce(FieldWriter& out) override { out.PutText("ein Memo-Text"); }
};

std::string NumberTable(TempDir& dir) {
  return test::CreateTable(dir.File("t.dbf"), {{"N", 'N', 10, 0}, {"M", 'M', 10, 0}});
}

// Every counted record is complete and holds its own number.
void ExpectConsistent(const std::string& path, uint32_t expectedCount) {
  DBServer table(path, false, true);
  ASSERT_TRUE(table.Used());
  EXPECT_EQ(table.RecCount(), expectedCount);
  uint32_t i = 0;
  for (table.GoTop(); !table.Eof(); table.Skip()) {
    ++i;
    ASSERT_EQ(table.FieldGet("N"), Value(double(i)));
  }
  EXPECT_EQ(i, expectedCount);
}

TEST(DbfFaultTest, AnExclusiveOpenKeepsOtherProcessesAndOpensOut) {
  TempDir dir;
  std::string path = NumberTable(dir);
  DBServer mine(path, false, false);
  ASSERT_TRUE(mine.Used());
  int code = InChild([&] {
    try {
      DBServer other(path, true, true);
      return 1;
    } catch (const ErrorException& e) {
      if (e.GetError().GenCode != gen::kOpen) return 2;
      if (e.GetError().OsCode != kOsSharingViolation) return 3;
      if (!e.GetError().CanRetry) return 4;
      return 0;
    }
  });
  EXPECT_EQ(code, 0);
  EXPECT_THROW(DBServer(path, false, false), ErrorException);  // a second open in this process
  mine.Close();
  DBServer shared1(path, true, false);
  DBServer shared2(path, true, true);
  EXPECT_TRUE(shared1.Used());
  EXPECT_TRUE(shared2.Used());
  EXPECT_THROW(DBServer(path, false, false), ErrorException);
  EXPECT_EQ(InChild([&] { return DBServer(path, true, true).Used() ? 0 : 1; }), 0);
}

TEST(DbfFaultTest, AProcessKilledDuringAppendLeavesAValidTable) {
  TempDir dir;
  std::string path = NumberTable(dir);
  {
    DBServer table(path, false, false);
    for (int i = 1; i <= 5; ++i) {
      table.Append();
      table.FieldPut("N", Value(double(i)));
    }
  }
  // The bulk append: killed after several buffers went to the file.
  int code = InChild([&] {
    DBServer table(path, false, false);
    NumberSource numbers;
    numbers.n = 5;
    numbers.onValue = [](uint32_t n) {
      if (n == 300000) raise(SIGKILL);
    };
    TextSource memo;
    ColumnPlan plans[] = {{1, 1000000, &numbers}, {2, 1000000, &memo}};
    table.AppendRecords(1000000, plans);
    return 0;
  });
  EXPECT_EQ(code, -SIGKILL);
  ExpectConsistent(path, 5);

  // Single appends with a commit now and then: killed between commits.
  code = InChild([&] {
    DBServer table(path, false, false);
    for (int i = 6; i < 100000; ++i) {
      table.Append();
      table.FieldPut("N", Value(double(i)));
      if (i % 1000 == 0) table.Commit();
      if (i == 54321) raise(SIGKILL);
    }
    return 0;
  });
  EXPECT_EQ(code, -SIGKILL);
  ExpectConsistent(path, 54000);
  DBServer table(path, false, false);  // and it can be written again
  table.GoTo(table.RecCount());
  table.Append();
  table.FieldPut("N", Value(54001.0));
  table.Close();
  ExpectConsistent(path, 54001);
}

TEST(DbfFaultTest, AFullDiskRaisesAnErrorAndKeepsTheOldTable) {
  TempDir dir;
  std::string path = NumberTable(dir);
  {
    DBServer table(path, false, false);
    for (int i = 1; i <= 3; ++i) {
      table.Append();
      table.FieldPut("N", Value(double(i)));
      table.FieldPut("M", Value("alt"));
    }
  }
  const std::string dbfBefore = ReadFileBytes(path);
  const std::string memoBefore = ReadFileBytes(dir.File("t.dbt"));
  int code = InChild([&] {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {200000, 200000};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 10;
    DBServer table(path, false, false);
    NumberSource numbers;
    numbers.n = 3;
    TextSource memo;
    ColumnPlan plans[] = {{1, 100000, &numbers}, {2, 100000, &memo}};
    try {
      table.AppendRecords(100000, plans);
      return 1;
    } catch (const ErrorException& e) {
      if (e.GetError().GenCode != gen::kWrite) return 2;
      if (e.GetError().OsCode != 112) return 3;
      if (!e.GetError().CanRetry) return 4;
    }
    if (table.RecCount() != 3) return 5;
    // One record after the other, until the disk is full.
    ScopedErrorBlock quiet([](Error&) { return ErrorAction::Default; });
    for (int i = 4; i < 100000; ++i) {
      if (!table.Append() || !table.FieldPut("N", Value(double(i)))) return 6;
      if (!table.Commit()) return 0;
    }
    return 7;
  });
  EXPECT_EQ(code, 0);
  // The table opens; what it counts is complete, and the old records are unchanged.
  DBServer table(path, false, true);
  ASSERT_TRUE(table.Used());
  uint32_t count = table.RecCount();
  table.Close();
  ExpectConsistent(path, count);
  EXPECT_EQ(ReadFileBytes(path).substr(8, 32 + 64 + 1 - 8 + 3 * 21),
            dbfBefore.substr(8, 32 + 64 + 1 - 8 + 3 * 21));
  EXPECT_EQ(ReadFileBytes(dir.File("t.dbt")).substr(512, memoBefore.size() - 512),
            memoBefore.substr(512));
}

// Interrupted and short writes, then a full disk after a number of bytes.
class FaultyIo : public FileIo {
public:
  int interruptions = 3;
  int64_t bytesUntilFull = -1;
  ssize_t PWrite(int fd, const void* buffer, size_t size, off_t offset) override {
    if (interruptions > 0) {
      --interruptions;
      errno = EINTR;
      return -1;
    }
    if (bytesUntilFull == 0) {
      errno = ENOSPC;
      return -1;
    }
    size_t n = size > 1 ? size / 2 : size;  // short writes
    if (bytesUntilFull > 0) {
      n = std::min<size_t>(n, size_t(bytesUntilFull));
      bytesUntilFull -= int64_t(n);
    }
    return FileIo::PWrite(fd, buffer, n, offset);
  }
};

class ScopedIo {
public:
  explicit ScopedIo(FileIo* io) : previous_(SetFileIo(io)) {}
  ~ScopedIo() { SetFileIo(previous_); }

private:
  FileIo* previous_;
};

TEST(DbfFaultTest, InterruptedAndShortWritesStillWriteEverything) {
  TempDir dir;
  std::string path = NumberTable(dir);
  FaultyIo io;
  {
    ScopedIo scoped(&io);
    DBServer table(path, false, false);
    NumberSource numbers;
    ColumnPlan plans[] = {{1, 5000, &numbers}};
    ASSERT_TRUE(table.AppendRecords(5000, plans));
  }
  ExpectConsistent(path, 5000);
}

TEST(DbfFaultTest, AWriteFailureOnCommitKeepsTheCountedRecords) {
  TempDir dir;
  std::string path = NumberTable(dir);
  {
    DBServer table(path, false, false);
    table.Append();
    table.FieldPut("N", Value(1.0));
  }
  FaultyIo io;
  io.interruptions = 0;
  io.bytesUntilFull = 100;
  {
    ScopedIo scoped(&io);
    DBServer table(path, false, false);
    for (int i = 2; i < 50; ++i) {
      table.Append();
      table.FieldPut("N", Value(double(i)));
    }
    try {
      table.Commit();
      FAIL() << "no error";
    } catch (const ErrorException& e) {
      EXPECT_EQ(e.GetError().GenCode, gen::kWrite);
      EXPECT_EQ(e.GetError().OsCode, 112u);
    }
    ScopedErrorBlock quiet([](Error&) { return ErrorAction::Default; });
    EXPECT_FALSE(table.Close());
  }
  ExpectConsistent(path, 1);
}

// Refuses to open for writing with `refusal`; opening for reading only works when `readable`.
class RefusingIo : public FileIo {
public:
  RefusingIo(int refusal, bool readable) : refusal_(refusal), readable_(readable) {}
  int Open(const char* path, int flags, mode_t mode) override {
    if ((flags & O_ACCMODE) != O_RDONLY || !readable_) {
      errno = refusal_;
      return -1;
    }
    return FileIo::Open(path, flags, mode);
  }

private:
  int refusal_;
  bool readable_;
};

TEST(DbfFaultTest, AFailedOpenSaysWhyInGerman) {
  TempDir dir;
  const std::string path = NumberTable(dir);
  auto why = [&](int refusal, bool readable) {
    RefusingIo io(refusal, readable);
    ScopedIo scoped(&io);
    try {
      DBServer table(path, false, false);
    } catch (const ErrorException& e) {
      return e.GetError().Description;
    }
    return std::string("opened");
  };
  EXPECT_EQ(why(EACCES, true), "Die Datei konnte nicht geöffnet werden: Sie ist schreibgeschützt.");
  EXPECT_EQ(why(EACCES, false), "Die Datei konnte nicht geöffnet werden: Zugriff verweigert.");
  EXPECT_EQ(why(EBUSY, true), "Die Datei konnte nicht geöffnet werden: Sie ist belegt.");
  EXPECT_EQ(why(EROFS, true),
            "Die Datei konnte nicht geöffnet werden: Sie liegt auf einem schreibgeschützten "
            "Datenträger.");
  EXPECT_EQ(why(ENOENT, false), "Die Datei wurde nicht gefunden.");
}

// Records the order of header writes and syncs, and fails the sync with number `failSync`
// (1-based; 0: none fails).
class SyncIo : public FileIo {
public:
  int dbf = -1;  // the table's descriptor, once known
  int failSync = 0;
  int syncs = 0;
  std::string log;  // "m" memo synced, "d" table synced, "h" header count written
  int Open(const char* path, int flags, mode_t mode) override {
    const int fd = FileIo::Open(path, flags, mode);
    if (std::string_view(path).ends_with(".dbf")) dbf = fd;
    return fd;
  }
  ssize_t PWrite(int fd, const void* buffer, size_t size, off_t offset) override {
    if (fd == dbf && offset == 1) log += 'h';
    return FileIo::PWrite(fd, buffer, size, offset);
  }
  int FDataSync(int fd) override {
    if (++syncs == failSync) {
      errno = EIO;
      return -1;
    }
    log += fd == dbf ? 'd' : 'm';
    return FileIo::FDataSync(fd);
  }
};

TEST(DbfFaultTest, RecordsAndMemosReachTheDiskBeforeTheHeaderCountsThem) {
  TempDir dir;
  std::string path = NumberTable(dir);
  SyncIo io;
  {
    // The seam of this one table (and its memo file), not the process-wide one.
    DBServer table(path, false, false, {}, false, &io);
    NumberSource numbers;
    TextSource memo;
    ColumnPlan plans[] = {{1, 2000, &numbers}, {2, 2000, &memo}};
    ASSERT_TRUE(table.AppendRecords(2000, plans));
    EXPECT_EQ(io.log, "mdhd");
  }
  ExpectConsistent(path, 2000);
}

// A failed sync is a failed write: reported, and the table and its memo file stay as they were,
// whichever of the three syncs fails (memo, records, header).
TEST(DbfFaultTest, AFailedSyncKeepsTheOldTable) {
  for (int failing = 1; failing <= 3; ++failing) {
    SCOPED_TRACE(failing);
    TempDir dir;
    std::string path = NumberTable(dir);
    {
      DBServer table(path, false, false);
      for (int i = 1; i <= 3; ++i) {
        table.Append();
        table.FieldPut("N", Value(double(i)));
        table.FieldPut("M", Value("alt"));
      }
    }
    const std::string dbfBefore = ReadFileBytes(path);
    const std::string memoBefore = ReadFileBytes(dir.File("t.dbt"));
    SyncIo io;
    io.failSync = failing;
    {
      ScopedIo scoped(&io);
      DBServer table(path, false, false);
      NumberSource numbers;
      numbers.n = 3;
      TextSource memo;
      ColumnPlan plans[] = {{1, 500, &numbers}, {2, 500, &memo}};
      try {
        table.AppendRecords(500, plans);
        ADD_FAILURE() << "no error";
      } catch (const ErrorException& e) {
        EXPECT_EQ(e.GetError().GenCode, gen::kWrite);
        EXPECT_TRUE(e.GetError().CanRetry);
        EXPECT_EQ(e.GetError().Description, "Die Datei konnte nicht geschrieben werden.");
      }
      EXPECT_EQ(table.RecCount(), 3u);
    }
    ExpectConsistent(path, 3);
    // Byte for byte but the date of last update, which closing the table may stamp.
    EXPECT_EQ(ReadFileBytes(path).substr(4), dbfBefore.substr(4));
    EXPECT_EQ(ReadFileBytes(dir.File("t.dbt")), memoBefore);
  }
}

}  // namespace
}  // namespace fw
