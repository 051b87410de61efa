#pragma once
#include <string>

#include "core/index/IndexFile.h"

namespace fw {

// dBase IV/5 multiple index files (.mdx, production or not): up to 47 tags in one file, each a
// B-tree of blocks. IndexFileInfo::Kept holds the file's first blocks (header and tag table,
// with the data file's name, the version stamp, the block size and the language driver) and
// each tag's header block, so that a rebuild writes them back unchanged but for the block
// numbers and the date of the last update.
const IndexFormatHandler& MdxHandler();

// The 12 bytes an MDX stores for a number: byte 0 is 34h plus the number of digits before the
// decimal point (less than 34h for 0.0...), byte 1 holds the sign (80h) and the count of
// significant digits times 4 plus 1, bytes 2-11 the significant digits as packed BCD, two to a
// byte, first digit in the high nibble. Zero is 34h 01h and ten zero bytes. The digits are
// those TDbf keys the double with: its binary value to 15 decimals, at most 16 digits. Raises
// IndexFailure (naming `fileName`) for a number the format cannot hold.
std::string MdxNumberKey(double number, const std::string& fileName);

}  // namespace fw
