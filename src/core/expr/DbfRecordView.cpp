#include "core/expr/DbfRecordView.h"

#include <charconv>

#include "core/expr/XbaseText.h"
#include "core/platform/FieldBytes.h"

namespace fw::expr {

std::string_view DbfRecordView::Text(uint32_t field) const {
  const FieldSlot& s = slots_[field];
  return std::string_view(record_ + s.Offset, s.Length);
}

double NumberOfFieldText(std::string_view text) {
  // The common field: blanks, a sign, up to 15 digits with a point. The digits as one integer
  // divided by a power of ten: both exact, so the quotient is the correctly rounded value,
  // the same double the text reads as anywhere else.
  static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  uint64_t digits = 0;
  int count = 0, decimals = -1;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digits = digits * 10 + uint64_t(c - '0');
      ++count;
      if (decimals >= 0) ++decimals;
      if (count > 15) return ValueOfText(text);
    } else if (c == '.' && decimals < 0) {
      decimals = 0;
    } else {
      break;
    }
  }
  const double value = double(digits) / kPowers[decimals > 0 ? decimals : 0];
  return negative ? -value : value;
}

double DbfRecordView::Number(uint32_t field) const {
  const FieldSlot& s = slots_[field];
  switch (s.Layout) {
    case FieldLayout::Integer:
    case FieldLayout::Double:
    case FieldLayout::Currency: return BinaryNumberOf(record_ + s.Offset, s.Type);
    case FieldLayout::Dbase7Integer:
    case FieldLayout::Dbase7Double: return Dbase7NumberOf(record_ + s.Offset, s.Type);
    default: return NumberOfFieldText(Text(field));
  }
}

Date DbfRecordView::DateOf(uint32_t field) const {
  const FieldSlot& s = slots_[field];
  if (s.Length != 8) return Date();
  if (s.Layout == FieldLayout::DateTime) return DateOfDateTime(record_ + s.Offset);
  if (s.Layout == FieldLayout::Dbase7Timestamp) return DateOfTimestamp(record_ + s.Offset);
  return Date::FromDbf(std::string_view(record_ + s.Offset, 8));
}

bool DbfRecordView::Logic(uint32_t field) const {
  const char c = record_[slots_[field].Offset];
  return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

}  // namespace fw::expr
