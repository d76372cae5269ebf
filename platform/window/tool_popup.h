// A tool popup: a small borderless top-level window for tips laid over other
// windows. It stays above the program's other windows, is shown without being
// activated and never takes the keyboard focus, so the window the user works in
// keeps it. Its background is the tooltip colour (COLOR_INFOBK).
//
// What is drawn on it through a client context (CClientDC, GetDC) stays until
// it is shown again after being hidden, or resized: then it is filled with the
// background colour at once, before the call returns. Later paints draw over
// what is there (WM_PAINT, without an erase).
#pragma once

#include "platform/window/wnd.h"

class CToolPopup : public CWnd {
public:
    CToolPopup();
    ~CToolPopup() override;

protected:
    QWidget* CreateWidget(QWidget* parentWidget, bool topLevel) override;
    LRESULT ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // Fills the whole client area with the background colour now.
    void EraseNow();
};
