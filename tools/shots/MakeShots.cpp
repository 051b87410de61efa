// fuellwerk-shots: draws the pictures of the documentation (docs/shots/*.png).
//
//   fuellwerk-shots BIN_DIR OUT_DIR
//
// BIN_DIR is the folder the build staged the program into (build/bin): its settings file,
// word sources, definition tables and the sample table are copied to a scratch folder, so the
// delivered files stay untouched. Every picture is rendered by the widgets themselves, so the
// program runs on Xvfb as well as on Qt's offscreen platform; tools/make-shots.sh runs it.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMdiSubWindow>
#include <QCheckBox>
#include <QPushButton>
#include <QPainter>
#include <QProgressBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <vector>

#include "ui/app/Globals.h"
#include "core/generate/Random.h"
#include "core/platform/DBServer.h"
#include "core/platform/Date.h"
#include "ui/app/AppShell.h"
#include "ui/app/DlgSettings.h"
#include "ui/app/GridBrushes.h"
#include "ui/app/Info.h"
#include "ui/project/DlgProjekt.h"
#include "ui/fields/DlgIndexdateien.h"
#include "ui/fields/DtaErstellen.h"
#include "ui/fields/MyBBrowser.h"
#include "ui/gauge/GaugeControl.h"
#include "ui/platform/bBrowserModel.h"

using namespace fw;

namespace {

QString outDir;
int failures = 0;

void Settle() {
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
}

void Save(const QPixmap& picture, const QString& name) {
  const QString path = outDir + QLatin1Char('/') + name;
  if (picture.isNull() || !picture.save(path)) {
    std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    ++failures;
    return;
  }
  std::printf("%s\n", qPrintable(path));
}

bool CopyFolder(const QString& from, const QString& to) {
  QDir().mkpath(to);
  const QDir source(from);
  if (!source.exists()) return false;
  for (const QString& name : source.entryList(QDir::Files)) {
    QFile::remove(to + QLatin1Char('/') + name);
    if (!QFile::copy(source.filePath(name), to + QLatin1Char('/') + name)) return false;
  }
  return true;
}

// The shell with its "Datei" menu open. A popup menu is a window of its own: it is painted
// onto the picture of the shell where it stands on the screen.
void ShellShot() {
  AppShell shell;
  shell.setWindowTitle(QStringLiteral("Fuellwerk    1.0"));
  shell.resize(420, 320);
  shell.show();
  Settle();
  QMenu* datei = shell.menuBar()->actions().isEmpty() ? nullptr
                                                      : shell.menuBar()->actions().first()->menu();
  QPixmap picture = shell.grab();
  if (datei) {
    shell.menuBar()->setActiveAction(shell.menuBar()->actions().first());
    Settle();
    picture = shell.grab();
    QPainter painter(&picture);
    painter.drawPixmap(shell.mapFromGlobal(datei->pos()), datei->grab());
    datei->close();
  }
  Save(picture, QStringLiteral("shell.png"));
}

void DialogShots() {
  {
    DlgSettings dialog(nullptr);
    dialog.show();
    Settle();
    Save(dialog.grab(), QStringLiteral("settings.png"));
  }
  {
    Info dialog(nullptr, MemoryFigures{812345, 1015431});
    dialog.show();
    Settle();
    Save(dialog.grab(), QStringLiteral("info.png"));
  }
}

// Gauges at several positions and in the three colour schemes, driven as a fill run drives
// them: total, clear, one step per record.
void GaugeShot() {
  QWidget window;
  window.setWindowTitle(QStringLiteral("Fortschrittsanzeigen"));
  auto* grid = new QGridLayout(&window);
  struct Row {
    int percent;
    int color;
  };
  const std::vector<Row> rows = {{0, 1},  {5, 1},  {33, 1},  {67, 1}, {85, 1},
                                 {95, 1}, {100, 1}, {50, 2}, {50, 3}};
  int line = 0;
  for (const Row& row : rows) {
    const QString scheme = row.color == 2   ? QStringLiteral(", rot")
                           : row.color == 3 ? QStringLiteral(", grün")
                                            : QString();
    grid->addWidget(new QLabel(QStringLiteral("%1 von 300%2").arg(row.percent * 3).arg(scheme)),
                    line, 0);
    auto* gauge = new GaugeControl(&window);
    gauge->setFixedSize(250, 25);
    grid->addWidget(gauge, line, 1);
    gauge->SetColor(row.color);
    gauge->SetBarTotal(300);
    gauge->Clear();
    for (int r = 0; r < row.percent * 3; ++r) gauge->Update(1);
    ++line;
  }
  auto* vertical = new GaugeControl(&window);
  vertical->SetVertical(true);
  vertical->setFixedSize(40, 250);
  grid->addWidget(new QLabel(QStringLiteral("senkrecht, 60 %")), 0, 2);
  grid->addWidget(vertical, 1, 2, line - 1, 1, Qt::AlignHCenter);
  vertical->SetBarTotal(5);
  vertical->Clear();
  for (int r = 0; r < 3; ++r) vertical->Update(1);
  window.show();
  Settle();
  Save(window.grab(), QStringLiteral("gauges.png"));
}

// Answers the message boxes that come up while it lives: the next one is photographed over
// `shell` as `picture` when that is set (the box painted where it stands), then answered with
// `key` (Escape: "Nein"), or with "Nein" when no key is queued.
class BoxAnswer {
public:
  explicit BoxAnswer(QWidget* shell) : shell_(shell) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(20);
  }
  QString Picture;
  int Key = 0;
  QString Text;  // the text of the last box answered

private:
  void Poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible() || box->property("answered").toBool()) return;
    box->setProperty("answered", true);
    Text = box->text();
    if (!Picture.isEmpty()) {
      Settle();
      QPixmap picture = shell_->grab();
      QPainter painter(&picture);
      painter.drawPixmap(shell_->mapFromGlobal(box->mapToGlobal(QPoint(0, 0))), box->grab());
      painter.end();
      Save(picture, Picture);
      Picture.clear();
    }
    if (Key != 0) {
      QKeyEvent press(QEvent::KeyPress, Key, Qt::NoModifier);
      QApplication::sendEvent(box, &press);
      Key = 0;
    } else if (QAbstractButton* no = box->button(QMessageBox::No)) {
      no->click();
    } else {
      box->accept();
    }
  }
  QWidget* shell_;
  QTimer timer_;
};

// Opens the generation window in `shell` on `table` and presses "Vorschlag"; nullptr (a
// failure counted) when the window does not open.
DtaErstellen* SuggestedWindow(AppShell& shell, const QString& table) {
  shell.setWindowTitle(QStringLiteral("Fuellwerk    1.0"));
  shell.resize(900, 650);
  shell.show();
  shell.Erstellen();
  auto* window = shell.ClientArea()->findChild<DtaErstellen*>();
  if (!window) {
    std::fprintf(stderr, "the generation window did not open\n");
    ++failures;
    return nullptr;
  }
  window->FileChooser = [table](DtaErstellen&) { return table; };
  {
    BoxAnswer no(&shell);  // the rules file beside the table is not taken
    window->PBAuswahl();
  }
  window->PBVorschlag();
  Settle();
  return window;
}

// The generation window after "Vorschlag" on the sample table, with the context menu of the
// customer number's row open (the menu is painted where it stands, as in the shell's picture).
void SuggestedShot(const QString& table) {
  AppShell shell;
  DtaErstellen* window = SuggestedWindow(shell, table);
  if (!window) return;
  QTableView* view = window->bbrNumeric->View();
  const QPoint row = view->visualRect(window->bbrNumeric->Model()->index(1, 0)).center();
  bool taken = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, window, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (taken || !menu) return;
    taken = true;
    Settle();
    QPixmap picture = shell.grab();
    QPainter painter(&picture);
    painter.drawPixmap(shell.mapFromGlobal(menu->pos()), menu->grab());
    painter.end();
    Save(picture, QStringLiteral("window-suggested.png"));
    menu->close();
  });
  poll.start(20);
  window->FieldMenu(FieldKind::Numeric, row);
  if (!taken) {
    std::fprintf(stderr, "the context menu of a row did not open\n");
    ++failures;
  }

  // The preview of the suggested rules: names, streets with numbers, postcodes with their towns.
  bool shown = false;
  QTimer preview;
  QObject::connect(&preview, &QTimer::timeout, window, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (shown || !dialog || dialog->objectName() != QLatin1String("DlgVorschau")) return;
    shown = true;
    Settle();
    Save(dialog->grab(), QStringLiteral("preview-suggested.png"));
    dialog->accept();
  });
  preview.start(20);
  window->PBVorschau();
  if (!shown) {
    std::fprintf(stderr, "the preview of the suggested rules did not open\n");
    ++failures;
  }
}

// The generation window after the analysis of the sample table with edited rules, during a
// run when the memo pass is under way, during the write of a longer run and after it, and the
// preview of the same rules.
void WindowShots(const QString& table) {
  AppShell shell;
  shell.setWindowTitle(QStringLiteral("Fuellwerk    1.0"));
  shell.resize(900, 650);
  shell.show();
  shell.Erstellen();
  auto* window = shell.ClientArea()->findChild<DtaErstellen*>();
  if (!window) {
    std::fprintf(stderr, "the generation window did not open\n");
    ++failures;
    return;
  }
  window->FileChooser = [table](DtaErstellen&) { return table; };
  {
    BoxAnswer no(&shell);  // the rules file beside the table is not taken
    window->PBAuswahl();
  }
  auto set = [](MyBBrowser* grid, int row, int column, const QString& value) {
    grid->Model()->setData(grid->Model()->index(row - 1, column - 1), value);
  };
  const QStringList sources{"Namen", "Vornamen", "Strassen", "PLZ", "Orte"};
  for (int row = 1; row <= sources.size(); ++row)
    set(window->bbrCharacter, row, 5, sources[row - 1]);
  set(window->bbrNumeric, 1, 4, "10");
  set(window->bbrNumeric, 1, 5, "5000");
  set(window->bbrNumeric, 2, 4, "1");
  set(window->bbrNumeric, 2, 5, "99999");
  set(window->bbrLogic, 1, 2, "70");
  set(window->bbrDate, 1, 2, "01.01.1950");
  set(window->bbrDate, 1, 3, "31.12.2005");
  set(window->bbrMemo, 1, 2, "5");
  set(window->bbrMemo, 1, 3, "20");
  set(window->bbrMemo, 1, 4, "Worte");
  Settle();
  Save(shell.grab(), QStringLiteral("window-analysed.png"));

  window->sleSatzzahl->setText(QStringLiteral("40000"));
  // The memo pass lets events run once per record: the picture is taken in the middle of it.
  QTimer poll;
  bool taken = false;
  QObject::connect(&poll, &QTimer::timeout, window, [&] {
    if (taken || !window->txtMemo->text().startsWith(QStringLiteral("Feld"))) return;
    taken = true;
    QTimer::singleShot(300, window,
                       [&] { Save(shell.grab(), QStringLiteral("window-running.png")); });
  });
  poll.start(10);
  window->PBFillDB();
  if (!taken) {
    std::fprintf(stderr, "the run ended before the memo pass could be photographed\n");
    ++failures;
  }

  // A longer run, photographed while its records are written, and its summary at the end.
  window->sleSatzzahl->setText(QStringLiteral("400000"));
  bool writing = false;
  QTimer write;
  QObject::connect(&write, &QTimer::timeout, window, [&] {
    if (writing || !window->prgSchreiben->isVisible() || window->prgSchreiben->value() < 300)
      return;
    writing = true;
    Save(shell.grab(), QStringLiteral("window-writing.png"));
  });
  write.start(5);
  window->PBFillDB();
  write.stop();
  if (!writing) {
    std::fprintf(stderr, "the write ended before it could be photographed\n");
    ++failures;
  }
  Settle();
  Save(shell.grab(), QStringLiteral("window-done.png"));

  // The preview of the same rules, read while it is shown.
  QTimer preview;
  QObject::connect(&preview, &QTimer::timeout, window, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || dialog->objectName() != QLatin1String("DlgVorschau")) return;
    preview.stop();
    Settle();
    Save(dialog->grab(), QStringLiteral("preview.png"));
    dialog->accept();
  });
  preview.start(20);
  window->PBVorschau();
}

// The window on the sample with the rules file beside it taken: a run stopped in its memo
// pass, the question before emptying the table, and the window grown with the shell.
void StopAndQuestionShots(const QString& table) {
  AppShell shell;
  shell.setWindowTitle(QStringLiteral("Fuellwerk    1.0"));
  shell.resize(900, 650);
  shell.show();
  shell.Erstellen();
  auto* window = shell.ClientArea()->findChild<DtaErstellen*>();
  if (!window) {
    std::fprintf(stderr, "the generation window did not open\n");
    ++failures;
    return;
  }
  window->FileChooser = [table](DtaErstellen&) { return table; };
  BoxAnswer answer(&shell);
  answer.Key = Qt::Key_Return;  // "Ja": the rules of Kunden.rules.ini
  window->PBAuswahl();
  if (!answer.Text.contains(QStringLiteral("Kunden.rules.ini"))) {
    std::fprintf(stderr, "the rules file beside the table was not offered\n");
    ++failures;
  }

  // "Not- halt" a moment into the memo pass of a run of 100.000 records.
  window->sleSatzzahl->setText(QStringLiteral("100000"));
  QTimer poll;
  bool stopped = false;
  QObject::connect(&poll, &QTimer::timeout, window, [&] {
    if (stopped || !window->txtMemo->text().startsWith(QStringLiteral("Feld"))) return;
    stopped = true;
    QTimer::singleShot(400, window, [&] { window->pbStop->click(); });
  });
  poll.start(10);
  window->PBFillDB();
  poll.stop();
  Settle();
  if (!window->txtSumme->text().startsWith(QStringLiteral("Abgebrochen"))) {
    std::fprintf(stderr, "the run was not stopped: %s\n", qPrintable(window->txtSumme->text()));
    ++failures;
  }
  Save(shell.grab(), QStringLiteral("window-stopped.png"));

  // The question before the table is emptied, answered with Escape: nothing changes.
  window->chkLeeren->setChecked(true);
  window->sleSatzzahl->setText(QStringLiteral("10"));
  answer.Picture = QStringLiteral("question-emptying.png");
  answer.Key = Qt::Key_Escape;
  window->PBFillDB();
  window->chkLeeren->setChecked(false);

  // The shell and the window grown: the grids take the room.
  shell.resize(1240, 960);
  Settle();
  if (auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget())) {
    sub->move(0, 0);
    sub->resize(shell.ClientArea()->viewport()->size());
  }
  Settle();
  Save(shell.grab(), QStringLiteral("window-grown.png"));
}

// An order table after "Vorschlag": the delivery date's row menu with the submenu of the date
// fields it may follow open, DATUM checked.
void LaterDateShot(const std::string& table) {
  if (!DBServer::Create(table,
                        {{"AUFTRAGNR", 'N', 8, 0}, {"KUNDE", 'C', 30, 0}, {"DATUM", 'D', 8, 0},
                         {"LIEFDAT", 'D', 8, 0}, {"ZAHLDAT", 'D', 8, 0}, {"BETRAG", 'N', 10, 2}},
                        "DBFNTX")) {
    std::fprintf(stderr, "the order table could not be made\n");
    ++failures;
    return;
  }
  AppShell shell;
  DtaErstellen* window = SuggestedWindow(shell, QString::fromStdString(table));
  if (!window) return;
  QTableView* view = window->bbrDate->View();
  const QPoint row = view->visualRect(window->bbrDate->Model()->index(1, 0)).center();
  bool taken = false;
  QMenu* first = nullptr;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, window, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (taken || !menu) return;
    if (!first) {  // open the submenu of date fields
      first = menu;
      for (QAction* action : menu->actions())
        if (action->menu()) menu->setActiveAction(action);
      QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
      QApplication::sendEvent(menu, &right);
      return;
    }
    if (menu == first) return;
    taken = true;
    Settle();
    QPixmap picture = shell.grab();
    QPainter painter(&picture);
    painter.drawPixmap(shell.mapFromGlobal(first->pos()), first->grab());
    painter.drawPixmap(shell.mapFromGlobal(menu->pos()), menu->grab());
    painter.end();
    Save(picture, QStringLiteral("window-later-date.png"));
    menu->close();
    first->close();
  });
  poll.start(50);
  window->FieldMenu(FieldKind::Date, row);
  if (!taken) {
    std::fprintf(stderr, "the date submenu did not open\n");
    ++failures;
  }
}

// The window on a supplier table with index files that Harbour wrote, its dialog
// "Indexdateien" open: the table's own file always rebuilt, another one of the folder checked.
void IndexFilesShot(const QString& folder) {
  const QString from = QStringLiteral(FW_SOURCE_DIR "/tests/core/index/data/");
  QDir().mkpath(folder);
  for (const char* name : {"liefer.dbf", "liefer.ntx", "lfirma.ntx", "lplzseit.ntx", "lsaldo.ntx"}) {
    QFile::remove(folder + QLatin1String(name));
    if (!QFile::copy(from + QLatin1String(name), folder + QLatin1String(name))) {
      std::fprintf(stderr, "the index fixtures could not be copied\n");
      ++failures;
      return;
    }
  }
  AppShell shell;
  DtaErstellen* window = SuggestedWindow(shell, folder + QStringLiteral("liefer.dbf"));
  if (!window) return;
  bool taken = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, window, [&] {
    auto* dialog = qobject_cast<DlgIndexdateien*>(QApplication::activeModalWidget());
    if (taken || !dialog) return;
    taken = true;
    dialog->AddFile((folder + QStringLiteral("lfirma.ntx")).toStdString());
    Settle();
    QPixmap picture = shell.grab();
    QPainter painter(&picture);
    painter.drawPixmap(shell.mapFromGlobal(dialog->mapToGlobal(QPoint(0, 0))), dialog->grab());
    painter.end();
    Save(picture, QStringLiteral("window-index-files.png"));
    dialog->accept();
  });
  poll.start(20);
  window->PBIndexdateien();
  if (!taken) {
    std::fprintf(stderr, "the dialog of the index files did not open\n");
    ++failures;
  }
}

// The project dialog after the example project (customers, articles, orders, order lines)
// was filled into empty copies of its tables.
void ProjectShot(const QString& folder) {
  if (!CopyFolder(QStringLiteral(FW_SOURCE_DIR "/data/TestDaten/Bestellungen"), folder)) {
    std::fprintf(stderr, "the example project could not be copied\n");
    ++failures;
    return;
  }
  AppShell shell;
  shell.resize(820, 640);
  shell.show();
  DlgProjekt dialog(&shell, folder + QStringLiteral("bestellungen.ini"));
  if (!dialog.IsUsable()) {
    std::fprintf(stderr, "the example project was refused\n");
    ++failures;
    return;
  }
  dialog.show();
  Settle();
  dialog.PBFuellen();
  Settle();
  QPixmap picture = shell.grab();
  QPainter painter(&picture);
  painter.drawPixmap(shell.mapFromGlobal(dialog.mapToGlobal(QPoint(0, 0))), dialog.grab());
  painter.end();
  Save(picture, QStringLiteral("project-filled.png"));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: fuellwerk-shots BIN_DIR OUT_DIR\n");
    return 2;
  }
  const QString bin = QString::fromLocal8Bit(argv[1]);
  outDir = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(outDir);

  QTemporaryDir scratch;
  const QString folder = scratch.path() + QLatin1Char('/');
  if (!CopyFolder(bin + QStringLiteral("/ProgrammDaten"), folder + QStringLiteral("ProgrammDaten")) ||
      !CopyFolder(bin + QStringLiteral("/TestDaten"), folder + QStringLiteral("TestDaten")) ||
      !QFile::copy(bin + QStringLiteral("/FUELLWERK.INI"), folder + QStringLiteral("FUELLWERK.INI"))) {
    std::fprintf(stderr, "%s is no staged program folder (build first)\n", argv[1]);
    return 1;
  }
  gcProgrammDaten = (folder + QStringLiteral("ProgrammDaten/")).toStdString();
  gcTestDaten = (folder + QStringLiteral("TestDaten/")).toStdString();
  goIni = IniFile((folder + QStringLiteral("FUELLWERK.INI")).toStdString());
  gcAppName = "Fuellwerk";
  gcAppVersion = "1.0";
  gcDefaultDriver = "DBFNTX";
  SetDateFormat(GermanDateFormat());
  // The same pictures every time: the window seeds each run and preview from the settings.
  goIni.WriteString("SETTINGS", "Seed", "42");
  SeedRandom(42);
  // Rules the window remembers go to the scratch folder, not to the user's own.
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder + QStringLiteral("config")));

  CreateGridBrushes();
  ShellShot();
  DialogShots();
  GaugeShot();
  SuggestedShot(folder + QStringLiteral("TestDaten/Kunden.dbf"));
  WindowShots(folder + QStringLiteral("TestDaten/Kunden.dbf"));
  // A copy of the sample of its own, so that the other pictures keep its record count.
  if (CopyFolder(bin + QStringLiteral("/TestDaten"), folder + QStringLiteral("Erster")))
    StopAndQuestionShots(folder + QStringLiteral("Erster/Kunden.dbf"));
  else
    ++failures;
  LaterDateShot((folder + QStringLiteral("TestDaten/AUFTRAG.DBF")).toStdString());
  IndexFilesShot(folder + QStringLiteral("Index/"));
  ProjectShot(folder + QStringLiteral("Projekt/"));
  DestroyGridBrushes();
  return failures == 0 ? 0 : 1;
}
