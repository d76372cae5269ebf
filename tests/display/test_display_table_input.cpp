// The configuration dialog's table used by real input on a real X server, with
// openbox and without a window manager: the title tip over a name too wide for
// its column gives up the first click and the typing that follows, and Delete
// on a name cell clears the name.
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

// A text field of the settings file, up to its first NUL.
std::string Field(const std::vector<unsigned char>& bytes, std::size_t offset, std::size_t size) {
    std::string s;
    for (std::size_t i = offset; i < offset + size && i < bytes.size() && bytes[i]; ++i) s += char(bytes[i]);
    return s;
}
std::size_t NameOffset(int stack) { return RelaySettings::kStack0 + std::size_t(stack) * RelaySettings::kStackSize + 4; }
constexpr std::size_t kUnitOffset = 120;

class TableInput : public ConfigDialogBase, public ::testing::WithParamInterface<bool> {
protected:
    TableInput() : ConfigDialogBase(GetParam()) {}
    void SetUp() override {
        RelaySettings settings;
        settings.names = {kLongName};
        OpenDialog(settings);
        if (HasFatalFailure() || IsSkipped()) return;
        table = FindTable(x.Shot(), d);
        ASSERT_TRUE(table);
    }

    QPoint NameCell(std::size_t row) const {
        return QPoint((table->name.first + table->name.second) / 2, (table->rows[row].first + table->rows[row].second) / 2);
    }
    QPoint Ok() const { return ItemCentre(d, u"Button", 4); }
    QPoint Cancel() const { return ItemCentre(d, u"Button", 5); }

    // Rests the pointer on stack #1's name until its tip shows over the cell and
    // stays up while the pointer moves a pixel or two inside the cell (the
    // first move after the tip moved to a new place may hide it): the tip's
    // window.
    std::optional<TopWindow> ShowTip() {
        const QPoint at = NameCell(0);
        const QRect cell(QPoint(table->name.first, table->rows[0].first),
                         QPoint(table->name.second, table->rows[0].second));
        std::optional<TopWindow> tip;
        int step = 0, seen = 0;
        WaitFor(
            [&] {
                x.MovePointer(at.x() + (step++ % 3), at.y());
                ::usleep(100000);
                std::optional<TopWindow> now;
                for (const TopWindow& w : x.Windows())
                    if (w.id != main->id && w.id != dialog->id && cell.contains(w.client.topLeft() + QPoint(1, 1)))
                        now = w;
                seen = now ? seen + 1 : 0;
                tip = now;
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
            3000);
    }

    // The settings file once OK has written it with `done` holding.
    std::vector<unsigned char> SavedWhen(const std::function<bool(const std::vector<unsigned char>&)>& done) {
        std::vector<unsigned char> bytes;
        WaitFor(
            [&] {
                bytes = ReadAllBytes(relay->SettingsFile());
                return bytes.size() == RelaySettings::kSize && done(bytes);
            },
            5000);
        return bytes;
    }

    std::optional<Table> table;
};

}  // namespace

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
    const auto saved = SavedWhen([](const auto& b) { return Field(b, kUnitOffset, 40) != "m/s"; });
    EXPECT_EQ(Field(saved, kUnitOffset, 40), "KNOTS");
    EXPECT_EQ(Field(saved, NameOffset(0), 80), kLongName);
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
    const auto saved = SavedWhen([](const auto& b) { return Field(b, NameOffset(0), 80) != kLongName; });
    EXPECT_EQ(Field(saved, NameOffset(0), 80), "");
    EXPECT_EQ(Field(saved, NameOffset(1), 80), "QC1102");
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
    const auto saved = SavedWhen([](const auto& b) { return Field(b, NameOffset(1), 80) != "QC1102"; });
    EXPECT_EQ(Field(saved, NameOffset(1), 80), "");
    EXPECT_EQ(saved[NameOffset(1)], 0) << "the name holds character " << int(saved[NameOffset(1)]);
    EXPECT_EQ(Field(saved, NameOffset(0), 80), kLongName);
    EXPECT_EQ(Field(saved, NameOffset(2), 80), "QC1103");
}

INSTANTIATE_TEST_SUITE_P(Desktops, TableInput, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "WithWindowManager" : "WithoutWindowManager";
                         });
