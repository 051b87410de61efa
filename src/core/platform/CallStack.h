#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// One level of a call stack: the function's name and the source line of the call.
struct StackFrame {
  std::string Function;
  uint32_t Line = 0;
  friend bool operator==(const StackFrame&, const StackFrame&) = default;
};

// A call stack, innermost first. Taken, it holds only the return addresses, which are cheap to
// read; the functions and lines are looked up in the program's own debug information when the
// stack is first looked at, since an error that is handled without being shown or logged never
// needs them and looking them up costs far more than reading the addresses. Frames without a
// known name (system libraries without debug information) are left out. A stack may also be
// given its frames directly.
class CallStackRecord {
public:
  CallStackRecord() = default;
  CallStackRecord(std::vector<StackFrame> frames) : frames_(std::move(frames)) {}
  CallStackRecord(std::initializer_list<StackFrame> frames) : frames_(frames) {}

  // Whether the stack was taken or given (it may still name no frames).
  bool Held() const { return !addresses_.empty() || !frames_.empty(); }

  // The named frames: looked up on the first call. Empty when the program carries no debug
  // information.
  const std::vector<StackFrame>& Frames() const;
  bool empty() const { return Frames().empty(); }
  size_t size() const { return Frames().size(); }
  const StackFrame& operator[](size_t i) const { return Frames()[i]; }
  std::vector<StackFrame>::const_iterator begin() const { return Frames().begin(); }
  std::vector<StackFrame>::const_iterator end() const { return Frames().end(); }

private:
  friend CallStackRecord CaptureCallStack(std::string_view below, size_t maxLevels);

  std::vector<uintptr_t> addresses_;  // innermost first, from CaptureCallStack outwards
  std::string_view below_;
  size_t maxLevels_ = 0;
  mutable bool named_ = true;  // frames_ holds the names of addresses_
  mutable std::vector<StackFrame> frames_;
};

// The call stack of the current point, its names looked up when it is first looked at.
// Frames up to and including the innermost frame of the function `below` (its qualified name
// without parameters; a literal, as the record keeps it) are left out, so that the stack
// starts at that function's caller; with `below` empty it starts at the caller of
// CaptureCallStack. The stack ends after `maxLevels` levels.
CallStackRecord CaptureCallStack(std::string_view below = {}, size_t maxLevels = 16);

// "ns::Class::Method(int, char const*) const" -> "ns::Class::Method".
std::string StripParameters(std::string_view function);
// The name as a call stack shows it: without parameters, template arguments and return type.
// "bool fw::(anonymous namespace)::Guarded<X>(int)" -> "fw::(anonymous namespace)::Guarded".
std::string ShortFunctionName(std::string_view function);

// The name a call stack shows for a frame of that short name: the program's own functions
// (namespace fw, and main), a lambda as the function that holds it; "" for a frame of a
// library (std::, Qt, the C library) or of the wrapper that turns exceptions into errors.
std::string ProgramFrameName(std::string_view function);

}  // namespace fw
