// Named locks for the single-instance guard, in the role of named mutexes.
//
// A lock is an abstract-namespace local socket whose address is made from the
// name: binding it is owning the lock. The socket is never closed, so the lock is
// held until the process ends, and the kernel frees it however the process ends.
// Names are machine-wide (per network namespace).
#pragma once

#include "platform/base/types.h"

// Returns a handle to the named lock, or null when no socket can be made. With
// `initialOwner` the lock is taken at once when it is free. A name already
// created in this process gives the same handle. `security` is ignored.
HANDLE CreateMutexW(void* security, BOOL initialOwner, LPCWSTR name);

// WAIT_OBJECT_0 when this process owns the lock or takes it now (a lock whose
// holder died is free again); WAIT_TIMEOUT when another live process still holds
// it after `milliseconds` (0: ask once; INFINITE: wait for it); WAIT_FAILED on a
// bad handle or a system error.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// Gives the lock up, so that another process can take it. FALSE when this
// process did not own it.
BOOL ReleaseMutex(HANDLE handle);
