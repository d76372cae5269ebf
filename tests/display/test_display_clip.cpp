// Child windows that reach past their parents, on a real X server: the probe
// paints them, redraws them at once and captures the screen without ending,
// and the capture shows each child only inside its parents, and a captioned
// lamp shorter than its caption as its caption alone.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "tests/display/relay_fixture.h"
#include "tests/display/x_display.h"
#include "tests/support/child_process.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/temp_dir.h"

TEST(ChildPastItsParent, IsClippedOnARealDisplay) {
    XDisplay x(640, 480, false);
    START_X(x);
    TempDir dir;
    const char* asan = std::getenv("ASAN_OPTIONS");
    ChildProcess probe("/usr/bin/env",
                       {"DISPLAY=" + x.Name(), "QT_QPA_PLATFORM=xcb",
                        // (the X keyboard library's key names trip the strict string check)
                        std::string("ASAN_OPTIONS=") + (asan && *asan ? std::string(asan) + ":" : "") +
                            "strict_string_checks=0",
                        std::string(REROVORA_BINARY_DIR) + "/tests/display_probe", "clip", dir.path().string()},
                       dir.path());
    ASSERT_EQ(probe.Wait(30000), 0) << "the probe did not end well: " << probe.Stderr();
    // The client areas: the window, the middle window, the child, the grandchild; the lamp.
    std::vector<std::pair<QRect, QRgb>> windows;
    std::istringstream lines(probe.Stdout());
    int l, t, r, b;
    std::string rgb;
    while (lines >> l >> t >> r >> b >> rgb)
        windows.emplace_back(QRect(QPoint(l, t), QPoint(r - 1, b - 1)), QRgb(std::stoul(rgb, nullptr, 16)));
    ASSERT_EQ(windows.size(), 5u) << probe.Stdout();
    QImage shot((dir.path() / "clip.png").c_str());
    ASSERT_FALSE(shot.isNull());
    shot = shot.convertToFormat(QImage::Format_RGB32);
    SaveTestImage(shot.copy(windows[0].first), "clip");

    // Each window's colour where it and all of its parents are; the lamp apart.
    const QRect lamp = windows[4].first;
    QImage expected = shot.copy(windows[0].first);
    QRect clip = windows[0].first;
    for (int i = 0; i < 4; ++i) {
        clip &= windows[size_t(i)].first;
        for (int y = clip.top(); y <= clip.bottom(); ++y)
            for (int x0 = clip.left(); x0 <= clip.right(); ++x0)
                if (!lamp.contains(x0, y))
                    expected.setPixel(x0 - windows[0].first.left(), y - windows[0].first.top(),
                                      0xFF000000u | windows[size_t(i)].second);
    }
    EXPECT_TRUE(SameImages(shot.copy(windows[0].first), expected, "clip"));
    // The lamp: its caption's box, and only the window's colour right below it.
    int box = 0;
    for (int x0 = lamp.left(); x0 <= lamp.right(); ++x0) {
        box += (shot.pixel(x0, lamp.top() + 5) & 0xFFFFFF) == windows[4].second;
        for (int below = 1; below <= 3; ++below)
            EXPECT_EQ(shot.pixel(x0, lamp.bottom() + below) & 0xFFFFFF, windows[0].second & 0xFFFFFF) << x0;
    }
    EXPECT_GT(box, lamp.width() / 2) << "the caption does not show on the lamp";
}
