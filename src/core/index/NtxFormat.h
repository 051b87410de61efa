#pragma once
#include "core/index/IndexFile.h"

namespace fw {

// Clipper's .ntx: one key per file, a B-tree of 1024-byte pages (Clipper 5 signature 6,
// Clipper '87 signature 3; Harbour adds flag bits, among them 1 for a FOR condition).
//
// Header (page 0), little-endian: 0 signature, 2 version (an update counter), 4 root page
// (byte offset), 8 first page of the unused list, 12 item size (key size + 8), 14 key size,
// 16 key decimals, 18 most keys per page, 20 half of that, 22 key expression (256 bytes,
// NUL-terminated), 278 unique flag, 280 descending flag (Harbour), 282 FOR expression (256
// bytes), 538 tag name.
//
// A page: the key count (2 bytes), then max+1 offsets (2 bytes each) of the page's item
// slots, then the slots: child page (byte offset, 0 in a leaf), record number, key. An inner
// page with n keys has n+1 children, the last in slot n with only its child page.
//
// Keys: text padded with blanks; numbers as STR(value, key size, decimals) with the leading
// blanks as zeros and, for a negative number, every digit d turned into ',' - d so that
// negative numbers sort below the positive ones and among themselves by magnitude
// reversed; dates "YYYYMMDD"; logicals "T"/"F". A descending index holds its keys in
// descending byte order, equal keys by ascending record number.
class NtxFormat : public IndexFormatHandler {
public:
  static constexpr uint32_t kPageSize = 1024;

  IndexFileInfo Read(const std::string& path) const override;
  std::string SortKey(const IndexFileInfo& file, const IndexTag& tag,
                      const Value& value) const override;
  bool StoresSortKey() const override { return true; }
  std::string_view TextSortKey(const IndexFileInfo& file, const IndexTag& tag,
                               std::string_view text, std::string& room) const override;
  void Write(const IndexFileInfo& file, std::vector<SortedKeys*>& keys, uint32_t recordCount,
             const std::string& outPath) const override;
};

}  // namespace fw
