#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/generate/FillHost.h"

namespace fw::cli {

// The fill run's window on a terminal: messages on stderr, and on a terminal one progress
// bar per field with the status texts ("Feld X wird gefüllt.", "Beendet"). Off a terminal a
// plain line per finished field; quiet shows no progress at all.
class CliHost : public FillHost {
public:
  enum class Progress { None, Lines, Bars };
  CliHost(std::FILE* out, Progress progress) : out_(out), progress_(progress) {
    for (Bar& bar : gauges_) bar.Host = this;
  }
  CliHost(const CliHost&) = delete;
  CliHost& operator=(const CliHost&) = delete;

  // Messages are kept instead of shown, and no progress shows (for the check before a run).
  bool Collect = false;
  std::vector<std::string> Collected;
  uint32_t MessageCount = 0;

  ProgressGauge& Gauge(FieldKind kind) override { return gauges_[int(kind)]; }
  void SetStatusText(FieldKind kind, const std::string& text) override;
  void RefreshGrid(FieldKind) override {}
  void RemoveSelection(FieldKind) override {}
  void ProcessEvents() override {}
  void SetBusyPointer(bool) override {}
  void ShowRecordCount(uint32_t) override {}
  // On a terminal a bar of its own for the write of the records.
  void ShowWriteProgress(uint32_t written, uint32_t total) override;
  void ShowMessage(const std::string& caption, const std::string& text,
                   MessageIcon icon) override;

  // A line of its own for the step that writes the records.
  void Line(const std::string& text);
  // Ends a bar still open on the terminal (after a stop during the write).
  void Finish() { EndBar(); }

private:
  class Bar : public ProgressGauge {
  public:
    CliHost* Host = nullptr;
    uint32_t Total = 0;
    uint64_t Position = 0;
    int Shown = -1;
    void SetBarTotal(uint32_t total) override { Total = total; }
    void Clear() override {
      Position = 0;
      Shown = -1;
    }
    void Update(int32_t increment) override;
    // Nothing here lets a stop in between: the bar moves to its end position at once.
    uint32_t Advance(uint32_t times, int32_t increment, const std::atomic<bool>&) override {
      Position += uint64_t(times) * uint64_t(increment > 0 ? increment : 0);
      if (Host && Percent() != Shown) Host->Draw(*this);
      return times;
    }
    int Percent() const;
  };
  void Draw(const Bar& bar);
  void EndBar();

  std::FILE* out_;
  Progress progress_;
  Bar gauges_[kFieldKindCount] = {};
  Bar writeBar_;
  bool barOpen_ = false;
  std::string label_;
  int labelKind_ = -1;
};

}  // namespace fw::cli
