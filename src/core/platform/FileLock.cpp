#include "core/platform/FileLock.h"

#include <fcntl.h>

#include <cerrno>

#include "core/platform/DbfFailure.h"
#include "core/platform/ErrorCodes.h"

namespace fw {

void LockWholeFile(File& file, bool exclusive) {
  struct flock lock {};
  lock.l_type = (exclusive && !file.ReadOnly()) ? F_WRLCK : F_RDLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;  // to the end, however large the file grows
  const int rc = RetryOnInterrupt(
      [&] { return file.Io().FcntlLock(file.Descriptor(), F_OFD_SETLK, &lock); });
  if (rc != 0) {
    int e = errno;
    if (e == EACCES || e == EAGAIN) {
      RaiseDbf(gen::kOpen, "Die Datei wird von einem anderen Programm benutzt.", file.Path(),
               EAGAIN, true);
    }
    RaiseDbf(gen::kOpen, "Die Datei konnte nicht gesperrt werden.", file.Path(), e, true);
  }
}

}  // namespace fw
