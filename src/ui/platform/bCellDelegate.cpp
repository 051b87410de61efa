#include "ui/platform/bCellDelegate.h"

#include <QApplication>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "ui/platform/bBrowser.h"
#include "ui/platform/bComboEdit.h"

namespace fw {

bCellDelegate::bCellDelegate(bBrowser* browser) : QStyledItemDelegate(browser), browser_(browser) {}

QWidget* bCellDelegate::MakeLineEditor(QWidget* parent, char type, int length, int decimals) {
  auto* edit = new QLineEdit(parent);
  edit->setFrame(false);
  switch (type) {
    case 'N':
    case 'F': {
      // Only signs, digits and one decimal separator can be typed; the width is checked when
      // the edit ends.
      const QString pattern = decimals > 0 ? QStringLiteral("[+-]?\\d*([.,]\\d{0,%1})?").arg(decimals)
                                           : QStringLiteral("[+-]?\\d*");
      edit->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), edit));
      edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (length > 0) edit->setMaxLength(length + 1);
      break;
    }
    case 'D':
      edit->setValidator(new QRegularExpressionValidator(
          QRegularExpression(QStringLiteral("\\d{0,2}(\\.\\d{0,2}(\\.\\d{0,4})?)?")), edit));
      edit->setMaxLength(10);
      break;
    default:
      if (length > 0) edit->setMaxLength(length);
      break;
  }
  return edit;
}

QWidget* bCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                     const QModelIndex& index) const {
  QWidget* editor = browser_->CreateCellEditor(parent, index.row(), index.column());
  if (auto* combo = qobject_cast<bComboEdit*>(editor)) {
    auto* self = const_cast<bCellDelegate*>(this);
    connect(combo, &bComboEdit::EditEnded, self, [self, combo] {
      emit self->commitData(combo);
      emit self->closeEditor(combo, QAbstractItemDelegate::NoHint);
    });
  }
  return editor;
}

void bCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  const QString text = index.data(Qt::EditRole).toString();
  if (auto* combo = qobject_cast<bComboEdit*>(editor)) {
    combo->SetValue(text);
  } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
    line->setText(text);
  } else {
    QStyledItemDelegate::setEditorData(editor, index);
  }
}

void bCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                 const QModelIndex& index) const {
  QString text;
  if (auto* combo = qobject_cast<bComboEdit*>(editor)) {
    text = combo->Value();
  } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
    text = line->text();
  } else {
    QStyledItemDelegate::setModelData(editor, model, index);
    return;
  }
  if (text == index.data(Qt::EditRole).toString()) return;  // nothing changed
  if (!model->setData(index, text, Qt::EditRole)) {
    ++refusals_;
    QApplication::beep();
  }
}

}  // namespace fw
