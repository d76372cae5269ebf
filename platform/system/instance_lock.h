// Named locks for the single-instance guard, in the role of named mutexes.
//
// A lock is a file named after the name in the user's runtime folder, locked
// with flock: holding the lock is owning it. The file is never closed, so the
// lock is held until the process ends, and the kernel frees it however the
// process ends. Names are per user: the folder is XDG_RUNTIME_DIR when that is
// private to the user (a directory of the user's own, closed to group and
// others), else /tmp/rerovora-runtime-<uid>, made private on first use. No
// other account can enter the folder, so none can hold or block the lock. Two
// processes of one user meet only when they agree on the folder (both with, or
// both without, the same XDG_RUNTIME_DIR).
#pragma once

#include "platform/base/types.h"

// Returns a handle to the named lock, or null when the user has no private
// runtime folder (another account made the /tmp one first; said on stderr). With
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
