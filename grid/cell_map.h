// The grid's selected-cell maps: a set of cells keyed by place (row in the low
// 32 bits, column in the high 32 bits), held as a few disjoint blocks of cells
// with exceptions (cells of a block that are not in the set) beside single
// cells that lie in no block. Selecting a million rows at once, and what is
// done to such a selection later (a cell added or taken out, rows or columns
// moved, rows dropped), costs memory by the blocks and the cells that differ
// from them, not by the cells selected. It reads as a map from key to cell:
// iteration yields (key, cell) pairs, the blocks' cells first.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "grid/cell_id.h"

class CellMap {
public:
    using Key = std::uint64_t;
    using Entries = std::unordered_map<Key, CCellID>;
    using value_type = std::pair<Key, CCellID>;

    // Blocks kept apart at most; past that a block that would be split leaves
    // its cell as an exception instead, and the smallest blocks become cells.
    static constexpr size_t kMaxBlocks = 64;
    // Ranges smaller than this are added as single cells.
    static constexpr long long kSmallBlock = 16;

    static Key KeyOf(int row, int col) { return Key(std::uint32_t(row)) | (Key(std::uint32_t(col)) << 32); }
    static CCellID CellOf(Key key) { return CCellID(int(std::uint32_t(key)), int(std::uint32_t(key >> 32))); }

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = CellMap::value_type;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = value_type;

        const_iterator(const CellMap* map, size_t block, CCellID at, Entries::const_iterator entry)
            : m_map(map), m_block(block), m_at(at), m_entry(entry) {
            Settle();
        }
        value_type operator*() const {
            if (m_block < m_map->m_blocks.size()) return {KeyOf(m_at.row, m_at.col), m_at};
            return *m_entry;
        }
        const_iterator& operator++() {
            if (m_block < m_map->m_blocks.size()) {
                Step();
                Settle();
            } else {
                ++m_entry;
            }
            return *this;
        }
        bool operator==(const const_iterator& other) const {
            return m_block == other.m_block && m_at == other.m_at && m_entry == other.m_entry;
        }
        bool operator!=(const const_iterator& other) const { return !(*this == other); }

    private:
        // One cell on within the blocks (to the next block past a block's end).
        void Step() {
            const CellRange& b = m_map->m_blocks[m_block];
            if (++m_at.col > b.maxCol) {
                m_at.col = b.minCol;
                if (++m_at.row > b.maxRow) {
                    ++m_block;
                    m_at = m_block < m_map->m_blocks.size() ? m_map->m_blocks[m_block].GetTopLeft() : CCellID();
                }
            }
        }
        // Past the exceptions.
        void Settle() {
            if (m_map->m_out.empty()) return;
            while (m_block < m_map->m_blocks.size() && m_map->m_out.count(KeyOf(m_at.row, m_at.col))) Step();
        }

        const CellMap* m_map;
        size_t m_block;  // the block m_at lies in; past the blocks: the single cells
        CCellID m_at;
        Entries::const_iterator m_entry;
    };

    const_iterator begin() const {
        return const_iterator(this, 0, m_blocks.empty() ? CCellID() : m_blocks.front().GetTopLeft(), m_cells.begin());
    }
    const_iterator end() const { return const_iterator(this, m_blocks.size(), CCellID(), m_cells.end()); }

    size_t size() const {
        long long n = 0;
        for (const CellRange& b : m_blocks) n += b.Count();
        return size_t(n) - m_out.size() + m_cells.size();
    }
    bool empty() const { return size() == 0; }
    size_t count(Key key) const {
        if (m_cells.count(key)) return 1;
        return BlockOf(key) >= 0 && !m_out.count(key) ? 1 : 0;
    }
    void clear() {
        m_blocks.clear();
        m_cells.clear();
        m_out.clear();
    }
    void swap(CellMap& other) noexcept {
        m_blocks.swap(other.m_blocks);
        m_cells.swap(other.m_cells);
        m_out.swap(other.m_out);
    }

    // Adds the cell under `key`.
    void insert(Key key, const CCellID& cell) {
        if (BlockOf(key) >= 0) m_out.erase(key);
        else m_cells[key] = cell;
    }
    // Takes the cell out: a block is split around it, or, with many blocks
    // already, keeps it as an exception.
    void erase(Key key) {
        if (m_cells.erase(key)) return;
        const int block = BlockOf(key);
        if (block < 0) return;
        if (m_blocks.size() + 3 > kMaxBlocks) {
            m_out.insert(key);
            return;
        }
        const CCellID cell = CellOf(key);
        Subtract(CellRange(cell.row, cell.col, cell.row, cell.col));
        Tidy();
    }

    // Adds every cell of `range` (rows and columns >= 0).
    void AddRange(const CellRange& range) {
        if (!Usable(range)) return;
        DropWithin(range);
        for (const CellRange& b : m_blocks)
            if (Contains(b, range)) return;
        if (range.Count() < kSmallBlock) {
            for (int row = range.minRow; row <= range.maxRow; ++row)
                for (int col = range.minCol; col <= range.maxCol; ++col) insert(KeyOf(row, col), CCellID(row, col));
            return;
        }
        Subtract(range);
        m_blocks.push_back(range);
        Tidy();
    }
    // Takes every cell of `range` out.
    void RemoveRange(const CellRange& range) {
        if (!Usable(range)) return;
        DropWithin(range);
        Subtract(range);
        Tidy();
    }
    // Keeps only the cells in rows [0, rows) and columns [0, cols).
    void ClipTo(int rows, int cols) {
        if (rows <= 0 || cols <= 0) {
            clear();
            return;
        }
        std::vector<CellRange> kept;
        for (CellRange b : m_blocks) {
            b.maxRow = std::min(b.maxRow, rows - 1);
            b.maxCol = std::min(b.maxCol, cols - 1);
            if (b.minRow <= b.maxRow && b.minCol <= b.maxCol) kept.push_back(b);
        }
        m_blocks.swap(kept);
        auto outside = [rows, cols](Key key) {
            const CCellID c = CellOf(key);
            return c.row >= rows || c.col >= cols;
        };
        std::erase_if(m_cells, [&](const auto& entry) { return outside(entry.first); });
        std::erase_if(m_out, outside);
        Tidy();
    }
    // Moves every cell along rows (or columns): index i goes to to(i); a
    // negative result drops the cell. `to` must not send two indexes to one.
    template <typename To>
    void Remap(bool rows, const To& to) {
        CellMap moved;
        for (const CellRange& b : m_blocks) {
            // Runs of indexes whose new places follow each other stay blocks.
            const int first = rows ? b.minRow : b.minCol;
            const int last = rows ? b.maxRow : b.maxCol;
            int runStart = first;
            for (int i = first; i <= last; ++i) {
                const bool ends = i == last || to(i) < 0 || to(i + 1) != to(i) + 1;
                if (!ends) continue;
                const int from = to(runStart);
                if (from >= 0) {
                    const int until = from + (i - runStart);
                    moved.m_blocks.push_back(rows ? CellRange(from, b.minCol, until, b.maxCol)
                                                  : CellRange(b.minRow, from, b.maxRow, until));
                }
                runStart = i + 1;
            }
        }
        auto move = [&](Key key, CCellID* out) {
            CCellID c = CellOf(key);
            int& i = rows ? c.row : c.col;
            i = to(i);
            *out = c;
            return i >= 0;
        };
        CCellID c;
        for (const auto& [key, cell] : m_cells)
            if (move(key, &c)) moved.m_cells[KeyOf(c.row, c.col)] = c;
        for (Key key : m_out)
            if (move(key, &c)) moved.m_out.insert(KeyOf(c.row, c.col));
        swap(moved);
        Tidy();
    }

    // The smallest range that holds every cell; (rows, cols, -1, -1) starting
    // bounds are the caller's (`bounds` comes in and goes out).
    void Bounds(CellRange* bounds) const {
        auto take = [bounds](int minRow, int minCol, int maxRow, int maxCol) {
            bounds->minRow = std::min(bounds->minRow, minRow);
            bounds->minCol = std::min(bounds->minCol, minCol);
            bounds->maxRow = std::max(bounds->maxRow, maxRow);
            bounds->maxCol = std::max(bounds->maxCol, maxCol);
        };
        for (const CellRange& b : m_blocks) {
            if (m_out.empty()) {
                take(b.minRow, b.minCol, b.maxRow, b.maxCol);
                continue;
            }
            // Rows and columns of the block whose every cell is an exception
            // do not count.
            std::unordered_map<int, long long> perRow, perCol;
            for (Key key : m_out) {
                const CCellID c = CellOf(key);
                if (!b.Holds(c)) continue;
                ++perRow[c.row];
                ++perCol[c.col];
            }
            const long long width = b.maxCol - b.minCol + 1;
            const long long height = b.maxRow - b.minRow + 1;
            auto full = [](const std::unordered_map<int, long long>& n, int i, long long of) {
                const auto found = n.find(i);
                return found != n.end() && found->second >= of;
            };
            int r0 = b.minRow, r1 = b.maxRow, c0 = b.minCol, c1 = b.maxCol;
            while (r0 <= r1 && full(perRow, r0, width)) ++r0;
            if (r0 > r1) continue;  // every cell is out
            while (full(perRow, r1, width)) --r1;
            while (full(perCol, c0, height)) ++c0;
            while (full(perCol, c1, height)) --c1;
            take(r0, c0, r1, c1);
        }
        for (const auto& [key, cell] : m_cells) take(cell.row, cell.col, cell.row, cell.col);
    }

    // How the set is held: its blocks, the cells held one by one, and the
    // exceptions.
    const std::vector<CellRange>& Blocks() const { return m_blocks; }
    const Entries& Cells() const { return m_cells; }
    size_t ExceptionCount() const { return m_out.size(); }

private:
    static bool Usable(const CellRange& r) {
        return r.IsValid() && r.minRow >= 0 && r.minCol >= 0;
    }
    static bool Contains(const CellRange& outer, const CellRange& inner) {
        return inner.minRow >= outer.minRow && inner.maxRow <= outer.maxRow && inner.minCol >= outer.minCol &&
               inner.maxCol <= outer.maxCol;
    }
    static bool Meets(const CellRange& a, const CellRange& b) {
        return a.minRow <= b.maxRow && b.minRow <= a.maxRow && a.minCol <= b.maxCol && b.minCol <= a.maxCol;
    }

    int BlockOf(Key key) const {
        const CCellID c = CellOf(key);
        for (size_t i = 0; i < m_blocks.size(); ++i)
            if (m_blocks[i].Holds(c)) return int(i);
        return -1;
    }
    // Forgets the single cells and exceptions inside `range`.
    void DropWithin(const CellRange& range) {
        auto inside = [&range](Key key) { return range.Holds(CellOf(key)); };
        std::erase_if(m_cells, [&](const auto& entry) { return inside(entry.first); });
        std::erase_if(m_out, inside);
    }
    // Cuts `range` out of every block: a block it meets leaves up to four
    // pieces (above, below, left, right of it).
    void Subtract(const CellRange& range) {
        std::vector<CellRange> kept;
        kept.reserve(m_blocks.size() + 4);
        for (const CellRange& b : m_blocks) {
            if (!Meets(b, range)) {
                kept.push_back(b);
                continue;
            }
            const int top = std::max(b.minRow, range.minRow);
            const int bottom = std::min(b.maxRow, range.maxRow);
            if (b.minRow < range.minRow) kept.emplace_back(b.minRow, b.minCol, range.minRow - 1, b.maxCol);
            if (b.maxRow > range.maxRow) kept.emplace_back(range.maxRow + 1, b.minCol, b.maxRow, b.maxCol);
            if (b.minCol < range.minCol) kept.emplace_back(top, b.minCol, bottom, range.minCol - 1);
            if (b.maxCol > range.maxCol) kept.emplace_back(top, range.maxCol + 1, bottom, b.maxCol);
        }
        m_blocks.swap(kept);
    }
    // Joins blocks that line up edge to edge, turns the smallest into single
    // cells while there are too many, and drops exceptions that no block holds.
    void Tidy() {
        for (bool joined = true; joined;) {
            joined = false;
            for (size_t i = 0; i < m_blocks.size() && !joined; ++i)
                for (size_t j = i + 1; j < m_blocks.size() && !joined; ++j) {
                    CellRange& a = m_blocks[i];
                    const CellRange& b = m_blocks[j];
                    if (a.minCol == b.minCol && a.maxCol == b.maxCol &&
                        (a.maxRow + 1 == b.minRow || b.maxRow + 1 == a.minRow)) {
                        a.minRow = std::min(a.minRow, b.minRow);
                        a.maxRow = std::max(a.maxRow, b.maxRow);
                        joined = true;
                    } else if (a.minRow == b.minRow && a.maxRow == b.maxRow &&
                               (a.maxCol + 1 == b.minCol || b.maxCol + 1 == a.minCol)) {
                        a.minCol = std::min(a.minCol, b.minCol);
                        a.maxCol = std::max(a.maxCol, b.maxCol);
                        joined = true;
                    }
                    if (joined) m_blocks.erase(m_blocks.begin() + std::ptrdiff_t(j));
                }
        }
        // While there are too many blocks the smallest are held as their cells.
        while (m_blocks.size() > kMaxBlocks) {
            size_t victim = 0;
            for (size_t j = 1; j < m_blocks.size(); ++j)
                if (m_blocks[j].Count() < m_blocks[victim].Count()) victim = j;
            const CellRange b = m_blocks[victim];
            m_blocks.erase(m_blocks.begin() + std::ptrdiff_t(victim));
            for (int row = b.minRow; row <= b.maxRow; ++row)
                for (int col = b.minCol; col <= b.maxCol; ++col) {
                    const Key key = KeyOf(row, col);
                    if (!m_out.erase(key)) m_cells[key] = CCellID(row, col);
                }
        }
        if (!m_out.empty()) std::erase_if(m_out, [this](Key key) { return BlockOf(key) < 0; });
    }

    std::vector<CellRange> m_blocks;       // disjoint
    Entries m_cells;                       // cells in no block
    std::unordered_set<Key> m_out;         // cells of a block that are not in the set
};
