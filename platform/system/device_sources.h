// Where device arrivals and removals come from on Linux: udev for serial ports
// (a tty with hardware behind it that appears or goes away) and rtnetlink for
// network interfaces. Plain file descriptors, no event loop: the window layer
// watches them and turns what they report into WM_DEVICECHANGE broadcasts.
// A source that cannot be opened (no udev, no netlink access) stays closed and
// reports nothing.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace platform {

struct DeviceEvent {
    enum Kind { kPort, kNetwork };
    Kind kind = kPort;
    bool arrived = false;
    std::string name;  // the port's kernel name ("ttyUSB0") or the interface's ("eth1")
};

// Serial ports from udev's monitor (subsystem "tty", virtual terminals left out).
class PortMonitor {
public:
    PortMonitor() = default;
    ~PortMonitor();
    PortMonitor(const PortMonitor&) = delete;
    PortMonitor& operator=(const PortMonitor&) = delete;

    bool Open();
    void Close();
    int Fd() const { return m_fd; }
    // Everything waiting, without blocking.
    std::vector<DeviceEvent> Read();

private:
    void* m_udev = nullptr;
    void* m_monitor = nullptr;
    int m_fd = -1;
};

// Network interfaces from the kernel's link notifications in the calling
// thread's network namespace. A link message for an interface already known
// (a state change) is no arrival; the interfaces present when the monitor opens
// are known from the start.
class LinkMonitor {
public:
    LinkMonitor() = default;
    ~LinkMonitor();
    LinkMonitor(const LinkMonitor&) = delete;
    LinkMonitor& operator=(const LinkMonitor&) = delete;

    bool Open();
    void Close();
    int Fd() const { return m_fd; }
    // Everything waiting, without blocking.
    std::vector<DeviceEvent> Read();
    // The events in one buffer of netlink messages; `known` holds the interface
    // indexes present and is updated. Truncated or malformed messages end the
    // parse without reading past the buffer.
    static std::vector<DeviceEvent> Parse(const void* data, std::size_t length, std::set<int>& known);

private:
    int m_fd = -1;
    std::set<int> m_known;
};

}  // namespace platform
