#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/DBServer.h"
#include "core/platform/DbfHeader.h"
#include "core/platform/FileIo.h"
#include "core/platform/MemoFile.h"
#include "core/platform/OemCodePage.h"

namespace fw {

// One open DBF table with its memo file: the file format and the buffering behind DBServer.
// Every failure is raised as a DbfFailure.
//
// Records pass through one page of consecutive records (about 1 MiB). Moving the record
// pointer costs nothing; reading or writing a field loads the page that holds the record,
// writing back the old page's changed records first. Appended records collect in the page
// and reach the file when the page is written; the header's record count is written only
// after them (Commit, Close, AppendRecords), so the header never counts a record that is not
// completely in the file.
class DbfTable {
public:
  static constexpr size_t kBufferBytes = 1 << 20;
  static constexpr size_t kBatchBytes = 16 << 10;  // records a bulk append fills field by field

  // `memoKindForPlainTable`: the memo format to use when the version byte names none but the
  // table has memo fields (from the driver). `memoMayBeMissing`: a memo file that is not there
  // leaves the table without one (its memo fields read empty and take no text) instead of
  // refusing it. `io`: the system calls of this table's files (tests inject failures into one
  // table with it); without one, the process-wide CurrentFileIo().
  DbfTable(const std::string& path, bool shared, bool readOnly, MemoKind memoKindForPlainTable,
           bool memoMayBeMissing = false, FileIo* io = nullptr);
  ~DbfTable();
  DbfTable(const DbfTable&) = delete;
  DbfTable& operator=(const DbfTable&) = delete;

  static void Create(const std::string& path, const std::vector<FieldInfo>& fields,
                     uint8_t version, MemoKind memoKind);
  // A new empty table of this one's format: its header byte for byte (structure, code page,
  // counters) with no records, and an empty memo file of its kind and block size.
  void CreateEmptyCopy(const std::string& path) const;

  const std::vector<FieldInfo>& Structure() const { return structure_; }
  const DbfHeader& Header() const { return header_; }
  bool MemoFileMissing() const { return memoMissing_ != MemoKind::None; }
  // The table's text is UTF-8 (a .cpg file says so): a character may take several bytes.
  bool HoldsUtf8() const { return codePage_.CodePage() == 65001; }
  const std::string& Path() const { return path_; }
  bool ReadOnly() const { return readOnly_; }
  int FieldIndex(std::string_view name) const;  // 0-based, -1 when there is no such field

  uint32_t RecCount() const { return recCount_; }
  uint32_t RecNo() const { return recNo_; }
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }

  void GoTop();
  void GoTo(uint32_t recNo);
  void Skip(int64_t count);
  void Append();

  Value Get(int index);
  // The current record carries the deletion mark ('*' in its first byte).
  bool Deleted();
  void Put(int index, const Value& value);

  void Zap();
  void Commit();
  // Commit and release; after a failure the files are released all the same.
  void Close();
  // Forgets buffered changes and releases the files without writing (after a failed Close).
  void Abandon() noexcept;

  // The first autoincrement field whose counter cannot count on by `records` more records
  // within the field's largest value; empty when all can.
  std::string FieldWithoutCounterRoom(uint64_t records) const;

  void AppendRecords(uint32_t count, std::span<const ColumnPlan> plans,
                     const std::atomic<bool>* keepGoing,
                     const std::function<void(uint32_t)>& afterWrite = {});

private:
  class SlotWriter;
  friend class SlotWriter;

  uint64_t RecordOffset(uint32_t recNo) const {
    return uint64_t(header_.HeaderLength) + uint64_t(recNo - 1) * header_.RecordLength;
  }
  int FindField(std::string_view name) const;
  char* CurrentRecord();  // nullptr at end of file
  void LoadPage(uint32_t recNo);
  void ReservePage(uint32_t records);  // room for that many records in the page
  void FlushPage();
  void CountDurably();  // syncs memo and records, writes the header's count, syncs it
  void WriteHeaderCount();
  // Gives each autoincrement field of a new record the table's next value and moves the
  // counter on (in the header kept here; WriteHeaderCount writes it with the count).
  void CountOn(char* record);
  // Moves the counter of every autoincrement field past the largest value the table's records
  // hold, so that a new value never repeats one: other programs leave counters behind their
  // values, or write them in another order than the published layout (little-endian at
  // descriptor bytes 40-43 in dBase 7, 19-22 in Visual FoxPro).
  void RaiseCountersPastValues();
  // Refuses, before anything is written, records whose counter would pass the largest value
  // a four-byte autoincrement field holds.
  void RequireCounterRoom(uint64_t records) const;
  // How many of the first appended records get a value in every field from `plans`.
  uint32_t FullyWrittenRecords(std::span<const ColumnPlan> plans) const;
  void CutBackTo(uint32_t records) noexcept;
  void RequireWritable(const char* what) const;
  void PutValue(char* slot, const DbfField& field, const Value& value);
  std::string ReadMemo(const char* slot, const DbfField& field);

  std::string path_;
  bool shared_ = false;
  bool readOnly_ = false;
  File file_;
  std::unique_ptr<MemoFile> memo_;
  MemoKind memoMissing_ = MemoKind::None;  // the kind of the memo file that is not there
  DbfHeader header_;
  std::vector<FieldInfo> structure_;
  TableCodePage codePage_;
  std::string blank_;  // a blank record
  bool counts_ = false;  // the table has autoincrement fields
  mutable std::string lastName_;  // the name FieldIndex found last, as asked
  mutable int lastIndex_ = -1;

  uint32_t recCount_ = 0;  // records including buffered appends
  uint32_t written_ = 0;   // records completely in the file
  uint32_t headerCount_ = 0;  // the count in the header on disk
  bool headerDirty_ = false;  // something was written since the header was
  uint32_t recNo_ = 1;
  bool eof_ = true;
  bool bof_ = true;

  std::vector<char> page_;  // pageCapacity_ records and one byte for the end-of-file mark
  uint32_t pageCapacity_ = 1;
  uint32_t pageFirst_ = 0;  // record number of the page's first record, 0: no page
  uint32_t pageCount_ = 0;
  int64_t dirtyFirst_ = -1;  // changed records, as indices into the page
  int64_t dirtyLast_ = -1;
};

}  // namespace fw
