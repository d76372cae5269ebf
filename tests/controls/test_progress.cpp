// The progress popup: its bar, port numbers from names, and device-change
// broadcasts turned into messages to its owner.
#include <gtest/gtest.h>

#include <climits>
#include <cstddef>

#include "controls/progress.h"
#include "tests/controls/popup_scene.h"
#include "tests/support/recording_wnd.h"

using namespace popup_test;

TEST(Progress, PortNumberFromName) {
    struct Case {
        const char16_t* name;
        int number;
    } cases[] = {
        {u"COM12", 12}, {u"LPT1", 1},     {u"USB", 0},          {u"COM", 0},
        {u"", 0},       {u"COMx1", 0},    {u"COM 7", 7},        {u"COM-3", -3},
        {u"COM7a", 7},  {u"ttyUSB0", 0},  {u"COM99999999999", INT_MAX},
    };
    for (const Case& c : cases) EXPECT_EQ(PortNumberFromName(c.name), c.number) << Utf16ToUtf8(c.name);
}

namespace {

struct ProgressScene {
    MessageLog log;
    RecordingWnd owner{"owner", &log};
    CProgress popup;
    ProgressScene() {
        RegisterPopupTemplate();
        owner.logOnly = {WM_PORT_CHANGE, WM_NET_CHANGE};
        EXPECT_TRUE(owner.CreateEx(0, nullptr, u"owner", WS_POPUP, CRect(0, 0, 50, 50), nullptr, 0));
        EXPECT_TRUE(popup.Create(res::IDD_POPUP, &owner));
        popup.ShowWindow(SW_HIDE);
    }
};

}  // namespace

TEST(Progress, ThePopupAndItsBar) {
    ProgressScene s;
    CRect rc;
    s.popup.GetClientRect(&rc);
    EXPECT_EQ(rc, CRect(0, 0, 374, 16));
    EXPECT_EQ(s.popup.m_rcWindow, CRect(0, 0, 374, 16));
    ASSERT_TRUE(s.popup.m_pProgress);
    CRect bar = WindowRectOf(s.popup.m_pProgress);
    s.popup.ScreenToClient(&bar);
    EXPECT_EQ(bar, CRect(0, 0, 368, 10));
    EXPECT_EQ(s.popup.m_pProgress->GetDlgCtrlID(), int(CProgress::kBarId));
    EXPECT_TRUE(s.popup.m_pProgress->GetExStyle() & WS_EX_NOPARENTNOTIFY);
    int low = -1, high = -1;
    s.popup.m_pProgress->GetRange(low, high);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 100);
    EXPECT_EQ(s.popup.m_pProgress->GetPos(), 0);
    EXPECT_FALSE(s.popup.IsWindowVisible());
}

TEST(Progress, DeviceBroadcastsBecomeMessagesToTheOwner) {
    const std::vector<DWORD> com12 = platform::MakePortBroadcast(u"COM12");
    const std::vector<DWORD> lpt1 = platform::MakePortBroadcast(u"LPT1");
    const std::vector<DWORD> usb = platform::MakePortBroadcast(u"USB");
    std::vector<DWORD> cut = platform::MakePortBroadcast(u"COM12");
    // A record whose size ends inside its name: only "COM1" may be read.
    reinterpret_cast<DEV_BROADCAST_HDR*>(cut.data())->dbch_size =
        DWORD(offsetof(DEV_BROADCAST_PORT_W, dbcp_name) + 4 * sizeof(WCHAR));
    std::vector<DWORD> nameless = platform::MakePortBroadcast(u"COM12");
    reinterpret_cast<DEV_BROADCAST_HDR*>(nameless.data())->dbch_size = sizeof(DEV_BROADCAST_HDR);
    const DEV_BROADCAST_NET net = platform::MakeNetBroadcast();
    DEV_BROADCAST_HDR volume{sizeof(DEV_BROADCAST_HDR) + 8, DBT_DEVTYP_VOLUME, 0};
    DEV_BROADCAST_HDR shortHeader{4, DBT_DEVTYP_NET, 0};
    auto rec = [](const auto& r) { return reinterpret_cast<LPARAM>(&r); };
    auto recv = [](const std::vector<DWORD>& r) { return reinterpret_cast<LPARAM>(r.data()); };

    struct Case {
        WPARAM event;
        LPARAM record;
        std::vector<LoggedMessage> expected;
        const char16_t* portName;
    } cases[] = {
        {DBT_DEVICEARRIVAL, recv(com12), {{WM_PORT_CHANGE, 12, 1, "owner"}}, u"COM12"},
        {DBT_DEVICEREMOVECOMPLETE, recv(com12), {{WM_PORT_CHANGE, 12, 0, "owner"}}, u"COM12"},
        {DBT_DEVICEARRIVAL, recv(lpt1), {{WM_PORT_CHANGE, 1, 1, "owner"}}, u"LPT1"},
        {DBT_DEVICEARRIVAL, recv(usb), {{WM_PORT_CHANGE, 0, 1, "owner"}}, u"USB"},
        {DBT_DEVICEARRIVAL, recv(cut), {{WM_PORT_CHANGE, 1, 1, "owner"}}, u"COM1"},
        {DBT_DEVICEARRIVAL, rec(net), {{WM_NET_CHANGE, 0, 1, "owner"}}, nullptr},
        {DBT_DEVICEREMOVECOMPLETE, rec(net), {{WM_NET_CHANGE, 0, 0, "owner"}}, nullptr},
        {DBT_DEVICEQUERYREMOVE, recv(com12), {}, nullptr},
        {DBT_DEVICEREMOVEPENDING, rec(net), {}, nullptr},
        {DBT_DEVICEARRIVAL, rec(volume), {}, nullptr},
        {DBT_DEVICEARRIVAL, recv(nameless), {}, nullptr},
        {DBT_DEVICEARRIVAL, rec(shortHeader), {}, nullptr},
        {DBT_DEVICEARRIVAL, 0, {}, nullptr},
    };
    int n = 0;
    for (const Case& c : cases) {
        ProgressScene s;
        s.popup.m_strPortName = CString(u"-");
        EXPECT_EQ(s.popup.SendMessage(WM_DEVICECHANGE, c.event, c.record), 0);
        ASSERT_EQ(s.log.size(), c.expected.size()) << "case " << n;
        for (size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(s.log[i].message, c.expected[i].message) << "case " << n;
            EXPECT_EQ(s.log[i].wParam, c.expected[i].wParam) << "case " << n;
            EXPECT_EQ(s.log[i].lParam, c.expected[i].lParam) << "case " << n;
        }
        EXPECT_EQ(s.popup.m_strPortName, c.portName ? c.portName : u"-") << "case " << n;
        ++n;
    }
}

TEST(Progress, HearsTheLayersBroadcastWhileHiddenAndWithoutOwnerSaysNothing) {
    ProgressScene s;
    const std::vector<DWORD> com3 = platform::MakePortBroadcast(u"COM3");
    platform::BroadcastDeviceChange(DBT_DEVICEARRIVAL, reinterpret_cast<const DEV_BROADCAST_HDR*>(com3.data()));
    ASSERT_EQ(s.log.size(), 1u);
    EXPECT_EQ(s.log[0].wParam, 3u);

    CProgress lonely;
    ASSERT_TRUE(lonely.Create(res::IDD_POPUP, nullptr));
    const DEV_BROADCAST_NET net = platform::MakeNetBroadcast();
    EXPECT_EQ(lonely.SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&net)), 0);
    s.owner.DestroyWindow();
    EXPECT_EQ(s.popup.SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&net)), 0);
    EXPECT_EQ(s.log.size(), 1u);
}
