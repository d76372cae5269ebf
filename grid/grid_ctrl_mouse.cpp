// The grid window's mouse: selecting by clicks and drags (with automatic
// scrolling while a drag leaves the window), resizing rows and columns by
// their dividers, clicks on headers, the title tip while hovering, the wheel,
// and starting and ending the editing of a cell.
#include <algorithm>
#include <cstdlib>

#include "grid/grid_ctrl.h"
#include "platform/window/window_dc.h"

namespace {

// What the current mouse gesture is.
enum MouseMode {
    kNothing = 0,
    kSelectAll = 1,
    kSelectColumns = 2,
    kSelectRows = 3,
    kSelectCells = 4,
    kOverRowDivide = 6,
    kSizingRow = 7,
    kOverColumnDivide = 8,
    kSizingColumn = 9,
    kPrepareEdit = 10,
    kPrepareDrag = 11,
    kDragging = 12,
};

bool IsValidCell(const CCellID& cell) { return cell.row >= 0 && cell.col >= 0; }

}  // namespace

CPoint CGridCtrl::GetCellRelativePoint(int nRow, int nCol, CPoint point) {
    CPoint origin;
    if (!GetCellOrigin(nRow, nCol, &origin)) return CPoint(0, 0);
    return CPoint(point.x - origin.x, point.y - origin.y);
}

// ---------------------------------------------------------------------------
// Moves

void CGridCtrl::OnMouseMove(UINT, CPoint point) {
    CRect client;
    GetClientRect(&client);
    if (m_nMouseMode != kDragging && !client.PtInRect(point)) return;

    if (!m_bLeftButtonDown || m_nMouseMode == kNothing) {
        // Hovering: the cursor tells what a press would do here.
        if (m_bColumnsResizable && IsOverColumnDivider(point)) {
            if (m_nMouseMode != kOverColumnDivide) {
                SetCursor(IDC_SIZEWE);
                m_nMouseMode = kOverColumnDivide;
            }
        } else if (m_bRowsResizable && IsOverRowDivider(point)) {
            if (m_nMouseMode != kOverRowDivide) {
                SetCursor(IDC_SIZENS);
                m_nMouseMode = kOverRowDivide;
            }
        } else if (m_nMouseMode != kNothing) {
            SetCursor(IDC_ARROW);
            m_nMouseMode = kNothing;
        }

        if (m_nMouseMode == kNothing && !(m_bVirtualMode && !m_bTitleTips)) {
            const CCellID id = GetCellFromPt(point, TRUE);
            CGridCellBase* cell = IsValidCell(id) ? ReadCell(id.row, id.col) : nullptr;
            if (cell) cell->OnMouseOver();
            if (m_bTitleTips && cell && !m_bRightButtonDown) {
                const LPCTSTR tip = cell->GetTipText();
                CRect cellRect;
                if (tip && *tip && !cell->IsEditing() && GetCellRect(id.row, id.col, &cellRect)) {
                    CRect textRect = cellRect;
                    if (cell->GetTipTextRect(&textRect))
                        m_titleTip.Show(textRect, tip, 0, &cellRect, cell->GetFont(), m_crTipText, m_crTipBack);
                }
            }
        }
        m_ptLastMouse = point;
        return;
    }

    if (!IsValidCell(m_idLeftClickDown)) {
        m_ptLastMouse = point;
        return;
    }
    switch (m_nMouseMode) {
    case kSelectColumns:
    case kSelectRows:
    case kSelectCells: {
        const CCellID id = GetCellFromPt(point, TRUE);
        if (!IsCellInGrid(id)) return;
        if (id != m_idFocus) {
            OnSelecting(id);
            const bool nonFixed = id.row >= m_nFixedRowCount && id.col >= m_nFixedColumnCount;
            if (nonFixed || m_nMouseMode == kSelectColumns || m_nMouseMode == kSelectRows) SetFocusCell(id);
        }
        break;
    }
    case kSizingRow: {
        CClientDC dc(this);
        CRect old(client.left, m_ptLastMouse.y, client.right, m_ptLastMouse.y + 2);
        dc.InvertRect(&old);
        CRect now(client.left, point.y, client.right, point.y + 2);
        dc.InvertRect(&now);
        break;
    }
    case kSizingColumn: {
        CClientDC dc(this);
        CRect old(m_ptLastMouse.x, client.top, m_ptLastMouse.x + 2, client.bottom);
        dc.InvertRect(&old);
        CRect now(point.x, client.top, point.x + 2, client.bottom);
        dc.InvertRect(&now);
        break;
    }
    case kPrepareEdit:
    case kPrepareDrag:
        m_nMouseMode = kPrepareDrag;
        OnBeginDrag();
        break;
    default:
        break;
    }
    m_ptLastMouse = point;
}

// ---------------------------------------------------------------------------
// Presses

void CGridCtrl::OnLButtonDown(UINT nFlags, CPoint point) {
    SetFocus();
    m_ptLeftClickDown = point;
    m_nCurrentColumn = -1;
    m_bLeftButtonDown = TRUE;

    m_idLeftClickDown = GetCellFromPt(point, TRUE);
    if (!IsValidCell(m_idLeftClickDown)) return;
    const CCellID clicked = m_idLeftClickDown;
    m_nDraggedRow = clicked.row;

    if (!(nFlags & MK_SHIFT))
        m_idSelectionStart = clicked;
    else if (!IsValidCell(m_idSelectionStart))
        m_idSelectionStart = m_idFocus;

    EndEditing();
    bool inText = false;
    if (CGridCellBase* cell = GetCell(clicked.row, clicked.col)) {
        cell->OnClickDown(GetCellRelativePoint(clicked.row, clicked.col, point));
        CRect text;
        if (GetCellRect(clicked.row, clicked.col, &text) && cell->GetTextRect(&text)) inText = text.PtInRect(point);
    }

    // A press on the text of the focus cell may become an edit (at the release)
    // or a drag (on a move).
    if (clicked == m_idFocus && !(nFlags & MK_CONTROL) && inText && IsCellEditable(clicked)) {
        m_nMouseMode = kPrepareEdit;
        return;
    }

    const bool fixed = clicked.row < m_nFixedRowCount || clicked.col < m_nFixedColumnCount;
    if (IsCellSelected(clicked)) {
        SetFocusCell(clicked);
        if (nFlags & MK_CONTROL) {
            if (m_bListMode)
                SelectRows(TRUE, FALSE, clicked);
            else
                SelectCells(TRUE, FALSE, clicked);
            return;
        }
        if (m_bDragDropEnabled) m_nMouseMode = kPrepareDrag;
    } else if (m_nMouseMode != kOverColumnDivide && m_nMouseMode != kOverRowDivide) {
        SetFocusCell(fixed ? CCellID(-1, -1) : clicked);
    }

    SetCapture();

    if (m_nMouseMode == kNothing) {
        if (m_bColumnsResizable && IsOverColumnDivider(point)) {
            SetCursor(IDC_SIZEWE);
            m_nMouseMode = kOverColumnDivide;
        } else if (m_bRowsResizable && IsOverRowDivider(point)) {
            SetCursor(IDC_SIZENS);
            m_nMouseMode = kOverRowDivide;
        }
    }

    CRect client;
    GetClientRect(&client);
    const int capture = m_nResizeCaptureRange;
    if (m_nMouseMode == kOverColumnDivide) {
        m_nMouseMode = kSizingColumn;
        const int last = m_nColumnCount - 1;
        int col = clicked.col;
        CRect visible;
        GetVisibleScrollRange(&visible);
        if (GetColumnWidth(last) < capture && std::abs(point.x - visible.right) < capture) col = last;
        CPoint start;
        if (!GetCellOrigin(0, col, &start)) return;
        const bool nearLeft = point.x - start.x < capture;
        // Near its left edge the divider belongs to the column on the left,
        // unless this is a last column too narrow to be grabbed otherwise.
        if (nearLeft && col > 0 && (col != last || GetColumnWidth(last) >= capture)) --col;
        if (!m_bResizeHiddenColumns) {
            while (col >= 0 && GetColumnWidth(col) == 0) --col;
            if (col < 0) return;
        }
        if (!GetCellOrigin(0, col, &start)) return;
        m_idLeftClickDown.col = col;
        {
            CClientDC dc(this);
            CRect line(point.x, client.top, point.x + 2, client.bottom);
            dc.InvertRect(&line);
        }
        CRect clip(start.x + 1, client.top, start.x + 1 + client.Width() - GetFixedColumnWidth(), client.bottom);
        ClientToScreen(&clip);
        ClipCursor(&clip);
    } else if (m_nMouseMode == kOverRowDivide) {
        m_nMouseMode = kSizingRow;
        const int last = m_nRowCount - 1;
        int row = clicked.row;
        CRect visible;
        GetVisibleScrollRange(&visible);
        if (GetRowHeight(last) < capture && std::abs(point.y - visible.bottom) < capture) row = last;
        CPoint start;
        if (!GetCellOrigin(row, clicked.col, &start)) return;
        const bool nearTop = point.y - start.y < capture;
        if (nearTop && row > 0 && (row != last || GetRowHeight(last) >= capture)) --row;
        if (!m_bResizeHiddenRows) {
            while (row >= 0 && GetRowHeight(row) == 0) --row;
            if (row < 0) return;
        }
        if (!GetCellOrigin(row, clicked.col, &start)) return;
        m_idLeftClickDown.row = row;
        {
            CClientDC dc(this);
            CRect line(client.left, point.y, client.right, point.y + 2);
            dc.InvertRect(&line);
        }
        CRect clip(client.left, start.y + 1, client.right, start.y + 1 + client.Height() - GetFixedRowHeight());
        ClientToScreen(&clip);
        ClipCursor(&clip);
    } else if (m_nMouseMode != kPrepareDrag) {
        SendMessageToParent(clicked.row, clicked.col, int(GRIDN_SELCHANGING));
        m_mapPrevSelected.clear();
        if (nFlags & MK_CONTROL) m_mapPrevSelected = m_mapSelected;
        CCellID cell = clicked;
        if (clicked.row < m_nFixedRowCount) {
            OnFixedRowClick(cell);
            if (m_bColumnDragging && clicked.col >= m_nFixedColumnCount) {
                ResetSelectedRange();
                m_nMouseMode = kPrepareDrag;
                m_nCurrentColumn = clicked.col;
            }
        } else if (clicked.col < m_nFixedColumnCount) {
            OnFixedColumnClick(cell);
        } else {
            m_nMouseMode = m_bListMode ? kSelectRows : kSelectCells;
            OnSelecting(clicked);
            m_nAutoScrollTimer = SetTimer(kGridAutoScrollTimer, UINT(m_nAutoScrollInterval));
        }
    }
    m_ptLastMouse = point;
}

void CGridCtrl::OnFixedRowClick(CCellID& cell) {
    if (!IsValidCell(cell)) return;
    if (m_bFixedRowClickSorts) {
        CWaitCursor wait;
        const BOOL ascending = cell.col == m_nSortColumn ? !m_bSortAscending : TRUE;
        SortItems(cell.col, ascending);
        Invalidate();
    }
    if (m_bFixedRowClickSelects) {
        m_nMouseMode = cell.col >= m_nFixedColumnCount ? kSelectColumns : kSelectAll;
        OnSelecting(cell);
    }
}

void CGridCtrl::OnFixedColumnClick(CCellID& cell) {
    if (!IsValidCell(cell) || !m_bFixedColumnClickSelects) return;
    m_nMouseMode = cell.row < m_nFixedRowCount ? kSelectAll : kSelectRows;
    OnSelecting(cell);
}

// ---------------------------------------------------------------------------
// Releases

void CGridCtrl::OnLButtonUp(UINT nFlags, CPoint point) {
    DefWindowProc(WM_LBUTTONUP, nFlags, MAKELPARAM(WORD(point.x), WORD(point.y)));
    m_bLeftButtonDown = FALSE;
    ClipCursor(nullptr);
    if (CWnd::GetCapture() == this) {
        ReleaseCapture();
        KillTimer(m_nAutoScrollTimer);
        m_nAutoScrollTimer = 0;
    }

    const CPoint relative = GetCellRelativePoint(m_idFocus.row, m_idFocus.col, point);
    CRect client;
    GetClientRect(&client);
    switch (m_nMouseMode) {
    case kPrepareEdit:
        OnEditCell(m_idFocus.row, m_idFocus.col, relative, VK_LBUTTON);
        break;
    case kPrepareDrag: {
        // The button went up without a drag: selection and focus are cleared.
        if (CGridCellBase* cell = GetCell(m_idFocus.row, m_idFocus.col)) cell->OnClick(relative);
        SendMessageToParent(m_idLeftClickDown.row, m_idLeftClickDown.col, int(NM_CLICK));
        SendMessageToParent(m_idLeftClickDown.row, m_idLeftClickDown.col, int(GRIDN_SELCHANGING));
        m_mapPrevSelected.clear();
        SetSelectedRange(-1, -1, -1, -1, FALSE, TRUE);
        SetFocusCell(-1, -1);
        SendMessageToParent(m_idFocus.row, m_idFocus.col, int(GRIDN_SELCHANGED));
        break;
    }
    case kSizingColumn: {
        {
            CClientDC dc(this);
            CRect line(m_ptLastMouse.x, client.top, m_ptLastMouse.x + 2, client.bottom);
            dc.InvertRect(&line);
        }
        if (point == m_ptLeftClickDown || point == CPoint(0, 0)) break;
        m_idLeftClickDown = GetOwnerCellID(m_idLeftClickDown.row, m_idLeftClickDown.col);
        CPoint origin;
        if (!GetCellOrigin(m_idLeftClickDown.row, m_idLeftClickDown.col, &origin)) return;
        const int col = m_idLeftClickDown.col;
        const int minimum = m_bColumnsMayVanish ? 0 : 1;
        const int others = GetMergedColumnWidth(m_idLeftClickDown.row, col) - GetColumnWidth(col);
        const int width = std::max(std::max(point.x - origin.x, minimum) - std::max(others, 0), minimum);
        SetColumnWidth(col, width);
        ResetScrollBars();
        Invalidate();
        break;
    }
    case kSizingRow: {
        {
            CClientDC dc(this);
            CRect line(client.left, m_ptLastMouse.y, client.right, m_ptLastMouse.y + 2);
            dc.InvertRect(&line);
        }
        if (point == m_ptLeftClickDown || point == CPoint(0, 0)) break;
        m_idLeftClickDown = GetOwnerCellID(m_idLeftClickDown.row, m_idLeftClickDown.col);
        CPoint origin;
        if (!GetCellOrigin(m_idLeftClickDown.row, m_idLeftClickDown.col, &origin)) return;
        const int row = m_idLeftClickDown.row;
        const int minimum = m_bRowsMayVanish ? 0 : 1;
        const int others = GetMergedRowHeight(row, m_idLeftClickDown.col) - GetRowHeight(row);
        const int height = std::max(std::max(point.y - origin.y, minimum) - std::max(others, 0), minimum);
        if (row >= 0 && row < m_nRowCount) SetRowHeight(row, height);
        ResetScrollBars();
        Invalidate();
        break;
    }
    default:
        if (!IsValidCell(m_idLeftClickDown)) break;
        SendMessageToParent(m_idFocus.row, m_idFocus.col, int(GRIDN_SELCHANGED));
        if (CGridCellBase* cell = GetCell(m_idFocus.row, m_idFocus.col)) cell->OnClick(relative);
        SendMessageToParent(m_idLeftClickDown.row, m_idLeftClickDown.col, int(NM_CLICK));
        break;
    }

    m_nMouseMode = kNothing;
    SetCursor(IDC_ARROW);
    if (IsValidCell(m_idLeftClickDown)) {
        if (CWnd* target = GetNotifyTarget())
            target->PostMessage(WM_COMMAND, MAKEWPARAM(WORD(GetDlgCtrlID()), 0), reinterpret_cast<LPARAM>(GetSafeHwnd()));
    }
}

void CGridCtrl::OnLButtonDblClk(UINT nFlags, CPoint point) {
    const CCellID id = GetCellFromPt(point, TRUE);
    if (!IsValidCell(id)) return;
    // The release of the first click ended every gesture: a pointer still
    // resting on a divider is over it again.
    if (m_nMouseMode == kNothing) {
        if (m_bColumnsResizable && IsOverColumnDivider(point))
            m_nMouseMode = kOverColumnDivide;
        else if (m_bRowsResizable && IsOverRowDivider(point))
            m_nMouseMode = kOverRowDivide;
    }
    const int capture = m_nResizeCaptureRange;
    if (m_nMouseMode == kOverColumnDivide) {
        CPoint start;
        if (!GetCellOrigin(0, id.col, &start)) return;
        int col = id.col;
        if (point.x - start.x < capture) --col;
        while (col >= 0 && GetColumnWidth(col) == 0) --col;
        if (col < 0) return;
        AutoSizeColumn(col, m_nAutoSizeStyle, TRUE);
        Invalidate();
    } else if (m_nMouseMode == kOverRowDivide) {
        CPoint start;
        if (!GetCellOrigin(id.row, 0, &start)) return;
        int row = id.row;
        if (point.y - start.y < capture) --row;
        while (row >= 0 && GetRowHeight(row) == 0) --row;
        if (row < 0) return;
        AutoSizeRow(row);
        Invalidate();
    } else if (m_nMouseMode == kNothing) {
        const CPoint relative = GetCellRelativePoint(id.row, id.col, point);
        CGridCellBase* cell = GetCell(id.row, id.col);
        bool inText = false;
        CRect text;
        if (cell && GetCellRect(id.row, id.col, &text) && cell->GetTextRect(&text)) inText = text.PtInRect(point);
        const bool fixed = id.row < m_nFixedRowCount || id.col < m_nFixedColumnCount;
        if ((!fixed && IsValidCell(m_idLeftClickDown) && inText) || (m_bListMode && !IsValidCell(m_idLeftClickDown)))
            OnEditCell(id.row, id.col, relative, VK_LBUTTON);
        if ((cell = GetCell(id.row, id.col))) cell->OnDblClick(relative);
        SendMessageToParent(id.row, id.col, int(NM_DBLCLK));
    }
    DefWindowProc(WM_LBUTTONDBLCLK, nFlags, MAKELPARAM(WORD(point.x), WORD(point.y)));
}

LRESULT CGridCtrl::OnRButtonUp(UINT nFlags, CPoint point) {
    DefWindowProc(WM_RBUTTONUP, nFlags, MAKELPARAM(WORD(point.x), WORD(point.y)));
    m_bRightButtonDown = FALSE;
    const CCellID id = GetCellFromPt(point, TRUE);
    EndEditing();
    if (!IsValidCell(id)) return SendMessageToParent(-1, -1, int(NM_RCLICK));
    SetFocusCell(-1, -1);
    SetFocusCell(std::max(id.row, m_nFixedRowCount), std::max(id.col, m_nFixedColumnCount));
    if (CGridCellBase* cell = GetCell(id.row, id.col)) cell->OnRClick(GetCellRelativePoint(id.row, id.col, point));
    return SendMessageToParent(id.row, id.col, int(NM_RCLICK));
}

BOOL CGridCtrl::OnMouseWheel(UINT nFlags, short zDelta, CPoint pt) {
    // Signed, and never more scrolls than there are rows to scroll through.
    const long long cap = std::max(m_nRowCount, 1);
    long long count;
    UINT up;
    UINT down;
    if (m_nWheelLines == -1) {
        count = zDelta / WHEEL_DELTA;
        up = SB_PAGEUP;
        down = SB_PAGEDOWN;
    } else {
        count = static_cast<long long>(zDelta) * std::max(m_nWheelLines, 0) / WHEEL_DELTA;
        up = SB_LINEUP;
        down = SB_LINEDOWN;
    }
    count = std::clamp(count, -cap, cap);
    for (long long i = 0; i < count; ++i) PostMessage(WM_VSCROLL, MAKEWPARAM(up, 0), 0);
    for (long long i = 0; i < -count; ++i) PostMessage(WM_VSCROLL, MAKEWPARAM(down, 0), 0);
    return BOOL(DefWindowProc(WM_MOUSEWHEEL, MAKEWPARAM(WORD(nFlags), WORD(zDelta)), MAKELPARAM(WORD(pt.x), WORD(pt.y))));
}

// ---------------------------------------------------------------------------
// Editing

void CGridCtrl::OnEditCell(int nRow, int nCol, CPoint point, UINT ch) {
    if (m_titleTip.GetSafeHwnd()) {
        if (CWnd::GetCapture() == &m_titleTip) ReleaseCapture();
        m_titleTip.Hide();
    }
    if (!IsCellInGrid(nRow, nCol) || !m_bEditable || (GetItemState(nRow, nCol) & CIS_READONLY)) return;
    EnsureVisible(nRow, nCol);
    CRect rect;
    if (!IsCellVisible(nRow, nCol) || !GetCellRect(nRow, nCol, &rect)) return;
    if (SendMessageToParent(nRow, nCol, int(GRIDN_BEGINLABELEDIT)) < 0) return;
    if (CGridCellBase* cell = GetCell(nRow, nCol)) cell->Edit(nRow, nCol, rect, point, kInPlaceEditId, ch);
}

void CGridCtrl::OnEndEditCell(int nRow, int nCol, CString text) {
    CGridCellBase* cell = GetCell(nRow, nCol);
    const CString old = GetItemText(nRow, nCol);
    if (old != text) {
        if (!m_bVirtualMode) {
            SetItemText(nRow, nCol, text.c_str());
            SetModified(nRow, nCol);
        }
        const unsigned overrun = m_nEditsOverrun;
        const bool accepted =
            ValidateEdit(nRow, nCol, text.c_str()) && SendMessageToParent(nRow, nCol, int(GRIDN_ENDLABELEDIT)) >= 0;
        // The owner moved or removed the cell as it heard of the change (which
        // ended the cell's edit): its place names another cell now.
        if (m_nEditsOverrun != overrun) return;
        if (accepted) {
            SetModified(nRow, nCol);
            RepaintCell(nRow, nCol);
        } else if (!m_bVirtualMode) {
            SetItemText(nRow, nCol, old.c_str());
            SetModified(nRow, nCol);
        }
        cell = GetCell(nRow, nCol);
    }
    if (cell) cell->OnEndEdit();
}

void CGridCtrl::OnEndInPlaceEdit(NMHDR* pNotifyStruct, LRESULT* pResult) {
    if (pResult) *pResult = 0;
    if (!GetSafeHwnd() || !pNotifyStruct) return;
    const auto* info = reinterpret_cast<const GridDispInfo*>(pNotifyStruct);
    const CellItem item = info->item;
    OnEndEditCell(item.row, item.col, item.strText);
    const UINT key = UINT(item.lParam);
    // Tab and the moving keys go on to the next cell and edit it at once.
    if (key == VK_TAB || (key >= VK_PRIOR && key <= VK_DOWN)) {
        OnKeyDown(key, 0, 0);
        OnEditCell(m_idFocus.row, m_idFocus.col, CPoint(-1, -1), key);
    }
}
