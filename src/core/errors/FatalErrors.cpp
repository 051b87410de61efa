#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <string>

#include "core/errors/DefError.h"
#include "core/errors/ErrorText.h"
#include "core/platform/CallStack.h"
#include "core/platform/OpenTables.h"

namespace fw {
namespace {

const char* SignalName(int signalNumber) {
  switch (signalNumber) {
    case SIGSEGV: return "Speicherzugriffsfehler (SIGSEGV)";
    case SIGBUS: return "Busfehler (SIGBUS)";
    case SIGILL: return "Ungültiger Befehl (SIGILL)";
    case SIGFPE: return "Arithmetikfehler (SIGFPE)";
    default: return "Signal";
  }
}

[[noreturn]] void OnTerminate() {
  static bool entered = false;
  if (!entered) {
    entered = true;
    Error e = ErrorFromException(std::current_exception(),
                                 "Nicht abgefangene Ausnahme", ErrorSys().Ui);
    e.CanDefault = false;
    e.CanRetry = false;
    e.CanSubstitute = false;
    if (!e.CallStack.Held()) e.CallStack = CaptureCallStack();
    try {
      DefError(e);  // quit is the only choice: closes the tables and ends the program
    } catch (...) {
    }
  }
  std::abort();
}

void OnFatalSignal(int signalNumber, siginfo_t* info, void*) {
  static volatile sig_atomic_t entered = 0;
  if (entered == 0) {
    entered = 1;
    ReportFatalSignal(signalNumber, info ? info->si_code : 0,
                      info ? reinterpret_cast<uintptr_t>(info->si_addr) : 0,
                      reinterpret_cast<uintptr_t>(info));
  }
  // The default action ends the program; a fault happens again when the handler returns.
  signal(signalNumber, SIG_DFL);
  raise(signalNumber);
}

}  // namespace

Error ReportFatalSignal(int signalNumber, int signalCode, uintptr_t address, uintptr_t info) {
  const std::string description =
      std::string("Schwerer Laufzeitfehler: ") + SignalName(signalNumber);
  RawErrorRecord r;
  r.SubSystem = "Fuellwerk";
  r.SubCode = kSubCodeException;
  r.SubCodeText = "Prozessorausnahme";
  r.OsCode = uint32_t(signalNumber);
  r.ArgType = uint32_t(signalCode);
  r.FuncPtr = address;
  r.ArgNum = 1;  // the faulting address
  r.ExceptionInfo = info;
  r.Severity = 2;
  r.Description = description.c_str();
  std::optional<Error> made = DefErrorGen(&r, nullptr);
  Error e = made ? std::move(*made) : Error();
  e.CallStack = CaptureCallStack("fw::(anonymous namespace)::OnFatalSignal");

  // No box: the window system cannot be trusted any more. The log and the tables come first.
  const ErrorSysSettings& settings = ErrorSys();
  const std::string text = ComposeErrorText(e);
  std::fprintf(stderr, "ERROR\n%s", text.c_str());
  if (settings.LogErrors) {
    ErrorSysSettings logOnly = settings;
    logOnly.Ui = nullptr;
    LogEntryContext context;
    context.RuntimeVersion =
        settings.RuntimeVersion.empty() ? std::string(kRuntimeVersion) : settings.RuntimeVersion;
    std::tm now{};
    if (settings.LocalTime) {
      now = settings.LocalTime();
    } else {
      const std::time_t t = std::time(nullptr);
      localtime_r(&t, &now);
    }
    context.Timestamp = LogTimestamp(now);
    context.Application = settings.Application;
    if (context.Application.empty()) {
      char path[4096];
      const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
      context.Application.assign(path, n > 0 ? size_t(n) : 0);
    }
    std::string folder = settings.LogFolder;
    if (folder.empty()) {
      char cwd[4096];
      folder = getcwd(cwd, sizeof cwd) != nullptr ? std::string(cwd) + "/" : "./";
    }
    AppendToErrorLog(folder, ComposeLogEntry(e, text, context));
  }
  {
    ScopedErrorBlock quiet([](Error&) { return ErrorAction::Default; });
    OpenTables::CloseAll();
  }
  return e;
}

void InstallFatalErrorHandlers() {
  std::set_terminate(OnTerminate);
  // Own stack for the handler, so that a stack overflow is reported as well.
  static char alternateStack[64 * 1024];
  stack_t ss{};
  ss.ss_sp = alternateStack;
  ss.ss_size = sizeof alternateStack;
  sigaltstack(&ss, nullptr);
  struct sigaction action {};
  action.sa_sigaction = OnFatalSignal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (int s : {SIGSEGV, SIGBUS, SIGILL, SIGFPE}) sigaction(s, &action, nullptr);
}

}  // namespace fw
