#pragma once
#include <QLabel>

namespace fw {

// The summary line of the generation window. text() is the whole summary; what is shown is
// wrapped into the label's lines, and when it does not fit, the middle gives way to "…" so
// that the beginning (what happened) and the last part (the records the table now holds) stay
// in sight. The tooltip then shows the whole text.
class SummaryLabel : public QLabel {
  Q_OBJECT
public:
  explicit SummaryLabel(QWidget* parent);
  void SetText(const QString& text) { setText(text); update(); }

  // What the label shows of `text` within `area` for these font metrics.
  static QString Fitted(const QString& text, const QFontMetrics& metrics, const QRect& area);
  QString Shown() const;

protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;
};

}  // namespace fw
