#pragma once
#include <QPoint>
#include <cstdint>

#include "ui/platform/bBrowser.h"

namespace fw {

// The grid of the generation window: row selector, cell-by-cell cursor, clickable captions,
// fixed column order, logicals as check boxes and the two row brushes of the program. It
// remembers where the mouse was last pressed.
class MyBBrowser : public bBrowser {
  Q_OBJECT
public:
  MyBBrowser(QWidget* owner, int id, bBrowserEvents* events);

  QPoint nMousePos() const { return mousePos_; }
  uint32_t nMousePosX() const { return uint32_t(std::max(0, mousePos_.x())); }
  uint32_t nMousePosY() const { return uint32_t(std::max(0, mousePos_.y())); }

protected:
  void OnMousePress(const QPoint& pos) override { mousePos_ = pos; }

private:
  QPoint mousePos_;
};

}  // namespace fw
