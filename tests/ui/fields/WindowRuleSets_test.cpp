// The generation window's rule sets that are kept (files, remembered per table), its preview,
// and repeatable runs with a seed.
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "core/app/Globals.h"
#include "ui/fields/DtaErstellen.h"
#include "ui/fields/MyBBrowser.h"
#include "ui/fields/WindowTestSupport.h"
#include "ui/platform/bBrowserModel.h"

using namespace fw;
using fw::test::BoxAnswerer;
using fw::test::ProgramFolder;

namespace {

// NAME C(20), BETRAG N(10,2), DATUM D, AKTIV L, NOTIZ M.
std::vector<FieldInfo> KundenFields() {
  return {{"NAME", 'C', 20, 0},
          {"BETRAG", 'N', 10, 2},
          {"DATUM", 'D', 8, 0},
          {"AKTIV", 'L', 1, 0},
          {"NOTIZ", 'M', 10, 0}};
}

QModelIndex Cell(MyBBrowser* grid, int row, int column) {
  return grid->Model()->index(row - 1, column - 1);
}

QByteArray FileBytes(const std::string& path) {
  QFile file(QString::fromStdString(path));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class WindowRuleSetsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<ProgramFolder> folder_;

  // A window that has analysed `path`.
  std::unique_ptr<DtaErstellen> OpenOn(const std::string& path) {
    auto window = std::make_unique<DtaErstellen>();
    const QString file = QString::fromStdString(path);
    window->FileChooser = [file](DtaErstellen&) { return file; };
    window->show();
    window->PBAuswahl();
    return window;
  }

  // Rules for every field of KundenFields().
  static void SetRules(DtaErstellen& window) {
    auto set = [](MyBBrowser* grid, int column, const QString& value) {
      QVERIFY(grid->Model()->setData(Cell(grid, 1, column), value));
    };
    set(window.bbrCharacter, 5, "Namen");
    set(window.bbrNumeric, 4, "1");
    set(window.bbrNumeric, 5, "900");
    set(window.bbrLogic, 2, "40");
    set(window.bbrDate, 2, "01.01.1990");
    set(window.bbrDate, 3, "31.12.2010");
    set(window.bbrMemo, 2, "2");
    set(window.bbrMemo, 3, "6");
    set(window.bbrMemo, 4, "Worte");
  }

private slots:
  void init() {
    fw::test::ArmWatchdog(90);
    folder_ = std::make_unique<ProgramFolder>(QStringLiteral(FW_BIN_DIR));
  }
  void cleanup() {
    folder_.reset();
    fw::test::DisarmWatchdog();
  }

  void theSeedMakesRunsRepeatable() {
    auto fill = [&](const QString& name) {
      const std::string path = folder_->MakeTable(name, KundenFields(), 3);
      BoxAnswerer answers;
      auto window = OpenOn(path);
      SetRules(*window);
      window->sleSatzzahl->setText(QStringLiteral("40"));
      QTest::mouseClick(window->pbFillDB, Qt::LeftButton);
      if (!answers.Texts.isEmpty()) qWarning() << answers.Texts;
      window.reset();  // the table is closed with the window
      return path;
    };
    folder_->WriteIni(QStringLiteral("[AppDaten]\r\nName=Fuellwerk\r\n[SETTINGS]\r\n"
                                     "DefaultDriver=DBFNTX\r\nSeed=5\r\n"));
    const std::string first = fill(QStringLiteral("EINS.DBF"));
    const std::string second = fill(QStringLiteral("ZWEI.DBF"));
    QVERIFY(FileBytes(first).size() > 40 * 40);
    QCOMPARE(FileBytes(first), FileBytes(second));
    QCOMPARE(FileBytes(first.substr(0, first.size() - 4) + ".DBT"),
             FileBytes(second.substr(0, second.size() - 4) + ".DBT"));

    // Seed 0: a fresh seed for each run.
    folder_->WriteIni(QStringLiteral("[AppDaten]\r\nName=Fuellwerk\r\n[SETTINGS]\r\n"
                                     "DefaultDriver=DBFNTX\r\nSeed=0\r\n"));
    const std::string third = fill(QStringLiteral("DREI.DBF"));
    const std::string fourth = fill(QStringLiteral("VIER.DBF"));
    QVERIFY(FileBytes(third) != FileBytes(fourth));
  }
};

QTEST_MAIN(WindowRuleSetsTest)
#include "WindowRuleSets_test.moc"
