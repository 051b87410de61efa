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

KeySorter::~KeySorter() = default;

namespace {

// Sorts the `n` entries of `size` bytes at `base` in place by their bytes from `depth` on
// (memcmp order): a most-significant-byte-first radix sort that moves whole entries, so it
// needs no room beside them. Below a few dozen entries an insertion sort is cheaper.
void SortEntries(uint8_t* base, size_t n, size_t size, size_t depth, uint8_t* swap) {
  const auto at = [&](size_t i) { return base + i * size; };
  const auto exchange = [&](uint8_t* a, uint8_t* b) {
    std::memcpy(swap, a, size);
    std::memcpy(a, b, size);
    std::memcpy(b, swap, size);
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
      if (b != largest && count[b] > 1) SortEntries(at(from), count[b], size, depth + 1, swap);
      from += count[b];
    }
    base = at(end[largest] - count[largest]);
    n = count[largest];
    ++depth;
  }
}

}  // namespace

void KeySorter::Add(std::string_view key, uint32_t recNo) {
  if (finished_) throw std::logic_error("KeySorter::Add after Finish");
  if (added_ == 0) {
    keyLength_ = key.size();
    entrySize_ = keyLength_ + 4;
  } else if (key.size() != keyLength_) {
    throw std::logic_error("KeySorter::Add: keys of different lengths");
  }
  if (inMemory_ == capacity_) Grow();
  uint8_t* entry = buffer_.get() + inMemory_ * entrySize_;
  ++inMemory_;
  std::memcpy(entry, key.data(), keyLength_);
  if (descending_) {
    for (size_t i = 0; i < keyLength_; ++i) entry[i] = uint8_t(~entry[i]);
  }
  entry[keyLength_] = uint8_t(recNo >> 24);
  entry[keyLength_ + 1] = uint8_t(recNo >> 16);
  entry[keyLength_ + 2] = uint8_t(recNo >> 8);
  entry[keyLength_ + 3] = uint8_t(recNo);
  ++added_;
  if (inMemory_ == MostInMemory()) SpillRun();
}

size_t KeySorter::MostInMemory() const { return std::max<size_t>(1, budget_ / entrySize_); }

void KeySorter::Grow() {
  const size_t most = MostInMemory();
  size_t wanted;
  if (expected_ > 0) {
    // Known count: taken once, as large as the keys need or the budget allows.
    wanted = size_t(std::min<uint64_t>(expected_ > added_ ? expected_ - added_ + inMemory_ : 1, most));
    wanted = std::max(wanted, inMemory_ + 1);
  } else {
    wanted = std::min(most, std::max<size_t>(capacity_ * 2, (size_t(64) << 10) / entrySize_ + 1));
  }
  std::unique_ptr<uint8_t[]> bigger(new uint8_t[wanted * entrySize_]);
  if (inMemory_ > 0) std::memcpy(bigger.get(), buffer_.get(), inMemory_ * entrySize_);
  buffer_ = std::move(bigger);
  capacity_ = wanted;
}

void KeySorter::SortBuffer() {
  std::vector<uint8_t> swap(entrySize_);
  SortEntries(buffer_.get(), inMemory_, entrySize_, 0, swap.data());
}

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
  if (!finished_) Finish();
  const uint8_t* entry = nullptr;
  if (merging_) {
    // A unique tag's runs are cut to one key each and merged into one run by Finish.
    if (!NextMerged(entry)) return false;
  } else {
    if (nextInMemory_ >= inMemory_) return false;
    entry = buffer_.get() + nextInMemory_++ * entrySize_;
  }
  key.assign(reinterpret_cast<const char*>(entry), keyLength_);
  if (descending_) {
    for (char& c : key) c = char(~uint8_t(c));
  }
  recNo = uint32_t(entry[keyLength_]) << 24 | uint32_t(entry[keyLength_ + 1]) << 16 |
          uint32_t(entry[keyLength_ + 2]) << 8 | uint32_t(entry[keyLength_ + 3]);
  return true;
}

}  // namespace fw
