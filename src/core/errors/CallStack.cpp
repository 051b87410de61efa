#include "core/errors/CallStack.h"

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
int backtrace_full(backtrace_state* state, int skip, backtrace_full_callback callback,
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
    else if (f[i] == '(' && --depth == 0) return i == 0 ? std::string(f) : std::string(f.substr(0, i));
  }
  return std::string(f);
}

std::string ShortFunctionName(std::string_view function) {
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

#if defined(FW_HAVE_LIBBACKTRACE)
namespace {

struct Collector {
  std::string_view below;
  size_t maxLevels;
  std::vector<StackFrame> frames;  // everything from CaptureCallStack outwards
};

void IgnoreError(void*, const char*, int) {}

int OnFrame(void* data, uintptr_t, const char*, int line, const char* function) {
  auto& c = *static_cast<Collector*>(data);
  if (function == nullptr) return 0;  // no debug information (a system library): left out
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> demangled(
      abi::__cxa_demangle(function, nullptr, nullptr, &status), &std::free);
  c.frames.push_back(
      {ShortFunctionName(status == 0 && demangled ? demangled.get() : function),
       line > 0 ? uint32_t(line) : 0});
  // Enough frames to cover the ones left out below plus maxLevels; 64 is a hard stop.
  return c.frames.size() >= 64 ? 1 : 0;
}

backtrace_state* State() {
  static backtrace_state* state = backtrace_create_state(nullptr, 1, IgnoreError, nullptr);
  return state;
}

}  // namespace

std::vector<StackFrame> CaptureCallStack(std::string_view below, size_t maxLevels) {
  backtrace_state* state = State();
  if (state == nullptr || maxLevels == 0) return {};
  Collector c{below, maxLevels, {}};
  backtrace_full(state, 0, OnFrame, IgnoreError, &c);
  // frames[0] is this function.
  size_t first = 1;
  if (!below.empty()) {
    for (size_t i = 1; i < c.frames.size(); ++i) {
      if (c.frames[i].Function == below) {
        first = i + 1;
        break;
      }
    }
  }
  if (first >= c.frames.size()) return {};
  std::vector<StackFrame> result(c.frames.begin() + first, c.frames.end());
  if (result.size() > maxLevels) result.resize(maxLevels);
  return result;
}
#else
std::vector<StackFrame> CaptureCallStack(std::string_view, size_t) { return {}; }
#endif

}  // namespace fw
