#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/fields/DefinitionTables.h"
#include "core/generate/FillHost.h"
#include "core/platform/DBServer.h"

namespace fw::test {

// Keeps every value a column source produces, in order.
struct RecordingWriter : FieldWriter {
  std::vector<std::string> Texts;
  std::vector<double> Numbers;
  std::vector<bool> Logics;
  std::vector<Date> Dates;
  void PutText(std::string_view text) override { Texts.emplace_back(text); }
  void PutNumber(double number) override { Numbers.push_back(number); }
  void PutLogic(bool logic) override { Logics.push_back(logic); }
  void PutDate(Date date) override { Dates.push_back(date); }
};

// A window without a window: records what the fill run shows, and lets a test act when the
// run processes events (e.g. press the stop button).
class FakeHost : public FillHost {
public:
  struct Gauge : ProgressGauge {
    uint32_t Total = 0;
    int64_t Position = 0;
    int Clears = 0;
    int64_t Updates = 0;
    std::function<void(int64_t)> OnUpdate;  // called with the running number of the update
    void SetBarTotal(uint32_t total) override { Total = total; }
    void Clear() override {
      Position = 0;
      ++Clears;
    }
    void Update(int32_t increment) override {
      Position += increment;
      ++Updates;
      if (OnUpdate) OnUpdate(Updates);
    }
  };
  struct Message {
    std::string Caption, Text;
  };

  Gauge Gauges[kFieldKindCount];
  std::string Status[kFieldKindCount];
  std::vector<std::string> StatusLog;  // "<kind>:<text>" in order
  std::vector<Message> Messages;
  int Events = 0;
  int Refreshes[kFieldKindCount] = {};
  int Removals[kFieldKindCount] = {};
  int BusyOn = 0, BusyOff = 0;
  uint32_t ShownCount = 0;
  std::function<void(int)> OnEvents;  // called with the running number of the event point

  ProgressGauge& Gauge(FieldKind kind) override { return Gauges[int(kind)]; }
  void SetStatusText(FieldKind kind, const std::string& text) override {
    Status[int(kind)] = text;
    StatusLog.push_back(std::to_string(int(kind)) + ":" + text);
  }
  void RefreshGrid(FieldKind kind) override { ++Refreshes[int(kind)]; }
  void RemoveSelection(FieldKind kind) override { ++Removals[int(kind)]; }
  void ProcessEvents() override {
    ++Events;
    if (OnEvents) OnEvents(Events);
  }
  void SetBusyPointer(bool busy) override { ++(busy ? BusyOn : BusyOff); }
  void ShowRecordCount(uint32_t count) override { ShownCount = count; }
  void ShowMessage(const std::string& caption, const std::string& text, MessageIcon) override {
    Messages.push_back({caption, text});
  }
};

// Sets columns of the definition row of `field` (its name as the row holds it, without the
// trailing blanks); fails the test when there is no such row or a value does not fit.
inline void SetRule(DefinitionTables& tables, FieldKind kind, const std::string& field,
                    const std::vector<std::pair<std::string, Value>>& columns) {
  DBServer& t = tables.Table(kind);
  for (uint32_t i = 1; i <= t.RecCount(); ++i) {
    t.GoTo(i);
    std::string name = t.FieldGet("FELDNAMEN").AsText();
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (name != field) continue;
    for (const auto& [column, value] : columns) ASSERT_TRUE(t.FieldPut(column, value)) << column;
    return;
  }
  FAIL() << "no row for " << field;
}

}  // namespace fw::test
