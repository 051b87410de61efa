#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QTimer;
class QWidget;

namespace fw::test {

// Answers modal windows (message boxes, dialogs) while a test drives code that opens them.
// Polls for QApplication::activeModalWidget(); records caption and text of each box and
// answers it with `answer` (by default: accept it, i.e. press OK).
class ModalAnswerer : public QObject {
  Q_OBJECT
public:
  explicit ModalAnswerer(std::function<void(QWidget*)> answer = {}, int intervalMs = 20);
  ~ModalAnswerer() override;

  QStringList Captions;
  QStringList Texts;  // message-box texts; empty for other dialogs
  int Count() const { return Captions.size(); }

  // Presses the button with this text in a QMessageBox (or accepts any other dialog).
  static void PressButton(QWidget* modal, const QString& text);

private:
  void Poll();
  std::function<void(QWidget*)> answer_;
  QTimer* timer_;
  QWidget* last_ = nullptr;
};

}  // namespace fw::test
