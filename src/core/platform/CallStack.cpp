#include "core/platform/CallStack.h"

#include <cxxabi.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

#if defined(FW_HAVE_LIBBACKTRACE)
// GCC's libbacktrace (libgcc-dev). Declared here because clang does not search GCC's private
// include folder; the interface has been stable since its first release.
extern "C" {
struct backtrace_state;
typedef void (*backtrace_error_callback)(void* data, const char* msg, int errnum);
typedef int (*backtrace_full_callback)(void* data, uintptr_t pc, const char* filename,
                                       int lineno, const char* function);
backtrace_state* backtrace_create_state(const char* filename, int threaded,
                                        backtrace_error_callback error_callback, void* data);
typedef void (*backtrace_syminfo_callback)(void* data, uintptr_t pc, const char* symname,
                                           uintptr_t symval, uintptr_t symsize);
typedef int (*backtrace_simple_callback)(void* data, uintptr_t pc);
int backtrace_simple(backtrace_state* state, int skip, backtrace_simple_callback callback,
                     backtrace_error_callback error_callback, void* data);
int backtrace_pcinfo(backtrace_state* state, uintptr_t pc, backtrace_full_callback callback,
                     backtrace_error_callback error_callback, void* data);
int backtrace_syminfo(backtrace_state* state, uintptr_t addr,
                      backtrace_syminfo_callback callback,
                      backtrace_error_callback error_callback, void* data);
}
#endif

namespace fw {

std::string StripParameters(std::string_view f) {
  // Trailing qualifiers after the parameter list: " const", " volatile", " &", " &&".
  size_t close = f.rfind(')');
  if (close == std::string_view::npos) return std::string(f);
  for (size_t i = close + 1; i < f.size(); ++i) {
    const char c = f[i];
    if (!(c == ' ' || c == '&' || (c >= 'a' && c <= 'z'))) return std::string(f);
  }
  int depth = 0;
  for (size_t i = close + 1; i-- > 0;) {
    if (f[i] == ')') ++depth;
    else if (f[i] == '(' && --depth == 0) {
      // "operator()" without a parameter list: the brackets are part of the name.
      if (i == 0 || f.substr(0, i).ends_with("operator")) return std::string(f);
      return std::string(f.substr(0, i));
    }
  }
  return std::string(f);
}

std::string ShortFunctionName(std::string_view function) {
  // Copies made by the optimiser: "f(int) [clone .cold]", "f(int) [clone .constprop.0]".
  while (function.ends_with("]")) {
    const size_t open = function.rfind(" [clone ");
    if (open == std::string_view::npos) break;
    function = function.substr(0, open);
  }
  const std::string f = StripParameters(function);
  std::string s;
  int angle = 0;
  for (char c : f) {
    if (angle > 0) {
      if (c == '<') ++angle;
      else if (c == '>') --angle;
      continue;
    }
    if (c == '<' && !s.ends_with("operator") && !s.ends_with("operator<")) {
      angle = 1;
      continue;
    }
    s += c;
  }
  // A return type stands before the name, separated by a blank outside any brackets.
  int depth = 0;
  for (size_t i = s.size(); i-- > 0;) {
    const char c = s[i];
    if (c == ')' || c == '}' || c == ']') ++depth;
    else if (c == '(' || c == '{' || c == '[') --depth;
    else if (c == ' ' && depth == 0 && !std::string_view(s).substr(0, i).ends_with("operator"))
      return s.substr(i + 1);
  }
  return s;
}

std::string ProgramFrameName(std::string_view function) {
  if (function == "main") return std::string(function);
  if (!function.starts_with("fw::")) return {};
  // The wrapper that turns the engine's exceptions into errors is no step of the work.
  if (function.find("(anonymous namespace)::Guarded") != std::string_view::npos) return {};
  // A lambda is shown as the function that holds it.
  if (const size_t lambda = function.find("::{lambda"); lambda != std::string_view::npos)
    return StripParameters(function.substr(0, lambda));
  return std::string(function);
}

#if defined(FW_HAVE_LIBBACKTRACE)
namespace {

constexpr size_t kMostAddresses = 128;

struct RawFrame {
  uintptr_t pc;
  std::string function;  // as the debug information names it; empty when unknown
  uint32_t line;
};

struct Collector {
  std::vector<RawFrame> frames;  // from CaptureCallStack outwards; inlined calls included
};

void IgnoreError(void*, const char*, int) {}

int OnAddress(void* data, uintptr_t pc) {
  auto& addresses = *static_cast<std::vector<uintptr_t>*>(data);
  addresses.push_back(pc);
  return addresses.size() >= kMostAddresses ? 1 : 0;
}

int OnFrame(void* data, uintptr_t pc, const char*, int line, const char* function) {
  auto& c = *static_cast<Collector*>(data);
  c.frames.push_back({pc, function != nullptr ? function : "", line > 0 ? uint32_t(line) : 0});
  return 0;
}

void OnSymbol(void* data, uintptr_t, const char* name, uintptr_t, uintptr_t) {
  if (name != nullptr) *static_cast<std::string*>(data) = name;
}

std::string Demangled(const std::string& name) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> demangled(
      abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status), &std::free);
  return status == 0 && demangled ? demangled.get() : name;
}

backtrace_state* State() {
  static backtrace_state* state = backtrace_create_state(nullptr, 1, IgnoreError, nullptr);
  return state;
}

// The named frames of the return addresses `addresses` (innermost first, the first being
// CaptureCallStack's own), from the caller of `below` on.
std::vector<StackFrame> Named(const std::vector<uintptr_t>& addresses, std::string_view below,
                              size_t maxLevels) {
  backtrace_state* state = State();
  if (state == nullptr) return {};
  Collector c;
  for (uintptr_t pc : addresses) backtrace_pcinfo(state, pc, OnFrame, IgnoreError, &c);
  // The debug information names some functions without their class or namespace; the last
  // entry of a program counter is the function itself (the others are calls inlined into
  // it), and for it the symbol table has the full name.
  std::vector<StackFrame> all;
  for (size_t i = 0; i < c.frames.size(); ++i) {
    const RawFrame& f = c.frames[i];
    if (f.function.empty()) continue;  // no debug information (a system library)
    std::string name = f.function;
    const bool physical = i + 1 == c.frames.size() || c.frames[i + 1].pc != f.pc;
    if (physical) {
      std::string symbol;
      backtrace_syminfo(state, f.pc, OnSymbol, IgnoreError, &symbol);
      if (!symbol.empty()) name = symbol;
    }
    all.push_back({ShortFunctionName(Demangled(name)), f.line});
    if (all.back().Function.starts_with("__libc_start")) {  // the C library's start-up
      all.pop_back();
      break;
    }
    if (all.back().Function == "main") break;
  }
  // all[0] is CaptureCallStack.
  size_t first = 1;
  if (!below.empty()) {
    for (size_t i = 1; i < all.size(); ++i) {
      if (all[i].Function == below) {
        first = i + 1;
        break;
      }
    }
  }
  if (first >= all.size()) return {};
  // Only the program's own functions: what the standard library, Qt and the C library do
  // between them says nothing to whoever reads the box.
  std::vector<StackFrame> result;
  for (size_t i = first; i < all.size() && result.size() < maxLevels; ++i) {
    std::string name = ProgramFrameName(all[i].Function);
    if (name.empty() || (!result.empty() && result.back().Function == name)) continue;
    result.push_back({std::move(name), all[i].Line});
  }
  return result;
}

}  // namespace

CallStackRecord CaptureCallStack(std::string_view below, size_t maxLevels) {
  CallStackRecord record;
  backtrace_state* state = State();
  if (state == nullptr || maxLevels == 0) return record;
  record.addresses_.reserve(32);
  backtrace_simple(state, 0, OnAddress, IgnoreError, &record.addresses_);
  record.below_ = below;
  record.maxLevels_ = maxLevels;
  record.named_ = record.addresses_.empty();
  return record;
}

const std::vector<StackFrame>& CallStackRecord::Frames() const {
  if (!named_) {
    frames_ = Named(addresses_, below_, maxLevels_);
    named_ = true;
  }
  return frames_;
}
#else
CallStackRecord CaptureCallStack(std::string_view, size_t) { return {}; }
const std::vector<StackFrame>& CallStackRecord::Frames() const { return frames_; }
#endif

}  // namespace fw
