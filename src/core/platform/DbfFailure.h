#pragma once
#include <cstdint>
#include <string>

namespace fw {

// A failure inside the table engine. The table server turns it into an Error for the error
// block; the engine itself knows nothing of error blocks.
struct DbfFailure {
  uint32_t GenCode = 0;     // gen:: code
  int Errno = 0;            // the system's errno, 0 when the failure is not the system's
  std::string Operation;    // e.g. "Öffnen", "Schreiben" (UTF-8)
  std::string Description;  // German, UTF-8
  std::string FileName;
  bool CanRetry = false;    // true for failures of the system (I/O, locks)
};

// Throws a DbfFailure.
[[noreturn]] void RaiseDbf(uint32_t genCode, std::string description, const std::string& fileName,
                           int errnoValue = 0, bool canRetry = false);

}  // namespace fw
