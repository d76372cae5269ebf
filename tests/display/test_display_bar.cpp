// The button bar and the boxes it opens, on a real X server with openbox and
// without a window manager: the exit question answered with Escape wherever the
// pointer rests, the bar after the question (the segment under the pointer
// glows and takes the next click), and boxes the window manager offers no way
// to minimize or maximize.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "tests/display/relay_fixture.h"
#include "tests/display/x_display.h"
#include "tests/support/pixel_harness.h"

using namespace display_test;

namespace {

// Moves the pointer from `from` to `to` in steps, as a hand does.
void Glide(XDisplay& x, QPoint from, QPoint to, int steps = 12) {
    for (int i = 1; i <= steps; ++i) {
        const QPoint at = from + (to - from) * i / steps;
        x.MovePointer(at.x(), at.y());
        ::usleep(15000);
    }
}

// Pixels around a segment's symbol that `lit` shows clearly lighter than
// `plain`: the glow under a hovered segment.
int Glowing(const QImage& lit, const QImage& plain, QPoint segment) {
    int n = 0;
    for (int y = segment.y() - 12; y <= segment.y() + 12; ++y)
        for (int x = segment.x() - 32; x <= segment.x() + 32; ++x) {
            const QRgb a = lit.pixel(x, y), b = plain.pixel(x, y);
            n += qRed(a) + qGreen(a) + qBlue(a) > qRed(b) + qGreen(b) + qBlue(b) + 60;
        }
    return n;
}

class BarAndBoxes : public ::testing::TestWithParam<bool> {};

}  // namespace

// Escape answers the question No with the pointer resting on EXIT (long enough
// for its tip and hover to come and go) and after it went onto the stack panel
// through the box; afterwards the segment under the pointer glows, and CONFIG
// opens the dialog at the first click.
TEST_P(BarAndBoxes, EscapeAnswersTheQuestionAndTheBarTakesTheNextClick) {
    RUN_RELAY(GetParam());
    const QRect& c = main->client;
    const QPoint exitButton = BarSegment(c, 2), config = BarSegment(c, 1);
    const QPoint panel(c.left() + c.width() / 5, c.top() + c.height() * 4 / 5);
    x.MovePointer(panel.x(), panel.y());
    ::usleep(300000);
    const QImage plain = x.Shot();

    enum Away { kStays, kThroughTheBox, kJumps };  // where the pointer goes while the question is open
    struct Round {
        const char* name;
        Away away;
    } rounds[] = {{"pointer resting on EXIT", kStays},
                  {"pointer gone onto the stack panel through the box", kThroughTheBox},
                  {"pointer jumped from EXIT onto the stack panel", kJumps}};
    for (const Round& r : rounds) {
        SCOPED_TRACE(r.name);
        Glide(x, panel, exitButton);
        ::usleep(200000);
        x.Click(exitButton.x(), exitButton.y());
        const auto box = relay.WaitOther(main->id);
        ASSERT_TRUE(box) << "no question";
        ASSERT_TRUE(WaitFor([&] { return x.Focus() == box->id; }, 5000)) << "the question has no keyboard focus";
        if (r.away == kThroughTheBox) {
            Glide(x, exitButton, box->client.center());
            Glide(x, box->client.center(), panel);
        } else if (r.away == kJumps) {
            x.MovePointer(panel.x(), panel.y());
        }
        ::usleep(1500000);  // the pointer rests: tip and hover times pass
        x.Key("Escape");
        ASSERT_TRUE(relay.WaitAlone(main->id)) << "Escape left the question open";
        ASSERT_TRUE(relay.Process().Running());

        if (r.away == kStays) {
            // Still on EXIT: that segment glows.
            QImage onExit;
            EXPECT_TRUE(WaitFor([&] { return Glowing(onExit = x.Shot(), plain, exitButton) > 40; }, 5000))
                << "EXIT does not glow under the pointer";
            SaveTestImage(onExit, std::string("exit-after-escape-") + (GetParam() ? "openbox" : "no-wm"));
        }
        // Straight onto CONFIG from wherever the pointer is: it glows...
        x.MovePointer(config.x(), config.y());
        QImage lit;
        WaitFor([&] {
            lit = x.Shot();
            return Glowing(lit, plain, config) > 40 && Glowing(lit, plain, exitButton) == 0;
        }, 5000);
        SaveTestImage(lit, std::string("config-hovered-") + (r.away == kStays ? "after-exit-" : r.away == kThroughTheBox ? "after-panel-" : "after-jump-") +
                               (GetParam() ? "openbox" : "no-wm"));
        EXPECT_GT(Glowing(lit, plain, config), 40) << "CONFIG does not glow under the pointer";
        EXPECT_EQ(Glowing(lit, plain, exitButton), 0) << "EXIT still glows";
        // ...and the first click opens the dialog.
        x.Click(config.x(), config.y());
        const auto dialog = relay.WaitOther(main->id, 5000);
        ASSERT_TRUE(dialog) << "the click on CONFIG ran nothing";
        EXPECT_EQ(dialog->title, "CONFIGURATION");
        x.MovePointer(panel.x(), panel.y());
        const QPoint cancel = ItemCentre(dialog->client, u"Button", 5);
        x.Click(cancel.x(), cancel.y());
        ASSERT_TRUE(relay.WaitAlone(main->id)) << "Cancel did not close the dialog";
        Glide(x, cancel, panel);
    }
}

// The boxes that stand over the main window (the exit question, the
// information box, the configuration dialog and the calendar over it) are
// neither minimized nor maximized: the window manager offers neither, while
// the main window keeps both.
TEST(BarAndBoxesWithWindowManager, BoxesOverTheWindowOfferNoMinimizeOrMaximize) {
    RUN_RELAY(true);
    const QRect& c = main->client;
    auto sizing = [&](unsigned long window) {
        std::vector<std::string> found;
        for (const std::string& a : x.AtomNames(window, "_NET_WM_ALLOWED_ACTIONS"))
            if (a.find("MINIMIZE") != std::string::npos || a.find("MAXIMIZE") != std::string::npos ||
                a.find("FULLSCREEN") != std::string::npos)
                found.push_back(a);
        return found;
    };
    auto listed = [](const std::vector<std::string>& v) {
        std::string s;
        for (const std::string& a : v) s += a + " ";
        return s;
    };
    EXPECT_FALSE(sizing(main->id).empty()) << "the main window cannot be minimized";
    auto newest = [&](int count) {
        std::optional<TopWindow> box;
        WaitFor([&] {
            const auto all = x.Windows();
            if (int(all.size()) != count) return false;
            box = all.back();
            return true;
        }, 8000);
        return box;
    };

    // The exit question.
    const QPoint exitButton = BarSegment(c, 2);
    x.Click(exitButton.x(), exitButton.y());
    const auto question = newest(2);
    ASSERT_TRUE(question) << "no question";
    ::usleep(300000);
    SaveTestImage(x.Shot(), "question");
    EXPECT_EQ(listed(sizing(question->id)), "");
    x.Key("Escape");
    ASSERT_TRUE(relay.WaitAlone(main->id));

    // The information box (F1 in the main window).
    const QPoint panel(c.left() + c.width() / 5, c.top() + c.height() * 4 / 5);
    x.Click(panel.x(), panel.y());
    x.Key("F1");
    const auto info = newest(2);
    ASSERT_TRUE(info) << "no information box";
    EXPECT_EQ(info->title, "Information");
    EXPECT_EQ(info->transientFor, main->id);
    ::usleep(300000);
    SaveTestImage(x.Shot(), "information");
    EXPECT_EQ(listed(sizing(info->id)), "");
    x.Key("Escape");
    ASSERT_TRUE(relay.WaitAlone(main->id));

    // The configuration dialog, and the calendar over it (F1 there).
    const QPoint config = BarSegment(c, 1);
    x.Click(config.x(), config.y());
    const auto dialog = newest(2);
    ASSERT_TRUE(dialog) << "no dialog";
    EXPECT_EQ(listed(sizing(dialog->id)), "");
    ASSERT_TRUE(WaitFor([&] { return x.Focus() == dialog->id; }, 5000));
    x.Key("F1");
    const auto calendar = newest(3);
    ASSERT_TRUE(calendar) << "no calendar";
    EXPECT_EQ(calendar->title, "CALENDAR");
    EXPECT_EQ(calendar->transientFor, dialog->id);
    EXPECT_EQ(listed(sizing(calendar->id)), "");
    ::usleep(300000);
    SaveTestImage(x.Shot(), "calendar");
    x.Close(calendar->id);
    ASSERT_TRUE(WaitFor([&] { return x.Windows().size() == 2; }, 5000)) << "the calendar stays";
    x.Close(dialog->id);
    ASSERT_TRUE(relay.WaitAlone(main->id));
    EXPECT_TRUE(relay.Process().Running());
}

INSTANTIATE_TEST_SUITE_P(Desktops, BarAndBoxes, ::testing::Bool(), [](const ::testing::TestParamInfo<bool>& i) {
    return std::string(i.param ? "WithWindowManager" : "WithoutWindowManager");
});
