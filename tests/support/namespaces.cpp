#include "tests/support/namespaces.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <net/if.h>
#include <pwd.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/system/runtime_folder.h"
#include "tests/support/child_process.h"

namespace {

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

bool EnterOwnNetworkNamespace(std::string* why) {
    if (::unshare(CLONE_NEWNET) != 0) {
        if (why) *why = Errno("unshare(CLONE_NEWNET)");
        return false;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    if (up) {
        request.ifr_flags = short(request.ifr_flags | IFF_UP | IFF_RUNNING);
        up = ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    }
    if (!up && why) *why = Errno("bringing up lo");
    if (fd >= 0) ::close(fd);
    return up;
}

namespace {

bool WriteProcFile(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    const bool written = fd >= 0 && ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    if (fd >= 0) ::close(fd);
    return written;
}

}  // namespace

bool EnterOwnLockFolder(std::string* why) {
    auto fail = [&](const std::string& what) {
        if (why) *why = Errno(what);
        return false;
    };
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (uid == 0) {
        if (::unshare(CLONE_NEWNS) != 0) return fail("unshare(CLONE_NEWNS)");
    } else {
        // The same uid inside, so the lock's folder is the same account's.
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return fail("unshare(CLONE_NEWUSER | CLONE_NEWNS)");
        if (!WriteProcFile("/proc/self/setgroups", "deny") ||
            !WriteProcFile("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1") ||
            !WriteProcFile("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1"))
            return fail("mapping the user namespace");
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return fail("making the mounts private");
    const platform::RuntimeFolder folder = platform::InstanceLockFolder();
    if (folder.path.empty()) {
        if (why) *why = "no folder for locks: " + folder.notes;
        return false;
    }
    if (::mount("tmpfs", folder.path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "mode=0700") != 0)
        return fail("covering " + folder.path);
    return true;
}

CoveredRun RunWithCoveredFolders(const std::vector<std::string>& covered, const std::function<std::string()>& body,
                                 int timeoutMs) {
    CoveredRun run;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        run.report = Errno("pipe");
        return run;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::string report;
        char status = 'y';
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            report = Errno("a mount namespace of its own");
            status = 'n';
        }
        // The tests' own tree (the program, the simulators, the sources) may
        // lie under a covered folder (a clone in /tmp or in the home folder):
        // it is held open before the covering and put back in place after it.
        std::vector<std::pair<std::string, int>> kept;
        for (const std::string& tree : {std::string(REROVORA_SOURCE_DIR), std::string(REROVORA_BINARY_DIR)}) {
            for (const std::string& folder : covered) {
                if (tree.compare(0, folder.size(), folder) == 0 && (tree.size() == folder.size() || tree[folder.size()] == '/')) {
                    const int fd = ::open(tree.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
                    if (fd >= 0) kept.emplace_back(tree, fd);
                    break;
                }
            }
        }
        for (const std::string& folder : covered) {
            if (status == 'y' && ::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "mode=0755") != 0) {
                report = Errno("covering " + folder);
                status = 'n';
            }
        }
        for (const auto& [tree, fd] : kept) {
            if (status == 'y') {
                for (std::size_t slash = tree.find('/', 1); slash != std::string::npos; slash = tree.find('/', slash + 1))
                    ::mkdir(tree.substr(0, slash).c_str(), 0755);
                ::mkdir(tree.c_str(), 0755);
                const std::string from = "/proc/self/fd/" + std::to_string(fd);
                if (::mount(from.c_str(), tree.c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0) {
                    report = Errno("putting back " + tree);
                    status = 'n';
                }
            }
            ::close(fd);
        }
        if (status == 'y') report = body();
        (void)!::write(fds[1], &status, 1);
        for (std::size_t done = 0; done < report.size();) {
            const ssize_t w = ::write(fds[1], report.data() + done, report.size() - done);
            if (w <= 0) break;
            done += std::size_t(w);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        run.report = Errno("fork");
        return run;
    }
    int status = 0;
    const bool ended = WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, timeoutMs);
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    // The piece has ended and its words are in the pipe; a process it left
    // behind may still hold the pipe open, so nothing waits for the end.
    ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
    std::string out;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, std::size_t(n));
    ::close(fds[0]);
    if (!ended) {
        run.report = "the piece hung; it said: " + out;
    } else if (!WIFEXITED(status) || out.empty()) {
        run.report = "the piece crashed; it said: " + out;
    } else {
        run.ran = out[0] == 'y';
        run.report = out.substr(1);
    }
    return run;
}

CoveredRun RunOnOwnTmpfs(const std::string& folder, const std::string& options,
                         const std::function<std::string()>& body, int timeoutMs) {
    static constexpr char kNotMounted = '\x01';
    CoveredRun run = RunWithCoveredFolders(
        {},
        [&]() -> std::string {
            if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0)
                return kNotMounted + Errno("mounting a tmpfs with " + options + " on " + folder);
            return body();
        },
        timeoutMs);
    if (run.ran && !run.report.empty() && run.report.front() == kNotMounted) {
        run.ran = false;
        run.report.erase(0, 1);
    }
    return run;
}

int UseUpInodes(const std::string& folder) {
    int made = 0;
    for (;; ++made) {
        const std::string name = folder + "/inode-" + std::to_string(made);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) return made;
        ::close(fd);
    }
}

long long UseUpBlocks(const std::string& folder) {
    const std::string name = folder + "/blocks";
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return 0;
    static const std::vector<char> chunk(4096, 'B');
    long long written = 0;
    for (;;) {
        const ssize_t n = ::write(fd, chunk.data(), chunk.size());
        if (n <= 0) break;
        written += n;
    }
    ::close(fd);
    return written;
}

std::string PasswordHome() {
    const passwd* entry = ::getpwuid(::geteuid());
    return entry && entry->pw_dir ? entry->pw_dir : "";
}
