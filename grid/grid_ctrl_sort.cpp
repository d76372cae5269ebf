// The grid window: sorting the non-fixed rows by one column.
//
// Cells stored in the grid are sorted by a quicksort over their rows' pointers
// and heights, never moving cells. In virtual mode the owner
// keeps the data and only the row order is rearranged, by a stable sort.
#include <algorithm>
#include <utility>
#include <vector>

#include "grid/grid_ctrl.h"

namespace {
// The grid whose virtual-mode sort runs now (read by the descending adapter).
CGridCtrl* g_sortedGrid = nullptr;
}  // namespace

void CGridCtrl::SetSortColumn(int nCol) {
    if (m_nSortColumn >= 0) InvalidateCellRect(0, m_nSortColumn);
    m_nSortColumn = nCol;
    if (nCol >= 0) InvalidateCellRect(0, nCol);
}

BOOL CGridCtrl::SortItems(int nCol, BOOL bAscending) {
    return SortWithCompare(m_pfnCompare ? m_pfnCompare : &CGridCtrl::CompareByText, nCol, bAscending);
}

BOOL CGridCtrl::SortWithCompare(PFNLVCOMPARE pfnCompare, int nCol, BOOL bAscending) {
    // A column that cannot exist, or no way to compare, sorts nothing and
    // leaves the sort column, the selection and the focus as they are.
    if (nCol < 0 || (!pfnCompare && !m_bVirtualMode)) return FALSE;
    SetSortColumn(nCol);
    m_bSortAscending = bAscending;
    m_mapPrevSelected.clear();
    SetSelectedRange(-1, -1, -1, -1, FALSE, TRUE);
    SetFocusCell(-1, -1);
    return SortRange(pfnCompare, nCol, bAscending, m_nFixedRowCount, -1);
}

bool CGridCtrl::CompareDescending(int row1, int row2) {
    // The ascending order's "less" with its rows swapped, so the order stays a
    // strict weak one and rows with equal keys keep their order.
    return g_sortedGrid && g_sortedGrid->m_pfnVirtualCompare && g_sortedGrid->m_pfnVirtualCompare(row2, row1);
}

int CGridCtrl::CompareByText(LPARAM cell1, LPARAM cell2, LPARAM) {
    const auto* a = reinterpret_cast<const CGridCellBase*>(cell1);
    const auto* b = reinterpret_cast<const CGridCellBase*>(cell2);
    if (!a || !b) return 0;
    const char16_t* ta = a->GetText();
    const char16_t* tb = b->GetText();
    if (!ta) ta = u"";
    if (!tb) tb = u"";
    for (;; ++ta, ++tb) {
        if (*ta != *tb) return std::uint16_t(*ta) < std::uint16_t(*tb) ? -1 : 1;
        if (!*ta) return 0;
    }
}

BOOL CGridCtrl::SortRange(PFNLVCOMPARE pfnCompare, int nCol, BOOL bAscending, int low, int high) {
    if (nCol < 0 || nCol >= m_nColumnCount) return FALSE;
    if (high == -1) high = m_nRowCount - 1;
    if (low < 0 || high >= m_nRowCount || high <= low) return FALSE;

    if (m_bVirtualMode) {
        if (!m_pfnVirtualCompare || nCol >= int(m_vecColumnOrder.size())) return FALSE;
        if (int(m_vecRowOrder.size()) <= m_nFixedRowCount) return FALSE;
        g_sortedGrid = this;
        m_nCurrentColumn = m_vecColumnOrder[size_t(nCol)];
        auto first = m_vecRowOrder.begin() + m_nFixedRowCount;
        if (bAscending)
            std::stable_sort(first, m_vecRowOrder.end(), m_pfnVirtualCompare);
        else
            std::stable_sort(first, m_vecRowOrder.end(), &CGridCtrl::CompareDescending);
        g_sortedGrid = nullptr;
        return TRUE;
    }
    if (!pfnCompare) return FALSE;

    // The rows are sorted as a list of (key cell, row, height) that trade
    // places in one array; the grid takes the rows and heights back in their
    // new order, and the cells learn their new rows, once at the end.
    struct Entry {
        LPARAM cell;
        GRID_ROW* row;
        UINT height;
    };
    std::vector<Entry> entries;
    entries.reserve(size_t(high - low + 1));
    for (int row = low; row <= high; ++row)
        entries.push_back({reinterpret_cast<LPARAM>(ReadCell(row, nCol)), m_rows[size_t(row)],
                           size_t(row) < m_arRowHeights.size() ? UINT(m_arRowHeights[size_t(row)]) : 0u});
    auto cellAt = [&entries, low](int row) { return entries[size_t(row - low)].cell; };
    auto swapRows = [&entries, low](int r1, int r2) { std::swap(entries[size_t(r1 - low)], entries[size_t(r2 - low)]); };
    QuickSortRows(pfnCompare, bAscending, low, high, cellAt, swapRows);

    std::vector<UINT>& heights = m_arRowHeights.Raw();
    for (int row = low; row <= high; ++row) {
        const Entry& entry = entries[size_t(row - low)];
        m_rows[size_t(row)] = entry.row;
        if (size_t(row) < heights.size()) heights[size_t(row)] = entry.height;
        if (!entry.row) continue;
        GRID_ROW& cells = *entry.row;
        for (size_t c = 0; c < cells.size(); ++c)
            if (CGridCellBase* cell = cells[c].Cell()) cell->SetCoords(row, int(c));
    }
    return TRUE;
}

template <typename CellAt, typename SwapRows>
void CGridCtrl::QuickSortRows(PFNLVCOMPARE pfnCompare, BOOL bAscending, int low, int high, const CellAt& cellAt,
                              const SwapRows& swapRows) {
    // Each pass splits [low, high] around the cell in its middle row; the
    // smaller part is sorted by a nested call and the larger by the next pass,
    // so the nesting never goes deeper than the logarithm of the row count.
    while (low < high) {
        const LPARAM pivot = cellAt(low + (high - low) / 2);
        int lo = low;
        int hi = high;
        while (lo <= hi) {
            if (bAscending) {
                while (lo < high && pfnCompare(cellAt(lo), pivot, 0) < 0) ++lo;
                while (hi > low && pfnCompare(cellAt(hi), pivot, 0) > 0) --hi;
            } else {
                while (lo < high && pfnCompare(pivot, cellAt(lo), 0) < 0) ++lo;
                while (hi > low && pfnCompare(pivot, cellAt(hi), 0) > 0) --hi;
            }
            if (lo <= hi) {
                if (pfnCompare(cellAt(lo), cellAt(hi), 0) != 0) swapRows(lo, hi);
                ++lo;
                --hi;
            }
        }
        if (hi - low < high - lo) {
            if (low < hi) QuickSortRows(pfnCompare, bAscending, low, hi, cellAt, swapRows);
            low = lo;
        } else {
            if (lo < high) QuickSortRows(pfnCompare, bAscending, lo, high, cellAt, swapRows);
            high = hi;
        }
    }
}
