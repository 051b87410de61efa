#include "core/index/KeySorter.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "core/platform/DbfFailure.h"

namespace fw {

namespace {
constexpr size_t kWriteChunk = size_t(256) << 10;
}

// One sorted run: a stretch of the sorter's run file, read back in chunks.
struct KeySorter::Run {
  const File* Data = nullptr;
  uint64_t Start = 0;
  uint64_t Size = 0;
  uint64_t Done = 0;
  std::vector<uint8_t> Chunk;
  size_t Pos = 0;
  size_t EntrySize = 0;

  const uint8_t* Current() const { return Chunk.data() + Pos; }
  // Moves to the next entry; false at the end of the run.
  bool Advance(size_t chunkBytes) {
    Pos += EntrySize;
    if (Pos < Chunk.size()) return true;
    return Load(chunkBytes);
  }
  bool Load(size_t chunkBytes) {
    const uint64_t left = Size - Done;
    if (left == 0) return false;
    Chunk.resize(size_t(std::min<uint64_t>(left, chunkBytes)));
    Data->ReadExactly(Start + Done, Chunk.data(), Chunk.size());
    Done += Chunk.size();
    Pos = 0;
    return true;
  }
};

KeySorter::KeySorter(std::string runFolder, bool descending, bool unique, size_t memoryBudget)
    : folder_(std::move(runFolder)),
      descending_(descending),
      unique_(unique),
      budget_(std::max<size_t>(memoryBudget, 1)) {}

KeySorter::~KeySorter() { ReleaseSorted(); }

void KeySorter::ReleaseSorted() {
  if (sortedRecNos_) LargePageAllocator<uint32_t>().deallocate(sortedRecNos_, sortedRoom_);
  sortedRecNos_ = nullptr;
  sortedRoom_ = 0;
}

namespace {

// Sorts the `n` entries of `size` bytes at `base` in place by their bytes from `depth` on
// (memcmp order): a most-significant-byte-first radix sort that moves whole entries, so it
// needs no room beside them. Below a few dozen entries an insertion sort is cheaper.
void SortEntries(uint8_t* base, size_t n, size_t size, size_t depth) {
  const auto at = [&](size_t i) { return base + i * size; };
  // Word by word in registers: a library call per exchange cost more than the exchange.
  const auto exchange = [&](uint8_t* a, uint8_t* b) {
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
      uint64_t x, y;
      std::memcpy(&x, a + i, 8);
      std::memcpy(&y, b + i, 8);
      std::memcpy(a + i, &y, 8);
      std::memcpy(b + i, &x, 8);
    }
    for (; i < size; ++i) std::swap(a[i], b[i]);
  };
  for (;;) {
    if (n < 2 || depth >= size) return;
    if (n < 32) {
      for (size_t i = 1; i < n; ++i) {
        for (size_t j = i; j > 0 && std::memcmp(at(j - 1) + depth, at(j) + depth, size - depth) > 0; --j)
          exchange(at(j - 1), at(j));
      }
      return;
    }
    // Bytes all entries share (long common prefixes: the same surname in 40-byte keys) are
    // stepped over eight at a time, without counting them byte by byte.
    while (depth + 8 <= size) {
      size_t i = 1;
      while (i < n && std::memcmp(at(0) + depth, at(i) + depth, 8) == 0) ++i;
      if (i < n) break;
      depth += 8;
    }
    if (depth >= size) return;
    size_t count[256] = {};
    for (size_t i = 0; i < n; ++i) ++count[at(i)[depth]];
    size_t next[256], end[256];
    size_t sum = 0;
    unsigned buckets = 0;
    for (unsigned b = 0; b < 256; ++b) {
      next[b] = sum;
      sum += count[b];
      end[b] = sum;
      buckets += count[b] > 0;
    }
    if (buckets > 1) {
      // Each entry is swapped straight into its bucket's next free place.
      for (unsigned b = 0; b < 256; ++b) {
        while (next[b] < end[b]) {
          const uint8_t c = at(next[b])[depth];
          if (c == b) {
            ++next[b];
          } else {
            exchange(at(next[b]), at(next[c]));
            ++next[c];
          }
        }
      }
    }
    // Each bucket sorted by the bytes after this one; the largest in the loop, the others
    // by recursion, which keeps the depth of the recursion small.
    size_t largest = 0;
    for (unsigned b = 1; b < 256; ++b)
      if (count[b] > count[largest]) largest = b;
    size_t from = 0;
    for (unsigned b = 0; b < 256; ++b) {
      if (b != largest && count[b] > 1) SortEntries(at(from), count[b], size, depth + 1);
      from += count[b];
    }
    base = at(end[largest] - count[largest]);
    n = count[largest];
    ++depth;
  }
}

uint64_t Load64(const uint8_t* p) {
  uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

uint32_t Load32(const uint8_t* p) {
  uint32_t w;
  std::memcpy(&w, p, 4);
  return w;
}

// The hash of a key for the table of distinct keys: its bytes a word at a time, the last
// word overlapping the one before.
uint64_t HashOf(const uint8_t* key, size_t length) {
  uint64_t h = 0x9E3779B97F4A7C15ull ^ length;
  const auto mix = [&h](uint64_t w) {
    h = (h ^ w) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 32;
  };
  if (length >= 8) {
    size_t i = 0;
    for (; i + 8 <= length; i += 8) mix(Load64(key + i));
    if (i < length) mix(Load64(key + length - 8));
  } else if (length >= 4) {
    mix(uint64_t(Load32(key)) << 32 | Load32(key + length - 4));
  } else {
    uint64_t w = 0;
    for (size_t i = 0; i < length; ++i) w = w << 8 | key[i];
    mix(w);
  }
  h *= 0xC4CEB9FE1A85EC53ull;
  return h ^ (h >> 29);
}

// Whether two keys of `length` bytes are the same, a word at a time.
bool SameKey(const uint8_t* a, const uint8_t* b, size_t length) {
  if (length >= 8) {
    for (size_t i = 0; i + 8 < length; i += 8)
      if (Load64(a + i) != Load64(b + i)) return false;
    return Load64(a + length - 8) == Load64(b + length - 8);
  }
  if (length >= 4) return Load32(a) == Load32(b) && Load32(a + length - 4) == Load32(b + length - 4);
  return std::memcmp(a, b, length) == 0;
}

}  // namespace

void KeySorter::Add(std::string_view key, uint32_t recNo) {
  if (finished_) throw std::logic_error("KeySorter::Add after Finish");
  if (added_ == 0) {
    keyLength_ = key.size();
    entrySize_ = keyLength_ + 4;
    distinctMode_ = keyLength_ > 0;
  } else if (key.size() != keyLength_) {
    throw std::logic_error("KeySorter::Add: keys of different lengths");
  }
  ++added_;
  const auto* bytes = reinterpret_cast<const uint8_t*>(key.data());
  if (distinctMode_) {
    const bool ascending = staged_ > 0 ? recNo > stagedRecNos_[staged_ - 1]
                                       : pendingKeys_ == 0 || recNo > lastRecNo_;
    if (ascending) {
      if (staging_.empty()) staging_.resize(kStaged * keyLength_);
      std::memcpy(staging_.data() + staged_ * keyLength_, bytes, keyLength_);
      stagedRecNos_[staged_++] = recNo;
      if (staged_ == kStaged) LookUpStaged();
      return;
    }
    LookUpStaged();
    if (distinctMode_) LeaveDistinctMode();
  }
  AddEntry(bytes, recNo);
}

void KeySorter::LookUpStaged() {
  const size_t n = staged_;
  staged_ = 0;
  // The hashes first, each independent of the others, and their slots fetched ahead: the
  // lookups then do not wait for one another.
  uint64_t hashes[kStaged];
  for (size_t i = 0; i < n; ++i) {
    hashes[i] = HashOf(staging_.data() + i * keyLength_, keyLength_);
    if (!table_.empty()) __builtin_prefetch(table_.data() + (size_t(hashes[i]) & (table_.size() - 1)));
  }
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* key = staging_.data() + i * keyLength_;
    const uint32_t recNo = stagedRecNos_[i];
    uint32_t number = 0;
    if (distinctMode_ && !DistinctNumber(key, hashes[i], number)) LeaveDistinctMode();
    if (!distinctMode_) {
      AddEntry(key, recNo);
      continue;
    }
    // Each record from the first pending one takes its key's number, each key one more
    // place when sorted.
    if (pendingKeys_ > 0 &&
        (uint64_t(recNo - firstRecNo_) + 1) * 2 + (pendingKeys_ + 1) * 4 + DistinctBytes() > budget_)
      SpillDistinctRun();
    if (pendingKeys_ == 0) {
      firstRecNo_ = recNo;
      ids_.clear();
      if (ids_.capacity() == 0)
        ids_.reserve(size_t(std::min<uint64_t>(expected_ ? expected_ : 1024, budget_ / 6)));
    }
    if (recNo - firstRecNo_ > ids_.size()) ids_.resize(recNo - firstRecNo_, kNoKey);
    ids_.push_back(uint16_t(number));
    lastRecNo_ = recNo;
    ++pendingKeys_;
  }
}

void KeySorter::AddEntry(const uint8_t* key, uint32_t recNo) {
  if (inMemory_ == capacity_) Grow();
  uint8_t* entry = buffer_.get() + inMemory_ * entrySize_;
  ++inMemory_;
  std::memcpy(entry, key, keyLength_);
  if (descending_) {
    for (size_t i = 0; i < keyLength_; ++i) entry[i] = uint8_t(~entry[i]);
  }
  entry[keyLength_] = uint8_t(recNo >> 24);
  entry[keyLength_ + 1] = uint8_t(recNo >> 16);
  entry[keyLength_ + 2] = uint8_t(recNo >> 8);
  entry[keyLength_ + 3] = uint8_t(recNo);
  ++entriesAdded_;
  if (inMemory_ == MostInMemory()) SpillRun();
}

size_t KeySorter::DistinctBytes() const {
  // The keys, the table, and the rank, order and start of each key when sorted.
  return distinct_.size() + table_.size() * 8 + size_t(distinctCount_) * 12;
}

bool KeySorter::DistinctNumber(const uint8_t* key, uint64_t hash, uint32_t& number) {
  if (table_.empty()) table_.assign(128, 0);
  // A slot holds the key's number + 1 (0: free) and the hash's upper half, which spares
  // comparing the bytes of keys that only share the slot.
  const uint64_t tag = hash & 0xFFFFFFFF00000000ull;
  size_t mask = table_.size() - 1;
  size_t slot = size_t(hash) & mask;
  for (;; slot = (slot + 1) & mask) {
    const uint64_t held = table_[slot];
    if (held == 0) break;
    if ((held & 0xFFFFFFFF00000000ull) == tag &&
        SameKey(DistinctKey(uint32_t(held) - 1), key, keyLength_)) {
      number = uint32_t(held) - 1;
      return true;
    }
  }
  if (distinctCount_ >= kMostDistinct ||
      DistinctBytes() + keyLength_ + 12 + (size_t(distinctCount_ + 1) * 2 > table_.size() ? table_.size() * 8 : 0) >
          budget_ / 2)
    return false;
  number = distinctCount_++;
  distinct_.insert(distinct_.end(), key, key + keyLength_);
  table_[slot] = tag | (number + 1);
  if (size_t(distinctCount_) * 2 > table_.size()) {
    // At most half full: probes stay short.
    std::vector<uint64_t> old(table_.size() * 2, 0);
    old.swap(table_);
    mask = table_.size() - 1;
    for (const uint64_t held : old) {
      if (held == 0) continue;
      size_t at = size_t(HashOf(DistinctKey(uint32_t(held) - 1), keyLength_)) & mask;
      while (table_[at] != 0) at = (at + 1) & mask;
      table_[at] = held;
    }
  }
  return true;
}

void KeySorter::SortPending() {
  byRank_.resize(distinctCount_);
  for (uint32_t n = 0; n < distinctCount_; ++n) byRank_[n] = n;
  std::sort(byRank_.begin(), byRank_.end(), [this](uint32_t a, uint32_t b) {
    const int order = std::memcmp(DistinctKey(a), DistinctKey(b), keyLength_);
    return descending_ ? order > 0 : order < 0;
  });
  std::vector<uint32_t> rankOf(distinctCount_);
  for (uint32_t r = 0; r < distinctCount_; ++r) rankOf[byRank_[r]] = r;
  starts_.assign(size_t(distinctCount_) + 1, 0);
  for (uint16_t& id : ids_) {
    if (id == kNoKey) continue;
    id = uint16_t(rankOf[id]);
    ++starts_[id + 1];
  }
  for (uint32_t r = 0; r < distinctCount_; ++r) starts_[r + 1] += starts_[r];
  // A counting pass in record order: equal keys keep their ascending record numbers.
  std::vector<uint32_t>& next = rankOf;
  std::copy(starts_.begin(), starts_.end() - 1, next.begin());
  if (sortedRoom_ < pendingKeys_) {
    ReleaseSorted();
    sortedRecNos_ = LargePageAllocator<uint32_t>().allocate(pendingKeys_);  // every place is written below
    sortedRoom_ = pendingKeys_;
  }
  for (size_t i = 0; i < ids_.size(); ++i)
    if (ids_[i] != kNoKey) sortedRecNos_[next[ids_[i]]++] = firstRecNo_ + uint32_t(i);
  ids_.clear();
  pendingKeys_ = 0;
}

void KeySorter::SpillDistinctRun() {
  SortPending();
  std::vector<uint8_t> out;
  out.reserve(std::max(entrySize_, kWriteChunk / entrySize_ * entrySize_) + entrySize_);
  const size_t begin = runFileSize_;
  for (uint32_t r = 0; r < distinctCount_; ++r) {
    const uint32_t from = starts_[r], to = unique_ ? std::min(starts_[r] + 1, starts_[r + 1]) : starts_[r + 1];
    for (uint32_t p = from; p < to; ++p) {
      const size_t at = out.size();
      out.resize(at + entrySize_);
      uint8_t* entry = out.data() + at;
      std::memcpy(entry, DistinctKey(byRank_[r]), keyLength_);
      if (descending_) {
        for (size_t i = 0; i < keyLength_; ++i) entry[i] = uint8_t(~entry[i]);
      }
      const uint32_t recNo = sortedRecNos_[p];
      entry[keyLength_] = uint8_t(recNo >> 24);
      entry[keyLength_ + 1] = uint8_t(recNo >> 16);
      entry[keyLength_ + 2] = uint8_t(recNo >> 8);
      entry[keyLength_ + 3] = uint8_t(recNo);
      if (out.size() + entrySize_ > out.capacity()) {
        WriteRun(out.data(), out.size());
        out.clear();
      }
    }
  }
  if (!out.empty()) WriteRun(out.data(), out.size());
  auto run = std::make_unique<Run>();
  run->Data = &runFile_;
  run->Start = begin;
  run->Size = runFileSize_ - begin;
  run->EntrySize = entrySize_;
  runs_.push_back(std::move(run));
  ++runsWritten_;
  if (runs_.size() >= kMostRuns) MergeIntoOneRun();
}

void KeySorter::LeaveDistinctMode() {
  distinctMode_ = false;
  if (pendingKeys_ > 0) {
    if (!runs_.empty() || pendingKeys_ * entrySize_ > budget_ / 2) {
      SpillDistinctRun();
    } else {
      const auto ids = std::move(ids_);
      for (size_t i = 0; i < ids.size(); ++i)
        if (ids[i] != kNoKey) AddEntry(DistinctKey(ids[i]), firstRecNo_ + uint32_t(i));
    }
  }
  pendingKeys_ = 0;
  std::vector<uint8_t>().swap(distinct_);
  std::vector<uint64_t>().swap(table_);
  decltype(ids_)().swap(ids_);
  std::vector<uint32_t>().swap(byRank_);
  std::vector<uint32_t>().swap(starts_);
  ReleaseSorted();
  distinctCount_ = 0;
}

size_t KeySorter::MostInMemory() const { return std::max<size_t>(1, budget_ / entrySize_); }

void KeySorter::Grow() {
  const size_t most = MostInMemory();
  size_t wanted;
  if (expected_ > entriesAdded_) {
    // Known count: taken once, as large as the keys need or the budget allows.
    wanted = size_t(std::min<uint64_t>(expected_ - entriesAdded_ + inMemory_, most));
    wanted = std::max(wanted, inMemory_ + 1);
  } else {
    wanted = std::min(most, std::max<size_t>(capacity_ * 2, (size_t(64) << 10) / entrySize_ + 1));
  }
  std::unique_ptr<uint8_t[]> bigger(new uint8_t[wanted * entrySize_]);
  if (inMemory_ > 0) std::memcpy(bigger.get(), buffer_.get(), inMemory_ * entrySize_);
  buffer_ = std::move(bigger);
  capacity_ = wanted;
}

void KeySorter::SortBuffer() { SortEntries(buffer_.get(), inMemory_, entrySize_, 0); }

std::string KeySorter::NewRunPath() {
  return folder_ + "/.fw-sort-" + std::to_string(::getpid()) + "-" +
         std::to_string(++runNumber_) + ".tmp";
}

namespace {
// The runs' file is unlinked as soon as it is created: it lives while it is open and leaves
// nothing behind when the process dies.
File CreateUnlinkedFile(const std::function<std::string()>& nextName) {
  for (int attempt = 0;; ++attempt) {
    const std::string path = nextName();
    try {
      File file = File::Create(path);
      CurrentFileIo().Unlink(path.c_str());
      return file;
    } catch (const DbfFailure& failure) {
      if (failure.Errno != EEXIST || attempt > 100) throw;
    }
  }
}
}  // namespace

void KeySorter::WriteRun(const uint8_t* entries, size_t bytes) {
  if (!runFile_.IsOpen()) runFile_ = CreateUnlinkedFile([this] { return NewRunPath(); });
  runFile_.WriteAt(runFileSize_, entries, bytes);
  runFileSize_ += bytes;
}

void KeySorter::SpillRun() {
  SortBuffer();
  if (!runFile_.IsOpen()) runFile_ = CreateUnlinkedFile([this] { return NewRunPath(); });
  auto run = std::make_unique<Run>();
  run->Data = &runFile_;
  run->Start = runFileSize_;
  run->EntrySize = entrySize_;
  if (unique_) CutToFirstOfEachKey();
  // The sorted entries go out straight from the buffer, in pieces.
  const size_t bytes = inMemory_ * entrySize_;
  const size_t piece = std::max(entrySize_, kWriteChunk / entrySize_ * entrySize_);
  for (size_t at = 0; at < bytes; at += piece) {
    const size_t length = std::min(piece, bytes - at);
    runFile_.WriteAt(runFileSize_, buffer_.get() + at, length);
    runFileSize_ += length;
  }
  run->Size = runFileSize_ - run->Start;
  runs_.push_back(std::move(run));
  ++runsWritten_;
  // The buffer stays for the next run.
  inMemory_ = 0;
  // Too many runs would make the merge read in tiny chunks: merge them into one early.
  if (runs_.size() >= kMostRuns) MergeIntoOneRun();
}

void KeySorter::CutToFirstOfEachKey() {
  if (inMemory_ == 0) return;
  uint8_t* base = buffer_.get();
  size_t kept = 1;
  for (size_t i = 1; i < inMemory_; ++i) {
    const uint8_t* entry = base + i * entrySize_;
    if (std::memcmp(base + (kept - 1) * entrySize_, entry, keyLength_) != 0) {
      if (kept != i) std::memcpy(base + kept * entrySize_, entry, entrySize_);
      ++kept;
    }
  }
  inMemory_ = kept;
}

void KeySorter::Finish() {
  if (finished_) return;
  finished_ = true;
  if (distinctMode_) LookUpStaged();
  std::vector<uint8_t>().swap(staging_);
  if (distinctMode_ && runs_.empty()) {
    SortPending();
    decltype(ids_)().swap(ids_);
    std::vector<uint64_t>().swap(table_);
    count_ = 0;
    for (uint32_t r = 0; r < distinctCount_; ++r)
      count_ += unique_ ? (starts_[r + 1] > starts_[r] ? 1 : 0) : starts_[r + 1] - starts_[r];
    return;
  }
  if (distinctMode_) {
    if (pendingKeys_ > 0) SpillDistinctRun();
    LeaveDistinctMode();
  }
  if (runs_.empty()) {
    if (inMemory_ > 0) SortBuffer();
    if (unique_) CutToFirstOfEachKey();
    count_ = inMemory_;
    return;
  }
  if (inMemory_ > 0) SpillRun();
  // The merge reads through the runs in the room the buffer took.
  buffer_.reset();
  capacity_ = 0;
  if (unique_ && runs_.size() > 1) MergeIntoOneRun();
  count_ = 0;
  for (const auto& run : runs_) count_ += run->Size / entrySize_;
  if (!unique_) count_ = added_;

  // Each run reads through a share of the budget.
  const size_t share = std::max(entrySize_ * 64, budget_ / (runs_.size() + 1));
  const size_t chunkBytes = share / entrySize_ * entrySize_;
  heap_.clear();
  for (size_t i = 0; i < runs_.size(); ++i) {
    if (runs_[i]->Load(chunkBytes)) heap_.push_back(i);
  }
  merging_ = true;
  chunkBytes_ = chunkBytes;
  std::make_heap(heap_.begin(), heap_.end(), [this](size_t a, size_t b) {
    return std::memcmp(runs_[a]->Current(), runs_[b]->Current(), entrySize_) > 0;
  });
}

bool KeySorter::NextMerged(const uint8_t*& entry) {
  auto later = [this](size_t a, size_t b) {
    return std::memcmp(runs_[a]->Current(), runs_[b]->Current(), entrySize_) > 0;
  };
  if (heap_.empty()) return false;
  std::pop_heap(heap_.begin(), heap_.end(), later);
  const size_t run = heap_.back();
  scratch_.assign(runs_[run]->Current(), runs_[run]->Current() + entrySize_);
  if (runs_[run]->Advance(chunkBytes_)) {
    std::push_heap(heap_.begin(), heap_.end(), later);
  } else {
    heap_.pop_back();
  }
  entry = scratch_.data();
  return true;
}

void KeySorter::MergeIntoOneRun() {
  chunkBytes_ = std::max(entrySize_ * 64, budget_ / (runs_.size() + 2) / entrySize_ * entrySize_);
  heap_.clear();
  for (size_t i = 0; i < runs_.size(); ++i) {
    if (runs_[i]->Load(chunkBytes_)) heap_.push_back(i);
  }
  std::make_heap(heap_.begin(), heap_.end(), [this](size_t a, size_t b) {
    return std::memcmp(runs_[a]->Current(), runs_[b]->Current(), entrySize_) > 0;
  });
  // The merged run goes into a new file, which then takes the old one's place.
  File merged = CreateUnlinkedFile([this] { return NewRunPath(); });
  uint64_t size = 0;
  std::vector<uint8_t> out;
  std::vector<uint8_t> last;
  const uint8_t* entry = nullptr;
  while (NextMerged(entry)) {
    if (unique_ && !last.empty() && std::memcmp(last.data(), entry, keyLength_) == 0) continue;
    last.assign(entry, entry + entrySize_);
    out.insert(out.end(), entry, entry + entrySize_);
    if (out.size() >= kWriteChunk) {
      merged.WriteAt(size, out.data(), out.size());
      size += out.size();
      out.clear();
    }
  }
  if (!out.empty()) {
    merged.WriteAt(size, out.data(), out.size());
    size += out.size();
  }
  runs_.clear();
  runFile_ = std::move(merged);
  runFileSize_ = size;
  auto run = std::make_unique<Run>();
  run->Data = &runFile_;
  run->Size = size;
  run->EntrySize = entrySize_;
  runs_.push_back(std::move(run));
}

bool KeySorter::Next(std::string& key, uint32_t& recNo) {
  std::string_view view;
  if (!NextView(view, recNo)) return false;
  key.assign(view);
  return true;
}

bool KeySorter::NextView(std::string_view& key, uint32_t& recNo) {
  if (!finished_) Finish();
  if (distinctMode_) {
    // Sorted distinct keys: each rank's record numbers in order, the first alone if unique.
    while (nextRank_ < distinctCount_ && nextPlace_ >= starts_[nextRank_ + 1]) ++nextRank_;
    if (nextRank_ >= distinctCount_) return false;
    key = std::string_view(reinterpret_cast<const char*>(DistinctKey(byRank_[nextRank_])), keyLength_);
    recNo = sortedRecNos_[nextPlace_];
    nextPlace_ = unique_ ? starts_[nextRank_ + 1] : nextPlace_ + 1;
    return true;
  }
  const uint8_t* entry = nullptr;
  if (merging_) {
    // A unique tag's runs are cut to one key each and merged into one run by Finish.
    if (!NextMerged(entry)) return false;
  } else {
    if (nextInMemory_ >= inMemory_) return false;
    entry = buffer_.get() + nextInMemory_++ * entrySize_;
  }
  if (descending_) {
    given_.resize(keyLength_);
    for (size_t i = 0; i < keyLength_; ++i) given_[i] = char(~entry[i]);
    key = given_;
  } else {
    key = std::string_view(reinterpret_cast<const char*>(entry), keyLength_);
  }
  recNo = uint32_t(entry[keyLength_]) << 24 | uint32_t(entry[keyLength_ + 1]) << 16 |
          uint32_t(entry[keyLength_ + 2]) << 8 | uint32_t(entry[keyLength_ + 3]);
  return true;
}

}  // namespace fw
