#pragma once
#include <QString>

#include "core/errors/DefError.h"

namespace fw {

// Button texts of the error box.
inline const char* const kErrorBoxDefaultText = "Fortfahren";
inline const char* const kErrorBoxRetryText = "Wiederholen";
inline const char* const kErrorBoxQuitText = "Programm beenden";

// The error box and tones of the default error handler, as Qt message boxes owned by the
// active window: the error text, the caption, a stop icon (a warning icon for warnings) and
// the offered choices. Escape and the close button take the default when it is offered,
// otherwise retry, otherwise quit.
class QtErrorUi : public ErrorUi {
public:
  uint32_t ErrorBox(const ErrorBoxRequest& request) override;
  void Tone(unsigned hertz, unsigned units) override;
  void PlainMessage(const std::string& text, const std::string& caption) override;
};

// "\r\n"-separated UTF-8 text as the box shows it.
QString ErrorBoxText(const std::string& text);

}  // namespace fw
