#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QtTest>

#include "ui/app/AppShell.h"

class AppShellMenuTest : public QObject {
  Q_OBJECT
private slots:
  void menuBarHasTheCommandsInOrderWithTheirIds() {
    fw::AppShell shell;
    const QList<QAction*> bar = shell.menuBar()->actions();
    QCOMPARE(bar.size(), 2);
    // The captions with their shortcut letters (Alt+D, Alt+H, then the underlined letter).
    QCOMPARE(bar[0]->text(), QStringLiteral("&Datei"));
    QCOMPARE(bar[1]->text(), QStringLiteral("&Hilfe"));
    QCOMPARE(shell.MenuItem(fw::menu::kDatei), bar[0]);
    QCOMPARE(shell.MenuItem(fw::menu::kHilfe), bar[1]);

    QStringList datei;
    for (QAction* a : bar[0]->menu()->actions()) datei << (a->isSeparator() ? "-" : a->text());
    QCOMPARE(datei, (QStringList{QStringLiteral("Datenbanken mit Daten &füllen"),
                                 QStringLiteral("&Projekt füllen…"), QStringLiteral("&Settings"), QStringLiteral("-"),
                                 QStringLiteral("B&eenden\tALT+F4")}));
    QStringList hilfe;
    for (QAction* a : bar[1]->menu()->actions()) hilfe << a->text();
    QCOMPARE(hilfe, (QStringList{QStringLiteral("&Hilfe zum Programm"), QStringLiteral("&Info")}));

    const std::pair<int, const char*> commands[] = {
        {21807, "Erstellen"}, {21808, "Settings"}, {21810, "Ende"}, {21812, "HelpIndex"},
        {21813, "Info"}, {21814, "Projekt"}};
    for (const auto& [id, name] : commands) {
      QAction* item = shell.MenuItem(id);
      QVERIFY(item);
      QCOMPARE(item->objectName(), QString::fromLatin1(name));
      QCOMPARE(item->data().toInt(), id);
    }
    QVERIFY(!shell.MenuItem(21809));
    QCOMPARE(shell.windowTitle(), QStringLiteral("Demo Window Caption"));
    QCOMPARE(shell.size(), QSize(400, 300));
  }

  void altF4EndsTheEventLoopLikeBeenden() {
    fw::AppShell shell;
    shell.show();
    QVERIFY(QTest::qWaitForWindowExposed(&shell));
    bool ended = false;
    QTimer::singleShot(0, &shell, [&] {
      shell.activateWindow();
      QTest::keyClick(&shell, Qt::Key_F4, Qt::AltModifier);
    });
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, qApp, &QApplication::quit);
    guard.start(5000);
    QApplication::exec();
    ended = guard.isActive();
    QVERIFY2(ended, "Alt+F4 did not end the event loop");
    QVERIFY(!shell.isVisible());
  }

  void beendenEndsTheEventLoop() {
    fw::AppShell shell;
    shell.show();
    QTimer::singleShot(0, &shell, [&] { shell.MenuItem(fw::menu::kEnde)->trigger(); });
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, qApp, &QApplication::quit);
    guard.start(5000);
    QApplication::exec();
    QVERIFY(guard.isActive());
    QVERIFY(!shell.isVisible());
  }
};

QTEST_MAIN(AppShellMenuTest)
#include "AppShellMenu_test.moc"
