#include "platform/system/instance_lock.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

struct NamedLock {
    std::string path;  // the lock file; empty when the user has no private folder
    int fd = -1;
    bool owned = false;
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

// A folder only this user can enter: a real directory (not a link), owned by
// the user, with no rights for group or others.
bool IsPrivateFolder(const std::string& path) {
    struct stat st {};
    if (path.empty() || path[0] != '/' || ::lstat(path.c_str(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

// The user's runtime folder: XDG_RUNTIME_DIR when it is private to the user,
// else a folder of the user's own in /tmp, made on first use. Empty when
// neither is private (another account made the /tmp one first).
std::string PrivateRuntimeFolder() {
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && IsPrivateFolder(xdg)) return xdg;
    const std::string own = "/tmp/rerovora-runtime-" + std::to_string(::geteuid());
    if (::mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) return {};
    return IsPrivateFolder(own) ? own : std::string();
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
        std::uint64_t h = 1469598103934665603ull;
        for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
        char hex[18];
        std::snprintf(hex, sizeof hex, "#%016llx", static_cast<unsigned long long>(h));
        out = out.substr(0, kMax - 17) + hex;
    }
    return out;
}

enum class Take { Owned, Busy, Failed };

Take TryTake(NamedLock& lock) {
    if (lock.owned) return Take::Owned;
    if (lock.path.empty()) return Take::Failed;
    if (lock.fd < 0) {
        lock.fd = ::open(lock.path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (lock.fd < 0) return Take::Failed;
    }
    if (::flock(lock.fd, LOCK_EX | LOCK_NB) == 0) {
        lock.owned = true;
        return Take::Owned;
    }
    return errno == EWOULDBLOCK ? Take::Busy : Take::Failed;
}

}  // namespace

HANDLE CreateMutexW(void* /*security*/, BOOL initialOwner, LPCWSTR name) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.mutex);
    const std::u16string key = name ? std::u16string(name) : std::u16string();
    auto it = r.byName.find(key);
    if (it == r.byName.end()) {
        const std::string folder = PrivateRuntimeFolder();
        if (folder.empty()) {
            std::fprintf(stderr, "instance lock: no runtime folder private to this user\n");
            return nullptr;
        }
        auto* lock = new NamedLock;
        lock->path = folder + "/" + FileNameFor(key);
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
