// The grid's mouse and keyboard, driven by real mouse, wheel and key events:
// selecting, clicks on headers, resizing, the wheel, starting and ending edits,
// and moving the focus from the keyboard.
#include <gtest/gtest.h>

#include <QCursor>
#include <algorithm>
#include <climits>
#include <functional>

#include "platform/window/edit.h"
#include "tests/grid/grid_input_fixture.h"

namespace {

using grid_test::InputGrid;
using grid_test::Pump;

// Runs the posted scroll messages of a wheel notch and reports the vertical
// scroll position before and after.
int LinesScrolled(InputGrid& w, int delta) {
    const int before = w.grid.GetScrollPos(SB_VERT);
    w.Wheel(delta);
    Pump();
    return (w.grid.GetScrollPos(SB_VERT) - before) / 20;
}

}  // namespace

// ---------------------------------------------------------------------------
// Selecting with the mouse

TEST(GridMouse, ClickOnTheFocusCellsTextEditsAtTheReleaseOnlyWhenTheMouseStayed) {
    InputGrid w;
    w.Fill(6, 5);
    w.Click(w.At(2, 2));
    ASSERT_EQ(w.grid.GetFocusCell(), CCellID(2, 2));
    EXPECT_EQ(w.Editor(), nullptr);  // the first click only focuses

    w.Press(w.At(2, 2));
    EXPECT_EQ(w.Editor(), nullptr) << "no editor before the release";
    w.Release(w.At(2, 2));
    Pump();
    ASSERT_NE(w.Editor(), nullptr);
    w.Key(Qt::Key_Escape);
    Pump();
    EXPECT_EQ(w.Editor(), nullptr);
    EXPECT_EQ(w.grid.GetItemText(2, 2), u"2,2");

    // A move with the button down turns it into a drag attempt (drag and drop
    // is off): the release clears the selection and the focus, and edits nothing.
    w.Click(w.At(2, 2));  // opens the editor again
    w.Key(Qt::Key_Escape);
    w.Press(w.At(2, 2));
    w.Move(w.At(2, 2) + CPoint(3, 0), true);
    w.Release(w.At(2, 2) + CPoint(3, 0));
    Pump();
    EXPECT_EQ(w.Editor(), nullptr);
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(-1, -1));
    EXPECT_TRUE(w.Selected().empty());
}

TEST(GridMouse, ShiftClickExtendsFromTheStartAndCtrlClickDeselectsOneCell) {
    InputGrid w;
    w.Fill(6, 5);
    w.Click(w.At(1, 1));
    w.Click(w.At(2, 3), Qt::ShiftModifier);
    EXPECT_EQ(w.Selected(), (std::vector<std::string>{"1,1", "1,2", "1,3", "2,1", "2,2", "2,3"}));
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(2, 3));

    w.Click(w.At(2, 2), Qt::ControlModifier);
    EXPECT_EQ(w.Selected(), (std::vector<std::string>{"1,1", "1,2", "1,3", "2,1", "2,3"}));

    // A plain click starts afresh.
    w.Click(w.At(4, 4));
    EXPECT_EQ(w.Selected(), (std::vector<std::string>{"4,4"}));
}

TEST(GridMouse, DraggingSelectsTheSpanAndEveryReleaseOnACellTellsTheOwner) {
    InputGrid w;
    w.Fill(6, 5);
    w.Press(w.At(1, 1));
    w.Move(w.At(2, 2), true);
    w.Move(w.At(3, 2), true);
    w.Release(w.At(3, 2));
    Pump();
    EXPECT_EQ(w.Selected(), (std::vector<std::string>{"1,1", "1,2", "2,1", "2,2", "3,1", "3,2"}));
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(3, 2));
    EXPECT_EQ(w.CountCode(NM_CLICK), 1);
    EXPECT_EQ(CountOf(w.log, WM_COMMAND), 1);
    const auto commands = MessagesOf(w.log);
    ASSERT_FALSE(commands.empty());
}

TEST(GridMouse, HeaderClicksSelectColumnsRowsOrAllAndMoveTheFocusAway) {
    InputGrid w;
    w.Fill(4, 3);
    w.Click(w.At(1, 1));
    w.Click(w.At(0, 2));  // a column header
    EXPECT_EQ(w.Selected(), (std::vector<std::string>{"1,2", "2,2", "3,2"}));
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(-1, -1));

    w.Click(w.At(2, 0));  // a row header
    EXPECT_EQ(w.Selected(), (std::vector<std::string>{"2,1", "2,2"}));

    w.Click(w.At(0, 0));  // the corner
    EXPECT_EQ(w.Selected().size(), 6u);
}

TEST(GridMouse, HeaderClickSortsAscendingThenDescendingThenAnotherColumnAscending) {
    InputGrid w;
    w.Fill(5, 3);
    w.grid.m_bFixedRowClickSorts = TRUE;
    const char16_t* keys[] = {u"c", u"a", u"d", u"b"};
    for (int r = 1; r <= 4; ++r) w.grid.SetItemText(r, 1, keys[r - 1]);

    w.Click(w.At(0, 1));
    EXPECT_EQ(w.grid.GetSortColumn(), 1);
    EXPECT_TRUE(w.grid.GetSortAscending());
    EXPECT_EQ(w.grid.GetItemText(1, 1) + w.grid.GetItemText(2, 1) + w.grid.GetItemText(3, 1) + w.grid.GetItemText(4, 1),
              u"abcd");
    w.Click(w.At(0, 1));
    EXPECT_FALSE(w.grid.GetSortAscending());
    EXPECT_EQ(w.grid.GetItemText(1, 1) + w.grid.GetItemText(2, 1) + w.grid.GetItemText(3, 1) + w.grid.GetItemText(4, 1),
              u"dcba");
    w.Click(w.At(0, 2));
    EXPECT_EQ(w.grid.GetSortColumn(), 2);
    EXPECT_TRUE(w.grid.GetSortAscending());
}

TEST(GridMouse, ADragSelectionBelowTheWindowScrollsAndExtendsOnTheTimer) {
    InputGrid w(300, 100);
    w.Fill(30, 4);
    w.Press(w.At(1, 1));
    w.Move(w.At(2, 1), true);
    ASSERT_EQ(w.grid.GetFocusCell(), CCellID(2, 1));
    // The pointer goes below the grid while the button is held.
    POINT below{40, 150};
    w.grid.ClientToScreen(&below);
    QCursor::setPos(below.x, below.y);
    POINT seen;
    if (!GetCursorPos(&seen) || seen.y != below.y) GTEST_SKIP() << "the platform does not move the pointer";
    for (int tick = 0; tick < 3; ++tick) w.grid.SendMessage(WM_TIMER, kGridAutoScrollTimer, 0);
    w.grid.SendMessage(WM_TIMER, 99, 0);  // not the grid's timer: nothing
    EXPECT_EQ(w.grid.GetFocusCell().row, 5);
    EXPECT_GT(w.grid.GetScrollPos(SB_VERT), 0) << "row 5 lay below the window";
    EXPECT_TRUE(w.grid.IsCellSelected(5, 1));
    EXPECT_TRUE(w.grid.IsCellSelected(1, 1));
    w.Release(CPoint(40, 90));
    Pump();
    EXPECT_EQ(w.grid.m_nAutoScrollTimer, 0u) << "the release stops the timer";
    QCursor::setPos(0, 0);
}

// ---------------------------------------------------------------------------
// Resizing

TEST(GridMouse, DraggingAColumnDividerResizesAndAReleaseAtThePressPointDoesNot) {
    InputGrid w;
    w.Fill(4, 4);
    const CPoint divider(99, 10);  // between columns 1 and 2 in the header row
    w.Move(divider, false);
    w.Press(divider);
    w.Release(divider);
    Pump();
    EXPECT_EQ(w.grid.GetColumnWidth(1), 50) << "released where pressed";

    w.Move(divider, false);
    w.Press(divider);
    w.Move(CPoint(140, 10), true);
    w.Release(CPoint(140, 10));
    Pump();
    EXPECT_EQ(w.grid.GetColumnWidth(1), 90);  // 140 - the column's left edge 50

    // The pointer is kept right of the column's left edge while sizing: a drag
    // far left leaves one pixel.
    const CPoint divider2(139, 10);
    w.Move(divider2, false);
    w.Press(divider2);
    w.Move(CPoint(5, 10), true);
    w.Release(CPoint(5, 10));
    Pump();
    EXPECT_EQ(w.grid.GetColumnWidth(1), 1);
    RECT clip;
    EXPECT_FALSE(GetClipCursor(&clip)) << "the release frees the pointer";
}

TEST(GridMouse, DraggingARowDividerResizesTheRowAbove) {
    InputGrid w;
    w.Fill(5, 3);
    const CPoint divider(10, 39);  // below row 1, in the fixed column
    w.Move(divider, false);
    w.Press(divider);
    w.Move(CPoint(10, 70), true);
    w.Release(CPoint(10, 70));
    Pump();
    EXPECT_EQ(w.grid.GetRowHeight(1), 50);  // 70 - the row's top 20
    EXPECT_EQ(w.grid.GetRowHeight(2), 20);
}

TEST(GridMouse, DoubleClickOnADividerAutoSizesTheColumnLeftOfIt) {
    InputGrid w;
    w.Fill(4, 4);
    w.grid.SetItemText(2, 1, u"a much longer text than fits");
    w.Move(CPoint(99, 10), false);
    w.DoubleClick(CPoint(99, 10));
    EXPECT_GT(w.grid.GetColumnWidth(1), 100);
    EXPECT_EQ(w.grid.GetColumnWidth(2), 50);
}

// ---------------------------------------------------------------------------
// The wheel

TEST(GridMouse, OneWheelNotchScrollsThreeLinesEitherWayAndPagesWhenAsked) {
    InputGrid w(300, 100);
    w.Fill(60, 3);
    w.grid.m_nWheelLines = 3;
    for (int i = 0; i < 10; ++i) w.grid.SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
    const int start = w.grid.GetScrollPos(SB_VERT);
    ASSERT_GT(start, 0);

    EXPECT_EQ(LinesScrolled(w, 120), -3);
    EXPECT_EQ(LinesScrolled(w, -120), 3) << "a turn towards the user scrolls down";

    // A huge line count is capped, never millions of messages.
    w.grid.SendMessage(WM_VSCROLL, SB_BOTTOM, 0);
    const int limit = w.grid.GetScrollPos(SB_VERT);
    w.grid.SendMessage(WM_VSCROLL, SB_TOP, 0);
    w.grid.m_nWheelLines = INT_MAX;
    w.Wheel(-120);
    Pump();
    EXPECT_EQ(w.grid.GetScrollPos(SB_VERT), limit);

    w.grid.m_nWheelLines = -1;  // a page per notch
    const int bottom = w.grid.GetScrollPos(SB_VERT);
    w.Wheel(120);
    Pump();
    SCROLLINFO info;
    w.grid.GetScrollInfo(SB_VERT, &info, SIF_PAGE);
    EXPECT_EQ(bottom - w.grid.GetScrollPos(SB_VERT), int(info.nPage));
}

// ---------------------------------------------------------------------------
// Editing

TEST(GridEditing, TabOrAnArrowThatEndsAnEditOpensTheNextCellsEditor) {
    InputGrid w;
    w.Fill(5, 4);
    w.Click(w.At(1, 1));
    w.Key(Qt::Key_F2);
    ASSERT_NE(w.Editor(), nullptr);
    w.Key(Qt::Key_X);
    w.Key(Qt::Key_Tab);
    Pump();
    EXPECT_EQ(w.grid.GetItemText(1, 1), u"1,1X");  // the key delivers its capital
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(1, 2));
    ASSERT_NE(w.Editor(), nullptr) << "the next cell is being edited";
    w.Key(Qt::Key_Y);
    w.Key(Qt::Key_Down);
    Pump();
    EXPECT_EQ(w.grid.GetItemText(1, 2), u"Y") << "an editor opened by a key starts with its text selected";
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(2, 2));
    EXPECT_NE(w.Editor(), nullptr);
    w.Key(Qt::Key_Escape);
    Pump();
    EXPECT_EQ(w.grid.GetItemText(2, 2), u"2,2");
}

TEST(GridEditing, AFailedValidationOrAnOwnersUndoKeepsTheOldText) {
    InputGrid w;
    w.Fill(4, 3);
    w.replies[GRIDN_ENDLABELEDIT] = -1;
    w.Click(w.At(1, 1));
    w.Key(Qt::Key_Z);  // starts an edit with the character
    ASSERT_NE(w.Editor(), nullptr);
    w.Key(Qt::Key_Return);
    Pump();
    EXPECT_EQ(w.grid.GetItemText(1, 1), u"1,1");
    EXPECT_TRUE(w.grid.GetItemState(1, 1) & CIS_MODIFIED);

    w.replies.clear();
    w.Key(Qt::Key_Z);
    w.Key(Qt::Key_Return);
    Pump();
    EXPECT_EQ(w.grid.GetItemText(1, 1), u"Z");
}

TEST(GridEditing, AnOpenEditEndsIntoItsOwnCellBeforeAChangeMovesOrRemovesIt) {
    // The edit of (3,1) has "ZZ" typed at its end when the change comes. A
    // change that leaves the cell where it is leaves the edit open, and Return
    // ends it.
    struct Case {
        const char* name;
        std::function<void(InputGrid&)> change;
        std::string texts;  // afterwards (grid_test::Texts)
        bool staysOpen = false;
        bool columnsSwapped = false;  // columns 1 and 2 show each other's cells from the start
    };
    const Case cases[] = {
        {"fewer rows, then as many as before", [](InputGrid& w) { w.grid.SetRowCount(3), w.grid.SetRowCount(5); },
         "0,0|0,1|0,2 / 1,0|1,1|1,2 / 2,0|2,1|2,2 / || / ||"},
        {"only a row below it goes", [](InputGrid& w) { w.grid.SetRowCount(4); },
         "0,0|0,1|0,2 / 1,0|1,1|1,2 / 2,0|2,1|2,2 / 3,0|3,1ZZ|3,2", true},
        {"fewer columns", [](InputGrid& w) { w.grid.SetColumnCount(1); }, "0,0 / 1,0 / 2,0 / 3,0 / 4,0"},
        {"more columns", [](InputGrid& w) { w.grid.SetColumnCount(4); },
         "0,0|0,1|0,2| / 1,0|1,1|1,2| / 2,0|2,1|2,2| / 3,0|3,1ZZ|3,2| / 4,0|4,1|4,2|", true},
        {"more columns, which puts dragged columns back", [](InputGrid& w) { w.grid.SetColumnCount(4); },
         "0,0|0,1|0,2| / 1,0|1,1|1,2| / 2,0|2,1|2,2| / 3,0|3,1|3,2ZZ| / 4,0|4,1|4,2|", false, true},
        {"its cell destroyed", [](InputGrid& w) { w.grid.DestroyCell(3, 1); },
         "0,0|0,1|0,2 / 1,0|1,1|1,2 / 2,0|2,1|2,2 / 3,0||3,2 / 4,0|4,1|4,2"},
        {"every cell deleted", [](InputGrid& w) { w.grid.DeleteAllCells(); }, ""},
        {"sorted by its column, descending", [](InputGrid& w) { w.grid.SortItems(1, FALSE); },
         "0,0|0,1|0,2 / 4,0|4,1|4,2 / 3,0|3,1ZZ|3,2 / 2,0|2,1|2,2 / 1,0|1,1|1,2"},
        {"a header dragged across it",
         [](InputGrid& w) {
             w.grid.m_nCurrentColumn = 2;
             w.grid.m_idDropHighlight = CCellID(0, 1);
             w.grid.OnDrop(nullptr, DROPEFFECT_MOVE, CPoint(0, 0));
         },
         "0,0|0,2|0,1 / 1,0|1,2|1,1 / 2,0|2,2|2,1 / 3,0|3,2|3,1ZZ / 4,0|4,2|4,1"},
        // An undo that comes after the owner moved the cell cannot reach it:
        // the text stays with its cell, and no other cell is written.
        {"the owner sorts as it hears the end, and undoes it",
         [](InputGrid& w) {
             w.top.handlers[WM_NOTIFY] = [&w](WPARAM, LPARAM l) -> LRESULT {
                 const auto* note = reinterpret_cast<const GridNotifyInfo*>(l);
                 if (note->hdr.code != GRIDN_ENDLABELEDIT) return 0;
                 w.notes.push_back(*note);
                 w.grid.SortItems(1, FALSE);
                 return -1;
             };
             w.Key(Qt::Key_Return);
         },
         "0,0|0,1|0,2 / 4,0|4,1|4,2 / 3,0|3,1ZZ|3,2 / 2,0|2,1|2,2 / 1,0|1,1|1,2"},
    };
    for (const Case& c : cases) {
        InputGrid w;
        w.Fill(5, 3);
        if (c.columnsSwapped) std::swap(w.grid.m_vecColumnOrder[1], w.grid.m_vecColumnOrder[2]);
        w.Click(w.At(3, 1));
        w.Key(Qt::Key_F2);
        w.Key(Qt::Key_Z);
        w.Key(Qt::Key_Z);
        ASSERT_NE(w.Editor(), nullptr) << c.name;
        EXPECT_EQ(grid_test::EditedCells(w.grid), std::vector<std::string>{"3,1"}) << c.name;
        c.change(w);
        Pump();
        EXPECT_EQ(w.Editor() != nullptr, c.staysOpen) << c.name;
        EXPECT_EQ(w.CountCode(GRIDN_ENDLABELEDIT), c.staysOpen ? 0 : 1) << c.name;
        if (w.Editor()) w.Key(Qt::Key_Return);
        EXPECT_EQ(grid_test::Texts(w.grid), c.texts) << c.name;
        EXPECT_TRUE(grid_test::EditedCells(w.grid).empty()) << c.name;
        EXPECT_EQ(w.CountCode(GRIDN_ENDLABELEDIT), 1) << c.name;
        if (w.CountCode(GRIDN_ENDLABELEDIT) != 1) continue;
        const auto end = std::find_if(w.notes.begin(), w.notes.end(),
                                      [](const GridNotifyInfo& n) { return n.hdr.code == GRIDN_ENDLABELEDIT; });
        EXPECT_EQ(CCellID(end->iRow, end->iColumn), CCellID(3, 1)) << c.name;
    }
}

TEST(GridEditing, ReadOnlyCellsAndAGridThatIsNotEditableOpenNoEditor) {
    InputGrid w;
    w.Fill(4, 3);
    w.grid.SetItemState(1, 1, w.grid.GetItemState(1, 1) | CIS_READONLY);
    w.Click(w.At(1, 1));
    w.Key(Qt::Key_F2);
    EXPECT_EQ(w.Editor(), nullptr);
    w.grid.m_bEditable = FALSE;
    w.Click(w.At(2, 2));
    w.Key(Qt::Key_A);
    EXPECT_EQ(w.Editor(), nullptr);
}

// ---------------------------------------------------------------------------
// The keyboard

TEST(GridKeys, UpAndDownStopAtTheEdgeRowsAndSkipHiddenOnes) {
    InputGrid w;
    w.Fill(5, 3);
    w.grid.SetRowHeight(3, 0);
    w.Click(w.At(1, 1));
    w.Key(Qt::Key_Up);
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(1, 1)) << "never into the fixed rows";
    w.Key(Qt::Key_Down);
    w.Key(Qt::Key_Down);
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(4, 1)) << "row 3 is hidden";
    w.Key(Qt::Key_Down);
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(4, 1));
    EXPECT_EQ(w.Selected(), (std::vector<std::string>{"4,1"}));
}

TEST(GridKeys, TabAndShiftTabWrapBetweenRowsAndStopAtTheEnds) {
    InputGrid w;
    w.Fill(3, 4);
    w.Click(w.At(1, 3));
    w.Key(Qt::Key_Tab);
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(2, 1));
    w.Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(1, 3));
    w.Click(w.At(2, 3));
    w.Key(Qt::Key_Tab);
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(2, 3)) << "the last cell keeps the focus";
    w.Click(w.At(1, 1));
    w.Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(1, 1)) << "the first cell keeps the focus";
}

TEST(GridKeys, TabMovesTheDialogFocusWhenAsked) {
    InputGrid w;
    w.Fill(3, 4);
    w.grid.m_bTabMovesFocus = true;
    w.Click(w.At(1, 1));
    w.Key(Qt::Key_Tab);
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(1, 1));
    EXPECT_EQ(CountOf(w.log, WM_NEXTDLGCTL), 1);
}

TEST(GridKeys, ShiftDownExtendsFromTheSelectionStart) {
    InputGrid w;
    w.Fill(5, 4);
    w.Click(w.At(1, 1));
    w.Key(Qt::Key_Down, Qt::ShiftModifier);
    w.Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(w.Selected(), (std::vector<std::string>{"1,1", "1,2", "2,1", "2,2"}));
    w.Key(Qt::Key_Down);
    EXPECT_EQ(w.Selected(), (std::vector<std::string>{"3,2"}));
}

TEST(GridKeys, HomeEndAndPageKeysReachTheEdges) {
    InputGrid w(300, 100);
    w.Fill(30, 4);
    w.Click(w.At(1, 2));
    w.Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(29, 3));
    w.Key(Qt::Key_Home);
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(29, 1));
    w.Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(1, 1));
    for (int i = 0; i < 20; ++i) w.Key(Qt::Key_PageDown);
    EXPECT_EQ(w.grid.GetFocusCell().row, 29) << "the last page ends on the last row";
    for (int i = 0; i < 20; ++i) w.Key(Qt::Key_PageUp);
    EXPECT_EQ(w.grid.GetFocusCell().row, 1);
}

TEST(GridKeys, EndWithOneNonFixedColumnKeepsTheFocusInTheGrid) {
    InputGrid w;
    w.Fill(2, 2);
    w.Click(w.At(1, 1));
    w.Key(Qt::Key_End);
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(1, 1));
    w.Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(1, 1));
}

TEST(GridKeys, F2OrACharacterStartsEditingButEscapeAndCtrlCharactersDoNot) {
    InputGrid w;
    w.Fill(4, 3);
    w.Click(w.At(1, 1));
    w.Key(Qt::Key_Escape);
    EXPECT_EQ(w.Editor(), nullptr);
    w.Key(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(w.Editor(), nullptr);
    w.Key(Qt::Key_Q);
    CWnd* editor = w.Editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->GetWindowText(), u"Q");
    w.Key(Qt::Key_Escape);
    w.Key(Qt::Key_F2);
    editor = w.Editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->GetWindowText(), u"1,1");
    w.Key(Qt::Key_Escape);
}

TEST(GridKeys, WithoutAFocusCellNoKeyDoesAnything) {
    InputGrid w;
    w.Fill(4, 3);
    w.grid.SetSelectedRange(1, 1, 2, 2);
    w.notes.clear();
    for (int key : {int(Qt::Key_Down), int(Qt::Key_Tab), int(Qt::Key_F2), int(Qt::Key_Delete), int(Qt::Key_A)})
        w.Key(key);
    w.Key(Qt::Key_X, Qt::ControlModifier);
    w.Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(-1, -1));
    EXPECT_EQ(w.Editor(), nullptr);
    EXPECT_EQ(w.grid.GetItemText(1, 1), u"1,1") << "neither Delete nor Ctrl+X cut";
    EXPECT_EQ(w.Selected().size(), 4u);
    EXPECT_TRUE(w.notes.empty());
}

TEST(GridKeys, LosingTheKeyboardFocusIsReported) {
    InputGrid w;
    w.Fill(4, 3);
    w.Click(w.At(2, 1));
    w.notes.clear();
    w.top.SetFocus();
    Pump();
    ASSERT_EQ(w.CountCode(NM_KILLFOCUS), 1);
    EXPECT_EQ(w.notes.back().iRow, 2);
    EXPECT_EQ(w.notes.back().iColumn, 1);
}
