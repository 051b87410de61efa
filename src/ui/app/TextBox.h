#pragma once
#include <QString>
#include <string>

#include "core/app/MessageSink.h"

class QWidget;

namespace fw {

// A modal message box with an OK button. Texts use "\r\n" between lines, as the program
// writes them; they are shown as lines.
void TextBox(QWidget* owner, const QString& caption, const QString& text, MessageIcon icon);

// Message boxes owned by one window, for the core's messages (UTF-8 texts).
class WindowMessages : public MessageSink {
public:
  explicit WindowMessages(QWidget* owner) : owner_(owner) {}
  void ShowMessage(const std::string& caption, const std::string& text,
                   MessageIcon icon) override;

private:
  QWidget* owner_;
};

}  // namespace fw
