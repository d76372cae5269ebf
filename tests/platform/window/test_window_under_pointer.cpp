// The window under a point while a modal window is up, and over disabled
// windows: what a popup that passes a click on finds there.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QWidget>

#include "platform/window/tool_popup.h"
#include "tests/support/recording_wnd.h"

namespace {

void Pump() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

POINT ScreenOf(CWnd* wnd, int x, int y) {
    POINT p{x, y};
    wnd->ClientToScreen(&p);
    return p;
}

// An owner window with a child, and a second top-level window beside it that
// may be made modal.
struct TwoWindows {
    MessageLog log;
    RecordingWnd owner{"owner", &log};
    RecordingWnd child{"child", &log};
    RecordingWnd other{"other", &log};
    RecordingWnd otherChild{"otherChild", &log};

    TwoWindows() {
        EXPECT_TRUE(owner.CreateEx(0, nullptr, u"owner", WS_POPUP | WS_VISIBLE, CRect(40, 40, 240, 240), nullptr, 0));
        EXPECT_TRUE(child.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(10, 10, 110, 110), &owner, 1));
        EXPECT_TRUE(other.CreateEx(0, nullptr, u"other", WS_POPUP, CRect(300, 40, 500, 240), nullptr, 0));
        EXPECT_TRUE(otherChild.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(10, 10, 110, 110), &other, 2));
    }
    ~TwoWindows() {
        if (QWidget* w = other.Widget()) {
            w->hide();
            w->setWindowModality(Qt::NonModal);
        }
    }
    void ShowOther(bool modal) {
        other.Widget()->setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
        other.ShowWindow(SW_SHOW);
        Pump();
    }
};

}  // namespace

TEST(WindowUnderPointer, AWindowBehindAModalWindowIsNotFound) {
    for (const bool modal : {false, true}) {
        SCOPED_TRACE(modal ? "modal" : "not modal");
        TwoWindows s;
        s.ShowOther(modal);
        ASSERT_EQ(QApplication::activeModalWidget() != nullptr, modal);
        EXPECT_EQ(CWnd::WindowFromPoint(ScreenOf(&s.child, 5, 5)), modal ? nullptr : &s.child);
        EXPECT_EQ(CWnd::WindowFromPoint(ScreenOf(&s.owner, 150, 150)), modal ? nullptr : &s.owner);
        EXPECT_EQ(CWnd::WindowFromPoint(ScreenOf(&s.otherChild, 5, 5)), &s.otherChild);
        EXPECT_EQ(CWnd::WindowFromPoint(ScreenOf(&s.other, 150, 150)), &s.other);
    }
}

// A popup shown while the modal window is up is the modal window's own: it
// is found, and the pointer's events reach it.
TEST(WindowUnderPointer, APopupShownOverAModalWindowIsFound) {
    TwoWindows s;
    s.ShowOther(true);
    CToolPopup popup;
    ASSERT_TRUE(popup.CreateEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, nullptr, nullptr, WS_POPUP, CRect(0, 0, 0, 0), nullptr, 0));
    popup.SetWindowPos(nullptr, 600, 300, 50, 20, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    Pump();
    EXPECT_EQ(CWnd::WindowFromPoint(POINT{610, 310}), &popup);
    popup.ShowWindow(SW_HIDE);
}

TEST(WindowUnderPointer, ADisabledChildGivesItsParentAndADisabledWindowNothing) {
    TwoWindows s;
    s.child.EnableWindow(FALSE);
    EXPECT_EQ(CWnd::WindowFromPoint(ScreenOf(&s.child, 5, 5)), &s.owner);
    s.child.EnableWindow(TRUE);
    s.owner.EnableWindow(FALSE);
    EXPECT_EQ(CWnd::WindowFromPoint(ScreenOf(&s.child, 5, 5)), nullptr);
    EXPECT_EQ(CWnd::WindowFromPoint(ScreenOf(&s.owner, 150, 150)), nullptr);
    s.owner.EnableWindow(TRUE);
    EXPECT_EQ(CWnd::WindowFromPoint(ScreenOf(&s.child, 5, 5)), &s.child);
}
