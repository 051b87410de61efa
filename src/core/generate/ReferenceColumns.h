#pragma once
#include <cstdint>
#include <memory>

#include "core/generate/ColumnOptions.h"
#include "core/generate/ParentValues.h"
#include "core/generate/Random.h"

namespace fw {

// How the records of a child table are given their parent records.
struct ReferenceDraw {
  enum class Mode {
    Random,     // each record draws any parent, the same one possibly many times
    Distinct,   // each parent at most once
    PerParent,  // every parent in turn gets MinChildren to MaxChildren records
  };
  Mode How = Mode::Random;
  uint64_t Seed = 0;
  uint32_t Parents = 0;  // parent records to draw from
  uint32_t MinChildren = 0, MaxChildren = 0;
};

// The parent of each new record, in record order. Every column of one reference (its key and
// the fields looked up with it) owns a picker made from the same draw, so they all name the
// same parent for a record while the fill stays column by column.
class ParentPicker {
public:
  explicit ParentPicker(const ReferenceDraw& draw);
  // The 0-based index of the next record's parent among the parent's records. After the last
  // child of a PerParent draw it starts again at the first parent.
  uint32_t Next();

  // Records a PerParent draw gives in all (the counts of every parent added up): the records
  // the run is to append follow from it. For the other modes 0.
  static uint64_t ChildCount(const ReferenceDraw& draw);

private:
  void NextParent();
  ReferenceDraw draw_;
  RandomStream random_;
  DistinctIndices distinct_;
  uint32_t parent_ = 0;
  uint32_t left_ = 0;  // children of the current parent still to come (PerParent)
};

// Writes, per record, one field of the record's parent: the key the reference points with, or
// a field looked up with it (the customer's name beside the customer's number).
class ReferenceColumn : public ColumnSource {
public:
  ReferenceColumn(const ReferenceDraw& draw, std::shared_ptr<const ParentValues> parent,
                  const ParentColumn& column);
  void Produce(FieldWriter& out) override;

private:
  ParentPicker picker_;
  std::shared_ptr<const ParentValues> parent_;  // keeps `column_` alive
  const ParentColumn& column_;
};

}  // namespace fw
