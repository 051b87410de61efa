#pragma once
#include <cstdint>
#include <vector>

#include "core/expr/RecordView.h"
#include "core/platform/FieldLayout.h"

namespace fw::expr {

// Where one field lies in a DBF record buffer: its offset (the deletion flag is byte 0), its
// length and its type letter. Fields stored as text are read: C (and anything the caller
// treats as text), N and F, D ("YYYYMMDD"), L.
struct FieldSlot {
  uint32_t Offset = 0;
  uint32_t Length = 0;
  char Type = 'C';
  // Binary numbers (I, B, Y and dBase 7's I and O) are read as numbers, Visual FoxPro's
  // date-time and dBase 7's time stamp as their dates; every other layout by the type letter.
  FieldLayout Layout = FieldLayout::Unset;
};

// A RecordView straight over the bytes of a DBF record: no copy and no allocation per field.
// The slots are indexed by the field index the resolver gave; Bind points the view at the
// next record (the buffer must stay valid while an expression is evaluated on it).
class DbfRecordView final : public RecordView {
public:
  explicit DbfRecordView(std::vector<FieldSlot> slots) : slots_(std::move(slots)) {}
  void Bind(const char* record, uint32_t recNo) {
    record_ = record;
    recNo_ = recNo;
  }

  std::string_view Text(uint32_t field) const override;
  // Blank or unreadable text reads as 0, as xBase reads a damaged numeric field.
  double Number(uint32_t field) const override;
  Date DateOf(uint32_t field) const override;
  bool Logic(uint32_t field) const override;
  uint32_t RecNo() const override { return recNo_; }
  bool Deleted() const override { return record_[0] == '*'; }

private:
  std::vector<FieldSlot> slots_;
  const char* record_ = nullptr;
  uint32_t recNo_ = 0;
};

// The number a numeric field's text stands for: leading blanks, an optional sign, digits with
// at most one point; reading stops at the first other character. Blanks alone give 0.
double NumberOfFieldText(std::string_view text);

}  // namespace fw::expr
