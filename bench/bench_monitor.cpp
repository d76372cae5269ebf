// The relay at work, side by side with a bare C poller (bench/bare_poller.c)
// and a Qt poller (bench/qt_poller.cpp) doing the same network work, in one run:
//  - BM_Relay/<display>/<wind>: the real build/rerovora and the two pollers,
//    each with its own instrument simulators (twelve stacks) and its own
//    data-server sink, each side in a network namespace of its own, for
//    REROVORA_BENCH_SECONDS (default 30) after REROVORA_BENCH_WARMUP seconds
//    (default 4; a relay that has run for minutes has its text layouts kept
//    for the values the wind brings, 120 shows that). Display 0 is Qt's
//    offscreen platform at 800x800, display 1 a real X server (Xvfb 1920x1080)
//    with a window manager (openbox). Wind 0: drifting, so the shown values
//    change with nearly every reply; 1: wind that never changes; 2: drifting,
//    with six of the twelve instruments flooding junk (what junk costs a relay
//    that does not read it; the poller reads it, so the work is not compared).
//    The Qt poller shows an empty window on a screen of its own: it is the
//    floor of any program that does this work in Qt's event loop. A second
//    Qt poller shows the values the plainest way Qt has (text drawn with
//    QPainter in 24 widgets): what showing them costs done without care.
//    CPU time comes from the scheduler's nanosecond counts; the polls each
//    side's simulators answered and the records each sink received are
//    compared, and the run fails when the sides did not do the same work.
//  - BM_ReplyToPixels: on the X server with openbox, the time from an
//    instrument's reply leaving its socket to the first changed pixel of that
//    stack on the X framebuffer; six stacks change value with every reply, six
//    never do.
// Needs root for the network namespaces (unshare), Xvfb and openbox.
// REROVORA_BENCH_SHOT=file.png saves the screen with the top edge of each timed
// stack's area marked.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QRect>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "relay_processes.h"
#include "tests/display/x_display.h"
#include "tests/support/namespaces.h"

namespace fs = std::filesystem;
using namespace relay_bench;
using Clock = std::chrono::steady_clock;

namespace {

int SecondsFrom(const char* name, int otherwise) {
    const char* s = std::getenv(name);
    const int v = s ? std::atoi(s) : otherwise;
    return v > 0 ? v : otherwise;
}
int BenchSeconds() { return SecondsFrom("REROVORA_BENCH_SECONDS", 30); }
int WarmupSeconds() { return SecondsFrom("REROVORA_BENCH_WARMUP", 4); }

// Moves this process into a network namespace of its own with its loopback up:
// what it starts from now on binds and connects there, out of the way of
// anything else on the machine's loopback.
bool EnterPrivateNetwork() {
    if (::unshare(CLONE_NEWNET) != 0) return false;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    const bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0 &&
                    (request.ifr_flags |= IFF_UP, ::ioctl(fd, SIOCSIFFLAGS, &request) == 0);
    if (fd >= 0) ::close(fd);
    return up;
}

// The X server this process started for `display` (a child named Xvfb), for
// its CPU time.
pid_t XServerChild(const std::string& display) {
    std::error_code ec;
    for (auto it = fs::directory_iterator("/proc", ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string stat = ReadFile(it->path() / "stat");
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos || stat.find("(Xvfb)") == std::string::npos) continue;
        std::string args = ReadFile(it->path() / "cmdline");
        std::replace(args.begin(), args.end(), '\0', ' ');
        if (args.find(" " + display + " ") == std::string::npos) continue;
        if (std::atoi(stat.c_str() + close + 4) == ::getpid()) return pid_t(std::atoi(name.c_str()));
    }
    return 0;
}

long Lines(const fs::path& p) {
    const std::string s = ReadFile(p);
    return long(std::count(s.begin(), s.end(), '\n'));
}

// One side of the comparison: simulators, sink and the measured program, in a
// folder and a network namespace of their own.
struct Side {
    fs::path dir;
    pid_t sim = 0, sink = 0, target = 0;
    bool ok = false;

    // Starts the simulators (`wind` as for BM_Relay) and the sink, then
    // `program` with `args` and `env` once they listen.
    Side(const fs::path& folder, int wind, const fs::path& program, const std::vector<std::string>& args,
         const std::vector<std::string>& env)
        : dir(folder) {
        fs::create_directories(dir);
        if (!EnterPrivateNetwork()) return;
        const fs::path build = BuildDir();
        std::vector<std::string> simArgs{"--address", "127.0.0.1-127.0.0.12", "--port", "4000", "--duration", "3600"};
        if (wind == 1) simArgs.insert(simArgs.end(), {"--values", "90,5"});
        if (wind == 2)
            for (int i = 7; i <= 12; ++i) simArgs.insert(simArgs.end(), {"--mode-at", "127.0.0." + std::to_string(i) + "=flood"});
        sim = Spawn(build / "tools/instrument_sim", simArgs, dir, "sim");
        sink = Spawn(build / "tools/server_sink", {"--port", "22700", "--duration", "3600"}, dir, "sink");
        ok = ReadyPort(dir / "sim.err") == 4000 && ReadyPort(dir / "sink.err") == 22700;
        if (ok) target = Spawn(program, args, dir, program.filename(), env);
    }
    // Ends the measured program first, then its peers (which then report).
    void Stop() {
        if (target) relay_bench::Stop(target);
        if (sim) relay_bench::Stop(sim);
        if (sink) relay_bench::Stop(sink);
        target = sim = sink = 0;
    }
    ~Side() { Stop(); }
    // The polls the simulators answered so far (they tell on SIGUSR1).
    long Polls() const {
        const std::string before = ReadFile(dir / "sim.err");
        ::kill(sim, SIGUSR1);
        for (int i = 0; i < 200; ++i) {
            const std::string now = ReadFile(dir / "sim.err");
            const std::size_t at = now.rfind("answered=");
            if (now.size() > before.size() && at != std::string::npos && at >= before.size())
                return std::atol(now.c_str() + at + 9);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return -1;
    }
    long Records() const { return Lines(dir / "sink.out"); }
};

void BM_Relay(benchmark::State& state) {
    const bool onX = state.range(0) == 1;
    const int wind = int(state.range(1));
    const int seconds = BenchSeconds(), period = 5;
    const fs::path root = fs::temp_directory_path() / ("rerovora-bench-" + std::to_string(::getpid()));
    const fs::path build = BuildDir();
    for (auto _ : state) {
        // The program and the Qt pollers each on a screen of their own.
        std::unique_ptr<XDisplay> x, xq, xs;
        std::vector<std::string> env{"QT_QPA_PLATFORM=offscreen"}, envQt = env, envShow = env;
        if (onX) {
            x = std::make_unique<XDisplay>(1920, 1080, true);
            xq = std::make_unique<XDisplay>(1920, 1080, true);
            xs = std::make_unique<XDisplay>(1920, 1080, true);
            std::string failure;
            for (const XDisplay* d : {x.get(), xq.get(), xs.get()})
                if (failure.empty()) failure = d->Failure();
            if (!failure.empty()) {
                state.SkipWithError(failure.c_str());
                break;
            }
            fs::create_directories(root / "runtime");
            ::chmod((root / "runtime").c_str(), 0700);
            env = {"QT_QPA_PLATFORM=xcb", "DISPLAY=" + x->Name(), "XDG_RUNTIME_DIR=" + (root / "runtime").string()};
            envQt = envShow = env;
            envQt[1] = "DISPLAY=" + xq->Name();
            envShow[1] = "DISPLAY=" + xs->Name();
        }
        fs::create_directories(root / "program");
        WriteSettings(root / "program", 22700, period);
        Side program(root / "program", wind, build / "rerovora", {}, env);
        const std::vector<std::string> pollerArgs{std::to_string(seconds + 600), "22700", std::to_string(period)};
        Side poller(root / "poller", wind, build / "bench/bare_poller", pollerArgs, {});
        Side qt(root / "qt", wind, build / "bench/qt_poller", pollerArgs, envQt);
        std::vector<std::string> showArgs = pollerArgs;
        showArgs.push_back("show");
        Side show(root / "show", wind, build / "bench/qt_poller", showArgs, envShow);
        if (!program.ok || !poller.ok || !qt.ok || !show.ok) {
            state.SkipWithError("no network namespace or simulators (needs root and unshare)");
            break;
        }

        // Measured after start-up (fonts, windows, first connections).
        std::this_thread::sleep_for(std::chrono::seconds(WarmupSeconds()));
        const pid_t xserver = onX ? XServerChild(x->Name()) : 0;
        const double p0 = CpuMicros(program.target), f0 = CpuMicros(poller.target), q0 = CpuMicros(qt.target);
        const double s0 = CpuMicros(show.target), x0 = xserver ? CpuMicros(xserver) : 0;
        const long pollsP0 = program.Polls(), pollsF0 = poller.Polls(), pollsQ0 = qt.Polls(), pollsS0 = show.Polls();
        const long recordsP0 = program.Records(), recordsF0 = poller.Records(), recordsQ0 = qt.Records();
        const long recordsS0 = show.Records();
        const auto t0 = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        const double wallUs = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
        const double p = CpuMicros(program.target) - p0, f = CpuMicros(poller.target) - f0;
        const double q = CpuMicros(qt.target) - q0, sh = CpuMicros(show.target) - s0;
        const double xcpu = xserver ? CpuMicros(xserver) - x0 : 0;
        const long pa = program.Polls() - pollsP0, fa = poller.Polls() - pollsF0, qa = qt.Polls() - pollsQ0;
        const long sa = show.Polls() - pollsS0;
        const long pr = program.Records() - recordsP0, fr = poller.Records() - recordsF0;
        const long qr = qt.Records() - recordsQ0, sr = show.Records() - recordsS0;
        state.counters["program_cpu_pct"] = 100.0 * p / wallUs;
        state.counters["poller_cpu_pct"] = 100.0 * f / wallUs;
        state.counters["qt_poller_cpu_pct"] = 100.0 * q / wallUs;
        state.counters["ratio"] = f > 0 ? p / f : 0;
        state.counters["ratio_to_qt"] = q > 0 ? p / q : 0;
        state.counters["qt_show_cpu_pct"] = 100.0 * sh / wallUs;
        if (onX) state.counters["xserver_cpu_pct"] = 100.0 * xcpu / wallUs;
        state.counters["program_rss_MB"] = StatusKb(program.target, "VmRSS") / 1024.0;
        state.counters["program_peak_MB"] = StatusKb(program.target, "VmHWM") / 1024.0;
        state.counters["poller_rss_MB"] = StatusKb(poller.target, "VmRSS") / 1024.0;
        state.counters["qt_poller_rss_MB"] = StatusKb(qt.target, "VmRSS") / 1024.0;
        program.Stop();
        poller.Stop();
        qt.Stop();
        show.Stop();
        state.counters["polls_program"] = double(pa);
        state.counters["polls_poller"] = double(fa);
        state.counters["polls_qt_poller"] = double(qa);
        state.counters["records_program"] = double(pr);
        state.counters["records_poller"] = double(fr);
        state.counters["records_qt_poller"] = double(qr);
        state.counters["polls_qt_show"] = double(sa);
        state.counters["records_qt_show"] = double(sr);
        // Equal work in the measured time: the same polls within 2 % and one
        // round of the twelve stacks at each end of the window (where in its
        // round each side happens to be), and the same records within one.
        auto alike = [](long polls, long records, long otherPolls, long otherRecords) {
            return polls > 0 && otherPolls > 0 &&
                   std::abs(polls - otherPolls) * 100 <= 2 * std::max(polls, otherPolls) + 2 * 12 * 100 &&
                   std::abs(records - otherRecords) <= 1;
        };
        if (wind != 2 && (!alike(pa, pr, fa, fr) || !alike(pa, pr, qa, qr) || !alike(pa, pr, sa, sr))) {
            const std::string why = "the program and the pollers did not do the same work: polls " + std::to_string(pa) +
                                    ", " + std::to_string(fa) + ", " + std::to_string(qa) + " and " +
                                    std::to_string(sa) + ", records " + std::to_string(pr) + ", " + std::to_string(fr) +
                                    ", " + std::to_string(qr) + " and " + std::to_string(sr);
            state.SkipWithError(why.c_str());
            break;
        }
    }
    fs::remove_all(root);
}
BENCHMARK(BM_Relay)
    ->ArgNames({"x", "wind"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({0, 2})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// ---- reply to pixels ----

// Twelve instruments on the fixed port, one thread: the stacks in `changing`
// answer a new speed and direction every time, the others always the same.
class Instruments {
public:
    explicit Instruments(unsigned changing) : m_changing(changing) {
        for (int i = 0; i < 12; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            int on = 1;
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(4000);
            ::inet_pton(AF_INET, ("127.0.0." + std::to_string(i + 1)).c_str(), &a.sin_addr);
            if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 4) != 0) ok = false;
            m_listeners.push_back(fd);
        }
        if (::pipe2(m_wake, O_CLOEXEC) != 0) ok = false;
        m_thread = std::thread([this] { Run(); });
    }
    ~Instruments() {
        (void)!::write(m_wake[1], "x", 1);
        m_thread.join();
        for (int fd : m_listeners) ::close(fd);
        ::close(m_wake[0]);
        ::close(m_wake[1]);
    }
    void SetChanging(unsigned mask) { m_changing = mask; }
    // When stack i's last reply left (after its bytes were handed to the socket).
    Clock::time_point Sent(int i) {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_sent[std::size_t(i)];
    }
    bool ok = true;

private:
    void Run() {
        std::vector<std::pair<int, int>> clients;  // fd, stack
        std::array<int, 12> counter{};
        for (;;) {
            std::vector<pollfd> fds{{m_wake[0], POLLIN, 0}};
            for (int fd : m_listeners) fds.push_back({fd, POLLIN, 0});
            for (auto& [fd, i] : clients) fds.push_back({fd, POLLIN, 0});
            ::poll(fds.data(), fds.size(), 200);
            if (fds[0].revents) break;
            for (std::size_t k = 0; k < m_listeners.size(); ++k)
                if (fds[1 + k].revents & POLLIN) {
                    const int c = ::accept4(m_listeners[k], nullptr, nullptr, SOCK_CLOEXEC);
                    if (c >= 0) clients.push_back({c, int(k)});
                }
            std::vector<int> gone;
            for (std::size_t k = 1 + m_listeners.size(); k < fds.size(); ++k) {
                if (!fds[k].revents) continue;
                const int fd = fds[k].fd, i = clients[k - 1 - m_listeners.size()].second;
                char buf[64];
                if (::recv(fd, buf, sizeof buf, 0) <= 0) {
                    gone.push_back(fd);
                    continue;
                }
                const bool changes = (m_changing.load() >> i) & 1u;
                const int n = changes ? ++counter[std::size_t(i)] : 0;
                const float speed = changes ? float(1 + n % 50) : 5.0f;
                const float direction = changes ? float((n * 37) % 360) : 90.0f;
                char reply[13] = {'R', '0', '0', '0', ':'};
                std::memcpy(reply + 5, &direction, 4);
                std::memcpy(reply + 9, &speed, 4);
                (void)!::send(fd, reply, sizeof reply, MSG_NOSIGNAL);
                if (changes) {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_sent[std::size_t(i)] = Clock::now();
                }
            }
            for (int fd : gone) {
                ::close(fd);
                std::erase_if(clients, [fd](const auto& c) { return c.first == fd; });
            }
        }
        for (auto& [fd, i] : clients) ::close(fd);
    }
    std::atomic<unsigned> m_changing;
    std::vector<int> m_listeners;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
    std::mutex m_mutex;
    std::array<Clock::time_point, 12> m_sent{};
};

// The pixels of `r` on the root window, as they are now.
std::vector<char> Grab(Display* d, const QRect& r) {
    XImage* x = XGetImage(d, DefaultRootWindow(d), r.x(), r.y(), unsigned(r.width()), unsigned(r.height()), AllPlanes,
                          ZPixmap);
    if (!x) return {};
    std::vector<char> bytes(x->data, x->data + std::ptrdiff_t(x->bytes_per_line) * x->height);
    XDestroyImage(x);
    return bytes;
}

// The bounding box of the pixels that differ between two screenshots.
QRect Changed(const QImage& a, const QImage& b) {
    QRect box;
    for (int y = 0; y < a.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            if (p[x] != q[x]) box |= QRect(x, y, 1, 1);
    }
    return box;
}

void BM_ReplyToPixels(benchmark::State& state) {
    const fs::path dir = fs::temp_directory_path() / ("rerovora-bench-pixels-" + std::to_string(::getpid()));
    fs::create_directories(dir / "runtime");
    ::chmod((dir / "runtime").c_str(), 0700);
    XDisplay x(1920, 1080, true);
    if (!x.Failure().empty() || !EnterPrivateNetwork()) {
        state.SkipWithError(!x.Failure().empty() ? x.Failure().c_str() : "no network namespace (needs root)");
        return;
    }
    Display* d = XOpenDisplay(x.Name().c_str());
    Instruments instruments(0);
    const fs::path build = BuildDir();
    const pid_t sink = Spawn(build / "tools/server_sink", {"--port", "22700", "--duration", "3600"}, dir, "sink");
    WriteSettings(dir, 22700, 5);
    const pid_t program = Spawn(build / "rerovora", {}, dir, "program",
                                {"QT_QPA_PLATFORM=xcb", "DISPLAY=" + x.Name(), "XDG_RUNTIME_DIR=" + (dir / "runtime").string()});
    if (!d || !instruments.ok) {
        state.SkipWithError("no X connection or the instruments' port is taken");
    } else {
        // Until the window has settled: two shots a second apart alike.
        QImage settled = x.Shot();
        for (int i = 0; i < 20; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1200));
            QImage now = x.Shot();
            if (now == settled) break;
            settled = now;
        }
        // Where each changing stack shows its values: what changes on the
        // screen while only that stack's values change.
        std::vector<QRect> areas;
        for (int i = 0; i < 6; ++i) {
            instruments.SetChanging(1u << i);
            std::this_thread::sleep_for(std::chrono::milliseconds(700));  // the last stack's last reply shown
            const QImage before = x.Shot();
            std::this_thread::sleep_for(std::chrono::milliseconds(1600));
            areas.push_back(Changed(before, x.Shot()));
        }
        for (std::size_t i = 0; i < areas.size(); ++i)
            for (std::size_t j = 0; j < i; ++j)
                if (areas[i].intersects(areas[j])) areas[i] = areas[j] = QRect();  // not told apart: not timed
        instruments.SetChanging(0x3Fu);
        if (const char* shots = std::getenv("REROVORA_BENCH_SHOT")) {
            QImage shot = x.Shot();
            for (const QRect& r : areas)
                for (int px = r.left(); px <= r.right(); ++px) shot.setPixel(px, r.top(), 0xFFFF00FFu);
            shot.save(shots);
        }
        std::vector<std::vector<char>> shown;
        for (const QRect& r : areas) shown.push_back(Grab(d, r));
        // Per reply: when its first pixel changed, and its last (a reply's
        // pixels can reach the screen in more than one paint).
        std::vector<Clock::time_point> seen(6);
        for (int i = 0; i < 6; ++i) seen[std::size_t(i)] = instruments.Sent(i);
        std::vector<double> first, last;
        std::vector<double> lastOf(6, -1.0);
        for (auto _ : state) {
            const auto end = Clock::now() + std::chrono::seconds(std::min(BenchSeconds(), 60));
            while (Clock::now() < end) {
                for (std::size_t i = 0; i < areas.size(); ++i) {
                    if (areas[i].isEmpty()) continue;
                    std::vector<char> now = Grab(d, areas[i]);
                    if (now == shown[i]) continue;
                    const auto at = Clock::now();
                    shown[i] = std::move(now);
                    const Clock::time_point sent = instruments.Sent(int(i));
                    const double ms = std::chrono::duration<double, std::milli>(at - sent).count();
                    if (sent != seen[i]) {
                        if (lastOf[i] >= 0) last.push_back(lastOf[i]);
                        seen[i] = sent;
                        first.push_back(ms);
                    }
                    lastOf[i] = ms;
                }
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        }
        std::sort(first.begin(), first.end());
        std::sort(last.begin(), last.end());
        auto quantile = [](const std::vector<double>& v, int percent) {
            return v.empty() ? 0.0 : v[std::min(v.size() - 1, v.size() * std::size_t(percent) / 100)];
        };
        state.counters["first_median_ms"] = quantile(first, 50);
        state.counters["first_p99_ms"] = quantile(first, 99);
        state.counters["last_median_ms"] = quantile(last, 50);
        state.counters["last_p99_ms"] = quantile(last, 99);
        state.counters["last_max_ms"] = last.empty() ? 0.0 : last.back();
        state.counters["replies_seen"] = double(first.size());
        state.counters["over_16ms"] = double(std::count_if(last.begin(), last.end(), [](double v) { return v > 16.0; }));
        state.counters["stacks_found"] = double(std::count_if(areas.begin(), areas.end(), [](const QRect& r) { return !r.isEmpty(); }));
    }
    Stop(program);
    Stop(sink);
    if (d) XCloseDisplay(d);
    fs::remove_all(dir);
}
BENCHMARK(BM_ReplyToPixels)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // The measured program's single-instance lock in a folder of the run's
    // own, so a relay running on the machine does not keep it out.
    std::string why;
    if (!EnterOwnLockFolder(&why)) std::fprintf(stderr, "bench_monitor: no folder for locks of its own (%s)\n", why.c_str());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
