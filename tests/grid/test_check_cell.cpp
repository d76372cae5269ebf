// The check-box cell: its box, its text, clicks and repaints.
#include <gtest/gtest.h>

#include "grid/grid_cell_check.h"
#include "platform/base/sysmetrics.h"
#include "tests/grid/grid_fixture.h"
#include "tests/support/pixel_harness.h"

using namespace grid_test;
using namespace colours;

namespace {

struct CheckScene : GridScene {
    CheckScene() : GridScene(200, 80) {
        grid.Fill(3, 2, 1, 0, RUNTIME_CLASS(CGridCellCheck));
        grid.cellHeight = 30;
    }
    CGridCellCheck* Cell(int row, int col) { return static_cast<CGridCellCheck*>(grid.GetCell(row, col)); }
    // Draws the cell where the grid shows it, as the grid's painting does.
    void DrawCell(int row, int col, Canvas& canvas) { Cell(row, col)->Draw(&canvas.DC(), row, col, grid.CellRect(row, col), TRUE); }
};

}  // namespace

TEST(CheckCell, BoxIsAScrollArrowWideAfterTheMargin) {
    CheckScene s;
    const int n = GetSystemMetrics(SM_CXHSCROLL);
    ASSERT_GT(n, 0);
    Canvas canvas(200, 100, kSilver);
    s.DrawCell(1, 1, canvas);
    const int m = int(s.Cell(1, 1)->GetMargin());
    const CRect box = s.Cell(1, 1)->GetCheckPlacement();
    EXPECT_EQ(box, CRect(60 + m, 30 + m, 60 + m + n, 30 + m + n));
    // A row lower than the box and two margins centres it.
    s.grid.cellHeight = n + 2 * m - 2;
    s.DrawCell(1, 1, canvas);
    const CRect cell = s.grid.CellRect(1, 1);
    const CRect centred = s.Cell(1, 1)->GetCheckPlacement();
    EXPECT_EQ(centred.top, cell.top + (cell.Height() - n) / 2);
    EXPECT_EQ(centred.Height(), n);

    const CSize extent = s.Cell(2, 0)->GetCellExtent(nullptr);
    EXPECT_GE(extent.cy, n + 2 * m);
}

TEST(CheckCell, DrawsTheBoxAndMovesTheTextPastIt) {
    CheckScene s;
    s.Cell(1, 1)->SetText(u"Dir");
    Canvas off(200, 100, kSilver), on(200, 100, kSilver);
    s.DrawCell(1, 1, off);
    s.Cell(1, 1)->SetCheck(TRUE);
    s.DrawCell(1, 1, on);
    const CRect box = s.Cell(1, 1)->GetCheckPlacement();
    auto offSnap = off.Snap("unchecked");
    auto onSnap = on.Snap("checked");
    SaveTestImage(offSnap->Image(), "unchecked");
    SaveTestImage(onSnap->Image(), "checked");
    // The box's inside is white; the tick shows only when checked.
    const CPoint mid = box.CenterPoint();
    EXPECT_TRUE(offSnap->Match({{mid.x, mid.y, kWhite}}));
    EXPECT_FALSE(onSnap->Near(mid.x, mid.y, kWhite, 60));
    // The text starts right of the box.
    const CRect ink = InkBounds(offSnap->Image(), CRect(box.right + 1, 31, 119, 59), kWhite);
    ASSERT_FALSE(ink.IsRectEmpty());
    CRect textRect = s.grid.CellRect(1, 1);
    s.Cell(1, 1)->GetTextRect(&textRect);
    EXPECT_GE(textRect.left, box.right);
}

TEST(CheckCell, ClickInTheBoxTogglesWhereEditable) {
    struct Case {
        const char* name;
        bool editable;
        bool readOnly;
        bool inBox;
        bool toggles;
    } cases[] = {
        {"editable, in the box", true, false, true, true},
        {"editable, on the text", true, false, false, false},
        {"grid not editable", false, false, true, false},
        {"cell read-only", true, true, true, false},
    };
    for (const Case& c : cases) {
        CheckScene s;
        Canvas canvas(200, 100, kSilver);
        s.grid.m_bEditable = c.editable;
        s.Cell(1, 1)->SetState(c.readOnly ? CIS_READONLY : 0);
        s.DrawCell(1, 1, canvas);
        const CRect cell = s.grid.CellRect(1, 1);
        const CRect box = s.Cell(1, 1)->GetCheckPlacement();
        const CPoint at = c.inBox ? CPoint(box.left + 3 - cell.left, box.top + 3 - cell.top) : CPoint(50, 10);
        s.Cell(1, 1)->OnClick(at);
        EXPECT_EQ(bool(s.Cell(1, 1)->GetCheck()), c.toggles) << c.name;
        s.Cell(1, 1)->OnClick(at);
        EXPECT_FALSE(s.Cell(1, 1)->GetCheck()) << c.name << ": a second click toggles back";
    }
}

TEST(CheckCell, RepaintsOnlyOnceDrawn) {
    CheckScene s;
    Pump();
    s.grid.log.clear();
    s.Cell(1, 1)->SetCheck(TRUE);  // never drawn: nothing to repaint
    Pump();
    EXPECT_TRUE(s.Cell(1, 1)->GetCheck());
    EXPECT_EQ(s.Count(WM_PAINT), 0);
    Canvas canvas(200, 100, kSilver);
    s.DrawCell(1, 1, canvas);
    s.Cell(1, 1)->SetCheck(FALSE);
    Pump();
    EXPECT_GE(s.Count(WM_PAINT), 1);
}
