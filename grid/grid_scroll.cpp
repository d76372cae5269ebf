// The grid window: scroll-bar messages, bringing a cell into view, resizing,
// and the message map.
#include <algorithm>

#include "grid/grid_ctrl.h"

void CGridCtrl::HideTitleTip() {
    if (!m_titleTip.GetSafeHwnd()) return;
    if (CWnd::GetCapture() == &m_titleTip) ReleaseCapture();
    m_titleTip.ShowWindow(SW_HIDE);
}

void CGridCtrl::OnVScroll(UINT nSBCode, UINT) { OnScroll(SB_VERT, nSBCode); }
void CGridCtrl::OnHScroll(UINT nSBCode, UINT) { OnScroll(SB_HORZ, nSBCode); }

void CGridCtrl::OnScroll(int bar, UINT code) {
    EndEditing();
    HideTitleTip();
    // Rows and heights down the vertical bar, columns and widths across.
    const bool vertical = bar == SB_VERT;
    auto size = [this, vertical](int i) { return vertical ? GetRowHeight(i) : GetColumnWidth(i); };
    const int count = vertical ? m_nRowCount : m_nColumnCount;
    const int fixedCount = vertical ? m_nFixedRowCount : m_nFixedColumnCount;
    const int maxPos = vertical ? m_nVScrollMax : m_nHScrollMax;
    const int fixedSize = vertical ? GetFixedRowHeight() : GetFixedColumnWidth();

    const int pos = GetScrollPosition(bar);
    const CCellID topLeft = GetTopLeftScrollCell();
    const int first = vertical ? topLeft.row : topLeft.col;
    // The top row starts exactly at the position (rows only).
    const bool aligned = vertical && m_nTopRowKept == first && m_nTopRowStart == pos;
    CRect client;
    GetClientRect(&client);
    const int clientEnd = vertical ? client.bottom : client.right;
    CRect scrolling = client;
    (vertical ? scrolling.top : scrolling.left) = fixedSize;

    bool moved = false;  // a line or page code set a new position
    switch (code) {
    case SB_LINEDOWN:
        if (pos < maxPos) {
            int i = first;
            while (i < count - 1 && size(i) < 1) ++i;
            const int next = pos + std::max(size(i), 0);
            SetScrollPosition(bar, next);
            // From a row that starts at the position, the next row starts at
            // the new one: the cache moves by a row.
            if (aligned && size(i) >= 1 && i + 1 < count && GetScrollPosition(bar) == next) KeepTopRow(i + 1, next);
            moved = true;
        }
        break;
    case SB_LINEUP:
        if (pos > 0 && first > fixedCount) {
            int i = first - 1;
            while (i > fixedCount && size(i) < 1) --i;
            const int next = std::max(0, pos - std::max(size(i), 0));
            SetScrollPosition(bar, next);
            if (aligned && size(i) >= 1 && pos - size(i) == next && GetScrollPosition(bar) == next) {
                // The first row that starts there: hidden rows above it start there too.
                while (i > fixedCount && size(i - 1) == 0) --i;
                KeepTopRow(i, next);
            }
            moved = true;
        }
        break;
    case SB_PAGEDOWN:
        if (pos < maxPos) {
            const long long next = static_cast<long long>(pos) + (clientEnd - fixedSize);
            SetScrollPosition(bar, int(std::min<long long>(next, maxPos)));
            moved = true;
        }
        break;
    case SB_PAGEUP:
        if (pos > 0) {
            const long long next = static_cast<long long>(pos) - (clientEnd - fixedSize);
            SetScrollPosition(bar, int(std::max<long long>(next, 0)));
            moved = true;
        }
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        SCROLLINFO info;
        const int track = GetScrollInfo(bar, &info, SIF_TRACKPOS) ? info.nTrackPos : 0;
        SetScrollPosition(bar, track);
        m_idTopLeftCache.row = -1;
        if (m_bRedrawEnabled && GetTopLeftScrollCell() != topLeft) InvalidateRect(&scrolling, TRUE);
        break;
    }
    case SB_TOP:
        if (pos > 0) {
            SetScrollPosition(bar, 0);
            if (m_bRedrawEnabled) Invalidate(TRUE);
        }
        break;
    case SB_BOTTOM:
        if (pos < maxPos) {
            SetScrollPosition(bar, maxPos);
            if (m_bRedrawEnabled) Invalidate(TRUE);
        }
        break;
    default:  // SB_ENDSCROLL
        break;
    }
    // The picture moves with the cells; only what a line or page uncovers is
    // painted again. With redrawing off only the position changes. Cells are
    // drawn in whole rows and columns from the top-left one, so the picture
    // moves by what lies between the old and the new top-left cell: at the end
    // of the range the position may stop inside a row, and moving the picture
    // by the position's change would put part of it between two rows.
    if (moved && m_bRedrawEnabled && GetScrollPosition(bar) != pos) {
        const CCellID now = GetTopLeftScrollCell();
        const int to = vertical ? now.row : now.col;
        auto span = [this, vertical](int a, int b) { return vertical ? RowSpan(a, b) : ColumnSpan(a, b); };
        const long long shift = to >= first ? span(first, to) : -span(to, first);
        if (shift != 0 && shift > -(1LL << 30) && shift < (1LL << 30)) {
            const int delta = int(-shift);
            ScrollWindow(vertical ? 0 : delta, vertical ? delta : 0, &scrolling, &scrolling);
        }
    }
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
    if (LRESULT result = 0; HandleInputMessage(message, wParam, lParam, &result)) return result;
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
