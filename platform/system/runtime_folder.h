// The user's private runtime folder: where this user's processes meet (the
// single-instance lock is a file there) and where Qt keeps its per-session
// files. No other account can make, enter or replace what is in it.
//
// One folder per user, chosen the same way however the program is started:
//  1. XDG_RUNTIME_DIR, when it names a private folder: the session's own;
//  2. /run/user/<uid>, the login manager's folder for the user, when it is
//     private: so a start without the variable (a script, su, a service) meets
//     a start from the desktop session, whose variable names this folder;
//  3. ".rerovora-runtime" in the home folder that the password database gives
//     for the user (not $HOME, which differs between ways of starting), made on
//     first use.
// Private means a real directory (not a link), owned by the effective user,
// with mode 0700 exactly. A folder that exists with any other owner or mode
// is never used, nor repaired: another account may have been inside it.
#pragma once

#include <string>

namespace platform {

struct RuntimeFolder {
    std::string path;   // empty when the user has no private runtime folder
    std::string notes;  // why the folders before it (or all of them) were passed over
};

// Decides the folder, making the one in the home folder when it is the first
// private candidate that is missing.
RuntimeFolder PrivateRuntimeFolder();

// Opens `path` as a private folder of this user (checked on the open folder
// itself, so it cannot be swapped between the check and its use). Returns the
// descriptor, or -1 with the reason in `why`.
int OpenPrivateFolder(const std::string& path, std::string* why);

}  // namespace platform
