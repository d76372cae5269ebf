// One instrument poll on loopback: request out, 13-byte reply in, reply rebuilt
// as text. Through the link (socket notifications on the event loop, the link's
// window message, the owner's handler) against a bare non-blocking socket that
// waits with poll() and does the same work inline. The same responder thread
// answers both.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/quor_sock.h"
#include "platform/runtime/app.h"
#include "platform/window/wnd.h"

namespace {

constexpr char kRequest[] = "R000?";
const std::string kReply("R000:\x00\x00\x87\x43\x00\x00\x60\x40", 13);

// Answers every "R000?" on every accepted connection, one thread per connection.
class Responder {
public:
    Responder() {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        ::listen(m_listener, 8);
        socklen_t len = sizeof sa;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&sa), &len);
        m_port = ntohs(sa.sin_port);
        m_acceptor = std::thread([this] {
            for (;;) {
                const int fd = ::accept(m_listener, nullptr, nullptr);
                if (fd < 0) return;
                m_workers.emplace_back([fd] {
                    char buf[5];
                    for (;;) {
                        std::size_t got = 0;
                        while (got < 5) {
                            const ssize_t r = ::recv(fd, buf + got, 5 - got, 0);
                            if (r <= 0) {
                                ::close(fd);
                                return;
                            }
                            got += std::size_t(r);
                        }
                        if (::send(fd, kReply.data(), kReply.size(), MSG_NOSIGNAL) != ssize_t(kReply.size())) {
                            ::close(fd);
                            return;
                        }
                    }
                });
            }
        });
    }
    ~Responder() {
        ::shutdown(m_listener, SHUT_RDWR);
        ::close(m_listener);
        m_acceptor.join();
        for (auto& w : m_workers) w.join();
    }
    std::uint16_t port() const { return m_port; }

private:
    int m_listener = -1;
    std::uint16_t m_port = 0;
    std::thread m_acceptor;
    std::vector<std::thread> m_workers;
};

Responder* g_responder = nullptr;

class BenchOwner : public CWnd {
public:
    int replies = 0;
    CString last;
    CQuorSock* link = nullptr;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_SOCK_EVENT) {
            if (lParam == LINK_DATA) {
                last = link->m_strRecv;
                ++replies;
            }
            return 1;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

void BM_PollThroughLink(benchmark::State& state) {
    BenchOwner owner;
    owner.CreateEx(0, nullptr, u"bench", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0);
    CQuorSock link;
    owner.link = &link;
    link.Create(&owner);
    link.ConnectHost(u"127.0.0.1", g_responder->port());
    if (!platform::PumpUntil([&] { return link.m_bConnected == TRUE; }, 5000)) {
        state.SkipWithError("no connection");
        return;
    }
    for (auto _ : state) {
        const int before = owner.replies;
        link.SendData(kRequest, 5);
        // A reply may come in two reads; the poll is done when 13 bytes came.
        std::size_t got = 0;
        while (got < kReply.size()) {
            // Sleeps in the event loop until something happens, as the program does.
            while (owner.replies == before) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            got += owner.last.size();
        }
        benchmark::DoNotOptimize(owner.last.data());
    }
    link.CloseLink();
}

void BM_PollBareSocket(benchmark::State& state) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(g_responder->port());
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    pollfd out{fd, POLLOUT, 0};
    ::poll(&out, 1, 5000);
    unsigned char buf[65536];
    std::u16string text;
    for (auto _ : state) {
        ::send(fd, kRequest, 5, MSG_NOSIGNAL);
        std::size_t got = 0;
        while (got < kReply.size()) {
            pollfd in{fd, POLLIN, 0};
            ::poll(&in, 1, 5000);
            const ssize_t r = ::recv(fd, buf, sizeof buf, 0);
            if (r <= 0) {
                state.SkipWithError("no reply");
                ::close(fd);
                return;
            }
            text.resize(std::size_t(r));
            for (ssize_t i = 0; i < r; ++i) text[std::size_t(i)] = char16_t(std::int16_t(std::int8_t(buf[i])));
            got += std::size_t(r);
        }
        benchmark::DoNotOptimize(text.data());
    }
    ::close(fd);
}

BENCHMARK(BM_PollBareSocket)->UseRealTime();
BENCHMARK(BM_PollThroughLink)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    platform::StartGui(argc, argv);
    benchmark::Initialize(&argc, argv);
    {
        Responder responder;
        g_responder = &responder;
        benchmark::RunSpecifiedBenchmarks();
        g_responder = nullptr;
    }
    benchmark::Shutdown();
    platform::StopGui();
    return 0;
}
