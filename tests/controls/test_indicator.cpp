// The composite indicator: Init's children and preset list, the colours it
// gives its displays, the events its areas report (with the colour dialog and
// the value-entry popup answered from their own loops), and its frame, title,
// value and toggle box read back as pixels. Every state's image is written to
// test-images/ to be looked at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include "controls/draw_helpers.h"
#include "controls/fnd.h"
#include "controls/indicator.h"
#include "controls/lcd.h"
#include "platform/runtime/app.h"
#include "platform/stdctrl/combobox.h"
#include "res/resources.h"
#include "tests/controls/control_scene.h"
#include "tests/support/colour_dialog_answer.h"
#include "tests/support/colours.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"

using control_test::BoxRecorder;
using control_test::Scene;
using control_test::SharedFonts;

namespace {

constexpr int kId = 20100;
constexpr int kW = 220, kH = 100;

// An indicator at (10, 10) of a slate scene, 220 x 100.
struct IndicatorScene {
    Scene scene{kW + 20, kH + 20, colours::kSlate};
    CIndicator ind;

    // `panel`: set up as the stack panel sets up a stack's indicator.
    explicit IndicatorScene(bool panel = true, int stacked = 1, int toggle = 0) {
        scene.top.logOnly = {WM_INDICATOR_NOTIFY};
        EXPECT_TRUE(ind.CreateEx(0, u"STATIC", u"", 0x50010000, CRect(0, 0, 0, 0), &scene.top, kId));
        ind.Init(u"", u"", stacked, toggle, 0, 1, 1);
        ind.m_pFnd->m_dwFlags |= CFnd::kCreated;
        ind.m_pFnd->m_pFamily = &SharedFonts().m_segmentFamily;
        if (panel) {
            ind.m_dTitleHeight = 0.35;
            ind.m_dTitleWidth = 0.01;
            ind.m_dValueWidth = 0.99;
            ind.m_dTitleSize = 0.2;
            ind.m_dValueSize = 0.9;
            ind.m_dUnitSize = 0.2;
            ind.m_pFnd->m_dTextSize = 0.9;
            ind.SetColor(0xFFFFFF);
            ind.m_crBorder = ScaleColor(0xBC7200, -0.2f);
            ind.m_dwFlags &= ~CIndicator::kColourChoice;
            ind.m_pFnd->m_fShiftX = -0.25f;
            ind.m_pFnd->m_fCenterY = 0.05f;
            ind.m_nRadius = 0;
        }
        ind.SetWindowText(u"QC1101");
        ind.MoveWindow(10, 10, kW, kH, TRUE);
    }
    std::vector<LPARAM> Codes() const { return scene.Codes(WM_INDICATOR_NOTIFY, kId); }
    std::unique_ptr<Snapshot> Snap(const std::string& tag) {
        ind.Invalidate();
        auto snap = SnapWindow(&ind, tag);
        SaveTestImage(snap->Image(), tag);
        return snap;
    }
    CPoint Centre(const RECT& r) const { return CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2); }
    void Click(CPoint p) {
        MousePress(&ind, p.x, p.y);
        MouseRelease(&ind, p.x, p.y);
    }
};

// Types `text` into the value-entry popup once it is open, then presses Enter
// (OK) or Escape (Cancel).
void AnswerValuePopup(const QString& text, bool ok) {
    auto tries = std::make_shared<int>(1000);
    auto attempt = std::make_shared<std::function<void()>>();
    *attempt = [text, ok, tries, attempt] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!top->isVisible()) continue;
            auto* edit = top->findChild<QLineEdit*>();
            if (!edit) continue;
            edit->setText(text);
            edit->setFocus();
            const int key = ok ? Qt::Key_Return : Qt::Key_Escape;
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, ok ? QString("\r") : QString(QChar(0x1B)));
            QApplication::sendEvent(edit, &press);
            *attempt = nullptr;
            return;
        }
        if (--*tries > 0) QTimer::singleShot(5, *attempt);
    };
    QTimer::singleShot(5, *attempt);
}

template <typename Pred>
int CountInk(const Snapshot& snap, const RECT& r, Pred pred) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) n += pred(snap.Pixel(x, y));
    return n;
}
bool IsWhiteInk(COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200; }
bool IsGreyText(COLORREF c) { return ChannelDistance(c, 0x808080) < 20; }

}  // namespace

TEST(Indicator, InitMakesItsDisplaysAndThePresetList) {
    IndicatorScene s(false);
    CIndicator& ind = s.ind;
    EXPECT_EQ(ind.m_dwFlags & 0x7FFF, CIndicator::kCreated | CIndicator::kColourChoice | CIndicator::kStacked |
                                          CIndicator::kLastFlag | CIndicator::kToggleOn |
                                          (ind.m_dwFlags & CIndicator::kBackStale));
    EXPECT_EQ(ind.m_dTitleHeight, 0.5);
    EXPECT_EQ(ind.m_crDisabledBottom, 0x737C7Fu);
    ASSERT_NE(ind.m_pFnd, nullptr);
    ASSERT_NE(ind.m_pLcd, nullptr);
    EXPECT_EQ(ind.m_pFnd->GetDlgCtrlID(), kId + 2);
    EXPECT_EQ(ind.m_pLcd->GetDlgCtrlID(), kId + 3);
    EXPECT_EQ(ind.m_pFnd->m_nDecimals, 1);
    EXPECT_EQ(ind.m_pFnd->m_fCenterY, 0.55f);
    EXPECT_FALSE(ind.m_pLcd->IsWindowVisible());
    EXPECT_EQ(ind.m_pLcd->m_strText, u"0");
    EXPECT_EQ(ind.m_pLcd->m_nMode, 1);
    EXPECT_EQ(ind.m_pLcd->m_dwFlags & (CLcd::kCreated | CLcd::kHalo), CLcd::kCreated | CLcd::kHalo);

    CComboBox& list = *ind.m_pCombo;
    EXPECT_EQ(list.GetDlgCtrlID(), 1004);
    EXPECT_FALSE(list.IsWindowVisible());
    EXPECT_TRUE(list.GetExStyle() & WS_EX_NOPARENTNOTIFY);
    ASSERT_EQ(list.GetCount(), 55);
    EXPECT_EQ(list.GetCurSel(), 0);
    const std::pair<int, const char16_t*> entries[] = {{0, u"10.0"}, {1, u"10.5"}, {20, u"20.0"}, {54, u"37.0"}};
    for (auto [index, text] : entries) {
        std::u16string got;
        list.GetLBText(index, got);
        EXPECT_EQ(got, text) << index;
    }
    // A second Init makes the children anew, with the same ids.
    ind.Init(u"T", u"U", 0, 1, 1, 2, 0);
    EXPECT_EQ(ind.m_pCombo->GetCount(), 55);
    EXPECT_EQ(ind.m_pFnd->m_nDecimals, 2);
    EXPECT_EQ(ind.m_dwFlags & (CIndicator::kStacked | CIndicator::kLastFlag | CIndicator::kToggleArea),
              CIndicator::kToggleArea);
    EXPECT_EQ(ind.GetWindowText(), u"T");
    EXPECT_EQ(ind.m_strUnit, u"U");
}

TEST(Indicator, InitWithoutAWindowSaysSoAndStillCompletes) {
    BoxRecorder boxes;
    CIndicator ind;
    ind.Init(u"", u"", 1, 0, 0, 1, 1);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0], u"Not Created Window! (CIndicator)");
    EXPECT_TRUE(ind.m_dwFlags & CIndicator::kCreated);
}

TEST(Indicator, SetColorLightsAndDimsBothDisplaysAndDisablingGreysThemForAWhile) {
    IndicatorScene s;
    s.ind.m_crValueBack = 0x102030;
    s.ind.SetColor(0x204060);
    for (auto [lit, dim, back] : {std::tuple{s.ind.m_pFnd->m_crLit, s.ind.m_pFnd->m_crDim, s.ind.m_pFnd->m_crBack},
                                  std::tuple{s.ind.m_pLcd->m_crLit, s.ind.m_pLcd->m_crDim, s.ind.m_pLcd->m_crBack}}) {
        EXPECT_EQ(lit, 0xA0C0E0u);
        EXPECT_EQ(dim, 0x000020u);
        EXPECT_EQ(back, 0u);
    }
    s.ind.EnableWindow(FALSE);
    EXPECT_EQ(s.ind.m_pFnd->m_crLit, 0xFFFFFFu);
    EXPECT_EQ(s.ind.m_pLcd->m_crDim, 0x808080u);
    EXPECT_EQ(s.ind.m_pFnd->m_crBack, 0xC0C0C0u);
    EXPECT_EQ(s.ind.m_crColor, 0x204060u);
    s.ind.EnableWindow(TRUE);
    EXPECT_EQ(s.ind.m_pFnd->m_crLit, 0xA0C0E0u);
    EXPECT_EQ(s.ind.m_pLcd->m_crDim, 0x000020u);
    EXPECT_EQ(s.ind.m_pFnd->m_crBack, 0x102030u);  // the value background when enabled
}

TEST(Indicator, AreasReportTheirEventsWithThePanelsOptions) {
    IndicatorScene s;  // stacked, colour choice off, no toggle box
    s.Click(s.Centre(s.ind.m_rcValue));
    s.Click(CPoint(kW / 2, 5));  // title area
    MouseDoubleClick(&s.ind, kW / 2, 5);
    // The user picks another preset; the program's own choice says nothing.
    auto* box = qobject_cast<QComboBox*>(s.ind.m_pCombo->Widget());
    ASSERT_NE(box, nullptr);
    box->setCurrentIndex(3);
    s.ind.m_pCombo->SetCurSel(0);
    EXPECT_EQ(s.Codes(), (std::vector<LPARAM>{15, 20, 30, 100}));
}

TEST(Indicator, ToggleBoxFlipsAndReportsItsStateOrLetsTheClickThrough) {
    IndicatorScene s(false, 0, 1);  // side by side, toggle box on
    s.ind.m_dwFlags &= ~CIndicator::kColourChoice;
    s.ind.MoveWindow(10, 10, kW, kH - 1, TRUE);  // resize: the box is placed
    const CRect box(s.ind.m_rcCheck);
    // Side by side, placement 1: right edge 4 pixels left of the value area.
    EXPECT_EQ(box, CRect(s.ind.m_rcValue.left - 4 - 13, 2, s.ind.m_rcValue.left - 4, 15));
    s.Click(box.CenterPoint());
    EXPECT_FALSE(s.ind.m_dwFlags & CIndicator::kToggleOn);
    s.Click(box.CenterPoint());
    EXPECT_TRUE(s.ind.m_dwFlags & CIndicator::kToggleOn);
    EXPECT_EQ(s.Codes(), (std::vector<LPARAM>{0, 1}));
    // Without the toggle area the same place is title area.
    s.ind.m_dwFlags &= ~CIndicator::kToggleArea;
    s.Click(box.CenterPoint());
    EXPECT_EQ(s.Codes(), (std::vector<LPARAM>{0, 1, 20}));
}

TEST(Indicator, ColourChoiceTakesTheDialogsColourOrNothingWhenCancelled) {
    IndicatorScene s(false);  // Init's options: colour choice on
    COLORREF target = 0;
    s.ind.m_pColorTarget = &target;
    s.ind.SetColor(0x204060);
    s.Click(CPoint(kW / 2, 5));  // title area: nothing while colour choice is on
    AnswerNextColourDialog(std::nullopt);
    s.Click(s.Centre(s.ind.m_rcValue));
    EXPECT_TRUE(ColourDialogWasAnswered());
    EXPECT_EQ(ColourDialogStartColour(), 0x204060u);
    EXPECT_TRUE(s.Codes().empty());
    EXPECT_EQ(s.ind.m_crColor, 0x204060u);

    AnswerNextColourDialog(COLORREF(0x00C000));
    s.Click(s.Centre(s.ind.m_rcValue));
    EXPECT_EQ(s.Codes(), (std::vector<LPARAM>{5}));
    EXPECT_EQ(s.ind.m_crColor, 0x00C000u);
    EXPECT_EQ(target, 0x00C000u);
    EXPECT_EQ(s.ind.m_pFnd->m_crLit, 0x80FF80u);
}

TEST(Indicator, ValueEntryTakesANumberAndRefusesOtherText) {
    res::RegisterDialogTemplates();  // the popup's template
    IndicatorScene s;
    s.ind.m_dwFlags |= CIndicator::kValueEntry;
    s.ind.SetValue(3.5);
    struct Case {
        const char* typed;
        bool ok;
        double value;  // shown afterwards
        bool entered;
    };
    const Case cases[] = {
        {"12.5", true, 12.5, true}, {"abc", true, 12.5, false}, {"7x", true, 12.5, false},
        {"", true, 12.5, false},    {" -4 ", true, -4.0, true}, {"99", false, -4.0, false},
    };
    size_t events = 0;
    for (const Case& c : cases) {
        AnswerValuePopup(QString::fromUtf8(c.typed), c.ok);
        s.Click(s.Centre(s.ind.m_rcValue));
        EXPECT_EQ(s.ind.m_pFnd->m_dValue, c.value) << c.typed;
        if (c.entered) ++events;
        EXPECT_EQ(s.Codes().size(), events) << c.typed;
    }
    for (LPARAM code : s.Codes()) EXPECT_EQ(code, 16);
}

TEST(Indicator, TypedNumbersAreReadWholeOrNotAtAll) {
    const std::pair<const char16_t*, bool> cases[] = {
        {u"1", true},   {u"-2.25", true}, {u"+3e2", true}, {u"  4.5\t", true}, {u"", false},     {u"  ", false},
        {u"1,5", false}, {u"0x10", false}, {u"inf", false}, {u"nan", false},    {u"1e999", false}, {u"1 2", false},
        {u"５", false},
    };
    for (auto [text, ok] : cases) {
        double v = -1.0;
        EXPECT_EQ(ParseTypedNumber(text, &v), ok) << Utf16ToUtf8(text);
    }
    double v = 0;
    ASSERT_TRUE(ParseTypedNumber(u"+3e2", &v));
    EXPECT_EQ(v, 300.0);
}

TEST(Indicator, SetValueScalesAndFeedsTheTextsOfThoseThatShowText) {
    IndicatorScene s;
    s.ind.m_dScale = 2.0;
    s.ind.m_pFnd->m_dwFlags |= CFnd::kError | CFnd::kOver;
    s.ind.SetValue(617.25);
    EXPECT_EQ(s.ind.m_pFnd->m_dValue, 1234.5);
    EXPECT_FALSE(s.ind.m_pFnd->m_dwFlags & (CFnd::kError | CFnd::kOver));
    EXPECT_TRUE(s.ind.m_pFnd->m_strValueText.empty());
    s.ind.m_pFnd->m_dwFlags |= CFnd::kOwnText;
    s.ind.m_dwFlags |= CIndicator::kOwnValue;
    s.ind.SetValue(617.25);
    EXPECT_EQ(s.ind.m_pFnd->m_strValueText, u"1,234.5");
    EXPECT_EQ(s.ind.m_pLcd->m_strText, u"1,234.5");
    EXPECT_EQ(s.ind.m_strValue, u"1,234.5");
}

TEST(Indicator, PanelIndicatorDrawsItsFrameTitleAndValue) {
    IndicatorScene s;
    s.ind.m_pFnd->SetUnit(u"m/s");
    s.ind.SetValue(12.3);
    auto snap = s.Snap("Indicator-panel");
    // Radius 0: the frame fills the corners; its border is 0xBC7200 darkened.
    const COLORREF border = ScaleColor(0xBC7200, -0.2f);
    EXPECT_TRUE(snap->Match({{0, 0, border, 30}, {kW - 1, 20, border, 30}, {3, 3, 0x4C3F38, 12}}));
    // Title "QC1101" in white in the title strip (35 %), the lit digits below.
    EXPECT_GT(CountInk(*snap, CRect(0, 0, kW, 35), IsWhiteInk), 40);
    EXPECT_GT(CountInk(*snap, s.ind.m_rcValue, IsWhiteInk), 100);
}

TEST(Indicator, FullWidthValueMovesTheUnitIntoTheTitle) {
    IndicatorScene s;
    s.ind.m_strUnit = u"m/s";
    auto withUnitArea = s.Snap("Indicator-value-099");
    s.ind.m_dValueWidth = 1.0;
    s.ind.MoveWindow(10, 10, kW, kH - 1, TRUE);
    s.ind.MoveWindow(10, 10, kW, kH, TRUE);
    auto titled = s.Snap("Indicator-value-100");
    const CRect strip(0, 0, kW, 35);
    // "QC1101 (m/s)" takes more room than "QC1101".
    EXPECT_GT(CountInk(*titled, strip, IsWhiteInk), CountInk(*withUnitArea, strip, IsWhiteInk) + 20);
    EXPECT_EQ(s.ind.GetWindowText(), u"QC1101");
}

TEST(Indicator, DisabledIndicatorDrawsItsGreyFrameAndTitle) {
    IndicatorScene s;
    s.ind.EnableWindow(FALSE);
    auto snap = s.Snap("Indicator-disabled");
    EXPECT_TRUE(snap->Match({{3, 3, 0xC1D0D4, 12}, {1, kH - 3, 0x777F82, 12}, {0, 0, 0xC0C0C0, 30}}));
    EXPECT_GT(CountInk(*snap, CRect(0, 0, kW, 35), IsGreyText), 40);
}

TEST(Indicator, SideBySideWithUnitAndToggleBox) {
    BoxRecorder boxes;
    IndicatorScene s(false, 0, 1);
    s.ind.SetColor(0x00FF00);
    s.ind.m_pFnd->SetColor(0x80FF80);
    s.ind.m_strUnit = u"m/s";
    s.ind.m_IconFontFamily = &SharedFonts().m_iconFamily;
    s.ind.MoveWindow(10, 10, kW, kH - 1, TRUE);
    s.ind.SetValue(7.5);
    auto on = s.Snap("Indicator-side-toggle-on");
    const CRect box(s.ind.m_rcCheck);
    s.ind.m_dwFlags &= ~CIndicator::kToggleOn;
    auto off = s.Snap("Indicator-side-toggle-off");
    // The box is white; with the toggle on the check mark covers part of it.
    EXPECT_TRUE(off->Near(box.CenterPoint().x, box.CenterPoint().y, colours::kWhite, 10));
    EXPECT_LT(CountInk(*on, box, IsWhiteInk), CountInk(*off, box, IsWhiteInk) - 10);
    // The unit stands in white right of the value area.
    EXPECT_GT(CountInk(*on, s.ind.m_rcUnit, IsWhiteInk), 20);
    // Without the icon family the box is still drawn, and it is said once, after the paint.
    s.ind.m_IconFontFamily = nullptr;
    s.ind.m_dwFlags |= CIndicator::kToggleOn;
    s.Snap("Indicator-side-no-family");
    s.Snap("Indicator-side-no-family-again");
    platform::PumpEvents(30);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0], u"CIndicator::DrawItem>m_IconFontFamily is NULL");
}

TEST(Indicator, OwnValueTextInItsBox) {
    IndicatorScene s(false, 0, 0);
    s.ind.m_dwFlags |= CIndicator::kOwnValue | CIndicator::kValueBox;
    s.ind.m_crValueBack = 0x202020;
    s.ind.SetColor(0x00FFFF);
    s.ind.ShowWindow(SW_HIDE);
    s.ind.ShowWindow(SW_SHOW);  // with its own value text the displays stay as they are
    s.ind.m_pFnd->ShowWindow(SW_HIDE);
    s.ind.SetValue(42.0);
    EXPECT_EQ(s.ind.m_strValue, u"42.0");
    auto snap = s.Snap("Indicator-own-value");
    const CRect value(s.ind.m_rcValue);
    EXPECT_TRUE(snap->Near(value.left + 3, value.top + 3, 0x202020, 8));
    auto yellow = [](COLORREF c) { return GetRValue(c) > 180 && GetGValue(c) > 180 && GetBValue(c) < 80; };
    EXPECT_GT(CountInk(*snap, value, yellow), 50);
}

// The indicator keeps no copy of what lies under it between paints: when the
// window under it paints in another colour, its rounded corners show that
// colour, from the window's own paint and from its own.
TEST(Indicator, CornersShowTheBackgroundAsItIsNow) {
    IndicatorScene s;
    s.ind.m_nRadius = 16;
    s.ind.Invalidate();
    const COLORREF before = PixelAt(GrabWindow(&s.scene.top), 11, 11);
    EXPECT_EQ(before, colours::kSlate);
    for (const COLORREF now : {RGB(0x80, 0x20, 0x20), RGB(0x10, 0x70, 0x30)}) {
        s.scene.left = s.scene.right = now;
        s.scene.top.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        EXPECT_EQ(PixelAt(GrabWindow(&s.scene.top), 11, 11), now);
        s.ind.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        const QImage image = GrabWindow(&s.scene.top);
        EXPECT_EQ(PixelAt(image, 11, 11), now);
        EXPECT_NE(PixelAt(image, 10 + kW / 2, 10 + kH / 2), now);  // the indicator itself drawn over it
    }
}
