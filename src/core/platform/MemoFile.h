#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/platform/DbfHeader.h"
#include "core/platform/FileIo.h"
#include "core/platform/OemCodePage.h"

namespace fw {

// The memo file of a table: texts stored in blocks, found by the block number in the record.
//
// dBase III (.dbt): 512-byte blocks; header block: 0-3 next free block (little-endian); a
//   text runs from the start of its block to 1Ah 1Ah.
// dBase IV (.dbt): header: 0-3 next free block, 20-21 block size (little-endian); a text's
//   block starts FFh FFh 08h 00h, then its length including these 8 bytes (little-endian).
// FoxPro (.fpt): header: 0-3 next free block, 6-7 block size (big-endian); a text's block
//   starts with its type (1 = text) and its length without the 8 bytes (big-endian).
// The header takes the first 512 bytes in all three. New texts are appended after the last
// block of the file, so no existing text is ever overwritten.
class MemoFile {
public:
  // Opens and checks an existing memo file; raises a corruption failure for one that is too
  // short or has block size 0.
  MemoFile(MemoKind kind, File file);
  // `blockSize` 0: the format's own (512 for dBase, 64 for FoxPro).
  static void CreateEmpty(MemoKind kind, const std::string& path, const std::string& tableName,
                          uint32_t blockSize = 0);
  // The memo file's name for a table file name: same name, extension .dbt or .fpt (upper case
  // when the table's extension is).
  static std::string PathFor(const std::string& tablePath, MemoKind kind, bool upperCase);

  File& GetFile() { return file_; }
  MemoKind Kind() const { return kind_; }
  uint32_t BlockSize() const { return blockSize_; }

  // The text stored at `block` (in the table's code page). Raises a corruption failure for a
  // block beyond the file or a block whose length runs past it.
  std::string Read(uint32_t block);
  // Appends a text (Windows-1252, converted to the table's code page on the way) and returns
  // its block number. Buffered: Flush() writes it.
  uint32_t Append(std::string_view ansiText, const TableCodePage& codePage);
  // Writes buffered texts, then the header's next free block.
  void Flush();
  // Empties the memo file down to its header.
  void Zap();

  struct Mark {
    uint64_t Size = 0;
    uint32_t NextBlock = 0;
  };
  Mark GetMark() const { return {fileSize_, nextBlock_}; }
  // Forgets buffered texts and cuts the file back to `mark` (best effort, never raises).
  void RollBack(const Mark& mark) noexcept;

private:
  void WriteHeader();
  uint64_t PendingStart() const { return uint64_t(pendingBlock_) * blockSize_; }

  MemoKind kind_;
  File file_;
  uint32_t blockSize_ = 512;
  uint32_t firstBlock_ = 1;
  uint32_t nextBlock_ = 1;   // where the next text goes
  uint64_t fileSize_ = 0;    // written bytes
  std::string pending_;      // texts not yet written, starting at pendingBlock_
  uint32_t pendingBlock_ = 0;
  bool dirty_ = false;       // texts appended since the header was written
};

}  // namespace fw
