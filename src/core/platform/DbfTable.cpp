#include "core/platform/DbfTable.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>

#include "core/platform/DbfFailure.h"
#include "core/platform/ErrorCodes.h"
#include "core/platform/FieldBytes.h"
#include "core/platform/FileLock.h"
#include "core/platform/TextTrim.h"

namespace fw {
namespace {

constexpr char kEofMark = 0x1A;

bool HasUpperExtension(const std::string& path) {
  size_t slash = path.find_last_of('/');
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  bool upper = false;
  for (size_t i = dot + 1; i < path.size(); ++i) {
    if (path[i] >= 'a' && path[i] <= 'z') return false;
    if (path[i] >= 'A' && path[i] <= 'Z') upper = true;
  }
  return upper;
}

// The file in the folder of `path` whose name equals the name of `path` but for the case of
// its letters (the first in name order when there are several); empty when there is none.
std::string FindIgnoringCase(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  auto lower = [](std::string s) {
    for (char& c : s)
      if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
  };
  const std::string wanted = lower(name);
  std::string found;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return {};
  while (const dirent* entry = ::readdir(dir)) {
    const std::string candidate = entry->d_name;
    if (lower(candidate) == wanted && (found.empty() || candidate < found)) found = candidate;
  }
  ::closedir(dir);
  if (found.empty()) return {};
  return slash == std::string::npos ? found : folder + found;
}

// The text of the .cpg file beside the table (GIS tools name the code page there when the
// header names none); empty when there is none. Only its first line counts.
std::string CodePageFileText(const std::string& tablePath, FileIo* io) {
  const size_t slash = tablePath.find_last_of('/');
  const size_t dot = tablePath.find_last_of('.');
  const std::string stem =
      dot == std::string::npos || (slash != std::string::npos && dot < slash) ? tablePath
                                                                              : tablePath.substr(0, dot);
  const std::string cpg = FindIgnoringCase(stem + ".cpg");
  if (cpg.empty()) return {};
  try {
    File file = File::Open(cpg, true, io);
    char text[64];
    const size_t n = file.ReadAt(0, text, sizeof text);
    std::string line(text, n);
    return line.substr(0, line.find_first_of("\r\n"));
  } catch (const DbfFailure&) {
    return {};  // an unreadable .cpg leaves the table as its header describes it
  }
}

std::string FieldLabel(const DbfField& f) {
  std::string label = f.Info.Name + " (" + f.Info.Type + " " + std::to_string(f.Info.Length);
  // Appended piece by piece: GCC 12 at -O3 warns (-Wrestrict) about the inlined insert of
  // `"," + std::string`, a known false alarm of its string header.
  if (f.Info.Decimals) label.append(",").append(std::to_string(f.Info.Decimals));
  return label + ")";
}

}  // namespace

// Writes one value into one field slot of a record, fitted to the field.
class DbfTable::SlotWriter final : public FieldWriter {
public:
  explicit SlotWriter(DbfTable& table) : table_(table) {}
  void Bind(char* slot, const DbfField& field) {
    slot_ = slot;
    field_ = &field;
  }
  const char* Record() const override { return slot_ - field_->Offset; }

  void PutText(std::string_view text) override {
    const uint32_t length = field_->Info.Length;
    // The common case first: a text field of a table without null flags or code page to convert.
    if (field_->Info.Layout == FieldLayout::Text && field_->NullBit < 0 &&
        !table_.codePage_.Converts()) [[likely]] {
      TextBytes(text, length, slot_);
      return;
    }
    switch (field_->Info.Layout) {
      case FieldLayout::Text:
        if (table_.codePage_.Converts()) {
          const size_t n = table_.codePage_.FromAnsiFitted(text, slot_, length);
          BlankBytes(slot_ + n, length - n);
        } else {
          TextBytes(text, length, slot_);
        }
        NotNull();
        return;
      case FieldLayout::VarText: {
        // A shorter varchar: zero bytes after it, its length in the last byte, its length bit
        // set; a full one (or one without a bit: no _NullFlags) fills the field.
        size_t n;
        if (table_.codePage_.Converts()) {
          n = table_.codePage_.FromAnsiFitted(text, slot_, length);
        } else {
          n = std::min<size_t>(text.size(), length);
          std::memcpy(slot_, text.data(), n);
        }
        const bool shorter = n < length && field_->VarLengthBit >= 0;
        if (shorter) {
          std::memset(slot_ + n, 0, length - n);
          slot_[length - 1] = char(uint8_t(n));
        } else {
          BlankBytes(slot_ + n, length - n);
        }
        SetFlag(field_->VarLengthBit, shorter);
        NotNull();
        return;
      }
      case FieldLayout::MemoText: {
        if (text.empty()) {
          BlankBytes(slot_, length);
          NotNull();
          return;
        }
        if (!table_.memo_) {
          RaiseDbf(gen::kOpen,
                   "Das Memo-File der Tabelle fehlt; das Memofeld " + FieldLabel(*field_) +
                       " kann keinen Text aufnehmen.",
                   table_.path_, ENOENT);
        }
        const uint32_t block = table_.memo_->Append(text, table_.codePage_);
        if (!MemoBlockBytes(block, length, slot_)) {
          RaiseDbf(gen::kDataWidth,
                   "Die Blocknummer passt nicht in das Memofeld " + FieldLabel(*field_) + ".",
                   table_.path_);
        }
        NotNull();
        return;
      }
      case FieldLayout::MemoBinary: {  // Visual FoxPro: the block number, low byte first
        const uint32_t block = text.empty() ? 0 : table_.memo_->Append(text, table_.codePage_);
        for (int i = 0; i < 4; ++i) slot_[i] = char(uint8_t(block >> (8 * i)));
        NotNull();
        return;
      }
      default:
        WrongType("einen Text");
    }
  }

  void PutNumber(double number) override {
    // The common case first, in one test: a number field of a table without null flags.
    if (field_->Info.Layout == FieldLayout::Number && field_->NullBit < 0) [[likely]]
      if (NumberBytes(number, field_->Info.Length, field_->Info.Decimals, slot_)) return;
    bool written;
    switch (field_->Info.Layout) {
      case FieldLayout::Number:
        written = NumberBytes(number, field_->Info.Length, field_->Info.Decimals, slot_);
        break;
      case FieldLayout::Integer:
      case FieldLayout::Double:
      case FieldLayout::Currency:
        written = BinaryNumberBytes(number, field_->Info.Type, field_->Info.Decimals, slot_);
        break;
      case FieldLayout::Dbase7Integer:
      case FieldLayout::Dbase7Double:  // a double rounded to the decimals it is shown with
        written = Dbase7NumberBytes(number, field_->Info.Type,
                                    NumericLayoutOf(field_->Info.Type, field_->Info.Length,
                                                    field_->Info.Decimals)
                                        .Decimals,
                                    slot_);
        break;
      default:
        WrongType("eine Zahl");
    }
    if (!written) {
      char text[64];
      auto end = std::to_chars(text, text + sizeof text, number).ptr;
      RaiseDbf(gen::kDataWidth,
               "Die Zahl " + std::string(text, end) + " passt nicht in das Feld " +
                   FieldLabel(*field_) + ".",
               table_.path_);
    }
    NotNull();
  }

  void PutLogic(bool logic) override {
    if (field_ == &kDeletionFlag) {
      *slot_ = logic ? '*' : ' ';
      return;
    }
    if (field_->Info.Layout != FieldLayout::Logic) WrongType("einen logischen Wert");
    *slot_ = LogicByte(logic);
    NotNull();
  }

  void PutDate(Date date) override {
    PutDateTime(date, 0);
  }

  void PutDateTime(Date date, uint32_t milliseconds) override {
    switch (field_->Info.Layout) {
      case FieldLayout::DateTime: DateTimeBytes(date, milliseconds, slot_); break;
      case FieldLayout::Dbase7Timestamp: TimestampBytes(date, milliseconds, slot_); break;
      case FieldLayout::Date: DateBytes(date, slot_); break;
      default: WrongType("ein Datum");
    }
    NotNull();
  }

  // A blank value, not .NULL.: the program's blank share means empty values, as in every
  // other format, and leaves a field that may be null non-null.
  void PutBlank() override {
    if (field_ == &kDeletionFlag) {
      *slot_ = ' ';
      return;
    }
    if (field_->Info.Layout == FieldLayout::VarText) {
      PutText({});
      return;
    }
    // Binary fields are blank as zero bytes.
    if (IsZeroBlank(field_->Info.Layout))
      std::memset(slot_, 0, field_->Info.Length);
    else
      BlankBytes(slot_, field_->Info.Length);
    NotNull();
  }

  // The first byte of a record, written by the plan of field position 0.
  static const DbfField kDeletionFlag;

private:
  // Sets or clears a bit of the record's _NullFlags.
  void SetFlag(int bit, bool on) {
    if (bit < 0) return;
    // From the record's start: _NullFlags may stand before the field as well as after it.
    char* const record = slot_ - field_->Offset;
    char& byte = record[table_.header_.NullFlagsOffset + uint32_t(bit) / 8];
    const char mask = char(1 << (bit % 8));
    byte = on ? char(byte | mask) : char(byte & ~mask);
  }
  // A value written into a field that may be null is not .NULL.
  void NotNull() {
    if (field_->NullBit >= 0) SetFlag(field_->NullBit, false);
  }

  [[noreturn]] void WrongType(const char* what) {
    RaiseDbf(gen::kDataType,
             std::string("Das Feld ") + FieldLabel(*field_) + " kann nicht " + what +
                 " aufnehmen.",
             table_.path_);
  }

  DbfTable& table_;
  char* slot_ = nullptr;
  const DbfField* field_ = nullptr;
};


DbfTable::DbfTable(const std::string& path, bool shared, bool readOnly,
                   MemoKind memoKindForPlainTable, bool memoMayBeMissing, FileIo* io)
    : path_(path), shared_(shared), readOnly_(readOnly) {
  file_ = File::Open(path, readOnly, io);
  LockWholeFile(file_, !shared);
  header_ = ReadDbfHeader(file_);
  // dBase 7 names its language driver; a name the program does not know leaves the byte.
  const int namedCodePage = CodePageOfLanguageDriverName(header_.LanguageDriverName);
  codePage_ = namedCodePage != 0 ? TableCodePage::ForCodePage(namedCodePage)
                                 : TableCodePage::ForLanguageDriver(header_.LanguageDriver);
  // GIS tools leave the byte at 0 and name the code page in a .cpg file beside the table.
  if (namedCodePage == 0 && CodePageOfLanguageDriver(header_.LanguageDriver) == 0)
    if (const std::string named = CodePageFileText(path, io); !named.empty())
      codePage_ = TableCodePage::ForCodePageName(named);
  // Names as the table's code page writes them, shown in the program's; a control character
  // (which no program means as part of a name) becomes '_'.
  structure_.reserve(header_.Fields.size());
  for (DbfField& f : header_.Fields) {
    f.Info.Name = codePage_.ToAnsi(f.Info.Name);
    for (char& c : f.Info.Name)
      if (uint8_t(c) < 0x20 || c == 0x7F) c = '_';
    structure_.push_back(f.Info);
  }

  if (header_.HasMemoFields() && IsMemoFormatUnknown(header_.Version)) {
    RaiseDbf(gen::kUnsupported, MemoFormatUnknownText(header_.Version), path);
  }
  if (header_.HasMemoFields()) {
    MemoKind kind = MemoKindOfVersion(header_.Version);
    if (kind == MemoKind::None) {
      kind = memoKindForPlainTable == MemoKind::None ? MemoKind::Dbase3 : memoKindForPlainTable;
    }
    bool upper = HasUpperExtension(path);
    std::string memoPath = MemoFile::PathFor(path, kind, upper);
    File memoFile;
    try {
      memoFile = File::Open(memoPath, readOnly, io);
    } catch (const DbfFailure& failure) {
      if (failure.Errno != ENOENT) throw;
      std::string other = MemoFile::PathFor(path, kind, !upper);
      try {
        memoFile = File::Open(other, readOnly, io);
      } catch (const DbfFailure& second) {
        if (second.Errno != ENOENT) throw;
        // Copied from DOS or Windows, the names may differ in case anywhere (KUNDEN.dbf
        // beside kunden.DBT).
        other = FindIgnoringCase(memoPath);
        if (other.empty() && !memoMayBeMissing) {
          RaiseDbf(gen::kOpen, "Das Memo-File der Tabelle fehlt.", memoPath, ENOENT);
        }
        if (!other.empty()) memoFile = File::Open(other, readOnly, io);
      }
    }
    if (memoFile.IsOpen()) {
      LockWholeFile(memoFile, !shared);
      memo_ = std::make_unique<MemoFile>(kind, std::move(memoFile));
    } else {
      memoMissing_ = kind;
    }
  }

  recCount_ = written_ = headerCount_ = header_.RecCount;
  blank_.assign(header_.RecordLength, ' ');
  for (const DbfField& f : header_.Fields) counts_ = counts_ || f.AutoIncrement;
  for (const DbfField& f : header_.Fields)
    if (IsZeroBlank(f.Info.Layout)) std::memset(blank_.data() + f.Offset, 0, f.Info.Length);
  // A new record's varchars and varbinaries are empty: zero bytes, length 0, the length bit
  // set; a varchar without a bit (no _NullFlags) is blanks at its full width. No field is
  // .NULL. in a new record.
  for (const DbfField& f : header_.Fields) {
    if (f.VarLengthBit >= 0)
      blank_[header_.NullFlagsOffset + uint32_t(f.VarLengthBit) / 8] |= char(1 << (f.VarLengthBit % 8));
    else if (f.Info.Layout == FieldLayout::VarText)
      std::memset(blank_.data() + f.Offset, ' ', f.Info.Length);
  }
  pageCapacity_ = uint32_t(std::max<size_t>(1, kBufferBytes / header_.RecordLength));
  GoTop();
}

DbfTable::~DbfTable() = default;

namespace {

// Writes a new empty table of these header bytes (record count 0 and today's date set here),
// with an empty memo file of `memoKind` when it is not None. Nothing is left behind on failure.
void WriteNewTable(const std::string& path, std::string headerBytes, MemoKind memoKind,
                   uint32_t memoBlockSize) {
  StampDbfHeader(headerBytes, 0);
  std::string memoPath;
  if (memoKind != MemoKind::None) {
    memoPath = MemoFile::PathFor(path, memoKind, HasUpperExtension(path));
    size_t slash = path.find_last_of('/');
    std::string base = path.substr(slash == std::string::npos ? 0 : slash + 1);
    base = base.substr(0, base.find('.'));
    MemoFile::CreateEmpty(memoKind, memoPath, base, memoBlockSize);
  }
  try {
    File file = File::Create(path);
    headerBytes.push_back(kEofMark);
    file.WriteAt(0, headerBytes.data(), headerBytes.size());
  } catch (const DbfFailure& failure) {
    if (!memoPath.empty()) ::unlink(memoPath.c_str());
    if (failure.GenCode != gen::kCreate || failure.Errno != EEXIST) ::unlink(path.c_str());
    throw;
  }
}

}  // namespace

void DbfTable::Create(const std::string& path, const std::vector<FieldInfo>& fields,
                      uint8_t version, MemoKind memoKind) {
  bool hasMemo = std::any_of(fields.begin(), fields.end(),
                             [](const FieldInfo& f) { return f.Type == 'M'; });
  DbfHeader header = BuildDbfHeader(fields, hasMemo ? version : uint8_t(0x03), 0x03, path);
  WriteNewTable(path, header.Bytes, hasMemo ? memoKind : MemoKind::None, 0);
}

void DbfTable::CreateEmptyCopy(const std::string& path) const {
  // A table whose memo file is not there gets a copy with an empty one, as its format asks.
  WriteNewTable(path, header_.Bytes, memo_ ? memo_->Kind() : memoMissing_,
                memo_ ? memo_->BlockSize() : 0);
}

int DbfTable::FieldIndex(std::string_view name) const {
  if (lastIndex_ >= 0 && name == lastName_) return lastIndex_;  // sweeps ask for one field
  int index = FindField(name);
  if (index >= 0) {
    lastName_.assign(name);
    lastIndex_ = index;
  }
  return index;
}

int DbfTable::FindField(std::string_view name) const {
  name = TrimRight(name, " ");
  for (size_t i = 0; i < structure_.size(); ++i) {
    const std::string& field = structure_[i].Name;
    if (field.size() != name.size()) continue;
    bool same = true;
    for (size_t k = 0; k < name.size() && same; ++k) {
      char c = name[k];
      if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
      same = c == field[k];
    }
    if (same) return int(i);
  }
  return -1;
}

void DbfTable::GoTop() {
  recNo_ = 1;
  eof_ = bof_ = recCount_ == 0;
}

void DbfTable::GoTo(uint32_t recNo) {
  if (recNo == 0 || recNo > recCount_) {
    recNo_ = recCount_ + 1;
    eof_ = true;
    bof_ = recCount_ == 0;
  } else {
    recNo_ = recNo;
    eof_ = bof_ = false;
  }
}

void DbfTable::Skip(int64_t count) {
  if (recCount_ == 0) {
    GoTop();
    return;
  }
  int64_t target = int64_t(eof_ ? recCount_ + 1 : recNo_) + count;
  if (count == 0) return;
  if (target > int64_t(recCount_)) {
    recNo_ = recCount_ + 1;
    eof_ = true;
    bof_ = false;
  } else if (target < 1) {
    recNo_ = 1;
    bof_ = true;
    eof_ = false;
  } else {
    recNo_ = uint32_t(target);
    eof_ = bof_ = false;
  }
}

void DbfTable::RequireWritable(const char* what) const {
  if (readOnly_) {
    RaiseDbf(gen::kReadOnly,
             std::string("Die Tabelle ist nur zum Lesen geöffnet (") + what + ").", path_);
  }
}

char* DbfTable::CurrentRecord() {
  if (eof_ || recNo_ == 0 || recNo_ > recCount_) return nullptr;
  if (pageFirst_ == 0 || recNo_ < pageFirst_ || recNo_ >= pageFirst_ + pageCount_) {
    FlushPage();
    LoadPage(recNo_);
  }
  return page_.data() + size_t(recNo_ - pageFirst_) * header_.RecordLength;
}

void DbfTable::LoadPage(uint32_t recNo) {
  const size_t recLen = header_.RecordLength;
  uint32_t first = recNo;
  if (pageFirst_ != 0 && recNo < pageFirst_ && recNo > pageCapacity_) {
    first = recNo - pageCapacity_ + 1;  // walking backwards: keep the records before it
  } else if (pageFirst_ != 0 && recNo < pageFirst_) {
    first = 1;
  }
  uint32_t count = std::min<uint32_t>(pageCapacity_, recCount_ - first + 1);
  pageFirst_ = 0;
  pageCount_ = 0;
  ReservePage(count);
  file_.ReadExactly(RecordOffset(first), page_.data(), size_t(count) * recLen);
  pageFirst_ = first;
  pageCount_ = count;
}

void DbfTable::ReservePage(uint32_t records) {
  // The page grows to what the table uses, doubling, up to its capacity: a small table does
  // not cost a whole megabyte.
  const size_t recLen = header_.RecordLength;
  if (page_.size() >= size_t(records) * recLen + 1) return;
  const size_t grown = std::max<size_t>(records, page_.size() / recLen * 2);
  page_.resize(std::min<size_t>(grown, pageCapacity_) * recLen + 1);
}

void DbfTable::FlushPage() {
  if (dirtyFirst_ < 0) return;
  const size_t recLen = header_.RecordLength;
  const uint32_t first = pageFirst_ + uint32_t(dirtyFirst_);
  const uint32_t last = pageFirst_ + uint32_t(dirtyLast_);
  size_t bytes = size_t(dirtyLast_ - dirtyFirst_ + 1) * recLen;
  char* start = page_.data() + size_t(dirtyFirst_) * recLen;
  bool grows = last > written_;
  if (grows && last == recCount_) start[bytes++] = kEofMark;
  try {
    file_.WriteAt(RecordOffset(first), start, bytes);
  } catch (...) {
    if (grows) CutBackTo(written_);
    throw;
  }
  if (grows) written_ = last;
  dirtyFirst_ = dirtyLast_ = -1;
  headerDirty_ = true;
}

void DbfTable::CutBackTo(uint32_t records) noexcept {
  try {
    uint64_t end = RecordOffset(records + 1);
    if (file_.Size() > end) file_.Truncate(end + 1);
    file_.WriteAt(end, &kEofMark, 1);
  } catch (...) {
  }
}

void DbfTable::CountOn(char* record) {
  if (!counts_) return;  // the common case, once per record of a run
  const bool dbase7 = IsDbase7(header_.Version);
  for (const DbfField& f : header_.Fields) {
    if (!f.AutoIncrement) continue;
    char* counter = header_.Bytes.data() + f.Descriptor + (dbase7 ? 40 : 19);
    uint32_t next = 0;
    for (int b = 0; b < 4; ++b) next |= uint32_t(uint8_t(counter[b])) << (8 * b);
    if (dbase7) Dbase7NumberBytes(double(int32_t(next)), '+', 0, record + f.Offset);
    else std::memcpy(record + f.Offset, counter, 4);
    next += dbase7 ? 1 : uint8_t(counter[4]);
    for (int b = 0; b < 4; ++b) counter[b] = char(uint8_t(next >> (8 * b)));
  }
}

void DbfTable::RaiseCountersPastValues() {
  if (!counts_ || recCount_ == 0) return;
  const bool dbase7 = IsDbase7(header_.Version);
  const uint32_t counterAt = dbase7 ? 40 : 19;
  const size_t recLen = header_.RecordLength;
  std::vector<int64_t> largest(header_.Fields.size(), INT64_MIN);
  std::vector<char> chunk(std::max<size_t>(1, kBufferBytes / recLen) * recLen);
  for (uint32_t first = 0; first < recCount_;) {
    const uint32_t n = std::min<uint32_t>(recCount_ - first, uint32_t(chunk.size() / recLen));
    const size_t got = file_.ReadAt(RecordOffset(first + 1), chunk.data(), size_t(n) * recLen);
    if (got < size_t(n) * recLen) break;  // a short table: what it holds has been seen
    for (size_t i = 0; i < header_.Fields.size(); ++i) {
      const DbfField& f = header_.Fields[i];
      if (!f.AutoIncrement) continue;
      for (uint32_t r = 0; r < n; ++r) {
        const char* slot = chunk.data() + size_t(r) * recLen + f.Offset;
        int64_t value = 0;
        if (dbase7) {
          const double number = Dbase7NumberOf(slot, '+');
          if (!(number >= INT32_MIN && number <= INT32_MAX)) continue;
          value = int64_t(number);
        } else {
          uint32_t bits = 0;
          for (int b = 0; b < 4; ++b) bits |= uint32_t(uint8_t(slot[b])) << (8 * b);
          value = int32_t(bits);
        }
        largest[i] = std::max(largest[i], value);
      }
    }
    first += n;
  }
  for (size_t i = 0; i < header_.Fields.size(); ++i) {
    const DbfField& f = header_.Fields[i];
    if (!f.AutoIncrement || largest[i] == INT64_MIN || largest[i] >= INT32_MAX) continue;
    char* counter = header_.Bytes.data() + f.Descriptor + counterAt;
    uint32_t bits = 0;
    for (int b = 0; b < 4; ++b) bits |= uint32_t(uint8_t(counter[b])) << (8 * b);
    if (int64_t(int32_t(bits)) > largest[i]) continue;
    const uint32_t next = uint32_t(largest[i] + 1);
    for (int b = 0; b < 4; ++b) counter[b] = char(uint8_t(next >> (8 * b)));
  }
}

std::string DbfTable::FieldWithoutCounterRoom(uint64_t records) const {
  if (!counts_) return {};
  const bool dbase7 = IsDbase7(header_.Version);
  for (const DbfField& f : header_.Fields) {
    if (!f.AutoIncrement) continue;
    const char* counter = header_.Bytes.data() + f.Descriptor + (dbase7 ? 40 : 19);
    uint32_t next = 0;
    for (int b = 0; b < 4; ++b) next |= uint32_t(uint8_t(counter[b])) << (8 * b);
    const int64_t step = dbase7 ? 1 : uint8_t(counter[4]);
    // The counter after the last new record must still be a value of the field: past it the
    // next program to append would write a negative or a repeated number.
    if (int64_t(int32_t(next)) + step * int64_t(records) > INT32_MAX) return f.Info.Name;
  }
  return {};
}

void DbfTable::RequireCounterRoom(uint64_t records) const {
  const std::string name = FieldWithoutCounterRoom(records);
  if (!name.empty()) {
    RaiseDbf(gen::kLimit,
             "Der Zähler des Autowert-Feldes " + name + " reicht nicht für " +
                 std::to_string(records) + " weitere Sätze (höchster Wert 2147483647).",
             path_);
  }
}

void DbfTable::WriteHeaderCount() {
  StampDbfHeader(header_.Bytes, written_);
  file_.WriteAt(1, header_.Bytes.data() + 1, 7);
  // The counters of autoincrement fields go with the count of the records that used them.
  const uint32_t counterAt = IsDbase7(header_.Version) ? 40 : 19;
  for (const DbfField& f : header_.Fields)
    if (f.AutoIncrement)
      file_.WriteAt(f.Descriptor + counterAt, header_.Bytes.data() + f.Descriptor + counterAt, 4);
  headerCount_ = written_;
  headerDirty_ = false;
}

std::string DbfTable::ReadMemo(const char* slot, const DbfField& field) {
  if (!memo_) return {};  // the memo file is not there: no text to read
  if (field.Info.Length == 4) {  // Visual FoxPro: the block number in four bytes, low first
    const uint32_t block = uint32_t(uint8_t(slot[0])) | uint32_t(uint8_t(slot[1])) << 8 |
                           uint32_t(uint8_t(slot[2])) << 16 | uint32_t(uint8_t(slot[3])) << 24;
    return block == 0 ? std::string() : codePage_.ToAnsi(memo_->Read(block));
  }
  std::string_view text(slot, field.Info.Length);
  size_t begin = text.find_first_not_of(' ');
  if (begin == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(' ');
  text = text.substr(begin, end - begin + 1);
  uint64_t block = 0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), block);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() || block > 0xFFFFFFFFu) {
    RaiseDbf(gen::kCorruption, "Das Memofeld " + field.Info.Name + " hat keine gültige Blocknummer.",
             path_);
  }
  if (block == 0) return {};
  return codePage_.ToAnsi(memo_->Read(uint32_t(block)));
}

bool DbfTable::Deleted() {
  const char* record = CurrentRecord();
  return record && record[0] == '*';
}

Value DbfTable::Get(int index) {
  const DbfField& field = header_.Fields.at(size_t(index));
  const char* record = CurrentRecord();
  if (!record) record = blank_.data();
  const char* slot = record + field.Offset;
  const uint32_t length = field.Info.Length;
  switch (field.Info.Layout) {
    case FieldLayout::Text: {
      // Read from UTF-8 the text is shorter than its bytes; a text field's value is as long as
      // the field, whatever its code page.
      std::string text = codePage_.ToAnsi(std::string_view(slot, length));
      text.resize(length, ' ');
      return Value(std::move(text));
    }
    case FieldLayout::VarText: {
      // Shorter than the field: its length is in the last byte.
      const int bit = field.VarLengthBit;
      if (bit >= 0 && (record[header_.NullFlagsOffset + uint32_t(bit) / 8] >> (bit % 8)) & 1)
        return Value(codePage_.ToAnsi(
            std::string_view(slot, std::min<uint32_t>(uint8_t(slot[length - 1]), length - 1))));
      return Value(codePage_.ToAnsi(std::string_view(slot, length)));
    }
    case FieldLayout::Number: {
      const char* begin = slot;
      const char* end = slot + length;
      while (begin < end && *begin == ' ') ++begin;
      while (end > begin && end[-1] == ' ') --end;
      if (begin < end && *begin == '+') ++begin;
      double number = 0;
      auto result = std::from_chars(begin, end, number);
      if (result.ec != std::errc()) number = 0;
      return Value(number);
    }
    case FieldLayout::Integer:
    case FieldLayout::Double:
    case FieldLayout::Currency:
      return Value(BinaryNumberOf(slot, field.Info.Type));
    case FieldLayout::DateTime:
      return Value(DateOfDateTime(slot));
    case FieldLayout::Dbase7Integer:
    case FieldLayout::Dbase7Double:
      // Zero bytes are dBase 7's blank; every value has a set bit.
      if (std::all_of(slot, slot + length, [](char c) { return c == 0; })) return Value();
      return Value(Dbase7NumberOf(slot, field.Info.Type));
    case FieldLayout::Dbase7Timestamp:
      return Value(DateOfTimestamp(slot));
    case FieldLayout::Logic:
      return Value(*slot == 'T' || *slot == 't' || *slot == 'Y' || *slot == 'y');
    case FieldLayout::Date:
      return Value(Date::FromDbf(std::string_view(slot, 8)));
    case FieldLayout::MemoText:
    case FieldLayout::MemoBinary:
      return Value(ReadMemo(slot, field));
    default:
      return Value();
  }
}

void DbfTable::PutValue(char* slot, const DbfField& field, const Value& value) {
  SlotWriter writer(*this);
  writer.Bind(slot, field);
  switch (value.GetType()) {
    case Value::Type::Nil: writer.PutBlank(); break;
    case Value::Type::Text: writer.PutText(value.AsText()); break;
    case Value::Type::Number: writer.PutNumber(value.AsNumber()); break;
    case Value::Type::Logic: writer.PutLogic(value.AsLogic()); break;
    case Value::Type::Date: writer.PutDate(value.AsDate()); break;
  }
}

void DbfTable::Put(int index, const Value& value) {
  RequireWritable("Feld schreiben");
  const DbfField& field = header_.Fields.at(size_t(index));
  char* record = CurrentRecord();
  if (!record) {
    RaiseDbf(gen::kBound, "Es ist kein Datensatz ausgewählt (Dateiende).", path_);
  }
  // Every writer either fits the whole value into the slot or raises before it writes.
  PutValue(record + field.Offset, field, value);
  int64_t index0 = int64_t(recNo_ - pageFirst_);
  if (dirtyFirst_ < 0 || index0 < dirtyFirst_) dirtyFirst_ = index0;
  if (index0 > dirtyLast_) dirtyLast_ = index0;
}

void DbfTable::Append() {
  RequireWritable("Satz anhängen");
  if (recCount_ == 0xFFFFFFFFu) RaiseDbf(gen::kLimit, "Die Tabelle ist voll.", path_);
  RequireCounterRoom(1);
  const uint32_t newNo = recCount_ + 1;
  const size_t recLen = header_.RecordLength;
  if (!(pageFirst_ != 0 && pageFirst_ + pageCount_ == newNo && pageCount_ < pageCapacity_)) {
    FlushPage();
    pageFirst_ = newNo;
    pageCount_ = 0;
  }
  ReservePage(pageCount_ + 1);
  std::memcpy(page_.data() + size_t(pageCount_) * recLen, blank_.data(), recLen);
  CountOn(page_.data() + size_t(pageCount_) * recLen);
  int64_t index0 = pageCount_;
  ++pageCount_;
  if (dirtyFirst_ < 0) dirtyFirst_ = index0;
  dirtyLast_ = index0;
  recCount_ = newNo;
  recNo_ = newNo;
  eof_ = bof_ = false;
}

void DbfTable::Zap() {
  RequireWritable("Zap");
  if (shared_) {
    RaiseDbf(gen::kShared, "Die Tabelle kann nur bei exklusivem Zugriff geleert werden.", path_);
  }
  dirtyFirst_ = dirtyLast_ = -1;
  pageFirst_ = pageCount_ = 0;
  recCount_ = written_ = 0;
  // The count first: a process stopped in between leaves an empty, valid table.
  WriteHeaderCount();
  file_.Truncate(uint64_t(header_.HeaderLength) + 1);
  file_.WriteAt(header_.HeaderLength, &kEofMark, 1);
  if (memo_) memo_->Zap();
  GoTop();
}

void DbfTable::Commit() {
  if (readOnly_ || !file_.IsOpen()) return;
  FlushPage();
  if (memo_) memo_->Flush();
  // Records added one by one are counted without a sync: the program's own small tables go
  // this way, often one record at a time, where a sync per record would cost more than the
  // work. A run's records go through AppendRecords, which syncs.
  if (headerDirty_ || headerCount_ != written_) WriteHeaderCount();
}

void DbfTable::CountDurably() {
  // The memo texts and the records reach the disk before the header counts them, and the
  // header itself before the caller hears of success: after a power loss the header never
  // counts records that are not there.
  if (memo_) memo_->GetFile().Sync();
  file_.Sync();
  WriteHeaderCount();
  file_.Sync();
}

void DbfTable::Close() {
  Commit();
  Abandon();
}

void DbfTable::Abandon() noexcept {
  if (!readOnly_ && file_.IsOpen() && written_ > headerCount_) CutBackTo(headerCount_);
  dirtyFirst_ = dirtyLast_ = -1;
  pageFirst_ = pageCount_ = 0;
  std::vector<char>().swap(page_);
  memo_.reset();
  file_.Close();
}

uint32_t DbfTable::FullyWrittenRecords(std::span<const ColumnPlan> plans) const {
  uint32_t covered = std::numeric_limits<uint32_t>::max();
  for (size_t i = 0; i < header_.Fields.size(); ++i) {
    const FieldInfo& info = header_.Fields[i].Info;
    // Every value of these types fills its whole slot (a wrong type raises before the write).
    const bool whole = info.Layout != FieldLayout::KeptBlank && info.Layout != FieldLayout::KeptZero;
    uint32_t field = 0;
    if (whole)
      for (const ColumnPlan& plan : plans)
        if (size_t(plan.FieldPos - 1) == i) field = std::max(field, plan.Count);
    covered = std::min(covered, field);
  }
  return header_.Fields.empty() ? 0 : covered;
}

const DbfField DbfTable::SlotWriter::kDeletionFlag = [] {
  DbfField flag{};
  flag.Info = FieldInfo{"", '*', 1, 0, FieldLayout::KeptBlank};
  flag.Offset = 0;
  return flag;
}();

void DbfTable::AppendRecords(uint32_t count, std::span<const ColumnPlan> plans,
                             const std::atomic<bool>* keepGoing,
                             const std::function<void(uint32_t)>& afterWrite) {
  RequireWritable("Sätze anhängen");
  for (const ColumnPlan& plan : plans) {
    if (plan.FieldPos < 0 || size_t(plan.FieldPos) > header_.Fields.size() || !plan.Source) {
      RaiseDbf(gen::kArg, "Ein Feld der Füllung gibt es in der Tabelle nicht.", path_);
    }
  }
  if (count == 0) return;
  if (uint64_t(recCount_) + count > 0xFFFFFFFFu) {
    RaiseDbf(gen::kLimit, "So viele Sätze fasst die Tabelle nicht.", path_);
  }
  RequireCounterRoom(count);
  FlushPage();
  if (memo_) memo_->Flush();

  const size_t recLen = header_.RecordLength;
  const uint32_t oldCount = recCount_;
  const uint32_t countBefore = headerCount_;
  const MemoFile::Mark memoMark = memo_ ? memo_->GetMark() : MemoFile::Mark{};
  const std::string headerBefore = header_.Bytes;  // with the counters before the run
  try {
    RaiseCountersPastValues();
    RequireCounterRoom(count);
  } catch (...) {
    header_.Bytes = headerBefore;
    throw;
  }
  const uint32_t chunkCapacity = uint32_t(std::max<size_t>(1, kBufferBytes / recLen));
  std::vector<char> chunk(size_t(std::min(chunkCapacity, count)) * recLen + 1);
  // Records whose every field gets a value need no blank copy first, only their deletion flag.
  const uint32_t covered = FullyWrittenRecords(plans);
  const uint32_t batch = uint32_t(std::max<size_t>(1, kBatchBytes / recLen));
  uint32_t done = 0;
  try {
    SlotWriter writer(*this);
    while (done < count) {
      if (keepGoing && !keepGoing->load(std::memory_order_relaxed)) break;
      const uint32_t n = std::min(chunkCapacity, count - done);
      for (uint32_t r = 0; r < n; ++r) {
        char* record = chunk.data() + size_t(r) * recLen;
        if (done + r < covered) *record = ' ';
        else std::memcpy(record, blank_.data(), recLen);
        CountOn(record);
      }
      // Field by field over a few records at a time: the same source runs many times in a
      // row while those records stay in the cache. Each source keeps its own random stream,
      // so the values are the same as record by record.
      for (uint32_t first = 0; first < n; first += batch) {
        const uint32_t last = std::min(n, first + batch);
        for (const ColumnPlan& plan : plans) {
          if (plan.Count <= done + first) continue;
          const uint32_t end = std::min<uint64_t>(last, uint64_t(plan.Count) - done);
          const DbfField& field = plan.FieldPos == 0 ? SlotWriter::kDeletionFlag
                                                     : header_.Fields[size_t(plan.FieldPos - 1)];
          char* slot = chunk.data() + size_t(first) * recLen + field.Offset;
          for (uint32_t r = first; r < end; ++r, slot += recLen) {
            writer.Bind(slot, field);
            plan.Source->Produce(writer);
          }
        }
      }
      size_t bytes = size_t(n) * recLen;
      if (done + n == count) chunk[bytes++] = kEofMark;
      file_.WriteAt(RecordOffset(oldCount + done + 1), chunk.data(), bytes);
      done += n;
      if (afterWrite && done < count) afterWrite(done);
    }
    if (done > 0 && done < count) file_.WriteAt(RecordOffset(oldCount + done + 1), &kEofMark, 1);
    if (memo_) memo_->Flush();
    recCount_ = written_ = oldCount + done;
    if (done > 0) CountDurably();
  } catch (...) {
    // A failed sync after the header was written: the header goes back to its old count
    // before the records it counted are cut off; the counters go back with it.
    header_.Bytes = headerBefore;
    if (headerCount_ != countBefore) {
      written_ = countBefore;
      try {
        WriteHeaderCount();
      } catch (...) {
      }
    }
    CutBackTo(oldCount);
    if (memo_) memo_->RollBack(memoMark);
    recCount_ = written_ = oldCount;
    throw;
  }
  if (done > 0) {
    recNo_ = recCount_;
    eof_ = bof_ = false;
  }
}

}  // namespace fw
