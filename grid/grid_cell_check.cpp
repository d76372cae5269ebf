#include "grid/grid_cell_check.h"

#include <algorithm>

#include "grid/grid_ctrl_base.h"
#include "platform/base/sysmetrics.h"

IMPLEMENT_DYNCREATE(CGridCellCheck, CGridCell)

namespace {
int BoxSide() { return GetSystemMetrics(SM_CXHSCROLL); }
}  // namespace

CGridCellCheck::CGridCellCheck() = default;

void CGridCellCheck::SetCheck(BOOL check) {
    m_bChecked = check;
    if (!m_Rect.IsRectEmpty() && m_pGrid && m_pGrid->GetSafeHwnd()) m_pGrid->InvalidateRect(&m_Rect, TRUE);
}

CRect CGridCellCheck::GetCheckPlacement() {
    const int n = BoxSide();
    const int m = int(GetMargin());
    CRect place = m_Rect;
    place.OffsetRect(m, m);
    place.right = place.left + n;
    place.bottom = place.top + n;
    if (m_Rect.Height() < n + 2 * m) {
        place.top = m_Rect.top + (m_Rect.Height() - n) / 2;
        place.bottom = place.top + n;
    }
    return place;
}

BOOL CGridCellCheck::Draw(CDC* pDC, int row, int col, CRect rect, BOOL erase) {
    const BOOL result = CGridCell::Draw(pDC, row, col, rect, erase);
    m_Rect = rect;
    if (pDC) {
        CRect box = GetCheckPlacement();
        pDC->DrawFrameControl(&box, DFC_BUTTON, DFCS_BUTTONCHECK | (m_bChecked ? DFCS_CHECKED : 0));
    }
    return result;
}

BOOL CGridCellCheck::GetTextRect(LPRECT rect) {
    const BOOL result = CGridCell::GetTextRect(rect);
    if (rect) {
        const int reserve = BoxSide() + 2 * int(GetMargin());
        rect->left = std::min<LONG>(rect->left + reserve, rect->right);
    }
    return result;
}

CSize CGridCellCheck::GetCellExtent(CDC* pDC) {
    const int reserve = BoxSide() + 2 * int(GetMargin());
    CSize size = CGridCell::GetCellExtent(pDC);
    size.cx += reserve;
    size.cy = std::max<int>(size.cy, reserve);
    return size;
}

void CGridCellCheck::OnClick(CPoint point) {
    point.Offset(m_Rect.left, m_Rect.top);
    if (!m_pGrid) return;
    const CCellID cell = m_pGrid->GetCellFromPt(point, TRUE);
    const CGridCellBase* under = m_pGrid->ReadCell(cell.row, cell.col);
    const bool readOnly = under && under->IsReadOnly();
    if (!m_pGrid->IsEditable() || readOnly || !GetCheckPlacement().PtInRect(point)) return;
    m_bChecked = !m_bChecked;
    if (m_pGrid->GetSafeHwnd()) m_pGrid->InvalidateRect(&m_Rect, TRUE);
}
