#include "core/generate/RecordColumns.h"

#include <cmath>
#include <string_view>

namespace fw {

FormulaColumn::FormulaColumn(std::unique_ptr<expr::Expression> formula,
                             std::vector<expr::FieldSlot> slots, uint32_t length,
                             uint32_t decimals, uint32_t firstRecNo)
    : formula_(std::move(formula)), view_(std::move(slots)), recNo_(firstRecNo) {
  // The places before the point: the length less the point and the decimals.
  const int whole = int(length) - (decimals > 0 ? int(decimals) + 1 : 0);
  limit_ = whole > 0 ? std::pow(10.0, whole) : 1;
}

void FormulaColumn::Produce(FieldWriter& out) {
  const char* record = out.Record();
  const uint32_t recNo = recNo_++;
  if (!record) {
    out.PutBlank();
    return;
  }
  view_.Bind(record, recNo);
  try {
    switch (formula_->Type()) {
      case expr::ExprType::Text: out.PutText(formula_->EvalText(view_)); return;
      case expr::ExprType::Number: {
        const double number = formula_->EvalNumber(view_);
        // A negative number needs a place for its sign.
        if (!std::isfinite(number) || number >= limit_ || -number * 10 >= limit_) {
          out.PutBlank();
          return;
        }
        out.PutNumber(number);
        return;
      }
      case expr::ExprType::Date: out.PutDate(formula_->EvalDate(view_)); return;
      case expr::ExprType::Logic: out.PutLogic(formula_->EvalLogic(view_)); return;
    }
  } catch (const expr::EvaluationError&) {
  }
  out.PutBlank();
}

void FieldBytesColumn::Produce(FieldWriter& out) {
  if (!cursor_->Record) {
    out.PutBlank();
    return;
  }
  out.PutText(std::string_view(cursor_->Record + offset_, length_));
}

}  // namespace fw
