#include "core/index/IndexPageWriter.h"

#include <cstring>

namespace fw {

namespace {
constexpr size_t kGatheredBytes = 256 << 10;
}

IndexPageWriter::IndexPageWriter(const std::string& path, uint32_t pageSize, uint32_t firstPage)
    : file_(File::Create(path)),
      pageSize_(pageSize),
      next_(firstPage),
      bufferOffset_(uint64_t(firstPage) * pageSize) {
  buffer_.reserve(kGatheredBytes);
}

uint32_t IndexPageWriter::Append(const uint8_t* page) {
  buffer_.insert(buffer_.end(), page, page + pageSize_);
  if (buffer_.size() >= kGatheredBytes) Flush();
  return next_++;
}

void IndexPageWriter::Flush() {
  if (buffer_.empty()) return;
  file_.WriteAt(bufferOffset_, buffer_.data(), buffer_.size());
  bufferOffset_ += buffer_.size();
  buffer_.clear();
}

void IndexPageWriter::Finish(const uint8_t* header, size_t headerSize) {
  Flush();
  file_.WriteAt(0, header, headerSize);
  file_.Close();
}

}  // namespace fw
