#include "ui/platform/bDataColumn.h"

#include <algorithm>

#include "ui/platform/bBrowser.h"

namespace fw {

bDataColumn::bDataColumn(bBrowser* owner, const FieldInfo& field, int fieldPos)
    : owner_(owner), field_(field), fieldPos_(fieldPos), caption_(FieldName()) {
  // Wide enough for the field's text or its caption, whichever is wider.
  const int chars = std::max<int>(int(std::min<uint32_t>(field.Length, 40)), caption_.size());
  width_ = owner ? owner->CharWidth() * chars + 10 : chars * 7 + 10;
}

void bDataColumn::SetCaption(const QString& caption) {
  caption_ = caption;
  if (owner_) owner_->ColumnChanged(this);
}

void bDataColumn::SetWidth(int width) {
  width_ = std::max(width, 1);
  if (owner_) owner_->ColumnChanged(this);
}

void bDataColumn::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  if (owner_) owner_->ColumnChanged(this);
}

void bDataColumn::SetViewStyle(int setting, const bViewStyle& style) {
  (setting == 2 ? captionStyle_ : cellStyle_) = style;
  if (owner_) owner_->ColumnChanged(this);
}

}  // namespace fw
