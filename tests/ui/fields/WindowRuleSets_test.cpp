// The generation window's rule sets that are kept (files, remembered per table), its preview,
// and repeatable runs with a seed.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <memory>
#include <optional>

#include "ui/app/Globals.h"
#include "core/fields/DefinitionTables.h"
#include "core/fields/RulesFile.h"
#include "core/generate/Preview.h"
#include "ui/fields/DlgFeldwahl.h"
#include "ui/fields/DlgVorschau.h"
#include "ui/fields/bDlgQuelleEditChoice.h"
#include "ui/fields/bQuelleEdit.h"
#include "ui/fields/DtaErstellen.h"
#include "ui/fields/MyBBrowser.h"
#include "ui/fields/WindowTestSupport.h"
#include "ui/platform/bBrowserModel.h"

using namespace fw;
using fw::test::BoxAnswerer;
using fw::test::ProgramFolder;

namespace {

// NAME C(20), BETRAG N(10,2), DATUM D, AKTIV L, NOTIZ M.
std::vector<FieldInfo> KundenFields() {
  return {{"NAME", 'C', 20, 0},
          {"BETRAG", 'N', 10, 2},
          {"DATUM", 'D', 8, 0},
          {"AKTIV", 'L', 1, 0},
          {"NOTIZ", 'M', 10, 0}};
}

QModelIndex Cell(MyBBrowser* grid, int row, int column) {
  return grid->Model()->index(row - 1, column - 1);
}

QByteArray FileBytes(const std::string& path) {
  QFile file(QString::fromStdString(path));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteText(const QString& path, const QByteArray& text) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text);
}

// Every cell of the five grids, row by row.
QStringList GridTexts(DtaErstellen& window) {
  QStringList texts;
  for (MyBBrowser* grid : {window.bbrCharacter, window.bbrNumeric, window.bbrLogic,
                           window.bbrDate, window.bbrMemo}) {
    const auto* model = grid->Model();
    for (int r = 0; r < model->rowCount(); ++r)
      for (int c = 0; c < model->columnCount(); ++c) {
        const QModelIndex index = model->index(r, c);
        texts << index.data().toString() + QLatin1Char('/') +
                     index.data(Qt::CheckStateRole).toString();
      }
  }
  return texts;
}

// The preview dialog's grid, read while it is shown, then closed.
struct PreviewCapture {
  QStringList Headers;
  QList<QStringList> Rows;
  QString Hint, Messages;
  bool Shown = false;
};

void CaptureNextPreview(PreviewCapture& capture) {
  // The poll holds itself only weakly; each pending timer holds it strongly, so it is freed
  // once the dialog has been read.
  auto poll = std::make_shared<std::function<void()>>();
  std::weak_ptr<std::function<void()>> self = poll;
  *poll = [&capture, self] {
    auto* dialog = qobject_cast<DlgVorschau*>(QApplication::activeModalWidget());
    if (!dialog) {
      if (auto again = self.lock()) QTimer::singleShot(10, [again] { (*again)(); });
      return;
    }
    capture.Shown = true;
    capture.Hint = dialog->txtHinweis->text();
    capture.Messages = dialog->txtMeldungen->text();
    QTableWidget* grid = dialog->bbrVorschau;
    QVERIFY(grid->editTriggers() == QAbstractItemView::NoEditTriggers);
    for (int c = 0; c < grid->columnCount(); ++c)
      capture.Headers << grid->horizontalHeaderItem(c)->text();
    for (int r = 0; r < grid->rowCount(); ++r) {
      QStringList row;
      for (int c = 0; c < grid->columnCount(); ++c)
        row << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
      capture.Rows << row;
    }
    dialog->pbSchliessen->click();
  };
  QTimer::singleShot(10, [poll] { (*poll)(); });
}

// Chooses "Quelle mit Parametern …" in the menu of numeric row `row` and answers its dialog with
// `text`; the lines the dialog showed, nothing when it did not open.
std::optional<QString> AnswerParameters(DtaErstellen& window, int row, const QString& text) {
  std::optional<QString> shown;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      for (QAction* action : menu->actions())
        if (action->objectName() == QStringLiteral("MenuParameter")) {
          menu->setActiveAction(action);
          QTest::keyClick(menu, Qt::Key_Return);
        }
    } else if (auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
      if (shown) return;
      shown = dialog->textValue();
      dialog->setTextValue(text);
      dialog->accept();
    }
  });
  poll.start(10);
  QTableView* view = window.bbrNumeric->View();
  window.FieldMenu(FieldKind::Numeric,
                   view->visualRect(window.bbrNumeric->Model()->index(row, 0)).center());
  poll.stop();
  return shown;
}

}  // namespace

class WindowRuleSetsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<ProgramFolder> folder_;

  // A window that has analysed `path`.
  std::unique_ptr<DtaErstellen> OpenOn(const std::string& path) {
    auto window = std::make_unique<DtaErstellen>();
    const QString file = QString::fromStdString(path);
    window->FileChooser = [file](DtaErstellen&) { return file; };
    window->show();
    window->PBAuswahl();
    return window;
  }

  // Rules for every field of KundenFields().
  static void SetRules(DtaErstellen& window) {
    auto set = [](MyBBrowser* grid, int column, const QString& value) {
      QVERIFY(grid->Model()->setData(Cell(grid, 1, column), value));
    };
    set(window.bbrCharacter, 5, "Namen");
    set(window.bbrNumeric, 4, "1");
    set(window.bbrNumeric, 5, "900");
    set(window.bbrLogic, 2, "40");
    set(window.bbrDate, 2, "01.01.1990");
    set(window.bbrDate, 3, "31.12.2010");
    set(window.bbrMemo, 2, "2");
    set(window.bbrMemo, 3, "6");
    set(window.bbrMemo, 4, "Worte");
  }

private slots:
  void init() {
    fw::test::ArmWatchdog(90);
    folder_ = std::make_unique<ProgramFolder>(QStringLiteral(FW_BIN_DIR));
  }
  void cleanup() {
    folder_.reset();
    fw::test::DisarmWatchdog();
  }

  void savedRulesLoadIntoAFreshWindowAsTheyWere() {
    const std::string path = folder_->MakeTable(QStringLiteral("KUNDEN.DBF"), KundenFields(), 2);
    const QString rules = folder_->Path() + QStringLiteral("kunden.rules.ini");
    BoxAnswerer answers;
    QStringList saved;
    {
      auto window = OpenOn(path);
      SetRules(*window);
      QVERIFY(window->bbrNumeric->Model()->setData(Cell(window->bbrNumeric, 1, 6), Qt::Checked,
                                                   Qt::CheckStateRole));
      window->RulesFileChooser = [&](DtaErstellen&, bool save) {
        return save ? rules : QString();
      };
      QTest::mouseClick(window->pbRegelnSpeichern, Qt::LeftButton);
      saved = GridTexts(*window);
    }
    const QByteArray text = FileBytes(rules.toStdString());
    QVERIFY(text.contains("[NAME]\n"));
    QVERIFY(text.contains("QUELLE=Namen\n"));
    QVERIFY(text.contains("NEGATIV=1\n"));
    QVERIFY(text.contains("STARTDATE=01.01.1990\n"));

    auto fresh = OpenOn(path);
    QVERIFY(GridTexts(*fresh) != saved);
    fresh->RulesFileChooser = [&](DtaErstellen&, bool save) { return save ? QString() : rules; };
    QTest::mouseClick(fresh->pbRegelnLaden, Qt::LeftButton);
    QVERIFY2(answers.Texts.isEmpty(), qPrintable(answers.Texts.join('|')));
    QCOMPARE(GridTexts(*fresh), saved);

    // The same file serves fuellwerk-fill, which takes no file that does not fit exactly.
    std::string error;
    QVERIFY2(ApplyRules(rules.toStdString(), *fresh->dbAuswahl(), fresh->Tables(), error),
             error.c_str());

    // Without a table there is nothing to save or load.
    fresh.reset();  // the definition tables are the window's alone
    DtaErstellen empty;
    bool asked = false;
    empty.RulesFileChooser = [&](DtaErstellen&, bool) { asked = true; return rules; };
    empty.PBRegelnLaden();
    empty.PBRegelnSpeichern();
    QVERIFY(!asked);
    QCOMPARE(answers.Texts,
             QStringList({"Sie haben keine Datenbank ausgewählt", "Sie haben keine Datenbank ausgewählt"}));
  }

  void aRulesFileForAnotherTableLoadsWhatFitsAndNamesTheRest() {
    const std::string path = folder_->MakeTable(QStringLiteral("KUNDEN.DBF"), KundenFields());
    const QString rules = folder_->Path() + QStringLiteral("fremd.ini");
    WriteText(rules,
              "[NAME]\nQUELLE=Namen\nMAXLENGTH=5\n"
              "[GIBTESNICHT]\nQUELLE=Orte\n"
              "[AKTIV]\nMINIMUM=3\n"
              "[BETRAG]\nMINIMUM=1\nMAXIMUM=99999999\n"
              "[DATUM]\nSTARTDATE=gestern\n"
              "[NOTIZ]\nMINWORDS=3\nMAXWORDS=4\n");
    BoxAnswerer answers;
    auto window = OpenOn(path);
    window->RulesFileChooser = [&](DtaErstellen&, bool) { return rules; };
    window->PBRegelnLaden();
    QCOMPARE(answers.Texts.size(), 1);  // one message for everything not taken
    QCOMPARE(answers.Captions.front(), QStringLiteral("Achtung"));
    const QString& text = answers.Texts.front();
    for (const char* field : {"Feld GIBTESNICHT:", "Feld AKTIV:", "Feld BETRAG:", "Feld DATUM:"})
      QVERIFY2(text.contains(QLatin1String(field)), qPrintable(field + QStringLiteral(" in ") + text));
    QVERIFY(!text.contains(QLatin1String("Feld NAME")));
    QVERIFY(!text.contains(QLatin1String("Feld NOTIZ")));

    // What fits is loaded; a field that does not fit keeps its row whole, also the keys of
    // it that would have fitted.
    QCOMPARE(Cell(window->bbrCharacter, 1, 5).data().toString(), QStringLiteral("Namen"));
    QCOMPARE(Cell(window->bbrCharacter, 1, 3).data().toString(), QStringLiteral("5"));
    QCOMPARE(Cell(window->bbrMemo, 1, 2).data().toString(), QStringLiteral("3"));
    QCOMPARE(Cell(window->bbrNumeric, 1, 4).data().toString(), QStringLiteral("0"));
    QCOMPARE(Cell(window->bbrNumeric, 1, 5).data().toString(), QStringLiteral("0"));
    QVERIFY(Cell(window->bbrDate, 1, 2).data().toString().trimmed().isEmpty());

    // A file that cannot be read changes nothing and says so.
    const QStringList before = GridTexts(*window);
    window->RulesFileChooser = [&](DtaErstellen&, bool) {
      return folder_->Path() + QStringLiteral("fehlt.ini");
    };
    window->PBRegelnLaden();
    QCOMPARE(answers.Texts.size(), 2);
    QVERIFY(answers.Texts.back().contains(QLatin1String("gibt es nicht")));
    QCOMPARE(GridTexts(*window), before);
  }

  void thePreviewShowsTheFirstRecordsOfASeededRunAndTouchesNothing() {
    folder_->WriteIni(QStringLiteral("[AppDaten]\r\nName=Fuellwerk\r\n[SETTINGS]\r\n"
                                     "DefaultDriver=DBFNTX\r\nSeed=7\r\n"));
    const std::string path = folder_->MakeTable(QStringLiteral("KUNDEN.DBF"), KundenFields(), 3);
    BoxAnswerer answers;
    auto window = OpenOn(path);
    SetRules(*window);
    QVERIFY(window->bbrCharacter->Model()->setData(Cell(window->bbrCharacter, 1, 5), "Fehlt"));
    const std::string rulesBefore = RulesText(*window->dbAuswahl(), window->Tables());
    window->dbAuswahl()->Commit();
    const QByteArray tableBefore = FileBytes(path);
    const QByteArray memoBefore = FileBytes(path.substr(0, path.size() - 4) + ".DBT");

    PreviewCapture preview;
    CaptureNextPreview(preview);
    QTest::mouseClick(window->pbVorschau, Qt::LeftButton);
    QVERIFY(preview.Shown);
    QCOMPARE(preview.Headers, QStringList({"NAME", "BETRAG", "DATUM", "AKTIV", "NOTIZ"}));
    QCOMPARE(preview.Rows.size(), 20);
    QVERIFY(preview.Hint.contains(QLatin1String("Die ersten 20")));
    // The missing source is named in the preview, not in a box of its own.
    QVERIFY(preview.Messages.contains(QLatin1String("Fehlt.txt")));
    QVERIFY(answers.Texts.isEmpty());

    // Nothing changed: neither the table nor the rules (the missing source stays as typed).
    QCOMPARE(FileBytes(path), tableBefore);
    QCOMPARE(FileBytes(path.substr(0, path.size() - 4) + ".DBT"), memoBefore);
    QCOMPARE(RulesText(*window->dbAuswahl(), window->Tables()), rulesBefore);
    QCOMPARE(window->dbAuswahl()->RecCount(), 3u);

    window->sleSatzzahl->setText(QStringLiteral("50"));
    QTest::mouseClick(window->pbFillDB, Qt::LeftButton);
    QCOMPARE(answers.Texts.size(), 1);  // now the run reports the missing source
    DBServer& table = *window->dbAuswahl();
    QCOMPARE(table.RecCount(), 53u);
    const auto& fields = table.DBStruct();
    for (int r = 0; r < 20; ++r) {
      table.GoTo(uint32_t(4 + r));
      QStringList written;
      for (size_t f = 0; f < fields.size(); ++f)
        written << QString::fromStdString(
            PreviewText(table.FieldGet(int(f + 1)), fields[f], CurrentDateFormat()));
      QCOMPARE(written, preview.Rows[r]);
    }
    QVERIFY(!preview.Rows[0][1].isEmpty() && !preview.Rows[0][4].isEmpty());
  }

  void thePreviewStoresTextInTheTablesCodePage() {
    folder_->WriteIni(QStringLiteral("[AppDaten]\r\nName=Fuellwerk\r\n[SETTINGS]\r\n"
                                     "DefaultDriver=DBFNTX\r\nSeed=3\r\n"));
    folder_->WriteWords(QStringLiteral("Namen"), "M\xfcller");
    const std::string path =
        folder_->MakeTable(QStringLiteral("RUSS.DBF"), {{"NAME", 'C', 20, 0}});
    {
      QFile file(QString::fromStdString(path));  // code page 866: no umlauts
      QVERIFY(file.open(QIODevice::ReadWrite));
      file.seek(29);
      file.write("\x65", 1);
    }
    BoxAnswerer answers;
    auto window = OpenOn(path);
    QVERIFY(window->bbrCharacter->Model()->setData(Cell(window->bbrCharacter, 1, 5), "Namen"));
    PreviewCapture preview;
    CaptureNextPreview(preview);
    window->PBVorschau();
    QVERIFY(preview.Shown);
    window->sleSatzzahl->setText(QStringLiteral("3"));
    window->PBFillDB();
    DBServer& table = *window->dbAuswahl();
    table.GoTo(1);
    const QString written = QString::fromStdString(PreviewText(table.FieldGet(1), table.DBStruct()[0], CurrentDateFormat()));
    QCOMPARE(written, QStringLiteral("Mueller"));
    QCOMPARE(preview.Rows.front().front(), written);
  }

  void thePreviewOfADbase7TableNamesItsFieldsInFull() {
    folder_->WriteIni(QStringLiteral("[AppDaten]\r\nName=Fuellwerk\r\n[SETTINGS]\r\n"
                                     "DefaultDriver=DBFNTX\r\nSeed=5\r\n"));
    // dBase 7 after its published layout: the driver's name at 32, 48-byte descriptors from 68.
    const struct {
      std::string name;
      char type;
      uint8_t length;
    } fields[] = {{"LIEFERDATUM_GEPLANT", '@', 8}, {"M\xDCNZE", 'C', 10}, {"GEWICHT", 'O', 8}};
    std::string b(68 + 48 * 3, '\0');
    b[0] = 0x04;
    b[1] = char(124);
    b[2] = b[3] = 1;
    b[8] = char(b.size() + 1);  // header length 213, record length 27
    b[10] = 27;
    b.replace(32, 8, "DBWINUS0");
    for (size_t i = 0; i < 3; ++i) {
      b.replace(68 + 48 * i, fields[i].name.size(), fields[i].name);
      b[68 + 48 * i + 32] = fields[i].type;
      b[68 + 48 * i + 33] = char(fields[i].length);
    }
    b += "\x0D\x1A";
    const std::string path = folder_->Data(QStringLiteral("LIEFER7.DBF"));
    {
      QFile file(QString::fromStdString(path));
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(b.data(), qint64(b.size()));
    }
    BoxAnswerer answers;
    auto window = OpenOn(path);
    QVERIFY2(answers.Texts.isEmpty(), qPrintable(answers.Texts.join('|')));
    PreviewCapture preview;
    CaptureNextPreview(preview);
    window->PBVorschau();
    QVERIFY(preview.Shown);
    QCOMPARE(preview.Headers, QStringList({"LIEFERDATUM_GEPLANT", "M\u00DCNZE", "GEWICHT"}));
    QCOMPARE(preview.Rows.size(), 20);
    QVERIFY(!preview.Rows[0][0].isEmpty());  // a date drawn for the time stamp
    QCOMPARE(FileBytes(path), QByteArray(b.data(), qsizetype(b.size())));
  }

  void rememberedRulesComeBackForTheSameTableOnly() {
    const std::string first = folder_->MakeTable(QStringLiteral("KUNDEN.DBF"), KundenFields());
    const std::string other = folder_->MakeTable(QStringLiteral("ANDERE.DBF"), KundenFields());
    BoxAnswerer answers;
    QStringList used;
    {
      auto window = OpenOn(first);
      QVERIFY(answers.Texts.isEmpty());  // nothing remembered yet
      SetRules(*window);
      window->sleSatzzahl->setText(QStringLiteral("5"));
      QTest::mouseClick(window->pbFillDB, Qt::LeftButton);
      QVERIFY2(answers.Texts.isEmpty(), qPrintable(answers.Texts.join('|')));
      // After the run, below the gauges, what it did.
      QVERIFY(window->txtSumme->text().startsWith(QStringLiteral("5 Datensätze in ")));
      QVERIFY(window->txtSumme->text().endsWith(
          QStringLiteral(" geschrieben; die Tabelle enthält jetzt 5 Datensätze.")));
      QVERIFY(window->prgSchreiben->isHidden());
      used = GridTexts(*window);
    }
    // Kept in the user's settings folder, not beside the table.
    const QDir remembered(folder_->Path() + QStringLiteral("config/fuellwerk/regeln"));
    QCOMPARE(remembered.entryList(QDir::Files).size(), 1);
    QCOMPARE(QDir(folder_->Path() + QStringLiteral("TestDaten")).entryList(QDir::Files).size(), 4);

    // Another table with the same fields is not offered them.
    auto another = OpenOn(other);
    QVERIFY(answers.Texts.isEmpty());
    QVERIFY(GridTexts(*another) != used);
    another.reset();

    // The same table is asked; "Nein" keeps what the analysis gives.
    answers.Queue(QMessageBox::No);
    auto declined = OpenOn(first);
    QCOMPARE(answers.Texts.size(), 1);
    QCOMPARE(answers.Captions.front(), QStringLiteral("Regeln"));
    QVERIFY(GridTexts(*declined) != used);
    declined.reset();

    answers.Queue(QMessageBox::Yes);
    auto again = OpenOn(first);
    QCOMPARE(answers.Texts.size(), 2);
    QCOMPARE(GridTexts(*again), used);
  }

  // A share left blank, set in a row's context menu, reaches the run; the suggestion names the
  // fields it made distinct.
  void fieldOptionsSetInTheRowMenuReachTheRun() {
    const std::string path =
        folder_->MakeTable(QStringLiteral("OPT.DBF"),
                           {{"KDNR", 'N', 6, 0}, {"NAME", 'C', 20, 0}, {"PLZ", 'N', 5, 0}});
    // The delivered postcodes, for the postcode field.
    QByteArray postcodes = FileBytes(std::string(FW_BIN_DIR) + "/ProgrammDaten/PLZOrte.txt");
    folder_->WriteWords(QStringLiteral("PLZOrte"), postcodes);
    BoxAnswerer answers;
    auto window = OpenOn(path);
    QTest::mouseClick(window->pbVorschlag, Qt::LeftButton);
    QVERIFY2(window->txtSumme->text().contains(QStringLiteral("Eindeutig: KDNR")),
             qPrintable(window->txtSumme->text()));
    QCOMPARE(window->OptionsText("KDNR"), QStringLiteral("eindeutige Werte"));
    // A numeric postcode takes the place's postcode, and the line under the grids says so.
    QVERIFY2(window->txtSumme->text().contains(QStringLiteral("Postleitzahl des Orts: PLZ")),
             qPrintable(window->txtSumme->text()));
    QCOMPARE(window->OptionsText("PLZ"), QStringLiteral("Postleitzahl des Orts"));
    QVERIFY(window->bbrCharacter->Model()->setData(Cell(window->bbrCharacter, 1, 5), "Namen"));

    bool answered = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        for (QAction* action : menu->actions())
          if (action->text().startsWith(QStringLiteral("Anteil leer in NAME"))) {
            menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
          }
      } else if (auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
        dialog->setDoubleValue(25);
        dialog->accept();
        answered = true;
      }
    });
    poll.start(10);
    QTableView* view = window->bbrCharacter->View();
    window->FieldMenu(FieldKind::Character,
                      view->visualRect(window->bbrCharacter->Model()->index(0, 0)).center());
    poll.stop();
    QVERIFY(answered);
    QCOMPARE(window->OptionsText("NAME"), QStringLiteral("25 % leer"));

    window->sleSatzzahl->setText(QStringLiteral("800"));
    QTest::mouseClick(window->pbFillDB, Qt::LeftButton);
    QVERIFY2(answers.Texts.isEmpty(), qPrintable(answers.Texts.join(QStringLiteral(" | "))));
    window.reset();
    const QByteArray bytes = FileBytes(path);
    const int header = uchar(bytes[8]) | uchar(bytes[9]) << 8;
    const int length = uchar(bytes[10]) | uchar(bytes[11]) << 8;
    int blanks = 0;
    QSet<QByteArray> numbers;
    // Every entry "01067 Dresden" behind a comma.
    postcodes.prepend(',').replace('\r', ",").replace('\n', ",").replace(", ", ",");
    for (int r = 0; r < 800; ++r) {
      const QByteArray record = bytes.mid(header + r * length, length);
      numbers.insert(record.mid(1, 6));
      // A delivered postcode, not any number of the suggested range.
      const QByteArray plz = record.mid(27, 5).trimmed().rightJustified(5, '0');
      QVERIFY2(postcodes.contains("," + plz + " "), record.constData());
      if (record.mid(7, 20).trimmed().isEmpty()) ++blanks;
    }
    QCOMPARE(numbers.size(), 800);
    QVERIFY2(blanks > 140 && blanks < 260, qPrintable(QString::number(blanks)));
  }

  // A source with parameters set in a numeric row's menu (a constant, and a formula over it)
  // reaches the run.
  void aSourceWithParametersSetInTheRowMenuReachesTheRun() {
    const std::string path = folder_->MakeTable(
        QStringLiteral("PARAM.DBF"), {{"MENGE", 'N', 5, 0}, {"DOPPELT", 'N', 6, 0}});
    BoxAnswerer answers;
    auto window = OpenOn(path);
    QVERIFY(AnswerParameters(*window, 0, QStringLiteral("QUELLE=Wert\nWERT=21")));
    QVERIFY(AnswerParameters(*window, 1, QStringLiteral("QUELLE=Formel\nFORMEL=MENGE*2")));
    window->sleSatzzahl->setText(QStringLiteral("20"));
    QTest::mouseClick(window->pbFillDB, Qt::LeftButton);
    QVERIFY2(answers.Texts.isEmpty(), qPrintable(answers.Texts.join(QStringLiteral(" | "))));
    window.reset();
    const QByteArray bytes = FileBytes(path);
    const int header = uchar(bytes[8]) | uchar(bytes[9]) << 8;
    for (int r = 0; r < 20; ++r) {
      const QByteArray record = bytes.mid(header + r * 12, 12);
      QCOMPARE(record.mid(1, 5), QByteArray("   21"));
      QCOMPARE(record.mid(6, 6), QByteArray("    42"));
    }
  }

  // A date row's menu offers the other date fields; the one chosen there is what the
  // delivery date follows in the run.
  void aDateChosenInTheRowMenuIsFollowed() {
    const std::string path = folder_->MakeTable(QStringLiteral("LIEF.DBF"),
                                                {{"DATUM", 'D', 8, 0}, {"ANKUNFT", 'D', 8, 0}});
    BoxAnswerer answers;
    auto window = OpenOn(path);
    QTest::mouseClick(window->pbVorschlag, Qt::LeftButton);
    QCOMPARE(window->OptionsText("ANKUNFT"), QString());  // no name that says it follows
    QTimer poll;
    bool chosen = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu || chosen) return;
      for (QAction* action : menu->actions()) {
        if (action->menu()) {  // the submenu of date fields: open it
          menu->setActiveAction(action);
          QTest::keyClick(menu, Qt::Key_Right);
        } else if (action->text() == QStringLiteral("DATUM")) {
          menu->setActiveAction(action);
          QTest::keyClick(menu, Qt::Key_Return);
          chosen = true;
        }
      }
    });
    poll.start(10);
    QTableView* view = window->bbrDate->View();
    window->FieldMenu(FieldKind::Date,
                      view->visualRect(window->bbrDate->Model()->index(1, 0)).center());
    poll.stop();
    QVERIFY(chosen);
    QCOMPARE(window->OptionsText("ANKUNFT"), QStringLiteral("0 bis 30 Tage nach DATUM"));

    window->sleSatzzahl->setText(QStringLiteral("200"));
    QTest::mouseClick(window->pbFillDB, Qt::LeftButton);
    QVERIFY2(answers.Texts.isEmpty(), qPrintable(answers.Texts.join(QStringLiteral(" | "))));
    window.reset();
    const QByteArray bytes = FileBytes(path);
    const int header = uchar(bytes[8]) | uchar(bytes[9]) << 8;
    for (int r = 0; r < 200; ++r) {
      const QByteArray record = bytes.mid(header + r * 17, 17);
      const QDate datum = QDate::fromString(QString::fromLatin1(record.mid(1, 8)), "yyyyMMdd");
      const QDate ankunft = QDate::fromString(QString::fromLatin1(record.mid(9, 8)), "yyyyMMdd");
      QVERIFY2(datum.isValid() && datum.daysTo(ankunft) >= 0 && datum.daysTo(ankunft) <= 30,
               record.constData());
    }
  }

  // A table and field chosen in the window (the source picker's "Tabelle…", the row menu's
  // looked-up field and JE) are what the preview shows, what the fill writes and what is
  // remembered for the table; a field whose values cannot fit is refused before anything is set.
  void aTableChosenInTheWindowIsFollowedByPreviewFillAndRememberedRules() {
    const std::string parent = folder_->MakeTable(
        QStringLiteral("KUNDEN.DBF"), {{"KDNR", 'N', 6, 0}, {"NAME", 'C', 20, 0}}, 5);
    {
      DBServer table(parent, false, false);
      for (uint32_t r = 1; r <= 5; ++r) {
        QVERIFY(table.GoTo(r));
        QVERIFY(table.FieldPut("KDNR", Value(double(100 + r))));
        QVERIFY(table.FieldPut("NAME", Value("Kunde " + std::to_string(r))));
      }
      QVERIFY(table.Commit());
    }
    const std::string child = folder_->MakeTable(
        QStringLiteral("AUFTRAG.DBF"),
        {{"KDNR", 'N', 6, 0}, {"KNAME", 'C', 10, 0}, {"BETRAG", 'N', 8, 2}});
    BoxAnswerer answers;
    auto window = OpenOn(child);
    window->ParentTableChooser = [&](DtaErstellen&) { return QString::fromStdString(parent); };
    // The field choice as the user makes it: the dialog, a field selected in it, OK.
    QString field;
    bool fieldAsked = false;
    QTimer fieldPoll;
    QObject::connect(&fieldPoll, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<DlgFeldwahl*>(QApplication::activeModalWidget());
      if (!dialog) return;
      fieldAsked = true;
      QVERIFY(dialog->Select(field));
      dialog->pbOK->click();
    });
    fieldPoll.start(10);
    // Chooses the entry `name` (an object name, or the text of a submenu's entry) of a row's menu.
    auto inMenu = [&](MyBBrowser* grid, FieldKind kind, int row, const QString& name,
                      const QString& answer = {}) {
      QTimer poll;
      bool chosen = false;
      QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
          if (chosen) return;
          if (menu->objectName() == name && !menu->actions().isEmpty()) {  // the submenu: its first
            chosen = true;
            menu->setActiveAction(menu->actions().front());
            QTest::keyClick(menu, Qt::Key_Return);
            return;
          }
          for (QAction* action : menu->actions()) {
            if (action->objectName() == name) {
              chosen = true;
              menu->setActiveAction(action);
              QTest::keyClick(menu, Qt::Key_Return);
              return;
            }
            if (action->menu() && action->menu()->objectName() == name) {
              menu->setActiveAction(action);
              QTest::keyClick(menu, Qt::Key_Right);
              return;
            }
          }
        } else if (auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
          dialog->setTextValue(answer);
          dialog->accept();
        }
      });
      poll.start(10);
      QTableView* view = grid->View();
      window->FieldMenu(kind, view->visualRect(grid->Model()->index(row, 0)).center());
      return chosen;
    };

    // A text field for a numeric key: refused, with the run's own reason, and nothing set.
    field = QStringLiteral("NAME");
    QVERIFY(!window->ChooseReference(FieldKind::Numeric, 1));
    QVERIFY(fieldAsked);
    QCOMPARE(answers.Texts.size(), 1);
    QVERIFY2(answers.Texts.front().contains(QStringLiteral("passt nicht zum Feld KDNR")),
             qPrintable(answers.Texts.front()));
    QCOMPARE(window->OptionsText("KDNR"), QString());
    answers.Texts.clear();
    answers.Captions.clear();

    field = QStringLiteral("KDNR");
    QVERIFY(inMenu(window->bbrNumeric, FieldKind::Numeric, 0, QStringLiteral("MenuVerweis")));
    QCOMPARE(window->OptionsText("KDNR"), QStringLiteral("aus KUNDEN.DBF, Feld KDNR"));

    // The source picker of a character field offers "Tabelle…" last.
    QTableView* view = window->bbrCharacter->View();
    const QModelIndex quelle = Cell(window->bbrCharacter, 1, 5);
    view->setCurrentIndex(quelle);
    view->edit(quelle);
    auto* edit = view->findChild<bQuelleEdit*>();
    QVERIFY(edit);
    edit->OpenChoice();
    auto* choice = edit->findChild<bDlgQuelleEditChoice*>();
    QVERIFY(choice);
    bBrowser* list = choice->bbrQuelle();
    const QModelIndex last = list->Model()->index(list->Model()->rowCount() - 1, 0);
    QCOMPARE(last.data().toString(), QStringLiteral("Tabelle…"));
    field = QStringLiteral("NAME");
    fieldAsked = false;
    const QRect row = list->View()->visualRect(last);
    QTest::mouseClick(list->View()->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(list->View()->viewport(), Qt::LeftButton, {}, row.center());
    QTRY_VERIFY(fieldAsked);
    QTRY_COMPARE(quelle.data().toString().trimmed(), QStringLiteral("Tabelle"));
    QCOMPARE(window->OptionsText("KNAME"), QStringLiteral("aus KUNDEN.DBF, Feld NAME"));
    // The customer's name of the very customer KDNR got, and one to three orders each.
    QVERIFY(inMenu(window->bbrCharacter, FieldKind::Character, 0, QStringLiteral("MenuMit")));
    QCOMPARE(window->OptionsText("KNAME"),
                 QStringLiteral("NAME des Datensatzes, auf den KDNR verweist"));
    QVERIFY(inMenu(window->bbrNumeric, FieldKind::Numeric, 0, QStringLiteral("MenuJe"),
                   QStringLiteral("1..3")));
    QCOMPARE(window->OptionsText("KDNR"),
             QStringLiteral("aus KUNDEN.DBF, Feld KDNR, 1 bis 3 Datensätze je Elterndatensatz"));
    fieldPoll.stop();
    QVERIFY2(answers.Texts.isEmpty(), qPrintable(answers.Texts.join(QStringLiteral(" | "))));

    auto follows = [](int kdnr, const QString& name) {
      return kdnr >= 101 && kdnr <= 105 && name == QStringLiteral("Kunde %1").arg(kdnr - 100);
    };
    PreviewCapture preview;
    CaptureNextPreview(preview);
    window->PBVorschau();
    QVERIFY(preview.Shown);
    QVERIFY2(preview.Messages.isEmpty(), qPrintable(preview.Messages));
    QVERIFY(preview.Rows.size() >= 5);
    for (const QStringList& r : preview.Rows)
      QVERIFY2(follows(r[0].trimmed().toInt(), r[1].trimmed()), qPrintable(r.join(QLatin1Char('|'))));

    window->sleSatzzahl->setText(QStringLiteral("1"));
    QTest::mouseClick(window->pbFillDB, Qt::LeftButton);
    QVERIFY2(answers.Texts.isEmpty(), qPrintable(answers.Texts.join(QStringLiteral(" | "))));
    window.reset();
    const QByteArray bytes = FileBytes(child);
    const int header = uchar(bytes[8]) | uchar(bytes[9]) << 8;
    const int count = uchar(bytes[4]) | uchar(bytes[5]) << 8;
    QVERIFY2(count >= 5 && count <= 15, qPrintable(QString::number(count)));
    QMap<int, int> perParent;
    for (int r = 0; r < count; ++r) {
      const QByteArray record = bytes.mid(header + r * 25, 25);
      const int kdnr = record.mid(1, 6).trimmed().toInt();
      QVERIFY2(follows(kdnr, QString::fromLatin1(record.mid(7, 10).trimmed())), record.constData());
      ++perParent[kdnr];
    }
    QCOMPARE(perParent.size(), 5);
    for (int n : perParent) QVERIFY(n >= 1 && n <= 3);

    // Remembered for the table, the parent named beside it, and offered again as it was.
    const QDir remembered(folder_->Path() + QStringLiteral("config/fuellwerk/regeln"));
    QCOMPARE(remembered.entryList(QDir::Files).size(), 1);
    const QByteArray text = FileBytes(
        remembered.filePath(remembered.entryList(QDir::Files).front()).toStdString());
    QVERIFY2(text.contains("TABELLE=KUNDEN.DBF\nFELD=KDNR\nJE=1..3\n"), text.constData());
    answers.Queue(QMessageBox::Yes);
    auto again = OpenOn(child);
    QCOMPARE(answers.Captions.size(), 1);
    QCOMPARE(again->OptionsText("KDNR"),
             QStringLiteral("aus KUNDEN.DBF, Feld KDNR, 1 bis 3 Datensätze je Elterndatensatz"));
    QCOMPARE(again->OptionsText("KNAME"),
             QStringLiteral("NAME des Datensatzes, auf den KDNR verweist"));

    // The parameter lines show the reference and take it as the rules file does: a field that
    // cannot fit is refused there too, another source takes the reference's place.
    const QString shown =
        AnswerParameters(*again, 0, QStringLiteral("QUELLE=Tabelle\nTABELLE=KUNDEN.DBF\nFELD=NAME")).value_or(QString());
    for (const char* line : {"QUELLE=Tabelle", "TABELLE=KUNDEN.DBF", "FELD=KDNR", "JE=1..3"})
      QVERIFY2(shown.split(QLatin1Char('\n')).contains(QLatin1String(line)), qPrintable(shown));
    QCOMPARE(answers.Texts.size(), 2);  // the question of the remembered rules, the refusal
    QVERIFY2(answers.Texts.back().contains(QStringLiteral("passt nicht zum Feld KDNR")),
             qPrintable(answers.Texts.back()));
    QCOMPARE(again->OptionsText("KDNR"),
             QStringLiteral("aus KUNDEN.DBF, Feld KDNR, 1 bis 3 Datensätze je Elterndatensatz"));
    AnswerParameters(*again, 0, QStringLiteral("QUELLE=Wert\nWERT=7"));
    QCOMPARE(again->OptionsText("KDNR"), QString());
    const QString rules = QString::fromStdString(RulesText(*again->dbAuswahl(), again->Tables()));
    const QString kdnr = rules.section(QStringLiteral("[KDNR]"), 1).section(QLatin1Char('['), 0, 0);
    QVERIFY2(kdnr.contains(QStringLiteral("QUELLE=Wert\n")) && !kdnr.contains(QStringLiteral("TABELLE")),
             qPrintable(rules));
  }

  void theAddedControlsFitBelowTheGrids() {
    DtaErstellen window;
    window.show();
    const int gridsEnd = window.bbrMemo->geometry().bottom();
    for (QWidget* control : std::initializer_list<QWidget*>{
             window.pbRegelnLaden, window.pbRegelnSpeichern, window.pbVorschau,
             window.prgSchreiben, window.txtSumme}) {
      QVERIFY2(window.rect().contains(control->geometry()), qPrintable(control->objectName()));
      QVERIFY2(control->geometry().top() > gridsEnd, qPrintable(control->objectName()));
    }
    for (QPushButton* button : {window.pbRegelnLaden, window.pbRegelnSpeichern, window.pbVorschau})
      QVERIFY2(button->fontMetrics().horizontalAdvance(button->text().remove('&')) + 8 <= button->width(),
               qPrintable(button->objectName()));
    QVERIFY(window.txtSumme->geometry().top() > window.pbHilfe->geometry().bottom());
  }

  void theSeedMakesRunsRepeatable() {
    auto fill = [&](const QString& name) {
      const std::string path = folder_->MakeTable(name, KundenFields(), 3);
      BoxAnswerer answers;
      auto window = OpenOn(path);
      SetRules(*window);
      window->sleSatzzahl->setText(QStringLiteral("40"));
      QTest::mouseClick(window->pbFillDB, Qt::LeftButton);
      if (!answers.Texts.isEmpty()) qWarning() << answers.Texts;
      window.reset();  // the table is closed with the window
      return path;
    };
    folder_->WriteIni(QStringLiteral("[AppDaten]\r\nName=Fuellwerk\r\n[SETTINGS]\r\n"
                                     "DefaultDriver=DBFNTX\r\nSeed=5\r\n"));
    const std::string first = fill(QStringLiteral("EINS.DBF"));
    const std::string second = fill(QStringLiteral("ZWEI.DBF"));
    QVERIFY(FileBytes(first).size() > 40 * 40);
    QCOMPARE(FileBytes(first), FileBytes(second));
    QCOMPARE(FileBytes(first.substr(0, first.size() - 4) + ".DBT"),
             FileBytes(second.substr(0, second.size() - 4) + ".DBT"));

    // Seed 0: a fresh seed for each run.
    folder_->WriteIni(QStringLiteral("[AppDaten]\r\nName=Fuellwerk\r\n[SETTINGS]\r\n"
                                     "DefaultDriver=DBFNTX\r\nSeed=0\r\n"));
    const std::string third = fill(QStringLiteral("DREI.DBF"));
    const std::string fourth = fill(QStringLiteral("VIER.DBF"));
    QVERIFY(FileBytes(third) != FileBytes(fourth));
  }
};

QTEST_MAIN(WindowRuleSetsTest)
#include "WindowRuleSets_test.moc"
