// The window rectangle of a top-level window: where the platform draws no real
// frame (here the offscreen platform), it holds the frame a Windows window of
// the same style has, and MoveWindow takes such a rectangle back unchanged.
#include <gtest/gtest.h>

#include <memory>

#include "platform/window/wnd.h"
#include "tests/support/recording_wnd.h"

namespace {

::testing::AssertionResult RectIs(const RECT& a, const RECT& b) {
    if (a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.left << ", " << a.top << ", " << a.right << ", " << a.bottom
                                         << ") instead of (" << b.left << ", " << b.top << ", " << b.right << ", "
                                         << b.bottom << ")";
}

constexpr DWORD kOverlapped = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

}  // namespace

TEST(WindowFrame, AdjustWindowRectByStyle) {
    struct Case {
        DWORD style;
        RECT expected;  // for the client rectangle (0, 0, 100, 50)
    };
    const Case cases[] = {
        {kOverlapped, {-8, -31, 108, 58}},                 // sizing border, padding, caption
        {WS_POPUP | WS_CAPTION | WS_SYSMENU, {-7, -30, 107, 57}},  // fixed border
        {WS_POPUP | WS_BORDER, {-7, -7, 107, 57}},         // border, no caption
        {WS_POPUP, {0, 0, 100, 50}},                       // no frame at all
        {WS_CHILD | WS_THICKFRAME, {-8, -8, 108, 58}},
    };
    for (const Case& c : cases) {
        RECT rc{0, 0, 100, 50};
        ASSERT_TRUE(AdjustWindowRectEx(&rc, c.style, FALSE, 0));
        EXPECT_TRUE(RectIs(rc, c.expected)) << std::hex << c.style;
    }
    EXPECT_FALSE(AdjustWindowRectEx(nullptr, kOverlapped, FALSE, 0));
}

TEST(WindowFrame, TopLevelRectangleHoldsTheWindowsFrame) {
    MessageLog log;
    RecordingWnd w("top", &log);
    ASSERT_TRUE(w.CreateEx(0, nullptr, u"framed", kOverlapped, CRect(100, 200, 500, 500), nullptr, 0));
    w.ShowWindow(SW_SHOW);
    RECT window{}, client{};
    w.GetWindowRect(&window);
    w.GetClientRect(&client);
    EXPECT_TRUE(RectIs(client, RECT{0, 0, 400, 300}));
    EXPECT_TRUE(RectIs(window, RECT{92, 169, 508, 508}));
    // In client coordinates, as the main window measures itself.
    w.ScreenToClient(&window);
    EXPECT_TRUE(RectIs(window, RECT{-8, -31, 408, 308}));

    // MoveWindow takes a window rectangle: the client area is what lies inside the frame.
    w.MoveWindow(-8, -31, 1936, 1080, TRUE);
    w.GetClientRect(&client);
    EXPECT_TRUE(RectIs(client, RECT{0, 0, 1920, 1041}));
    w.GetWindowRect(&window);
    EXPECT_TRUE(RectIs(window, RECT{-8, -31, 1928, 1049}));
    // Putting back the rectangle it reports changes nothing, and centring keeps the size.
    w.MoveWindow(&window, TRUE);
    w.CenterWindow();
    w.GetClientRect(&client);
    EXPECT_TRUE(RectIs(client, RECT{0, 0, 1920, 1041}));

    // A popup without a caption draws its own border, if any: no frame is added.
    for (DWORD style : {DWORD(WS_POPUP), DWORD(WS_POPUP | WS_BORDER)}) {
        RecordingWnd bare("bare", &log);
        ASSERT_TRUE(bare.CreateEx(0, nullptr, u"bare", style, CRect(10, 20, 110, 70), nullptr, 0));
        bare.GetWindowRect(&window);
        EXPECT_TRUE(RectIs(window, RECT{10, 20, 110, 70})) << std::hex << style;
        bare.MoveWindow(0, 0, 60, 20, TRUE);
        bare.GetClientRect(&client);
        EXPECT_TRUE(RectIs(client, RECT{0, 0, 60, 20})) << std::hex << style;
    }
}
