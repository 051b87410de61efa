#pragma once
#include <cstdint>
#include <string>

namespace fw {

enum class WholeFileRead { Ok, Missing, Unreadable, TooLarge };

// Reads a whole small file (settings, word lists) into `out`. Anything but a regular file is
// unreadable, and a FIFO or device put in its place cannot make the program wait; a file larger
// than `maxBytes` is not read at all. A file that shrinks while it is read gives what was there.
WholeFileRead ReadWholeFile(const std::string& path, uint64_t maxBytes, std::string& out);

}  // namespace fw
