// Named locks for the single-instance guard, in the role of named mutexes.
//
// A lock is a file named after the name in the user's private folder for locks
// (InstanceLockFolder, platform/system/runtime_folder.h), locked with flock:
// holding the lock is owning it. The file is never closed, so the lock is held
// until the process ends, and the kernel frees it however the process ends.
// Locks are per user: the folder's place depends on the account alone, so
// every process of the user finds the same one however it was started
// (whatever XDG_RUNTIME_DIR says, whether /run/user/<uid> exists or not), and
// no other account can enter it, so none can hold or block the lock. The lock
// is not tied to a network namespace: processes meet when they see the same
// folder (the tests give the programs they start one of their own by mounting
// a fresh folder over it in a mount namespace).
//
// When the lock cannot be had for any reason but another holder (no private
// folder, a file that cannot be opened or locked), the reason is written to
// stderr once and the caller hears WAIT_FAILED: the guard is off.
#pragma once

#include "platform/base/types.h"

// Returns a handle to the named lock, or null when the user has no private
// folder for locks (said on stderr). With `initialOwner` the lock is taken at once
// when it is free. A name already created in this process gives the same
// handle. `security` is ignored.
HANDLE CreateMutexW(void* security, BOOL initialOwner, LPCWSTR name);

// WAIT_OBJECT_0 when this process owns the lock or takes it now (a lock whose
// holder died is free again); WAIT_TIMEOUT when another live process still holds
// it after `milliseconds` (0: ask once; INFINITE: wait for it); WAIT_FAILED on a
// bad handle or when the lock cannot be taken at all (said on stderr).
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// Gives the lock up, so that another process can take it. FALSE when this
// process did not own it.
BOOL ReleaseMutex(HANDLE handle);
