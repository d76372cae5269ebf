// Sorting the grid's rows, and its text on the clipboard and in drags: the
// exact bytes of a copy, what a paste writes and leaves alone, and drops.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "platform/base/codepage.h"
#include "platform/window/window_dc.h"
#include "tests/grid/grid_input_fixture.h"
#include "tests/support/pixel_harness.h"

namespace {

using grid_test::InputGrid;
using grid_test::Pump;

std::string CachedText(COleDataSource* source) {
    HGLOBAL block = source ? source->GetCachedData(CF_TEXT) : nullptr;
    if (!block) return "<none>";
    const auto* bytes = static_cast<const char*>(GlobalLock(block));
    std::string out(bytes, GlobalSize(block));
    GlobalUnlock(block);
    return out;
}

// A data object carrying exactly `bytes` as CF_TEXT.
struct TextData {
    COleDataSource source;
    COleDataObject data;
    explicit TextData(const std::string& bytes) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        if (!bytes.empty()) std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
        source.CacheGlobalData(CF_TEXT, block);
        data.Attach(&source);
    }
};

std::u16string Column(CGridCtrl& grid, int col) {
    std::u16string out;
    for (int r = grid.GetFixedRowCount(); r < grid.GetRowCount(); ++r) {
        if (r > grid.GetFixedRowCount()) out += u'|';
        out += grid.GetItemText(r, col);
    }
    return out;
}

// A grid of 2 data rows by 3 data columns holding a to f, all selected.
void FillLetters(InputGrid& w) {
    w.Fill(3, 4);
    const char16_t* letters[] = {u"a", u"b", u"c", u"d", u"e", u"f"};
    for (int i = 0; i < 6; ++i) w.grid.SetItemText(1 + i / 3, 1 + i % 3, letters[i]);
    w.grid.SetSelectedRange(1, 1, 2, 3);
}

}  // namespace

// ---------------------------------------------------------------------------
// Sorting

TEST(GridSort, TextsCompareByCodeUnitAndRowHeightsTravelWithTheirRows) {
    InputGrid w;
    w.Fill(6, 3);
    const char16_t* keys[] = {u"b", u"9", u"B", u"a", u"10"};
    for (int r = 1; r <= 5; ++r) w.grid.SetItemText(r, 1, keys[r - 1]);
    w.grid.SetRowHeight(3, 33);  // the row of "B"
    w.grid.SetFocusCell(2, 2);
    w.grid.SetSelectedRange(1, 1, 2, 2);

    ASSERT_TRUE(w.grid.SortItems(1, TRUE));
    EXPECT_EQ(Column(w.grid, 1), u"10|9|B|a|b");
    EXPECT_EQ(w.grid.GetRowHeight(3), 33);
    EXPECT_EQ(w.grid.GetItemText(3, 2), u"3,2") << "whole rows move";
    EXPECT_EQ(w.grid.GetItemText(0, 1), u"0,1") << "fixed rows stay";
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(-1, -1));
    EXPECT_TRUE(w.Selected().empty());

    ASSERT_TRUE(w.grid.SortItems(1, FALSE));
    EXPECT_EQ(Column(w.grid, 1), u"b|a|B|9|10");
    EXPECT_EQ(w.grid.GetRowHeight(3), 33);
}

TEST(GridSort, TooFewRowsOrABadColumnOrNoComparisonSortNothing) {
    InputGrid w;
    w.Fill(2, 3);
    w.grid.SetFocusCell(1, 1);
    EXPECT_FALSE(w.grid.SortItems(1, TRUE)) << "one data row";
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(-1, -1)) << "the selection is cleared all the same";
    w.Fill(1, 3);
    EXPECT_FALSE(w.grid.SortItems(1, TRUE)) << "no data row";

    w.Fill(4, 3);
    w.grid.SetSortColumn(2);
    EXPECT_FALSE(w.grid.SortItems(-1, TRUE));
    EXPECT_FALSE(w.grid.SortWithCompare(nullptr, 1, TRUE));
    EXPECT_EQ(w.grid.GetSortColumn(), 2) << "refused before anything changed";
    EXPECT_FALSE(w.grid.SortItems(3, TRUE));
}

// Texts that agree in their first eight code units and part later, or end
// inside them, units above 0x7FFF, empty texts and cells left untouched: each
// row stays whole (its tag column goes with it) and the sort column comes out
// in code-unit order.
TEST(GridSort, TextsSharingLongBeginningsSortByTheirWholeText) {
    const std::u16string texts[] = {u"abcdefghij",  u"abcdefghi",  u"abcdefgh",  u"abcdefgi",   u"abcdefghij\uFFFF",
                                    u"abcdefghia",  u"abcdefg",    u"",          u"\uFFFFabc",  u"\u8000",
                                    u"\u7FFF",      u"abcdefghij", u"abcdefgh\u8000", u"abcdefgh\u0001", u"z",
                                    u"abcdefghiJ"};
    const int n = int(std::size(texts));
    for (BOOL ascending : {TRUE, FALSE}) {
        SCOPED_TRACE(ascending ? "ascending" : "descending");
        InputGrid w;
        w.grid.SetColumnCount(3);
        w.grid.SetRowCount(n + 3);  // the last two rows stay untouched
        w.grid.SetFixedRowCount(1);
        std::vector<std::u16string> expected;
        for (int i = 0; i < n + 2; ++i) {
            const std::u16string text = i < n ? texts[i] : u"";
            if (i < n) w.grid.SetItemText(1 + i, 1, text.c_str());
            w.grid.SetItemText(1 + i, 2, (text + u"#").c_str());
            expected.push_back(text);
        }
        ASSERT_TRUE(w.grid.SortItems(1, ascending));
        std::sort(expected.begin(), expected.end());
        if (!ascending) std::reverse(expected.begin(), expected.end());
        for (int i = 0; i < n + 2; ++i) {
            EXPECT_EQ(w.grid.GetItemText(1 + i, 1), expected[size_t(i)]) << "row " << 1 + i;
            EXPECT_EQ(w.grid.GetItemText(1 + i, 2), w.grid.GetItemText(1 + i, 1) + u"#") << "row " << 1 + i;
        }
    }
}

TEST(GridSort, TheOwnersComparisonIsUsedAndLongRunsOfEqualKeysSortWithoutDeepNesting) {
    InputGrid w;
    const int rows = 20001;
    w.grid.SetRowCount(rows);
    w.grid.SetColumnCount(2);
    w.grid.SetFixedRowCount(1);
    for (int r = 1; r < rows; ++r) {
        const std::string t = std::to_string((r * 7919) % 3) + (r % 2 ? "x" : "");
        w.grid.SetItemText(r, 1, std::u16string(t.begin(), t.end()).c_str());
    }
    // Longest text first.
    w.grid.SetCompareFunction([](LPARAM a, LPARAM b, LPARAM) {
        const auto la = std::char_traits<char16_t>::length(reinterpret_cast<CGridCellBase*>(a)->GetText());
        const auto lb = std::char_traits<char16_t>::length(reinterpret_cast<CGridCellBase*>(b)->GetText());
        return la == lb ? 0 : la > lb ? -1 : 1;
    });
    ASSERT_TRUE(w.grid.SortItems(1, TRUE));
    for (int r = 1; r < rows / 2; ++r) ASSERT_EQ(w.grid.GetItemText(r, 1).size(), 2u) << r;
    for (int r = rows / 2 + 1; r < rows; ++r) ASSERT_EQ(w.grid.GetItemText(r, 1).size(), 1u) << r;
}

TEST(GridSort, VirtualModeDescendingKeepsEqualRowsInTheirOrder) {
    InputGrid w;
    w.grid.m_bVirtualMode = TRUE;
    w.grid.SetRowCount(7);
    w.grid.SetColumnCount(2);
    w.grid.SetFixedRowCount(1);
    static const int keys[] = {0, 2, 1, 2, 1, 2, 1};
    w.grid.SetVirtualCompare([](int a, int b) { return keys[a] < keys[b]; });
    ASSERT_TRUE(w.grid.SortItems(1, FALSE));
    EXPECT_EQ(w.grid.m_vecRowOrder, (std::vector<int>{0, 1, 3, 5, 2, 4, 6}));
    ASSERT_TRUE(w.grid.SortItems(1, TRUE));
    EXPECT_EQ(w.grid.m_vecRowOrder, (std::vector<int>{0, 2, 4, 6, 1, 3, 5}));
}

// ---------------------------------------------------------------------------
// Copy

TEST(GridClipboard, ABlockCopiesAsTabsAndLinesWithOneNulAndNothingAfterTheLastRow) {
    InputGrid w;
    FillLetters(w);
    std::unique_ptr<COleDataSource> source(w.grid.CopyTextFromGrid());
    EXPECT_EQ(CachedText(source.get()), std::string("a\tb\tc\r\nd\te\tf\0", 13));

    // Unselected cells inside the box copy as empty fields; hidden rows and
    // columns are left out with their separators.
    w.grid.SetItemState(1, 2, w.grid.GetItemState(1, 2) & ~CIS_SELECTED);
    w.grid.SetColumnWidth(3, 0);
    source.reset(w.grid.CopyTextFromGrid());
    EXPECT_EQ(CachedText(source.get()), std::string("a\t\r\nd\te\0", 8));
    w.grid.SetRowHeight(1, 0);
    source.reset(w.grid.CopyTextFromGrid());
    EXPECT_EQ(CachedText(source.get()), std::string("d\te\0", 4));

    w.grid.SetSelectedRange(-1, -1, -1, -1);
    EXPECT_EQ(w.grid.CopyTextFromGrid(), nullptr) << "nothing selected";
}

TEST(GridClipboard, CtrlCPutsTheTextOnTheClipboardForOtherProgramsToo) {
    InputGrid w;
    FillLetters(w);
    w.grid.SetItemText(1, 1, u"a,1");
    w.grid.SetFocusCell(1, 1);
    w.Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString("a,1\tb\tc\r\nd\te\tf"));
    EXPECT_NE(COleDataSource::GetClipboardOwner(), nullptr);

    // Pasted back two rows lower: the comma stays inside its cell.
    w.grid.SetSelectedRange(-1, -1, -1, -1);
    w.grid.SetRowCount(5);
    w.grid.SetFocusCell(3, 1);
    w.Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.grid.GetItemText(3, 1), u"a,1");
    EXPECT_EQ(w.grid.GetItemText(4, 3), u"f");
    EXPECT_EQ(w.Selected(), (std::vector<std::string>{"3,1", "3,2", "3,3", "4,1", "4,2", "4,3"}));
}

TEST(GridClipboard, CutEmptiesTheSelectedCellsButNotReadOnlyOnesNorAGridThatIsNotEditable) {
    InputGrid w;
    FillLetters(w);
    w.grid.SetItemState(2, 2, w.grid.GetItemState(2, 2) | CIS_READONLY);
    w.grid.m_bEditable = FALSE;
    w.grid.OnEditCut();
    EXPECT_EQ(Column(w.grid, 1), u"a|d");
    w.grid.m_bEditable = TRUE;
    w.grid.SetFocusCell(1, 1);
    w.Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(Column(w.grid, 1) + u"/" + Column(w.grid, 2) + u"/" + Column(w.grid, 3), u"|/|e/|");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString("a\tb\tc\r\nd\te\tf"));
}

// ---------------------------------------------------------------------------
// Paste

TEST(GridClipboard, PastedTextIsSplitTrimmedAndReadNoFurtherThanItsSize) {
    struct Case {
        const char* name;
        std::string bytes;
        std::u16string row1;  // cells 1..3 of row 1, joined by '|'
        std::u16string row2;
    };
    const Case cases[] = {
        {"tabs and commas", std::string("1,2\t3\0", 6), u"1,2|3|1,3", u"2,1|2,2|2,3"},
        {"commas only (a one-column copy of x,y,z)", std::string("x,y,z\0", 6), u"x|y|z", u"2,1|2,2|2,3"},
        {"no terminator", "p\tq", u"p|q|1,3", u"2,1|2,2|2,3"},
        {"the text ends at its first NUL", std::string("m\0n\tk\r\nj\0", 9), u"m|1,2|1,3", u"2,1|2,2|2,3"},
        {"spaces and a blank line", std::string(" s \t t\r\n\r\n", 10), u"s|t|1,3", u"|2,2|2,3"},
        {"rows and columns beyond the grid", "1\t2\t3\t4\t5\n6\n7\n8\n9", u"1|2|3", u"6|2,2|2,3"},
    };
    for (const Case& c : cases) {
        InputGrid w;
        w.Fill(3, 4);
        TextData text(c.bytes);
        EXPECT_TRUE(w.grid.PasteTextToGrid(CCellID(1, 1), &text.data, FALSE)) << c.name;
        std::u16string row1 = w.grid.GetItemText(1, 1) + u"|" + w.grid.GetItemText(1, 2) + u"|" + w.grid.GetItemText(1, 3);
        std::u16string row2 = w.grid.GetItemText(2, 1) + u"|" + w.grid.GetItemText(2, 2) + u"|" + w.grid.GetItemText(2, 3);
        EXPECT_EQ(row1, c.row1) << c.name;
        EXPECT_EQ(row2, c.row2) << c.name;
    }
}

TEST(GridClipboard, PasteLeavesReadOnlyCellsVetoedCellsAndGridsThatAreNotEditable) {
    InputGrid w;
    w.Fill(3, 4);
    TextData text("A\tB\tC");
    w.grid.SetItemState(1, 2, w.grid.GetItemState(1, 2) | CIS_READONLY);
    EXPECT_FALSE(w.grid.PasteTextToGrid(CCellID(1, 2), &text.data, TRUE)) << "starting on a read-only cell";
    EXPECT_FALSE(w.grid.PasteTextToGrid(CCellID(3, 1), &text.data, TRUE)) << "outside the grid";
    w.grid.m_bEditable = FALSE;
    EXPECT_FALSE(w.grid.PasteTextToGrid(CCellID(1, 1), &text.data, TRUE));
    EXPECT_EQ(w.grid.GetItemText(1, 1), u"1,1");
    w.grid.m_bEditable = TRUE;

    // The owner vetoes the third cell's change.
    w.replies[GRIDN_BEGINLABELEDIT] = 0;
    w.top.handlers[WM_NOTIFY] = [](WPARAM, LPARAM l) -> LRESULT {
        const auto* info = reinterpret_cast<const GridNotifyInfo*>(l);
        return info->hdr.code == GRIDN_BEGINLABELEDIT && info->iColumn == 3 ? -1 : 0;
    };
    EXPECT_TRUE(w.grid.PasteTextToGrid(CCellID(1, 1), &text.data, TRUE));
    EXPECT_EQ(w.grid.GetItemText(1, 1) + w.grid.GetItemText(1, 2) + w.grid.GetItemText(1, 3), u"A1,21,3");
    EXPECT_EQ(w.Selected(), (std::vector<std::string>{"1,1", "1,2", "1,3"}));

    // Text that writes no cell selects nothing.
    TextData empty(std::string("\0", 1));
    EXPECT_TRUE(w.grid.PasteTextToGrid(CCellID(2, 1), &empty.data, TRUE));
    EXPECT_TRUE(w.Selected().empty());
}

// ---------------------------------------------------------------------------
// Drag and drop

TEST(GridDragDrop, TheDragImageIsTheFocusCellAsShownWithItsPlainBackgroundSeeThrough) {
    InputGrid w;
    w.Fill(3, 4, 1, 1, 60, 22);
    EXPECT_EQ(w.grid.CreateDragImage(nullptr), nullptr) << "without a focus cell";
    w.grid.SetItemText(1, 1, u"Wy");
    w.grid.GetCell(1, 2)->SetBackClr(RGB(250, 220, 40));
    w.grid.SetItemText(1, 2, u"Wy");

    for (int col : {1, 2}) {
        w.grid.SetFocusCell(1, col);
        w.grid.Invalidate();
        Pump();
        CRect cell;
        ASSERT_TRUE(w.grid.GetCellRect(1, col, &cell));
        CPoint hot;
        std::unique_ptr<CImageList> image(w.grid.CreateDragImage(&hot));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(hot, CPoint(cell.Width(), cell.Height()));
        ASSERT_EQ(image->GetImageCount(), 1);

        // The image drawn over magenta, against the grid's own picture of the cell.
        const COLORREF under = RGB(255, 0, 255);
        Canvas drawn(cell.Width(), cell.Height(), under);
        ASSERT_TRUE(image->Draw(&drawn.DC(), 0, CPoint(0, 0), ILD_TRANSPARENT));
        Canvas shown(cell.Width(), cell.Height());
        CClientDC dc(&w.grid);
        shown.DC().BitBlt(0, 0, cell.Width(), cell.Height(), &dc, cell.left, cell.top, SRCCOPY);
        const Snapshot got(drawn.Image(), "drag-" + std::to_string(col));
        const Snapshot want(shown.Image(), "grid-" + std::to_string(col));
        const COLORREF plain = w.grid.GetDefaultCell(FALSE, FALSE)->GetBackClr();
        int wrong = 0, seeThrough = 0;
        for (int y = 0; y < cell.Height(); ++y)
            for (int x = 0; x < cell.Width(); ++x) {
                const COLORREF expected = want.Pixel(x, y) == plain ? under : want.Pixel(x, y);
                wrong += ChannelDistance(got.Pixel(x, y), expected) > 8;
                seeThrough += got.Pixel(x, y) == under;
            }
        EXPECT_EQ(wrong, 0) << "column " << col;
        // The plain cell's background is see-through; the coloured one's is not.
        EXPECT_EQ(seeThrough > cell.Width() * cell.Height() / 2, col == 1) << seeThrough;
    }
}

TEST(GridDragDrop, TheTargetRefusesUnlessDragAndDropIsOnTheGridEditableAndTheDataText) {
    InputGrid w;
    w.Fill(4, 4);
    TextData text("dropped");
    COleDataSource noText;
    COleDataObject noTextData;
    noTextData.Attach(&noText);
    const CPoint over = w.At(2, 2);

    EXPECT_EQ(w.grid.OnDragEnter(&text.data, 0, over), DROPEFFECT_NONE) << "drag and drop is off";
    w.grid.m_bDragDropEnabled = TRUE;
    EXPECT_EQ(w.grid.OnDragEnter(&noTextData, 0, over), DROPEFFECT_NONE);
    EXPECT_EQ(w.grid.OnDragOver(&noTextData, 0, over), DROPEFFECT_NONE);
    w.grid.m_bEditable = FALSE;
    EXPECT_EQ(w.grid.OnDragOver(&text.data, 0, over), DROPEFFECT_NONE);
    w.grid.m_bEditable = TRUE;

    EXPECT_EQ(w.grid.OnDragEnter(&text.data, 0, over), DROPEFFECT_MOVE);
    EXPECT_EQ(w.grid.OnDragOver(&text.data, MK_CONTROL, over), DROPEFFECT_COPY);
    EXPECT_TRUE(w.grid.GetItemState(2, 2) & CIS_DROPHILITED);
    w.grid.OnDragLeave();
    EXPECT_FALSE(w.grid.GetItemState(2, 2) & CIS_DROPHILITED);

    // A drop from elsewhere pastes at the cell and moves no rows.
    EXPECT_EQ(w.grid.OnDragOver(&text.data, 0, over), DROPEFFECT_MOVE);
    EXPECT_TRUE(w.grid.OnDrop(&text.data, DROPEFFECT_MOVE, over));
    EXPECT_EQ(w.grid.GetItemText(2, 2), u"dropped");
    EXPECT_EQ(w.grid.GetItemText(2, 1), u"2,1");
    EXPECT_FALSE(w.grid.GetItemState(2, 2) & CIS_DROPHILITED);

    // Text that writes nothing reports no drop.
    TextData blank(std::string("\0", 1));
    w.grid.OnDragOver(&blank.data, 0, w.At(3, 3));
    EXPECT_FALSE(w.grid.OnDrop(&blank.data, DROPEFFECT_MOVE, w.At(3, 3)));
}

TEST(GridDragDrop, DraggingASelectedRowOntoAnotherMovesItBelowAndCutsNothing) {
    InputGrid w;
    w.Fill(5, 3);
    w.grid.m_bDragDropEnabled = TRUE;
    w.grid.SetRowHeight(1, 24);
    w.Click(w.At(1, 0));  // selects row 1 by its header
    ASSERT_EQ(w.Selected(), (std::vector<std::string>{"1,1", "1,2"}));

    const CPoint from = w.At(1, 1);
    const CPoint onto = w.At(3, 1);
    QWidget* widget = w.grid.Widget();
    auto at = [&](CPoint p, QEvent::Type type, Qt::MouseButtons buttons) {
        return [&w, p, type, buttons] {
            w.Mouse(type, p, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons);
        };
    };
    (void)widget;
    TimedSteps steps({at(onto + CPoint(0, -2), QEvent::MouseMove, Qt::LeftButton),
                      at(onto, QEvent::MouseMove, Qt::LeftButton),
                      at(onto, QEvent::MouseButtonRelease, Qt::NoButton)});
    w.Press(from);
    w.Move(from + CPoint(4, 0), true);  // starts the drag; returns when it is over
    Pump();
    EXPECT_EQ(Column(w.grid, 1), u"2,1|3,1|1,1|4,1");
    EXPECT_EQ(w.grid.GetRowHeight(3), 24) << "the height moved with its row";
    EXPECT_EQ(w.grid.GetItemText(3, 2), u"1,2") << "nothing was cut";
    EXPECT_EQ(w.CountCode(GRIDN_BEGINDRAG), 1);
}

TEST(GridDragDrop, DraggingAHeaderOntoAnotherMovesItsColumnWhenColumnDraggingIsOn) {
    InputGrid w;
    w.Fill(3, 5);
    w.grid.m_bColumnDragging = true;
    w.grid.SetColumnWidth(1, 44);
    auto at = [&w](CPoint p, QEvent::Type type, Qt::MouseButtons buttons) {
        return [&w, p, type, buttons] {
            w.Mouse(type, p, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons);
        };
    };
    const CPoint from = w.At(0, 1);
    const CPoint onto = w.At(0, 3);
    TimedSteps steps({at(onto, QEvent::MouseMove, Qt::LeftButton), at(onto + CPoint(1, 0), QEvent::MouseMove, Qt::LeftButton),
                      at(onto + CPoint(1, 0), QEvent::MouseButtonRelease, Qt::NoButton)});
    w.Press(from);
    w.Move(from + CPoint(4, 0), true);  // the drag runs until the release
    Pump();
    EXPECT_EQ(w.grid.GetItemText(1, 1) + u" " + w.grid.GetItemText(1, 2) + u" " + w.grid.GetItemText(1, 3),
              u"1,2 1,3 1,1");
    EXPECT_EQ(w.grid.GetColumnWidth(3), 44) << "the width moved with its column";
    EXPECT_EQ(w.grid.GetItemText(1, 4), u"1,4");
    EXPECT_EQ(w.grid.m_nCurrentColumn, -1);
}

namespace {

// Drags row `from` by a cell and drops it on row `onto`, as the mouse would.
void DragRow(InputGrid& w, int from, int onto) {
    const CPoint start = w.At(from, 1);
    const CPoint target = w.At(onto, 1);
    auto at = [&w](CPoint p, QEvent::Type type, Qt::MouseButtons buttons) {
        return [&w, p, type, buttons] {
            w.Mouse(type, p, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons);
        };
    };
    TimedSteps steps({at(target + CPoint(0, -2), QEvent::MouseMove, Qt::LeftButton),
                      at(target, QEvent::MouseMove, Qt::LeftButton),
                      at(target, QEvent::MouseButtonRelease, Qt::NoButton)});
    w.Press(start);
    w.Move(start + CPoint(4, 0), true);  // the drag runs until the release
    Pump();
}

// The cells the selection map names, as "r,c" in row order.
std::vector<std::string> Mapped(CGridCtrl& grid) {
    std::vector<std::pair<int, int>> cells;
    for (const auto& [key, cell] : grid.m_mapSelected) {
        EXPECT_EQ(key, CGridCtrl::CellKey(cell.row, cell.col));
        cells.emplace_back(cell.row, cell.col);
    }
    std::sort(cells.begin(), cells.end());
    std::vector<std::string> out;
    for (const auto& [r, c] : cells) out.push_back(std::to_string(r) + "," + std::to_string(c));
    return out;
}

}  // namespace

TEST(GridDragDrop, AMovedRowTakesItsSelectionAndTheFocusWithIt) {
    struct Case {
        int from, onto, lands;
        std::u16string column;  // column 1 after the move
    };
    const Case cases[] = {
        {1, 3, 3, u"2,1|3,1|1,1|4,1|5,1"},  // down: just below the row dropped on
        {4, 1, 2, u"1,1|4,1|2,1|3,1|5,1"},  // up
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        InputGrid w;
        w.Fill(6, 3);
        w.grid.m_bDragDropEnabled = TRUE;
        w.Click(w.At(c.from, 0));  // selects the row by its header
        const std::vector<std::string> row = {std::to_string(c.from) + ",1", std::to_string(c.from) + ",2"};
        ASSERT_EQ(w.Selected(), row);

        DragRow(w, c.from, c.onto);
        ASSERT_EQ(Column(w.grid, 1), c.column);
        const std::vector<std::string> moved = {std::to_string(c.lands) + ",1", std::to_string(c.lands) + ",2"};
        EXPECT_EQ(w.Selected(), moved) << "the selected bits travelled with the row";
        EXPECT_EQ(Mapped(w.grid), moved) << "and the map names where they are now";
        // The press that began the drag put the focus on the dragged cell.
        EXPECT_EQ(w.grid.GetFocusCell(), CCellID(c.lands, 1));
        EXPECT_TRUE(w.grid.GetItemState(c.lands, 1) & CIS_FOCUSED);

        // Delete empties the row the user selected, wherever it went, and no other.
        w.Key(Qt::Key_Delete);
        for (int r = 1; r < 6; ++r)
            for (int col = 1; col < 3; ++col) {
                const std::string text = grid_test::Narrow(w.grid.GetItemText(r, col));
                if (r == c.lands) EXPECT_EQ(text, "") << r << "," << col;
                else EXPECT_NE(text, "") << r << "," << col;
            }

        // Clearing the selection leaves no cell marked.
        w.grid.SetSelectedRange(-1, -1, -1, -1);
        EXPECT_TRUE(w.Selected().empty());
        EXPECT_TRUE(Mapped(w.grid).empty());
    }
}

TEST(GridDragDrop, InVirtualModeAMovedRowTakesItsSelectionAndTheFocusWithIt) {
    InputGrid w;
    w.grid.m_bVirtualMode = TRUE;
    w.Fill(6, 3);
    w.grid.m_bDragDropEnabled = TRUE;
    w.Click(w.At(1, 0));
    ASSERT_EQ(w.Selected(), (std::vector<std::string>{"1,1", "1,2"}));
    DragRow(w, 1, 3);
    EXPECT_EQ(w.grid.m_vecRowOrder, (std::vector<int>{0, 2, 3, 1, 4, 5}));
    EXPECT_EQ(w.Selected(), (std::vector<std::string>{"3,1", "3,2"}));
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(3, 1));
}

TEST(GridDragDrop, AMovedHeaderColumnTakesItsSelectionAndTheFocusWithIt) {
    InputGrid w;
    w.Fill(4, 5);
    w.grid.m_bColumnDragging = true;
    auto at = [&w](CPoint p, QEvent::Type type, Qt::MouseButtons buttons) {
        return [&w, p, type, buttons] {
            w.Mouse(type, p, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons);
        };
    };
    const CPoint from = w.At(0, 1);
    const CPoint onto = w.At(0, 3);
    // The press on the header clears the selection; cells are selected while
    // the header is on its way.
    auto select = [&w] {
        w.grid.SetSelectedRange(1, 1, 2, 1);
        w.grid.SetFocusCell(2, 1);
    };
    TimedSteps steps({select, at(onto, QEvent::MouseMove, Qt::LeftButton), at(onto + CPoint(1, 0), QEvent::MouseMove, Qt::LeftButton),
                      at(onto + CPoint(1, 0), QEvent::MouseButtonRelease, Qt::NoButton)});
    w.Press(from);
    w.Move(from + CPoint(4, 0), true);
    Pump();
    ASSERT_EQ(w.grid.GetItemText(1, 3), u"1,1");
    EXPECT_EQ(w.Selected(), (std::vector<std::string>{"1,3", "2,3"}));
    EXPECT_EQ(Mapped(w.grid), (std::vector<std::string>{"1,3", "2,3"}));
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(2, 3));
}

TEST(GridClipboard, AMebibytePasteWritesTheCellsItReachesAndDropsTheRest) {
    constexpr size_t kMiB = 1 << 20;
    auto repeat = [](const std::string& unit, size_t bytes) {
        std::string out;
        while (out.size() + unit.size() <= bytes) out += unit;
        return out;
    };
    struct Case {
        const char* name;
        std::string text;
        // Rows 1 to 3, columns 1 to 4 after pasting at (1, 1).
        std::vector<std::u16string> cells;
        CCellID last;  // the selection's bottom-right: the last cell written
    };
    const Case cases[] = {
        {"one line of '1,' fields", repeat("1,", kMiB),
         {u"1", u"1", u"1", u"1", u"2,1", u"2,2", u"2,3", u"2,4", u"3,1", u"3,2", u"3,3", u"3,4"},
         CCellID(1, 4)},
        {"many tab-separated lines", repeat(" a,b\tc \r\n", kMiB),
         {u"a,b", u"c", u"1,3", u"1,4", u"a,b", u"c", u"2,3", u"2,4", u"a,b", u"c", u"3,3", u"3,4"},
         CCellID(3, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InputGrid w;
        w.Fill(4, 5);
        TextData data(c.text);
        ASSERT_TRUE(w.grid.PasteTextToGrid(CCellID(1, 1), &data.data, TRUE));
        std::vector<std::u16string> cells;
        for (int r = 1; r <= 3; ++r)
            for (int col = 1; col <= 4; ++col) cells.push_back(w.grid.GetItemText(r, col));
        EXPECT_TRUE(cells == c.cells);
        const CellRange selected = w.grid.GetSelectionBounds();
        EXPECT_EQ(selected.GetTopLeft(), CCellID(1, 1));
        EXPECT_EQ(CCellID(selected.maxRow, selected.maxCol), c.last);
        EXPECT_EQ(w.grid.GetItemText(1, 0), u"1,0") << "the fixed column is left alone";
    }
}
