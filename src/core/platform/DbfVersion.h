#pragma once
#include <cstdint>
#include <string>

namespace fw {

// What the first bytes of a file say about the table format, for a refusal that names its
// real reason instead of calling the file damaged.
//
// Returns an empty text when the file is a table of a format the engine fills (or when the
// bytes do not look like a DBF table at all); otherwise a German sentence that says what the
// table is and that it cannot be filled: a format such as dBase II (version byte 02h), an
// unknown version byte in a header that is otherwise sound, or an encrypted dBase IV table.
// `header` holds the first `size` bytes of the file (up to 32), `fileSize` its whole size.
std::string UnfillableTableText(const unsigned char* header, size_t size, uint64_t fileSize);

// The name of the table format a version byte stands for ("dBase II", "Visual FoxPro", ...),
// empty when the byte names no format known to the program.
std::string DbfFormatName(uint8_t version);

}  // namespace fw
