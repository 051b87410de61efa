#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "core/errors/Error.h"

namespace fw {

// The calling functions of the current point, innermost first, with the source line of each
// call, read from the program's own debug information. Frames up to and including the
// innermost frame of the function `below` (its qualified name without parameters) are left
// out, so that the stack starts at that function's caller; with `below` empty it starts at
// the caller of CaptureCallStack. Frames without a known name (system libraries without
// debug information) are left out; the list ends after `maxLevels` levels. Empty when the program carries no debug information.
std::vector<StackFrame> CaptureCallStack(std::string_view below = {}, size_t maxLevels = 16);

// "ns::Class::Method(int, char const*) const" -> "ns::Class::Method".
std::string StripParameters(std::string_view function);
// The name as a call stack shows it: without parameters, template arguments and return type.
// "bool fw::(anonymous namespace)::Guarded<X>(int)" -> "fw::(anonymous namespace)::Guarded".
std::string ShortFunctionName(std::string_view function);

}  // namespace fw
