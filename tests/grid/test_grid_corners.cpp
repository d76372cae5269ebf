// Corners of the grid's input that other tests leave out: the editing keys,
// the IME character, right and double clicks, a lost mouse capture, the
// command-update answers, list-mode selection, and non-ASCII text copied in the
// locale's character set.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <functional>
#include <langinfo.h>
#include <string>
#include <vector>

#include "platform/runtime/app.h"
#include "tests/grid/grid_input_fixture.h"

namespace {

using grid_test::InputGrid;
using grid_test::Pump;

std::u16string Texts(CGridCtrl& grid, std::initializer_list<CCellID> cells) {
    std::u16string out;
    for (const CCellID& c : cells) out += grid.GetItemText(c.row, c.col) + u"|";
    return out;
}

}  // namespace

// Each case acts on a 5 x 4 grid (texts "r,c", one fixed row and column) with
// (1,1)..(2,2) selected and the focus on (1,1), then checks what it changed.
TEST(GridCorners, KeysClicksAndMessagesOfTheUser) {
    struct Case {
        const char* name;
        std::function<void(InputGrid&)> act;
        std::function<void(InputGrid&)> check;
    };
    const Case cases[] = {
        {"Delete empties the selected cells",
         [](InputGrid& w) { w.Key(Qt::Key_Delete); },
         [](InputGrid& w) {
             EXPECT_EQ(Texts(w.grid, {{1, 1}, {1, 2}, {2, 1}, {2, 2}, {1, 3}, {3, 1}}), u"||||1,3|3,1|");
         }},
        {"Ctrl+Insert copies",
         [](InputGrid& w) { w.Key(Qt::Key_Insert, Qt::ControlModifier); },
         [](InputGrid& w) {
             EXPECT_EQ(QGuiApplication::clipboard()->text(), QString("1,1\t1,2\r\n2,1\t2,2"));
             EXPECT_EQ(w.grid.GetItemText(1, 1), u"1,1");
         }},
        {"Shift+Insert pastes at the selection",
         [](InputGrid& w) {
             QGuiApplication::clipboard()->setText("p\tq\nr");
             w.Key(Qt::Key_Insert, Qt::ShiftModifier);
         },
         [](InputGrid& w) { EXPECT_EQ(Texts(w.grid, {{1, 1}, {1, 2}, {2, 1}, {2, 2}}), u"p|q|r|2,2|"); }},
        {"Ctrl+Add sizes every column to its texts",
         [](InputGrid& w) {
             w.grid.SetItemText(2, 2, u"a much longer text than the others");
             w.Key(Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
         },
         [](InputGrid& w) {
             EXPECT_GT(w.grid.GetColumnWidth(2), 2 * w.grid.GetColumnWidth(1));
             EXPECT_LT(w.grid.GetColumnWidth(1), 50) << "short texts shrink their column";
         }},
        {"an IME character opens the editor on the focus cell",
         [](InputGrid& w) {
             w.grid.SendMessage(WM_IME_CHAR, 0xD48D, 0);
             Pump();
         },
         [](InputGrid& w) {
             CWnd* editor = w.Editor();
             ASSERT_NE(editor, nullptr);
             EXPECT_EQ(editor->GetWindowText(), u"\uD48D");
         }},
        {"an IME Escape opens nothing",
         [](InputGrid& w) {
             w.grid.SendMessage(WM_IME_CHAR, VK_ESCAPE, 0);
             Pump();
         },
         [](InputGrid& w) { EXPECT_EQ(w.Editor(), nullptr); }},
        {"a right click tells the owner and moves the focus",
         [](InputGrid& w) {
             const CPoint p = w.At(3, 2);
             w.Mouse(QEvent::MouseButtonPress, p, Qt::RightButton, Qt::RightButton);
             w.Mouse(QEvent::MouseButtonRelease, p, Qt::RightButton, Qt::NoButton);
             Pump();
         },
         [](InputGrid& w) {
             ASSERT_EQ(w.CountCode(NM_RCLICK), 1);
             EXPECT_EQ(w.notes.back().hdr.code, NM_RCLICK);
             EXPECT_EQ(CCellID(w.notes.back().iRow, w.notes.back().iColumn), CCellID(3, 2));
             EXPECT_EQ(w.grid.GetFocusCell(), CCellID(3, 2));
         }},
        {"a right click on a header focuses the first cell past the fixed ones",
         [](InputGrid& w) {
             const CPoint p = w.At(0, 3);
             w.Mouse(QEvent::MouseButtonPress, p, Qt::RightButton, Qt::RightButton);
             w.Mouse(QEvent::MouseButtonRelease, p, Qt::RightButton, Qt::NoButton);
             Pump();
         },
         [](InputGrid& w) {
             EXPECT_EQ(w.CountCode(NM_RCLICK), 1);
             EXPECT_EQ(w.grid.GetFocusCell(), CCellID(1, 3));
         }},
        {"a double click on the focus cell's text tells the owner and edits",
         [](InputGrid& w) { w.DoubleClick(w.At(1, 1)); },
         [](InputGrid& w) {
             EXPECT_EQ(w.CountCode(NM_DBLCLK), 1);
             EXPECT_NE(w.Editor(), nullptr);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InputGrid w;
        w.Fill(5, 4);
        w.grid.SetSelectedRange(1, 1, 2, 2);
        w.grid.SetFocusCell(1, 1);
        // A key without modifiers first: the offscreen platform keeps those of
        // the last key event (a Ctrl case would leave Ctrl held).
        w.Key(Qt::Key_Escape);
        w.notes.clear();
        c.act(w);
        c.check(w);
        w.grid.EndEditing();
        Pump();
    }
}

TEST(GridCorners, LosingTheMouseCaptureStopsTheAutoScrollTimerAndADrag) {
    InputGrid w(300, 100);
    w.Fill(30, 4);
    w.Press(w.At(1, 1));
    POINT below{40, 150};
    w.grid.ClientToScreen(&below);
    QCursor::setPos(below.x, below.y);
    w.Move(CPoint(40, 150), true);  // below the window with the button held
    ASSERT_NE(w.grid.m_nAutoScrollTimer, 0u) << "the timer runs while the pointer is outside";
    w.grid.m_nMouseMode = 12;  // as during a drag
    w.grid.SendMessage(WM_CAPTURECHANGED, 0, 0);
    EXPECT_EQ(w.grid.m_nAutoScrollTimer, 0u);
    EXPECT_EQ(w.grid.m_nMouseMode, 0);
    const int pos = w.grid.GetScrollPos(SB_VERT);
    platform::PumpEvents(120);  // several periods of the timer
    EXPECT_EQ(w.grid.GetScrollPos(SB_VERT), pos) << "nothing scrolls any more";
    w.Release(CPoint(40, 50));
    QCursor::setPos(0, 0);
}

TEST(GridCorners, CommandUpdatesFollowTheSelectionEditabilityAndClipboard) {
    struct Case {
        const char* name;
        bool editable, selection, focusReadOnly, clipboardText, selectionEnabled;
        bool cut, copy, paste, selectAll;
    };
    const Case cases[] = {
        {"everything allowed", true, true, false, true, true, true, true, true, true},
        {"nothing selected", true, false, false, true, true, false, false, true, true},
        {"not editable", false, true, false, true, true, false, true, false, true},
        {"read-only focus cell", true, true, true, true, true, true, true, false, true},
        {"no text on the clipboard", true, true, false, false, true, true, true, false, true},
        {"selection switched off", true, false, false, true, false, false, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InputGrid w;
        w.Fill(4, 4);
        if (c.clipboardText) QGuiApplication::clipboard()->setText("x");
        else QGuiApplication::clipboard()->clear();
        Pump();
        if (c.selection) w.grid.SetSelectedRange(1, 1, 2, 2);
        w.grid.SetFocusCell(1, 1);
        if (c.focusReadOnly) w.grid.SetItemState(1, 1, w.grid.GetItemState(1, 1) | CIS_READONLY);
        w.grid.m_bEditable = c.editable;
        w.grid.m_bSelectionEnabled = c.selectionEnabled;
        CCmdUI cut(ID_EDIT_CUT), copy(ID_EDIT_COPY), paste(ID_EDIT_PASTE), all(ID_EDIT_SELECT_ALL);
        w.grid.OnUpdateEditCut(&cut);
        w.grid.OnUpdateEditCopy(&copy);
        w.grid.OnUpdateEditPaste(&paste);
        w.grid.OnUpdateEditSelectAll(&all);
        EXPECT_EQ(bool(cut.m_bEnabled), c.cut);
        EXPECT_EQ(bool(copy.m_bEnabled), c.copy);
        EXPECT_EQ(bool(paste.m_bEnabled), c.paste);
        EXPECT_EQ(bool(all.m_bEnabled), c.selectAll);
    }
}

// A click on a row header in list mode selects whole rows: one row with single
// row selection, else the span from the selection's start; the fixed columns
// join only when they are selectable.
TEST(GridCorners, ListModeRowSelection) {
    struct Case {
        const char* name;
        bool singleRow, fixedColumnsSelectable;
        std::vector<std::string> selected;  // after clicking row 1's header, then Shift+clicking row 3's
    };
    const Case cases[] = {
        {"spans", false, false, {"1,1", "1,2", "1,3", "2,1", "2,2", "2,3", "3,1", "3,2", "3,3"}},
        {"single row", true, false, {"3,1", "3,2", "3,3"}},
        {"single row with the fixed column", true, true, {"3,0", "3,1", "3,2", "3,3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InputGrid w;
        w.Fill(5, 4);
        w.grid.m_bListMode = TRUE;
        w.grid.m_bSingleRowSelection = c.singleRow;
        w.grid.m_bFixedColumnsSelectable = c.fixedColumnsSelectable;
        w.Click(w.At(1, 0));
        w.Click(w.At(3, 0), Qt::ShiftModifier);
        EXPECT_EQ(w.Selected(), c.selected);
    }
}

TEST(GridCorners, NonAsciiTextCopiesWholeInTheLocalesCharacterSet) {
    if (std::string(nl_langinfo(CODESET)) != "UTF-8") GTEST_SKIP() << "the test locale is not UTF-8";
    InputGrid w;
    w.Fill(3, 3);
    w.grid.SetItemText(1, 1, u"풍속 3.5");
    w.grid.SetItemText(1, 2, u"Ø°");
    w.grid.SetSelectedRange(1, 1, 1, 2);
    COleDataSource* source = w.grid.CopyTextFromGrid();
    ASSERT_NE(source, nullptr);
    HGLOBAL block = source->GetCachedData(CF_TEXT);
    ASSERT_NE(block, nullptr);
    const std::string bytes(static_cast<const char*>(GlobalLock(block)), GlobalSize(block));
    GlobalUnlock(block);
    delete source;
    EXPECT_EQ(bytes, std::string("\xED\x92\x8D\xEC\x86\x8D 3.5\t\xC3\x98\xC2\xB0", 15) + std::string(1, '\0'));
}
