#include "ui/fields/bQuelleEdit.h"

#include "ui/fields/bDlgQuelleEditChoice.h"

namespace fw {

void bQuelleEdit::OnChoiceOpen() {
  bComboEdit::OnChoiceOpen();
  auto* choice = new bDlgQuelleEditChoice(this);
  choice->SetValue(Value());
  choice->Show();
}

}  // namespace fw
