#include "ui/fields/DtaErstellen_VO.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include "ui/app/Icons.h"
#include "ui/fields/MyBBrowser.h"
#include "ui/fields/SummaryLabel.h"
#include "ui/gauge/GaugeControl.h"
#include "ui/platform/DialogUnits.h"

namespace fw {
namespace {

template <typename T>
T* Place(T* control, const char* name, int x, int y, int w, int h, bool controlFont = true) {
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(DialogRect(x, y, w, h));
  if (controlFont) control->setFont(ControlFont());
  return control;
}

QLineEdit* Edit(QWidget* parent, const char* name, int x, int y, int w, int h) {
  auto* edit = Place(new QLineEdit(parent), name, x, y, w, h);
  edit->setFrame(true);
  return edit;
}

QLabel* Text(QWidget* parent, const char* name, const QString& caption, int x, int y, int w,
             int h) {
  auto* label = Place(new QLabel(caption, parent), name, x, y, w, h);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setWordWrap(true);
  return label;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption, int x, int y,
                    int w, int h) {
  return Place(new QPushButton(caption, parent), name, x, y, w, h);
}

}  // namespace

DtaErstellen_VO::DtaErstellen_VO(QWidget* parent, bBrowserEvents* events) : QWidget(parent) {
  setObjectName(QStringLiteral("DtaErstellen_VO"));
  setFont(DialogFont());
  setWindowTitle(QStringLiteral("DataWindow Caption"));
  setWindowIcon(ToolIcon());

  pbSchliessen = Button(this, "PBSchliessen", QStringLiteral("&Schliessen"), 498, 359, 54, 12);
  sleAuswahl = Edit(this, "sleAuswahl", 66, 7, 210, 12);
  pbAuswahl = Button(this, "PBAuswahl", QStringLiteral("..."), 280, 7, 13, 12);
  txt1 = Text(this, "txt1", QStringLiteral("&Auswahl Datenbank"), 10, 4, 51, 17);
  bbrCharacter = Place(new MyBBrowser(this, 104, events), "bbrCharacter", 5, 49, 387, 60);
  bbrNumeric = Place(new MyBBrowser(this, 105, events), "bbrNumeric", 5, 113, 387, 60);
  bbrLogic = Place(new MyBBrowser(this, 106, events), "bbrLogic", 5, 177, 387, 60);
  bbrDate = Place(new MyBBrowser(this, 107, events), "bbrDate", 5, 241, 387, 60);
  bbrMemo = Place(new MyBBrowser(this, 108, events), "bbrMemo", 5, 305, 387, 60);
  pbFillDB = Button(this, "PBFillDB", QStringLiteral("DB &Füllen"), 261, 32, 53, 12);
  // Beside "DB Füllen": which index files the fill rebuilds.
  pbIndexdateien =
      Button(this, "PBIndexdateien", QStringLiteral("Inde&xdateien…"), 318, 32, 58, 12);
  cusCharacter = Place(new GaugeControl(this), "cusCharacter", 397, 56, 167, 22, false);
  cusNumeric = Place(new GaugeControl(this), "cusNumeric", 397, 123, 167, 22, false);
  cusLogic = Place(new GaugeControl(this), "cusLogic", 397, 187, 167, 22, false);
  cusDate = Place(new GaugeControl(this), "cusDate", 397, 248, 167, 22, false);
  cusMemo = Place(new GaugeControl(this), "cusMemo", 397, 315, 167, 22, false);
  txtCharacter = Text(this, "txtCharacter", QString(), 397, 83, 167, 11);
  txtNumeric = Text(this, "txtNumeric", QString(), 397, 150, 167, 11);
  txtLogic = Text(this, "txtLogic", QString(), 397, 214, 167, 11);
  txtDate = Text(this, "txtDate", QString(), 397, 275, 167, 11);
  txtMemo = Text(this, "txtMemo", QString(), 397, 342, 167, 11);
  sleSatzzahl = Edit(this, "sleSatzzahl", 130, 32, 46, 12);
  sleSatzzahl->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  txt6 = Text(this, "txt6", QStringLiteral("An&zahl Datensätze"), 10, 27, 51, 16);
  pbHilfe = Button(this, "PBHilfe", QStringLiteral("Hilf&e"), 432, 359, 53, 12);
  chkLeeren = Place(new QCheckBox(QStringLiteral("File vor dem Generieren lee&ren ?"), this),
                    "chkLeeren", 304, 7, 141, 11);
  sleVorhanden = Edit(this, "sleVorhanden", 66, 32, 46, 12);
  sleVorhanden->setReadOnly(true);
  txt7 = Text(this, "txt7", QStringLiteral("vorhanden"), 66, 22, 54, 8);
  txt8 = Text(this, "txt8", QStringLiteral("zu generieren"), 131, 22, 53, 8);
  ico1 = Place(new QLabel(this), "ico1", 469, 17, 21, 19, false);
  ico1->setPixmap(ToolIcon().pixmap(32, 32));
  ico1->setAlignment(Qt::AlignCenter);
  // A multi-line push button: the caption wraps inside the button.
  pbStop = Button(this, "PBStop", QString(), 509, 12, 32, 29);
  pbStop->setAccessibleName(QStringLiteral("Not- halt"));
  auto* stopText = new QLabel(QStringLiteral("<u>N</u>ot- halt"), pbStop);
  stopText->setObjectName(QStringLiteral("PBStopCaption"));
  stopText->setWordWrap(true);
  stopText->setAlignment(Qt::AlignCenter);
  stopText->setAttribute(Qt::WA_TransparentForMouseEvents);
  auto* stopLayout = new QVBoxLayout(pbStop);
  stopLayout->setContentsMargins(2, 2, 2, 2);
  stopLayout->addWidget(stopText);
  sleTreiber = Edit(this, "sleTreiber", 197, 32, 45, 12);
  sleTreiber->setReadOnly(true);
  txt9 = Text(this, "txt9", QStringLiteral("Treiber"), 198, 22, 39, 9);
  pbRegelnLaden = Button(this, "PBRegelnLaden", QStringLiteral("Regeln &laden…"), 5, 377, 62, 12);
  pbRegelnSpeichern =
      Button(this, "PBRegelnSpeichern", QStringLiteral("Regeln s&peichern…"), 71, 377, 76, 12);
  pbVorschau = Button(this, "PBVorschau", QStringLiteral("&Vorschau"), 151, 377, 44, 12);
  // The row of the rule buttons: suggest, load, save, preview.
  pbVorschlag = Button(this, "PBVorschlag", QStringLiteral("Vorschla&g"), 199, 377, 46, 12);
  pbVorschlag->setToolTip(
      QStringLiteral("Regeln, die zu Namen, Typ und Länge der Felder passen, in alle fünf "
                     "Tabellen eintragen"));
  pbIndexdateien->setToolTip(
      QStringLiteral("Welche Indexdateien nach dem Füllen neu aufgebaut werden"));
  prgSchreiben = Place(new QProgressBar(this), "prgSchreiben", 397, 377, 167, 12);
  prgSchreiben->setFormat(QStringLiteral("Schreiben: %p %"));
  prgSchreiben->setAlignment(Qt::AlignCenter);
  prgSchreiben->hide();
  // The summary spans the band right of the rule buttons, in two lines; the write's progress
  // takes its right part while the records are written.
  txtSumme = Place(new SummaryLabel(this), "txtSumme", 250, 375, 314, 19);
  txtSumme->setWordWrap(true);
  txtSumme->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  grids_ = {bbrCharacter, bbrNumeric, bbrLogic, bbrDate, bbrMemo};
  gauges_ = {cusCharacter, cusNumeric, cusLogic, cusDate, cusMemo};
  texts_ = {txtCharacter, txtNumeric, txtLogic, txtDate, txtMemo};

  txt1->setBuddy(pbAuswahl);
  txt6->setBuddy(sleSatzzahl);
  stopText->setTextFormat(Qt::RichText);
  auto* stopKey = new QShortcut(StopKey(), this);
  stopKey->setContext(Qt::WidgetWithChildrenShortcut);
  connect(stopKey, &QShortcut::activated, pbStop, &QPushButton::click);
  pbStop->setToolTip(QStringLiteral("Not- halt (Alt+N)"));
  SetTabOrder();

  for (QObject* child : children())
    if (auto* control = qobject_cast<QWidget*>(child)) {
      Placed placed{control, control->geometry(), -1, false, false};
      for (int band = 0; band < kFieldKindCount; ++band) {
        if (control == grids_[size_t(band)]) placed = {control, control->geometry(), band, true, false};
        if (control == gauges_[size_t(band)] || control == texts_[size_t(band)])
          placed = {control, control->geometry(), band, false, true};
      }
      if (control == pbHilfe || control == pbSchliessen || control == prgSchreiben)
        placed = {control, control->geometry(), kFieldKindCount, false, true};
      if (control == pbRegelnLaden || control == pbRegelnSpeichern || control == pbVorschau ||
          control == pbVorschlag)
        placed = {control, control->geometry(), kFieldKindCount, false, false};
      if (control == txtSumme) placed = {control, control->geometry(), kFieldKindCount, true, false};
      placed_.push_back(placed);
    }
  setMinimumSize(sizeHint());
  resize(sizeHint());
}

QKeySequence DtaErstellen_VO::StopKey() { return QKeySequence(Qt::ALT | Qt::Key_N); }

void DtaErstellen_VO::SetTabOrder() {
  // As the window reads: the table, the count, "DB Füllen", "Indexdateien…", the five grids,
  // the rule buttons, "Hilfe", "Schliessen". The read-only edits are not on the way.
  sleVorhanden->setFocusPolicy(Qt::ClickFocus);
  sleTreiber->setFocusPolicy(Qt::ClickFocus);
  std::vector<QWidget*> order{sleAuswahl,  pbAuswahl, chkLeeren,
                              sleSatzzahl, pbFillDB, pbIndexdateien, pbStop};
  for (MyBBrowser* grid : grids_) {
    // Tab leaves the grid; the arrow keys move within it.
    grid->View()->setTabKeyNavigation(false);
    order.push_back(grid->View());
  }
  for (QWidget* w : std::initializer_list<QWidget*>{pbVorschlag, pbRegelnLaden, pbRegelnSpeichern,
                                                    pbVorschau, pbHilfe, pbSchliessen})
    order.push_back(w);
  for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void DtaErstellen_VO::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const QSize base = sizeHint();
  const int dx = std::max(0, width() - base.width());
  const int dy = std::max(0, height() - base.height());
  // Band i moves down by what the grids above it grew; each grid grows by its share.
  auto shift = [dy](int band) { return band * dy / kFieldKindCount; };
  for (const Placed& p : placed_) {
    if (p.Band < 0) continue;
    QRect r = p.Base;
    r.translate(p.Right ? dx : 0, shift(p.Band));
    if (p.Wide) r.setWidth(r.width() + dx);
    if (p.Band < kFieldKindCount && p.Wide) r.setHeight(r.height() + shift(p.Band + 1) - shift(p.Band));
    p.Control->setGeometry(r);
  }
}

QSize DtaErstellen_VO::sizeHint() const { return DialogSize(kWidthDu, kHeightDu); }

}  // namespace fw
