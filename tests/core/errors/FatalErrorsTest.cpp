#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <stdexcept>

#include "core/errors/DefError.h"
#include "core/errors/ErrorText.h"
#include "core/platform/OpenTables.h"
#include "core/errors/FakeErrorUi.h"
#include "support/TempDir.h"

namespace fw {
namespace {

// Runs `child` in a forked process and returns its wait status.
template <typename Child>
int RunInChild(Child&& child) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
    child();
    std::_Exit(99);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

void TerminateWithException() {
  try {
    throw std::runtime_error("Ausnahme ohne Fänger");
  } catch (...) {
    std::terminate();  // as when an exception leaves a noexcept function
  }
}

TEST(FatalErrorsTest, FatalSignalIsLoggedAndClosesTablesBeforeTheProgramEnds) {
  test::TempDir dir;
  const int status = RunInChild([&] {
    ErrorSys().LogFolder = dir.Folder();
    ErrorSys().Ui = nullptr;
    InstallFatalErrorHandlers();
    OpenTables::Register([&] { test::WriteFileBytes(dir.File("closed"), "ja"); });
    void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    test::WriteFileBytes(dir.File("address"), PointerText(reinterpret_cast<uintptr_t>(page)));
    *static_cast<volatile int*>(page) = 1;
  });
  ASSERT_TRUE(WIFSIGNALED(status)) << status;
  EXPECT_EQ(WTERMSIG(status), SIGSEGV);
  EXPECT_TRUE(test::FileExists(dir.File("closed")));
  const std::string log = test::ReadFileBytes(dir.File("VOERROR.LOG"));
  const std::string address = test::ReadFileBytes(dir.File("address")).substr(2);
  EXPECT_NE(log.find("Error Code:  Schwerer Laufzeitfehler: Speicherzugriffsfehler (SIGSEGV)\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Error Subcode: 5333 (Prozessorausnahme)\r\n"), std::string::npos);
  EXPECT_NE(log.find("ExceptionCode   :0000000B\r\nExceptionFlags  :00000002\r\n"
                     "ExceptionAddress:" + address + "\r\nParamNumber     :1\r\n"),
            std::string::npos)
      << log;
}

TEST(FatalErrorsTest, UncaughtExceptionOffersOnlyQuitAndEndsWithExitCodeOne) {
  test::TempDir dir;
  const int status = RunInChild([&] {
    static test::FakeErrorUi ui;
    ui.Script.push_back({kChoiceDefault, {}});  // not offered: counts as quit
    ErrorSys().LogFolder = dir.Folder();
    ErrorSys().Ui = &ui;
    ErrorSys().Beep = false;
    InstallFatalErrorHandlers();
    OpenTables::Register([&] { test::WriteFileBytes(dir.File("closed"), "ja"); });
    TerminateWithException();
  });
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_TRUE(test::FileExists(dir.File("closed")));
  const std::string log = test::ReadFileBytes(dir.File("VOERROR.LOG"));
  EXPECT_NE(log.find("Error Code:  Ausnahme ohne Fänger\r\nSubsystem: C++\r\n"
                     "Operation: Nicht abgefangene Ausnahme\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("CanDefault      :.F.\r\nCanRetry        :.F.\r\n"), std::string::npos);
}

}  // namespace
}  // namespace fw
