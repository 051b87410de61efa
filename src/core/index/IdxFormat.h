#pragma once
#include <functional>
#include <string_view>
#include <vector>

#include "core/index/FoxIndexTree.h"
#include "core/index/IndexFile.h"

namespace fw {

// FoxPro single-key index files (.idx), in both forms:
// - compact (options byte 20h set): one tag's 1024-byte header as in a .cdx (see
//   CdxHandler) and compact pages of 512 bytes;
// - old (FoxBASE+, FoxPro 1 and 2 without COMPACT): a 512-byte header of root page offset
//   (bytes 0-3), free page list (4-7, -1 for none), file size (8-11), key length (12-13),
//   options (14: unique 01h, FOR 08h), signature (15), the key expression (16-235) and the
//   FOR expression (236-455), each ending in a zero byte; pages of 512 bytes with plain
//   entries (see FoxTreeLayout::Plain).
// Keys are stored as in a .cdx (FoxSortKey); the one tag is named after the file.
const IndexFormatHandler& IdxHandler();

// Every key of the file (as Read gave it) in the tree's order. For checks of written files.
std::vector<FoxIndexEntry> ReadIdxKeys(const IndexFileInfo& file);
// The same handed to `take` one after the other, until it returns false.
void WalkIdxKeys(const IndexFileInfo& file,
                 const std::function<bool(std::string_view key, uint32_t recNo)>& take);

}  // namespace fw
