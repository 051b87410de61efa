#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/platform/Error.h"

namespace fw {

// Descriptive text of a generic error code ("Write error"); "Unknown error" for codes
// without one.
std::string GenCodeText(uint32_t genCode);
// Name of a value-type code ("STRING", "PTR"); "UNKNOWN" for codes without one.
std::string TypeName(uint32_t typeCode);
// Display texts of values as the error log writes them.
std::string LogicText(bool value);          // ".T." / ".F."
std::string PointerText(uintptr_t value);   // "0x" and 8 (or 16) hex digits
// A 32-bit exception value as 8 upper-case hex digits; a wider value (a 64-bit address)
// keeps all its digits instead of being cut to 32 bits.
std::string HexText(uint64_t value);
// The first `count` characters of UTF-8 text, never splitting a character.
std::string FirstCharacters(std::string_view utf8, size_t count);

// The old runtime library whose presence in the process is noted in every error text: a Qt 5
// core library loaded beside this Qt 6 program.
inline constexpr std::string_view kOldRuntimeLibrary = "libQt5Core.so.5";

// The error text shown in the box and written to the log, lines ended by CR LF, with the
// call stack (at most five levels) at its end. `oldRuntimeLoaded` adds the note about the
// old runtime library. Severity is taken as it is (DefError raises it to 3 beforehand for
// pointer substitutes).
std::string ComposeErrorText(const Error& error, bool oldRuntimeLoaded = false);

// What a log entry needs besides the error.
struct LogEntryContext {
  std::string RuntimeVersion;  // second line
  std::string Timestamp;       // date in the current date format, blank, hh:mm:ss
  std::string Application;     // full path of the running program
};

// One complete log entry: the asterisk line to the closing dashes, lines ended by CR LF.
// `errorText` is ComposeErrorText's result.
std::string ComposeLogEntry(const Error& error, std::string_view errorText,
                            const LogEntryContext& context);

}  // namespace fw
