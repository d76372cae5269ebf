// Where the dialogs and boxes open, on a real X server with openbox and
// without a window manager: the main window, not maximized, stands at an edge
// or a corner of the 1280 × 1024 screen (partly past it, or small enough that
// a box centred on it would run past the edge), and the configuration dialog,
// its calendar (F1), the information box (F1) and the exit question each open
// wholly on the screen, frame included: centred on the main window where that
// fits, moved in from the edge where it does not. The colour dialog, which
// the program itself does not open, is shown over a window of the probe.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>

#include "tests/display/relay_fixture.h"
#include "tests/display/x_display.h"
#include "tests/support/child_process.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/temp_dir.h"

using namespace display_test;

namespace {

// How far the frame the layer keeps room for (a Windows caption and border)
// may differ from the one drawn (openbox's, or none): a box is centred to
// within this, and one moved in stands this close to the edge.
constexpr int kSlack = 34;

// Whether `box` (its frame) stands wholly on `screen` and, on each axis,
// centred on `owner`'s frame where a box of its size fits there, else against
// the edge it would have run past.
::testing::AssertionResult PlacedOver(const TopWindow& box, const TopWindow& owner, const QRect& screen) {
    const QRect b = box.frame, o = owner.frame;
    std::ostringstream why;
    auto describe = [](const QRect& r) {
        std::ostringstream s;
        s << r.left() << "," << r.top() << " to " << r.right() << "," << r.bottom();
        return s.str();
    };
    if (!screen.contains(b)) why << "runs past the screen; ";
    struct Axis {
        const char* name;
        int boxLow, boxHigh, size, centre, low, high;
    };
    const Axis axes[] = {
        {"across", b.left(), b.right(), b.width(), o.center().x(), screen.left(), screen.right()},
        {"down", b.top(), b.bottom(), b.height(), o.center().y(), screen.top(), screen.bottom()},
    };
    for (const Axis& a : axes) {
        const int boxCentre = (a.boxLow + a.boxHigh) / 2;
        const bool pastLow = a.centre - a.size / 2 < a.low + kSlack, pastHigh = a.centre + a.size / 2 > a.high - kSlack;
        if (!pastLow && !pastHigh) {
            if (std::abs(boxCentre - a.centre) > kSlack)
                why << "not centred on the main window " << a.name << " (" << boxCentre << " against " << a.centre << "); ";
        } else if (pastHigh && !pastLow) {
            if (a.boxHigh < a.high - kSlack) why << "not moved in to the far edge " << a.name << "; ";
        } else if (pastLow && !pastHigh) {
            if (a.boxLow > a.low + kSlack) why << "not moved in to the near edge " << a.name << "; ";
        }
    }
    if (why.str().empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the box at " << describe(b) << " over the main window at " << describe(o)
                                         << ": " << why.str();
}

// Whether the red EXIT symbol shows around `centre`.
bool ExitSymbolAt(const QImage& shot, QPoint centre) {
    int red = 0;
    const QRect around = QRect(centre - QPoint(30, 30), QSize(60, 60)) & shot.rect();
    for (int y = around.top(); y <= around.bottom(); ++y)
        for (int x = around.left(); x <= around.right(); ++x) {
            const QRgb p = shot.pixel(x, y);
            red += qRed(p) > 200 && qGreen(p) < 90 && qBlue(p) < 90;
        }
    return red >= 50;
}

// Under AddressSanitizer the X keyboard library copies key names with strndup
// from buffers that are not NUL-terminated, which the strict string check
// takes for an overflow (as for the program in relay_in_namespace.sh).
std::string ProbeAsanOptions() {
    const char* options = std::getenv("ASAN_OPTIONS");
    return std::string("ASAN_OPTIONS=") + (options && *options ? std::string(options) + ":" : "") +
           "strict_string_checks=0";
}

// A window of the program that none of `known` is, once one shows.
std::optional<TopWindow> WaitNew(XDisplay& x, const std::set<unsigned long>& known, int timeoutMs = 8000) {
    std::optional<TopWindow> found;
    WaitFor(
        [&] {
            for (const TopWindow& w : x.Windows())
                if (!known.count(w.id) && w.frame.width() > 40) found = w;
            return found.has_value();
        },
        timeoutMs);
    return found;
}

bool WaitGone(XDisplay& x, unsigned long id, int timeoutMs = 8000) {
    return WaitFor(
        [&] {
            for (const TopWindow& w : x.Windows())
                if (w.id == id) return false;
            return true;
        },
        timeoutMs);
}

// The main window's client rectangle, near an edge or a corner. The button
// bar (at the window's top right) stays on the screen, so CONFIG and EXIT can
// be touched; a window at the right edge is narrow, one at the top short, so a
// box centred on it runs past that edge.
struct Spot {
    const char* name;
    QRect client;
};
const Spot kSpots[] = {
    {"top left", QRect(-500, 0, 800, 240)},    {"top", QRect(240, 0, 800, 240)},
    {"top right", QRect(1040, 0, 240, 240)},   {"right", QRect(1040, 400, 240, 240)},
    {"bottom right", QRect(1040, 900, 240, 400)}, {"bottom", QRect(480, 700, 800, 600)},
    {"bottom left", QRect(-500, 900, 800, 400)}, {"left", QRect(-500, 300, 800, 400)},
    {"middle", QRect(240, 212, 800, 600)},
};

class DialogPlace : public ::testing::TestWithParam<bool> {};

}  // namespace

TEST_P(DialogPlace, EveryBoxOpensOnTheScreenWhereverTheMainWindowStands) {
    RUN_RELAY(GetParam());
    const QRect screen(QPoint(0, 0), x.Size());
    if (x.HasWindowManager()) {
        x.SetMaximized(main->id, false);
        ASSERT_TRUE(WaitFor([&] { return relay.Main() && relay.Main()->client.width() < 1280; }, 5000));
    }
    for (const Spot& spot : kSpots) {
        SCOPED_TRACE(spot.name);
        if (x.HasWindowManager()) x.MoveResize(main->id, spot.client);
        else x.ConfigureClient(main->id, spot.client);
        std::optional<TopWindow> owner;
        ASSERT_TRUE(WaitFor([&] { return (owner = relay.Main()) && owner->client == spot.client; }, 5000))
            << "the main window did not go to the spot; it is at " << (owner ? owner->client.x() : -1) << ","
            << (owner ? owner->client.y() : -1);
        const QRect c = owner->client;
        // Laid out at its new place: the bar's red EXIT symbol in its place.
        ASSERT_TRUE(WaitFor([&] { return ExitSymbolAt(x.Shot(), BarSegment(c, 2)); }, 5000))
            << "the button bar is not at the main window's new place";

        // CONFIG, and F1 in it: the calendar.
        const QPoint config = BarSegment(c, 1);
        x.Click(config.x(), config.y());
        const auto dialog = WaitNew(x, {owner->id});
        ASSERT_TRUE(dialog) << "CONFIG opened nothing";
        EXPECT_TRUE(PlacedOver(*dialog, *owner, screen)) << "the configuration dialog";
        if (std::string(spot.name) == "bottom") SaveTestImage(x.Shot(), GetParam() ? "config-bottom-wm" : "config-bottom");
        // F1 goes to the window with the keyboard focus: the dialog, once it has it.
        ASSERT_TRUE(WaitFor([&] { return x.Focus() == dialog->id; }, 5000)) << "the dialog did not take the focus";
        x.Key("F1");
        const auto calendar = WaitNew(x, {owner->id, dialog->id});
        ASSERT_TRUE(calendar) << "F1 in the dialog opened no calendar";
        // The calendar belongs to the configuration dialog, over which it is centred.
        EXPECT_TRUE(PlacedOver(*calendar, *dialog, screen)) << "the calendar";
        x.Close(calendar->id);
        ASSERT_TRUE(WaitGone(x, calendar->id)) << "the calendar stayed";
        x.Close(dialog->id);
        ASSERT_TRUE(relay.WaitAlone(owner->id)) << "the dialog stayed";

        // F1 in the main window: the information box.
        const QPoint background(std::max(c.left(), 0) + 20, c.top() + 84);  // the gap under the title row
        x.Click(background.x(), background.y());
        ASSERT_TRUE(WaitFor([&] { return x.Focus() == owner->id; }, 5000)) << "the main window did not take the focus";
        x.Key("F1");
        const auto info = WaitNew(x, {owner->id});
        ASSERT_TRUE(info) << "F1 opened no information box";
        EXPECT_TRUE(PlacedOver(*info, *owner, screen)) << "the information box";
        if (std::string(spot.name) == "bottom") SaveTestImage(x.Shot(), GetParam() ? "info-bottom-wm" : "info-bottom");
        x.Close(info->id);
        ASSERT_TRUE(relay.WaitAlone(owner->id)) << "the information box stayed";

        // EXIT: the question, answered No by its close button.
        const QPoint exitButton = BarSegment(c, 2);
        x.Click(exitButton.x(), exitButton.y());
        const auto question = WaitNew(x, {owner->id});
        ASSERT_TRUE(question) << "EXIT asked nothing";
        EXPECT_TRUE(PlacedOver(*question, *owner, screen)) << "the exit question";
        x.Close(question->id);
        ASSERT_TRUE(relay.WaitAlone(owner->id)) << "the question stayed";
    }
    EXPECT_TRUE(relay.Process().Running()) << relay.Stderr();
}

// The colour dialog, given no owner, opens over the window it was opened from
// and on the screen at every spot.
TEST_P(DialogPlace, TheColourDialogOpensOnTheScreenOverItsOwner) {
    XDisplay x(1280, 1024, GetParam());
    START_X(x);
    const QRect screen(QPoint(0, 0), x.Size());
    for (const Spot& spot : kSpots) {
        SCOPED_TRACE(spot.name);
        TempDir dir;
        std::ostringstream at;
        at << spot.client.x() << "," << spot.client.y() << "," << spot.client.width() << "," << spot.client.height();
        ChildProcess probe("/usr/bin/env",
                           {"DISPLAY=" + x.Name(), "QT_QPA_PLATFORM=xcb", ProbeAsanOptions(),
                            std::string(REROVORA_BINARY_DIR) + "/tests/display_probe", "colour", at.str()},
                           dir.path());
        std::optional<TopWindow> owner, dialog;
        ASSERT_TRUE(WaitFor(
            [&] {
                const auto all = x.Windows();
                if (all.size() != 2) return false;
                owner = all[0].client.size() == spot.client.size() ? all[0] : all[1];
                dialog = all[0].client.size() == spot.client.size() ? all[1] : all[0];
                return true;
            },
            10000))
            << probe.Stderr();
        EXPECT_TRUE(PlacedOver(*dialog, *owner, screen)) << "the colour dialog";
        x.Close(dialog->id);
        EXPECT_EQ(probe.Wait(10000), 0) << probe.Stderr();
    }
}

INSTANTIATE_TEST_SUITE_P(Desktops, DialogPlace, ::testing::Bool(), [](const ::testing::TestParamInfo<bool>& info) {
    return info.param ? "WithWindowManager" : "WithoutWindowManager";
});

// The main window's caption, which the program leaves empty, stays empty on
// the desktop: no name of the application in its place, in either of the
// window's names; the configuration dialog keeps its own.
TEST_P(DialogPlace, TheEmptyCaptionStaysEmpty) {
    RUN_RELAY(GetParam());
    const auto shown = relay.Main();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->title, "");
    EXPECT_EQ(shown->legacyTitle, "");
    const QPoint config = BarSegment(main->client, 1);
    x.Click(config.x(), config.y());
    const auto dialog = relay.WaitOther(main->id);
    ASSERT_TRUE(dialog) << "CONFIG opened nothing";
    EXPECT_EQ(dialog->title, "CONFIGURATION");
    x.Close(dialog->id);
    ASSERT_TRUE(relay.WaitAlone(main->id));
    // Still empty after a box came and went over it.
    const auto after = relay.Main();
    ASSERT_TRUE(after);
    EXPECT_EQ(after->title, "");
    EXPECT_EQ(after->legacyTitle, "");
    SaveTestImage(x.Shot().copy(after->frame.adjusted(0, 0, 0, 80 - after->frame.height())),
                  GetParam() ? "caption-wm" : "caption");
}
