// A word-source file of arbitrary bytes: read (as Windows-1252 or UTF-8), split into its
// comma-separated entries and cleared of empty ones, as the fill run loads a word source.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzFolder.h"
#include "core/generate/WordSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = fuzz::PrivateFolder("fuzzwords") + "Worte.txt";
  fuzz::WriteBytes(path, std::string_view(reinterpret_cast<const char*>(data), size));
  std::string text;
  if (fw::ReadWordFile(path, text) != fw::WordFileRead::Ok) return 0;
  const std::vector<std::string> entries = fw::NonEmptyEntries(fw::SplitWordList(text));
  for (const std::string& entry : entries)
    if (entry.empty()) std::abort();  // NonEmptyEntries keeps none
  return 0;
}
