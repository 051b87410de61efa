#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/Value.h"

namespace fw {

// The index file formats the program keeps true after a fill.
enum class IndexFormat {
  Ntx,  // Clipper (5.x and '87), one key per file
  Ndx,  // dBase III, one key per file
  Cdx,  // FoxPro 2.x / Visual FoxPro compound index (structural or standalone), tags
  Idx,  // FoxPro single index, compact or old
  Mdx,  // dBase IV/5/7 multiple index (production or not), tags
};

// One key of an index file: a tag of a CDX or MDX, or the one key of an NTX, NDX or IDX. The
// expressions are the file's bytes, in the table's code page.
struct IndexTag {
  std::string Name;           // tag name; for a single-key file its base name, upper case
  std::string KeyExpression;
  std::string ForExpression;  // empty: every record
  // The key's type as the file stores it: 'C' text, 'N' number, 'D' date, 'L' logical
  // (formats that do not say derive it from the expression's result when rebuilding).
  char KeyType = 'C';
  uint32_t KeyLength = 0;     // bytes of one key as stored
  bool Unique = false;        // only the first record of each key is in the index
  bool Descending = false;
  bool Candidate = false;     // Visual FoxPro's candidate key (unique, refused duplicates)
  // Why this tag cannot be rebuilt exactly (German, UTF-8; e.g. a collation other than the
  // machine order); empty when it can. A file with any such tag is left as it is.
  std::string Unsupported;
};

// What an index file says about itself, enough to write it anew with the same header
// choices: its tags in the file's order, and the bytes of the header that a rebuild keeps.
struct IndexFileInfo {
  IndexFormat Format = IndexFormat::Ntx;
  std::string Path;              // UTF-8 path as it was read
  std::vector<IndexTag> Tags;
  bool Structural = false;       // a CDX or MDX that belongs to its table by name and flag
  // Why the whole file cannot be rebuilt (German, UTF-8); empty when it can.
  std::string Unsupported;
  // The format's own header choices that a rebuild keeps (page or block size, signature,
  // the table name inside an MDX, ...): read and written by the format's own code only.
  std::vector<uint8_t> Kept;
};

// A damaged or hostile index file: raised by the readers with a German sentence that names
// what is wrong. The file is never written after that.
struct IndexFailure {
  std::string Description;  // German, UTF-8
  std::string FileName;
};

// The keys of one tag in the index's order, handed to a format's writer: Next gives the
// stored key bytes (exactly KeyLength of them, as the format stores them) and the record
// number, until it returns false. Unique tags have been cut to the first record of each key,
// FOR conditions applied, before the writer sees them.
class SortedKeys {
public:
  virtual ~SortedKeys() = default;
  virtual bool Next(std::string& key, uint32_t& recNo) = 0;
  // The same without a copy: the key's bytes stay valid until the next call.
  virtual bool NextView(std::string_view& key, uint32_t& recNo) {
    if (!Next(room_, recNo)) return false;
    key = room_;
    return true;
  }
  // Keys in all (the writer may need it to size the tree before writing).
  virtual uint64_t Count() const = 0;

private:
  std::string room_;
};

// One format: reads a file's header, turns a key value into the key's bytes, and writes the
// whole file anew from sorted keys.
class IndexFormatHandler {
public:
  virtual ~IndexFormatHandler() = default;
  // Reads and checks the header (and, for CDX/MDX, the tag list) of the file at `path`;
  // raises IndexFailure when it is damaged. Reads only.
  virtual IndexFileInfo Read(const std::string& path) const = 0;
  // The key's bytes for `value` (the key expression's result on one record), as the format
  // stores them. Text is the table's code-page bytes, padded or cut to KeyLength; the bytes
  // must compare with memcmp in the index's ascending order (for a format whose stored key
  // does not, SortKey gives bytes that do and StoredKey turns them back).
  virtual std::string SortKey(const IndexFileInfo& file, const IndexTag& tag,
                              const Value& value) const = 0;
  virtual std::string StoredKey(const IndexFileInfo& file, const IndexTag& tag,
                                std::string_view sortKey) const {
    (void)file, (void)tag;
    return std::string(sortKey);
  }
  // Whether StoredKey gives the sort key back unchanged: the sorted keys then go to the
  // writer as they come from the sorter.
  virtual bool StoresSortKey() const { return false; }
  // SortKey of a text value straight from the text's bytes: the text itself when it is
  // already the key, else the key written into `room` (whose room is reused); valid until
  // `room` or the text changes. A format may take a shorter way than through a Value.
  virtual std::string_view TextSortKey(const IndexFileInfo& file, const IndexTag& tag,
                                       std::string_view text, std::string& room) const {
    room = SortKey(file, tag, Value(std::string(text)));
    return room;
  }
  // Whether a descending tag holds its keys in descending order in the file (NTX, MDX), or
  // ascending like any other tag, read backwards by the runtime (FoxPro's CDX and IDX).
  virtual bool StoresDescending() const { return true; }
  // Writes the whole index to `outPath` (a new file beside the old one): one SortedKeys per
  // tag of `file`, in the order of file.Tags, their keys already StoredKey'd. `recordCount`
  // is the table's record count after the fill. Raises DbfFailure for a failed write.
  virtual void Write(const IndexFileInfo& file, std::vector<SortedKeys*>& keys,
                     uint32_t recordCount, const std::string& outPath) const = 0;
};

// The handler of a format.
const IndexFormatHandler& HandlerOf(IndexFormat format);

}  // namespace fw
