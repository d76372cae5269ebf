// The grid window's keyboard: moving the focus cell (hidden rows and columns
// skipped), extending the selection with Shift, starting edits, the clipboard
// shortcuts; the auto-scroll timer of a drag-selection; and the message map of
// the mouse, keyboard and edit commands.
#include <algorithm>

#include "grid/grid_ctrl.h"
#include "platform/window/ime.h"

namespace {

constexpr int kNothing = 0;
constexpr int kSelectRows = 3;
constexpr int kSelectCells = 4;
constexpr int kDragging = 12;

bool KeyDown(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

}  // namespace

UINT CGridCtrl::OnGetDlgCode() {
    UINT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (m_bTabKeyHandled && !KeyDown(VK_CONTROL)) code |= DLGC_WANTTAB;
    return code;
}

void CGridCtrl::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
    auto defaultHandling = [&] {
        DefWindowProc(WM_KEYDOWN, nChar, LPARAM(nRepCnt) | (LPARAM(nFlags) << 16));
    };
    if (!IsCellInGrid(m_idFocus)) {
        defaultHandling();
        return;
    }
    CCellID next = m_idFocus;
    bool vScrolled = false;
    bool hScrolled = false;
    bool lineChanged = false;
    const bool shift = KeyDown(VK_SHIFT);
    const bool control = KeyDown(VK_CONTROL);

    if (control) {
        switch (nChar) {
        case 'A': OnEditSelectAll(); break;
        case 'C':
        case VK_INSERT: OnEditCopy(); break;
        case 'V': OnEditPaste(); break;
        case 'X': OnEditCut(); break;
        case VK_ADD:
            AutoSizeColumns();
            Invalidate();
            break;
        default: break;
        }
        // The clipboard commands may have changed the focus (a paste clears it).
        if (!IsCellInGrid(m_idFocus)) return;
        next = m_idFocus;
    }
    if (shift && nChar == VK_INSERT) {
        OnEditPaste();
        defaultHandling();
        return;
    }

    const int rows = m_nRowCount;
    const int cols = m_nColumnCount;
    const int fixedRows = m_nFixedRowCount;
    const int fixedCols = m_nFixedColumnCount;
    const bool tab = nChar == VK_TAB;

    // Tab moves as Right does and Shift+Tab as Left, wrapping between rows.
    const UINT key = tab ? (shift ? VK_LEFT : VK_RIGHT) : nChar;
    switch (key) {
    case VK_DELETE:
        CutSelectedText();
        break;
    case VK_DOWN:
        for (int r = next.row + 1; r < rows; ++r)
            if (GetRowHeight(r) > 0) {
                next.row = r;
                break;
            }
        break;
    case VK_UP:
        if (next.row > fixedRows)
            for (int r = next.row - 1; r >= fixedRows; --r)
                if (GetRowHeight(r) > 0) {
                    next.row = r;
                    break;
                }
        break;
    case VK_RIGHT:
        if (tab && m_bTabMovesFocus) {
            if (CWnd* parent = GetParent()) parent->SendMessage(WM_NEXTDLGCTL, 0, 0);
            return;
        }
        {
            int start = next.col + 1;
            if (tab && next.col == cols - 1 && next.row < rows - 1) {
                int r = next.row + 1;
                while (r < rows && GetRowHeight(r) == 0) ++r;
                if (r >= rows) break;  // no visible row below: the focus stays
                next.row = r;
                lineChanged = true;
                start = fixedCols;
            }
            for (int c = start; c < cols; ++c)
                if (GetColumnWidth(c) > 0) {
                    next.col = c;
                    break;
                }
        }
        break;
    case VK_LEFT: {
        int start = next.col - 1;
        if (tab && next.col == fixedCols && next.row > fixedRows) {
            // The nearest visible row above; the first non-fixed row is taken
            // when the scan reaches it.
            int r = next.row - 1;
            while (r > fixedRows && GetRowHeight(r) == 0) --r;
            lineChanged = r > fixedRows;
            next.row = r;
            start = cols - 1;
        }
        for (int c = start; c >= fixedCols; --c)
            if (GetColumnWidth(c) > 0) {
                next.col = c;
                break;
            }
        break;
    }
    case VK_NEXT:
    case VK_PRIOR: {
        const bool down = nChar == VK_NEXT;
        const CCellID before = GetTopLeftScrollCell();
        SendMessage(WM_VSCROLL, down ? SB_PAGEDOWN : SB_PAGEUP, 0);
        vScrolled = true;
        const CCellID after = GetTopLeftScrollCell();
        const int delta = after.row - before.row;
        if (down)
            next.row = delta == 0 ? rows - 1 : std::min(next.row + delta, rows - 1);
        else
            next.row = delta == 0 ? fixedRows : std::max(next.row + delta, fixedRows);
        break;
    }
    case VK_HOME: {
        if (control) {
            SendMessage(WM_VSCROLL, SB_TOP, 0);
            SendMessage(WM_HSCROLL, SB_LEFT, 0);
            next.row = fixedRows;
            vScrolled = true;
        } else {
            SendMessage(WM_HSCROLL, SB_LEFT, 0);
        }
        int c = fixedCols;
        while (c < cols - 1 && GetColumnWidth(c) == 0) ++c;
        next.col = c;
        int r = next.row;
        while (r < rows - 1 && GetRowHeight(r) == 0) ++r;
        next.row = r;
        hScrolled = true;
        break;
    }
    case VK_END: {
        if (control) {
            SendMessage(WM_VSCROLL, SB_BOTTOM, 0);
            SendMessage(WM_HSCROLL, SB_RIGHT, 0);
            next.row = rows - 1;
            vScrolled = true;
        } else {
            SendMessage(WM_HSCROLL, SB_RIGHT, 0);
        }
        // The last visible column and row, never into the fixed ones: with a
        // single non-fixed column or row the search ends on it.
        int c = cols - 1;
        while (c > fixedCols && GetColumnWidth(c) == 0) --c;
        next.col = c;
        int r = next.row;
        while (r > fixedRows && GetRowHeight(r) == 0) --r;
        next.row = r;
        hScrolled = true;
        break;
    }
    case VK_F2:
        OnEditCell(m_idFocus.row, m_idFocus.col, CPoint(-1, -1), VK_LBUTTON);
        break;
    default:
        defaultHandling();
        return;
    }

    if (next == m_idFocus) return;

    if (m_nMouseMode == kNothing) {
        m_mapPrevSelected.clear();
        m_nMouseMode = m_bListMode ? kSelectRows : kSelectCells;
        if (!shift || tab) m_idSelectionStart = next;
        SendMessageToParent(next.row, next.col, int(GRIDN_SELCHANGING));
        OnSelecting(next);
        SendMessageToParent(next.row, next.col, int(GRIDN_SELCHANGED));
        m_nMouseMode = kNothing;
    }
    SetFocusCell(next);

    if (!IsCellVisible(next.row, next.col)) {
        switch (nChar) {
        case VK_RIGHT:
            SendMessage(WM_HSCROLL, SB_LINERIGHT, 0);
            hScrolled = true;
            break;
        case VK_LEFT:
            SendMessage(WM_HSCROLL, SB_LINELEFT, 0);
            hScrolled = true;
            break;
        case VK_DOWN:
            SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
            vScrolled = true;
            break;
        case VK_UP:
            SendMessage(WM_VSCROLL, SB_LINEUP, 0);
            vScrolled = true;
            break;
        case VK_TAB:
            if (shift) {
                if (lineChanged) {
                    SendMessage(WM_VSCROLL, SB_LINEUP, 0);
                    // Through the grid's own setter, which forgets the first
                    // cell in view: the view, the bar and hit tests move together.
                    SetScrollPosition(SB_HORZ, m_nHScrollMax);
                    vScrolled = true;
                } else {
                    SendMessage(WM_HSCROLL, SB_LINELEFT, 0);
                    hScrolled = true;
                }
            } else if (lineChanged) {
                SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
                SetScrollPosition(SB_HORZ, 0);
                vScrolled = true;
            } else {
                SendMessage(WM_HSCROLL, SB_LINERIGHT, 0);
                hScrolled = true;
            }
            break;
        default:
            break;
        }
        EnsureVisible(next);
        Invalidate();
    }
    EnsureVisible(next);
    if (hScrolled) SendMessage(WM_HSCROLL, SB_ENDSCROLL, 0);
    if (vScrolled) SendMessage(WM_VSCROLL, SB_ENDSCROLL, 0);
}

void CGridCtrl::OnChar(UINT nChar, UINT nRepCnt, UINT nFlags) {
    if (!KeyDown(VK_CONTROL) && m_nMouseMode == kNothing && nChar != VK_ESCAPE) {
        if (!(m_bTabKeyHandled && nChar == VK_TAB)) OnEditCell(m_idFocus.row, m_idFocus.col, CPoint(-1, -1), nChar);
    }
    DefWindowProc(WM_CHAR, nChar, LPARAM(nRepCnt) | (LPARAM(nFlags) << 16));
}

LRESULT CGridCtrl::OnImeChar(WPARAM wCharCode, LPARAM) {
    if (!KeyDown(VK_CONTROL) && m_nMouseMode == kNothing && wCharCode != VK_ESCAPE)
        OnEditCell(m_idFocus.row, m_idFocus.col, CPoint(-1, -1), UINT(wCharCode));
    return 0;
}

// The first key of an input method's composition opens the focus cell's editor
// at once, with the cell's text selected, as a typed character does; the
// editor takes the focus and goes on with the composition, so the syllable
// being composed replaces the text and the rest of the typing follows it.
void CGridCtrl::OnImeStartComposition() {
    if (KeyDown(VK_CONTROL) || m_nMouseMode != kNothing || !IsCellInGrid(m_idFocus)) return;
    const CGridCellBase* cell = EditableCell(m_idFocus.row, m_idFocus.col);
    if (cell && cell->IsEditing()) return;  // its editor is open already
    OnEditCell(m_idFocus.row, m_idFocus.col, CPoint(-1, -1), VK_PROCESSKEY);
}

// The input method's windows go over the focus cell.
LRESULT CGridCtrl::OnImeRequest(WPARAM request, LPARAM lParam) {
    auto* form = reinterpret_cast<COMPOSITIONFORM*>(lParam);
    CRect rect;
    if (request != IMR_COMPOSITIONWINDOW || !form || !IsCellInGrid(m_idFocus) ||
        !IsCellVisible(m_idFocus.row, m_idFocus.col) || !GetCellRect(m_idFocus.row, m_idFocus.col, &rect))
        return 0;
    form->dwStyle = CFS_RECT;
    form->ptCurrentPos = POINT{rect.left, rect.top};
    form->rcArea = RECT{rect.left, rect.top, rect.right + 1, rect.bottom + 1};  // the cell's edges are inside it
    return 1;
}

void CGridCtrl::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent != kGridAutoScrollTimer) return;
    POINT cursor;
    if (!GetCursorPos(&cursor)) return;
    ScreenToClient(&cursor);
    CRect client;
    GetClientRect(&client);
    const int fh = GetFixedRowHeight();
    const int fw = GetFixedColumnWidth();
    const int x = std::clamp(int(cursor.x), int(client.left), int(client.right));
    const int y = std::clamp(int(cursor.y), int(client.top), int(client.bottom));
    if (cursor.y > client.bottom) {
        SendMessage(WM_KEYDOWN, VK_DOWN, 0);
        OnSelecting(GetCellFromPt(CPoint(x, client.bottom), TRUE));
    } else if (cursor.y < fh) {
        SendMessage(WM_KEYDOWN, VK_UP, 0);
        OnSelecting(GetCellFromPt(CPoint(x, fh + 1), TRUE));
    }
    if (cursor.x > client.right) {
        SendMessage(WM_KEYDOWN, VK_RIGHT, 0);
        OnSelecting(GetCellFromPt(CPoint(client.right, y), TRUE));
    } else if (cursor.x < fw) {
        SendMessage(WM_KEYDOWN, VK_LEFT, 0);
        OnSelecting(GetCellFromPt(CPoint(fw + 1, y), TRUE));
    }
}

void CGridCtrl::OnCaptureChanged(CWnd* pWnd) {
    if (pWnd == this) return;
    if (m_nAutoScrollTimer) {
        KillTimer(m_nAutoScrollTimer);
        m_nAutoScrollTimer = 0;
    }
    if (m_nMouseMode == kDragging) m_nMouseMode = kNothing;
}

void CGridCtrl::OnKillFocus(CWnd* pNewWnd) {
    DefWindowProc(WM_KILLFOCUS, WPARAM(pNewWnd ? pNewWnd->GetSafeHwnd() : nullptr), 0);
    SendMessageToParent(m_idFocus.row, m_idFocus.col, int(NM_KILLFOCUS));
}

// ---------------------------------------------------------------------------
// Message map of the input handlers

BOOL CGridCtrl::HandleInputMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    const CPoint point(short(LOWORD(lParam)), short(HIWORD(lParam)));
    *result = 0;
    switch (message) {
    case WM_MOUSEMOVE: OnMouseMove(UINT(wParam), point); return TRUE;
    case WM_LBUTTONDOWN: OnLButtonDown(UINT(wParam), point); return TRUE;
    case WM_LBUTTONUP: OnLButtonUp(UINT(wParam), point); return TRUE;
    case WM_LBUTTONDBLCLK: OnLButtonDblClk(UINT(wParam), point); return TRUE;
    case WM_RBUTTONUP: *result = OnRButtonUp(UINT(wParam), point); return TRUE;
    case WM_MOUSEWHEEL: {
        POINT screen{point.x, point.y};
        *result = OnMouseWheel(GET_KEYSTATE_WPARAM(wParam), GET_WHEEL_DELTA_WPARAM(wParam), CPoint(screen));
        return TRUE;
    }
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        if (!hdr || hdr->code != GRIDN_ENDLABELEDIT || hdr->idFrom != kInPlaceEditId) return FALSE;
        OnEndInPlaceEdit(hdr, result);
        return TRUE;
    }
    case WM_KEYDOWN:
        OnKeyDown(UINT(wParam), LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_SYSKEYDOWN:
        *result = DefWindowProc(message, wParam, lParam);
        return TRUE;
    case WM_CHAR:
        OnChar(UINT(wParam), LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_IME_CHAR: *result = OnImeChar(wParam, lParam); return TRUE;
    case WM_IME_STARTCOMPOSITION: OnImeStartComposition(); return TRUE;
    case WM_IME_REQUEST: *result = OnImeRequest(wParam, lParam); return TRUE;
    case WM_GETDLGCODE: *result = OnGetDlgCode(); return TRUE;
    case WM_TIMER: OnTimer(UINT_PTR(wParam)); return TRUE;
    case WM_CAPTURECHANGED: OnCaptureChanged(CWnd::FromHandle(reinterpret_cast<HWND>(lParam))); return TRUE;
    case WM_KILLFOCUS: OnKillFocus(CWnd::FromHandle(reinterpret_cast<HWND>(wParam))); return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != 0) return FALSE;
        switch (LOWORD(wParam)) {
        case ID_EDIT_CUT: OnEditCut(); return TRUE;
        case ID_EDIT_COPY: OnEditCopy(); return TRUE;
        case ID_EDIT_PASTE: OnEditPaste(); return TRUE;
        default: return FALSE;
        }
    default:
        return FALSE;
    }
}
