// The IP address control: addresses in host order, blank fields, and the keys
// an operator types ("." and a third digit move on, numbers above 255 stop at 255).
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "platform/runtime/app.h"
#include "platform/window/ipaddress.h"
#include "tests/support/qt_helpers.h"

namespace {

struct IpWindow {
    CWnd top;
    CIPAddressCtrl ip;
    IpWindow() {
        EXPECT_TRUE(top.CreateEx(0, nullptr, u"ip", WS_POPUP, CRect(0, 0, 200, 60), nullptr, 0));
        EXPECT_TRUE(ip.CreateEx(0, u"SysIPAddress32", u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(10, 10, 170, 32),
                                &top, 1170));
        top.ShowWindow(SW_SHOW);
        top.Widget()->activateWindow();
        platform::PumpEvents(20);
    }
    // Types text as key presses into whatever field has the focus.
    void Type(const char* text) {
        for (const char* p = text; *p; ++p) PressKey(&ip, *p == '.' ? Qt::Key_Period : Qt::Key_0 + (*p - '0'));
    }
};

}  // namespace

TEST(IpAddressCtrl, SetAndGetInHostOrderCountingNonBlankFields) {
    IpWindow w;
    EXPECT_TRUE(w.ip.IsBlank());
    DWORD a = 123;
    EXPECT_EQ(w.ip.GetAddress(a), 0);
    EXPECT_EQ(a, 0u);
    w.ip.SetAddress(0xC0A8000A);
    EXPECT_EQ(w.ip.GetAddress(a), 4);
    EXPECT_EQ(a, 0xC0A8000Au);
    EXPECT_FALSE(w.ip.IsBlank());
    w.ip.SetAddress(10, 0, 0, 255);
    EXPECT_EQ(w.ip.GetAddress(a), 4);
    EXPECT_EQ(a, MAKEIPADDRESS(10, 0, 0, 255));
    w.ip.ClearAddress();
    EXPECT_TRUE(w.ip.IsBlank());
}

TEST(IpAddressCtrl, TypedDotsAndThirdDigitsMoveOnAndLargeNumbersStopAt255) {
    struct Case {
        const char* typed;
        DWORD expected;
        int fields;
    } cases[] = {
        {"192.168.0.10", MAKEIPADDRESS(192, 168, 0, 10), 4},
        {"192168010010", MAKEIPADDRESS(192, 168, 10, 10), 4},  // three digits move on by themselves
        {"999.1", MAKEIPADDRESS(255, 1, 0, 0), 2},
        {"10..5", MAKEIPADDRESS(10, 5, 0, 0), 2},  // a "." in an empty field stays
    };
    for (const Case& c : cases) {
        IpWindow w;
        w.ip.SetFieldFocus(0);
        w.Type(c.typed);
        DWORD a = 0;
        EXPECT_EQ(w.ip.GetAddress(a), c.fields) << c.typed;
        EXPECT_EQ(a, c.expected) << c.typed;
    }
}
