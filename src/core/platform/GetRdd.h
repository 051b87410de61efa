#pragma once
#include <string>

namespace fw {

// The table driver for a DBF file, from its first (version) byte: "DBFNTX" for 03h, 07h, 83h,
// 87h; "DBFMDX" for 8Bh; "DBFCDX" for F5h. Empty when the file cannot be read or the byte is
// no known signature.
std::string GetRDD(const std::string& file);

}  // namespace fw
