#include "ui/app/Globals.h"

namespace fw {

std::string gcTestDaten;
std::string gcProgrammDaten;
IniFile goIni;
std::string gcAppName;
std::string gcAppVersion;
std::string gcDefaultDriver;
uint32_t nGaugeStep = 1;

}  // namespace fw
