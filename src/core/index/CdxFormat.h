#pragma once
#include <functional>
#include <string_view>
#include <cstddef>
#include <vector>

#include "core/index/FoxIndexTree.h"
#include "core/index/IndexFile.h"

namespace fw {

// FoxPro 2.x and Visual FoxPro compound index files (.cdx), structural or standalone.
//
// The file opens with a 1024-byte header whose compact tree (the tag directory) holds one key
// per tag: its name, blank-padded, with the byte offset of the tag's own 1024-byte header as
// the record number. A header (little-endian): root page offset (bytes 0-3), free page list
// (4-7, 0 or -1 for none), a change counter (8-11), key length (12-13), options (14: unique
// 01h, FOR 08h, compact 20h, compound 40h, directory 80h), signature (15), descending flag
// (502-503), the FOR expression's offset and length in the pool (504-507), the key
// expression's (508-511), and the expression pool (512-1023), each expression ending in a
// zero byte. Harbour marks its files with "RCHB" in bytes 20-23 and then keeps the header
// and page sizes in bytes 16-19; other files have 512-byte pages. The tags' order is the
// order of their headers in the file (the order they were made in).
//
// A descending tag keeps its keys ascending like any other (the runtime reads it backwards);
// a unique tag holds the first record of each key; a tag with a FOR condition only the
// records it takes. Equal keys follow each other in record order.
const IndexFormatHandler& CdxHandler();

// Every key of the tag at `tagIndex` of `file` (as Read gave it) in the tree's order, read
// from the file at file.Path; text keys come back blank-padded, others with their zero
// bytes. For checks of written files.
std::vector<FoxIndexEntry> ReadCdxKeys(const IndexFileInfo& file, size_t tagIndex);
// The same handed to `take` one after the other, until it returns false.
void WalkCdxTag(const IndexFileInfo& file, size_t tagIndex,
                const std::function<bool(std::string_view key, uint32_t recNo)>& take);

}  // namespace fw
