#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace fw {

// What one run did, as far as its summary line tells it. Field names in UTF-8.
struct RunOutcome {
  uint32_t Requested = 0;  // records asked for
  uint32_t Appended = 0;   // records the run appended
  uint32_t InTable = 0;    // records the table holds afterwards
  double Seconds = 0;      // the time the write took
  bool Stopped = false;    // "Not- halt" ended the run early
  // Fields their rules left out, fields the stop left blank in every new record, and fields
  // the stop cut short: filled up to that record number of the table.
  std::vector<std::string> Refused;
  std::vector<std::string> Blank;
  std::vector<std::pair<std::string, uint32_t>> FilledUpTo;
  // What became of the table's index files ("KUNDEN.CDX und KDNR.NTX neu aufgebaut"), or empty.
  std::string Indexes;
};

// The run's summary in German. It ends with the records the table now holds, whatever comes
// before, so a display that has to shorten it keeps that last part.
std::string SummaryText(const RunOutcome& outcome);

// The last part of a summary: "die Tabelle enthält jetzt …" (from the last "; " on).
std::string::size_type SummaryTailStart(const std::string& summary);

// A count with points between groups of three digits, as German texts write it: 1.000.000.
std::string GroupedNumber(uint64_t n);

// Seconds with a decimal comma: two decimals below one second, one below a minute, then
// minutes and whole seconds.
std::string DurationText(double seconds);

}  // namespace fw
