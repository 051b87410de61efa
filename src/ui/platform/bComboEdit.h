#pragma once
#include <QPointer>
#include <QWidget>

#include "ui/platform/bComboEditChoice.h"

class QLineEdit;
class QToolButton;

namespace fw {

class bBrowser;


// A cell editor made of a line edit and a drop-down button. The drop-down (a bComboEditChoice
// made by a subclass in OnChoiceOpen) opens on the button, F4 or Alt+Down; the edit's value
// goes to the cell when the edit ends.
class bComboEdit : public QWidget {
  Q_OBJECT
public:
  // `browser` is the grid whose cell the edit belongs to, nullptr for a free-standing edit.
  explicit bComboEdit(QWidget* parent, bBrowser* browser = nullptr);
  ~bComboEdit() override;

  QString Value() const;
  void SetValue(const QString& value);
  bool ReadOnly() const;
  void SetReadOnly(bool readOnly);
  bBrowser* Browser() const { return browser_; }
  QLineEdit* LineEdit() const { return edit_; }
  QToolButton* Button() const { return button_; }

  // The user asks for the drop-down.
  void OpenChoice();
  bComboEditChoice* Choice() const { return choice_; }
  void SetChoice(bComboEditChoice* choice) { choice_ = choice; }
  // Ends the cell edit: the grid writes the value and removes the editor.
  void EndEdit();

signals:
  void EditEnded();

protected:
  // Called when the drop-down is to open. The base closes a drop-down that is still open.
  virtual void OnChoiceOpen();
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  bBrowser* browser_;
  QLineEdit* edit_;
  QToolButton* button_;
  QPointer<bComboEditChoice> choice_;
};

}  // namespace fw
