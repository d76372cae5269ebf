// The configuration dialog's table used by real input on a real X server, with
// openbox and without a window manager: the title tip over a name too wide for
// its column gives up the first click and the typing that follows, a click on
// such a name ends with its release however its tip and the click meet, and
// Delete on a name cell clears the name.
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
#include "tests/support/temp_dir.h"

using namespace display_test;

namespace {

const std::string kLongName = "QC1101 NORTH BOILER STACK WITH A LONG NAME";


class TableInput : public ConfigTableBase, public ::testing::WithParamInterface<bool> {
protected:
    TableInput() : ConfigTableBase(GetParam()) {}
    void SetUp() override {
        RelaySettings settings;
        settings.names = {kLongName};
        OpenDialog(settings);
        if (HasFatalFailure() || IsSkipped()) return;
        FindTheTable();
    }


    // Rests the pointer on stack #1's name until its tip shows over the cell and
    // stays up while the pointer moves a pixel or two inside the cell (the
    // first move after the tip moved to a new place may hide it): the tip's
    // window.
    std::optional<TopWindow> ShowTip() {
        const QPoint at = NameCell(0);
        std::optional<TopWindow> tip;
        int step = 0, seen = 0;
        WaitFor(
            [&] {
                x.MovePointer(at.x() + (step++ % 3), at.y());
                ::usleep(100000);
                tip = TipNow();
                seen = tip ? seen + 1 : 0;
                return seen >= 2;
            },
            8000);
        if (seen < 2) {
            SaveTestImage(x.Shot(), "no-tip");
            return std::nullopt;
        }
        return tip;
    }
    bool TipGone(unsigned long tip) {
        return WaitFor(
            [&] {
                for (const TopWindow& w : x.Windows())
                    if (w.id == tip) return false;
                return true;
            },
            15000);
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

    // The tip's window over stack #1's name, if one shows now.
    std::optional<TopWindow> TipNow() {
        const QRect cell(QPoint(table->name.first, table->rows[0].first),
                         QPoint(table->name.second, table->rows[0].second));
        for (const TopWindow& w : x.Windows())
            if (w.id != main->id && w.id != dialog->id && cell.contains(w.client.topLeft() + QPoint(1, 1))) return w;
        return std::nullopt;
    }

    // The name and address cells of the visible rows that show selected, as
    // "row:column" (0 the name, 1 the address).
    std::vector<std::string> SelectedCells(const QImage& shot) const {
        std::vector<std::string> selected;
        for (std::size_t row = 0; row < table->rows.size(); ++row)
            for (int column = 0; column < 2; ++column) {
                const QImage cell = Cell(shot, *table, row, column ? table->address : table->name);
                int blue = 0;
                for (int y = 0; y < cell.height(); ++y)
                    for (int x = 0; x < cell.width(); ++x) blue += cell.pixel(x, y) == kSelected;
                if (blue * 2 > cell.width() * cell.height())
                    selected.push_back(std::to_string(row) + ":" + std::to_string(column));
            }
        return selected;
    }
    static constexpr QRgb kSelected = 0xFF0078D7;  // the system's highlight colour

};

// How a click on stack #1's cut-off name meets the tip that the pointer's
// arrival there shows.
struct Meeting {
    const char* what;
    bool tipFirst;  // the press waits until the tip shows
    int pressMs, releaseMs;
};
const Meeting kMeetings[] = {
    {"the tip is up before the press", true, 0, 30},
    {"the tip is up and the release follows the press at once", true, 0, 0},
    {"the press comes with the pointer", false, 0, 30},
    {"the press comes a millisecond after the pointer", false, 1, 30},
    {"the press comes a few milliseconds after the pointer", false, 4, 30},
    {"the tip shows between the press and a slow release", false, 0, 120},
    {"the release follows the press at once", false, 1, 0},
};

class TipClick : public TableInput {
protected:
    // Clicks stack #1's row header, then its cut-off name as `m` says.
    void ClickHeaderThenCutOffName(const Meeting& m) {
        const QPoint header = RowHeader(0), name = NameCell(0);
        x.Click(header.x(), header.y());
        ::usleep(150000);
        if (m.tipFirst) {
            x.MovePointer(name.x(), name.y());
            ASSERT_TRUE(WaitFor([&] { return TipNow().has_value(); }, 15000)) << "no tip over the long name";
        }
        x.MoveAndClick(name.x(), name.y(), m.pressMs, m.releaseMs);
        ::usleep(150000);
    }
    // Opens CONFIG again once OK has closed it, and finds its table.
    void ReopenAfterOk() {
        ClickConfig();
        if (HasFatalFailure()) return;
        table = FindTable(x.Shot(), d);
        ASSERT_TRUE(table);
    }
};

}  // namespace

// After the click on the cut-off name, a click on another name selects that
// cell alone, what is typed replaces its text, and OK stores exactly that.
TEST_P(TipClick, TheNextNameClickedIsSelectedAloneAndTypingReplacesIt) {
    const char* const words[] = {"EAST", "WEST", "NORTH", "SOUTH", "UPPER", "LOWER", "INNER"};
    static_assert(std::size(words) == std::size(kMeetings));
    for (std::size_t round = 0; round < std::size(kMeetings); ++round) {
        const Meeting& m = kMeetings[round];
        SCOPED_TRACE(m.what);
        const std::size_t row = 2 + round;  // stack #3, then #4, ...
        ClickHeaderThenCutOffName(m);
        if (HasFatalFailure()) return;
        const QPoint other = NameCell(row);
        x.Click(other.x(), other.y());
        ::usleep(250000);
        const QImage shot = x.Shot();
        const std::vector<std::string> selected = SelectedCells(shot);
        EXPECT_EQ(selected, std::vector<std::string>{std::to_string(row) + ":0"});
        if (selected.size() != 1) SaveTestImage(shot, "selected-" + std::to_string(round));
        x.Type(words[round]);
        ::usleep(100000);
        if (round == 0) SaveTestImage(x.Shot(), GetParam() ? "typed-wm" : "typed");
        const QPoint header = RowHeader(9);
        x.Click(header.x(), header.y());
        ::usleep(150000);
        x.Click(Ok().x(), Ok().y());
        ASSERT_TRUE(relay->WaitAlone(main->id)) << "OK did not close the dialog";
        const std::string word = words[round];
        const auto saved = SavedWhen([&](const auto& b) { return SettingsField(b, NameOffset(int(row)), 80) != "QC" + std::to_string(1101 + row); });
        EXPECT_EQ(SettingsField(saved, NameOffset(int(row)), 80), word);
        EXPECT_EQ(SettingsField(saved, NameOffset(0), 80), kLongName);
        EXPECT_EQ(SettingsField(saved, NameOffset(1), 80), "QC1102");
        EXPECT_TRUE(WaitFor([&] { return relay->Records().find("^" + word + "^") != std::string::npos; }, 15000))
            << "no record carries the name " << word;
        ReopenAfterOk();
        if (HasFatalFailure()) return;
    }
}

// A click on OK right after the click on the cut-off name is OK's: the
// dialog closes at once.
TEST_P(TipClick, AClickOnOkRightAfterTheCutOffNameClosesTheDialog) {
    for (const Meeting& m : kMeetings) {
        SCOPED_TRACE(m.what);
        ClickHeaderThenCutOffName(m);
        if (HasFatalFailure()) return;
        x.Click(Ok().x(), Ok().y());
        // One click only: when the dialog closes at all, that click closed it.
        if (!relay->WaitAlone(main->id, 15000)) {
            SaveTestImage(x.Shot(), GetParam() ? "ok-lost-wm" : "ok-lost");
            FAIL() << "the click on OK was lost";
        }
        ReopenAfterOk();
        if (HasFatalFailure()) return;
    }
}

// The tip is up; the click on Cancel is Cancel's, and the dialog closes.
TEST_P(TableInput, AClickOnCancelWhileTheTipIsUpClosesTheDialog) {
    const auto tip = ShowTip();
    ASSERT_TRUE(tip) << "no tip over the long name";
    SaveTestImage(x.Shot(), GetParam() ? "tip-shown-wm" : "tip-shown");
    x.Click(Cancel().x(), Cancel().y());
    EXPECT_TRUE(relay->WaitAlone(main->id)) << "Cancel did not close the dialog";
    EXPECT_TRUE(relay->Process().Running());
}

// The tip is up; a click on Speed Unit puts the caret there, and what is typed
// next is the unit, not stack #1's name.
TEST_P(TableInput, AClickElsewhereWhileTheTipIsUpSendsTheTypingThere) {
    const auto tip = ShowTip();
    ASSERT_TRUE(tip) << "no tip over the long name";
    const QPoint unit = ItemCentre(d, u"Edit", 1);
    x.Click(unit.x(), unit.y());
    EXPECT_TRUE(TipGone(tip->id)) << "the click left the tip up";
    x.Key("End");
    for (int i = 0; i < 3; ++i) x.Key("BackSpace");
    x.Type("KNOTS");
    SaveTestImage(x.Shot(), GetParam() ? "unit-typed-wm" : "unit-typed");
    x.Click(Ok().x(), Ok().y());
    ASSERT_TRUE(relay->WaitAlone(main->id)) << "OK did not close the dialog";
    const auto saved = SavedWhen([](const auto& b) { return SettingsField(b, kUnitOffset, 40) != "m/s"; });
    EXPECT_EQ(SettingsField(saved, kUnitOffset, 40), "KNOTS");
    EXPECT_EQ(SettingsField(saved, NameOffset(0), 80), kLongName);
}

// The tip is up; a click on it is the cell's beneath: stack #1's name becomes
// the selected cell, and Delete clears it. (The tip may show again after the
// click: the pointer still rests on the name.)
TEST_P(TableInput, AClickOnTheTipSelectsTheCellBeneath) {
    const QPoint second = NameCell(1);
    x.Click(second.x(), second.y());  // the grid takes the keyboard focus
    const auto tip = ShowTip();
    ASSERT_TRUE(tip) << "no tip over the long name";
    const QPoint on = NameCell(0);
    x.Click(on.x() + 1, on.y());  // inside the cell: the tip stays up until the press
    ::usleep(200000);
    x.MovePointer(Ok().x(), Ok().y());
    x.Key("Delete");
    ::usleep(300000);
    x.Click(Ok().x(), Ok().y());
    ASSERT_TRUE(relay->WaitAlone(main->id)) << "OK did not close the dialog";
    const auto saved = SavedWhen([](const auto& b) { return SettingsField(b, NameOffset(0), 80) != kLongName; });
    EXPECT_EQ(SettingsField(saved, NameOffset(0), 80), "");
    EXPECT_EQ(SettingsField(saved, NameOffset(1), 80), "QC1102");
}

// Delete on a selected name cell clears it at once: no edit box, and OK stores
// an empty name.
TEST_P(TableInput, DeleteOnANameCellStoresAnEmptyName) {
    const QPoint second = NameCell(1);
    x.Click(second.x(), second.y());
    ::usleep(200000);
    x.Key("Delete");
    ::usleep(300000);
    SaveTestImage(x.Shot(), GetParam() ? "deleted-wm" : "deleted");
    x.Click(Ok().x(), Ok().y());
    ASSERT_TRUE(relay->WaitAlone(main->id)) << "OK did not close the dialog";
    const auto saved = SavedWhen([](const auto& b) { return SettingsField(b, NameOffset(1), 80) != "QC1102"; });
    EXPECT_EQ(SettingsField(saved, NameOffset(1), 80), "");
    EXPECT_EQ(saved[NameOffset(1)], 0) << "the name holds character " << int(saved[NameOffset(1)]);
    EXPECT_EQ(SettingsField(saved, NameOffset(0), 80), kLongName);
    EXPECT_EQ(SettingsField(saved, NameOffset(2), 80), "QC1103");
}

namespace {
std::string Desktop(const ::testing::TestParamInfo<bool>& info) {
    return info.param ? "WithWindowManager" : "WithoutWindowManager";
}
}  // namespace
INSTANTIATE_TEST_SUITE_P(Desktops, TableInput, ::testing::Bool(), Desktop);
INSTANTIATE_TEST_SUITE_P(Desktops, TipClick, ::testing::Bool(), Desktop);
