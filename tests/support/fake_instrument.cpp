#include "tests/support/fake_instrument.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>

namespace {

std::uint32_t Bits(float f) {
    std::uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

void AppendLittleEndian(std::string* out, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) out->push_back(char((v >> (8 * k)) & 0xFF));
}

}  // namespace

std::string InstrumentReply(float direction, float speed, const char* header) {
    std::string reply = header;
    AppendLittleEndian(&reply, Bits(direction));
    AppendLittleEndian(&reply, Bits(speed));
    return reply;
}

FakeInstrument::FakeInstrument(const std::string& address, float direction, float speed, int port) {
    SetValues(direction, speed);
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    ::inet_pton(AF_INET, address.c_str(), &a.sin_addr);
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(m_listener, 8) != 0) {
        ::close(m_listener);
        m_listener = -1;
        return;
    }
    if (::pipe2(m_wake, O_CLOEXEC) != 0) return;
    m_thread = std::thread([this] { Run(); });
}

FakeInstrument::~FakeInstrument() {
    if (m_thread.joinable()) {
        const char c = 'x';
        (void)!::write(m_wake[1], &c, 1);
        m_thread.join();
    }
    for (int fd : {m_listener, m_wake[0], m_wake[1]})
        if (fd >= 0) ::close(fd);
}

void FakeInstrument::SetValues(float direction, float speed) {
    m_direction = Bits(direction);
    m_speed = Bits(speed);
}

std::vector<int> FakeInstrument::RequestsPerConnection() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_perConnection;
}

void FakeInstrument::Run() {
    std::map<int, std::pair<std::size_t, std::string>> clients;  // fd -> (connection index, pending bytes)
    using Clock = std::chrono::steady_clock;
    auto nextJunk = Clock::now();
    for (;;) {
        std::vector<pollfd> fds{{m_wake[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
        for (auto& [fd, c] : clients) fds.push_back({fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), 50) < 0) continue;
        if (fds[0].revents) break;
        if (m_answer == Answer::JunkEachSecond && Clock::now() >= nextJunk) {
            nextJunk = Clock::now() + std::chrono::seconds(1);
            for (auto& [fd, c] : clients) (void)!::send(fd, "\x7F", 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        }
        if (fds[1].revents & POLLIN) {
            const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                std::lock_guard<std::mutex> lock(m_mutex);
                clients[fd] = {m_perConnection.size(), {}};
                m_perConnection.push_back(0);
                ++m_connections;
            }
        }
        for (std::size_t k = 2; k < fds.size(); ++k) {
            if (!fds[k].revents) continue;
            const int fd = fds[k].fd;
            char buf[512];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) {
                ::close(fd);
                clients.erase(fd);
                continue;
            }
            auto& [index, pending] = clients[fd];
            pending.append(buf, std::size_t(n));
            std::size_t at;
            while ((at = pending.find("R000?")) != std::string::npos) {
                pending.erase(0, at + 5);
                ++m_requests;
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    ++m_perConnection[index];
                }
                const Answer answer = m_answer;
                if (answer == Answer::Silent || answer == Answer::JunkEachSecond) continue;
                std::string reply = answer == Answer::WrongHeader ? "R001:" : "R000:";
                AppendLittleEndian(&reply, m_direction);
                AppendLittleEndian(&reply, m_speed);
                (void)!::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
            }
        }
    }
    for (auto& [fd, c] : clients) ::close(fd);
}
