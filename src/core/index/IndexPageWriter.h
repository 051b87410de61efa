#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/platform/FileIo.h"

namespace fw {

// Writes a new index file page by page: pages are appended in the order they are finished
// (a tree written bottom-up), gathered into larger writes; the header page is written last,
// once the root is known. Creates the file; raises DbfFailure when a write fails.
class IndexPageWriter {
public:
  IndexPageWriter(const std::string& path, uint32_t pageSize, uint32_t firstPage);
  // Appends one page of pageSize bytes; returns its page number.
  uint32_t Append(const uint8_t* page);
  uint32_t NextPage() const { return next_; }
  // Writes what is gathered and the header at offset 0, then closes the file.
  void Finish(const uint8_t* header, size_t headerSize);

private:
  void Flush();

  File file_;
  uint32_t pageSize_;
  uint32_t next_;
  uint64_t bufferOffset_;
  std::vector<uint8_t> buffer_;
};

}  // namespace fw
