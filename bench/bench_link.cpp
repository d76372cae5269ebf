// One instrument poll on loopback: request out, 13-byte reply in, reply rebuilt
// as text. Through the link (socket notifications on the event loop, the link's
// window message, the owner's handler) against a bare non-blocking socket that
// waits with poll() and does the same work inline. The same responder thread
// answers both.
//
// And a data-server link with its lamp, as the main window has it, against a
// server that says nothing, one that answers a line every 10 ms, and one that
// sends as fast as the link takes it: the user-interface thread's CPU time per
// second of running (ui_cpu_pct) and its reads a second.
//
// And the main window polling one stack whose instrument answers plainly, adds
// a line end 20 ms after each reply, or floods its link (R bytes, "R000:" over
// and over, whole replies back to back, junk): the user-interface thread's CPU
// time, the polls the instrument saw, the stack link's reads and its
// connections, each a second. Needs the instrument port 4000 on 127.0.0.1 (run
// it in a network namespace of its own).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/base_panel.h"
#include "app/main_dlg.h"
#include "app/quor_sock.h"
#include "controls/led.h"
#include "res/resources.h"
#include "platform/runtime/app.h"
#include "platform/window/wnd.h"

namespace {

constexpr char kRequest[] = "R000?";
const std::string kReply("R000:\x00\x00\x87\x43\x00\x00\x60\x40", 13);

// A socket listening on 127.0.0.1 at a port the system picks (into *port).
int ListenOnLoopback(std::uint16_t* port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    ::listen(fd, 8);
    socklen_t len = sizeof sa;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    *port = ntohs(sa.sin_port);
    return fd;
}

// Answers every "R000?" on every accepted connection, one thread per connection.
class Responder {
public:
    Responder() {
        m_listener = ListenOnLoopback(&m_port);
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

// A server on its own thread: accepts one connection, reads what comes, and
// says nothing (0), "OK\n" every `gapMs` (> 0), or floods (< 0).
class TalkingServer {
public:
    explicit TalkingServer(int gapMs) : m_gapMs(gapMs) {
        m_listener = ListenOnLoopback(&m_port);
        m_thread = std::thread([this] { Run(); });
    }
    ~TalkingServer() {
        m_stop = true;
        ::shutdown(m_listener, SHUT_RDWR);
        m_thread.join();
        ::close(m_listener);
    }
    std::uint16_t port() const { return m_port; }

private:
    void Run() {
        const int fd = ::accept(m_listener, nullptr, nullptr);
        if (fd < 0) return;
        static const std::string flood(65536, 'x');
        char buf[4096];
        while (!m_stop) {
            pollfd p{fd, short(POLLIN | (m_gapMs < 0 ? POLLOUT : 0)), 0};
            ::poll(&p, 1, m_gapMs > 0 ? m_gapMs : 100);
            if ((p.revents & POLLIN) && ::recv(fd, buf, sizeof buf, MSG_DONTWAIT) == 0) break;
            if (m_gapMs > 0) (void)!::send(fd, "OK\n", 3, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (m_gapMs < 0 && (p.revents & POLLOUT)) (void)!::send(fd, flood.data(), flood.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        }
        ::close(fd);
    }
    int m_gapMs;
    int m_listener = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

double ThreadCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Args: the server's gap between lines in ms (0 quiet, -1 flood); 1 when the
// link drops what comes unread (as the main window's server link does), 0 when
// it reads every byte into its text as a stack link does. Each iteration runs
// the event loop for a second, with a record sent every 100 ms.
void BM_ServerTalkingBack(benchmark::State& state) {
    TalkingServer server(int(state.range(0)));
    BenchOwner owner;
    owner.CreateEx(0, nullptr, u"bench", WS_POPUP | WS_VISIBLE, CRect(0, 0, 200, 200), nullptr, 0);
    CQuorSock link;
    owner.link = &link;
    link.Create(&owner);
    link.m_bWatchAcks = TRUE;
    link.m_bDiscardReceived = state.range(1) != 0;
    link.ConnectHost(u"127.0.0.1", server.port());
    link.AttachLamp(&owner, u"Server");
    link.m_bLampColors = TRUE;
    if (link.m_pLamp) link.m_pLamp->MoveWindow(10, 10, 42, 60, TRUE);
    if (!platform::PumpUntil([&] { return link.m_bConnected == TRUE; }, 5000)) {
        state.SkipWithError("no connection");
        return;
    }
    const std::string record(200, 'r');
    double cpu = 0;
    DWORD reads = 0;
    for (auto _ : state) {
        const double before = ThreadCpuSeconds();
        const DWORD readsBefore = link.m_nReads;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (std::chrono::steady_clock::now() < end) {
            link.SendData((record + "\n").data(), int(record.size() + 1));
            platform::PumpEvents(100);
        }
        cpu += ThreadCpuSeconds() - before;
        reads += link.m_nReads - readsBefore;
    }
    state.counters["ui_cpu_pct"] = benchmark::Counter(100.0 * cpu / double(state.iterations()));
    state.counters["reads_per_s"] = benchmark::Counter(double(reads) / double(state.iterations()));
    state.counters["dropped_records"] = benchmark::Counter(double(link.m_nDroppedSends));
    link.CloseLink();
}

// An instrument on 127.0.0.1:4000, one connection at a time (a new one
// replaces the old): mode 0 answers every request, 1 adds "\r\n" 20 ms after
// each answer, 2 to 5 send from the connect on, as fast as they are taken, "R",
// "R000:", whole replies, or junk, and answer nothing.
class GatewayInstrument {
public:
    explicit GatewayInstrument(int mode) : m_mode(mode) {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(4000);
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(m_listener, 8) != 0) {
            ::close(m_listener);
            m_listener = -1;
            return;
        }
        static const char* const kFloods[] = {"", "", "R", "R000:", nullptr, "\x7F junk"};
        const std::string unit = mode == 4 ? kReply : std::string(kFloods[mode]);
        while (!unit.empty() && m_flood.size() < 16384) m_flood += unit;
        m_thread = std::thread([this] { Run(); });
    }
    ~GatewayInstrument() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        if (m_listener >= 0) ::close(m_listener);
    }
    bool listening() const { return m_listener >= 0; }
    std::atomic<int> requests{0}, connections{0};

private:
    void Run() {
        int client = -1;
        std::string pending;
        while (!m_stop) {
            pollfd p[2] = {{m_listener, POLLIN, 0}, {client, short(POLLIN | (m_flood.empty() ? 0 : POLLOUT)), 0}};
            if (::poll(p, client < 0 ? 1 : 2, 50) <= 0) continue;
            if (p[0].revents & POLLIN) {
                const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0) {
                    if (client >= 0) ::close(client);
                    client = fd;
                    pending.clear();
                    ++connections;
                    continue;
                }
            }
            if (client < 0) continue;
            if (p[1].revents & POLLOUT) (void)!::send(client, m_flood.data(), m_flood.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (!(p[1].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[256];
            const ssize_t n = ::recv(client, buf, sizeof buf, MSG_DONTWAIT);
            if (n <= 0) {
                ::close(client);
                client = -1;
                continue;
            }
            pending.append(buf, std::size_t(n));
            for (std::size_t at; (at = pending.find(kRequest)) != std::string::npos;) {
                pending.erase(0, at + 5);
                ++requests;
                if (!m_flood.empty()) continue;
                (void)!::send(client, kReply.data(), kReply.size(), MSG_NOSIGNAL);
                if (m_mode == 1) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    (void)!::send(client, "\r\n", 2, MSG_NOSIGNAL);
                }
            }
        }
        if (client >= 0) ::close(client);
    }
    int m_mode;
    int m_listener = -1;
    std::string m_flood;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Arg: the instrument's mode (above). The main window runs in a folder of its
// own with its default settings (every other stack and the server at 0.0.0.0,
// refused at once), stack 1 pointed at the instrument; each iteration runs the
// event loop for two seconds, after three seconds for the first polls.
void BM_StackInstrument(benchmark::State& state) {
    GatewayInstrument instrument(int(state.range(0)));
    if (!instrument.listening()) {
        state.SkipWithError("port 4000 on 127.0.0.1 is taken (run in a network namespace of its own)");
        return;
    }
    char folder[] = "/tmp/rerovora-bench-XXXXXX";
    if (!::mkdtemp(folder) || ::chdir(folder) != 0) {
        state.SkipWithError("no working folder");
        return;
    }
    {
        CMainDlg dlg;
        dlg.Create(res::IDD_MAIN, nullptr);
        dlg.Config().aStacks[0].dwIp = htonl(INADDR_LOOPBACK);  // the watchdog's first pass connects it
        platform::PumpEvents(3000);
        CQuorSock* link = dlg.m_pLinks[0];
        double cpu = 0;
        DWORD reads = 0;
        int polls = 0;
        const int connections = instrument.connections;
        for (auto _ : state) {
            const double before = ThreadCpuSeconds();
            const DWORD readsBefore = link->m_nReads;
            const int pollsBefore = instrument.requests;
            platform::PumpEvents(2000);
            cpu += ThreadCpuSeconds() - before;
            reads += link->m_nReads - readsBefore;
            polls += instrument.requests - pollsBefore;
        }
        const double seconds = 2.0 * double(state.iterations());
        state.counters["ui_cpu_pct"] = benchmark::Counter(100.0 * cpu / seconds);
        state.counters["polls_per_s"] = benchmark::Counter(double(polls) / seconds);
        state.counters["reads_per_s"] = benchmark::Counter(double(reads) / seconds);
        state.counters["reconnects"] = benchmark::Counter(double(instrument.connections - connections));
        state.counters["answering"] = benchmark::Counter(dlg.m_pPanel && dlg.m_pPanel->SendsValues(0) ? 1 : 0);
        dlg.DestroyWindow();
    }
    ::unlink((std::string(folder) + "/ZEL-Rerovora.cfg").c_str());
    (void)!::chdir("/");
    ::rmdir(folder);
}

BENCHMARK(BM_PollBareSocket)->UseRealTime();
BENCHMARK(BM_StackInstrument)->DenseRange(0, 5)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ServerTalkingBack)
    ->ArgsProduct({{0, 10, 1, -1}, {1, 0}})
    ->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PollThroughLink)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    platform::StartGui(argc, argv);
    res::RegisterResources();
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
