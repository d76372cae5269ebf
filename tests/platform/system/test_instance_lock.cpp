#include <gtest/gtest.h>

#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <functional>
#include <string>

#include "platform/system/instance_lock.h"
#include "tests/support/child_process.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

std::u16string UniqueName(const char* what) {
    static int counter = 0;
    return Utf8ToUtf16("rerovora test lock " + std::to_string(::getpid()) + " " + what + " " +
                       std::to_string(++counter));
}

// A child process that takes the lock `name` and reports over a pipe whether it
// got it ('y' or 'n'), then waits to be killed.
class LockHolder {
public:
    explicit LockHolder(const std::u16string& name) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            HANDLE h = CreateMutexW(nullptr, TRUE, name.c_str());
            const char got = (h && WaitForSingleObject(h, 0) == WAIT_OBJECT_0) ? 'y' : 'n';
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

namespace {

// A process of another account (the unprivileged user) that does `act` with the
// lock's name and then stays, holding whatever it got, until it is killed.
class OtherAccount {
public:
    OtherAccount(const std::u16string& name, const std::function<bool(const std::u16string&)>& act) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            char got = 'x';
            if (::setgroups(0, nullptr) == 0 && ::setgid(UnprivilegedGid()) == 0 && ::setuid(UnprivilegedUid()) == 0)
                got = act(name) ? 'y' : 'n';
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

}  // namespace

// The lock belongs to the user: whatever another account does first with the
// lock's name, this user still takes it, and it still keeps this user's own
// second process out.
TEST(InstanceLock, AnotherAccountCannotHoldIt) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another account";
    TempDir runtime;
    ASSERT_EQ(::chmod(runtime.path().c_str(), 0700), 0);
    TempDir othersFolder;
    ASSERT_EQ(::chown(othersFolder.path().c_str(), UnprivilegedUid(), UnprivilegedGid()), 0);
    const struct {
        const char* name;
        std::string runtimeDir;  // XDG_RUNTIME_DIR of both accounts
        std::function<bool(const std::u16string&)> act;
    } cases[] = {
        {"it binds the lock's name as a local socket", runtime.path().string(),
         [](const std::u16string& name) {
             return BindAbstract("rerovora-lock:" + Utf16ToUtf8(name)) &&
                    BindAbstract("rerovora-lock:" + Utf16ToUtf8(name) + ":" + std::to_string(::getuid()));
         }},
        {"it takes the lock of the same name itself", runtime.path().string(),
         [](const std::u16string& name) {
             HANDLE h = CreateMutexW(nullptr, TRUE, name.c_str());
             return h && WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
         }},
        {"the runtime folder named is the other account's", othersFolder.path().string(),
         [](const std::u16string& name) {
             HANDLE h = CreateMutexW(nullptr, TRUE, name.c_str());
             return h && WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedEnv xdg("XDG_RUNTIME_DIR", c.runtimeDir.c_str());
        const std::u16string name = UniqueName("other account");
        OtherAccount other(name, c.act);
        ASSERT_NE(other.Answer(), 'x') << "no unprivileged account to act as";
        EXPECT_EQ(other.Answer(), 'y') << "what the other account did failed";

        LockHolder mine(name);
        EXPECT_EQ(mine.Answer(), 'y') << "this user's process did not get the lock";
        LockHolder second(name);
        EXPECT_EQ(second.Answer(), 'n') << "a second process of this user got it too";
    }
}
