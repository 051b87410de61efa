#pragma once
#include <QDialog>
#include <QString>
#include <QUrl>

#include "ui/app/DialogControls.h"

class QLabel;
class QPushButton;

namespace fw {

// The support address of the info dialog: key SupportMail of section AppDaten. "" when it is
// missing or is not a plain address (local part, "@", domain; no blanks, no URL characters).
QString SupportMailAddress();
// "mailto:" + address + "?subject=Ihr Problem:", with the address kept in the URL's path so
// that it cannot add parameters of its own.
QUrl MailToUrl(const QString& address);

// Layout of the info dialog (dialog resource "_INFO"), 265 x 144 dialog units. Info fills in
// the computed texts.
class Info_VO : public QDialog {
  Q_OBJECT
public:
  explicit Info_VO(QWidget* owner);

  // Runs the dialog modally; returns when it has ended.
  int Show() { return exec(); }

  QLabel* ico1;
  QPushButton* pbEMail;  // hidden; the link text below opens the mail program
  QLabel* txtEMail1;
  QLabel* txtProgramm;
  QLabel* txtVersion;
  FrameBox* theGroupBox2;
  QLabel* theFixedText2;
  QLabel* theFixedText3;
  FrameBox* theGroupBox1;
  QLabel* theFixedText4;
  QLabel* FreeResources;
  QLabel* theFixedText5;
  QLabel* FreeMemory;
  QPushButton* pbSchliessen;

public slots:
  void PBSchliessen();
  // Opens the user's mail program with a new message to the support address.
  void PBEMail();
};

}  // namespace fw
