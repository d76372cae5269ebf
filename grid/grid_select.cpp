// The grid window: notifications to the owner, the focus cell and the selection.
#include <algorithm>
#include <memory>

#include "grid/grid_ctrl.h"
#include "platform/window/window_dc.h"

// ---------------------------------------------------------------------------
// Notifications

LRESULT CGridCtrl::SendMessageToParent(int nRow, int nCol, int code) const {
    if (!GetSafeHwnd()) return 0;
    GridNotifyInfo info;
    info.hdr.hwndFrom = GetSafeHwnd();
    info.hdr.idFrom = UINT_PTR(GetDlgCtrlID());
    info.hdr.code = UINT(code);
    info.iRow = nRow;
    info.iColumn = nCol;
    CWnd* target = GetNotifyTarget();
    if (!target || !IsWindow(target->GetSafeHwnd())) return 0;
    return target->SendMessage(WM_NOTIFY, WPARAM(GetDlgCtrlID()), reinterpret_cast<LPARAM>(&info));
}

LRESULT CGridCtrl::SendCacheHintToParent(const CellRange& range) const {
    if (!GetSafeHwnd()) return 0;
    GridCacheHint hint;
    hint.hdr.hwndFrom = GetSafeHwnd();
    hint.hdr.idFrom = UINT_PTR(GetDlgCtrlID());
    hint.hdr.code = GRIDN_ODCACHEHINT;
    hint.range = range;
    CWnd* target = GetNotifyTarget();
    if (!target || !IsWindow(target->GetSafeHwnd())) return 0;
    return target->SendMessage(WM_NOTIFY, WPARAM(GetDlgCtrlID()), reinterpret_cast<LPARAM>(&hint));
}

// ---------------------------------------------------------------------------
// Focus

CCellID CGridCtrl::SetFocusCell(CCellID cell) {
    if (cell == m_idFocus) return m_idFocus;
    const CCellID old = m_idFocus;
    if (cell.row != -1) cell.row = std::max(cell.row, m_nFixedRowCount);
    if (cell.col != -1) cell.col = std::max(cell.col, m_nFixedColumnCount);
    m_idFocus = cell;

    // A cell gains or loses the focus bit and is redrawn, with the headers of its
    // row and column when those change.
    auto mark = [this](const CCellID& at, const CCellID& other, bool focused) {
        if (!IsCellInGrid(at)) return;
        const UINT state = GetItemState(at.row, at.col);
        SetItemState(at.row, at.col, focused ? (state | CIS_FOCUSED) : (state & ~CIS_FOCUSED));
        RepaintCell(at.row, at.col);
        if (!m_bFocusColumnHeaders) return;
        if (at.col != other.col)
            for (int row = 0; row < m_nFixedRowCount; ++row) RepaintCell(row, at.col);
        if (at.row != other.row)
            for (int col = 0; col < m_nFixedColumnCount; ++col) RepaintCell(at.row, col);
    };
    mark(old, cell, false);
    mark(cell, old, true);
    return old;
}


// ---------------------------------------------------------------------------
// Selection

BOOL CGridCtrl::IsCellSelected(int nRow, int nCol) const {
    if (!m_bSelectionEnabled) return FALSE;
    if (m_bVirtualMode) return m_mapSelected.count(CellKey(nRow, nCol)) > 0;
    return (GetItemState(nRow, nCol) & CIS_SELECTED) != 0;
}

void CGridCtrl::SetSelectedRange(int minRow, int minCol, int maxRow, int maxCol, BOOL forceRepaint,
                                 BOOL selectCells) {
    if (!m_bSelectionEnabled) return;
    CWaitCursor wait;
    std::unique_ptr<CClientDC> dc;
    if (forceRepaint && GetSafeHwnd()) {
        dc = std::make_unique<CClientDC>(this);
        if (!dc->GetSafeHdc()) dc.reset();
    }

    // What is on screen: the visible scrolling cells, and the visible rows by the
    // fixed columns.
    CellRange visible, visibleFixed;
    if (GetSafeHwnd()) {
        visible = GetVisibleScrollRange();
        CRect client;
        GetClientRect(&client);
        const CCellID topLeft = GetTopLeftScrollCell();
        long long bottom = GetFixedRowHeight();
        int lastRow = topLeft.row;
        for (int row = topLeft.row; row < m_nRowCount && bottom < client.bottom; ++row) {
            lastRow = row;
            bottom += std::max(GetRowHeight(row), 0);
        }
        long long right = 0;
        int lastCol = 0;
        for (int col = 0; col < m_nFixedColumnCount && right < client.right; ++col) {
            lastCol = col;
            right += std::max(GetColumnWidth(col), 0);
        }
        visibleFixed = CellRange(topLeft.row, 0, std::min(lastRow, m_nRowCount - 1),
                                 std::min(lastCol, m_nColumnCount - 1));
    }
    auto inRange = [](const CellRange& r, int row, int col) {
        return r.IsValid() && r.Holds(row, col);
    };
    auto onScreen = [&](int row, int col) { return inRange(visible, row, col) || inRange(visibleFixed, row, col); };
    auto redraw = [&](int row, int col) {
        if (dc) RepaintCell(row, col, dc.get());
        else InvalidateCellRect(row, col);
    };

    if (minRow >= 0 && minRow < m_nFixedRowCount) minRow = m_nFixedRowCount;
    if (maxRow >= 0 && maxRow < m_nFixedRowCount) maxRow = m_nFixedRowCount;
    if (!m_bFixedColumnsSelectable) {
        if (minCol >= 0 && minCol < m_nFixedColumnCount) minCol = m_nFixedColumnCount;
        if (maxCol >= 0 && maxCol < m_nFixedColumnCount) maxCol = m_nFixedColumnCount;
    }
    const CellRange request(minRow, minCol, maxRow, maxCol);
    const bool allBounds = minRow >= 0 && minCol >= 0 && maxRow >= 0 && maxCol >= 0;

    if (selectCells) {
        // The owner may change the selection while cells redraw: the map is
        // taken out first and what it held is walked.
        CellMap old;
        old.swap(m_mapSelected);
        for (const auto& [key, cell] : old) {
            if (!IsCellInGrid(cell)) continue;
            StoreState(cell.row, cell.col, GetItemState(cell.row, cell.col) & ~CIS_SELECTED);
            if (!inRange(request, cell.row, cell.col) && onScreen(cell.row, cell.col)) redraw(cell.row, cell.col);
        }
        old.clear();
        if (!(m_bListMode && m_bSingleRowSelection) && allBounds) {
            // The earlier selection comes back as it was held, blocks and all.
            CellMap previous = m_mapPrevSelected;
            previous.ClipTo(m_nRowCount, m_nColumnCount);
            for (const auto& [key, cell] : previous) {
                StoreState(cell.row, cell.col, GetItemState(cell.row, cell.col) | CIS_SELECTED);
                if (onScreen(cell.row, cell.col)) redraw(cell.row, cell.col);
            }
            previous.swap(old);
            // Whatever the owner selected meanwhile stays selected too.
            for (const auto& [key, cell] : m_mapSelected) old.insert(key, cell);
            old.swap(m_mapSelected);
        }
    }

    if (allBounds && maxRow < m_nRowCount && maxCol < m_nColumnCount && minRow <= maxRow && minCol <= maxCol) {
        // The map takes the range as a block; the cells' bits follow.
        if (selectCells) m_mapSelected.AddRange(request);
        else m_mapSelected.RemoveRange(request);
        if (m_bVirtualMode) {
            // Virtual cells have no state of their own: the map is it, and
            // only what is on screen is drawn again.
            for (const CellRange& shown : {visible, visibleFixed}) {
                if (!shown.IsValid()) continue;
                for (int row = std::max(minRow, shown.minRow); row <= std::min(maxRow, shown.maxRow); ++row)
                    for (int col = std::max(minCol, shown.minCol); col <= std::min(maxCol, shown.maxCol); ++col)
                        redraw(row, col);
            }
        } else {
            for (int row = minRow; row <= maxRow; ++row)
                for (int col = minCol; col <= maxCol; ++col) {
                    const UINT state = GetItemState(row, col);
                    if (bool(state & CIS_SELECTED) == bool(selectCells)) continue;
                    StoreState(row, col, selectCells ? (state | CIS_SELECTED) : (state & ~CIS_SELECTED));
                    if (onScreen(row, col)) redraw(row, col);
                }
        }
    }
}

void CGridCtrl::SelectAllCells() {
    if (!m_bSelectionEnabled) return;
    SetSelectedRange(m_nFixedRowCount, m_nFixedColumnCount, m_nRowCount - 1, m_nColumnCount - 1, FALSE, TRUE);
}

void CGridCtrl::SelectRows(BOOL forceRepaint, BOOL selectCells, CCellID cell) {
    if (!m_bSelectionEnabled || cell.row < m_nFixedRowCount || !IsCellInGrid(cell)) return;
    const int firstCol = m_bFixedColumnsSelectable ? 0 : m_nFixedColumnCount;
    if (m_bListMode && m_bSingleRowSelection)
        SetSelectedRange(cell.row, firstCol, cell.row, m_nColumnCount - 1, forceRepaint, selectCells);
    else
        SetSelectedRange(std::min(m_idSelectionStart.row, cell.row), firstCol,
                         std::max(m_idSelectionStart.row, cell.row), m_nColumnCount - 1, forceRepaint, selectCells);
}

void CGridCtrl::SelectCells(BOOL forceRepaint, BOOL selectCells, CCellID cell) {
    if (!m_bSelectionEnabled || cell.row < m_nFixedRowCount || cell.col < m_nFixedColumnCount ||
        !IsCellInGrid(cell))
        return;
    SetSelectedRange(std::min(m_idSelectionStart.row, cell.row), std::min(m_idSelectionStart.col, cell.col),
                     std::max(m_idSelectionStart.row, cell.row), std::max(m_idSelectionStart.col, cell.col),
                     forceRepaint, selectCells);
}

void CGridCtrl::OnSelecting(const CCellID& cell) {
    if (!m_bSelectionEnabled) return;
    switch (m_nMouseMode) {
    case 1:
        SelectAllCells();
        break;
    case 2:
        if (cell.col >= m_nFixedColumnCount && IsCellInGrid(cell)) {
            const int first = m_bSingleColumnSelection ? cell.col : std::min(m_idSelectionStart.col, cell.col);
            const int last = m_bSingleColumnSelection ? cell.col : std::max(m_idSelectionStart.col, cell.col);
            SetSelectedRange(m_nFixedRowCount, first, m_nRowCount - 1, last, FALSE, TRUE);
        }
        break;
    case 3:
        SelectRows(FALSE, TRUE, cell);
        break;
    case 4:
        SelectCells(FALSE, TRUE, cell);
        break;
    default:
        break;
    }
}

void CGridCtrl::OnEditSelectAll() {
    SendMessageToParent(m_idLeftClickDown.row, m_idLeftClickDown.col, int(GRIDN_SELCHANGING));
    SelectAllCells();
    SendMessageToParent(m_idFocus.row, m_idFocus.col, int(GRIDN_SELCHANGED));
}
