#include "core/generate/SourceData.h"

#include <map>
#include <string_view>
#include <unordered_map>

#include "core/app/Utilities.h"
#include "core/platform/CodePage.h"

namespace fw {
namespace {

struct AreaCode {
  std::string Prefix, Code;
};

// Splits "first second rest" at its first two blanks; `rest` may be empty (one blank only)
// when `restOptional`. False when the entry has no such shape.
bool SplitEntry(const std::string& entry, std::string& first, std::string& second,
                std::string& rest, bool restOptional) {
  const size_t one = entry.find(' ');
  if (one == std::string::npos) return false;
  const size_t two = entry.find(' ', one + 1);
  if (two == std::string::npos && !restOptional) return false;
  first = entry.substr(0, one);
  second = entry.substr(one + 1, two == std::string::npos ? std::string::npos : two - one - 1);
  rest = two == std::string::npos ? std::string() : entry.substr(two + 1);
  return !second.empty();
}

// The states by postcode prefix, and by prefix and town for the pairs whose postcode is
// shared with places of another state.
class StateTable {
public:
  explicit StateTable(const std::vector<std::string>& entries) {
    std::string prefix, state, town;
    for (const std::string& entry : entries) {
      if (!SplitEntry(entry, prefix, state, town, true) || !AllDigits(prefix) ||
          prefix.size() > 5)
        continue;
      // The first entry of a prefix counts, as it does for the area codes.
      if (town.empty()) byPrefix_.emplace(prefix, state);
      else byTown_.emplace(prefix + ' ' + town, state);
    }
  }
  bool Empty() const { return byPrefix_.empty() && byTown_.empty(); }
  std::string Of(const std::string& postcode, const std::string& town) const {
    for (size_t length = postcode.size(); length > 0; --length) {
      const auto it = byTown_.find(postcode.substr(0, length) + ' ' + town);
      if (it != byTown_.end()) return it->second;
    }
    for (size_t length = postcode.size(); length > 0; --length) {
      const auto it = byPrefix_.find(postcode.substr(0, length));
      if (it != byPrefix_.end()) return it->second;
    }
    return {};
  }

private:
  std::map<std::string, std::string> byPrefix_, byTown_;
};

}  // namespace

Places MakePlaces(const std::vector<std::string>& pairs, const std::vector<std::string>& areaCodes,
                  const std::vector<std::string>& states, uint32_t townWidth,
                  bool townWidthInUtf8) {
  // Area codes by town, in the order of the file: thousands of entries are looked up once per
  // pair, so they are found by the town's name instead of one by one.
  std::unordered_map<std::string, std::vector<AreaCode>> codes;
  for (const std::string& entry : areaCodes) {
    std::string prefix, code, town;
    if (!SplitEntry(entry, prefix, code, town, false)) continue;
    if (AllDigits(prefix) && code.size() >= 3 && code[0] == '0' && AllDigits(code) &&
        !town.empty())
      codes[town].push_back(AreaCode{std::move(prefix), std::move(code)});
  }
  const StateTable stateTable(states);
  auto isPair = [](const std::string& entry) {
    return entry.size() >= 7 && entry[5] == ' ' && AllDigits(std::string_view(entry).substr(0, 5));
  };
  // A town cut by its field ("Heidenheim an der Br") is no real town: draw only the pairs
  // whose town fits, if there are any.
  auto fits = [&](const std::string& entry) {
    const std::string_view town = std::string_view(entry).substr(6);
    return (townWidthInUtf8 ? Cp1252ToUtf8(town).size() : town.size()) <= townWidth;
  };
  bool someFit = false;
  for (const std::string& entry : pairs)
    someFit = someFit || (isPair(entry) && fits(entry));
  const bool onlyFitting = townWidth > 0 && someFit;
  Places places;
  for (const std::string& entry : pairs) {
    if (!isPair(entry) || (onlyFitting && !fits(entry))) continue;
    std::string postcode = entry.substr(0, 5), town = entry.substr(6);
    std::string area;
    if (const auto it = codes.find(town); it != codes.end())
      for (const AreaCode& code : it->second)
        if (postcode.compare(0, code.Prefix.size(), code.Prefix) == 0) {
          area = code.Code;
          break;
        }
    places.State.push_back(stateTable.Empty() ? std::string() : stateTable.Of(postcode, town));
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
