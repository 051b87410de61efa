#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace fw {

// Walks the B-tree of a Clipper index file in its order and hands each key (its stored bytes)
// with its record number to `take`, until `take` returns false. A page of 1024 bytes holds a
// count (2 bytes), the offsets of its items (2 bytes each) and the items: the child page's
// offset (4), the record number (4) and the key; the item after the last key leads to the
// child with the greatest keys. Raises IndexFailure for a page outside the file, an item
// outside its page, or a page reached twice.
void WalkNtxTree(const std::string& path,
                 const std::function<bool(std::string_view key, uint32_t recNo)>& take);

}  // namespace fw
