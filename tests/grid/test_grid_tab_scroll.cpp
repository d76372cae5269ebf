// Tab and Shift+Tab at a row's ends in a scrolled grid: the focus wraps to the
// next or previous row, and the scroll bars, the picture on the screen, the
// first cell in view and the cell a click hits must all move with it. Every
// scrolling cell is painted in a colour of its own, so the picture says which
// cell is drawn where, and the scroll positions say where it should be.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/grid/grid_input_fixture.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"

namespace {

using grid_test::InputGrid;

constexpr int kRows = 30, kCols = 12, kWidth = 50, kHeight = 20;

COLORREF CellColour(int row, int col) { return RGB(10 + col * 20, 10 + row * 8, 90); }

// The cell whose colour the pixel has, or (-1, -1).
CCellID CellOfColour(COLORREF c) {
    if (GetBValue(c) != 90 || (GetRValue(c) - 10) % 20 || (GetGValue(c) - 10) % 8) return CCellID();
    return CCellID((GetGValue(c) - 10) / 8, (GetRValue(c) - 10) / 20);
}

struct ScrolledGrid {
    InputGrid w{300, 200};
    int fixedRows, fixedCols;

    ScrolledGrid(int fr, int fc) : fixedRows(fr), fixedCols(fc) {
        w.Fill(kRows, kCols, fr, fc, kWidth, kHeight);
        for (int r = fr; r < kRows; ++r)
            for (int c = fc; c < kCols; ++c) {
                CellItem item;
                item.row = r;
                item.col = c;
                item.mask = 0x01 | 0x10;  // no text, a back colour of its own
                item.crBkClr = CellColour(r, c);
                w.grid.SetItem(&item);
            }
        grid_test::Pump();
    }

    // The first scrolling cell the scroll bars' positions put in view: whole
    // rows and columns, the first one that the position does not pass.
    CCellID TopLeftByBars() const {
        const int v = w.grid.GetScrollPos(SB_VERT), h = w.grid.GetScrollPos(SB_HORZ);
        return CCellID(fixedRows + (v + kHeight - 1) / kHeight, fixedCols + (h + kWidth - 1) / kWidth);
    }
    // Where the bars put a scrolling cell, in client pixels (inclusive edges).
    CRect RectByBars(const CCellID& cell) const {
        const CCellID top = TopLeftByBars();
        const int x = fixedCols * kWidth + (cell.col - top.col) * kWidth;
        const int y = fixedRows * kHeight + (cell.row - top.row) * kHeight;
        return CRect(x, y, x + kWidth - 1, y + kHeight - 1);
    }
    CRect ScrollArea() {
        CRect client;
        w.grid.GetClientRect(&client);
        return CRect(fixedCols * kWidth, fixedRows * kHeight, client.right, client.bottom);
    }
    bool InView(const CCellID& cell) {
        const CRect r = RectByBars(cell), area = ScrollArea();
        return r.left >= area.left && r.top >= area.top && r.right < area.right && r.bottom < area.bottom;
    }
    QImage Picture() {
        grid_test::Pump();
        CRect client;
        w.grid.GetClientRect(&client);
        return GrabWindow(&w.grid).copy(InputGrid::kEdge, InputGrid::kEdge, client.Width(), client.Height());
    }
};

struct Key {
    int key;
    Qt::KeyboardModifiers mods = Qt::NoModifier;
};
const Key kTab{Qt::Key_Tab}, kBackTab{Qt::Key_Backtab, Qt::ShiftModifier}, kEnd{Qt::Key_End},
    kHome{Qt::Key_Home}, kDown{Qt::Key_Down}, kUp{Qt::Key_Up}, kCtrlEnd{Qt::Key_End, Qt::ControlModifier},
    kCtrlHome{Qt::Key_Home, Qt::ControlModifier};

struct Case {
    const char* name;
    int fixedRows, fixedCols;
    CCellID click;          // clicked first (in the unscrolled view)
    std::vector<Key> keys;  // then these, to scroll
    Key last;               // the key at the row's end
    CCellID from, to;       // the focus before and after it
};

}  // namespace

TEST(GridKeys, TabAndShiftTabAtTheRowsEndsKeepTheViewTheBarsAndTheFocusInStep) {
    const std::vector<Case> cases = {
        {"scrolled right, Tab from the last column", 2, 2, {3, 4}, {kEnd}, kTab, {3, 11}, {4, 2}},
        {"one fixed row and column", 1, 1, {3, 3}, {kEnd}, kTab, {3, 11}, {4, 1}},
        {"no fixed rows or columns", 0, 0, {3, 3}, {kEnd}, kTab, {3, 11}, {4, 0}},
        {"unscrolled, Shift+Tab from the first column", 2, 2, {5, 3}, {kHome}, kBackTab, {5, 2}, {4, 11}},
        {"scrolled right and down, Tab from the bottom row in view", 2, 2, {3, 4},
         {kEnd, kDown, kDown, kDown, kDown, kDown, kDown, kDown, kDown}, kTab, {11, 11}, {12, 2}},
        {"scrolled down, Shift+Tab from the top row in view", 2, 2, {3, 4},
         {kCtrlEnd, kHome, kUp, kUp, kUp, kUp, kUp, kUp, kUp, kUp, kUp, kUp, kUp, kUp, kUp, kUp, kUp},
         kBackTab, {14, 2}, {13, 11}},
        {"Tab on the last cell stays", 2, 2, {3, 4}, {kCtrlEnd}, kTab, {29, 11}, {29, 11}},
        {"Shift+Tab on the first cell stays", 2, 2, {3, 4}, {kEnd, kCtrlHome}, kBackTab, {2, 2}, {2, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScrolledGrid g(c.fixedRows, c.fixedCols);
        InputGrid& w = g.w;
        w.Click(w.At(c.click.row, c.click.col));
        for (const Key& k : c.keys) w.Key(k.key, k.mods);
        ASSERT_EQ(w.grid.GetFocusCell(), c.from);
        const bool wraps = c.from != c.to;
        if (wraps) {
            ASSERT_FALSE(g.InView(c.to)) << "the case must make the grid scroll";
        }
        const int hBefore = w.grid.GetScrollPos(SB_HORZ), vBefore = w.grid.GetScrollPos(SB_VERT);

        w.Key(c.last.key, c.last.mods);
        EXPECT_EQ(w.grid.GetFocusCell(), c.to);
        if (!wraps) {
            EXPECT_EQ(w.grid.GetScrollPos(SB_HORZ), hBefore);
            EXPECT_EQ(w.grid.GetScrollPos(SB_VERT), vBefore);
        } else if (c.last.key == Qt::Key_Tab) {
            EXPECT_EQ(w.grid.GetScrollPos(SB_HORZ), 0) << "back to the first column";
        } else {
            EXPECT_GT(w.grid.GetScrollPos(SB_HORZ), 0) << "over to the last column";
        }

        // The first cell in view follows the bars, and the grid says so too.
        const CCellID top = g.TopLeftByBars();
        EXPECT_EQ(w.grid.GetTopLeftScrollCell(), top);
        const Snapshot shot(g.Picture(), "case" + std::to_string(&c - cases.data()));
        const CRect topRect = g.RectByBars(top);
        const CPoint topPoint(topRect.right - 4, topRect.top + 3);
        if (top != c.to) {
            EXPECT_EQ(CellOfColour(shot.Pixel(topPoint.x, topPoint.y)), top) << "the picture's first cell in view";
        }

        // The focus cell is drawn wholly inside the scrolling area, where the
        // bars put it, framed and in the selection colour.
        EXPECT_TRUE(g.InView(c.to));
        const CRect focus = g.RectByBars(c.to);
        EXPECT_TRUE(shot.Near(focus.right - 4, focus.top + 3, GetSysColor(COLOR_HIGHLIGHT)));
        EXPECT_TRUE(w.grid.IsCellVisible(c.to.row, c.to.col));

        // A click on the first cell drawn in view hits that cell.
        EXPECT_EQ(w.grid.GetCellFromPt(topPoint), top);
        w.Click(topPoint);
        EXPECT_EQ(w.grid.GetFocusCell(), top) << "the click went where " << top.row << "," << top.col << " is drawn";
    }
}
