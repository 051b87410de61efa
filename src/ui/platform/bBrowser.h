#pragma once
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "ui/platform/bCell.h"

class QBrush;
class QLabel;
class QTableView;

namespace fw {

class bBrowser;
class bBrowserModel;
class bCellDelegate;
class bDataColumn;
class bDataServer;

// The event a grid raises when a cell editor is being created (EditMode 1). An editor placed in
// EditControl (a child of EditParent) is used for the cell instead of the grid's own.
struct bEditEvent {
  int EditMode = 1;
  bBrowser* Control = nullptr;
  bCell EditCell;
  QWidget* EditParent = nullptr;
  QWidget* EditControl = nullptr;
};

// The owner window of a grid receives its cell events.
class bBrowserEvents {
public:
  virtual ~bBrowserEvents() = default;
  virtual void CellEdit(bEditEvent& event) { (void)event; }
  virtual void CellDoubleClick(bBrowser* control) { (void)control; }
};

// A grid over a data server: a title line and a table view with one column per field, a row
// selector and cell-by-cell editing. Accepted cell edits are written to the server at once.
class bBrowser : public QWidget {
  Q_OBJECT
public:
  bBrowser(QWidget* owner, int id, bBrowserEvents* events = nullptr);
  ~bBrowser() override;

  int Id() const { return id_; }
  void SetTitle(const QString& title);
  QString Title() const;
  void SetTitleVisible(bool visible);

  // Binds the grid to a server (nullptr unbinds): one column per field, all opened in field
  // order, rows read from the server. The server must outlive the binding.
  void Use(bDataServer* server);
  bDataServer* Server() const;
  bDataColumn* GetColumn(const QString& fieldName) const;  // without regard to case
  bDataColumn* GetColumn(int number) const;                // 1-based, field order
  std::vector<bDataColumn*> ColumnList() const;
  void OpenColumn(bDataColumn* column);  // shows a closed column at the end

  int CurrentColumn() const;  // 1-based visible column of the current cell, 0 when none
  int CurrentRow() const;     // record number of the current cell, 0 when none
  void SetCurrentCell(const bCell& cell);
  void SelectionRemove();
  void Refresh();  // rows read again from the server

  int RowHeight() const;
  int CaptionHeight() const;
  int CharWidth() const;  // average character width of the grid's font

  void EnableSelector(bool enable);
  void EnableColumnMove(bool enable);
  void EnableCaptionClick(bool enable);
  void EnableScrollBars(bool enable);
  void SetGridBrushes(const QBrush* rowA, const QBrush* rowB);
  // While blocked no cell can be edited (the rules are being read by a run).
  void SetEditingBlocked(bool blocked);

  // Creates an editor for a cell: `make` builds it as a child of `parent`.
  QWidget* EditCreate(const bCell& cell, QWidget* parent,
                      const std::function<QWidget*(QWidget*)>& make);

  QTableView* View() const { return view_; }
  bBrowserModel* Model() const { return model_; }
  QLabel* TitleLabel() const { return title_; }

  // Called by a column whose settings changed.
  void ColumnChanged(bDataColumn* column);

protected:
  // The editor the grid's owner or the grid itself makes for a cell.
  QWidget* CreateCellEditor(QWidget* parent, int row, int column);
  virtual void OnMousePress(const QPoint& pos) { (void)pos; }
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  friend class bCellDelegate;
  void ApplyColumnWidths();

  int id_;
  bBrowserEvents* events_;
  QLabel* title_;
  QTableView* view_;
  bBrowserModel* model_;
  bCellDelegate* delegate_;
  std::vector<std::unique_ptr<bDataColumn>> columns_;
  std::vector<bDataColumn*> open_;
};

}  // namespace fw
