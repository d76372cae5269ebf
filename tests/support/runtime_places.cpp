#include "tests/support/runtime_places.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/child_process.h"
#include "tests/support/namespaces.h"

std::vector<std::string> CoveredForRuntime() { return {PasswordHome(), "/run", "/tmp"}; }

std::string RuntimePlaces::Named(const std::string& token) const {
    if (token.empty()) return "";
    if (token == "session") return session;
    if (token == "home") return homeRuntime;
    if (token == "squatted") return scratch + "/sticky/run";
    return scratch + "/" + token;
}

std::string RuntimePlaces::TokenOf(const std::string& path) const {
    if (path.empty()) return "";
    for (const char* token : {"session", "home", "private", "open", "link", "others", "squatted"})
        if (Named(token) == path) return token;
    return "other: " + path;
}

namespace {

// Makes `path` with exactly `mode`, owned by `uid` when that is not -1.
bool Folder(const std::string& path, mode_t mode, uid_t uid = uid_t(-1), gid_t gid = gid_t(-1)) {
    return ::mkdir(path.c_str(), 0700) == 0 && ::chmod(path.c_str(), mode) == 0 &&
           (uid == uid_t(-1) || ::chown(path.c_str(), uid, gid) == 0);
}

}  // namespace

std::string ArrangeRuntime(const RuntimeMachine& machine, RuntimePlaces* p) {
    auto failed = [](const std::string& what) { return what + ": " + std::strerror(errno); };
    if (::chmod("/tmp", 01777) != 0) return failed("/tmp");
    if (!Folder("/run/user", 0755)) return failed("/run/user");
    const std::string home = PasswordHome();
    if (home.empty() || ::chmod(home.c_str(), 0755) != 0) return failed("the home folder " + home);
    p->scratch = "/tmp/runtime-places";
    p->session = "/run/user/" + std::to_string(::geteuid());
    p->homeRuntime = home + (home.back() == '/' ? "" : "/") + ".rerovora-runtime-" + std::to_string(::geteuid());
    const std::string& s = p->scratch;
    if (!Folder(s, 0755) || !Folder(s + "/private", 0700) || !Folder(s + "/open", 0755) ||
        ::symlink((s + "/private").c_str(), (s + "/link").c_str()) != 0 ||
        !Folder(s + "/others", 0700, UnprivilegedUid(), UnprivilegedGid()) || !Folder(s + "/sticky", 01777) ||
        !Folder(s + "/home-a", 0700) || !Folder(s + "/home-b", 0700))
        return failed("the scratch folder");
    if (machine.session != RuntimeMachine::kNoSession &&
        !Folder(p->session, machine.session == RuntimeMachine::kSession ? 0700 : 0755))
        return failed(p->session);
    const std::string& own = p->homeRuntime;
    bool made = true;
    switch (machine.homeFolder) {
        case RuntimeMachine::kNone: break;
        case RuntimeMachine::kOthers: made = Folder(own, 0700, UnprivilegedUid(), UnprivilegedGid()); break;
        case RuntimeMachine::kOpen: made = Folder(own, 0755); break;
        case RuntimeMachine::kFile: {
            const int fd = ::open(own.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
            made = fd >= 0 && ::close(fd) == 0;
            break;
        }
        case RuntimeMachine::kLink: made = ::symlink((s + "/private").c_str(), own.c_str()) == 0; break;
    }
    return made ? "" : failed(own);
}

void SetStartEnvironment(const RuntimePlaces& places, const std::string& xdgToken, const std::string& home) {
    const std::string named = places.Named(xdgToken);
    named.empty() ? ::unsetenv("XDG_RUNTIME_DIR") : ::setenv("XDG_RUNTIME_DIR", named.c_str(), 1);
    ::setenv("HOME", (places.scratch + "/" + home).c_str(), 1);
}
