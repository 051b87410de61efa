// Pixel tests of the gauge picture: frame, strips and their shading, erasing, the percentage
// box, tiny sizes, rebuilding, and the shortcut for advances that change nothing.
#include <QtTest>

#include <cmath>
#include <functional>
#include <vector>

#include "ui/gauge/GaugePainter.h"

using fw::GaugePainter;

namespace {

constexpr int kDpi = 96;
const QColor kStripText(255, 255, 255);
const QColor kGrey(192, 192, 192);
const QColor kLight(240, 240, 240);
const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kGreenBox(56, 211, 103);
const QColor kOrangeBox(255, 170, 85);
const QColor kRedBox(255, 109, 95);

QColor At(const GaugePainter& g, int x, int y) { return g.Image().pixelColor(x, y); }

// A gauge at position posn of total.
void MoveTo(GaugePainter& g, uint32_t posn, uint32_t total) {
  g.BarTotal = total;
  g.Update(0);
  if (posn > 0) g.Update(static_cast<int32_t>(posn));
}

// Columns inside the percentage box whose pixels differ from the box colour: the text ink.
std::pair<int, int> InkColumns(const GaugePainter& g) {
  const QRect box = g.PercentBox().adjusted(1, 1, -1, -1);
  const QColor background = At(g, box.left(), box.top());
  int first = -1, last = -1;
  for (int x = box.left(); x <= box.right(); ++x)
    for (int y = box.top(); y <= box.bottom(); ++y)
      if (At(g, x, y) != background) {
        if (first < 0) first = x;
        last = x;
        break;
      }
  return {first, last};
}

// The colour of strip k (1-based) of a 250- or 263-pixel-wide gauge: the shade grows by 2 per
// strip,
// first ShadeA up to 254, then ShadeB up to 150.
QColor StripColour(int scheme, int k) {
  const int a = std::min(2 * k, 254);
  const int b = k <= 127 ? 0 : std::min(2 * (k - 127), 150);
  switch (scheme) {
    case 1: return QColor(255 - a, 255 - a, 255 - b);
    case 2: return QColor(255 - b, 255 - a, 255 - a);
    default: return QColor(255 - a, 255 - b, 255 - a);
  }
}

}  // namespace

class GaugePainterTest : public QObject {
  Q_OBJECT

private slots:
  void NewGaugeShowsFrameEmptyBarAndZeroPercent() {
    GaugePainter g(QSize(250, 25), kStripText, kDpi);
    const int w = 250, h = 25;
    QCOMPARE(g.BarPosn, 0u);
    QCOMPARE(g.BarTotal, 1u);
    QCOMPARE(g.Color, 1);
    QCOMPARE(g.Vertical, false);
    QCOMPARE(g.BarText(), QStringLiteral("0 %"));
    // Three outlines: grey, white, grey.
    for (int x : {0, 60, w - 1}) {
      QCOMPARE(At(g, x, 0), kGrey);
      QCOMPARE(At(g, x, h - 1), kGrey);
    }
    QCOMPARE(At(g, 0, 12), kGrey);
    QCOMPARE(At(g, 1, 12), kWhite);
    QCOMPARE(At(g, 2, 12), kGrey);
    QCOMPARE(At(g, 60, 1), kWhite);
    QCOMPARE(At(g, 60, 2), kGrey);
    QCOMPARE(At(g, 60, h - 3), kGrey);
    QCOMPARE(At(g, w - 3, 2), kGrey);
    // The erased bar area: columns 5..w-2, rows 3..h-4, light grey outline, white inside.
    QCOMPARE(At(g, 5, 10), kLight);
    QCOMPARE(At(g, 60, 3), kLight);
    QCOMPARE(At(g, 60, h - 4), kLight);
    QCOMPARE(At(g, w - 2, 10), kLight);
    QCOMPARE(At(g, 4, 10), kWhite);
    QCOMPARE(At(g, 6, 10), kWhite);
    QCOMPARE(At(g, w - 3, 10), kWhite);
    // The percentage box around where "100 %" would be centred, green, black 2-pixel edge.
    const QRect box = g.PercentBox();
    const QSize extent = g.FullTextExtent();
    QCOMPARE(box.left(), g.TextPos().x() - extent.width() / 2 + 1);
    QCOMPARE(box.right(), g.TextPos().x() + 3 * extent.width() / 2 - 2);
    QCOMPARE(box.top(), g.TextPos().y() + 1);
    QCOMPARE(box.bottom(), g.TextPos().y() + extent.height() - 2);
    QCOMPARE(g.TextPos().x(), w / 2 - extent.width() / 2);
    QCOMPARE(g.TextPos().y(), h / 2 - extent.height() / 2);
    QCOMPARE(At(g, box.left() - 1, box.center().y()), kBlack);
    QCOMPARE(At(g, box.left(), box.center().y()), kBlack);
    QCOMPARE(At(g, box.right() + 1, box.top() + 1), kBlack);
    QCOMPARE(At(g, box.right(), box.top() - 1), kBlack);
    QCOMPARE(At(g, box.left() + 1, box.center().y()), kGreenBox);
    QCOMPARE(At(g, box.right() - 2, box.bottom() - 2), kGreenBox);
  }

  void FontIsBoldAndSizedFromTheGauge() {
    GaugePainter g(QSize(250, 25), kStripText, kDpi);
    // 25 * 0.3 = 7 points; at 96 dpi 7 * 96 / 72 = 9.33 pixels.
    QCOMPARE(g.BarFont().family(), QStringLiteral("Liberation Sans"));
    QVERIFY(g.BarFont().bold());
    QCOMPARE(g.BarFont().pixelSize(), 9);
    g.Vertical = true;
    g.Update(0);
    // 250 * 0.2 = 50 points = 66.67 pixels.
    QCOMPARE(g.BarFont().pixelSize(), 67);
    GaugePainter tiny(QSize(250, 3), kStripText, kDpi);  // 0 points: the default height
    QVERIFY(tiny.BarFont().pixelSize() <= 0);
    QVERIFY(tiny.FullTextExtent().height() > 0);
  }

  void StripsShadeDarkerAlongTheBar_data() {
    QTest::addColumn<int>("scheme");
    QTest::newRow("blue") << 1;
    QTest::newRow("red") << 2;
    QTest::newRow("green") << 3;
  }

  void StripsShadeDarkerAlongTheBar() {
    QFETCH(int, scheme);
    GaugePainter g(QSize(250, 25), kStripText, kDpi);
    g.Color = scheme;
    g.Update(1);
    // (250 - 2) / 400 per strip: the shade grows by Integer(400 / 248) + 1 = 2.
    QCOMPARE(g.PixelStep(), 248 / 400.0);
    QCOMPARE(g.BarEndX(), 248);
    QCOMPARE(g.ShadeA(), 254);
    QCOMPARE(g.ShadeB(), 150);
    QCOMPARE(g.BarText(), QStringLiteral("100 %"));
    // Strip k covers column 4 + k, rows 3..21 (row 4 lies above the text).
    for (int k : {1, 2, 127, 128, 129, 202, 203, 243}) {
      QCOMPARE(At(g, 4 + k, 4), StripColour(scheme, k));
      QCOMPARE(At(g, 4 + k, 3), StripColour(scheme, k));
      QCOMPARE(At(g, 4 + k, 21), StripColour(scheme, k));
    }
    QCOMPARE(At(g, 4, 4), kWhite);      // the bar starts at column 5
    QCOMPARE(At(g, 248, 4), kLight);    // edge of the erased area stays
    QCOMPARE(At(g, 247, 2), kGrey);     // frame untouched above and below
    QCOMPARE(At(g, 247, 22), kGrey);
    QCOMPARE(At(g, g.PercentBox().left() + 2, 12), kRedBox);
  }

  void UnknownSchemeTakesTheLastBackground() {
    GaugePainter g(QSize(250, 25), kStripText, kDpi);
    g.Color = 7;
    g.Update(1);
    // The last background set before the strips was the green box of "0 %".
    QCOMPARE(At(g, 5, 4), kGreenBox);
    QCOMPARE(At(g, 247, 4), kGreenBox);
  }

  void ShrinkingErasesAndTheShadeCarriesOn() {
    GaugePainter g(QSize(263, 25), kStripText, kDpi);
    g.BarTotal = 256;  // one column per step
    g.Update(100);
    QCOMPARE(At(g, 54, 4), StripColour(1, 50));
    QCOMPARE(At(g, 104, 4), StripColour(1, 100));
    QCOMPARE(At(g, 105, 4), kWhite);
    g.Update(-50);
    QCOMPARE(g.BarPosn, 50u);
    QCOMPARE(g.BarEndX(), 55);
    QCOMPARE(g.ShadeA(), 200);  // not restarted
    QCOMPARE(At(g, 54, 4), StripColour(1, 50));
    // From column 55 on: white with a light grey outline up to column 261.
    QCOMPARE(At(g, 55, 10), kLight);
    QCOMPARE(At(g, 56, 10), kWhite);
    QCOMPARE(At(g, 104, 4), kWhite);
    QCOMPARE(At(g, 104, 3), kLight);
    QCOMPARE(At(g, 104, 21), kLight);
    QCOMPARE(At(g, 261, 10), kLight);
    QCOMPARE(At(g, 262, 10), kGrey);
    QCOMPARE(g.BarText(), QStringLiteral("20 %"));
    // Growing again continues with darker strips.
    g.Update(10);
    QCOMPARE(At(g, 55, 4), StripColour(1, 101));
    QCOMPARE(At(g, 64, 4), StripColour(1, 110));
    QCOMPARE(At(g, 65, 4), kWhite);
  }

  void BoxColourTurnsAt80And90Percent_data() {
    QTest::addColumn<uint32_t>("posn");
    QTest::addColumn<uint32_t>("total");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QString>("text");
    QTest::newRow("79.9") << 799u << 1000u << kGreenBox << "80 %";
    QTest::newRow("80") << 800u << 1000u << kOrangeBox << "80 %";
    QTest::newRow("4 of 5") << 4u << 5u << kOrangeBox << "80 %";
    QTest::newRow("90") << 900u << 1000u << kOrangeBox << "90 %";
    QTest::newRow("9 of 10") << 9u << 10u << kOrangeBox << "90 %";
    QTest::newRow("90.1") << 901u << 1000u << kRedBox << "90 %";
  }

  void BoxColourTurnsAt80And90Percent() {
    QFETCH(uint32_t, posn);
    QFETCH(uint32_t, total);
    QFETCH(QColor, colour);
    QFETCH(QString, text);
    for (bool vertical : {false, true}) {
      GaugePainter g(vertical ? QSize(40, 200) : QSize(250, 25), kStripText, kDpi);
      g.Vertical = vertical;
      MoveTo(g, posn, total);
      const QRect box = g.PercentBox();
      // The right part of the box: clear of the text, which starts where "100 %" would.
      QCOMPARE(At(g, box.right() - 2, box.top() + 2), colour);
      QCOMPARE(At(g, box.right() - 2, box.bottom() - 2), colour);
      QCOMPARE(g.BarText(), text);
    }
  }

  void PercentTexts_data() {
    QTest::addColumn<uint32_t>("posn");
    QTest::addColumn<uint32_t>("total");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0u << 3u << "0 %";
    QTest::newRow("1/3") << 1u << 3u << "33 %";
    QTest::newRow("2/3") << 2u << 3u << "67 %";
    QTest::newRow("3/3") << 3u << 3u << "100 %";
    QTest::newRow("7/100") << 7u << 100u << "7 %";
    QTest::newRow("just short of full") << 999u << 1000u << "100 %";
    QTest::newRow("large total") << 4000000000u << 4294967295u << "93 %";
  }

  void PercentTexts() {
    QFETCH(uint32_t, posn);
    QFETCH(uint32_t, total);
    QFETCH(QString, text);
    GaugePainter g(QSize(250, 25), kStripText, kDpi);
    g.BarTotal = total;
    g.BarPosn = posn;
    g.DrawBar(fw::MyDiv(posn, total));
    QCOMPARE(g.BarText(), text);
    // White text ink inside the box.
    const auto [first, last] = InkColumns(g);
    QVERIFY(first > 0);
    QVERIFY(last > first);
  }

  void ShortTextStartsWhereFullTextWouldBeCentred() {
    GaugePainter full(QSize(250, 40), kStripText, kDpi);
    MoveTo(full, 100, 100);
    GaugePainter five(QSize(250, 40), kStripText, kDpi);
    MoveTo(five, 5, 100);
    QCOMPARE(five.BarText(), QStringLiteral("5 %"));
    QCOMPARE(five.PercentBox(), full.PercentBox());
    const auto [fullFirst, fullLast] = InkColumns(full);
    const auto [fiveFirst, fiveLast] = InkColumns(five);
    const int cx = full.FullTextExtent().width();
    // Both start at the text position (glyph side bearings differ by a pixel or two) ...
    QVERIFY2(std::abs(fiveFirst - fullFirst) <= 3, qPrintable(QString::number(fiveFirst)));
    QVERIFY(std::abs(fullFirst - full.TextPos().x()) <= 3);
    // ... so "5 %" ends well left of where "100 %" ends, left of the box centre's right.
    QVERIFY(fiveLast < fullLast - cx / 4);
    QVERIFY((fiveFirst + fiveLast) / 2 < 125 - cx / 8);
  }

  void UpdateKeepsThePositionInRange() {
    GaugePainter g(QSize(250, 25), kStripText, kDpi);
    const QImage fresh = g.Image();
    g.BarTotal = 10;
    g.Update(25);
    QCOMPARE(g.BarPosn, 10u);
    QCOMPARE(g.BarText(), QStringLiteral("100 %"));
    g.TakeChangedRect();
    const QImage atFull = g.Image();
    g.Update(1);  // past the end: nothing changes
    QCOMPARE(g.BarPosn, 10u);
    QVERIFY(g.TakeChangedRect().isEmpty());
    QCOMPARE(g.Image(), atFull);
    g.Update(-4);
    QCOMPARE(g.BarPosn, 6u);
    // Below zero: position 0 and cleared, the very picture of a new gauge.
    g.Update(-7);
    QCOMPARE(g.BarPosn, 0u);
    QCOMPARE(g.ShadeA(), 0);
    QCOMPARE(g.Image(), fresh);
    // Update(0) clears from anywhere.
    g.Update(8);
    g.Update(0);
    QCOMPARE(g.BarPosn, 0u);
    QCOMPARE(g.BarText(), QStringLiteral("0 %"));
    QCOMPARE(g.Image(), fresh);
    // Total and position beyond the signed range of an increment.
    g.BarTotal = 4294967295u;
    g.Update(2147483647);
    g.Update(2147483647);
    g.Update(2147483647);
    QCOMPARE(g.BarPosn, 4294967295u);
    QCOMPARE(g.BarText(), QStringLiteral("100 %"));
  }

  void ClearingLeavesNoTraceOfTheBar_data() {
    QTest::addColumn<bool>("vertical");
    QTest::newRow("horizontal") << false;
    QTest::newRow("vertical") << true;
  }

  void ClearingLeavesNoTraceOfTheBar() {
    QFETCH(bool, vertical);
    GaugePainter g(vertical ? QSize(40, 180) : QSize(180, 40), kStripText, kDpi);
    g.Vertical = vertical;
    g.Clear();
    const QImage cleared = g.Image();
    g.Update(0);
    const QImage reset = g.Image();
    g.BarTotal = 7;
    for (int i = 0; i < 9; ++i) g.Update(1);
    QVERIFY(g.Image() != cleared);
    g.Clear();
    QCOMPARE(g.Image(), cleared);
    for (int i = 0; i < 5; ++i) g.Update(1);
    g.Update(0);
    QCOMPARE(g.Image(), reset);
  }

  void ZeroTotalStaysAtZero() {
    GaugePainter g(QSize(250, 25), kStripText, kDpi);
    const QImage fresh = g.Image();
    g.BarTotal = 0;
    for (int i = 0; i < 5; ++i) g.Update(1);
    QCOMPARE(g.BarPosn, 0u);
    QCOMPARE(g.BarText(), QStringLiteral("0 %"));
    QCOMPARE(g.Image(), fresh);
    QCOMPARE(fw::MyDiv(3, 0), 0.0);
    QCOMPARE(fw::MyDiv(1, 4), 0.25);
  }

  void TinyGaugesPaintNoStrips_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<int>("shade");  // ShadeA when full
    QTest::newRow("7 wide") << QSize(7, 25) << false << 0;
    // One strip of shade Integer(400 / 6) + 1 = 67, painted twice.
    QTest::newRow("8 wide: one strip") << QSize(8, 25) << false << 134;
    QTest::newRow("2 wide") << QSize(2, 25) << false << 0;
    QTest::newRow("1 wide") << QSize(1, 25) << false << 0;
    QTest::newRow("0 wide") << QSize(0, 25) << false << 0;
    QTest::newRow("flat") << QSize(250, 2) << false << 254;
    QTest::newRow("6 high") << QSize(30, 6) << true << 0;
    QTest::newRow("7 high: one strip") << QSize(30, 7) << true << 162;  // 2 x (400 / 5 + 1)
    QTest::newRow("2 high") << QSize(30, 2) << true << 0;
    QTest::newRow("0 high") << QSize(30, 0) << true << 0;
    QTest::newRow("1 x 1") << QSize(1, 1) << true << 0;
    QTest::newRow("narrow vertical: empty strips") << QSize(4, 60) << true << 252;
  }

  void TinyGaugesPaintNoStrips() {
    QFETCH(QSize, size);
    QFETCH(bool, vertical);
    QFETCH(int, shade);
    GaugePainter g(size, kStripText, kDpi);
    g.Vertical = vertical;
    g.BarTotal = 4;
    g.Update(0);
    for (int i = 0; i < 6; ++i) g.Update(1);
    g.Update(-2);
    g.Update(2);
    QCOMPARE(g.BarPosn, 4u);
    QCOMPARE(g.BarText(), QStringLiteral("100 %"));
    QCOMPARE(g.ShadeA(), shade);
    if (size == QSize(8, 25)) {
      QCOMPARE(At(g, 5, 4), QColor(121, 121, 255));
      QCOMPARE(At(g, 5, 21), QColor(121, 121, 255));
    }
    if (size == QSize(7, 25)) {
      for (int y = 3; y < 22; ++y)
        if (!g.PercentBox().adjusted(-1, -1, 1, 1).contains(5, y)) QVERIFY(At(g, 5, y) == kLight || At(g, 5, y) == kWhite);
    }
    g.OnDraw();
    QCOMPARE(g.BarPosn, 4u);
  }

  void RebuildReproducesTheStepwisePicture_data() {
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<int>("scheme");
    QTest::addColumn<int>("step");
    QTest::addColumn<uint32_t>("total");
    QTest::newRow("horizontal by 1") << false << 1 << 1 << 997u;
    QTest::newRow("horizontal red by 13") << false << 2 << 13 << 1000u;
    QTest::newRow("horizontal green, total below width") << false << 3 << 1 << 37u;
    QTest::newRow("vertical by 1") << true << 1 << 1 << 500u;
    QTest::newRow("vertical green by 7") << true << 3 << 7 << 333u;
  }

  void RebuildReproducesTheStepwisePicture() {
    QFETCH(bool, vertical);
    QFETCH(int, scheme);
    QFETCH(int, step);
    QFETCH(uint32_t, total);
    GaugePainter g(vertical ? QSize(36, 220) : QSize(220, 30), kStripText, kDpi);
    g.Vertical = vertical;
    g.Color = scheme;
    g.BarTotal = total;
    g.Clear();
    for (uint32_t stop : {total / 3, total * 4 / 5, total * 9 / 10 + 1, total}) {
      while (g.BarPosn < stop) g.Update(step);
      const QImage stepwise = g.Image();
      const uint32_t posn = g.BarPosn;
      g.OnDraw();
      QCOMPARE(g.BarPosn, posn);
      QCOMPARE(g.Image(), stepwise);
    }
  }

  // Advances that move neither the bar end nor the text skip the box; the picture after every
  // step must be the one the full drawing gives.
  void SkippedRedrawsLeaveTheFullPicture_data() {
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<QSize>("size");
    QTest::newRow("horizontal") << false << QSize(250, 25);
    QTest::newRow("vertical") << true << QSize(30, 160);
  }

  void SkippedRedrawsLeaveTheFullPicture() {
    QFETCH(bool, vertical);
    QFETCH(QSize, size);
    GaugePainter quick(size, kStripText, kDpi);
    GaugePainter full(size, kStripText, kDpi);
    full.SetFullRedraw(true);
    int skipped = 0;
    int steps = 0;
    auto both = [&](const std::function<void(GaugePainter&)>& action) {
      action(quick);
      action(full);
      ++steps;
      if (quick.TakeChangedRect().isEmpty()) ++skipped;
      full.TakeChangedRect();
      QVERIFY2(quick.Image() == full.Image(), qPrintable(QString("step %1").arg(steps)));
      QCOMPARE(quick.BarText(), full.BarText());
      QCOMPARE(quick.BarPosn, full.BarPosn);
    };
    both([&](GaugePainter& g) { g.Vertical = vertical; g.BarTotal = 3000; g.Clear(); });
    for (int i = 0; i < 3100; ++i) {
      both([](GaugePainter& g) { g.Update(1); });
      if (i == 1200) both([](GaugePainter& g) { g.Update(-700); });
      if (i == 1500) both([](GaugePainter& g) { g.Update(-1); });
      if (i == 2000) both([](GaugePainter& g) { g.OnDraw(); });
      if (i == 2500) both([](GaugePainter& g) { g.Color = 2; });
    }
    both([](GaugePainter& g) { g.Update(0); });
    both([](GaugePainter& g) { g.Update(0); });
    // Most advances change nothing visible and draw nothing.
    QVERIFY2(skipped > 2500, qPrintable(QString::number(skipped)));
  }

  void AdvanceThatChangesNothingDrawsNothing() {
    GaugePainter g(QSize(250, 25), kStripText, kDpi);
    g.BarTotal = 1000000;
    g.Clear();
    g.TakeChangedRect();
    g.Update(1);  // 0.0001 %: same bar end, same text
    QVERIFY(g.TakeChangedRect().isEmpty());
    g.Update(4200);  // a new bar end: strips and box
    const QRect changed = g.TakeChangedRect();
    QVERIFY(changed.contains(QRect(5, 3, 1, 19)));
    QVERIFY(changed.contains(g.PercentBox()));
    g.Update(1000);  // new text "1 %" only
    QCOMPARE(g.BarEndX(), 6);
    QCOMPARE(g.BarText(), QStringLiteral("1 %"));
    QCOMPARE(g.TakeChangedRect(), g.PercentBox().adjusted(-1, -1, 1, 1));  // with its outline
  }

  void VerticalGaugeGrowsFromTheBottom() {
    GaugePainter g(QSize(30, 200), kStripText, kDpi);
    g.Vertical = true;
    g.BarTotal = 4;
    g.Update(0);
    // (200 - 2) / 400 per strip: the shade grows by Integer(400 / 198) + 1 = 3.
    QCOMPARE(g.PixelStep(), 198 / 400.0);
    QCOMPARE(g.BarEndY(), 197);
    QCOMPARE(At(g, 3, 150), kLight);  // erased area: columns 3..26, rows 3..196
    QCOMPARE(At(g, 26, 150), kLight);
    QCOMPARE(At(g, 10, 3), kLight);
    QCOMPARE(At(g, 10, 196), kLight);
    QCOMPARE(At(g, 10, 190), kWhite);
    g.Update(1);  // a quarter: rows 149..196
    QCOMPARE(g.BarEndY(), 149);
    QCOMPARE(g.BarText(), QStringLiteral("25 %"));
    QCOMPARE(At(g, 3, 196), QColor(252, 252, 255));
    QCOMPARE(At(g, 26, 196), QColor(252, 252, 255));
    QCOMPARE(At(g, 10, 195), QColor(249, 249, 255));
    QCOMPARE(At(g, 10, 149), QColor(111, 111, 255));  // strip 48
    QCOMPARE(At(g, 10, 148), kWhite);
    QCOMPARE(At(g, 2, 170), kGrey);  // frame beside the bar
    QCOMPARE(At(g, 27, 170), kGrey);
    QCOMPARE(At(g, 10, 3), kLight);
    // The box: an outer outline drawn with the pen left over, the text box one pixel inside.
    const QRect inner = g.PercentBox();
    const int cx = g.FullTextExtent().width();
    QCOMPARE(inner.left(), g.TextPos().x() - static_cast<int>(cx * 0.1) + 1);
    QCOMPARE(inner.top(), g.TextPos().y() + 1);
    // Outer outline with the box pen left over from the last drawing, a pixel outside the
    // text box's own 2-pixel outline.
    QCOMPARE(At(g, inner.left() - 2, inner.center().y()), kBlack);
    QCOMPARE(At(g, inner.left() - 1, inner.center().y()), kBlack);
    QCOMPARE(At(g, inner.left(), inner.center().y()), kBlack);
    QCOMPARE(At(g, inner.left() + 1, inner.center().y()), kGreenBox);
    QCOMPARE(At(g, inner.right() - 2, inner.top() + 2), kGreenBox);
    g.Update(3);  // full: up to row 3, strip 194
    QCOMPARE(g.BarEndY(), 3);
    QCOMPARE(g.ShadeA(), 255);
    QCOMPARE(g.ShadeB(), 150);
    QCOMPARE(At(g, 10, 3), QColor(0, 0, 105));
    QCOMPARE(At(g, 10, 2), kGrey);
    // Shrinking erases everything above the new end, row 3 included.
    g.Update(-3);
    QCOMPARE(g.BarEndY(), 149);
    QCOMPARE(At(g, 10, 3), kLight);
    QCOMPARE(At(g, 3, 50), kLight);
    QCOMPARE(At(g, 10, 50), kWhite);
    QCOMPARE(At(g, 10, 148), kLight);
    QCOMPARE(At(g, 10, 149), QColor(111, 111, 255));
    QCOMPARE(At(g, inner.left() - 1, inner.center().y()), kBlack);
  }

  void DestroyedGaugeDrawsNothing() {
    GaugePainter g(QSize(250, 25), kStripText, kDpi);
    g.OnDestroy();
    QVERIFY(g.Image().isNull());
    g.BarTotal = 10;
    g.Update(3);
    g.Clear();
    g.Resize(QSize(100, 20));
    g.OnDraw();
    QVERIFY(g.Image().isNull());
    QVERIFY(g.TakeChangedRect().isEmpty());
    QCOMPARE(g.BarPosn, 0u);
  }

  void FractionOutsideTheRangeIsHeldAtTheEnds() {
    GaugePainter g(QSize(250, 25), kStripText, kDpi);
    g.DrawBar(7.5);
    QCOMPARE(g.BarEndX(), 248);
    QCOMPARE(g.BarText(), QStringLiteral("100 %"));
    g.DrawBar(-1);
    QCOMPARE(g.BarEndX(), 5);
    QCOMPARE(g.BarText(), QStringLiteral("0 %"));
    g.DrawBar(std::nan(""));
    QCOMPARE(g.BarText(), QStringLiteral("0 %"));
  }
};

QTEST_MAIN(GaugePainterTest)
#include "gauge_painter_test.moc"
