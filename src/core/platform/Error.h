#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "core/platform/CallStack.h"
#include "core/platform/ErrorCodes.h"
#include "core/platform/Value.h"

namespace fw {

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
  // Innermost first: CallStack[0] is the function that called Throw(). Taken by Throw() when
  // it holds none yet; its names are looked up when it is first looked at.
  CallStackRecord CallStack;
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
