#pragma once
#include <string_view>

namespace fw {

// Blanks and tabs: the white space around a value that someone typed or a file stored.
inline constexpr std::string_view kBlanksAndTabs = " \t";

// The text without the characters of `set` at its start (TrimLeft), its end (TrimRight) or
// both (Trim). A view into the same text.
inline std::string_view TrimLeft(std::string_view s, std::string_view set = kBlanksAndTabs) {
  const size_t first = s.find_first_not_of(set);
  return first == std::string_view::npos ? std::string_view() : s.substr(first);
}
inline std::string_view TrimRight(std::string_view s, std::string_view set = kBlanksAndTabs) {
  const size_t last = s.find_last_not_of(set);
  return last == std::string_view::npos ? std::string_view() : s.substr(0, last + 1);
}
inline std::string_view Trim(std::string_view s, std::string_view set = kBlanksAndTabs) {
  return TrimRight(TrimLeft(s, set), set);
}

}  // namespace fw
