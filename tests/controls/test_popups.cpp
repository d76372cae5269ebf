// The small popups on the shared template: value entry, calendar, information
// box and the progress popup with its device-change messages; and the keyboard
// filter that turns Enter and Escape into Tab.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <climits>
#include <cstddef>
#include <functional>

#include "controls/calendar.h"
#include "controls/info_dlg.h"
#include "controls/key_filter.h"
#include "controls/progress.h"
#include "controls/setting.h"
#include "controls/utility.h"
#include "platform/app.h"
#include "platform/button.h"
#include "platform/wformat.h"
#include "res/resources.h"
#include "tests/support/colours.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/recording_wnd.h"

namespace {

void RegisterPopupTemplate() {
    static const bool once = [] {
        res::RegisterResources();
        return true;
    }();
    (void)once;
}

// Runs the dialog modally with `script` running inside its loop; a popup that
// the script leaves open is ended with -5 after five seconds.
INT_PTR RunModal(CDialog& dlg, const std::function<void()>& script) {
    RegisterPopupTemplate();
    QTimer::singleShot(0, script);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&dlg] {
        if (dlg.m_hWnd) dlg.EndDialog(-5);
    });
    guard.start(5000);
    return dlg.DoModal();
}

CRect WindowRectOf(const CWnd* wnd) {
    CRect rc;
    wnd->GetWindowRect(&rc);
    return rc;
}

}  // namespace

// ---------------------------------------------------------------------------
// Keyboard filter

TEST(KeyFilter, EnterAndEscapeKeyDownsBecomeTabOthersPass) {
    struct Case {
        UINT message;
        WPARAM key;
        WPARAM after;
        bool changed;
    } cases[] = {
        {WM_KEYDOWN, VK_RETURN, VK_TAB, true}, {WM_KEYDOWN, VK_ESCAPE, VK_TAB, true},
        {WM_KEYDOWN, VK_SPACE, VK_SPACE, false}, {WM_KEYDOWN, VK_TAB, VK_TAB, false},
        {WM_KEYUP, VK_RETURN, VK_RETURN, false}, {WM_CHAR, 13, 13, false},
    };
    for (const Case& c : cases) {
        MSG msg;
        msg.message = c.message;
        msg.wParam = c.key;
        EXPECT_EQ(EnterEscapeToTab(&msg), c.changed) << c.message << " " << c.key;
        EXPECT_EQ(msg.wParam, c.after);
    }
    EXPECT_FALSE(EnterEscapeToTab(nullptr));
}

// ---------------------------------------------------------------------------
// Value entry

TEST(Setting, PlacementAtTheAnchorAndItsCaption) {
    RegisterPopupTemplate();
    struct Case {
        CRect anchor;
        BOOL keepSize;
        const char16_t* caption;
        const char16_t* expectedCaption;
        POINT topLeft;  // where the popup ends up (keep-size cases)
    } cases[] = {
        {CRect(100, 200, 300, 0), TRUE, u"", u"High", {100, 200}},
        {CRect(100, 0, 300, 150), TRUE, u"", u"Low", {100, 150 - 64}},
        {CRect(0, 100, 300, 150), TRUE, u"", u"High", {300 - 94, 100}},
        {CRect(100, 100, 300, 150), TRUE, u"", u"Low", {100, 100}},
        {CRect(100, 200, 300, 0), TRUE, u"INPUT DATA", u"INPUT DATA", {100, 200}},
        {CRect(100, 100, 300, 150), TRUE, u"INPUT DATA", u"INPUT DATA", {100, 100}},
    };
    for (const Case& c : cases) {
        CSetting dlg;
        dlg.SetValue(c.anchor, 1, c.caption, c.keepSize, 1234.5);
        ASSERT_TRUE(dlg.Create(res::IDD_POPUP, nullptr));
        EXPECT_EQ(dlg.GetWindowText(), CString(c.expectedCaption));
        const CRect rc = WindowRectOf(&dlg);
        EXPECT_EQ(rc.left, c.topLeft.x) << Utf16ToUtf8(c.expectedCaption);
        EXPECT_EQ(rc.top, c.topLeft.y) << Utf16ToUtf8(c.expectedCaption);
        EXPECT_EQ(rc.Width(), 94);
        // The bottom lies 10 pixels below the field's.
        EXPECT_EQ(rc.bottom, WindowRectOf(dlg.m_pEdit).bottom + 10);
        EXPECT_FALSE(dlg.GetDlgItem(IDOK)->IsWindowVisible());
        EXPECT_FALSE(dlg.GetDlgItem(IDCANCEL)->IsWindowVisible());
        // No thousands separator in the field.
        EXPECT_EQ(dlg.m_pEdit->GetWindowText(), u"1234.5");
        EXPECT_TRUE(dlg.m_pEdit->GetStyle() & ES_RIGHT);
        EXPECT_EQ(dlg.m_pEdit->GetDlgCtrlID(), int(CSetting::kEditId));
    }
}

TEST(Setting, WithoutKeepSizeThePopupCoversTheAnchor) {
    RegisterPopupTemplate();
    CSetting dlg;
    const CRect anchor(120, 140, 320, 190);
    dlg.SetValue(anchor, 2, u"", FALSE, 3.14159);
    ASSERT_TRUE(dlg.Create(res::IDD_POPUP, nullptr));
    EXPECT_EQ(WindowRectOf(&dlg), anchor);
    CRect field = WindowRectOf(dlg.m_pEdit);
    dlg.ScreenToClient(&field);
    EXPECT_EQ(field, CRect(4, 4, 4 + 200 - 24, 24));
    EXPECT_EQ(dlg.m_strValue, u"3.14");
    dlg.ShowWindow(SW_SHOW);
    SaveTestImage(SnapWindow(&dlg)->Image(), "setting");
}

TEST(Setting, EnterReturnsTheTypedTextEscapeKeepsTheValue) {
    CSetting ok;
    ok.SetValue(CRect(50, 50, 150, 80), 1, u"INPUT DATA", TRUE, 12.0);
    EXPECT_EQ(RunModal(ok,
                       [&] {
                           ASSERT_TRUE(ok.m_pEdit);
                           EXPECT_TRUE(platform::PumpUntil([&] { return CWnd::GetFocus() == ok.m_pEdit; }, 2000))
                               << "the field has the focus";
                           PressKey(ok.m_pEdit, Qt::Key_5);
                           PressKey(ok.m_pEdit, Qt::Key_Return);
                       }),
              IDOK);
    EXPECT_EQ(ok.m_strValue, u"12.05") << "the caret started after the last character";
    EXPECT_EQ(ok.m_pEdit, nullptr);

    CSetting cancel;
    cancel.SetValue(CRect(50, 50, 150, 80), 1, u"", TRUE, 12.0);
    EXPECT_EQ(RunModal(cancel,
                       [&] {
                           cancel.m_pEdit->SetWindowText(u"99");
                           PressKey(cancel.m_pEdit, Qt::Key_Escape);
                       }),
              IDCANCEL);
    EXPECT_EQ(cancel.m_strValue, u"12.0");
    EXPECT_EQ(cancel.m_pEdit, nullptr);
}

// ---------------------------------------------------------------------------
// Calendar

TEST(Calendar, OpenedWithZeroShowsTodayWithADateThatDate) {
    struct Case {
        CTime time;
        CTime expected;
    } cases[] = {
        {CTime(0), CTime(CTime::GetCurrentTime().GetYear(), CTime::GetCurrentTime().GetMonth(),
                         CTime::GetCurrentTime().GetDay(), 0, 0, 0)},
        {CTime(2019, 3, 14, 15, 9, 26), CTime(2019, 3, 14, 0, 0, 0)},
    };
    for (const Case& c : cases) {
        CCalendar cal;
        cal.m_time = c.time;
        CTime shown;
        EXPECT_EQ(RunModal(cal,
                           [&] {
                               cal.m_pMonthCal->GetCurSel(shown);
                               static_cast<CButton*>(cal.GetDlgItem(IDOK))->Click();
                           }),
                  IDOK);
        EXPECT_EQ(shown, c.expected);
        EXPECT_EQ(cal.m_time, c.expected) << "OK takes the selection";
    }
}

TEST(Calendar, LayoutAroundTheMonthAndItsCaption) {
    RegisterPopupTemplate();
    CCalendar cal;
    ASSERT_TRUE(cal.Create(res::IDD_POPUP, nullptr));
    EXPECT_EQ(cal.GetWindowText(), u"CALENDAR");
    cal.ShowWindow(SW_SHOW);
    SaveTestImage(SnapWindow(&cal)->Image(), "calendar");
    CRect month = WindowRectOf(cal.m_pMonthCal), ok = WindowRectOf(cal.GetDlgItem(IDOK));
    cal.ScreenToClient(&month);
    cal.ScreenToClient(&ok);
    CRect minimum;
    cal.m_pMonthCal->GetMinReqRect(&minimum);
    EXPECT_EQ(month, CRect(10, 8, 10 + minimum.Width(), 8 + minimum.Height()));
    EXPECT_EQ(ok, CRect(10, month.bottom + 2, 10 + month.Width(), month.bottom + 32));
    CRect client;
    cal.GetClientRect(&client);
    EXPECT_EQ(client.Width(), month.Width() + 34);
    EXPECT_EQ(client.bottom, ok.bottom + 16);
    EXPECT_FALSE(cal.GetDlgItem(IDCANCEL)->IsWindowVisible());
    EXPECT_EQ(cal.m_pMonthCal->GetDlgCtrlID(), int(CCalendar::kCalendarId));
    // MCN_SELECT is taken with result 0.
    NMSELCHANGE nm;
    nm.nmhdr.idFrom = CCalendar::kCalendarId;
    nm.nmhdr.code = MCN_SELECT;
    EXPECT_EQ(cal.SendMessage(WM_NOTIFY, CCalendar::kCalendarId, reinterpret_cast<LPARAM>(&nm)), 0);

    CCalendar named;
    named.m_strCaption = u"DATE";
    ASSERT_TRUE(named.Create(res::IDD_POPUP, nullptr));
    EXPECT_EQ(named.GetWindowText(), u"DATE");
}

TEST(Calendar, EnterAndEscapeMoveTheFocusAndTheCloseBoxCancels) {
    CCalendar cal;
    const CTime before(2020, 2, 29, 0, 0, 0);
    cal.m_time = before;
    std::vector<QWidget*> focus;
    bool openAfterKeys = false;
    EXPECT_EQ(RunModal(cal,
                       [&] {
                           cal.GetDlgItem(IDOK)->SetFocus();
                           focus.push_back(QApplication::focusWidget());
                           PressKey(&cal, Qt::Key_Return);
                           focus.push_back(QApplication::focusWidget());
                           PressKey(&cal, Qt::Key_Escape);
                           focus.push_back(QApplication::focusWidget());
                           openAfterKeys = cal.IsModalLoopRunning() && cal.IsWindowVisible();
                           SYSTEMTIME other;
                           other.wYear = 2021;
                           other.wMonth = 7;
                           other.wDay = 1;
                           cal.m_pMonthCal->SetCurSel(&other);
                           cal.SendMessage(WM_CLOSE);
                       }),
              IDCANCEL);
    EXPECT_TRUE(openAfterKeys);
    ASSERT_EQ(focus.size(), 3u);
    EXPECT_NE(focus[1], focus[0]) << "Enter moved the focus";
    EXPECT_NE(focus[2], focus[1]) << "Escape moved the focus";
    EXPECT_EQ(cal.m_time, before) << "the close box leaves the date as it was";
}

// ---------------------------------------------------------------------------
// Information box

TEST(InfoDlg, ShowsTheThreeVersionTextsOnWhite) {
    CInfoDlg info;
    std::unique_ptr<Snapshot> snap;
    CRect ok, client;
    CString caption;
    EXPECT_EQ(RunModal(info,
                       [&] {
                           caption = info.GetWindowText();
                           info.GetClientRect(&client);
                           ok = WindowRectOf(info.GetDlgItem(IDOK));
                           info.ScreenToClient(&ok);
                           snap = SnapWindow(&info, "info");
                           SaveTestImage(snap->Image(), "info");
                           PressKey(&info, Qt::Key_Return);  // Enter closes the box
                       }),
              IDOK);
    EXPECT_EQ(caption, u"Information");
    EXPECT_EQ(ok, CRect(50, 50, 250, 80));
    EXPECT_EQ(client.bottom, ok.bottom + 20);
    ASSERT_TRUE(snap);
    EXPECT_TRUE(snap->Match({{2, 2, colours::kWhite}, {client.right - 3, 45, colours::kWhite}, {5, 90, colours::kWhite}}));

    // Each line is drawn in black from x 10, as wide as its text in its font.
    const CUtility utility;
    const CString line1 = platform::FormatWide(u"%s   V%s", utility.GetVersionString(CUtility::kProductName).c_str(),
                                               utility.GetVersionString(CUtility::kFileVersion).c_str());
    const CString line2 = utility.GetVersionString(CUtility::kLegalCopyright);
    ASSERT_FALSE(utility.GetVersionString(CUtility::kProductName).empty());
    ASSERT_FALSE(utility.GetVersionString(CUtility::kFileVersion).empty());
    ASSERT_FALSE(line2.empty());
    const gfx::FontFamily family(u"굴림체");
    struct Line {
        const CString& text;
        float size;
        int style;
        int y0, y1;
    } lines[] = {{line1, 16.0f, gfx::FontStyleBold, 10, 30}, {line2, 12.0f, gfx::FontStyleRegular, 32, 48}};
    for (const Line& line : lines) {
        const gfx::Font font(&family, line.size, line.style, gfx::UnitPixel);
        gfx::Bitmap probe(1, 1);
        gfx::Graphics g(&probe);
        gfx::RectF bounds;
        g.MeasureString(line.text.c_str(), gfx::INT(line.text.size()), &font, gfx::PointF(0, 0), nullptr, &bounds);
        int minX = INT_MAX, maxX = -1;
        for (int y = line.y0; y < line.y1; ++y)
            for (int x = 0; x < client.right; ++x)
                if (ChannelDistance(snap->Pixel(x, y), colours::kBlack) < 100) {
                    minX = std::min(minX, x);
                    maxX = std::max(maxX, x);
                }
        EXPECT_GE(minX, 10);
        EXPECT_LE(minX, 16);
        EXPECT_NEAR(maxX - 10, bounds.Width, line.size) << Utf16ToUtf8(line.text);
    }
}

// ---------------------------------------------------------------------------
// Progress popup

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
        s.popup.m_strPortName = u"-";
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
