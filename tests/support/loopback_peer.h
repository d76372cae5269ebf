// Real TCP peers on loopback for tests of the sockets and links: a listener with
// a port of its own, the accepted connection, and the simulators of tools/
// started as child processes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

// One accepted (or connected) socket, used blocking-with-time-outs by the test.
class PeerSocket {
public:
    PeerSocket() = default;
    explicit PeerSocket(int fd) : m_fd(fd) {}
    ~PeerSocket();
    PeerSocket(PeerSocket&& o) noexcept : m_fd(o.m_fd) { o.m_fd = -1; }
    PeerSocket& operator=(PeerSocket&& o) noexcept;

    bool valid() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    // Writes all of `bytes` (the kernel takes small amounts at once).
    bool Send(const std::string& bytes);
    // Reads until `count` bytes came or `timeoutMs` passed; returns what came.
    std::string Read(std::size_t count, int timeoutMs);
    // Reads what is waiting now, without waiting.
    std::string ReadAvailable();
    // True when the stream ended (orderly close of the other side) within timeoutMs;
    // bytes that arrive before the end are skipped.
    bool WaitForEnd(int timeoutMs);
    void ShutdownWrite();
    // Closes with a reset instead of an orderly close.
    void Reset();
    void Close();

private:
    int m_fd = -1;
};

// A listening socket on `address` with a port the kernel picks, or on `port`
// (a server that comes back where it was; the port may be taken again at once).
class LoopbackListener {
public:
    explicit LoopbackListener(const std::string& address = "127.0.0.1", std::uint16_t port = 0);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    const std::string& address() const { return m_address; }
    std::uint16_t port() const { return m_port; }
    // Waits up to timeoutMs for a connection (the kernel completes the handshake
    // without the test's event loop).
    PeerSocket Accept(int timeoutMs);
    void Close();

private:
    std::string m_address;
    std::uint16_t m_port = 0;
    int m_fd = -1;
};

// One of the simulators of tools/, started in a folder of its own; the port it
// listens on is read from its "ready port=" line.
class Simulator {
public:
    // `tool` is "instrument_sim" or "server_sink"; args are passed as given, with
    // "--duration 300" added so a stray simulator always ends.
    Simulator(const std::string& tool, std::vector<std::string> args);
    bool ready() const { return m_port != 0; }
    std::uint16_t port() const { return m_port; }
    ChildProcess& process() { return *m_process; }
    std::string Stderr() const { return m_process->Stderr(); }
    std::string Stdout() const { return m_process->Stdout(); }

private:
    TempDir m_dir;
    std::unique_ptr<ChildProcess> m_process;
    std::uint16_t m_port = 0;
};

std::filesystem::path ToolPath(const std::string& tool);

// Number of open file descriptors of this process.
int OpenFdCount();
// Resident memory of this process, in bytes.
std::uint64_t ResidentBytes();
// True in the AddressSanitizer build (its quarantine keeps freed memory resident).
bool UnderAddressSanitizer();
// The IPv4 address `dotted` in network byte order.
std::uint32_t Ipv4(const std::string& dotted);
