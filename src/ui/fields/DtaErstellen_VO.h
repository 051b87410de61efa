#pragma once
#include <QWidget>
#include <QKeySequence>
#include <array>
#include <vector>

#include "core/fields/FieldKind.h"
#include "ui/fields/SummaryLabel.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace fw {

class GaugeControl;
class MyBBrowser;

class bBrowserEvents;

// The layout of the generation window: every control at its place in dialog units of the
// dialog font, with its caption and the window's bold control font. The behaviour is
// DtaErstellen's.
class DtaErstellen_VO : public QWidget {
  Q_OBJECT
public:
  // Width and height of the client area in dialog units: the original 378 high, and below it
  // a band for the buttons of kept rules and the preview, and for the write's progress and the
  // summary of a run.
  static constexpr int kWidthDu = 571;
  static constexpr int kHeightDu = 396;

  QSize sizeHint() const override;
  // The keys that press "Not- halt" (its caption is a label inside the button).
  static QKeySequence StopKey();

  QPushButton* pbSchliessen;
  QLineEdit* sleAuswahl;
  QPushButton* pbAuswahl;
  QLabel* txt1;
  MyBBrowser* bbrCharacter;
  MyBBrowser* bbrNumeric;
  MyBBrowser* bbrLogic;
  MyBBrowser* bbrDate;
  MyBBrowser* bbrMemo;
  QPushButton* pbFillDB;
  GaugeControl* cusCharacter;
  GaugeControl* cusNumeric;
  GaugeControl* cusLogic;
  GaugeControl* cusDate;
  GaugeControl* cusMemo;
  QLabel* txtCharacter;
  QLabel* txtNumeric;
  QLabel* txtLogic;
  QLabel* txtDate;
  QLabel* txtMemo;
  QLineEdit* sleSatzzahl;
  QLabel* txt6;
  QPushButton* pbHilfe;
  QCheckBox* chkLeeren;
  QLineEdit* sleVorhanden;
  QLabel* txt7;
  QLabel* txt8;
  QLabel* ico1;
  QPushButton* pbStop;
  QLineEdit* sleTreiber;
  QLabel* txt9;
  QPushButton* pbVorschlag;  // suggested rules for every field

  // Added below the grids: rules read from and written to a rules file, and a look at the
  // records the rules give.
  QPushButton* pbRegelnLaden;
  QPushButton* pbRegelnSpeichern;
  QPushButton* pbVorschau;
  QPushButton* pbIndexdateien;  // the index files rebuilt after the fill
  // Below "Hilfe" and "Schliessen": the progress of the write that follows the five passes,
  // then the summary of the run.
  QProgressBar* prgSchreiben;
  SummaryLabel* txtSumme;

  // The controls of one field type, indexed by FieldKind.
  MyBBrowser* Grid(FieldKind kind) const { return grids_[size_t(kind)]; }
  GaugeControl* GaugeOf(FieldKind kind) const { return gauges_[size_t(kind)]; }
  QLabel* StatusText(FieldKind kind) const { return texts_[size_t(kind)]; }

protected:
  // `events` receives the grids' cell events.
  DtaErstellen_VO(QWidget* parent, bBrowserEvents* events);
  // The layout's size is the default and the least: a larger window gives the grids the room,
  // shares the height among them, and moves the gauges and the controls below along.
  void resizeEvent(QResizeEvent* event) override;

private:
  void SetTabOrder();
  struct Placed {
    QWidget* Control;
    QRect Base;  // at the layout's size
    int Band;    // the grid band it moves with; -1: stays; kFieldKindCount: the bottom
    bool Wide;   // takes the extra width instead of moving by it
    bool Right;  // moves right by the extra width
  };
  std::vector<Placed> placed_;
  std::array<MyBBrowser*, kFieldKindCount> grids_{};
  std::array<GaugeControl*, kFieldKindCount> gauges_{};
  std::array<QLabel*, kFieldKindCount> texts_{};
};

}  // namespace fw
