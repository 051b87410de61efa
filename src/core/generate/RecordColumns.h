#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/expr/DbfRecordView.h"
#include "core/expr/Expression.h"
#include "core/platform/DBServer.h"

namespace fw {

// Sources whose values follow from the record being written (FieldWriter::Record): the plans
// of the fields they read must come before theirs in the append.

// The value of a compiled formula over the record's fields (source "Formel"). The slots are
// those of the record's fields, indexed as the formula's resolver indexed them. A number that
// the field cannot hold (more places than `length` and `decimals` leave), a value of an
// evaluation that fails, or a writer without a record leave the field blank.
class FormulaColumn : public ColumnSource {
public:
  // `firstRecNo` is the number of the first record the column fills: RECNO() counts on from
  // it, one record per value.
  FormulaColumn(std::unique_ptr<expr::Expression> formula, std::vector<expr::FieldSlot> slots,
                uint32_t length, uint32_t decimals, uint32_t firstRecNo);
  void Produce(FieldWriter& out) override;

private:
  std::unique_ptr<expr::Expression> formula_;
  expr::DbfRecordView view_;
  double limit_;  // numbers of this size or more do not fit
  uint32_t recNo_;
};

// Where a source that looks at another field's bytes finds the current record.
struct RecordCursor {
  const char* Record = nullptr;
};

// Notes the record of every value it passes on to `inner` in `cursor`.
class CursorColumn : public ColumnSource {
public:
  CursorColumn(std::shared_ptr<RecordCursor> cursor, std::unique_ptr<ColumnSource> inner)
      : cursor_(std::move(cursor)), inner_(std::move(inner)) {}
  void Produce(FieldWriter& out) override {
    cursor_->Record = out.Record();
    inner_->Produce(out);
  }

private:
  std::shared_ptr<RecordCursor> cursor_;
  std::unique_ptr<ColumnSource> inner_;
};

// The bytes of one field of the cursor's record, as text (blank without a record): the values
// of a group field for GroupChanges.
class FieldBytesColumn : public ColumnSource {
public:
  FieldBytesColumn(std::shared_ptr<const RecordCursor> cursor, uint32_t offset, uint32_t length)
      : cursor_(std::move(cursor)), offset_(offset), length_(length) {}
  void Produce(FieldWriter& out) override;

private:
  std::shared_ptr<const RecordCursor> cursor_;
  uint32_t offset_, length_;
};

}  // namespace fw
