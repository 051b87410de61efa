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

void KeySorter::Add(std::string_view key, uint32_t recNo) {
  if (finished_) throw std::logic_error("KeySorter::Add after Finish");
  if (added_ == 0 && buffer_.empty()) {
    keyLength_ = key.size();
    entrySize_ = keyLength_ + 4;
  } else if (key.size() != keyLength_) {
    throw std::logic_error("KeySorter::Add: keys of different lengths");
  }
  const size_t at = buffer_.size();
  if (at + entrySize_ > buffer_.capacity()) {
    // Grow by doubling, but never past the budget: the buffer holds at most as many entries
    // as the budget allows beside their places in the sort order.
    const size_t most = (budget_ / (entrySize_ + sizeof(uint32_t)) + 1) * entrySize_;
    buffer_.reserve(std::max(at + entrySize_,
                             std::min(most, std::max<size_t>(2 * buffer_.capacity(), 64 << 10))));
  }
  buffer_.resize(at + entrySize_);
  uint8_t* entry = buffer_.data() + at;
  std::memcpy(entry, key.data(), keyLength_);
  if (descending_) {
    for (size_t i = 0; i < keyLength_; ++i) entry[i] = uint8_t(~entry[i]);
  }
  entry[keyLength_] = uint8_t(recNo >> 24);
  entry[keyLength_ + 1] = uint8_t(recNo >> 16);
  entry[keyLength_ + 2] = uint8_t(recNo >> 8);
  entry[keyLength_ + 3] = uint8_t(recNo);
  ++added_;
  // The budget counts the entry and its place in the sort order.
  if ((buffer_.size() / entrySize_) * (entrySize_ + sizeof(uint32_t)) >= budget_) SpillRun();
}

void KeySorter::SortBuffer() {
  const size_t n = entrySize_ ? buffer_.size() / entrySize_ : 0;
  order_.resize(n);
  for (size_t i = 0; i < n; ++i) order_[i] = uint32_t(i);
  const uint8_t* base = buffer_.data();
  const size_t size = entrySize_;
  std::sort(order_.begin(), order_.end(), [base, size](uint32_t a, uint32_t b) {
    return std::memcmp(base + size_t(a) * size, base + size_t(b) * size, size) < 0;
  });
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
  std::vector<uint8_t> out;
  out.reserve(kWriteChunk + entrySize_);
  const uint8_t* previous = nullptr;
  for (uint32_t i : order_) {
    const uint8_t* entry = buffer_.data() + size_t(i) * entrySize_;
    if (unique_ && previous && std::memcmp(previous, entry, keyLength_) == 0) continue;
    previous = entry;
    out.insert(out.end(), entry, entry + entrySize_);
    if (out.size() >= kWriteChunk) {
      runFile_.WriteAt(runFileSize_, out.data(), out.size());
      runFileSize_ += out.size();
      out.clear();
    }
  }
  if (!out.empty()) {
    runFile_.WriteAt(runFileSize_, out.data(), out.size());
    runFileSize_ += out.size();
  }
  run->Size = runFileSize_ - run->Start;
  runs_.push_back(std::move(run));
  ++runsWritten_;
  buffer_.clear();  // keeps its room for the next run
  order_.clear();
  // Too many runs would make the merge read in tiny chunks: merge them into one early.
  if (runs_.size() >= kMostRuns) MergeIntoOneRun();
}

void KeySorter::Finish() {
  if (finished_) return;
  finished_ = true;
  if (runs_.empty()) {
    SortBuffer();
    if (unique_ && !order_.empty()) {
      size_t kept = 1;
      for (size_t i = 1; i < order_.size(); ++i) {
        if (std::memcmp(buffer_.data() + size_t(order_[kept - 1]) * entrySize_,
                        buffer_.data() + size_t(order_[i]) * entrySize_, keyLength_) != 0) {
          order_[kept++] = order_[i];
        }
      }
      order_.resize(kept);
    }
    count_ = order_.size();
    return;
  }
  if (!buffer_.empty()) SpillRun();
  // The merge reads through the runs in the room the buffer took.
  buffer_ = {};
  order_ = {};
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
    if (nextInMemory_ >= order_.size()) return false;
    entry = buffer_.data() + size_t(order_[nextInMemory_++]) * entrySize_;
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
