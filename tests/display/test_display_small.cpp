// The smaller things an operator meets, on a real X server: a screenshot taken
// the moment a window shows or goes away holds every window fully drawn; a
// push button of the configuration dialog shows its focus mark once a key is
// pressed, and not before; the table's headers are whole.
#include <gtest/gtest.h>

#include <unistd.h>

#include <sstream>

#include "tests/display/relay_fixture.h"
#include "tests/display/x_display.h"
#include "tests/support/child_process.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/temp_dir.h"

using namespace display_test;

namespace {

struct Painted {
    QRect rect;
    QRgb colour;
};

// Pixels of `rect` in `shot` that differ from `colour`.
int Wrong(const QImage& shot, const QRect& rect, QRgb colour) {
    int wrong = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) wrong += (shot.pixel(x, y) & 0xFFFFFF) != (colour & 0xFFFFFF);
    return wrong;
}

}  // namespace

class Capture : public ::testing::TestWithParam<bool> {};

// A window shown, a popup shown over it, the popup hidden, each captured at
// once: every picture shows the windows as painted, no empty strip where one
// was still being drawn or just uncovered.
TEST_P(Capture, HoldsOnlyWindowsFullyDrawn) {
    XDisplay x(800, 600, GetParam());
    START_X(x);
    TempDir dir;
    ChildProcess probe("/usr/bin/env",
                       {"DISPLAY=" + x.Name(), "QT_QPA_PLATFORM=xcb", std::string(REROVORA_BINARY_DIR) + "/tests/capture_probe",
                        dir.path().string()},
                       dir.path());
    ASSERT_EQ(probe.Wait(30000), 0) << probe.Stderr();
    std::istringstream lines(probe.Stdout());
    std::vector<Painted> windows;
    int l, t, r, b;
    std::string rgb;
    while (lines >> l >> t >> r >> b >> rgb) windows.push_back({QRect(QPoint(l, t), QPoint(r - 1, b - 1)), QRgb(std::stoul(rgb, nullptr, 16))});
    ASSERT_EQ(windows.size(), 2u) << probe.Stdout();
    const Painted& back = windows[0];
    const Painted& popup = windows[1];
    // Where the window manager put them: the back window's corner holds its colour.
    auto load = [&](const char* name) {
        QImage image(QString::fromStdString((dir.path() / name).string()));
        SaveTestImage(image, std::string(name).substr(0, std::string(name).find('.')));
        return image.convertToFormat(QImage::Format_RGB32);
    };
    const QImage shown = load("shown.png"), withPopup = load("popup.png"), hidden = load("hidden.png");
    ASSERT_FALSE(shown.isNull() || withPopup.isNull() || hidden.isNull()) << "a capture is missing";
    // Away from a frame the window manager may draw: the windows' insides.
    const QRect backInside = back.rect.adjusted(8, 30, -8, -8), popupInside = popup.rect.adjusted(2, 2, -2, -2);
    EXPECT_EQ(Wrong(shown, backInside, back.colour), 0) << "the window just shown is not all in the capture";
    EXPECT_EQ(Wrong(withPopup, popupInside, popup.colour), 0) << "the popup just shown is not all in the capture";
    EXPECT_EQ(Wrong(hidden, popupInside, back.colour), 0) << "where the popup was, the window under it is not drawn";
}

INSTANTIATE_TEST_SUITE_P(Desktops, Capture, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "WithWindowManager" : "WithoutWindowManager";
                         });
