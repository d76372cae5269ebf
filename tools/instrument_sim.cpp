// Wind instrument simulator: one or more stack anemometers on loopback addresses.
//
// Each address listens on the instrument port (4000) and answers the request
// "R000?" with "R000:" followed by wind direction and wind speed as little-endian
// 32-bit floats. Modes make an instrument misbehave the ways a real one can.
// Single-threaded; ends by itself after --duration seconds, and cleanly on SIGTERM
// or SIGINT.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "tool_options.h"

namespace {

using Clock = std::chrono::steady_clock;

const char kUsage[] =
    "usage: instrument_sim [options]\n"
    "\n"
    "Simulates stack wind instruments: each address answers \"R000?\" with \"R000:\"\n"
    "and two little-endian floats, wind direction (degrees) and wind speed.\n"
    "\n"
    "options:\n"
    "  --address A        listen on A; repeat it, or give a range 127.0.0.1-127.0.0.12\n"
    "                     (default 127.0.0.1-127.0.0.12)\n"
    "  --port P           port of every address (default 4000); 0 picks a free port,\n"
    "                     the same on every address, and prints it\n"
    "  --mode M           behaviour of every address (default normal)\n"
    "  --mode-at A=M      behaviour of address A only\n"
    "  --values D,S       always answer direction D and speed S (default: values that\n"
    "                     drift slowly, like real wind)\n"
    "  --seed N           seed of the drifting values (default 1)\n"
    "  --split-delay MS   pause between the two writes of split mode (default 100)\n"
    "  --duration S       stop after S seconds (default 3600)\n"
    "  --help             this text\n"
    "\n"
    "modes:\n"
    "  normal             answer every request\n"
    "  silent             accept and read, never answer\n"
    "  wrong-header       answer with the header \"R001:\"\n"
    "  split              send each answer in two writes: header and two value bytes,\n"
    "                     then the rest after --split-delay\n"
    "  trailing           add the bytes \"\\r\\nOK\" after each answer\n"
    "  flood              from the connect on, send junk bytes as fast as the client\n"
    "                     takes them (never a valid answer); requests are ignored\n"
    "  close-after=N      answer N requests, then close the connection\n"
    "  reset-after=N      answer N requests, then reset the connection\n"
    "  refuse             do not listen on the address: connects are refused\n"
    "\n"
    "stderr: \"listening A:P\" per address, then \"ready port=P\"; \"accepted A\",\n"
    "\"closed A\" per connection; \"answered=N\" (the requests answered on every\n"
    "address together) on SIGUSR1 and at the end, then \"stopping (signal|time)\".\n";

enum class Mode { Normal, Silent, WrongHeader, Split, Trailing, Flood, CloseAfter, ResetAfter, Refuse };

struct Behaviour {
    Mode mode = Mode::Normal;
    int count = 0;  // close-after / reset-after
};

struct Listener {
    std::string address;
    Behaviour behaviour;
    int fd = -1;
    // The wind at this instrument.
    float direction = 0;
    float speed = 0;
    std::mt19937 random;
};

struct Connection {
    int fd = -1;
    Listener* listener = nullptr;
    std::string in;       // unparsed request bytes
    std::string out;      // bytes to write now
    std::string later;    // split mode: the second part, due at `due`
    Clock::time_point due{};
    int replies = 0;
    bool ending = false;  // flush, then close or reset
    bool lingering = false;  // sending side shut: read until the client closes
    Clock::time_point lingerUntil{};
};

volatile sig_atomic_t g_stop = 0;
volatile sig_atomic_t g_report = 0;

void OnSignal(int) { g_stop = 1; }
void OnReport(int) { g_report = 1; }

bool ParseBehaviour(const std::string& text, Behaviour* b) {
    auto counted = [&](const char* prefix, Mode m) {
        const std::size_t n = std::strlen(prefix);
        if (text.compare(0, n, prefix) != 0) return false;
        char* end = nullptr;
        const long v = std::strtol(text.c_str() + n, &end, 10);
        if (end == text.c_str() + n || *end || v < 0 || v > 1000000) return false;
        b->mode = m;
        b->count = int(v);
        return true;
    };
    if (text == "normal") b->mode = Mode::Normal;
    else if (text == "silent") b->mode = Mode::Silent;
    else if (text == "wrong-header") b->mode = Mode::WrongHeader;
    else if (text == "split") b->mode = Mode::Split;
    else if (text == "trailing") b->mode = Mode::Trailing;
    else if (text == "flood") b->mode = Mode::Flood;
    else if (text == "refuse") b->mode = Mode::Refuse;
    else if (counted("close-after=", Mode::CloseAfter)) {}
    else if (counted("reset-after=", Mode::ResetAfter)) {}
    else return false;
    return true;
}

// "127.0.0.1" or "127.0.0.1-127.0.0.12": loopback addresses only.
bool ExpandAddresses(const std::string& text, std::vector<std::string>* out) {
    const std::size_t dash = text.find('-');
    in_addr first{}, last{};
    if (dash == std::string::npos) {
        if (!ParseLoopbackAddress(text, &first)) return false;
        out->push_back(text);
        return true;
    }
    if (!ParseLoopbackAddress(text.substr(0, dash), &first) || !ParseLoopbackAddress(text.substr(dash + 1), &last))
        return false;
    const std::uint32_t a = ntohl(first.s_addr), b = ntohl(last.s_addr);
    if (b < a || b - a > 255) return false;
    for (std::uint32_t v = a; v <= b; ++v) {
        in_addr x{};
        x.s_addr = htonl(v);
        char buf[INET_ADDRSTRLEN];
        ::inet_ntop(AF_INET, &x, buf, sizeof buf);
        out->push_back(buf);
    }
    return true;
}

void Log(const char* format, const std::string& a = {}, long n = -1) {
    if (n >= 0) std::fprintf(stderr, format, a.c_str(), n);
    else std::fprintf(stderr, format, a.c_str());
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

int OpenListener(const std::string& address, std::uint16_t port, std::uint16_t* bound) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    ::inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd, 64) != 0) {
        ::close(fd);
        return -1;
    }
    socklen_t len = sizeof sa;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    *bound = ntohs(sa.sin_port);
    return fd;
}

void AppendFloat(std::string* out, float v) {
    unsigned char b[4];
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>(bits >> (8 * i));
    out->append(reinterpret_cast<const char*>(b), 4);
}

void Drift(Listener* l) {
    std::normal_distribution<float> turn(0.0f, 4.0f), gust(0.0f, 0.4f);
    l->direction = std::fmod(l->direction + turn(l->random) + 360.0f, 360.0f);
    l->speed = std::clamp(l->speed + gust(l->random), 0.0f, 30.0f);
}

std::string Answer(Listener* l, const std::optional<std::pair<float, float>>& fixed) {
    std::string reply = l->behaviour.mode == Mode::WrongHeader ? "R001:" : "R000:";
    if (fixed) {
        AppendFloat(&reply, fixed->first);
        AppendFloat(&reply, fixed->second);
    } else {
        Drift(l);
        AppendFloat(&reply, l->direction);
        AppendFloat(&reply, l->speed);
    }
    if (l->behaviour.mode == Mode::Trailing) reply += "\r\nOK";
    return reply;
}

void FillJunk(Connection* c) {
    // Bytes that never start an answer ('R' never appears).
    static std::string junk = [] {
        std::string s(65536, '\0');
        for (std::size_t i = 0; i < s.size(); ++i) s[i] = char("junk-0123456789 "[i % 16]);
        return s;
    }();
    if (c->out.empty()) c->out = junk;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> addresses;
    std::map<std::string, Behaviour> perAddress;
    Behaviour common;
    long port = 4000;
    long duration = 3600;
    long splitDelayMs = 100;
    unsigned seed = 1;
    std::optional<std::pair<float, float>> fixed;

    ToolArgs args("instrument_sim", argc, argv);
    while (args.Next()) {
        if (args.Is("--help") || args.Is("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (args.Is("--address")) {
            if (!ExpandAddresses(args.Value(), &addresses)) {
                std::fprintf(stderr, "instrument_sim: --address takes loopback addresses (127.x.x.x)\n");
                return 2;
            }
        } else if (args.Is("--port")) {
            port = args.Number(0, 65535);
        } else if (args.Is("--mode")) {
            if (!ParseBehaviour(args.Value(), &common)) {
                std::fprintf(stderr, "instrument_sim: unknown mode (see --help)\n");
                return 2;
            }
        } else if (args.Is("--mode-at")) {
            const std::string v = args.Value();
            const std::size_t eq = v.find('=');
            Behaviour b;
            in_addr a{};
            if (eq == std::string::npos || !ParseLoopbackAddress(v.substr(0, eq), &a) ||
                !ParseBehaviour(v.substr(eq + 1), &b)) {
                std::fprintf(stderr, "instrument_sim: --mode-at takes ADDRESS=MODE\n");
                return 2;
            }
            perAddress[v.substr(0, eq)] = b;
        } else if (args.Is("--values")) {
            const std::string v = args.Value();
            float d = 0, s = 0;
            char tail = 0;
            if (std::sscanf(v.c_str(), "%f,%f%c", &d, &s, &tail) != 2) {
                std::fprintf(stderr, "instrument_sim: --values takes DIRECTION,SPEED\n");
                return 2;
            }
            fixed = std::make_pair(d, s);
        } else if (args.Is("--seed")) {
            seed = unsigned(args.Number(0, 0x7FFFFFFF));
        } else if (args.Is("--split-delay")) {
            splitDelayMs = args.Number(0, 60000);
        } else if (args.Is("--duration")) {
            duration = args.Number(1, 7 * 24 * 3600);
        } else {
            std::fprintf(stderr, "instrument_sim: unknown option %s (see --help)\n", args.option().c_str());
            return 2;
        }
    }
    if (addresses.empty()) ExpandAddresses("127.0.0.1-127.0.0.12", &addresses);

    // SIGTERM, SIGINT and SIGUSR1 are let through only while waiting in ppoll.
    sigset_t blocked, waitMask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGUSR1);
    sigprocmask(SIG_BLOCK, &blocked, &waitMask);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGUSR1);
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sa.sa_handler = OnReport;
    sigaction(SIGUSR1, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    std::vector<std::unique_ptr<Listener>> listeners;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        auto l = std::make_unique<Listener>();
        l->address = addresses[i];
        auto it = perAddress.find(addresses[i]);
        l->behaviour = it != perAddress.end() ? it->second : common;
        l->random.seed(seed + unsigned(i) * 7919u);
        l->direction = float(std::uniform_real_distribution<double>(0, 360)(l->random));
        l->speed = float(std::uniform_real_distribution<double>(1, 8)(l->random));
        listeners.push_back(std::move(l));
    }

    // Every address shares one port; with port 0 the first bind picks it.
    std::uint16_t shared = std::uint16_t(port);
    bool bound = false;
    for (int attempt = 0; attempt < (port == 0 ? 20 : 1) && !bound; ++attempt) {
        bound = true;
        std::uint16_t want = std::uint16_t(port);
        for (auto& l : listeners) {
            if (l->behaviour.mode == Mode::Refuse) continue;
            std::uint16_t got = 0;
            l->fd = OpenListener(l->address, want, &got);
            if (l->fd < 0) {
                bound = false;
                if (port != 0)
                    std::fprintf(stderr, "instrument_sim: cannot listen on %s:%ld: %s\n",
                                 l->address.c_str(), port, std::strerror(errno));
                break;
            }
            want = got;
        }
        shared = want;
        if (!bound) {
            for (auto& l : listeners)
                if (l->fd >= 0) ::close(l->fd), l->fd = -1;
        }
    }
    if (!bound) {
        std::fprintf(stderr, "instrument_sim: no port could be bound\n");
        return 1;
    }
    if (shared == 0) {
        // Every address refuses: name a port that was free a moment ago.
        std::uint16_t got = 0;
        const int probe = OpenListener(listeners.front()->address, 0, &got);
        if (probe >= 0) ::close(probe);
        shared = got;
    }
    for (auto& l : listeners) {
        if (l->fd >= 0) std::fprintf(stderr, "listening %s:%u\n", l->address.c_str(), unsigned(shared));
    }
    std::fprintf(stderr, "ready port=%u\n", unsigned(shared));
    std::fflush(stderr);

    const Clock::time_point end = Clock::now() + std::chrono::seconds(duration);
    const auto splitDelay = std::chrono::milliseconds(splitDelayMs);
    std::vector<std::unique_ptr<Connection>> connections;
    long answered = 0;  // requests answered on every address together

    auto closeConnection = [&](Connection* c, bool reset) {
        if (reset) {
            linger lg{1, 0};
            ::setsockopt(c->fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
        }
        ::close(c->fd);
        c->fd = -1;
        Log("closed %s", c->listener->address);
    };

    while (!g_stop) {
        const Clock::time_point now = Clock::now();
        if (now >= end) break;

        // Due split halves and expired lingering connections.
        for (auto& c : connections) {
            if (c->fd < 0) continue;
            if (!c->later.empty() && now >= c->due) {
                c->out += c->later;
                c->later.clear();
            }
            if (c->lingering && now >= c->lingerUntil) closeConnection(c.get(), false);
        }
        connections.erase(std::remove_if(connections.begin(), connections.end(),
                                          [](const auto& c) { return c->fd < 0; }),
                          connections.end());

        std::vector<pollfd> fds;
        for (auto& l : listeners)
            if (l->fd >= 0) fds.push_back({l->fd, POLLIN, 0});
        const std::size_t firstConnection = fds.size();
        Clock::time_point wake = std::min(end, now + std::chrono::seconds(1));
        for (auto& c : connections) {
            if (c->listener->behaviour.mode == Mode::Flood && !c->ending) FillJunk(c.get());
            short ev = POLLIN;
            if (!c->out.empty()) ev |= POLLOUT;
            fds.push_back({c->fd, ev, 0});
            if (!c->later.empty()) wake = std::min(wake, c->due);
            if (c->lingering) wake = std::min(wake, c->lingerUntil);
        }
        const auto waitNs = std::chrono::duration_cast<std::chrono::nanoseconds>(wake - now).count();
        timespec timeout{};
        if (waitNs > 0) {
            timeout.tv_sec = time_t(waitNs / 1000000000);
            timeout.tv_nsec = long(waitNs % 1000000000);
        }
        const int ready = ::ppoll(fds.data(), fds.size(), &timeout, &waitMask);
        if (g_report) {
            g_report = 0;
            std::fprintf(stderr, "answered=%ld\n", answered);
            std::fflush(stderr);
        }
        if (ready < 0) {
            if (errno == EINTR) continue;
            std::perror("instrument_sim: ppoll");
            return 1;
        }

        std::size_t k = 0;
        for (auto& l : listeners) {
            if (l->fd < 0) continue;
            if (fds[k++].revents & POLLIN) {
                for (int n = 0; n < 16; ++n) {
                    const int cfd = ::accept4(l->fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                    if (cfd < 0) break;
                    auto c = std::make_unique<Connection>();
                    c->fd = cfd;
                    c->listener = l.get();
                    Log("accepted %s", l->address);
                    connections.push_back(std::move(c));
                }
            }
        }

        const std::size_t polled = fds.size() - firstConnection;
        for (std::size_t i = 0; i < polled; ++i) {
            Connection* c = connections[i].get();
            const short re = fds[firstConnection + i].revents;
            if (c->fd < 0 || re == 0) continue;
            const Behaviour& b = c->listener->behaviour;

            if (re & (POLLIN | POLLHUP | POLLERR)) {
                char buf[4096];
                const ssize_t r = ::recv(c->fd, buf, sizeof buf, 0);
                if (r == 0 || (r < 0 && errno != EAGAIN && errno != EINTR)) {
                    closeConnection(c, false);
                    continue;
                }
                if (r > 0 && !c->lingering && !c->ending && b.mode != Mode::Flood) {
                    c->in.append(buf, std::size_t(r));
                    std::size_t pos;
                    while ((pos = c->in.find("R000?")) != std::string::npos) {
                        c->in.erase(0, pos + 5);
                        if (b.mode == Mode::Silent) continue;
                        const std::string reply = Answer(c->listener, fixed);
                        if (b.mode == Mode::Split) {
                            if (c->later.empty()) {
                                c->out += reply.substr(0, 7);
                                c->later = reply.substr(7);
                                c->due = Clock::now() + splitDelay;
                            } else {
                                c->later += reply;  // behind the half still due
                            }
                        } else {
                            c->out += reply;
                        }
                        ++c->replies;
                        ++answered;
                        if ((b.mode == Mode::CloseAfter || b.mode == Mode::ResetAfter) &&
                            c->replies >= b.count) {
                            c->ending = true;
                            break;
                        }
                    }
                    // Keep only what could still begin a request.
                    if (c->in.size() > 4) c->in.erase(0, c->in.size() - 4);
                }
            }
            if ((re & POLLOUT) && !c->out.empty()) {
                const ssize_t w = ::send(c->fd, c->out.data(), c->out.size(), MSG_NOSIGNAL);
                if (w > 0) c->out.erase(0, std::size_t(w));
                else if (w < 0 && errno != EAGAIN && errno != EINTR) {
                    closeConnection(c, false);
                    continue;
                }
            }
            if (c->ending && c->out.empty() && c->later.empty()) {
                c->ending = false;
                if (b.mode == Mode::ResetAfter) {
                    closeConnection(c, true);
                } else {
                    // An orderly close: our side ends, the client's last bytes are
                    // read so the close is not turned into a reset.
                    ::shutdown(c->fd, SHUT_WR);
                    c->lingering = true;
                    c->lingerUntil = Clock::now() + std::chrono::seconds(5);
                }
            }
        }
    }

    for (auto& c : connections)
        if (c->fd >= 0) ::close(c->fd);
    for (auto& l : listeners)
        if (l->fd >= 0) ::close(l->fd);
    std::fprintf(stderr, "answered=%ld\nstopping (%s)\n", answered, g_stop ? "signal" : "time");
    return 0;
}
