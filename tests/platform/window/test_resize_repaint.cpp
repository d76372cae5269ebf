// A top-level window that changes size gets a new backing store from Qt, and
// Qt paints all of it: what the windows painted straight into the old one
// (ahead of Qt's frame, or while laying themselves out for the new size) is
// gone, and the screen still shows every window as a fresh drawing does.
#include <gtest/gtest.h>


#include "platform/runtime/app.h"
#include "platform/window/window_dc.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/recording_wnd.h"

namespace {

constexpr COLORREF kBack = RGB(0x38, 0x3F, 0x4C);
constexpr COLORREF kFoot = RGB(0xC7, 0xC0, 0xB3);

// A top-level window with a band along its bottom (it moves with the size) and
// two children: one that keeps its place and one that the top-level lays out
// along its right edge in WM_SIZE and redraws at once, as a panel does.
struct Scene {
    MessageLog log;
    RecordingWnd top{"top", &log};
    RecordingWnd fixed{"fixed", &log};
    RecordingWnd follower{"follower", &log};
    COLORREF fixedSquare = RGB(255, 0, 0);
    COLORREF followerSquare = RGB(255, 0, 0);

    static void PaintSquare(RecordingWnd* w, const COLORREF* colour) {
        w->handlers[WM_ERASEBKGND] = [](WPARAM, LPARAM) -> LRESULT { return 1; };
        w->handlers[WM_PAINT] = [w, colour](WPARAM, LPARAM) -> LRESULT {
            CPaintDC dc(w);
            dc.FillSolidRect(10, 5, 20, 10, *colour);
            return 0;
        };
    }

    Scene() {
        top.handlers[WM_ERASEBKGND] = [this](WPARAM wp, LPARAM) -> LRESULT {
            auto* dc = reinterpret_cast<CDC*>(wp);
            CRect rc;
            top.GetClientRect(&rc);
            dc->FillSolidRect(&rc, kBack);
            dc->FillSolidRect(0, rc.bottom - 12, rc.right, 6, kFoot);
            return 1;
        };
        top.handlers[WM_SIZE] = [this](WPARAM, LPARAM lp) -> LRESULT {
            if (!follower.m_hWnd) return 0;
            follower.MoveWindow(LOWORD(lp) - 70, 40, 50, 30, TRUE);
            follower.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            fixed.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            return 0;
        };
        PaintSquare(&fixed, &fixedSquare);
        PaintSquare(&follower, &followerSquare);
        EXPECT_TRUE(top.CreateEx(0, nullptr, u"scene", WS_POPUP, CRect(0, 0, 400, 300), nullptr, 0));
        EXPECT_TRUE(fixed.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, CRect(20, 40, 70, 70), &top, 10));
        EXPECT_TRUE(follower.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, CRect(330, 40, 380, 70), &top, 11));
    }
};

struct Resize {
    const char* name;
    QSize to;
};

class ResizeRepaint : public ::testing::TestWithParam<Resize> {};

// The children's new values painted ahead of Qt's frame, then the window
// resized (the layout painting again at once), then new values again: the
// screen shows what a fresh drawing at the new size shows.
TEST_P(ResizeRepaint, TheScreenShowsAFreshDrawingAtTheNewSize) {
    Scene scene;
    scene.top.ShowWindow(SW_SHOWNORMAL);
    platform::PumpEvents(50);
    scene.fixedSquare = scene.followerSquare = RGB(0, 0, 255);
    scene.fixed.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    scene.follower.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const QSize to = GetParam().to;
    scene.followerSquare = RGB(0, 200, 0);
    scene.top.MoveWindow(0, 0, to.width(), to.height(), TRUE);
    scene.fixedSquare = RGB(0, 200, 0);
    scene.fixed.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    platform::PumpEvents(50);
    // And once more after Qt's frame, as values keep coming.
    scene.fixedSquare = RGB(250, 250, 0);
    scene.fixed.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    platform::PumpEvents(50);

    const QImage shown = OnScreen(&scene.top);
    ASSERT_EQ(shown.size(), to);
    const QImage fresh = GrabWindow(&scene.top).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(fresh.size(), to);
    long wrong = 0;
    for (int y = 0; y < to.height(); ++y)
        for (int x = 0; x < to.width(); ++x) wrong += shown.pixel(x, y) != fresh.pixel(x, y);
    EXPECT_EQ(wrong, 0) << "pixels on the screen that a fresh drawing does not show";
    EXPECT_EQ(PixelAt(shown, 20 + 15, 40 + 8), RGB(250, 250, 0));                // the kept child, last value
    EXPECT_EQ(PixelAt(shown, to.width() - 70 + 15, 40 + 8), RGB(0, 200, 0));     // the laid-out child
    EXPECT_EQ(PixelAt(shown, 5, to.height() - 9), kFoot);                        // the band at the new bottom
    EXPECT_EQ(PixelAt(shown, to.width() - 3, 3), kBack);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ResizeRepaint,
                         ::testing::Values(Resize{"Smaller", {300, 200}}, Resize{"Larger", {520, 380}},
                                           Resize{"NarrowerAndTaller", {250, 340}}),
                         [](const ::testing::TestParamInfo<Resize>& i) { return std::string(i.param.name); });

// A window maximized to the size it already has hears WM_SIZE of its new state,
// so a window laid out in WM_SIZE is laid out (the main window made at the
// size of the screen it is maximized on).
TEST(ResizeRepaintState, MaximizedAtItsOwnSizeHearsOfIt) {
    MessageLog log;
    RecordingWnd top{"top", &log};
    top.logOnly = {WM_SIZE};
    ASSERT_TRUE(top.CreateEx(0, nullptr, u"top", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX,
                             CRect(0, 0, 300, 200), nullptr, 0));
    top.ShowWindow(SW_MAXIMIZE);
    platform::PumpEvents(50);
    CRect maximized;
    top.GetClientRect(&maximized);
    top.ShowWindow(SW_RESTORE);
    platform::PumpEvents(50);
    CRect window, client;
    top.GetWindowRect(&window);
    top.GetClientRect(&client);
    top.MoveWindow(window.left, window.top, maximized.Width() + window.Width() - client.Width(),
                   maximized.Height() + window.Height() - client.Height(), TRUE);
    platform::PumpEvents(50);
    CRect restored;
    top.GetClientRect(&restored);
    ASSERT_EQ(restored, maximized) << "the test needs the restored window at the maximized size";
    log.clear();
    top.ShowWindow(SW_MAXIMIZE);
    platform::PumpEvents(50);
    ASSERT_TRUE(top.IsZoomed());
    ASSERT_EQ(CountOf(log, WM_SIZE), 1);
    EXPECT_EQ(log[0].wParam, WPARAM(SIZE_MAXIMIZED));
    EXPECT_EQ(log[0].lParam, MAKELPARAM(maximized.Width(), maximized.Height()));
    // Restored at the same size: SIZE_RESTORED, once.
    log.clear();
    top.ShowWindow(SW_RESTORE);
    platform::PumpEvents(50);
    EXPECT_EQ(CountOf(log, WM_SIZE), 1);
    if (!log.empty()) { EXPECT_EQ(log.back().wParam, WPARAM(SIZE_RESTORED)); }
}

}  // namespace
