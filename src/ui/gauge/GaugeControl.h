#pragma once
#include <QWidget>
#include <cstdint>

#include "core/generate/FillHost.h"
#include "ui/gauge/GaugePainter.h"

namespace fw {

// The progress gauge of the generation window: a bar shaded from light to dark and a box
// with the percentage, green below 80 %, orange up to 90 %, red above.
//
// It draws at once into a picture of its own and shows the changed part immediately
// (synchronous repaint), so progress is visible while a fill run keeps the user-interface
// thread busy. An advance that moves neither the bar end nor the percentage costs next to
// nothing. The drawing itself lives in GaugePainter.
class GaugeControl : public QWidget, public ProgressGauge {
  Q_OBJECT

public:
  explicit GaugeControl(QWidget* parent = nullptr);
  ~GaugeControl() override;

  // The count that stands for 100 %.
  uint32_t BarTotal() const { return painter_.BarTotal; }
  void SetBarTotal(uint32_t total) override { painter_.BarTotal = total; }
  // Current position; Update keeps it within 0..BarTotal.
  uint32_t BarPosn() const { return painter_.BarPosn; }
  void SetBarPosn(uint32_t posn) { painter_.BarPosn = posn; }
  // Bottom to top instead of left to right; takes effect with the next Clear() or Update(0).
  bool Vertical() const { return painter_.Vertical; }
  void SetVertical(bool vertical);
  // Bar colours: 1 blue, 2 red, 3 green.
  int32_t Color() const { return painter_.Color; }
  void SetColor(int32_t color) { painter_.Color = color; }

  // 0 resets to 0 %; otherwise moves the position by nIncrement and draws.
  void Update(int32_t nIncrement) override;
  // Position 0, shading restarted, geometry and font from the current size.
  void Clear() override;
  void DrawBar(double fFraction);
  void DrawBarHor(double fFraction);
  void DrawBarVert(double fFraction);
  void DrawFrame(int nLeft, int nTop, int nRight, int nBottom);
  // Rebuilds the whole picture at the current position (also done after a resize).
  void OnDraw();
  // Releases picture and font; the gauge draws nothing afterwards. Done by the destructor.
  void OnDestroy();

  // The picture and the inner drawing state.
  const GaugePainter& Painter() const { return painter_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void FollowSize();  // a picture the size of the client area, rebuilt when that changes
  void ShowChanges();

  GaugePainter painter_;
};

}  // namespace fw
