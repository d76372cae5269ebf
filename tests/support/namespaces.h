// Kernel namespaces for tests: a network of a test process's own, so that two
// test runs on one machine never meet on a loopback port; and a view of the
// file system of a forked piece's own, where folders such as the home folder
// are empty and can be arranged freely without touching the machine's.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Moves this process into a new network namespace with only the loopback
// interface, brought up. Call it before any thread starts (threads made before
// stay behind). Needs root; false with the reason in `why` otherwise.
bool EnterOwnNetworkNamespace(std::string* why);

// Moves this process into a mount namespace of its own in which the user's
// folder for locks (platform::InstanceLockFolder, made in the home folder when
// missing) is covered by a fresh empty one: the programs a test starts meet
// each other's single-instance lock, never the machine's or another test's.
// Call it before any thread starts. As root, or else through a user namespace
// of its own (the same uid) where the kernel allows one; false with the reason
// in `why` otherwise.
bool EnterOwnLockFolder(std::string* why);

// What a piece run by RunWithCoveredFolders reports.
struct CoveredRun {
    bool ran = false;      // false: the namespace could not be made, or the piece crashed or hung
    std::string report;    // what the piece returned, or why it did not run
};

// Runs `body` in a forked child with a mount namespace of its own in which each
// folder of `covered` is hidden under an empty tmpfs (mode 0755, root's); the
// child's changes there vanish with it. The tests' own source and build trees
// stay in view where they lie under a covered folder. Processes the body starts share its
// view. Needs root. The body's string comes back as the report; a body that
// runs longer than `timeoutMs` is killed.
CoveredRun RunWithCoveredFolders(const std::vector<std::string>& covered, const std::function<std::string()>& body,
                                 int timeoutMs);

// Runs `body` in a forked child with a mount namespace of its own in which a
// tmpfs mounted with `options` (such as "size=64k,nr_inodes=16,mode=0755")
// covers `folder`: a small file system the body may fill. Needs root; `ran` is
// false, with the reason in the report, where the mount is not permitted.
CoveredRun RunOnOwnTmpfs(const std::string& folder, const std::string& options,
                         const std::function<std::string()>& body, int timeoutMs);

// Uses up the file system that holds `folder`: every inode left, by empty
// files named "inode-<n>", or every block left, by one file "blocks" written
// until the system refuses more. Returns how many were made.
int UseUpInodes(const std::string& folder);
long long UseUpBlocks(const std::string& folder);

// The home folder of the effective user in the password database.
std::string PasswordHome();
