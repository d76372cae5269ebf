// An input method on the grid: the first composing key opens the focus cell's
// editor, which goes on with the composition and replaces the cell's text;
// the input method's windows go over the focus cell. The input method's events are sent
// as Qt's input context sends them to the focus widget.
#include <gtest/gtest.h>

#include <QApplication>
#include <QRect>
#include <string>

#include "tests/grid/grid_input_fixture.h"

namespace {

using grid_test::InputGrid;

QString U(const char16_t* s) { return QString::fromUtf16(s); }

}  // namespace

// 한국 typed after a click: ㅎ opens the editor; the syllables follow in it.
TEST(GridInputMethod, ACompositionOpensTheFocusCellsEditorWhichGoesOnWithIt) {
    InputGrid w;
    w.Fill(4, 4);
    w.Click(w.At(1, 2));
    InputMethodSends(QString(), U(u"\u314E"));  // ㅎ
    CWnd* editor = w.Editor();
    ASSERT_NE(editor, nullptr) << "no editor opened";
    EXPECT_EQ(QApplication::focusWidget(), editor->Widget());
    EXPECT_EQ(std::u16string(editor->GetWindowText()), u"") << "the composition replaces the text";
    InputMethodSends(QString(), U(u"\uD55C"));                // 한
    InputMethodSends(U(u"\uD55C"), U(u"\u3131"));             // 한 | ㄱ
    InputMethodSends(QString(), U(u"\uAD6D"));                // 국
    InputMethodSends(U(u"\uAD6D"));
    w.Key(Qt::Key_Return);
    EXPECT_EQ(w.Editor(), nullptr);
    EXPECT_EQ(std::u16string(w.grid.GetItemText(1, 2)), u"\uD55C\uAD6D");
    EXPECT_EQ(std::u16string(w.grid.GetItemText(1, 1)), u"1,1");
    EXPECT_EQ(w.CountCode(GRIDN_BEGINLABELEDIT), 1);
    EXPECT_EQ(w.CountCode(GRIDN_ENDLABELEDIT), 1);
}

TEST(GridInputMethod, TheInputMethodsWindowsGoOverTheFocusCell) {
    InputGrid w;
    w.Fill(4, 4);
    EXPECT_TRUE(InputMethodAsks(&w.grid, Qt::ImEnabled).toBool());
    w.Click(w.At(2, 3));
    CRect cell;
    ASSERT_TRUE(w.grid.GetCellRect(2, 3, &cell));
    const QRect expected(cell.left + InputGrid::kEdge, cell.top + InputGrid::kEdge, cell.Width() + 1, cell.Height() + 1);
    EXPECT_EQ(InputMethodAsks(&w.grid, Qt::ImCursorRectangle).toRect(), expected);
    w.Click(w.At(0, 3));  // no focus cell: the middle of the window
    const QWidget* widget = w.grid.Widget();
    EXPECT_EQ(InputMethodAsks(&w.grid, Qt::ImCursorRectangle).toRect(), QRect(widget->width() / 2, 0, 1, widget->height()));
}
