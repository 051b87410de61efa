#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// Values with weights, as a rule's WERTE key or a weighted word file gives them: a value is
// drawn with the share weight / sum of all weights. Texts are Windows-1252.
struct WeightedList {
  std::vector<std::string> Values;
  std::vector<double> Weights;  // one per value, each positive and finite
};

// Parses the WERTE notation: entries separated by commas, each a value with an optional
// ":weight" ("offen:6,bezahlt:3,storniert:1"); the weight is 1 when left out, otherwise a
// positive number with digits and at most one "." (2, 0.5). Blanks, tabs and line breaks
// around a value or a weight are dropped. A value in double quotes keeps everything inside
// them, commas, colons and blanks included; "" inside stands for one quote. Without quotes a
// value ends at the first comma or colon.
// `fieldLength` (0: no limit) is the longest value allowed. On failure returns false and sets
// `error` to a German sentence that names the place ("an Stelle 12", counting characters
// from 1); `list` is then unspecified.
bool ParseWeightedValues(std::string_view text, uint32_t fieldLength, WeightedList& list,
                         std::string& error);

// Word files may carry weights. A file whose first line is "#Gewichte" (letter case and
// blanks around it do not matter) holds the rest in the WERTE notation, and a fault is named
// by its line ("in Zeile 3"). Any other file keeps its old meaning: entries separated by
// commas, each a word as it stands (a colon or a quote in it is part of the word), empty
// entries left out, every word with weight 1.
bool HasWeightsLine(std::string_view fileText);
bool ParseWordFileWeights(std::string_view fileText, uint32_t fieldLength, WeightedList& list,
                          std::string& error);

}  // namespace fw
