#pragma once
#include <cstdint>
#include <string>
#include <utility>

#include "core/platform/Date.h"
#include "core/platform/Error.h"

namespace fw {

class RandomStream;

// Everything the definition tables, the analysis and the fill run take from their
// surroundings, handed to them instead of read from the program's globals: the generation
// window builds one from the program's state, the command-line filler from its options, a test
// from its temporary folder. The core never writes into the program's state; what it finds out
// (the driver of an analysed table) it returns, and the caller decides whether to keep it.
struct RunContext {
  // The folder of the definition tables and the word sources, with its trailing "/".
  std::string DataFolder;
  // The table driver the definition tables are opened with; empty takes each file's own.
  std::string Driver;
  // Records per gauge step (0 counts as 1).
  uint32_t GaugeStep = 1;
  // The source of the fill run's draws: each planned field takes its own seed from it, so the
  // same seed here gives the same data. Not owned; must outlive every run that uses it.
  RandomStream* Random = nullptr;
  // How dates are shown to and read from the user (the preview's texts); the window passes the
  // format it shows. Rules files keep their own fixed day.month.year whatever this says.
  DateFormat Dates = GermanDateFormat();
  // Handles the errors of the table layer while the core works for this context; empty leaves
  // the handling already in force (the program's error block) in charge.
  ErrorBlock OnError;
};

// Puts a context's error handling in force for its own lifetime; a context without one leaves
// the handling already in force untouched.
class RunErrorScope {
public:
  explicit RunErrorScope(const RunContext& context) : active_(bool(context.OnError)) {
    if (active_) previous_ = SetErrorBlock(context.OnError);
  }
  ~RunErrorScope() {
    if (active_) SetErrorBlock(std::move(previous_));
  }
  RunErrorScope(const RunErrorScope&) = delete;
  RunErrorScope& operator=(const RunErrorScope&) = delete;

private:
  bool active_;
  ErrorBlock previous_;
};

}  // namespace fw
