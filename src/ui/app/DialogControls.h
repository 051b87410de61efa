#pragma once
#include <QCheckBox>
#include <QGroupBox>

namespace fw {

// A check box with its text at the left edge and the box at the right edge of the control.
class LeftTextCheckBox : public QCheckBox {
  Q_OBJECT
public:
  explicit LeftTextCheckBox(const QString& text, QWidget* parent = nullptr);

protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override;

private:
  QRect IndicatorRect() const;
};

// A group box drawn as the dialogs of this program were laid out: the frame fills the control's
// rectangle and its title sits on the top line, near the left, blanks included. Without a title
// the frame starts at the very top, so a flat box serves as a rule.
class FrameBox : public QGroupBox {
  Q_OBJECT
public:
  explicit FrameBox(const QString& title, QWidget* parent = nullptr);

protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace fw
