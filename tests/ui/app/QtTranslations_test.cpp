#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <QtTest>

#include "ui/app/QtTranslations.h"

// Qt's own texts come from Qt's translations: without them the file dialog and the standard
// buttons of an otherwise German program speak English.
class QtTranslationsTest : public QObject {
  Q_OBJECT
private slots:
  void qtsOwnTextsAreGerman() {
    QVERIFY(fw::InstallGermanQtTexts(*qApp));
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Abbrechen"));
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    QCOMPARE(dialog.labelText(QFileDialog::LookIn), QStringLiteral("Suchen in:"));
    QCOMPARE(dialog.labelText(QFileDialog::FileName), QStringLiteral("Datei&name:"));
  }
};

QTEST_MAIN(QtTranslationsTest)
#include "QtTranslations_test.moc"
