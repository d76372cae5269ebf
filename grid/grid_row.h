// The storage of one grid row: a slot per column, in storage order, kept in
// one block together with the row's length.
//
// A slot holds nothing, the cell object of its cell, or, for a plain cell that
// nobody has given text, data, image, format, colours, font or margin since the
// grid made it, the cell in brief: the format the cell was made with (its
// default cell's format at that moment) and its state bits, packed into the
// slot's own word and told apart from a pointer by the word's lowest bit (a
// cell object's address is a multiple of 4). Such an untouched cell costs its
// slot and nothing else; the grid makes its object when something is to be
// written to it (CGridCtrlBase::GetCell), and it then reads exactly as the
// object would have read had it been made at the start. An object the grid
// made that way is marked by the word's second bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "platform/base/types.h"

class CGridCellBase;

class CellSlot {
public:
    constexpr CellSlot() = default;
    CellSlot(CGridCellBase* cell) : m_word(reinterpret_cast<std::uintptr_t>(cell)) {}
    CellSlot& operator=(CGridCellBase* cell) {
        m_word = reinterpret_cast<std::uintptr_t>(cell);
        return *this;
    }

    // The untouched cell made with `format` whose state is `state`; the state
    // must fit (Fits).
    static CellSlot Untouched(DWORD format, UINT state) {
        CellSlot slot;
        slot.m_word = (std::uintptr_t(format) << 32) | (std::uintptr_t(state & kStateBits) << 8) | 1u;
        return slot;
    }
    // Whether an untouched cell can hold `state` (the lower 24 bits only).
    static bool Fits(UINT state) { return (state & ~kStateBits) == 0; }

    // A cell object of the plain class (exactly CGridCell) that the grid made
    // for an untouched cell; the mark lets a sort pass it by, as moving such a
    // cell asks nothing of it.
    static CellSlot Plain(CGridCellBase* cell) {
        CellSlot slot(cell);
        if (cell) slot.m_word |= 2u;
        return slot;
    }

    bool IsUntouched() const { return m_word & 1u; }
    bool IsPlain() const { return (m_word & 3u) == 2u; }
    // The cell object, or null (no cell, or an untouched one).
    CGridCellBase* Cell() const {
        return IsUntouched() ? nullptr : reinterpret_cast<CGridCellBase*>(m_word & ~std::uintptr_t(3));
    }
    // Neither an object nor an untouched cell.
    bool IsEmpty() const { return m_word == 0; }
    // An untouched cell's format and state.
    DWORD Format() const { return DWORD(m_word >> 32); }
    UINT State() const { return UINT(m_word >> 8) & kStateBits; }
    // The whole word: equal words read as equal cells.
    std::uintptr_t Word() const { return m_word; }

    friend bool operator==(const CellSlot& slot, const CGridCellBase* cell) {
        return !slot.IsUntouched() && slot.Cell() == cell;
    }

private:
    static constexpr UINT kStateBits = 0xFFFFFF;
    static_assert(sizeof(std::uintptr_t) >= 8, "an untouched cell packs 56 bits into its slot");

    std::uintptr_t m_word = 0;
};

class GridRow {
public:
    // A row of `count` slots, each `fill`; throws std::bad_alloc.
    static GridRow* Make(size_t count, CellSlot fill = CellSlot()) {
        void* block = ::operator new(sizeof(GridRow) + count * sizeof(CellSlot));
        auto* row = ::new (block) GridRow(count);
        for (size_t i = 0; i < count; ++i) ::new (row->begin() + i) CellSlot(fill);
        return row;
    }
    // A row of `count` slots holding `row`'s first ones, the rest `fill`;
    // throws std::bad_alloc and then leaves `row` as it was. The caller frees
    // `row` (and any cells past `count`) once it takes the new one.
    static GridRow* Resized(const GridRow& row, size_t count, CellSlot fill = CellSlot()) {
        GridRow* made = Make(count, fill);
        for (size_t i = 0; i < count && i < row.size(); ++i) (*made)[i] = row[i];
        return made;
    }
    // Rows are made by Make and freed by delete (which frees no cells).
    static void* operator new(size_t) = delete;
    static void operator delete(void* block) { ::operator delete(block); }

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    CellSlot* begin() { return reinterpret_cast<CellSlot*>(this + 1); }
    CellSlot* end() { return begin() + m_size; }
    const CellSlot* begin() const { return reinterpret_cast<const CellSlot*>(this + 1); }
    const CellSlot* end() const { return begin() + m_size; }
    CellSlot& operator[](size_t i) { return begin()[i]; }
    const CellSlot& operator[](size_t i) const { return begin()[i]; }
    // Drops the slots past `count` (their cells are the caller's to free).
    void Shrink(size_t count) {
        if (count < m_size) m_size = count;
    }

private:
    explicit GridRow(size_t count) : m_size(count) {}
    size_t m_size;
};
static_assert(sizeof(GridRow) % alignof(CellSlot) == 0);
