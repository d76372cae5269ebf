// Standard scroll bars inside a window, the non-client area, the cursor
// messages and system colour changes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWidget>

#include "platform/window/wnd.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/recording_wnd.h"

namespace {

void Pump() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

struct Scene {
    MessageLog log;
    RecordingWnd top{"top", &log};
    RecordingWnd child{"child", &log};
    Scene() {
        EXPECT_TRUE(top.CreateEx(0, nullptr, u"t", WS_POPUP | WS_VISIBLE, CRect(0, 0, 300, 200), nullptr, 0));
        EXPECT_TRUE(child.CreateEx(0, nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(10, 10, 210, 110), &top, 5));
    }
    QScrollBar* Bar(Qt::Orientation o) {
        for (QScrollBar* b : child.Widget()->findChildren<QScrollBar*>())
            if (b->orientation() == o) return b;
        return nullptr;
    }
    std::vector<std::pair<UINT, UINT>> Scrolls() const {
        std::vector<std::pair<UINT, UINT>> out;
        for (const auto& m : log)
            if (m.message == WM_VSCROLL || m.message == WM_HSCROLL) out.push_back({m.message, UINT(LOWORD(m.wParam))});
        return out;
    }
};

SCROLLINFO Info(UINT mask, int min, int max, UINT page, int pos = 0) {
    SCROLLINFO i;
    i.fMask = mask;
    i.nMin = min;
    i.nMax = max;
    i.nPage = page;
    i.nPos = pos;
    return i;
}

}  // namespace

TEST(ScrollBars, RangePageAndPositionAreClampedLikeTheSystemsBars) {
    Scene s;
    SCROLLINFO in = Info(SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 30, 500);
    ASSERT_TRUE(s.child.SetScrollInfo(SB_VERT, &in));
    EXPECT_EQ(s.child.GetScrollPos(SB_VERT), 99 - 30 + 1) << "max - page + 1";
    in = Info(SIF_PAGE, 0, 0, 1000);
    s.child.SetScrollInfo(SB_VERT, &in);
    SCROLLINFO out;
    ASSERT_TRUE(s.child.GetScrollInfo(SB_VERT, &out, SIF_ALL));
    EXPECT_EQ(out.nPage, 100u) << "the page is at most the range";
    EXPECT_EQ(out.nPos, 0);
    EXPECT_EQ(out.nTrackPos, 0);
    in = Info(SIF_RANGE, 10, 5, 0);
    EXPECT_FALSE(s.child.SetScrollInfo(SB_VERT, &in)) << "min above max";
    EXPECT_FALSE(s.child.SetScrollInfo(SB_CTL, &in));
    EXPECT_EQ(s.child.SetScrollPos(SB_VERT, -4), 0);
    EXPECT_EQ(s.child.GetScrollPos(SB_VERT), 0);
}

TEST(ScrollBars, ShownBarsAndTheClientEdgeShrinkTheClientArea) {
    Scene s;
    CRect client;
    s.child.GetClientRect(&client);
    EXPECT_EQ(client, CRect(0, 0, 200, 100));

    SCROLLINFO in = Info(SIF_RANGE | SIF_PAGE, 0, 299, 100);
    s.child.SetScrollInfo(SB_VERT, &in);
    EXPECT_TRUE(s.child.IsScrollBarShown(SB_VERT)) << "a range that needs scrolling shows the bar";
    s.child.GetClientRect(&client);
    EXPECT_EQ(client, CRect(0, 0, 200 - GetSystemMetrics(SM_CXVSCROLL), 100));
    ASSERT_FALSE(s.log.empty());
    const auto size = std::find_if(s.log.rbegin(), s.log.rend(), [](const LoggedMessage& m) {
        return m.message == WM_SIZE && m.tag == "child";
    });
    ASSERT_NE(size, s.log.rend());
    EXPECT_EQ(LOWORD(size->lParam), 200 - GetSystemMetrics(SM_CXVSCROLL)) << "WM_SIZE reports the client";

    // Nothing to scroll: SIF_DISABLENOSCROLL disables, without it the bar goes.
    in = Info(SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL, 0, 50, 100);
    s.child.SetScrollInfo(SB_VERT, &in);
    EXPECT_TRUE(s.child.IsScrollBarShown(SB_VERT));
    ASSERT_NE(s.Bar(Qt::Vertical), nullptr);
    EXPECT_FALSE(s.Bar(Qt::Vertical)->isEnabled());
    in = Info(SIF_RANGE | SIF_PAGE, 0, 40, 100);
    s.child.SetScrollInfo(SB_VERT, &in);
    EXPECT_FALSE(s.child.IsScrollBarShown(SB_VERT));

    s.child.ShowScrollBar(SB_BOTH, TRUE);
    s.child.ModifyStyleEx(0, WS_EX_CLIENTEDGE);
    s.child.GetClientRect(&client);
    EXPECT_EQ(client, CRect(0, 0, 200 - 4 - GetSystemMetrics(SM_CXVSCROLL), 100 - 4 - GetSystemMetrics(SM_CYHSCROLL)));
    POINT p{0, 0};
    s.child.ClientToScreen(&p);
    RECT window;
    s.child.GetWindowRect(&window);
    EXPECT_EQ(p.x, window.left + 2);
    EXPECT_EQ(p.y, window.top + 2);
    // Hit tests tell the client, the bars and the edge apart.
    struct Hit {
        int dx, dy;
        LRESULT code;
    };
    const Hit hits[] = {{5, 5, HTCLIENT}, {1, 50, HTBORDER}, {200 - 5, 30, HTVSCROLL}, {50, 100 - 5, HTHSCROLL},
                        {-1, 5, HTNOWHERE}};
    for (const Hit& h : hits)
        EXPECT_EQ(s.child.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(window.left + h.dx, window.top + h.dy)), h.code)
            << h.dx << "," << h.dy;
}

TEST(ScrollBars, MovingABarSendsEveryScrollCodeAndTheWindowSetsThePosition) {
    Scene s;
    s.log.clear();
    SCROLLINFO in = Info(SIF_RANGE | SIF_PAGE, 0, 299, 100);
    s.child.SetScrollInfo(SB_VERT, &in);
    QScrollBar* bar = s.Bar(Qt::Vertical);
    ASSERT_NE(bar, nullptr);
    const QAbstractSlider::SliderAction actions[] = {
        QAbstractSlider::SliderSingleStepAdd, QAbstractSlider::SliderSingleStepSub, QAbstractSlider::SliderPageStepAdd,
        QAbstractSlider::SliderPageStepSub, QAbstractSlider::SliderToMaximum, QAbstractSlider::SliderToMinimum};
    for (auto a : actions) bar->triggerAction(a);
    EXPECT_EQ(s.child.GetScrollPos(SB_VERT), 0) << "only the window moves its bar";
    EXPECT_EQ(bar->sliderPosition(), 0);

    // Dragging the thumb: tracking positions, then the final place and the end.
    bar->setSliderPosition(120);
    SCROLLINFO track;
    s.child.GetScrollInfo(SB_VERT, &track, SIF_TRACKPOS | SIF_POS);
    EXPECT_EQ(track.nTrackPos, 120);
    EXPECT_EQ(track.nPos, 0);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), bar->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &release);
    Pump();
    const std::vector<std::pair<UINT, UINT>> expected = {
        {WM_VSCROLL, SB_LINEDOWN}, {WM_VSCROLL, SB_LINEUP},        {WM_VSCROLL, SB_PAGEDOWN},
        {WM_VSCROLL, SB_PAGEUP},   {WM_VSCROLL, SB_BOTTOM},        {WM_VSCROLL, SB_TOP},
        {WM_VSCROLL, SB_THUMBTRACK}, {WM_VSCROLL, SB_THUMBPOSITION}, {WM_VSCROLL, SB_ENDSCROLL}};
    EXPECT_EQ(s.Scrolls(), expected);
    const auto thumb = std::find_if(s.log.begin(), s.log.end(), [](const LoggedMessage& m) {
        return m.message == WM_VSCROLL && LOWORD(m.wParam) == SB_THUMBPOSITION;
    });
    ASSERT_NE(thumb, s.log.end());
    EXPECT_EQ(HIWORD(thumb->wParam), 120);
    s.child.GetScrollInfo(SB_VERT, &track, SIF_TRACKPOS);
    EXPECT_EQ(track.nTrackPos, 0) << "after the drag the track position is the position again";
}

TEST(Cursor, WaitCursorNestsAndSetCursorAsksTheParentFirst) {
    EXPECT_FALSE(IsWaitCursorShown());
    {
        CWaitCursor outer;
        {
            CWaitCursor inner;
            EXPECT_TRUE(IsWaitCursorShown());
        }
        EXPECT_TRUE(IsWaitCursorShown());
    }
    EXPECT_FALSE(IsWaitCursorShown());

    Scene s;
    s.top.handlers[WM_SETCURSOR] = [](WPARAM, LPARAM) -> LRESULT { return TRUE; };
    EXPECT_EQ(s.child.SendMessage(WM_SETCURSOR, WPARAM(s.child.GetSafeHwnd()), MAKELPARAM(1, WM_MOUSEMOVE)), TRUE);
    s.top.handlers.erase(WM_SETCURSOR);
    EXPECT_EQ(s.child.SendMessage(WM_SETCURSOR, WPARAM(s.child.GetSafeHwnd()), MAKELPARAM(1, WM_MOUSEMOVE)), FALSE);
}

TEST(SystemColours, ChangesReachEveryWindowAndGetSysColor) {
    Scene s;
    s.log.clear();
    const int index = COLOR_INFOBK;
    const COLORREF before = GetSysColor(index);
    const COLORREF colour = RGB(1, 2, 3);
    ASSERT_TRUE(SetSysColors(1, &index, &colour));
    EXPECT_EQ(GetSysColor(index), colour);
    EXPECT_EQ(CountOf(s.log, WM_SYSCOLORCHANGE, "top"), 1);
    EXPECT_EQ(CountOf(s.log, WM_SYSCOLORCHANGE, "child"), 1);
    SetSysColors(1, &index, &before);
    EXPECT_EQ(GetSysColor(index), before);
    // A palette change of the desktop counts as a colour change.
    s.log.clear();
    QApplication::setPalette(QPalette(Qt::darkGray));
    Pump();
    EXPECT_GE(CountOf(s.log, WM_SYSCOLORCHANGE, "child"), 1);
    QApplication::setPalette(QPalette());
}

TEST(Cursor, MovesAskForTheCursorFirstAndArriveInClientCoordinates) {
    Scene s;
    s.child.ModifyStyleEx(0, WS_EX_CLIENTEDGE);
    s.log.clear();
    MouseMove(&s.child, 5, 7);
    std::vector<UINT> seen;
    for (const auto& m : s.log)
        if (m.tag == "child" && (m.message == WM_SETCURSOR || m.message == WM_MOUSEMOVE)) seen.push_back(m.message);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_SETCURSOR, WM_MOUSEMOVE}));
    const auto move = std::find_if(s.log.begin(), s.log.end(), [](const LoggedMessage& m) {
        return m.tag == "child" && m.message == WM_MOUSEMOVE;
    });
    ASSERT_NE(move, s.log.end());
    EXPECT_EQ(short(LOWORD(move->lParam)), 5);
    EXPECT_EQ(short(HIWORD(move->lParam)), 7);
    const auto ask = std::find_if(s.log.begin(), s.log.end(), [](const LoggedMessage& m) {
        return m.tag == "child" && m.message == WM_SETCURSOR;
    });
    EXPECT_EQ(LOWORD(ask->lParam), WORD(HTCLIENT));
    EXPECT_EQ(HIWORD(ask->lParam), WORD(WM_MOUSEMOVE));
    // The child's default handling asks its parent.
    EXPECT_GE(CountOf(s.log, WM_SETCURSOR, "top"), 1);
}
