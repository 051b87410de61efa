#include "core/generate/SourceData.h"

#include <string_view>

namespace fw {
namespace {

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

struct AreaCode {
  std::string Prefix, Code, Town;
};

}  // namespace

Places MakePlaces(const std::vector<std::string>& pairs,
                  const std::vector<std::string>& areaCodes) {
  std::vector<AreaCode> codes;
  for (const std::string& entry : areaCodes) {
    const size_t first = entry.find(' ');
    const size_t second = first == std::string::npos ? first : entry.find(' ', first + 1);
    if (second == std::string::npos) continue;
    AreaCode code{entry.substr(0, first), entry.substr(first + 1, second - first - 1),
                  entry.substr(second + 1)};
    if (AllDigits(code.Prefix) && code.Code.size() >= 3 && code.Code[0] == '0' &&
        AllDigits(code.Code) && !code.Town.empty())
      codes.push_back(std::move(code));
  }
  Places places;
  for (const std::string& entry : pairs) {
    if (entry.size() < 7 || entry[5] != ' ' || !AllDigits(std::string_view(entry).substr(0, 5)))
      continue;
    std::string postcode = entry.substr(0, 5), town = entry.substr(6);
    std::string area;
    for (const AreaCode& code : codes)
      if (code.Town == town && postcode.compare(0, code.Prefix.size(), code.Prefix) == 0) {
        area = code.Code;
        break;
      }
    places.Postcode.push_back(std::move(postcode));
    places.Town.push_back(std::move(town));
    places.AreaCode.push_back(std::move(area));
  }
  return places;
}

People MakePeople(const std::vector<std::string>& male, const std::vector<std::string>& female,
                  const std::vector<std::string>& last) {
  People people;
  for (const std::string& name : male) {
    people.First.push_back(name);
    people.Female.push_back(false);
  }
  for (const std::string& name : female) {
    people.First.push_back(name);
    people.Female.push_back(true);
  }
  people.Last = last;
  return people;
}

}  // namespace fw
