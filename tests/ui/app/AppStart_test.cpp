#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "ui/ModalAnswerer.h"
#include "core/app/Globals.h"
#include "ui/app/App.h"
#include "ui/app/AppShell.h"

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
};

QTEST_MAIN(AppStartTest)
#include "AppStart_test.moc"
