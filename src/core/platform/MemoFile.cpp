#include "core/platform/MemoFile.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "core/platform/DbfFailure.h"
#include "core/platform/ErrorCodes.h"

namespace fw {
namespace {

constexpr size_t kHeaderSize = 512;
constexpr size_t kFlushAt = 1 << 20;

uint32_t GetLe32(const unsigned char* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
uint32_t GetBe32(const unsigned char* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
void PutLe32(char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = char((v >> (8 * i)) & 0xFF);
}
void PutBe32(char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = char((v >> (8 * (3 - i))) & 0xFF);
}

}  // namespace

std::string MemoFile::PathFor(const std::string& tablePath, MemoKind kind, bool upperCase) {
  std::string base = tablePath;
  size_t slash = base.find_last_of('/');
  size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) base.resize(dot);
  std::string ext = kind == MemoKind::FoxPro ? ".fpt" : ".dbt";
  if (upperCase) {
    for (char& c : ext) c = char(std::toupper(static_cast<unsigned char>(c)));
  }
  return base + ext;
}

MemoFile::MemoFile(MemoKind kind, File file) : kind_(kind), file_(std::move(file)) {
  const std::string& name = file_.Path();
  fileSize_ = file_.Size();
  if (fileSize_ < kHeaderSize) {
    RaiseDbf(gen::kCorruption, "Das Memo-File ist zu kurz (abgeschnitten).", name);
  }
  unsigned char h[kHeaderSize];
  file_.ReadExactly(0, h, kHeaderSize);
  uint32_t next = 0;
  switch (kind_) {
    case MemoKind::Dbase3:
      blockSize_ = 512;
      next = GetLe32(h);
      break;
    case MemoKind::Dbase4:
      blockSize_ = uint32_t(h[20]) | (uint32_t(h[21]) << 8);
      next = GetLe32(h);
      break;
    case MemoKind::FoxPro:
      blockSize_ = (uint32_t(h[6]) << 8) | uint32_t(h[7]);
      next = GetBe32(h);
      break;
    case MemoKind::None:
      RaiseDbf(gen::kCorruption, "Die Tabelle hat kein Memo-File-Format.", name);
  }
  if (blockSize_ == 0) RaiseDbf(gen::kCorruption, "Das Memo-File hat die Blockgröße 0.", name);
  firstBlock_ = uint32_t((kHeaderSize + blockSize_ - 1) / blockSize_);
  // Append behind everything in the file, whatever the header claims: a next-free pointer
  // that lags behind would overwrite texts, one far beyond the end would leave a huge hole.
  uint64_t endBlock = (fileSize_ + blockSize_ - 1) / blockSize_;
  (void)next;
  if (endBlock > 0xFFFFFFF0u) RaiseDbf(gen::kLimit, "Das Memo-File ist zu groß.", name);
  nextBlock_ = std::max<uint32_t>(firstBlock_, uint32_t(endBlock));
  pendingBlock_ = nextBlock_;
}

void MemoFile::CreateEmpty(MemoKind kind, const std::string& path, const std::string& tableName,
                           uint32_t blockSize) {
  File file = File::Create(path);
  char h[kHeaderSize] = {};
  switch (kind) {
    case MemoKind::Dbase3:
      PutLe32(h, 1);
      h[16] = 0x03;
      break;
    case MemoKind::Dbase4: {
      if (blockSize == 0 || blockSize > 0xFFFF) blockSize = 512;
      PutLe32(h, uint32_t((kHeaderSize + blockSize - 1) / blockSize));
      std::string base = tableName.substr(0, 8);
      for (size_t i = 0; i < base.size(); ++i) h[8 + i] = char(std::toupper(uint8_t(base[i])));
      h[20] = char(blockSize & 0xFF);
      h[21] = char(blockSize >> 8);
      break;
    }
    case MemoKind::FoxPro:
      if (blockSize == 0 || blockSize > 0xFFFF) blockSize = 64;
      PutBe32(h, uint32_t((kHeaderSize + blockSize - 1) / blockSize));
      h[6] = char(blockSize >> 8);
      h[7] = char(blockSize & 0xFF);
      break;
    case MemoKind::None:
      return;
  }
  file.WriteAt(0, h, kHeaderSize);
}

std::string MemoFile::Read(uint32_t block) {
  const std::string& name = file_.Path();
  if (!pending_.empty() && block >= pendingBlock_) Flush();
  const uint64_t offset = uint64_t(block) * blockSize_;
  if (block < firstBlock_ || offset >= fileSize_) {
    RaiseDbf(gen::kCorruption, "Eine Memo-Blocknummer zeigt hinter das Ende des Memo-Files.", name);
  }
  const uint64_t available = fileSize_ - offset;
  unsigned char head[8] = {};
  size_t headRead = file_.ReadAt(offset, head, sizeof head);
  auto readLength = [&](uint64_t start, uint64_t length) {
    if (length > available || start + length > fileSize_) {
      RaiseDbf(gen::kCorruption, "Ein Memo-Text reicht über das Ende des Memo-Files hinaus.", name);
    }
    std::string text(size_t(length), '\0');
    file_.ReadExactly(start, text.data(), text.size());
    return text;
  };
  if (kind_ == MemoKind::FoxPro) {
    if (headRead < 8) RaiseDbf(gen::kCorruption, "Ein Memo-Block ist abgeschnitten.", name);
    return readLength(offset + 8, GetBe32(head + 4));
  }
  if (kind_ == MemoKind::Dbase4 && headRead == 8 && head[0] == 0xFF && head[1] == 0xFF &&
      head[2] == 0x08 && head[3] == 0x00) {
    uint32_t length = GetLe32(head + 4);
    if (length < 8) RaiseDbf(gen::kCorruption, "Ein Memo-Block hat eine ungültige Länge.", name);
    std::string text = readLength(offset + 8, length - 8);
    while (!text.empty() && text.back() == 0x1A) text.pop_back();
    return text;
  }
  // dBase III: the text ends at the first 1Ah (or at the end of the file).
  std::string text;
  char chunk[4096];
  uint64_t at = offset;
  while (at < fileSize_) {
    size_t n = file_.ReadAt(at, chunk, size_t(std::min<uint64_t>(sizeof chunk, fileSize_ - at)));
    if (n == 0) break;
    const void* end = std::memchr(chunk, 0x1A, n);
    if (end) {
      text.append(chunk, size_t(static_cast<const char*>(end) - chunk));
      return text;
    }
    text.append(chunk, n);
    at += n;
  }
  return text;
}

uint32_t MemoFile::Append(std::string_view ansiText, const TableCodePage& codePage) {
  // Letters the code page lacks may become longer (ä -> ae): the text is converted first.
  const std::string converted = codePage.Converts() ? codePage.FromAnsi(ansiText) : std::string();
  const std::string_view tableText = codePage.Converts() ? std::string_view(converted) : ansiText;
  const uint32_t block = nextBlock_;
  dirty_ = true;
  const uint64_t start = uint64_t(block) * blockSize_;
  if (pending_.empty()) pendingBlock_ = block;
  size_t at = size_t(start - PendingStart());
  size_t headSize = kind_ == MemoKind::Dbase3 ? 0 : 8;
  size_t tailSize = kind_ == MemoKind::Dbase3 ? 2 : 0;
  if (tableText.size() > 0xFFFFFF00u) RaiseDbf(gen::kLimit, "Der Memo-Text ist zu lang.", file_.Path());
  pending_.resize(at + headSize + tableText.size() + tailSize, '\0');
  char* p = pending_.data() + at;
  if (kind_ == MemoKind::Dbase4) {
    p[0] = char(0xFF);
    p[1] = char(0xFF);
    p[2] = 0x08;
    p[3] = 0x00;
    PutLe32(p + 4, uint32_t(tableText.size() + 8));
  } else if (kind_ == MemoKind::FoxPro) {
    PutBe32(p, 1);
    PutBe32(p + 4, uint32_t(tableText.size()));
  }
  char* text = p + headSize;
  std::memcpy(text, tableText.data(), tableText.size());
  if (kind_ == MemoKind::Dbase3) {
    // 1Ah would end the text. memchr skips the (usual) texts without one quickly.
    char* const textEnd = text + tableText.size();
    for (char* q = text; (q = static_cast<char*>(std::memchr(q, 0x1A, size_t(textEnd - q))));)
      *q++ = ' ';
    text[tableText.size()] = 0x1A;
    text[tableText.size() + 1] = 0x1A;
  }
  uint64_t end = PendingStart() + pending_.size();
  uint64_t endBlock = (end + blockSize_ - 1) / blockSize_;
  if (endBlock > 0xFFFFFFF0u) {
    pending_.resize(at);
    RaiseDbf(gen::kLimit, "Das Memo-File ist voll.", file_.Path());
  }
  nextBlock_ = uint32_t(endBlock);
  if (pending_.size() >= kFlushAt) {
    file_.WriteAt(PendingStart(), pending_.data(), pending_.size());
    fileSize_ = std::max(fileSize_, end);
    pending_.clear();
    pendingBlock_ = nextBlock_;
  }
  return block;
}

void MemoFile::Flush() {
  if (!dirty_) return;
  if (!pending_.empty()) {
    file_.WriteAt(PendingStart(), pending_.data(), pending_.size());
    fileSize_ = std::max<uint64_t>(fileSize_, PendingStart() + pending_.size());
    pending_.clear();
    pendingBlock_ = nextBlock_;
  }
  WriteHeader();
  dirty_ = false;
}

void MemoFile::WriteHeader() {
  char next[4];
  if (kind_ == MemoKind::FoxPro) {
    PutBe32(next, nextBlock_);
  } else {
    PutLe32(next, nextBlock_);
  }
  file_.WriteAt(0, next, 4);
}

void MemoFile::Zap() {
  pending_.clear();
  dirty_ = false;
  file_.Truncate(kHeaderSize);
  fileSize_ = kHeaderSize;
  nextBlock_ = firstBlock_;
  pendingBlock_ = nextBlock_;
  WriteHeader();
}

void MemoFile::RollBack(const Mark& mark) noexcept {
  pending_.clear();
  dirty_ = false;
  try {
    if (file_.Size() > mark.Size) file_.Truncate(mark.Size);
    fileSize_ = mark.Size;
    nextBlock_ = mark.NextBlock;
    pendingBlock_ = nextBlock_;
    WriteHeader();
  } catch (...) {
  }
}

}  // namespace fw
