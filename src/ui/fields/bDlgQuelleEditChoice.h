#pragma once
#include <QStringList>
#include <memory>

#include "ui/platform/bBrowser.h"
#include "ui/platform/bComboEditChoice.h"

namespace fw {

class bArrayServer;

// The drop-down of the source picker: a one-column list of the sources named by the settings
// value Quellen, read afresh at every opening, sized to show every row at once. A double-click
// puts the chosen name into the edit and ends the cell edit.
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

protected:
  void showEvent(QShowEvent* event) override;

private:
  // Window and list exactly as large as the column and all rows with the caption.
  void FitToRows();

  bBrowser* bbrQuelle_;
  std::unique_ptr<bArrayServer> server_;
};

}  // namespace fw
