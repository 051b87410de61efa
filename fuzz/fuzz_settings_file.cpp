// A settings file of arbitrary bytes: every key the program reads, read as the program reads
// it (text, number, logical, seed, list of sources); then a value is written, and read back
// the same.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzFolder.h"
#include "core/app/IniFile.h"
#include "core/app/Utilities.h"
#include "core/generate/Random.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = fuzz::PrivateFolder("fuzzini") + "FUELLWERK.INI";
  fuzz::WriteBytes(path, std::string_view(reinterpret_cast<const char*>(data), size));
  fw::IniFile ini(path);
  // Each read opens the file afresh, as the program's do: one read per key, as the program
  // reads that key.
  for (const char* key : {"Name", "Version", "SupportMail"}) ini.GetString("AppDaten", key);
  for (const char* key : {"DefaultDriver", "DefaultSaetze", "InitDir"})
    ini.GetString("SETTINGS", key);
  for (const char* key : {"ClearBeforeNew", "DefaultLMax", "SuggestRules"})
    ini.GetLogic("SETTINGS", key);
  ini.GetInt("SETTINGS", "DefaultnMax");
  fw::SeedFromText(ini.GetString("SETTINGS", "Seed"));
  fw::String2Array(ini.GetString("SETTINGS", "Quellen"), ",");
  // A written value is what the next read finds, whatever else the file holds.
  ini.WriteString("SETTINGS", "InitDir", "/tmp/Test Daten");
  if (ini.GetString("SETTINGS", "InitDir") != "/tmp/Test Daten") std::abort();
  return 0;
}
