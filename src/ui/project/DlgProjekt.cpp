#include "ui/project/DlgProjekt.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/platform/Date.h"
#include "ui/app/Globals.h"
#include "ui/app/TextBox.h"
#include "ui/gauge/GaugeControl.h"

namespace fw {
namespace {

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

// The captions of the gauges, kind by kind as the fill run goes through them.
const char* const kGaugeCaptions[kFieldKindCount] = {"Zeichen", "Zahlen", "Logisch", "Datum",
                                                     "Memo"};

}  // namespace

QString ProjectNotesText(const std::vector<ProjectNote>& notes) {
  QStringList lines;
  for (const ProjectNote& note : notes) {
    switch (note.Of) {
      case ProjectNote::Kind::Analysis:
        lines << FromUtf8(note.Text) + QStringLiteral(" (%1)").arg(FromUtf8(note.Table));
        break;
      case ProjectNote::Kind::Table:
        lines << FromUtf8(note.Table) + QStringLiteral(": ") + FromUtf8(note.Text);
        break;
      case ProjectNote::Kind::Project: lines << FromUtf8(note.Text); break;
    }
  }
  return lines.join(QStringLiteral("\r\n"));
}

DlgProjekt::DlgProjekt(QWidget* owner, const QString& path) : QDialog(owner) {
  setObjectName(QStringLiteral("DlgProjekt"));
  setWindowTitle(QStringLiteral("Projekt füllen – %1").arg(QFileInfo(path).fileName()));

  tblTabellen = new QTableWidget(0, 3, this);
  tblTabellen->setObjectName(QStringLiteral("tblTabellen"));
  tblTabellen->setHorizontalHeaderLabels(
      {QStringLiteral("Tabelle"), QStringLiteral("Datensätze"), QStringLiteral("Indexdateien")});
  tblTabellen->horizontalHeader()->setStretchLastSection(true);
  tblTabellen->verticalHeader()->setVisible(false);
  tblTabellen->setSelectionMode(QAbstractItemView::NoSelection);
  sleStartwert = new QLineEdit(this);
  sleStartwert->setObjectName(QStringLiteral("sleStartwert"));
  sleStartwert->setPlaceholderText(QStringLiteral("leer: jedes Mal neu"));
  auto* seedLabel = new QLabel(QStringLiteral("&Startwert:"), this);
  seedLabel->setBuddy(sleStartwert);

  auto* gaugeGrid = new QGridLayout;
  for (int kind = 0; kind < kFieldKindCount; ++kind) {
    gauges[size_t(kind)] = new GaugeControl(this);
    gauges[size_t(kind)]->setObjectName(QStringLiteral("prg%1").arg(kGaugeCaptions[kind]));
    gaugeGrid->addWidget(new QLabel(QString::fromLatin1(kGaugeCaptions[kind]), this), 0, kind);
    gaugeGrid->addWidget(gauges[size_t(kind)], 1, kind);
  }
  txtStatus = new QLabel(this);
  txtStatus->setObjectName(QStringLiteral("txtStatus"));
  prgSchreiben = new QProgressBar(this);
  prgSchreiben->setObjectName(QStringLiteral("prgSchreiben"));
  prgSchreiben->setRange(0, 1000);
  prgSchreiben->setTextVisible(false);
  lstProtokoll = new QListWidget(this);
  lstProtokoll->setObjectName(QStringLiteral("lstProtokoll"));

  pbFuellen = new QPushButton(QStringLiteral("&Füllen"), this);
  pbFuellen->setObjectName(QStringLiteral("PBFuellen"));
  pbFuellen->setDefault(true);
  pbStop = new QPushButton(QStringLiteral("Not- &halt"), this);
  pbStop->setObjectName(QStringLiteral("PBStop"));
  pbStop->setEnabled(false);
  pbSpeichern = new QPushButton(QStringLiteral("Speichern &unter…"), this);
  pbSpeichern->setObjectName(QStringLiteral("PBSpeichern"));
  pbSchliessen = new QPushButton(QStringLiteral("S&chliessen"), this);
  pbSchliessen->setObjectName(QStringLiteral("PBSchliessen"));

  auto* seedRow = new QHBoxLayout;
  seedRow->addWidget(seedLabel);
  seedRow->addWidget(sleStartwert);
  seedRow->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(pbFuellen);
  buttons->addWidget(pbStop);
  buttons->addStretch();
  buttons->addWidget(pbSpeichern);
  buttons->addWidget(pbSchliessen);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tblTabellen, 2);
  layout->addLayout(seedRow);
  layout->addLayout(gaugeGrid);
  layout->addWidget(txtStatus);
  layout->addWidget(prgSchreiben);
  layout->addWidget(lstProtokoll, 1);
  layout->addLayout(buttons);
  connect(pbFuellen, &QPushButton::clicked, this, &DlgProjekt::PBFuellen);
  connect(pbStop, &QPushButton::clicked, this, &DlgProjekt::PBStop);
  connect(pbSpeichern, &QPushButton::clicked, this, &DlgProjekt::PBSpeichern);
  connect(pbSchliessen, &QPushButton::clicked, this, &DlgProjekt::close);
  resize(620, 520);

  std::string error;
  if (!ReadProject(QFile::encodeName(path).toStdString(), project_, error)) {
    TextBox(owner, QStringLiteral("Fehlermeldung"), FromUtf8(error), MessageIcon::Exclamation);
    return;
  }
  sleStartwert->setText(project_.Seed == 0 ? QString() : QString::number(project_.Seed));
  run_ = std::make_unique<ProjectRun>(*this, ProgramContext());
  if (!run_->Plan(project_)) {
    TextBox(owner, QStringLiteral("Fehlermeldung"), ProjectNotesText(run_->Notes()),
            MessageIcon::Exclamation);
    return;
  }
  ShowTables();
  usable_ = true;
}

DlgProjekt::~DlgProjekt() = default;

RunContext DlgProjekt::ProgramContext() const {
  RunContext context;
  context.DataFolder = gcProgrammDaten;
  context.Driver = gcDefaultDriver;
  context.GaugeStep = nGaugeStep;
  context.Dates = CurrentDateFormat();
  return context;
}

void DlgProjekt::ShowTables() {
  const std::vector<PlannedTable>& tables = run_->Tables();
  tblTabellen->setRowCount(int(tables.size()));
  for (int row = 0; row < int(tables.size()); ++row) {
    const PlannedTable& table = tables[size_t(row)];
    auto* name = new QTableWidgetItem(FromUtf8(table.Name));
    name->setFlags(Qt::ItemIsEnabled);
    const uint32_t records = project_.Tables[table.Place].Records;
    auto* count = new QTableWidgetItem(table.PerParent ? QStringLiteral("je Elterndatensatz")
                                                       : QString::number(records));
    count->setData(Qt::UserRole, qulonglong(table.Place));
    count->setFlags(table.PerParent ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsEditable);
    count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QStringList lines;
    for (const std::string& line : table.IndexLines) lines << FromUtf8(line);
    auto* indexes = new QTableWidgetItem(lines.isEmpty() ? QStringLiteral("keine")
                                                         : lines.join(QLatin1Char(' ')));
    indexes->setFlags(Qt::ItemIsEnabled);
    indexes->setToolTip(lines.join(QLatin1Char('\n')));
    if (table.IndexesLeaveAny) indexes->setForeground(Qt::darkRed);
    tblTabellen->setItem(row, 0, name);
    tblTabellen->setItem(row, 1, count);
    tblTabellen->setItem(row, 2, indexes);
  }
  tblTabellen->resizeColumnsToContents();
}

bool DlgProjekt::TakeEdits() {
  Project edited = project_;
  const QString seed = sleStartwert->text().trimmed();
  bool ok = true;
  edited.Seed = seed.isEmpty() ? 0 : seed.toULongLong(&ok);
  if (!ok) {
    TextBox(this, QStringLiteral("Achtung"),
            QStringLiteral("Der Startwert \"%1\" ist keine ganze Zahl.").arg(seed),
            MessageIcon::Exclamation);
    return false;
  }
  for (int row = 0; row < tblTabellen->rowCount(); ++row) {
    const QTableWidgetItem* count = tblTabellen->item(row, 1);
    if (!count || !(count->flags() & Qt::ItemIsEditable)) continue;
    ProjectTable& table = edited.Tables[size_t(count->data(Qt::UserRole).toULongLong())];
    const QString text = count->text().trimmed();
    const qulonglong records = text.toULongLong(&ok);
    if (!ok || records > 0xFFFFFFFFull) {
      TextBox(this, QStringLiteral("Achtung"),
              QStringLiteral("Die Zahl der Datensätze von %1 muss eine ganze Zahl von 0 bis "
                             "4294967295 sein.")
                  .arg(FromUtf8(table.Name)),
              MessageIcon::Exclamation);
      return false;
    }
    table.Records = uint32_t(records);
  }
  project_ = std::move(edited);
  return true;
}

void DlgProjekt::SetRunning(bool running) {
  running_ = running;
  pbFuellen->setEnabled(!running);
  pbSpeichern->setEnabled(!running);
  pbSchliessen->setEnabled(!running);
  pbStop->setEnabled(running);
  tblTabellen->setEnabled(!running);
  sleStartwert->setEnabled(!running);
}

void DlgProjekt::PBFuellen() {
  if (running_ || !usable_ || !TakeEdits()) return;
  lstProtokoll->clear();
  SetRunning(true);
  const ProjectOutcome outcome = run_->Run(project_, project_.Seed);
  txtStatus->clear();
  SetBusyPointer(false);
  if (outcome.Of == ProjectOutcome::Result::Filled) {
    lstProtokoll->addItem(QStringLiteral("Das Projekt ist gefüllt (Startwert %1).")
                              .arg(QString::number(outcome.Seed)));
  } else {
    const QString text = ProjectNotesText(outcome.Notes);
    lstProtokoll->addItem(FromUtf8(outcome.Notes.empty() ? std::string() : outcome.Notes.back().Text));
    TextBox(this,
            outcome.Of == ProjectOutcome::Result::Stopped ? QStringLiteral("Achtung")
                                                          : QStringLiteral("Fehlermeldung"),
            text, MessageIcon::Exclamation);
  }
  // The plan of the last run (also a refused one) is what the tables show.
  if (!run_->Tables().empty()) ShowTables();
  SetRunning(false);
  if (closePending_) {
    closePending_ = false;
    close();
  }
}

void DlgProjekt::PBStop() {
  if (run_ && running_) run_->Stop();
}

void DlgProjekt::PBSpeichern() {
  if (running_ || !usable_ || !TakeEdits()) return;
  QString file;
  if (SaveChooser) {
    file = SaveChooser(*this);
  } else {
    file = QFileDialog::getSaveFileName(
        this, QStringLiteral("Projekt speichern unter"),
        QFile::decodeName(project_.Path.c_str()),
        QStringLiteral("Projektdateien (*.ini *.prj);;Alle Dateien (*)"), nullptr,
        QFileDialog::DontUseNativeDialog);
  }
  if (file.isEmpty()) return;
  Project moved = project_;
  MoveProject(moved, QFile::encodeName(file).toStdString());
  std::string error;
  if (!WriteProject(moved.Path, moved, error)) {
    TextBox(this, QStringLiteral("Fehlermeldung"), FromUtf8(error), MessageIcon::Exclamation);
    return;
  }
  project_ = std::move(moved);
  setWindowTitle(QStringLiteral("Projekt füllen – %1").arg(QFileInfo(file).fileName()));
}

FillHost& DlgProjekt::TableHost(const PlannedTable& table) {
  table_ = FromUtf8(table.Name);
  txtStatus->setText(QStringLiteral("%1 wird gefüllt.").arg(table_));
  prgSchreiben->setValue(0);
  return *this;
}

void DlgProjekt::TableFinished(const FilledTable& table) {
  if (!table.Complete) return;
  QString line = QStringLiteral("%1: %2 Datensätze geschrieben, die Tabelle enthält jetzt %3.")
                     .arg(FromUtf8(table.Name))
                     .arg(table.Written)
                     .arg(table.InTable);
  if (!table.Indexes.empty()) line += QLatin1Char(' ') + FromUtf8(table.Indexes);
  lstProtokoll->addItem(line.replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
  lstProtokoll->scrollToBottom();
}

ProgressGauge& DlgProjekt::Gauge(FieldKind kind) { return *gauges[size_t(kind)]; }

void DlgProjekt::SetStatusText(FieldKind, const std::string& text) {
  if (text.empty()) return;
  txtStatus->setText(table_ + QStringLiteral(": ") + FromUtf8(text));
}

void DlgProjekt::ProcessEvents() { QCoreApplication::processEvents(); }

void DlgProjekt::SetBusyPointer(bool busy) {
  if (busy) setCursor(Qt::WaitCursor);
  else unsetCursor();
}

void DlgProjekt::ShowWriteProgress(uint32_t written, uint32_t total) {
  // Per mille, so that counts beyond the range of an int still show.
  prgSchreiben->setValue(total == 0 ? 1000 : int(uint64_t(written) * 1000 / total));
}

void DlgProjekt::ShowMessage(const std::string& caption, const std::string& text,
                             MessageIcon icon) {
  TextBox(this, FromUtf8(caption), FromUtf8(text), icon);
}

void DlgProjekt::closeEvent(QCloseEvent* event) {
  if (running_) {
    // The run is on the stack below this event: stop it, and close once it has returned.
    PBStop();
    closePending_ = true;
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void DlgProjekt::reject() {
  if (running_) {
    PBStop();
    closePending_ = true;
    return;
  }
  QDialog::reject();
}

}  // namespace fw
