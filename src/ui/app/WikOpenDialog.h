#pragma once
#include <QFileDialog>

class QCheckBox;

namespace fw {

// The program's file-open dialog: the standard open dialog with one more check box,
// "Exclusive", under the dialog's own controls. Exclusive presets the box before the dialog
// is shown and holds the box's state after a confirmed choice; cancelling leaves it as preset.
class WikOpenDialog : public QFileDialog {
  Q_OBJECT
public:
  // `fileSpec` is the initial file name, e.g. "*.DBF".
  WikOpenDialog(QWidget* owner, const QString& fileSpec);

  bool Exclusive() const { return exclusive_; }
  void SetExclusive(bool exclusive) { exclusive_ = exclusive; }

  // Runs the dialog modally; the chosen file name, empty when cancelled.
  QString Show();
  QString FileName() const { return fileName_; }
  QCheckBox* ExclusiveBox() const { return box_; }

  // How many pixels the dialog grew for the check box.
  int ExtraHeight() const { return extraHeight_; }

protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

private:
  void CreateControl();
  void ShowWholeColumns();

  bool exclusive_ = false;
  QCheckBox* box_ = nullptr;
  QString fileName_;
  int extraHeight_ = 0;
};

}  // namespace fw
