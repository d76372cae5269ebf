// A program started by a test: its own folder, its output in files, ended by pid.
#pragma once

#include <filesystem>
#include <functional>
#include <sys/types.h>
#include <string>
#include <vector>

class ChildProcess {
public:
    // Starts `program` with `args` in `workDir`; stdout and stderr go to files there.
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                 const std::filesystem::path& workDir);
    ~ChildProcess();  // ends the process if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int pid() const { return m_pid; }
    bool Running();
    // Sends `signal` and waits up to `timeoutMs` for the end; true when it ended.
    bool Stop(int signal, int timeoutMs);
    // Waits for the end; returns the exit status (or 128 + signal), -1 on time-out.
    int Wait(int timeoutMs);
    std::string Stderr() const;
    std::string Stdout() const;
    // Waits until the standard error holds `text`.
    bool WaitForStderr(const std::string& text, int timeoutMs) const;

private:
    int m_pid = -1;
    int m_status = -1;
    bool m_reaped = false;
    std::filesystem::path m_out, m_err;
};

// A piece of a test run in a forked copy of the test process, so that a call that
// hangs cannot hang the test and a change of user cannot outlive the piece.
struct ForkedRun {
    enum Outcome { kExited, kHung, kCrashed, kNoUnprivilegedUser };
    Outcome outcome = kHung;
    int code = -1;  // the body's result when it exited
};

// Runs `body` in a child and waits up to `timeoutMs` for it (a hung child is
// killed). With `unprivileged`, a test running as root runs the body as the user
// "nobody" (groups dropped); a test not running as root already is unprivileged.
// The body's result (0 to 125) is its exit code.
ForkedRun RunForked(const std::function<int()>& body, int timeoutMs, bool unprivileged = false);

// The user and group that RunForked(..., true) runs as.
uid_t UnprivilegedUid();
gid_t UnprivilegedGid();

// Polls `done` every few milliseconds for up to `timeoutMs`.
bool WaitFor(const std::function<bool()>& done, int timeoutMs);
