#include "core/platform/DbfTable.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/errors/Error.h"
#include "core/platform/DbfFailure.h"
#include "core/platform/DecimalText.h"
#include "core/platform/FileLock.h"

namespace fw {
namespace {

constexpr char kEofMark = 0x1A;

constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

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

std::string FieldLabel(const DbfField& f) {
  std::string label = f.Info.Name + " (" + f.Info.Type + " " + std::to_string(f.Info.Length);
  // Appended piece by piece: GCC 12 at -O3 warns (-Wrestrict) about the inlined insert of
  // `"," + std::string`, a known false alarm of its string header.
  if (f.Info.Decimals) label.append(",").append(std::to_string(f.Info.Decimals));
  return label + ")";
}

}  // namespace

namespace {

constexpr uint64_t kPowersOfTenInt[] = {1ull,
                                        10ull,
                                        100ull,
                                        1000ull,
                                        10000ull,
                                        100000ull,
                                        1000000ull,
                                        10000000ull,
                                        100000000ull,
                                        1000000000ull,
                                        10000000000ull,
                                        100000000000ull,
                                        1000000000000ull,
                                        10000000000000ull,
                                        100000000000000ull,
                                        1000000000000000ull,
                                        10000000000000000ull,
                                        100000000000000000ull,
                                        1000000000000000000ull,
                                        10000000000000000000ull};

// The number of decimal digits of v (1 for 0): from its bit length, corrected by one compare.
inline uint32_t DecimalDigits(uint64_t v) {
  v |= 1;  // the same count, and 0 has one digit
  const uint32_t bits = 64 - uint32_t(std::countl_zero(v));
  const uint32_t guess = (bits * 1233) >> 12;  // 1233 / 4096 is just above log10(2)
  return guess + (v >= kPowersOfTenInt[guess]);
}


// Stores the n lowest bytes of v (n <= 8) at p, lowest first, in at most two overlapping moves.
inline void StoreLowBytes(char* p, uint64_t v, uint32_t n) {
  if (n >= 4) {
    const uint32_t head = uint32_t(v), tail = uint32_t(v >> (8 * (n - 4)));
    std::memcpy(p, &head, 4);
    std::memcpy(p + n - 4, &tail, 4);
  } else if (n >= 2) {
    const uint16_t head = uint16_t(v), tail = uint16_t(v >> (8 * (n - 2)));
    std::memcpy(p, &head, 2);
    std::memcpy(p + n - 2, &tail, 2);
  } else if (n == 1) {
    *p = char(v);
  }
}

// Copies n bytes (n <= 32) with a few overlapping word moves that never read or write
// outside the n bytes, instead of a library call.
inline void CopyShort(char* out, const char* in, size_t n) {
  if (n >= 16) {
    char head[16], tail[16];
    std::memcpy(head, in, 16);
    std::memcpy(tail, in + n - 16, 16);
    std::memcpy(out, head, 16);
    std::memcpy(out + n - 16, tail, 16);
  } else if (n >= 8) {
    uint64_t head, tail;
    std::memcpy(&head, in, 8);
    std::memcpy(&tail, in + n - 8, 8);
    std::memcpy(out, &head, 8);
    std::memcpy(out + n - 8, &tail, 8);
  } else if (n >= 4) {
    uint32_t head, tail;
    std::memcpy(&head, in, 4);
    std::memcpy(&tail, in + n - 4, 4);
    std::memcpy(out, &head, 4);
    std::memcpy(out + n - 4, &tail, 4);
  } else if (n >= 2) {
    uint16_t head, tail;
    std::memcpy(&head, in, 2);
    std::memcpy(&tail, in + n - 2, 2);
    std::memcpy(out, &head, 2);
    std::memcpy(out + n - 2, &tail, 2);
  } else if (n == 1) {
    *out = *in;
  }
}

// Writes n blanks (n <= 32) with a few overlapping word moves instead of a library call.
inline void FillBlanks(char* out, size_t n) {
  constexpr uint64_t kEight = 0x2020202020202020ull;
  if (n >= 8) {
    for (size_t i = 0; i + 8 <= n; i += 8) std::memcpy(out + i, &kEight, 8);
    std::memcpy(out + n - 8, &kEight, 8);
  } else if (n >= 4) {
    std::memcpy(out, &kEight, 4);
    std::memcpy(out + n - 4, &kEight, 4);
  } else {
    if (n >= 1) out[0] = ' ';
    if (n >= 2) out[1] = ' ';
    if (n >= 3) out[2] = ' ';
  }
}

}  // namespace

namespace {

// Every number FormatNumber's short way does not take: values of more than eight digits, more
// than seven decimals, infinities and NaN.
[[gnu::noinline]] bool FormatLongNumber(double number, uint32_t length, uint32_t decimals,
                                        char* out) {
  if (!std::isfinite(number) || length > 255) return false;
  const double scaled = decimals > 15 ? INFINITY : number * kPowersOfTen[decimals];
  const double magnitudeScaled = std::fabs(scaled);
  if (!(magnitudeScaled < 9.0e15)) {  // also for more than 15 decimals
    char text[400];
    auto result = std::to_chars(text, text + sizeof text, number, std::chars_format::fixed,
                                int(decimals));
    if (result.ec != std::errc()) return false;
    char* begin = text;
    // A negative value that rounds to zero is written without its sign, as on the short way.
    if (*begin == '-' && std::all_of(begin + 1, result.ptr, [](char c) { return c == '0' || c == '.'; }))
      ++begin;
    const size_t size = size_t(result.ptr - begin);
    if (size > length) return false;
    std::memset(out, ' ', length - size);
    std::memcpy(out + length - size, begin, size);
    return true;
  }
  uint64_t magnitude = uint64_t(magnitudeScaled);  // truncation: the floor of a positive value
  const double fraction = magnitudeScaled - double(magnitude);
  magnitude += fraction >= 0.5;
  if (fraction > 0.4999 && fraction < 0.5) {
    const double ulp = std::nextafter(magnitudeScaled, INFINITY) - magnitudeScaled;
    if (0.5 - fraction <= 8 * ulp) ++magnitude;
  }
  const bool negative = scaled < 0 && magnitude != 0;
  uint32_t digits = DecimalDigits(magnitude);
  if (digits <= decimals) digits = decimals + 1;
  const uint32_t size = digits + (decimals > 0) + negative;
  if (size > length) return false;
  char* p = out + length;
  uint32_t fractionDigits = decimals;
  for (; fractionDigits >= 2; fractionDigits -= 2) {
    p -= 2;
    std::memcpy(p, kDigitPairs + (magnitude % 100) * 2, 2);
    magnitude /= 100;
  }
  if (fractionDigits == 1) {
    *--p = char('0' + magnitude % 10);
    magnitude /= 10;
  }
  if (decimals > 0) *--p = '.';
  for (uint32_t left = digits - decimals; left >= 2; left -= 2) {
    p -= 2;
    std::memcpy(p, kDigitPairs + (magnitude % 100) * 2, 2);
    magnitude /= 100;
  }
  if ((digits - decimals) % 2 == 1) *--p = char('0' + magnitude);
  if (negative) *--p = '-';
  FillBlanks(out, length - size);
  return true;
}

// FormatNumber, inline where the bulk append writes numbers.
[[gnu::always_inline]] inline bool FormatNumberInto(double number, uint32_t length,
                                                   uint32_t decimals, char* out) {
  if (length == 0) return false;
  if (decimals > 15 || length > 32) [[unlikely]]  // wide fields other programs write
    return FormatLongNumber(number, length, decimals, out);
  const double scaled = number * kPowersOfTen[decimals];
  const double magnitudeScaled = std::fabs(scaled);
  // The short way: at most eight digits (also after rounding up) and seven decimals. The
  // comparison is false for NaN as well.
  if (!(magnitudeScaled < 99999999.0) || decimals > 7 ||
      std::endian::native != std::endian::little) [[unlikely]]
    return FormatLongNumber(number, length, decimals, out);

  // Half away from zero, also for values such as 2.675 whose binary form lies a hair below
  // the half: a distance from .5 within a few units of the last place counts as half. Adding
  // the half is exact here but for a fraction that close to .5, which the test below settles.
  uint32_t magnitude = uint32_t(magnitudeScaled + 0.5);
  const double whole = double(uint32_t(magnitudeScaled));
  const double fraction = magnitudeScaled - whole;
  // One comparison for 0.4999 < fraction < 0.5: two would make a branch that goes either way.
  if (std::fabs(fraction - 0.49995) < 0.00005) [[unlikely]] {
    const double ulp = std::nextafter(magnitudeScaled, INFINITY) - magnitudeScaled;
    magnitude = uint32_t(whole) + (0.5 - fraction <= 8 * ulp);
  }
  const bool negative = std::signbit(number) && magnitude != 0;

  // All eight digits at once in one register; the slot gets the last `digits` of them, the
  // point, the sign and leading blanks, written from its end.
  const uint64_t values = EightDigitValues(magnitude);
  const uint64_t text = values + kEightZeros;
  // Leading zeros are the zero bytes at the low end; 0 itself keeps one digit.
  uint32_t digits = 8 - uint32_t(std::countr_zero(values | (1ull << 56))) / 8;
  if (digits <= decimals) digits = decimals + 1;  // "0.05": a zero before the point
  const uint32_t size = digits + (decimals > 0) + negative;
  if (size > length) return false;
  // Blanks over the whole slot first: its length is the same for every value of a field, so
  // this takes the same way every time, where the number of leading blanks would not.
  FillBlanks(out, length);
  // The sign without a branch (a random share of values is negative) and without reading the
  // slot back: a '-' before the digits, or in the first digit's place, where the digits below
  // overwrite it.
  out[length - size] = '-';
  char* p = out + length;
  if (decimals > 0) {
    p -= decimals;
    StoreLowBytes(p, text >> (8 * (8 - decimals)), decimals);
    *--p = '.';
  }
  p -= digits - decimals;
  StoreLowBytes(p, text >> (8 * (8 - digits)), digits - decimals);
  return true;
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

  void PutText(std::string_view text) override {
    const uint32_t length = field_->Info.Length;
    switch (field_->Info.Type) {
      case 'C': {
        size_t n = std::min<size_t>(length, text.size());
        if (table_.codePage_.Converts()) {
          n = table_.codePage_.FromAnsiFitted(text, slot_, length);
          std::memset(slot_ + n, ' ', length - n);
        } else if (length <= 32) {
          // Most fields: a few word moves, no library calls. Blanks over the whole slot first
          // take the same way for every value of the field; only the copy depends on the text.
          FillBlanks(slot_, length);
          CopyShort(slot_, text.data(), n);
        } else {
          std::memcpy(slot_, text.data(), n);
          std::memset(slot_ + n, ' ', length - n);
        }
        return;
      }
      case 'M': {
        if (text.empty()) {
          std::memset(slot_, ' ', length);
          return;
        }
        uint32_t block = table_.memo_->Append(text, table_.codePage_);
        char digits[16];
        auto end = std::to_chars(digits, digits + sizeof digits, block).ptr;
        size_t n = size_t(end - digits);
        std::memset(slot_, ' ', length - n);
        std::memcpy(slot_ + length - n, digits, n);
        return;
      }
      default:
        WrongType("einen Text");
    }
  }

  void PutNumber(double number) override {
    if (field_->Info.Type != 'N' && field_->Info.Type != 'F') WrongType("eine Zahl");
    if (!FormatNumberInto(number, field_->Info.Length, field_->Info.Decimals, slot_)) {
      char text[64];
      auto end = std::to_chars(text, text + sizeof text, number).ptr;
      RaiseDbf(gen::kDataWidth,
               "Die Zahl " + std::string(text, end) + " passt nicht in das Feld " +
                   FieldLabel(*field_) + ".",
               table_.path_);
    }
  }

  void PutLogic(bool logic) override {
    if (field_->Info.Type != 'L') WrongType("einen logischen Wert");
    *slot_ = logic ? 'T' : 'F';
  }

  void PutDate(Date date) override {
    if (field_->Info.Type != 'D') WrongType("ein Datum");
    if (date.IsEmpty()) {
      std::memset(slot_, ' ', 8);
      return;
    }
    date.ToDbf(slot_);
  }

  void PutBlank() { std::memset(slot_, ' ', field_->Info.Length); }

private:
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


bool DbfTable::FormatNumber(double number, uint32_t length, uint32_t decimals, char* out) {
  return FormatNumberInto(number, length, decimals, out);
}

DbfTable::DbfTable(const std::string& path, bool shared, bool readOnly,
                   MemoKind memoKindForPlainTable)
    : path_(path), shared_(shared), readOnly_(readOnly) {
  file_ = File::Open(path, readOnly);
  LockWholeFile(file_, !shared);
  header_ = ReadDbfHeader(file_);
  codePage_ = TableCodePage::ForLanguageDriver(header_.LanguageDriver);
  // Names as the table's code page writes them, shown in the program's; a control character
  // (which no program means as part of a name) becomes '_'.
  for (DbfField& f : header_.Fields) {
    f.Info.Name = codePage_.ToAnsi(f.Info.Name);
    for (char& c : f.Info.Name)
      if (uint8_t(c) < 0x20 || c == 0x7F) c = '_';
    structure_.push_back(f.Info);
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
      memoFile = File::Open(memoPath, readOnly);
    } catch (const DbfFailure& failure) {
      if (failure.Errno != ENOENT) throw;
      std::string other = MemoFile::PathFor(path, kind, !upper);
      try {
        memoFile = File::Open(other, readOnly);
      } catch (const DbfFailure& second) {
        if (second.Errno != ENOENT) throw;
        // Copied from DOS or Windows, the names may differ in case anywhere (KUNDEN.dbf
        // beside kunden.DBT).
        other = FindIgnoringCase(memoPath);
        if (other.empty()) {
          RaiseDbf(gen::kOpen, "Das Memo-File der Tabelle fehlt.", memoPath, ENOENT);
        }
        memoFile = File::Open(other, readOnly);
      }
    }
    LockWholeFile(memoFile, !shared);
    memo_ = std::make_unique<MemoFile>(kind, std::move(memoFile));
  }

  recCount_ = written_ = headerCount_ = header_.RecCount;
  blank_.assign(header_.RecordLength, ' ');
  pageCapacity_ = uint32_t(std::max<size_t>(1, kBufferBytes / header_.RecordLength));
  GoTop();
}

DbfTable::~DbfTable() = default;

void DbfTable::Create(const std::string& path, const std::vector<FieldInfo>& fields,
                      uint8_t version, MemoKind memoKind) {
  bool hasMemo = std::any_of(fields.begin(), fields.end(),
                             [](const FieldInfo& f) { return f.Type == 'M'; });
  DbfHeader header = BuildDbfHeader(fields, hasMemo ? version : uint8_t(0x03), 0x03, path);
  std::string memoPath;
  if (hasMemo) {
    memoPath = MemoFile::PathFor(path, memoKind, HasUpperExtension(path));
    size_t slash = path.find_last_of('/');
    std::string base = path.substr(slash == std::string::npos ? 0 : slash + 1);
    base = base.substr(0, base.find('.'));
    MemoFile::CreateEmpty(memoKind, memoPath, base);
  }
  try {
    File file = File::Create(path);
    std::string bytes = header.Bytes;
    bytes.push_back(kEofMark);
    file.WriteAt(0, bytes.data(), bytes.size());
  } catch (const DbfFailure& failure) {
    if (hasMemo) ::unlink(memoPath.c_str());
    if (failure.GenCode != gen::kCreate || failure.Errno != EEXIST) ::unlink(path.c_str());
    throw;
  }
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
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
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

void DbfTable::WriteHeaderCount() {
  StampDbfHeader(header_.Bytes, written_);
  file_.WriteAt(1, header_.Bytes.data() + 1, 7);
  headerCount_ = written_;
  headerDirty_ = false;
}

std::string DbfTable::ReadMemo(const char* slot, const DbfField& field) {
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

Value DbfTable::Get(int index) {
  const DbfField& field = header_.Fields.at(size_t(index));
  const char* record = CurrentRecord();
  if (!record) record = blank_.data();
  const char* slot = record + field.Offset;
  const uint32_t length = field.Info.Length;
  switch (field.Info.Type) {
    case 'C':
      return Value(codePage_.ToAnsi(std::string_view(slot, length)));
    case 'N':
    case 'F': {
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
    case 'L':
      return Value(*slot == 'T' || *slot == 't' || *slot == 'Y' || *slot == 'y');
    case 'D':
      return Value(Date::FromDbf(std::string_view(slot, 8)));
    case 'M':
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
  const uint32_t newNo = recCount_ + 1;
  const size_t recLen = header_.RecordLength;
  if (!(pageFirst_ != 0 && pageFirst_ + pageCount_ == newNo && pageCount_ < pageCapacity_)) {
    FlushPage();
    pageFirst_ = newNo;
    pageCount_ = 0;
  }
  ReservePage(pageCount_ + 1);
  std::memcpy(page_.data() + size_t(pageCount_) * recLen, blank_.data(), recLen);
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
    const bool whole = info.Type == 'C' || info.Type == 'M' || info.Type == 'N' ||
                       info.Type == 'F' || (info.Type == 'L' && info.Length == 1) ||
                       (info.Type == 'D' && info.Length == 8);
    uint32_t field = 0;
    if (whole)
      for (const ColumnPlan& plan : plans)
        if (size_t(plan.FieldPos - 1) == i) field = std::max(field, plan.Count);
    covered = std::min(covered, field);
  }
  return header_.Fields.empty() ? 0 : covered;
}

void DbfTable::AppendRecords(uint32_t count, std::span<const ColumnPlan> plans,
                             const std::atomic<bool>* keepGoing,
                             const std::function<void(uint32_t)>& afterWrite) {
  RequireWritable("Sätze anhängen");
  for (const ColumnPlan& plan : plans) {
    if (plan.FieldPos < 1 || size_t(plan.FieldPos) > header_.Fields.size() || !plan.Source) {
      RaiseDbf(gen::kArg, "Ein Feld der Füllung gibt es in der Tabelle nicht.", path_);
    }
  }
  if (count == 0) return;
  if (uint64_t(recCount_) + count > 0xFFFFFFFFu) {
    RaiseDbf(gen::kLimit, "So viele Sätze fasst die Tabelle nicht.", path_);
  }
  FlushPage();
  if (memo_) memo_->Flush();

  const size_t recLen = header_.RecordLength;
  const uint32_t oldCount = recCount_;
  const uint32_t countBefore = headerCount_;
  const MemoFile::Mark memoMark = memo_ ? memo_->GetMark() : MemoFile::Mark{};
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
      }
      // Field by field over a few records at a time: the same source runs many times in a
      // row while those records stay in the cache. Each source keeps its own random stream,
      // so the values are the same as record by record.
      for (uint32_t first = 0; first < n; first += batch) {
        const uint32_t last = std::min(n, first + batch);
        for (const ColumnPlan& plan : plans) {
          if (plan.Count <= done + first) continue;
          const uint32_t end = std::min<uint64_t>(last, uint64_t(plan.Count) - done);
          const DbfField& field = header_.Fields[size_t(plan.FieldPos - 1)];
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
    // before the records it counted are cut off.
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
