#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "ui/app/Globals.h"
#include "ui/app/AppShell.h"
#include "ui/app/DlgSettings.h"
#include "ui/platform/DialogUnits.h"

using namespace fw;

namespace {

const QByteArray kStandardIni =
    "[AppDaten]\r\nName=Fuellwerk\r\nVersion=1.0\r\n\r\n"
    "[SETTINGS]\r\nInitDir=/tmp/\r\nClearBeforeNew=0\r\nDefaultDriver=DBFNTX\r\n"
    "DefaultLMax=1\r\nDefaultnMax=20\r\nDefaultSaetze=100\r\nQuellen=Namen,Orte\r\n";

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class DlgSettingsTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QString iniPath_;

  void UseIni(const QByteArray& bytes) {
    QFile file(iniPath_);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    goIni = IniFile(iniPath_.toStdString());
  }
  static std::string Setting(const char* key) { return goIni.GetString("SETTINGS", key); }

private slots:
  void init() {
    QVERIFY(dir_.isValid());
    iniPath_ = dir_.filePath(QStringLiteral("FUELLWERK.INI"));
    UseIni(kStandardIni);
    gcDefaultDriver = "DBFNTX";
  }

  void loadsTheStoredDefaults() {
    DlgSettings dialog(nullptr);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Einstellungen"));
    QVERIFY(dialog.rbAppend->isChecked());
    QVERIFY(!dialog.rbLeeren->isChecked());
    QVERIFY(dialog.chkDefaultLMax->isChecked());
    QCOMPARE(dialog.sleDefaultnMax->text(), QStringLiteral("20"));
    QCOMPARE(dialog.sleDefaultSaetze->text(), QStringLiteral("100"));
    QCOMPARE(dialog.cmbDriver->currentText(), QStringLiteral("DBFNTX"));
    QStringList drivers;
    for (int i = 0; i < dialog.cmbDriver->count(); ++i) drivers << dialog.cmbDriver->itemText(i);
    QCOMPARE(drivers, (QStringList{"DBFCDX", "DBFMDX", "DBFNTX"}));
  }

  void withoutClearBeforeNewAppendIsPressedAndSavingWritesZero() {
    UseIni("[SETTINGS]\r\nDefaultDriver=DBFCDX\r\n");
    DlgSettings dialog(nullptr);
    QVERIFY(dialog.rbAppend->isChecked());
    QVERIFY(!dialog.rbLeeren->isChecked());
    QTest::mouseClick(dialog.pbSpeichern, Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(Setting("ClearBeforeNew"), std::string("0"));
  }

  void suggestingAtEveryAnalysisIsOffUnlessTheFileSaysSo() {
    UseIni("[SETTINGS]\r\nDefaultDriver=DBFCDX\r\n");
    {
      DlgSettings dialog(nullptr);
      QVERIFY(!dialog.chkVorschlag->isChecked());
      QTest::mouseClick(dialog.chkVorschlag, Qt::LeftButton);
      QTest::mouseClick(dialog.pbSpeichern, Qt::LeftButton);
    }
    QCOMPARE(Setting("SuggestRules"), std::string("1"));
    DlgSettings again(nullptr);
    QVERIFY(again.chkVorschlag->isChecked());
  }

  void savingLeerenWritesOne() {
    DlgSettings dialog(nullptr);
    QTest::mouseClick(dialog.rbLeeren, Qt::LeftButton);
    QVERIFY(dialog.rbLeeren->isChecked());
    QVERIFY(!dialog.rbAppend->isChecked());
    QTest::mouseClick(dialog.pbSpeichern, Qt::LeftButton);
    QCOMPARE(Setting("ClearBeforeNew"), std::string("1"));
    QVERIFY(goIni.GetLogic("SETTINGS", "ClearBeforeNew"));
  }

  void neitherRadioButtonPressedLeavesClearBeforeNewAlone() {
    UseIni("[SETTINGS]\r\nClearBeforeNew=ja\r\n");
    DlgSettings dialog(nullptr);
    dialog.rbg1->setExclusive(false);
    dialog.rbLeeren->setChecked(false);
    dialog.rbAppend->setChecked(false);
    dialog.pbSpeichern->click();
    QCOMPARE(Setting("ClearBeforeNew"), std::string("ja"));
  }

  void missingDefaultnMaxShowsZeroAndIsWrittenBack() {
    UseIni("[SETTINGS]\r\nDefaultDriver=DBFNTX\r\n");
    DlgSettings dialog(nullptr);
    QCOMPARE(dialog.sleDefaultnMax->text(), QStringLiteral("0"));
    QCOMPARE(dialog.sleDefaultSaetze->text(), QString());
    QVERIFY(!dialog.chkDefaultLMax->isChecked());
    dialog.pbSpeichern->click();
    QCOMPARE(Setting("DefaultnMax"), std::string("0"));
    QCOMPARE(Setting("DefaultLMax"), std::string("0"));
    QCOMPARE(Setting("DefaultSaetze"), std::string());
  }

  void editsAreStoredAsTyped() {
    DlgSettings dialog(nullptr);
    dialog.sleDefaultnMax->clear();
    QTest::keyClicks(dialog.sleDefaultnMax, QStringLiteral("-5"));
    dialog.sleDefaultSaetze->clear();
    dialog.sleDefaultSaetze->insert(QStringLiteral("zwölf"));  // keyClicks takes ASCII only
    QTest::mouseClick(dialog.chkDefaultLMax, Qt::LeftButton, {}, QPoint(2, 2));  // on the text
    QVERIFY(!dialog.chkDefaultLMax->isChecked());
    dialog.pbSpeichern->click();
    QCOMPARE(Setting("DefaultnMax"), std::string("-5"));
    QCOMPARE(Setting("DefaultSaetze"), std::string("zw\xF6lf"));  // the file is Windows-1252
    QCOMPARE(Setting("DefaultLMax"), std::string("0"));
    QCOMPARE(goIni.GetInt("SETTINGS", "DefaultnMax"), 0u);

    DlgSettings reopened(nullptr);
    QCOMPARE(reopened.sleDefaultSaetze->text(), QStringLiteral("zwölf"));
  }

  void theSeedIsShownAndSavedAsANumber() {
    DlgSettings fresh(nullptr);
    QCOMPARE(fresh.sleSeed->text(), QStringLiteral("0"));  // no key: a fresh seed each run
    UseIni("[SETTINGS]\r\nSeed=5\r\n");
    DlgSettings dialog(nullptr);
    QCOMPARE(dialog.sleSeed->text(), QStringLiteral("5"));
    dialog.sleSeed->clear();
    QTest::keyClicks(dialog.sleSeed, QStringLiteral("x-42y"));  // only the digits are taken
    QCOMPARE(dialog.sleSeed->text(), QStringLiteral("42"));
    dialog.pbSpeichern->click();
    QCOMPARE(Setting("Seed"), std::string("42"));

    UseIni("[SETTINGS]\r\nSeed=abc\r\n");
    DlgSettings damaged(nullptr);
    QCOMPARE(damaged.sleSeed->text(), QStringLiteral("0"));
    damaged.sleSeed->clear();  // empty: a fresh seed, written as 0
    damaged.pbSpeichern->click();
    QCOMPARE(Setting("Seed"), std::string("0"));
  }

  void aLineBreakInAnEditCannotAddEntriesToTheFile() {
    DlgSettings dialog(nullptr);
    dialog.sleDefaultSaetze->setText(QStringLiteral("5\r\n[AppDaten]\r\nName=Anders"));
    dialog.pbSpeichern->click();
    QCOMPARE(goIni.GetString("AppDaten", "Name"), std::string("Fuellwerk"));
    QVERIFY(!ReadAll(iniPath_).contains("\n[AppDaten]\r\nName=Anders"));
  }

  void savingReplacesTheCurrentDriver() {
    DlgSettings dialog(nullptr);
    dialog.cmbDriver->setCurrentIndex(dialog.cmbDriver->findText(QStringLiteral("DBFMDX")));
    dialog.pbSpeichern->click();
    QCOMPARE(Setting("DefaultDriver"), std::string("DBFMDX"));
    QCOMPARE(gcDefaultDriver, std::string("DBFMDX"));
  }

  void aTypedDriverIsTakenInAnyLetterCase() {
    UseIni("[SETTINGS]\r\nDefaultDriver=dbfcdx\r\n");
    DlgSettings dialog(nullptr);
    QCOMPARE(dialog.cmbDriver->currentText(), QStringLiteral("DBFCDX"));
    dialog.cmbDriver->setEditText(QStringLiteral("dbfmdx "));
    QCOMPARE(dialog.CurrentDriver(), QStringLiteral("DBFMDX"));
    dialog.pbSpeichern->click();
    QCOMPARE(Setting("DefaultDriver"), std::string("DBFMDX"));
    QCOMPARE(gcDefaultDriver, std::string("DBFMDX"));
  }

  void anUnknownDriverKeepsTheStoredAndTheCurrentDriver() {
    DlgSettings dialog(nullptr);
    dialog.cmbDriver->setEditText(QStringLiteral("DBFXYZ"));
    QCOMPARE(dialog.CurrentDriver(), QString());
    dialog.sleDefaultSaetze->setText(QStringLiteral("7"));
    dialog.pbSpeichern->click();
    QCOMPARE(Setting("DefaultDriver"), std::string("DBFNTX"));
    QCOMPARE(gcDefaultDriver, std::string("DBFNTX"));
    QCOMPARE(Setting("DefaultSaetze"), std::string("7"));  // the rest is saved
  }

  void cancelAndCloseBoxWriteNothing() {
    const QByteArray before = ReadAll(iniPath_);
    for (int way = 0; way < 3; ++way) {
      DlgSettings dialog(nullptr);
      dialog.show();
      QTest::mouseClick(dialog.rbLeeren, Qt::LeftButton);
      dialog.sleDefaultnMax->setText(QStringLiteral("99"));
      dialog.sleDefaultSaetze->setText(QStringLiteral("1"));
      dialog.chkDefaultLMax->setChecked(false);
      dialog.cmbDriver->setCurrentIndex(dialog.cmbDriver->findText(QStringLiteral("DBFCDX")));
      if (way == 0) QTest::mouseClick(dialog.pbAbbruch, Qt::LeftButton);
      if (way == 1) dialog.close();  // the close box
      if (way == 2) QTest::keyClick(&dialog, Qt::Key_Escape);
      QCOMPARE(dialog.result(), int(QDialog::Rejected));
      QVERIFY(!dialog.isVisible());
      QCOMPARE(ReadAll(iniPath_), before);
      QCOMPARE(gcDefaultDriver, std::string("DBFNTX"));
    }
  }

  void tabStopsInTheirOrder() {
    DlgSettings dialog(nullptr);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    const QList<QWidget*> expected{dialog.sleDefaultnMax, dialog.pbAbbruch, dialog.pbSpeichern,
                                   dialog.chkDefaultLMax, dialog.cmbDriver,
                                   dialog.sleDefaultSaetze, dialog.sleSeed, dialog.chkVorschlag,
                                   dialog.sleDefaultnMax};
    auto focused = [&] {
      QWidget* w = QApplication::focusWidget();
      while (w && !expected.contains(w)) w = w->parentWidget();  // the combo box's own edit
      return w;
    };
    QTRY_COMPARE(focused(), expected[0]);
    for (int i = 1; i < expected.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(focused(), expected[i]);
    }
    QVERIFY(!dialog.pbAbbruch->isDefault() && !dialog.pbSpeichern->isDefault());
  }

  void everyControlAndTextFitsTheDialog() {
    DlgSettings dialog(nullptr);
    QCOMPARE(dialog.size(), DialogSize(285, 177));
    for (QWidget* control : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      QVERIFY2(dialog.rect().contains(control->geometry()), qPrintable(control->objectName()));
      if (qobject_cast<QLineEdit*>(control) || qobject_cast<QComboBox*>(control)) continue;
      if (control->objectName() == QLatin1String("frm1")) continue;  // its title is checked below
      QVERIFY2(control->sizeHint().width() <= control->width(), qPrintable(control->objectName()));
    }
    QVERIFY(dialog.frm1->fontMetrics().horizontalAdvance(dialog.frm1->title()) <
            dialog.frm1->width());
  }

  void theMenuItemOpensTheDialogModally() {
    AppShell shell;
    shell.show();
    QString title;
    bool modal = false;
    QTimer::singleShot(0, [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      QVERIFY(dialog);
      title = dialog->windowTitle();
      modal = qobject_cast<DlgSettings*>(dialog) != nullptr;
      QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
    });
    shell.MenuItem(menu::kSettings)->trigger();
    QVERIFY(modal);
    QCOMPARE(title, QStringLiteral("Einstellungen"));
  }
};

QTEST_MAIN(DlgSettingsTest)
#include "DlgSettings_test.moc"
