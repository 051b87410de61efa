#pragma once
#include <QStringList>
#include <memory>

#include "ui/platform/bBrowser.h"
#include "ui/platform/bComboEditChoice.h"

namespace fw {

class bArrayServer;

// The drop-down of the source picker: a one-column list of the sources named by the settings
// value Quellen, read afresh at every opening, sized to show every row at once. A double-click
// puts the chosen name into the edit and ends the cell edit. When its edit can choose a table
// (bQuelleEdit::ChooseTable), the last row is "Tabelle…": a double-click on it ends the cell
// edit as it was and lets the user choose the table and its field.
class bDlgQuelleEditChoice : public bComboEditChoice, public bBrowserEvents {
  Q_OBJECT
public:
  explicit bDlgQuelleEditChoice(bComboEdit* owner);
  ~bDlgQuelleEditChoice() override;

  bBrowser* bbrQuelle() const { return bbrQuelle_; }
  QString Value() const override;  // the name of the list's current row, trimmed
  void SetValue(const QString& value) override;
  void PostInit() override;

  void CellDoubleClick(bBrowser* control) override;

  // The entries of Quellen (trimmed, in their order); one empty entry when it is empty.
  static QStringList Sources();
  // The row that chooses another table ("Tabelle…").
  static QString TableEntry();

protected:
  void showEvent(QShowEvent* event) override;

private:
  // Window and list exactly as large as the column and all rows with the caption.
  void FitToRows();

  bBrowser* bbrQuelle_;
  // Whether the current row is the last one, "Tabelle…".
  bool OnTableEntry() const;

  std::unique_ptr<bArrayServer> server_;
  uint32_t tableRow_ = 0;  // the row of "Tabelle…", 0 when the edit cannot choose a table
};

}  // namespace fw
