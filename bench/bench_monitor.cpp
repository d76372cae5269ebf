// The relay at work against the simulators, with all twelve instruments
// answering:
//  - Program: the real build/rerovora for a fixed time (REROVORA_BENCH_SECONDS,
//    default 30), with drifting wind (/0), with steady wind (/1, nothing to
//    repaint) and with six of the twelve instruments flooding junk (/2, what
//    junk costs a relay that does not read it): its CPU time per second of
//    wall time (percent of one core)
//    and its peak resident memory; side by side, in the same run, a minimal
//    poller that does only the network work of the relay (twelve connections,
//    the request 500 ms after each reply, the record every period) as the floor.
//  - ReplyToPaint: in process, the time from a reply leaving the instrument to
//    the stack's numeric display having been painted with it, and how many
//    displays repaint: six stacks change value with every reply, six never do.
// The instruments' port is fixed (4000 on 127.0.0.1 to 127.0.0.12): run it
// under the test lock, like the end-to-end tests.
#include <benchmark/benchmark.h>

#include <QEvent>
#include <QObject>
#include <QWidget>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/base_panel.h"
#include "app/main_dlg.h"
#include "controls/fnd.h"
#include "controls/indicator.h"
#include "platform/runtime/app.h"
#include "relay_processes.h"
#include "res/resources.h"

namespace fs = std::filesystem;
using namespace relay_bench;
using Clock = std::chrono::steady_clock;

namespace {

int BenchSeconds() {
    const char* s = std::getenv("REROVORA_BENCH_SECONDS");
    const int v = s ? std::atoi(s) : 30;
    return v > 0 ? v : 30;
}

// ---- the floor: only the relay's network work ----

int ConnectTo(const std::string& address, int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    ::inet_pton(AF_INET, address.c_str(), &a.sin_addr);
    ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    return fd;
}

[[noreturn]] void RunFloorPoller(int seconds, int sinkPort, int period) {
    struct Stack {
        int fd = -1;
        Clock::time_point due{};
        bool waiting = false;
        float speed = 0, direction = 0;
    };
    std::vector<Stack> stacks(12);
    for (int i = 0; i < 12; ++i) {
        stacks[std::size_t(i)].fd = ConnectTo("127.0.0." + std::to_string(i + 1), 4000);
        stacks[std::size_t(i)].due = Clock::now() + std::chrono::milliseconds(500);
    }
    const int server = ConnectTo("127.0.0.1", sinkPort);
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    auto nextRecord = Clock::now() + std::chrono::seconds(period);
    while (Clock::now() < end) {
        std::vector<pollfd> fds;
        for (const Stack& s : stacks) fds.push_back({s.fd, POLLIN, 0});
        ::poll(fds.data(), fds.size(), 50);
        const auto now = Clock::now();
        for (std::size_t i = 0; i < stacks.size(); ++i) {
            Stack& s = stacks[i];
            if (fds[i].revents & POLLIN) {
                char buf[256];
                const ssize_t n = ::recv(s.fd, buf, sizeof buf, 0);
                if (n >= 13 && std::memcmp(buf, "R000:", 5) == 0) {
                    std::memcpy(&s.direction, buf + 5, 4);
                    std::memcpy(&s.speed, buf + 9, 4);
                }
                s.waiting = false;
                s.due = now + std::chrono::milliseconds(500);
            }
            if (!s.waiting && now >= s.due) {
                (void)!::send(s.fd, "R000?", 5, MSG_NOSIGNAL);
                s.waiting = true;
            }
        }
        if (now >= nextRecord) {
            nextRecord += std::chrono::seconds(period);
            std::time_t t = std::time(nullptr);
            std::tm lt{};
            ::localtime_r(&t, &lt);
            char head[32];
            std::strftime(head, sizeof head, "{%Y%m%d%H%M%S", &lt);
            std::string record = head;
            for (std::size_t i = 0; i < stacks.size(); ++i) {
                char part[128];
                std::snprintf(part, sizeof part, "^QC%zu^%3.1f^%1.0f", 1101 + i, double(stacks[i].speed),
                              double(stacks[i].direction));
                record += part;
            }
            record += "}\n";
            (void)!::send(server, record.data(), record.size(), MSG_NOSIGNAL);
        }
    }
    ::_exit(0);
}

// ---- Program vs floor ----

void BM_ProgramAgainstSimulators(benchmark::State& state) {
    const fs::path build = BuildDir();
    const fs::path dir = fs::temp_directory_path() / ("rerovora-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const int seconds = BenchSeconds();
    const int period = 5;
    for (auto _ : state) {
        const pid_t sink = Spawn(build / "tools/server_sink", {"--port", "0", "--duration", "3600"}, dir, "sink");
        const int port = ReadyPort(dir / "sink.err");
        // Arg 0: wind that drifts, so every reply changes the shown value; 1: wind
        // that never changes, so the program's own floor (nothing to repaint).
        std::vector<std::string> simArgs{"--address", "127.0.0.1-127.0.0.12", "--port", "4000", "--duration", "3600"};
        if (state.range(0) == 1) simArgs.insert(simArgs.end(), {"--values", "90,5"});
        if (state.range(0) == 2)
            for (int i = 7; i <= 12; ++i) simArgs.insert(simArgs.end(), {"--mode-at", "127.0.0." + std::to_string(i) + "=flood"});
        const pid_t sim = Spawn(build / "tools/instrument_sim", simArgs, dir, "sim");
        if (!port || !ReadyPort(dir / "sim.err")) {
            state.SkipWithError("simulators did not start (is port 4000 free?)");
            Stop(sim);
            Stop(sink);
            break;
        }
        WriteSettings(dir, port, period);
        const pid_t program = Spawn(build / "rerovora", {}, dir, "program");
        // The floor runs as a process of its own (this program, started bare).
        const pid_t floor = Spawn(fs::read_symlink("/proc/self/exe"),
                                  {"--floor-poller", std::to_string(seconds + 3), std::to_string(port), std::to_string(period)},
                                  dir, "floor");
        // Measured after start-up (fonts, windows, first connections).
        std::this_thread::sleep_for(std::chrono::seconds(3));
        const double cpu0 = CpuSeconds(program), floor0 = CpuSeconds(floor);
        const auto t0 = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
        const double cpu = CpuSeconds(program) - cpu0, floorCpu = CpuSeconds(floor) - floor0;
        state.counters["program_cpu_pct"] = 100.0 * cpu / wall;
        state.counters["program_peak_MB"] = StatusKb(program, "VmHWM") / 1024.0;
        state.counters["floor_cpu_pct"] = 100.0 * floorCpu / wall;
        state.counters["floor_peak_MB"] = StatusKb(floor, "VmHWM") / 1024.0;
        const std::string records = ReadFile(dir / "sink.out");
        state.counters["records"] = double(std::count(records.begin(), records.end(), '\n'));
        Stop(program);
        Stop(floor);
        Stop(sim);
        Stop(sink);
    }
    fs::remove_all(dir);
}
BENCHMARK(BM_ProgramAgainstSimulators)->Arg(0)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// ---- reply to paint, in process ----

// Twelve instruments on the fixed port, one thread: six answer a new speed every
// time, six always the same.
class Instruments {
public:
    Instruments() {
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
        ::pipe2(m_wake, O_CLOEXEC);
        m_thread = std::thread([this] { Run(); });
    }
    ~Instruments() {
        (void)!::write(m_wake[1], "x", 1);
        m_thread.join();
        for (int fd : m_listeners) ::close(fd);
        ::close(m_wake[0]);
        ::close(m_wake[1]);
    }
    bool ok = true;
    // When stack i's last reply left, and its speed.
    std::mutex mutex;
    std::map<int, std::pair<Clock::time_point, float>> sent;

private:
    void Run() {
        std::map<int, int> clients;  // fd -> stack
        std::vector<int> counter(12, 0);
        for (;;) {
            std::vector<pollfd> fds{{m_wake[0], POLLIN, 0}};
            for (int fd : m_listeners) fds.push_back({fd, POLLIN, 0});
            for (auto& [fd, i] : clients) fds.push_back({fd, POLLIN, 0});
            ::poll(fds.data(), fds.size(), 200);
            if (fds[0].revents) break;
            for (std::size_t k = 0; k < m_listeners.size(); ++k)
                if (fds[1 + k].revents & POLLIN) {
                    const int c = ::accept4(m_listeners[k], nullptr, nullptr, SOCK_CLOEXEC);
                    if (c >= 0) clients[c] = int(k);
                }
            for (std::size_t k = 1 + m_listeners.size(); k < fds.size(); ++k) {
                if (!fds[k].revents) continue;
                const int fd = fds[k].fd, i = clients[fd];
                char buf[64];
                const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                if (n <= 0) {
                    ::close(fd);
                    clients.erase(fd);
                    continue;
                }
                const float speed = i < 6 ? float(1 + (++counter[std::size_t(i)] % 50)) : 5.0f;
                const float direction = 90.0f;
                char reply[13] = {'R', '0', '0', '0', ':'};
                std::memcpy(reply + 5, &direction, 4);
                std::memcpy(reply + 9, &speed, 4);
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    sent[i] = {Clock::now(), speed};
                }
                (void)!::send(fd, reply, sizeof reply, MSG_NOSIGNAL);
            }
        }
        for (auto& [fd, i] : clients) ::close(fd);
    }
    std::vector<int> m_listeners;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
};

// Notes each paint of a stack's numeric display.
class PaintWatch : public QObject {
public:
    PaintWatch(Instruments* instruments, int stack) : m_instruments(instruments), m_stack(stack) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            ++paints;
            std::lock_guard<std::mutex> lock(m_instruments->mutex);
            auto it = m_instruments->sent.find(m_stack);
            if (it != m_instruments->sent.end() && it->second.first != m_lastSeen) {
                m_lastSeen = it->second.first;
                latenciesMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - it->second.first).count());
            }
        }
        return false;
    }
    int paints = 0;
    std::vector<double> latenciesMs;

private:
    Instruments* m_instruments;
    int m_stack;
    Clock::time_point m_lastSeen{};
};

void BM_ReplyToPaint(benchmark::State& state) {
    res::RegisterResources();
    const fs::path dir = fs::temp_directory_path() / ("rerovora-bench-paint-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    WriteSettings(dir, 9, 30);  // no server: only the stacks matter here
    Instruments instruments;
    if (!instruments.ok) {
        state.SkipWithError("port 4000 on 127.0.0.1..12 is taken");
        fs::current_path(previous);
        return;
    }
    CMainDlg dlg;
    dlg.Create(res::IDD_MAIN, nullptr);
    std::vector<std::unique_ptr<PaintWatch>> watches;
    for (int i = 0; i < 12; ++i) {
        watches.push_back(std::make_unique<PaintWatch>(&instruments, i));
        dlg.m_pPanel->Indicator(i)->m_pFnd->Widget()->installEventFilter(watches.back().get());
    }
    // Past the first watchdog pass and the first replies.
    platform::PumpEvents(4000);
    for (auto& w : watches) {
        w->paints = 0;
        w->latenciesMs.clear();
    }
    const int seconds = std::min(BenchSeconds(), 10);
    for (auto _ : state) platform::PumpEvents(seconds * 1000);
    std::vector<double> all;
    int changingPaints = 0, steadyPaints = 0;
    for (int i = 0; i < 12; ++i) {
        (i < 6 ? changingPaints : steadyPaints) += watches[std::size_t(i)]->paints;
        if (i < 6) all.insert(all.end(), watches[std::size_t(i)]->latenciesMs.begin(), watches[std::size_t(i)]->latenciesMs.end());
    }
    std::sort(all.begin(), all.end());
    if (!all.empty()) {
        state.counters["median_ms"] = all[all.size() / 2];
        state.counters["p99_ms"] = all[std::min(all.size() - 1, all.size() * 99 / 100)];
        state.counters["max_ms"] = all.back();
    }
    state.counters["replies_timed"] = double(all.size());
    state.counters["paints_changing_6"] = changingPaints;
    state.counters["paints_steady_6"] = steadyPaints;
    for (int i = 0; i < 12; ++i) dlg.m_pPanel->Indicator(i)->m_pFnd->Widget()->removeEventFilter(watches[std::size_t(i)].get());
    fs::current_path(previous);
    fs::remove_all(dir);
}
BENCHMARK(BM_ReplyToPaint)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--floor-poller") == 0)
        RunFloorPoller(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    platform::StartGui(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    platform::StopGui();
    return 0;
}
