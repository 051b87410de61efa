#include "ui/platform/bComboEdit.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

#include "ui/platform/bComboEditChoice.h"

namespace fw {

bComboEdit::bComboEdit(QWidget* parent, bBrowser* browser)
    : QWidget(parent), browser_(browser), edit_(new QLineEdit(this)), button_(new QToolButton(this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(edit_, 1);
  layout->addWidget(button_);
  edit_->setFrame(false);
  button_->setArrowType(Qt::DownArrow);
  button_->setFocusPolicy(Qt::NoFocus);
  button_->setFixedWidth(16);
  setFocusProxy(edit_);
  setAutoFillBackground(true);
  edit_->installEventFilter(this);
  connect(button_, &QToolButton::clicked, this, &bComboEdit::OpenChoice);
}

bComboEdit::~bComboEdit() = default;

QString bComboEdit::Value() const { return edit_->text(); }
void bComboEdit::SetValue(const QString& value) { edit_->setText(value); }
bool bComboEdit::ReadOnly() const { return edit_->isReadOnly(); }
void bComboEdit::SetReadOnly(bool readOnly) { edit_->setReadOnly(readOnly); }

void bComboEdit::OpenChoice() { OnChoiceOpen(); }

void bComboEdit::OnChoiceOpen() {
  if (choice_) choice_->DoClose(false);
}

void bComboEdit::EndEdit() { emit EditEnded(); }

void bComboEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F4 ||
      (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier))) {
    OpenChoice();
    return;
  }
  QWidget::keyPressEvent(event);
}

bool bComboEdit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_F4 ||
        (key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier))) {
      OpenChoice();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace fw
