// The grid window: sorting the non-fixed rows by one column.
//
// Cells stored in the grid are sorted by a quicksort over their rows' pointers
// and heights, never moving cells. In virtual mode the owner
// keeps the data and only the row order is rearranged, by a stable sort.
#include <algorithm>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

#include "grid/grid_ctrl.h"

namespace {
// The grid whose virtual-mode sort runs now (read by the descending adapter).
CGridCtrl* g_sortedGrid = nullptr;

// A row's key for sorting by text: eight code units of its text from `skip`
// on (the units that every text of the sorted rows shares are skipped), packed
// so that comparing the words compares those units as CompareByText does (a
// text that ends early is padded with 0, which sorts first, as its end does),
// and the rest of the text. Most comparisons end in the words, without reading
// the texts, which lie scattered in memory.
struct TextKey {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    const char16_t* rest = nullptr;  // the text past the packed units
    bool present = false;            // a cell stands behind the key
};

// How many leading code units every text of `texts` shares (nulls skipped).
size_t SharedPrefix(const std::vector<const char16_t*>& texts) {
    const char16_t* first = nullptr;
    size_t shared = 0;
    for (const char16_t* text : texts) {
        if (!text) continue;
        if (!first) {
            first = text;
            while (first[shared]) ++shared;
            continue;
        }
        size_t i = 0;
        while (i < shared && text[i] == first[i]) ++i;
        shared = i;
        if (shared == 0) break;
    }
    return shared;
}

TextKey TextKeyOf(const char16_t* text, size_t skip) {
    TextKey key;
    if (!text) return key;
    key.present = true;
    text += skip;
    int i = 0;
    for (; i < 8 && text[i]; ++i)
        (i < 4 ? key.high : key.low) |= std::uint64_t(std::uint16_t(text[i])) << (16 * (3 - i % 4));
    key.rest = text + i;
    return key;
}

// CompareByText on two keys of texts that share their skipped units.
inline int CompareTextKeys(const TextKey& a, const TextKey& b) {
    if (!a.present || !b.present) return 0;
    if (a.high != b.high) return a.high < b.high ? -1 : 1;
    if (a.low != b.low) return a.low < b.low ? -1 : 1;
    // Equal packed units: both texts ended inside them, or both go on.
    if ((a.low & 0xFFFF) == 0) return 0;
    for (const char16_t *ta = a.rest, *tb = b.rest;; ++ta, ++tb) {
        if (*ta != *tb) return std::uint16_t(*ta) < std::uint16_t(*tb) ? -1 : 1;
        if (!*ta) return 0;
    }
}
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

    // The rows are sorted as a list of (key, row, height) that trade places in
    // one array; the grid takes the rows and heights back in their new order,
    // and the cells learn their new rows, once at the end. Sorting by text
    // compares keys that carry the texts' units; an owner's compare function is
    // given each row's own cell object.
    struct Entry {
        TextKey key;
        LPARAM cell;
        GRID_ROW* row;
        UINT height;
    };
    const bool byText = pfnCompare == &CGridCtrl::CompareByText;
    std::vector<Entry> entries;
    entries.reserve(size_t(high - low + 1));
    std::vector<const char16_t*> texts;
    if (byText) texts.reserve(size_t(high - low + 1));
    for (int row = low; row <= high; ++row) {
        CGridCellBase* cell = byText ? ReadCell(row, nCol) : GetCell(row, nCol);
        if (byText) texts.push_back(cell ? cell->GetText() : nullptr);
        entries.push_back({TextKey(), reinterpret_cast<LPARAM>(cell), m_rows[size_t(row)],
                           size_t(row) < m_arRowHeights.size() ? UINT(m_arRowHeights[size_t(row)]) : 0u});
    }
    if (byText) {
        const size_t skip = SharedPrefix(texts);
        for (size_t i = 0; i < entries.size(); ++i) entries[i].key = TextKeyOf(texts[i], skip);
        texts = {};
    }
    auto swapRows = [&entries, low](int r1, int r2) { std::swap(entries[size_t(r1 - low)], entries[size_t(r2 - low)]); };
    if (byText) {
        auto keyAt = [&entries, low](int row) -> const TextKey& { return entries[size_t(row - low)].key; };
        auto compare = [](const TextKey& a, const TextKey& b) { return CompareTextKeys(a, b); };
        QuickSortRows(compare, bAscending, low, high, keyAt, swapRows);
    } else {
        auto cellAt = [&entries, low](int row) { return entries[size_t(row - low)].cell; };
        auto compare = [pfnCompare](LPARAM a, LPARAM b) { return pfnCompare(a, b, 0); };
        QuickSortRows(compare, bAscending, low, high, cellAt, swapRows);
    }

    std::vector<UINT>& heights = m_arRowHeights.Raw();
    for (int row = low; row <= high; ++row) {
        const Entry& entry = entries[size_t(row - low)];
        if (entry.row && m_rows[size_t(row)] == entry.row) continue;  // a row that stayed keeps its place
        m_rows[size_t(row)] = entry.row;
        if (size_t(row) < heights.size()) heights[size_t(row)] = entry.height;
        if (!entry.row) continue;
        GRID_ROW& cells = *entry.row;
        for (size_t c = 0; c < cells.size(); ++c)
            if (CGridCellBase* cell = cells[c].Cell()) cell->SetCoords(row, int(c));
    }
    // Rows kept their places on screen while their heights moved: the first
    // row in view is found again from the scroll position.
    ForgetTopLeft();
    return TRUE;
}

template <typename KeyAt, typename Compare, typename SwapRows>
void CGridCtrl::QuickSortRows(const Compare& compare, BOOL bAscending, int low, int high, const KeyAt& keyAt,
                              const SwapRows& swapRows) {
    // Each pass splits [low, high] around the key of its middle row; the
    // smaller part is sorted by a nested call and the larger by the next pass,
    // so the nesting never goes deeper than the logarithm of the row count.
    while (low < high) {
        // A copy: the pivot stays the same while rows move.
        const auto pivot = std::remove_cvref_t<decltype(keyAt(low))>(keyAt(low + (high - low) / 2));
        int lo = low;
        int hi = high;
        while (lo <= hi) {
            if (bAscending) {
                while (lo < high && compare(keyAt(lo), pivot) < 0) ++lo;
                while (hi > low && compare(keyAt(hi), pivot) > 0) --hi;
            } else {
                while (lo < high && compare(keyAt(lo), pivot) > 0) ++lo;
                while (hi > low && compare(keyAt(hi), pivot) < 0) --hi;
            }
            if (lo <= hi) {
                if (compare(keyAt(lo), keyAt(hi)) != 0) swapRows(lo, hi);
                ++lo;
                --hi;
            }
        }
        if (hi - low < high - lo) {
            if (low < hi) QuickSortRows(compare, bAscending, low, hi, keyAt, swapRows);
            low = lo;
        } else {
            if (lo < high) QuickSortRows(compare, bAscending, lo, high, keyAt, swapRows);
            high = hi;
        }
    }
}
