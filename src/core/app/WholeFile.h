#pragma once
#include <cstdint>
#include <string>

namespace fw {

enum class WholeFileRead { Ok, Missing, Unreadable, TooLarge };

// Reads a whole small file (settings, word lists) into `out`. Anything but a regular file is
// unreadable, and a FIFO or device put in its place cannot make the program wait; a file larger
// than `maxBytes` is not read at all. A file that shrinks while it is read gives what was there.
WholeFileRead ReadWholeFile(const std::string& path, uint64_t maxBytes, std::string& out);

// Reads a whole text file written by hand (word lists, rules files) as ReadWholeFile does and
// turns it into Windows-1252: a file that is valid UTF-8 with non-ASCII letters (and a UTF-8
// byte-order mark) is converted, any other is taken as it is.
WholeFileRead ReadCp1252TextFile(const std::string& path, uint64_t maxBytes, std::string& out);

}  // namespace fw
