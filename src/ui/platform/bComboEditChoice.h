#pragma once
#include <QString>
#include <QWidget>

namespace fw {

class bComboEdit;

// The drop-down of a combo edit: a small top-level window with a sizing frame, owned by the
// edit. It closes through DoClose only (losing the focus does not close it), or with Escape.
class bComboEditChoice : public QWidget {
  Q_OBJECT
public:
  // `resourceName` names the layout; `modeless` is kept for the layout's callers.
  bComboEditChoice(bComboEdit* owner, const QString& resourceName, bool modeless = true);
  ~bComboEditChoice() override;

  bComboEdit* Owner() const { return owner_; }
  QString ResourceName() const { return resourceName_; }

  virtual QString Value() const { return value_; }
  virtual void SetValue(const QString& value) { value_ = value; }
  virtual void PostInit() {}

  // Shows the drop-down under its edit and gives it the focus.
  void Show();
  // Closes the drop-down; `endEdit` true (an edit inside a grid cell) also ends the cell edit.
  void DoClose(bool endEdit);

protected:
  void keyPressEvent(QKeyEvent* event) override;

private:
  bComboEdit* owner_;
  QString resourceName_;
  QString value_;
  bool closing_ = false;
};

}  // namespace fw
