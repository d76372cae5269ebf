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
#include "tests/display/x_display.h"
#include "tests/support/child_process.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/relay_settings.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using TopWindow = XDisplay::TopWindow;

namespace {

constexpr QRgb kBackground = 0xFF383F4C;  // the main window's background, 0x4C3F38 as a COLORREF
constexpr int kBarWidth = 212;            // three segments of 70 pixels and the frame

bool Red(QRgb p) { return qRed(p) > 200 && qGreen(p) < 90 && qBlue(p) < 90; }

// The main window's layout read off a screenshot, with the client rectangle
// `c` (screen coordinates); success or every difference found.
::testing::AssertionResult LaidOut(const QImage& shot, QRect c) {
    std::ostringstream why;
    // The red EXIT symbol stands in the bar's last segment, at the window's right end.
    long sx = 0, sy = 0, n = 0;
    for (int y = c.top(); y < c.top() + 90 && y <= c.bottom(); ++y)
        for (int x = std::max(c.left(), c.right() - 300); x <= c.right(); ++x)
            if (Red(shot.pixel(x, y))) sx += x, sy += y, ++n;
    const int exitLeft = c.right() - 82, exitRight = c.right() - 12;
    if (n < 50) why << "no red EXIT symbol at the window's right end; ";
    else if (sx / n < exitLeft || sx / n > exitRight || sy / n < c.top() + 8 || sy / n > c.top() + 78)
        why << "the EXIT symbol is at " << sx / n << "," << sy / n << ", not in x " << exitLeft << ".." << exitRight
            << ", y " << c.top() + 8 << ".." << c.top() + 78 << "; ";
    // The background shows above the title row, in the gap under it, along both
    // sides and along the bottom: a shifted layout or an unpainted part breaks it.
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const QRgb grey = qRgb(GetRValue(face), GetGValue(face), GetBValue(face));
    int wrong = 0, greyPixels = 0;
    auto expect = [&](int x, int y) {
        if (shot.pixel(x, y) != kBackground && wrong++ < 3)
            why << "pixel " << x << "," << y << " is " << std::hex << shot.pixel(x, y) << std::dec << "; ";
    };
    for (int x = c.left(); x <= c.right(); ++x) {
        expect(x, c.top() + 2);
        expect(x, c.top() + 83);
        expect(x, c.bottom());
    }
    for (int y = c.top(); y <= c.bottom(); ++y) {
        expect(c.left(), y);
        expect(c.right(), y);
    }
    // An unpainted part shows the system's face colour in whole blocks (text
    // smoothing makes that grey too, but never in a block). The server lamp
    // stands on the face colour itself.
    const QRect lamp(c.left() + c.width() + 8 - 264, c.top() + 8, 52, 74);
    for (int y = c.top(); y + 8 <= c.bottom(); y += 8)
        for (int x = c.left(); x + 8 <= c.right(); x += 8) {
            if (lamp.intersects(QRect(x, y, 8, 8))) continue;
            bool all = true;
            for (int dy = 0; dy < 8 && all; ++dy)
                for (int dx = 0; dx < 8 && all; ++dx) all = shot.pixel(x + dx, y + dy) == grey;
            greyPixels += all ? 64 : 0;
        }
    if (wrong) why << wrong << " pixels are not the background; ";
    if (greyPixels) why << greyPixels << " unpainted (light grey) pixels; ";
    // The last row of cards ends above the panel's bottom, 22 pixels above the window's.
    const int column = c.left() + 3 * c.width() / 8;
    int lowest = c.bottom();
    while (lowest > c.top() && shot.pixel(column, lowest) == kBackground) --lowest;
    if (lowest > c.bottom() - 22 || lowest < c.bottom() - 22 - 150)
        why << "the last row of cards ends at " << lowest << ", not above " << c.bottom() - 22 << "; ";
    if (why.str().empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << why.str();
}

// The program with its simulators in a namespace of their own, on `x`.
class Relay {
public:
    explicit Relay(XDisplay& x, const RelaySettings& settings = RelaySettings()) : m_x(x) {
        fs::create_directories(m_dir / "relay");
        settings.WriteTo(m_dir / "relay");
        const fs::path script = fs::path(REROVORA_SOURCE_DIR) / "tests/display/relay_in_namespace.sh";
        m_process = std::make_unique<ChildProcess>(
            "/usr/bin/unshare",
            std::vector<std::string>{"-n", "/bin/bash", script.string(), REROVORA_BINARY_DIR, x.Name(),
                                     m_dir.path().string()},
            m_dir.path());
    }

    fs::path SettingsFile() const { return m_dir / "relay" / "ZEL-Rerovora.cfg"; }
    std::string Records() const {
        std::ifstream in(m_dir / "records.log");
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ChildProcess& Process() { return *m_process; }
    std::string Stderr() const { return m_process->Stderr(); }

    // The main window (the largest of the program's), once it stands laid out
    // at `where` (its client rectangle; by default whatever it is).
    std::optional<TopWindow> WaitLaidOut(std::optional<QRect> where = std::nullopt, int timeoutMs = 20000) {
        std::optional<TopWindow> main;
        WaitFor(
            [&] {
                main = Main();
                if (!main || (where && main->client != *where)) return false;
                m_shot = m_x.Shot();
                return bool(LaidOut(m_shot, main->client));
            },
            timeoutMs);
        if (main) m_shot = m_x.Shot();
        return main;
    }
    const QImage& LastShot() const { return m_shot; }

    std::optional<TopWindow> Main() {
        std::optional<TopWindow> main;
        for (const TopWindow& w : m_x.Windows())
            if (!main || w.client.width() * w.client.height() > main->client.width() * main->client.height()) main = w;
        return main;
    }
    // A window of the program that is not the main one, once one shows.
    std::optional<TopWindow> WaitOther(unsigned long mainId, int timeoutMs = 8000) {
        std::optional<TopWindow> other;
        WaitFor(
            [&] {
                for (const TopWindow& w : m_x.Windows())
                    if (w.id != mainId) other = w;
                return other.has_value();
            },
            timeoutMs);
        return other;
    }
    bool WaitAlone(unsigned long mainId, int timeoutMs = 5000) {
        return WaitFor(
            [&] {
                const auto all = m_x.Windows();
                return all.size() == 1 && all[0].id == mainId;
            },
            timeoutMs);
    }

private:
    XDisplay& m_x;
    TempDir m_dir;
    std::unique_ptr<ChildProcess> m_process;
    QImage m_shot;
};

// Where things are in the main window, in screen coordinates.
QPoint BarSegment(const QRect& c, int segment) {
    const int barLeft = c.left() + c.width() + 8 - 10 - kBarWidth;  // R - 10 - 212, R = width + 8
    return QPoint(barLeft + 70 * segment + 35, c.top() + 43);
}

struct ::stat Stat(const fs::path& p) {
    struct ::stat st {};
    ::stat(p.c_str(), &st);
    return st;
}

bool SameFile(const struct ::stat& a, const struct ::stat& b) {
    return a.st_ino == b.st_ino && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

#define START_X(x)                                             \
    if (!(x).Failure().empty()) GTEST_SKIP() << (x).Failure(); \
    do {                                                       \
    } while (0)

// A new X server of 1280 x 1024 with the program laid out on it: `x`, `relay`
// and the main window `main`.
#define RUN_RELAY(windowManager)               \
    XDisplay x(1280, 1024, windowManager);     \
    START_X(x);                                \
    Relay relay(x);                            \
    const auto main = relay.WaitLaidOut();     \
    ASSERT_TRUE(main) << "no window; stderr: " << relay.Stderr()

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

namespace {

// A point of the configuration dialog, from its template: the template's
// dialog units scale to the client rectangle the window manager shows.
QPoint InDialog(const QRect& client, int xDlu, int yDlu) {
    res::RegisterConfigTemplate();
    const DialogTemplate* t = platform::FindDialogTemplate(137);
    return client.topLeft() + QPoint(xDlu * client.width() / t->cx, yDlu * client.height() / t->cy);
}

QPoint ItemCentre(const QRect& client, const std::u16string& className, int nth) {
    res::RegisterConfigTemplate();
    for (const DialogItemTemplate& item : platform::FindDialogTemplate(137)->items)
        if (item.className == className && nth-- == 0) return InDialog(client, item.x + item.cx / 2, item.y + item.cy / 2);
    return QPoint();
}

// The table's visible rows (top and bottom of each, on the screen) and its
// name and address columns, found by the pale yellow of their cells.
struct Table {
    std::vector<std::pair<int, int>> rows;
    std::pair<int, int> name, address;
};
constexpr QRgb kCell = 0xFFFFFFE0;

std::optional<Table> FindTable(const QImage& shot, const QRect& dialog) {
    QRect box;
    for (int y = dialog.top(); y <= dialog.bottom(); ++y)
        for (int x = dialog.left(); x <= dialog.right(); ++x)
            if (shot.pixel(x, y) == kCell) box |= QRect(x, y, 1, 1);
    if (box.width() < 40) return std::nullopt;
    Table t;
    // Columns along the top pixel row of the first cell, rows down the address column.
    const int y0 = box.top() + 1;
    for (int x = box.left(); x <= box.right();) {
        if (shot.pixel(x, y0) != kCell) { ++x; continue; }
        const int start = x;
        while (x <= box.right() && shot.pixel(x, y0) == kCell) ++x;
        (t.name.second == 0 ? t.name : t.address) = {start, x - 1};
        if (t.address.second) break;
    }
    const int x0 = t.address.first + 2;
    for (int y = box.top(); y <= box.bottom();) {
        if (shot.pixel(x0, y) != kCell) { ++y; continue; }
        const int start = y;
        while (y <= box.bottom() && shot.pixel(x0, y) == kCell) ++y;
        if (y - start > 8) t.rows.push_back({start, y - 1});
    }
    if (!t.address.second || t.rows.size() < 3) return std::nullopt;
    return t;
}

QImage Cell(const QImage& shot, const Table& t, std::size_t row, const std::pair<int, int>& column) {
    return shot.copy(QRect(QPoint(column.first, t.rows[row].first), QPoint(column.second, t.rows[row].second)));
}

}  // namespace

// The program with the configuration dialog open over it: `x`, `relay`, the
// main window `main`, the dialog `dialog` and its client rectangle `d`.
class ConfigDialog : public ::testing::Test {
protected:
    void SetUp() override {
        if (!x.Failure().empty()) GTEST_SKIP() << x.Failure();
        relay = std::make_unique<Relay>(x);
        main = relay->WaitLaidOut();
        ASSERT_TRUE(main) << "no window; stderr: " << relay->Stderr();
        const QPoint config = BarSegment(main->client, 1);
        x.Click(config.x(), config.y());
        dialog = relay->WaitOther(main->id);
        ASSERT_TRUE(dialog) << "CONFIG opened nothing";
        d = dialog->client;
        ASSERT_TRUE(WaitFor([&] { return FindTable(x.Shot(), d).has_value(); }, 5000)) << "no table";
    }
    XDisplay x{1280, 1024, true};
    std::unique_ptr<Relay> relay;
    std::optional<TopWindow> main, dialog;
    QRect d;
};

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

    // Port 0: the refusal is owned by the dialog and shows above it.
    const QPoint port = ItemCentre(d, u"Edit", 2);
    x.Click(port.x(), port.y());
    x.Key("End");
    for (int i = 0; i < 6; ++i) x.Key("BackSpace");
    x.Type("0");
    const QPoint ok = ItemCentre(d, u"Button", 4);  // after the three group boxes: OK
    x.Click(ok.x(), ok.y());
    std::optional<TopWindow> refusal;
    ASSERT_TRUE(WaitFor(
        [&] {
            for (const TopWindow& w : x.Windows())
                if (w.id != main->id && w.id != dialog->id) refusal = w;
            return refusal.has_value();
        },
        8000));
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
    x.Wheel(nameX, first->rows[2].first, -5);
    ::usleep(300000);
    const QImage top = x.Shot();
    const auto scrolled = FindTable(top, d);
    ASSERT_TRUE(scrolled);
    // The eleventh stack is the tenth row from the top once the table shows its last row.
    const std::size_t eleventh = scrolled->rows.size() >= 10 ? 9 : scrolled->rows.size() - 2;
    x.Click(nameX, (scrolled->rows[eleventh].first + scrolled->rows[eleventh].second) / 2);
    ::usleep(200000);
    const QImage before = x.Shot();
    x.Key("Down");
    ::usleep(500000);
    const QImage after = x.Shot();
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
