// The matrix display: its two modes, the fitting loop that ends in every mode,
// and SetText drawing at once. Every state's image goes to test-images/.
#include <gtest/gtest.h>

#include "controls/lcd.h"
#include "tests/controls/control_scene.h"
#include "tests/controls/display_scan.h"

using control_test::Scene;
using namespace display_test;

namespace {

struct LcdScene {
    Scene scene{kW + 20, kH + 20, colours::kSlate};
    CLcd lcd;
    explicit LcdScene(int mode) {
        EXPECT_TRUE(lcd.Create(nullptr, u"", WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER, CRect(10, 10, 10 + kW, 10 + kH),
                               &scene.top, 20103));
        lcd.m_dwFlags = CLcd::kCreated | CLcd::kHalo;
        lcd.m_nMode = mode;
        lcd.m_crBack = kPanel;
        lcd.m_crLit = kLit;
        lcd.m_crDim = kDim;
        lcd.m_pFamily = lcd.m_pFamilyBold = &control_test::SharedFonts().m_segmentFamily;
    }
};

}  // namespace

TEST(Lcd, ModesDrawTheirTextAndEveryFittingLoopEnds) {
    struct Case {
        const char* tag;
        int mode;
        bool family;
        const char16_t* text;
        bool drawsText;
    } cases[] = {
        {"lcd-mode0", 0, true, u"12.5", true},
        {"lcd-mode0-wide", 0, true, u"8888888888888888", true},
        {"lcd-mode1", 1, true, u"7", true},
        {"lcd-mode1-wide", 1, true, u"8888888888888888", true},
        {"lcd-mode1-nofamily", 1, false, u"0", false},
        {"lcd-mode0-nofamily", 0, false, u"0", false},
        {"lcd-mode2", 2, true, u"12.5", false},
    };
    for (const Case& c : cases) {
        LcdScene s(c.mode);
        if (!c.family) s.lcd.m_pFamily = s.lcd.m_pFamilyBold = nullptr;
        s.lcd.SetText(c.text);  // paints before it returns
        auto snap = SnapWindow(&s.lcd, c.tag);
        SaveTestImage(snap->Image(), c.tag);
        EXPECT_TRUE(snap->Match({{0, 20, 0x464646}, {kW - 1, 20, 0x787878}})) << c.tag;
        const Columns lit = Scan(*snap, 1, kW - 1, 1, kH - 1, IsLit);
        if (c.drawsText) {
            EXPECT_GT(lit.count, 50) << c.tag;
            EXPECT_GE(float(lit.minX), s.lcd.FittedSize() * 0.5f - 2.0f) << c.tag << ": half its size from the left";
            EXPECT_GE(s.lcd.FittedSize(), 1.0f) << c.tag;
        } else {
            EXPECT_EQ(lit.count, 0) << c.tag;
        }
    }
}

TEST(Lcd, SetTextRedrawsAtOnceAFieldNeedsAnInvalidation) {
    LcdScene s(0);
    s.lcd.SetText(u"1");
    const int one = Scan(*SnapWindow(&s.lcd), 1, kW - 1, 1, kH - 1, IsLit).count;
    s.lcd.SetText(u"888");
    const int eights = Scan(*SnapWindow(&s.lcd), 1, kW - 1, 1, kH - 1, IsLit).count;
    EXPECT_GT(eights, one * 3);
    s.lcd.m_dwFlags |= CLcd::kBlinkOff;
    s.lcd.SendMessage(WM_TIMER, CLcd::kBlinkTimer, 0);  // toggles back on and redraws
    EXPECT_FALSE(s.lcd.m_dwFlags & CLcd::kBlinkOff);
}
