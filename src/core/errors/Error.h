#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "core/platform/Value.h"

namespace fw {

// Generic error codes (the xBase runtime's numbering).
namespace gen {
constexpr uint32_t kArg = 1, kBound = 2, kStrOverflow = 3, kNumOverflow = 4, kZeroDiv = 5,
                   kNumErr = 6, kSyntax = 7, kComplexity = 8, kMem = 11, kNoFunc = 12,
                   kNoMethod = 13, kNoVar = 14, kNoAlias = 15, kNoVarMethod = 16,
                   kBadAlias = 17, kDupAlias = 18, kCreate = 20, kOpen = 21, kClose = 22,
                   kRead = 23, kWrite = 24, kPrint = 25, kUnsupported = 30, kLimit = 31,
                   kCorruption = 32, kDataType = 33, kDataWidth = 34, kNoTable = 35,
                   kNoOrder = 36, kShared = 37, kUnlocked = 38, kReadOnly = 39,
                   kAppendLock = 40, kLock = 41;
}  // namespace gen

// Operating-system codes with a meaning of their own: sharing and lock violation.
constexpr uint32_t kOsSharingViolation = 32;
constexpr uint32_t kOsLockViolation = 33;

// Value-type codes of the dynamic values, as errors name them (ArgType, ArgTypeReq,
// SubstituteType).
namespace vt {
constexpr uint32_t kNil = 0, kLong = 1, kDate = 2, kFloat = 3, kArray = 5, kObject = 6,
                   kString = 7, kLogic = 8, kCodeblock = 9, kSymbol = 10, kByte = 11,
                   kShort = 12, kWord = 13, kDWord = 14, kReal4 = 15, kReal8 = 16, kPsz = 17,
                   kPtr = 18;
}  // namespace vt

// Sub code of an error that reports a processor exception or fatal signal: five fields then
// carry the exception data (see Error).
constexpr uint32_t kSubCodeException = 5333;

// One level of a call stack: the function's name and the source line of the call.
struct StackFrame {
  std::string Function;
  uint32_t Line = 0;
  friend bool operator==(const StackFrame&, const StackFrame&) = default;
};

// What the error block tells the failing operation to do.
enum class ErrorAction {
  Default,  // go on with the default outcome (the operation reports failure)
  Retry,    // repeat the operation
};

// One runtime error. Raised by the part of the system that failed and handed to the current
// error block through Throw().
// For a processor exception or fatal signal (SubCode kSubCodeException) OsCode holds the
// exception code (the signal number), ArgType the exception flags (the signal's si_code),
// FuncPtr the faulting address, ArgNum the number of exception parameters and ExceptionInfo
// the address of the exception information.
class Error {
public:
  std::string SubSystem;  // e.g. the table driver "DBFNTX"
  uint32_t SubCode = 0;
  uint32_t GenCode = 0;
  uint32_t OsCode = 0;    // errno values are mapped to the codes above where they mean the same
  uint32_t Severity = 2;  // 1 warning, 2 error
  bool CanDefault = false;
  bool CanRetry = false;
  bool CanSubstitute = false;
  std::string Operation;
  std::string Description;  // UTF-8
  std::string FileName;
  std::vector<std::string> Args;
  uint32_t Tries = 0;
  std::string FuncSym;
  uint32_t FileHandle = 0;
  uint32_t ArgNum = 0;
  uintptr_t FuncPtr = 0;
  std::string SubCodeText;
  std::string Arg;
  uint32_t ArgType = 0;
  uint32_t ArgTypeReq = 0;
  uint32_t MaxSize = 0;
  uint32_t SubstituteType = 0;
  uint32_t Choice = 0;
  std::string CallFuncSym;
  uintptr_t ExceptionInfo = 0;
  // Innermost first: CallStack[0] is the function that called Throw(). Filled by Throw() when
  // it is still empty.
  std::vector<StackFrame> CallStack;
  // Set by the handler when it answers Default for an error that accepts a substitute value
  // (CanSubstitute): the empty value of SubstituteType.
  Value Substitute;

  // Hands the error to the current error block and returns its answer. With the default block
  // this throws ErrorException.
  ErrorAction Throw();
};

// The exception the default error block throws.
class ErrorException : public std::exception {
public:
  explicit ErrorException(Error error);
  const Error& GetError() const { return error_; }
  const char* what() const noexcept override { return what_.c_str(); }

private:
  Error error_;
  std::string what_;
};

using ErrorBlock = std::function<ErrorAction(Error&)>;

// The process-wide error block. Setting returns the previous block, so a stretch of code can
// install its own and restore the old one afterwards. An empty block restores the default.
ErrorBlock GetErrorBlock();
ErrorBlock SetErrorBlock(ErrorBlock block);
// The default block: throws the error as ErrorException.
ErrorAction ThrowingErrorBlock(Error& error);

// Restores the previous error block when it goes out of scope.
class ScopedErrorBlock {
public:
  explicit ScopedErrorBlock(ErrorBlock block) : previous_(SetErrorBlock(std::move(block))) {}
  ~ScopedErrorBlock() { SetErrorBlock(std::move(previous_)); }
  ScopedErrorBlock(const ScopedErrorBlock&) = delete;
  ScopedErrorBlock& operator=(const ScopedErrorBlock&) = delete;

private:
  ErrorBlock previous_;
};

}  // namespace fw
