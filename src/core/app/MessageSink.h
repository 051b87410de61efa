#pragma once
#include <string>

namespace fw {

enum class MessageIcon { Exclamation, Stop, Information };

// Shows a modal message with an OK button, owned by the current window. Texts are UTF-8;
// lines are separated by "\r\n" as the messages are written.
class MessageSink {
public:
  virtual ~MessageSink() = default;
  virtual void ShowMessage(const std::string& caption, const std::string& text,
                           MessageIcon icon) = 0;
};

}  // namespace fw
