#pragma once
#include <cstdint>
#include <string>

#include "core/index/IndexFile.h"

namespace fw {

// The 1024-byte header of a compact FoxPro index (a .cdx's directory and each of its tags, a
// compact .idx); the layout is described beside CdxHandler.
constexpr uint32_t kFoxHeaderSize = 1024;
constexpr uint32_t kFoxMaxKeyLength = 240;
constexpr uint8_t kFoxUnique = 0x01, kFoxTemporary = 0x02, kFoxCandidate = 0x04,
                  kFoxFor = 0x08, kFoxCompact = 0x20, kFoxCompound = 0x40;

struct FoxHeader {
  uint32_t Root = 0;
  uint32_t KeyLength = 0;
  uint8_t Options = 0;
  uint8_t Signature = 0;
  bool Descending = false;
  std::string KeyExpression;
  std::string ForExpression;
};

// Reads `header` (kFoxHeaderSize bytes); raises IndexFailure naming `what` (e.g. "das Tag
// „NAME“") when the key length or the expression pool is impossible.
FoxHeader ParseFoxHeader(const std::string& header, const std::string& what,
                         const std::string& fileName);

// Why a tag with this header cannot be rebuilt exactly (German), or empty: a collation
// sequence other than the machine order, keys the runtime turns to upper case, a temporary
// (partial) order.
std::string FoxHeaderProblem(const std::string& header);

// `kept` (a header as read, or empty for a new one) with the root, an empty free list, the
// tag's key length, options, order and expressions put in; raises DbfFailure when the
// expressions do not fit the pool.
std::string ComposeFoxHeader(std::string kept, const IndexTag& tag, uint32_t root,
                             const std::string& fileName);

// The byte a compact leaf's dropped trailing bytes stand for.
inline char FoxTrailByte(const IndexTag& tag) { return tag.KeyType == 'C' ? ' ' : '\0'; }

}  // namespace fw
