#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QPainter>
#include <cstdint>
#include <optional>

namespace fw {

// 0 when b is 0, otherwise the real quotient a / b.
double MyDiv(double a, double b);

// The picture of one progress gauge and every decision behind it: frame, bar strips and their
// colour gradient, erasing, the percentage box. It draws at once into an image the size of
// the gauge's client area and remembers which rectangle changed, so that the widget only has
// to show that rectangle. No widget is needed, so every pixel can be checked in tests.
//
// Rectangles given as (l, t, r, b) cover columns l..r-1 and rows t..b-1; an outline lies on
// the border pixels, a 2-pixel outline on the border pixels and the ring just outside them.
class GaugePainter {
public:
  // Colour schemes of the bar (`Color`).
  static constexpr int32_t kBlue = 1;
  static constexpr int32_t kRed = 2;
  static constexpr int32_t kGreen = 3;

  // Sets up the gauge and draws it at position 0 (white area, frame, empty bar, "0 %").
  // stripTextColor: highlighted-text colour of the system; dpiY: vertical dots per inch of
  // the screen, for the font size.
  GaugePainter(QSize clientSize, QColor stripTextColor, int dpiY);

  // Owner's fields.
  uint32_t BarTotal = 1;   // the count that stands for 100 %
  uint32_t BarPosn = 0;    // current position, kept within 0..BarTotal by Update
  bool Vertical = false;   // false: left to right; true: bottom to top (follow with Clear)
  int32_t Color = kBlue;   // gradient scheme of the bar strips

  // 0 clears; otherwise moves the position by nIncrement (within 0..BarTotal; below 0 clears)
  // and draws the bar.
  void Update(int32_t nIncrement);
  // Position 0, gradient restarted, frame, font and geometry from the current size.
  void Clear();
  void DrawBar(double fFraction);
  void DrawBarHor(double fFraction);
  void DrawBarVert(double fFraction);
  void DrawFrame(int nLeft, int nTop, int nRight, int nBottom);
  // Rebuilds the whole picture at the current position.
  void OnDraw();
  // Releases the drawing surface and the font; later calls keep the state but draw nothing.
  void OnDestroy();

  // A new, white drawing surface of this size, as a fresh window context has; follow with
  // OnDraw() to rebuild the picture on it. Nothing after OnDestroy().
  void Resize(QSize clientSize);
  bool Destroyed() const { return destroyed_; }

  const QImage& Image() const { return image_; }
  // The rectangle drawn on since the last call (empty when nothing changed).
  QRect TakeChangedRect();

  // When on, every drawing runs in full even where it could not change a pixel. For checking
  // that the shortcut leaves the picture exactly as the full drawing does.
  void SetFullRedraw(bool on) { fullRedraw_ = on; }

  // Read-only view of the inner state.
  QSize ClientSize() const { return size_; }
  double PixelStep() const { return pixelStep_; }
  int ShadeA() const { return shadeA_; }
  int ShadeB() const { return shadeB_; }
  int BarEndX() const { return barEndX_; }
  int BarEndY() const { return barEndY_; }
  QPoint TextPos() const { return QPoint(textPosX_, textPosY_); }
  QSize FullTextExtent() const { return QSize(cx_, cy_); }  // "100 %" in BarFont
  const QString& BarText() const { return barText_; }
  const QFont& BarFont() const { return barFont_; }
  QColor StripTextColor() const { return stripTextColor_; }
  QRect PercentBox() const { return percentBox_; }  // box with the text (inner box if vertical)

private:
  enum class Pen { Initial, Light, Box };  // Initial: the context's own 1-pixel black pen

  // What a percentage box looks like; drawing the same box again over an untouched one
  // changes no pixel.
  struct BoxLook {
    bool vertical = false;
    int percent = 0;
    int colour = 0;
    Pen outerPen = Pen::Initial;
    bool operator==(const BoxLook&) const = default;
  };

  // Keeps one QPainter open on the image from the first pixel drawn until the outermost
  // drawing operation returns.
  class DrawScope {
  public:
    explicit DrawScope(GaugePainter& g) : g_(g) { ++g_.drawDepth_; }
    ~DrawScope();
    DrawScope(const DrawScope&) = delete;
    DrawScope& operator=(const DrawScope&) = delete;

  private:
    GaugePainter& g_;
  };

  QPainter* Canvas();  // nullptr when there is no surface to draw on
  void Mark(const QRect& r);
  void ComputeTextPosition();
  QColor NextStripColour();
  void PaintStrip(const QRect& strip);
  void Rectangle(int l, int t, int r, int b, const QColor& penColour, int penWidth,
                 bool whiteFill);
  void RectangleWithCurrentPen(int l, int t, int r, int b);
  void TextOut(const QRect& clip, const QColor& text, const QColor& background,
               const QString& s);
  // Percentage box over (l, t, r, b); a vertical gauge's box has an outer outline drawn
  // with the current pen and the text box one pixel inside it.
  void DrawPercentBox(double fFraction, int l, int t, int r, int b, bool vertical);
  BoxLook LookOfBox(double fFraction, bool vertical) const;
  bool BoxUnchanged(double fFraction, bool vertical) const;

  QImage image_;
  QSize size_;
  int dpiY_;
  QColor stripTextColor_;
  QFont barFont_;
  int fontAscent_ = 0;
  double pixelStep_ = 0;
  int shadeA_ = 0;
  int shadeB_ = 0;
  int barEndX_ = 0;
  int barEndY_ = 0;
  int textPosX_ = 0;
  int textPosY_ = 0;
  int cx_ = 0;
  int cy_ = 0;
  QString barText_;
  QRect percentBox_;

  // State of the drawing context between drawings.
  Pen pen_ = Pen::Initial;
  bool whiteFill_ = true;
  QColor background_ = Qt::white;

  BoxLook lastBox_;
  bool lastBoxIntact_ = false;
  bool fullRedraw_ = false;
  bool destroyed_ = false;
  QRect changed_;
  std::optional<QPainter> canvas_;
  int drawDepth_ = 0;
};

}  // namespace fw
