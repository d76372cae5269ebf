#include "platform/system/instance_lock.h"

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

struct NamedLock {
    std::string address;  // without the leading zero byte of the abstract namespace
    int fd = -1;
    bool owned = false;
};

struct Registry {
    std::mutex mutex;
    std::map<std::u16string, NamedLock*> byName;
};

// Never destroyed: the locks must stay bound until the process ends.
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

std::string AddressFor(const std::u16string& name) {
    std::string address = "rerovora-lock:" + Utf16ToUtf8(name);
    constexpr std::size_t kMax = sizeof(sockaddr_un::sun_path) - 1;
    if (address.size() > kMax) {
        // Too long for a socket address: keep the front and a hash of the whole.
        std::uint64_t h = 1469598103934665603ull;
        for (unsigned char c : address) h = (h ^ c) * 1099511628211ull;
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
        address = address.substr(0, kMax - 17) + "#" + hex;
    }
    return address;
}

enum class Take { Owned, Busy, Failed };

Take TryTake(NamedLock& lock) {
    if (lock.owned) return Take::Owned;
    if (lock.fd < 0) {
        lock.fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (lock.fd < 0) return Take::Failed;
    }
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    std::memcpy(sa.sun_path + 1, lock.address.data(), lock.address.size());
    const auto len = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + lock.address.size());
    if (::bind(lock.fd, reinterpret_cast<const sockaddr*>(&sa), len) == 0) {
        lock.owned = true;
        return Take::Owned;
    }
    return errno == EADDRINUSE ? Take::Busy : Take::Failed;
}

}  // namespace

HANDLE CreateMutexW(void* /*security*/, BOOL initialOwner, LPCWSTR name) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.mutex);
    const std::u16string key = name ? std::u16string(name) : std::u16string();
    auto it = r.byName.find(key);
    if (it == r.byName.end()) {
        auto* lock = new NamedLock;
        lock->address = AddressFor(key);
        lock->fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (lock->fd < 0) {
            delete lock;
            return nullptr;
        }
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
    ::close(lock->fd);
    lock->fd = -1;
    lock->owned = false;
    return TRUE;
}
