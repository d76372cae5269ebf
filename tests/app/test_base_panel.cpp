// The stack panel: its grid arithmetic, the widgets of every stack and what
// each state shows, the click forwarded to the owner, and its picture.
#include <gtest/gtest.h>

#include <QEvent>
#include <QObject>
#include <QWidget>

#include <memory>

#include "app/base_panel.h"
#include "controls/fnd.h"
#include "controls/hmi_fonts.h"
#include "controls/indicator.h"
#include "controls/quor_text.h"
#include "platform/runtime/app.h"
#include "res/resources.h"
#include "tests/support/colours.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/recording_wnd.h"

namespace {

constexpr RECT kPanel1000x600{0, 0, 1000, 600};

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// A 1000 x 600 panel of twelve stacks on a top-level window, set up the way the
// main window sets it up, with the program's fonts.
struct PanelScene {
    MessageLog log;
    RecordingWnd top{"top", &log};
    std::unique_ptr<ConfigData> cfg = std::make_unique<ConfigData>();
    CBasePanel panel;
    HmiFontSet fonts;

    explicit PanelScene(void (*adjust)(ConfigData&) = nullptr) {
        static const bool registered = (res::RegisterResources(), true);
        (void)registered;
        fonts.LoadPrivateFonts();
        FillConfigDefaults(*cfg);
        if (adjust) adjust(*cfg);
        EXPECT_TRUE(top.CreateEx(0, nullptr, u"panel", WS_POPUP, CRect(0, 0, 1000, 600), nullptr, 0));
        top.logOnly = {WM_PANEL_NOTIFY};
        top.ShowWindow(SW_SHOW);
        EXPECT_TRUE(panel.CreateEx(0, nullptr, u"", 0x50010000, CRect(0, 0, 0, 0), &top, IDC_STACK_PANEL));
        panel.m_crBack = colours::kSlate;
        panel.m_pSegmentFont = &fonts.m_segmentFamily;
        panel.m_nStacks = 1;
        panel.CreateStacks();
        panel.m_bReady = 1;
        panel.Rebuild(cfg.get());
        panel.UpdateAll();
        panel.MoveWindow(0, 0, 1000, 600, TRUE);
        platform::PumpEvents(50);
    }
};

}  // namespace

TEST(StackPanel, CellArithmetic) {
    RECT ind{}, label{};
    // 4 x 3 on 1000 x 600: cells 250 x 200, margins 31 and 33; stack 5 is row 1, column 1.
    ASSERT_TRUE(StackCellRects(kPanel1000x600, 4, 3, 5, &ind, &label));
    EXPECT_TRUE(SameRect(ind, RECT{265, 200, 484, 300}));
    EXPECT_TRUE(SameRect(label, RECT{265, 300, 484, 366}));
    ASSERT_TRUE(StackCellRects(kPanel1000x600, 4, 3, 0, &ind, &label));
    EXPECT_TRUE(SameRect(ind, RECT{15, 0, 234, 100}));
    // No cells without columns or rows (grid bytes 0xFF and below), nor beyond the grid.
    struct Case {
        int columns, rows, index;
    };
    for (const Case c : {Case{0, 3, 0}, Case{4, 0, 0}, Case{-1, 3, 0}, Case{4, -1, 0}, Case{4, 3, 12}, Case{4, 3, -1}})
        EXPECT_FALSE(StackCellRects(kPanel1000x600, c.columns, c.rows, c.index, &ind, &label))
            << c.columns << " x " << c.rows << " #" << c.index;
}

TEST(StackPanel, LaysOutTwelveStacksInTheGridOfTheSettings) {
    PanelScene s;
    ASSERT_EQ(s.panel.m_nStacks, 12);
    EXPECT_TRUE(SameRect(s.panel.m_rcIndicator[5], RECT{265, 200, 484, 300}));
    EXPECT_TRUE(SameRect(s.panel.m_rcLabel[5], RECT{265, 300, 484, 366}));
    RECT placed{};
    s.panel.Indicator(5)->GetWindowRect(&placed);
    s.panel.ScreenToClient(&placed);
    EXPECT_TRUE(SameRect(placed, RECT{265, 200, 484, 300}));
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(s.panel.Indicator(i)->GetDlgCtrlID(), int(IDC_STACK_INDICATOR) + i);
        EXPECT_EQ(s.panel.Label(i)->GetDlgCtrlID(), int(IDC_STACK_INDICATOR) + i);
        const std::string name = "QC" + std::to_string(1101 + i);
        EXPECT_EQ(s.panel.Indicator(i)->GetWindowText(), std::u16string(name.begin(), name.end()));
    }
}

TEST(StackPanel, GridBytesWithoutRowsOrColumnsPlaceNothing) {
    for (auto adjust : {+[](ConfigData& c) { c.byGridY = 0xFE; }, +[](ConfigData& c) { c.byGridY = 0xFF; },
                        +[](ConfigData& c) { c.byGridX = 0xFF; }}) {
        PanelScene s(adjust);
        for (int i = 0; i < 12; ++i) EXPECT_TRUE(SameRect(s.panel.m_rcIndicator[i], RECT{})) << i;
    }
    // Three columns and one row: stacks beyond the grid keep their empty rectangles.
    PanelScene small(+[](ConfigData& c) { c.byGridX = 2, c.byGridY = 0; });
    EXPECT_FALSE(SameRect(small.panel.m_rcIndicator[2], RECT{}));
    EXPECT_TRUE(SameRect(small.panel.m_rcIndicator[3], RECT{}));
}

TEST(StackPanel, StatesShowValuesOrTheNoValueMark) {
    PanelScene s;
    CFnd* fnd = s.panel.Indicator(3)->m_pFnd;
    ASSERT_NE(fnd, nullptr);
    s.panel.m_fSpeed[3] = 3.5f;
    s.panel.m_fDirection[3] = 359.6f;
    s.panel.m_bShowDir[3] = 1;
    s.panel.UpdateStack(3, STACK_VALUES);
    EXPECT_EQ(fnd->DisplayText(), u"3.5");
    EXPECT_EQ(fnd->m_strUnit, u"m/s");
    EXPECT_EQ(s.panel.Label(3)->m_strText, u"   360\u00B0");

    s.panel.UpdateStack(3, STACK_NO_REPLY);
    EXPECT_EQ(s.panel.m_nState[3], STACK_NO_REPLY);
    EXPECT_EQ(fnd->DisplayText(), u"-----");
    EXPECT_EQ(fnd->m_strUnit, u"");
    EXPECT_EQ(s.panel.Label(3)->m_strText, u"");

    // The next reply brings the unit and the value back; without the flag no direction.
    s.panel.m_bShowDir[3] = 0;
    s.panel.m_fSpeed[3] = 12.25f;
    s.panel.UpdateStack(3, STACK_VALUES);
    EXPECT_EQ(fnd->m_strUnit, u"m/s");
    EXPECT_NE(fnd->DisplayText(), u"-----");
    EXPECT_EQ(s.panel.Label(3)->m_strText, u"");

    // Stacks without widgets or beyond the count are left alone.
    s.panel.UpdateStack(12, STACK_NO_REPLY);
    s.panel.UpdateStack(-1, STACK_NO_REPLY);
    EXPECT_EQ(s.panel.m_nState[12], 0);
}

namespace {

// Counts the paints a widget of the layer receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(CWnd* wnd) : m_widget(wnd->Widget()) { m_widget->installEventFilter(this); }
    ~PaintCounter() override { m_widget->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        paints += e->type() == QEvent::Paint;
        return false;
    }
    int paints = 0;

private:
    QWidget* m_widget;
};

}  // namespace

// Only a display whose shown value changes is painted again.
TEST(StackPanel, AnUpdateThatChangesNothingPaintsNothing) {
    PanelScene s;
    s.panel.m_fSpeed[2] = 3.51f;
    s.panel.UpdateStack(2, STACK_VALUES);
    platform::PumpEvents(30);
    PaintCounter fnd(s.panel.Indicator(2)->m_pFnd), label(s.panel.Label(2)), other(s.panel.Indicator(3)->m_pFnd);
    s.panel.UpdateStack(2, STACK_VALUES);  // the same reading again
    s.panel.m_fSpeed[2] = 3.54f;           // reads "3.5" as before
    s.panel.UpdateStack(2, STACK_VALUES);
    platform::PumpEvents(30);
    EXPECT_EQ(fnd.paints, 0);
    EXPECT_EQ(label.paints, 0);
    s.panel.m_fSpeed[2] = 3.66f;
    s.panel.UpdateStack(2, STACK_VALUES);
    platform::PumpEvents(30);
    EXPECT_GE(fnd.paints, 1);
    EXPECT_EQ(s.panel.Indicator(2)->m_pFnd->DisplayText(), u"3.7");
    EXPECT_EQ(other.paints, 0);
}

TEST(StackPanel, IndicatorClickReachesTheOwnerWithTheStackIndex) {
    PanelScene s;
    s.log.clear();
    s.panel.SendMessage(WM_INDICATOR_NOTIFY, IDC_STACK_INDICATOR + 7, INDICATOR_NOTIFY_VALUE_CLICK);
    s.panel.SendMessage(WM_INDICATOR_NOTIFY, IDC_STACK_INDICATOR + 12, INDICATOR_NOTIFY_VALUE_CLICK);
    s.panel.SendMessage(WM_INDICATOR_NOTIFY, 999, INDICATOR_NOTIFY_VALUE_CLICK);
    ASSERT_EQ(CountOf(s.log, WM_PANEL_NOTIFY), 1);
    EXPECT_EQ(s.log[0].wParam, WPARAM(IDC_STACK_PANEL));
    EXPECT_EQ(s.log[0].lParam, 7);
}

TEST(StackPanel, Picture) {
    PanelScene s;
    for (int i = 0; i < 12; ++i) {
        s.panel.m_fSpeed[i] = 1.5f + float(i);
        s.panel.m_fDirection[i] = 30.0f * float(i);
        s.panel.m_bShowDir[i] = i % 2 == 0;
        s.panel.UpdateStack(i, i == 4 ? STACK_NO_REPLY : STACK_VALUES);
    }
    platform::PumpEvents(50);
    auto snap = SnapWindow(&s.top, "twelve-stacks");
    SaveTestImage(snap->Image(), "twelve-stacks");
    EXPECT_TRUE(snap->Match({
        {2, 590, colours::kSlate},    // below the last row: the panel's background
        {500, 180, colours::kSlate},  // between two cells
        {240, 50, colours::kSlate},   // right of stack 0's indicator
    }));
}

// The window closed around the panel (another way out of a modal loop than the
// exit command): the panel deletes its indicators in WM_DESTROY, and the rest
// of the destroy goes on without them.
TEST(StackPanel, DestroyedWithItsParentWindowWhileItStillHoldsItsStacks) {
    PanelScene s;
    ASSERT_NE(s.panel.Indicator(0), nullptr);
    const HWND indicator = s.panel.Indicator(0)->m_hWnd;
    ASSERT_TRUE(s.top.DestroyWindow());
    EXPECT_EQ(s.panel.m_hWnd, nullptr);
    EXPECT_FALSE(IsWindow(indicator));
    EXPECT_EQ(s.panel.Indicator(0), nullptr);
    platform::PumpEvents(20);
}
