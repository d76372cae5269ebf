// A text cell with a check box in front of its text. A click into the box of an
// editable grid toggles it (read-only cells excepted); the owner sets and reads
// the state. The box is a square as wide as a horizontal scroll-bar arrow.
#pragma once

#include "grid/grid_cell.h"

class CGridCellCheck : public CGridCell {
    DECLARE_DYNCREATE(CGridCellCheck)
public:
    CGridCellCheck();

    // Sets the box; repaints the cell when it has been drawn before.
    void SetCheck(BOOL check = TRUE);
    BOOL GetCheck() const { return m_bChecked; }
    // Where the box goes, in the grid's client coordinates.
    CRect GetCheckPlacement();

    BOOL Draw(CDC* pDC, int row, int col, CRect rect, BOOL erase = TRUE) override;
    BOOL GetTextRect(LPRECT rect) override;
    CSize GetCellExtent(CDC* pDC) override;
    void OnClick(CPoint point) override;

protected:
    BOOL m_bChecked = FALSE;
    CRect m_Rect;  // where the cell was last drawn
};
