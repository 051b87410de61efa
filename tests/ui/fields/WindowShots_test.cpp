// Screenshots of the generation window for the documentation: after an analysis and during a
// run. Only with FW_SHOT_DIR set and a real display (Xvfb); skipped otherwise.
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "core/app/Globals.h"
#include "ui/app/AppShell.h"
#include "ui/app/GridBrushes.h"
#include "ui/fields/DtaErstellen.h"
#include "ui/fields/MyBBrowser.h"
#include "ui/fields/WindowTestSupport.h"
#include "ui/platform/bBrowserModel.h"

using namespace fw;

class WindowShotsTest : public QObject {
  Q_OBJECT

  static void Shot(const QString& file) {
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    QProcess::execute(QStringLiteral("import"),
                      {QStringLiteral("-window"), QStringLiteral("root"), file});
  }

private slots:
  void shots() {
    const QString dir = qEnvironmentVariable("FW_SHOT_DIR");
    if (dir.isEmpty() || QGuiApplication::platformName() == QLatin1String("offscreen"))
      QSKIP("screenshots only with FW_SHOT_DIR on a display");
    fw::test::ProgramFolder folder(QStringLiteral(FW_BIN_DIR),
                                   QStringLiteral("Namen,Vornamen,Strassen,PLZ,Orte,Worte,Random,-LEER-"));
    const QDir bin(QStringLiteral(FW_BIN_DIR "/ProgrammDaten"));
    for (const QString& name : bin.entryList({QStringLiteral("*.txt")}, QDir::Files)) {
      QFile::remove(folder.Path() + QStringLiteral("ProgrammDaten/") + name);
      QFile::copy(bin.filePath(name), folder.Path() + QStringLiteral("ProgrammDaten/") + name);
    }
    const QString table = folder.Path() + QStringLiteral("TestDaten/Kunden.dbf");
    QFile::copy(QStringLiteral(FW_BIN_DIR "/TestDaten/Kunden.dbf"), table);
    QFile::copy(QStringLiteral(FW_BIN_DIR "/TestDaten/Kunden.dbt"),
                folder.Path() + QStringLiteral("TestDaten/Kunden.dbt"));
    CreateGridBrushes();
    {
      AppShell shell;
      shell.setWindowTitle(QStringLiteral("Fuellwerk    1.0"));
      shell.move(20, 20);
      shell.show();
      shell.Erstellen();
      auto* window = shell.ClientArea()->findChild<DtaErstellen*>();
      QVERIFY(window);
      window->FileChooser = [table](DtaErstellen&) { return table; };
      window->PBAuswahl();
      auto set = [](MyBBrowser* grid, int row, int column, const QString& value) {
        grid->Model()->setData(grid->Model()->index(row - 1, column - 1), value);
      };
      const QStringList sources{"Namen", "Vornamen", "Strassen", "PLZ", "Orte"};
      for (int row = 1; row <= sources.size(); ++row) set(window->bbrCharacter, row, 5, sources[row - 1]);
      set(window->bbrNumeric, 1, 4, "10");
      set(window->bbrNumeric, 1, 5, "5000");
      set(window->bbrNumeric, 2, 4, "1");
      set(window->bbrNumeric, 2, 5, "99999");
      set(window->bbrLogic, 1, 2, "70");
      set(window->bbrDate, 1, 2, "01.01.1950");
      set(window->bbrDate, 1, 3, "31.12.2005");
      set(window->bbrMemo, 1, 2, "5");
      set(window->bbrMemo, 1, 3, "20");
      set(window->bbrMemo, 1, 4, "Worte");
      Shot(dir + QStringLiteral("/window-analysed.png"));

      window->sleSatzzahl->setText(QStringLiteral("40000"));
      // The memo pass lets events run once per record: take the picture in the middle of it.
      QTimer poll;
      bool taken = false;
      QObject::connect(&poll, &QTimer::timeout, window, [&] {
        if (taken || !window->txtMemo->text().startsWith(QStringLiteral("Feld"))) return;
        taken = true;
        QTimer::singleShot(300, window, [&] { Shot(dir + QStringLiteral("/window-running.png")); });
      });
      poll.start(10);
      window->PBFillDB();
      Shot(dir + QStringLiteral("/window-done.png"));
    }
    DestroyGridBrushes();
  }
};

QTEST_MAIN(WindowShotsTest)
#include "WindowShots_test.moc"
