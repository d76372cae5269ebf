#include "platform/system/device_sources.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#ifdef REROVORA_HAVE_UDEV
#include <libudev.h>
#endif

namespace platform {

// ---------------------------------------------------------------------------
// Serial ports

PortMonitor::~PortMonitor() { Close(); }

bool PortMonitor::Open() {
#ifdef REROVORA_HAVE_UDEV
    if (m_fd >= 0) return true;
    udev* u = udev_new();
    if (!u) return false;
    udev_monitor* mon = udev_monitor_new_from_netlink(u, "udev");
    if (!mon || udev_monitor_filter_add_match_subsystem_devtype(mon, "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(mon) < 0) {
        if (mon) udev_monitor_unref(mon);
        udev_unref(u);
        return false;
    }
    m_udev = u;
    m_monitor = mon;
    m_fd = udev_monitor_get_fd(mon);
    return m_fd >= 0;
#else
    return false;
#endif
}

void PortMonitor::Close() {
#ifdef REROVORA_HAVE_UDEV
    if (m_monitor) udev_monitor_unref(static_cast<udev_monitor*>(m_monitor));
    if (m_udev) udev_unref(static_cast<udev*>(m_udev));
#endif
    m_monitor = nullptr;
    m_udev = nullptr;
    m_fd = -1;
}

std::vector<DeviceEvent> PortMonitor::Read() {
    std::vector<DeviceEvent> out;
#ifdef REROVORA_HAVE_UDEV
    if (!m_monitor) return out;
    // The monitor's socket is non-blocking: receive returns null when nothing waits.
    while (udev_device* dev = udev_monitor_receive_device(static_cast<udev_monitor*>(m_monitor))) {
        const char* action = udev_device_get_action(dev);
        const char* name = udev_device_get_sysname(dev);
        const char* path = udev_device_get_devpath(dev);
        const bool isVirtual = path && std::strncmp(path, "/devices/virtual/", 17) == 0;
        if (action && name && !isVirtual) {
            if (std::strcmp(action, "add") == 0) out.push_back({DeviceEvent::kPort, true, name});
            else if (std::strcmp(action, "remove") == 0) out.push_back({DeviceEvent::kPort, false, name});
        }
        udev_device_unref(dev);
    }
#endif
    return out;
}

// ---------------------------------------------------------------------------
// Network interfaces

namespace {

// The interface indexes present now, asked with a dump on a socket of its own.
bool DumpLinks(std::set<int>& known) {
    const int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0) return false;
    struct {
        nlmsghdr header;
        ifinfomsg info;
    } request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_GETLINK;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = 1;
    request.info.ifi_family = AF_UNSPEC;
    bool ok = send(fd, &request, sizeof request, 0) == ssize_t(sizeof request);
    alignas(nlmsghdr) char buffer[16384];
    bool done = false;
    while (ok && !done) {
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            ok = false;
            break;
        }
        std::size_t left = std::size_t(n);
        for (auto* h = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(h, left); h = NLMSG_NEXT(h, left)) {
            if (h->nlmsg_type == NLMSG_DONE || h->nlmsg_type == NLMSG_ERROR) {
                done = true;
                break;
            }
            if (h->nlmsg_type == RTM_NEWLINK && h->nlmsg_len >= NLMSG_LENGTH(sizeof(ifinfomsg)))
                known.insert(static_cast<const ifinfomsg*>(NLMSG_DATA(h))->ifi_index);
        }
    }
    close(fd);
    return ok;
}

std::string LinkName(const nlmsghdr* h) {
    const auto* info = static_cast<const ifinfomsg*>(NLMSG_DATA(h));
    int left = int(h->nlmsg_len) - int(NLMSG_LENGTH(sizeof(ifinfomsg)));
    for (auto* a = IFLA_RTA(info); RTA_OK(a, left); a = RTA_NEXT(a, left)) {
        if (a->rta_type != IFLA_IFNAME) continue;
        const char* text = static_cast<const char*>(RTA_DATA(a));
        return std::string(text, strnlen(text, RTA_PAYLOAD(a)));
    }
    return std::to_string(info->ifi_index);
}

}  // namespace

LinkMonitor::~LinkMonitor() { Close(); }

bool LinkMonitor::Open() {
    if (m_fd >= 0) return true;
    const int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0) return false;
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = RTMGRP_LINK;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0) {
        close(fd);
        return false;
    }
    m_known.clear();
    DumpLinks(m_known);
    m_fd = fd;
    return true;
}

void LinkMonitor::Close() {
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
}

std::vector<DeviceEvent> LinkMonitor::Read() {
    std::vector<DeviceEvent> out;
    if (m_fd < 0) return out;
    alignas(nlmsghdr) char buffer[16384];
    for (;;) {
        const ssize_t n = recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        std::vector<DeviceEvent> events = Parse(buffer, std::size_t(n), m_known);
        out.insert(out.end(), events.begin(), events.end());
    }
    return out;
}

std::vector<DeviceEvent> LinkMonitor::Parse(const void* data, std::size_t length, std::set<int>& known) {
    std::vector<DeviceEvent> out;
    std::size_t left = length;
    for (auto* h = static_cast<const nlmsghdr*>(data); NLMSG_OK(h, left); h = NLMSG_NEXT(h, left)) {
        if (h->nlmsg_type != RTM_NEWLINK && h->nlmsg_type != RTM_DELLINK) continue;
        if (h->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg))) break;
        const int index = static_cast<const ifinfomsg*>(NLMSG_DATA(h))->ifi_index;
        if (h->nlmsg_type == RTM_NEWLINK) {
            if (known.insert(index).second) out.push_back({DeviceEvent::kNetwork, true, LinkName(h)});
        } else if (known.erase(index)) {
            out.push_back({DeviceEvent::kNetwork, false, LinkName(h)});
        }
    }
    return out;
}

}  // namespace platform
