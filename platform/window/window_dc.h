// Device contexts on a window: the paint context of WM_PAINT and the client
// context for drawing outside a paint. They draw on the window's own composed
// image and stop drawing once the window is gone.
#pragma once

#include "platform/base/types.h"
#include "platform/gdi/dc.h"

class CWnd;

struct PAINTSTRUCT {
    CDC* hdc = nullptr;
    BOOL fErase = FALSE;
    RECT rcPaint{};
};

// The context a WM_PAINT handler draws with. Its constructor begins the paint:
// when the window's background needs erasing, WM_ERASEBKGND goes out first.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps{};
    HWND m_hWnd = nullptr;
};

// A context on a window's client area outside a paint (what it draws shows at
// the next screen update), or with a null window on the screen (for measuring).
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* wnd);
    ~CClientDC() override;
    HWND m_hWnd = nullptr;
};
using CWindowDC = CClientDC;

// Begins and ends a paint for windows that draw without a CPaintDC object.
CDC* BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);

// A client context (null window: the screen, for measuring); ReleaseDC ends it.
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC dc);
