// The gauge widget: driven through the fill run's interface, shows each change at once,
// stays quiet when nothing changes, rebuilds after a resize.
#include <QtTest>

#include <QVBoxLayout>

#include "core/generate/FillHost.h"
#include "ui/gauge/GaugeControl.h"

using fw::GaugeControl;
using fw::GaugePainter;

namespace {

// Counts paint events a widget receives.
class PaintCounter : public QObject {
public:
  int count = 0;
  QRect last;

protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      ++count;
      last = static_cast<QPaintEvent*>(event)->rect();
    }
    return false;
  }
};

}  // namespace

class GaugeControlTest : public QObject {
  Q_OBJECT

private slots:
  void FillRunDrivesItThroughTheGaugeInterface() {
    GaugeControl gauge;
    gauge.resize(250, 25);
    fw::ProgressGauge& progress = gauge;
    progress.SetBarTotal(10);
    progress.Clear();
    for (int i = 0; i < 3; ++i) progress.Update(1);
    QCOMPARE(gauge.BarTotal(), 10u);
    QCOMPARE(gauge.BarPosn(), 3u);
    QCOMPARE(gauge.Painter().BarText(), QStringLiteral("30 %"));
    progress.Clear();
    QCOMPARE(gauge.BarPosn(), 0u);
    QCOMPARE(gauge.Painter().BarText(), QStringLiteral("0 %"));
  }

  void NewGaugeIsClearedWithDefaults() {
    GaugeControl gauge;
    QCOMPARE(gauge.BarTotal(), 1u);
    QCOMPARE(gauge.BarPosn(), 0u);
    QCOMPARE(gauge.Vertical(), false);
    QCOMPARE(gauge.Color(), 1);
    QCOMPARE(gauge.Painter().ClientSize(), gauge.size());
    QCOMPARE(gauge.Painter().StripTextColor(),
             gauge.palette().color(QPalette::HighlightedText));
    QCOMPARE(gauge.Painter().BarText(), QStringLiteral("0 %"));
  }

  void ShowsEachChangeAtOnceAndOnlyChanges() {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* gauge = new GaugeControl(&window);
    layout->addWidget(gauge);
    window.resize(300, 60);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    gauge->SetBarTotal(1000000);
    gauge->Clear();
    QCoreApplication::processEvents();
    PaintCounter counter;
    gauge->installEventFilter(&counter);
    // No event processing below: whatever is painted is painted synchronously.
    gauge->Update(1);
    QCOMPARE(counter.count, 0);  // neither bar end nor text moved
    gauge->Update(20000);        // 2 %: new strips and text
    QCOMPARE(counter.count, 1);
    QVERIFY(counter.last.contains(gauge->Painter().PercentBox()));
    QVERIFY(counter.last.contains(QRect(5, 3, 1, gauge->height() - 6)));
    for (int i = 0; i < 1000; ++i) gauge->Update(1);
    QCOMPARE(counter.count, 1);
    // What the widget shows is the picture.
    QCOMPARE(gauge->grab().toImage().convertToFormat(QImage::Format_RGB32),
             gauge->Painter().Image());
  }

  void ResizeRebuildsAtTheSamePosition() {
    GaugeControl gauge;
    gauge.resize(250, 25);
    gauge.SetBarTotal(10);
    gauge.Update(0);
    gauge.Update(5);
    gauge.show();
    QVERIFY(QTest::qWaitForWindowExposed(&gauge));
    gauge.resize(300, 40);
    QTRY_COMPARE(gauge.Painter().Image().size(), QSize(300, 40));
    QCOMPARE(gauge.BarPosn(), 5u);
    QCOMPARE(gauge.Painter().BarText(), QStringLiteral("50 %"));
    GaugePainter expected(QSize(300, 40), gauge.palette().color(QPalette::HighlightedText),
                          gauge.logicalDpiY());
    expected.BarTotal = 10;
    expected.Update(5);
    QCOMPARE(gauge.Painter().Image(), expected.Image());
    // 40 * 0.3 = 12 points at the screen's resolution.
    QCOMPARE(gauge.Painter().BarFont().pixelSize(), (12 * gauge.logicalDpiY() + 36) / 72);
  }

  void VerticalTakesEffectWithClear() {
    GaugeControl gauge;
    gauge.resize(30, 150);
    gauge.SetVertical(true);
    gauge.SetColor(3);
    gauge.SetBarTotal(2);
    gauge.Clear();
    gauge.Update(1);
    QCOMPARE(gauge.Painter().BarEndY(), 147 - 72);
    QCOMPARE(gauge.Painter().Image().pixelColor(10, 146), QColor(252, 255, 252));
    QCOMPARE(gauge.sizeHint(), QSize(30, 150));
    QCOMPARE(gauge.sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
  }

  void DestroyedGaugeKeepsQuiet() {
    GaugeControl gauge;
    gauge.resize(200, 25);
    gauge.OnDestroy();
    gauge.Update(1);
    gauge.resize(220, 30);
    gauge.OnDraw();
    QVERIFY(gauge.Painter().Image().isNull());
    QVERIFY(!gauge.grab().isNull());
  }
};

QTEST_MAIN(GaugeControlTest)
#include "gauge_control_test.moc"
