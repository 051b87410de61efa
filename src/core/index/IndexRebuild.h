#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/index/IndexFile.h"
#include "core/index/KeySorter.h"

namespace fw {

// One record's key for one tag: the key expression's value and whether the record belongs
// in the tag (its FOR condition and the handling of deleted records are the caller's).
struct TagKey {
  TagKey() = default;
  TagKey(Value key, bool included) : Key(std::move(key)), Included(included) {}
  Value Key;
  bool Included = true;
  // A text key may come as its bytes instead (IsText; Key is then not read): they stay valid
  // until keysOf is called again.
  std::string_view Text;
  bool IsText = false;
};

// Gives, for record `recNo` (1..record count, in that order), one TagKey per tag of the file
// in the order of its tags (`keys` comes sized to the tags).
using RecordKeysOf = std::function<void(uint32_t recNo, std::vector<TagKey>& keys)>;

// The rebuild of one index file in steps, so that one pass over a table's records can feed
// all its index files: made before the pass (checks that the file can be rebuilt, removes the
// temporary file a killed earlier rebuild left, takes a sorter per tag), Take for every
// record from 1 to the record count in that order, Complete after the last. The keys go to
// sorted runs on disk beside the index once a tag's keys exceed its share of `memoryBudget`.
// Complete writes the whole file into a temporary file beside the old one, syncs it, renames
// it over the old one and syncs the folder; a failure (IndexFailure, DbfFailure) removes the
// temporary file and leaves the old index as it was. A rebuild given up before Complete (its
// object destroyed) leaves the old index and nothing else.
class IndexFileRebuild {
public:
  IndexFileRebuild(const IndexFileInfo& file, const IndexFormatHandler& handler,
                   uint32_t recordCount, size_t memoryBudget = KeySorter::kDefaultBudget);
  ~IndexFileRebuild();
  IndexFileRebuild(const IndexFileRebuild&) = delete;
  IndexFileRebuild& operator=(const IndexFileRebuild&) = delete;

  // The keys of record `recNo`, one per tag of the file in the order of its tags.
  void Take(uint32_t recNo, const std::vector<TagKey>& keys);
  void Complete();

private:
  const IndexFileInfo& file_;
  const IndexFormatHandler& handler_;
  uint32_t recordCount_;
  std::vector<std::unique_ptr<KeySorter>> sorters_;
  std::string sortKey_;
};

// Writes the index file `file` anew from the keys of all records (an IndexFileRebuild fed
// record by record by `keysOf`): each tag's keys sorted
// (sorted runs on disk beside the index once a tag's keys exceed its share of
// `memoryBudget`), the whole file written into a temporary file beside the old one, synced,
// and renamed over it, the folder synced after. A kill at any moment leaves the old index
// or the new one; a failure (IndexFailure, DbfFailure, or what keysOf raises) removes the
// temporary file and leaves the old index as it was.
void RebuildIndexFile(const IndexFileInfo& file, const IndexFormatHandler& handler,
                      uint32_t recordCount, const RecordKeysOf& keysOf,
                      size_t memoryBudget = KeySorter::kDefaultBudget);

// The name of the temporary file a rebuild of `path` writes before the rename.
std::string RebuildTemporaryPath(const std::string& path);

}  // namespace fw
