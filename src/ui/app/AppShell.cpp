#include "ui/app/AppShell.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QMenu>
#include <QMessageBox>
#include <QMenuBar>
#include <QShortcut>

#include "ui/app/DlgSettings.h"
#include "ui/app/Globals.h"
#include "ui/app/HelpViewer.h"
#include "ui/app/Icons.h"
#include "ui/app/UiUtilities.h"
#include "ui/fields/DtaErstellen.h"
#include "ui/app/Info.h"
#include "ui/project/DlgProjekt.h"

namespace fw {

AppShell::AppShell(QWidget* parent) : QMainWindow(parent), clientArea_(new QMdiArea(this)) {
  setObjectName(QStringLiteral("AppShell"));
  setWindowTitle(QStringLiteral("Demo Window Caption"));  // start-up sets the real caption
  setWindowIcon(ToolIcon());
  setCentralWidget(clientArea_);
  // A shell smaller than its child windows scrolls to them instead of cutting them off.
  clientArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  clientArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

  QMenu* datei = menuBar()->addMenu(QStringLiteral("&Datei"));
  datei->setObjectName(QStringLiteral("_Datei"));
  items_.insert(menu::kDatei, datei->menuAction());
  AddItem(datei, menu::kErstellen, QStringLiteral("Datenbanken mit Daten &füllen"), "Erstellen");
  AddItem(datei, menu::kProjekt, QStringLiteral("&Projekt füllen…"), "Projekt");
  AddItem(datei, menu::kSettings, QStringLiteral("&Settings"), "Settings");
  datei->addSeparator();
  AddItem(datei, menu::kEnde, QStringLiteral("B&eenden\tALT+F4"), "Ende");

  QMenu* hilfe = menuBar()->addMenu(QStringLiteral("&Hilfe"));
  hilfe->setObjectName(QStringLiteral("_Hilfe"));
  items_.insert(menu::kHilfe, hilfe->menuAction());
  AddItem(hilfe, menu::kHelpIndex, QStringLiteral("&Hilfe zum Programm"), "HelpIndex");
  AddItem(hilfe, menu::kInfo, QStringLiteral("&Info"), "Info");

  // The accelerator: Alt+F4 sends the command of "Beenden".
  auto* altF4 = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this);
  altF4->setContext(Qt::ApplicationShortcut);
  connect(altF4, &QShortcut::activated, this, &AppShell::Ende);

  move(146, 88);
  resize(400, 300);
}

QAction* AppShell::AddItem(QMenu* menu, int id, const QString& text, const char* command) {
  QAction* action = menu->addAction(text);
  action->setObjectName(QString::fromLatin1(command));
  action->setData(id);
  items_.insert(id, action);
  const QByteArray slot = QByteArray("1") + command + "()";  // SLOT() spelled out
  connect(action, SIGNAL(triggered()), this, slot.constData());
  return action;
}

void AppShell::Erstellen() {
  QAction* item = MenuItem(menu::kErstellen);
  if (item && !item->isEnabled()) return;
  auto* window = new DtaErstellen(this);
  if (!window->IsUsable()) {  // the user has been told why
    delete window;
    return;
  }
  if (item) item->setEnabled(false);  // the window enables it again when it closes
  QMdiSubWindow* sub = clientArea_->addSubWindow(window);
  sub->setWindowIcon(ToolIcon());
  // The frame never gets smaller than the window's layout: what does not fit scrolls.
  sub->setMinimumSize(sub->minimumSizeHint());
  sub->resize(sub->sizeHint().expandedTo(sub->minimumSizeHint()));
  // The shell is smaller than the generation window: grow it so the whole child shows.
  const QSize missing(std::max(0, sub->width() - clientArea_->width()),
                      std::max(0, sub->height() - clientArea_->height()));
  if (missing.width() > 0 || missing.height() > 0) {
    resize(size() + missing);
    if (const QScreen* screen = this->screen()) {
      // Keep the grown shell on the screen.
      const QRect area = screen->availableGeometry();
      QRect frame = frameGeometry();
      if (frame.right() > area.right()) frame.moveRight(area.right());
      if (frame.bottom() > area.bottom()) frame.moveBottom(area.bottom());
      if (frame.left() < area.left()) frame.moveLeft(area.left());
      if (frame.top() < area.top()) frame.moveTop(area.top());
      move(frame.topLeft());
    }
  }
  sub->show();
  MyCenter(sub, clientArea_);
  if (sub->x() < 0 || sub->y() < 0) sub->move(std::max(0, sub->x()), std::max(0, sub->y()));
}

void AppShell::Projekt() {
  // A project run inside the event loop of a running fill would fill its tables while the
  // other run still writes: it waits until that run has ended.
  for (QMdiSubWindow* sub : clientArea_->subWindowList())
    if (const auto* window = qobject_cast<const DtaErstellen*>(sub->widget()); window && window->lRunning()) {
      QMessageBox::information(this, QStringLiteral("Projekt füllen"),
                               QStringLiteral("Es wird gerade eine Tabelle gefüllt. Ein Projekt "
                                              "kann erst danach gefüllt werden."));
      return;
    }
  const QString file = QFileDialog::getOpenFileName(
      this, QStringLiteral("Projekt füllen"), QString::fromStdString(gcTestDaten),
      QStringLiteral("Projektdateien (*.ini *.prj);;Alle Dateien (*)"), nullptr,
      QFileDialog::DontUseNativeDialog);
  if (file.isEmpty()) return;
  DlgProjekt dialog(this, file);
  if (dialog.IsUsable()) dialog.exec();
}

void AppShell::Settings() {
  DlgSettings dialog(this);
  dialog.Show();
}

void AppShell::Info() {
  fw::Info dialog(this);
  dialog.Show();
}

void AppShell::HelpIndex() { ShowHelp(this, HelpContext()); }

void AppShell::Ende() {
  QApplication::quit();
  close();
}

void AppShell::closeEvent(QCloseEvent* event) {
  // Closing the shell ends the program, like "Beenden".
  clientArea_->closeAllSubWindows();
  if (!clientArea_->subWindowList().isEmpty()) {
    // A window in the middle of a run has stopped it and closes once it has returned; the
    // program ends then, as with "Beenden".
    event->ignore();
    QApplication::quit();
    return;
  }
  event->accept();
  QApplication::quit();
}

}  // namespace fw
