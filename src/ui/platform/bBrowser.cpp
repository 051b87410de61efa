#include "ui/platform/bBrowser.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMouseEvent>
#include <QTableView>
#include <QVBoxLayout>

#include "ui/platform/bBrowserModel.h"
#include "ui/platform/bCellDelegate.h"
#include "ui/platform/bComboEdit.h"
#include "ui/platform/bDataColumn.h"
#include "ui/platform/bDataServer.h"

namespace fw {

bBrowser::bBrowser(QWidget* owner, int id, bBrowserEvents* events)
    : QWidget(owner),
      id_(id),
      events_(events),
      title_(new QLabel(this)),
      view_(new QTableView(this)),
      model_(new bBrowserModel(this)),
      delegate_(new bCellDelegate(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(1);
  layout->addWidget(title_);
  layout->addWidget(view_, 1);
  title_->setVisible(false);
  title_->setAlignment(Qt::AlignCenter);

  view_->setModel(model_);
  view_->setItemDelegate(delegate_);
  view_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  view_->setSelectionBehavior(QAbstractItemView::SelectItems);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
  view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
  view_->verticalHeader()->setFixedWidth(14);
  view_->horizontalHeader()->setHighlightSections(false);
  view_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  view_->horizontalHeader()->setStretchLastSection(false);
  view_->viewport()->installEventFilter(this);

}

bBrowser::~bBrowser() {
  // The model keeps pointers to the columns: unbind before they go.
  model_->SetServer(nullptr);
}

void bBrowser::SetTitle(const QString& title) { title_->setText(title); }
QString bBrowser::Title() const { return title_->text(); }
void bBrowser::SetTitleVisible(bool visible) { title_->setVisible(visible); }

void bBrowser::Use(bDataServer* server) {
  model_->SetServer(server);  // a model reset also ends an edit in progress
  columns_.clear();
  open_.clear();
  if (server) {
    const auto& structure = server->Structure();
    for (size_t i = 0; i < structure.size(); ++i) {
      columns_.push_back(std::make_unique<bDataColumn>(this, structure[i], int(i + 1)));
      open_.push_back(columns_.back().get());
    }
  }
  model_->SetColumns(open_);
  model_->Reload();
  ApplyColumnWidths();
}

bDataServer* bBrowser::Server() const { return model_->Server(); }

bDataColumn* bBrowser::GetColumn(const QString& fieldName) const {
  for (const auto& column : columns_)
    if (column->FieldName().compare(fieldName, Qt::CaseInsensitive) == 0) return column.get();
  return nullptr;
}

bDataColumn* bBrowser::GetColumn(int number) const {
  if (number < 1 || size_t(number) > columns_.size()) return nullptr;
  return columns_[size_t(number - 1)].get();
}

std::vector<bDataColumn*> bBrowser::ColumnList() const {
  std::vector<bDataColumn*> list;
  for (const auto& column : columns_) list.push_back(column.get());
  return list;
}

void bBrowser::OpenColumn(bDataColumn* column) {
  if (!column || std::find(open_.begin(), open_.end(), column) != open_.end()) return;
  open_.push_back(column);
  model_->SetColumns(open_);
  ApplyColumnWidths();
}

int bBrowser::CurrentColumn() const {
  const QModelIndex current = view_->currentIndex();
  return current.isValid() ? current.column() + 1 : 0;
}

int bBrowser::CurrentRow() const {
  const QModelIndex current = view_->currentIndex();
  return current.isValid() ? current.row() + 1 : 0;
}

void bBrowser::SetCurrentCell(const bCell& cell) {
  view_->setCurrentIndex(model_->index(cell.Row - 1, cell.Column - 1));
}

void bBrowser::SelectionRemove() {
  if (view_->selectionModel()) view_->selectionModel()->clearSelection();
}

void bBrowser::Refresh() {
  const QModelIndex current = view_->currentIndex();
  const int row = current.row(), column = current.column();
  model_->Reload();
  if (row >= 0 && row < model_->rowCount())
    view_->selectionModel()->setCurrentIndex(model_->index(row, column),
                                             QItemSelectionModel::NoUpdate);
  ApplyColumnWidths();
}

int bBrowser::RowHeight() const { return view_->verticalHeader()->defaultSectionSize(); }

int bBrowser::CaptionHeight() const {
  return view_->horizontalHeader()->isVisible() ? view_->horizontalHeader()->sizeHint().height()
                                                : 0;
}

int bBrowser::CharWidth() const { return view_->fontMetrics().averageCharWidth(); }

void bBrowser::EnableSelector(bool enable) { view_->verticalHeader()->setVisible(enable); }

void bBrowser::EnableColumnMove(bool enable) {
  view_->horizontalHeader()->setSectionsMovable(enable);
}

void bBrowser::EnableCaptionClick(bool enable) {
  view_->horizontalHeader()->setSectionsClickable(enable);
}

void bBrowser::EnableScrollBars(bool enable) {
  const auto policy = enable ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
  view_->setHorizontalScrollBarPolicy(policy);
  view_->setVerticalScrollBarPolicy(policy);
}

void bBrowser::SetGridBrushes(const QBrush* rowA, const QBrush* rowB) {
  model_->SetRowBrushes(rowA, rowB);
  view_->viewport()->update();
}

void bBrowser::SetEditingBlocked(bool blocked) {
  model_->SetEditingBlocked(blocked);
  // An edit in progress ends without being written: the model reset closes its editor.
  if (blocked) Refresh();
  view_->viewport()->update();
}

QWidget* bBrowser::EditCreate(const bCell&, QWidget* parent,
                              const std::function<QWidget*(QWidget*)>& make) {
  return make(parent);
}

QWidget* bBrowser::CreateCellEditor(QWidget* parent, int row, int column) {
  if (column < 0 || size_t(column) >= open_.size()) return nullptr;
  bEditEvent event;
  event.EditMode = 1;
  event.Control = this;
  event.EditCell = bCell{column + 1, row + 1};
  event.EditParent = parent;
  if (events_) events_->CellEdit(event);
  if (event.EditControl) return event.EditControl;
  const bDataColumn* col = open_[size_t(column)];
  if (col->EditType() == bEditType::ComboEdit) return new bComboEdit(parent, this);
  return bCellDelegate::MakeLineEditor(parent, col->Field().Type, int(col->Field().Length),
                                       int(col->Field().Decimals));
}

bool bBrowser::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_->viewport() && event->type() == QEvent::MouseButtonPress)
    OnMousePress(static_cast<QMouseEvent*>(event)->position().toPoint());
  // The view's own double-click goes to the cell's editor or check box and would not reach
  // the owner: report it here, with the double-clicked cell current.
  if (watched == view_->viewport() && event->type() == QEvent::MouseButtonDblClick && events_) {
    const QModelIndex index =
        view_->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
    if (index.isValid()) {
      if (view_->currentIndex() != index) view_->setCurrentIndex(index);
      events_->CellDoubleClick(this);
    }
  }
  return QWidget::eventFilter(watched, event);
}

void bBrowser::ColumnChanged(bDataColumn* column) {
  const auto it = std::find(open_.begin(), open_.end(), column);
  if (it == open_.end()) return;
  const int index = int(it - open_.begin());
  model_->ColumnChanged(index);
  view_->horizontalHeader()->resizeSection(index, column->Width());
}

void bBrowser::ApplyColumnWidths() {
  for (size_t i = 0; i < open_.size(); ++i)
    view_->horizontalHeader()->resizeSection(int(i), open_[i]->Width());
}

}  // namespace fw
