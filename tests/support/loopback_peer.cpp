#include "tests/support/loopback_peer.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// PeerSocket

PeerSocket::~PeerSocket() { Close(); }

PeerSocket& PeerSocket::operator=(PeerSocket&& o) noexcept {
    if (this != &o) {
        Close();
        m_fd = o.m_fd;
        o.m_fd = -1;
    }
    return *this;
}

bool PeerSocket::Send(const std::string& bytes) {
    std::size_t done = 0;
    const auto end = Clock::now() + std::chrono::seconds(10);
    while (done < bytes.size()) {
        const ssize_t w = ::send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (w > 0) {
            done += std::size_t(w);
            continue;
        }
        if (w < 0 && errno != EAGAIN && errno != EINTR) return false;
        pollfd p{m_fd, POLLOUT, 0};
        if (::poll(&p, 1, RemainingMs(end)) <= 0) return false;
    }
    return true;
}

std::string PeerSocket::Read(std::size_t count, int timeoutMs) {
    std::string out;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < count) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, RemainingMs(end)) <= 0) break;
        char buf[4096];
        const ssize_t r = ::recv(m_fd, buf, std::min(sizeof buf, count - out.size()), MSG_DONTWAIT);
        if (r == 0) break;
        if (r < 0) {
            if (errno == EAGAIN || errno == EINTR) continue;
            break;
        }
        out.append(buf, std::size_t(r));
    }
    return out;
}

std::string PeerSocket::ReadAvailable() {
    std::string out;
    char buf[65536];
    for (;;) {
        const ssize_t r = ::recv(m_fd, buf, sizeof buf, MSG_DONTWAIT);
        if (r <= 0) break;
        out.append(buf, std::size_t(r));
    }
    return out;
}

bool PeerSocket::WaitForEnd(int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, RemainingMs(end)) <= 0) return false;
        char buf[4096];
        const ssize_t r = ::recv(m_fd, buf, sizeof buf, MSG_DONTWAIT);
        if (r == 0) return true;
        if (r < 0 && errno != EAGAIN && errno != EINTR) return false;
    }
}

void PeerSocket::ShutdownWrite() {
    if (m_fd >= 0) ::shutdown(m_fd, SHUT_WR);
}

void PeerSocket::Reset() {
    if (m_fd < 0) return;
    linger lg{1, 0};
    ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
    Close();
}

void PeerSocket::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

// ---------------------------------------------------------------------------
// LoopbackListener

LoopbackListener::LoopbackListener(const std::string& address, std::uint16_t port) : m_address(address) {
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    if (port != 0) ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1 || (ntohl(sa.sin_addr.s_addr) >> 24) != 127)
        throw std::runtime_error("test peers listen on loopback only");
    if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(m_fd, 64) != 0)
        throw std::runtime_error("cannot listen on " + address);
    socklen_t len = sizeof sa;
    ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&sa), &len);
    m_port = ntohs(sa.sin_port);
}

LoopbackListener::~LoopbackListener() { Close(); }

PeerSocket LoopbackListener::Accept(int timeoutMs) {
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return PeerSocket();
    return PeerSocket(::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC));
}

void LoopbackListener::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

// ---------------------------------------------------------------------------
// Simulator

std::filesystem::path ToolPath(const std::string& tool) {
    return std::filesystem::path(REROVORA_BINARY_DIR) / "tools" / tool;
}

Simulator::Simulator(const std::string& tool, std::vector<std::string> args) {
    args.push_back("--duration");
    args.push_back("300");
    m_process = std::make_unique<ChildProcess>(ToolPath(tool), args, m_dir.path());
    if (!m_process->WaitForStderr("ready port=", 10000)) return;
    const std::string err = m_process->Stderr();
    const std::size_t at = err.find("ready port=");
    m_port = std::uint16_t(std::stoul(err.substr(at + 11)));
}

// ---------------------------------------------------------------------------

int OpenFdCount() {
    int n = 0;
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir) return -1;
    while (dirent* e = ::readdir(dir))
        if (e->d_name[0] != '.') ++n;
    ::closedir(dir);
    return n - 1;  // the directory's own descriptor
}

std::uint64_t ResidentBytes() {
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    unsigned long size = 0, resident = 0;
    const int got = std::fscanf(f, "%lu %lu", &size, &resident);
    std::fclose(f);
    return got == 2 ? std::uint64_t(resident) * std::uint64_t(::sysconf(_SC_PAGESIZE)) : 0;
}

bool UnderAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

std::uint32_t Ipv4(const std::string& dotted) {
    in_addr a{};
    ::inet_pton(AF_INET, dotted.c_str(), &a);
    return a.s_addr;
}
