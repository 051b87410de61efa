#include "core/platform/DBServer.h"

#include <cerrno>
#include <utility>

#include "core/platform/DbfFailure.h"
#include "core/platform/DbfTable.h"
#include "core/platform/DbfVersion.h"
#include "core/platform/Error.h"
#include "core/platform/OpenTables.h"

namespace fw {
namespace {

// errno values with a meaning of their own become the operating-system codes of the error
// object; the rest pass as they are.
uint32_t OsCodeOf(const DbfFailure& failure) {
  switch (failure.Errno) {
    case 0: return 0;
    case EAGAIN: return failure.GenCode == gen::kOpen ? kOsSharingViolation : kOsLockViolation;
    case ENOENT: return 2;    // file not found
    case ENOTDIR: return 3;   // path not found
    case EACCES:
    case EPERM:
    case EISDIR: return 5;    // access denied
    case EROFS: return 19;    // write protected
    case ENOSPC:
    case EFBIG:
    case EDQUOT: return 112;  // disk full
    default: return uint32_t(failure.Errno);
  }
}

// Runs `body` until it succeeds or the error block answers anything but Retry. Returns
// whether it succeeded.
template <typename Body>
bool Guarded(const std::string& driver, const std::string& fileName, const char* operation,
             Body&& body) {
  for (;;) {
    try {
      body();
      return true;
    } catch (const DbfFailure& failure) {
      Error error;
      error.SubSystem = driver.empty() ? "DBFNTX" : driver;
      error.GenCode = failure.GenCode;
      error.OsCode = OsCodeOf(failure);
      error.Operation = failure.Operation.empty() ? operation : failure.Operation;
      error.Description = failure.Description;
      error.FileName = failure.FileName.empty() ? fileName : failure.FileName;
      error.CanRetry = failure.CanRetry;
      error.CanDefault = true;
      if (error.Throw() != ErrorAction::Retry || !failure.CanRetry) return false;
    }
  }
}

}  // namespace

DBServer::DBServer(const std::string& fileName, bool shared, bool readOnly,
                   const std::string& driver, bool memoMayBeMissing, FileIo* io)
    : driver_(driver), fileName_(fileName) {
  Guarded(driver_, fileName_, "Öffnen", [&] {
    if (!driver_.empty() && !IsKnownDriver(driver_)) {
      RaiseDbf(gen::kUnsupported, "Den Tabellentreiber \"" + driver_ + "\" gibt es nicht.",
               fileName_);
    }
    table_ = std::make_unique<DbfTable>(fileName_, shared, readOnly,
                                        driver_.empty() ? MemoKind::None : MemoKindOfDriver(driver_),
                                        memoMayBeMissing, io);
    if (driver_.empty()) driver_ = DriverOfVersion(table_->Header().Version);
  });
  // Ending the program after an error closes every open table, writing its header.
  if (table_) openTablesId_ = OpenTables::Register([this] { Close(); });
}

DBServer::~DBServer() {
  try {
    Close();
  } catch (...) {
    if (table_) table_->Abandon();
  }
}

bool DBServer::Create(const std::string& fileName, const std::vector<FieldInfo>& fields,
                      const std::string& driver) {
  return Guarded(driver, fileName, "Anlegen", [&] {
    if (!IsKnownDriver(driver)) {
      RaiseDbf(gen::kUnsupported, "Den Tabellentreiber \"" + driver + "\" gibt es nicht.",
               fileName);
    }
    DbfTable::Create(fileName, fields, MemoVersionOfDriver(driver), MemoKindOfDriver(driver));
  });
}

bool DBServer::CreateEmptyCopy(const std::string& fileName) const {
  return Guarded(driver_, fileName, "Anlegen", [&] {
    if (!table_) RaiseDbf(gen::kNoTable, "Es ist keine Tabelle geöffnet.", fileName_);
    table_->CreateEmptyCopy(fileName);
  });
}

bool DBServer::Used() const { return table_ != nullptr; }
const std::string& DBServer::Driver() const { return driver_; }
const std::string& DBServer::FileName() const { return fileName_; }

bool DBServer::SetIndex(int order) {
  return Guarded(driver_, fileName_, "SetIndex", [&] {
    if (!table_) RaiseDbf(gen::kNoTable, "Es ist keine Tabelle geöffnet.", fileName_);
    if (order != 0) RaiseDbf(gen::kNoOrder, "Die Tabelle hat keinen Index.", fileName_);
  });
}

bool DBServer::HasAutoIncrement() const { return table_ && table_->Header().HasAutoIncrement; }
bool DBServer::MemoFileMissing() const { return table_ && table_->MemoFileMissing(); }

bool DBServer::IsAutoIncrementField(int pos) const {
  return table_ && pos >= 1 && size_t(pos) <= table_->Header().Fields.size() &&
         table_->Header().Fields[size_t(pos - 1)].AutoIncrement;
}

bool DBServer::HoldsUtf8() const { return table_ && table_->HoldsUtf8(); }

std::string DBServer::FieldWithoutCounterRoom(uint64_t records) const {
  return table_ ? table_->FieldWithoutCounterRoom(records) : std::string();
}

bool DBServer::HasProductionIndex() const {
  // Bit 01h: Visual FoxPro sets 02h for a memo file and 04h for a table of a database in the
  // same byte, which say nothing about an index.
  return table_ && (table_->Header().ProductionIndex & 0x01) != 0;
}

uint32_t DBServer::RecCount() const { return table_ ? table_->RecCount() : 0; }
uint32_t DBServer::RecNo() const { return table_ ? table_->RecNo() : 0; }
bool DBServer::Eof() const { return table_ ? table_->Eof() : true; }
bool DBServer::Bof() const { return table_ ? table_->Bof() : true; }

const std::vector<FieldInfo>& DBServer::DBStruct() const {
  static const std::vector<FieldInfo> none;
  return table_ ? table_->Structure() : none;
}

int DBServer::FieldPos(std::string_view name) const {
  return table_ ? table_->FieldIndex(name) + 1 : 0;
}

#define FW_NEED_TABLE() \
  if (!table_) RaiseDbf(gen::kNoTable, "Es ist keine Tabelle geöffnet.", fileName_)

bool DBServer::Deleted() {
  bool deleted = false;
  Guarded(driver_, fileName_, "Deleted", [&] {
    FW_NEED_TABLE();
    deleted = table_->Deleted();
  });
  return deleted;
}

bool DBServer::GoTop() {
  return Guarded(driver_, fileName_, "GoTop", [&] {
    FW_NEED_TABLE();
    table_->GoTop();
  });
}

bool DBServer::GoTo(uint32_t recNo) {
  return Guarded(driver_, fileName_, "GoTo", [&] {
    FW_NEED_TABLE();
    table_->GoTo(recNo);
  });
}

bool DBServer::Skip(int32_t count) {
  return Guarded(driver_, fileName_, "Skip", [&] {
    FW_NEED_TABLE();
    table_->Skip(count);
  });
}

bool DBServer::Append() {
  return Guarded(driver_, fileName_, "Append", [&] {
    FW_NEED_TABLE();
    table_->Append();
  });
}

Value DBServer::FieldGet(std::string_view name) {
  Value value;
  Guarded(driver_, fileName_, "FieldGet", [&] {
    FW_NEED_TABLE();
    int index = table_->FieldIndex(name);
    if (index < 0) {
      RaiseDbf(gen::kNoVar, "Das Feld \"" + std::string(name) + "\" gibt es nicht.", fileName_);
    }
    value = table_->Get(index);
  });
  return value;
}

Value DBServer::FieldGet(int pos) {
  Value value;
  Guarded(driver_, fileName_, "FieldGet", [&] {
    FW_NEED_TABLE();
    if (pos < 1 || size_t(pos) > table_->Structure().size()) {
      RaiseDbf(gen::kBound, "Das Feld Nummer " + std::to_string(pos) + " gibt es nicht.", fileName_);
    }
    value = table_->Get(pos - 1);
  });
  return value;
}

bool DBServer::FieldPut(std::string_view name, const Value& value) {
  return Guarded(driver_, fileName_, "FieldPut", [&] {
    FW_NEED_TABLE();
    int index = table_->FieldIndex(name);
    if (index < 0) {
      RaiseDbf(gen::kNoVar, "Das Feld \"" + std::string(name) + "\" gibt es nicht.", fileName_);
    }
    table_->Put(index, value);
  });
}

bool DBServer::FieldPut(int pos, const Value& value) {
  return Guarded(driver_, fileName_, "FieldPut", [&] {
    FW_NEED_TABLE();
    if (pos < 1 || size_t(pos) > table_->Structure().size()) {
      RaiseDbf(gen::kBound, "Das Feld Nummer " + std::to_string(pos) + " gibt es nicht.", fileName_);
    }
    table_->Put(pos - 1, value);
  });
}

bool DBServer::Zap() {
  return Guarded(driver_, fileName_, "Zap", [&] {
    FW_NEED_TABLE();
    table_->Zap();
  });
}

bool DBServer::Commit() {
  return Guarded(driver_, fileName_, "Commit", [&] {
    FW_NEED_TABLE();
    table_->Commit();
  });
}

bool DBServer::Close() {
  if (!table_) return true;
  OpenTables::Unregister(openTablesId_);
  openTablesId_ = 0;
  bool ok = Guarded(driver_, fileName_, "Close", [&] { table_->Close(); });
  // Closed either way: after a failure the buffered changes are given up.
  if (table_) table_->Abandon();
  table_.reset();
  return ok;
}

bool DBServer::AppendRecords(uint32_t count, std::span<const ColumnPlan> plans,
                             const std::atomic<bool>* keepGoing,
                             const std::function<void(uint32_t)>& afterWrite) {
  return Guarded(driver_, fileName_, "AppendRecords", [&] {
    FW_NEED_TABLE();
    table_->AppendRecords(count, plans, keepGoing, afterWrite);
  });
}

#undef FW_NEED_TABLE

}  // namespace fw
