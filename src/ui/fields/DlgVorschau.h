#pragma once
#include <QDialog>

#include "core/generate/Preview.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace fw {

// The dialog "Vorschau": records drawn with the current rules, every field of the table in
// table order, in a grid that cannot be edited; below it what the run said while drawing
// them (missing word sources, refused rules).
class DlgVorschau : public QDialog {
  Q_OBJECT
public:
  // `seeded`: the setting Seed is set, so the records are those the next run writes first.
  DlgVorschau(QWidget* owner, const PreviewRecords& preview, bool seeded);

  QLabel* txtHinweis;
  QTableWidget* bbrVorschau;
  QLabel* txtMeldungen;
  QPushButton* pbSchliessen;
};

}  // namespace fw
