// The open dialog's "Exclusive" check box: preset, read back, and where it sits.
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "ui/app/WikOpenDialog.h"
#include "ui/fields/WindowTestSupport.h"

using fw::WikOpenDialog;

class WikOpenDialogTest : public QObject {
  Q_OBJECT

private slots:
  void init() { fw::test::ArmWatchdog(60); }
  void cleanup() { fw::test::DisarmWatchdog(); }

  void presetShowsAndCancelKeepsIt() {
    WikOpenDialog dialog(nullptr, QStringLiteral("*.DBF"));
    dialog.SetExclusive(true);
    bool tickedWhenShown = false;
    QTimer::singleShot(0, &dialog, [&] {
      tickedWhenShown = dialog.ExclusiveBox() && dialog.ExclusiveBox()->isChecked() &&
                        dialog.ExclusiveBox()->isVisible();
      dialog.ExclusiveBox()->setChecked(false);  // changed, then cancelled
      dialog.reject();
    });
    QVERIFY(dialog.Show().isEmpty());
    QVERIFY(tickedWhenShown);
    QCOMPARE(dialog.ExclusiveBox()->text(), QStringLiteral("Exclusive"));
    QVERIFY(dialog.Exclusive());
  }

  void confirmedChoiceReadsTheBoxBack() {
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("KUNDEN.DBF"));
    QFile(file).open(QIODevice::WriteOnly);
    WikOpenDialog dialog(nullptr, QStringLiteral("*.DBF"));
    dialog.setDirectory(folder.path());
    dialog.SetExclusive(true);
    QTimer::singleShot(0, &dialog, [&] {
      dialog.ExclusiveBox()->setChecked(false);
      dialog.selectFile(file);
      static_cast<QDialog&>(dialog).accept();
    });
    QCOMPARE(dialog.Show(), file);
    QVERIFY(!dialog.Exclusive());

    WikOpenDialog again(nullptr, QStringLiteral("*.DBF"));
    again.setDirectory(folder.path());
    QTimer::singleShot(0, &again, [&] {
      QVERIFY(!again.ExclusiveBox()->isChecked());
      again.ExclusiveBox()->setChecked(true);
      again.selectFile(file);
      static_cast<QDialog&>(again).accept();
    });
    QCOMPARE(again.Show(), file);
    QVERIFY(again.Exclusive());
  }

  void boxSitsUnderTheDialogsOwnControls() {
    WikOpenDialog dialog(nullptr, QStringLiteral("*.DBF"));
    bool checked = false;
    QTimer::singleShot(0, &dialog, [&] {
      struct Close {
        WikOpenDialog& d;
        ~Close() { d.reject(); }
      } close{dialog};
      QCheckBox* box = dialog.ExclusiveBox();
      QVERIFY(box && box->isVisible());
      QVERIFY(dialog.ExtraHeight() > 0);
      const auto* buttons = dialog.findChild<QDialogButtonBox*>();
      const auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      QVERIFY(buttons && name);
      QVERIFY(box->geometry().top() >= name->geometry().bottom());
      QVERIFY(box->geometry().top() >= buttons->geometry().bottom());
      checked = true;
    });
    dialog.Show();
    QVERIFY(checked);
  }
};

QTEST_MAIN(WikOpenDialogTest)
#include "WikOpenDialog_test.moc"
