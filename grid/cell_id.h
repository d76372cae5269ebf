// Places in the grid and the records that carry a cell's attributes.
//
// CCellID names one cell by row and column (both counted from 0, fixed rows and
// columns included); (-1, -1) is "no cell". CellRange names a block of cells by
// its first and last row and column (inclusive); an unset range is -1 in every
// field. CellItem carries a cell's attributes in one piece, with a mask that says
// which fields are meant; GridDispInfo is a CellItem behind a notification
// header, exchanged with the grid's owner.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/base/types.h"
#include "platform/window/wnd.h"

// Fields of a CellItem that its mask names.
constexpr UINT CIF_TEXT = 0x001;
constexpr UINT CIF_IMAGE = 0x002;
constexpr UINT CIF_PARAM = 0x004;
constexpr UINT CIF_STATE = 0x008;
constexpr UINT CIF_BKCLR = 0x010;
constexpr UINT CIF_FGCLR = 0x020;
constexpr UINT CIF_FORMAT = 0x040;
constexpr UINT CIF_FONT = 0x080;
constexpr UINT CIF_MARGIN = 0x100;
constexpr UINT CIF_ALL = 0xFFFFFFFF;

// A cell's state bits.
constexpr UINT CIS_FOCUSED = 0x01;
constexpr UINT CIS_SELECTED = 0x02;
constexpr UINT CIS_DROPHILITED = 0x04;
constexpr UINT CIS_READONLY = 0x08;
constexpr UINT CIS_FIXED = 0x10;
constexpr UINT CIS_FIXEDROW = 0x20;
constexpr UINT CIS_FIXEDCOL = 0x40;
constexpr UINT CIS_MODIFIED = 0x80;

// Notification codes of the grid that the cell records travel with.
constexpr UINT GRIDN_ENDLABELEDIT = UINT(-176);
constexpr UINT GRIDN_GETDISPINFO = UINT(-177);

class CCellID {
public:
    int row = -1;
    int col = -1;

    constexpr CCellID() = default;
    constexpr CCellID(int r, int c) : row(r), col(c) {}

    constexpr bool operator==(const CCellID& o) const { return row == o.row && col == o.col; }
    constexpr bool operator!=(const CCellID& o) const { return row != o.row || col != o.col; }
};

class CellRange {
public:
    int minRow = -1;
    int minCol = -1;
    int maxRow = -1;
    int maxCol = -1;

    constexpr CellRange() = default;
    constexpr CellRange(int minR, int minC, int maxR, int maxC)
        : minRow(minR), minCol(minC), maxRow(maxR), maxCol(maxC) {}

    // Every field 0 or more, and first <= last in both directions.
    constexpr BOOL IsValid() const {
        return minRow >= 0 && minCol >= 0 && maxRow >= 0 && maxCol >= 0 && minRow <= maxRow &&
               minCol <= maxCol;
    }
    // (columns) x (rows) of the block; 1 for the unset range.
    constexpr long long Count() const {
        return (static_cast<long long>(maxCol) - minCol + 1) * (static_cast<long long>(maxRow) - minRow + 1);
    }
    constexpr CCellID GetTopLeft() const { return CCellID(minRow, minCol); }
    // Whether the cell lies in the block (for a valid block: the unset range
    // holds (-1, -1)).
    constexpr bool Holds(int row, int col) const {
        return row >= minRow && row <= maxRow && col >= minCol && col <= maxCol;
    }
    constexpr bool Holds(const CCellID& cell) const { return Holds(cell.row, cell.col); }
    constexpr bool operator==(const CellRange& o) const {
        return minRow == o.minRow && minCol == o.minCol && maxRow == o.maxRow && maxCol == o.maxCol;
    }
};

struct CellItem {
    int row = 0;
    int col = 0;
    UINT mask = 0;
    UINT nState = 0;
    UINT nFormat = 0;
    int iImage = -1;
    COLORREF crBkClr = 0;
    COLORREF crFgClr = 0;
    LPARAM lParam = 0;
    LOGFONTW lfFont{};
    UINT nMargin = 0;
    CString strText;
};

struct GridDispInfo {
    NMHDR hdr;
    CellItem item;
};
