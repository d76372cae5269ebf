// Data-server sink: accepts the relay's server connection on a loopback port and
// prints every record line it receives with its arrival time.
//
// It can stop reading (from the start with --no-read, or on SIGUSR1; SIGUSR2
// reads again), so a test can see a relay whose server never reads. Single-
// threaded; ends by itself after --duration seconds, and cleanly on SIGTERM or
// SIGINT.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tool_options.h"

namespace {

using Clock = std::chrono::steady_clock;

const char kUsage[] =
    "usage: server_sink [options]\n"
    "\n"
    "Stands in for the central data server: accepts connections on a loopback port\n"
    "and prints every record line with the local time of its arrival.\n"
    "\n"
    "options:\n"
    "  --address A     listen on loopback address A (default 127.0.0.1)\n"
    "  --port P        listen on port P (default 22700); 0 picks a free port and prints it\n"
    "  --no-read       accept connections but never read them (SIGUSR2 starts reading)\n"
    "  --rcvbuf N      receive buffer of accepted connections, in bytes (a small one\n"
    "                  makes a non-reading sink push back sooner)\n"
    "  --greet TEXT    send TEXT to every client when it connects\n"
    "  --duration S    stop after S seconds (default 3600)\n"
    "  --help          this text\n"
    "\n"
    "signals: SIGUSR1 stops reading, SIGUSR2 reads again; SIGTERM or SIGINT end it.\n"
    "\n"
    "stdout: one line per record: \"YYYY-MM-DD HH:MM:SS.mmm \" and the record without\n"
    "its line feed. A line longer than 64 KiB is printed in pieces of 64 KiB.\n"
    "stderr: \"listening A:P\", \"ready port=P\", \"accepted\", \"closed\", \"reading on|off\",\n"
    "\"stopping (signal|time)\".\n";

constexpr std::size_t kMaxLine = 65536;

volatile sig_atomic_t g_stop = 0;
volatile sig_atomic_t g_reading = 1;

void OnStop(int) { g_stop = 1; }
void OnPause(int) { g_reading = 0; }
void OnResume(int) { g_reading = 1; }

struct Client {
    int fd = -1;
    std::string line;
    std::string greeting;  // still to send
};

void Log(const char* text) {
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
}

void PrintRecord(const std::string& record) {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    ::localtime_r(&ts.tv_sec, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::fprintf(stdout, "%s.%03ld ", stamp, ts.tv_nsec / 1000000);
    std::fwrite(record.data(), 1, record.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::string address = "127.0.0.1";
    long port = 22700;
    long duration = 3600;
    long rcvbuf = 0;
    std::string greeting;

    ToolArgs args("server_sink", argc, argv);
    while (args.Next()) {
        if (args.Is("--help") || args.Is("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (args.Is("--address")) {
            address = args.Value();
        } else if (args.Is("--port")) {
            port = args.Number(0, 65535);
        } else if (args.Is("--no-read")) {
            g_reading = 0;
        } else if (args.Is("--rcvbuf")) {
            rcvbuf = args.Number(1, 64 * 1024 * 1024);
        } else if (args.Is("--greet")) {
            greeting = args.Value();
        } else if (args.Is("--duration")) {
            duration = args.Number(1, 7 * 24 * 3600);
        } else {
            std::fprintf(stderr, "server_sink: unknown option %s (see --help)\n", args.option().c_str());
            return 2;
        }
    }
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(std::uint16_t(port));
    if (!ParseLoopbackAddress(address, &sa.sin_addr)) {
        std::fprintf(stderr, "server_sink: --address takes a loopback address (127.x.x.x)\n");
        return 2;
    }

    // Signals are let through only while waiting in ppoll.
    sigset_t blocked, waitMask;
    sigemptyset(&blocked);
    for (int s : {SIGTERM, SIGINT, SIGUSR1, SIGUSR2}) sigaddset(&blocked, s);
    sigprocmask(SIG_BLOCK, &blocked, &waitMask);
    for (int s : {SIGTERM, SIGINT, SIGUSR1, SIGUSR2}) sigdelset(&waitMask, s);
    auto install = [](int s, void (*handler)(int)) {
        struct sigaction act {};
        act.sa_handler = handler;
        sigemptyset(&act.sa_mask);
        sigaction(s, &act, nullptr);
    };
    install(SIGTERM, OnStop);
    install(SIGINT, OnStop);
    install(SIGUSR1, OnPause);
    install(SIGUSR2, OnResume);
    signal(SIGPIPE, SIG_IGN);

    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (rcvbuf > 0) {
        // Set before listening, so accepted connections start with it.
        const int size = int(rcvbuf);
        ::setsockopt(listener, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
    if (::bind(listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(listener, 16) != 0) {
        std::fprintf(stderr, "server_sink: cannot listen on %s:%ld: %s\n", address.c_str(), port,
                     std::strerror(errno));
        return 1;
    }
    socklen_t len = sizeof sa;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&sa), &len);
    std::fprintf(stderr, "listening %s:%u\nready port=%u\n", address.c_str(), unsigned(ntohs(sa.sin_port)),
                 unsigned(ntohs(sa.sin_port)));
    std::fflush(stderr);

    const Clock::time_point end = Clock::now() + std::chrono::seconds(duration);
    std::vector<std::unique_ptr<Client>> clients;
    bool reading = g_reading != 0;
    if (!reading) Log("reading off");

    while (!g_stop) {
        const Clock::time_point now = Clock::now();
        if (now >= end) break;
        if (reading != (g_reading != 0)) {
            reading = g_reading != 0;
            Log(reading ? "reading on" : "reading off");
        }

        std::vector<pollfd> fds{{listener, POLLIN, 0}};
        for (auto& c : clients) {
            short ev = reading ? POLLIN : 0;
            if (!c->greeting.empty()) ev |= POLLOUT;
            fds.push_back({c->fd, ev, 0});
        }
        const auto waitNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                std::min(end, now + std::chrono::seconds(1)) - now).count();
        timespec timeout{time_t(waitNs / 1000000000), long(waitNs % 1000000000)};
        const int ready = ::ppoll(fds.data(), fds.size(), &timeout, &waitMask);
        if (ready < 0) {
            if (errno == EINTR) continue;
            std::perror("server_sink: ppoll");
            return 1;
        }

        for (std::size_t i = 0; i < clients.size(); ++i) {
            Client* c = clients[i].get();
            const short re = fds[i + 1].revents;
            if (re == 0) continue;
            if ((re & POLLOUT) && !c->greeting.empty()) {
                const ssize_t w = ::send(c->fd, c->greeting.data(), c->greeting.size(), MSG_NOSIGNAL);
                if (w > 0) c->greeting.erase(0, std::size_t(w));
            }
            if (!reading && (re & (POLLHUP | POLLERR | POLLNVAL))) {
                // The client is gone; nothing of it will be read any more.
                ::close(c->fd);
                c->fd = -1;
                Log("closed");
                continue;
            }
            if (!reading || !(re & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[8192];
            const ssize_t r = ::recv(c->fd, buf, sizeof buf, 0);
            if (r == 0 || (r < 0 && errno != EAGAIN && errno != EINTR)) {
                if (!c->line.empty()) PrintRecord(c->line);  // a last record without its line feed
                ::close(c->fd);
                c->fd = -1;
                Log("closed");
                continue;
            }
            for (ssize_t k = 0; k < r; ++k) {
                if (buf[k] == '\n') {
                    PrintRecord(c->line);
                    c->line.clear();
                } else {
                    c->line.push_back(buf[k]);
                    if (c->line.size() >= kMaxLine) {
                        PrintRecord(c->line);
                        c->line.clear();
                    }
                }
            }
        }
        std::erase_if(clients, [](const auto& c) { return c->fd < 0; });

        if (fds[0].revents & POLLIN) {
            for (int n = 0; n < 16; ++n) {
                const int cfd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (cfd < 0) break;
                auto c = std::make_unique<Client>();
                c->fd = cfd;
                c->greeting = greeting;
                clients.push_back(std::move(c));
                Log("accepted");
            }
        }
    }
    for (auto& c : clients) ::close(c->fd);
    ::close(listener);
    std::fprintf(stderr, "stopping (%s)\n", g_stop ? "signal" : "time");
    return 0;
}
