#include "core/app/Settings.h"

#include "core/app/Utilities.h"
#include "core/platform/TextTrim.h"

namespace fw {
namespace {

constexpr const char* kApp = "AppDaten";
constexpr const char* kSettings = "SETTINGS";

}  // namespace

Settings ReadSettings(const IniFile& ini) {
  Settings s;
  s.AppName = ini.GetString(kApp, "Name");
  s.AppVersion = ini.GetString(kApp, "Version");
  s.SupportMail = ini.GetString(kApp, "SupportMail");
  s.InitDir = ini.GetString(kSettings, "InitDir");
  s.ClearBeforeNew = ini.GetLogic(kSettings, "ClearBeforeNew");
  s.DefaultDriver = ini.GetString(kSettings, "DefaultDriver");
  s.DefaultLMax = ini.GetLogic(kSettings, "DefaultLMax");
  s.DefaultnMax = ini.GetInt(kSettings, "DefaultnMax");
  s.DefaultSaetze = ini.GetString(kSettings, "DefaultSaetze");
  s.Quellen = String2Array(ini.GetString(kSettings, "Quellen"), ",");
  s.Seed = SeedFromText(ini.GetString(kSettings, "Seed"));
  s.SuggestRules = ini.GetLogic(kSettings, "SuggestRules");
  return s;
}

void WriteSettings(const IniFile& ini, const SettingsEdit& edit) {
  if (edit.ClearBeforeNew) ini.WriteString(kSettings, "ClearBeforeNew", *edit.ClearBeforeNew ? "1" : "0");
  ini.WriteLogic(kSettings, "DefaultLMax", edit.DefaultLMax);
  ini.WriteString(kSettings, "DefaultnMax", edit.DefaultnMax);
  if (edit.DefaultDriver) ini.WriteString(kSettings, "DefaultDriver", *edit.DefaultDriver);
  ini.WriteString(kSettings, "DefaultSaetze", edit.DefaultSaetze);
  ini.WriteString(kSettings, "Seed", std::to_string(edit.Seed));
  ini.WriteLogic(kSettings, "SuggestRules", edit.SuggestRules);
}

void WriteInitDir(const IniFile& ini, std::string_view folder) {
  ini.WriteString(kSettings, "InitDir", folder);
}

uint64_t SeedFromText(std::string_view text) {
  text = TrimRight(TrimLeft(text), " \t\r");
  if (text.empty()) return 0;
  uint64_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    const uint64_t digit = uint64_t(c - '0');
    if (n > (~0ull - digit) / 10) return 0;  // beyond 64 bits: no usable seed
    n = n * 10 + digit;
  }
  return n;
}

}  // namespace fw
