// The in-place edit over a cell, driven by real key events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "grid/in_place_edit.h"
#include "tests/grid/grid_fixture.h"
#include "tests/support/qt_helpers.h"

using namespace grid_test;

namespace {

constexpr UINT kEditId = 8;

struct EditScene : GridScene {
    EditScene() : GridScene(240, 100) {
        grid.Fill(3, 3);
        grid.GetCell(1, 1)->SetText(u"QC1101");
    }
    CGridCellBase* Cell() { return grid.GetCell(1, 1); }
    // Starts editing cell (1, 1) with `ch` and runs what it posted.
    CInPlaceEdit* Start(UINT ch) {
        EXPECT_TRUE(Cell()->Edit(1, 1, grid.CellRect(1, 1), CPoint(), kEditId, ch));
        Pump();
        return dynamic_cast<CInPlaceEdit*>(Cell()->GetEditWnd());
    }
    void Key(int qtKey, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        PressKey(&grid, qtKey, mods);
        Pump();
    }
};

}  // namespace

TEST(InPlaceEdit, StartingKeyDecidesTheFirstText) {
    struct Case {
        UINT ch;
        const char16_t* text;
    } cases[] = {
        {'x', u"x"},              // a typed letter replaces the old text
        {VK_BACK, u"QC110"},      // Backspace deletes the last character
        {VK_LBUTTON, u"QC1101"},  // a click keeps the text, caret at the end
        {VK_RETURN, u"QC1101"},
        {VK_DOWN, u"QC1101"},     // navigation keys select the text and type nothing
        {0xD55C, u"\uD55C"},      // a Korean syllable comes as an input-method character
    };
    for (const Case& c : cases) {
        EditScene s;
        CInPlaceEdit* edit = s.Start(c.ch);
        ASSERT_NE(edit, nullptr) << c.ch;
        EXPECT_EQ(edit->GetWindowText(), CString(c.text)) << "started by " << c.ch;
        EXPECT_EQ(CWnd::GetFocus(), edit);
        EXPECT_EQ(edit->GetDlgCtrlID(), int(kEditId));
        EXPECT_TRUE(s.Cell()->IsEditing());
    }
}

TEST(InPlaceEdit, EscapeRestoresTheOldTextAndReportsKey27) {
    EditScene s;
    CInPlaceEdit* edit = s.Start('n');
    ASSERT_NE(edit, nullptr);
    const HWND h = edit->GetSafeHwnd();
    s.Key(Qt::Key_E);
    s.Key(Qt::Key_W);
    EXPECT_EQ(edit->GetWindowText(), u"nEW");  // the test keyboard types capitals
    s.Key(Qt::Key_Escape);
    ASSERT_EQ(s.grid.ended.size(), 1u);
    const CellItem& item = s.grid.ended[0];
    EXPECT_EQ(item.strText, u"QC1101");
    EXPECT_EQ(item.lParam, 27);
    EXPECT_EQ(item.row, 1);
    EXPECT_EQ(item.col, 1);
    EXPECT_EQ(item.mask, CIF_TEXT | CIF_PARAM);
    EXPECT_FALSE(IsWindow(h));  // closed and deleted
    EXPECT_FALSE(s.Cell()->IsEditing());
    EXPECT_EQ(CWnd::GetFocus(), &s.grid);
}

TEST(InPlaceEdit, TabAndEnterEndWithTheirKey) {
    struct Case {
        int qtKey;
        LPARAM last;
    } cases[] = {{Qt::Key_Tab, VK_TAB}, {Qt::Key_Return, VK_RETURN}};
    for (const Case& c : cases) {
        EditScene s;
        ASSERT_NE(s.Start('a'), nullptr);
        s.Key(Qt::Key_B);
        s.Key(c.qtKey);
        ASSERT_EQ(s.grid.ended.size(), 1u) << c.last;
        EXPECT_EQ(s.grid.ended[0].strText, u"aB");
        EXPECT_EQ(s.grid.ended[0].lParam, c.last);
    }
}

TEST(InPlaceEdit, ArrowsMoveTheCaretOrEndTheEdit) {
    {
        // Started by a click: arrows stay inside; with Ctrl they end the edit.
        EditScene s;
        CInPlaceEdit* edit = s.Start(VK_LBUTTON);
        ASSERT_NE(edit, nullptr);
        s.Key(Qt::Key_Left);
        s.Key(Qt::Key_Left);
        s.Key(Qt::Key_X);
        EXPECT_EQ(edit->GetWindowText(), u"QC11X01");
        EXPECT_TRUE(s.grid.ended.empty());
        s.Key(Qt::Key_Right, Qt::ControlModifier);
        ASSERT_EQ(s.grid.ended.size(), 1u);
        EXPECT_EQ(s.grid.ended[0].lParam, LPARAM(VK_RIGHT));
        EXPECT_EQ(s.grid.ended[0].strText, u"QC11X01");
    }
    {
        // Started by typing: an arrow ends it at once.
        EditScene s;
        ASSERT_NE(s.Start('7'), nullptr);
        s.Key(Qt::Key_Down);
        ASSERT_EQ(s.grid.ended.size(), 1u);
        EXPECT_EQ(s.grid.ended[0].lParam, LPARAM(VK_DOWN));
        EXPECT_EQ(s.grid.ended[0].strText, u"7");
    }
}

TEST(InPlaceEdit, FocusLossEndsOnceWithNoKey) {
    EditScene s;
    CInPlaceEdit* edit = s.Start('z');
    ASSERT_NE(edit, nullptr);
    s.grid.SetFocus();
    Pump();
    ASSERT_EQ(s.grid.ended.size(), 1u);
    EXPECT_EQ(s.grid.ended[0].lParam, 0);
    EXPECT_EQ(s.grid.ended[0].strText, u"z");
}

TEST(InPlaceEdit, GrowsWithItsTextUpToTheGridsEdge) {
    EditScene s;
    CInPlaceEdit* edit = s.Start('W');
    ASSERT_NE(edit, nullptr);
    CRect before;
    edit->GetWindowRect(&before);
    for (int i = 0; i < 6; ++i) s.Key(Qt::Key_W);
    CRect grown;
    edit->GetWindowRect(&grown);
    EXPECT_GT(grown.Width(), before.Width());
    EXPECT_EQ(grown.left, before.left);
    for (int i = 0; i < 40; ++i) s.Key(Qt::Key_W);
    CRect full, gridRect;
    edit->GetWindowRect(&full);
    s.grid.GetWindowRect(&gridRect);
    EXPECT_EQ(full.right, gridRect.right);  // never beyond the grid's client edge
    // It never shrinks.
    for (int i = 0; i < 40; ++i) s.Key(Qt::Key_Backspace);
    CRect after;
    edit->GetWindowRect(&after);
    EXPECT_EQ(after.Width(), full.Width());
}

TEST(InPlaceEdit, AltLetterTypesNothing) {
    EditScene s;
    CInPlaceEdit* edit = s.Start(VK_LBUTTON);
    ASSERT_NE(edit, nullptr);
    s.Key(Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(edit->GetWindowText(), u"QC1101");
    EXPECT_TRUE(s.grid.ended.empty());
    EXPECT_TRUE(IsWindow(edit->GetSafeHwnd()));
}

TEST(InPlaceEdit, AlignmentFollowsTheCellsFormat) {
    struct Case {
        DWORD format;
        DWORD style;
    } cases[] = {{DT_LEFT, ES_LEFT}, {DT_CENTER, ES_CENTER}, {DT_RIGHT, ES_RIGHT}, {DT_RIGHT | DT_CENTER, ES_RIGHT}};
    for (const Case& c : cases) {
        EditScene s;
        s.Cell()->SetFormat(c.format | DT_SINGLELINE);
        CInPlaceEdit* edit = s.Start(VK_LBUTTON);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->GetStyle() & 0x3, c.style) << c.format;
        EXPECT_EQ(edit->GetStyle() & (WS_CHILD | WS_BORDER | ES_AUTOHSCROLL), WS_CHILD | WS_BORDER | ES_AUTOHSCROLL);
    }
}
