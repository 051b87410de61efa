#pragma once
#include <QPointer>
#include <QSet>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/app/RunContext.h"
#include "core/fields/FieldOptions.h"
#include "core/platform/DBServer.h"
#include "core/generate/FillHost.h"
#include "ui/fields/DtaErstellen_VO.h"
#include "ui/platform/bBrowser.h"

namespace fw {

class AppShell;
class DBServer;
class DefinitionTables;
class FillRun;
class IndexPlan;
class bDbServer;

// The generation window: the user chooses the target table, sees its driver and record count,
// edits the rules of its fields in five grids bound to the definition tables, and starts and
// stops the fill run. While a run is going, "DB Füllen", "..." and "Schliessen" are disabled
// and the rules cannot be edited; closing the window then stops the run first and closes the
// window once the run has ended.
class DtaErstellen : public DtaErstellen_VO, public FillHost, public bBrowserEvents {
  Q_OBJECT
public:
  // `owner` is the shell whose menu command opened the window (nullptr when none); the window
  // enables that command again when it closes.
  explicit DtaErstellen(AppShell* owner = nullptr);
  ~DtaErstellen() override;

  // False when the definition tables could not be opened; the user has been told why.
  bool IsUsable() const { return usable_; }

  // The choice of the target file; by default the open dialog. Tests put their own here.
  std::function<QString(DtaErstellen&)> FileChooser;
  // The choice of a rules file to load (`save` false) or to write (`save` true); by default a
  // file dialog. "" when the user cancels.
  std::function<QString(DtaErstellen&, bool save)> RulesFileChooser;

  // The choice of the table another table's field takes its values from; by default a file
  // dialog in the target's folder. "" when the user cancels.
  std::function<QString(DtaErstellen&)> ParentTableChooser;
  // The choice of one of `fields` of that table for the field `field`; by default the dialog
  // DlgFeldwahl. "" when the user cancels.
  std::function<std::string(DtaErstellen&, const QString& table, const QString& field,
                            const std::vector<FieldInfo>& fields)>
      ParentFieldChooser;

  // Records the preview shows.
  static constexpr uint32_t kPreviewRecords = 20;

  DBServer* dbAuswahl() const;
  DefinitionTables& Tables() const { return *tables_; }
  FillRun& Run() const { return *run_; }
  uint32_t nVorhanden() const;
  uint32_t nSaetze() const;
  bool lRunning() const;
  bool IsRunning() const { return running_; }

  // Window methods.
  void BrowserConfig();
  void ResetControls();
  void DB_Zap();
  void Analyse(const QString& path);
  // Takes `file` as the target, as if it had been chosen with "...": shows it, analyses it and
  // puts its name into the caption. An empty name only empties the file field.
  void UseTable(const QString& file);
  void FocusChange(bool gained);
  void CellEdit(bEditEvent& event) override;
  void CellDoubleClick(bBrowser* control) override;

  // The options of a field beyond its rule columns, shown as the tooltip of its row and changed
  // in its context menu: distinct values, a share left blank, and the table's share of
  // deleted records. "" when the field has none. The field by its position in the table
  // (1-based), or by its name (the first field of that name).
  QString OptionsText(int fieldPos) const;
  QString OptionsText(const std::string& field) const;
  // The context menu of a grid row (right click) at `pos` in the viewport of that grid.
  void FieldMenu(FieldKind kind, const QPoint& pos);
  // Asks for the parameters of a source with parameters, and of a reference to another table
  // (`reference`: none when the field has none); false when cancelled or refused.
  bool AskParameters(FieldKind kind, int fieldPos, const QString& name, FieldOptions& options,
                     std::optional<TableReference>& reference);
  // Lets the user choose another table and one of its fields for the field at `fieldPos` and
  // sets the field's reference to it; with `with` (the name of a field of this table that
  // refers to a table) only a field of that field's table, which the field at `fieldPos` then
  // looks up. The values must fit the field as the run checks before writing: otherwise the
  // user is told why and nothing is set. False when cancelled or refused.
  bool ChooseReference(FieldKind kind, int fieldPos, const std::string& with = {});
  // The reference of the field at `fieldPos` that the run follows (a character field's only
  // while its QUELLE says Tabelle); nullptr when there is none.
  const TableReference* ReferenceOf(int fieldPos) const;

public slots:
  void PBAuswahl();
  void PBFillDB();
  void PBStop();
  void PBHilfe();
  void PBSchliessen();
  void PBVorschlag();
  void PBRegelnLaden();
  void PBRegelnSpeichern();
  void PBVorschau();
  void PBIndexdateien();

public:
  // FillHost
  ProgressGauge& Gauge(FieldKind kind) override;
  void SetStatusText(FieldKind kind, const std::string& text) override;
  void RefreshGrid(FieldKind kind) override;
  void RemoveSelection(FieldKind kind) override;
  void ProcessEvents() override;
  void SetBusyPointer(bool busy) override;
  void ShowRecordCount(uint32_t count) override;
  void ShowWriteProgress(uint32_t written, uint32_t total) override;
  void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) override;

protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void Init();
  // The run context from the program's state: its data folder, current driver, gauge step,
  // random source, and the program's error handling.
  RunContext ProgramContext() const;
  QString ChooseFile();
  void SetRunning(bool running);
  // Seeds the random source for the next run from the setting Seed.
  void SeedTheRun();
  void RefreshGrids();
  void ShowNoTarget();
  void CloseTarget();
  void CloseWindow();
  QString ChooseRulesFile(bool save);
  bool TargetChosen();
  // Loads what fits of a rules file into the grids and names in one message what did not.
  void TakeRules(const std::string& file);
  // True when remembered rules differing from the grids were offered.
  bool OfferRememberedRules();
  void RememberUsedRules();
  // The target field a grid row describes: its name ("" when the row is none) and its
  // position in the table (0 when the table has no such field). Rows of one name belong, in
  // order, to the fields of that kind with that name.
  std::string FieldOfRow(FieldKind kind, int row) const;
  int FieldPosOfRow(FieldKind kind, int row) const;
  // Sets (or with none, removes) the reference of the field at `fieldPos`: a character field's
  // QUELLE becomes Tabelle (or Worte), a numeric or date field's other source goes.
  void SetReference(int fieldPos, const std::optional<TableReference>& reference);
  // A parent table chosen with ParentTableChooser or the file dialog.
  QString ChooseParentTable();
  // The field other than `fieldPos` whose reference has JE ("" when none).
  std::string PerParentField(int fieldPos) const;
  // Whether the reference `ref` of the field at `fieldPos` may be set: its values fit the field
  // and JE is on one field only. Tells the user why not.
  bool ReferenceAccepted(int fieldPos, const TableReference& ref);
  // After a suggestion: which fields got options, and where to change them.
  void ShowSuggestedOptions();

  // Before a run: checks every rule as the run would, without writing; where rules leave
  // fields out, asks once whether to fill the others. False: nothing is to be written.
  bool RulesAccepted();
  // Before a run that empties a table holding records: asks, naming the table and its count.
  bool EmptyingAccepted();
  // After an analysis: offers TABLE.rules.ini beside the table. True when there is one.
  bool OfferRulesBesideTable();
  // After an analysis that leaves the rules as it gives them: points to "Vorschlag".
  void ShowFirstRunHint();
  // The rules were changed (suggestion, rules file, a cell): the last run's gauges go.
  void RulesChanged();
  // Refusals the user has accepted for this run: their messages are not shown again.
  QSet<QString> acceptedRefusals_;
  bool firstRunHint_ = false;
  bool pendingHint_ = false;

  QPointer<AppShell> owner_;
  QMetaObject::Connection focusConnection_;
  std::unique_ptr<DefinitionTables> tables_;
  std::unique_ptr<FillRun> run_;
  // Makes the plan of the target's index files anew from the files the rules name.
  void PlanIndexes();
  std::unique_ptr<IndexPlan> indexes_;  // the target's index files, rebuilt after each fill
  std::array<std::unique_ptr<bDbServer>, kFieldKindCount> servers_;
  bool usable_ = false;
  bool running_ = false;
  bool closePending_ = false;
  std::string tablePath_;  // the analysed target, as chosen
};

}  // namespace fw
