#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/Date.h"
#include "core/platform/FieldLayout.h"
#include "core/platform/Value.h"

namespace fw {

// One field of a table's structure, as DBStruct reports it.
struct FieldInfo {
  std::string Name;   // upper case as stored, without the padding NULs
  char Type = 'C';    // 'C', 'N', 'F', 'L', 'D', 'M' or any other letter the file holds
  uint32_t Length = 0;
  uint32_t Decimals = 0;
  // How the engine reads and writes the field, decided from the table's format when the
  // table is opened (LayoutOf).
  FieldLayout Layout = FieldLayout::Unset;
};

// Receives the value of one field of one record during a bulk append and stores it in the
// record, fitted the way FieldPut fits it. Text is Windows-1252; for a memo field PutText
// writes the memo.
class FieldWriter {
public:
  virtual ~FieldWriter() = default;
  virtual void PutText(std::string_view text) = 0;
  virtual void PutNumber(double number) = 0;
  virtual void PutLogic(bool logic) = 0;
  virtual void PutDate(Date date) = 0;
  // A date with a time of day, for fields that hold both; others keep the date alone.
  virtual void PutDateTime(Date date, uint32_t milliseconds) {
    (void)milliseconds;
    PutDate(date);
  }
  // Leaves the field blank, whatever its type (a writer that keeps no record ignores it).
  virtual void PutBlank() {}
  // The bytes of the whole record being written (deletion flag first), with the values of the
  // plans before this one already in it; nullptr from a writer that keeps no record. Sources
  // whose values follow from other fields of the record read them here.
  virtual const char* Record() const { return nullptr; }
};

// Produces the values of one field, record after record, for a bulk append.
class ColumnSource {
public:
  virtual ~ColumnSource() = default;
  // Called once per record, in record order, for the first `Count` records of the append;
  // writes exactly one value to `out` each time.
  virtual void Produce(FieldWriter& out) = 0;
};

// One field of a bulk append: the first `Count` appended records get their value of field
// `FieldPos` (1-based) from `Source`; the others keep the field blank. FieldPos 0 stands for
// the records' deletion flag: its source writes a logical, TRUE for a deleted record.
struct ColumnPlan {
  int FieldPos = 0;
  uint32_t Count = 0;
  ColumnSource* Source = nullptr;
};

class DbfTable;  // the file format behind the server
class FileIo;    // the system calls of the engine (FileIo.h)

// A table server: one open DBF table with its memo file, bound to a driver name ("DBFNTX",
// "DBFMDX", "DBFCDX"). Record numbers are 1-based in physical order. Every failure is raised
// as an Error through the error block; when the block answers Default the operation returns
// false (or an empty value) and leaves the files as they were.
class DBServer {
public:
  // Opens an existing table. `shared` false holds an operating-system lock on the table and
  // its memo file, so that no other program can use them meanwhile. An empty driver takes the
  // driver that belongs to the file's version byte.
  // `memoMayBeMissing`: a memo file that is not there leaves the table without one (its memo
  // fields read empty and take no text) instead of refusing it.
  // `io`: the system calls of this table's files, for a test that injects failures into one
  // table; without one they go through the process-wide CurrentFileIo(). Not owned.
  DBServer(const std::string& fileName, bool shared, bool readOnly,
           const std::string& driver = {}, bool memoMayBeMissing = false,
           FileIo* io = nullptr);
  ~DBServer();  // Close(), never throws
  DBServer(const DBServer&) = delete;
  DBServer& operator=(const DBServer&) = delete;

  // Creates a new empty table (and its memo file when there are memo fields) for the driver.
  // Raises an Error and returns false when the structure is not valid for the format.
  static bool Create(const std::string& fileName, const std::vector<FieldInfo>& fields,
                     const std::string& driver);
  // Creates a new table with this table's header, byte for byte but for the date and a record
  // count of 0 (its format, field descriptors, code page, autoincrement counters), and an empty
  // memo file of this table's kind when it has one. Returns false after an Error.
  // The memo file keeps the block size of this table's.
  bool CreateEmptyCopy(const std::string& fileName) const;

  bool Used() const;  // open and usable
  const std::string& Driver() const;
  const std::string& FileName() const;

  bool SetIndex(int order);  // 0: physical order (the only order there is)
  // The header's production-index flag: an index file (.mdx/.cdx) belongs to the table and
  // would go stale with our writes.
  bool HasProductionIndex() const;
  // A Visual FoxPro field that counts its values on (autoincrement).
  bool HasAutoIncrement() const;
  // The table has memo fields and was opened without its memo file (see the constructor).
  bool MemoFileMissing() const;
  // True for an autoincrement field (1-based position), whose values the table counts on.
  bool IsAutoIncrementField(int pos) const;
  // The table's text is UTF-8: a character may take several bytes of a field.
  bool HoldsUtf8() const;
  // The first autoincrement field whose counter has no room for `records` more records.
  std::string FieldWithoutCounterRoom(uint64_t records) const;
  uint32_t RecCount() const;
  uint32_t RecNo() const;
  bool Eof() const;
  bool Bof() const;
  const std::vector<FieldInfo>& DBStruct() const;
  int FieldPos(std::string_view name) const;  // 1-based, 0 when there is no such field

  bool GoTop();
  bool GoTo(uint32_t recNo);
  bool Skip(int32_t count = 1);
  bool Append();  // one blank record at the end, made current
  // The current record is marked deleted; false at the end of the file.
  bool Deleted();

  // Values by field name (without regard to case) or by 1-based position. An unknown field is
  // an error. Text is Windows-1252, whatever code page the table uses.
  Value FieldGet(std::string_view name);
  Value FieldGet(int pos);
  bool FieldPut(std::string_view name, const Value& value);
  bool FieldPut(int pos, const Value& value);

  bool Zap();
  bool Commit();  // buffered records, then the header, written to the files
  bool Close();   // Commit, then release the files and their locks

  // Appends `count` records in one sequential write: each record is made blank, then every
  // plan's source produces its field for the first plan.Count records. The header's record
  // count is written last, so a process killed meanwhile leaves the table as it was. When
  // `keepGoing` is given and turns false, the append ends after the records already buffered:
  // those are written and counted, the rest are not appended. `afterWrite`, when given, is
  // called with the number of records written so far after each piece (about 1 MiB) reaches
  // the file: a window lets its events run there, so that a stop button can end the append.
  bool AppendRecords(uint32_t count, std::span<const ColumnPlan> plans,
                     const std::atomic<bool>* keepGoing = nullptr,
                     const std::function<void(uint32_t)>& afterWrite = {});

private:
  std::unique_ptr<DbfTable> table_;
  std::string driver_;
  std::string fileName_;
  uint64_t openTablesId_ = 0;  // registration in OpenTables while the table is open
};

}  // namespace fw
