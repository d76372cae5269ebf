// Contexts on a window: a paint through a memory bitmap, and measuring on the screen.
#include <gtest/gtest.h>

#include "platform/window/wnd.h"
#include "tests/support/colours.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/recording_wnd.h"

using namespace colours;

TEST(WindowContexts, APaintThroughAMemoryBitmapReachesTheWindow) {
    MessageLog log;
    RecordingWnd wnd("wnd", &log);
    wnd.handlers[WM_ERASEBKGND] = [](WPARAM wp, LPARAM) -> LRESULT {
        reinterpret_cast<CDC*>(wp)->FillSolidRect(0, 0, 80, 40, kWhite);
        return 1;
    };
    wnd.handlers[WM_PAINT] = [&wnd](WPARAM, LPARAM) -> LRESULT {
        CPaintDC dc(&wnd);
        CDC mem;
        mem.CreateCompatibleDC(&dc);
        CBitmap bitmap;
        bitmap.CreateCompatibleBitmap(&dc, 20, 10);
        CBitmap* old = mem.SelectObject(&bitmap);
        mem.FillSolidRect(0, 0, 20, 10, kRed);
        dc.BitBlt(30, 15, 20, 10, &mem, 0, 0, SRCCOPY);
        mem.SelectObject(old);
        return 0;
    };
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, u"w", WS_POPUP, CRect(0, 0, 80, 40), nullptr, 0));
    auto snap = SnapWindow(&wnd);
    EXPECT_TRUE(snap->Near(30, 15, kRed));
    EXPECT_TRUE(snap->Near(49, 24, kRed));
    EXPECT_TRUE(snap->Near(29, 15, kWhite));
    EXPECT_TRUE(snap->Near(50, 24, kWhite));
    // Measuring with a screen context needs no window.
    CClientDC screen(nullptr);
    EXPECT_GT(screen.GetTextExtent(u" XXXXXXXXXXXX ").cx, 0);
    EXPECT_EQ(screen.GetDeviceCaps(LOGPIXELSY), 96);
    EXPECT_EQ(screen.GetDeviceCaps(NUMCOLORS), -1);
}
