// Windows of the layer on the X display it is started on, for the real-display
// tests.
//
//   display_probe box CAPTION TEXT
// shows a message box (OK only) with that title and text, and ends when it is
// answered.
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
#include <cstdio>
#include <string>

#include "controls/utility.h"
#include "platform/runtime/app.h"
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
    if (mode != "capture" || argc != 3) return 2;
    const std::string out = argv[2];
    CUtility utility;
    auto capture = [&](const char* name) {
        utility.CaptureScreen(CString(Utf8ToUtf16(out + "/" + name).c_str()), 0);
    };
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
