// The real program on a real X server (Xvfb), with a small window manager
// (openbox) and without one, driven by real input through XTest and checked by
// reading screenshots back as pixels. Each test starts its own X server, and
// runs the simulators and the program in a network namespace of its own.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/base/sysmetrics.h"
#include "platform/window/dialog.h"
#include "res/resources.h"
#include "tests/display/relay_fixture.h"
#include "tests/display/x_display.h"
#include "tests/support/child_process.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/relay_settings.h"
#include "tests/support/temp_dir.h"

using namespace display_test;

namespace {
struct ::stat Stat(const fs::path& p) {
    struct ::stat st {};
    ::stat(p.c_str(), &st);
    return st;
}

bool SameFile(const struct ::stat& a, const struct ::stat& b) {
    return a.st_ino == b.st_ino && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

struct Screen {
    int width, height;
    bool windowManager;
};

std::string ScreenName(const ::testing::TestParamInfo<Screen>& info) {
    return std::to_string(info.param.width) + "x" + std::to_string(info.param.height) +
           (info.param.windowManager ? "WithWindowManager" : "WithoutWindowManager");
}

}  // namespace

class FirstStart : public ::testing::TestWithParam<Screen> {};

// Every start on a new X session: maximized to the work area and laid out.
TEST_P(FirstStart, FillsTheWorkAreaAndIsLaidOut) {
    const Screen s = GetParam();
    for (int attempt = 0; attempt < 2; ++attempt) {
        XDisplay x(s.width, s.height, s.windowManager);
        START_X(x);
        Relay relay(x);
        const auto main = relay.WaitLaidOut();
        ASSERT_TRUE(main) << "no window; stderr: " << relay.Stderr();
        const QRect c = main->client;
        SaveTestImage(relay.LastShot(), "attempt-" + std::to_string(attempt));
        EXPECT_TRUE(LaidOut(relay.LastShot(), c)) << "attempt " << attempt;
        EXPECT_EQ(c.left(), 0);
        EXPECT_EQ(c.right(), s.width - 1);
        EXPECT_EQ(c.bottom(), s.height - 1);
        if (s.windowManager) EXPECT_TRUE(c.top() > 0 && c.top() < 60) << c.top();
        else EXPECT_EQ(c.top(), 0);
        EXPECT_TRUE(relay.Stderr().empty()) << relay.Stderr();
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, FirstStart,
                         ::testing::Values(Screen{1920, 1080, true}, Screen{1920, 1080, false},
                                           Screen{1280, 1024, true}, Screen{1280, 1024, false},
                                           Screen{3840, 2160, true}, Screen{3840, 2160, false}),
                         ScreenName);

// Un-maximized, moved and resized in one step, resized, maximized again: the
// layout follows every change the window manager makes.
TEST(RealDisplay, LayoutFollowsTheWindowManager) {
    RUN_RELAY(true);
    x.SetMaximized(main->id, false);
    ASSERT_TRUE(WaitFor([&] { return relay.Main() && relay.Main()->client.width() < 1280; }, 5000));
    ASSERT_TRUE(relay.WaitLaidOut(relay.Main()->client)) << "restored";
    const QRect steps[] = {QRect(250, 150, 1000, 700), QRect(250, 150, 900, 640), QRect(40, 60, 1100, 800)};
    for (const QRect& step : steps) {
        x.MoveResize(main->id, step);
        const auto moved = relay.WaitLaidOut(step, 8000);
        ASSERT_TRUE(moved);
        EXPECT_EQ(moved->client, step);
        EXPECT_TRUE(LaidOut(relay.LastShot(), moved->client)) << step.x() << "," << step.y() << " " << step.width();
    }
    SaveTestImage(relay.LastShot(), "moved");
    x.SetMaximized(main->id, true);
    const auto again = relay.WaitLaidOut(QRect(0, relay.Main()->client.top(), 1280, 1024 - relay.Main()->client.top()));
    ASSERT_TRUE(again);
    EXPECT_TRUE(LaidOut(relay.LastShot(), again->client));
}

class ExitQuestion : public ::testing::TestWithParam<bool> {};

// Escape (or the close button's question answered with Escape) keeps the
// program running and writes nothing; Return answers Yes: the program ends
// and writes its settings.
TEST_P(ExitQuestion, ReturnEndsTheProgramAndEscapeKeepsIt) {
    RUN_RELAY(GetParam());
    const struct ::stat before = Stat(relay.SettingsFile());
    const QPoint exitButton = BarSegment(main->client, 2);

    for (int round = 0; round < 2; ++round) {
        const QImage before = round == 0 ? x.Shot() : QImage();
        if (round == 0) x.Click(exitButton.x(), exitButton.y());
        else x.Close(main->id);  // the close button asks the same question
        const auto box = relay.WaitOther(main->id);
        ASSERT_TRUE(box) << "no question, round " << round;
        EXPECT_EQ(box->transientFor, main->id) << "the box is owned by the main window";
        EXPECT_TRUE(WaitFor([&] { return x.Focus() == box->id; }, 5000)) << "the question has no keyboard focus";
        if (round == 0) {
            // A box just mapped shows what lay under it until its first
            // frame arrives: the picture is taken once its middle changed.
            const QPoint middle = box->client.center();
            QImage shot;
            WaitFor([&] { return (shot = x.Shot()).pixel(middle) != before.pixel(middle); }, 2000);
            SaveTestImage(shot, "question");
        }
        x.Key("Escape");
        EXPECT_TRUE(relay.WaitAlone(main->id)) << "Escape left the question open, round " << round;
    }
    EXPECT_TRUE(relay.Process().Running());
    EXPECT_TRUE(SameFile(before, Stat(relay.SettingsFile()))) << "the settings were written";

    x.MovePointer(exitButton.x(), exitButton.y() + 200);
    x.Click(exitButton.x(), exitButton.y());
    const auto box = relay.WaitOther(main->id);
    ASSERT_TRUE(box);
    EXPECT_TRUE(WaitFor([&] { return x.Focus() == box->id; }, 5000)) << "the question has no keyboard focus";
    x.Key("Return");
    ASSERT_NE(relay.Process().Wait(15000), -1) << "Return did not end the program";
    EXPECT_FALSE(SameFile(before, Stat(relay.SettingsFile()))) << "the settings were not written";
    EXPECT_EQ(fs::file_size(relay.SettingsFile()), RelaySettings::kSize);
}

INSTANTIATE_TEST_SUITE_P(Desktops, ExitQuestion, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& i) {
                             return std::string(i.param ? "WithWindowManager" : "WithoutWindowManager");
                         });

// A click on the bar's last two pixels runs nothing but gives the bar the
// focus; Space then clicks the segment under the mouse.
TEST(RealDisplay, SpaceClicksTheSegmentUnderTheMouseAndTheBarsLastPixelsDoNothing) {
    RUN_RELAY(true);
    const QRect& c = main->client;
    const int lastPixel = c.left() + c.width() + 8 - 10 - 1;  // R - 10 - 1
    for (int px : {lastPixel - 1, lastPixel}) {
        x.Click(px, c.top() + 43);
        EXPECT_FALSE(relay.WaitOther(main->id, 1500)) << "a click at " << px << " ran a command";
    }
    const QPoint exitButton = BarSegment(c, 2);
    x.MovePointer(exitButton.x(), exitButton.y());
    x.Key("space");
    ASSERT_TRUE(relay.WaitOther(main->id)) << "Space on the focused bar ran nothing";
    x.Key("Escape");
    EXPECT_TRUE(relay.WaitAlone(main->id));
}


// CONFIG: the dialog opens above the main window, owned by it, at a fixed size.
TEST_F(ConfigDialog, StaysAboveOwnedByTheMainWindowAndKeepsItsSize) {
    EXPECT_EQ(dialog->title, "CONFIGURATION");
    EXPECT_TRUE(dialog->fixedSize);
    EXPECT_EQ(dialog->transientFor, main->id);
    // Drawn when it first shows: its face, not the black of a window nobody painted.
    QImage shot;
    const QRect inside = dialog->client.adjusted(4, 4, -4, -4);
    auto painted = [&] {
        shot = x.Shot();
        int black = 0;
        for (int y = inside.top(); y <= inside.bottom(); y += 4)
            for (int xx = inside.left(); xx <= inside.right(); xx += 4) black += (shot.pixel(xx, y) & 0xFFFFFF) == 0;
        return black < (inside.width() / 4) * (inside.height() / 4) / 4;
    };
    EXPECT_TRUE(WaitFor(painted, 5000)) << "the dialog is not drawn";
    SaveTestImage(shot, "dialog-first");
    const auto all = x.Windows();  // bottom to top
    EXPECT_EQ(all.back().id, dialog->id) << "the dialog is not on top";

    x.MoveResize(dialog->id, QRect(dialog->client.topLeft(), dialog->client.size() + QSize(300, 200)));
    ::usleep(500000);
    const auto after = relay->WaitOther(main->id);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->client.size(), dialog->client.size()) << "the dialog was resized";
    SaveTestImage(x.Shot(), "dialog");
    x.Close(dialog->id);  // the close button is Cancel
    EXPECT_TRUE(relay->WaitAlone(main->id));
    EXPECT_TRUE(relay->Process().Running());
}

// A stack name typed into the table goes, after OK, into the next record; a
// refused port shows its message above the dialog, which stays open.
TEST_F(ConfigDialog, TakesATypedNameAndRefusesAPortAboveTheDialog) {
    const QPoint port = ItemCentre(d, u"Edit", 2), ok = ItemCentre(d, u"Button", 4);
    // Port 0: the refusal is owned by the dialog and shows above it.
    TypePortAndOk("0");
    const std::optional<TopWindow> refusal = WaitRefusal();
    ASSERT_TRUE(refusal) << "no refusal";
    EXPECT_EQ(refusal->transientFor, dialog->id);
    EXPECT_EQ(x.Windows().back().id, refusal->id) << "the refusal is not on top";
    SaveTestImage(x.Shot(), "refusal");
    x.Key("Return");
    ASSERT_TRUE(WaitFor([&] { return x.Windows().size() == 2; }, 5000)) << "the refusal did not close";
    x.Click(port.x(), port.y());
    x.Key("End");
    x.Key("BackSpace");
    x.Type("22700");

    // The second stack's name.
    const auto table = FindTable(x.Shot(), d);
    ASSERT_TRUE(table);
    const int nameX = (table->name.first + table->name.second) / 2;
    x.Click(nameX, (table->rows[1].first + table->rows[1].second) / 2);
    x.Type("STNEW");
    x.Key("Return");
    x.Click(ok.x(), ok.y());
    ASSERT_TRUE(relay->WaitAlone(main->id)) << "OK did not close the dialog";
    EXPECT_TRUE(WaitFor([&] { return relay->Records().find("^STNEW^") != std::string::npos; }, 8000))
        << relay->Records().substr(0, 400);
}

// Scrolled to the bottom with the wheel, then Down from the eleventh row: every
// column of the table is drawn at its new place.
TEST_F(ConfigDialog, TableScrolledWithTheWheelAndTheKeysDrawsEveryColumnInPlace) {
    const auto first = FindTable(x.Shot(), d);
    ASSERT_TRUE(first);
    const int nameX = (first->name.first + first->name.second) / 2;
    const QImage unscrolled = x.Shot();
    x.Wheel(nameX, first->rows[2].first, -5);
    const QImage top = ShotAfterChange(x, unscrolled, d);
    const auto scrolled = FindTable(top, d);
    ASSERT_TRUE(scrolled);
    // The eleventh stack is the tenth row from the top once the table shows its last row.
    const std::size_t eleventh = scrolled->rows.size() >= 10 ? 9 : scrolled->rows.size() - 2;
    x.Click(nameX, (scrolled->rows[eleventh].first + scrolled->rows[eleventh].second) / 2);
    const QImage before = ShotAfterChange(x, top, d);  // the clicked cell takes the focus
    x.Key("Down");
    const QImage after = ShotAfterChange(x, before, d);
    SaveTestImage(after, "after-down");
    const auto moved = FindTable(after, d);
    ASSERT_TRUE(moved);
    // Rows above the focus: the same pictures, all columns moved by one shift.
    auto shiftOf = [&](const std::pair<int, int>& column) {
        for (std::size_t s = 0; s < 3; ++s) {
            bool all = true;
            for (std::size_t r = 0; r + s < eleventh && all; ++r)
                all = Cell(after, *moved, r, column) == Cell(before, *scrolled, r + s, column);
            if (all) return int(s);
        }
        return -1;
    };
    const int nameShift = shiftOf(moved->name), addressShift = shiftOf(moved->address);
    EXPECT_NE(nameShift, -1);
    EXPECT_EQ(nameShift, addressShift) << "the address column was not moved with the names";
}
