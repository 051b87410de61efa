#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/index/IndexFile.h"
#include "core/index/LargePageAllocator.h"
#include "core/platform/FileIo.h"

namespace fw {

// Sorts the keys of one tag by key, then record number, with memory that stays flat: while
// the keys fit the budget they are sorted in memory; beyond it each full buffer is sorted
// and written as a run into a temporary file in `runFolder` (one file for all runs of the
// sorter, so that many tags do not take many file handles), and the runs are merged at the
// end, or into one run early when they pile up. Descending tags come out with their keys in descending order, equal keys still by
// ascending record number; unique tags keep only the first record of each key. The run
// files are removed when the sorter goes away.
//
// Keys of test data repeat (names, towns, postcodes drawn from word lists): while the keys
// come with ascending record numbers and the distinct ones stay few, each distinct key is
// kept once and every key added costs only its key's number and its record number; sorting
// is then sorting the distinct keys and one counting pass over the numbers. A sorter whose
// keys turn out to be too many distinct ones, or whose record numbers come out of order,
// goes on with the keys themselves, sorted in place.
class KeySorter : public SortedKeys {
public:
  static constexpr size_t kDefaultBudget = size_t(32) << 20;
  static constexpr size_t kMostRuns = 64;
  // Most distinct keys kept once before the sorter goes over to sorting the keys themselves.
  static constexpr uint32_t kMostDistinct = 0xFFFF;

  KeySorter(std::string runFolder, bool descending, bool unique,
            size_t memoryBudget = kDefaultBudget);
  ~KeySorter() override;
  KeySorter(const KeySorter&) = delete;
  KeySorter& operator=(const KeySorter&) = delete;

  // How many keys will come at most: the buffer is then taken once at the size they need
  // (never more than the budget) instead of growing. Call before the first Add.
  void Expect(uint64_t keys) { expected_ = keys; }
  // Every key has the same length, the one of the first key added.
  void Add(std::string_view key, uint32_t recNo);
  // After the last Add: the sorter becomes the stream of sorted keys.
  void Finish();

  bool Next(std::string& key, uint32_t& recNo) override;
  bool NextView(std::string_view& key, uint32_t& recNo) override;
  uint64_t Count() const override { return count_; }
  // Sorted runs written to disk so far (0 while the keys fit the budget).
  size_t RunCount() const { return runsWritten_; }
  // Whether the keys are still kept as numbers of distinct keys (see above).
  bool KeepsDistinctKeys() const { return distinctMode_; }

private:
  struct Run;
  void AddEntry(const uint8_t* key, uint32_t recNo);
  // The number of `key` among the distinct keys, a new one if need be; false when the
  // distinct keys would outgrow their share of the budget.
  bool DistinctNumber(const uint8_t* key, uint64_t hash, uint32_t& number);
  // Looks up the staged keys and takes them as pending (or as entries, once the distinct keys
  // are given up), in the order they came.
  void LookUpStaged();
  const uint8_t* DistinctKey(uint32_t number) const { return distinct_.data() + size_t(number) * keyLength_; }
  size_t DistinctBytes() const;
  // Sorts the pending numbers: fills byRank_, starts_ and sortedRecNos_.
  void SortPending();
  void SpillDistinctRun();
  // Goes over to sorting the keys themselves, taking the pending keys along.
  void LeaveDistinctMode();
  void WriteRun(const uint8_t* entries, size_t bytes);
  void SpillRun();
  void SortBuffer();
  void Grow();
  size_t MostInMemory() const;
  // Keeps the first entry of each key among the sorted ones in memory.
  void CutToFirstOfEachKey();
  std::string NewRunPath();
  // Writes the merge of all runs (for a unique tag cut to the first record of each key) as
  // the one run in a new run file.
  void MergeIntoOneRun();
  bool NextMerged(const uint8_t*& entry);

  std::string folder_;
  bool descending_;
  bool unique_;
  size_t budget_;
  size_t keyLength_ = 0;
  size_t entrySize_ = 0;  // key, then the record number big-endian: one memcmp orders both
  // The entries in memory, one after the other; sorted in place before they are written
  // as a run or given out.
  std::unique_ptr<uint8_t[]> buffer_;
  size_t capacity_ = 0;  // entries the buffer holds
  size_t inMemory_ = 0;
  uint64_t expected_ = 0;
  File runFile_;
  uint64_t runFileSize_ = 0;
  std::vector<std::unique_ptr<Run>> runs_;
  std::vector<size_t> heap_;  // runs by their current entry, smallest first
  bool finished_ = false;
  bool merging_ = false;
  size_t nextInMemory_ = 0;
  uint64_t added_ = 0;
  uint64_t entriesAdded_ = 0;  // keys that went into the buffer itself
  uint64_t count_ = 0;
  std::vector<uint8_t> scratch_;  // the entry the merge gave last
  std::string given_;             // a descending key given out, its bytes turned back
  size_t chunkBytes_ = 0;
  unsigned runNumber_ = 0;
  size_t runsWritten_ = 0;

  // Distinct keys (see above).
  bool distinctMode_ = true;
  std::vector<uint8_t> distinct_;       // the distinct keys, one after the other
  uint32_t distinctCount_ = 0;
  std::vector<uint64_t> table_;         // open addressing, see DistinctNumber
  // The pending keys: the key number of each record from firstRecNo_ on, kNoKey for a record
  // without a key (left out by a FOR condition).
  static constexpr uint16_t kNoKey = 0xFFFF;
  std::vector<uint16_t, LargePageAllocator<uint16_t>> ids_;
  uint32_t firstRecNo_ = 0;
  uint32_t lastRecNo_ = 0;
  size_t pendingKeys_ = 0;
  // After sorting: the key numbers in the index's order, the first place of each in
  // sortedRecNos_ (one more at the end), and the record numbers in the index's order.
  std::vector<uint32_t> byRank_, starts_;
  uint32_t* sortedRecNos_ = nullptr;  // sortedRoom_ places, from LargePageAllocator
  size_t sortedRoom_ = 0;
  void ReleaseSorted();
  size_t nextRank_ = 0;
  size_t nextPlace_ = 0;
  // Keys gathered to be looked up together (their bytes are copied: a caller's key is valid
  // only during Add).
  static constexpr size_t kStaged = 32;
  std::vector<uint8_t> staging_;
  uint32_t stagedRecNos_[kStaged] = {};
  size_t staged_ = 0;
};

}  // namespace fw
