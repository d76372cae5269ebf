// A small grid of the tests' own for the cells and helper windows: a real child
// window (in a top-level window) holding the fields the cells read, with cells
// made from a run-time class, uniform cell sizes for hit testing, a selection
// set, and a log of the messages the grid window receives.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "grid/grid_cell.h"
#include "grid/grid_ctrl_base.h"
#include "tests/support/colours.h"
#include "tests/support/recording_wnd.h"

namespace grid_test {

class TestGrid : public CGridCtrlBase {
public:
    ~TestGrid() override {
        Clear();
        if (m_hWnd) DestroyWindow();
    }

    // rows x cols cells of `cls`, the first fixedRows rows and fixedCols columns fixed.
    void Fill(int rows, int cols, int fixedRows = 0, int fixedCols = 0,
              const CRuntimeClass* cls = RUNTIME_CLASS(CGridCell)) {
        Clear();
        m_nRowCount = rows;
        m_nColumnCount = cols;
        m_nFixedRowCount = fixedRows;
        m_nFixedColumnCount = fixedCols;
        m_vecColumnOrder.clear();
        for (int c = 0; c < cols; ++c) m_vecColumnOrder.push_back(c);
        for (int r = 0; r < rows; ++r) {
            GRID_ROW* row = GridRow::Make(size_t(cols));
            for (int c = 0; c < cols; ++c) {
                auto* cell = static_cast<CGridCellBase*>(cls->CreateObject());
                cell->SetGrid(this);
                DWORD state = 0;
                if (r < fixedRows) state |= CIS_FIXED | CIS_FIXEDROW;
                if (c < fixedCols) state |= CIS_FIXED | CIS_FIXEDCOL;
                cell->SetState(state);
                (*row)[size_t(c)] = cell;
            }
            m_rows.push_back(row);
        }
    }

    void Clear() {
        for (GRID_ROW* row : m_rows) {
            for (const CellSlot& slot : *row) delete slot.Cell();
            delete row;
        }
        m_rows.clear();
        m_nRowCount = m_nColumnCount = 0;
    }

    // The cell's rectangle (inclusive right and bottom) in the uniform layout.
    CRect CellRect(int row, int col) const {
        return CRect(col * cellWidth, row * cellHeight, (col + 1) * cellWidth - 1, (row + 1) * cellHeight - 1);
    }

    BOOL IsCellSelected(int row, int col) const override { return selected.count({row, col}) > 0; }

    CCellID GetCellFromPt(CPoint point, BOOL allowFixed) override {
        if (point.x < 0 || point.y < 0) return CCellID();
        const int col = point.x / cellWidth, row = point.y / cellHeight;
        if (row >= m_nRowCount || col >= m_nColumnCount) return CCellID();
        if (!allowFixed && (row < m_nFixedRowCount || col < m_nFixedColumnCount)) return CCellID();
        return CCellID(row, col);
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (logging) log.push_back({message, wParam, lParam, "grid"});
        if (message == WM_NOTIFY) {
            const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
            if (hdr->code == GRIDN_ENDLABELEDIT) {
                const auto* info = reinterpret_cast<const GridDispInfo*>(lParam);
                ended.push_back(info->item);
                if (CGridCellBase* cell = GetCell(info->item.row, info->item.col)) cell->OnEndEdit();
            }
            return 0;
        }
        if (message == WM_GETFONT) return reinterpret_cast<LRESULT>(m_cellDefault.GetFontObject());
        if (message == WM_ERASEBKGND) return 1;
        return CWnd::WindowProc(message, wParam, lParam);
    }

    int cellWidth = 60;
    int cellHeight = 20;
    std::set<std::pair<int, int>> selected;
    bool logging = true;
    MessageLog log;
    std::vector<CellItem> ended;  // the in-place edits' end reports
};

// A top-level window holding a TestGrid of the given client size.
struct GridScene {
    MessageLog topLog;
    RecordingWnd top{"top", &topLog};
    TestGrid grid;

    GridScene(int width, int height) {
        top.logOnly = {WM_NOTIFY};
        EXPECT_TRUE(top.CreateEx(0, nullptr, u"grid test", WS_POPUP | WS_VISIBLE, CRect(100, 100, 100 + width + 20, 100 + height + 20),
                                 nullptr, 0));
        EXPECT_TRUE(grid.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(10, 10, 10 + width, 10 + height),
                                &top, 1234));
        grid.SetFocus();
    }

    int Count(UINT message) const { return CountOf(grid.log, message); }
};

// The bounding box of the pixels of `area` that differ from `background` by more
// than `tolerance`; empty when there are none.
inline CRect InkBounds(const QImage& image, const CRect& area, COLORREF background, int tolerance = 40) {
    CRect box(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN);
    bool any = false;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            const QRgb c = image.pixel(x, y);
            const COLORREF px = RGB(BYTE(qRed(c)), BYTE(qGreen(c)), BYTE(qBlue(c)));
            const int d = std::max({std::abs(int(GetRValue(px)) - int(GetRValue(background))),
                                    std::abs(int(GetGValue(px)) - int(GetGValue(background))),
                                    std::abs(int(GetBValue(px)) - int(GetBValue(background)))});
            if (d <= tolerance) continue;
            any = true;
            box.left = std::min<LONG>(box.left, x);
            box.top = std::min<LONG>(box.top, y);
            box.right = std::max<LONG>(box.right, x + 1);
            box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    return any ? box : CRect();
}

}  // namespace grid_test

namespace grid_test {
// Runs the event loop until nothing is left to do (posted messages, paints).
void Pump();

// Every cell's text, cells joined by '|' and rows by " / ".
inline std::string Texts(const CGridCtrlBase& grid) {
    std::string out;
    for (int r = 0; r < grid.GetRowCount(); ++r)
        for (int c = 0; c < grid.GetColumnCount(); ++c) {
            out += c ? "|" : (r ? " / " : "");
            if (const CGridCellBase* cell = grid.ReadCell(r, c))
                for (const char16_t* t = cell->GetText(); t && *t; ++t) out += char(*t);
        }
    return out;
}

// The cells that are marked as being edited, as "r,c".
inline std::vector<std::string> EditedCells(const CGridCtrlBase& grid) {
    std::vector<std::string> out;
    for (int r = 0; r < grid.GetRowCount(); ++r)
        for (int c = 0; c < grid.GetColumnCount(); ++c)
            if (const CGridCellBase* cell = grid.ReadCell(r, c); cell && cell->IsEditing())
                out.push_back(std::to_string(r) + "," + std::to_string(c));
    return out;
}

// How many of the grid's cells are kept in brief in their slots.
inline int UntouchedSlots(const CGridCtrlBase& grid) {
    int n = 0;
    for (const GRID_ROW* row : grid.m_rows)
        if (row)
            for (const CellSlot& slot : *row) n += slot.IsUntouched();
    return n;
}
}  // namespace grid_test
