#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/app/IniFile.h"

namespace fw {

// Every setting of FUELLWERK.INI, typed, with the value the program takes when the file lacks
// it (the delivered file's value in the comment where it differs). The keys are spelled only
// in Settings.cpp: a new setting is a member here and a line in ReadSettings (and, if the
// settings dialog sets it, in SettingsEdit and WriteSettings).
struct Settings {
  // [AppDaten]
  std::string AppName;      // Name (Windows-1252); delivered: Fuellwerk
  std::string AppVersion;   // Version; delivered: 1.0
  std::string SupportMail;  // SupportMail: the address the info window offers, if any
  // [SETTINGS]
  std::string InitDir;          // InitDir: where the open dialog starts (start-up sets it)
  bool ClearBeforeNew = false;  // ClearBeforeNew: preset of "File vor dem Generieren leeren ?"
  std::string DefaultDriver;    // DefaultDriver; delivered: DBFNTX
  bool DefaultLMax = false;     // DefaultLMax
  uint32_t DefaultnMax = 0;     // DefaultnMax (0 unless a whole number); delivered: 20
  std::string DefaultSaetze;    // DefaultSaetze: the record count preset; delivered: 100
  std::vector<std::string> Quellen;  // Quellen: the source picker's names, in the file's order
  uint64_t Seed = 0;            // Seed: 0 draws a fresh seed for every run
  bool SuggestRules = false;    // SuggestRules: suggest rules after a table is chosen
};

// The settings the file holds; what it lacks keeps the defaults above.
Settings ReadSettings(const IniFile& ini);

// What the settings dialog stores: texts as typed, a key without a value left as it is.
struct SettingsEdit {
  std::optional<bool> ClearBeforeNew;
  bool DefaultLMax = false;
  std::string DefaultnMax;
  std::optional<std::string> DefaultDriver;
  std::string DefaultSaetze;
  uint64_t Seed = 0;
  bool SuggestRules = false;
};
void WriteSettings(const IniFile& ini, const SettingsEdit& edit);
// Start-up: the open dialog's first folder.
void WriteInitDir(const IniFile& ini, std::string_view folder);

// The seed a settings text (key Seed) or the command line asks for: a whole number from 1 to
// 18446744073709551615, blanks around it allowed. Anything else, 0 included, gives 0: a fresh
// seed for each run.
uint64_t SeedFromText(std::string_view text);

}  // namespace fw
