// What the relay's benchmark and soak share: the program and the simulators
// started as child processes in a folder of their own, what /proc says of
// them, and a settings file that points the program at the simulators.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace relay_bench {

namespace fs = std::filesystem;

// The build folder (this program lives in its bench/ folder).
inline fs::path BuildDir() { return fs::read_symlink("/proc/self/exe").parent_path().parent_path(); }

// Starts `program` in `dir`, its output in dir/<tag>.out and dir/<tag>.err,
// with the environment settings `env` ("NAME=value"; Qt's offscreen platform
// unless told otherwise).
inline pid_t Spawn(const fs::path& program, const std::vector<std::string>& args, const fs::path& dir, const std::string& tag,
                   const std::vector<std::string>& env = {"QT_QPA_PLATFORM=offscreen"}) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    if (::chdir(dir.c_str()) != 0) ::_exit(127);
    const int o = ::open((dir / (tag + ".out")).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = ::open((dir / (tag + ".err")).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(o, 1);
    ::dup2(e, 2);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : env) {
        const std::size_t eq = e.find('=');
        ::setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
    }
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

inline void Stop(pid_t pid) {
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

inline std::string ReadFile(const fs::path& p) {
    std::ifstream in(p);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The port a simulator prints in its "ready port=" line; 0 when it never does.
inline int ReadyPort(const fs::path& err) {
    for (int i = 0; i < 500; ++i) {
        const std::string s = ReadFile(err);
        const std::size_t at = s.find("ready port=");
        if (at != std::string::npos) return std::atoi(s.c_str() + at + 11);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}

inline int OpenFds(pid_t pid) {
    int n = 0;
    std::error_code ec;
    for (auto it = fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
        ++n;
    return n;
}

// The number after "key:" in a /proc file of "key: value" lines; 0 if none.
inline double StatusField(const fs::path& file, const std::string& key) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key + ":", 0) == 0) return std::atof(line.c_str() + key.size() + 1);
    return 0;
}

// A field of /proc/<pid>/status in kB (VmRSS, VmHWM: peak resident memory).
inline double StatusKb(pid_t pid, const std::string& key) { return StatusField("/proc/" + std::to_string(pid) + "/status", key); }

// CPU seconds (user and system) of a process so far.
inline double CpuSeconds(pid_t pid) {
    const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return 0;
    unsigned long long utime = 0, stime = 0;
    std::sscanf(stat.c_str() + close + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime, &stime);
    return double(utime + stime) / double(::sysconf(_SC_CLK_TCK));
}

// CPU time of a process so far, summed over its threads, in microseconds: the
// scheduler's own nanosecond count (/proc/<pid>/task/*/schedstat), not the
// 10 ms ticks of /proc/<pid>/stat. Threads that already ended are not counted.
inline double CpuMicros(pid_t pid) {
    double ns = 0;
    std::error_code ec;
    for (auto it = fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
        ns += std::atof(ReadFile(it->path() / "schedstat").c_str());
    return ns / 1000.0;
}

// The settings record: stacks QC1101... on 127.0.0.1 to 127.0.0.12 showing their
// direction, the server at 127.0.0.1:`port`, a record every `period` seconds.
inline void WriteSettings(const fs::path& dir, int port, int period) {
    std::vector<unsigned char> b(428544, 0);
    std::memcpy(&b[40], "RELAY BENCH", 11);
    std::memcpy(&b[120], "m/s", 3);
    for (int i = 0; i < 100; ++i) {
        const std::size_t s = 1216 + std::size_t(i) * 4168;
        const unsigned char ip[4] = {127, 0, 0, static_cast<unsigned char>(i + 1)};
        std::memcpy(&b[s], ip, 4);
        const std::string name = "QC" + std::to_string(1101 + i);
        std::memcpy(&b[s + 4], name.data(), name.size());
        b[s + 152] = 1;
    }
    const std::int32_t count = 12;
    std::memcpy(&b[418016], &count, 4);
    b[424440] = 3;
    b[424441] = 2;
    const unsigned char server[4] = {127, 0, 0, 1};
    std::memcpy(&b[424444], server, 4);
    std::memcpy(&b[424448], &port, 4);
    std::memcpy(&b[424452], &period, 4);
    std::ofstream(dir / "ZEL-Rerovora.cfg", std::ios::binary).write(reinterpret_cast<const char*>(b.data()), long(b.size()));
}

}  // namespace relay_bench
