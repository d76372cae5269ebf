// Windows of the layer on the X display it is started on, for the real-display
// tests.
//
//   display_probe box CAPTION TEXT
// shows a message box (OK only) with that title and text, and ends when it is
// answered.
//
//   display_probe colour X,Y,WIDTH,HEIGHT
// shows a captioned window with that client rectangle and opens the colour
// dialog over it (given no owner, as the indicator opens it); ends when the
// dialog is closed.
//
//   display_probe capture OUT_DIR
// shows windows and captures the screen at once, the way the CAPTURE command
// does:
// 1. a large window in one colour, shown and captured at once: OUT_DIR/shown.png;
// 2. a tip (a tool popup, as the program's tips are) in another colour over
//    it, shown and captured at once: OUT_DIR/popup.png;
// 3. the tip hidden and the screen captured at once: OUT_DIR/hidden.png.
// The windows' rectangles and colours are printed on stdout, one per line:
//   left top right bottom RRGGBB
//
//   display_probe clip OUT_DIR
// shows a window with a middle window, a child of it that reaches past it on
// every side but the bottom, a grandchild past that child, and a captioned
// lamp shorter than its caption; redraws the children at once and captures
// the screen: OUT_DIR/clip.png. Printed as above, in screen coordinates: the
// client areas of the window, the middle window, the child and the grandchild,
// then the lamp's window with its caption's box colour.
#include <cstdio>
#include <string>

#include "controls/led.h"
#include "controls/utility.h"
#include "platform/runtime/app.h"
#include "platform/stdctrl/colordlg.h"
#include "platform/window/tool_popup.h"
#include "platform/window/wnd.h"

namespace {

// A window (or a tip) that paints itself in one colour.
template <class Base>
class Solid : public Base {
public:
    explicit Solid(COLORREF colour) : m_colour(colour) {}

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_PAINT) {
            CPaintDC dc(this);
            CRect rc;
            this->GetClientRect(&rc);
            dc.FillSolidRect(&rc, m_colour);
            return 0;
        }
        if (message == WM_ERASEBKGND) return TRUE;
        return Base::WindowProc(message, wParam, lParam);
    }

private:
    COLORREF m_colour;
};

void Print(const CRect& r, COLORREF c) {
    std::printf("%d %d %d %d %02X%02X%02X\n", int(r.left), int(r.top), int(r.right), int(r.bottom), GetRValue(c),
                GetGValue(c), GetBValue(c));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) return 2;
    const std::string mode = argv[1];
    platform::StartGui(argc, argv);
    if (mode == "box" && argc == 4) {
        const int answer = MessageBoxW(nullptr, Utf8ToUtf16(argv[3]).c_str(), Utf8ToUtf16(argv[2]).c_str(), MB_OK);
        platform::StopGui();
        return answer == IDOK ? 0 : 1;
    }
    if (mode == "colour" && argc == 3) {
        int x = 0, y = 0, w = 0, h = 0;
        if (std::sscanf(argv[2], "%d,%d,%d,%d", &x, &y, &w, &h) != 4) return 2;
        Solid<CWnd> owner(RGB(20, 60, 200));
        if (!owner.CreateEx(0, nullptr, u"", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CRect(x, y, x + w, y + h), nullptr, 0))
            return 3;
        owner.ShowWindow(SW_SHOW);
        platform::PumpUntil([&] { return owner.IsWindowVisible(); }, 5000);
        CColorDialog dialog(RGB(200, 30, 30), CC_RGBINIT);
        dialog.DoModal();
        owner.DestroyWindow();
        platform::StopGui();
        return 0;
    }
    if ((mode != "capture" && mode != "clip") || argc != 3) return 2;
    const std::string out = argv[2];
    CUtility utility;
    auto capture = [&](const char* name) {
        utility.CaptureScreen(CString(Utf8ToUtf16(out + "/" + name).c_str()), 0);
    };
    if (mode == "clip") {
        Solid<CWnd> top(RGB(20, 60, 200)), middle(RGB(240, 240, 240)), child(RGB(200, 30, 30)), grand(RGB(30, 160, 60));
        CLed lamp;
        if (!top.CreateEx(0, nullptr, u"", WS_POPUP, CRect(40, 40, 440, 340), nullptr, 0) ||
            !middle.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, CRect(100, 80, 300, 220), &top, 1) ||
            !child.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, CRect(-20, -15, 230, 60), &middle, 2) ||
            !grand.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, CRect(150, 40, 300, 100), &child, 3) ||
            !lamp.Create(nullptr, u"Server", WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), &top, 4))
            return 3;
        lamp.Init(GetSysColor(COLOR_BTNFACE));
        lamp.SetCaption();
        lamp.m_fLampScale = 0.5f;
        lamp.Reposition(CRect(20, 250, 62, 260));
        top.ShowWindow(SW_SHOWNOACTIVATE);
        for (CWnd* w : {static_cast<CWnd*>(&child), static_cast<CWnd*>(&grand), static_cast<CWnd*>(&lamp)})
            w->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        const COLORREF colours[4] = {RGB(20, 60, 200), RGB(240, 240, 240), RGB(200, 30, 30), RGB(30, 160, 60)};
        const CWnd* windows[5] = {&top, &middle, &child, &grand, &lamp};
        for (int i = 0; i < 5; ++i) {
            CRect rc;
            windows[i]->GetClientRect(&rc);
            windows[i]->ClientToScreen(&rc);
            Print(rc, i < 4 ? colours[i] : COLORREF(0x4C3F38));
        }
        std::fflush(stdout);
        capture("clip.png");
        lamp.DestroyWindow();
        top.DestroyWindow();
        platform::StopGui();
        return 0;
    }
    const CRect large(40, 40, 640, 480), small(200, 200, 420, 260);
    const COLORREF blue = RGB(20, 60, 200), yellow = RGB(250, 230, 40);
    Solid<CWnd> back(blue);
    Solid<CToolPopup> popup(yellow);
    if (!back.CreateEx(0, nullptr, u"", WS_POPUP, large, nullptr, 0)) return 3;
    if (!popup.CreateEx(0, nullptr, u"", WS_POPUP, small, nullptr, 0)) return 3;
    Print(large, blue);
    Print(small, yellow);
    std::fflush(stdout);
    back.ShowWindow(SW_SHOWNOACTIVATE);
    capture("shown.png");
    popup.ShowWindow(SW_SHOWNOACTIVATE);
    capture("popup.png");
    popup.ShowWindow(SW_HIDE);
    capture("hidden.png");
    popup.DestroyWindow();
    back.DestroyWindow();
    platform::StopGui();
    return 0;
}
