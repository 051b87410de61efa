#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/index/IndexFile.h"
#include "core/index/KeySorter.h"

namespace fw {

// One index file a plan knows: one that belongs to the table (by its name or as its
// production index) or one the user named.
struct PlannedIndex {
  std::string Path;    // as found beside the table or as the user gave it
  std::string Shown;   // the file's name as the user sees it ("KUNDEN.CDX")
  IndexFileInfo Info;  // what the format's reader gave (nothing when the file is unreadable)
  std::string Reason;  // why the file is left as it is (German, UTF-8); empty: rebuilt
};

// What a rebuild after a fill did: the files written anew and the ones left as they were.
struct IndexRebuildOutcome {
  std::vector<std::string> Rebuilt;                          // shown names
  std::vector<std::pair<std::string, std::string>> Failed;  // shown name, German reason
  // "KUNDEN.CDX und KDNR.NTX neu aufgebaut." and one sentence per file left; empty when the
  // plan had nothing to rebuild.
  std::string Text() const;
};

// The index files of one table and how each is kept true after a fill. Made once per chosen
// table (PlanTableIndexes): every file read with its format's reader, every tag's key and FOR
// expression compiled against the table's fields and checked against what the file stores.
// A file with anything the program cannot build exactly (a damaged header, a tag the reader
// marks unsupported, an expression it cannot compile, a key of another type or length than
// the file's, a key that depends on the application's SET DATE) is left as it is, with its
// reason; a plan never writes a file that was not found by the table's name, flagged as its
// production index, or named by the user.
class IndexPlan {
public:
  IndexPlan();
  ~IndexPlan();
  IndexPlan(IndexPlan&&) noexcept;
  IndexPlan& operator=(IndexPlan&&) noexcept;

  const std::string& TablePath() const { return table_; }
  const std::vector<PlannedIndex>& Files() const { return files_; }
  // Other index files in the table's folder whose keys read only this table's fields: shown
  // to the user, never touched unless named (shown names).
  const std::vector<std::string>& Candidates() const { return candidates_; }
  bool RebuildsAny() const;
  // Whether a file that belongs to the table stays as it is (or the table says it has a
  // production index that is not there): its records will then be missing from that index.
  bool LeavesAny() const;
  bool Empty() const { return files_.empty() && candidates_.empty() && notes_.empty(); }

  // The German lines for the analysis and the window: "KUNDEN.CDX (3 Tags), KDNR.NTX werden
  // nach dem Füllen neu aufgebaut.", one "X.NTX bleibt, wie sie ist: <Grund>." per file left,
  // the candidates. Text() joins them with "\r\n".
  std::vector<std::string> Lines() const;
  std::string Text() const;

  // After a fill: writes every rebuildable file anew from the table's records as the table's
  // header now counts them (deleted records included; FOR conditions decide), all files fed
  // by one pass over the records, then written one after the other. A file whose rebuild
  // fails is left as it was and named with its reason; the others go on. Raises nothing. The
  // budget is what the keys of one file may take in memory before they go to sorted runs on
  // disk, and all files of the pass together take at most kRebuildPassBudget; each sorter
  // takes its room once, sized from the record count, so the peak stays within the budget.
  IndexRebuildOutcome Rebuild(size_t memoryBudget = kRebuildBudget);
  static constexpr size_t kRebuildBudget = size_t(16) << 20;
  static constexpr size_t kRebuildPassBudget = size_t(48) << 20;

  // The compiled expressions of a rebuildable file (opaque outside the plan).
  struct Compiled;

private:
  friend IndexPlan PlanTableIndexes(const std::string&, const std::vector<std::string>&);
  std::string table_;
  std::vector<PlannedIndex> files_;
  std::vector<std::unique_ptr<Compiled>> compiled_;  // beside files_; null for a file left
  std::vector<std::string> candidates_;
  std::vector<std::string> notes_;
};

// The index files of the table at `tablePath`: .ntx .ndx .idx .cdx .mdx of the table's name
// beside it (any letter case; a .cdx or .mdx of its name is its production index when the
// header's byte 28 says so), and the files in `named` (paths as given). Reads only.
IndexPlan PlanTableIndexes(const std::string& tablePath, const std::vector<std::string>& named);

// The index format a file's name ends in (any letter case), or false for another ending.
bool IndexFormatOfName(const std::string& path, IndexFormat& format);

}  // namespace fw
