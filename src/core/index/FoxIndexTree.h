#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/FileIo.h"

namespace fw {

// The B-trees of FoxPro's index files, read and written page by page.
//
// Compact pages (.cdx, compact .idx) share one 12-byte node head: attributes (2 bytes, 0 an
// inner node, +1 the root, +2 a leaf), the number of keys (2), the left and the right
// neighbour on the same level (4 each, -1 for none), all little-endian.
//   inner node: entries of key bytes, record number and child page offset, the two numbers
//     big-endian; an entry's key and record number are the last of its child.
//   leaf: from byte 12 the free bytes (2), the record number mask (4), the duplicate and the
//     trailing count masks (1 each), their bit counts (record, duplicate, trailing: 1 each)
//     and the bytes one entry takes (1); from byte 24 one little-endian bit field per key
//     (record number in the low bits, then the count of leading bytes shared with the
//     previous key, then the count of trailing fill bytes dropped), and the remaining key
//     bytes packed from the end of the page towards the front, first key last.
// Old .idx pages have the same head and hold plain entries: key bytes and a big-endian
// number (the record in a leaf, the child's page offset in an inner node).
enum class FoxTreeLayout { Compact, Plain };

struct FoxIndexEntry {
  std::string Key;
  uint32_t RecNo = 0;
  friend bool operator==(const FoxIndexEntry&, const FoxIndexEntry&) = default;
};

// An index file opened for reading pages, with what bounds a hostile file.
struct IndexPageSource {
  const File* Source = nullptr;
  uint64_t FileSize = 0;
  uint32_t PageSize = 512;
  std::string FileName;  // for the failure's message
};

// Calls `take` with every key of the tree at `root` in the tree's order. `trail` is the byte
// a compact leaf's dropped trailing bytes stand for (a blank for text keys, 0 otherwise).
// Raises IndexFailure when a page is damaged, outside the file, or reached twice.
void WalkFoxTree(const IndexPageSource& source, FoxTreeLayout layout, uint64_t root,
                 uint32_t keyLength, char trail,
                 const std::function<void(std::string_view key, uint32_t recNo)>& take);

// Writes pages into a new file: hands out page offsets in order and collects the pages in a
// buffer that goes to the file in large sequential writes.
class FoxPageWriter {
public:
  FoxPageWriter(File& target, uint32_t pageSize);
  uint32_t PageSize() const { return pageSize_; }
  // Reserves `bytes` (a multiple of the page size) at the end and returns their offset;
  // raises DbfFailure when the file would outgrow the 4 GiB a page offset can address.
  uint32_t Reserve(uint32_t bytes);
  void Put(uint32_t offset, std::string_view bytes);
  uint64_t End() const { return end_; }
  void Flush();

private:
  File& target_;
  uint32_t pageSize_;
  uint64_t end_ = 0;
  uint64_t bufferStart_ = 0;
  std::string buffer_;  // bytes from bufferStart_ on, pages not yet put left zero
};

// Builds one tree from keys in ascending order, writing each page once it is full: leaves as
// full as the layout allows, inner levels above them.
class FoxTreeWriter {
public:
  FoxTreeWriter(FoxPageWriter& pages, FoxTreeLayout layout, uint32_t keyLength, char trail);
  ~FoxTreeWriter();
  void Add(std::string_view key, uint32_t recNo);
  // Writes the pages still open and returns the root's offset (an empty leaf for no keys).
  uint32_t Finish();

private:
  struct Node;
  void AddTo(size_t level, std::string_view key, uint32_t recNo, uint32_t child);
  void WriteNode(Node& node, bool root, uint32_t right);

  FoxPageWriter& pages_;
  FoxTreeLayout layout_;
  uint32_t keyLength_;
  char trail_;
  std::vector<std::unique_ptr<Node>> levels_;
};

}  // namespace fw
