// The grid window itself: counts, cells and items, painting and geometry,
// focus and selection, notifications and scrolling, in a real window.
#include <gtest/gtest.h>

#include <QImage>
#include <QScrollBar>
#include <QWidget>
#include <new>
#include <set>

#include "grid/grid_ctrl.h"
#include "platform/runtime/app.h"
#include "platform/window/window_dc.h"
#include "tests/grid/grid_fixture.h"
#include "tests/support/colours.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/recording_wnd.h"

namespace {

using grid_test::Pump;

// A grid of the given client size in a top-level window that logs the
// grid's notifications.
struct GridWindow {
    MessageLog log;
    RecordingWnd top{"top", &log};
    CGridCtrl grid;
    std::vector<GridNotifyInfo> notes;

    GridWindow(int width, int height) {
        top.logOnly = {WM_NOTIFY, WM_COMMAND};
        top.handlers[WM_NOTIFY] = [this](WPARAM, LPARAM l) -> LRESULT {
            const auto* hdr = reinterpret_cast<const NMHDR*>(l);
            if (hdr->code != GRIDN_ODCACHEHINT && hdr->code != GRIDN_GETDISPINFO)
                notes.push_back(*reinterpret_cast<const GridNotifyInfo*>(l));
            return 0;
        };
        EXPECT_TRUE(top.CreateEx(0, nullptr, u"grid", WS_POPUP | WS_VISIBLE, CRect(50, 50, 80 + width, 80 + height),
                                 nullptr, 0));
        // The grid's window gets a client edge of 2 pixels on every side.
        EXPECT_TRUE(grid.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                                CRect(10, 10, 14 + width, 14 + height), &top, 77));
    }

    // rows x cols cells of uniform size, with fixed headers and texts "r,c".
    void Fill(int rows, int cols, int fixedRows, int fixedCols, int width = 50, int height = 20) {
        grid.SetRowCount(rows);
        grid.SetColumnCount(cols);
        grid.SetFixedRowCount(fixedRows);
        grid.SetFixedColumnCount(fixedCols);
        for (int c = 0; c < cols; ++c) grid.SetColumnWidth(c, width);
        for (int r = 0; r < rows; ++r) grid.SetRowHeight(r, height);
        grid.ResetScrollBars();
    }

    // The grid's own picture as its paints left it (reading it paints nothing).
    QImage Picture() {
        CRect client;
        grid.GetClientRect(&client);
        Canvas canvas(client.Width(), client.Height());
        CClientDC dc(&grid);
        canvas.DC().BitBlt(0, 0, client.Width(), client.Height(), &dc, 0, 0, SRCCOPY);
        return canvas.Image();
    }

    // The grid as the screen shows it, in its client coordinates.
    QImage Client() {
        Pump();
        const QImage whole = GrabWindow(&grid);
        CRect client;
        grid.GetClientRect(&client);
        return whole.copy(2, 2, client.Width(), client.Height());
    }
};

std::vector<UINT> Codes(const std::vector<GridNotifyInfo>& notes) {
    std::vector<UINT> out;
    for (const auto& n : notes) out.push_back(n.hdr.code);
    return out;
}

}  // namespace

// ---------------------------------------------------------------------------
// Counts and cells

TEST(GridCounts, NewGridIsEmptyAndFixedRowsOnAnEmptyGridMakeFixedCells) {
    GridWindow w(300, 200);
    EXPECT_EQ(w.grid.GetRowCount(), 0);
    EXPECT_EQ(w.grid.GetColumnCount(), 0);
    EXPECT_EQ(w.grid.GetItemText(0, 0), u"");

    ASSERT_TRUE(w.grid.SetColumnCount(3));
    ASSERT_TRUE(w.grid.SetFixedRowCount(2));
    EXPECT_EQ(w.grid.GetRowCount(), 2);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(w.grid.GetItemState(r, c), 0x30u) << r << "," << c;
    // New columns take the fixed-column default cell's width, new rows the normal one's height.
    EXPECT_EQ(w.grid.GetColumnWidth(2), w.grid.m_cellFixedColumnDefault.GetWidth());
    EXPECT_EQ(w.grid.GetRowHeight(1), w.grid.m_cellDefault.GetHeight());
    EXPECT_EQ(w.grid.m_vecColumnOrder, (std::vector<int>{0, 1, 2}));
}

TEST(GridCounts, ShrinkingRowsLowersTheFixedCountAndClearsTheFocus) {
    GridWindow w(300, 200);
    w.Fill(6, 3, 3, 1);
    w.grid.SetFocusCell(5, 2);
    ASSERT_EQ(w.grid.GetFocusCell(), CCellID(5, 2));
    w.grid.m_bModified = FALSE;
    EXPECT_TRUE(w.grid.SetRowCount(6));
    EXPECT_FALSE(w.grid.m_bModified) << "the same count changes nothing";

    ASSERT_TRUE(w.grid.SetRowCount(2));
    EXPECT_EQ(w.grid.GetFixedRowCount(), 2);
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(-1, -1));
    EXPECT_EQ(w.grid.GetCell(2, 0), nullptr);
}

TEST(GridCounts, NegativeCountsAreRefusedAndChangeNothing) {
    GridWindow w(300, 200);
    w.Fill(4, 3, 1, 1);
    EXPECT_FALSE(w.grid.SetRowCount(-1));
    EXPECT_FALSE(w.grid.SetColumnCount(-5));
    EXPECT_FALSE(w.grid.SetFixedRowCount(-1));
    EXPECT_FALSE(w.grid.SetFixedColumnCount(-2));
    EXPECT_EQ(w.grid.GetRowCount(), 4);
    EXPECT_EQ(w.grid.GetColumnCount(), 3);
    EXPECT_EQ(w.grid.GetFixedRowCount(), 1);
    EXPECT_EQ(w.grid.GetFixedColumnCount(), 1);
}

TEST(GridCounts, FewerColumnsAfterAReorderFreeTheDroppedCellsOnce) {
    GridWindow w(300, 200);
    w.Fill(3, 4, 0, 0);
    for (int c = 0; c < 4; ++c) w.grid.SetItemText(1, c, std::u16string(1, char16_t(u'A' + c)).c_str());
    // Display order 3, 2, 1, 0: display column 0 shows stored column 3.
    w.grid.m_vecColumnOrder = {3, 2, 1, 0};
    w.grid.SetSelectedRange(0, 0, 2, 3);
    ASSERT_EQ(w.grid.GetSelectedCount(), 12u);

    // The sanitizer build fails this test on a double free or a leak.
    ASSERT_TRUE(w.grid.SetColumnCount(2));
    EXPECT_EQ(w.grid.GetItemText(1, 0), u"A");
    EXPECT_EQ(w.grid.GetItemText(1, 1), u"B");
    EXPECT_EQ(w.grid.GetSelectedCount(), 6u) << "dropped cells leave the selection";
    for (const auto& [key, cell] : w.grid.m_mapSelected) EXPECT_LT(cell.col, 2);
}

// ---------------------------------------------------------------------------
// Items

TEST(GridItems, SetItemMarksModifiedFirstAndKeepsTheSelectionMap) {
    GridWindow w(300, 200);
    w.Fill(4, 4, 1, 1);
    CellItem item;
    item.row = 2;
    item.col = 2;
    item.mask = CIF_TEXT | CIF_STATE;
    item.strText = u"x";
    item.nState = CIS_SELECTED;
    ASSERT_TRUE(w.grid.SetItem(&item));
    EXPECT_EQ(w.grid.GetItemText(2, 2), u"x");
    EXPECT_EQ(w.grid.GetItemState(2, 2), UINT(CIS_SELECTED)) << "the given state replaces the modified bit";
    EXPECT_EQ(w.grid.GetSelectedCount(), 1u);

    item.mask = CIF_TEXT;
    item.strText = u"y";
    ASSERT_TRUE(w.grid.SetItem(&item));
    EXPECT_EQ(w.grid.GetItemState(2, 2), UINT(CIS_SELECTED | CIS_MODIFIED));

    item.mask = CIF_STATE;
    item.nState = 0;
    ASSERT_TRUE(w.grid.SetItem(&item));
    EXPECT_EQ(w.grid.GetSelectedCount(), 0u);

    item.row = 9;
    EXPECT_FALSE(w.grid.SetItem(&item)) << "no such cell";
    EXPECT_FALSE(w.grid.SetItem(nullptr));
}

TEST(GridItems, DestroyingASelectedCellLeavesTheMap) {
    GridWindow w(300, 200);
    w.Fill(4, 4, 1, 1);
    w.grid.SetSelectedRange(1, 1, 3, 3);
    ASSERT_EQ(w.grid.GetSelectedCount(), 9u);
    w.grid.DestroyCell(2, 2);
    EXPECT_EQ(w.grid.GetSelectedCount(), 8u);
    EXPECT_EQ(w.grid.GetCell(2, 2), nullptr);
    EXPECT_EQ(w.grid.GetItemText(2, 2), u"");
}

TEST(GridItems, SelectionKeysDoNotCollidePastSixteenBits) {
    GridWindow w(300, 200);
    w.grid.m_bVirtualMode = TRUE;  // no cells: the map alone is the selection
    w.grid.SetRowCount(65537);
    w.grid.SetColumnCount(2);
    w.grid.SetItemState(65536, 0, CIS_SELECTED);
    EXPECT_TRUE(w.grid.IsCellSelected(65536, 0));
    EXPECT_FALSE(w.grid.IsCellSelected(0, 0)) << "row 65536 is not row 0";
    w.grid.SetItemState(0, 1, CIS_SELECTED);
    EXPECT_EQ(w.grid.GetSelectedCount(), 2u);
}

TEST(GridItems, AutoSizeKeepsColumnsWithNothingToMeasure) {
    GridWindow w(300, 200);
    w.Fill(3, 3, 1, 1);
    w.grid.SetItemText(0, 1, u"A rather long header text");
    w.grid.SetColumnWidth(2, 0);
    EXPECT_FALSE(w.grid.AutoSizeColumn(2)) << "a hidden column stays hidden";
    EXPECT_EQ(w.grid.GetColumnWidth(2), 0);

    EXPECT_TRUE(w.grid.AutoSizeColumn(1, kAutoSizeFixedRows));
    EXPECT_GT(w.grid.GetColumnWidth(1), 100);

    // Measuring only the fixed rows of a grid without fixed rows finds nothing.
    w.grid.SetFixedRowCount(0);
    w.grid.SetColumnWidth(1, 44);
    EXPECT_TRUE(w.grid.AutoSizeColumn(1, kAutoSizeFixedRows));
    EXPECT_EQ(w.grid.GetColumnWidth(1), 44);
}

TEST(GridItems, HugeSizesDoNotOverflowTheSums) {
    GridWindow w(300, 200);
    w.Fill(4, 2, 1, 1);
    for (int r = 1; r < 4; ++r) w.grid.SetRowHeight(r, 0x7FFFFFF0);
    EXPECT_EQ(w.grid.GetVirtualHeight(), INT_MAX);
    w.grid.ResetScrollBars();
    EXPECT_EQ(w.grid.m_nVScrollMax, INT_MAX - 20 - 1);
    CPoint origin;
    ASSERT_TRUE(w.grid.GetCellOrigin(3, 1, &origin));
    EXPECT_EQ(origin.y, INT_MAX);
}

// ---------------------------------------------------------------------------
// Painting and geometry

TEST(GridDrawing, EachGridLineModeDrawsItsLines) {
    struct Case {
        int mode;
        bool vertical, horizontal;
    };
    const Case cases[] = {{kGridLinesNone, false, false}, {kGridLinesHorizontal, false, true}, {kGridLinesVertical, true, false},
                          {kGridLinesBoth, true, true}};
    for (const Case& c : cases) {
        GridWindow w(300, 160);
        w.Fill(4, 4, 1, 1);
        w.grid.m_nGridLineMode = c.mode;
        w.grid.Invalidate();
        const Snapshot shot(w.Client(), "mode" + std::to_string(c.mode));
        const COLORREF white = RGB(255, 255, 255), line = RGB(0xC0, 0xC0, 0xC0);
        // Body cell (1,1) spans x 50..99, y 20..39: its last column and row are the lines.
        EXPECT_TRUE(shot.Match({{99, 30, c.vertical ? line : white},
                                {75, 39, c.horizontal ? line : white},
                                {75, 30, white}}))
            << "mode " << c.mode;
        // The top and left border lines.
        EXPECT_TRUE(shot.Near(0, 30, c.vertical ? line : GetSysColor(COLOR_3DFACE), 30)) << "mode " << c.mode;
    }
}

TEST(GridDrawing, AMergedBlockIsDrawnWholeByItsOwnerAlsoWhenScrolledHalfAway) {
    GridWindow w(260, 150);
    w.Fill(12, 5, 1, 1, 50, 20);
    const COLORREF red = RGB(220, 30, 30), blue = RGB(30, 30, 220);
    CGridCellBase* owner = w.grid.GetCell(1, 1);
    owner->SetMergeRange(CellRange(1, 1, 2, 2));
    owner->SetBackClr(red);
    for (const CCellID covered : {CCellID(1, 2), CCellID(2, 1), CCellID(2, 2)}) {
        w.grid.GetCell(covered.row, covered.col)->SetMergeOwner(CCellID(1, 1));
        w.grid.GetCell(covered.row, covered.col)->SetBackClr(blue);  // never shown
    }
    w.grid.Invalidate();
    {
        const Snapshot shot(w.Client(), "merged");
        // The block spans x 50..149 and y 20..59; no grid line inside it.
        EXPECT_TRUE(shot.Match({{60, 25, red, 10},
                                {99, 25, red, 10},    // where a line between columns 1 and 2 would be
                                {120, 39, red, 10},   // and between rows 1 and 2
                                {140, 55, red, 10},   // the covered cell (2, 2)
                                {160, 25, RGB(255, 255, 255), 2},
                                {60, 65, RGB(255, 255, 255), 2}}));
    }
    // One line down the owner's row is above the top: its covered row still
    // shows the block's lower half, and the header row stays the header's.
    w.grid.SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
    w.grid.Invalidate();
    const Snapshot shot(w.Client(), "scrolled");
    EXPECT_TRUE(shot.Match({{60, 25, red, 10},
                            {140, 35, red, 10},
                            {60, 10, GetSysColor(COLOR_3DFACE), 30},
                            {60, 45, RGB(255, 255, 255), 2}}));
}

TEST(GridDrawing, ACellsImageIsDrawnBeforeItsTextAndWidensItsExtent) {
    GridWindow w(260, 150);
    w.Fill(5, 4, 1, 1, 80, 24);
    const COLORREF green = RGB(20, 160, 40);
    Canvas picture(10, 10, green);
    CImageList images;
    ASSERT_TRUE(images.Create(10, 10, ILC_MASK | ILC_COLOR32, 1, 1));
    ASSERT_EQ(images.Add(&picture.Bitmap(), RGB(255, 0, 255)), 0);
    w.grid.m_pImageList = &images;
    w.grid.SetItemText(1, 1, u"Wj");
    w.grid.SetItemText(2, 1, u"Wj");
    w.grid.GetCell(1, 1)->SetImage(0);
    w.grid.Invalidate();
    const Snapshot shot(w.Client(), "image");

    CRect withImage, without;
    ASSERT_TRUE(w.grid.GetCellRect(1, 1, &withImage));
    ASSERT_TRUE(w.grid.GetCellRect(2, 1, &without));
    const int margin = int(w.grid.GetCell(1, 1)->GetMargin());
    const CPoint corner(withImage.left + margin, withImage.top + margin);
    EXPECT_TRUE(shot.Match({{corner.x, corner.y, green, 8}, {corner.x + 9, corner.y + 9, green, 8}}));
    // The text starts past the image; without one it starts at the margin.
    const CRect inkWith = grid_test::InkBounds(shot.Image(), CRect(corner.x + 10, withImage.top, withImage.right, withImage.bottom),
                                               RGB(255, 255, 255));
    const CRect inkWithout = grid_test::InkBounds(shot.Image(), CRect(without.left, without.top, without.right, without.bottom),
                                                  RGB(255, 255, 255));
    ASSERT_FALSE(inkWith.IsRectEmpty());
    ASSERT_FALSE(inkWithout.IsRectEmpty());
    EXPECT_GE(inkWith.left - withImage.left, inkWithout.left - without.left + 10);

    CClientDC dc(&w.grid);
    const CSize extentWith = w.grid.GetCell(1, 1)->GetCellExtent(&dc);
    const CSize extentWithout = w.grid.GetCell(2, 1)->GetCellExtent(&dc);
    EXPECT_GE(extentWith.cx, extentWithout.cx + 10);
    w.grid.m_pImageList = nullptr;
}

TEST(GridDrawing, FilledGridWithHeadersAndScrollBars) {
    GridWindow w(260, 150);
    w.Fill(12, 8, 1, 1, 60, 22);
    for (int r = 0; r < 12; ++r)
        for (int c = 0; c < 8; ++c)
            {
                const std::string t = std::to_string(r) + "," + std::to_string(c);
                w.grid.SetItemText(r, c, std::u16string(t.begin(), t.end()).c_str());
            }
    w.grid.SetItemText(0, 1, u"Name");
    w.grid.SetSelectedRange(2, 2, 3, 3);
    w.grid.SetFocusCell(2, 2);
    w.grid.Invalidate();
    Pump();
    const QImage whole = GrabWindow(&w.grid);
    SaveTestImage(whole, "grid");
    const Snapshot shot(w.Client(), "client");
    // Header face, body white, selection in the highlight colour, outside shadow.
    EXPECT_TRUE(shot.Match({{30, 10, GetSysColor(COLOR_3DFACE), 30},
                            {65, 30, RGB(255, 255, 255), 2},
                            {150, 80, GetSysColor(COLOR_HIGHLIGHT), 10}}));
    EXPECT_TRUE(w.grid.IsScrollBarShown(SB_VERT));
    EXPECT_TRUE(w.grid.IsScrollBarShown(SB_HORZ));
}

TEST(GridGeometry, CellRectanglesAreInclusiveAndHitTestsFindCells) {
    GridWindow w(300, 200);
    w.Fill(5, 4, 1, 1, 50, 10);
    CRect rect;
    ASSERT_TRUE(w.grid.GetCellRect(0, 0, &rect));
    EXPECT_EQ(rect, CRect(0, 0, 49, 9));
    ASSERT_TRUE(w.grid.GetCellRect(2, 3, &rect));
    EXPECT_EQ(rect, CRect(150, 20, 199, 29));
    EXPECT_FALSE(w.grid.GetCellRect(9, 0, &rect));

    struct Hit {
        CPoint pt;
        BOOL allowFixed;
        CCellID expected;
    };
    const Hit hits[] = {{{75, 15}, TRUE, {1, 1}},   {{199, 29}, TRUE, {2, 3}}, {{200, 15}, TRUE, {-1, -1}},
                        {{75, 55}, TRUE, {-1, -1}}, {{-1, 5}, TRUE, {-1, -1}}, {{10, 15}, FALSE, {-1, -1}},
                        {{10, 15}, TRUE, {1, 0}}};
    for (const Hit& h : hits)
        EXPECT_EQ(w.grid.GetCellFromPt(h.pt, h.allowFixed), h.expected) << h.pt.x << "," << h.pt.y;

    // A merged block answers with its owner everywhere.
    CGridCellBase* owner = w.grid.GetCell(1, 1);
    owner->SetMergeRange(CellRange(1, 1, 2, 2));
    w.grid.GetCell(2, 2)->SetMergeOwner(CCellID(1, 1));
    EXPECT_EQ(w.grid.GetCellFromPt(CPoint(120, 25)), CCellID(1, 1));
    ASSERT_TRUE(w.grid.GetCellRect(1, 1, &rect));
    EXPECT_EQ(rect, CRect(50, 10, 149, 29));
}

TEST(GridGeometry, SystemColourChangeFollowsOnlyUnchangedDefaults) {
    GridWindow w(200, 100);
    w.grid.m_cellFixedDefault.SetTextClr(RGB(1, 2, 3));
    const int indexes[] = {COLOR_WINDOW, COLOR_WINDOWTEXT};
    const COLORREF changed[] = {RGB(250, 250, 200), RGB(0, 0, 90)};
    const COLORREF original[] = {GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT)};
    ASSERT_TRUE(SetSysColors(2, indexes, changed));
    EXPECT_EQ(w.grid.m_cellDefault.GetBackClr(), RGB(250, 250, 200));
    EXPECT_EQ(w.grid.m_cellDefault.GetTextClr(), RGB(0, 0, 90));
    EXPECT_EQ(w.grid.m_cellFixedDefault.GetTextClr(), RGB(1, 2, 3)) << "a changed colour stays";
    SetSysColors(2, indexes, original);
    EXPECT_EQ(w.grid.m_cellDefault.GetBackClr(), original[0]);
}

TEST(GridGeometry, CursorOverCellsIsTheCellsAndOverDividersTheSizingOne) {
    GridWindow w(200, 100);
    w.Fill(3, 3, 1, 1);
    w.grid.m_nMouseMode = 8;
    EXPECT_TRUE(w.grid.SendMessage(WM_SETCURSOR, WPARAM(w.grid.GetSafeHwnd()), MAKELPARAM(WORD(HTCLIENT), WM_MOUSEMOVE)));
    EXPECT_EQ(GetCursor(), IDC_SIZEWE);
    w.grid.m_nMouseMode = 6;
    w.grid.SendMessage(WM_SETCURSOR, WPARAM(w.grid.GetSafeHwnd()), MAKELPARAM(WORD(HTCLIENT), WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), IDC_SIZENS);
    w.grid.m_nMouseMode = 0;
    w.grid.SendMessage(WM_SETCURSOR, WPARAM(w.grid.GetSafeHwnd()), MAKELPARAM(WORD(HTCLIENT), WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), IDC_ARROW);
}

// ---------------------------------------------------------------------------
// Focus, selection, notifications

TEST(GridSelection, FocusOnAFixedCellMovesToTheFirstNonFixedOne) {
    GridWindow w(300, 200);
    w.Fill(5, 5, 2, 1);
    w.grid.SetFocusCell(0, 0);
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(2, 1));
    EXPECT_TRUE(w.grid.GetItemState(2, 1) & CIS_FOCUSED);
    w.grid.SetFocusCell(-1, -1);
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(-1, -1));
    EXPECT_FALSE(w.grid.GetItemState(2, 1) & CIS_FOCUSED);
}

TEST(GridSelection, BadRangesSelectNothingNewButStillDeselect) {
    GridWindow w(300, 200);
    w.Fill(5, 5, 1, 1);
    struct Bad {
        int minRow, minCol, maxRow, maxCol;
    };
    const Bad bad[] = {{-1, 1, 3, 3}, {1, 1, 5, 3}, {1, 1, 3, 5}, {3, 1, 2, 3}, {1, 3, 3, 2}};
    for (const Bad& b : bad) {
        w.grid.SetSelectedRange(1, 1, 2, 2);
        ASSERT_EQ(w.grid.GetSelectedCount(), 4u);
        w.grid.SetSelectedRange(b.minRow, b.minCol, b.maxRow, b.maxCol);
        EXPECT_EQ(w.grid.GetSelectedCount(), 0u) << b.minRow << b.minCol << b.maxRow << b.maxCol;
    }
    // Fixed bounds are raised to the first non-fixed row and column.
    w.grid.SetSelectedRange(0, 0, 1, 1);
    EXPECT_EQ(w.grid.GetSelectedCount(), 1u);
    EXPECT_TRUE(w.grid.IsCellSelected(1, 1));
    EXPECT_EQ(w.grid.GetSelectionBounds(), CellRange(1, 1, 1, 1));

    w.grid.m_bSelectionEnabled = FALSE;
    EXPECT_FALSE(w.grid.IsCellSelected(1, 1));
    w.grid.SetSelectedRange(1, 1, 3, 3);
    w.grid.m_bSelectionEnabled = TRUE;
    EXPECT_EQ(w.grid.GetSelectedCount(), 1u);
}

TEST(GridSelection, PreviousSelectionStaysWhileANewBlockIsAdded) {
    GridWindow w(300, 200);
    w.Fill(6, 6, 1, 1);
    w.grid.SetSelectedRange(1, 1, 1, 2);
    w.grid.m_mapPrevSelected = w.grid.m_mapSelected;
    w.grid.SetSelectedRange(4, 4, 5, 5);
    EXPECT_EQ(w.grid.GetSelectedCount(), 6u);
    EXPECT_TRUE(w.grid.IsCellSelected(1, 2));
    w.grid.ResetSelectedRange();
    EXPECT_EQ(w.grid.GetSelectedCount(), 0u);
}

TEST(GridSelection, OwnerMayChangeTheSelectionFromItsHandlers) {
    GridWindow w(300, 200);
    w.Fill(8, 8, 1, 1);
    w.grid.SetSelectedRange(1, 1, 6, 6);
    // Every notification selects another block while the grid is busy.
    w.top.handlers[WM_NOTIFY] = [&w](WPARAM, LPARAM l) -> LRESULT {
        if (reinterpret_cast<const NMHDR*>(l)->code == GRIDN_SELCHANGING) w.grid.SetSelectedRange(2, 2, 7, 7);
        return 0;
    };
    w.grid.OnEditSelectAll();
    EXPECT_EQ(w.grid.GetSelectedCount(), 49u);
}

TEST(GridSelection, ABlockSelectedAtOnceAnswersLikeOneEntryPerCell) {
    for (const bool isVirtual : {false, true}) {
        SCOPED_TRACE(isVirtual ? "virtual" : "stored");
        GridWindow w(300, 200);
        w.grid.m_bVirtualMode = isVirtual;
        w.Fill(12, 5, 1, 1);
        auto selected = [&w] {
            std::set<std::pair<int, int>> cells;
            for (const auto& [key, cell] : w.grid.m_mapSelected) {
                EXPECT_EQ(key, CGridCtrl::CellKey(cell.row, cell.col));
                EXPECT_TRUE(cells.insert({cell.row, cell.col}).second) << "each cell once";
            }
            EXPECT_EQ(cells.size(), w.grid.GetSelectedCount());
            for (int r = 0; r < 12; ++r)
                for (int c = 0; c < 5; ++c)
                    EXPECT_EQ(bool(w.grid.IsCellSelected(r, c)), cells.count({r, c}) == 1) << r << "," << c;
            return cells;
        };
        w.grid.OnEditSelectAll();
        EXPECT_EQ(selected().size(), 44u);
        EXPECT_EQ(w.grid.GetSelectionBounds(), CellRange(1, 1, 11, 4));
        EXPECT_EQ(Codes(w.notes), (std::vector<UINT>{GRIDN_SELCHANGING, GRIDN_SELCHANGED}));

        // One cell leaves, another joins, the rest stay.
        w.grid.SetItemState(5, 2, w.grid.GetItemState(5, 2) & ~CIS_SELECTED);
        w.grid.SetItemState(0, 0, w.grid.GetItemState(0, 0) | CIS_SELECTED);
        const auto after = selected();
        EXPECT_EQ(after.size(), 44u);
        EXPECT_EQ(after.count({5, 2}), 0u);
        EXPECT_EQ(after.count({0, 0}), 1u);

        // A new block replaces all of it.
        w.grid.SetSelectedRange(2, 3, 4, 4);
        EXPECT_EQ(selected(), (std::set<std::pair<int, int>>{{2, 3}, {2, 4}, {3, 3}, {3, 4}, {4, 3}, {4, 4}}));
        w.grid.SetSelectedRange(-1, -1, -1, -1);
        EXPECT_TRUE(selected().empty());
    }
}

TEST(GridNotifications, SelectAllTellsTheOwnerBeforeAndAfter) {
    GridWindow w(300, 200);
    w.Fill(4, 4, 1, 1);
    w.grid.SetFocusCell(2, 2);
    w.grid.SendMessage(WM_COMMAND, ID_EDIT_SELECT_ALL, 0);
    EXPECT_EQ(Codes(w.notes), (std::vector<UINT>{GRIDN_SELCHANGING, GRIDN_SELCHANGED}));
    EXPECT_EQ(w.notes.back().iRow, 2);
    EXPECT_EQ(w.notes.back().hdr.idFrom, 77u);
    EXPECT_EQ(w.notes.back().hdr.hwndFrom, w.grid.GetSafeHwnd());
    EXPECT_EQ(w.grid.GetSelectedCount(), 9u);
}

// ---------------------------------------------------------------------------
// Scrolling

TEST(GridScrolling, RangeAndPageOfAGridLargerThanItsWindow) {
    GridWindow w(200, 100);
    w.Fill(2, 2, 1, 1);
    EXPECT_EQ(w.grid.m_nVScrollMax, 0);
    EXPECT_FALSE(w.grid.IsScrollBarShown(SB_VERT));

    w.Fill(20, 3, 1, 1, 50, 20);
    CRect client;
    w.grid.GetClientRect(&client);
    EXPECT_TRUE(w.grid.IsScrollBarShown(SB_VERT));
    EXPECT_FALSE(w.grid.IsScrollBarShown(SB_HORZ));
    EXPECT_EQ(client, CRect(0, 0, 200 - GetSystemMetrics(SM_CXVSCROLL), 100)) << "the bar takes its width";
    EXPECT_EQ(w.grid.m_nVScrollMax, 19 * 20 - 1);
    SCROLLINFO info;
    ASSERT_TRUE(w.grid.GetScrollInfo(SB_VERT, &info, SIF_ALL));
    EXPECT_EQ(info.nMax, 19 * 20 - 1);
    EXPECT_EQ(info.nPage, UINT(100 - 20));
}

TEST(GridScrolling, FixedCellsThatFillTheWindowHideBothBars) {
    GridWindow w(120, 80);
    w.Fill(20, 20, 1, 1, 50, 20);
    ASSERT_TRUE(w.grid.IsScrollBarShown(SB_VERT));
    w.grid.SetColumnWidth(0, 500);
    w.grid.SetRowHeight(0, 500);
    w.grid.ResetScrollBars();
    EXPECT_FALSE(w.grid.IsScrollBarShown(SB_VERT));
    EXPECT_FALSE(w.grid.IsScrollBarShown(SB_HORZ));
    // With room again the bars come back.
    w.grid.SetColumnWidth(0, 50);
    w.grid.SetRowHeight(0, 20);
    EXPECT_TRUE(w.grid.IsScrollBarShown(SB_VERT));
    EXPECT_TRUE(w.grid.IsScrollBarShown(SB_HORZ));
}

TEST(GridScrolling, LinesSkipHiddenRowsAndTheEndsStop) {
    GridWindow w(200, 100);
    w.Fill(30, 2, 1, 1, 50, 20);
    w.grid.SetRowHeight(1, 0);
    w.grid.SetRowHeight(2, 15);
    w.grid.SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(w.grid.GetScrollPos(SB_VERT), 15) << "hidden row 1 is skipped";
    EXPECT_EQ(w.grid.GetTopLeftScrollCell(), CCellID(3, 1));
    w.grid.SendMessage(WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(w.grid.GetScrollPos(SB_VERT), 0);

    w.grid.SendMessage(WM_VSCROLL, SB_PAGEUP, 0);
    w.grid.SendMessage(WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(w.grid.GetScrollPos(SB_VERT), 0);
    w.grid.SendMessage(WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(w.grid.GetScrollPos(SB_VERT), 80);
    w.grid.SendMessage(WM_VSCROLL, SB_BOTTOM, 0);
    const int last = w.grid.GetScrollPos(SB_VERT);
    SCROLLINFO info;
    w.grid.GetScrollInfo(SB_VERT, &info);
    EXPECT_EQ(last, info.nMax - int(info.nPage) + 1) << "the position stops at max - page + 1";
    w.grid.SendMessage(WM_VSCROLL, SB_ENDSCROLL, 0);
    EXPECT_EQ(w.grid.GetScrollPos(SB_VERT), last);
}

TEST(GridScrolling, EnsureVisibleBringsACellInAndRefusesOnesOutside) {
    GridWindow w(200, 100);
    w.Fill(40, 10, 1, 1, 50, 20);
    w.grid.EnsureVisible(30, 8);
    CRect rect, client;
    ASSERT_TRUE(w.grid.GetCellRect(30, 8, &rect));
    w.grid.GetClientRect(&client);
    EXPECT_LE(rect.bottom, client.bottom);
    EXPECT_LE(rect.right, client.right);
    EXPECT_GE(rect.top, 20);

    const int v = w.grid.GetScrollPos(SB_VERT), h = w.grid.GetScrollPos(SB_HORZ);
    w.grid.EnsureVisible(400, 2);
    w.grid.EnsureVisible(-1, -1);
    EXPECT_EQ(w.grid.GetScrollPos(SB_VERT), v);
    EXPECT_EQ(w.grid.GetScrollPos(SB_HORZ), h);
}

TEST(GridScrolling, ALineScrollMovesThePictureAndPaintsOnlyWhatItUncovers) {
    GridWindow w(240, 140);
    w.Fill(30, 6, 1, 1, 60, 20);
    for (int r = 0; r < 30; ++r) {
        const std::string t = "row " + std::to_string(r);
        w.grid.SetItemText(r, 0, std::u16string(t.begin(), t.end()).c_str());
        if (CGridCellBase* cell = w.grid.GetCell(r, 2)) cell->SetBackClr(RGB(BYTE(r * 8), 120, BYTE(255 - r * 8)));
    }
    w.grid.SetSelectedRange(3, 1, 4, 2);
    auto picture = [&w] { return w.Picture(); };
    w.grid.Invalidate();
    w.grid.SendMessage(WM_PAINT);
    const QImage first = picture();
    struct Step {
        UINT message, code;
    };
    const Step steps[] = {{WM_VSCROLL, SB_LINEDOWN}, {WM_VSCROLL, SB_LINEDOWN}, {WM_HSCROLL, SB_LINERIGHT},
                          {WM_VSCROLL, SB_LINEUP},   {WM_VSCROLL, SB_PAGEDOWN}, {WM_HSCROLL, SB_LINELEFT}};
    int n = 0;
    for (const Step& s : steps) {
        ++n;
        w.grid.SendMessage(s.message, s.code, 0);
        w.grid.SendMessage(WM_PAINT);
        const QImage scrolled = picture();
        w.grid.Invalidate();
        w.grid.SendMessage(WM_PAINT);
        const QImage fresh = picture();
        if (scrolled != fresh) {
            SaveTestImage(scrolled, "scrolled" + std::to_string(n));
            SaveTestImage(fresh, "whole" + std::to_string(n));
        }
        EXPECT_TRUE(scrolled == fresh) << "step " << n << ": the moved picture differs from a whole paint";
    }
    EXPECT_FALSE(first == picture()) << "the grid did scroll";
}

// Runs of scroll steps with no paint between them (as EnsureVisible sends them):
// the one paint after each run shows the new place whole, and the bars show the
// position once the event loop has turned.
TEST(GridScrolling, ManyStepsBeforeOnePaintPaintTheNewPlaceAndTheBarsFollow) {
    GridWindow w(240, 140);
    w.Fill(200, 12, 1, 1, 60, 20);
    for (int r = 0; r < 200; r += 3)
        if (CGridCellBase* cell = w.grid.GetCell(r, 2)) cell->SetBackClr(RGB(BYTE(r), 90, BYTE(255 - r)));
    auto picture = [&w] { return w.Picture(); };
    QScrollBar* bars[2] = {nullptr, nullptr};
    for (QScrollBar* b : w.grid.Widget()->findChildren<QScrollBar*>())
        bars[b->orientation() == Qt::Vertical ? SB_VERT : SB_HORZ] = b;
    ASSERT_NE(bars[SB_VERT], nullptr);
    ASSERT_NE(bars[SB_HORZ], nullptr);
    struct Run {
        UINT message, code;
        int times;
    };
    const Run runs[] = {{WM_VSCROLL, SB_LINEDOWN, 40}, {WM_HSCROLL, SB_LINERIGHT, 3}, {WM_VSCROLL, SB_LINEUP, 7},
                        {WM_VSCROLL, SB_PAGEDOWN, 4},  {WM_HSCROLL, SB_LINELEFT, 2},  {WM_VSCROLL, SB_LINEDOWN, 1}};
    w.grid.Invalidate();
    w.grid.SendMessage(WM_PAINT);
    int n = 0;
    for (const Run& run : runs) {
        ++n;
        for (int i = 0; i < run.times; ++i) w.grid.SendMessage(run.message, run.code, 0);
        w.grid.SendMessage(WM_PAINT);
        const QImage scrolled = picture();
        w.grid.Invalidate();
        w.grid.SendMessage(WM_PAINT);
        const QImage whole = picture();
        EXPECT_TRUE(scrolled == whole) << "run " << n << ": " << SaveTestImage(scrolled, "run" + std::to_string(n));
        Pump();
        for (int bar : {SB_HORZ, SB_VERT}) {
            EXPECT_EQ(bars[bar]->value(), w.grid.GetScrollPos(bar)) << "run " << n << ", bar " << bar;
            EXPECT_EQ(bars[bar]->sliderPosition(), w.grid.GetScrollPos(bar)) << "run " << n << ", bar " << bar;
        }
    }
    EXPECT_GT(w.grid.GetScrollPos(SB_VERT), 0);
}

// ---------------------------------------------------------------------------
// Window set-up, fonts, virtual mode

TEST(GridWindowSetup, BindingGivesAClientEdgeAndSizingRegistersTheDropTarget) {
    GridWindow w(200, 100);
    EXPECT_TRUE(w.grid.GetExStyle() & WS_EX_CLIENTEDGE);
    CRect client, window;
    w.grid.GetClientRect(&client);
    w.grid.GetWindowRect(&window);
    EXPECT_EQ(client.Width(), window.Width() - 4);
    EXPECT_EQ(w.grid.m_titleTip.GetParentWnd(), &w.grid);
    EXPECT_TRUE(w.grid.m_dropTarget.m_bRegistered);
    EXPECT_EQ(w.grid.m_dropTarget.GetRegisteredWindow(), w.grid.GetSafeHwnd());
}

TEST(GridWindowSetup, FontsGoToTheDefaultCellsAndSortEndsWhenItsColumnChanges) {
    GridWindow w(200, 100);
    w.Fill(3, 3, 1, 1);
    CFont font;
    font.CreatePointFont(200, u"Arial");
    const int before = w.grid.m_cellDefault.GetWidth();
    w.grid.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(font)), TRUE);
    LOGFONTW lf{};
    font.GetLogFont(&lf);
    EXPECT_EQ(w.grid.m_cellFixedDefault.GetFont()->lfHeight, lf.lfHeight);
    EXPECT_GT(w.grid.m_cellDefault.GetWidth(), before) << "the default size follows the font";
    EXPECT_NE(w.grid.SendMessage(WM_GETFONT), 0);

    w.grid.SetSortColumn(2);
    w.grid.SetItemText(1, 1, u"other column");
    EXPECT_EQ(w.grid.GetSortColumn(), 2);
    w.grid.SetItemText(1, 2, u"sorted column");
    EXPECT_EQ(w.grid.GetSortColumn(), -1);
}

TEST(GridWindowSetup, WithRedrawOffNothingIsPaintedOrRecomputed) {
    GridWindow w(200, 100);
    w.Fill(30, 3, 1, 1);
    ASSERT_TRUE(w.grid.IsScrollBarShown(SB_VERT));
    w.grid.m_bRedrawEnabled = FALSE;
    EXPECT_FALSE(w.grid.RepaintCell(1, 1));
    EXPECT_FALSE(w.grid.InvalidateCellRect(1, 1));
    Canvas canvas(100, 60, RGB(1, 2, 3));
    w.grid.OnDraw(&canvas.DC());
    EXPECT_TRUE(canvas.Snap()->Match({{10, 10, RGB(1, 2, 3)}, {80, 50, RGB(1, 2, 3)}}));
    w.grid.SetRowCount(2);
    EXPECT_TRUE(w.grid.IsScrollBarShown(SB_VERT)) << "the bars wait for redrawing";
    w.grid.m_bRedrawEnabled = TRUE;
    w.grid.ResetScrollBars();
    EXPECT_FALSE(w.grid.IsScrollBarShown(SB_VERT));
}

TEST(GridVirtualMode, PaintsAskTheOwnerForCellsBetweenCacheHints) {
    GridWindow w(200, 100);
    std::vector<CellRange> hints;
    int asked = 0;
    w.top.handlers[WM_NOTIFY] = [&](WPARAM, LPARAM l) -> LRESULT {
        const auto* hdr = reinterpret_cast<const NMHDR*>(l);
        if (hdr->code == GRIDN_ODCACHEHINT) hints.push_back(reinterpret_cast<const GridCacheHint*>(l)->range);
        if (hdr->code == GRIDN_GETDISPINFO) {
            auto* info = reinterpret_cast<GridDispInfo*>(l);
            info->item.strText = u"v";
            ++asked;
        }
        return 0;
    };
    w.grid.m_bVirtualMode = TRUE;
    w.Fill(50, 4, 1, 1, 40, 20);
    w.grid.SetSelectedRange(2, 1, 3, 1);
    EXPECT_TRUE(w.grid.IsCellSelected(3, 1));
    EXPECT_EQ(w.grid.GetItemState(3, 1) & CIS_SELECTED, UINT(CIS_SELECTED)) << "the shared cell reports it";
    hints.clear();
    w.grid.Invalidate();
    w.grid.SendMessage(WM_PAINT);
    ASSERT_EQ(hints.size(), 2u);
    EXPECT_EQ(hints[0].minRow, 1);
    EXPECT_EQ(hints[0].maxCol, 3);
    EXPECT_EQ(hints[1], CellRange(-1, -1, -1, -1));
    EXPECT_GT(asked, 0);
    EXPECT_EQ(w.grid.GetItemText(7, 2), u"v");

    // Row order in virtual mode: inserting before row 1 moves the later rows on.
    w.grid.m_vecRowOrder = {0, 1, 2};
    w.grid.m_nRowCount = 3;
    w.grid.ShiftRowOrder(1, 1);
    EXPECT_EQ(w.grid.m_vecRowOrder, (std::vector<int>{0, 1, 1, 3}));
    w.grid.m_nRowCount = 4;
    w.grid.ShiftRowOrder(1, -1);
    EXPECT_EQ(w.grid.m_vecRowOrder, (std::vector<int>{0, 1, 2}));
    // A new row count puts the rows back in their own order.
    w.grid.m_vecRowOrder = {2, 0, 1, 3};
    w.grid.SetRowCount(3);
    EXPECT_EQ(w.grid.m_vecRowOrder, (std::vector<int>{0, 1, 2}));
    // So does one more row after a sort.
    w.grid.SetVirtualCompare([](int a, int b) { return a > b; });
    ASSERT_TRUE(w.grid.SortItems(1, TRUE));
    EXPECT_EQ(w.grid.m_vecRowOrder, (std::vector<int>{0, 2, 1}));
    w.grid.SetRowCount(4);
    EXPECT_EQ(w.grid.m_vecRowOrder, (std::vector<int>{0, 1, 2, 3}));
}

// ---------------------------------------------------------------------------
// Faults that the grid guards against

namespace {
// A cell class whose factory runs out of memory after a number of cells.
int g_cellsLeft = 0;
class ScarceCell : public CGridCell {
    DECLARE_DYNCREATE(ScarceCell)
};
CObject* MakeScarceCell() {
    if (g_cellsLeft-- <= 0) throw std::bad_alloc();
    return new ScarceCell;
}
}  // namespace
const CRuntimeClass ScarceCell::classScarceCell{"ScarceCell", &ScarceCell::CreateObject, RUNTIME_CLASS(CGridCell)};
const CRuntimeClass* ScarceCell::GetRuntimeClass() const { return RUNTIME_CLASS(ScarceCell); }
CObject* ScarceCell::CreateObject() { return MakeScarceCell(); }

TEST(GridFaults, AFailedAllocationLeavesTheGridAsItWas) {
    GridWindow w(200, 100);
    w.Fill(3, 3, 1, 1);
    w.grid.SetItemText(2, 2, u"kept");
    std::vector<std::u16string> boxes;
    const platform::MessageBoxHandler previous = platform::SetMessageBoxHandler([&boxes](const platform::MessageBoxRequest& r) {
        boxes.push_back(r.text);
        return IDOK;
    });
    w.grid.SetDefaultCellType(RUNTIME_CLASS(ScarceCell));
    g_cellsLeft = 4;  // the third row of cells fails half-way
    EXPECT_FALSE(w.grid.SetRowCount(6));
    EXPECT_EQ(w.grid.GetRowCount(), 3);
    EXPECT_EQ(w.grid.m_arRowHeights.size(), 3u);
    g_cellsLeft = 2;
    EXPECT_FALSE(w.grid.SetColumnCount(5));
    EXPECT_EQ(w.grid.GetColumnCount(), 3);
    EXPECT_EQ(w.grid.m_arColumnWidths.size(), 3u);
    EXPECT_EQ(w.grid.GetItemText(2, 2), u"kept");
    EXPECT_EQ(boxes.size(), 2u) << "each failure is reported";
    platform::SetMessageBoxHandler(previous);
}

TEST(GridFaults, OwnerChangingTheSelectionWhileItIsWalkedIsSafe) {
    GridWindow w(300, 200);
    int calls = 0;
    w.top.handlers[WM_NOTIFY] = [&](WPARAM, LPARAM l) -> LRESULT {
        // In virtual mode every cell state read asks the owner; this owner
        // changes the selection each time it is asked.
        if (reinterpret_cast<const NMHDR*>(l)->code == GRIDN_GETDISPINFO && ++calls % 3 == 0) {
            const int row = 1 + calls % 7, col = 1 + calls % 5;
            w.grid.SetItemState(row, col, calls % 2 ? CIS_SELECTED : 0);
        }
        return 0;
    };
    w.grid.m_bVirtualMode = TRUE;
    w.Fill(10, 8, 1, 1);
    w.grid.SetSelectedRange(1, 1, 8, 6);
    w.grid.SetSelectedRange(2, 2, 3, 3);
    w.grid.SetSelectedRange(-1, -1, -1, -1);
    EXPECT_GT(calls, 0);
    for (const auto& [key, cell] : w.grid.m_mapSelected) EXPECT_TRUE(w.grid.IsCellInGrid(cell));
}

TEST(GridFaults, EnsureVisibleStopsWhenScrollingNoLongerMoves) {
    GridWindow w(200, 100);
    w.Fill(40, 6, 1, 1, 50, 20);
    // The owner widens a column directly, without the bars being recomputed.
    w.grid.m_arColumnWidths[5] = 900;
    w.grid.m_arRowHeights[39] = 900;
    w.grid.EnsureVisible(39, 5);  // returns: the bars cannot bring the cell in
    SCROLLINFO info;
    ASSERT_TRUE(w.grid.GetScrollInfo(SB_HORZ, &info, SIF_ALL));
    EXPECT_EQ(w.grid.GetScrollPos(SB_HORZ), info.nMax - int(info.nPage) + 1);
    ASSERT_TRUE(w.grid.GetScrollInfo(SB_VERT, &info, SIF_ALL));
    EXPECT_EQ(w.grid.GetScrollPos(SB_VERT), info.nMax - int(info.nPage) + 1);
}

TEST(GridScrolling, LineStepsLeaveTheTopRowWhereTheRowSumsPutIt) {
    GridWindow w(200, 100);
    w.Fill(60, 3, 2, 1, 50, 20);
    // Uneven heights with hidden rows, among them runs of two.
    for (int r = 2; r < 60; ++r) w.grid.SetRowHeight(r, r % 5 == 0 || r % 11 == 0 || r % 11 == 1 ? 0 : 7 + r % 9);
    w.grid.ResetScrollBars();
    // The top row by its definition: the first from the fixed rows whose
    // running height sum reaches the position, at most the last row.
    auto expected = [&w] {
        const int pos = w.grid.GetScrollPos(SB_VERT);
        int row = w.grid.GetFixedRowCount();
        long long sum = 0;
        while (sum < pos && row < w.grid.GetRowCount() - 1) sum += w.grid.GetRowHeight(row++);
        return row;
    };
    struct Step {
        UINT code;
        int times;
    };
    const Step steps[] = {{SB_LINEDOWN, 9},  {SB_LINEUP, 4},  {SB_THUMBTRACK, 1}, {SB_LINEDOWN, 3},
                          {SB_LINEUP, 6},    {SB_BOTTOM, 1},  {SB_LINEUP, 7},     {SB_LINEDOWN, 30},
                          {SB_PAGEUP, 1},    {SB_LINEUP, 40}, {SB_LINEDOWN, 2}};
    QScrollBar* bar = nullptr;
    for (QScrollBar* b : w.grid.Widget()->findChildren<QScrollBar*>())
        if (b->orientation() == Qt::Vertical) bar = b;
    ASSERT_NE(bar, nullptr);
    int n = 0;
    for (const Step& s : steps)
        for (int i = 0; i < s.times; ++i) {
            ++n;
            if (s.code == SB_THUMBTRACK) bar->setSliderPosition(bar->sliderPosition() + 13);  // into a row
            else w.grid.SendMessage(WM_VSCROLL, s.code, 0);
            const int kept = w.grid.GetTopLeftScrollCell().row;
            w.grid.m_idTopLeftCache.row = -1;
            EXPECT_EQ(kept, expected()) << "step " << n << " at " << w.grid.GetScrollPos(SB_VERT);
            EXPECT_EQ(w.grid.GetTopLeftScrollCell().row, kept) << "step " << n;
        }
}

TEST(GridScrolling, WithRedrawOffAScrollMovesThePositionButNotThePicture) {
    GridWindow w(240, 140);
    GridWindow reference(240, 140);
    for (GridWindow* g : {&w, &reference}) {
        g->Fill(30, 6, 1, 1, 60, 20);
        for (int r = 0; r < 30; ++r)
            if (CGridCellBase* cell = g->grid.GetCell(r, 2)) cell->SetBackClr(RGB(BYTE(r * 8), 120, BYTE(255 - r * 8)));
    }
    auto paint = [](CGridCtrl& grid) {
        grid.Invalidate();
        grid.SendMessage(WM_PAINT);
    };
    paint(w.grid);
    const QImage before = w.Picture();
    w.grid.m_bRedrawEnabled = FALSE;
    const UINT codes[] = {SB_LINEDOWN, SB_LINEDOWN, SB_PAGEDOWN, SB_LINEUP, SB_BOTTOM, SB_PAGEUP};
    for (UINT code : codes) {
        w.grid.SendMessage(WM_VSCROLL, code, 0);
        reference.grid.SendMessage(WM_VSCROLL, code, 0);
    }
    w.grid.SendMessage(WM_HSCROLL, SB_LINERIGHT, 0);
    reference.grid.SendMessage(WM_HSCROLL, SB_LINERIGHT, 0);
    EXPECT_GT(w.grid.GetScrollPos(SB_VERT), 0);
    EXPECT_EQ(w.grid.GetScrollPos(SB_VERT), reference.grid.GetScrollPos(SB_VERT));
    EXPECT_EQ(w.grid.GetScrollPos(SB_HORZ), reference.grid.GetScrollPos(SB_HORZ));
    const QImage frozen = w.Picture();
    EXPECT_TRUE(frozen == before) << SaveTestImage(frozen, "frozen");

    // Drawing again paints the picture of the new position.
    w.grid.m_bRedrawEnabled = TRUE;
    paint(w.grid);
    paint(reference.grid);
    const QImage after = w.Picture();
    const QImage expected = reference.Picture();
    EXPECT_FALSE(after == before);
    EXPECT_TRUE(after == expected) << SaveTestImage(after, "after") << " " << SaveTestImage(expected, "expected");
}

TEST(GridScrolling, DraggingTheThumbScrollsAsItGoes) {
    GridWindow w(200, 100);
    w.Fill(40, 3, 1, 1, 50, 20);
    QScrollBar* bar = nullptr;
    for (QScrollBar* b : w.grid.Widget()->findChildren<QScrollBar*>())
        if (b->orientation() == Qt::Vertical) bar = b;
    ASSERT_NE(bar, nullptr);
    bar->setSliderPosition(205);  // the thumb is dragged: SB_THUMBTRACK
    EXPECT_EQ(w.grid.GetScrollPos(SB_VERT), 205);
    EXPECT_EQ(w.grid.GetTopLeftScrollCell(), CCellID(12, 1)) << "205 pixels pass rows 1 to 11 and part of 12";
    CRect rect;
    ASSERT_TRUE(w.grid.GetCellRect(12, 1, &rect));
    EXPECT_EQ(rect.top, 20);
}
