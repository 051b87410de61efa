#pragma once
#include <QStyledItemDelegate>

namespace fw {

class bBrowser;

// Makes and feeds the cell editors of a grid: the owner's editor when it supplies one (a combo
// edit), otherwise a line edit that only lets through what the field can take. A value the
// field cannot take is refused when the edit ends: nothing is written and the cell keeps its
// value.
class bCellDelegate : public QStyledItemDelegate {
  Q_OBJECT
public:
  explicit bCellDelegate(bBrowser* browser);

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;

  // A line edit for a field of the given type, length and decimals.
  static QWidget* MakeLineEditor(QWidget* parent, char type, int length, int decimals);

  int Refusals() const { return refusals_; }

private:
  bBrowser* browser_;
  mutable int refusals_ = 0;
};

}  // namespace fw
