// A window with gauges at several positions, as the generation window shows them. With
// FW_SHOT=path.png the window is also saved as a picture (for the documentation), and with
// FW_SHOT_HOLD_MS=n it stays on screen n milliseconds longer.
#include <QtTest>

#include <QGridLayout>
#include <QLabel>
#include <vector>

#include "ui/gauge/GaugeControl.h"

using fw::GaugeControl;

class GaugeGalleryTest : public QObject {
  Q_OBJECT

private slots:
  void WindowWithGaugesAtSeveralPositions() {
    QWidget window;
    window.setWindowTitle(QStringLiteral("Fortschrittsanzeigen"));
    auto* grid = new QGridLayout(&window);
    struct Row {
      int percent;
      int color;
      QString expected;
    };
    const std::vector<Row> rows = {{0, 1, "0 %"},   {5, 1, "5 %"},   {33, 1, "33 %"},
                                   {67, 1, "67 %"}, {85, 1, "85 %"}, {95, 1, "95 %"},
                                   {100, 1, "100 %"}, {50, 2, "50 %"}, {50, 3, "50 %"}};
    std::vector<GaugeControl*> gauges;
    int line = 0;
    for (const Row& row : rows) {
      const QString scheme = row.color == 2 ? QStringLiteral(", rot")
                             : row.color == 3 ? QStringLiteral(", grün")
                                              : QString();
      grid->addWidget(new QLabel(QStringLiteral("%1 von 300%2").arg(row.percent * 3).arg(scheme)),
                      line, 0);
      auto* gauge = new GaugeControl(&window);
      gauge->setFixedSize(250, 25);
      grid->addWidget(gauge, line, 1);
      gauges.push_back(gauge);
      ++line;
    }
    auto* vertical = new GaugeControl(&window);
    vertical->SetVertical(true);
    vertical->setFixedSize(40, 250);
    grid->addWidget(new QLabel(QStringLiteral("senkrecht, 60 %")), 0, 2);
    grid->addWidget(vertical, 1, 2, line - 1, 1, Qt::AlignHCenter);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Driven as a fill run does: total, clear, one step per record.
    for (size_t i = 0; i < rows.size(); ++i) {
      gauges[i]->SetColor(rows[i].color);
      gauges[i]->SetBarTotal(300);
      gauges[i]->Clear();
      for (int r = 0; r < rows[i].percent * 3; ++r) gauges[i]->Update(1);
      QCOMPARE(gauges[i]->Painter().BarText(), rows[i].expected);
    }
    vertical->SetBarTotal(5);
    vertical->Clear();
    for (int r = 0; r < 3; ++r) vertical->Update(1);
    QCOMPARE(vertical->Painter().BarText(), QStringLiteral("60 %"));

    const QByteArray shot = qgetenv("FW_SHOT");
    if (!shot.isEmpty()) {
      QCoreApplication::processEvents();
      QVERIFY(window.grab().save(QString::fromLocal8Bit(shot)));
      // Time to photograph the screen itself (e.g. import -window root under Xvfb).
      const int holdMs = qEnvironmentVariableIntValue("FW_SHOT_HOLD_MS");
      if (holdMs > 0) QTest::qWait(holdMs);
    }
  }
};

QTEST_MAIN(GaugeGalleryTest)
#include "gauge_gallery_test.moc"
