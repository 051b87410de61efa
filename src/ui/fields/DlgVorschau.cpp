#include "ui/fields/DlgVorschau.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/platform/CodePage.h"
#include "core/platform/FieldLayout.h"
#include "ui/app/Icons.h"
#include "ui/platform/DialogUnits.h"

namespace fw {

DlgVorschau::DlgVorschau(QWidget* owner, const PreviewRecords& preview, bool seeded)
    : QDialog(owner) {
  setObjectName(QStringLiteral("DlgVorschau"));
  setWindowTitle(QStringLiteral("Vorschau"));
  setWindowIcon(ToolIcon());
  setModal(true);
  setFont(DialogFont());

  const QString count = QString::number(preview.Rows.size());
  txtHinweis = new QLabel(
      seeded ? QStringLiteral("Die ersten %1 Datensätze, die „DB Füllen“ mit diesen Regeln "
                              "schreibt (Seed aus den Einstellungen).")
                   .arg(count)
             : QStringLiteral("%1 Datensätze, mit diesen Regeln gezogen. Ohne Seed in den "
                              "Einstellungen zieht jeder Lauf neue Werte.")
                   .arg(count),
      this);
  txtHinweis->setObjectName(QStringLiteral("txtHinweis"));
  txtHinweis->setFont(ControlFont());
  txtHinweis->setWordWrap(true);

  bbrVorschau = new QTableWidget(int(preview.Rows.size()), int(preview.Fields.size()), this);
  bbrVorschau->setObjectName(QStringLiteral("bbrVorschau"));
  bbrVorschau->setEditTriggers(QAbstractItemView::NoEditTriggers);
  bbrVorschau->setSelectionBehavior(QAbstractItemView::SelectRows);
  bbrVorschau->horizontalHeader()->setSectionsMovable(false);
  for (int c = 0; c < int(preview.Fields.size()); ++c) {
    const FieldInfo& field = preview.Fields[size_t(c)];
    // Names are Windows-1252 inside the program, as the table's code page gave them.
    auto* header = new QTableWidgetItem(QString::fromStdString(Cp1252ToUtf8(field.Name)));
    QString type = QStringLiteral("%1(%2").arg(QChar::fromLatin1(field.Type)).arg(field.Length);
    if (LayoutOf(field) == FieldLayout::Number)
      type += QStringLiteral(",%1").arg(field.Decimals);
    header->setToolTip(type + QLatin1Char(')'));
    bbrVorschau->setHorizontalHeaderItem(c, header);
  }
  for (int r = 0; r < int(preview.Rows.size()); ++r) {
    const auto& row = preview.Rows[size_t(r)];
    for (int c = 0; c < int(row.size()) && c < int(preview.Fields.size()); ++c) {
      const QString text = QString::fromStdString(row[size_t(c)]);
      auto* item = new QTableWidgetItem(text);
      if (PreviewIsNumber(preview.Fields[size_t(c)]))
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (text.size() > 40) item->setToolTip(text);  // memos and long texts in full
      bbrVorschau->setItem(r, c, item);
    }
  }
  // One line per record; long texts are cut in the cell and shown whole as a tip.
  bbrVorschau->setWordWrap(false);
  bbrVorschau->resizeColumnsToContents();
  int width = bbrVorschau->verticalHeader()->sizeHint().width() + 4;
  for (int c = 0; c < bbrVorschau->columnCount(); ++c) {
    bbrVorschau->setColumnWidth(c, qMin(bbrVorschau->columnWidth(c), 260));
    width += bbrVorschau->columnWidth(c);
  }
  bbrVorschau->verticalHeader()->setDefaultSectionSize(bbrVorschau->fontMetrics().height() + 6);
  const int height = bbrVorschau->horizontalHeader()->sizeHint().height() +
                     bbrVorschau->rowCount() * bbrVorschau->verticalHeader()->defaultSectionSize() +
                     bbrVorschau->horizontalScrollBar()->sizeHint().height() + 4;
  bbrVorschau->setMinimumSize(qMin(width, 1100), qMin(height, 560));

  QStringList messages;
  for (const std::string& message : preview.Messages) messages << QString::fromStdString(message);
  txtMeldungen = new QLabel(messages.join(QLatin1Char('\n')), this);
  txtMeldungen->setObjectName(QStringLiteral("txtMeldungen"));
  txtMeldungen->setWordWrap(true);
  txtMeldungen->setStyleSheet(QStringLiteral("color: #a00000;"));
  txtMeldungen->setVisible(!messages.isEmpty());

  pbSchliessen = new QPushButton(QStringLiteral("Schliessen"), this);
  pbSchliessen->setObjectName(QStringLiteral("PBSchliessen"));
  pbSchliessen->setFont(ControlFont());
  connect(pbSchliessen, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(pbSchliessen);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(txtHinweis);
  layout->addWidget(bbrVorschau, 1);
  layout->addWidget(txtMeldungen);
  layout->addLayout(buttons);
  resize(sizeHint());
}

}  // namespace fw
