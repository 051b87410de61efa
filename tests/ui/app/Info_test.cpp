#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrlQuery>
#include <QtTest>

#include "core/app/ProgramVersion.h"
#include "ui/app/Globals.h"
#include "ui/app/AppShell.h"
#include "ui/app/Info.h"
#include "ui/platform/DialogUnits.h"

using namespace fw;

// Stands in for the desktop's mail program.
class MailCatcher : public QObject {
  Q_OBJECT
public:
  QList<QUrl> Opened;
public slots:
  void Open(const QUrl& url) { Opened << url; }
};

class InfoTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  MailCatcher mail_;

  void UseIni(const QByteArray& bytes) {
    const QString path = dir_.filePath(QStringLiteral("FUELLWERK.INI"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    goIni = IniFile(path.toStdString());
  }

private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &mail_, "Open");
  }
  void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("mailto")); }
  void init() {
    UseIni("[AppDaten]\r\nName=F\xFCllwerk\r\nVersion=2.1\r\n");
    gcAppName = "F\xFCllwerk";  // Windows-1252, as read from the settings file
    gcAppVersion = "2.1";
    mail_.Opened.clear();
  }

  void theDeliveredVersionIsTheOneVersionText() {
    // The dialog shows the delivered settings' version with its build number; --version
    // shows the build's: both must say the same.
    gcAppVersion = IniFile(FW_SOURCE_DIR "/data/FUELLWERK.INI").GetString("AppDaten", "Version");
    Info dialog(nullptr, MemoryFigures{});
    QCOMPARE(dialog.txtVersion->text(),
             QStringLiteral("Version  ") + QString::fromStdString(std::string(ProgramVersion())));
  }

  void showsNameVersionAndCaption() {
    Info dialog(nullptr, MemoryFigures{1200, 2400});
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Informationen über das Programm Füllwerk"));
    QCOMPARE(dialog.txtProgramm->text(), QStringLiteral("Füllwerk"));
    QCOMPARE(dialog.txtVersion->text(), QStringLiteral("Version  2.1.563"));
    QCOMPARE(dialog.FreeMemory->text(), QStringLiteral("1.200 KB frei"));
    QCOMPARE(dialog.FreeResources->text(), QStringLiteral(" 50 % frei"));
    QVERIFY(!dialog.ico1->pixmap().isNull());
    QCOMPARE(dialog.size(), DialogSize(265, 144));

    gcAppVersion.clear();
    Info withoutVersion(nullptr, MemoryFigures{});
    QCOMPARE(withoutVersion.txtVersion->text(), QStringLiteral("Version  .563"));
    QCOMPARE(withoutVersion.FreeResources->text(), QStringLiteral("  0 % frei"));
  }

  void theFreeMemoryOfALargeMachineShowsWhole() {
    // A terabyte free: the real figure, and room for it inside the frame, in the program's font.
    const QFont before = QApplication::font();
    QFont font = before;
    font.setFamily(QStringLiteral("Liberation Sans"));
    QApplication::setFont(font);
    auto restore = qScopeGuard([&] { QApplication::setFont(before); });
    Info dialog(nullptr, MemoryFigures{1234567890, 2000000000});
    QCOMPARE(dialog.FreeMemory->text(), QStringLiteral("1.234.567.890 KB frei"));
    QVERIFY2(dialog.FreeMemory->sizeHint().width() <= dialog.FreeMemory->width(),
             qPrintable(QString::number(dialog.FreeMemory->sizeHint().width())));
    QVERIFY(dialog.FreeMemory->geometry().right() < dialog.theGroupBox1->geometry().right());
  }

  void namesFromTheSettingsFileAreNotMarkup() {
    gcAppName = "<b>Fett</b>";
    Info dialog(nullptr, MemoryFigures{});
    dialog.show();
    QCOMPARE(dialog.txtProgramm->text(), QStringLiteral("<b>Fett</b>"));
    QCOMPARE(dialog.txtProgramm->textFormat(), Qt::PlainText);
  }

  void theMailLinkOpensAMessageWithTheSubject() {
    UseIni("[AppDaten]\r\nSupportMail=hilfe@fuellwerk.example\r\n");
    Info dialog(nullptr, MemoryFigures{});
    QVERIFY(!dialog.txtEMail1->isHidden());
    QVERIFY(dialog.pbEMail->isHidden());
    QVERIFY(dialog.txtEMail1->text().contains(QStringLiteral(">hilfe@fuellwerk.example</a>")));
    emit dialog.txtEMail1->linkActivated(QString());
    QCOMPARE(mail_.Opened.size(), 1);
    const QUrl url = mail_.Opened.first();
    QCOMPARE(url.scheme(), QStringLiteral("mailto"));
    QCOMPARE(url.path(), QStringLiteral("hilfe@fuellwerk.example"));
    QCOMPARE(QUrlQuery(url).queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
             QStringLiteral("Ihr Problem:"));
    QCOMPARE(url.toEncoded(), QByteArray("mailto:hilfe@fuellwerk.example?subject=Ihr%20Problem:"));
  }

  void noLinkWithoutAPlainAddress() {
    for (const QByteArray& value : {QByteArray(""), QByteArray("keine Adresse"),
                                    QByteArray("a@b?attach=/etc/passwd"),
                                    QByteArray("a@b&body=x"), QByteArray("<a@b>"),
                                    QByteArray("a@b@c"), QByteArray("file:///etc@x")}) {
      UseIni("[AppDaten]\r\nSupportMail=" + value + "\r\n");
      Info dialog(nullptr, MemoryFigures{});
      QVERIFY2(dialog.txtEMail1->isHidden(), value.constData());
      dialog.PBEMail();
      QVERIFY2(mail_.Opened.isEmpty(), value.constData());
    }
    UseIni("[AppDaten]\r\n");
    QCOMPARE(SupportMailAddress(), QString());
  }

  void centredInItsOwner() {
    QWidget owner;
    owner.setGeometry(100, 80, 900, 700);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    Info dialog(&owner, MemoryFigures{});
    const QPoint origin = owner.mapToGlobal(QPoint(0, 0));
    QCOMPARE(dialog.x() - origin.x(), (900 - dialog.frameGeometry().width()) / 2);
    QCOMPARE(dialog.y() - origin.y(), (700 - dialog.frameGeometry().height()) / 2);
  }

  void everyControlAndTextFitsTheDialog() {
    UseIni("[AppDaten]\r\nSupportMail=hilfe@fuellwerk.example\r\n");
    Info dialog(nullptr, MemoryFigures{999999, 1000000});
    for (QWidget* control : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (control->isHidden()) continue;
      QVERIFY2(dialog.rect().contains(control->geometry()), qPrintable(control->objectName()));
      QVERIFY2(control->sizeHint().width() <= control->width(), qPrintable(control->objectName()));
    }
  }

  void schliessenAndTheMenuItem() {
    AppShell shell;
    shell.show();
    QString title;
    bool closed = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<Info*>(QApplication::activeModalWidget());
      QVERIFY(dialog);
      title = dialog->windowTitle();
      QTest::mouseClick(dialog->pbSchliessen, Qt::LeftButton);
      closed = !dialog->isVisible() && dialog->result() == QDialog::Accepted;
    });
    shell.MenuItem(menu::kInfo)->trigger();
    QCOMPARE(title, QStringLiteral("Informationen über das Programm Füllwerk"));
    QVERIFY(closed);
  }
};

QTEST_MAIN(InfoTest)
#include "Info_test.moc"
