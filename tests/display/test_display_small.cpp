// The smaller things an operator meets, on a real X server: a screenshot taken
// the moment a window or a tip shows or goes away holds every window fully
// drawn; a push button of the configuration dialog shows its focus mark once a
// key is pressed, and not before; the table's last header is whole; a message
// box shows its whole title.
#include <gtest/gtest.h>

#include <cstdlib>

#include <unistd.h>

#include <algorithm>
#include <optional>
#include <sstream>

#include "tests/display/relay_fixture.h"
#include "tests/display/window_manager_timing.h"
#include "tests/display/x_display.h"
#include "tests/support/child_process.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/temp_dir.h"

using namespace display_test;

namespace {

// Under AddressSanitizer the X keyboard library copies key names with strndup
// from buffers that are not NUL-terminated, which the strict string check
// takes for an overflow (as for the program in relay_in_namespace.sh).
std::string ProbeAsanOptions() {
    const char* options = std::getenv("ASAN_OPTIONS");
    return std::string("ASAN_OPTIONS=") + (options && *options ? std::string(options) + ":" : "") +
           "strict_string_checks=0";
}

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

// A button of the configuration dialog on the screen, from its template item
// (the nth "Button" item: after the four group boxes, 4 is OK and 5 Cancel).
QRect ButtonRect(const QRect& dialog, int nth) {
    const QPoint centre = ItemCentre(dialog, u"Button", nth);
    const QPoint corner = InDialog(dialog, 52, 14) - InDialog(dialog, 0, 0);  // a button's size
    return QRect(centre - corner / 2, QSize(corner.x(), corner.y()));
}

bool Dark(QRgb p) { return qGray(p) < 90; }

// The most dark pixels on one row near the top of `button`, where the dotted
// focus mark runs three pixels inside the edge; no mark: none.
int FocusDots(const QImage& shot, const QRect& button) {
    int most = 0;
    for (int y = button.top() + 1; y <= button.top() + 6; ++y) {
        int dots = 0;
        for (int x = button.left() + 6; x <= button.right() - 6; ++x) dots += Dark(shot.pixel(x, y));
        most = std::max(most, dots);
    }
    return most;
}

}  // namespace

// Where the probe shows its windows: an X server alone, with openbox, or with
// a window manager that maps a window inside its frame at once but the frame
// only a while later (the window mapped, and yet nothing of it on the screen).
enum class Desktop { kBare, kOpenbox, kLateFrames };
const char* DesktopName(Desktop desktop) {
    switch (desktop) {
    case Desktop::kBare: return "WithoutWindowManager";
    case Desktop::kOpenbox: return "WithWindowManager";
    case Desktop::kLateFrames: return "WithLateFramingWindowManager";
    }
    return "";
}
void PrintTo(Desktop desktop, std::ostream* out) { *out << DesktopName(desktop); }

// The probe's three captures (a window shown, a popup shown over it, the
// popup hidden) and the windows it painted: the large one, then the popup.
struct Captures {
    std::vector<Painted> windows;
    QImage shown, withPopup, hidden;
};

// Runs the probe on `x`; `wm`, when given, answers the display's requests
// meanwhile. Each picture is saved for a look.
void RunCaptureProbe(XDisplay& x, LateFramingWindowManager* wm, Captures* out) {
    TempDir dir;
    ChildProcess probe("/usr/bin/env",
                       {"DISPLAY=" + x.Name(), "QT_QPA_PLATFORM=xcb", ProbeAsanOptions(), std::string(REROVORA_BINARY_DIR) + "/tests/display_probe",
                        "capture", dir.path().string()},
                       dir.path());
    if (wm) wm->ServeUntil([&] { return !probe.Running(); }, 30000);
    ASSERT_EQ(probe.Wait(30000), 0) << probe.Stderr();
    std::istringstream lines(probe.Stdout());
    int l, t, r, b;
    std::string rgb;
    while (lines >> l >> t >> r >> b >> rgb)
        out->windows.push_back({QRect(QPoint(l, t), QPoint(r - 1, b - 1)), QRgb(std::stoul(rgb, nullptr, 16))});
    ASSERT_EQ(out->windows.size(), 2u) << probe.Stdout();
    auto load = [&](const char* name) {
        QImage image(QString::fromStdString((dir.path() / name).string()));
        SaveTestImage(image, std::string(name).substr(0, std::string(name).find('.')));
        return image.convertToFormat(QImage::Format_RGB32);
    };
    out->shown = load("shown.png");
    out->withPopup = load("popup.png");
    out->hidden = load("hidden.png");
    ASSERT_FALSE(out->shown.isNull() || out->withPopup.isNull() || out->hidden.isNull()) << "a capture is missing";
}

class Capture : public ::testing::TestWithParam<Desktop> {};

// A window shown, a popup shown over it, the popup hidden, each captured at
// once: every picture shows the windows as painted, no empty strip where one
// was still being drawn or just uncovered.
TEST_P(Capture, HoldsOnlyWindowsFullyDrawn) {
    XDisplay x(800, 600, GetParam() == Desktop::kOpenbox);
    START_X(x);  // with openbox: once it shows windows
    std::optional<LateFramingWindowManager> late;
    if (GetParam() == Desktop::kLateFrames) {
        late.emplace(x, 300);
        ASSERT_EQ(late->Failure(), "");
    }
    Captures c;
    ASSERT_NO_FATAL_FAILURE(RunCaptureProbe(x, late ? &*late : nullptr, &c));
    // The window came through the window manager (the popup passes it by).
    if (late) {
        EXPECT_EQ(late->Framed(), 1);
    }
    const Painted& back = c.windows[0];
    const Painted& popup = c.windows[1];
    // Away from a frame the window manager may draw: the windows' insides.
    const QRect backInside = back.rect.adjusted(8, 30, -8, -8), popupInside = popup.rect.adjusted(2, 2, -2, -2);
    EXPECT_EQ(Wrong(c.shown, backInside, back.colour), 0) << "the window just shown is not all in the capture";
    EXPECT_EQ(Wrong(c.withPopup, popupInside, popup.colour), 0) << "the popup just shown is not all in the capture";
    EXPECT_EQ(Wrong(c.hidden, popupInside, back.colour), 0) << "where the popup was, the window under it is not drawn";
}

// A window the window manager never puts on the screen does not hold the
// captures up for good: each is taken, the popup (which passes the manager by)
// in it, and nothing of the window that is not on the screen.
TEST(CaptureOfAWindowNeverShown, IsTakenAllTheSame) {
    XDisplay x(800, 600, false);
    START_X(x);
    LateFramingWindowManager never(x, 3600 * 1000);
    ASSERT_EQ(never.Failure(), "");
    Captures c;
    ASSERT_NO_FATAL_FAILURE(RunCaptureProbe(x, &never, &c));
    EXPECT_EQ(never.Framed(), 1);
    const Painted& back = c.windows[0];
    const Painted& popup = c.windows[1];
    const QRect backInside = back.rect.adjusted(8, 30, -8, -8), popupInside = popup.rect.adjusted(2, 2, -2, -2);
    EXPECT_EQ(Wrong(c.shown, backInside, back.colour), backInside.width() * backInside.height())
        << "a window that is not on the screen is in the capture";
    EXPECT_EQ(Wrong(c.withPopup, popupInside, popup.colour), 0) << "the popup just shown is not all in the capture";
}

INSTANTIATE_TEST_SUITE_P(Desktops, Capture, ::testing::Values(Desktop::kBare, Desktop::kOpenbox, Desktop::kLateFrames),
                         [](const ::testing::TestParamInfo<Desktop>& info) { return DesktopName(info.param); });

// The Cancel button pressed with the mouse and let go off it takes the focus
// without a mark; the first key shows the mark on it; Shift+Tab moves it to OK.
TEST_F(ConfigDialog, PushButtonsShowTheFocusMarkOnceAKeyIsPressed) {
    const QRect ok = ButtonRect(d, 4), cancel = ButtonRect(d, 5);
    x.Drag(cancel.center().x(), cancel.center().y(), cancel.center().x(), cancel.bottom() + 60);
    ::usleep(300000);
    const QImage pressed = x.Shot();
    SaveTestImage(pressed.copy(ok.united(cancel).adjusted(-4, -4, 4, 4)), "pressed");
    ASSERT_TRUE(relay->WaitOther(main->id, 1000)) << "letting go off Cancel closed the dialog";
    EXPECT_EQ(FocusDots(pressed, cancel), 0) << "a focus mark before any key";
    EXPECT_EQ(FocusDots(pressed, ok), 0);

    x.Key("Shift_L");
    const int half = (cancel.width() - 12) / 2;
    QImage keyed;
    EXPECT_TRUE(WaitFor([&] { return FocusDots(keyed = x.Shot(), cancel) >= half - 2; }, 3000))
        << "no focus mark on Cancel after a key: " << FocusDots(keyed, cancel) << " dots";
    SaveTestImage(keyed.copy(ok.united(cancel).adjusted(-4, -4, 4, 4)), "key");
    // One pixel on, one off: never two dark pixels side by side along the mark.
    EXPECT_LE(FocusDots(keyed, cancel), half + 1);
    EXPECT_EQ(FocusDots(keyed, ok), 0);

    x.KeyWith("Shift_L", "Tab");
    QImage tabbed;
    EXPECT_TRUE(WaitFor([&] { return FocusDots(tabbed = x.Shot(), ok) >= (ok.width() - 12) / 2 - 2; }, 3000))
        << "Shift+Tab did not move the mark to OK";
    EXPECT_EQ(FocusDots(tabbed, cancel), 0);
    SaveTestImage(tabbed.copy(ok.united(cancel).adjusted(-4, -4, 4, 4)), "tabbed");
}

// The table's last header, "풍향 표시", lies whole inside its cell: ink well
// within both edges, as wide as four Korean letters.
TEST_F(ConfigDialog, TheLastHeaderIsWholeInItsCell) {
    const QImage shot = x.Shot();
    const auto table = FindTable(shot, d);
    ASSERT_TRUE(table);
    const int rowTop = table->rows[0].first, rowHeight = table->rows[0].second - table->rows[0].first + 1;
    // The check column: from beyond the address column's grid line to its last pale cell pixel.
    const int left = table->address.second + 2;
    int right = left;
    for (int px = left; px <= d.right(); ++px)
        if (shot.pixel(px, rowTop + 1) == kCell) right = px;
    const QRect header(QPoint(left, rowTop - rowHeight), QPoint(right, rowTop - 3));
    SaveTestImage(shot.copy(header.adjusted(-120, -4, 4, 4)).scaled(header.width() * 4 + 496, header.height() * 4 + 32),
                  "header");
    int first = -1, last = -1;
    for (int px = header.left() + 1; px < header.right(); ++px)
        for (int py = header.top() + 2; py < header.bottom() - 1; ++py)
            if (Dark(shot.pixel(px, py))) {
                if (first < 0) first = px;
                last = px;
            }
    ASSERT_GE(first, 0) << "no header text";
    EXPECT_GE(first - header.left(), 3) << "the text runs into the cell's left edge";
    EXPECT_GE(header.right() - last, 3) << "the text runs into the cell's right edge";
    EXPECT_GE(last - first, 40) << "less than the four letters of the header";
}
// The "Already Running!" box under a window manager: its title bar shows the
// whole title, as much of it as a box made wide by a long text shows.
TEST(MessageBoxTitle, ShowsWhole) {
    XDisplay x(800, 600, true);
    START_X(x);
    // The light pixels of the title bar (the title's letters and the buttons' marks).
    auto titleInk = [&](const std::string& text, const std::string& tag) {
        TempDir dir;
        ChildProcess probe("/usr/bin/env",
                           {"DISPLAY=" + x.Name(), "QT_QPA_PLATFORM=xcb", ProbeAsanOptions(),
                            std::string(REROVORA_BINARY_DIR) + "/tests/display_probe", "box", "rerovora", text},
                           dir.path());
        std::optional<TopWindow> box;
        EXPECT_TRUE(WaitFor(
            [&] {
                const auto all = x.Windows();
                if (!all.empty()) box = all.back();
                return box.has_value();
            },
            8000));
        if (!box) return -1;
        QImage shot;
        int ink = -1, same = 0;
        // Drawn once the count stays put.
        WaitFor(
            [&] {
                shot = x.Shot();
                int light = 0;
                for (int y = box->client.top() - 22; y < box->client.top() - 1; ++y)
                    for (int px = box->client.left(); px <= box->client.right(); ++px) {
                        const QRgb p = shot.pixel(px, y);
                        light += qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200;
                    }
                same = light == ink ? same + 1 : 0;
                ink = light;
                return same >= 3;
            },
            3000);
        SaveTestImage(shot.copy(box->client.adjusted(-6, -26, 6, 6)), tag);
        x.Key("Return");
        EXPECT_EQ(probe.Wait(5000), 0) << probe.Stderr();
        return ink;
    };
    const int alone = titleInk("Already Running!", "short-text");
    const int beside = titleInk("Already Running! And a text long enough to make the box far wider than its title.",
                                "long-text");
    EXPECT_GT(alone, 0);
    EXPECT_EQ(alone, beside) << "the title is cut in the box sized to its short text";
}
