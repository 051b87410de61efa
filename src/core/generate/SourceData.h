#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fw {

// The data the built-in sources draw from, read from word files of the data folder
// (Windows-1252, entries separated by commas).

// Real postcode–town pairs, with the telephone area code where one is known for the town.
struct Places {
  std::vector<std::string> Postcode, Town, AreaCode;  // AreaCode "" when not known
  size_t Size() const { return Postcode.size(); }
};

// Builds the places from entries "PLZ Ort" (five digits, a blank, the town) and area-code
// entries "PLZ-Anfang Vorwahl Ort": the code belongs to the pairs of that town whose postcode
// begins with that prefix. Entries of any other shape are left out.
Places MakePlaces(const std::vector<std::string>& pairs,
                  const std::vector<std::string>& areaCodes);

// First names with their gender, and surnames.
struct People {
  std::vector<std::string> First;
  std::vector<bool> Female;
  std::vector<std::string> Last;
};
People MakePeople(const std::vector<std::string>& male, const std::vector<std::string>& female,
                  const std::vector<std::string>& last);

}  // namespace fw
