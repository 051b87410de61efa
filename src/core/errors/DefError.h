#pragma once
#include <cstdint>
#include <ctime>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/platform/Error.h"
#include "core/platform/Value.h"

namespace fw {

// Choice values of the error box. A value of 0 means the choice is not offered. The quit
// value always has bit 31 set; with an active recovery point its low bits are 3.
constexpr uint32_t kChoiceDefault = 1;
constexpr uint32_t kChoiceRetry = 2;
constexpr uint32_t kChoiceQuitFlag = 0x80000000u;

struct ErrorBoxRequest {
  std::string Text;     // UTF-8, lines ended by CR LF
  std::string Caption;  // "WARNING" or "ERROR"
  bool Warning = false; // warning icon instead of the stop icon
  uint32_t DefaultChoice = 0;
  uint32_t RetryChoice = 0;
  uint32_t QuitChoice = kChoiceQuitFlag;
};

// The error box and the sounds, supplied by the window system or by a test.
class ErrorUi {
public:
  virtual ~ErrorUi() = default;
  // Shows the box modally and returns the value of the chosen choice.
  virtual uint32_t ErrorBox(const ErrorBoxRequest& request) = 0;
  // One tone of `hertz` for `units` duration units; nothing where there is no sound.
  virtual void Tone(unsigned hertz, unsigned units) = 0;
  // A plain message with an OK button and no owner window.
  virtual void PlainMessage(const std::string& text, const std::string& caption) = 0;
};

// The switches and services DefError works with.
struct ErrorSysSettings {
  bool LogErrors = true;        // append each error to VOERROR.LOG
  bool Beep = true;             // three tones before the box
  std::string LogFolder;        // ends in '/'; empty: the working folder
  std::string Application;      // empty: the full path of the running program
  std::string RuntimeVersion;   // empty: kRuntimeVersion
  std::function<std::tm()> LocalTime;     // empty: the current local time
  std::function<bool()> OldRuntimeLoaded; // empty: look for kOldRuntimeLibrary in the process
  // Ends the program with the exit code. Must not return; empty: flushes the C streams and
  // ends the process at once (the open tables are closed before).
  std::function<void(int)> EndApplication;
  ErrorUi* Ui = nullptr;  // null: no box; the default is taken when offered, else quit
};

inline constexpr std::string_view kRuntimeVersion = "Fuellwerk runtime 1.0";
inline constexpr std::string_view kErrorLogName = "VOERROR.LOG";

// The settings of the process-wide handler installed by InstallDefError.
ErrorSysSettings& ErrorSys();

// What DefError tells the failing operation.
struct ErrorAnswer {
  ErrorAction Action = ErrorAction::Default;
  bool HasSubstitute = false;  // answer Default with Substitute as the operation's result
  Value Substitute;
};

// The choice values for an error. For generic code 14 CanRetry is switched off.
struct ErrorChoices {
  uint32_t Default = 0;
  uint32_t Retry = 0;
  uint32_t Quit = kChoiceQuitFlag;
};
ErrorChoices ChoiceValues(Error& error);

// The default error handler: reports the error (tones, log entry, box) and returns what the
// failing operation does. When the user quits, the open tables are closed and the program
// ends with GenCode as exit code (1 for an error without a generic code), or, inside a
// RecoveryPoint, ErrorException carrying the error is thrown to it.
ErrorAnswer DefError(Error& oError, const ErrorSysSettings& settings);
ErrorAnswer DefError(Error& oError);
// DefError for something that is not an Error: it is reported as generic code 28 with the
// argument's text.
ErrorAnswer DefErrorValue(std::string_view argumentText, const ErrorSysSettings& settings);

// Raw error record: the fields of an Error in declaration order, texts as zero-terminated
// UTF-8 (null = empty). Built where an error arises outside the table engine (a C++
// exception, a fatal signal) and turned into an Error by DefErrorGen.
struct RawErrorArgs {
  uint16_t Present = 0;   // number of entries in Values
  uint16_t Declared = 0;  // number of declared parameters
  const char* const* Values = nullptr;
};
struct RawErrorRecord {
  const char* SubSystem = nullptr;
  uint32_t SubCode = 0;
  uint32_t GenCode = 0;
  uint32_t OsCode = 0;
  uint32_t Severity = 0;
  uint32_t CanDefault = 0;
  uint32_t CanRetry = 0;
  uint32_t CanSubstitute = 0;
  const char* Operation = nullptr;
  const char* Description = nullptr;
  const char* FileName = nullptr;
  const RawErrorArgs* Args = nullptr;
  uint32_t Tries = 0;
  const char* FuncSym = nullptr;
  uint32_t FileHandle = 0;
  uint32_t ArgNum = 0;
  uintptr_t FuncPtr = 0;
  const char* SubCodeText = nullptr;
  const char* Arg = nullptr;
  uint32_t ArgType = 0;
  uint32_t ArgTypeReq = 0;
  uint32_t MaxSize = 0;
  uint32_t SubstituteType = 0;
  uint32_t Choice = 0;
  const char* CallFuncSym = nullptr;
  uintptr_t ExceptionInfo = 0;
};

// Builds an Error from a raw record. A null record gives an empty Error after the message
// "Error structure has wrong tag"; when no Error can be made ("No error object created !")
// the result is empty. Messages go to `ui` (caption "FROM DefErrorGen") when there is one.
std::optional<Error> DefErrorGen(const RawErrorRecord* record, ErrorUi* ui);

// The Error for an exception caught where it must not escape (an event handler):
// ErrorException gives its error, other exceptions a defaultable error with their text.
// `operation` names what was going on.
Error ErrorFromException(std::exception_ptr exception, std::string_view operation,
                         ErrorUi* ui);

// The error log: the entry is appended to folder + "VOERROR.LOG", after an empty line when
// the file already exists. Returns false when the file cannot be opened or created.
bool AppendToErrorLog(const std::string& folder, std::string_view entry);
// Date in the current date format, one blank, hh:mm:ss.
std::string LogTimestamp(const std::tm& localTime);

// Network-error flag: set when a sharing or lock conflict was answered silently.
bool NetErr();
void SetNetErr(bool value);

// While a RecoveryPoint lives, quitting in the error box throws ErrorException to it
// instead of ending the program.
class RecoveryPoint {
public:
  RecoveryPoint();
  ~RecoveryPoint();
  RecoveryPoint(const RecoveryPoint&) = delete;
  RecoveryPoint& operator=(const RecoveryPoint&) = delete;
};
bool RecoveryPointActive();

// Last reports: an exception that nothing caught (std::terminate) is reported with quit as
// the only choice; a fatal signal (SIGSEGV, SIGBUS, SIGILL, SIGFPE) is written to the log as
// an exception error, every open table is closed, and the signal then ends the program.
void InstallFatalErrorHandlers();
// What the fatal-signal handler does before the signal ends the program; returns the error
// it reported.
Error ReportFatalSignal(int signalNumber, int signalCode, uintptr_t address, uintptr_t info);

// Start-up: unless some other error block than the default one is set, installs the block
// that hands every error to DefError (with ErrorSys()) and applies the regional settings.
// Returns whether it installed the block.
bool InstallDefError();

}  // namespace fw
