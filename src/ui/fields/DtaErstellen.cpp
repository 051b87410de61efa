#include "ui/fields/DtaErstellen.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHelpEvent>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QTableView>
#include <QToolTip>

#include "core/app/Settings.h"
#include "core/fields/DefinitionTables.h"
#include "core/fields/FieldAddress.h"
#include "core/fields/ReferenceKeys.h"
#include "core/fields/RememberedRules.h"
#include "core/fields/RuleSuggestions.h"
#include "core/fields/RulesFile.h"
#include "core/fields/TableAnalysis.h"
#include "core/generate/FillRun.h"
#include "core/index/TableIndexes.h"
#include "core/platform/FieldBytes.h"
#include "core/generate/Preview.h"
#include "core/generate/Random.h"
#include "core/platform/CodePage.h"
#include "core/platform/Error.h"
#include "core/platform/FieldBytes.h"
#include "ui/app/AppShell.h"
#include "ui/app/Globals.h"
#include "ui/app/HelpViewer.h"
#include "ui/app/TextBox.h"
#include "ui/app/UiUtilities.h"
#include "ui/app/WikOpenDialog.h"
#include "ui/fields/DlgIndexdateien.h"
#include "ui/fields/DlgVorschau.h"
#include "ui/fields/MyBBrowser.h"
#include "ui/fields/SummaryLabel.h"
#include "ui/fields/bQuelleEdit.h"
#include "ui/gauge/GaugeControl.h"
#include "ui/platform/bBrowserModel.h"
#include "ui/platform/bCellDelegate.h"
#include "ui/platform/bDataColumn.h"
#include "ui/platform/bDataServer.h"

namespace fw {
namespace {

QString FromCore(const std::string& text) { return QString::fromStdString(Cp1252ToUtf8(text)); }
std::string ToCore(const QString& text) { return Utf8ToCp1252(text.toStdString()); }

// The grid of each kind: its title, and the columns of the kind's definition table that have
// a caption (FieldKind.cpp).
const char* GridTitle(FieldKind kind) {
  static const char* const titles[] = {"Character Felder", "Numerische Felder",
                                       "Logische Felder", "Datums Felder", "Memo Felder"};
  return titles[size_t(kind)];
}

// A share as the window shows it: "60 %", "2,5 %".
QString Percent(double share) {
  return QLocale(QLocale::German).toString(share, 'g', 4) + QStringLiteral(" %");
}

}  // namespace

DtaErstellen::DtaErstellen(AppShell* owner) : DtaErstellen_VO(nullptr, this), owner_(owner) {
  setObjectName(QStringLiteral("DtaErstellen"));
  Init();
}

DtaErstellen::~DtaErstellen() {
  // Destroying the controls moves the focus: no focus handling once the window is going.
  QObject::disconnect(focusConnection_);
  // The grids are destroyed after the servers they show: unbind them first.
  for (FieldKind kind : kFieldKinds) Grid(kind)->Use(nullptr);
}

RunContext DtaErstellen::ProgramContext() const {
  RunContext context;
  context.DataFolder = gcProgrammDaten;
  context.Driver = gcDefaultDriver;
  context.GaugeStep = nGaugeStep;
  context.Random = &ProgramRandom();
  context.Dates = CurrentDateFormat();
  return context;
}

void DtaErstellen::Init() {
  QString failure;
  try {
    tables_ = std::make_unique<DefinitionTables>(ProgramContext());
    for (FieldKind kind : kFieldKinds)
      if (!tables_->Table(kind).Used())
        failure = FromCore(gcProgrammDaten + DefinitionTables::FileName(kind));
    if (failure.isEmpty()) tables_->DB_Zap();
  } catch (const ErrorException& e) {
    failure = QString::fromStdString(e.GetError().FileName.empty() ? e.GetError().Description
                                                                    : e.GetError().FileName);
  }
  if (!failure.isEmpty()) {
    TextBox(owner_, QStringLiteral("Fehlermeldung"),
            QStringLiteral("Die Definitionstabellen konnten nicht geöffnet werden:\r\n%1\r\n"
                           "Läuft das Programm schon ein zweites Mal?")
                .arg(failure),
            MessageIcon::Exclamation);
    return;
  }
  usable_ = true;
  nGaugeStep = 1;
  run_ = std::make_unique<FillRun>(*this, *tables_, ProgramContext());
  for (FieldKind kind : kFieldKinds)
    servers_[size_t(kind)] = std::make_unique<bDbServer>(tables_->Table(kind));

  const Settings settings = ReadSettings(goIni);
  chkLeeren->setChecked(settings.ClearBeforeNew);
  sleSatzzahl->setText(FromCore(settings.DefaultSaetze));
  run_->nSaetze = LeadingCount(ToCore(sleSatzzahl->text()));
  gcDefaultDriver = settings.DefaultDriver;
  sleTreiber->setText(FromCore(gcDefaultDriver));
  BrowserConfig();
  ResetControls();

  connect(pbSchliessen, &QPushButton::clicked, this, &DtaErstellen::PBSchliessen);
  connect(pbAuswahl, &QPushButton::clicked, this, &DtaErstellen::PBAuswahl);
  connect(pbFillDB, &QPushButton::clicked, this, &DtaErstellen::PBFillDB);
  connect(pbHilfe, &QPushButton::clicked, this, &DtaErstellen::PBHilfe);
  connect(pbStop, &QPushButton::clicked, this, &DtaErstellen::PBStop);
  connect(pbVorschlag, &QPushButton::clicked, this, &DtaErstellen::PBVorschlag);
  connect(pbRegelnLaden, &QPushButton::clicked, this, &DtaErstellen::PBRegelnLaden);
  connect(pbIndexdateien, &QPushButton::clicked, this, &DtaErstellen::PBIndexdateien);
  connect(pbRegelnSpeichern, &QPushButton::clicked, this, &DtaErstellen::PBRegelnSpeichern);
  connect(pbVorschau, &QPushButton::clicked, this, &DtaErstellen::PBVorschau);
  // The options of a field: its row's tooltip shows them, its context menu changes them.
  for (FieldKind kind : kFieldKinds) {
    QTableView* view = Grid(kind)->View();
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this,
            [this, kind](const QPoint& pos) { FieldMenu(kind, pos); });
    view->viewport()->installEventFilter(this);
  }
  for (FieldKind kind : kFieldKinds)
    connect(Grid(kind)->Model(), &QAbstractItemModel::dataChanged, this, [this] {
      if (!running_) RulesChanged();
    });
  focusConnection_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    const bool had = old && isAncestorOf(old);
    const bool has = now && isAncestorOf(now);
    if (has != had) FocusChange(has);
  });
}

DBServer* DtaErstellen::dbAuswahl() const { return run_ ? run_->dbAuswahl.get() : nullptr; }
uint32_t DtaErstellen::nVorhanden() const { return run_ ? run_->nVorhanden : 0; }
uint32_t DtaErstellen::nSaetze() const { return run_ ? run_->nSaetze : 0; }
bool DtaErstellen::lRunning() const { return run_ && run_->lRunning.load(); }

void DtaErstellen::BrowserConfig() {
  setWindowTitle(QStringLiteral("Dateien mit Daten füllen"));
  const bViewStyle marked(QColor(255, 0, 0), QBrush(QColor(0, 255, 0), Qt::SolidPattern));
  for (FieldKind kind : kFieldKinds) {
    MyBBrowser* grid = Grid(kind);
    grid->SetTitle(QString::fromUtf8(GridTitle(kind)));
    grid->SetTitleVisible(true);
    grid->Use(servers_[size_t(kind)].get());
    // The columns that describe the field rather than hold a rule are shown read-only.
    for (const DefinitionColumn& planned : InfoOf(kind).Columns) {
      if (!planned.Caption) continue;
      bDataColumn* column = grid->GetColumn(QString::fromLatin1(planned.Name));
      if (!column) continue;  // a delivered table without the column: nothing to set up
      const bool readOnly = planned.Rule == RuleValue::None;
      column->SetReadOnly(readOnly);
      column->SetCaption(QString::fromUtf8(planned.Caption));
      if (readOnly) column->SetViewStyle(1, marked);
      if (planned.Name == std::string_view(kFieldNameColumn)) column->SetWidth(90);
    }
    if (kind == FieldKind::Character || kind == FieldKind::Memo)
      if (bDataColumn* quelle = grid->GetColumn(QString::fromLatin1(kSourceColumn)))
        quelle->SetEditType(bEditType::ComboEdit);
    const auto columns = grid->ColumnList();
    for (size_t i = 1; i < columns.size(); ++i) {
      columns[i]->SetWidth(75);
      columns[i]->SetViewStyle(2, bViewStyle(std::nullopt, std::nullopt, 771));
      grid->OpenColumn(columns[i]);
    }
  }
  if (parentWidget()) MyCenter(this);
}

void DtaErstellen::ResetControls() {
  for (FieldKind kind : kFieldKinds) {
    GaugeOf(kind)->Clear();
    StatusText(kind)->clear();
    Grid(kind)->SelectionRemove();
  }
  prgSchreiben->hide();
  txtSumme->SetText(QString());
  firstRunHint_ = false;
}

void DtaErstellen::RefreshGrids() {
  for (FieldKind kind : kFieldKinds) Grid(kind)->Refresh();
}

void DtaErstellen::DB_Zap() {
  tables_->DB_Zap();
  RefreshGrids();
}

void DtaErstellen::CloseTarget() {
  if (run_ && run_->dbAuswahl) {
    run_->dbAuswahl->Close();
    run_->dbAuswahl.reset();
  }
  if (run_) run_->Indexes = nullptr;
  indexes_.reset();
  tablePath_.clear();
}

void DtaErstellen::ShowNoTarget() {
  sleTreiber->setText(FromCore(gcDefaultDriver));
  sleVorhanden->clear();
  RefreshGrids();
}

QString DtaErstellen::ChooseFile() {
  if (FileChooser) return FileChooser(*this);
  WikOpenDialog dialog(this, QStringLiteral("*.DBF"));
  dialog.setWindowTitle(QStringLiteral("Auswahl der DBF"));
  dialog.setFileMode(QFileDialog::ExistingFile);  // one file only
  dialog.setNameFilter(QStringLiteral("Data Base Files (*.DBF)"));
  dialog.selectNameFilter(QStringLiteral("Data Base Files (*.DBF)"));
  const QString initDir = FromCore(ReadSettings(goIni).InitDir);
  if (!initDir.isEmpty()) dialog.setDirectory(initDir);
  return dialog.Show();
}

void DtaErstellen::PBAuswahl() {
  if (running_ || !usable_) return;
  UseTable(ChooseFile());
}

void DtaErstellen::UseTable(const QString& file) {
  if (running_ || !usable_) return;
  sleAuswahl->setText(file);
  if (file.isEmpty()) return;
  DB_Zap();
  pendingHint_ = false;
  Analyse(file);
  ResetControls();
  if (pendingHint_ && dbAuswahl()) ShowFirstRunHint();
  pendingHint_ = false;
  setWindowTitle(FromCore(gcAppName) + QStringLiteral("   ") + file);
}

void DtaErstellen::Analyse(const QString& path) {
  CloseTarget();
  const std::string file = QFile::encodeName(path).toStdString();
  const std::string previousDriver = gcDefaultDriver;

  // A table that another program holds is reported here, naming the file, instead of going to
  // the general error handler; every other error still goes there.
  bool locked = false;
  std::string lockedFile;
  bool failed = false;
  AnalysisResult result;
  {
    RunContext context = ProgramContext();
    const ErrorBlock outer = GetErrorBlock();
    context.OnError = [&](Error& error) {
      if (locked) return ErrorAction::Default;
      if (error.OsCode == kOsSharingViolation || error.OsCode == kOsLockViolation) {
        locked = true;
        lockedFile = error.FileName;
        return ErrorAction::Default;
      }
      return outer ? outer(error) : ThrowingErrorBlock(error);
    };
    try {
      result = fw::Analyse(file, *tables_, context);
    } catch (const ErrorException&) {
      failed = true;
    }
  }
  // The driver of a recognised table becomes the program's current driver; the paths below
  // that give the table up put the previous one back.
  if (!result.Driver.empty()) gcDefaultDriver = result.Driver;

  if (!locked && !failed && !result.Ok) {
    // No DBF signature: the message, and nothing else changes. A table that was recognised but
    // could not be opened has already been reported by the error handler; the window then
    // shows no target.
    if (!result.Driver.empty()) {
      gcDefaultDriver = previousDriver;
      ShowNoTarget();
    }
    // The previous table is closed: its count would be read as this file's.
    sleVorhanden->clear();
    TextBox(this, QStringLiteral("Fehlermeldung"), QString::fromStdString(result.Message),
            MessageIcon::Exclamation);
    return;
  }
  auto dropTarget = [&] {
    result.Table.reset();
    tables_->DB_Zap();
    gcDefaultDriver = previousDriver;
    ShowNoTarget();
  };
  if (locked) {
    dropTarget();
    const QString name = lockedFile.empty() ? path : QFile::decodeName(lockedFile.c_str());
    TextBox(this, QStringLiteral("Fehlermeldung"),
            QStringLiteral("Die Datei %1 wird von einem anderen Programm benutzt.\r\n"
                           "Sie kann erst gewählt werden, wenn das andere Programm sie "
                           "freigegeben hat.")
                .arg(name),
            MessageIcon::Exclamation);
    return;
  }
  if (failed || !result.Table || !result.Table->Used()) {
    dropTarget();
    TextBox(this, QStringLiteral("Fehlermeldung"), QString::fromUtf8(kAnalyseFailureText),
            MessageIcon::Exclamation);
    return;
  }
  if (result.MemoFileMissing) {
    TextBox(this, QStringLiteral("Achtung"),
            QStringLiteral("Zur Tabelle %1 fehlt das Memo-File.\r\nIhre Memofelder bleiben in "
                           "den neuen Datensätzen leer.")
                .arg(path),
            MessageIcon::Exclamation);
  }
  // The index files that belong to the table are rebuilt after every fill; the window says
  // which, and asks only when one of them has to stay as it is.
  auto indexes = std::make_unique<IndexPlan>(PlanTableIndexes(file, {}));
  if (!indexes->Empty()) {
    const QString text =
        QString::fromStdString(indexes->Text()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!indexes->LeavesAny()) {
      TextBox(this, QStringLiteral("Indexdateien"), text, MessageIcon::Information);
    } else {
      QMessageBox box(QMessageBox::Warning, QStringLiteral("Achtung"),
                      text + QStringLiteral("\n\nTrotzdem fortfahren?"),
                      QMessageBox::Yes | QMessageBox::No, this);
      box.button(QMessageBox::Yes)->setText(QStringLiteral("Ja"));
      box.button(QMessageBox::No)->setText(QStringLiteral("Nein"));
      box.setDefaultButton(QMessageBox::No);
      if (box.exec() != QMessageBox::Yes) {
        dropTarget();
        return;
      }
    }
  }
  indexes_ = std::move(indexes);
  run_->Indexes = indexes_.get();
  sleTreiber->setText(FromCore(result.Driver));
  run_->dbAuswahl = std::move(result.Table);
  run_->nVorhanden = result.RecordCount;
  sleVorhanden->setText(QString::number(result.RecordCount));
  tablePath_ = file;
  // Suggested rules first: rules remembered from an earlier run of this table are then offered
  // over them.
  const bool suggested = ReadSettings(goIni).SuggestRules;
  if (suggested) SuggestRules(*run_->dbAuswahl, *tables_, Date::Today());
  RefreshGrids();
  // Rules remembered from a run of this table come first; else the rules file delivered or
  // saved beside it; else, with the analysis' own rules, a pointer to "Vorschlag".
  if (!OfferRememberedRules() && !OfferRulesBesideTable() && !suggested) pendingHint_ = true;
}

void DtaErstellen::PBVorschlag() {
  if (running_ || !usable_) return;
  if (!dbAuswahl()) {
    TextBox(this, QStringLiteral("Achtung"), QStringLiteral("Sie haben keine Datenbank ausgewählt"),
            MessageIcon::Exclamation);
    return;
  }
  SuggestRules(*dbAuswahl(), *tables_, Date::Today());
  RefreshGrids();
  RulesChanged();
  ShowSuggestedOptions();
}

void DtaErstellen::ShowSuggestedOptions() {
  QStringList unique, blank, postcode, later;
  const std::vector<FieldInfo>& structure = dbAuswahl()->DBStruct();
  for (const auto& [pos, options] : tables_->Options.Fields) {
    if (pos < 1 || size_t(pos) > structure.size()) continue;
    const QString field = FromCore(RulesSectionName(structure, size_t(pos - 1)));
    if (options.Unique) unique << field;
    if (options.Postcode) postcode << field;
    if (options.AfterField >= 1 && size_t(options.AfterField) <= structure.size())
      later << field + QStringLiteral(" nach ") +
                   FromCore(RulesSectionName(structure, size_t(options.AfterField - 1)));
    if (options.BlankPercent > 0)
      blank << field + QStringLiteral(" ") + Percent(options.BlankPercent);
  }
  auto names = [](const QStringList& list) {
    return list.size() <= 3 ? list.join(QStringLiteral(", "))
                            : list.mid(0, 3).join(QStringLiteral(", ")) + QStringLiteral(" …");
  };
  QStringList parts;
  if (!unique.isEmpty()) parts << QStringLiteral("Eindeutig: ") + names(unique);
  if (!blank.isEmpty()) parts << QStringLiteral("teils leer: ") + names(blank);
  if (!postcode.isEmpty()) parts << QStringLiteral("Postleitzahl des Orts: ") + names(postcode);
  if (!later.isEmpty()) parts << QStringLiteral("Datum folgt: ") + names(later);
  if (parts.isEmpty()) {
    txtSumme->SetText(QString());
    return;
  }
  txtSumme->SetText(parts.join(QStringLiteral("; ")) +
                    QStringLiteral(". Rechtsklick auf ein Feld ändert das."));
}

std::string DtaErstellen::FieldOfRow(FieldKind kind, int row) const {
  const bBrowserModel* model = Grid(kind)->Model();
  const auto& columns = model->Columns();
  for (size_t i = 0; i < columns.size(); ++i)
    if (!columns[i]->FieldName().compare(QString::fromLatin1(kFieldNameColumn), Qt::CaseInsensitive))
      return ToCore(model->data(model->index(row, int(i)), Qt::DisplayRole).toString().trimmed());
  return {};
}

int DtaErstellen::FieldPosOfRow(FieldKind kind, int row) const {
  if (!dbAuswahl()) return 0;
  const std::string key = FieldKey(FieldOfRow(kind, row));
  if (key.empty()) return 0;
  uint32_t place = 0;
  for (int r = 0; r <= row; ++r)
    if (FieldKey(FieldOfRow(kind, r)) == key) ++place;
  return FieldOfKindAt(dbAuswahl()->DBStruct(), key, kind, place);
}

QString DtaErstellen::OptionsText(const std::string& field) const {
  return OptionsText(dbAuswahl() ? dbAuswahl()->FieldPos(field) : 0);
}

QString DtaErstellen::OptionsText(int fieldPos) const {
  const FieldOptions options = tables_ ? tables_->Options.Of(fieldPos) : FieldOptions{};
  QStringList parts;
  if (options.Unique) parts << QStringLiteral("eindeutige Werte");
  if (options.BlankPercent > 0) parts << Percent(options.BlankPercent) + QStringLiteral(" leer");
  if (options.Postcode) parts << QStringLiteral("Postleitzahl des Orts");
  if (options.AfterField > 0 && dbAuswahl() &&
      size_t(options.AfterField) <= dbAuswahl()->DBStruct().size())
    parts << QStringLiteral("0 bis %1 Tage nach %2")
                 .arg(options.AfterDays)
                 .arg(FromCore(RulesSectionName(dbAuswahl()->DBStruct(),
                                                size_t(options.AfterField - 1))));
  if (const TableReference* ref = ReferenceOf(fieldPos)) {
    const QString table = FromCore(ref->Table.empty() ? ref->Path : ref->Table);
    if (!ref->With.empty())
      parts << QStringLiteral("%1 des Datensatzes, auf den %2 verweist")
                   .arg(FromCore(ref->Field), FromCore(ref->With));
    else
      parts << QStringLiteral("aus %1, Feld %2").arg(table, FromCore(ref->Field));
    if (ref->With.empty() && ref->PerParent)
      parts << QStringLiteral("%1 bis %2 Datensätze je Elterndatensatz")
                   .arg(ref->MinChildren)
                   .arg(ref->MaxChildren);
  }
  return parts.join(QStringLiteral(", "));
}

void DtaErstellen::FieldMenu(FieldKind kind, const QPoint& pos) {
  if (running_ || !usable_ || !dbAuswahl()) return;
  QTableView* view = Grid(kind)->View();
  const QModelIndex index = view->indexAt(pos);
  if (!index.isValid()) return;
  const std::string field = FieldOfRow(kind, index.row());
  const int fieldPos = FieldPosOfRow(kind, index.row());
  if (field.empty() || fieldPos == 0) return;
  // A name several fields share is told apart as in a rules file: NAME (2).
  const QString name = FromCore(RulesSectionName(dbAuswahl()->DBStruct(), size_t(fieldPos - 1)));
  FieldOptions options = tables_->Options.Of(fieldPos);

  QMenu menu(this);
  QAction* unique = nullptr;
  // Distinct values are what characters, numbers and dates can have; a logical has two values,
  // a memo is text of many words.
  if (kind == FieldKind::Character || kind == FieldKind::Numeric || kind == FieldKind::Date) {
    unique = menu.addAction(QStringLiteral("Eindeutige Werte in %1").arg(name));
    unique->setCheckable(true);
    unique->setChecked(options.Unique);
  }
  QAction* postcode = nullptr;
  // A numeric postcode field wide enough for five digits can take the postcode of the
  // record's place, as a text field can.
  const FieldInfo& info = dbAuswahl()->DBStruct()[size_t(fieldPos - 1)];
  if (kind == FieldKind::Numeric &&
      (options.Postcode ||
       (NameMeansPostcode(info.Name) &&
        NumbersFitFieldOfType(0, 99999, false, info.Type, info.Length, info.Decimals)))) {
    postcode = menu.addAction(QStringLiteral("Postleitzahl des Orts in %1").arg(name));
    postcode->setCheckable(true);
    postcode->setChecked(options.Postcode);
  }
  // A date may follow another date field of the record (delivery after order).
  QMenu* after = nullptr;
  QAction* afterDays = nullptr;
  const std::vector<FieldInfo>& structure = dbAuswahl()->DBStruct();
  std::vector<size_t> otherDates;
  for (size_t i = 0; kind == FieldKind::Date && i < structure.size(); ++i)
    if (int(i) + 1 != fieldPos && KindOfField(structure[i]) == FieldKind::Date)
      otherDates.push_back(i);
  if (!otherDates.empty()) {
    after = menu.addMenu(QStringLiteral("Datum nach dem Feld …"));
    after->setObjectName(QStringLiteral("MenuNach"));
    auto* choice = new QActionGroup(after);  // one of them: shown as radio buttons
    QAction* none = choice->addAction(QStringLiteral("keinem (eigener Bereich)"));
    none->setCheckable(true);
    none->setChecked(options.AfterField == 0);
    none->setData(0);
    for (size_t i : otherDates) {
      QAction* other = choice->addAction(FromCore(RulesSectionName(structure, i)));
      other->setCheckable(true);
      other->setChecked(options.AfterField == int(i) + 1);
      other->setData(int(i) + 1);
    }
    after->addActions(choice->actions());
    if (options.AfterField > 0)
      afterDays = menu.addAction(
          QStringLiteral("Tage danach in %1: 0 bis %2 …").arg(name).arg(options.AfterDays));
  }
  // The parameters of a list, mask, sequence, constant, formula or sentences, as lines of the
  // rules file; numeric, logical and date fields name their source here too (QUELLE=).
  QAction* parameters = menu.addAction(QStringLiteral("Quelle mit Parametern in %1 …").arg(name));
  parameters->setObjectName(QStringLiteral("MenuParameter"));
  QAction* blank =
      menu.addAction(QStringLiteral("Anteil leer in %1: %2 …").arg(name, Percent(options.BlankPercent)));
  // Values from another table: a key chosen there, or a field looked up with a key of this
  // table; the key sets how many records each record of the other table gets.
  QAction* refer = nullptr;
  QMenu* lookUp = nullptr;
  QAction* perParent = nullptr;
  QAction* noReference = nullptr;
  const TableReference* reference = ReferenceOf(fieldPos);
  if (kind == FieldKind::Character || kind == FieldKind::Numeric || kind == FieldKind::Date) {
    menu.addSeparator();
    refer = menu.addAction(QStringLiteral("Verweis auf eine andere Tabelle …"));
    refer->setObjectName(QStringLiteral("MenuVerweis"));
    for (const auto& [pos, keyRef] : tables_->Options.References) {
      if (pos == fieldPos || !keyRef.With.empty() || !ReferenceOf(pos)) continue;
      if (!lookUp) {
        lookUp = menu.addMenu(QStringLiteral("Nachschlagen mit dem Verweis von …"));
        lookUp->setObjectName(QStringLiteral("MenuMit"));
      }
      const QString key = FromCore(structure[size_t(pos - 1)].Name);
      QAction* item = lookUp->addAction(
          QStringLiteral("%1 (%2)").arg(key, FromCore(keyRef.Table.empty() ? keyRef.Path : keyRef.Table)));
      item->setCheckable(true);
      item->setChecked(reference && FieldKey(reference->With) == FieldKey(structure[size_t(pos - 1)].Name));
      item->setData(key);
    }
    if (reference && reference->With.empty()) {
      perParent = menu.addAction(
          reference->PerParent
              ? QStringLiteral("Datensätze je Elterndatensatz: %1 bis %2 …")
                    .arg(reference->MinChildren)
                    .arg(reference->MaxChildren)
              : QStringLiteral("Datensätze je Elterndatensatz: beliebig …"));
      perParent->setObjectName(QStringLiteral("MenuJe"));
    }
    if (reference) {
      noReference = menu.addAction(QStringLiteral("Verweis von %1 aufheben").arg(name));
      noReference->setObjectName(QStringLiteral("MenuVerweisWeg"));
    }
  }
  menu.addSeparator();
  QAction* deleted = menu.addAction(
      QStringLiteral("Gelöschte Datensätze: %1 …").arg(Percent(tables_->Options.DeletedPercent)));
  QAction* chosen = menu.exec(view->viewport()->mapToGlobal(pos));
  if (!chosen) return;

  auto askShare = [this](const QString& caption, const QString& label, double value, bool& ok) {
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("DlgAnteil"));
    dialog.setLocale(QLocale(QLocale::German));
    dialog.setWindowTitle(caption);
    dialog.setLabelText(label);
    dialog.setInputMode(QInputDialog::DoubleInput);
    dialog.setDoubleRange(0, 100);
    dialog.setDoubleDecimals(1);
    dialog.setDoubleValue(value);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Abbrechen"));
    ok = dialog.exec() == QDialog::Accepted;
    return dialog.doubleValue();
  };
  bool ok = false;
  if (chosen == unique) {
    options.Unique = unique->isChecked();
  } else if (chosen == postcode) {
    options.Postcode = postcode->isChecked();
  } else if (after && after->actions().contains(chosen)) {
    options.AfterField = chosen->data().toInt();
  } else if (chosen == afterDays) {
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("DlgTage"));
    dialog.setWindowTitle(QStringLiteral("Tage danach"));
    dialog.setLabelText(QStringLiteral("Höchstens so viele Tage nach dem anderen Datum liegt %1:")
                            .arg(name));
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setIntRange(0, FieldOptions::kMaxAfterDays);
    dialog.setIntValue(options.AfterDays);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Abbrechen"));
    if (dialog.exec() != QDialog::Accepted) return;
    options.AfterDays = dialog.intValue();
  } else if (chosen == parameters) {
    std::optional<TableReference> changed;
    if (reference) changed = *reference;
    if (!AskParameters(kind, fieldPos, name, options, changed)) return;
    // The reference first: it may take the place of another source of the field.
    if (changed != (reference ? std::optional<TableReference>(*reference) : std::nullopt) ||
        (changed && kind == FieldKind::Character))
      SetReference(fieldPos, changed);
    if (changed && kind != FieldKind::Character) {
      options.Source.reset();
      options.Postcode = false;
    }
  } else if (chosen == refer) {
    ChooseReference(kind, fieldPos);
    return;
  } else if (lookUp && lookUp->actions().contains(chosen)) {
    ChooseReference(kind, fieldPos, ToCore(chosen->data().toString()));
    return;
  } else if (chosen == perParent) {
    TableReference changed = *reference;
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("DlgJe"));
    dialog.setWindowTitle(QStringLiteral("Datensätze je Elterndatensatz"));
    dialog.setLabelText(
        QStringLiteral("So viele Datensätze bekommt jeder Datensatz von %1, als MIN..MAX "
                       "(z. B. 0..4; MIN 0: auch keiner). Leer: jeder neue Datensatz verweist "
                       "auf einen beliebigen.")
            .arg(FromCore(reference->Table.empty() ? reference->Path : reference->Table)));
    dialog.setTextValue(reference->PerParent ? QStringLiteral("%1..%2")
                                                   .arg(reference->MinChildren)
                                                   .arg(reference->MaxChildren)
                                             : QString());
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Abbrechen"));
    if (dialog.exec() != QDialog::Accepted) return;
    const QString text = dialog.textValue().trimmed();
    changed.PerParent = !text.isEmpty();
    if (changed.PerParent &&
        !ParsePerParent(ToCore(text), changed.MinChildren, changed.MaxChildren)) {
      TextBox(this, QStringLiteral("Achtung"),
              QStringLiteral("JE muss MIN..MAX mit ganzen Zahlen sein (MIN nicht grösser als "
                             "MAX, MAX über 0), nicht \"%1\".")
                  .arg(text),
              MessageIcon::Exclamation);
      return;
    }
    if (!changed.PerParent) changed.MinChildren = changed.MaxChildren = 0;
    if (changed.PerParent) {
      if (const std::string other = PerParentField(fieldPos); !other.empty()) {
        TextBox(this, QStringLiteral("Achtung"),
                QStringLiteral("Nur ein Feld einer Tabelle kann JE haben; %1 hat es schon.")
                    .arg(FromCore(other)),
                MessageIcon::Exclamation);
        return;
      }
    }
    SetReference(fieldPos, changed);
    return;
  } else if (chosen == noReference) {
    SetReference(fieldPos, std::nullopt);
    return;
  } else if (chosen == blank) {
    const double share = askShare(
        QStringLiteral("Anteil leer"),
        QStringLiteral("Anteil der neuen Datensätze, in denen %1 leer bleibt (0 bis 100 %):").arg(name),
        options.BlankPercent, ok);
    if (!ok) return;
    options.BlankPercent = share;
  } else if (chosen == deleted) {
    const double share = askShare(
        QStringLiteral("Gelöschte Datensätze"),
        QStringLiteral("Anteil der neuen Datensätze, die als gelöscht markiert werden (0 bis 100 %):"),
        tables_->Options.DeletedPercent, ok);
    if (ok) tables_->Options.DeletedPercent = share;
    return;
  }
  if (options.IsDefault()) tables_->Options.Fields.erase(fieldPos);
  else tables_->Options.Fields[fieldPos] = options;
}

bool DtaErstellen::AskParameters(FieldKind kind, int fieldPos, const QString& name,
                                 FieldOptions& options, std::optional<TableReference>& reference) {
  const bool ownSource = kind != FieldKind::Character && kind != FieldKind::Memo;
  // Character, numeric and date fields can take the values of another table's field.
  const bool canRefer =
      kind == FieldKind::Character || kind == FieldKind::Numeric || kind == FieldKind::Date;
  QStringList lines;
  if (ownSource)
    lines << QStringLiteral("QUELLE=%1").arg(
        reference        ? QString::fromLatin1(kTableSourceName)
        : options.Source ? QString::fromLatin1(ParameterSourceName(*options.Source))
                         : QString());
  lines << QStringLiteral("WERTE=") + FromCore(options.Values)
        << QStringLiteral("MASKE=") + FromCore(options.MaskText)
        << QStringLiteral("START=") +
               (options.SequenceStart ? QString::number(*options.SequenceStart) : QString())
        << QStringLiteral("SCHRITT=%1").arg(options.SequenceStep)
        << QStringLiteral("GRUPPE=") + FromCore(options.GroupField)
        << QStringLiteral("WERT=") + FromCore(options.Constant)
        << QStringLiteral("FORMEL=") + FromCore(options.Formula);
  if (canRefer) {
    const TableReference ref = reference.value_or(TableReference{});
    lines << QString::fromLatin1(kTableKey) + QLatin1Char('=') + FromCore(ref.Table)
          << QString::fromLatin1(kParentFieldKey) + QLatin1Char('=') + FromCore(ref.Field)
          << QString::fromLatin1(kWithKey) + QLatin1Char('=') + FromCore(ref.With)
          << QString::fromLatin1(kPerParentKey) + QLatin1Char('=') +
                 (ref.PerParent
                      ? QStringLiteral("%1..%2").arg(ref.MinChildren).arg(ref.MaxChildren)
                      : QString())
          << QStringLiteral("EINDEUTIG=%1").arg(options.Unique ? 1 : 0);
  }
  QInputDialog dialog(this);
  dialog.setObjectName(QStringLiteral("DlgParameter"));
  dialog.setWindowTitle(QStringLiteral("Quelle mit Parametern"));
  dialog.setLabelText(
      QStringLiteral("Parameter für %1, eine Zeile je Schlüssel wie in einer Regeldatei%2:")
          .arg(name,
               ownSource ? canRefer ? QStringLiteral(" (QUELLE: Liste, Maske, Folge, Wert, Formel "
                                                     "oder Tabelle)")
                                    : QStringLiteral(" (QUELLE: Wert oder Formel)")
                         : canRefer ? QStringLiteral(" (die Quelle steht in der Spalte QUELLE; "
                                                     "TABELLE und FELD machen sie zu Tabelle)")
                                    : QStringLiteral(" (die Quelle steht in der Spalte QUELLE)")));
  dialog.setOption(QInputDialog::UsePlainTextEditForTextInput);
  dialog.setTextValue(lines.join(QLatin1Char('\n')));
  dialog.setOkButtonText(QStringLiteral("OK"));
  dialog.setCancelButtonText(QStringLiteral("Abbrechen"));
  if (dialog.exec() != QDialog::Accepted) return false;
  FieldOptions changed = options;
  changed.SequenceStart.reset();
  changed.SequenceStep = 1;
  TableReference ref;
  bool tableSource = false, tableLines = false;
  auto refuse = [this](const QString& text) {
    QMessageBox::warning(this, QStringLiteral("Achtung"), text);
    return false;
  };
  for (const QString& line : dialog.textValue().split(QLatin1Char('\n'))) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0) continue;
    const QString key = line.left(eq).trimmed().toUpper();
    const QString value = line.mid(eq + 1).trimmed();
    const std::string text = ToCore(value);
    bool ok = true;
    if (key == QLatin1String("QUELLE") && ownSource) {
      tableSource = canRefer && !value.isEmpty() && ResolveSource(text).Kind == SourceKind::Table;
      changed.Source = tableSource ? std::nullopt : FindParameterSource(text);
      ok = value.isEmpty() || changed.Source || tableSource;
    } else if (key == QLatin1String("WERTE")) changed.Values = text;
    else if (key == QLatin1String("MASKE")) changed.MaskText = text;
    else if (key == QLatin1String("GRUPPE")) changed.GroupField = text;
    else if (key == QLatin1String("WERT")) changed.Constant = text;
    else if (key == QLatin1String("FORMEL")) changed.Formula = text;
    else if (key == QLatin1String("START") && !value.isEmpty())
      changed.SequenceStart = value.toLongLong(&ok);
    else if (key == QLatin1String("SCHRITT") && !value.isEmpty())
      ok = (changed.SequenceStep = value.toLongLong(&ok)) != 0 && ok;
    else if (canRefer && key == QLatin1String(kTableKey) && !value.isEmpty()) {
      ref.Table = text;
      ref.Path = ResolveTablePath(text, {}, tablePath_);
      tableLines = true;
    } else if (canRefer && key == QLatin1String(kParentFieldKey) && !value.isEmpty()) {
      ref.Field = FieldKey(text);
      tableLines = true;
    } else if (canRefer && key == QLatin1String(kWithKey) && !value.isEmpty()) {
      ref.With = FieldKey(text);
      ok = dbAuswahl()->FieldPos(ref.With) > 0 && dbAuswahl()->FieldPos(ref.With) != fieldPos;
      tableLines = true;
    } else if (canRefer && key == QLatin1String(kPerParentKey) && !value.isEmpty()) {
      ref.PerParent = ParsePerParent(text, ref.MinChildren, ref.MaxChildren);
      ok = ref.PerParent;
    } else if (canRefer && key == QLatin1String("EINDEUTIG") && !value.isEmpty()) {
      ok = value == QLatin1String("1") || value == QLatin1String("0");
      changed.Unique = value == QLatin1String("1");
    }
    if (!ok) return refuse(QStringLiteral("%1=%2 kann nicht übernommen werden.").arg(key, value));
  }
  // A numeric or date field names Tabelle in QUELLE (or leaves it empty beside TABELLE and
  // FELD); a character field's reference lines make its QUELLE Tabelle.
  const bool refers = ownSource ? tableSource || (!changed.Source && tableLines) : tableLines;
  if (!refers) {
    options = changed;
    reference.reset();
    return true;
  }
  if (!ref.With.empty()) {
    // A looked-up field takes the table of its key, whose reference is set first.
    const TableReference* key = ReferenceOf(dbAuswahl()->FieldPos(ref.With));
    if (!key || !key->With.empty())
      return refuse(QStringLiteral("Das Feld %1 soll mit dem Feld %2 nachgeschlagen werden, das "
                                   "aber keine Werte aus einer Tabelle erhält.")
                        .arg(name, FromCore(ref.With)));
    if (ref.Table.empty()) {
      ref.Table = key->Table;
      ref.Path = key->Path;
    } else if (ref.Path != key->Path) {
      return refuse(QStringLiteral("Das Feld %1 nennt die Tabelle %2, sein Schlüssel %3 aber %4.")
                        .arg(name, QFile::decodeName(ref.Path.c_str()), FromCore(ref.With),
                             QFile::decodeName(key->Path.c_str())));
    }
    ref.PerParent = false;
    ref.MinChildren = ref.MaxChildren = 0;
  }
  if (!ReferenceAccepted(fieldPos, ref)) return false;
  changed.Source.reset();
  options = changed;
  reference = ref;
  return true;
}

bool DtaErstellen::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ToolTip && usable_) {
    for (FieldKind kind : kFieldKinds) {
      QTableView* view = Grid(kind)->View();
      if (watched != view->viewport()) continue;
      const auto* help = static_cast<QHelpEvent*>(event);
      const QModelIndex index = view->indexAt(help->pos());
      const QString text = index.isValid() ? OptionsText(FieldPosOfRow(kind, index.row())) : QString();
      if (text.isEmpty()) QToolTip::hideText();
      else QToolTip::showText(help->globalPos(), text, view);
      return true;
    }
  }
  return DtaErstellen_VO::eventFilter(watched, event);
}

void DtaErstellen::FocusChange(bool gained) {
  if (gained) sleTreiber->setText(FromCore(gcDefaultDriver));
}

void DtaErstellen::CellEdit(bEditEvent& event) {
  if (event.EditMode != 1 || !event.Control) return;
  const auto& columns = event.Control->Model()->Columns();
  const int index = event.EditCell.Column - 1;
  if (index < 0 || size_t(index) >= columns.size()) return;
  const QString field = columns[size_t(index)]->FieldName();
  if (field.compare(QString::fromLatin1(kSourceColumn), Qt::CaseInsensitive)) {
    // Counts and shares (the whole-number rule columns) have no sign: a negative word count or
    // length is no rule.
    const std::string name = field.toUpper().toStdString();
    bool whole = false;
    for (FieldKind kind : kFieldKinds)
      if (const DefinitionColumn* column = ColumnOf(kind, name))
        whole = whole || column->Rule == RuleValue::Whole;
    if (!whole) return;
    const FieldInfo& info = columns[size_t(index)]->Field();
    QWidget* editor = bCellDelegate::MakeLineEditor(event.EditParent, info.Type, int(info.Length),
                                                   int(info.Decimals));
    if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
      const QString pattern = info.Decimals > 0
                                  ? QStringLiteral("\\d*([.,]\\d{0,%1})?").arg(info.Decimals)
                                  : QStringLiteral("\\d*");
      edit->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), edit));
    }
    event.EditControl = editor;
    return;
  }
  bBrowser* grid = event.Control;
  // A character field's source may be another table: "Tabelle…" in the drop-down chooses it,
  // once the cell edit has ended.
  std::function<void()> chooseTable;
  if (grid == bbrCharacter) {
    const int row = event.EditCell.Row - 1;
    chooseTable = [this, row] {
      QTimer::singleShot(0, this, [this, row] {
        ChooseReference(FieldKind::Character, FieldPosOfRow(FieldKind::Character, row));
      });
    };
  }
  event.EditControl = grid->EditCreate(event.EditCell, event.EditParent,
                                       [grid, chooseTable](QWidget* parent) {
                                         auto* edit = new bQuelleEdit(parent, grid);
                                         edit->ChooseTable = chooseTable;
                                         return edit;
                                       });
}

void DtaErstellen::CellDoubleClick(bBrowser* control) {
  if (running_ || !control || control->CurrentColumn() != 6 || control != bbrNumeric) return;
  const int row = bbrNumeric->CurrentRow();
  const int pos = tables_->Table(FieldKind::Numeric).FieldPos("PERCENTNEG");
  if (row < 1 || pos < 1) return;
  servers_[size_t(FieldKind::Numeric)]->WriteField(uint32_t(row), pos, Value(50));
  bbrNumeric->Refresh();
}

void DtaErstellen::SetRunning(bool running) {
  running_ = running;
  pbFillDB->setEnabled(!running);
  pbAuswahl->setEnabled(!running);
  pbSchliessen->setEnabled(!running);
  for (QPushButton* button : {pbRegelnLaden, pbRegelnSpeichern, pbVorschau, pbIndexdateien})
    button->setEnabled(!running);
  pbVorschlag->setEnabled(!running);
  for (FieldKind kind : kFieldKinds) Grid(kind)->SetEditingBlocked(running);
}

void DtaErstellen::PBFillDB() {
  if (running_ || !usable_) return;
  acceptedRefusals_.clear();
  if (dbAuswahl() && LeadingCount(ToCore(sleSatzzahl->text())) > 0) {
    try {
      if (!RulesAccepted() || !EmptyingAccepted()) return;
    } catch (const ErrorException& e) {
      TextBox(this, QStringLiteral("Fehler"), QString::fromStdString(e.GetError().Description),
              MessageIcon::Stop);
      return;
    }
  }
  PlanIndexes();
  SetRunning(true);
  txtSumme->SetText(QString());
  firstRunHint_ = false;
  try {
    SeedTheRun();
    run_->PBFillDB(ToCore(sleSatzzahl->text()), chkLeeren->isChecked());
  } catch (const ErrorException& e) {
    SetBusyPointer(false);
    TextBox(this, QStringLiteral("Fehler"), QString::fromStdString(e.GetError().Description),
            MessageIcon::Stop);
  }
  prgSchreiben->hide();
  txtSumme->SetText(QString::fromStdString(run_->Summary()));
  acceptedRefusals_.clear();
  if (run_->lGeschrieben) RememberUsedRules();
  SetRunning(false);
  if (closePending_) {
    closePending_ = false;
    CloseWindow();
  }
}

void DtaErstellen::SeedTheRun() {
  // Read at every run, so that a seed set in the settings dialog counts from the next run on,
  // as it does for fuellwerk-fill. 0 or no seed: a fresh one.
  const uint64_t seed = ReadSettings(goIni).Seed;
  run_->Context().Random->Seed(seed == 0 ? FreshSeed() : seed);
}

void DtaErstellen::PBStop() {
  if (run_) run_->PBStop();
}

void DtaErstellen::PBHilfe() { ShowHelp(this, QStringLiteral("1000")); }

void DtaErstellen::PBSchliessen() { CloseWindow(); }

void DtaErstellen::CloseWindow() {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->close();
  else close();
}

void DtaErstellen::closeEvent(QCloseEvent* event) {
  if (running_) {
    // The run is on the stack below this event: stop it, and close once it has returned.
    PBStop();
    closePending_ = true;
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
  event->accept();
  if (owner_)
    if (QAction* item = owner_->MenuItem(menu::kErstellen)) item->setEnabled(true);
  CloseTarget();
}

void DtaErstellen::ShowWriteProgress(uint32_t written, uint32_t total) {
  if (written == 0) {
    txtSumme->SetText(QString());
    prgSchreiben->setRange(0, 1000);
    prgSchreiben->setValue(0);
    prgSchreiben->show();
  }
  // Per mille, so that counts beyond the range of an int still show.
  prgSchreiben->setValue(total == 0 ? 1000 : int(uint64_t(written) * 1000 / total));
  prgSchreiben->repaint();  // at once: the write keeps the event loop busy between pieces
}

bool DtaErstellen::TargetChosen() {
  if (dbAuswahl()) return true;
  TextBox(this, QStringLiteral("Achtung"), QStringLiteral("Sie haben keine Datenbank ausgewählt"),
          MessageIcon::Exclamation);
  return false;
}

QString DtaErstellen::ChooseRulesFile(bool save) {
  if (RulesFileChooser) return RulesFileChooser(*this, save);
  QFileDialog dialog(this, save ? QStringLiteral("Regeln speichern") : QStringLiteral("Regeln laden"));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters({QStringLiteral("Regeldateien (*.ini)"), QStringLiteral("Alle Dateien (*)")});
  dialog.setDefaultSuffix(QStringLiteral("ini"));
  dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Suchen in:"));
  dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Dateiname:"));
  dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Dateityp:"));
  dialog.setLabelText(QFileDialog::Accept, save ? QStringLiteral("Speichern") : QStringLiteral("Laden"));
  dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Abbrechen"));
  // Beside the table, named after it, as the sample's Kunden.rules.ini.
  const QFileInfo table(QFile::decodeName(tablePath_.c_str()));
  dialog.setDirectory(table.absolutePath());
  if (save) dialog.selectFile(table.completeBaseName() + QStringLiteral(".rules.ini"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

void DtaErstellen::PBRegelnSpeichern() {
  if (running_ || !usable_ || !TargetChosen()) return;
  const QString file = ChooseRulesFile(true);
  if (file.isEmpty()) return;
  std::string error;
  if (!WriteRules(QFile::encodeName(file).toStdString(), *dbAuswahl(), *tables_, error))
    TextBox(this, QStringLiteral("Fehlermeldung"), QString::fromStdString(error),
            MessageIcon::Exclamation);
  RefreshGrids();
}

void DtaErstellen::PBRegelnLaden() {
  if (running_ || !usable_ || !TargetChosen()) return;
  const QString file = ChooseRulesFile(false);
  if (file.isEmpty()) return;
  TakeRules(QFile::encodeName(file).toStdString());
}

void DtaErstellen::TakeRules(const std::string& file) {
  std::vector<std::string> notTaken;
  std::string error;
  const bool read = LoadRules(file, *dbAuswahl(), *tables_, notTaken, error);
  RefreshGrids();
  RulesChanged();
  if (!read) {
    TextBox(this, QStringLiteral("Fehlermeldung"), QString::fromStdString(error),
            MessageIcon::Exclamation);
    return;
  }
  if (notTaken.empty()) return;
  QString text = QStringLiteral("Aus der Regeldatei %1 konnte nicht übernommen werden:\r\n")
                     .arg(QFile::decodeName(file.c_str()));
  for (const std::string& line : notTaken) text += QStringLiteral("\r\n") + QString::fromStdString(line);
  text += QStringLiteral("\r\n\r\nDiese Felder behalten ihre bisherigen Regeln; alle übrigen "
                         "Regeln sind geladen.");
  TextBox(this, QStringLiteral("Achtung"), text, MessageIcon::Exclamation);
}

bool DtaErstellen::OfferRememberedRules() {
  const std::string file = FindRememberedRules(tablePath_);
  if (file.empty()) return false;
  QFile remembered(QFile::decodeName(file.c_str()));
  if (!remembered.open(QIODevice::ReadOnly)) return false;
  // Rules that are those the analysis gives need no question.
  if (RulesOnly(remembered.readAll().toStdString()) ==
      RulesOnly(RulesText(*dbAuswahl(), *tables_)))
    return false;
  const QDateTime when = QFileInfo(remembered).lastModified();
  QMessageBox box(QMessageBox::Question, QStringLiteral("Regeln"),
                  QStringLiteral("Diese Tabelle wurde am %1 um %2 Uhr mit anderen Regeln "
                                 "gefüllt.\n\nSollen diese Regeln wieder geladen werden?")
                      .arg(when.toString(QStringLiteral("dd.MM.yyyy")),
                           when.toString(QStringLiteral("hh:mm"))),
                  QMessageBox::Yes | QMessageBox::No, this);
  box.button(QMessageBox::Yes)->setText(QStringLiteral("Ja"));
  box.button(QMessageBox::No)->setText(QStringLiteral("Nein"));
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::No);
  if (box.exec() == QMessageBox::Yes) TakeRules(file);
  return true;
}

void DtaErstellen::RememberUsedRules() {
  if (tablePath_.empty() || !dbAuswahl()) return;
  // Not being able to remember is no reason to disturb the user after a run.
  RememberRules(tablePath_, *dbAuswahl(), *tables_);
  RefreshGrids();
}

void DtaErstellen::PlanIndexes() {
  if (tablePath_.empty() || !run_ || !dbAuswahl()) return;
  run_->Indexes = nullptr;
  indexes_ = std::make_unique<IndexPlan>(PlanTableIndexes(tablePath_, tables_->Options.IndexFiles));
  run_->Indexes = indexes_.get();
}

void DtaErstellen::PBIndexdateien() {
  if (running_ || !usable_ || !TargetChosen()) return;
  DlgIndexdateien dialog(this, tablePath_, tables_->Options.IndexFiles);
  if (dialog.exec() != QDialog::Accepted) return;
  tables_->Options.IndexFiles = dialog.Named();
  PlanIndexes();
  const std::vector<std::string> lines = indexes_ ? indexes_->Lines() : std::vector<std::string>{};
  txtSumme->SetText(lines.empty() ? QString() : QString::fromStdString(lines.front()));
}

void DtaErstellen::PBVorschau() {
  if (running_ || !usable_ || !TargetChosen()) return;
  const bool seeded = ReadSettings(goIni).Seed != 0;
  SetBusyPointer(true);
  SeedTheRun();
  const PreviewRecords preview =
      MakePreview(*dbAuswahl(), *tables_, run_->Context(), kPreviewRecords);
  SetBusyPointer(false);
  RefreshGrids();
  if (!preview.Ok) {
    TextBox(this, QStringLiteral("Fehlermeldung"), QString::fromStdString(preview.Error),
            MessageIcon::Exclamation);
    return;
  }
  DlgVorschau dialog(this, preview, seeded);
  dialog.exec();
}

ProgressGauge& DtaErstellen::Gauge(FieldKind kind) { return *GaugeOf(kind); }

void DtaErstellen::SetStatusText(FieldKind kind, const std::string& text) {
  StatusText(kind)->setText(QString::fromStdString(text));
}

void DtaErstellen::RefreshGrid(FieldKind kind) { Grid(kind)->Refresh(); }
void DtaErstellen::RemoveSelection(FieldKind kind) { Grid(kind)->SelectionRemove(); }
void DtaErstellen::ProcessEvents() { QCoreApplication::processEvents(); }

void DtaErstellen::SetBusyPointer(bool busy) {
  if (busy) setCursor(Qt::WaitCursor);
  else unsetCursor();
}

void DtaErstellen::ShowRecordCount(uint32_t count) {
  sleVorhanden->setText(QString::number(count));
}

void DtaErstellen::ShowMessage(const std::string& caption, const std::string& text,
                               MessageIcon icon) {
  if (running_ && acceptedRefusals_.contains(QString::fromStdString(text))) return;
  TextBox(this, QString::fromStdString(caption), QString::fromStdString(text), icon);
}

}  // namespace fw
