#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "ui/ModalAnswerer.h"
#include "ui/app/Globals.h"
#include "core/errors/DefError.h"
#include "ui/app/App.h"
#include "ui/app/AppShell.h"
#include "ui/fields/DtaErstellen.h"
#include "ui/fields/WindowTestSupport.h"

using fw::test::ModalAnswerer;

class AppStartTest : public QObject {
  Q_OBJECT

  static QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  static void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  // Runs start-up in `folder`; the shell is closed as soon as it shows. Returns Start()'s result
  // and the shell's caption.
  static bool Run(const QString& folder, QString* caption = nullptr) {
    fw::App app(folder.toStdString() + "/");
    app.OnShown = [caption](fw::AppShell& shell) {
      if (caption) *caption = shell.windowTitle();
      QTimer::singleShot(0, &shell, &fw::AppShell::Ende);
    };
    return app.Start();
  }

  // What the generation window showed when the shell came up with `table` named at start.
  struct Opened {
    bool Window = false;
    QString File;
    QString Records;
    bool MenuItemEnabled = true;
  };
  static Opened RunWithTable(const QString& folder, const std::string& table) {
    Opened opened;
    fw::App app(folder.toStdString());
    app.TableToOpen = table;
    app.OnShown = [&opened](fw::AppShell& shell) {
      if (auto* window = shell.findChild<fw::DtaErstellen*>()) {
        opened.Window = true;
        opened.File = window->sleAuswahl->text();
        opened.Records = window->sleVorhanden->text();
      }
      opened.MenuItemEnabled = shell.MenuItem(fw::menu::kErstellen)->isEnabled();
      QTimer::singleShot(0, &shell, &fw::AppShell::Ende);
    };
    app.Start();
    return opened;
  }

private slots:
  void missingSettingsFileIsCreatedAndTheShellOpens() {
    QTemporaryDir dir;
    ModalAnswerer boxes;
    QString caption;
    QVERIFY(Run(dir.path(), &caption));
    QCOMPARE(boxes.Count(), 0);
    QCOMPARE(caption, QStringLiteral("    "));
    const QByteArray expected = "[SETTINGS]\r\nInitDir=" + dir.path().toUtf8() + "/TestDaten/\r\n";
    QCOMPARE(Read(dir.filePath("FUELLWERK.INI")), expected);
    QVERIFY(QFileInfo(dir.filePath("TestDaten")).isDir());
    QCOMPARE(QString::fromStdString(fw::gcProgrammDaten), dir.path() + "/ProgrammDaten/");
    QCOMPARE(fw::gcDefaultDriver, std::string());
  }

  void captionAndDriverComeFromTheSettingsFileAndInitDirIsAlwaysRewritten() {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("TestDaten");
    Write(dir.filePath("FUELLWERK.INI"),
          "[AppDaten]\r\nName=F\xfcllwerk\r\nVersion=2.1\r\n[SETTINGS]\r\nInitDir=/elsewhere/\r\n"
          "DefaultDriver=DBFCDX\r\n");
    ModalAnswerer boxes;
    QString caption;
    QVERIFY(Run(dir.path(), &caption));
    QCOMPARE(boxes.Count(), 0);
    QCOMPARE(caption, QStringLiteral("Füllwerk    2.1"));
    QCOMPARE(fw::gcDefaultDriver, std::string("DBFCDX"));
    QCOMPARE(fw::gcAppName, std::string("F\xfcllwerk"));
    QVERIFY(Read(dir.filePath("FUELLWERK.INI"))
                .contains("InitDir=" + dir.path().toUtf8() + "/TestDaten/\r\nDefaultDriver"));
  }

  void aFileNamedTestDatenIsReportedAndStartUpGoesOn() {
    QTemporaryDir dir;
    Write(dir.filePath("TestDaten"), "no folder");
    ModalAnswerer boxes;
    QVERIFY(Run(dir.path()));
    QCOMPARE(boxes.Count(), 1);
    QCOMPARE(boxes.Texts.value(0), QString::fromLocal8Bit(strerror(EEXIST)));
    QVERIFY(QFileInfo(dir.filePath("TestDaten")).isFile());
  }

  void settingsFileThatCannotBeCreatedEndsTheProgramWithTheMessage() {
    QTemporaryDir dir;
    // A folder in the settings file's place: it can be neither written nor read.
    QDir(dir.path()).mkdir("FUELLWERK.INI");
    ModalAnswerer boxes;
    QString caption = QStringLiteral("not shown");
    QVERIFY(!Run(dir.path(), &caption));
    QCOMPARE(caption, QStringLiteral("not shown"));
    QCOMPARE(boxes.Captions, QStringList{QStringLiteral("Fehler")});
    QCOMPARE(boxes.Texts.value(0),
             QStringLiteral("Die Datei FUELLWERK.INI fehlt\nMelden Sie dies dem Hersteller"));
  }

  void anInstalledCopyKeepsSettingsAndDataInTheUsersFolders() {
    // <root>/usr/bin/ beside <root>/usr/share/fuellwerk/, as the package installs them.
    QTemporaryDir root;
    const QString bin = root.filePath("usr/bin");
    const QString share = root.filePath("usr/share/fuellwerk");
    for (const char* folder : {"usr/bin", "usr/share/fuellwerk/ProgrammDaten",
                               "usr/share/fuellwerk/TestDaten"})
      QVERIFY(QDir(root.path()).mkpath(folder));
    const QByteArray delivered =
        "[AppDaten]\r\nName=Fuellwerk\r\nVersion=1.0\r\n[SETTINGS]\r\nInitDir=\r\n"
        "DefaultDriver=DBFNTX\r\n";
    Write(share + "/FUELLWERK.INI", delivered);
    Write(share + "/ProgrammDaten/Worte.txt", "Haus,Baum");
    Write(share + "/TestDaten/Kunden.dbf", "sample");
    qputenv("XDG_CONFIG_HOME", root.filePath("config").toUtf8());
    qputenv("XDG_DATA_HOME", root.filePath("data").toUtf8());
    const std::string logFolder = fw::ErrorSys().LogFolder;

    ModalAnswerer boxes;
    QString caption;
    const bool started = Run(bin, &caption);
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
    const std::string usedLogFolder = fw::ErrorSys().LogFolder;
    fw::ErrorSys().LogFolder = logFolder;

    QVERIFY(started);
    QCOMPARE(boxes.Count(), 0);
    QCOMPARE(caption, QStringLiteral("Fuellwerk    1.0"));
    const QString data = root.filePath("data/fuellwerk/");
    QCOMPARE(QString::fromStdString(fw::gcProgrammDaten), data + "ProgrammDaten/");
    QCOMPARE(QString::fromStdString(fw::gcTestDaten), data + "TestDaten/");
    QCOMPARE(QString::fromStdString(usedLogFolder), data);
    QCOMPARE(fw::gcDefaultDriver, std::string("DBFNTX"));
    QVERIFY(Read(root.filePath("config/fuellwerk/FUELLWERK.INI"))
                .contains("InitDir=" + data.toUtf8() + "TestDaten/\r\n"));
    QCOMPARE(Read(data + "ProgrammDaten/Worte.txt"), QByteArray("Haus,Baum"));
    QCOMPARE(Read(data + "TestDaten/Kunden.dbf"), QByteArray("sample"));
    // Nothing is written beside the program or into the delivered files.
    QCOMPARE(QDir(bin).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(Read(share + "/FUELLWERK.INI"), delivered);
  }

  void aTableNamedAtStartOpensInTheGenerationWindow() {
    fw::test::ProgramFolder folder(QStringLiteral(FW_BIN_DIR));
    const std::string table = folder.MakeTable("Kunden.dbf", {{"NAME", 'C', 20, 0}}, 3);
    ModalAnswerer boxes;
    const Opened opened = RunWithTable(folder.Path(), table);
    QCOMPARE(boxes.Count(), 0);
    QVERIFY(opened.Window);
    QCOMPARE(opened.File, QString::fromStdString(table));
    QCOMPARE(opened.Records, QStringLiteral("3"));
    QVERIFY(!opened.MenuItemEnabled);  // the window is open, as after the menu command
  }

  void aMissingTableNamedAtStartIsReportedAsMissing() {
    fw::test::ProgramFolder folder(QStringLiteral(FW_BIN_DIR));
    const std::string table = folder.Data("Fehlt.dbf");
    ModalAnswerer boxes;
    const Opened opened = RunWithTable(folder.Path(), table);
    QCOMPARE(boxes.Captions, QStringList{QStringLiteral("Fehlermeldung")});
    QCOMPARE(boxes.Texts.value(0), QStringLiteral("Die Datei %1 ist nicht vorhanden.")
                                       .arg(QString::fromStdString(table)));
    QVERIFY(opened.Window);  // open, without a target, for another choice
    QCOMPARE(opened.Records, QString());
  }
};

QTEST_MAIN(AppStartTest)
#include "AppStart_test.moc"
