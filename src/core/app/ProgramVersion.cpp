#include "core/app/ProgramVersion.h"

#ifndef FW_VERSION
#define FW_VERSION "0"
#endif

namespace fw {

std::string_view ProgramVersion() { return FW_VERSION; }

}  // namespace fw
