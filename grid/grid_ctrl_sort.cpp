// The grid window: sorting the non-fixed rows by one column.
//
// Cells stored in the grid are sorted by moving their rows' pointers and
// heights, never the cells. With an owner's compare function a quicksort calls
// it with each row's cell and the middle row's cell, the pivot; by text, rows
// are first spread by the units of their texts and the quicksort orders what
// shares them, so that a million rows cost about ten times what a hundred
// thousand do (no order of equal rows is promised either way). In virtual mode
// the owner keeps the data and only the row order is rearranged, by a stable
// sort.
#include <algorithm>
#include <climits>
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
// text that ends early is padded with 0, which sorts first, as its end does).
// Most comparisons end in the words, without reading the texts, which lie
// scattered in memory. A key is small, so the sort moves little.
struct TextKey {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    std::uint32_t index = 0;  // the row's place among the sorted rows before the sort
    std::uint32_t present = 0;  // 1 when a cell stands behind the key
};

// Packs up to `count` units of `text` (fewer when it ends) into `words`, four
// to a word, the first unit highest.
void Pack(const char16_t* text, std::uint64_t* words, int count) {
    for (int i = 0; i < count && text[i]; ++i)
        words[i / 4] |= std::uint64_t(std::uint16_t(text[i])) << (16 * (3 - i % 4));
}

// CompareByText on two keys of texts that share their first units; `rest`
// holds the texts, whose units from `offset` on follow the packed ones.
inline int CompareTextKeys(const TextKey& a, const TextKey& b, const std::vector<const char16_t*>& rest,
                           size_t offset) {
    if (!a.present || !b.present || a.index == b.index) return 0;  // a row equals itself (the pivot)
    if (a.high != b.high) return a.high < b.high ? -1 : 1;
    if (a.low != b.low) return a.low < b.low ? -1 : 1;
    // Equal packed units: both texts ended inside them, or both go on.
    if ((a.low & 0xFFFF) == 0) return 0;
    for (const char16_t *ta = rest[a.index] + offset, *tb = rest[b.index] + offset;; ++ta, ++tb) {
        if (*ta != *tb) return std::uint16_t(*ta) < std::uint16_t(*tb) ? -1 : 1;
        if (!*ta) return 0;
    }
}

// The unit at place `unit` (0 to 7) of a key, and its byte at place `depth`
// (0 to 15, the unit's high byte first).
inline unsigned UnitOf(const TextKey& key, int unit) {
    const std::uint64_t word = unit < 4 ? key.high : key.low;
    return unsigned(word >> (48 - 16 * (unit % 4))) & 0xFFFFu;
}
inline unsigned ByteOf(const TextKey& key, int depth) {
    const unsigned unit = UnitOf(key, depth / 2);
    return depth % 2 ? unit & 0xFFu : unit >> 8;
}

// Sorts keys[first, last), whose bytes before `depth` are all equal, by
// distributing them over their byte at `depth` (in the order of the sort) and
// sorting each share the same way one byte further on; a share of a few rows,
// or of keys equal in all eight units, goes to `rest(first, last)`. Keys whose
// text ended before `depth` are equal already. Every row is moved a constant
// number of times per byte, so the whole costs about the same per row at any
// count of rows. Equal keys end in no particular order.
template <typename Rest>
void DistributeKeys(std::vector<TextKey>& keys, std::vector<TextKey>& spare, size_t first, size_t last, int depth,
                    bool ascending, const Rest& rest) {
    constexpr size_t kFew = 16;
    for (;; ++depth) {
        if (last - first <= kFew || depth >= 16) {
            rest(first, last);
            return;
        }
        // Keys whose text ended (a unit of 0) are all equal.
        if (depth % 2 == 0 && UnitOf(keys[first], depth / 2) == 0 &&
            std::all_of(keys.begin() + std::ptrdiff_t(first), keys.begin() + std::ptrdiff_t(last),
                        [depth](const TextKey& k) { return UnitOf(k, depth / 2) == 0; }))
            return;
        std::uint32_t count[256] = {};
        for (size_t i = first; i < last; ++i) ++count[ByteOf(keys[i], depth)];
        // All in one share: nothing moves at this byte.
        if (count[ByteOf(keys[first], depth)] == last - first) continue;
        std::uint32_t start[257];
        start[0] = 0;
        for (unsigned k = 0; k < 256; ++k) start[k + 1] = start[k] + count[ascending ? k : 255 - k];
        std::uint32_t next[256];
        std::copy(start, start + 256, next);
        for (size_t i = first; i < last; ++i) {
            const unsigned byte = ByteOf(keys[i], depth);
            spare[first + next[ascending ? byte : 255 - byte]++] = keys[i];
        }
        std::copy(spare.begin() + std::ptrdiff_t(first), spare.begin() + std::ptrdiff_t(last),
                  keys.begin() + std::ptrdiff_t(first));
        for (unsigned k = 0; k < 256; ++k)
            if (start[k + 1] - start[k] > 1)
                DistributeKeys(keys, spare, first + start[k], first + start[k + 1], depth + 1, ascending, rest);
        return;
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
    // An open edit ends first: its text is in its cell before the rows move
    // (and before the sort column is set, which the edit's change would clear).
    EndEditIn(CellRange(m_nFixedRowCount, 0, INT_MAX, INT_MAX));
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
    // Virtual mode rearranges every row below the fixed ones.
    EndEditIn(m_bVirtualMode ? CellRange(m_nFixedRowCount, 0, INT_MAX, INT_MAX) : CellRange(low, 0, high, INT_MAX));

    if (m_bVirtualMode) {
        if (!m_pfnVirtualCompare || nCol >= int(m_vecColumnOrder.size())) return FALSE;
        if (int(m_vecRowOrder.size()) <= m_nFixedRowCount) return FALSE;
        g_sortedGrid = this;
        m_nCurrentColumn = m_vecColumnOrder[size_t(nCol)];
        std::vector<int>& order = m_vecRowOrder.Edit();
        auto first = order.begin() + m_nFixedRowCount;
        if (bAscending)
            std::stable_sort(first, order.end(), m_pfnVirtualCompare);
        else
            std::stable_sort(first, order.end(), &CGridCtrl::CompareDescending);
        g_sortedGrid = nullptr;
        return TRUE;
    }
    if (!pfnCompare) return FALSE;

    // The rows are sorted as a list of small keys that trade places in one
    // array; the grid takes the rows and heights back in their new order, and
    // the cells learn their new rows, once at the end. Sorting by text
    // compares keys that carry the texts' units; an owner's compare function is
    // given each row's own cell object.
    //
    // The rows' cells and texts lie scattered in memory: each pass over them
    // asks for what it will read some rows ahead (a prefetch), so that the
    // reads overlap instead of waiting one after another.
    constexpr size_t kAhead = 32;
    const bool byText = pfnCompare == &CGridCtrl::CompareByText;
    const size_t n = size_t(high - low + 1);
    const size_t physical = size_t(nCol) < m_vecColumnOrder.size() ? size_t(m_vecColumnOrder[size_t(nCol)]) : size_t(nCol);
    // Each row as it was: its cells, its height, and whether it holds cell
    // objects to be told their new place (a plain cell that the grid made
    // does nothing with it).
    struct Row {
        GRID_ROW* cells;
        UINT height;
        bool tell;
    };
    std::vector<Row> rows(n);
    std::vector<LPARAM> cells(n);
    std::vector<TextKey> keys(n);
    std::vector<const char16_t*> rest(byText ? n : 0);
    // The units that every text shares decide nothing: the keys start past
    // them. How many there are is guessed from the first rows' texts, each
    // text is packed past the guess while it is at hand, and a text that
    // shares less sends every text through a second packing.
    const char16_t* first = nullptr;  // the first text
    size_t guess = 0;                 // units the first texts share
    size_t skip = 0;                  // units that every text shares, up to the guess
    auto cellOf = [&](size_t i) {
        CGridCellBase* cell = byText ? ReadCell(low + int(i), nCol) : GetCell(low + int(i), nCol);
        cells[i] = reinterpret_cast<LPARAM>(cell);
        if (cell) __builtin_prefetch(cell);
    };
    // One pass in four steps a row: its cells' block is asked for, then its
    // cell, then its text, and then the row is taken.
    for (size_t i = 0; i < std::min(n, 2 * kAhead); ++i) cellOf(i);
    if (byText) {
        for (size_t i = 0; i < std::min(n, 2 * kAhead); ++i) {
            const auto* cell = reinterpret_cast<const CGridCellBase*>(cells[i]);
            const char16_t* text = cell ? cell->GetText() : nullptr;
            if (!text) continue;
            if (!first) {
                first = text;
                while (first[guess]) ++guess;
            } else {
                size_t k = 0;
                while (k < guess && text[k] == first[k]) ++k;
                guess = k;
            }
        }
        skip = guess;
    }
    for (size_t i = 0; i < n; ++i) {
        const size_t row = size_t(low) + i;
        if (i + 3 * kAhead < n)
            if (GRID_ROW* ahead = m_rows[row + 3 * kAhead]) __builtin_prefetch(ahead->begin() + physical);
        if (i + 2 * kAhead < n) cellOf(i + 2 * kAhead);
        if (byText && i + kAhead < n)
            if (const auto* ahead = reinterpret_cast<const CGridCellBase*>(cells[i + kAhead]))
                __builtin_prefetch(ahead->GetText());
        Row& r = rows[i];
        r.cells = m_rows[row];
        r.height = row < m_arRowHeights.size() ? UINT(m_arRowHeights[row]) : 0u;
        r.tell = r.cells && std::any_of(r.cells->begin(), r.cells->end(),
                                        [](const CellSlot& slot) { return !slot.IsPlain() && slot.Cell(); });
        keys[i].index = std::uint32_t(i);
        if (!byText || !cells[i]) continue;
        const char16_t* text = reinterpret_cast<const CGridCellBase*>(cells[i])->GetText();
        rest[i] = text;
        keys[i].present = 1;
        size_t k = 0;
        while (k < guess && text[k] == first[k]) ++k;
        skip = std::min(skip, k);
        if (k < guess) continue;  // packed in the second pass
        std::uint64_t words[2] = {};
        Pack(text + guess, words, 8);
        keys[i].high = words[0];
        keys[i].low = words[1];
    }
    if (byText && skip < guess) {
        for (size_t i = 0; i < n; ++i) {
            if (i + kAhead < n && rest[i + kAhead]) __builtin_prefetch(rest[i + kAhead] + skip);
            if (!rest[i]) continue;
            std::uint64_t words[2] = {};
            Pack(rest[i] + skip, words, 8);
            keys[i].high = words[0];
            keys[i].low = words[1];
        }
    }
    auto swapRows = [&keys, low](int r1, int r2) { std::swap(keys[size_t(r1 - low)], keys[size_t(r2 - low)]); };
    if (byText) {
        auto keyAt = [&keys, low](int row) -> const TextKey& { return keys[size_t(row - low)]; };
        auto compare = [&rest, skip](const TextKey& a, const TextKey& b) {
            return CompareTextKeys(a, b, rest, skip + 8);
        };
        const bool allPresent = std::all_of(keys.begin(), keys.end(), [](const TextKey& k) { return k.present; });
        if (allPresent) {
            // Texts order the rows by their units: many rows are first spread
            // by their units, and the quicksort orders what shares them.
            std::vector<TextKey> spare(n);
            auto quick = [&](size_t first, size_t last) {
                if (last - first > 1)
                    QuickSortRows(compare, bAscending, low + int(first), low + int(last) - 1, keyAt, swapRows);
            };
            // All rows at once are spread by their whole first unit in one
            // pass, into the spare array, which then holds the keys.
            std::vector<std::uint32_t> start(65537, 0);
            for (const TextKey& key : keys) ++start[(bAscending ? UnitOf(key, 0) : 65535 - UnitOf(key, 0)) + 1];
            for (size_t u = 1; u < start.size(); ++u) start[u] += start[u - 1];
            std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
            for (const TextKey& key : keys) spare[next[bAscending ? UnitOf(key, 0) : 65535 - UnitOf(key, 0)]++] = key;
            keys.swap(spare);
            for (size_t u = 0; u < 65536; ++u) {
                const unsigned unit = bAscending ? unsigned(u) : unsigned(65535 - u);
                if (start[u + 1] - start[u] > 1 && unit != 0)
                    DistributeKeys(keys, spare, start[u], start[u + 1], 2, bAscending, quick);
            }
        } else {
            // A row without a cell compares equal to every other: only the
            // quicksort gives such rows their places.
            QuickSortRows(compare, bAscending, low, high, keyAt, swapRows);
        }
    } else {
        auto cellAt = [&keys, &cells, low](int row) { return cells[keys[size_t(row - low)].index]; };
        auto compare = [pfnCompare](LPARAM a, LPARAM b) { return pfnCompare(a, b, 0); };
        QuickSortRows(compare, bAscending, low, high, cellAt, swapRows);
    }

    std::vector<UINT>& heights = m_arRowHeights.Raw();
    for (size_t i = 0; i < n; ++i) {
        if (i + kAhead < n) __builtin_prefetch(&rows[keys[i + kAhead].index]);
        if (i + kAhead / 2 < n)
            if (const Row& ahead = rows[keys[i + kAhead / 2].index]; ahead.tell)
                for (const CellSlot& slot : *ahead.cells)
                    if (const CGridCellBase* cell = slot.Cell()) __builtin_prefetch(cell);
        const size_t row = size_t(low) + i;
        const size_t from = keys[i].index;
        if (from == i) continue;  // a row that stayed keeps its place
        const Row& moved = rows[from];
        m_rows[row] = moved.cells;
        if (row < heights.size()) heights[row] = moved.height;
        if (!moved.tell) continue;
        GRID_ROW& rowCells = *moved.cells;
        for (size_t c = 0; c < rowCells.size(); ++c)
            if (!rowCells[c].IsPlain())
                if (CGridCellBase* cell = rowCells[c].Cell()) cell->SetCoords(int(row), int(c));
    }
    // Rows kept their places on screen while their heights moved: the first
    // row in view is found again from the scroll position.
    m_idTopLeftCache.row = -1;
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
