// Delete and the punctuation keys in the grid, sent as X sends them (Delete
// comes with the text DEL): Delete clears the selected cells and opens no
// editor; punctuation is typed as such (none of it is a cursor key or Delete).
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <string>
#include <vector>

#include "tests/grid/grid_input_fixture.h"

namespace {

using grid_test::InputGrid;
using grid_test::Pump;

// A key press and release on the focused window, with the text X gives; then
// the event loop runs unless the key comes in a burst.
void XKey(int key, const char16_t* text, Qt::KeyboardModifiers mods = Qt::NoModifier, bool burst = false) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QKeyEvent press(QEvent::KeyPress, key, mods, QString::fromUtf16(text));
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, QString::fromUtf16(text));
    QApplication::sendEvent(target, &release);
    if (!burst) Pump();
}
void Delete() { XKey(Qt::Key_Delete, u"\x7f"); }

// The texts of the cells of row `row`, columns 1 to 3.
std::vector<std::u16string> Row(InputGrid& w, int row) {
    return {std::u16string(w.grid.GetItemText(row, 1)), std::u16string(w.grid.GetItemText(row, 2)),
            std::u16string(w.grid.GetItemText(row, 3))};
}

}  // namespace

// Each way of selecting, then Delete: which cells of rows 1 and 2 keep their text.
TEST(GridTyping, DeleteClearsTheSelectedCellsAndOpensNoEditor) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, int>> clicks;  // the first plain, the others with `mods`
        Qt::KeyboardModifiers mods;
        std::vector<std::u16string> row1, row2;
        CCellID readOnly = CCellID(-1, -1);
        bool editable = true;
    } cases[] = {
        {"one cell", {{1, 2}}, Qt::NoModifier, {u"1,1", u"", u"1,3"}, {u"2,1", u"2,2", u"2,3"}},
        {"a block", {{1, 1}, {2, 2}}, Qt::ShiftModifier, {u"", u"", u"1,3"}, {u"", u"", u"2,3"}},
        {"two cells apart", {{1, 1}, {2, 3}}, Qt::ControlModifier, {u"", u"1,2", u"1,3"}, {u"2,1", u"2,2", u""}},
        {"a read-only cell", {{1, 1}, {1, 3}}, Qt::ShiftModifier, {u"", u"1,2", u""}, {u"2,1", u"2,2", u"2,3"},
         CCellID(1, 2)},
        {"a grid not editable", {{1, 1}, {2, 3}}, Qt::ShiftModifier, {u"1,1", u"1,2", u"1,3"},
         {u"2,1", u"2,2", u"2,3"}, CCellID(-1, -1), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InputGrid w;
        w.Fill(4, 4);
        if (c.readOnly.row >= 0)
            w.grid.SetItemState(c.readOnly.row, c.readOnly.col, w.grid.GetItemState(c.readOnly.row, c.readOnly.col) | CIS_READONLY);
        w.grid.m_bEditable = c.editable;
        for (std::size_t i = 0; i < c.clicks.size(); ++i)
            w.Click(w.At(c.clicks[i].first, c.clicks[i].second), i ? c.mods : Qt::NoModifier);
        const CCellID focus = w.grid.GetFocusCell();
        w.notes.clear();
        Delete();
        EXPECT_EQ(w.Editor(), nullptr) << "Delete opened an editor";
        EXPECT_EQ(Row(w, 1), c.row1);
        EXPECT_EQ(Row(w, 2), c.row2);
        EXPECT_EQ(w.grid.GetFocusCell(), focus) << "the focus moved";
        // Every cleared cell went through the user's change, begin and end told.
        int cleared = 0;
        for (const auto& row : {c.row1, c.row2})
            for (const auto& text : row) cleared += text.empty();
        EXPECT_EQ(w.CountCode(GRIDN_BEGINLABELEDIT), cleared);
        EXPECT_EQ(w.CountCode(GRIDN_ENDLABELEDIT), cleared);
    }
}

// Punctuation whose character codes are those of the cursor keys, Insert and
// Delete is typed into an editor opened by typing (where the cursor keys end
// the edit), and the edit stays open until Enter.
TEST(GridTyping, PunctuationIsTypedNotTakenForCursorKeys) {
    struct Key {
        int qt;
        Qt::KeyboardModifiers mods;
        const char16_t* text;
    } const keys[] = {
        {Qt::Key_N, Qt::ShiftModifier, u"N"},      {Qt::Key_Exclam, Qt::ShiftModifier, u"!"},
        {Qt::Key_QuoteDbl, Qt::ShiftModifier, u"\""}, {Qt::Key_NumberSign, Qt::ShiftModifier, u"#"},
        {Qt::Key_Dollar, Qt::ShiftModifier, u"$"}, {Qt::Key_Percent, Qt::ShiftModifier, u"%"},
        {Qt::Key_Ampersand, Qt::ShiftModifier, u"&"}, {Qt::Key_Apostrophe, Qt::NoModifier, u"'"},
        {Qt::Key_ParenLeft, Qt::ShiftModifier, u"("}, {Qt::Key_Minus, Qt::NoModifier, u"-"},
        {Qt::Key_Period, Qt::NoModifier, u"."},
    };
    InputGrid w;
    w.Fill(4, 4);
    w.Click(w.At(1, 1));
    for (const Key& k : keys) {
        XKey(k.qt, k.text, k.mods);
        ASSERT_NE(w.Editor(), nullptr) << "the editor closed at " << QString::fromUtf16(k.text).toStdString();
    }
    EXPECT_EQ(w.grid.GetFocusCell(), CCellID(1, 1));
    XKey(Qt::Key_Return, u"\r");
    EXPECT_EQ(w.grid.GetItemText(1, 1), u"N!\"#$%&'(-.");
}

// Keys that follow each other faster than the event loop turns (a burst from
// a scanner, or keys queued behind a slow paint): the first opens the editor,
// which posts that character to itself, and the others come after it.
TEST(GridTyping, ABurstOfKeysIsTypedInItsOrder) {
    InputGrid w;
    w.Fill(4, 4);
    w.Click(w.At(2, 2));
    for (char16_t c : std::u16string(u"EAST")) {
        const char16_t text[] = {c, u'\0'};
        XKey(Qt::Key_A + (c - u'A'), text, Qt::ShiftModifier, true);
    }
    XKey(Qt::Key_Return, u"\r");
    EXPECT_EQ(w.grid.GetItemText(2, 2), u"EAST");
}
