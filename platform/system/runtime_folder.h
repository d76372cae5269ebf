// The user's private folders: where this user's processes meet (the
// single-instance lock is a file there) and where Qt keeps its per-session
// files. No other account can make, enter or replace what is in them.
//
// The lock's folder depends on the account alone, so every start of one user
// meets every other, whatever its environment names and whichever folders
// exist when it starts (a service at boot, before the login manager made
// /run/user/<uid>, and a start by hand from the desktop later):
//   ".rerovora-runtime-<uid>" in the home folder that the password database
//   gives for the effective user (not $HOME, which differs between ways of
//   starting), made on first use. The home folder must be one no other
//   account may write (owned by the user or by root, not writable by group or
//   others): in any other, another account could put its own folder there first.
//
// Qt's per-session folder is the session's when there is one, so the program
// and the desktop agree on it:
//  1. XDG_RUNTIME_DIR, when it names a private folder;
//  2. /run/user/<uid>, the login manager's folder for the user, when it is
//     private;
//  3. the lock's folder.
//
// Private means a real directory (not a link), owned by the effective user,
// with mode 0700 exactly. A folder that exists with any other owner or mode
// is never used, nor repaired: another account may have been inside it.
#pragma once

#include <string>

namespace platform {

struct RuntimeFolder {
    std::string path;   // empty when the user has no such private folder
    std::string notes;  // why the folders before it (or all of them) were passed over
};

// The single-instance lock's folder, made when it is missing.
RuntimeFolder InstanceLockFolder();

// The folder for Qt's per-session files (XDG_RUNTIME_DIR).
RuntimeFolder PrivateRuntimeFolder();

// Opens `path` as a private folder of this user (checked on the open folder
// itself, so it cannot be swapped between the check and its use). Returns the
// descriptor, or -1 with the reason in `why`.
int OpenPrivateFolder(const std::string& path, std::string* why);

}  // namespace platform
