#pragma once
#include <QDialog>

#include "ui/app/DialogControls.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace fw {

// Layout of the dialog "Einstellungen": 285 x 177 dialog units, every control placed in dialog
// units of the dialog font. Behaviour lives in DlgSettings.
class DlgSettings_VO : public QDialog {
  Q_OBJECT
public:
  explicit DlgSettings_VO(QWidget* owner);

  // Runs the dialog modally; returns when it has ended.
  int Show() { return exec(); }

  QRadioButton* rbLeeren;
  QRadioButton* rbAppend;
  QButtonGroup* rbg1;
  QLineEdit* sleDefaultnMax;
  FrameBox* frm1;
  QLabel* txt1;
  QPushButton* pbAbbruch;
  QPushButton* pbSpeichern;
  QLabel* icon;
  LeftTextCheckBox* chkDefaultLMax;
  QCheckBox* chkVorschlag;  // suggest rules at every analysis
  QComboBox* cmbDriver;
  QLabel* txt2;
  QLabel* txt3;
  QLineEdit* sleDefaultSaetze;
  // Seed of the random source (key Seed): the same seed gives the same data; 0 a fresh seed
  // for each run. Not part of the original dialog: placed under the driver.
  QLabel* txtSeed;
  QLineEdit* sleSeed;

protected slots:
  virtual void PBAbbruch() {}
  virtual void PBSpeichern() {}
};

}  // namespace fw
