// The grid layer: its model, value conversions, columns, styles and the array server.
#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

#include "core/platform/CodePage.h"
#include "core/platform/Date.h"
#include "ui/platform/bArrayServer.h"
#include "ui/platform/bBrowser.h"
#include "ui/platform/bBrowserModel.h"
#include "ui/platform/bComboEdit.h"
#include "ui/platform/bDataColumn.h"
#include "ui/platform/bViewStyle.h"

using namespace fw;

namespace {

std::vector<FieldInfo> Structure() {
  return {{"NAME", 'C', 10, 0}, {"BETRAG", 'N', 6, 2}, {"AKTIV", 'L', 1, 0}, {"TAG", 'D', 8, 0}};
}

std::vector<std::vector<Value>> Rows() {
  return {{Value("Anna"), Value(12.5), Value(true), Value(Date::FromYmd(2024, 2, 29))},
          {Value("Bernd")},  // short row: the other fields read blank
          {Value("C\xe4sar"), Value(-3.0), Value(false), Value(Date())}};
}

class CountingEdit : public bComboEdit {
public:
  using bComboEdit::bComboEdit;
  int Openings = 0;

protected:
  void OnChoiceOpen() override {
    bComboEdit::OnChoiceOpen();
    ++Openings;
  }
};

}  // namespace

class bBrowserTest : public QObject {
  Q_OBJECT

private slots:
  void initTestCase() { SetDateFormat(GermanDateFormat()); }

  void modelPassesTheModelTester() {
    bArrayServer server(Structure(), Rows());
    bBrowser grid(nullptr, 1);
    QAbstractItemModelTester tester(grid.Model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    grid.Use(&server);
    QCOMPARE(grid.Model()->rowCount(), 3);
    QCOMPARE(grid.Model()->columnCount(), 4);
    QVERIFY(grid.Model()->setData(grid.Model()->index(1, 1), QStringLiteral("7,25")));
    grid.Refresh();
    grid.Use(nullptr);
    QCOMPARE(grid.Model()->rowCount(), 0);
  }

  void cellsShowTheirValues() {
    bArrayServer server(Structure(), Rows());
    bBrowser grid(nullptr, 1);
    grid.Use(&server);
    auto text = [&](int row, int column) {
      return grid.Model()->index(row, column).data().toString();
    };
    QCOMPARE(text(0, 0), QStringLiteral("Anna"));
    QCOMPARE(text(2, 0), QString::fromUtf8("Cäsar"));  // Windows-1252 shown as it reads
    QCOMPARE(text(0, 1), QStringLiteral("12,5"));
    QCOMPARE(text(1, 1), QStringLiteral("0"));
    QCOMPARE(text(0, 3), QStringLiteral("29.02.2024"));
    QVERIFY(text(2, 3).isEmpty());
    QCOMPARE(grid.Model()->index(0, 2).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QCOMPARE(grid.Model()->index(1, 2).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
  }

  void editedTextBecomesAValueTheFieldTakes() {
    Value v;
    QVERIFY(bBrowserModel::TextToValue("12,5", 'N', 6, 2, v) && v.AsNumber() == 12.5);
    QVERIFY(bBrowserModel::TextToValue("-1.25", 'N', 6, 2, v) && v.AsNumber() == -1.25);
    QVERIFY(bBrowserModel::TextToValue("", 'N', 6, 2, v) && v.AsNumber() == 0);
    QVERIFY(!bBrowserModel::TextToValue("1234,5", 'N', 6, 2, v));  // "1234.50" is 7 wide
    QVERIFY(!bBrowserModel::TextToValue("12a", 'N', 6, 2, v));
    QVERIFY(!bBrowserModel::TextToValue("1e5", 'N', 6, 2, v));
    QVERIFY(!bBrowserModel::TextToValue("1,2,3", 'N', 6, 2, v));
    QVERIFY(bBrowserModel::TextToValue("29.02.2024", 'D', 8, 0, v) &&
            v.AsDate() == Date::FromYmd(2024, 2, 29));
    QVERIFY(!bBrowserModel::TextToValue("29.02.2023", 'D', 8, 0, v));
    QVERIFY(!bBrowserModel::TextToValue("2024-02-01", 'D', 8, 0, v));
    QVERIFY(bBrowserModel::TextToValue("", 'D', 8, 0, v) && v.AsDate().IsEmpty());
    QVERIFY(bBrowserModel::TextToValue(QString::fromUtf8("Größe"), 'C', 10, 0, v));
    QCOMPARE(v.AsText(), std::string("Gr\xf6\xdf" "e"));
    QVERIFY(bBrowserModel::TextToValue(QString::fromUtf8("5 €"), 'C', 10, 0, v));
    QVERIFY(!bBrowserModel::TextToValue(QStringLiteral("zu lang fuer"), 'C', 10, 0, v));
    QVERIFY(!bBrowserModel::TextToValue(QString::fromUtf8("Ωmega"), 'C', 10, 0, v));
    QVERIFY(bBrowserModel::TextToValue("j", 'L', 1, 0, v) && v.AsLogic());
    QVERIFY(!bBrowserModel::TextToValue("vielleicht", 'L', 1, 0, v));
  }

  void refusedEditLeavesTheServerAlone() {
    bArrayServer server(Structure(), Rows());
    bBrowser grid(nullptr, 1);
    grid.Use(&server);
    QVERIFY(!grid.Model()->setData(grid.Model()->index(0, 1), QStringLiteral("abc")));
    QCOMPARE(server.ReadRecord(1)[1].AsNumber(), 12.5);
    grid.GetColumn(QStringLiteral("betrag"))->SetReadOnly(true);
    QVERIFY(!grid.Model()->setData(grid.Model()->index(0, 1), QStringLiteral("1")));
    QVERIFY(!(grid.Model()->index(0, 1).flags() & Qt::ItemIsEditable));
    grid.SetEditingBlocked(true);
    QVERIFY(!(grid.Model()->index(0, 0).flags() & Qt::ItemIsEditable));
    QVERIFY(!(grid.Model()->index(0, 2).flags() & Qt::ItemIsUserCheckable));
    grid.SetEditingBlocked(false);
    QVERIFY(grid.Model()->setData(grid.Model()->index(0, 2), Qt::Unchecked, Qt::CheckStateRole));
    QVERIFY(!server.ReadRecord(1)[2].AsLogic());
  }

  void columnsAndCurrentCell() {
    bArrayServer server(Structure(), Rows());
    bBrowser grid(nullptr, 1);
    grid.Use(&server);
    QCOMPARE(grid.GetColumn(QStringLiteral("tag")), grid.GetColumn(4));
    QVERIFY(!grid.GetColumn(QStringLiteral("QUELLE")));
    QVERIFY(!grid.GetColumn(5));
    QCOMPARE(grid.ColumnList().size(), size_t(4));
    grid.GetColumn(1)->SetCaption(QStringLiteral("Name"));
    grid.GetColumn(1)->SetWidth(90);
    QCOMPARE(grid.Model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("Name"));
    QCOMPARE(grid.View()->columnWidth(0), 90);
    grid.SetCurrentCell(bCell{3, 2});
    QCOMPARE(grid.CurrentColumn(), 3);
    QCOMPARE(grid.CurrentRow(), 2);
    grid.View()->selectionModel()->select(grid.Model()->index(0, 0),
                                          QItemSelectionModel::Select);
    grid.SelectionRemove();
    QVERIFY(!grid.View()->selectionModel()->hasSelection());
  }

  void viewStylesColourAndAlign() {
    QCOMPARE(bViewStyle({}, {}, 771).Alignment(), Qt::AlignHCenter | Qt::AlignVCenter);
    QCOMPARE(bViewStyle({}, {}, 0).Alignment(), Qt::AlignLeft | Qt::AlignTop);
    QCOMPARE(bViewStyle({}, {}, 2 | (2 << 8)).Alignment(), Qt::AlignRight | Qt::AlignBottom);
    QCOMPARE(bViewStyle().Alignment(), Qt::Alignment());
    bArrayServer server(Structure(), Rows());
    bBrowser grid(nullptr, 1);
    grid.Use(&server);
    grid.GetColumn(1)->SetViewStyle(1, bViewStyle(QColor(255, 0, 0), QBrush(QColor(0, 255, 0))));
    grid.GetColumn(2)->SetViewStyle(2, bViewStyle({}, {}, 771));
    QCOMPARE(grid.Model()->index(1, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    QCOMPARE(grid.Model()->index(1, 0).data(Qt::BackgroundRole).value<QBrush>().color(),
             QColor(0, 255, 0));
    QCOMPARE(grid.Model()->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
             int(Qt::AlignCenter));
    const QBrush a(Qt::lightGray), b(QColor(255, 255, 180));
    grid.SetGridBrushes(&a, &b);
    QCOMPARE(grid.Model()->index(1, 1).data(Qt::BackgroundRole).value<QBrush>().color(),
             QColor(255, 255, 180));
  }

  void arrayServerReadsByName() {
    bArrayServer server({{"Quelle", 'C', 15, 0}}, {{Value("Namen")}, {Value("Orte")}});
    QCOMPARE(server.FieldGet("QUELLE").AsText(), std::string("Namen"));
    QVERIFY(server.GoTo(2));
    QCOMPARE(server.FieldGet("quelle").AsText(), std::string("Orte"));
    QVERIFY(!server.GoTo(3));
    QVERIFY(server.FieldGet("ANDERS").IsNil());
    QVERIFY(!server.WriteField(1, 2, Value("x")));
    QVERIFY(server.ReadRecord(0).empty());
  }

  void comboEditOpensItsChoiceOnRequest() {
    CountingEdit edit(nullptr);
    edit.show();
    QTest::keyClick(edit.LineEdit(), Qt::Key_F4);
    QTest::keyClick(edit.LineEdit(), Qt::Key_Down, Qt::AltModifier);
    edit.Button()->click();
    QCOMPARE(edit.Openings, 3);
    QSignalSpy ended(&edit, &bComboEdit::EditEnded);
    edit.EndEdit();
    QCOMPARE(ended.count(), 1);
  }
};

QTEST_MAIN(bBrowserTest)
#include "bBrowser_test.moc"
