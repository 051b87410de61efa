#include "ui/app/WikOpenDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHeaderView>
#include <algorithm>
#include <QTreeView>

namespace fw {

WikOpenDialog::WikOpenDialog(QWidget* owner, const QString& fileSpec) : QFileDialog(owner) {
  // The check box needs the dialog's own widgets, which only the non-native dialog has.
  setOption(QFileDialog::DontUseNativeDialog, true);
  setFileMode(QFileDialog::ExistingFile);
  setAcceptMode(QFileDialog::AcceptOpen);
  if (!fileSpec.isEmpty()) selectFile(fileSpec);
}

QString WikOpenDialog::Show() {
  fileName_.clear();
  exec();
  return fileName_;
}

void WikOpenDialog::showEvent(QShowEvent* event) {
  if (!box_) {
    CreateControl();
    ShowWholeColumns();
  }
  if (box_) box_->setChecked(exclusive_);
  QFileDialog::showEvent(event);
}

void WikOpenDialog::CreateControl() {
  auto* grid = qobject_cast<QGridLayout*>(layout());
  if (!grid) return;  // the dialog then works without the option
  box_ = new QCheckBox(QStringLiteral("Exclusive"), this);
  box_->setObjectName(QStringLiteral("Exclusive"));
  grid->addWidget(box_, grid->rowCount(), 0, 1, grid->columnCount());
  box_->show();  // made while the dialog is being shown: not shown with it
  extraHeight_ = box_->sizeHint().height() + grid->verticalSpacing();
  resize(width(), height() + extraHeight_);
}

void WikOpenDialog::ShowWholeColumns() {
  // The dialog's default width cuts size, type and date of every file ("514…tes"): those
  // columns take the width of their contents, the name the rest.
  auto* view = findChild<QTreeView*>(QStringLiteral("treeView"));
  if (!view) return;
  QHeaderView* header = view->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  for (int column = 1; column < header->count(); ++column)
    header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  resize(std::max(width(), 760), height());
}

void WikOpenDialog::done(int result) {
  if (result == QDialog::Accepted) {
    exclusive_ = box_ && box_->isChecked();
    const QStringList files = selectedFiles();
    fileName_ = files.isEmpty() ? QString() : files.front();
  }
  QFileDialog::done(result);
}

}  // namespace fw
