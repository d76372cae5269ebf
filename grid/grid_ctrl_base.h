// The part of the grid window that its cells and helper windows read: the
// counts, the four default cells, the image list, the drawing flags, the focus
// cell, the sort column, the cell storage and the virtual-mode source, and the
// cell lookup (GetCell) over them. The grid window (CGridCtrl) derives from it
// and adds rows, columns, drawing, selection and input; the fields keep the
// grid's names and defaults, and the grid's owner writes the option fields
// directly.
//
// Two questions only the full grid can answer are left to it: whether a cell is
// selected, and which cell lies under a point.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <unordered_map>
#include <vector>

#include "grid/cell_id.h"
#include "grid/grid_cell.h"
#include "grid/grid_row.h"
#include "grid/grid_sums.h"
#include "platform/ole/droptarget.h"
#include "platform/gdi/imagelist.h"
#include "platform/base/object.h"
#include "platform/window/wnd.h"

// Virtual mode: which data row each display row shows. It reads as a vector of
// ints; whoever changes it through anything but the grid's own renumbering
// (Renumber) makes it an arbitrary order again. While it is known to be 0, 1,
// 2, ... a renumbering only adds or drops entries at its end, so rows added
// one at a time cost the same however many there are.
class RowOrder {
public:
    using value_type = int;
    using const_iterator = std::vector<int>::const_iterator;
    using iterator = const_iterator;

    RowOrder() = default;
    RowOrder& operator=(std::initializer_list<int> order) {
        m_order = order;
        m_identity = false;
        return *this;
    }

    operator const std::vector<int>&() const { return m_order; }
    size_t size() const { return m_order.size(); }
    bool empty() const { return m_order.empty(); }
    int operator[](size_t i) const { return m_order[i]; }
    const_iterator begin() const { return m_order.begin(); }
    const_iterator end() const { return m_order.end(); }
    friend bool operator==(const RowOrder& a, const std::vector<int>& b) { return a.m_order == b; }

    // The entries to be changed at will: the order is arbitrary from now on.
    std::vector<int>& Edit() {
        m_identity = false;
        return m_order;
    }
    // 0, 1, 2, ... n - 1; throws std::bad_alloc and then leaves the order as
    // it was. An order known to be that already only grows or shrinks at its end.
    void Renumber(size_t n) {
        if (n > m_order.size()) grid_sums::Reserve(m_order, n);
        const size_t kept = m_identity ? std::min(n, m_order.size()) : 0;
        m_order.resize(n);
        for (size_t i = kept; i < n; ++i) m_order[i] = int(i);
        m_identity = true;
    }
    // Whether the order is known to be 0, 1, 2, ...: no display row shows another row's data.
    bool IsIdentity() const { return m_identity; }
    void clear() {
        m_order.clear();
        m_identity = true;
    }

private:
    std::vector<int> m_order;
    bool m_identity = true;  // empty, or made by Renumber and not changed since
};

// Virtual mode: fills `info`'s item for the cell it names; `param` is the grid's
// m_lFillParam.
using GRIDCALLBACK = BOOL (*)(GridDispInfo* info, LPARAM param);
// One row of the grid: a cell slot per column, in storage order (grid_row.h).
using GRID_ROW = GridRow;

class CGridCtrlBase : public CWnd {
public:
    CGridCtrlBase();
    ~CGridCtrlBase() override;

    // The cell at (row, col), to be read or changed: null outside the counts or
    // where no cell is stored. An untouched cell is given its object here (null
    // when that cannot be allocated; the cell stays as it was). In virtual mode
    // the owner fills one shared cell object and that is returned; it is valid
    // until the next lookup.
    CGridCellBase* GetCell(int row, int col) const;
    // The same cell for reading only: an untouched cell is read through a
    // stand-in object that the grid keeps for every untouched cell of the same
    // format and state, so reading makes no cell objects. Nothing may be
    // written through a stand-in.
    CGridCellBase* ReadCell(int row, int col) const;
    // The slot that holds (row, col), or null outside the counts, in virtual
    // mode and where no row is stored.
    CellSlot* SlotAt(int row, int col) const;
    // The default cell for a cell in a fixed row and/or a fixed column.
    CGridDefaultCell* GetDefaultCell(BOOL fixedRow, BOOL fixedCol) const;

    BOOL IsEditable() const { return m_bEditable; }
    CImageList* GetImageList() const { return m_pImageList; }
    int GetGridLines() const { return m_nGridLineMode; }
    CCellID GetFocusCell() const { return m_idFocus; }
    int GetSortColumn() const { return m_nSortColumn; }
    BOOL GetSortAscending() const { return m_bSortAscending; }
    int GetRowCount() const { return m_nRowCount; }
    int GetColumnCount() const { return m_nColumnCount; }
    int GetFixedRowCount() const { return m_nFixedRowCount; }
    int GetFixedColumnCount() const { return m_nFixedColumnCount; }

    // Whether (row, col) is part of the selection.
    virtual BOOL IsCellSelected(int row, int col) const = 0;
    // The cell under a client point, (-1, -1) when none; fixed cells are found
    // only with `allowFixed`.
    virtual CCellID GetCellFromPt(CPoint point, BOOL allowFixed = TRUE) = 0;

    // Drags over the grid's window, passed on by its drop target (point in
    // client coordinates). Until the grid takes drops, nothing is accepted.
    virtual DROPEFFECT OnDragEnter(COleDataObject* data, DWORD keyState, CPoint point);
    virtual DROPEFFECT OnDragOver(COleDataObject* data, DWORD keyState, CPoint point);
    virtual void OnDragLeave();
    virtual BOOL OnDrop(COleDataObject* data, DROPEFFECT dropEffect, CPoint point);

    // ---- fields ----
    BOOL m_bCellEdgeFlag = TRUE;
    COLORREF m_crGridLines = RGB(0xC0, 0xC0, 0xC0);
    COLORREF m_crSysWindowText;
    COLORREF m_crSysWindow;
    COLORREF m_crSys3DFace;
    COLORREF m_crSysShadow;
    BOOL m_bVirtualMode = FALSE;
    LPARAM m_lFillParam = 0;
    GRIDCALLBACK m_pfnFill = nullptr;
    int m_nGridLineMode = 3;
    BOOL m_bEditable = TRUE;
    BOOL m_bFocusColumnHeaders = TRUE;
    BOOL m_bFrameFocusCell = TRUE;
    int m_nRowCount = 0;
    int m_nFixedRowCount = 0;
    int m_nColumnCount = 0;
    int m_nFixedColumnCount = 0;
    CGridDefaultCell m_cellDefault;
    CGridDefaultCell m_cellFixedColumnDefault;
    CGridDefaultCell m_cellFixedRowDefault;
    CGridDefaultCell m_cellFixedDefault;
    CImageList* m_pImageList = nullptr;  // borrowed
    std::vector<GRID_ROW*> m_rows;       // owned by the grid window, with their cells
    CCellID m_idFocus;
    // Printing: 0 prints black text without backgrounds.
    int m_nPrintColours = 1;
    BOOL m_bSortAscending = TRUE;
    int m_nSortColumn = -1;
    RowOrder m_vecRowOrder;
    std::vector<int> m_vecColumnOrder;
    bool m_bDestroying = false;

private:
    // The stand-ins of untouched cells, by slot word; at most kMaxStandIns,
    // after which an untouched cell that is read is given its own object.
    static constexpr size_t kMaxStandIns = 1024;
    mutable std::unordered_map<std::uintptr_t, std::unique_ptr<CGridCell>> m_standIns;
    // A new cell object that reads as the untouched cell `slot`; null when it
    // cannot be allocated.
    CGridCell* MakeCell(const CellSlot& slot) const;
};
