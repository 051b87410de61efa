#pragma once
#include <string>

namespace fw {

// The user's own folders after the XDG base directory rules, each ending in "/":
// $XDG_CONFIG_HOME/fuellwerk/ (else ~/.config/fuellwerk/) for settings and remembered rules,
// $XDG_DATA_HOME/fuellwerk/ (else ~/.local/share/fuellwerk/) for data the program writes.
// A relative XDG value is ignored, as the rules ask. Empty when neither the variable nor HOME
// gives an absolute folder. Nothing is created here; see MakeFolders.
std::string UserConfigFolder();
std::string UserDataFolder();

// Creates the folder and every missing folder above it (mode 0700 for the new ones). True when
// the folder exists afterwards.
bool MakeFolders(const std::string& path);

}  // namespace fw
