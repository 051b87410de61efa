#include "core/generate/RunSummary.h"

#include <cstdio>

namespace fw {
namespace {

// At most three names, then how many more: a table of fifty fields must not push the record
// count out of sight.
std::string Names(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size() && i < 3; ++i) text += (i ? ", " : "") + names[i];
  if (names.size() > 3) text += " und " + std::to_string(names.size() - 3) + " weitere";
  return text;
}

std::string Records(uint64_t n) { return GroupedNumber(n) + (n == 1 ? " Datensatz" : " Datensätze"); }

}  // namespace

std::string GroupedNumber(uint64_t n) {
  const std::string digits = std::to_string(n);
  std::string text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += '.';
    text += digits[i];
  }
  return text;
}

std::string DurationText(double seconds) {
  char text[48];
  if (seconds < 60) {
    std::snprintf(text, sizeof text, seconds < 1 ? "%.2f s" : "%.1f s", seconds);
    for (char& c : text)
      if (c == '.') c = ',';
  } else {
    const auto whole = uint64_t(seconds + 0.5);
    std::snprintf(text, sizeof text, "%llu min %llu s",
                  static_cast<unsigned long long>(whole / 60),
                  static_cast<unsigned long long>(whole % 60));
  }
  return text;
}

std::string SummaryText(const RunOutcome& o) {
  std::string text = o.Stopped ? "Abgebrochen (Not- halt): " : "";
  if (o.Appended < o.Requested)
    text += GroupedNumber(o.Appended) + " von " + GroupedNumber(o.Requested) + " Datensätze";
  else
    text += Records(o.Appended);
  text += " in " + DurationText(o.Seconds) + " geschrieben";
  if (!o.Blank.empty()) text += "; leer geblieben: " + Names(o.Blank);
  if (!o.FilledUpTo.empty()) {
    std::vector<std::string> cut;
    for (const auto& [field, record] : o.FilledUpTo)
      cut.push_back(field + " bis Datensatz " + GroupedNumber(record));
    text += "; nur teilweise gefüllt: " + Names(cut);
  }
  if (!o.Refused.empty()) text += "; nicht gefüllt: " + Names(o.Refused);
  if (!o.Indexes.empty()) {
    std::string indexes = o.Indexes;
    if (indexes.back() == '.') indexes.pop_back();
    text += "; " + indexes;
  }
  text += "; die Tabelle enthält jetzt " + Records(o.InTable) + ".";
  return text;
}

std::string::size_type SummaryTailStart(const std::string& summary) {
  const auto at = summary.rfind("; ");
  return at == std::string::npos ? 0 : at + 2;
}

}  // namespace fw
