#include "platform/system/instance_lock.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "platform/base/hash.h"
#include "platform/system/runtime_folder.h"

namespace {

struct NamedLock {
    std::string folder;  // the user's private folder for locks
    std::string file;    // the lock file's name in it
    int fd = -1;
    bool owned = false;
    bool told = false;  // why it cannot be taken was said once
};

struct Registry {
    std::mutex mutex;
    std::map<std::u16string, NamedLock*> byName;
};

// Never destroyed: the locks must stay held until the process ends.
Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

NamedLock* Find(Registry& r, HANDLE handle) {
    for (const auto& [name, lock] : r.byName) {
        if (lock == handle) return lock;
    }
    return nullptr;
}

void SayGuardOff(const std::string& reason) {
    std::fprintf(stderr, "instance lock: %s; the single-instance guard is off\n", reason.c_str());
}

// The lock file's name: the name's UTF-8 bytes, those that are no plain file
// name characters as %XX, with a hash of the whole when it gets long.
std::string FileNameFor(const std::u16string& name) {
    const std::string bytes = Utf16ToUtf8(name);
    std::string out = "rerovora-lock-";
    for (unsigned char c : bytes) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' ||
                           c == '_' || c == '.';
        if (plain) {
            out += char(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    constexpr std::size_t kMax = 200;
    if (out.size() > kMax) {
        const std::uint64_t h = platform::HashBytes(platform::kHashSeed, bytes.data(), bytes.size());
        char hex[18];
        std::snprintf(hex, sizeof hex, "#%016llx", static_cast<unsigned long long>(h));
        out = out.substr(0, kMax - 17) + hex;
    }
    return out;
}

enum class Take { Owned, Busy, Failed };

// Opens the lock file in the folder, checked again as it is opened.
int OpenLockFile(const NamedLock& lock, std::string* why) {
    const int dir = platform::OpenPrivateFolder(lock.folder, why);
    if (dir < 0) return -1;
    // Read-only is enough to lock; a pipe by the name must not hold the start.
    const int fd = ::openat(dir, lock.file.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    const int error = errno;
    ::close(dir);
    if (fd < 0) {
        *why = lock.folder + "/" + lock.file + ": " + std::strerror(error);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *why = lock.folder + "/" + lock.file + ": not a regular file";
        return -1;
    }
    // Made under a narrow umask, the file would keep the user's next start out.
    if ((st.st_mode & 0777) != 0600) (void)!::fchmod(fd, 0600);
    return fd;
}

Take TryTake(NamedLock& lock) {
    if (lock.owned) return Take::Owned;
    std::string why;
    if (lock.fd < 0) lock.fd = OpenLockFile(lock, &why);
    if (lock.fd >= 0) {
        if (::flock(lock.fd, LOCK_EX | LOCK_NB) == 0) {
            lock.owned = true;
            return Take::Owned;
        }
        if (errno == EWOULDBLOCK) return Take::Busy;
        why = lock.folder + "/" + lock.file + ": cannot be locked: " + std::strerror(errno);
    }
    if (!lock.told) SayGuardOff(why);
    lock.told = true;
    return Take::Failed;
}

}  // namespace

HANDLE CreateMutexW(void* /*security*/, BOOL initialOwner, LPCWSTR name) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.mutex);
    const std::u16string key = name ? std::u16string(name) : std::u16string();
    auto it = r.byName.find(key);
    if (it == r.byName.end()) {
        const platform::RuntimeFolder folder = platform::InstanceLockFolder();
        if (folder.path.empty()) {
            SayGuardOff("no folder private to this user for the lock (" + folder.notes + ")");
            return nullptr;
        }
        auto* lock = new NamedLock;
        lock->folder = folder.path;
        lock->file = FileNameFor(key);
        it = r.byName.emplace(key, lock).first;
    }
    if (initialOwner) TryTake(*it->second);
    return it->second;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    Registry& r = TheRegistry();
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(r.mutex);
            NamedLock* lock = Find(r, handle);
            if (!lock) return WAIT_FAILED;
            switch (TryTake(*lock)) {
                case Take::Owned: return WAIT_OBJECT_0;
                case Take::Failed: return WAIT_FAILED;
                case Take::Busy: break;
            }
        }
        if (milliseconds != INFINITE && Clock::now() >= deadline) return WAIT_TIMEOUT;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

BOOL ReleaseMutex(HANDLE handle) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.mutex);
    NamedLock* lock = Find(r, handle);
    if (!lock || !lock->owned) return FALSE;
    ::close(lock->fd);  // the file stays: removing it could part two lockers
    lock->fd = -1;
    lock->owned = false;
    return TRUE;
}
