#include "core/platform/Error.h"

#include "core/platform/CallStack.h"

namespace fw {
namespace {
ErrorBlock& CurrentBlock() {
  static ErrorBlock block = ThrowingErrorBlock;
  return block;
}
}  // namespace

ErrorAction Error::Throw() {
  ++Tries;
  if (!CallStack.Held()) CallStack = CaptureCallStack("fw::Error::Throw");
  ErrorBlock block = CurrentBlock();  // a copy: the block may install another one
  return block(*this);
}

ErrorException::ErrorException(Error error) : error_(std::move(error)) {
  what_ = error_.SubSystem.empty() ? std::string() : error_.SubSystem + ": ";
  what_ += error_.Operation.empty() ? std::string() : error_.Operation + ": ";
  what_ += error_.Description;
  if (!error_.FileName.empty()) what_ += " (" + error_.FileName + ")";
}

ErrorBlock GetErrorBlock() { return CurrentBlock(); }

ErrorBlock SetErrorBlock(ErrorBlock block) {
  ErrorBlock previous = std::move(CurrentBlock());
  CurrentBlock() = block ? std::move(block) : ErrorBlock(ThrowingErrorBlock);
  return previous;
}

ErrorAction ThrowingErrorBlock(Error& error) { throw ErrorException(error); }

}  // namespace fw
