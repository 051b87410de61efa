#pragma once
#include <cstdint>
#include <string>

#include "core/platform/Value.h"

namespace fw {

// The bytes FoxPro's index files (.cdx, .idx) store for one key value; they compare with
// memcmp in the index's ascending order.
// - text: the table's code-page bytes, cut or padded with blanks to `keyLength`;
// - number: the IEEE double, big-endian, with the sign bit set for a positive number and
//   every bit inverted for a negative one (0 and -0 give the same key), 8 bytes;
// - date: its Julian day number (1.1.4713 BC is day 0, the empty date 0) as such a number;
// - logical: "T" or "F";
// - no value: `keyLength` blanks.
std::string FoxSortKey(const Value& value, uint32_t keyLength);

// The Julian day number of a date (the empty date gives 0).
double FoxJulianDay(const Date& date);

}  // namespace fw
