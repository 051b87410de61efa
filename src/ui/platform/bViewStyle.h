#pragma once
#include <QBrush>
#include <QColor>
#include <optional>

namespace fw {

// The look of a grid column's cells: text colour, background brush and alignment. A style with
// nothing set leaves the grid's own look. Alignment codes are the grid's: the low byte is the
// horizontal part (0 left, 1 centre, 2 right, 3 centre), the next byte the vertical part
// (0 top, 1 centre, 2 bottom, 3 centre); 771 (0x303) centres both ways.
class bViewStyle {
public:
  bViewStyle() = default;
  bViewStyle(std::optional<QColor> textColor, std::optional<QBrush> background, int alignment = -1)
      : textColor_(std::move(textColor)), background_(std::move(background)), alignment_(alignment) {}

  const std::optional<QColor>& TextColor() const { return textColor_; }
  const std::optional<QBrush>& Background() const { return background_; }
  int AlignmentCode() const { return alignment_; }  // -1: none
  // The alignment as Qt flags; empty when the style sets none.
  Qt::Alignment Alignment() const;

private:
  std::optional<QColor> textColor_;
  std::optional<QBrush> background_;
  int alignment_ = -1;
};

}  // namespace fw
