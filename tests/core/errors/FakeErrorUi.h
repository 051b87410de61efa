#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/errors/DefError.h"

namespace fw::test {

// Answers error boxes from a script instead of asking a user, and records what was shown.
class FakeErrorUi : public ErrorUi {
public:
  // Each answer may run an action first (making room on a disk, say) and then picks a choice:
  // kChoiceDefault, kChoiceRetry or 0 for the quit value offered.
  struct Answer {
    uint32_t Choice = kChoiceDefault;
    std::function<void()> Before;
  };
  std::deque<Answer> Script;
  std::vector<ErrorBoxRequest> Boxes;
  std::vector<unsigned> Tones;
  std::vector<std::string> Messages;

  uint32_t ErrorBox(const ErrorBoxRequest& request) override {
    Boxes.push_back(request);
    Answer a;
    if (!Script.empty()) {
      a = std::move(Script.front());
      Script.pop_front();
    }
    if (a.Before) a.Before();
    return a.Choice == 0 ? request.QuitChoice : a.Choice;
  }
  void Tone(unsigned hertz, unsigned) override { Tones.push_back(hertz); }
  void PlainMessage(const std::string& text, const std::string& caption) override {
    Messages.push_back(caption + ": " + text);
  }
};

}  // namespace fw::test
