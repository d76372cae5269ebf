// The grid's drop target over the layer's drag loop, and its off-screen
// painting context.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "grid/grid_drop_target.h"
#include "grid/grid_mem_dc.h"
#include "tests/grid/grid_fixture.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"

using namespace grid_test;
using namespace colours;

namespace {

// A grid that takes drops and says what it heard.
class DropGrid : public TestGrid {
public:
    DROPEFFECT OnDragEnter(COleDataObject* data, DWORD keyState, CPoint point) override {
        heard.push_back("enter");
        lastPoint = point;
        lastKeys = keyState;
        lastData = data;
        return (keyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
    }
    DROPEFFECT OnDragOver(COleDataObject* /*data*/, DWORD keyState, CPoint point) override {
        heard.push_back("over");
        lastPoint = point;
        lastKeys = keyState;
        return (keyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
    }
    void OnDragLeave() override { heard.push_back("leave"); }
    BOOL OnDrop(COleDataObject* /*data*/, DROPEFFECT effect, CPoint point) override {
        heard.push_back("drop");
        lastPoint = point;
        lastEffect = effect;
        return TRUE;
    }
    std::vector<std::string> heard;
    CPoint lastPoint;
    DWORD lastKeys = 0;
    DROPEFFECT lastEffect = 0;
    COleDataObject* lastData = nullptr;
};

struct DropScene {
    MessageLog log;
    RecordingWnd top{"top", &log};
    DropGrid grid;
    RecordingWnd other{"other", &log};

    DropScene() {
        top.logOnly = {WM_NULL};
        other.logOnly = {WM_NULL};
        EXPECT_TRUE(top.CreateEx(0, nullptr, u"drop", WS_POPUP | WS_VISIBLE, CRect(50, 50, 450, 250), nullptr, 0));
        EXPECT_TRUE(grid.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(10, 10, 210, 110), &top, 77));
        EXPECT_TRUE(other.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(250, 10, 350, 110), &top, 78));
        grid.Fill(4, 3);
        grid.logging = false;
    }
};

}  // namespace

TEST(GridDropTarget, RegistersTheGridOnceAndRevokes) {
    DropScene s;
    CGridDropTarget target;
    EXPECT_FALSE(target.m_bRegistered);
    EXPECT_TRUE(target.Register(&s.grid));
    EXPECT_TRUE(target.m_bRegistered);
    EXPECT_EQ(target.m_pGridCtrl, &s.grid);
    EXPECT_EQ(COleDropTarget::FromWindow(s.grid.GetSafeHwnd()), &target);
    CGridDropTarget second;
    EXPECT_FALSE(second.Register(&s.grid));  // the window has its target
    target.Revoke();
    EXPECT_FALSE(target.m_bRegistered);
    EXPECT_EQ(COleDropTarget::FromWindow(s.grid.GetSafeHwnd()), nullptr);
    EXPECT_TRUE(second.Register(&s.grid));
}

TEST(GridDropTarget, ForwardsOnlyForTheGridsWindow) {
    DropScene s;
    CGridDropTarget target;
    ASSERT_TRUE(target.Register(&s.grid));
    COleDataObject data;
    EXPECT_EQ(target.OnDragEnter(&s.other, &data, MK_LBUTTON, CPoint(5, 5)), DROPEFFECT_NONE);
    EXPECT_EQ(target.OnDragOver(&s.other, &data, MK_LBUTTON, CPoint(5, 5)), DROPEFFECT_NONE);
    EXPECT_FALSE(target.OnDrop(&s.other, &data, DROPEFFECT_MOVE, CPoint(5, 5)));
    target.OnDragLeave(nullptr);
    EXPECT_TRUE(s.grid.heard.empty());
    EXPECT_EQ(target.OnDragEnter(&s.grid, &data, MK_LBUTTON | MK_CONTROL, CPoint(7, 8)), DROPEFFECT_COPY);
    EXPECT_EQ(s.grid.lastPoint, CPoint(7, 8));
    EXPECT_EQ(s.grid.lastData, &data);
    EXPECT_TRUE(target.OnDrop(&s.grid, &data, DROPEFFECT_MOVE, CPoint(9, 9)));
    EXPECT_EQ(s.grid.heard, (std::vector<std::string>{"enter", "drop"}));
    // The scroll answer: a copy with Ctrl, else a move; never a scroll.
    EXPECT_EQ(target.OnDragScroll(&s.grid, MK_CONTROL, CPoint()), DROPEFFECT_COPY);
    EXPECT_EQ(target.OnDragScroll(&s.grid, MK_LBUTTON, CPoint()), DROPEFFECT_MOVE);
}

TEST(GridDropTarget, DragLoopCarriesTheDataOntoTheGrid) {
    DropScene s;
    CGridDropTarget target;
    ASSERT_TRUE(target.Register(&s.grid));
    COleDataObject data;
    // The pointer starts over the other window, moves onto the grid, moves there
    // with Ctrl, and is released.
    TimedSteps steps({[&] { SendMouseAt(&s.other, QEvent::MouseMove, 20, 20); },
                      [&] { SendMouseAt(&s.grid, QEvent::MouseMove, 30, 40); },
                      [&] { SendMouseAt(&s.grid, QEvent::MouseMove, 35, 45, Qt::LeftButton, Qt::ControlModifier); },
                      [&] { SendMouseAt(&s.grid, QEvent::MouseButtonRelease, 35, 45, Qt::NoButton, Qt::ControlModifier); }});
    const DROPEFFECT effect = DoDragLoop(&data, DROPEFFECT_COPY | DROPEFFECT_MOVE);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
    EXPECT_EQ(s.grid.heard, (std::vector<std::string>{"enter", "over", "drop"}));
    EXPECT_EQ(s.grid.lastPoint, CPoint(35, 45));
    EXPECT_EQ(s.grid.lastEffect, DROPEFFECT_COPY);
    EXPECT_EQ(s.grid.lastData, &data);
    EXPECT_FALSE(IsDragLoopRunning());
}

TEST(GridMemDC, BitmapCoversTheClipBoxAndCopiesOnlyThat) {
    Canvas canvas(60, 40, kWhite);
    canvas.DC().IntersectClipRect(10, 5, 30, 25);
    {
        CaMemDC mem(&canvas.DC());
        EXPECT_TRUE(mem.IsMemory());
        EXPECT_EQ(mem.GetArea(), CRect(10, 5, 30, 25));
        ASSERT_NE(mem.GetCurrentBitmap(), nullptr);
        EXPECT_EQ(mem.GetCurrentBitmap()->GetSize(), CSize(20, 20));
        // Drawing uses the target's coordinates.
        mem.FillSolidRect(0, 0, 60, 40, kRed);
        mem.FillSolidRect(12, 7, 3, 3, kBlue);
        // Nothing reaches the target before the end.
        EXPECT_TRUE(canvas.Snap("during")->Match({{15, 15, kWhite}}));
    }
    canvas.DC().SelectClipRgn(nullptr);
    EXPECT_TRUE(canvas.Snap()->Match({{10, 5, kRed}, {29, 24, kRed}, {13, 8, kBlue}, {9, 5, kWhite},
                                      {30, 24, kWhite}, {10, 25, kWhite}, {50, 35, kWhite}}));
}

TEST(GridMemDC, StartsFromTheTargetsBackgroundColour) {
    Canvas canvas(30, 30, kWhite);
    canvas.DC().SetBkColor(kYellow);
    { CaMemDC mem(&canvas.DC()); }
    EXPECT_TRUE(canvas.Snap()->Match({{0, 0, kYellow}, {29, 29, kYellow}}));
}

TEST(GridMemDC, PrinterContextIsDrawnOnDirectly) {
    Canvas canvas(30, 30, kWhite);
    canvas.DC().m_bPrinting = TRUE;
    {
        CaMemDC mem(&canvas.DC());
        EXPECT_FALSE(mem.IsMemory());
        EXPECT_TRUE(mem.IsPrinting());
        EXPECT_EQ(mem.GetSafeHdc(), canvas.DC().GetSafeHdc());
        mem.FillSolidRect(0, 0, 10, 10, kRed);
        EXPECT_TRUE(canvas.Snap("during")->Match({{5, 5, kRed}}));
    }
    // The printer context lives on.
    ASSERT_NE(canvas.DC().GetSafeHdc(), nullptr);
    canvas.DC().FillSolidRect(20, 20, 5, 5, kBlue);
    EXPECT_TRUE(canvas.Snap()->Match({{5, 5, kRed}, {22, 22, kBlue}}));
}
