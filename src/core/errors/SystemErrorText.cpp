#include "core/errors/SystemErrorText.h"

#include <cerrno>

#include "core/platform/Error.h"

namespace fw {

std::string SystemErrorText(uint32_t osCode) {
  switch (osCode) {
    case 2: return "Die Datei wurde nicht gefunden.";
    case 3: return "Der Pfad wurde nicht gefunden.";
    case 5: return "Zugriff verweigert.";
    case 19: return "Der Datenträger ist schreibgeschützt.";
    case kOsSharingViolation: return "Die Datei wird von einem anderen Programm benutzt.";
    case kOsLockViolation: return "Ein anderes Programm hat die Datei gesperrt.";
    case 112: return "Auf dem Datenträger ist nicht genug Platz.";
    // errno values that reach here unmapped
    case EPERM: case EACCES: return "Zugriff verweigert.";
    case ENOTDIR: return "Ein Teil des Pfades ist kein Ordner.";
    case ENOSPC: return "Auf dem Datenträger ist nicht genug Platz.";
    case EROFS: return "Der Datenträger ist schreibgeschützt.";
    case EMFILE: case ENFILE: return "Es sind zu viele Dateien geöffnet.";
    case ENAMETOOLONG: return "Der Dateiname ist zu lang.";
    case ELOOP: return "Der Pfad enthält zu viele symbolische Verknüpfungen.";
    case ENOMEM: return "Nicht genug Arbeitsspeicher.";
    case EBUSY: return "Die Datei ist belegt.";
    case ESTALE: return "Die Datei auf dem Netzlaufwerk ist nicht mehr gültig.";
    default: return "Systemfehler " + std::to_string(osCode) + ".";
  }
}

}  // namespace fw
