// Device-change broadcasts: network interfaces made and removed in a network
// namespace of the test's own reach every top-level window as WM_DEVICECHANGE;
// port records are read within their size; the link parser never reads past
// its buffer.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sched.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/runtime/app.h"
#include "platform/system/device_sources.h"
#include "platform/window/device_broadcast.h"
#include "tests/support/recording_wnd.h"

namespace {

// Runs a shell command inside the network namespace open as `nsFd`.
int RunInNamespace(int nsFd, const std::string& command) {
    int rc = -1;
    std::thread t([&] {
        if (setns(nsFd, CLONE_NEWNET) != 0) return;
        rc = std::system((command + " >/dev/null 2>&1").c_str());
    });
    t.join();
    return rc;
}

struct Heard {
    WPARAM event;
    DWORD type;
};

}  // namespace

TEST(DeviceBroadcast, InterfacesOfAPrivateNamespaceArriveAndGo) {
    if (std::system("command -v ip >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ip command (iproute2) here";
    const int home = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(home, 0);
    if (unshare(CLONE_NEWNET) != 0) {
        close(home);
        GTEST_SKIP() << "no network namespace of our own here: " << std::strerror(errno);
    }
    // The layer's sockets are made inside the new namespace; then this thread goes home.
    const int ours = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    platform::StopDeviceBroadcasts();
    const platform::DeviceWatch watch = platform::StartDeviceBroadcasts();
    ASSERT_EQ(setns(home, CLONE_NEWNET), 0);
    ASSERT_TRUE(watch.network);

    MessageLog log;
    RecordingWnd top("top", &log);
    std::vector<Heard> heard;
    top.handlers[WM_DEVICECHANGE] = [&](WPARAM event, LPARAM record) -> LRESULT {
        heard.push_back({event, reinterpret_cast<const DEV_BROADCAST_HDR*>(record)->dbch_devicetype});
        return 0;
    };
    ASSERT_TRUE(top.CreateEx(0, nullptr, u"top", WS_POPUP, CRect(0, 0, 20, 20), nullptr, 0));

    std::string made;
    for (const char* kind : {"dummy", "ifb", "veth peer name rv1"}) {
        if (RunInNamespace(ours, std::string("ip link add rv0 type ") + kind) == 0) {
            made = kind;
            break;
        }
    }
    if (made.empty()) {
        platform::StopDeviceBroadcasts();
        close(home);
        close(ours);
        GTEST_SKIP() << "no kind of network interface can be made here (dummy, ifb, veth)";
    }
    auto count = [&](WPARAM event) {
        int n = 0;
        for (const Heard& h : heard) n += h.event == event && h.type == DBT_DEVTYP_NET;
        return n;
    };
    const int interfaces = made.rfind("veth", 0) == 0 ? 2 : 1;
    EXPECT_TRUE(platform::PumpUntil([&] { return count(DBT_DEVICEARRIVAL) == interfaces; }, 3000)) << made;

    // A state change of a known interface is no arrival.
    EXPECT_EQ(RunInNamespace(ours, "ip link set rv0 up"), 0);
    platform::PumpEvents(200);
    EXPECT_EQ(count(DBT_DEVICEARRIVAL), interfaces);

    EXPECT_EQ(RunInNamespace(ours, "ip link del rv0"), 0);
    EXPECT_TRUE(platform::PumpUntil([&] { return count(DBT_DEVICEREMOVECOMPLETE) == interfaces; }, 3000));
    EXPECT_EQ(heard.size(), size_t(2 * interfaces));

    platform::StopDeviceBroadcasts();
    close(home);
    close(ours);
}

namespace {

// Netlink messages built by hand: a link message with an optional name.
std::vector<char> LinkMessage(int type, int index, const char* name) {
    const size_t nameLen = name ? std::strlen(name) + 1 : 0;
    const size_t attr = name ? RTA_SPACE(nameLen) : 0;
    std::vector<char> buffer(NLMSG_SPACE(sizeof(ifinfomsg) + attr), 0);
    auto* h = reinterpret_cast<nlmsghdr*>(buffer.data());
    h->nlmsg_len = NLMSG_LENGTH(sizeof(ifinfomsg) + attr);
    h->nlmsg_type = type;
    auto* info = static_cast<ifinfomsg*>(NLMSG_DATA(h));
    info->ifi_index = index;
    if (name) {
        auto* a = IFLA_RTA(info);
        a->rta_type = IFLA_IFNAME;
        a->rta_len = RTA_LENGTH(nameLen);
        std::memcpy(RTA_DATA(a), name, nameLen);
    }
    return buffer;
}

}  // namespace

TEST(DeviceBroadcast, LinkParserKnowsArrivalsAndStopsAtTheBufferEnd) {
    std::set<int> known{1};
    std::vector<char> both = LinkMessage(RTM_NEWLINK, 5, "eth5");
    const std::vector<char> again = LinkMessage(RTM_NEWLINK, 5, "eth5");
    const std::vector<char> loopback = LinkMessage(RTM_NEWLINK, 1, "lo");
    both.insert(both.end(), again.begin(), again.end());
    both.insert(both.end(), loopback.begin(), loopback.end());
    auto events = platform::LinkMonitor::Parse(both.data(), both.size(), known);
    ASSERT_EQ(events.size(), 1u) << "a known interface's link message is no arrival";
    EXPECT_TRUE(events[0].arrived);
    EXPECT_EQ(events[0].name, "eth5");

    const std::vector<char> gone = LinkMessage(RTM_DELLINK, 5, nullptr);
    events = platform::LinkMonitor::Parse(gone.data(), gone.size(), known);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_FALSE(events[0].arrived);
    EXPECT_EQ(events[0].name, "5") << "without a name attribute the index stands for it";
    EXPECT_TRUE(platform::LinkMonitor::Parse(gone.data(), gone.size(), known).empty()) << "gone only once";

    // Cut buffers: a header that claims more than the buffer holds, a message
    // too short for its link record, a name attribute running past the message.
    std::vector<char> claims = LinkMessage(RTM_NEWLINK, 7, "eth7");
    std::vector<char> shortMsg = LinkMessage(RTM_NEWLINK, 8, nullptr);
    reinterpret_cast<nlmsghdr*>(shortMsg.data())->nlmsg_len = NLMSG_LENGTH(4);
    std::vector<char> longName = LinkMessage(RTM_NEWLINK, 9, "eth9");
    reinterpret_cast<rtattr*>(IFLA_RTA(static_cast<ifinfomsg*>(NLMSG_DATA(reinterpret_cast<nlmsghdr*>(longName.data())))))
        ->rta_len = 4000;
    struct Case {
        const std::vector<char>* buffer;
        size_t length;
        size_t events;
    } cases[] = {
        {&claims, claims.size() - 8, 0},
        {&claims, 10, 0},
        {&shortMsg, shortMsg.size(), 0},
        {&longName, longName.size(), 1},  // arrival named by its index
    };
    for (const Case& c : cases) {
        std::set<int> none;
        // Copies of exactly `length` bytes, so the sanitizer sees any read past them.
        const std::vector<char> exact(c.buffer->begin(), c.buffer->begin() + long(c.length));
        EXPECT_EQ(platform::LinkMonitor::Parse(exact.data(), exact.size(), none).size(), c.events);
    }
}

TEST(DeviceBroadcast, PortRecordsAreReadWithinTheirSize) {
    const std::vector<DWORD> record = platform::MakePortBroadcast(u"COM12");
    auto* header = reinterpret_cast<DEV_BROADCAST_HDR*>(const_cast<DWORD*>(record.data()));
    EXPECT_EQ(header->dbch_devicetype, DBT_DEVTYP_PORT);
    EXPECT_EQ(header->dbch_size, offsetof(DEV_BROADCAST_PORT_W, dbcp_name) + 6 * sizeof(WCHAR));
    struct Case {
        DWORD size;
        const char16_t* name;
    } cases[] = {
        {header->dbch_size, u"COM12"},
        {DWORD(offsetof(DEV_BROADCAST_PORT_W, dbcp_name) + 5 * sizeof(WCHAR)), u"COM12"},  // no terminator
        {DWORD(offsetof(DEV_BROADCAST_PORT_W, dbcp_name) + 2 * sizeof(WCHAR) + 1), u"CO"},
        {DWORD(sizeof(DEV_BROADCAST_HDR)), u""},
        {4, u""},
    };
    for (const Case& c : cases) {
        header->dbch_size = c.size;
        EXPECT_EQ(platform::PortBroadcastName(header), c.name) << c.size;
    }
    EXPECT_EQ(platform::PortBroadcastName(nullptr), u"");
}
