#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// Word-source files: "<folder><name>.txt", Windows-1252 text, entries separated by commas
// only, each entry trimmed.

// A source name is a file name inside the data folder: no path separator, no "..", no
// control character, not empty.
bool IsPlainSourceName(std::string_view name);

// The path of the word file of `name` (Windows-1252, trailing blanks already removed) in
// `folder` (ending in "/"), matched without regard to letter case; the exact spelling wins
// when several match. Empty when there is none, when it is no regular file, or when the name
// is not plain.
std::string FindSourceFile(const std::string& folder, std::string_view name);

// The largest word file read; larger files are refused.
constexpr size_t kMaxWordFileBytes = 16u << 20;

enum class WordFileRead { Ok, Missing, TooLarge, Unreadable };

// Reads a word file whole and turns it into Windows-1252: a file that is valid UTF-8 with
// non-ASCII letters (and a UTF-8 byte-order mark) is converted, any other is taken as it is.
WordFileRead ReadWordFile(const std::string& path, std::string& text);

// The entries of a word file's text: split at every comma, each trimmed of blanks, tabs and
// line breaks. k commas give k + 1 entries.
std::vector<std::string> SplitWordList(std::string_view text);

// Only the entries that are not empty, in their order.
std::vector<std::string> NonEmptyEntries(std::vector<std::string> entries);

}  // namespace fw
