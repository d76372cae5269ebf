// The main window after a change of size (resized by a request, by the window
// manager, un-maximized, its border dragged), a move, or a window over it, with
// and without a window manager, compared pixel by
// pixel with the program started afresh at that size: every pixel of the
// client area is what a first drawing at that size shows. With values that
// change, the figures of the values are left out of the comparison (they are
// checked to hold only the displays' greys); titles, units, frames, cards,
// lamps and buttons are compared exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <sstream>
#include <thread>

#include <QPainter>

#include "platform/base/sysmetrics.h"
#include "tests/display/relay_fixture.h"
#include "tests/display/x_display.h"
#include "tests/support/pixel_harness.h"

using namespace display_test;

namespace {

const std::vector<std::string> kSteady{"--values", "250,15.3"};

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The parts of a client area of `size` where the values' figures are drawn:
// the numbers of each stack's numeric display (left of its unit) and the
// inside of each direction label. From the main window's and the panel's
// layout arithmetic, with the test settings' grid of 4 x 3.
std::vector<QRect> ValueAreas(QSize size, const RelaySettings& settings) {
    const int border = GetSystemMetrics(SM_CXFRAME) + GetSystemMetrics(SM_CXPADDEDBORDER);
    const int cap = GetSystemMetrics(SM_CYCAPTION);
    const int L = -border, T = -border - cap, R = size.width() + border, B = size.height() + border;
    const QRect panel(QPoint(L + 10, T + 16 + cap + 70 + 10), QPoint(R - 10 - 1, B - 30 - 1));
    const int columns = settings.gridX + 1, rows = settings.gridY + 1;
    const int cellW = panel.width() / columns, cellH = panel.height() / rows;
    const int mx = (cellW / columns) / 2, my = (cellH / rows) / 2;
    std::vector<QRect> areas;
    for (int i = 0; i < std::min(settings.stacks, columns * rows); ++i) {
        const int r = i / columns, c = i % columns;
        const int left = panel.left() + c * cellW + mx / 2, right = left - mx + cellW;
        const int top = panel.top() + r * cellH, bottom = top + (2 * cellH) / 3 - my;
        // The indicator's value part: below 35 % of its height, 1 % in from the left.
        const int w = right - left, h = bottom - top;
        const int vx = left + int(w * 0.01), vy = top + int(h * 0.35), vw = int(w * 0.99);
        // The number ends at three quarters of the display; the unit stands after it.
        areas.push_back(QRect(QPoint(vx + 1, vy + 1), QPoint(vx + vw * 4 / 5, bottom - 2)));
        // The direction label under it, inside its frame.
        areas.push_back(QRect(QPoint(left + 2, bottom + 2), QPoint(right - 3, bottom + cellH / 3 - 3)));
    }
    return areas;
}

// Compares the client area `c` of `shot` with `ref` (the client area of a
// fresh start, `rc` in `refShot`) pixel for pixel; in `masked` (client
// coordinates) only greys are allowed. On failure the pictures side by side
// and their differences are kept under `tag`.
::testing::AssertionResult SameClient(const QImage& shot, QRect c, const QImage& refShot, QRect rc,
                                      const std::vector<QRect>& masked, const std::string& tag, bool keep) {
    if (c.size() != rc.size())
        return ::testing::AssertionFailure() << "client " << c.width() << "x" << c.height() << ", fresh start "
                                             << rc.width() << "x" << rc.height();
    const QImage a = shot.copy(c), b = refShot.copy(rc);
    QImage diff(a.size(), QImage::Format_RGB32);
    diff.fill(Qt::black);
    long wrong = 0, notGrey = 0;
    QRect box;
    std::ostringstream first;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const bool inMask = std::any_of(masked.begin(), masked.end(), [&](const QRect& r) { return r.contains(x, y); });
            if (inMask) {
                diff.setPixel(x, y, qRgb(0, 0, 96));  // left out: dark blue
                if (qRed(p) != qGreen(p) || qGreen(p) != qBlue(p)) {
                    ++notGrey;
                    diff.setPixel(x, y, qRgb(255, 0, 255));
                    box |= QRect(x, y, 1, 1);
                }
                continue;
            }
            if (p == q) continue;
            if (wrong < 4) first << " (" << x << "," << y << ") " << std::hex << p << " not " << q << std::dec << ";";
            ++wrong;
            diff.setPixel(x, y, qRgb(255, 255, 255));
            box |= QRect(x, y, 1, 1);
        }
    if (!keep) {
        if (wrong == 0 && notGrey == 0) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << wrong + notGrey << " pixels differ";
    }
    QImage side(a.width() * 3 + 20, a.height(), QImage::Format_RGB32);
    side.fill(Qt::darkGray);
    QPainter painter(&side);
    painter.drawImage(0, 0, a);
    painter.drawImage(a.width() + 10, 0, b);
    painter.drawImage(2 * a.width() + 20, 0, diff);
    painter.end();
    SaveTestImage(side, tag);
    if (wrong == 0 && notGrey == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << wrong << " pixels differ from a fresh start and " << notGrey
                                         << " value pixels are not grey, within x " << box.left() << ".."
                                         << box.right() << " y " << box.top() << ".." << box.bottom() << ":"
                                         << first.str();
}

// One change made to the window, or a comparison with a fresh start at the
// size it then has (a fresh start is kept for the comparisons that follow at
// its size).
struct Step {
    enum Kind {
        Unmaximize,  // the window manager's restore (to the size the window was made with)
        Request,     // the client window itself resized, as xdotool windowsize does
        Manager,     // resized by the window manager at a pager's request
        Drag,        // the frame's bottom right corner dragged with the mouse by `size` pixels
        Move,        // moved to `at`, its size kept
        Cover,       // covered by the configuration dialog (CONFIG), which is then closed
        Compare,
    } kind;
    QSize size{};
    QPoint at{};
};

struct Change {
    const char* name;
    bool windowManager;
    bool steady;  // the simulator answers one value; else values drift on every reply
    std::vector<Step> steps;
};

class SizeChange : public ::testing::TestWithParam<Change> {};

// The window at 1280 x 1024 (maximized), then changed step by step and
// compared with the program started on a screen of the new client size
// without a window manager (its maximized client area is the whole screen).
TEST_P(SizeChange, EveryPixelIsAFreshDrawing) {
    const Change ch = GetParam();
    const std::vector<std::string> sim = ch.steady ? kSteady : std::vector<std::string>{};
    XDisplay x(1280, 1024, ch.windowManager);
    START_X(x);
    Relay relay(x, RelaySettings(), sim);
    const auto main = relay.WaitLaidOut();
    ASSERT_TRUE(main) << "no window; stderr: " << relay.Stderr();
    Pause(2500);  // the first replies are shown, and then some

    QRect c = main->client;
    std::unique_ptr<XDisplay> fresh;
    std::unique_ptr<Relay> freshRelay;
    QRect fc;
    int comparison = 0;
    for (const Step& step : ch.steps) {
        QRect target = c;
        switch (step.kind) {
        case Step::Unmaximize:
            x.SetMaximized(main->id, false);
            ASSERT_TRUE(WaitFor([&] { return relay.Main() && relay.Main()->client.width() < 1280; }, 5000));
            target = relay.Main()->client;
            break;
        case Step::Request:
        case Step::Manager:
            target = QRect(ch.windowManager ? QPoint(60, 80) : QPoint(0, 0), step.size);
            if (step.kind == Step::Manager) x.MoveResize(main->id, target);
            else x.ConfigureClient(main->id, target);
            break;
        case Step::Drag: {
            // The grip at the right end of the frame's handle, under the client area.
            const QPoint grip = c.bottomRight() + QPoint(-5, 3);
            target = QRect(c.topLeft(), c.size() + step.size);
            x.Drag(grip, grip + QPoint(step.size.width(), step.size.height()));
            break;
        }
        case Step::Move:
            target = QRect(step.at, c.size());
            if (ch.windowManager) x.MoveResize(main->id, target);
            else x.ConfigureClient(main->id, target);
            break;
        case Step::Cover: {
            const QPoint config = BarSegment(c, 1);
            x.Click(config.x(), config.y());
            ASSERT_TRUE(relay.WaitOther(main->id)) << "CONFIG opened nothing";
            Pause(500);
            const auto dialog = relay.WaitOther(main->id);
            ASSERT_TRUE(dialog);
            x.Close(dialog->id);  // the close button is Cancel
            ASSERT_TRUE(relay.WaitAlone(main->id)) << "the dialog stayed";
            // The pointer leaves the button bar, which then shows no segment lit.
            x.MovePointer(c.left() + 5, c.bottom() - 5);
            break;
        }
        case Step::Compare: {
            if (!fresh || fc.size() != c.size()) {
                freshRelay.reset();
                fresh = std::make_unique<XDisplay>(c.width(), c.height(), false);
                START_X(*fresh);
                freshRelay = std::make_unique<Relay>(*fresh, RelaySettings(), sim);
                const auto freshMain = freshRelay->WaitLaidOut();
                ASSERT_TRUE(freshMain) << "no window on the fresh screen; stderr: " << freshRelay->Stderr();
                fc = freshMain->client;
                ASSERT_EQ(fc, QRect(QPoint(0, 0), c.size()));
                // The fresh start shows its first replies; the changed window
                // meanwhile shows many new values, each painted over what the
                // change left.
                Pause(3000);
            }
            const std::vector<QRect> masked = ch.steady ? std::vector<QRect>{} : ValueAreas(c.size(), RelaySettings());
            // Steady values: both show the same once their first replies
            // came. A window drawn wrong stays wrong, whatever the wait.
            QImage shot, ref;
            WaitFor(
                [&] {
                    shot = x.Shot();
                    ref = fresh->Shot();
                    return bool(SameClient(shot, c, ref, fc, masked, "", false));
                },
                8000);
            EXPECT_TRUE(SameClient(shot, c, ref, fc, masked, "compared-" + std::to_string(++comparison), true))
                << "at " << c.x() << "," << c.y() << " " << c.width() << "x" << c.height();
            continue;
        }
        }
        const auto changed = relay.WaitLaidOut(target, 8000);
        ASSERT_TRUE(changed && changed->client == target)
            << "not laid out at " << target.x() << "," << target.y() << " " << target.width() << "x" << target.height();
        c = changed->client;
    }
    EXPECT_TRUE(relay.Stderr().empty()) << relay.Stderr();
}

using S = Step;
INSTANTIATE_TEST_SUITE_P(
    Sizes, SizeChange,
    ::testing::Values(
        Change{"Request960x640ThenMovedSteadyWithoutWindowManager", false, true,
               {{S::Request, {960, 640}}, {S::Compare}, {S::Move, {}, {200, 150}}, {S::Compare}}},
        Change{"Request700x450ChangingWithoutWindowManager", false, false, {{S::Request, {700, 450}}, {S::Compare}}},
        Change{"Request1100x650Then801x504SteadyWithoutWindowManager", false, true,
               {{S::Request, {1100, 650}}, {S::Compare}, {S::Request, {801, 504}}, {S::Compare}}},
        Change{"UnmaximizedThenCoveredSteadyWithWindowManager", true, true,
               {{S::Unmaximize}, {S::Compare}, {S::Cover}, {S::Compare}}},
        Change{"UnmaximizedChangingWithWindowManager", true, false, {{S::Unmaximize}, {S::Compare}}},
        Change{"Manager1100x650Then700x450ChangingWithWindowManager", true, false,
               {{S::Unmaximize}, {S::Manager, {1100, 650}}, {S::Manager, {700, 450}}, {S::Compare}}},
        Change{"Request1100x650Then960x640ThenMovedSteadyWithWindowManager", true, true,
               {{S::Unmaximize},
                {S::Request, {1100, 650}},
                {S::Request, {960, 640}},
                {S::Compare},
                {S::Move, {}, {150, 200}},
                {S::Compare}}},
        Change{"BorderDraggedChangingWithWindowManager", true, false,
               {{S::Unmaximize}, {S::Drag, {-101, -54}}, {S::Compare}}}),
    [](const ::testing::TestParamInfo<Change>& i) { return std::string(i.param.name); });

}  // namespace
