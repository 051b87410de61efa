#pragma once
#include "ui/platform/bComboEdit.h"

namespace fw {

// The editor of a QUELLE cell: its drop-down lists the word sources of the settings file.
class bQuelleEdit : public bComboEdit {
  Q_OBJECT
public:
  using bComboEdit::bComboEdit;

protected:
  void OnChoiceOpen() override;
};

}  // namespace fw
