#include "ui/platform/bComboEditChoice.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include "ui/platform/bComboEdit.h"

namespace fw {

bComboEditChoice::bComboEditChoice(bComboEdit* owner, const QString& resourceName, bool)
    : QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      owner_(owner),
      resourceName_(resourceName) {
  setAttribute(Qt::WA_DeleteOnClose);
  if (owner) owner->SetChoice(this);
}

bComboEditChoice::~bComboEditChoice() = default;

void bComboEditChoice::Show() {
  if (owner_) {
    QPoint at = owner_->mapToGlobal(QPoint(0, owner_->height()));
    // Keep the drop-down on the screen.
    if (const QScreen* screen = owner_->screen()) {
      const QRect area = screen->availableGeometry();
      if (at.y() + height() > area.bottom()) at.setY(std::max(area.top(), at.y() - height() - owner_->height()));
      if (at.x() + width() > area.right()) at.setX(std::max(area.left(), area.right() - width()));
    }
    move(at);
  }
  show();
  raise();
  activateWindow();
}

void bComboEditChoice::DoClose(bool endEdit) {
  if (closing_) return;
  closing_ = true;
  bComboEdit* owner = owner_;
  close();
  if (owner) {
    owner->SetChoice(nullptr);
    if (endEdit) owner->EndEdit();
    else owner->setFocus();
  }
}

void bComboEditChoice::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    DoClose(false);
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace fw
