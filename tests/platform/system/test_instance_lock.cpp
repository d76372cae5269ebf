#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/base/hash.h"
#include "platform/system/instance_lock.h"
#include "platform/system/runtime_folder.h"
#include "tests/support/child_process.h"
#include "tests/support/namespaces.h"
#include "tests/support/runtime_places.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

std::u16string UniqueName(const char* what) {
    static int counter = 0;
    return Utf8ToUtf16("rerovora test lock " + std::to_string(::getpid()) + " " + what + " " +
                       std::to_string(++counter));
}

// A child process that takes the lock `name` and reports over a pipe whether it
// got it: 'y', 'n' (another process holds it) or 'f' (it cannot be taken at
// all); then waits to be killed. With `stderrFile`, what it says goes there.
class LockHolder {
public:
    explicit LockHolder(const std::u16string& name, const std::string& stderrFile = {}) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            if (!stderrFile.empty()) {
                const int err = ::open(stderrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
                if (err >= 0) ::dup2(err, 2);
            }
            HANDLE h = CreateMutexW(nullptr, TRUE, name.c_str());
            const DWORD wait = h ? WaitForSingleObject(h, 0) : WAIT_FAILED;
            const char got = wait == WAIT_OBJECT_0 ? 'y' : wait == WAIT_TIMEOUT ? 'n' : 'f';
            (void)!::write(fds[1], &got, 1);
            for (;;) ::pause();
        }
        ::close(fds[1]);
        if (m_pid > 0 && ::read(fds[0], &m_answer, 1) != 1) m_answer = '?';
        ::close(fds[0]);
    }
    ~LockHolder() { Kill(); }
    char Answer() const { return m_answer; }
    void Kill() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    char m_answer = '?';
};

}  // namespace

TEST(InstanceLock, SameNameTwiceInOneProcessIsTheSameOwnedLock) {
    const std::u16string name = UniqueName("same");
    HANDLE first = CreateMutexW(nullptr, TRUE, name.c_str());
    ASSERT_NE(first, nullptr);
    HANDLE second = CreateMutexW(nullptr, TRUE, name.c_str());
    EXPECT_EQ(second, first);
    EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0);

    HANDLE other = CreateMutexW(nullptr, TRUE, UniqueName("other").c_str());
    EXPECT_NE(other, first);
    EXPECT_EQ(WaitForSingleObject(other, 0), WAIT_OBJECT_0);
}

TEST(InstanceLock, HeldByAnotherProcessUntilItIsKilled) {
    const std::u16string name = UniqueName("held");
    LockHolder holder(name);
    ASSERT_EQ(holder.Answer(), 'y');

    HANDLE h = CreateMutexW(nullptr, TRUE, name.c_str());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(h, 30), WAIT_TIMEOUT);

    holder.Kill();  // no chance to clean up: the kernel frees the lock
    EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_OBJECT_0);
}

TEST(InstanceLock, ReleasedLockCanBeTakenByAnotherProcess) {
    const std::u16string name = UniqueName("released");
    HANDLE h = CreateMutexW(nullptr, TRUE, name.c_str());
    ASSERT_EQ(WaitForSingleObject(h, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(h));
    EXPECT_FALSE(ReleaseMutex(h));

    LockHolder holder(name);
    EXPECT_EQ(holder.Answer(), 'y');
    EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_TIMEOUT);
}


// ---------------------------------------------------------------------------
// The user's runtime folder and the lock in it, on machines arranged inside a
// view of the file system of the test's own (the home folder, /run and /tmp
// empty), so the machine's own folders are never touched.

namespace {

using platform::PrivateRuntimeFolder;

// Runs `body` on `machine`; its report, or why it did not run, as a failure.
std::string OnMachine(const RuntimeMachine& machine, const std::function<std::string(const RuntimePlaces&)>& body) {
    const CoveredRun run = RunWithCoveredFolders(
        CoveredForRuntime(),
        [&] {
            RuntimePlaces places;
            const std::string arranged = ArrangeRuntime(machine, &places);
            return arranged.empty() ? body(places) : "arranging failed: " + arranged;
        },
        30000);
    return run.ran ? run.report : "did not run: " + run.report;
}

#define NEED_ROOT() \
    if (::geteuid() != 0) GTEST_SKIP() << "needs root for a view of the file system of its own and another account"

// A name made of plain file name characters, so its lock file is
// "rerovora-lock-" and the name.
std::u16string PlainName() {
    static int counter = 0;
    return Utf8ToUtf16("rerovora-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
}

std::string ModeOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return "missing";
    char text[8];
    std::snprintf(text, sizeof text, "%04o", unsigned(st.st_mode & 07777));
    return text;
}

// What a choice of folder came to, as a child reports it: the folder's token,
// its mode and the notes, a line each.
std::string Report(const RuntimePlaces& places, const platform::RuntimeFolder& folder) {
    return places.TokenOf(folder.path) + "\n" + (folder.path.empty() ? "" : ModeOf(folder.path)) + "\n" + folder.notes;
}

// The report names the `chosen` folder (private, mode 0700) or none, and its
// notes hold `note`.
void ExpectFolder(const std::string& report, const std::string& chosen, const char* note) {
    const std::size_t first = report.find('\n'), second = report.find('\n', first + 1);
    ASSERT_NE(second, std::string::npos) << report;
    EXPECT_EQ(report.substr(0, first), chosen) << report;
    if (!chosen.empty()) {
        EXPECT_EQ(report.substr(first + 1, second - first - 1), "0700") << report;
    }
    EXPECT_NE(report.find(note, second), std::string::npos) << report;
}

}  // namespace

// Which folder Qt's session files go to, whatever the start's environment
// names and whatever is already there; $HOME never counts, and a folder made
// under a narrow umask still ends up 0700.
TEST(RuntimeFolder, ChosenTheSameWayWhateverIsNamedOrFound) {
    NEED_ROOT();
    using M = RuntimeMachine;
    const struct {
        const char* name;
        M machine;
        const char* xdg;     // what XDG_RUNTIME_DIR names ("" unset)
        const char* chosen;  // the folder taken ("" none)
        const char* note;    // in the notes on what was passed over
    } cases[] = {
        {"the session's folder, named", {M::kSession}, "private", "private", ""},
        {"nothing named: the login manager's folder", {M::kSession}, "", "session", "XDG_RUNTIME_DIR is not set"},
        {"nothing named, no login session: made in the home folder", {}, "", "home", "XDG_RUNTIME_DIR is not set"},
        {"named, open to others", {M::kSession}, "open", "session", "mode 0755, not 0700"},
        {"named, a link to a private folder", {M::kSession}, "link", "session", "a link, not a folder"},
        {"named, another account's", {}, "others", "home", "owned by another account"},
        {"the login manager's folder open to others", {M::kOpenSession}, "", "home", "mode 0755"},
        {"the home folder's, another account's", {M::kNoSession, M::kOthers}, "", "", "owned by another account"},
        {"the home folder's, open to others: not repaired", {M::kNoSession, M::kOpen}, "", "", "mode 0755"},
        {"the home folder's, a file", {M::kNoSession, M::kFile}, "", "", "not a folder"},
        {"the home folder's, a link to a private folder", {M::kNoSession, M::kLink}, "", "", "a link"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string report = OnMachine(c.machine, [&](const RuntimePlaces& places) {
            SetStartEnvironment(places, c.xdg, "home-a");
            ::umask(0277);
            const platform::RuntimeFolder folder = PrivateRuntimeFolder();
            return Report(places, folder);
        });
        ExpectFolder(report, c.chosen, c.note);
    }
}

// The lock's folder is the home folder's whatever the start names or finds,
// and none at all where another account may have been first: its own folder
// there, or a home folder it may write.
TEST(RuntimeFolder, TheLocksFolderDependsOnTheAccountAlone) {
    NEED_ROOT();
    using M = RuntimeMachine;
    enum Home { kHomeAsIs, kHomeOpen, kHomeSticky, kHomeOthers };
    const struct {
        const char* name;
        M machine;
        const char* xdg;
        Home home;
        const char* chosen;  // "home" or "" (none)
        const char* note;
    } cases[] = {
        {"the session's folder, named", {M::kSession}, "session", kHomeAsIs, "home", ""},
        {"the session's folder there, nothing named", {M::kSession}, "", kHomeAsIs, "home", ""},
        {"a private folder of its own named", {}, "private", kHomeAsIs, "home", ""},
        {"no session, nothing named", {}, "", kHomeAsIs, "home", ""},
        {"the folder made first by another account", {M::kNoSession, M::kOthers}, "", kHomeAsIs, "",
         "owned by another account"},
        {"the folder there, open to others: not repaired", {M::kNoSession, M::kOpen}, "", kHomeAsIs, "", "mode 0755"},
        {"a file in the folder's place", {M::kNoSession, M::kFile}, "", kHomeAsIs, "", "not a folder"},
        {"a link in the folder's place", {M::kNoSession, M::kLink}, "", kHomeAsIs, "", "a link"},
        {"a home folder anyone may write", {}, "", kHomeOpen, "", "open to other accounts (mode 0777)"},
        {"a home folder like /tmp", {}, "", kHomeSticky, "", "open to other accounts (mode 1777)"},
        {"a home folder of another account", {}, "", kHomeOthers, "", "is owned by another account"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string report = OnMachine(c.machine, [&](const RuntimePlaces& places) {
            SetStartEnvironment(places, c.xdg, "home-a");
            const std::string home = PasswordHome();
            const bool arranged = c.home == kHomeOpen     ? ::chmod(home.c_str(), 0777) == 0
                                  : c.home == kHomeSticky ? ::chmod(home.c_str(), 01777) == 0
                                  : c.home == kHomeOthers ? ::chown(home.c_str(), UnprivilegedUid(), UnprivilegedGid()) == 0
                                                          : true;
            if (!arranged) return std::string("could not arrange the home folder");
            ::umask(0277);
            const platform::RuntimeFolder folder = platform::InstanceLockFolder();
            return Report(places, folder);
        });
        ExpectFolder(report, c.chosen, c.note);
    }
}

// Two starts of one user find one lock, whether the start names the session's
// runtime folder (from a desktop) or names none (./run, a script, su), and
// whatever their $HOME says; also when the login manager makes the session's
// folder between the two starts (a service started at boot, then a start by
// hand in the desktop session), or takes it away (the session ended).
TEST(InstanceLock, OneLockHoweverTheUserStarts) {
    NEED_ROOT();
    using M = RuntimeMachine;
    enum Between { kNothing, kSessionAppears, kSessionGoes };
    const struct {
        const char* name;
        M machine;
        const char* firstXdg;
        Between between;
        const char* secondXdg;
    } cases[] = {
        {"the demo's start, then one from the desktop session", {M::kSession}, "", kNothing, "session"},
        {"a start from the desktop session, then the demo's", {M::kSession}, "session", kNothing, ""},
        {"no login session: two starts naming nothing", {}, "", kNothing, ""},
        {"no login session: the second names the home folder's", {}, "", kNothing, "home"},
        {"a start naming a folder open to others, then one naming nothing", {M::kSession}, "open", kNothing, ""},
        {"a start naming a link, then one naming nothing", {}, "link", kNothing, ""},
        {"two starts naming two private folders", {}, "private", kNothing, "home"},
        {"a service at boot, then a start from the session the login manager made", {}, "", kSessionAppears,
         "session"},
        {"a start from a session, then one from a script after the session ended", {M::kSession}, "session",
         kSessionGoes, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string answers = OnMachine(c.machine, [&](const RuntimePlaces& places) {
            const std::u16string name = PlainName();
            SetStartEnvironment(places, c.firstXdg, "home-a");
            LockHolder first(name);
            if (c.between == kSessionAppears && ::mkdir(places.session.c_str(), 0700) != 0)
                return std::string("the session's folder could not be made");
            if (c.between == kSessionGoes && ::rmdir(places.session.c_str()) != 0)
                return std::string("the session's folder could not be taken away");
            SetStartEnvironment(places, c.secondXdg, "home-b");
            LockHolder second(name);
            first.Kill();
            LockHolder third(name);
            return std::string{first.Answer(), second.Answer(), third.Answer()};
        });
        EXPECT_EQ(answers, "yny") << "the first start, the second while it runs, a third after it ended";
    }
}

namespace {

// A process of another account (the unprivileged user) that does `act` and
// then stays, holding whatever it got, until it is killed.
class OtherAccount {
public:
    explicit OtherAccount(const std::function<bool()>& act) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            char got = 'x';
            if (::setgroups(0, nullptr) == 0 && ::setgid(UnprivilegedGid()) == 0 && ::setuid(UnprivilegedUid()) == 0)
                got = act() ? 'y' : 'n';
            (void)!::write(fds[1], &got, 1);
            for (;;) ::pause();
        }
        ::close(fds[1]);
        if (m_pid > 0 && ::read(fds[0], &m_answer, 1) != 1) m_answer = '?';
        ::close(fds[0]);
    }
    ~OtherAccount() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    char Answer() const { return m_answer; }  // 'x': could not become the other account

private:
    pid_t m_pid = -1;
    char m_answer = '?';
};

// Binds the abstract local socket `address` and keeps it.
bool BindAbstract(const std::string& address) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    std::memcpy(sa.sun_path + 1, address.data(), std::min(address.size(), sizeof sa.sun_path - 1));
    const auto len = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + address.size());
    return fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&sa), len) == 0 && ::listen(fd, 1) == 0;
}

// Makes `path` with `mode` (as the other account) and a lock file in it that anyone may lock.
bool FolderWithLockFile(const std::string& path, mode_t mode, const std::u16string& name) {
    if (::mkdir(path.c_str(), 0700) != 0 || ::chmod(path.c_str(), mode) != 0) return false;
    const std::string file = path + "/rerovora-lock-" + Utf16ToUtf8(name);
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT, 0666);
    return fd >= 0 && ::fchmod(fd, 0666) == 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

}  // namespace

// Whatever another account does first, this user still takes the lock and it
// still keeps this user's second start out: the guard is never switched off,
// nor held by someone else.
TEST(InstanceLock, AnotherAccountCannotHoldItOrSwitchItOff) {
    NEED_ROOT();
    using M = RuntimeMachine;
    const std::string uid = std::to_string(::getuid());
    const struct {
        const char* name;
        M machine;
        const char* xdg;  // what both of this user's starts name
        char acted;       // 'y': what the other account tries must work; 'n': must fail
        std::function<bool(const RuntimePlaces&, const std::u16string&)> act;
    } cases[] = {
        {"it binds the lock's name as an abstract local socket", {M::kSession}, "session", 'y',
         [&](const RuntimePlaces&, const std::u16string& name) {
             return BindAbstract("rerovora-lock:" + Utf16ToUtf8(name)) &&
                    BindAbstract("rerovora-lock:" + Utf16ToUtf8(name) + ":" + uid);
         }},
        {"it makes the folders in /tmp that were this user's before", {}, "", 'y',
         [&](const RuntimePlaces&, const std::u16string& name) {
             return FolderWithLockFile("/tmp/runtime-" + uid, 0777, name) &&
                    FolderWithLockFile("/tmp/rerovora-runtime-" + uid, 0777, name);
         }},
        {"it makes the folder the session names, private to itself", {}, "squatted", 'y',
         [](const RuntimePlaces& places, const std::u16string&) {
             return ::mkdir(places.Named("squatted").c_str(), 0700) == 0;
         }},
        {"it makes the folder the session names, open with a lock file", {M::kSession}, "squatted", 'y',
         [](const RuntimePlaces& places, const std::u16string& name) {
             return FolderWithLockFile(places.Named("squatted"), 0777, name);
         }},
        {"it tries the login manager's folder", {}, "", 'n',
         [](const RuntimePlaces& places, const std::u16string&) {
             return ::mkdir(places.session.c_str(), 0777) == 0;
         }},
        {"it tries the home folder's", {}, "", 'n',
         [](const RuntimePlaces& places, const std::u16string&) {
             return ::mkdir(places.homeRuntime.c_str(), 0777) == 0;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string answers = OnMachine(c.machine, [&](const RuntimePlaces& places) {
            const std::u16string name = PlainName();
            SetStartEnvironment(places, c.xdg, "home-a");
            OtherAccount other([&] { return c.act(places, name); });
            LockHolder mine(name);
            LockHolder second(name);
            return std::string{other.Answer(), mine.Answer(), second.Answer()};
        });
        ASSERT_EQ(answers.size(), 3u) << answers;
        ASSERT_NE(answers[0], 'x') << "no unprivileged account to act as";
        EXPECT_EQ(answers[0], c.acted) << "what the other account tried";
        EXPECT_EQ(answers.substr(1), "yn") << "this user's start, and a second start of this user";
    }
}

// A lock that cannot be taken for a reason other than a running instance says
// why on stderr; the caller hears that it failed, not that another runs.
TEST(InstanceLock, ALockThatCannotBeTakenSaysWhy) {
    NEED_ROOT();
    using M = RuntimeMachine;
    enum What { kNothing, kFolder, kPipe, kLink };
    const struct {
        const char* name;
        M machine;
        const char* xdg;
        What atLockFile;  // what is in the lock file's place in the folder named
        const char* reason;
    } cases[] = {
        {"no private folder for the lock", {M::kNoSession, M::kOthers}, "", kNothing,
         "no folder private to this user for the lock"},
        {"a folder in the lock file's place", {}, "private", kFolder, "Is a directory"},
        {"a pipe in the lock file's place", {}, "", kPipe, "not a regular file"},
        {"a link in the lock file's place", {}, "session", kLink, "Too many levels of symbolic links"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string report = OnMachine(c.machine, [&](const RuntimePlaces& places) {
            const std::u16string name = PlainName();
            SetStartEnvironment(places, c.xdg, "home-a");
            // Whatever the start names, the lock file is in the home folder's.
            const std::string file = places.homeRuntime + "/rerovora-lock-" + Utf16ToUtf8(name);
            if (c.atLockFile != kNothing && ::mkdir(places.homeRuntime.c_str(), 0700) != 0)
                return std::string("could not make the lock's folder");
            const bool placed = c.atLockFile == kNothing                    ? true
                                : c.atLockFile == kFolder                   ? ::mkdir(file.c_str(), 0700) == 0
                                : c.atLockFile == kPipe                     ? ::mkfifo(file.c_str(), 0600) == 0
                                : ::symlink("/nonexistent", file.c_str()) == 0;
            if (!placed) return std::string("could not place it");
            const std::string said = places.scratch + "/stderr";
            LockHolder holder(name, said);
            std::string text{holder.Answer()};
            text += "\n";
            const std::vector<unsigned char> bytes = ReadAllBytes(said);
            text.append(bytes.begin(), bytes.end());
            return text;
        });
        EXPECT_EQ(report.substr(0, 1), "f") << report;
        EXPECT_NE(report.find("the single-instance guard is off"), std::string::npos) << report;
        EXPECT_NE(report.find(c.reason), std::string::npos) << report;
        // Said once, however often it is asked.
        EXPECT_EQ(report.find("instance lock:"), report.rfind("instance lock:")) << report;
    }
}

// Names too long for a file name keep their front and a hash of the whole, so
// two long names that differ only at the end are two locks.
TEST(InstanceLock, LongNamesThatDifferAtTheEndAreTwoLocks) {
    const platform::RuntimeFolder folder = platform::InstanceLockFolder();
    if (folder.path.empty() && ::geteuid() != 0)
        GTEST_SKIP() << "this account has no folder for locks: " << folder.notes;
    ASSERT_FALSE(folder.path.empty()) << folder.notes;
    const std::string front(300, 'w');
    const std::u16string one = Utf8ToUtf16(front + "-one"), two = Utf8ToUtf16(front + "-two");
    LockHolder first(one);
    LockHolder second(two);
    EXPECT_EQ(first.Answer(), 'y');
    EXPECT_EQ(second.Answer(), 'y');
    LockHolder again(one);
    EXPECT_EQ(again.Answer(), 'n');
    // The file's name ends in the FNV-1a hash of the name's bytes.
    const std::string bytes = front + "-one";
    char hash[18];
    std::snprintf(hash, sizeof hash, "#%016llx",
                  static_cast<unsigned long long>(platform::HashBytes(platform::kHashSeed, bytes.data(), bytes.size())));
    bool found = false;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path)) {
        const std::string name = entry.path().filename().string();
        EXPECT_LE(name.size(), 200u) << name;
        found = found || name.ends_with(hash);
    }
    EXPECT_TRUE(found) << "no lock file named with " << hash;
}
