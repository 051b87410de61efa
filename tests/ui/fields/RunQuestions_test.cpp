// What the generation window asks before it writes (rules that leave fields out, emptying a
// table that holds records), what its summary says after a stop, in each phase of a run, and
// how it is used by keyboard and at a larger size.
#include <QCheckBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QtTest>
#include <memory>

#include "ui/app/Globals.h"
#include "ui/app/AppShell.h"
#include "core/generate/RunSummary.h"
#include "core/platform/DBServer.h"
#include "ui/fields/DtaErstellen.h"
#include "ui/fields/MyBBrowser.h"
#include "ui/fields/SummaryLabel.h"
#include "ui/fields/WindowTestSupport.h"
#include "ui/gauge/GaugeControl.h"
#include "ui/platform/bBrowserModel.h"

using namespace fw;
using fw::test::BoxAnswerer;
using fw::test::ProgramFolder;

namespace {

QModelIndex Cell(MyBBrowser* grid, int row, int column) {
  return grid->Model()->index(row - 1, column - 1);
}

std::string Trim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

}  // namespace

class RunQuestionsTest : public QObject {
  Q_OBJECT

private:
  std::unique_ptr<ProgramFolder> folder_;
  std::unique_ptr<DtaErstellen> window_;

  void OpenOn(const std::string& path) {
    window_ = std::make_unique<DtaErstellen>();
    QVERIFY(window_->IsUsable());
    const QString file = QString::fromStdString(path);
    window_->FileChooser = [file](DtaErstellen&) { return file; };
    window_->show();
    window_->PBAuswahl();
  }
  void Set(MyBBrowser* grid, int column, const QString& value) {
    QVERIFY(grid->Model()->setData(Cell(grid, 1, column), value));
  }
  // Presses "Not- halt" as soon as `when` holds, looking whenever the run lets events run.
  void StopWhen(std::function<bool()> when) {
    auto* timer = new QTimer(window_.get());
    timer->setInterval(0);
    connect(timer, &QTimer::timeout, window_.get(), [this, timer, when] {
      if (!window_->IsRunning() || !when()) return;
      timer->stop();
      QTest::mouseClick(window_->pbStop, Qt::LeftButton);
    });
    timer->start();
  }
  QString Summary() const { return window_->txtSumme->text(); }

private slots:
  void init() {
    fw::test::ArmWatchdog(120);
    folder_ = std::make_unique<ProgramFolder>(QStringLiteral(FW_BIN_DIR));
  }
  void cleanup() {
    window_.reset();
    folder_.reset();
    fw::test::DisarmWatchdog();
  }

  void rulesThatLeaveFieldsOutAreAskedAboutOnce() {
    const std::string path = folder_->MakeTable(
        QStringLiteral("REGELN.DBF"),
        {{"NAME", 'C', 20, 0}, {"ZAHL", 'N', 3, 0}, {"DATUM", 'D', 8, 0}}, 0);
    BoxAnswerer answers;
    OpenOn(path);
    Set(window_->bbrCharacter, 5, "Namen");
    Set(window_->bbrNumeric, 4, "1");
    Set(window_->bbrNumeric, 5, "99999");  // wider than the field
    Set(window_->bbrDate, 2, "31.12.2020");
    Set(window_->bbrDate, 3, "01.01.2020");  // before the start
    window_->sleSatzzahl->setText(QStringLiteral("10"));

    // "Nein": nothing is written, and no box of the run follows.
    answers.Queue(QMessageBox::No);
    QTest::mouseClick(window_->pbFillDB, Qt::LeftButton);
    QCOMPARE(answers.Texts.size(), 1);
    const QString question = answers.Texts.front();
    QVERIFY2(question.contains(QStringLiteral("ZAHL: Die Werte von 1 bis 99999 passen nicht")),
             qPrintable(question));
    QVERIFY2(question.contains(
                 QStringLiteral("DATUM: Das Enddatum kann nicht vor dem Startdatum liegen.")),
             qPrintable(question));
    QVERIFY(question.endsWith(QStringLiteral("Sollen die übrigen Felder trotzdem gefüllt werden?")));
    QVERIFY(question.indexOf(QStringLiteral("ZAHL")) < question.indexOf(QStringLiteral("DATUM")));
    QCOMPARE(window_->dbAuswahl()->RecCount(), 0u);
    QVERIFY(Summary().isEmpty());

    // "Ja": the others are filled, the refusals are not shown a second time, and the summary
    // names the fields left out.
    answers.Queue(QMessageBox::Yes);
    QTest::mouseClick(window_->pbFillDB, Qt::LeftButton);
    QCOMPARE(answers.Texts.size(), 2);
    DBServer* target = window_->dbAuswahl();
    QCOMPARE(target->RecCount(), 10u);
    target->GoTo(10);
    QVERIFY(!Trim(target->FieldGet("NAME").AsText()).empty());
    QCOMPARE(target->FieldGet("ZAHL").AsNumber(), 0.0);
    QVERIFY(target->FieldGet("DATUM").AsDate().IsEmpty());
    QVERIFY2(Summary().contains(QStringLiteral("; nicht gefüllt: ZAHL, DATUM; ")),
             qPrintable(Summary()));

    // Rules that leave nothing out ask nothing.
    Set(window_->bbrNumeric, 5, "999");
    Set(window_->bbrDate, 3, "31.12.2021");
    QTest::mouseClick(window_->pbFillDB, Qt::LeftButton);
    QCOMPARE(answers.Texts.size(), 2);
    QCOMPARE(target->RecCount(), 20u);
  }

  void countCellsTakeNoSign() {
    OpenOn(folder_->MakeTable(QStringLiteral("MEMO.DBF"), {{"NOTIZ", 'M', 10, 0}}, 0));
    QTableView* view = window_->bbrMemo->View();
    view->setCurrentIndex(Cell(window_->bbrMemo, 1, 2));
    view->edit(Cell(window_->bbrMemo, 1, 2));
    auto* editor = view->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->clear();
    QTest::keyClicks(editor, "-5x");
    QCOMPARE(editor->text(), QStringLiteral("5"));
  }

  void emptyingATableWithRecordsAsksFirst() {
    const std::string path =
        folder_->MakeTable(QStringLiteral("LEEREN.DBF"), {{"NAME", 'C', 20, 0}}, 25);
    OpenOn(path);
    Set(window_->bbrCharacter, 5, "Namen");
    window_->chkLeeren->setChecked(true);
    window_->sleSatzzahl->setText(QStringLiteral("10"));

    // Escape on the question: the table keeps its 25 records, the window what it showed.
    QString asked;
    QTimer escape;
    escape.setInterval(10);
    connect(&escape, &QTimer::timeout, this, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      asked = box->text();
      QTest::keyClick(box, Qt::Key_Escape);
    });
    escape.start();
    QTest::mouseClick(window_->pbFillDB, Qt::LeftButton);
    escape.stop();
    QVERIFY2(asked.contains(QStringLiteral("Die Tabelle LEEREN.DBF enthält 25 Datensätze.")),
             qPrintable(asked));
    QCOMPARE(window_->dbAuswahl()->RecCount(), 25u);
    QCOMPARE(window_->sleVorhanden->text(), QStringLiteral("25"));
    QVERIFY(window_->chkLeeren->isChecked());

    // "Ja" empties it as the box says.
    BoxAnswerer answers;
    answers.Queue(QMessageBox::Yes);
    QTest::mouseClick(window_->pbFillDB, Qt::LeftButton);
    QCOMPARE(answers.Texts.size(), 1);
    QCOMPARE(window_->dbAuswahl()->RecCount(), 10u);
  }

  void theSummaryTellsOfAStopInEachPhase() {
    const std::string path = folder_->MakeTable(
        QStringLiteral("STOPP.DBF"),
        {{"NAME", 'C', 20, 0}, {"ZAHL", 'N', 5, 0}, {"NOTIZ", 'M', 10, 0}}, 0);
    BoxAnswerer answers;
    OpenOn(path);
    Set(window_->bbrCharacter, 5, "Namen");
    Set(window_->bbrNumeric, 5, "99");
    Set(window_->bbrMemo, 2, "1");
    Set(window_->bbrMemo, 3, "2");
    Set(window_->bbrMemo, 4, "Worte");

    // Before the first field: every field stays blank, the records are appended.
    window_->sleSatzzahl->setText(QStringLiteral("20"));
    StopWhen([] { return true; });
    QTest::mouseClick(window_->pbFillDB, Qt::LeftButton);
    QCOMPARE(window_->dbAuswahl()->RecCount(), 20u);
    QVERIFY2(Summary().startsWith(QStringLiteral("Abgebrochen (Not- halt): 20 Datensätze in ")),
             qPrintable(Summary()));
    QVERIFY2(Summary().contains(QStringLiteral("; leer geblieben: NAME, ZAHL, NOTIZ; ")),
             qPrintable(Summary()));
    QVERIFY(Summary().endsWith(QStringLiteral("; die Tabelle enthält jetzt 20 Datensätze.")));

    // In the memo pass (it lets events run per record): the memo is filled up to a record.
    window_->sleSatzzahl->setText(QStringLiteral("200000"));
    StopWhen([this] { return window_->txtMemo->text().startsWith(QStringLiteral("Feld NOTIZ")); });
    QTest::mouseClick(window_->pbFillDB, Qt::LeftButton);
    QCOMPARE(window_->dbAuswahl()->RecCount(), 200020u);
    const QRegularExpression memoCut(QStringLiteral(
        "^Abgebrochen \\(Not- halt\\): 200\\.000 Datensätze in .* geschrieben; nur teilweise "
        "gefüllt: NOTIZ bis Datensatz ([0-9.]+); die Tabelle enthält jetzt 200\\.020 "
        "Datensätze\\.$"));
    const QRegularExpressionMatch cut = memoCut.match(Summary());
    QVERIFY2(cut.hasMatch(), qPrintable(Summary()));
    const uint32_t last = cut.captured(1).remove(QLatin1Char('.')).toUInt();
    QVERIFY(last > 20 && last < 200020);
    DBServer* target = window_->dbAuswahl();
    target->GoTo(last);
    QVERIFY(!target->FieldGet("NOTIZ").AsText().empty());
    target->GoTo(last + 1);
    QVERIFY(target->FieldGet("NOTIZ").AsText().empty());
    QVERIFY(!Trim(target->FieldGet("NAME").AsText()).empty());

    // While the records are written: fewer records, and the count at the end.
    Set(window_->bbrMemo, 2, "0");
    Set(window_->bbrMemo, 3, "0");
    window_->sleSatzzahl->setText(QStringLiteral("3000000"));
    StopWhen([this] { return window_->prgSchreiben->isVisible() && window_->prgSchreiben->value() > 0; });
    QTest::mouseClick(window_->pbFillDB, Qt::LeftButton);
    const uint32_t count = window_->dbAuswahl()->RecCount();
    QVERIFY(count > 200020 && count < 3200020);
    const QString written = QString::fromStdString(GroupedNumber(count - 200020));
    QVERIFY2(Summary().startsWith(QStringLiteral("Abgebrochen (Not- halt): ") + written +
                                  QStringLiteral(" von 3.000.000 Datensätze in ")),
             qPrintable(Summary()));
    const QString end = QStringLiteral("; die Tabelle enthält jetzt ") +
                        QString::fromStdString(GroupedNumber(count)) +
                        QStringLiteral(" Datensätze.");
    QVERIFY(Summary().endsWith(end));
    // The line shows the stop and the count; however narrow it gets, the count stays.
    QVERIFY2(window_->txtSumme->Shown().startsWith(QStringLiteral("Abgebrochen")),
             qPrintable(window_->txtSumme->Shown()));
    QVERIFY(window_->txtSumme->Shown().endsWith(end));
    window_->txtSumme->resize(window_->txtSumme->width() / 3, window_->txtSumme->height());
    QVERIFY2(window_->txtSumme->Shown().endsWith(end), qPrintable(window_->txtSumme->Shown()));
    QVERIFY2(answers.Texts.isEmpty(), qPrintable(answers.Texts.join('|')));
  }

  void aFirstRunIsPointedToSensibleRules() {
    const std::string path = folder_->MakeTable(QStringLiteral("ERST.DBF"), {{"NAME", 'C', 20, 0}}, 0);
    BoxAnswerer answers;
    // No rules file: the line under the buttons points to "Vorschlag" until the rules change.
    OpenOn(path);
    QVERIFY(answers.Texts.isEmpty());
    QVERIFY2(Summary().contains(QStringLiteral("„Vorschlag“")), qPrintable(Summary()));
    Set(window_->bbrCharacter, 5, "Namen");
    QVERIFY(Summary().isEmpty());
    // Saved beside the table as ERST.rules.ini, the rules are offered at the next analysis.
    const QString beside = QString::fromStdString(folder_->Data(QStringLiteral("ERST.rules.ini")));
    window_->RulesFileChooser = [beside](DtaErstellen&, bool) { return beside; };
    window_->PBRegelnSpeichern();
    window_.reset();
    answers.Queue(QMessageBox::Yes);
    OpenOn(path);
    QCOMPARE(answers.Texts.size(), 1);
    QVERIFY2(answers.Texts.front().contains(QStringLiteral("ERST.rules.ini")),
             qPrintable(answers.Texts.front()));
    QCOMPARE(Cell(window_->bbrCharacter, 1, 5).data().toString().trimmed(), QStringLiteral("Namen"));
    QVERIFY(!Summary().contains(QStringLiteral("Vorschlag")));
  }

  void tabLeavesTheGridsAndTheWindowGrows() {
    AppShell shell;
    shell.show();
    shell.Erstellen();
    auto* window = shell.ClientArea()->findChild<DtaErstellen*>();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowActive(&shell));
    // Tab goes from the count to "DB Füllen", from grid to grid, and from the last grid on.
    window->sleSatzzahl->setFocus();
    QTest::keyClick(window->sleSatzzahl, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), window->pbFillDB);
    window->bbrCharacter->View()->setFocus();
    QTest::keyClick(window->bbrCharacter->View(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), window->bbrNumeric->View());
    QTest::keyClick(window->bbrNumeric->View(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), window->bbrCharacter->View());
    window->bbrMemo->View()->setFocus();
    QTest::keyClick(window->bbrMemo->View(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), window->pbVorschlag);

    // Grown, the grids take the room and what stands right of and below them moves along.
    const QSize least = window->size();
    const QRect grid = window->bbrDate->geometry(), gauge = window->cusDate->geometry();
    const int below = least.height() - window->pbSchliessen->geometry().bottom();
    auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    QVERIFY(sub);
    sub->resize(sub->size() + QSize(300, 250));
    QCOMPARE(window->size(), least + QSize(300, 250));
    QCOMPARE(window->bbrDate->width(), grid.width() + 300);
    QCOMPARE(window->bbrDate->height(), grid.height() + 50);
    QCOMPARE(window->cusDate->geometry().topLeft(), gauge.topLeft() + QPoint(300, 150));
    QCOMPARE(window->height() - window->pbSchliessen->geometry().bottom(), below);
    QVERIFY(window->txtSumme->geometry().bottom() < window->height());
    QVERIFY(window->bbrMemo->geometry().bottom() < window->pbRegelnLaden->geometry().top());
    // Smaller than the layout it does not get; a shell too small for it scrolls.
    sub->resize(QSize(200, 200));
    QCOMPARE(window->size(), least);
    QVERIFY(window->visibleRegion().boundingRect().size() == least);
    shell.resize(400, 300);
    QTRY_VERIFY(shell.ClientArea()->verticalScrollBar()->isVisible());
  }
};

QTEST_MAIN(RunQuestionsTest)
#include "RunQuestions_test.moc"
