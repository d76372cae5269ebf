#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/system/instance_lock.h"

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
