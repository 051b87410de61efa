#pragma once
#include <functional>

#include "ui/platform/bComboEdit.h"

namespace fw {

// The editor of a QUELLE cell: its drop-down lists the word sources of the settings file and,
// when the window has set ChooseTable, "Tabelle…".
class bQuelleEdit : public bComboEdit {
  Q_OBJECT
public:
  using bComboEdit::bComboEdit;

  // Called when "Tabelle…" is chosen, after the cell edit has ended with the cell's value as
  // it was: lets the user choose another table and one of its fields for the cell's field.
  std::function<void()> ChooseTable;

protected:
  void OnChoiceOpen() override;
};

}  // namespace fw
