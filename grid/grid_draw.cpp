// The grid window: painting, cell geometry, fonts, system colours and the cursor.
#include <algorithm>

#include "grid/grid_ctrl.h"
#include "grid/grid_mem_dc.h"
#include "grid/grid_sums.h"
#include "platform/window/window_dc.h"

using grid_sums::Clamp;

// ---------------------------------------------------------------------------
// Painting

void CGridCtrl::OnPaint() {
    CPaintDC dc(this);
    if (m_bDoubleBuffer) {
        CaMemDC memDC(&dc);
        OnDraw(&memDC);
    } else {
        OnDraw(&dc);
    }
}

void CGridCtrl::OnDraw(CDC* pDC) {
    if (!m_bRedrawEnabled || !pDC) return;
    CRect clip;
    if (pDC->GetClipBox(&clip) == ERROR) return;

    EraseBackground(pDC);

    const int fixedRowHeight = GetFixedRowHeight();
    const int fixedColWidth = GetFixedColumnWidth();
    const CCellID topLeft = GetTopLeftScrollCell();
    CRect visRect;
    const CellRange range = GetVisibleScrollRange(&visRect);
    if (m_bVirtualMode) SendCacheHintToParent(range);

    CPen pen;
    pen.CreatePen(PS_SOLID, 0, m_crGridLines);
    CPen* oldPen = pDC->SelectObject(&pen);
    const bool vertical = m_nGridLineMode == kGridLinesVertical || m_nGridLineMode == kGridLinesBoth;
    const bool horizontal = m_nGridLineMode == kGridLinesHorizontal || m_nGridLineMode == kGridLinesBoth;

    // Grid lines, on the last pixel of each visible row and column.
    long long x = fixedColWidth;
    for (int col = topLeft.col; col <= range.maxCol; ++col) {
        const int width = GetColumnWidth(col);
        if (width <= 0) continue;
        x += width;
        if (vertical) {
            pDC->MoveTo(Clamp(x - 1), fixedRowHeight);
            pDC->LineTo(Clamp(x - 1), visRect.bottom);
        }
    }
    long long y = fixedRowHeight;
    for (int row = topLeft.row; row <= range.maxRow; ++row) {
        const int height = GetRowHeight(row);
        if (height <= 0) continue;
        y += height;
        if (horizontal) {
            pDC->MoveTo(fixedColWidth, Clamp(y - 1));
            pDC->LineTo(visRect.right, Clamp(y - 1));
        }
    }

    // Cells: one pass over a block of rows and columns, skipping what lies
    // outside the clip box.
    auto pass = [&](int row0, int row1, long long top0, int col0, int col1, long long left0, bool clipped) {
        long long top = top0;
        for (int row = row0; row <= row1; ++row) {
            const int height = GetRowHeight(row);
            if (height <= 0) continue;
            const long long rowTop = top;
            const long long rowBottom = top + height - 1;
            top = rowBottom + 1;
            if (clipped && rowTop > clip.bottom) break;
            if (clipped && rowBottom < clip.top) continue;
            long long left = left0;
            for (int col = col0; col <= col1; ++col) {
                const int width = GetColumnWidth(col);
                if (width <= 0) continue;
                const long long colLeft = left;
                const long long colRight = left + width - 1;
                left = colRight + 1;
                if (clipped && colLeft > clip.right) break;
                if (clipped && colRight < clip.left) continue;
                DrawCell(pDC, CRect(Clamp(colLeft), Clamp(rowTop), Clamp(colRight), Clamp(rowBottom)), row, col);
            }
        }
    };
    pass(topLeft.row, range.maxRow, fixedRowHeight, topLeft.col, range.maxCol, fixedColWidth, true);
    pass(topLeft.row, range.maxRow, fixedRowHeight, 0, m_nFixedColumnCount - 1, 0, true);
    pass(0, m_nFixedRowCount - 1, 0, topLeft.col, range.maxCol, fixedColWidth, true);
    pass(0, m_nFixedRowCount - 1, 0, 0, m_nFixedColumnCount - 1, 0, false);

    // The outer border lines at the top and left.
    if (vertical) {
        const long long bottom = fixedRowHeight + RowSpan(topLeft.row, range.maxRow + 1);
        pDC->MoveTo(0, 0);
        pDC->LineTo(0, Clamp(bottom - 1));
    }
    if (horizontal) {
        const long long right = fixedColWidth + ColumnSpan(topLeft.col, range.maxCol + 1);
        pDC->MoveTo(0, 0);
        pDC->LineTo(Clamp(right - 1), 0);
    }
    pDC->SelectObject(oldPen);
    pDC->SelectStockObject(NULL_PEN);
    pen.DeleteObject();

    if (m_bVirtualMode) SendCacheHintToParent(CellRange(-1, -1, -1, -1));
}

void CGridCtrl::EraseBackground(CDC* pDC) {
    CRect clip;
    if (!pDC || pDC->GetClipBox(&clip) == ERROR) return;
    CBrush fixedBrush(m_cellFixedDefault.GetBackClr());
    CBrush fixedRowBrush(m_cellFixedRowDefault.GetBackClr());
    CBrush fixedColBrush(m_cellFixedColumnDefault.GetBackClr());
    CBrush cellBrush(m_cellDefault.GetBackClr());
    CBrush outsideBrush(m_crOutsideBack);

    CRect visRect;
    GetVisibleScrollRange(&visRect);
    const int fw = GetFixedColumnWidth();
    const int fh = GetFixedRowHeight();

    if (clip.left < fw && clip.top < fh) {
        const CRect r(clip.left, clip.top, fw, fh);
        pDC->FillRect(&r, &fixedBrush);
    }
    if (clip.left < fw && clip.top < visRect.bottom) {
        const CRect r(clip.left, clip.top, fw, visRect.bottom);
        pDC->FillRect(&r, &fixedColBrush);
    }
    if (clip.top < fh && clip.right > fw && clip.left < visRect.right) {
        const CRect r(fw - 1, clip.top, visRect.right, fh);
        pDC->FillRect(&r, &fixedRowBrush);
    }
    CRect cells;
    if (cells.IntersectRect(visRect, clip)) {
        cells.left = std::max<LONG>(cells.left, fw);
        cells.top = std::max<LONG>(cells.top, fh);
        pDC->FillRect(&cells, &cellBrush);
    }
    if (visRect.right < clip.right) {
        const CRect r(visRect.right, clip.top, clip.right, clip.bottom);
        pDC->FillRect(&r, &outsideBrush);
    }
    if (visRect.bottom < clip.bottom && clip.left < visRect.right) {
        const CRect r(clip.left, visRect.bottom, visRect.right, clip.bottom);
        pDC->FillRect(&r, &outsideBrush);
    }
}

void CGridCtrl::DrawCell(CDC* pDC, CRect rect, int nRow, int nCol) {
    CGridCellBase* cell = ReadCell(nRow, nCol);
    if (!cell) return;
    // A merged block is drawn whole by its owner; where it reaches under the
    // fixed rows or columns (scrolled partly away) it is cut at their edge, so
    // the headers, which draw without erasing, keep their faces.
    auto drawBlock = [&](CGridCellBase* owner, const CCellID& at, const CRect& area) {
        owner->SetEdgeStyle(m_bCellEdgeFlag, m_crGridLines);
        owner->SetCoords(at.row, at.col);
        const int top = at.row >= m_nFixedRowCount ? GetFixedRowHeight() : 0;
        const int left = at.col >= m_nFixedColumnCount ? GetFixedColumnWidth() : 0;
        if (area.top >= top && area.left >= left) {
            owner->Draw(pDC, at.row, at.col, area, TRUE);
            return;
        }
        CRect client;
        GetClientRect(&client);
        const int saved = pDC->SaveDC();
        pDC->IntersectClipRect(left, top, std::max<int>(left, client.right), std::max<int>(top, client.bottom));
        owner->Draw(pDC, at.row, at.col, area, TRUE);
        pDC->RestoreDC(saved);
    };
    const CellRange merge = cell->GetMergeRange();
    if (merge.Count() > 1) {
        CRect area;
        if (GetCellRangeRect(&merge, &area)) drawBlock(cell, CCellID(nRow, nCol), area);
        return;
    }
    if (!cell->IsCovered()) {
        cell->SetEdgeStyle(m_bCellEdgeFlag, m_crGridLines);
        cell->SetCoords(nRow, nCol);
        cell->Draw(pDC, nRow, nCol, rect, FALSE);
        return;
    }
    const CCellID owner = cell->GetMergeOwner();
    CGridCellBase* ownerCell = ReadCell(owner.row, owner.col);
    if (!ownerCell) return;
    const CellRange ownerRange = ownerCell->GetMergeRange();
    CRect area;
    if (GetCellRangeRect(&ownerRange, &area)) drawBlock(ownerCell, owner, area);
}

BOOL CGridCtrl::RepaintCell(int nRow, int nCol, CDC* pDC) {
    CRect rect;
    if (!m_bRedrawEnabled || !IsCellVisible(nRow, nCol) || !GetCellRect(nRow, nCol, &rect)) return FALSE;
    std::unique_ptr<CClientDC> own;
    if (!pDC) {
        own = std::make_unique<CClientDC>(this);
        if (!own->GetSafeHdc()) {
            rect.right += 1;
            rect.bottom += 1;
            InvalidateRect(&rect, TRUE);
            return TRUE;
        }
        pDC = own.get();
    }
    CGridCellBase* cell = ReadCell(nRow, nCol);
    if (!cell) return TRUE;
    cell->SetEdgeStyle(m_bCellEdgeFlag, m_crGridLines);
    cell->SetCoords(nRow, nCol);
    const BOOL drawn = cell->Draw(pDC, nRow, nCol, rect, TRUE);
    if (nRow >= m_nFixedRowCount && nCol >= m_nFixedColumnCount) {
        CPen pen(PS_SOLID, 0, m_crGridLines);
        CPen* old = pDC->SelectObject(&pen);
        if (m_nGridLineMode == kGridLinesHorizontal || m_nGridLineMode == kGridLinesBoth) {
            pDC->MoveTo(rect.left, rect.bottom);
            pDC->LineTo(rect.right + 1, rect.bottom);
        }
        if (m_nGridLineMode == kGridLinesVertical || m_nGridLineMode == kGridLinesBoth) {
            pDC->MoveTo(rect.right, rect.top);
            pDC->LineTo(rect.right, rect.bottom + 1);
        }
        pDC->SelectObject(old);
    }
    return drawn;
}

BOOL CGridCtrl::InvalidateCellRect(int nRow, int nCol) {
    CRect rect;
    if (!GetSafeHwnd() || !m_bRedrawEnabled || !IsCellInGrid(nRow, nCol) || !IsCellVisible(nRow, nCol) ||
        !GetCellRect(nRow, nCol, &rect))
        return FALSE;
    rect.right += 1;
    rect.bottom += 1;
    InvalidateRect(&rect, TRUE);
    return TRUE;
}

// ---------------------------------------------------------------------------
// Geometry

BOOL CGridCtrl::IsCellInGrid(const CCellID& cell) const {
    return cell.row >= 0 && cell.row < m_nRowCount && cell.col >= 0 && cell.col < m_nColumnCount;
}

BOOL CGridCtrl::IsCellVisible(int nRow, int nCol) {
    if (!GetSafeHwnd()) return FALSE;
    const CCellID topLeft = GetTopLeftScrollCell();
    if ((nCol >= m_nFixedColumnCount && nCol < topLeft.col) || (nRow >= m_nFixedRowCount && nRow < topLeft.row))
        return FALSE;
    // Sizes are never negative: the cell shows when it starts inside the client.
    long long x = 0, y = 0;
    if (!CellOrigin(nRow, nCol, &x, &y)) return FALSE;
    CRect client;
    GetClientRect(&client);
    return x < client.right && y < client.bottom;
}

bool CGridCtrl::CellOrigin(int nRow, int nCol, long long* x, long long* y) {
    if (!IsCellInGrid(nRow, nCol)) return false;
    CCellID topLeft;
    if (nRow >= m_nFixedRowCount || nCol >= m_nFixedColumnCount) topLeft = GetTopLeftScrollCell();
    // Fixed columns from 0; others from the first scrolled column, before it negative.
    if (nCol < m_nFixedColumnCount) *x = ColumnSpan(0, nCol);
    else if (nCol >= topLeft.col) *x = GetFixedColumnWidth() + ColumnSpan(topLeft.col, nCol);
    else *x = GetFixedColumnWidth() - ColumnSpan(nCol, topLeft.col);
    if (nRow < m_nFixedRowCount) *y = RowSpan(0, nRow);
    else if (nRow >= topLeft.row) *y = GetFixedRowHeight() + RowSpan(topLeft.row, nRow);
    else *y = GetFixedRowHeight() - RowSpan(nRow, topLeft.row);
    return true;
}

BOOL CGridCtrl::GetCellOrigin(int nRow, int nCol, LPPOINT p) {
    long long x = 0, y = 0;
    if (!p || !CellOrigin(nRow, nCol, &x, &y)) return FALSE;
    p->x = Clamp(x);
    p->y = Clamp(y);
    return TRUE;
}

BOOL CGridCtrl::GetCellRect(int nRow, int nCol, LPRECT pRect) {
    CPoint origin;
    if (!pRect || !GetCellOrigin(nRow, nCol, &origin)) return FALSE;
    if (CGridCellBase* cell = ReadCell(nRow, nCol); cell && cell->GetMergeRange().Count() > 1) {
        const CellRange range = cell->GetMergeRange();
        return GetCellRangeRect(&range, pRect);
    }
    pRect->left = origin.x;
    pRect->top = origin.y;
    pRect->right = Clamp(static_cast<long long>(origin.x) + GetColumnWidth(nCol) - 1);
    pRect->bottom = Clamp(static_cast<long long>(origin.y) + GetRowHeight(nRow) - 1);
    return TRUE;
}

BOOL CGridCtrl::GetCellRangeRect(const CellRange* range, LPRECT pRect) {
    CPoint first, last;
    if (!range || !pRect || !GetCellOrigin(range->minRow, range->minCol, &first) ||
        !GetCellOrigin(range->maxRow, range->maxCol, &last))
        return FALSE;
    pRect->left = first.x;
    pRect->top = first.y;
    pRect->right = Clamp(static_cast<long long>(last.x) + GetColumnWidth(range->maxCol) - 1);
    pRect->bottom = Clamp(static_cast<long long>(last.y) + GetRowHeight(range->maxRow) - 1);
    return TRUE;
}

CCellID CGridCtrl::GetCellFromPt(CPoint pt, BOOL bAllowFixed) {
    CCellID result;
    const CCellID topLeft = GetTopLeftScrollCell();
    if (!bAllowFixed && !IsCellInGrid(topLeft)) return result;

    // One axis: the fixed part from 0, the scrolling part from the top-left cell.
    auto find = [&](int p, int fixedCount, int fixedSize, int first, int count, auto size) {
        if (p < 0) return -1;
        if (p < fixedSize) {
            if (!bAllowFixed) return -1;
            long long sum = 0;
            for (int i = 0; i < fixedCount; ++i) {
                sum += std::max(size(i), 0);
                if (sum > p) return i;
            }
            return fixedCount;
        }
        long long sum = fixedSize;
        for (int i = first; i < count; ++i) {
            sum += std::max(size(i), 0);
            if (sum > p) return i;
        }
        return -1;
    };
    const int col = find(pt.x, m_nFixedColumnCount, GetFixedColumnWidth(), topLeft.col, m_nColumnCount,
                         [this](int i) { return GetColumnWidth(i); });
    const int row = find(pt.y, m_nFixedRowCount, GetFixedRowHeight(), topLeft.row, m_nRowCount,
                         [this](int i) { return GetRowHeight(i); });
    if (col < 0 || row < 0) return result;
    result = CCellID(row, col);
    if (CGridCellBase* cell = ReadCell(row, col); cell && cell->IsCovered()) result = cell->GetMergeOwner();
    return result;
}

CCellID CGridCtrl::GetTopLeftScrollCell() {
    if (m_idTopLeftCache.row >= 0 && m_idTopLeftCache.col >= 0) return m_idTopLeftCache;
    const int vpos = GetScrollPos(SB_VERT);
    const int hpos = GetScrollPos(SB_HORZ);
    int col = m_nFixedColumnCount;
    long long x = 0;
    while (x < hpos && col < m_nColumnCount - 1) x += std::max(GetColumnWidth(col++), 0);
    // The first row from the fixed ones whose running height sum reaches the
    // position, at most the last row: a search in the row sums.
    int row = m_nFixedRowCount;
    if (vpos > 0 && row < m_nRowCount - 1) {
        const long long reached = m_arRowHeights.LowerBound(RowSpan(0, m_nFixedRowCount) + vpos);
        row = int(std::clamp<long long>(reached, m_nFixedRowCount, m_nRowCount - 1));
    }
    m_idTopLeftCache = CCellID(row, col);
    KeepTopRow(row, RowSpan(m_nFixedRowCount, row));
    return m_idTopLeftCache;
}

void CGridCtrl::KeepTopRow(int row, long long start) {
    m_idTopLeftCache.row = row;
    m_nTopRowKept = row;
    m_nTopRowStart = start;
}

CellRange CGridCtrl::GetVisibleScrollRange(LPRECT pRect) {
    CRect client;
    GetClientRect(&client);
    const CCellID topLeft = GetTopLeftScrollCell();

    // From the fixed part over the scrolled rows (columns) until the client edge
    // is reached: the last one reached and where the visible part ends.
    auto last = [](long long end, int first, int count, long long limit, auto size) {
        int i = first;
        for (; i < count; ++i) {
            end += std::max(size(i), 0);
            if (end >= limit) {
                end = limit;
                break;
            }
        }
        return std::pair<int, long long>(std::min(i, count - 1), end);
    };
    const auto [maxRow, bottom] = last(GetFixedRowHeight(), topLeft.row, m_nRowCount, client.bottom,
                                       [this](int i) { return GetRowHeight(i); });
    const auto [maxCol, right] = last(GetFixedColumnWidth(), topLeft.col, m_nColumnCount, client.right,
                                      [this](int i) { return GetColumnWidth(i); });
    if (pRect) *pRect = RECT{0, 0, Clamp(right), Clamp(bottom)};
    return CellRange(topLeft.row, topLeft.col, maxRow, maxCol);
}

BOOL CGridCtrl::IsOverRowDivider(CPoint pt) {
    if (pt.x >= GetFixedColumnWidth()) return FALSE;
    const CCellID cell = GetCellFromPt(pt);
    CPoint origin;
    if (!GetCellOrigin(cell.row, cell.col, &origin)) return FALSE;
    if (pt.y - origin.y < m_nResizeCaptureRange && cell.row != 0) return TRUE;
    return origin.y + GetMergedRowHeight(cell.row, cell.col) - pt.y < m_nResizeCaptureRange;
}

BOOL CGridCtrl::IsOverColumnDivider(CPoint pt) {
    if (pt.y >= GetFixedRowHeight()) return FALSE;
    const CCellID cell = GetCellFromPt(pt);
    CPoint origin;
    if (!GetCellOrigin(cell.row, cell.col, &origin)) return FALSE;
    if (pt.x - origin.x < m_nResizeCaptureRange && cell.col != 0) return TRUE;
    return origin.x + GetMergedColumnWidth(cell.row, cell.col) - pt.x < m_nResizeCaptureRange;
}

CellRange CGridCtrl::GetSelectionBounds() const {
    CellRange bounds(m_nRowCount, m_nColumnCount, -1, -1);
    m_mapSelected.Bounds(&bounds);
    return bounds;
}

void CGridCtrl::ResetSelectedRange() {
    m_mapPrevSelected.clear();
    SetSelectedRange(-1, -1, -1, -1);
    SetFocusCell(-1, -1);
}

// ---------------------------------------------------------------------------
// Fonts, system colours, cursor

LRESULT CGridCtrl::OnSetFont(WPARAM hFont, LPARAM lParam) {
    const LRESULT result = DefWindowProc(WM_SETFONT, hFont, lParam);
    LOGFONTW font;
    if (hFont && GetObjectW(reinterpret_cast<HGDIOBJ>(hFont), sizeof(LOGFONTW), &font) == int(sizeof(LOGFONTW))) {
        m_cellDefault.SetFont(&font);
        m_cellFixedColumnDefault.SetFont(&font);
        m_cellFixedRowDefault.SetFont(&font);
        m_cellFixedDefault.SetFont(&font);
        InvalidateAll();
    }
    return result;
}

LRESULT CGridCtrl::OnGetFont() {
    CFont* font = m_cellDefault.GetFontObject();
    return font && font->GetSafeHandle() ? reinterpret_cast<LRESULT>(static_cast<HFONT>(*font)) : 0;
}

void CGridCtrl::OnSysColorChange() {
    DefWindowProc(WM_SYSCOLORCHANGE, 0, 0);
    CGridDefaultCell* cells[] = {&m_cellDefault, &m_cellFixedRowDefault, &m_cellFixedColumnDefault,
                                 &m_cellFixedDefault};
    for (CGridDefaultCell* cell : cells) {
        if (cell->GetTextClr() == m_crSysWindowText) cell->SetTextClr(GetSysColor(COLOR_WINDOWTEXT));
        if (cell->GetBackClr() == m_crSysWindow) cell->SetBackClr(GetSysColor(COLOR_WINDOW));
    }
    if (m_crOutsideBack == m_crSysShadow) m_crOutsideBack = GetSysColor(COLOR_BTNSHADOW);
    m_crSysWindowText = GetSysColor(COLOR_WINDOWTEXT);
    m_crSysWindow = GetSysColor(COLOR_WINDOW);
    m_crSys3DFace = GetSysColor(COLOR_3DFACE);
    m_crSysShadow = GetSysColor(COLOR_BTNSHADOW);
}

BOOL CGridCtrl::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
    if (nHitTest != UINT(HTCLIENT))
        return BOOL(DefWindowProc(WM_SETCURSOR, WPARAM(pWnd ? pWnd->GetSafeHwnd() : nullptr),
                                  MAKELPARAM(WORD(nHitTest), WORD(message))));
    LPCWSTR id = IDC_ARROW;
    switch (m_nMouseMode) {
    case 6: id = IDC_SIZENS; break;
    case 8: id = IDC_SIZEWE; break;
    case 12: return TRUE;
    default:
        if (!m_bVirtualMode) {
            const DWORD pos = GetMessagePos();
            POINT pt{short(LOWORD(pos)), short(HIWORD(pos))};
            ScreenToClient(&pt);
            const CCellID id2 = GetCellFromPt(CPoint(pt), TRUE);
            if (IsCellInGrid(id2))
                if (CGridCellBase* cell = ReadCell(id2.row, id2.col)) return cell->OnSetCursor();
        }
        break;
    }
    SetCursor(LoadCursorW(nullptr, id));
    return TRUE;
}
