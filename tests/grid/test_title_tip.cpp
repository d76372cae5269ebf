// The title tip over a cell whose text does not fit.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#include "grid/title_tip.h"
#include "platform/stdctrl/edit.h"
#include "tests/grid/grid_fixture.h"
#include "tests/grid/grid_input_fixture.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"

using namespace grid_test;
using namespace colours;

namespace {

const char16_t* const kText = u"QC1101 north stack";

struct TipScene : GridScene {
    CTitleTip tip;
    int needed = 0;  // width the text needs with its spaces

    TipScene() : GridScene(300, 100) {
        grid.Fill(3, 3);
        tip.SetParentWnd(&grid);
        CClientDC dc(&grid);
        dc.SelectObject(grid.m_cellDefault.GetFontObject());
        needed = dc.GetTextExtent(u" " + CString(kText) + u" ").cx;
    }
    // A title rect at (10, 20) of the given width, one row high.
    CRect Title(int width) const { return CRect(10, 20, 10 + width, 40); }
    void Show(const CRect& title, COLORREF text = CLR_DEFAULT, COLORREF back = CLR_DEFAULT) {
        CRect hover = title;
        tip.Show(title, kText, 0, &hover, grid.m_cellDefault.GetFont(), text, back);
    }
    // A mouse move at a point of the grid's client area, delivered where the
    // pointer's events go (the window holding the capture).
    void MoveTo(int x, int y) {
        POINT p{x, y};
        grid.ClientToScreen(&p);
        QWidget* to = QWidget::mouseGrabber() ? QWidget::mouseGrabber() : grid.Widget();
        const QPointF global(p.x, p.y);
        QMouseEvent e(QEvent::MouseMove, to->mapFromGlobal(global), global, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(to, &e);
        Pump();
    }
    // A press (or the second press of a double click, as the window system
    // counted it) where the pointer's presses go.
    void PressAt(int x, int y, QEvent::Type type = QEvent::MouseButtonPress) {
        POINT p{x, y};
        grid.ClientToScreen(&p);
        QWidget* to = QWidget::mouseGrabber() ? QWidget::mouseGrabber() : grid.Widget();
        const QPointF global(p.x, p.y);
        QMouseEvent e(type, to->mapFromGlobal(global), global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(to, &e);
        Pump();
    }
    // The grid's presses and double clicks since the log was cleared.
    std::vector<UINT> Presses() const {
        std::vector<UINT> got;
        for (const auto& m : grid.log)
            if (m.message == WM_LBUTTONDOWN || m.message == WM_LBUTTONDBLCLK) got.push_back(m.message);
        return got;
    }
    // Shows the tip twice over the same place, so that its hover rectangle is
    // measured from where it stands.
    void ShowSettled(int width) {
        Show(Title(width));
        tip.Hide();
        Show(Title(width));
    }
};

}  // namespace

TEST(TitleTip, ShownOnlyWhenTheTextDoesNotFit) {
    TipScene s;
    s.Show(s.Title(s.needed));
    EXPECT_FALSE(s.tip.IsWindowVisible());
    s.Show(s.Title(s.needed - 1));
    ASSERT_TRUE(s.tip.IsWindowVisible());
    // Laid over the title rectangle, as wide as the text, without taking the focus.
    CRect at, title = s.Title(s.needed - 1);
    s.tip.GetWindowRect(&at);
    s.grid.ClientToScreen(&title);
    EXPECT_EQ(at.TopLeft(), title.TopLeft());
    EXPECT_EQ(at.Width(), s.needed);
    EXPECT_EQ(at.Height(), title.Height());
    EXPECT_EQ(CWnd::GetFocus(), &s.grid);
    EXPECT_EQ(CWnd::GetCapture(), &s.tip);
    // Showing again while it is up changes nothing.
    s.Show(CRect(50, 50, 60, 60));
    s.tip.GetWindowRect(&at);
    EXPECT_EQ(at.TopLeft(), title.TopLeft());
}

TEST(TitleTip, DrawsTheTextOnTheTooltipColourOrTheCellsColours) {
    TipScene s;
    s.Show(s.Title(40));
    auto plain = SnapWindow(&s.tip, "tooltip");
    const CRect ink = InkBounds(plain->Image(), CRect(0, 0, s.needed, 20), GetSysColor(COLOR_INFOBK));
    EXPECT_TRUE(plain->Match({{1, 1, GetSysColor(COLOR_INFOBK)}, {s.needed - 2, 18, GetSysColor(COLOR_INFOBK)}}));
    EXPECT_FALSE(ink.IsRectEmpty());
    EXPECT_GT(ink.left, 0);  // a space before the text
    s.tip.Hide();
    s.Show(s.Title(40), kWhite, kBlue);
    auto coloured = SnapWindow(&s.tip, "coloured");
    SaveTestImage(plain->Image(), "tooltip");
    SaveTestImage(coloured->Image(), "coloured");
    EXPECT_TRUE(coloured->Match({{1, 1, kBlue}, {s.needed - 2, 18, kBlue}}));
    EXPECT_FALSE(InkBounds(coloured->Image(), CRect(0, 0, s.needed, 20), kBlue).IsRectEmpty());
}

TEST(TitleTip, MovesInsideTheCellKeepItUpTwoPixelsOutHideIt) {
    TipScene s;
    s.ShowSettled(40);
    ASSERT_TRUE(s.tip.IsWindowVisible());
    const CRect title = s.Title(40);
    struct Step {
        int x, y;
        bool visible;
    } steps[] = {
        {title.left + 5, title.top + 5, true},
        {title.right, title.top + 5, true},       // the right edge, one pixel past the cell
        {title.left + 5, title.bottom, true},     // the bottom edge likewise
        {title.right + 1, title.top + 5, false},  // two pixels past: hidden
    };
    s.grid.log.clear();
    for (const Step& step : steps) {
        s.MoveTo(step.x, step.y);
        EXPECT_EQ(bool(s.tip.IsWindowVisible()), step.visible) << step.x << "," << step.y;
    }
    // The grid gets the move that hid the tip, in its own coordinates.
    ASSERT_EQ(s.Count(WM_MOUSEMOVE), 1);
    for (const auto& m : s.grid.log)
        if (m.message == WM_MOUSEMOVE) {
            EXPECT_EQ(CPoint(m.lParam), CPoint(title.right + 1, title.top + 5));
        }
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
}

TEST(TitleTip, AtANewPlaceTheFirstMoveHidesIt) {
    TipScene s;
    s.ShowSettled(40);
    s.tip.Hide();
    const CRect moved(120, 60, 160, 80);
    CRect hover = moved;
    s.tip.Show(moved, kText, 0, &hover, s.grid.m_cellDefault.GetFont());
    ASSERT_TRUE(s.tip.IsWindowVisible());
    s.MoveTo(moved.left + 5, moved.top + 5);  // measured against the old place
    EXPECT_FALSE(s.tip.IsWindowVisible());
}

// A key while the tip is up hides it and goes on, whole (its character too),
// to the window with the keyboard focus: the grid, or another window.
TEST(TitleTip, AKeyHidesItAndReachesTheFocusedWindowWhole) {
    TipScene s;
    CEdit other;
    ASSERT_TRUE(other.Create(nullptr, u"", WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(10, 120, 110, 140), &s.top, 9));
    s.top.MoveWindow(CRect(100, 100, 420, 280));
    for (const bool gridFocused : {true, false}) {
        SCOPED_TRACE(gridFocused ? "the grid focused" : "an edit focused");
        (gridFocused ? static_cast<CWnd&>(s.grid) : static_cast<CWnd&>(other)).SetFocus();
        s.ShowSettled(40);
        ASSERT_TRUE(s.tip.IsWindowVisible());
        s.grid.log.clear();
        PressKey(&s.grid, Qt::Key_Q);
        Pump();
        EXPECT_FALSE(s.tip.IsWindowVisible());
        EXPECT_EQ(CWnd::GetCapture(), nullptr);
        int downs = 0, chars = 0;
        for (const auto& m : s.grid.log) {
            downs += m.message == WM_KEYDOWN && m.wParam == 'Q';
            chars += m.message == WM_CHAR && m.wParam == 'Q';
        }
        EXPECT_EQ(downs, gridFocused ? 1 : 0);
        EXPECT_EQ(chars, gridFocused ? 1 : 0);
        EXPECT_EQ(other.GetWindowText(), gridFocused ? u"" : u"Q");
    }
}

// Two presses within the double-click time come as a press and a double
// click (the window system counts them) and reach the cell as such.
TEST(TitleTip, PressesReachTheCellBelowAsPressAndDoubleClick) {
    TipScene s;
    s.ShowSettled(40);
    s.grid.log.clear();
    s.PressAt(20, 25);
    EXPECT_FALSE(s.tip.IsWindowVisible());
    s.ShowSettled(40);
    s.PressAt(21, 26, QEvent::MouseButtonDblClick);
    std::vector<std::pair<UINT, CPoint>> got;
    for (const auto& m : s.grid.log)
        if (m.message == WM_LBUTTONDOWN || m.message == WM_LBUTTONDBLCLK) got.push_back({m.message, CPoint(m.lParam)});
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].first, WM_LBUTTONDOWN);
    EXPECT_EQ(got[0].second, CPoint(20, 25));
    EXPECT_EQ(got[1].first, WM_LBUTTONDBLCLK);
    EXPECT_EQ(got[1].second, CPoint(21, 26));
}

// The window system counts presses, those that went elsewhere while the tip
// was away too: the second press of a double click reaches the cell as one
// however long ago the tip saw a press, and quick presses it counts as first
// ones (after a press on another window, or after a double click) reach the
// cell as presses.
TEST(TitleTip, TheSystemsCountOfPressesDecidesADoubleClick) {
    TipScene s;
    s.ShowSettled(40);
    s.grid.log.clear();
    s.PressAt(20, 25, QEvent::MouseButtonDblClick);
    EXPECT_FALSE(s.tip.IsWindowVisible());
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
    for (int i = 0; i < 2; ++i) {
        s.ShowSettled(40);
        s.PressAt(20, 25);
    }
    EXPECT_EQ(s.Presses(), (std::vector<UINT>{WM_LBUTTONDBLCLK, WM_LBUTTONDOWN, WM_LBUTTONDOWN}));
}

TEST(TitleTip, NoTipWhileTheProgramHasNoFocus) {
    TipScene s;
    QWidget* focus = QApplication::focusWidget();
    if (focus) focus->clearFocus();
    ASSERT_EQ(CWnd::GetFocus(), nullptr);
    s.Show(s.Title(20));
    EXPECT_FALSE(s.tip.IsWindowVisible());
}

// A click on a cut-off text: the tip takes the press and passes it on, and
// the release follows at once, before the passed press has reached the grid.
// Wherever the release comes, to the grid (the window under the pointer) or
// to the tip's window after the tip hid, the grid sees the press and then
// its release: the capture and the gesture end there (on the focus cell, the
// release opens its editor), and the next click selects its cell alone.
TEST(TitleTip, TheClickPassedOnEndsWithItsReleaseWhereverTheReleaseComes) {
    for (const bool onFocusCell : {false, true})
        for (const bool toTip : {false, true}) {
            SCOPED_TRACE(std::string(onFocusCell ? "the focus cell, " : "after the row header, ") +
                         (toTip ? "the release comes to the hidden tip" : "the release comes to the grid"));
            InputGrid w;
            w.Fill(5, 3);
            w.grid.SetItemText(1, 1, u"QC1101 NORTH BOILER STACK");
            w.Click(w.At(1, onFocusCell ? 1 : 0));
            w.Move(w.At(1, 1), false);
            Pump();
            ASSERT_TRUE(w.grid.m_titleTip.IsWindowVisible());
            ASSERT_EQ(CWnd::GetCapture(), &w.grid.m_titleTip);
            QWidget* tip = w.grid.m_titleTip.Widget();
            const QPoint global = w.grid.Widget()->mapToGlobal(
                QPoint(w.At(1, 1).x + InputGrid::kEdge, w.At(1, 1).y + InputGrid::kEdge));
            QMouseEvent press(QEvent::MouseButtonPress, tip->mapFromGlobal(global), global, Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(tip, &press);
            ASSERT_FALSE(w.grid.m_titleTip.IsWindowVisible());
            QWidget* under = toTip ? tip : w.grid.Widget();
            QMouseEvent release(QEvent::MouseButtonRelease, under->mapFromGlobal(global), global, Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(toTip ? static_cast<QObject*>(tip->windowHandle()) : under, &release);
            Pump();
            EXPECT_EQ(CWnd::GetCapture(), nullptr);
            EXPECT_FALSE(w.grid.m_bLeftButtonDown);
            EXPECT_EQ(w.grid.m_nMouseMode, 0);
            EXPECT_EQ(w.Selected(), std::vector<std::string>{"1,1"});
            EXPECT_EQ(w.Editor() != nullptr, onFocusCell);
            w.Click(w.At(3, 1));
            EXPECT_EQ(w.Selected(), std::vector<std::string>{"3,1"});
        }
}
