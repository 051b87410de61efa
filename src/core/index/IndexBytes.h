#pragma once
#include <cstdint>
#include <cstring>
#include <string>

#include "core/index/IndexFile.h"

namespace fw::index_bytes {

// Little-endian integers in index pages and headers, the byte order of every xBase index.
inline uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void PutLe16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

[[noreturn]] inline void RaiseIndex(std::string description, const std::string& path) {
  throw IndexFailure{std::move(description), path};
}

// The text of a NUL-terminated expression field of `size` bytes, or raises when the field
// holds no terminator (a damaged header would otherwise run into the bytes after it).
inline std::string ExpressionAt(const uint8_t* p, size_t size, const std::string& path,
                                const char* what) {
  const void* end = std::memchr(p, 0, size);
  if (!end) {
    RaiseIndex(std::string("Der ") + what +
                   " im Kopf der Indexdatei ist nicht abgeschlossen (die Datei ist beschädigt).",
               path);
  }
  std::string text(reinterpret_cast<const char*>(p), size_t(static_cast<const uint8_t*>(end) - p));
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace fw::index_bytes
