#include "ui/gauge/GaugePainter.h"

#include <QFontMetrics>
#include <algorithm>
#include <cstdint>

namespace fw {

namespace {

const QString kFullText = QStringLiteral("100 %");
const QColor kFrameGrey(192, 192, 192);
const QColor kLightGrey(240, 240, 240);  // outline of an erased bar area
const QColor kBoxGreen(56, 211, 103);    // below 80 %
const QColor kBoxOrange(255, 170, 85);   // 80 % to 90 %
const QColor kBoxRed(255, 109, 95);      // above 90 %

// Windows' MulDiv: a * b / c rounded half away from zero.
int MulDiv(int a, int b, int c) {
  const int64_t p = static_cast<int64_t>(a) * b;
  const int64_t q = (p >= 0 ? p + c / 2 : p - c / 2) / c;
  return static_cast<int>(q);
}

double Clamp01(double f) {
  if (!(f > 0)) return 0;  // also NaN
  return f > 1 ? 1 : f;
}

int Channel(int v) { return std::clamp(v, 0, 255); }

// (l, t, r, b) with swapped corners put right; covers columns l..r-1, rows t..b-1.
QRect Normalised(int l, int t, int r, int b) {
  if (r < l) std::swap(l, r);
  if (b < t) std::swap(t, b);
  return QRect(l, t, r - l, b - t);
}

// Percentage as shown for 0 <= f <= 1: whole per cent, halves rounded up.
int Percent(double f) { return static_cast<int>(f * 100.0 + 0.5); }

int BoxColourIndex(double f) {
  if (f < 0.8) return 0;
  if (f > 0.9) return 2;
  return 1;
}

const QColor& BoxColour(int index) {
  return index == 0 ? kBoxGreen : index == 2 ? kBoxRed : kBoxOrange;
}

}  // namespace

double MyDiv(double a, double b) { return b == 0 ? 0.0 : a / b; }

GaugePainter::DrawScope::~DrawScope() {
  if (--g_.drawDepth_ == 0) g_.canvas_.reset();
}

GaugePainter::GaugePainter(QSize clientSize, QColor stripTextColor, int dpiY)
    : dpiY_(dpiY > 0 ? dpiY : 96), stripTextColor_(stripTextColor) {
  Resize(clientSize);
  Update(0);
}

void GaugePainter::Resize(QSize clientSize) {
  if (destroyed_) return;
  canvas_.reset();
  size_ = clientSize.expandedTo(QSize(0, 0));
  image_ = size_.isEmpty() ? QImage() : QImage(size_, QImage::Format_RGB32);
  if (!image_.isNull()) image_.fill(Qt::white);
  // A fresh context: its own black pen, white fill and white background.
  pen_ = Pen::Initial;
  whiteFill_ = true;
  background_ = Qt::white;
  lastBoxIntact_ = false;
  changed_ = image_.rect();
  ComputeTextPosition();
}

void GaugePainter::OnDestroy() {
  destroyed_ = true;
  canvas_.reset();
  image_ = QImage();
  barFont_ = QFont();
  lastBoxIntact_ = false;
  changed_ = QRect();
}

QRect GaugePainter::TakeChangedRect() {
  const QRect r = changed_;
  changed_ = QRect();
  return r;
}

QPainter* GaugePainter::Canvas() {
  if (image_.isNull() || drawDepth_ == 0) return nullptr;
  if (!canvas_) canvas_.emplace(&image_);
  return &*canvas_;
}

void GaugePainter::Mark(const QRect& r) {
  if (!image_.isNull()) changed_ |= r.intersected(image_.rect());
}

// ---- operations -----------------------------------------------------------------------

void GaugePainter::Update(int32_t nIncrement) {
  DrawScope scope(*this);  // costs nothing until something is drawn
  if (nIncrement == 0) {
    Clear();
  } else {
    const int64_t sum = static_cast<int64_t>(BarPosn) + nIncrement;
    if (sum < 0) {
      BarPosn = 0;
      Clear();
    } else {
      BarPosn = static_cast<uint32_t>(std::min<int64_t>(sum, BarTotal));
    }
  }
  DrawBar(MyDiv(BarPosn, BarTotal));
}

void GaugePainter::Clear() {
  DrawScope scope(*this);
  BarPosn = 0;
  shadeA_ = 0;
  shadeB_ = 0;
  const int w = size_.width();
  const int h = size_.height();
  DrawFrame(0, 0, w, h);

  // Font height in points from the client size; a negative Windows height asks for the
  // character height without internal leading, which is Qt's pixel size.
  const int points = Vertical ? static_cast<int>(w * 0.2) : static_cast<int>(h * 0.3);
  QFont font(QStringLiteral("Liberation Sans"));  // metric twin of Arial
  font.setWeight(QFont::Bold);
  font.setItalic(false);
  font.setUnderline(false);
  font.setStrikeOut(false);
  const int pixels = MulDiv(points, dpiY_, 72);
  if (pixels > 0) font.setPixelSize(pixels);
  barFont_ = font;
  const QFontMetrics fm = image_.isNull() ? QFontMetrics(font) : QFontMetrics(font, &image_);
  cx_ = fm.horizontalAdvance(kFullText);
  cy_ = fm.height();
  fontAscent_ = fm.ascent();
  ComputeTextPosition();

  // Both ends lie beyond the full bar, so the next drawing erases the whole bar area. Both
  // are set so that a change of orientation without Clear() stays inside the bar area.
  pixelStep_ = ((Vertical ? h : w) - 2) / 400.0;
  barEndY_ = 2;
  barEndX_ = w + 2;
  DrawBar(0);
}

void GaugePainter::DrawBar(double fFraction) {
  if (Vertical)
    DrawBarVert(fFraction);
  else
    DrawBarHor(fFraction);
}

void GaugePainter::OnDraw() {
  DrawScope scope(*this);
  const uint32_t saved = BarPosn;
  Update(0);
  // Same as Update(saved), also for positions beyond the range of an increment.
  if (saved == 0) {
    Update(0);
  } else {
    BarPosn = std::min(saved, BarTotal);
    DrawBar(MyDiv(BarPosn, BarTotal));
  }
}

void GaugePainter::DrawFrame(int nLeft, int nTop, int nRight, int nBottom) {
  DrawScope scope(*this);
  // Each outline has a pen of its own; the selected pen stays as it was. The fill is the
  // context's: white only on a fresh context, hollow after any bar drawing.
  Rectangle(nLeft, nTop, nRight, nBottom, kFrameGrey, 1, whiteFill_);
  Rectangle(nLeft + 1, nTop + 1, nRight - 1, nBottom - 1, Qt::white, 1, whiteFill_);
  Rectangle(nLeft + 2, nTop + 2, nRight - 2, nBottom - 2, kFrameGrey, 1, whiteFill_);
  lastBoxIntact_ = false;
}

void GaugePainter::ComputeTextPosition() {
  // Where "100 %" would be centred; every percentage starts here. Depends on the size and
  // the font only, so it is worked out when either changes.
  textPosX_ = size_.width() / 2 - cx_ / 2;
  textPosY_ = size_.height() / 2 - cy_ / 2;
}

void GaugePainter::DrawBarHor(double fFraction) {
  const double f = Clamp01(fFraction);
  const int w = size_.width();
  const int h = size_.height();
  // The bar covers columns 5..newX-1; 5 is the end of an empty bar, w - 2 of a full one.
  const int newX = 4 + static_cast<int>((w - 7) * f) + 1;
  if (newX == barEndX_ && BoxUnchanged(f, false)) return;
  DrawScope scope(*this);
  const bool shrinks = newX < barEndX_;
  if (!shrinks) {
    // A gauge narrower than 8 pixels has no room for a strip.
    for (int x = barEndX_; x < newX; ++x) {
      if (w >= 8) PaintStrip(QRect(x, 3, 1, h - 6));
      barEndX_ = x + 1;
    }
  }
  barEndX_ = newX;
  if (shrinks) {
    whiteFill_ = true;
    pen_ = Pen::Light;
    RectangleWithCurrentPen(newX, 3, w - 1, h - 3);
    lastBoxIntact_ = false;
  }
  DrawPercentBox(f, textPosX_ - cx_ / 2 + 1, textPosY_ + 1, textPosX_ + (3 * cx_) / 2 - 1,
                 textPosY_ + cy_ - 1, false);
}

void GaugePainter::DrawBarVert(double fFraction) {
  const double f = Clamp01(fFraction);
  const int w = size_.width();
  const int h = size_.height();
  // The bar covers rows newY..h-4; h - 3 is the top of an empty bar, 3 of a full one.
  const int newY = (h - 3) - static_cast<int>((h - 6) * f);
  if (newY == barEndY_ && BoxUnchanged(f, true)) return;
  DrawScope scope(*this);
  const bool shrinks = newY > barEndY_;
  if (!shrinks) {
    // A gauge lower than 7 pixels has no room for a strip.
    for (int y = barEndY_ - 1; y >= newY; --y) {
      if (h >= 7) PaintStrip(QRect(3, y, w - 6, 1));
      barEndY_ = y;
    }
  }
  barEndY_ = newY;
  if (shrinks) {
    // Rows 3..newY-1: the whole area above the new bar, its top row included, so that no
    // strip of the longer bar is left behind.
    whiteFill_ = true;
    pen_ = Pen::Light;
    RectangleWithCurrentPen(3, 3, w - 3, newY);
    lastBoxIntact_ = false;
  }
  DrawPercentBox(f, textPosX_ - static_cast<int>(cx_ * 0.1), textPosY_,
                 textPosX_ + static_cast<int>(cx_ * 1.1), textPosY_ + cy_, true);
}

// ---- strips ---------------------------------------------------------------------------

QColor GaugePainter::NextStripColour() {
  // The shade deepens by about one step per 1/400 of the bar: ShadeA first, then ShadeB
  // until it reaches 150.
  const int n = pixelStep_ > 0 ? static_cast<int>(1 / pixelStep_) + 1 : 0;
  if (n > 0) {
    if (shadeA_ + n <= 255)
      shadeA_ += n;
    else if (shadeB_ < 150)
      shadeB_ += n;
  }
  const int a = Channel(255 - shadeA_);
  const int b = Channel(255 - shadeB_);
  switch (Color) {
    case kBlue: return QColor(a, a, b);
    case kRed: return QColor(b, a, a);
    case kGreen: return QColor(a, b, a);
    default: return background_;  // no colour of its own: the context's background
  }
}

void GaugePainter::PaintStrip(const QRect& strip) {
  const QColor colour = NextStripColour();
  // "100 %" clipped to the strip; its glyph parts end up under the percentage box.
  TextOut(strip, stripTextColor_, colour, kFullText);
  lastBoxIntact_ = false;
}

// ---- primitives -----------------------------------------------------------------------

void GaugePainter::Rectangle(int l, int t, int r, int b, const QColor& penColour, int penWidth,
                             bool whiteFill) {
  const QRect rect = Normalised(l, t, r, b);
  if (rect.isEmpty()) return;
  // A wider pen is centred on the border: a 2-pixel outline adds a ring just outside.
  const int outside = penWidth / 2;
  Mark(rect.adjusted(-outside, -outside, outside, outside));
  QPainter* p = Canvas();
  if (!p) return;
  if (whiteFill) p->fillRect(rect, Qt::white);
  for (int i = -outside; i < penWidth - outside; ++i) {
    const QRect ring = rect.adjusted(i, i, -i, -i);
    if (ring.isEmpty()) break;
    p->fillRect(QRect(ring.left(), ring.top(), ring.width(), 1), penColour);
    p->fillRect(QRect(ring.left(), ring.bottom(), ring.width(), 1), penColour);
    p->fillRect(QRect(ring.left(), ring.top(), 1, ring.height()), penColour);
    p->fillRect(QRect(ring.right(), ring.top(), 1, ring.height()), penColour);
  }
}

void GaugePainter::RectangleWithCurrentPen(int l, int t, int r, int b) {
  switch (pen_) {
    case Pen::Initial: Rectangle(l, t, r, b, Qt::black, 1, whiteFill_); break;
    case Pen::Light: Rectangle(l, t, r, b, kLightGrey, 1, whiteFill_); break;
    case Pen::Box: Rectangle(l, t, r, b, Qt::black, 2, whiteFill_); break;
  }
}

void GaugePainter::TextOut(const QRect& clip, const QColor& text, const QColor& background,
                           const QString& s) {
  // Opaque and clipped: the rectangle takes the background colour, the text starts at the
  // text position and shows only inside the rectangle. A rectangle with swapped corners is
  // empty here.
  background_ = background;
  if (clip.isEmpty()) return;
  Mark(clip);
  QPainter* p = Canvas();
  if (!p) return;
  p->fillRect(clip, background);
  p->setClipRect(clip);
  p->setFont(barFont_);
  p->setPen(text);
  p->drawText(QPoint(textPosX_, textPosY_ + fontAscent_), s);
  p->setClipping(false);
}

GaugePainter::BoxLook GaugePainter::LookOfBox(double f, bool vertical) const {
  return BoxLook{vertical, Percent(f), BoxColourIndex(f), vertical ? pen_ : Pen::Box};
}

bool GaugePainter::BoxUnchanged(double f, bool vertical) const {
  // A box draws the same pixels each time; over an untouched box of the same look a redraw
  // would change nothing. The common case: an advance that moves neither the bar end nor
  // the percentage.
  return !fullRedraw_ && lastBoxIntact_ && LookOfBox(f, vertical) == lastBox_;
}

void GaugePainter::DrawPercentBox(double f, int l, int t, int r, int b, bool vertical) {
  if (BoxUnchanged(f, vertical)) return;
  const BoxLook look = LookOfBox(f, vertical);
  const int colourIndex = look.colour;
  const int percent = look.percent;

  whiteFill_ = false;
  if (vertical) {
    RectangleWithCurrentPen(l, t, r, b);
    ++l;
    ++t;
    --r;
    --b;
  }
  barText_ = QString::number(percent) + QStringLiteral(" %");
  percentBox_ = QRect(l, t, r - l, b - t);
  TextOut(percentBox_, Qt::white, BoxColour(colourIndex), barText_);
  pen_ = Pen::Box;
  RectangleWithCurrentPen(l, t, r, b);

  lastBox_ = look;
  lastBoxIntact_ = true;
}

}  // namespace fw
