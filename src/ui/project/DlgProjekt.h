#pragma once
#include <QDialog>
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "core/generate/FillHost.h"
#include "core/project/ProjectFile.h"
#include "core/project/ProjectRun.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace fw {

class GaugeControl;

// "Projekt füllen": the tables of a project file in the order they are filled, with their
// record counts (editable where the project gives one; "je Elterndatensatz" where a field's JE
// decides) and the index files rebuilt after each; "Füllen" runs the project with the gauges
// of the table being filled and a line per finished table, "Not- halt" stops it, "Speichern
// unter…" writes the project file with the counts and the seed as shown.
class DlgProjekt : public QDialog, public ProjectHost, public FillHost {
  Q_OBJECT
public:
  // Reads and plans the project at `path`; a project that cannot be read or is refused is
  // named in a message box and leaves the dialog unusable.
  DlgProjekt(QWidget* owner, const QString& path);
  ~DlgProjekt() override;
  bool IsUsable() const { return usable_; }

  // Picks the file "Speichern unter…" writes; the program's save dialog unless a test sets it.
  std::function<QString(DlgProjekt&)> SaveChooser;

  QTableWidget* tblTabellen;  // Tabelle, Datensätze, Indexdateien
  QLineEdit* sleStartwert;    // SEED; empty: a fresh one each run
  std::array<GaugeControl*, kFieldKindCount> gauges{};
  QLabel* txtStatus;           // the table and field being filled
  QProgressBar* prgSchreiben;  // the write of the table's records
  QListWidget* lstProtokoll;   // a line per finished table, then how the run ended
  QPushButton* pbFuellen;
  QPushButton* pbStop;
  QPushButton* pbSpeichern;
  QPushButton* pbSchliessen;

  void PBFuellen();
  void PBStop();
  void PBSpeichern();

  // ProjectHost
  FillHost& TableHost(const PlannedTable& table) override;
  void TableFinished(const FilledTable& table) override;

  // FillHost
  ProgressGauge& Gauge(FieldKind kind) override;
  void SetStatusText(FieldKind kind, const std::string& text) override;
  void RefreshGrid(FieldKind) override {}
  void RemoveSelection(FieldKind) override {}
  void ProcessEvents() override;
  void SetBusyPointer(bool busy) override;
  void ShowRecordCount(uint32_t) override {}
  void ShowWriteProgress(uint32_t written, uint32_t total) override;
  void ShowMessage(const std::string& caption, const std::string& text,
                   MessageIcon icon) override;

protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

private:
  void ShowTables();
  // The counts and the seed as the user edited them, into project_; false (after a message)
  // when one is no count.
  bool TakeEdits();
  void SetRunning(bool running);
  RunContext ProgramContext() const;

  Project project_;
  std::unique_ptr<ProjectRun> run_;
  bool usable_ = false;
  bool running_ = false;
  bool closePending_ = false;
  QString table_;  // the name of the table being filled
};

// The text of a project's notes for a message box, one line each.
QString ProjectNotesText(const std::vector<ProjectNote>& notes);

}  // namespace fw
