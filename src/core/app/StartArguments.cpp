#include "core/app/StartArguments.h"

namespace fw {

const char* const kStartHelp =
    "Aufruf: fuellwerk [TABELLE.dbf]\n"
    "\n"
    "Füllt vorhandene dBase-Tabellen (DBF) mit Zufallsdaten. Mit einer TABELLE öffnet sich\n"
    "gleich das Fenster \"Dateien mit Daten füllen\" mit dieser Tabelle.\n"
    "\n"
    "Optionen:\n"
    "  --version   die Version zeigen\n"
    "  -h, --help  diese Hilfe\n"
    "\n"
    "Ohne Fenster füllt fuellwerk-fill eine Tabelle (mehr mit fuellwerk-fill --help).\n";

StartArguments ParseStartArguments(const std::vector<std::string>& arguments) {
  StartArguments result;
  bool onlyFiles = false;
  for (const std::string& arg : arguments) {
    if (!onlyFiles && arg == "--") {
      onlyFiles = true;
    } else if (!onlyFiles && arg == "--version") {
      result.Do = StartArguments::Action::Version;
      return result;
    } else if (!onlyFiles && (arg == "-h" || arg == "--help")) {
      result.Do = StartArguments::Action::Help;
      return result;
    } else if (!onlyFiles && arg.size() > 1 && arg[0] == '-') {
      result.Do = StartArguments::Action::Usage;
      result.Message = "Unbekannte Option " + arg + ".";
      return result;
    } else if (!result.Table.empty()) {
      result.Do = StartArguments::Action::Usage;
      result.Message = "Nur eine Tabelle kann angegeben werden.";
      return result;
    } else if (arg.empty()) {
      result.Do = StartArguments::Action::Usage;
      result.Message = "Der Name der Tabelle ist leer.";
      return result;
    } else {
      result.Table = arg;
    }
  }
  return result;
}

StartArguments::Action EarlyAction(int argc, const char* const* argv) {
  for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--") break;
    if (arg == "--version") return StartArguments::Action::Version;
    if (arg == "-h" || arg == "--help") return StartArguments::Action::Help;
  }
  return StartArguments::Action::Run;
}

}  // namespace fw
