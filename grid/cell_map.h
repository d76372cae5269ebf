// The grid's selected-cell maps: the cells by their key (row in the low 32
// bits, column in the high 32 bits). A block of cells selected at once into an
// empty map (select all, a column, a range) is held as one range instead of an
// entry per cell, so selecting a million rows adds no memory per cell; single
// cells added or removed later are entries beside it. It reads as a map from
// key to cell: iteration yields (key, cell) pairs, the block's cells first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <unordered_map>
#include <utility>

#include "grid/cell_id.h"

class CellMap {
public:
    using Key = std::uint64_t;
    using Entries = std::unordered_map<Key, CCellID>;
    using value_type = std::pair<Key, CCellID>;

    static Key KeyOf(int row, int col) {
        return Key(std::uint32_t(row)) | (Key(std::uint32_t(col)) << 32);
    }

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = CellMap::value_type;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = value_type;

        const_iterator(const CellMap* map, CCellID at, Entries::const_iterator entry)
            : m_map(map), m_at(at), m_entry(entry) {}
        value_type operator*() const {
            if (m_at.row >= 0) return {KeyOf(m_at.row, m_at.col), m_at};
            return *m_entry;
        }
        const_iterator& operator++() {
            if (m_at.row < 0) {
                ++m_entry;
            } else if (++m_at.col > m_map->m_block.maxCol) {
                m_at.col = m_map->m_block.minCol;
                if (++m_at.row > m_map->m_block.maxRow) m_at = CCellID();
            }
            return *this;
        }
        bool operator==(const const_iterator& other) const { return m_at == other.m_at && m_entry == other.m_entry; }
        bool operator!=(const const_iterator& other) const { return !(*this == other); }

    private:
        const CellMap* m_map;
        CCellID m_at;  // in the block; (-1, -1) once past it
        Entries::const_iterator m_entry;
    };

    const_iterator begin() const {
        return const_iterator(this, HasBlock() ? CCellID(m_block.minRow, m_block.minCol) : CCellID(), m_cells.begin());
    }
    const_iterator end() const { return const_iterator(this, CCellID(), m_cells.end()); }

    size_t size() const { return BlockCount() + m_cells.size(); }
    bool empty() const { return !HasBlock() && m_cells.empty(); }
    size_t count(Key key) const { return InBlock(key) || m_cells.count(key) ? 1 : 0; }
    void clear() {
        m_block = CellRange(-1, -1, -1, -1);
        m_cells.clear();
    }
    void reserve(size_t n) { m_cells.reserve(n); }
    void swap(CellMap& other) noexcept {
        std::swap(m_block, other.m_block);
        m_cells.swap(other.m_cells);
    }

    // Adds (or renames) the cell under `key`.
    void insert(Key key, const CCellID& cell) {
        if (!InBlock(key)) m_cells[key] = cell;
    }
    // Removes the cell; taking one cell out of the block turns the rest of the
    // block into entries.
    void erase(Key key) {
        if (m_cells.erase(key) || !InBlock(key)) return;
        const CellRange block = m_block;
        m_block = CellRange(-1, -1, -1, -1);
        m_cells.reserve(m_cells.size() + size_t(block.Count()));
        for (int row = block.minRow; row <= block.maxRow; ++row)
            for (int col = block.minCol; col <= block.maxCol; ++col)
                if (KeyOf(row, col) != key) m_cells[KeyOf(row, col)] = CCellID(row, col);
    }
    // Makes an empty map hold every cell of `block` (rows and columns >= 0).
    bool SetBlock(const CellRange& block) {
        if (!empty() || !block.IsValid() || block.minRow < 0 || block.minCol < 0) return false;
        m_block = block;
        return true;
    }

    // The block (invalid when there is none), and the cells held one by one.
    CellRange Block() const { return HasBlock() ? m_block : CellRange(-1, -1, -1, -1); }
    const Entries& Cells() const { return m_cells; }

private:
    bool HasBlock() const { return m_block.IsValid() && m_block.minRow >= 0 && m_block.minCol >= 0; }
    size_t BlockCount() const { return HasBlock() ? size_t(m_block.Count()) : 0; }
    bool InBlock(Key key) const {
        if (!HasBlock()) return false;
        const int row = int(std::uint32_t(key));
        const int col = int(std::uint32_t(key >> 32));
        return row >= m_block.minRow && row <= m_block.maxRow && col >= m_block.minCol && col <= m_block.maxCol;
    }

    CellRange m_block{-1, -1, -1, -1};
    Entries m_cells;
};
