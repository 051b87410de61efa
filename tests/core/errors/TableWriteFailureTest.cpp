#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>

#include "core/errors/DefError.h"
#include "core/errors/FakeErrorUi.h"
#include "core/platform/CallStack.h"
#include "core/platform/DBServer.h"
#include "core/platform/OpenTables.h"
#include "support/TempDir.h"

namespace fw {
namespace {

struct DbfShape {
  uint32_t Records = 0;
  uint32_t HeaderLength = 0;
  uint32_t RecordLength = 0;
  size_t FileSize = 0;
};

DbfShape ReadShape(const std::string& path) {
  const std::string bytes = test::ReadFileBytes(path);
  DbfShape s;
  s.FileSize = bytes.size();
  if (bytes.size() < 32) return s;
  auto u = [&bytes](size_t at) { return uint32_t(uint8_t(bytes[at])); };
  s.Records = u(4) | u(5) << 8 | u(6) << 16 | u(7) << 24;
  s.HeaderLength = u(8) | u(9) << 8;
  s.RecordLength = u(10) | u(11) << 8;
  return s;
}

// The header's count matches the file: header, records, end-of-file byte.
bool Consistent(const DbfShape& s, uint32_t expectedRecords) {
  return s.Records == expectedRecords &&
         s.FileSize == size_t(s.HeaderLength) + size_t(s.Records) * s.RecordLength + 1;
}

void LimitFileSize(rlim_t bytes) {
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = bytes;
  setrlimit(RLIMIT_FSIZE, &limit);
}

// A table write fails on a file-size limit; the user first makes room and retries, then
// takes the default, then quits. The table stays valid throughout and the process ends with
// the generic code of the write error after closing the table.
TEST(TableWriteFailureTest, RetryAfterMakingRoomThenDefaultThenQuit) {
  test::TempDir dir;
  const std::string table = dir.File("KUNDEN.DBF");
  ASSERT_TRUE(DBServer::Create(table, {{"NAME", 'C', 20, 0}, {"NUMMER", 'N', 8, 0}}, "DBFNTX"));
  {
    DBServer server(table, false, false);
    ASSERT_TRUE(server.AppendRecords(700, {}));
  }
  ASSERT_TRUE(Consistent(ReadShape(table), 700));

  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG instead
    test::FakeErrorUi ui;
    ErrorSysSettings settings;
    settings.LogFolder = dir.Folder();
    settings.Ui = &ui;
    ScopedErrorBlock block([&settings](Error& e) { return DefError(e, settings).Action; });

    DBServer server(table, false, false);
    const OpenTables::Id id = OpenTables::Register([&server] { server.Close(); });
    const size_t room = ReadShape(table).FileSize + 40;

    // First, retry after the limit is lifted: the append goes through.
    LimitFileSize(room);
    ui.Script.push_back({kChoiceRetry, [] { LimitFileSize(RLIM_INFINITY); }});
    if (!server.AppendRecords(500, {})) std::_Exit(101);
    if (ui.Boxes.size() != 1 || ui.Boxes[0].RetryChoice != kChoiceRetry) std::_Exit(102);
    if (!Consistent(ReadShape(table), 1200)) std::_Exit(103);

    // Then the default choice: the append is given up, the table keeps its records.
    LimitFileSize(ReadShape(table).FileSize + 40);
    ui.Script.push_back({kChoiceDefault, {}});
    if (server.AppendRecords(500, {})) std::_Exit(104);
    if (ui.Boxes.size() != 2) std::_Exit(105);
    if (!Consistent(ReadShape(table), 1200)) std::_Exit(106);
    if (server.RecCount() != 1200) std::_Exit(107);

    // Last, quit: the registry closes the table and the program ends with the generic code.
    ui.Script.push_back({0, {}});
    server.AppendRecords(500, {});
    OpenTables::Unregister(id);
    std::_Exit(108);  // quit returned
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), int(gen::kWrite));
  EXPECT_TRUE(Consistent(ReadShape(table), 1200));
  {
    DBServer reopened(table, true, true);
    EXPECT_EQ(reopened.RecCount(), 1200u);
  }

  const std::string log = test::ReadFileBytes(dir.File("VOERROR.LOG"));
  size_t entries = 0;
  for (size_t at = log.find("*****ERROR*****"); at != std::string::npos;
       at = log.find("*****ERROR*****", at + 1))
    ++entries;
  EXPECT_EQ(entries, 3u) << log;
  EXPECT_NE(log.find("Error Code:  24 [ WRITE ERROR ]\r\nSubsystem: DBFNTX\r\n"), std::string::npos)
      << log;
  EXPECT_NE(log.find("FileName        :" + table + "\r\n"), std::string::npos);
  EXPECT_NE(log.find("CanRetry        :.T.\r\n"), std::string::npos);
  EXPECT_NE(log.find("--------------------\r\n\r\n*****"), std::string::npos);
  // The call stack, unless the build carries no debug information (CMake's Release).
  if (!CaptureCallStack().empty()) {
    EXPECT_NE(log.find("CallStack: \r\n"), std::string::npos);
    EXPECT_NE(log.find("fw::DBServer::AppendRecords (Line: "), std::string::npos);
  }
}

}  // namespace
}  // namespace fw
