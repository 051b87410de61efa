#include "ModalAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

namespace fw::test {

ModalAnswerer::ModalAnswerer(std::function<void(QWidget*)> answer, int intervalMs)
    : answer_(std::move(answer)), timer_(new QTimer(this)) {
  connect(timer_, &QTimer::timeout, this, &ModalAnswerer::Poll);
  timer_->start(intervalMs);
}

ModalAnswerer::~ModalAnswerer() = default;

void ModalAnswerer::Poll() {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal || modal == last_) return;
  last_ = modal;
  Captions << modal->windowTitle();
  auto* box = qobject_cast<QMessageBox*>(modal);
  Texts << (box ? box->text() : QString());
  if (answer_) {
    answer_(modal);
  } else if (box) {
    box->accept();
    box->done(QMessageBox::Ok);
  } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
    dialog->accept();
  }
  QTimer::singleShot(0, this, [this] { last_ = nullptr; });
}

void ModalAnswerer::PressButton(QWidget* modal, const QString& text) {
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    for (QAbstractButton* button : box->buttons()) {
      if (button->text().remove('&') == text) {
        button->click();
        return;
      }
    }
  }
  if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->accept();
}

}  // namespace fw::test
