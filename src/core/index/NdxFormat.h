#pragma once
#include "core/index/IndexFile.h"

namespace fw {

// dBase III's .ndx: one key per file, 512-byte blocks, block 0 the header.
//
// Header, little-endian: 0 root block, 4 blocks in the file (the next free one), 12 key
// length, 14 most keys per block, 16 key type (0 text, 1 number or date), 18 size of a key
// entry (key length + 8, rounded up to a multiple of 4), 23 unique flag, 24 key expression
// (NUL-terminated).
//
// A block: the key count (4 bytes), then entries of the entry size: child block (0 in a
// leaf), record number (0 in an inner block), key. Every key with its record sits in a
// leaf; an inner block with n keys has n+1 entries, each key the last key of its child's
// subtree, the last entry only the child of the keys above them all.
//
// Keys: text padded with blanks; numbers as 8-byte IEEE doubles, dates as doubles of their
// Julian day number. The sort key of a double is its bits made to compare as bytes; the
// stored key turns them back.
class NdxFormat : public IndexFormatHandler {
public:
  static constexpr uint32_t kBlockSize = 512;

  IndexFileInfo Read(const std::string& path) const override;
  std::string SortKey(const IndexFileInfo& file, const IndexTag& tag,
                      const Value& value) const override;
  std::string StoredKey(const IndexFileInfo& file, const IndexTag& tag,
                        std::string_view sortKey) const override;
  void Write(const IndexFileInfo& file, std::vector<SortedKeys*>& keys, uint32_t recordCount,
             const std::string& outPath) const override;
};

// The Julian day number of a date (1.1.2000 is 2451545), as dBase keeps dates in numeric keys.
double JulianDayOf(Date date);

}  // namespace fw
