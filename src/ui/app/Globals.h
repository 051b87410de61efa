#pragma once
#include <cstdint>
#include <string>

#include "core/app/IniFile.h"

namespace fw {

// The window program's process-wide values, set by start-up (App::Start) and read only by
// the window program; the core receives what it needs in a RunContext.
// The three paths are beside the program, or in the user's folders for an installed copy
// (core/app/AppFolders.h).
extern std::string gcTestDaten;      // program folder + "TestDaten/"
extern std::string gcProgrammDaten;  // program folder + "ProgrammDaten/"
extern IniFile goIni;                // program folder + "FUELLWERK.INI"
extern std::string gcAppName;        // [AppDaten] Name (Windows-1252)
extern std::string gcAppVersion;     // [AppDaten] Version (Windows-1252)
extern std::string gcDefaultDriver;  // the current table driver name
extern uint32_t nGaugeStep;          // records per gauge step

}  // namespace fw
