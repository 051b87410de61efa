#include "core/generate/WeightedList.h"

#include <cmath>
#include <functional>

#include "core/generate/WordSource.h"
#include "core/platform/CodePage.h"

namespace fw {
namespace {

constexpr std::string_view kWeightsLine = "#gewichte";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// A positive number of digits with at most one "."; false for anything else.
bool ParseWeight(std::string_view text, double& weight) {
  double whole = 0, scale = 1;
  bool point = false, digits = false;
  for (char c : text) {
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      digits = true;
      if (point) {
        scale /= 10;
        whole += (c - '0') * scale;
      } else {
        whole = whole * 10 + (c - '0');
      }
    } else {
      return false;
    }
  }
  weight = whole;
  return digits && std::isfinite(weight) && weight > 0;
}

// `place(offset)` names the place of a fault, offset counted from 0 in `text`.
bool Parse(std::string_view text, uint32_t fieldLength, WeightedList& list, std::string& error,
           const std::function<std::string(size_t)>& place) {
  list.Values.clear();
  list.Weights.clear();
  size_t pos = 0;
  const size_t n = text.size();
  for (;;) {
    while (pos < n && IsBlank(text[pos])) ++pos;
    const size_t start = pos;
    std::string value;
    if (pos < n && text[pos] == '"') {
      ++pos;
      for (;;) {
        if (pos >= n) {
          error = "Das Anführungszeichen " + place(start) + " wird nicht geschlossen.";
          return false;
        }
        if (text[pos] == '"') {
          if (pos + 1 < n && text[pos + 1] == '"') {
            value += '"';
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        value += text[pos++];
      }
      while (pos < n && IsBlank(text[pos])) ++pos;
      if (pos < n && text[pos] != ',' && text[pos] != ':') {
        error = "Nach dem Wert in Anführungszeichen " + place(start) +
                " muss ein Doppelpunkt oder ein Komma folgen.";
        return false;
      }
    } else {
      const size_t end = text.find_first_of(",:", pos);
      value = Trimmed(text.substr(pos, end == std::string_view::npos ? n - pos : end - pos));
      pos = end == std::string_view::npos ? n : end;
    }
    if (value.empty()) {
      error = "Leerer Wert " + place(start) + ".";
      return false;
    }
    if (fieldLength > 0 && value.size() > fieldLength) {
      error = "Der Wert \"" + Cp1252ToUtf8(value) + "\" " + place(start) +
              " ist länger als das Feld (" + std::to_string(fieldLength) + " Zeichen).";
      return false;
    }
    double weight = 1;
    if (pos < n && text[pos] == ':') {
      const size_t weightStart = ++pos;
      const size_t end = text.find(',', pos);
      pos = end == std::string_view::npos ? n : end;
      const std::string_view weightText = Trimmed(text.substr(weightStart, pos - weightStart));
      if (!ParseWeight(weightText, weight)) {
        error = "Das Gewicht " + place(weightStart) + " ist keine positive Zahl: \"" +
                Cp1252ToUtf8(weightText) + "\".";
        return false;
      }
    }
    list.Values.push_back(std::move(value));
    list.Weights.push_back(weight);
    if (pos >= n) return true;
    ++pos;  // the comma
  }
}

// The length of the first line of `text` (without its line break) when it is the weights
// line, else npos.
size_t WeightsLineEnd(std::string_view text) {
  const size_t end = std::min(text.find('\n'), text.size());
  const std::string_view line = Trimmed(text.substr(0, end));
  if (line.size() != kWeightsLine.size()) return std::string_view::npos;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != kWeightsLine[i]) return std::string_view::npos;
  }
  return end;
}

}  // namespace

bool ParseWeightedValues(std::string_view text, uint32_t fieldLength, WeightedList& list,
                         std::string& error) {
  return Parse(text, fieldLength, list, error,
               [](size_t offset) { return "an Stelle " + std::to_string(offset + 1); });
}

bool HasWeightsLine(std::string_view fileText) {
  return WeightsLineEnd(fileText) != std::string_view::npos;
}

bool ParseWordFileWeights(std::string_view fileText, uint32_t fieldLength, WeightedList& list,
                          std::string& error) {
  const size_t lineEnd = WeightsLineEnd(fileText);
  if (lineEnd == std::string_view::npos) {
    list.Values = NonEmptyEntries(SplitWordList(fileText));
    list.Weights.assign(list.Values.size(), 1.0);
    return true;
  }
  const std::string_view rest = fileText.substr(std::min(lineEnd + 1, fileText.size()));
  const size_t restOffset = fileText.size() - rest.size();
  return Parse(rest, fieldLength, list, error, [&](size_t offset) {
    size_t line = 1;
    for (size_t i = 0; i < restOffset + offset; ++i) line += fileText[i] == '\n';
    return "in Zeile " + std::to_string(line);
  });
}

}  // namespace fw
