// Button messages that a window passes on to a standard control (a tip that
// held the mouse hands a press to the window under the pointer) act on the
// control as the pointer's own presses: a push button clicks, an edit takes
// the keyboard focus.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "platform/runtime/app.h"
#include "platform/stdctrl/button.h"
#include "platform/stdctrl/edit.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/recording_wnd.h"

namespace {

struct Scene {
    MessageLog log;
    RecordingWnd top{"top", &log};
    CButton button;
    CEdit edit;

    Scene() {
        EXPECT_TRUE(top.CreateEx(0, nullptr, u"", WS_POPUP, CRect(0, 0, 240, 80), nullptr, 0));
        EXPECT_TRUE(button.Create(u"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, CRect(10, 10, 90, 34), &top, 1));
        EXPECT_TRUE(edit.Create(nullptr, u"m/s", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(120, 10, 220, 34), &top, 2));
        top.ShowWindow(SW_SHOW);
        top.Widget()->activateWindow();
        top.logOnly = {WM_COMMAND};
        platform::PumpEvents();
        log.clear();
    }
    int Clicks() const {
        int n = 0;
        for (const auto& m : log) n += m.message == WM_COMMAND && LOWORD(m.wParam) == 1 && HIWORD(m.wParam) == BN_CLICKED;
        return n;
    }
};

}  // namespace

TEST(PassedButtonMessages, APressAndItsReleaseClickAPushButton) {
    Scene s;
    struct Case {
        const char* what;
        UINT press;
        LPARAM releaseAt;
        int clicks;
    } cases[] = {
        {"press and release inside", WM_LBUTTONDOWN, MAKELPARAM(40, 12), 1},
        {"the second press of a double click", WM_LBUTTONDBLCLK, MAKELPARAM(40, 12), 1},
        {"released outside the button", WM_LBUTTONDOWN, MAKELPARAM(200, 12), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        s.log.clear();
        s.button.PostMessage(c.press, MK_LBUTTON, MAKELPARAM(40, 12));
        s.button.PostMessage(WM_LBUTTONUP, 0, c.releaseAt);
        platform::PumpEvents();
        EXPECT_EQ(s.Clicks(), c.clicks);
        EXPECT_EQ(s.button.GetState() & BST_PUSHED, 0u) << "the button stays pushed";
    }
    // A release alone clicks nothing.
    s.log.clear();
    s.button.PostMessage(WM_LBUTTONUP, 0, MAKELPARAM(40, 12));
    platform::PumpEvents();
    EXPECT_EQ(s.Clicks(), 0);
}

TEST(PassedButtonMessages, APressPutsTheFocusIntoAnEdit) {
    Scene s;
    s.button.SetFocus();
    ASSERT_EQ(CWnd::GetFocus(), &s.button);
    s.edit.PostMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(90, 12));
    s.edit.PostMessage(WM_LBUTTONUP, 0, MAKELPARAM(90, 12));
    platform::PumpEvents();
    EXPECT_EQ(CWnd::GetFocus(), &s.edit);
    EXPECT_EQ(s.Clicks(), 0);
}
