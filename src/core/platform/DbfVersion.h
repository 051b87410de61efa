#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace fw {

// The memo file format that goes with a table.
enum class MemoKind { None, Dbase3, Dbase4, FoxPro };

// What the version byte (the first byte of a DBF file) says, from one table of the formats:
// whether the engine fills such tables, with which table driver, and which memo file goes
// with them.
bool IsKnownDbfVersion(uint8_t version);  // a format the engine fills
// The memo kind a version byte names; None when it names no memo file.
MemoKind MemoKindOfVersion(uint8_t version);
// A format whose byte leaves open which memo file goes with memo fields (FoxBASE): its tables
// are filled only when they have none.
bool IsMemoFormatUnknown(uint8_t version);
// The refusal of such a table with memo fields.
std::string MemoFormatUnknownText(uint8_t version);
// dBase 7 (04h, 8Ch): a 68-byte header with the language driver's name, 48-byte field
// descriptors and binary field types of its own.
bool IsDbase7(uint8_t version);
// "DBFNTX", "DBFMDX" or "DBFCDX"; empty for a format the engine does not fill.
std::string DriverOfVersion(uint8_t version);
// A table driver's name (as the program spells it, in capitals): whether there is such a
// driver, the version byte it gives a new table with memo fields, and that table's memo kind.
bool IsKnownDriver(std::string_view driver);
uint8_t MemoVersionOfDriver(std::string_view driver);  // 0 for an unknown driver
MemoKind MemoKindOfDriver(std::string_view driver);    // None for an unknown driver

// What the first bytes of a file say about the table format, for a refusal that names its
// real reason instead of calling the file damaged.
//
// Returns an empty text when the file is a table of a format the engine fills (or when the
// bytes do not look like a DBF table at all); otherwise a German sentence that says what the
// table is and that it cannot be filled: a format such as dBase II (version byte 02h), an
// unknown version byte in a header that is otherwise sound, an encrypted dBase IV table, or a
// FoxBASE table with memo fields (seen only when `header` holds its field list).
// `header` holds the first `size` bytes of the file (at least 32 for a verdict; the whole
// header for the field list), `fileSize` its whole size.
std::string UnfillableTableText(const unsigned char* header, size_t size, uint64_t fileSize);

// The name of the table format a version byte stands for ("dBase II", "Visual FoxPro", ...),
// empty when the byte names no format known to the program.
std::string DbfFormatName(uint8_t version);

}  // namespace fw
