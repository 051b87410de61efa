#pragma once
#include <QAbstractTableModel>
#include <QBrush>
#include <vector>

#include "core/platform/Value.h"

namespace fw {

struct FieldInfo;
class bDataColumn;
class bDataServer;

// The table model behind a grid: one row per record of the server, one column per open grid
// column. Records are read into a cache on Reload, so painting never moves the server's record
// pointer; an accepted edit is written to the server at once and the row read back.
class bBrowserModel : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit bBrowserModel(QObject* parent = nullptr);

  void SetServer(bDataServer* server);
  bDataServer* Server() const { return server_; }
  void SetColumns(std::vector<bDataColumn*> columns);  // open columns, in display order
  const std::vector<bDataColumn*>& Columns() const { return columns_; }
  void Reload();              // re-reads every record
  void ColumnChanged(int column);
  void SetEditingBlocked(bool blocked) { editingBlocked_ = blocked; }
  bool EditingBlocked() const { return editingBlocked_; }
  void SetRowBrushes(const QBrush* a, const QBrush* b) { brushA_ = a; brushB_ = b; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

  // The text a cell shows and edits (UTF-8), and the conversion of an edited text into a
  // value the field can take. Returns false when the field cannot take the text: letters in
  // a number, a number too wide for the field, an impossible date, characters the table's
  // code page lacks, text longer than the field.
  static QString CellText(const Value& value, char type, int decimals);
  // How a cell of the field shows and takes its value, by the field's layout (FieldLayout.h):
  // 'N' a decimal number, 'L' a check box, 'D' a date, 'C' text.
  static char CellType(const FieldInfo& field);
  static bool TextToValue(const QString& text, char type, int length, int decimals, Value& out);

private:
  bDataServer* server_ = nullptr;
  std::vector<bDataColumn*> columns_;
  std::vector<std::vector<Value>> rows_;
  bool editingBlocked_ = false;
  const QBrush* brushA_ = nullptr;
  const QBrush* brushB_ = nullptr;
};

}  // namespace fw
