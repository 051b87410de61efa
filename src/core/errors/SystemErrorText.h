#pragma once
#include <cstdint>
#include <string>

namespace fw {

// A German sentence for the operating-system code an error object carries (the codes the
// table layer sets: 2 file not found, 5 access denied, 112 disk full, ..., else the errno),
// so that no English system text ends up inside a German message.
std::string SystemErrorText(uint32_t osCode);

}  // namespace fw
