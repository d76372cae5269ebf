#include "tests/support/child_process.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

constexpr int kCannotDropPrivileges = 126;

}  // namespace

uid_t UnprivilegedUid() {
    if (::geteuid() != 0) return ::geteuid();
    const passwd* nobody = ::getpwnam("nobody");
    return nobody ? nobody->pw_uid : 65534;
}

gid_t UnprivilegedGid() {
    if (::geteuid() != 0) return ::getegid();
    const passwd* nobody = ::getpwnam("nobody");
    return nobody ? nobody->pw_gid : 65534;
}

ForkedRun RunForked(const std::function<int()>& body, int timeoutMs, bool unprivileged) {
    const uid_t uid = UnprivilegedUid();
    const gid_t gid = UnprivilegedGid();
    ForkedRun run;
    const pid_t pid = ::fork();
    if (pid < 0) return run;
    if (pid == 0) {
        if (unprivileged && ::geteuid() == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0 || ::geteuid() == 0)
                ::_exit(kCannotDropPrivileges);
        }
        ::_exit(body() & 0x7F);
    }
    int status = 0;
    const bool ended = WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, timeoutMs);
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return run;
    }
    if (!WIFEXITED(status)) {
        run.outcome = ForkedRun::kCrashed;
        return run;
    }
    run.code = WEXITSTATUS(status);
    run.outcome = unprivileged && run.code == kCannotDropPrivileges ? ForkedRun::kNoUnprivilegedUser
                                                                    : ForkedRun::kExited;
    return run;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

ChildProcess::ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                           const std::filesystem::path& workDir)
    : m_out(workDir / "child.stdout"), m_err(workDir / "child.stderr") {
    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    const std::string out = m_out.string(), err = m_err.string(), dir = workDir.string();
    m_pid = ::fork();
    if (m_pid == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(126);
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (o < 0 || e < 0) ::_exit(126);
        ::dup2(o, 1);
        ::dup2(e, 2);
        const int devnull = ::open("/dev/null", O_RDONLY);
        if (devnull >= 0) ::dup2(devnull, 0);
        std::vector<char*> cargv;
        for (auto& a : argv) cargv.push_back(a.data());
        cargv.push_back(nullptr);
        ::execv(cargv[0], cargv.data());
        ::_exit(127);
    }
}

ChildProcess::~ChildProcess() {
    if (m_pid > 0 && !m_reaped) {
        if (!Stop(SIGTERM, 3000)) Stop(SIGKILL, 3000);
    }
}

bool ChildProcess::Running() {
    if (m_pid <= 0 || m_reaped) return false;
    int status = 0;
    const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
    if (r == m_pid) {
        m_reaped = true;
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return false;
    }
    return true;
}

bool ChildProcess::Stop(int signal, int timeoutMs) {
    if (!Running()) return true;
    ::kill(m_pid, signal);
    return Wait(timeoutMs) != -1;
}

int ChildProcess::Wait(int timeoutMs) {
    if (!WaitFor([this] { return !Running(); }, timeoutMs)) return -1;
    return m_status;
}

std::string ChildProcess::Stderr() const { return ReadFile(m_err); }
std::string ChildProcess::Stdout() const { return ReadFile(m_out); }

bool ChildProcess::WaitForStderr(const std::string& text, int timeoutMs) const {
    return WaitFor([&] { return Stderr().find(text) != std::string::npos; }, timeoutMs);
}
