// The numeric display paints again only the characters a new value changes:
// what the screen shows (the backing store, not a grab, which repaints all)
// after any sequence of changes must be byte for byte a fresh display's whole
// paint of the last state, and a change of one character must leave the other
// characters' pixels on the screen alone.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <functional>
#include <string>
#include <vector>

#include "controls/fnd.h"
#include "tests/controls/control_scene.h"
#include "tests/controls/display_scan.h"
#include "tests/support/colours.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"

using control_test::SameImages;
using control_test::Scene;
using control_test::SharedFonts;

namespace {

// A stack's value display in the main window at 1080p.
constexpr int kW = 415, kH = 104;
const CRect kPlace(12, 8, 12 + kW, 8 + kH);
// Nothing the display draws is magenta: a mark in it shows what was not painted again.
constexpr COLORREF kMark = RGB(255, 0, 255);

using Change = std::function<void(CFnd&)>;

// A display as a stack shows a wind speed, on a two-coloured parent.
struct Shown {
    Scene scene{kW + 24, kH + 16, colours::kSlate, 0x1080C0};
    CFnd fnd;
    explicit Shown(bool halo) {
        EXPECT_TRUE(fnd.Create(nullptr, u"", WS_CHILD | WS_VISIBLE | SS_CENTER, kPlace, &scene.top, 20400));
        fnd.Init(halo ? TRUE : FALSE, 1);
        fnd.m_pFamily = &SharedFonts().m_segmentFamily;
        fnd.SetColor(display_test::kLit);
        fnd.SetUnit(u"m/s");
        fnd.m_dTextSize = 0.9;
        fnd.m_fShiftX = -0.25f;
        fnd.m_fCenterY = 0.5f;
        fnd.m_dValue = 12.3;
    }
    // What the screen shows of the display.
    QImage OnScreen() { return ::OnScreen(&fnd); }
    // Shown and painted once.
    void Start() {
        platform::PumpEvents(20);
        fnd.Invalidate();
        fnd.UpdateWindow();
    }
};

// A display that never painted, given the changes of steps 0 to `upTo`, drawn whole.
QImage FreshPaint(bool halo, const std::vector<std::vector<Change>>& steps, size_t upTo) {
    control_test::ForgetKeptDrawing();
    Shown fresh(halo);
    for (size_t i = 0; i <= upTo; ++i)
        for (const Change& c : steps[i]) c(fresh.fnd);
    return GrabWindow(&fresh.fnd).convertToFormat(QImage::Format_RGB32);
}

Change Value(double v) {
    return [v](CFnd& f) {
        f.m_dwFlags &= ~(CFnd::kError | CFnd::kOver | CFnd::kNoValue);
        f.m_dValue = v;
    };
}
Change Flip(DWORD bits) {
    return [bits](CFnd& f) { f.m_dwFlags ^= bits; };
}

// The blink timer's tick: the phase turns and the display is redrawn at once.
const Change Blink = [](CFnd& f) { f.SendMessage(WM_TIMER, CFnd::kBlinkTimer, 0); };

struct Sequence {
    const char* name;
    std::vector<std::vector<Change>> steps;  // each: the changes made before one paint
};

}  // namespace

TEST(FndRepaint, AfterEveryChangeTheScreenShowsAFreshPaintOfTheLastState) {
    const std::vector<Sequence> sequences = {
        {"one-digit", {{Value(12.4)}, {Value(12.5)}, {Value(12.6)}, {Value(12.5)}}},
        {"all-digits", {{Value(45.6)}, {Value(78.9)}}},
        {"length", {{Value(9.9)}, {Value(10.0)}, {Value(9.9)}, {Value(100.0)}}},
        {"negative", {{Value(1.5)}, {Value(-1.5)}, {Value(-12.5)}, {Value(12.5)}}},
        // "ERROR" to "-----": the same length, every character changes.
        {"marks",
         {{Flip(CFnd::kError)}, {Flip(CFnd::kError | CFnd::kNoValue)}, {Flip(CFnd::kNoValue | CFnd::kOver)},
          {Value(12.3)}}},
        {"unit",
         {{[](CFnd& f) { f.SetUnit(u"km/h"); }, Value(12.4)}, {[](CFnd& f) { f.SetUnit(u""); }}, {Value(12.5)}}},
        // The last digit over the unit: a repaint of the digit draws the unit there again.
        {"unit-under-digit", {{[](CFnd& f) { f.m_fShiftX = 0.0f; }}, {Value(12.4)}, {Value(12.5)}}},
        {"several-before-one-paint", {{Value(12.4), Value(18.4), Value(18.9)}, {Value(45.6), Value(12.3)}}},
        // The same length with the point elsewhere: every character moves.
        {"point-moves", {{[](CFnd& f) { f.m_nDecimals = 2; }, Value(1.25)}, {[](CFnd& f) { f.m_nDecimals = 1; }}}},
        {"time", {{Flip(CFnd::kTime), Value(12.0)}, {Value(13.0)}}},
        {"colour-and-place",
         {{[](CFnd& f) { f.SetColor(colours::kYellow); }, Value(12.4)},
          {[](CFnd& f) { f.m_fShiftX = -0.3f; }},
          {[](CFnd& f) { f.m_crBack = colours::kGrey; }, Flip(CFnd::kHalo)},
          {Value(12.8)}}},
        {"blink", {{Value(12.4)}, {Blink}, {Value(12.5)}, {Blink}, {Value(12.6)}}},
    };
    for (const bool halo : {true, false}) {
        for (const Sequence& s : sequences) {
            Shown used(halo);
            used.Start();
            for (size_t i = 0; i < s.steps.size(); ++i) {
                // Each change announced as the indicator announces a new value;
                // the paint in turn at once and from the event loop.
                for (const Change& c : s.steps[i]) {
                    c(used.fnd);
                    used.fnd.InvalidateValue();
                }
                if (i % 2 == 0) used.fnd.UpdateWindow();
                else QCoreApplication::processEvents();
                const std::string tag = std::string(s.name) + (halo ? "-halo-" : "-") + std::to_string(i);
                EXPECT_TRUE(SameImages(used.OnScreen(), FreshPaint(halo, s.steps, i), tag));
            }
        }
    }
}

TEST(FndRepaint, ANewValuePaintsAgainOnlyTheCharactersThatChanged) {
    // Marks on the screen at the first and the last of "12.3" tell which of
    // them a change painted again.
    struct Case {
        const char* name;
        Change change;
        bool firstKept, lastKept;
    } cases[] = {
        {"last-digit", Value(12.4), true, false},
        {"first-digit", Value(92.3), false, true},
        {"same-text", Value(12.31), true, true},
        {"longer", Value(112.3), false, false},
        {"colour", [](CFnd& f) { f.SetColor(colours::kYellow); }, false, false},
        {"unit", [](CFnd& f) { f.SetUnit(u"km/h"); }, false, false},
        {"error", Flip(CFnd::kError), false, false},
    };
    for (const Case& c : cases) {
        Shown used(true);
        used.Start();
        const QImage before = used.OnScreen();
        // The lit columns of the first and the last character, on the middle row.
        int first = -1, last = -1;
        for (int x = 0; x < kW; ++x)
            for (int y = 0; y < kH; ++y)
                if (display_test::IsLit(PixelAt(before, x, y))) {
                    if (first < 0) first = x;
                    last = x;
                }
        ASSERT_GT(first, 0);
        ASSERT_GT(last, first + kH);
        {
            CClientDC dc(&used.fnd);
            dc.FillSolidRect(first, kH / 2, 2, 2, kMark);
            dc.FillSolidRect(last - 2, kH / 2, 2, 2, kMark);
        }
        c.change(used.fnd);
        used.fnd.InvalidateValue();
        used.fnd.UpdateWindow();
        const QImage after = used.OnScreen();
        SaveTestImage(after, c.name);
        EXPECT_EQ(PixelAt(after, first, kH / 2) == kMark, c.firstKept) << c.name;
        EXPECT_EQ(PixelAt(after, last - 2, kH / 2) == kMark, c.lastKept) << c.name;
    }
}
