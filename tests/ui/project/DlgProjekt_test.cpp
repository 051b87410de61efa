#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "core/project/ProjectFile.h"
#include "ui/app/Globals.h"
#include "ui/fields/WindowTestSupport.h"
#include "ui/project/DlgProjekt.h"

namespace {

// The delivered order example (empty tables, rules, project file) in a folder of its own.
QString CopyExample(const QTemporaryDir& dir) {
  const QDir from(QStringLiteral(FW_SOURCE_DIR "/data/TestDaten/Bestellungen"));
  for (const QString& name : from.entryList(QDir::Files))
    QFile::copy(from.filePath(name), dir.filePath(name));
  return dir.filePath(QStringLiteral("bestellungen.ini"));
}

}  // namespace

class DlgProjektTest : public QObject {
  Q_OBJECT
private slots:
  void init() {
    fw::gcProgrammDaten = FW_SOURCE_DIR "/data/ProgrammDaten/";
    fw::test::ArmWatchdog(120);
  }
  void cleanup() { fw::test::DisarmWatchdog(); }

  // The example's four tables in fill order, filled by "Füllen" with a line per table; the
  // project saved elsewhere still names the same tables and rules.
  void runsTheOrderExampleWithALinePerTableAndSavesIt() {
    QTemporaryDir dir;
    const QString project = CopyExample(dir);
    fw::test::BoxAnswerer boxes;
    fw::DlgProjekt dialog(nullptr, project);
    QVERIFY2(dialog.IsUsable(), qPrintable(boxes.Texts.join(QLatin1Char('\n'))));
    QCOMPARE(dialog.tblTabellen->rowCount(), 4);
    QStringList order;
    for (int row = 0; row < 4; ++row) order << dialog.tblTabellen->item(row, 0)->text();
    QCOMPARE(order, (QStringList{"kunden.dbf", "auftrag.dbf", "artikel.dbf", "position.dbf"}));
    QCOMPARE(dialog.tblTabellen->item(0, 1)->text(), QStringLiteral("300"));
    QCOMPARE(dialog.tblTabellen->item(1, 1)->text(), QStringLiteral("je Elterndatensatz"));
    QCOMPARE(dialog.sleStartwert->text(), QStringLiteral("7"));

    dialog.show();
    dialog.pbFuellen->click();
    QVERIFY2(boxes.Captions.isEmpty(), qPrintable(boxes.Texts.join(QLatin1Char('\n'))));
    QCOMPARE(dialog.lstProtokoll->count(), 5);
    for (int row = 0; row < 4; ++row)
      QVERIFY2(dialog.lstProtokoll->item(row)->text().startsWith(order[row] + ": "),
               qPrintable(dialog.lstProtokoll->item(row)->text()));
    QVERIFY(dialog.lstProtokoll->item(0)->text().contains(QStringLiteral("jetzt 300.")));
    QVERIFY(dialog.lstProtokoll->item(4)->text().contains(QStringLiteral("gefüllt")));
    QVERIFY(dialog.pbFuellen->isEnabled());

    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("andere")));
    const QString saved = dir.filePath(QStringLiteral("andere/kopie.prj"));
    dialog.tblTabellen->item(0, 1)->setText(QStringLiteral("40"));
    dialog.SaveChooser = [&](fw::DlgProjekt&) { return saved; };
    dialog.pbSpeichern->click();
    fw::Project original, copy;
    std::string error;
    QVERIFY(fw::ReadProject(QFile::encodeName(project).toStdString(), original, error));
    QVERIFY2(fw::ReadProject(QFile::encodeName(saved).toStdString(), copy, error), error.c_str());
    QCOMPARE(copy.Seed, original.Seed);
    QCOMPARE(copy.Tables.size(), original.Tables.size());
    for (size_t i = 0; i < copy.Tables.size(); ++i) {
      const fw::ProjectTable& a = original.Tables[i];
      const fw::ProjectTable& b = copy.Tables[i];
      QCOMPARE(b.Name, "../" + a.Name);
      QCOMPARE(QFileInfo(QString::fromStdString(b.Path)).canonicalFilePath(),
               QFileInfo(QString::fromStdString(a.Path)).canonicalFilePath());
      QCOMPARE(QFileInfo(QString::fromStdString(b.RulesPath)).canonicalFilePath(),
               QFileInfo(QString::fromStdString(a.RulesPath)).canonicalFilePath());
      QCOMPARE(b.Records, a.Name == "kunden.dbf" ? 40u : a.Records);
      QCOMPARE(b.Empty, a.Empty);
    }
    QVERIFY(boxes.Captions.isEmpty());
  }
};

QTEST_MAIN(DlgProjektTest)
#include "DlgProjekt_test.moc"
