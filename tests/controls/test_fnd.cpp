// The numeric display: which text it shows, and what it draws,
// read back as pixels in the segment font of the program's private fonts.
// Every state's image is written to test-images/ to be looked at.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "controls/fnd.h"
#include "controls/glyph_fills.h"
#include "tests/controls/control_scene.h"
#include "tests/controls/display_scan.h"
#include "tests/support/colours.h"
#include "tests/support/pixel_harness.h"

using control_test::Scene;

using namespace display_test;

namespace {

struct FndScene {
    Scene scene{kW + 20, kH + 20, colours::kSlate};
    CFnd fnd;
    FndScene() {
        EXPECT_TRUE(fnd.Create(nullptr, u"", WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER, CRect(10, 10, 10 + kW, 10 + kH),
                               &scene.top, 20102));
        fnd.Init(TRUE, 1);
        fnd.m_pFamily = &control_test::SharedFonts().m_segmentFamily;
        fnd.SetColor(kLit);
        fnd.m_crDim = kDim;
    }
    std::unique_ptr<Snapshot> Render(const std::string& tag) {
        fnd.Invalidate();
        auto snap = SnapWindow(&fnd, tag);
        SaveTestImage(snap->Image(), tag);
        return snap;
    }
};

}  // namespace

TEST(Fnd, TextFollowsTheMarksInTheirOrder) {
    struct Case {
        DWORD flags;
        const char16_t* expected;
    } cases[] = {
        {0, u"12.5"},
        {CFnd::kError, u"ERROR"},
        {CFnd::kNoValue, u"-----"},
        {CFnd::kOver, u"OVER"},
        {CFnd::kError | CFnd::kNoValue, u"ERROR"},
        {CFnd::kNoValue | CFnd::kOver, u"-----"},
        {CFnd::kError | CFnd::kOwnText, u"own"},
        {CFnd::kOver | CFnd::kTime | CFnd::kOwnText, u"own"},
        {CFnd::kOver | CFnd::kTime, u"OVER"},
        {CFnd::kTime, u"0:00:12"},
    };
    CFnd fnd;
    fnd.Init(FALSE, 1);
    fnd.m_dValue = 12.5;
    fnd.SetValueText(u"own");
    for (const Case& c : cases) {
        fnd.m_dwFlags = CFnd::kCreated | c.flags;
        EXPECT_EQ(fnd.DisplayText(), c.expected) << "flags " << std::hex << c.flags;
    }
}

TEST(Fnd, DecimalsAreClampedAndStored) {
    struct Case {
        int decimals;
        int stored;
        const char16_t* text;
    } cases[] = {{-1, 0, u"1235"}, {0, 0, u"1235"}, {3, 3, u"1234.568"}, {5, 5, u"1234.56789"}, {7, 5, u"1234.56789"}};
    for (const Case& c : cases) {
        CFnd fnd;
        fnd.Init(FALSE, c.decimals);
        fnd.m_dValue = 1234.56789;
        EXPECT_EQ(fnd.DisplayText(), c.text) << c.decimals;
        EXPECT_EQ(fnd.m_nDecimals, c.stored) << c.decimals;
    }
}

TEST(Fnd, TimeTextsAndValuesThatAreNoTime) {
    struct Case {
        double seconds;
        char format;
        const char16_t* text;
    } cases[] = {
        {3725.9, 'S', u"1:02:05"},   {3725.25, 'm', u"1:02:05.250"}, {3725.9, 'M', u"1:02"},
        {3725.9, 'H', u"1"},         {3725.9, 'x', u"1:02:05"},      {59.0, 'S', u"0:00:59"},
        {-3725.0, 'S', u"-1:-2:-5"},  // truncation toward zero, remainders with the dividend's sign
        {std::numeric_limits<double>::quiet_NaN(), 'S', u"-----"},
        {std::numeric_limits<double>::infinity(), 'm', u"OVER"},
        {1e300, 'S', u"OVER"},
        {3600.0 * 2147483647.0, 'H', u"2147483647"},  // the largest hour that fits
    };
    for (const Case& c : cases) EXPECT_EQ(CFnd::TimeText(c.seconds, c.format), c.text) << c.seconds << c.format;
}

TEST(Fnd, InitAndSetColor) {
    CFnd fnd;
    fnd.m_dwFlags = CFnd::kError | CFnd::kHalo;
    fnd.Init(2, 3);  // bit 0 of bHalo only: 2 means no halo
    EXPECT_EQ(fnd.m_dwFlags, CFnd::kCreated | CFnd::kError);
    EXPECT_EQ(fnd.m_nDecimals, 3);
    EXPECT_FLOAT_EQ(fnd.m_fCenterY, 0.55f);
    fnd.SetColor(0x204080);
    EXPECT_EQ(fnd.m_crLit, 0x204080u);
    EXPECT_EQ(fnd.m_crDim, 0x000040u);
}

TEST(Fnd, DigitsFillTheRightSideInTheValueColour) {
    FndScene s;
    s.fnd.m_dValue = 12.5;
    auto snap = s.Render("number");
    // Panel in its colour with the bevel: top-left +70, bottom-right +120.
    EXPECT_TRUE(snap->Match({{0, 20, 0x464646}, {20, 0, 0x464646}, {kW - 1, 20, 0x787878}, {20, kH - 1, 0x787878},
                             {5, 30, kPanel}, {60, 30, kPanel}}));
    const Columns lit = Scan(*snap, 1, kW - 1, 1, kH - 1, IsLit);
    EXPECT_GT(lit.count, 200);
    EXPECT_GT(lit.minX, kW / 3) << "three characters of half an em each sit at the right";
    EXPECT_GT(lit.maxX, kW - 30) << "the last character ends at the right edge";
}

TEST(Fnd, SeparatorsTakeFourFifthsOfARoomExceptInTheOwnText) {
    // "1.5" as a number: the "1" stands adv + 4/5 adv from the right edge; as
    // the owner's text the "." takes a full room, so the "1" stands adv / 5
    // (6 pixels at an em of 60) further left.
    FndScene number;
    number.fnd.m_dValue = 1.5;
    const Columns asNumber = Scan(*number.Render("separator-number"), 1, kW - 1, 1, kH - 1, IsLit);
    FndScene own;
    own.fnd.m_dwFlags |= CFnd::kOwnText;
    own.fnd.SetValueText(u"1.5");
    const Columns asText = Scan(*own.Render("separator-owntext"), 1, kW - 1, 1, kH - 1, IsLit);
    EXPECT_NEAR(asNumber.minX - asText.minX, 6, 1);
    EXPECT_EQ(asNumber.maxX, asText.maxX) << "the last character ends at the same place";
}

TEST(Fnd, MarksAndUnitDraw) {
    struct Case {
        const char* tag;
        DWORD flags;
        const char16_t* unit;
    } cases[] = {
        {"error", CFnd::kError, u""},  {"novalue", CFnd::kNoValue, u""}, {"over", CFnd::kOver, u""},
        {"time", CFnd::kTime, u""},    {"unit", 0, u"m/s"},
    };
    for (const Case& c : cases) {
        FndScene s;
        s.fnd.m_dValue = 3725.0;
        s.fnd.m_dwFlags |= c.flags;
        s.fnd.SetUnit(c.unit);
        auto snap = s.Render(c.tag);
        EXPECT_GT(Scan(*snap, 1, kW - 1, 1, kH - 1, IsLit).count, 100) << c.tag;
        const Columns white = Scan(*snap, kW / 2, kW - 1, kH / 2, kH - 1, IsWhite);
        if (*c.unit) {
            EXPECT_GT(white.count, 20) << "the unit stands in white in the lower right corner";
            EXPECT_GT(white.maxX, kW - 12);
        } else {
            EXPECT_EQ(white.count, 0) << c.tag;
        }
    }
}

TEST(Fnd, WideTextShrinksUntilItKeepsHalfAnEmFromTheLeft) {
    FndScene s;
    s.fnd.m_dwFlags |= CFnd::kOwnText;
    s.fnd.SetValueText(u"88888888888888");
    auto snap = s.Render("shrunk");
    const Columns lit = Scan(*snap, 1, kW - 1, 1, kH - 1, IsLit);
    EXPECT_GT(lit.count, 300);
    // Fourteen characters at the full em (60) would need 420 pixels: the text
    // shrank, and its left edge stays inside the panel.
    EXPECT_GT(lit.minX, 4);
    EXPECT_LT(lit.minX, kW / 2);
}

TEST(Fnd, WithoutFamilyOnlyPanelAndUnitInTheOffPhaseNothing) {
    FndScene s;
    s.fnd.m_pFamily = nullptr;
    s.fnd.m_dValue = 88.8;
    s.fnd.SetUnit(u"m");
    auto snap = s.Render("nofamily");
    EXPECT_EQ(Scan(*snap, 1, kW - 1, 1, kH - 1, IsLit).count, 0);
    EXPECT_GT(Scan(*snap, kW / 2, kW - 1, kH / 2, kH - 1, IsWhite).count, 5) << "the unit still shows";

    s.fnd.m_dwFlags |= CFnd::kBlinkOff;
    s.fnd.m_crBack = colours::kRed;
    auto off = s.Render("blinkoff");
    EXPECT_FALSE(off->Near(30, 30, colours::kRed, 0)) << "the blink off-phase draws nothing";
}

TEST(Fnd, BlinkTimerTogglesThePhase) {
    FndScene s;
    s.fnd.SendMessage(WM_TIMER, CFnd::kBlinkTimer, 0);
    EXPECT_TRUE(s.fnd.m_dwFlags & CFnd::kBlinkOff);
    s.fnd.SendMessage(WM_TIMER, 7, 0);
    EXPECT_TRUE(s.fnd.m_dwFlags & CFnd::kBlinkOff);
    s.fnd.SendMessage(WM_TIMER, CFnd::kBlinkTimer, 0);
    EXPECT_FALSE(s.fnd.m_dwFlags & CFnd::kBlinkOff);
}

TEST(Fnd, TheDecimalPointStandsInTheGapBetweenItsDigits) {
    // Along the bottom rows of a speed: the bottom segment of the digit before,
    // the decimal point alone (a short run), then the bottom segment of the
    // next digit, with dark panel on both sides of the point, which stands
    // nearer the middle of its gap than either edge.
    for (const double value : {12.5, 3.5, 20.8}) {
        FndScene s;
        s.fnd.m_dValue = value;
        auto snap = s.Render("point-" + std::to_string(int(value * 10)));
        // From the bottom up, the first row whose lit runs hold a short one
        // between two runs more than twice as wide: the point's row.
        int left = -1, right = -1;
        for (int y = kH - 2; y > kH / 3 && left < 0; --y) {
            std::vector<std::pair<int, int>> runs;  // [from, to]
            for (int x = kW / 3; x < kW - 1; ++x) {
                if (!IsLit(snap->Pixel(x, y))) continue;
                if (!runs.empty() && runs.back().second == x - 1) runs.back().second = x;
                else runs.push_back({x, x});
            }
            const auto width = [&](size_t i) { return runs[i].second - runs[i].first + 1; };
            for (size_t i = 1; i + 1 < runs.size() && left < 0; ++i) {
                if (2 * width(i) >= std::min(width(i - 1), width(i + 1))) continue;
                left = runs[i].first - runs[i - 1].second;
                right = runs[i + 1].first - runs[i].second;
            }
        }
        ASSERT_GT(left, 0) << value << ": no point stands alone between two digits";
        EXPECT_GT(left, 2) << value;
        EXPECT_GT(right, 2) << value;
        EXPECT_LE(2 * std::abs(left - right), std::max(left, right)) << value << ": " << left << " and " << right;
    }
}

// What a display keeps between paints never shows: after a run of values,
// texts, sizes and modes, each picture equals the one a new display draws with
// the same settings. The wide ones shrink; "8.8" and "88" differ only in the
// room of the separator, which the display's own text does not narrow.
TEST(Fnd, AfterOtherTextsAndSizesTheSameAsAFreshDisplay) {
    struct Step {
        double value;              // shown with one decimal
        const char16_t* ownText;   // instead, when set
        int width;
    };
    const std::vector<Step> steps = {
        {12.5, nullptr, kW},      {8.8, nullptr, kW},       {88.0, nullptr, kW},  {0, u"8.8", kW},
        {0, u"88", kW},           {88888888888.0, nullptr, kW}, {12.5, nullptr, 120}, {88888888888.0, nullptr, 120},
        {88888888888.0, nullptr, kW}, {0, u"888888888888", 120}, {12.5, nullptr, kW},
    };
    FndScene used;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        const std::string tag = "step" + std::to_string(i);
        auto configure = [&](FndScene& s) {
            s.fnd.MoveWindow(10, 10, step.width, kH);
            s.fnd.m_dwFlags = (s.fnd.m_dwFlags & ~CFnd::kOwnText) | (step.ownText ? CFnd::kOwnText : 0);
            s.fnd.m_dValue = step.value;
            if (step.ownText) s.fnd.SetValueText(step.ownText);
        };
        configure(used);
        const QImage kept = used.Render(tag + "-kept")->Image();
        FndScene fresh;
        configure(fresh);
        const QImage drawn = fresh.Render(tag + "-fresh")->Image();
        EXPECT_TRUE(kept == drawn) << tag;
    }
}

// A starting size so large that a step of 0.1 no longer changes it cannot
// shrink: the paint ends, with the text at that size (beyond the panel).
TEST(Fnd, AStartingSizeTooLargeToShrinkStillEndsThePaint) {
    FndScene s;
    s.fnd.m_dwFlags |= CFnd::kOwnText;
    s.fnd.SetValueText(u"88888888");
    s.fnd.m_dTextSize = 2.0e5;  // 12 million pixels: steps of 0.1 vanish in its rounding
    auto snap = s.Render("huge");
    EXPECT_TRUE(snap->Match({{0, 20, 0x464646}, {kW - 1, 20, 0x787878}}));
}

// Displays share the glyph fills they keep. A table of pictures is painted by
// one display twice over (made, then drawn from what was kept) and by a new
// display after everything kept was dropped: all three are the same pixels,
// whatever the text, size, colours, halo, panel colour and unit, and when
// the text's size is far beyond the panel or no size at all.
TEST(Fnd, KeptGlyphFillsPaintAsDrawnAnew) {
    struct Case {
        const char* tag;
        double value;
        DWORD flags;
        const char16_t* ownText;
        int width, height;
        COLORREF lit, back;
        BOOL halo;
        const char16_t* unit;
        double textSize = 1.0;
    };
    const Case cases[] = {
        {"value", 12.5, 0, u"", kW, kH, kLit, colours::kBlack, TRUE, u""},
        {"next-value", 12.6, 0, u"", kW, kH, kLit, colours::kBlack, TRUE, u""},
        {"other-colour", 12.6, 0, u"", kW, kH, colours::kRed, colours::kBlack, TRUE, u""},
        {"no-halo", 12.6, 0, u"", kW, kH, kLit, colours::kBlack, FALSE, u""},
        {"grey-panel", 12.6, 0, u"", kW, kH, kLit, colours::kGrey, TRUE, u""},
        {"white-panel", 7.4, 0, u"", kW, kH, colours::kBlue, colours::kWhite, TRUE, u"m/s"},
        {"main-window", 7.4, 0, u"", 415, 101, colours::kWhite, colours::kBlack, FALSE, u"m/s"},
        {"error", 0, CFnd::kError, u"", kW, kH, kLit, colours::kBlack, TRUE, u""},
        {"no-value", 0, CFnd::kNoValue, u"", 415, 101, colours::kWhite, colours::kBlack, FALSE, u"m/s"},
        {"shrunk", 88888888888.0, 0, u"", 120, kH, kLit, colours::kBlack, TRUE, u""},
        {"own-text", 0, CFnd::kOwnText, u"1:23", 90, 33, colours::kYellow, colours::kSlate, TRUE, u"h"},
        {"beyond-the-panel", 8.8, 0, u"", kW, kH, kLit, colours::kBlack, TRUE, u"", 3.0},
        {"size-absurd", 8.8, 0, u"", kW, kH, kLit, colours::kBlack, TRUE, u"", 1e30},
        {"size-infinite", 8.8, 0, u"", kW, kH, kLit, colours::kBlack, TRUE, u"", HUGE_VAL},
        {"size-not-a-number", 8.8, 0, u"", kW, kH, kLit, colours::kBlack, TRUE, u"", std::nan("")},
    };
    auto configure = [](FndScene& s, const Case& c) {
        s.fnd.MoveWindow(10, 10, c.width, c.height);
        s.fnd.Init(c.halo, 1);
        s.fnd.m_pFamily = &control_test::SharedFonts().m_segmentFamily;
        s.fnd.SetColor(c.lit);
        s.fnd.m_crBack = c.back;
        s.fnd.m_dwFlags = (s.fnd.m_dwFlags & ~(CFnd::kError | CFnd::kNoValue | CFnd::kOwnText)) | c.flags;
        s.fnd.m_dValue = c.value;
        s.fnd.SetValueText(c.ownText);
        s.fnd.SetUnit(c.unit);
        s.fnd.m_dTextSize = c.textSize;
    };
    auto Snap = [](FndScene& s) {
        s.fnd.Invalidate();
        return SnapWindow(&s.fnd)->Image();
    };
    FndScene used;
    std::vector<QImage> made, kept;
    for (const Case& c : cases) {
        configure(used, c);
        made.push_back(Snap(used));
    }
    const size_t hits = GlyphFills::Shared().Hits(), misses = GlyphFills::Shared().Misses();
    for (const Case& c : cases) {
        configure(used, c);
        kept.push_back(Snap(used));
    }
    EXPECT_GT(GlyphFills::Shared().Hits(), hits);
    EXPECT_EQ(GlyphFills::Shared().Misses(), misses) << "the second round draws only what was kept";
    for (size_t i = 0; i < std::size(cases); ++i) {
        GlyphFills::Shared().Clear();
        FndScene fresh;
        configure(fresh, cases[i]);
        const QImage anew = Snap(fresh);
        EXPECT_TRUE(made[i] == anew) << cases[i].tag;
        EXPECT_TRUE(kept[i] == anew) << cases[i].tag;
        if (made[i] != anew || kept[i] != anew) {
            const std::string tag = cases[i].tag;
            SaveTestImage(made[i], tag + "-made");
            SaveTestImage(kept[i], tag + "-kept");
            SaveTestImage(anew, tag + "-anew");
        }
    }
}
