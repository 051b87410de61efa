#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/generate/Mask.h"
#include "core/platform/DBServer.h"

namespace fw {

// A running number: Start, Start + Step, Start + 2 * Step, ... (whole numbers; Step may be
// negative but not 0).
struct SequenceRule {
  int64_t Start = 1;
  int64_t Step = 1;
};

// The start a sequence takes when none is given: one more than the largest number the table
// holds (its whole part), 1 when it holds none.
int64_t DefaultSequenceStart(std::optional<double> largest);
int64_t DefaultSequenceStart(std::optional<uint64_t> largestInMask);

// A mask a sequence can write: its "#" places together hold the number (left to right, with
// leading zeros), and it has no other varying place. False with a German sentence otherwise.
bool CheckSequenceMask(const Mask& mask, std::string& error);

// Whether `count` numbers of the rule fit before anything is written: every one of them
// between 0 and the largest number of the mask's "#" places, or every one of them written
// without loss into a numeric field of that type, length and decimals. With groups, `count`
// is the longest group (LongestGroup).
bool SequenceFitsMask(const SequenceRule& rule, uint64_t count, const Mask& mask);
bool SequenceFitsField(const SequenceRule& rule, uint64_t count, char type, uint32_t length,
                       uint32_t decimals);

// Tells, record by record, whether a record begins a new group: the first record does, and so
// does every record whose group value differs from the record before it. The values come from
// `values`, a source that produces the group field's values of the same records again (a copy
// of that field's source, built from the same seeds, like LaterDateColumn's earlier dates).
// Values are compared as the group field would hold them: a text cut to `textLength` (0: not
// cut) without trailing blanks, a number rounded to `decimals`.
class GroupChanges {
public:
  GroupChanges(std::unique_ptr<ColumnSource> values, uint32_t textLength, uint32_t decimals);
  ~GroupChanges();
  bool NextStartsGroup();

private:
  class KeyWriter;
  std::unique_ptr<ColumnSource> values_;
  std::unique_ptr<KeyWriter> writer_;
  std::string previous_, current_;
  bool first_ = true;
};

// The largest number of consecutive records in one group among the first `records`.
uint64_t LongestGroup(GroupChanges& changes, uint32_t records);

// The numbers of a sequence, one per record: into a numeric field as numbers, or, with a mask
// (CheckSequenceMask), as text with the number in the mask's "#" places. With `groups` the
// count begins at Start again for every new group. A number that does not fit the mask is
// written as the mask's largest (below 0: as 0) and counted in `outside` when given; check
// SequenceFitsMask first (a group's length is known only while writing).
class SequenceColumn : public ColumnSource {
public:
  explicit SequenceColumn(SequenceRule rule, std::optional<Mask> mask = std::nullopt,
                          std::unique_ptr<GroupChanges> groups = nullptr,
                          std::shared_ptr<uint64_t> outside = nullptr);
  void Produce(FieldWriter& out) override;

private:
  std::shared_ptr<uint64_t> outside_;
  SequenceRule rule_;
  std::optional<Mask> mask_;
  std::unique_ptr<GroupChanges> groups_;
  int64_t next_;
  std::string buffer_;
};

}  // namespace fw
