#include <QAbstractButton>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>
#include <stdexcept>

#include "core/errors/DefError.h"
#include "ui/ModalAnswerer.h"
#include "ui/errors/ErrorApplication.h"
#include "ui/errors/ErrorBox.h"
#include "ui/errors/ErrorSystem.h"

using fw::test::ModalAnswerer;

namespace {

// Throws from its event handler, as a faulty window would.
class Thrower : public QObject {
public:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw std::runtime_error("Ereignis kaputt");
    return QObject::event(e);
  }
};

struct SeenBox {
  QString Title;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
  QStringList Buttons;
};

// Records the box and presses the button with `press` (Escape when empty).
std::function<void(QWidget*)> Answer(SeenBox& seen, const QString& press) {
  return [&seen, press](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (!box) return;
    seen.Title = box->windowTitle();
    seen.Icon = box->icon();
    for (QAbstractButton* b : box->buttons()) seen.Buttons << b->text();
    if (press.isEmpty())
      QTest::keyClick(box, Qt::Key_Escape);
    else
      ModalAnswerer::PressButton(box, press);
  };
}

}  // namespace

class ErrorBoxTest : public QObject {
  Q_OBJECT

private slots:
  void boxOffersTheChoicesInGermanAndReturnsTheChosenValue() {
    fw::QtErrorUi ui;
    fw::ErrorBoxRequest request;
    request.Text = "Error Code:  24 [ WRITE ERROR ]\r\nDescription: Platte voll\r\n";
    request.Caption = "ERROR";
    request.DefaultChoice = fw::kChoiceDefault;
    request.RetryChoice = fw::kChoiceRetry;
    request.QuitChoice = fw::kChoiceQuitFlag;
    SeenBox seen;
    ModalAnswerer answerer(Answer(seen, QStringLiteral("Wiederholen")));
    QCOMPARE(ui.ErrorBox(request), uint32_t(fw::kChoiceRetry));
    QCOMPARE(seen.Title, QStringLiteral("ERROR"));
    QCOMPARE(seen.Icon, QMessageBox::Critical);
    QCOMPARE(seen.Buttons, (QStringList{QStringLiteral("Fortfahren"), QStringLiteral("Wiederholen"),
                                        QStringLiteral("Programm beenden")}));
    QCOMPARE(answerer.Texts.value(0),
             QStringLiteral("Error Code:  24 [ WRITE ERROR ]\nDescription: Platte voll"));
  }

  void escapeTakesTheSafestOfferedChoice() {
    fw::QtErrorUi ui;
    fw::ErrorBoxRequest request;
    request.Text = "WARNING :  x\r\n";
    request.Caption = "WARNING";
    request.Warning = true;
    request.DefaultChoice = fw::kChoiceDefault;
    request.QuitChoice = fw::kChoiceQuitFlag | 3u;
    SeenBox seen;
    {
      ModalAnswerer answerer(Answer(seen, QString()));
      QCOMPARE(ui.ErrorBox(request), uint32_t(fw::kChoiceDefault));
    }
    QCOMPARE(seen.Icon, QMessageBox::Warning);
    QCOMPARE(seen.Buttons.size(), 2);

    request.DefaultChoice = 0;  // only quit is offered
    SeenBox onlyQuit;
    ModalAnswerer answerer(Answer(onlyQuit, QString()));
    QCOMPARE(ui.ErrorBox(request), fw::kChoiceQuitFlag | 3u);
    QCOMPARE(onlyQuit.Buttons, QStringList{QStringLiteral("Programm beenden")});
  }

  void exceptionFromAnEventHandlerReachesTheErrorBoxAndTheLog() {
    QTemporaryDir dir;
    fw::QtErrorUi ui;
    fw::ErrorSysSettings settings;
    settings.LogFolder = dir.path().toStdString() + "/";
    settings.Ui = &ui;
    settings.Beep = false;
    fw::ScopedErrorBlock block([&settings](fw::Error& e) { return fw::DefError(e, settings).Action; });

    Thrower thrower;
    thrower.setObjectName(QStringLiteral("fehlerhaft"));
    SeenBox seen;
    ModalAnswerer answerer(Answer(seen, QStringLiteral("Fortfahren")));
    QEvent event(QEvent::User);
    QVERIFY(!QCoreApplication::sendEvent(&thrower, &event));
    QCOMPARE(answerer.Count(), 1);
    QVERIFY(answerer.Texts.value(0).startsWith(QStringLiteral("Error Code:  Ereignis kaputt\n")));
    QVERIFY(answerer.Texts.value(0).contains(QStringLiteral("Operation: Ereignis 1000 an QObject fehlerhaft\n")));
    QCOMPARE(seen.Buttons, (QStringList{QStringLiteral("Fortfahren"), QStringLiteral("Programm beenden")}));

    // Posted through the event loop, the program goes on after the box as well.
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QTRY_COMPARE(answerer.Count(), 2);
    QFile log(dir.filePath(QStringLiteral("VOERROR.LOG")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll().count("***********************ERROR****"), 2);
  }

  void installedSystemHandsTableErrorsToTheBox() {
    QTemporaryDir dir;
    fw::ErrorBlock previous = fw::SetErrorBlock({});
    fw::InstallErrorSystem(*qApp);
    fw::ErrorSys().LogFolder = dir.path().toStdString() + "/";
    fw::ErrorSys().Beep = false;
    fw::Error error;
    error.SubSystem = "DBFNTX";
    error.GenCode = fw::gen::kWrite;
    error.CanDefault = true;
    error.CanRetry = true;
    SeenBox seen;
    ModalAnswerer answerer(Answer(seen, QStringLiteral("Fortfahren")));
    QCOMPARE(error.Throw(), fw::ErrorAction::Default);
    QCOMPARE(seen.Buttons.size(), 3);
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("VOERROR.LOG"))));
    fw::SetErrorBlock(std::move(previous));
    fw::ErrorSys().Ui = nullptr;
  }
};

int main(int argc, char** argv) {
  fw::ErrorApplication application(argc, argv);
  ErrorBoxTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "error_box_test.moc"
