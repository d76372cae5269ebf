// A user's machine as the private runtime folder and the single-instance lock
// see it, arranged inside a piece run by RunWithCoveredFolders over the
// folders in kCoveredForRuntime: the home folder from the password database,
// /run (for /run/user/<uid>) and /tmp are empty there, so every arrangement
// starts from nothing and vanishes with the piece.
#pragma once

#include <string>
#include <vector>

// The folders a piece covers before Arrange.
std::vector<std::string> CoveredForRuntime();

struct RuntimeMachine {
    enum Session { kNoSession, kSession, kOpenSession };     // /run/user/<uid>: none, 0700, 0755
    enum HomeFolder { kNone, kOthers, kOpen, kFile, kLink };  // <home>/.rerovora-runtime-<uid> before any start
    Session session = kNoSession;
    HomeFolder homeFolder = kNone;
};

// Paths of the arrangement. Folders made in `scratch` for naming in
// XDG_RUNTIME_DIR: "private" (0700, this user's), "open" (0755), "link" (a link
// to "private"), "others" (0700, the unprivileged account's), "sticky" (1777,
// where any account may make a folder first: its "run" is free).
struct RuntimePlaces {
    std::string scratch;
    std::string session;      // /run/user/<uid>
    std::string homeRuntime;  // <home>/.rerovora-runtime-<uid>: the lock's folder
    // The folder a token names: "" none, "session", "home", or one of scratch's.
    std::string Named(const std::string& token) const;
    // The token naming `path`, or "other: <path>".
    std::string TokenOf(const std::string& path) const;
};

// Arranges `machine`; returns what failed, or "".
std::string ArrangeRuntime(const RuntimeMachine& machine, RuntimePlaces* places);

// The environment of one start: XDG_RUNTIME_DIR as `xdgToken` names it (unset
// for ""), HOME a folder of the scratch named `home` (so no start finds its
// folder through $HOME).
void SetStartEnvironment(const RuntimePlaces& places, const std::string& xdgToken, const std::string& home);
