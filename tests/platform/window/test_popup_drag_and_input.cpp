// Tool popups, drop targets and the drag loop, and the input plumbing around
// them: hit tests, the window under a point, the message position, capture
// changes, presses and keys offered to the capture holder, system and
// input-method characters.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

#include "platform/ole/droptarget.h"
#include "platform/stdctrl/edit.h"
#include "platform/window/tool_popup.h"
#include "tests/support/colours.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/recording_wnd.h"

using namespace colours;

namespace {

void Pump() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

QPoint ScreenOf(CWnd* wnd, int x, int y) {
    POINT p{x, y};
    wnd->ClientToScreen(&p);
    return QPoint(p.x, p.y);
}

// A top-level window with two children side by side, the first focused.
struct Scene {
    MessageLog log;
    RecordingWnd top{"top", &log};
    RecordingWnd left{"left", &log};
    RecordingWnd right{"right", &log};

    Scene() {
        EXPECT_TRUE(top.CreateEx(0, nullptr, u"scene", WS_POPUP | WS_VISIBLE, CRect(40, 40, 440, 240), nullptr, 0));
        EXPECT_TRUE(left.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(10, 10, 190, 190), &top, 1));
        EXPECT_TRUE(right.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(210, 10, 390, 190), &top, 2));
        left.SetFocus();
        Pump();
        log.clear();
    }
};

// A popup that counts its messages and may take presses in PreTranslateMessage.
class Popup : public CToolPopup {
public:
    BOOL PreTranslateMessage(MSG* msg) override {
        offered.push_back(*msg);
        return take;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CAPTURECHANGED) ++captureLost;
        return CToolPopup::WindowProc(message, wParam, lParam);
    }
    std::vector<MSG> offered;
    bool take = true;
    int captureLost = 0;
};

// Sends one mouse event where the pointer's events go (the grabber, if any).
void MouseAt(CWnd* over, QEvent::Type type, int x, int y, Qt::MouseButton button = Qt::LeftButton) {
    const QPoint global = ScreenOf(over, x, y);
    QWidget* to = QWidget::mouseGrabber() ? QWidget::mouseGrabber() : over->Widget();
    QMouseEvent e(type, to->mapFromGlobal(QPointF(global)), QPointF(global), type == QEvent::MouseMove ? Qt::NoButton : button,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button), Qt::NoModifier);
    QApplication::sendEvent(to, &e);
}

}  // namespace

TEST(ToolPopup, ShowsOnTopWithoutTakingTheFocusOnTheTooltipColour) {
    Scene s;
    Popup popup;
    ASSERT_TRUE(popup.CreateEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, nullptr, nullptr, WS_POPUP | WS_BORDER,
                               CRect(0, 0, 0, 0), nullptr, 0));
    popup.SetWindowPos(nullptr, 100, 100, 60, 20, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    Pump();
    EXPECT_TRUE(popup.IsWindowVisible());
    EXPECT_EQ(CWnd::GetFocus(), &s.left);
    EXPECT_TRUE(popup.Widget()->windowFlags() & Qt::WindowStaysOnTopHint);
    {
        CClientDC dc(&popup);
        dc.FillSolidRect(0, 0, 10, 10, kRed);
    }
    Pump();
    // What was drawn stays over the tooltip colour through later paints.
    popup.UpdateWindow();
    auto snap = SnapWindow(&popup);
    EXPECT_TRUE(snap->Match({{5, 5, kRed}, {30, 10, GetSysColor(COLOR_INFOBK)}, {59, 19, GetSysColor(COLOR_INFOBK)}}));
    // Shown again after hiding, it starts from its background.
    popup.ShowWindow(SW_HIDE);
    popup.ShowWindow(SW_SHOWNA);
    Pump();
    EXPECT_TRUE(SnapWindow(&popup, "again")->Match({{5, 5, GetSysColor(COLOR_INFOBK)}}));
    // A press on it does not make it the active window either.
    MouseAt(&popup, QEvent::MouseButtonPress, 5, 5);
    Pump();
    EXPECT_EQ(CWnd::GetFocus(), &s.left);
}

TEST(InputPlumbing, HitTestAndWindowUnderAPoint) {
    Scene s;
    const QPoint inLeft = ScreenOf(&s.left, 5, 5);
    EXPECT_EQ(s.left.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(inLeft.x(), inLeft.y())), HTCLIENT);
    const QPoint outside = ScreenOf(&s.right, 5, 5);
    EXPECT_EQ(s.left.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(outside.x(), outside.y())), HTNOWHERE);
    EXPECT_EQ(CWnd::WindowFromPoint(POINT{inLeft.x(), inLeft.y()}), &s.left);
    EXPECT_EQ(WindowFromPoint(POINT{outside.x(), outside.y()}), s.right.GetSafeHwnd());
    const QPoint gap = ScreenOf(&s.top, 200, 100);
    EXPECT_EQ(CWnd::WindowFromPoint(POINT{gap.x(), gap.y()}), &s.top);
    EXPECT_EQ(CWnd::WindowFromPoint(POINT{-5000, -5000}), nullptr);
    // A hidden window is not found.
    s.right.ShowWindow(SW_HIDE);
    EXPECT_EQ(CWnd::WindowFromPoint(POINT{outside.x(), outside.y()}), &s.top);
}

TEST(InputPlumbing, MessagePosIsWhereTheMouseWas) {
    Scene s;
    MouseAt(&s.right, QEvent::MouseMove, 12, 34);
    const DWORD pos = GetMessagePos();
    const QPoint expected = ScreenOf(&s.right, 12, 34);
    EXPECT_EQ(GET_X_LPARAM(LPARAM(pos)), expected.x());
    EXPECT_EQ(GET_Y_LPARAM(LPARAM(pos)), expected.y());
    EXPECT_GT(GetDoubleClickTime(), 0u);
}

TEST(InputPlumbing, CaptureChangesAreReportedToTheLoser) {
    Scene s;
    s.left.SetCapture();
    ASSERT_EQ(CWnd::GetCapture(), &s.left);
    s.log.clear();
    s.right.SetCapture();
    EXPECT_EQ(CWnd::GetCapture(), &s.right);
    ASSERT_EQ(CountOf(s.log, WM_CAPTURECHANGED, "left"), 1);
    for (const auto& m : s.log)
        if (m.message == WM_CAPTURECHANGED) {
            EXPECT_EQ(HWND(m.lParam), s.right.GetSafeHwnd());
        }
    s.right.SetCapture();  // taking it again changes nothing
    EXPECT_EQ(CountOf(s.log, WM_CAPTURECHANGED), 1);
    ReleaseCapture();
    EXPECT_EQ(CountOf(s.log, WM_CAPTURECHANGED, "right"), 1);
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
}

TEST(InputPlumbing, PressesAndKeysGoToTheCaptureHolderFirst) {
    Scene s;
    Popup popup;
    ASSERT_TRUE(popup.CreateEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, nullptr, nullptr, WS_POPUP, CRect(0, 0, 0, 0), nullptr, 0));
    popup.SetWindowPos(nullptr, 300, 300, 50, 20, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    popup.SetCapture();
    MouseAt(&s.left, QEvent::MouseButtonPress, 30, 40);
    ASSERT_EQ(popup.offered.size(), 1u);
    EXPECT_EQ(popup.offered[0].message, WM_LBUTTONDOWN);
    EXPECT_EQ(popup.offered[0].hwnd, popup.GetSafeHwnd());
    // In the holder's client coordinates.
    const QPoint expected = popup.Widget()->mapFromGlobal(ScreenOf(&s.left, 30, 40));
    EXPECT_EQ(CPoint(popup.offered[0].lParam), CPoint(expected.x(), expected.y()));
    EXPECT_EQ(CountOf(s.log, WM_LBUTTONDOWN), 0);

    PressKey(&s.left, Qt::Key_Down);
    ASSERT_EQ(popup.offered.size(), 2u);
    EXPECT_EQ(popup.offered[1].message, WM_KEYDOWN);
    EXPECT_EQ(popup.offered[1].wParam, WPARAM(VK_DOWN));
    EXPECT_EQ(CountOf(s.log, WM_KEYDOWN, "left"), 0);  // taken

    // A holder that does not take them lets them through.
    popup.take = false;
    PressKey(&s.left, Qt::Key_Down);
    EXPECT_EQ(CountOf(s.log, WM_KEYDOWN, "left"), 1);
    ReleaseCapture();
    EXPECT_EQ(popup.captureLost, 1);
    MouseAt(&s.left, QEvent::MouseButtonPress, 30, 40);
    EXPECT_EQ(popup.offered.size(), 3u);
    EXPECT_EQ(CountOf(s.log, WM_LBUTTONDOWN, "left"), 1);
}

TEST(InputPlumbing, AltLetterIsASystemCharacter) {
    Scene s;
    PressKey(&s.left, Qt::Key_K, Qt::AltModifier);
    EXPECT_EQ(CountOf(s.log, WM_SYSKEYDOWN, "left"), 1);
    EXPECT_EQ(CountOf(s.log, WM_SYSCHAR, "left"), 1);
    EXPECT_EQ(CountOf(s.log, WM_CHAR, "left"), 0);
    EXPECT_EQ(CountOf(s.log, WM_KEYDOWN, "left"), 0);
}

TEST(InputPlumbing, EditControlTypesInputMethodCharactersAndSeesControlKeys) {
    Scene s;
    struct WantingEdit : CEdit {
        std::vector<UINT> chars;
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
            if (message == WM_GETDLGCODE) return DLGC_WANTALLKEYS;
            if (message == WM_CHAR || message == WM_SYSCHAR) chars.push_back(UINT(wParam));
            return CEdit::WindowProc(message, wParam, lParam);
        }
    } edit;
    ASSERT_TRUE(edit.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(10, 10, 150, 30), &s.left, 5));
    edit.SetFocus();
    edit.SendMessage(WM_IME_CHAR, 0xD55C, 0);
    edit.SendMessage(WM_IME_CHAR, 0xAE00, 0);
    EXPECT_EQ(edit.GetWindowText(), u"\uD55C\uAE00");
    PressKey(&edit, Qt::Key_A);
    EXPECT_EQ(edit.GetWindowText(), u"\uD55C\uAE00A");  // typed at once, by WM_CHAR's handling
    PressKey(&edit, Qt::Key_Tab);
    PressKey(&edit, Qt::Key_Return);
    PressKey(&edit, Qt::Key_Escape);
    PressKey(&edit, Qt::Key_B, Qt::AltModifier);
    // An input method's characters reach the window procedure as WM_CHAR too
    // (the default handling of WM_IME_CHAR), as typed ones do.
    EXPECT_EQ(edit.chars, (std::vector<UINT>{0xD55C, 0xAE00, 'A', VK_TAB, VK_RETURN, VK_ESCAPE, 'B'}));
    EXPECT_EQ(edit.GetWindowText(), u"\uD55C\uAE00A");  // control keys and Alt+B type nothing
    PressKey(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.GetWindowText(), u"\uD55C\uAE00");
}

namespace {

class RecordingTarget : public COleDropTarget {
public:
    DROPEFFECT OnDragEnter(CWnd* wnd, COleDataObject*, DWORD, CPoint point) override {
        heard.push_back("enter");
        where = wnd;
        at = point;
        return answer;
    }
    DROPEFFECT OnDragOver(CWnd*, COleDataObject*, DWORD, CPoint point) override {
        heard.push_back("over");
        at = point;
        return answer;
    }
    void OnDragLeave(CWnd*) override { heard.push_back("leave"); }
    DROPEFFECT OnDropEx(CWnd*, COleDataObject*, DROPEFFECT dropDefault, DROPEFFECT, CPoint) override {
        heard.push_back("dropex");
        return handleInDropEx ? dropDefault : DROPEFFECT(-1);
    }
    BOOL OnDrop(CWnd*, COleDataObject*, DROPEFFECT, CPoint point) override {
        heard.push_back("drop");
        at = point;
        return TRUE;
    }
    std::vector<std::string> heard;
    CWnd* where = nullptr;
    CPoint at;
    DROPEFFECT answer = DROPEFFECT_COPY;
    bool handleInDropEx = false;
};

std::function<void()> Move(CWnd* over, int x, int y, QEvent::Type type = QEvent::MouseMove) {
    return [=] { SendMouseAt(over, type, x, y, type == QEvent::MouseMove ? Qt::LeftButton : Qt::NoButton); };
}

}  // namespace

TEST(DragLoop, TheNearestRegisteredParentTakesTheDrop) {
    Scene s;
    RecordingTarget target;
    ASSERT_TRUE(target.Register(&s.top));
    EXPECT_FALSE(target.Register(&s.left));  // one window per target
    COleDataObject data;
    TimedSteps steps({Move(&s.left, 20, 30), Move(&s.left, 25, 35), Move(&s.left, 25, 35, QEvent::MouseButtonRelease)});
    EXPECT_EQ(DoDragLoop(&data, DROPEFFECT_COPY | DROPEFFECT_MOVE), DROPEFFECT_COPY);
    EXPECT_EQ(target.heard, (std::vector<std::string>{"enter", "over", "dropex", "drop"}));
    EXPECT_EQ(target.where, &s.top);
    EXPECT_EQ(target.at, CPoint(35, 45));  // in the registered window's coordinates
}

TEST(DragLoop, DropExMayTakeTheDropAndADragInsideADragIsRefused) {
    Scene s;
    RecordingTarget target;
    target.handleInDropEx = true;
    ASSERT_TRUE(target.Register(&s.right));
    COleDataObject data;
    DROPEFFECT nested = 123;
    TimedSteps steps({Move(&s.left, 20, 30), [&] { nested = DoDragLoop(&data, DROPEFFECT_COPY); }, Move(&s.right, 5, 5),
              Move(&s.right, 5, 5, QEvent::MouseButtonRelease)});
    EXPECT_EQ(DoDragLoop(&data, DROPEFFECT_COPY), DROPEFFECT_COPY);
    EXPECT_EQ(nested, DROPEFFECT_NONE);
    EXPECT_EQ(target.heard, (std::vector<std::string>{"enter", "dropex"}));
}

TEST(DragLoop, LeavingATargetAndReleasingOverNothing) {
    Scene s;
    RecordingTarget target;
    ASSERT_TRUE(target.Register(&s.right));
    COleDataObject data;
    s.left.SetCapture();
    s.log.clear();
    TimedSteps steps({Move(&s.right, 5, 5), Move(&s.left, 5, 5), Move(&s.left, 5, 5, QEvent::MouseButtonRelease)});
    EXPECT_EQ(DoDragLoop(&data, DROPEFFECT_COPY), DROPEFFECT_NONE);
    EXPECT_EQ(target.heard, (std::vector<std::string>{"enter", "leave"}));
    // The drag took the capture from the window that had it.
    EXPECT_EQ(CountOf(s.log, WM_CAPTURECHANGED, "left"), 1);
    // No window hears the drag's mouse messages.
    EXPECT_EQ(CountOf(s.log, WM_MOUSEMOVE), 0);
    EXPECT_EQ(CountOf(s.log, WM_LBUTTONUP), 0);
    target.Revoke();
    EXPECT_EQ(COleDropTarget::FromWindow(s.right.GetSafeHwnd()), nullptr);
}

TEST(DragLoop, EscapeCancelsAndEffectsOutsideTheAllowedOnesAreRefused) {
    Scene s;
    RecordingTarget target;
    ASSERT_TRUE(target.Register(&s.right));
    COleDataObject data;
    {
        TimedSteps steps({Move(&s.right, 5, 5), [&] {
                              QKeyEvent e(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                              QApplication::sendEvent(s.right.Widget(), &e);
                          }});
        EXPECT_EQ(DoDragLoop(&data, DROPEFFECT_COPY), DROPEFFECT_NONE);
        EXPECT_EQ(target.heard, (std::vector<std::string>{"enter", "leave"}));
    }
    target.heard.clear();
    target.answer = DROPEFFECT_MOVE;  // not allowed below: no drop
    TimedSteps steps({Move(&s.right, 5, 5), Move(&s.right, 6, 6), Move(&s.right, 6, 6, QEvent::MouseButtonRelease)});
    EXPECT_EQ(DoDragLoop(&data, DROPEFFECT_COPY), DROPEFFECT_NONE);
    EXPECT_EQ(target.heard, (std::vector<std::string>{"enter", "over", "leave"}));
}
