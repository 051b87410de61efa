#include "core/generate/ReferenceColumns.h"

namespace fw {

ParentPicker::ParentPicker(const ReferenceDraw& draw)
    : draw_(draw), random_(draw.Seed), distinct_(draw.Seed ^ 0x9e3779b97f4a7c15ull,
                                                 draw.Parents == 0 ? 1 : draw.Parents) {
  if (draw_.How == ReferenceDraw::Mode::PerParent) {
    parent_ = uint32_t(-1);
    NextParent();
  }
}

void ParentPicker::NextParent() {
  // Parents without children are passed over; a draw in which every parent got none (only
  // possible when MinChildren is 0) gives the first parent rather than none at all.
  const uint32_t span = draw_.MaxChildren - draw_.MinChildren + 1;
  for (uint32_t tries = 0; tries <= draw_.Parents; ++tries) {
    parent_ = parent_ + 1 >= draw_.Parents ? 0 : parent_ + 1;
    left_ = draw_.MinChildren + random_.Below(span);
    if (left_ > 0) return;
  }
  parent_ = 0;
  left_ = 1;
}

uint32_t ParentPicker::Next() {
  if (draw_.Parents == 0) return 0;
  switch (draw_.How) {
    case ReferenceDraw::Mode::Random: return random_.Below(draw_.Parents);
    case ReferenceDraw::Mode::Distinct: return uint32_t(distinct_.Next());
    case ReferenceDraw::Mode::PerParent: {
      if (left_ == 0) NextParent();
      --left_;
      return parent_;
    }
  }
  return 0;
}

uint64_t ParentPicker::ChildCount(const ReferenceDraw& draw) {
  if (draw.How != ReferenceDraw::Mode::PerParent || draw.Parents == 0) return 0;
  // The same stream the pickers draw the counts from, one draw per parent in order.
  RandomStream random(draw.Seed);
  const uint32_t span = draw.MaxChildren - draw.MinChildren + 1;
  uint64_t total = 0;
  for (uint32_t i = 0; i < draw.Parents; ++i) total += draw.MinChildren + random.Below(span);
  return total;
}

ReferenceColumn::ReferenceColumn(const ReferenceDraw& draw,
                                 std::shared_ptr<const ParentValues> parent,
                                 const ParentColumn& column)
    : picker_(draw), parent_(std::move(parent)), column_(column) {}

void ReferenceColumn::Produce(FieldWriter& out) {
  if (column_.Size() == 0) {
    out.PutBlank();
    return;
  }
  column_.Put(picker_.Next(), out);
}

}  // namespace fw
