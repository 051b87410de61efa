#pragma once
#include "core/platform/FileIo.h"

namespace fw {

// Holds an operating-system lock on a whole file for as long as the file stays open. The locks
// belong to the open file (open-file-description locks), so they keep out other processes and
// other opens of the same file within this process alike. Exclusive opens take a write lock,
// shared opens a read lock: shared users coexist, an exclusive one is alone. A read-only
// exclusive open can only take a read lock, which keeps writers' exclusive opens out.
// Raises a DbfFailure (generic code "open", errno EAGAIN) when another holds a conflicting lock.
void LockWholeFile(File& file, bool exclusive);

}  // namespace fw
