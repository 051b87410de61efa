#pragma once
#include <QString>

#include "core/platform/DBServer.h"
#include "ui/platform/bViewStyle.h"

namespace fw {

class bBrowser;

// How a cell of a column is edited: the grid's editor for the field type, or a combo edit
// whose drop-down the owner window supplies.
enum class bEditType { Default, ComboEdit };

// One column of a grid, bound to one field of the grid's server. Its settings take effect at
// once in the grid that owns it.
class bDataColumn {
public:
  bDataColumn(bBrowser* owner, const FieldInfo& field, int fieldPos);

  QString FieldName() const { return QString::fromStdString(field_.Name); }
  const FieldInfo& Field() const { return field_; }
  int FieldPos() const { return fieldPos_; }  // 1-based position in the server

  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  int Width() const { return width_; }  // pixels
  void SetWidth(int width);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  bEditType EditType() const { return editType_; }
  void SetEditType(bEditType type) { editType_ = type; }

  // The two view-style settings: 1 governs the data cells, 2 the caption cell.
  const bViewStyle& ViewStyle(int setting) const { return setting == 2 ? captionStyle_ : cellStyle_; }
  void SetViewStyle(int setting, const bViewStyle& style);

private:
  bBrowser* owner_;
  FieldInfo field_;
  int fieldPos_;
  QString caption_;
  int width_;
  bool readOnly_ = false;
  bEditType editType_ = bEditType::Default;
  bViewStyle cellStyle_;
  bViewStyle captionStyle_;
};

}  // namespace fw
