#include "core/errors/DefError.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cfenv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <typeinfo>
#include <cxxabi.h>

#include "core/errors/ErrorText.h"
#include "core/errors/RegionalSettings.h"
#include "core/platform/CallStack.h"
#include "core/platform/Date.h"
#include "core/platform/FileIo.h"
#include "core/platform/OpenTables.h"

namespace fw {
namespace {

bool gNetErr = false;
int gRecoveryPoints = 0;

std::string WorkingFolder() {
  std::string buf(4096, '\0');
  if (getcwd(buf.data(), buf.size()) == nullptr) return "./";
  buf.resize(std::char_traits<char>::length(buf.c_str()));
  if (buf.empty() || buf.back() != '/') buf += '/';
  return buf;
}

std::string ExecutablePath() {
  std::string buf(4096, '\0');
  const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return {};
  buf.resize(size_t(n));
  return buf;
}

bool LibraryMapped(std::string_view name) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line))
    if (line.find(name) != std::string::npos) return true;
  return false;
}

std::tm NowLocal() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

Value EmptyValueOfType(uint32_t type) {
  switch (type) {
    case vt::kString: case vt::kPsz: case vt::kSymbol: return Value(std::string());
    case vt::kDate: return Value(Date());
    case vt::kLogic: return Value(false);
    case vt::kLong: case vt::kFloat: case vt::kByte: case vt::kShort: case vt::kWord:
    case vt::kDWord: case vt::kReal4: case vt::kReal8: return Value(0.0);
    default: return Value();
  }
}

// Quitting: every open table is closed (its header written), then the program ends. Errors
// raised while closing are answered with the default: there is no one left to ask.
[[noreturn]] void EndProgram(const Error& error, const ErrorSysSettings& settings) {
  // An exit code of 0 would report success: errors without a generic code end with 1.
  int exitCode = int(error.GenCode & 0xFF);
  if (exitCode == 0) exitCode = 1;
  {
    ScopedErrorBlock quiet([](Error&) { return ErrorAction::Default; });
    OpenTables::CloseAll();
  }
  if (settings.EndApplication) settings.EndApplication(exitCode);
  std::fflush(nullptr);
  std::_Exit(exitCode);
}

std::string Text(const char* s) { return s != nullptr ? std::string(s) : std::string(); }

std::string TypeNameOf(const std::type_info* type) {
  if (type == nullptr) return {};
  int status = 0;
  char* demangled = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
  std::string name = status == 0 && demangled != nullptr ? demangled : type->name();
  std::free(demangled);
  return name;
}

}  // namespace

ErrorSysSettings& ErrorSys() {
  static ErrorSysSettings settings;
  return settings;
}

bool NetErr() { return gNetErr; }
void SetNetErr(bool value) { gNetErr = value; }

RecoveryPoint::RecoveryPoint() { ++gRecoveryPoints; }
RecoveryPoint::~RecoveryPoint() { --gRecoveryPoints; }
bool RecoveryPointActive() { return gRecoveryPoints > 0; }

ErrorChoices ChoiceValues(Error& e) {
  ErrorChoices c;
  c.Default = e.CanDefault || e.CanSubstitute ? kChoiceDefault : 0;
  if (e.CanRetry) {
    if (e.GenCode == gen::kNoVar) {
      e.CanRetry = false;
      c.Retry = 0;
    } else {
      c.Retry = kChoiceRetry;
    }
  }
  c.Quit = RecoveryPointActive() ? (3u | kChoiceQuitFlag) : kChoiceQuitFlag;
  return c;
}

std::string LogTimestamp(const std::tm& t) {
  char clock[16];
  std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", t.tm_hour % 100, t.tm_min % 100,
                t.tm_sec % 100);
  return Date::FromYmd(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday).ToText() + " " + clock;
}

bool AppendToErrorLog(const std::string& folder, std::string_view entry) {
  const std::string path = folder + std::string(kErrorLogName);
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  bool ok = true;
  if (fd >= 0) {
    ok = WriteAll(fd, "\r\n");  // every later entry follows an empty line
  } else {
    fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
  }
  ok = ok && WriteAll(fd, entry);
  ok = ::close(fd) == 0 && ok;
  return ok;
}

ErrorAnswer DefError(Error& oError) { return DefError(oError, ErrorSys()); }

ErrorAnswer DefError(Error& e, const ErrorSysSettings& settings) {
  // A sharing or lock conflict fails quietly; the caller tests NetErr() and tries again.
  if (e.CanDefault && e.GenCode == gen::kOpen &&
      (e.OsCode == kOsSharingViolation || e.OsCode == kOsLockViolation)) {
    SetNetErr(true);
    return {};
  }
  const bool warning = e.Severity == 1;
  const std::string caption = warning ? "WARNING" : "ERROR";
  if (e.SubstituteType == vt::kPtr) e.Severity = 3;

  const bool oldRuntime = settings.OldRuntimeLoaded ? settings.OldRuntimeLoaded()
                                                    : LibraryMapped(kOldRuntimeLibrary);
  const std::string text = ComposeErrorText(e, oldRuntime);

  if (settings.Beep && settings.Ui != nullptr) {
    for (unsigned hertz : {440u, 494u, 523u}) settings.Ui->Tone(hertz, 1);
  }
  const ErrorChoices choices = ChoiceValues(e);

  if (settings.LogErrors) {
    LogEntryContext context;
    context.RuntimeVersion =
        settings.RuntimeVersion.empty() ? std::string(kRuntimeVersion) : settings.RuntimeVersion;
    context.Timestamp = LogTimestamp(settings.LocalTime ? settings.LocalTime() : NowLocal());
    context.Application = settings.Application.empty() ? ExecutablePath() : settings.Application;
    const std::string folder = settings.LogFolder.empty() ? WorkingFolder() : settings.LogFolder;
    if (!AppendToErrorLog(folder, ComposeLogEntry(e, text, context)))
      std::fprintf(stderr, "Fehlerprotokoll %s%s kann nicht geschrieben werden.\n",
                   folder.c_str(), std::string(kErrorLogName).c_str());
  }

  uint32_t choice;
  if (settings.Ui != nullptr) {
    ErrorBoxRequest request;
    request.Text = text;
    request.Caption = caption;
    request.Warning = warning;
    request.DefaultChoice = choices.Default;
    request.RetryChoice = choices.Retry;
    request.QuitChoice = choices.Quit;
    choice = settings.Ui->ErrorBox(request);
  } else {
    std::fprintf(stderr, "%s\n%s", caption.c_str(), text.c_str());
    choice = choices.Default != 0 ? choices.Default : choices.Quit;
  }

  ErrorAnswer answer;
  if (choice == kChoiceDefault && choices.Default != 0) {
    if (e.CanSubstitute) {
      answer.HasSubstitute = true;
      answer.Substitute = EmptyValueOfType(e.SubstituteType);
    }
    return answer;
  }
  if (choice == kChoiceRetry && choices.Retry != 0) {
    answer.Action = ErrorAction::Retry;
    return answer;
  }
  std::feclearexcept(FE_ALL_EXCEPT);
  if (RecoveryPointActive()) throw ErrorException(e);
  EndProgram(e, settings);
}

ErrorAnswer DefErrorValue(std::string_view argumentText, const ErrorSysSettings& settings) {
  const std::string arg(argumentText);
  RawErrorRecord record;
  record.GenCode = 28;
  record.Severity = 2;
  record.CanDefault = 1;
  record.FuncSym = "DEFERROR";
  record.ArgNum = 1;
  record.Arg = arg.c_str();
  std::optional<Error> error = DefErrorGen(&record, settings.Ui);
  if (!error) return {};
  error->CallStack = CaptureCallStack("fw::DefErrorValue");
  return DefError(*error, settings);
}

std::optional<Error> DefErrorGen(const RawErrorRecord* r, ErrorUi* ui) {
  auto message = [ui](const char* text) {
    if (ui != nullptr)
      ui->PlainMessage(text, "FROM DefErrorGen");
    else
      std::fprintf(stderr, "FROM DefErrorGen: %s\n", text);
  };
  try {
    Error e;
    if (r == nullptr) {
      message("Error structure has wrong tag");
      return e;
    }
    e.SubSystem = Text(r->SubSystem);
    e.SubCode = r->SubCode;
    e.GenCode = r->GenCode;
    e.OsCode = r->OsCode;
    e.Severity = r->Severity;
    e.CanDefault = r->CanDefault != 0;
    e.CanRetry = r->CanRetry != 0;
    e.CanSubstitute = r->CanSubstitute != 0;
    e.Operation = Text(r->Operation);
    e.Description = Text(r->Description);
    e.FileName = Text(r->FileName);
    if (r->Args != nullptr) {
      e.Args.resize(std::max(r->Args->Present, r->Args->Declared));
      for (size_t i = 0; i < r->Args->Present && r->Args->Values != nullptr; ++i)
        e.Args[i] = Text(r->Args->Values[i]);
    }
    e.Tries = r->Tries;
    e.FuncSym = Text(r->FuncSym);
    e.FileHandle = r->FileHandle;
    e.ArgNum = r->ArgNum;
    e.FuncPtr = r->FuncPtr;
    e.SubCodeText = Text(r->SubCodeText);
    e.Arg = Text(r->Arg);
    e.ArgType = r->ArgType;
    e.ArgTypeReq = r->ArgTypeReq;
    e.MaxSize = r->MaxSize;
    e.SubstituteType = r->SubstituteType;
    if (e.Choice == 0) e.Choice = r->Choice;
    e.CallFuncSym = Text(r->CallFuncSym);
    e.ExceptionInfo = r->ExceptionInfo;
    return e;
  } catch (const std::bad_alloc&) {
    message("No error object created !");
    return std::nullopt;
  }
}

Error ErrorFromException(std::exception_ptr exception, std::string_view operation, ErrorUi* ui) {
  const std::string op(operation);
  std::string description = "Unbekannte Ausnahme";
  std::string typeName;
  RawErrorRecord record;
  record.SubSystem = "C++";
  record.Severity = 2;
  record.CanDefault = 1;
  record.Operation = op.c_str();
  try {
    if (exception) std::rethrow_exception(exception);
  } catch (const ErrorException& thrown) {
    Error e = thrown.GetError();
    if (e.Operation.empty()) e.Operation = op;
    e.CanDefault = true;  // nothing is left to repeat: the handler has already given up
    e.CanRetry = false;
    return e;
  } catch (const std::bad_alloc& x) {
    record.GenCode = gen::kMem;
    description = "Nicht genügend Arbeitsspeicher";
    typeName = TypeNameOf(&typeid(x));
  } catch (const std::exception& x) {
    description = x.what();
    typeName = TypeNameOf(&typeid(x));
  } catch (...) {
    typeName = TypeNameOf(abi::__cxa_current_exception_type());
  }
  record.Description = description.c_str();
  record.SubCodeText = typeName.c_str();
  std::optional<Error> e = DefErrorGen(&record, ui);
  return e ? std::move(*e) : Error();
}

bool InstallDefError() {
  const ErrorBlock current = GetErrorBlock();
  const auto* target = current.target<ErrorAction (*)(Error&)>();
  if (target == nullptr || *target != &ThrowingErrorBlock) return false;
  SetErrorBlock([](Error& error) {
    ErrorAnswer answer = DefError(error);
    if (answer.HasSubstitute) error.Substitute = answer.Substitute;
    return answer.Action;
  });
  ApplyRegionalSettings(ReadUserRegionalSettings());
  return true;
}

}  // namespace fw
