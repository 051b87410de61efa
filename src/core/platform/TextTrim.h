#pragma once
#include <string_view>

namespace fw {

// Blanks and tabs: the white space around a value that someone typed or a file stored.
inline constexpr std::string_view kBlanksAndTabs = " \t";

namespace text_trim_detail {
// A plain loop over the few characters of the set: find_first_not_of with a set calls memchr
// once per character of the text, which costs more than the trimming of a field value.
inline bool InSet(char c, std::string_view set) {
  for (char s : set)
    if (c == s) return true;
  return false;
}
}  // namespace text_trim_detail

// The text without the characters of `set` at its start (TrimLeft), its end (TrimRight) or
// both (Trim). A view into the same text.
inline std::string_view TrimLeft(std::string_view s, std::string_view set = kBlanksAndTabs) {
  size_t first = 0;
  while (first < s.size() && text_trim_detail::InSet(s[first], set)) ++first;
  return s.substr(first);
}
inline std::string_view TrimRight(std::string_view s, std::string_view set = kBlanksAndTabs) {
  size_t end = s.size();
  while (end > 0 && text_trim_detail::InSet(s[end - 1], set)) --end;
  return s.substr(0, end);
}
inline std::string_view Trim(std::string_view s, std::string_view set = kBlanksAndTabs) {
  return TrimRight(TrimLeft(s, set), set);
}

}  // namespace fw
