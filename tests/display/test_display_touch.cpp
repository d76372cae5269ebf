// The program used as at a touch panel, on a real X server with openbox and
// without a window manager: the pointer jumps to where a finger lands and
// clicks there, with no hovering first. A double click on a name cut off by
// its column opens its editor with the caret at the end; one touch on another
// window while the name's title tip shows acts at once; the first touch on
// the button bar after the configuration dialog closed, whichever way it
// closed, runs the segment; and a box shown over the main window leaves its
// controls inside the window (no X windows of their own).
#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/display/relay_fixture.h"
#include "tests/display/x_display.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/relay_settings.h"
#include "tests/support/scoped_env.h"

using namespace display_test;

namespace {

// Two names too wide for the name column (C.UTF-8: the settings hold UTF-8).
const std::string kLatinName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const std::string kKoreanName = "북쪽 보일러 굴뚝 풍속 측정 장치 일호기";


// Moves the pointer from `from` to `to` in steps, as a hand does.
void Glide(XDisplay& x, QPoint from, QPoint to, int steps = 10) {
    for (int i = 1; i <= steps; ++i) {
        const QPoint at = from + (to - from) * i / steps;
        x.MovePointer(at.x(), at.y());
        ::usleep(15000);
    }
}

std::string Desktop(const ::testing::TestParamInfo<bool>& info) {
    return info.param ? "WithWindowManager" : "WithoutWindowManager";
}

// The configuration dialog open over the program, with the two long names
// on stacks #1 and #2.
class Touch : public ConfigTableBase, public ::testing::WithParamInterface<bool> {
protected:
    Touch() : ConfigTableBase(GetParam()) {}
    void SetUp() override {
        const ScopedEnv locale("LC_ALL", "C.UTF-8");
        RelaySettings settings;
        settings.names = {kLatinName, kKoreanName};
        OpenDialog(settings);
        if (HasFatalFailure() || IsSkipped()) return;
        FindTheTable();
    }

    // The title tip's window over the name of `row`, if one shows now.
    std::optional<TopWindow> TipOver(std::size_t row) {
        const QRect cell(QPoint(table->name.first, table->rows[row].first),
                         QPoint(table->name.second, table->rows[row].second));
        for (const TopWindow& w : x.Windows())
            if (w.id != main->id && w.id != dialog->id && cell.contains(w.client.topLeft() + QPoint(1, 1))) return w;
        return std::nullopt;
    }
    // Rests the pointer on the name of `row` until its tip shows and stays up.
    bool RestUntilTheTipShows(std::size_t row) {
        const QPoint at = NameCell(row);
        int step = 0, seen = 0;
        WaitFor(
            [&] {
                x.MovePointer(at.x() + (step++ % 3), at.y());
                ::usleep(100000);
                seen = TipOver(row) ? seen + 1 : 0;
                return seen >= 2;
            },
            15000);
        return seen >= 2;
    }
    // Whether the name of `row` shows its editor: the white of an edit box
    // over most of the cell (the cell itself and the tip are pale yellow).
    bool EditorOpen(std::size_t row) {
        const QImage cell = Cell(x.Shot(), *table, row, table->name);
        int white = 0;
        for (int y = 0; y < cell.height(); ++y)
            for (int px = 0; px < cell.width(); ++px) white += cell.pixel(px, y) == 0xFFFFFFFFu;
        return white * 2 > cell.width() * cell.height();
    }
    bool EditorShows(std::size_t row, bool shows) {
        return WaitFor([&] { return EditorOpen(row) == shows; }, 15000);
    }
    // The settings file once OK has written it with `done` holding.
    std::vector<unsigned char> SavedWhen(const std::function<bool(const std::vector<unsigned char>&)>& done) {
        std::vector<unsigned char> bytes;
        WaitFor(
            [&] {
                bytes = ReadAllBytes(relay->SettingsFile());
                return bytes.size() == RelaySettings::kSize && done(bytes);
            },
            15000);
        return bytes;
    }
    // One touch: the pointer jumps to `at` and clicks there at once.
    void Touch1(QPoint at) { x.MoveAndClick(at.x(), at.y(), 0, 0); }
    bool DialogClosed() { return relay->WaitAlone(main->id, 15000); }
    std::string Shot(const std::string& what) { return SaveTestImage(x.Shot(), what + (GetParam() ? "-wm" : "")); }

};

// How the finger comes onto the cut-off name before the double click.
enum class Arrival { kRests, kJumps, kSteps };
struct DoubleClick {
    const char* what;
    Arrival arrival;
    int gapMs;  // between the first click's release and the second press
};
const DoubleClick kDoubleClicks[] = {
    {"resting until the tip shows, 80 ms between the clicks", Arrival::kRests, 80},
    {"jumping onto the name and clicking twice at once, 80 ms between", Arrival::kJumps, 80},
    {"coming in steps and clicking twice at once, 80 ms between", Arrival::kSteps, 80},
    {"jumping onto the name, 10 ms between the clicks", Arrival::kJumps, 10},
    {"resting until the tip shows, 250 ms between the clicks", Arrival::kRests, 250},
};

using CutOffName = Touch;
using TouchWhileTheTipShows = Touch;

}  // namespace

// No cell focused (a click on a row's "#" cell), then a double click on a
// cut-off name however the finger comes there: its editor opens with the
// caret at the end, and a typed digit is appended to the name. OK stores
// every digit after the name.
TEST_P(CutOffName, ADoubleClickOpensItsEditorAndTypingIsAppended) {
    const std::vector<std::pair<std::size_t, std::string>> names{{0, kLatinName}, {1, kKoreanName}};
    std::vector<std::string> expected{kLatinName, kKoreanName};
    const std::string digits = "1234567890";
    std::size_t round = 0;
    for (const auto& [row, name] : names) {
        for (const DoubleClick& c : kDoubleClicks) {
            SCOPED_TRACE(std::string(row ? "Korean name, " : "Latin name, ") + c.what);
            const QPoint header = RowHeader(9), at = NameCell(row);
            Touch1(header);  // no cell focused; also ends the edit before
            ASSERT_TRUE(EditorShows(0, false) && EditorShows(1, false)) << "the touch on a row header left an editor open";
            if (c.arrival == Arrival::kRests) {
                ASSERT_TRUE(RestUntilTheTipShows(row)) << "no tip over the cut-off name; see " << Shot("no-tip");
            } else if (c.arrival == Arrival::kSteps) {
                Glide(x, header, at);
            } else {
                x.MovePointer(at.x(), at.y());
            }
            x.ClickHere(2, c.gapMs);
            if (!EditorShows(row, true)) {
                ADD_FAILURE() << "no editor opened; see " << Shot("no-editor");
                continue;
            }
            if (c.arrival == Arrival::kRests) Shot(std::string("double-clicked-") + (row ? "korean" : "latin"));
            const char digit = digits[round++ % digits.size()];
            x.Type(std::string(1, digit));
            expected[row] += digit;
        }
    }
    Touch1(RowHeader(9));
    EXPECT_TRUE(EditorShows(1, false)) << "the touch on a row header left the editor open";
    Shot("appended");
    Touch1(Ok());
    ASSERT_TRUE(DialogClosed()) << "OK did not close the dialog";
    const auto saved = SavedWhen([&](const auto& b) { return SettingsField(b, NameOffset(0), 80) != kLatinName; });
    EXPECT_EQ(SettingsField(saved, NameOffset(0), 80), expected[0]);
    EXPECT_EQ(SettingsField(saved, NameOffset(1), 80), expected[1]);
    EXPECT_EQ(SettingsField(saved, NameOffset(2), 80), "QC1103");
}

// The tip shows over the cut-off name; one touch on OK, on Cancel, on another
// name or on the speed unit acts at once: the dialog closes, the name cell
// takes the typing that follows, the unit field takes it.
TEST_P(TouchWhileTheTipShows, OkAndCancelCloseTheDialogAtTheFirstTouch) {
    for (const bool ok : {false, true}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        ASSERT_TRUE(RestUntilTheTipShows(0)) << "no tip over the cut-off name; see " << Shot("no-tip");
        Touch1(ok ? Ok() : Cancel());
        if (!DialogClosed()) FAIL() << "the first touch on " << (ok ? "OK" : "Cancel") << " was lost; see " << Shot("touch-lost");
        ClickConfig();
        if (HasFatalFailure()) return;
        FindTheTable();
        if (HasFatalFailure()) return;
    }
    EXPECT_TRUE(relay->Process().Running());
}

TEST_P(TouchWhileTheTipShows, AnotherCellAndAnotherFieldTakeTheTypingAtTheFirstTouch) {
    ASSERT_TRUE(RestUntilTheTipShows(0)) << "no tip over the cut-off name; see " << Shot("no-tip");
    Touch1(NameCell(3));
    x.Type("EAST");  // typing on a selected cell opens its editor
    EXPECT_TRUE(EditorShows(3, true)) << "the touched cell took no typing; see " << Shot("cell-not-typed");
    Shot("cell-typed");
    ASSERT_TRUE(RestUntilTheTipShows(0)) << "no tip over the cut-off name; see " << Shot("no-tip");
    Touch1(SpeedUnit());
    x.Key("End");
    for (int i = 0; i < 3; ++i) x.Key("BackSpace");
    x.Type("KNOTS");
    Shot("unit-typed");
    Touch1(Ok());
    ASSERT_TRUE(DialogClosed()) << "OK did not close the dialog";
    const auto saved = SavedWhen([](const auto& b) { return SettingsField(b, kUnitOffset, 40) != "m/s"; });
    EXPECT_EQ(SettingsField(saved, kUnitOffset, 40), "KNOTS");
    EXPECT_EQ(SettingsField(saved, NameOffset(3), 80), "EAST");
    EXPECT_EQ(SettingsField(saved, NameOffset(0), 80), kLatinName);
}

INSTANTIATE_TEST_SUITE_P(Desktops, CutOffName, ::testing::Bool(), Desktop);
INSTANTIATE_TEST_SUITE_P(Desktops, TouchWhileTheTipShows, ::testing::Bool(), Desktop);

namespace {

// A box the bar opens, and how it is closed.
enum class Closing { kCancel, kEscape, kAltF4, kCloseButton };
struct Way {
    const char* what;
    int segment;  // 1 CONFIG (the configuration dialog), 2 EXIT (the exit question)
    Closing closing;
    bool needsWindowManager;  // Alt+F4 and the close button are the window manager's
};
const Way kWays[] = {
    {"the dialog closed by Cancel", 1, Closing::kCancel, false},
    {"the dialog closed by Alt+F4", 1, Closing::kAltF4, false},
    {"the dialog closed by the window manager's close button", 1, Closing::kCloseButton, true},
    {"the exit question answered by Escape", 2, Closing::kEscape, false},
    {"the exit question closed by Alt+F4", 2, Closing::kAltF4, false},
    {"the exit question closed by the window manager's close button", 2, Closing::kCloseButton, true},
};

class BarTouch : public ::testing::TestWithParam<bool> {};

}  // namespace

// A segment touched, its box closed one way or another, then one touch on the
// segment where the first one landed (the finger jumps there), or a pointer
// brought there in steps: the box opens again at once. Afterwards the main
// window's controls are still inside it, no X windows of their own.
TEST_P(BarTouch, TheFirstTouchOnASegmentAfterItsBoxClosedRunsIt) {
    RUN_RELAY(GetParam());
    const int childrenBefore = x.ChildWindows(main->id);
    for (const Way& way : kWays) {
        if (way.needsWindowManager && !GetParam()) continue;
        const QPoint segment = BarSegment(main->client, way.segment);
        for (const bool steps : {false, true}) {
            SCOPED_TRACE(std::string(way.what) + (steps ? ", then the segment reached in steps" : ", then a jump onto the segment"));
            x.MoveAndClick(segment.x(), segment.y(), 0, 0);
            const auto box = relay.WaitOther(main->id, 15000);
            ASSERT_TRUE(box) << "the first touch ran nothing";
            ASSERT_TRUE(WaitFor([&] { return x.Focus() == box->id; }, 15000)) << "the box has no keyboard focus";
            QPoint last = segment;
            switch (way.closing) {
            case Closing::kCancel:
                last = ItemCentre(box->client, u"Button", 5);
                x.MoveAndClick(last.x(), last.y(), 0, 0);
                break;
            case Closing::kEscape: x.Key("Escape"); break;
            case Closing::kAltF4:
                // The window manager's key acts on the window it takes for the active one
                // (without one, the program closes the window that has the key).
                // Under load openbox now and then drops a key of its own, and
                // the box never hears of it: the key is pressed again then.
                if (GetParam()) {
                    ASSERT_TRUE(WaitFor([&] { return x.ActiveWindow() == box->id; }, 15000)) << "the box is not active";
                }
                for (int tries = 0; tries < 3 && !relay.WaitAlone(main->id, tries ? 5000 : 0); ++tries)
                    x.KeyWith("Alt_L", "F4");
                break;
            case Closing::kCloseButton: {
                const auto close = x.CloseButton(box->id);
                ASSERT_TRUE(close) << "the box has no frame";
                last = *close;
                x.MoveAndClick(last.x(), last.y(), 0, 0);
                break;
            }
            }
            if (!relay.WaitAlone(main->id, 15000)) FAIL() << "the box stays open; see " << SaveTestImage(x.Shot(), "not-closed");
            if (steps) {
                Glide(x, last, segment);
                x.ClickHere(1, 0);
            } else {
                x.MoveAndClick(segment.x(), segment.y(), 0, 0);
            }
            const auto again = relay.WaitOther(main->id, 15000);
            if (!again) FAIL() << "the touch after the box ran nothing; see " << SaveTestImage(x.Shot(), "bar-deaf");
            EXPECT_EQ(again->title, way.segment == 1 ? "CONFIGURATION" : box->title);
            ASSERT_TRUE(WaitFor([&] { return x.Focus() == again->id; }, 15000)) << "the box has no keyboard focus";
            if (way.segment == 1) {
                const QPoint cancel = ItemCentre(again->client, u"Button", 5);
                x.MoveAndClick(cancel.x(), cancel.y(), 0, 0);
            } else {
                x.Key("Escape");
            }
            ASSERT_TRUE(relay.WaitAlone(main->id, 15000)) << "the box opened again stays open";
            // Away from the bar, where the next round starts.
            x.MoveAndClick(segment.x(), segment.y() + 200, 0, 0);
        }
    }
    EXPECT_EQ(x.ChildWindows(main->id), childrenBefore) << "controls of the main window became X windows";
    EXPECT_TRUE(relay.Process().Running());
}

// The exit question answered No, the information box and the configuration
// dialog closed: the main window's controls stay inside it, as before the
// first box (no X windows below the main window's).
TEST_P(BarTouch, BoxesLeaveTheControlsInsideTheMainWindow) {
    RUN_RELAY(GetParam());
    const int before = x.ChildWindows(main->id);
    const QPoint exitButton = BarSegment(main->client, 2), config = BarSegment(main->client, 1);
    x.MoveAndClick(exitButton.x(), exitButton.y(), 0, 0);
    const auto question = relay.WaitOther(main->id, 15000);
    ASSERT_TRUE(question) << "no question";
    ASSERT_TRUE(WaitFor([&] { return x.Focus() == question->id; }, 15000)) << "the question has no keyboard focus";
    x.Key("Escape");
    ASSERT_TRUE(relay.WaitAlone(main->id, 15000)) << "Escape left the question open";
    EXPECT_EQ(x.ChildWindows(main->id), before) << "after the exit question";

    x.MoveAndClick(config.x(), config.y(), 0, 0);
    const auto dialog = relay.WaitOther(main->id, 15000);
    ASSERT_TRUE(dialog) << "CONFIG opened nothing";
    const QPoint cancel = ItemCentre(dialog->client, u"Button", 5);
    x.MoveAndClick(cancel.x(), cancel.y(), 0, 0);
    ASSERT_TRUE(relay.WaitAlone(main->id, 15000)) << "Cancel did not close the dialog";
    EXPECT_EQ(x.ChildWindows(main->id), before) << "after the configuration dialog";
    EXPECT_TRUE(relay.Process().Running());
}

INSTANTIATE_TEST_SUITE_P(Desktops, BarTouch, ::testing::Bool(), Desktop);
