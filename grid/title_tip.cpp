#include "grid/title_tip.h"

#include <memory>

#include "platform/window/window_dc.h"
#include "platform/gdi/dc.h"

CTitleTip::CTitleTip() = default;

CTitleTip::~CTitleTip() = default;

BOOL CTitleTip::Create(CWnd* parent) {
    if (m_bCreated && GetSafeHwnd()) return TRUE;
    m_pParentWnd = parent;
    m_bCreated = CreateEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, u"ZTitleTip", nullptr, WS_POPUP | WS_BORDER,
                          CRect(0, 0, 0, 0), nullptr, 0);
    return m_bCreated;
}

BOOL CTitleTip::DestroyWindow() {
    m_bCreated = FALSE;
    return CToolPopup::DestroyWindow();
}

void CTitleTip::Show(CRect titleRect, LPCTSTR text, int, LPRECT hoverRect, const LOGFONTW* font,
                     COLORREF textColour, COLORREF backColour) {
    if (!GetSafeHwnd() && !Create(m_pParentWnd)) return;
    if (titleRect.IsRectEmpty() || IsWindowVisible() || !m_pParentWnd) return;

    // Where the mouse may move without hiding the tip: measured from where the
    // tip stands now (it moves below).
    CRect hover = hoverRect ? CRect(*hoverRect) : titleRect;
    hover.right += 1;
    hover.bottom += 1;
    m_pParentWnd->ClientToScreen(&hover);
    ScreenToClient(&hover);
    m_rectHover = hover;

    // An inactive program shows no tips.
    if (!CWnd::GetFocus()) return;

    m_pParentWnd->ClientToScreen(&titleRect);
    const CString shown = u" " + CString(text ? text : u"") + u" ";

    CFont made;
    CFont* useFont = nullptr;
    if (font) {
        if (made.CreateFontIndirect(font)) useFont = &made;
    } else {
        useFont = reinterpret_cast<CFont*>(m_pParentWnd->SendMessage(WM_GETFONT, 0, 0));
    }

    CSize size;
    TEXTMETRICW metrics;
    {
        CClientDC dc(this);
        CFont* old = useFont ? dc.SelectObject(useFont) : nullptr;
        size = dc.GetTextExtent(shown);
        dc.GetTextMetrics(&metrics);
        if (old) dc.SelectObject(old);
    }

    const int needed = size.cx + metrics.tmOverhang;
    if (titleRect.left + needed <= titleRect.right) return;  // it fits: no tip

    SetWindowPos(nullptr, titleRect.left, titleRect.top, needed, titleRect.Height(),
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    if (!GetSafeHwnd()) return;
    {
        CClientDC dc(this);
        CFont* old = useFont ? dc.SelectObject(useFont) : nullptr;
        if (backColour != CLR_DEFAULT) {
            CRect clip;
            dc.GetClipBox(&clip);
            CBrush brush(backColour);
            CBrush* oldBrush = dc.SelectObject(&brush);
            dc.PatBlt(clip.left, clip.top, clip.Width(), clip.Height(), PATCOPY);
            if (oldBrush) dc.SelectObject(oldBrush);
        }
        if (textColour != CLR_DEFAULT) dc.SetTextColor(textColour);
        dc.SetBkMode(TRANSPARENT);
        dc.TextOut(0, 0, shown);
        if (old) dc.SelectObject(old);
    }
    SetCapture();
}

void CTitleTip::Hide() {
    if (!GetSafeHwnd()) return;
    if (CWnd::GetCapture() == this) ReleaseCapture();
    ShowWindow(SW_HIDE);
}

CWnd* CTitleTip::WindowUnder(POINT screen) const {
    CWnd* wnd = CWnd::WindowFromPoint(screen);
    if (wnd == this) wnd = m_pParentWnd;
    return wnd;
}

LRESULT CTitleTip::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEMOVE) {
        OnMouseMove(UINT(wParam), CPoint(lParam));
        return 0;
    }
    return CToolPopup::WindowProc(message, wParam, lParam);
}

void CTitleTip::OnMouseMove(UINT flags, CPoint point) {
    if (m_rectHover.PtInRect(point)) return;
    Hide();
    POINT screen = point;
    ClientToScreen(&screen);
    CWnd* wnd = WindowUnder(screen);
    if (!wnd) return;
    const LRESULT hit = wnd->SendMessage(WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
    if (hit == HTCLIENT) {
        POINT client = screen;
        wnd->ScreenToClient(&client);
        wnd->PostMessage(WM_MOUSEMOVE, flags, MAKELPARAM(client.x, client.y));
    } else {
        wnd->PostMessage(WM_NCMOUSEMOVE, WPARAM(hit), MAKELPARAM(screen.x, screen.y));
    }
}

BOOL CTitleTip::PreTranslateMessage(MSG* msg) {
    if (!msg) return FALSE;
    // The tip's window takes no double clicks: the second press of one is a
    // press to it, and a double click all the same to the window below. The
    // window system counts the presses, those that went to other windows
    // while the tip was away included (it comes and goes between the two
    // presses of a double click); a clock of the tip's own would see only
    // the presses it took, and pair presses that belong to different pairs.
    const bool doubleClick = msg->message == WM_LBUTTONDBLCLK;
    UINT kind = msg->message;
    if (kind == WM_LBUTTONDBLCLK || kind == WM_RBUTTONDBLCLK || kind == WM_MBUTTONDBLCLK)
        kind -= WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
    switch (kind) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        // The press comes in this window's client coordinates.
        POINT screen{GET_X_LPARAM(msg->lParam), GET_Y_LPARAM(msg->lParam)};
        if (msg->hwnd && msg->hwnd != m_hWnd) {
            if (CWnd* from = CWnd::FromHandle(msg->hwnd)) from->ClientToScreen(&screen);
        } else {
            ClientToScreen(&screen);
        }
        Hide();
        CWnd* wnd = WindowUnder(screen);
        if (!wnd) return CToolPopup::PreTranslateMessage(msg);
        const LRESULT hit = wnd->SendMessage(WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
        UINT message = kind;
        WPARAM wParam = msg->wParam;
        POINT at = screen;
        if (hit == HTCLIENT) {
            wnd->ScreenToClient(&at);
        } else {
            message = message == WM_LBUTTONDOWN   ? WM_NCLBUTTONDOWN
                      : message == WM_RBUTTONDOWN ? WM_NCRBUTTONDOWN
                                                  : WM_NCMBUTTONDOWN;
            wParam = WPARAM(hit);
        }
        wnd->PostMessage(doubleClick ? WM_LBUTTONDBLCLK : message, wParam, MAKELPARAM(at.x, at.y));
        return TRUE;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // The key goes on, whole, to the window it was meant for: the one with
        // the keyboard focus, which is the grid when the grid has it.
        Hide();
        return FALSE;
    default:
        break;
    }
    if (!CWnd::GetFocus()) {
        Hide();
        return TRUE;
    }
    return CToolPopup::PreTranslateMessage(msg);
}
