#include "ui/app/DlgSettings_VO.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include "ui/app/Icons.h"
#include "ui/platform/DialogUnits.h"

namespace fw {

namespace {

template <typename Control>
Control* Place(Control* control, const char* name, int x, int y, int w, int h) {
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(DialogRect(x, y, w, h));
  control->setFont(ControlFont());
  return control;
}

}  // namespace

DlgSettings_VO::DlgSettings_VO(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("DlgSettings_VO"));
  setModal(true);
  setFont(DialogFont());
  setFixedSize(DialogSize(285, 177));
  if (owner) move(owner->mapToGlobal(QPoint(0, 0)) + DialogRect(112, 86, 0, 0).topLeft());

  rbLeeren = Place(new QRadioButton(QStringLiteral("Datenbank vor dem Generieren leeren"), this),
                   "rbLeeren", 32, 18, 165, 11);
  rbAppend = Place(new QRadioButton(QStringLiteral("Neue Sätze anhängen"), this), "rbAppend", 32,
                   33, 165, 11);
  sleDefaultnMax = Place(new QLineEdit(this), "sleDefaultnMax", 138, 103, 35, 12);
  sleDefaultnMax->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  frm1 = Place(new FrameBox(QStringLiteral(" Funktion RandomStrings() "), this), "frm1", 24, 91,
               162, 46);
  frm1->lower();  // a frame only: the controls inside stay on top of it
  txt1 = Place(new QLabel(QStringLiteral("Default nMax"), this), "txt1", 32, 103, 53, 9);
  pbAbbruch = Place(new QPushButton(QStringLiteral("Abbruch / Schliessen"), this), "pbAbbruch",
                    32, 155, 99, 12);
  pbSpeichern = Place(new QPushButton(QStringLiteral("Speichern / Schliessen"), this),
                      "pbSpeichern", 152, 155, 99, 12);
  for (QPushButton* button : {pbAbbruch, pbSpeichern}) {
    button->setAutoDefault(false);  // Enter presses neither button
    button->setDefault(false);
  }

  icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("icon"));
  icon->setPixmap(ToolIcon().pixmap(32, 32));
  icon->setGeometry(QRect(DialogRect(232, 17, 0, 0).topLeft(), QSize(32, 32)));

  chkDefaultLMax = Place(new LeftTextCheckBox(QStringLiteral("Default LMax"), this),
                         "chkDefaultLMax", 32, 118, 128, 11);
  cmbDriver = Place(new QComboBox(this), "cmbDriver", 216, 103, 53, 52);
  cmbDriver->setEditable(true);
  cmbDriver->setInsertPolicy(QComboBox::NoInsert);
  cmbDriver->setCompleter(nullptr);  // typing shows what is typed, nothing else
  cmbDriver->view()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // The rectangle's height includes the open list; the closed box is one line high.
  cmbDriver->resize(cmbDriver->width(), cmbDriver->sizeHint().height());
  txt2 = Place(new QLabel(QStringLiteral("Default Driver"), this), "txt2", 216, 91, 56, 9);
  txt3 = Place(new QLabel(QStringLiteral("Default Anzahl Datensätze"), this), "txt3", 26, 62,
               104, 9);
  sleDefaultSaetze = Place(new QLineEdit(this), "sleDefaultSaetze", 138, 60, 53, 12);
  txtSeed = Place(new QLabel(QStringLiteral("Seed (0 = neu)"), this), "txtSeed", 216, 121, 64, 9);
  sleSeed = Place(new QLineEdit(this), "sleSeed", 216, 131, 53, 12);
  sleSeed->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  sleSeed->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("[0-9]{0,20}")), sleSeed));
  const QString seedHelp = QStringLiteral(
      "Startwert des Zufallsgenerators: derselbe Startwert füllt dieselbe Tabelle mit "
      "denselben Regeln mit denselben Daten.\n0 = bei jedem Lauf ein neuer Startwert.");
  txtSeed->setToolTip(seedHelp);
  sleSeed->setToolTip(seedHelp);
  chkVorschlag = Place(new QCheckBox(QStringLiteral("Regeln bei jeder Analyse vorschlagen"), this),
                       "chkVorschlag", 26, 76, 170, 11);

  rbg1 = new QButtonGroup(this);
  rbg1->setObjectName(QStringLiteral("rbg1"));
  rbg1->addButton(rbLeeren);
  rbg1->addButton(rbAppend);
  rbLeeren->setProperty("value", QStringLiteral("rbLeeren"));
  rbAppend->setProperty("value", QStringLiteral("rbAppend"));

  // Tab stops: the edits, the buttons, the check box and the combo box; the radio buttons
  // are reached by the mouse only.
  for (QRadioButton* radio : {rbLeeren, rbAppend}) radio->setFocusPolicy(Qt::ClickFocus);
  QWidget* const tabOrder[] = {sleDefaultnMax, pbAbbruch, pbSpeichern, chkDefaultLMax, cmbDriver,
                               sleDefaultSaetze, sleSeed, chkVorschlag};
  for (QWidget* control : tabOrder) control->setFocusPolicy(Qt::StrongFocus);
  for (size_t i = 0; i + 1 < std::size(tabOrder); ++i)
    setTabOrder(tabOrder[i], tabOrder[i + 1]);

  setWindowTitle(QStringLiteral("Einstellungen"));
  setWindowIcon(ToolIcon());

  connect(pbAbbruch, &QPushButton::clicked, this, [this] { PBAbbruch(); });
  connect(pbSpeichern, &QPushButton::clicked, this, [this] { PBSpeichern(); });
}

}  // namespace fw
