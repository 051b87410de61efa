#include "ui/errors/ErrorBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace fw {

QString ErrorBoxText(const std::string& text) {
  QString s = QString::fromUtf8(text.data(), qsizetype(text.size()));
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  while (s.endsWith(QLatin1Char('\n'))) s.chop(1);
  return s;
}

uint32_t QtErrorUi::ErrorBox(const ErrorBoxRequest& request) {
  QMessageBox box(request.Warning ? QMessageBox::Warning : QMessageBox::Critical,
                  QString::fromUtf8(request.Caption.c_str()), ErrorBoxText(request.Text),
                  QMessageBox::NoButton, QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  QPushButton* defaultButton = nullptr;
  QPushButton* retryButton = nullptr;
  if (request.DefaultChoice != 0)
    defaultButton = box.addButton(QString::fromUtf8(kErrorBoxDefaultText), QMessageBox::AcceptRole);
  if (request.RetryChoice != 0)
    retryButton = box.addButton(QString::fromUtf8(kErrorBoxRetryText), QMessageBox::AcceptRole);
  QPushButton* quitButton =
      box.addButton(QString::fromUtf8(kErrorBoxQuitText), QMessageBox::DestructiveRole);
  QPushButton* safest = defaultButton ? defaultButton : retryButton ? retryButton : quitButton;
  box.setDefaultButton(safest);
  box.setEscapeButton(safest);
  box.exec();
  const QAbstractButton* clicked = box.clickedButton();
  if (clicked == nullptr) clicked = safest;
  if (clicked == defaultButton) return request.DefaultChoice;
  if (clicked == retryButton) return request.RetryChoice;
  return request.QuitChoice;
}

void QtErrorUi::Tone(unsigned, unsigned) {
  // The window system has one sound; where there is none this does nothing.
  QApplication::beep();
}

void QtErrorUi::PlainMessage(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::Critical, QString::fromUtf8(caption.c_str()), ErrorBoxText(text),
                  QMessageBox::Ok, nullptr);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace fw
