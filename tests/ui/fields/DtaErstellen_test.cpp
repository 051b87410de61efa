// The generation window driven on temporary tables: analysis, grids, source picker, runs.
#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>
#include <memory>

#include "ui/app/Globals.h"
#include "core/fields/DefinitionTables.h"
#include "core/generate/FillRun.h"
#include "core/platform/CodePage.h"
#include "ui/app/AppShell.h"
#include "ui/fields/DlgIndexdateien.h"
#include "ui/fields/DtaErstellen.h"
#include "ui/fields/MyBBrowser.h"
#include "ui/fields/WindowTestSupport.h"
#include "ui/fields/bDlgQuelleEditChoice.h"
#include "ui/fields/bQuelleEdit.h"
#include "ui/gauge/GaugeControl.h"
#include "ui/platform/bBrowserModel.h"
#include "ui/platform/bDataColumn.h"

using namespace fw;
using fw::test::BoxAnswerer;
using fw::test::ProgramFolder;

namespace {

std::string Trim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// NAME C(20), BETRAG N(10,2), DATUM D, AKTIV L, NOTIZ M and a field of type F.
std::vector<FieldInfo> MixedFields() {
  return {{"NAME", 'C', 20, 0},   {"BETRAG", 'N', 10, 2}, {"DATUM", 'D', 8, 0},
          {"AKTIV", 'L', 1, 0},   {"NOTIZ", 'M', 10, 0},  {"GEWICHT", 'F', 8, 2}};
}

QModelIndex Cell(MyBBrowser* grid, int row, int column) {
  return grid->Model()->index(row - 1, column - 1);
}

}  // namespace

class DtaErstellenTest : public QObject {
  Q_OBJECT

private:
  std::unique_ptr<ProgramFolder> folder_;
  std::unique_ptr<DtaErstellen> window_;

  // Opens the window and analyses `path` through the injected file choice.
  void OpenOn(const std::string& path) {
    window_ = std::make_unique<DtaErstellen>();
    QVERIFY(window_->IsUsable());
    const QString file = QString::fromStdString(path);
    window_->FileChooser = [file](DtaErstellen&) { return file; };
    window_->show();
    window_->PBAuswahl();
  }

  // Opens the generation window from `shell` on a new table `name` (NAME, NOTIZ) with NAME
  // from "Namen" and 30 records to make; nullptr when that fails.
  DtaErstellen* ShellWindowReadyToFill(AppShell& shell, const QString& name, std::string& path) {
    path = folder_->MakeTable(name, {{"NAME", 'C', 20, 0}, {"NOTIZ", 'M', 10, 0}});
    shell.Erstellen();
    auto* window = shell.ClientArea()->findChild<DtaErstellen*>();
    if (!window) return nullptr;
    const QString file = QString::fromStdString(path);
    window->FileChooser = [file](DtaErstellen&) { return file; };
    window->PBAuswahl();
    if (!window->bbrCharacter->Model()->setData(Cell(window->bbrCharacter, 1, 5), "Namen"))
      return nullptr;
    window->sleSatzzahl->setText(QStringLiteral("30"));
    return window;
  }

private slots:
  void init() {
    fw::test::ArmWatchdog(90);
    folder_ = std::make_unique<ProgramFolder>(QStringLiteral(FW_BIN_DIR));
  }
  void cleanup() {
    window_.reset();
    folder_.reset();
    fw::test::DisarmWatchdog();
  }

  void opensWithSettingsDefaults() {
    folder_->WriteIni(QStringLiteral("[AppDaten]\r\nName=Fuellwerk\r\n[SETTINGS]\r\n"
                                     "ClearBeforeNew=1\r\nDefaultDriver=DBFCDX\r\n"
                                     "DefaultSaetze=500\r\n"));
    DtaErstellen window;
    QVERIFY(window.IsUsable());
    QCOMPARE(window.sleSatzzahl->text(), QStringLiteral("500"));
    QCOMPARE(window.nSaetze(), 500u);
    QVERIFY(window.chkLeeren->isChecked());
    QCOMPARE(window.sleTreiber->text(), QStringLiteral("DBFCDX"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Dateien mit Daten füllen"));
    QVERIFY(window.sleVorhanden->text().isEmpty());
    QVERIFY(window.sleVorhanden->isReadOnly());
    QCOMPARE(nGaugeStep, 1u);
    QCOMPARE(window.bbrCharacter->Title(), QStringLiteral("Character Felder"));
    QCOMPARE(window.bbrDate->Title(), QStringLiteral("Datums Felder"));
    for (auto* grid : {window.bbrCharacter, window.bbrNumeric, window.bbrLogic, window.bbrDate,
                       window.bbrMemo})
      QCOMPARE(grid->Model()->rowCount(), 0);
    QCOMPARE(window.pbFillDB->text().remove('&'), QStringLiteral("DB Füllen"));
    QCOMPARE(window.chkLeeren->text().remove('&'), QStringLiteral("File vor dem Generieren leeren ?"));
    // The window's layout is 571 x 378 dialog units of an 8-point dialog font.
    QVERIFY(window.width() > 571 && window.height() > 378);
  }

  void analysisSortsFieldsByType() {
    const std::string path =
        folder_->MakeTable(QStringLiteral("MIXED.DBF"), MixedFields(), 3, "DBFMDX");
    BoxAnswerer answers;
    OpenOn(path);
    QVERIFY2(answers.Texts.isEmpty(), qPrintable(answers.Texts.join('|')));
    QVERIFY(window_->dbAuswahl());
    QCOMPARE(window_->sleVorhanden->text(), QStringLiteral("3"));
    QCOMPARE(window_->nVorhanden(), 3u);
    QCOMPARE(window_->sleTreiber->text(), QStringLiteral("DBFMDX"));
    QCOMPARE(window_->sleAuswahl->text(), QString::fromStdString(path));
    QCOMPARE(window_->windowTitle(), QStringLiteral("Fuellwerk   ") + QString::fromStdString(path));
    QCOMPARE(window_->bbrCharacter->Model()->rowCount(), 1);
    QCOMPARE(window_->bbrNumeric->Model()->rowCount(), 1);  // the F field gets no row
    QCOMPARE(window_->bbrLogic->Model()->rowCount(), 1);
    QCOMPARE(window_->bbrDate->Model()->rowCount(), 1);
    QCOMPARE(window_->bbrMemo->Model()->rowCount(), 1);
    QCOMPARE(Cell(window_->bbrNumeric, 1, 1).data().toString(), QStringLiteral("BETRAG"));
    QCOMPARE(Cell(window_->bbrNumeric, 1, 2).data().toString(), QStringLiteral("10"));
    QCOMPARE(Cell(window_->bbrNumeric, 1, 3).data().toString(), QStringLiteral("2"));
    QCOMPARE(Cell(window_->bbrCharacter, 1, 2).data().toString(), QStringLiteral("20"));

    // Choosing the same file again starts from empty tables: edited rules are lost.
    QVERIFY(window_->bbrNumeric->Model()->setData(Cell(window_->bbrNumeric, 1, 5), "77"));
    window_->PBAuswahl();
    QCOMPARE(window_->bbrNumeric->Model()->rowCount(), 1);
    QCOMPARE(Cell(window_->bbrNumeric, 1, 5).data().toString(), QStringLiteral("0"));
  }

  void readOnlyColumnsAreMarked() {
    OpenOn(folder_->MakeTable(QStringLiteral("MIXED.DBF"), MixedFields(), 0, "DBFMDX"));
    auto* numeric = window_->bbrNumeric;
    const QStringList captions{"Feldname", "Feldlänge", "Dez. Stellen", "Minimalwert",
                               "Maximalwert", "Neg Werte", "% negativ"};
    QCOMPARE(numeric->Model()->columnCount(), captions.size());
    for (int c = 0; c < captions.size(); ++c)
      QCOMPARE(numeric->Model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(),
               captions[c]);
    for (int c = 1; c <= 3; ++c) {
      const QModelIndex index = Cell(numeric, 1, c);
      QVERIFY(!(index.flags() & Qt::ItemIsEditable));
      QCOMPARE(index.data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
      QCOMPARE(index.data(Qt::BackgroundRole).value<QBrush>().color(), QColor(0, 255, 0));
    }
    QVERIFY(Cell(numeric, 1, 4).flags() & Qt::ItemIsEditable);
    QVERIFY(Cell(numeric, 1, 5).flags() & Qt::ItemIsEditable);
    QVERIFY(Cell(numeric, 1, 6).flags() & Qt::ItemIsUserCheckable);  // logical: a check box
    QVERIFY(!Cell(numeric, 1, 6).data(Qt::DisplayRole).isValid());
    QVERIFY(Cell(numeric, 1, 7).flags() & Qt::ItemIsEditable);
    QVERIFY(Cell(numeric, 1, 4).data(Qt::ForegroundRole).isNull());
    QVERIFY(!numeric->Model()->setData(Cell(numeric, 1, 1), "ANDERS"));
    QCOMPARE(Cell(numeric, 1, 1).data().toString(), QStringLiteral("BETRAG"));
    QVERIFY(!numeric->View()->horizontalHeader()->sectionsMovable());
    QCOMPARE(numeric->View()->horizontalHeader()->sectionSize(0), 90);
    QCOMPARE(numeric->View()->horizontalHeader()->sectionSize(3), 75);
    // The character grid's QUELLE keeps its field name as caption.
    QCOMPARE(window_->bbrCharacter->Model()->headerData(4, Qt::Horizontal, Qt::DisplayRole)
                 .toString(),
             QStringLiteral("QUELLE"));
  }

  void cellEditsReachTheTable() {
    OpenOn(folder_->MakeTable(QStringLiteral("MIXED.DBF"), MixedFields(), 0, "DBFMDX"));
    auto* numeric = window_->bbrNumeric;
    QTableView* view = numeric->View();
    view->setFocus();
    view->setCurrentIndex(Cell(numeric, 1, 5));
    view->edit(Cell(numeric, 1, 5));
    auto* editor = view->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, "250,5");
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!view->findChild<QLineEdit*>());  // the view ends the edit after the key
    DBServer& table = window_->Tables().Table(FieldKind::Numeric);
    table.GoTo(1);
    QCOMPARE(table.FieldGet("MAXIMUM").AsNumber(), 250.5);

    // A check box click toggles the logical in the table.
    QVERIFY(numeric->Model()->setData(Cell(numeric, 1, 6), Qt::Checked, Qt::CheckStateRole));
    table.GoTo(1);
    QVERIFY(table.FieldGet("NEGATIV").AsLogic());

    auto* date = window_->bbrDate;
    QVERIFY(date->Model()->setData(Cell(date, 1, 2), "24.12.2020"));
    DBServer& dates = window_->Tables().Table(FieldKind::Date);
    dates.GoTo(1);
    QCOMPARE(dates.FieldGet("STARTDATE").AsDate(), Date::FromYmd(2020, 12, 24));
  }

  void editorRefusesWhatTheTableCannotTake() {
    OpenOn(folder_->MakeTable(QStringLiteral("MIXED.DBF"), MixedFields(), 0, "DBFMDX"));
    auto* numeric = window_->bbrNumeric;
    QVERIFY(numeric->Model()->setData(Cell(numeric, 1, 4), "12"));
    QTableView* view = numeric->View();
    view->setCurrentIndex(Cell(numeric, 1, 4));
    view->edit(Cell(numeric, 1, 4));
    auto* editor = view->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->clear();
    QTest::keyClicks(editor, "x1y");  // letters cannot be typed into a number
    QCOMPARE(editor->text(), QStringLiteral("1"));
    QTest::keyClick(editor, Qt::Key_Escape);
    // Letters and numbers too wide for the field are refused; the cell keeps its value.
    QVERIFY(!numeric->Model()->setData(Cell(numeric, 1, 4), "abc"));
    QVERIFY(!numeric->Model()->setData(Cell(numeric, 1, 4), "123456789012345678901234"));
    QCOMPARE(Cell(numeric, 1, 4).data().toString(), QStringLiteral("12"));

    // An impossible date typed into the editor is refused when the edit ends.
    auto* date = window_->bbrDate;
    QTableView* dateView = date->View();
    dateView->setCurrentIndex(Cell(date, 1, 2));
    dateView->edit(Cell(date, 1, 2));
    auto* dateEditor = dateView->findChild<QLineEdit*>();
    QVERIFY(dateEditor);
    QTest::keyClicks(dateEditor, "31.02.2024");
    QCOMPARE(dateEditor->text(), QStringLiteral("31.02.2024"));
    QTest::keyClick(dateEditor, Qt::Key_Return);
    QTRY_VERIFY(!dateView->findChild<QLineEdit*>());
    DBServer& dates = window_->Tables().Table(FieldKind::Date);
    dates.GoTo(1);
    QVERIFY(dates.FieldGet("STARTDATE").AsDate().IsEmpty());
    QVERIFY(Cell(date, 1, 2).data().toString().isEmpty());
    QVERIFY(!date->Model()->setData(Cell(date, 1, 2), "1.13.2024"));
    // Text that Windows-1252 cannot hold does not reach a text column.
    auto* character = window_->bbrCharacter;
    QVERIFY(!character->Model()->setData(Cell(character, 1, 5), QString::fromUtf8("名前")));
  }

  void doubleClickOnNegWertePresetsFifty() {
    OpenOn(folder_->MakeTable(QStringLiteral("MIXED.DBF"), MixedFields(), 0, "DBFMDX"));
    auto* numeric = window_->bbrNumeric;
    QVERIFY(numeric->Model()->setData(Cell(numeric, 1, 7), "10"));
    QTableView* view = numeric->View();
    const QRect rect = view->visualRect(Cell(numeric, 1, 6));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(numeric->nMousePos(), rect.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    DBServer& table = window_->Tables().Table(FieldKind::Numeric);
    table.GoTo(1);
    QCOMPARE(table.FieldGet("PERCENTNEG").AsNumber(), 50.0);
    QCOMPARE(Cell(numeric, 1, 7).data().toString(), QStringLiteral("50"));

    // Any other cell changes nothing.
    QVERIFY(numeric->Model()->setData(Cell(numeric, 1, 7), "10"));
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {},
                       view->visualRect(Cell(numeric, 1, 5)).center());
    table.GoTo(1);
    QCOMPARE(table.FieldGet("PERCENTNEG").AsNumber(), 10.0);
  }

  void sourcePickerPutsTheChoiceIntoTheCell() {
    folder_ = std::make_unique<ProgramFolder>(QStringLiteral(FW_BIN_DIR),
                                              QStringLiteral("Namen,Vornamen, Orte ,Worte,Random"));
    OpenOn(folder_->MakeTable(QStringLiteral("MIXED.DBF"), MixedFields(), 0, "DBFMDX"));
    auto* grid = window_->bbrCharacter;
    QTableView* view = grid->View();
    const QModelIndex quelle = Cell(grid, 1, 5);
    view->setCurrentIndex(quelle);
    view->edit(quelle);
    auto* edit = view->findChild<bQuelleEdit*>();
    QVERIFY2(edit, "editing QUELLE gives the source picker's combo edit");
    edit->OpenChoice();
    auto* choice = edit->findChild<bDlgQuelleEditChoice*>();
    QVERIFY(choice);
    QCOMPARE(choice->windowTitle(), QStringLiteral("Quelle wählen"));
    bBrowser* list = choice->bbrQuelle();
    // The five sources, and last the choice of another table.
    QCOMPARE(list->Model()->rowCount(), 6);
    QCOMPARE(list->Model()->index(2, 0).data().toString(), QStringLiteral("Orte"));
    QCOMPARE(list->Model()->index(5, 0).data().toString(), QStringLiteral("Tabelle…"));
    // Every row shows at once: the list is exactly rows x row height + caption tall.
    const int frame = 2 * list->View()->frameWidth();
    QCOMPARE(list->height(), 6 * list->RowHeight() + list->CaptionHeight() + frame);
    QCOMPARE(choice->height(), list->height());

    QTableView* listView = list->View();
    const QRect row = listView->visualRect(list->Model()->index(1, 0));
    QTest::mouseClick(listView->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(listView->viewport(), Qt::LeftButton, {}, row.center());
    QTRY_VERIFY(!view->findChild<bQuelleEdit*>() || !view->findChild<bQuelleEdit*>()->isVisible());
    DBServer& table = window_->Tables().Table(FieldKind::Character);
    table.GoTo(1);
    QCOMPARE(Trim(table.FieldGet("QUELLE").AsText()), std::string("Vornamen"));
    QCOMPARE(quelle.data().toString(), QStringLiteral("Vornamen"));
  }

  void sourceListSizes() {
    auto openChoice = [this](const QString& quellen) -> bDlgQuelleEditChoice* {
      folder_ = std::make_unique<ProgramFolder>(QStringLiteral(FW_BIN_DIR), quellen);
      OpenOn(folder_->MakeTable(QStringLiteral("MIXED.DBF"), MixedFields(), 0, "DBFMDX"));
      QTableView* view = window_->bbrMemo->View();
      view->setCurrentIndex(Cell(window_->bbrMemo, 1, 4));
      view->edit(Cell(window_->bbrMemo, 1, 4));
      auto* edit = view->findChild<bQuelleEdit*>();
      if (!edit) return nullptr;
      edit->OpenChoice();
      return edit->findChild<bDlgQuelleEditChoice*>();
    };
    // Eight names: eight rows and the caption, no scroll bar.
    bDlgQuelleEditChoice* choice = openChoice(QStringLiteral("A,B,C,D,E,F,G,H"));
    QVERIFY(choice);
    QCOMPARE(choice->bbrQuelle()->Model()->rowCount(), 8);
    QVERIFY(!choice->bbrQuelle()->View()->verticalScrollBar()->isVisible());
    // No sources at all: one empty row to choose.
    choice = openChoice(QString());
    QVERIFY(choice);
    QCOMPARE(choice->bbrQuelle()->Model()->rowCount(), 1);
    QVERIFY(choice->Value().isEmpty());
    // Very many sources: the list stays on the screen and scrolls.
    QStringList many;
    for (int i = 0; i < 300; ++i) many << QStringLiteral("Quelle%1").arg(i);
    choice = openChoice(many.join(QLatin1Char(',')));
    QVERIFY(choice);
    QCOMPARE(choice->bbrQuelle()->Model()->rowCount(), 300);
    QVERIFY(choice->height() <= choice->screen()->availableGeometry().height());
  }

  void fullRunFillsByTheRules() {
    const std::string path =
        folder_->MakeTable(QStringLiteral("KUNDEN.DBF"),
                           {{"NAME", 'C', 20, 0}, {"BETRAG", 'N', 10, 2}, {"DATUM", 'D', 8, 0},
                            {"AKTIV", 'L', 1, 0}, {"NOTIZ", 'M', 10, 0}},
                           5, "DBFNTX");
    BoxAnswerer answers;
    OpenOn(path);
    auto set = [](MyBBrowser* grid, int column, const QString& value) {
      QVERIFY(grid->Model()->setData(Cell(grid, 1, column), value));
    };
    set(window_->bbrCharacter, 5, "Namen");
    set(window_->bbrNumeric, 4, "1");
    set(window_->bbrNumeric, 5, "100");
    set(window_->bbrLogic, 2, "100");
    set(window_->bbrDate, 2, "01.01.2000");
    set(window_->bbrDate, 3, "31.12.2000");
    set(window_->bbrMemo, 2, "2");
    set(window_->bbrMemo, 3, "3");
    set(window_->bbrMemo, 4, "Worte");
    window_->sleSatzzahl->setText(QStringLiteral("10"));
    QTest::mouseClick(window_->pbFillDB, Qt::LeftButton);
    QVERIFY2(answers.Texts.isEmpty(), qPrintable(answers.Texts.join('|')));

    QCOMPARE(window_->sleVorhanden->text(), QStringLiteral("15"));
    QCOMPARE(window_->nVorhanden(), 15u);
    QCOMPARE(window_->txtCharacter->text(), QStringLiteral("Beendet"));
    QCOMPARE(window_->txtMemo->text(), QStringLiteral("Beendet"));
    QVERIFY(window_->pbFillDB->isEnabled() && window_->pbAuswahl->isEnabled() &&
            window_->pbSchliessen->isEnabled());
    DBServer* target = window_->dbAuswahl();
    QVERIFY(target);
    QCOMPARE(target->RecCount(), 15u);
    const std::vector<std::string> names{"M\xfcller", "Schmidt", "Meier", "Schulz"};
    for (uint32_t rec = 1; rec <= 15; ++rec) {
      target->GoTo(rec);
      const std::string name = Trim(target->FieldGet("NAME").AsText());
      if (rec <= 5) {
        QVERIFY(name.empty());
        continue;
      }
      QVERIFY2(std::find(names.begin(), names.end(), name) != names.end(), name.c_str());
      const double betrag = target->FieldGet("BETRAG").AsNumber();
      QVERIFY(betrag >= 1 && betrag <= 100);
      QVERIFY(target->FieldGet("AKTIV").AsLogic());
      const Date date = target->FieldGet("DATUM").AsDate();
      QVERIFY(date >= Date::FromYmd(2000, 1, 1) && date <= Date::FromYmd(2000, 12, 31));
      QVERIFY(!target->FieldGet("NOTIZ").AsText().empty());
    }
    // The second run without a new analysis appends after the first one.
    window_->sleSatzzahl->setText(QStringLiteral("2"));
    QTest::mouseClick(window_->pbFillDB, Qt::LeftButton);
    QCOMPARE(window_->sleVorhanden->text(), QStringLiteral("17"));
  }

  void stopBeforeTheFirstPassLeavesFieldsBlank() {
    const std::string path = folder_->MakeTable(
        QStringLiteral("STOP.DBF"), {{"NAME", 'C', 20, 0}, {"ZAHL", 'N', 5, 0}}, 0, "DBFNTX");
    BoxAnswerer answers;
    OpenOn(path);
    QVERIFY(window_->bbrCharacter->Model()->setData(Cell(window_->bbrCharacter, 1, 5), "Namen"));
    QVERIFY(window_->bbrNumeric->Model()->setData(Cell(window_->bbrNumeric, 1, 5), "99"));
    window_->sleSatzzahl->setText(QStringLiteral("20"));
    // "Not- halt" is pressed as soon as the run lets window events run.
    QTimer::singleShot(0, window_.get(), [this] {
      QVERIFY(window_->IsRunning());
      QVERIFY(!window_->pbFillDB->isEnabled());
      QVERIFY(!window_->pbAuswahl->isEnabled());
      QVERIFY(!window_->pbSchliessen->isEnabled());
      QVERIFY(window_->pbStop->isEnabled());
      QTest::mouseClick(window_->pbStop, Qt::LeftButton);
    });
    QTest::mouseClick(window_->pbFillDB, Qt::LeftButton);
    QVERIFY(!window_->lRunning());
    QCOMPARE(window_->sleVorhanden->text(), QStringLiteral("20"));
    QVERIFY(window_->txtCharacter->text().isEmpty());
    DBServer* target = window_->dbAuswahl();
    QCOMPARE(target->RecCount(), 20u);
    for (uint32_t rec = 1; rec <= 20; ++rec) {
      target->GoTo(rec);
      QVERIFY(Trim(target->FieldGet("NAME").AsText()).empty());
      QCOMPARE(target->FieldGet("ZAHL").AsNumber(), 0.0);
    }
    QVERIFY(window_->pbFillDB->isEnabled());
    QCOMPARE(window_->cursor().shape(), Qt::ArrowCursor);
  }

  void stopDuringTheMemoPassEndsThatField() {
    const std::string path = folder_->MakeTable(
        QStringLiteral("HALT.DBF"), {{"NAME", 'C', 20, 0}, {"NOTIZ", 'M', 10, 0}}, 0, "DBFNTX");
    BoxAnswerer answers;
    OpenOn(path);
    QVERIFY(window_->bbrCharacter->Model()->setData(Cell(window_->bbrCharacter, 1, 5), "Namen"));
    QVERIFY(window_->bbrMemo->Model()->setData(Cell(window_->bbrMemo, 1, 2), "2"));
    QVERIFY(window_->bbrMemo->Model()->setData(Cell(window_->bbrMemo, 1, 3), "3"));
    window_->sleSatzzahl->setText(QStringLiteral("300"));
    // "Not- halt" once the memo field is part-way: the memo pass lets events run per record.
    QTimer poll;
    connect(&poll, &QTimer::timeout, window_.get(), [this] {
      if (window_->IsRunning() && window_->cusMemo->BarPosn() >= 10 && window_->lRunning())
        window_->pbStop->click();
    });
    poll.start(0);
    QTest::mouseClick(window_->pbFillDB, Qt::LeftButton);
    poll.stop();
    QVERIFY(!window_->lRunning());
    QCOMPARE(window_->sleVorhanden->text(), QStringLiteral("300"));
    QCOMPARE(window_->txtCharacter->text(), QStringLiteral("Beendet"));
    DBServer* target = window_->dbAuswahl();
    QCOMPARE(target->RecCount(), 300u);
    uint32_t memos = 0;
    for (uint32_t rec = 1; rec <= 300; ++rec) {
      target->GoTo(rec);
      QVERIFY(!Trim(target->FieldGet("NAME").AsText()).empty());  // the pass before was done
      if (!target->FieldGet("NOTIZ").AsText().empty()) ++memos;
    }
    QVERIFY2(memos >= 10 && memos < 300, qPrintable(QString::number(memos)));
  }

  void runRefusals() {
    BoxAnswerer answers;
    window_ = std::make_unique<DtaErstellen>();
    window_->sleSatzzahl->setText(QStringLiteral("abc"));
    window_->PBFillDB();
    QCOMPARE(answers.Captions, QStringList{QStringLiteral("Achtung")});
    QCOMPARE(answers.Texts, QStringList{QStringLiteral("Sie haben keine Datenbank ausgewählt")});
    const QString file =
        QString::fromStdString(folder_->MakeTable(QStringLiteral("A.DBF"), {{"NAME", 'C', 5, 0}}));
    window_->FileChooser = [file](DtaErstellen&) { return file; };
    window_->PBAuswahl();
    window_->PBFillDB();
    QCOMPARE(answers.Texts.last(), QStringLiteral("Die Satzzahl kann nicht NULL sein"));
    QCOMPARE(window_->dbAuswahl()->RecCount(), 0u);
    // "Not- halt" outside a run changes nothing.
    window_->PBStop();
    QCOMPARE(window_->sleVorhanden->text(), QStringLiteral("0"));
  }

  void notADbfFileIsReported() {
    const std::string path = folder_->Data(QStringLiteral("TEXT.DBF"));
    QFile text(QString::fromStdString(path));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("Dies ist keine Tabelle\n");
    text.close();
    BoxAnswerer answers;
    OpenOn(path);
    QCOMPARE(answers.Captions, QStringList{QStringLiteral("Fehlermeldung")});
    QCOMPARE(answers.Texts.front(),
             QStringLiteral("Bei der Analyse des angegebenen Files ist ein Fehler aufgetreten.\n"
                            "Ev. ist es kein DBase File, es ist korrupt., oder\n"
                            "es konnte aus anderen Gründen nicht geöffnet werden"));
    QVERIFY(!window_->dbAuswahl());
    QCOMPARE(window_->bbrCharacter->Model()->rowCount(), 0);
    QVERIFY(window_->windowTitle().endsWith(QString::fromStdString(path)));
  }

  void cancelledChoiceKeepsTheTarget() {
    const std::string path =
        folder_->MakeTable(QStringLiteral("MIXED.DBF"), MixedFields(), 2, "DBFMDX");
    OpenOn(path);
    const QString caption = window_->windowTitle();
    window_->FileChooser = [](DtaErstellen&) { return QString(); };
    window_->PBAuswahl();
    QVERIFY(window_->sleAuswahl->text().isEmpty());
    QVERIFY(window_->dbAuswahl());
    QCOMPARE(window_->windowTitle(), caption);
    QCOMPARE(window_->bbrCharacter->Model()->rowCount(), 1);
  }

  void lockedTargetIsNamedAndNotSelected() {
    const std::string path =
        folder_->MakeTable(QStringLiteral("GESPERRT.DBF"), {{"NAME", 'C', 10, 0}}, 1);
    auto holder = std::make_unique<DBServer>(path, false, false, "DBFNTX");  // another user
    QVERIFY(holder->Used());
    BoxAnswerer answers;
    OpenOn(path);
    QCOMPARE(answers.Captions, QStringList{QStringLiteral("Fehlermeldung")});
    QVERIFY2(answers.Texts.front().contains(QString::fromStdString(path)),
             qPrintable(answers.Texts.front()));
    QVERIFY(!window_->dbAuswahl());
    QVERIFY(window_->sleVorhanden->text().isEmpty());
    QCOMPARE(window_->bbrCharacter->Model()->rowCount(), 0);
    QCOMPARE(gcDefaultDriver, std::string("DBFNTX"));
    window_->PBFillDB();
    QCOMPARE(answers.Texts.last(), QStringLiteral("Sie haben keine Datenbank ausgewählt"));
    // Once the other program lets go, the same choice works.
    holder.reset();
    window_->PBAuswahl();
    QVERIFY(window_->dbAuswahl());
    QCOMPARE(window_->bbrCharacter->Model()->rowCount(), 1);
  }

  void indexFilesAskBeforeGoingOn() {
    const std::string path = folder_->MakeTable(QStringLiteral("IDX.DBF"), {{"NAME", 'C', 10, 0}});
    QFile index(QString::fromStdString(folder_->Data(QStringLiteral("IDX.NTX"))));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("x");
    index.close();
    BoxAnswerer answers;
    answers.Queue(QMessageBox::No);
    OpenOn(path);
    QCOMPARE(answers.Captions, QStringList{QStringLiteral("Achtung")});
    QVERIFY(answers.Texts.front().contains(QStringLiteral("IDX.NTX")));
    QVERIFY(!window_->dbAuswahl());
    QCOMPARE(window_->bbrCharacter->Model()->rowCount(), 0);
    answers.Queue(QMessageBox::Yes);
    window_->PBAuswahl();
    QVERIFY(window_->dbAuswahl());
    QCOMPARE(window_->bbrCharacter->Model()->rowCount(), 1);
  }

  // The dialog "Indexdateien": the table's own index file always rebuilt, another one of its
  // folder whose key fits offered unchecked; a checked one is rebuilt after the fill, an
  // unchecked one left byte for byte; the choice goes into the rules (INDEX=).
  void indexFilesChosenInTheDialogAreRebuilt() {
    const QString fixtures = QStringLiteral(FW_SOURCE_DIR "/tests/core/index/data/");
    for (const char* name : {"liefer.dbf", "liefer.ntx", "lfirma.ntx", "lplzseit.ntx"})
      QVERIFY(QFile::copy(fixtures + QLatin1String(name),
                          QString::fromStdString(folder_->Data(QLatin1String(name)))));
    const std::string table = folder_->Data(QStringLiteral("liefer.dbf"));
    const auto bytes = [this](const char* name) {
      QFile file(QString::fromStdString(folder_->Data(QLatin1String(name))));
      return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray lfirma = bytes("lfirma.ntx"), lplzseit = bytes("lplzseit.ntx");
    BoxAnswerer answers;
    OpenOn(table);
    QVERIFY(window_->dbAuswahl());
    for (int row = 1; row <= window_->bbrCharacter->Model()->rowCount(); ++row)
      QVERIFY(window_->bbrCharacter->Model()->setData(Cell(window_->bbrCharacter, row, 5), "Namen"));

    QStringList shown;
    bool belongsLocked = false;
    QTimer::singleShot(0, window_.get(), [&] {
      auto* dialog = window_->findChild<DlgIndexdateien*>();
      if (!dialog) return;
      for (int row = 0; row < dialog->lstDateien->count(); ++row) {
        QListWidgetItem* item = dialog->lstDateien->item(row);
        shown << item->text() + (item->checkState() == Qt::Checked ? QStringLiteral("+") : QStringLiteral("-"));
        if (item->text() == QStringLiteral("liefer.ntx"))
          belongsLocked = !(item->flags() & Qt::ItemIsEnabled);
        if (item->text() == QStringLiteral("lfirma.ntx")) item->setCheckState(Qt::Checked);
      }
      dialog->pbOK->click();
    });
    window_->PBIndexdateien();
    QCOMPARE(shown, (QStringList{QStringLiteral("liefer.ntx+"), QStringLiteral("lfirma.ntx-"),
                                 QStringLiteral("lplzseit.ntx-")}));
    QVERIFY(belongsLocked);
    QVERIFY2(window_->txtSumme->text().contains(QStringLiteral("liefer.ntx, lfirma.ntx werden nach dem Füllen neu aufgebaut")),
             qPrintable(window_->txtSumme->text()));

    window_->sleSatzzahl->setText(QStringLiteral("20"));
    window_->PBFillDB();
    QVERIFY2(window_->txtSumme->text().contains(QStringLiteral("lfirma.ntx")), qPrintable(window_->txtSumme->text()));
    QVERIFY(bytes("lfirma.ntx") != lfirma);
    QCOMPARE(bytes("lplzseit.ntx"), lplzseit);
    // Saved with the rules, relative to the rules file beside the table.
    const QString saved = QString::fromStdString(folder_->Data(QStringLiteral("liefer.ini")));
    window_->RulesFileChooser = [saved](DtaErstellen&, bool) { return saved; };
    window_->PBRegelnSpeichern();
    QFile rules(saved);
    QVERIFY(rules.open(QIODevice::ReadOnly));
    QVERIFY(rules.readAll().contains("\nINDEX=lfirma.ntx\n"));
  }

  void closingDuringARunStopsItFirst() {
    AppShell shell;
    shell.show();
    BoxAnswerer answers;
    std::string path;
    DtaErstellen* window = ShellWindowReadyToFill(shell, QStringLiteral("CLOSE.DBF"), path);
    QVERIFY(window);
    QPointer<DtaErstellen> alive(window);
    bool stillOpenDuringRun = false;
    QTimer::singleShot(0, window, [&] {
      auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
      sub->close();  // the frame's close box while the run goes on
      stillOpenDuringRun = window->isVisible() && window->IsRunning();
    });
    window->PBFillDB();
    QVERIFY(stillOpenDuringRun);
    QTRY_VERIFY(alive.isNull());  // closed and destroyed once the run returned
    QVERIFY(shell.MenuItem(menu::kErstellen)->isEnabled());
    // The table was released whole: another program can open it and read every record.
    DBServer reopened(path, false, true, "DBFNTX");
    QVERIFY(reopened.Used());
    QCOMPARE(reopened.RecCount(), 30u);
    reopened.GoTo(30);
    QVERIFY(reopened.FieldGet("NAME").IsText());
    QVERIFY2(answers.Texts.isEmpty(), qPrintable(answers.Texts.join('|')));
  }

  void closingTheShellDuringARunEndsTheProgramAfterTheRun() {
    AppShell shell;
    shell.show();
    BoxAnswerer answers;
    std::string path;
    DtaErstellen* window = ShellWindowReadyToFill(shell, QStringLiteral("ENDE.DBF"), path);
    QVERIFY(window);
    QPointer<DtaErstellen> alive(window);
    bool stillOpenDuringRun = false;
    QTimer::singleShot(0, &shell, [&] {
      QTimer::singleShot(0, window, [&] {
        shell.close();  // the shell's close box while the run goes on
        stillOpenDuringRun = window->isVisible() && window->IsRunning();
      });
      window->PBFillDB();
    });
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, qApp, &QApplication::quit);
    guard.start(10000);
    QApplication::exec();
    QVERIFY2(guard.isActive(), "closing the shell did not end the event loop");
    QVERIFY(stillOpenDuringRun);
    QTRY_VERIFY(alive.isNull());
    DBServer reopened(path, false, true, "DBFNTX");
    QVERIFY(reopened.Used());
    QCOMPARE(reopened.RecCount(), 30u);
    QVERIFY2(answers.Texts.isEmpty(), qPrintable(answers.Texts.join('|')));
  }

  void shellMenuOpensOneWindowThatFits() {
    AppShell shell;
    shell.show();
    QAction* item = shell.MenuItem(menu::kErstellen);
    item->trigger();
    QVERIFY(!item->isEnabled());
    QCOMPARE(shell.ClientArea()->subWindowList().size(), 1);
    QMdiSubWindow* sub = shell.ClientArea()->subWindowList().front();
    QVERIFY(qobject_cast<DtaErstellen*>(sub->widget()));
    // The whole child is visible inside the shell's client area.
    QVERIFY(shell.ClientArea()->rect().contains(sub->geometry()));
    item->trigger();  // disabled: no second window
    QCOMPARE(shell.ClientArea()->subWindowList().size(), 1);
    sub->widget()->findChild<QPushButton*>(QStringLiteral("PBSchliessen"))->click();
    QTRY_COMPARE(shell.ClientArea()->subWindowList().size(), 0);
    QVERIFY(item->isEnabled());
    // A second window opens the (exclusive) definition tables again, empty.
    QTest::qWait(0);
    item->trigger();
    QCOMPARE(shell.ClientArea()->subWindowList().size(), 1);
    auto* again = qobject_cast<DtaErstellen*>(shell.ClientArea()->subWindowList().front()->widget());
    QVERIFY(again && again->IsUsable());
    QCOMPARE(again->bbrCharacter->Model()->rowCount(), 0);
  }

  void focusShowsTheCurrentDriver() {
    window_ = std::make_unique<DtaErstellen>();
    QLineEdit other;
    other.show();
    window_->show();
    gcDefaultDriver = "DBFCDX";
    window_->FocusChange(true);
    QCOMPARE(window_->sleTreiber->text(), QStringLiteral("DBFCDX"));
  }
};

QTEST_MAIN(DtaErstellenTest)
#include "DtaErstellen_test.moc"
