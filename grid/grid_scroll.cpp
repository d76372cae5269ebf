// The grid window: scroll-bar messages, bringing a cell into view, resizing,
// and the message map.
#include <algorithm>

#include "grid/grid_ctrl.h"

void CGridCtrl::HideTitleTip() {
    if (!m_titleTip.GetSafeHwnd()) return;
    if (CWnd::GetCapture() == &m_titleTip) ReleaseCapture();
    m_titleTip.ShowWindow(SW_HIDE);
}

void CGridCtrl::OnVScroll(UINT nSBCode, UINT) {
    EndEditing();
    HideTitleTip();
    const int pos = GetScrollPosition(SB_VERT);
    const CCellID topLeft = GetTopLeftScrollCell();
    CRect client;
    GetClientRect(&client);
    const int fixedHeight = GetFixedRowHeight();
    CRect scrolling = client;
    scrolling.top = fixedHeight;

    bool moved = false;  // a line or page code set a new position
    switch (nSBCode) {
    case SB_LINEDOWN:
        if (pos < m_nVScrollMax) {
            int row = topLeft.row;
            while (row < m_nRowCount - 1 && GetRowHeight(row) < 1) ++row;
            SetScrollPosition(SB_VERT, pos + std::max(GetRowHeight(row), 0));
            moved = true;
        }
        break;
    case SB_LINEUP:
        if (pos > 0 && topLeft.row > m_nFixedRowCount) {
            int row = topLeft.row - 1;
            while (row > m_nFixedRowCount && GetRowHeight(row) < 1) --row;
            SetScrollPosition(SB_VERT, std::max(0, pos - std::max(GetRowHeight(row), 0)));
            moved = true;
        }
        break;
    case SB_PAGEDOWN:
        if (pos < m_nVScrollMax) {
            const long long next = static_cast<long long>(pos) + (client.bottom - fixedHeight);
            SetScrollPosition(SB_VERT, int(std::min<long long>(next, m_nVScrollMax)));
            moved = true;
        }
        break;
    case SB_PAGEUP:
        if (pos > 0) {
            const long long next = static_cast<long long>(pos) - (client.bottom - fixedHeight);
            SetScrollPosition(SB_VERT, int(std::max<long long>(next, 0)));
            moved = true;
        }
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        SCROLLINFO info;
        const int track = GetScrollInfo(SB_VERT, &info, SIF_TRACKPOS) ? info.nTrackPos : 0;
        SetScrollPosition(SB_VERT, track);
        m_idTopLeftCache.row = -1;
        const CCellID now = GetTopLeftScrollCell();
        if (now != topLeft) InvalidateRect(&scrolling, TRUE);
        break;
    }
    case SB_TOP:
        if (pos > 0) {
            SetScrollPosition(SB_VERT, 0);
            Invalidate(TRUE);
        }
        break;
    case SB_BOTTOM:
        if (pos < m_nVScrollMax) {
            SetScrollPosition(SB_VERT, m_nVScrollMax);
            Invalidate(TRUE);
        }
        break;
    default:
        break;
    }
    if (moved && GetScrollPosition(SB_VERT) != pos) InvalidateRect(&scrolling, TRUE);
}

void CGridCtrl::OnHScroll(UINT nSBCode, UINT) {
    EndEditing();
    HideTitleTip();
    const int pos = GetScrollPosition(SB_HORZ);
    const CCellID topLeft = GetTopLeftScrollCell();
    CRect client;
    GetClientRect(&client);
    const int fixedWidth = GetFixedColumnWidth();
    CRect scrolling = client;
    scrolling.left = fixedWidth;

    bool moved = false;
    switch (nSBCode) {
    case SB_LINERIGHT:
        if (pos < m_nHScrollMax) {
            int col = topLeft.col;
            while (col < m_nColumnCount - 1 && GetColumnWidth(col) < 1) ++col;
            SetScrollPosition(SB_HORZ, pos + std::max(GetColumnWidth(col), 0));
            moved = true;
        }
        break;
    case SB_LINELEFT:
        if (pos > 0 && topLeft.col > m_nFixedColumnCount) {
            int col = topLeft.col - 1;
            while (col > m_nFixedColumnCount && GetColumnWidth(col) < 1) --col;
            SetScrollPosition(SB_HORZ, std::max(0, pos - std::max(GetColumnWidth(col), 0)));
            moved = true;
        }
        break;
    case SB_PAGERIGHT:
        if (pos < m_nHScrollMax) {
            const long long next = static_cast<long long>(pos) + (client.right - fixedWidth);
            SetScrollPosition(SB_HORZ, int(std::min<long long>(next, m_nHScrollMax)));
            moved = true;
        }
        break;
    case SB_PAGELEFT:
        if (pos > 0) {
            const long long next = static_cast<long long>(pos) - (client.right - fixedWidth);
            SetScrollPosition(SB_HORZ, int(std::max<long long>(next, 0)));
            moved = true;
        }
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        SCROLLINFO info;
        const int track = GetScrollInfo(SB_HORZ, &info, SIF_TRACKPOS) ? info.nTrackPos : 0;
        SetScrollPosition(SB_HORZ, track);
        m_idTopLeftCache.row = -1;
        const CCellID now = GetTopLeftScrollCell();
        if (now != topLeft) InvalidateRect(&scrolling, TRUE);
        break;
    }
    case SB_LEFT:
        if (pos > 0) {
            SetScrollPosition(SB_HORZ, 0);
            Invalidate(TRUE);
        }
        break;
    case SB_RIGHT:
        if (pos < m_nHScrollMax) {
            SetScrollPosition(SB_HORZ, m_nHScrollMax);
            Invalidate(TRUE);
        }
        break;
    default:
        break;
    }
    if (moved && GetScrollPosition(SB_HORZ) != pos) InvalidateRect(&scrolling, TRUE);
}

void CGridCtrl::EnsureVisible(int nRow, int nCol) {
    if (!m_bRedrawEnabled || !IsCellInGrid(nRow, nCol)) return;
    CWnd* focus = CWnd::GetFocus();
    const HWND focusHandle = focus ? focus->GetSafeHwnd() : nullptr;
    auto restoreFocus = [focus, focusHandle] {
        if (focusHandle && IsWindow(focusHandle)) focus->SetFocus();
    };

    // Sends one scroll step; FALSE when it moved nothing (the end is reached).
    auto step = [this](UINT message, UINT code) {
        const int bar = message == WM_HSCROLL ? SB_HORZ : SB_VERT;
        const int before = GetScrollPosition(bar);
        SendMessage(message, code, 0);
        return GetScrollPosition(bar) != before;
    };

    const CellRange range = GetVisibleScrollRange();
    for (int col = range.maxCol + 1; col <= nCol; ++col)
        if (GetColumnWidth(col) > 0 && !step(WM_HSCROLL, SB_LINERIGHT)) break;
    for (int col = range.minCol - 1; col >= nCol; --col)
        if (GetColumnWidth(col) > 0 && !step(WM_HSCROLL, SB_LINELEFT)) break;
    for (int row = range.maxRow + 1; row <= nRow; ++row)
        if (GetRowHeight(row) > 0 && !step(WM_VSCROLL, SB_LINEDOWN)) break;
    for (int row = range.minRow - 1; row >= nRow; --row)
        if (GetRowHeight(row) > 0 && !step(WM_VSCROLL, SB_LINEUP)) break;

    CRect rect;
    if (!GetCellRect(nRow, nCol, &rect)) {
        restoreFocus();
        return;
    }
    CRect client;
    GetClientRect(&client);
    while (rect.right > client.right && rect.left > GetFixedColumnWidth() && (m_nScrollBarsShown & 1)) {
        if (!step(WM_HSCROLL, SB_LINERIGHT) || !GetCellRect(nRow, nCol, &rect)) break;
    }
    while (rect.bottom > client.bottom && rect.top > GetFixedRowHeight() && (m_nScrollBarsShown & 2)) {
        if (!step(WM_VSCROLL, SB_LINEDOWN) || !GetCellRect(nRow, nCol, &rect)) break;
    }
    restoreFocus();
}

void CGridCtrl::OnSize(UINT nType, int cx, int cy) {
    static bool inside = false;
    if (inside || !GetSafeHwnd()) return;
    inside = true;
    static bool registering = false;
    if (!m_dropTarget.m_bRegistered && !registering) {
        registering = true;
        m_dropTarget.Register(this);
        registering = false;
    }
    EndEditing();
    DefWindowProc(WM_SIZE, nType, MAKELPARAM(WORD(cx), WORD(cy)));
    ResetScrollBars();
    inside = false;
}

// ---------------------------------------------------------------------------
// Message map

LRESULT CGridCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_HSCROLL:
        OnHScroll(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_VSCROLL:
        OnVScroll(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_SIZE:
        OnSize(UINT(wParam), short(LOWORD(lParam)), short(HIWORD(lParam)));
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == ID_EDIT_SELECT_ALL) {
            OnEditSelectAll();
            return 0;
        }
        break;
    case WM_SETCURSOR:
        return OnSetCursor(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)), LOWORD(lParam), HIWORD(lParam));
    case WM_SYSCOLORCHANGE:
        OnSysColorChange();
        return 0;
    case WM_SETFONT:
        return OnSetFont(wParam, lParam);
    case WM_GETFONT:
        return OnGetFont();
    default:
        break;
    }
    return CGridCtrlBase::WindowProc(message, wParam, lParam);
}
