#pragma once
#include <cstdint>
#include <string>

#include "core/index/IndexFile.h"

namespace fw {

// Checks the keys a writer is handed, one after the other, before they go into a file: each
// exactly the tag's key length, in ascending order of key bytes and then record number, the
// record within the table, and no key twice in a unique tag. A key that breaks this raises
// DbfFailure: an index with keys out of order would be worse than the old one.
class IndexKeyCheck {
public:
  IndexKeyCheck(const IndexTag& tag, uint32_t recordCount, std::string fileName);
  void Take(const std::string& key, uint32_t recNo);

private:
  const IndexTag& tag_;
  uint32_t recordCount_;
  std::string fileName_;
  std::string previous_;
  uint32_t previousRecNo_ = 0;
  bool first_ = true;
};

}  // namespace fw
