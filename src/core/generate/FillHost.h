#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "core/app/MessageSink.h"
#include "core/fields/FieldKind.h"

namespace fw {

// A progress gauge as the fill run drives it.
class ProgressGauge {
public:
  virtual ~ProgressGauge() = default;
  virtual void SetBarTotal(uint32_t total) = 0;
  virtual void Clear() = 0;
  virtual void Update(int32_t increment) = 0;

  // `times` calls of Update(increment) in a row; ends early after a call that leaves `running`
  // false (a stop pressed while the gauge let events run) and returns the calls made. A gauge
  // that can show the end position at once overrides it.
  virtual uint32_t Advance(uint32_t times, int32_t increment, const std::atomic<bool>& running) {
    for (uint32_t i = 0; i < times; ++i) {
      Update(increment);
      if (!running.load(std::memory_order_relaxed)) return i + 1;
    }
    return times;
  }
};

// What the fill run needs of the window that hosts it: one gauge, one status text and one
// grid per field type, message boxes, the busy pointer, the "vorhanden" count, and a way to
// let pending window events run (where a press of the stop button is handled). The
// generation window, the command-line filler and the tests each implement it.
class FillHost : public MessageSink {
public:
  virtual ProgressGauge& Gauge(FieldKind kind) = 0;
  virtual void SetStatusText(FieldKind kind, const std::string& text) = 0;  // UTF-8
  virtual void RefreshGrid(FieldKind kind) = 0;
  virtual void RemoveSelection(FieldKind kind) = 0;
  virtual void ProcessEvents() = 0;
  virtual void SetBusyPointer(bool busy) = 0;
  virtual void ShowRecordCount(uint32_t count) = 0;
  // The one sequential write after the passes: called with 0 before the first record, then
  // after each piece (about 1 MiB) that reached the file and once more at the end, with the
  // records written so far.
  virtual void ShowWriteProgress(uint32_t /*written*/, uint32_t /*total*/) {}
};

// A host that shows nothing: its gauge moves without drawing, status texts, grids, the
// busy pointer and the record count go nowhere, and events are not pumped. The preview, the
// benchmark and the fuzz target fill through it; each decides what a message means.
class QuietFillHost : public FillHost {
public:
  ProgressGauge& Gauge(FieldKind) override { return gauge_; }
  void SetStatusText(FieldKind, const std::string&) override {}
  void RefreshGrid(FieldKind) override {}
  void RemoveSelection(FieldKind) override {}
  void ProcessEvents() override {}
  void SetBusyPointer(bool) override {}
  void ShowRecordCount(uint32_t) override {}

private:
  class UnseenGauge : public ProgressGauge {
  public:
    void SetBarTotal(uint32_t) override {}
    void Clear() override {}
    void Update(int32_t) override {}
    // As the default would, without the calls: all steps, or one when the run is stopped.
    uint32_t Advance(uint32_t times, int32_t, const std::atomic<bool>& running) override {
      return running.load(std::memory_order_relaxed) || times == 0 ? times : 1;
    }
  };
  UnseenGauge gauge_;
};

}  // namespace fw
