#pragma once
#include <QWidget>
#include <array>

#include "core/fields/FieldKind.h"

class QCheckBox;
class QLabel;
class QLineEdit;
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
  // Width and height of the client area in dialog units.
  static constexpr int kWidthDu = 571;
  static constexpr int kHeightDu = 378;

  QSize sizeHint() const override;

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

  // The controls of one field type, indexed by FieldKind.
  MyBBrowser* Grid(FieldKind kind) const { return grids_[size_t(kind)]; }
  GaugeControl* GaugeOf(FieldKind kind) const { return gauges_[size_t(kind)]; }
  QLabel* StatusText(FieldKind kind) const { return texts_[size_t(kind)]; }

protected:
  // `events` receives the grids' cell events.
  DtaErstellen_VO(QWidget* parent, bBrowserEvents* events);

private:
  std::array<MyBBrowser*, kFieldKindCount> grids_{};
  std::array<GaugeControl*, kFieldKindCount> gauges_{};
  std::array<QLabel*, kFieldKindCount> texts_{};
};

}  // namespace fw
