#pragma once
#include <string_view>

namespace fw {

// The version of both programs as the build names it ("1.0"), for --version.
std::string_view ProgramVersion();

}  // namespace fw
