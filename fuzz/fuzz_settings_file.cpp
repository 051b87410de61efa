// A settings file of arbitrary bytes: every key the program reads, read as text, number and
// logical, then a value written and read again.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/app/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "fuzzini-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern + "/FUELLWERK.INI";
  }();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
  }
  fw::IniFile ini(path);
  static const char* const kKeys[][2] = {
      {"AppDaten", "AppName"}, {"AppDaten", "Version"}, {"SETTINGS", "InitDir"},
      {"SETTINGS", "Driver"},  {"SETTINGS", "Seed"},    {"SETTINGS", "DeleteLog"},
      {"SETTINGS", "Exclusive"}};
  for (const auto& key : kKeys) {
    ini.GetString(key[0], key[1]);
    ini.GetInt(key[0], key[1]);
    ini.GetLogic(key[0], key[1]);
  }
  ini.WriteString("SETTINGS", "InitDir", "/tmp/Test Daten");
  ini.GetString("SETTINGS", "InitDir");
  return 0;
}
