#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fw {

// The data the built-in sources draw from, read from word files of the data folder
// (Windows-1252, entries separated by commas).

// Real postcode–town pairs, with the telephone area code and the federal state of each pair
// where they are known.
struct Places {
  std::vector<std::string> Postcode, Town;
  std::vector<std::string> AreaCode, State;  // "" when not known (or not asked for)
  size_t Size() const { return Postcode.size(); }
};

// Builds the places from entries "PLZ Ort" (five digits, a blank, the town), area-code
// entries "PLZ-Anfang Vorwahl Ort" and state entries "PLZ-Anfang Land" or "PLZ-Anfang Land Ort".
// An area code belongs to the pairs of that town whose postcode begins with the prefix; the
// first entry that fits counts. A state belongs to the pairs whose postcode begins with the
// prefix, the longest prefix counting, and an entry naming a town before any entry without
// one. Entries of any other shape are left out, and, when `townWidth` is not 0 and some pair's
// town has at most that many characters, the pairs whose town is longer (`townWidthInUtf8`:
// the width counts the bytes of the town in UTF-8, as a table in UTF-8 holds it).
Places MakePlaces(const std::vector<std::string>& pairs, const std::vector<std::string>& areaCodes,
                  const std::vector<std::string>& states = {}, uint32_t townWidth = 0,
                  bool townWidthInUtf8 = false);

// First names with their gender, and surnames.
struct People {
  std::vector<std::string> First;
  std::vector<bool> Female;
  std::vector<std::string> Last;
};
People MakePeople(const std::vector<std::string>& male, const std::vector<std::string>& female,
                  const std::vector<std::string>& last);

}  // namespace fw
