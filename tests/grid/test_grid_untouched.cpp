// Cells that nobody has written to are kept in brief in their row's slots: a
// grid of plain cells must read, draw, select, sort and resize exactly as a grid
// whose every cell is an object, and reading must make no cell objects.
#include <gtest/gtest.h>

#include <QImage>
#include <functional>

#include "grid/grid_ctrl.h"
#include "tests/grid/grid_fixture.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/recording_wnd.h"

namespace {

using grid_test::Pump;
using grid_test::UntouchedSlots;

// The plain cell under another class name: a grid of these makes every cell's
// object at once, as grids did before cells could stay untouched.
class MadeCell : public CGridCell {
    DECLARE_DYNCREATE(MadeCell)
};
IMPLEMENT_DYNCREATE(MadeCell, CGridCell)

// Two grids side by side, one of plain cells and one that makes every cell,
// given the same steps.
struct TwoGrids {
    MessageLog log;
    RecordingWnd top{"top", &log};
    CGridCtrl plain;
    CGridCtrl made;

    TwoGrids() {
        EXPECT_TRUE(top.CreateEx(0, nullptr, u"grids", WS_POPUP | WS_VISIBLE, CRect(20, 20, 660, 260), nullptr, 0));
        EXPECT_TRUE(plain.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 220), &top, 1));
        EXPECT_TRUE(made.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(320, 0, 620, 220), &top, 2));
        made.SetDefaultCellType(RUNTIME_CLASS(MadeCell));
        Both([](CGridCtrl& g) {
            g.SetColumnCount(4);
            g.SetRowCount(6);
            g.SetFixedRowCount(1);
            g.SetFixedColumnCount(1);
            for (int c = 0; c < 4; ++c) g.SetColumnWidth(c, 50);
            for (int r = 0; r < 6; ++r) g.SetRowHeight(r, 20);
            g.SetItemText(2, 1, u"b");
            g.SetItemText(4, 1, u"a");
            g.SetItemText(5, 2, u"c");
            g.SetItemText(0, 1, u"H");
        });
    }

    void Both(const std::function<void(CGridCtrl&)>& step) {
        step(plain);
        step(made);
    }

    // Everything a user of the grid can read, and the pictures, alike.
    void ExpectAlike() {
        ASSERT_EQ(plain.GetRowCount(), made.GetRowCount());
        ASSERT_EQ(plain.GetColumnCount(), made.GetColumnCount());
        EXPECT_EQ(plain.GetSelectedCount(), made.GetSelectedCount());
        EXPECT_EQ(plain.GetFocusCell(), made.GetFocusCell());
        for (int r = 0; r < plain.GetRowCount(); ++r)
            for (int c = 0; c < plain.GetColumnCount(); ++c) {
                SCOPED_TRACE(testing::Message() << "cell " << r << "," << c);
                EXPECT_EQ(plain.GetItemText(r, c), made.GetItemText(r, c));
                EXPECT_EQ(plain.GetItemState(r, c), made.GetItemState(r, c));
                EXPECT_EQ(plain.IsCellSelected(r, c), made.IsCellSelected(r, c));
                CGridCellBase* a = plain.ReadCell(r, c);
                CGridCellBase* b = made.ReadCell(r, c);
                ASSERT_EQ(a == nullptr, b == nullptr);
                if (a) { EXPECT_EQ(a->GetFormat(), b->GetFormat()); }
            }
        plain.Invalidate();
        made.Invalidate();
        Pump();
        const QImage a = GrabWindow(&plain), b = GrabWindow(&made);
        EXPECT_TRUE(a == b) << "the two grids are drawn alike";
        // Cells given their objects now read as they did in brief.
        for (int r = 0; r < plain.GetRowCount(); ++r)
            for (int c = 0; c < plain.GetColumnCount(); ++c) {
                CGridCellBase* x = plain.GetCell(r, c);
                CGridCellBase* y = made.GetCell(r, c);
                ASSERT_EQ(x == nullptr, y == nullptr);
                if (!x) continue;
                EXPECT_EQ(x->GetFormat(), y->GetFormat()) << r << "," << c;
                EXPECT_EQ(x->GetState(), y->GetState()) << r << "," << c;
            }
    }
};

constexpr DWORD kRight = DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
constexpr DWORD kCentre = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;

}  // namespace

TEST(UntouchedCells, ReadAndDrawAsCellsMadeAtOnce) {
    struct Case {
        const char* name;
        std::function<void(CGridCtrl&)> steps;
    };
    const Case cases[] = {
        {"as made", [](CGridCtrl&) {}},
        {"all selected, then a block",
         [](CGridCtrl& g) {
             g.SelectAllCells();
             g.SetSelectedRange(2, 1, 3, 2);
         }},
        {"focus and a read-only cell",
         [](CGridCtrl& g) {
             g.SetFocusCell(3, 2);
             g.SetItemState(4, 3, g.GetItemState(4, 3) | CIS_READONLY);
         }},
        {"fixed counts grow and shrink",
         [](CGridCtrl& g) {
             g.SetFixedColumnCount(2);
             g.SetFixedRowCount(2);
             g.SetFixedColumnCount(0);
         }},
        {"the default formats change between new rows and columns",
         [](CGridCtrl& g) {
             g.m_cellDefault.SetFormat(kRight);
             g.m_cellFixedColumnDefault.SetFormat(kCentre);
             g.SetRowCount(8);
             g.SetColumnCount(5);
             g.SetColumnWidth(4, 50);
             for (int r = 6; r < 8; ++r) g.SetRowHeight(r, 20);
             g.m_cellDefault.SetFormat(kCentre);
             for (const CCellID& c : {CCellID(1, 2), CCellID(7, 2), CCellID(3, 4), CCellID(7, 0)})
                 g.SetItemText(c.row, c.col, u"x");
         }},
        {"sorted both ways",
         [](CGridCtrl& g) {
             g.SortItems(1, TRUE);
             g.SortItems(2, FALSE);
         }},
        {"columns dropped and added",
         [](CGridCtrl& g) {
             g.SetColumnCount(2);
             g.SetColumnCount(4);
             for (int c = 2; c < 4; ++c) g.SetColumnWidth(c, 50);
         }},
        {"rows dropped and added",
         [](CGridCtrl& g) {
             g.SelectAllCells();
             g.SetRowCount(3);
             g.SetRowCount(7);
             g.SetRowHeight(6, 20);
         }},
        {"a state past the bits a slot keeps",
         [](CGridCtrl& g) { g.SetItemState(2, 2, 0x1000000u | CIS_SELECTED); }},
        {"a cell destroyed", [](CGridCtrl& g) { g.DestroyCell(3, 3); }},
        {"every cell read, then one coloured",
         [](CGridCtrl& g) {
             for (int r = 0; r < g.GetRowCount(); ++r)
                 for (int c = 0; c < g.GetColumnCount(); ++c) g.GetItemText(r, c);
             g.Invalidate();
             Pump();
             g.GetCell(3, 2)->SetBackClr(RGB(255, 0, 0));
             g.GetCell(1, 0)->SetTextClr(RGB(0, 0, 255));
             g.SetItemText(1, 0, u"t");
         }},
        {"the selection cut",
         [](CGridCtrl& g) {
             g.SetSelectedRange(1, 1, 4, 2);
             g.CutSelectedText();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwoGrids grids;
        grids.Both(c.steps);
        grids.ExpectAlike();
    }
}

TEST(UntouchedCells, KeepTheFormatTheirDefaultHadWhenTheyWereMade) {
    TwoGrids grids;
    CGridCtrl& g = grids.plain;
    const DWORD first = g.m_cellDefault.GetFormat();
    g.m_cellDefault.SetFormat(kRight);
    g.SetRowCount(7);
    EXPECT_EQ(g.ReadCell(3, 2)->GetFormat(), first);
    EXPECT_EQ(g.ReadCell(6, 2)->GetFormat(), kRight);
    EXPECT_EQ(g.GetCell(3, 2)->GetFormat(), first) << "the cell's own object keeps it";
    EXPECT_EQ(g.GetCell(6, 2)->GetFormat(), kRight);
}

TEST(UntouchedCells, ReadingMakesNoCellObjects) {
    TwoGrids grids;
    CGridCtrl& g = grids.plain;
    g.SetRowCount(40);
    for (int r = 6; r < 40; ++r) g.SetRowHeight(r, 20);
    const int before = UntouchedSlots(g);
    ASSERT_GT(before, 100);

    g.Invalidate();
    Pump();
    for (int r = 0; r < g.GetRowCount(); ++r)
        for (int c = 0; c < g.GetColumnCount(); ++c) g.GetItemText(r, c);
    g.SelectAllCells();
    delete g.CopyTextFromGrid();
    g.SetFocusCell(10, 3);
    g.EnsureVisible(39, 3);
    g.SortItems(3, TRUE);
    g.AutoSizeColumn(3);
    g.Invalidate();
    Pump();
    EXPECT_EQ(UntouchedSlots(g), before);

    // Writing gives that one cell an object of its own and leaves the others.
    g.SetItemText(7, 3, u"w");
    EXPECT_EQ(UntouchedSlots(g), before - 1);
    EXPECT_EQ(g.GetItemText(8, 3), u"");
    EXPECT_NE(g.GetCell(8, 3), g.GetCell(9, 3));
}
