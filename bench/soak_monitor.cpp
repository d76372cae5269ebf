// Soak of the relay (not part of the tests; ten minutes by default):
//   soak_monitor [seconds]
// The real program against the simulators: ten instruments answering normally
// (127.0.0.1 to 127.0.0.10), one flapping (127.0.0.11 closes its connection
// after every six answers, every few seconds) and one flooding junk
// (127.0.0.12). Every 30 seconds it samples the program's open descriptors,
// resident memory and CPU time; at the end it checks that descriptors and
// memory stayed flat and that every record carried values for the ten good
// stacks. Prints a table and a verdict; exit status 0 when all held.
// The instruments' port is fixed: run it in a network namespace of its own
// (as root: unshare -n sh -c 'ip link set lo up; soak_monitor').
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "relay_processes.h"

namespace fs = std::filesystem;
using namespace relay_bench;

namespace {

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = s.find(sep, start);
        out.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return out;
        start = at + 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(60, std::atoi(argv[1])) : 600;
    const int period = 5;
    const fs::path build = fs::read_symlink("/proc/self/exe").parent_path().parent_path();
    const fs::path dir = fs::temp_directory_path() / ("rerovora-soak-" + std::to_string(::getpid()));
    fs::create_directories(dir);

    const pid_t sink = Spawn(build / "tools/server_sink", {"--port", "0", "--duration", "7200"}, dir, "sink");
    const int port = ReadyPort(dir / "sink.err");
    const pid_t good = Spawn(build / "tools/instrument_sim",
                             {"--address", "127.0.0.1-127.0.0.10", "--port", "4000", "--duration", "7200"}, dir, "good");
    const pid_t flapping = Spawn(build / "tools/instrument_sim",
                                 {"--address", "127.0.0.11", "--port", "4000", "--mode", "close-after=6", "--duration", "7200"},
                                 dir, "flapping");
    const pid_t flooding = Spawn(build / "tools/instrument_sim",
                                 {"--address", "127.0.0.12", "--port", "4000", "--mode", "flood", "--duration", "7200"}, dir,
                                 "flooding");
    if (!port || !ReadyPort(dir / "good.err") || !ReadyPort(dir / "flapping.err") || !ReadyPort(dir / "flooding.err")) {
        std::fprintf(stderr, "soak: simulators did not start (is port 4000 free?)\n");
        for (pid_t p : {sink, good, flapping, flooding}) Stop(p);
        return 2;
    }
    WriteSettings(dir, port, period);
    const pid_t program = Spawn(build / "rerovora", {}, dir, "program");

    std::printf("soak: %d s, records every %d s, in %s\n", seconds, period, dir.c_str());
    std::printf("%6s %6s %10s %8s %8s\n", "t(s)", "fds", "rss(kB)", "cpu(s)", "records");
    std::vector<int> fds;
    std::vector<double> rss;
    const auto start = std::chrono::steady_clock::now();
    for (int t = 0; t <= seconds; t += 30) {
        std::this_thread::sleep_until(start + std::chrono::seconds(t));
        if (::waitpid(program, nullptr, WNOHANG) == program) {
            std::printf("soak: the program ended at %d s\n", t);
            break;
        }
        const std::string out = ReadFile(dir / "sink.out");
        fds.push_back(OpenFds(program));
        rss.push_back(StatusKb(program, "VmRSS"));
        std::printf("%6d %6d %10.0f %8.1f %8ld\n", t, fds.back(), rss.back(), CpuSeconds(program),
                    long(std::count(out.begin(), out.end(), '\n')));
        std::fflush(stdout);
    }
    const double peak = StatusKb(program, "VmHWM");
    Stop(program);
    for (pid_t p : {sink, good, flapping, flooding}) Stop(p);

    // Every record after the first ten seconds: the ten good stacks carry numbers.
    int records = 0, bad = 0, flappingErr = 0, floodingErr = 0;
    std::string firstBad;
    for (const std::string& line : Split(ReadFile(dir / "sink.out"), '\n')) {
        const std::size_t brace = line.find('{');
        if (brace == std::string::npos || line.back() != '}') continue;
        const std::vector<std::string> f = Split(line.substr(brace + 1, line.size() - brace - 2), '^');
        if (f.size() != 1 + 12 * 3) {
            ++bad;
            if (firstBad.empty()) firstBad = line;
            continue;
        }
        ++records;
        if (records <= 10 / period + 1) continue;
        for (int i = 0; i < 10; ++i) {
            const std::string& speed = f[std::size_t(2 + 3 * i)];
            char* end = nullptr;
            std::strtod(speed.c_str(), &end);
            if (f[std::size_t(1 + 3 * i)] != "QC" + std::to_string(1101 + i) || speed.empty() || *end) {
                ++bad;
                if (firstBad.empty()) firstBad = line;
            }
        }
        flappingErr += f[2 + 3 * 10] == "err";
        floodingErr += f[2 + 3 * 11] == "err";
    }
    const int fdDrift = fds.size() > 2 ? fds.back() - fds[1] : 0;
    const double rssDriftMb = rss.size() > 2 ? (rss.back() - rss[1]) / 1024.0 : 0;
    std::printf("records %d, wrong parts of good stacks %d, flapping stack sent as err %d, flooding stack as err %d\n",
                records, bad, flappingErr, floodingErr);
    std::printf("descriptors %+d and resident memory %+.1f MB from 30 s to the end; peak %.1f MB\n", fdDrift, rssDriftMb,
                peak / 1024.0);
    if (!firstBad.empty()) std::printf("first wrong record: %s\n", firstBad.c_str());
    const bool ok = records >= seconds / period - 3 && bad == 0 && fdDrift <= 2 && rssDriftMb < 8.0;
    std::printf("soak: %s\n", ok ? "held" : "FAILED");
    if (ok) fs::remove_all(dir);
    return ok ? 0 : 1;
}
