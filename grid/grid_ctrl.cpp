// The grid window: creation, rows, columns, cells, items and sizes.
#include "grid/grid_ctrl.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <new>
#include <typeinfo>

#include "grid/grid_sums.h"
#include "grid/in_place_edit.h"
#include "platform/gdi/sysparams.h"
#include "platform/runtime/app.h"
#include "platform/window/window_dc.h"

const char16_t* const CGridCtrl::kWindowClass = u"GridCtrlWindow";

BOOL CGridCtrl::RegisterWindowClass() {
    // Windows of this layer need no class: the grid's look and behaviour come
    // from its own message handling.
    return TRUE;
}

CGridCtrl::CGridCtrl() : m_pCellClass(RUNTIME_CLASS(CGridCell)) {
    RegisterWindowClass();
    m_crOutsideBack = m_crSysShadow;
    UINT lines = 0;
    m_nWheelLines = SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0) ? lines : 3;
    SetRowCount(0);
    SetColumnCount(0);
    SetFixedRowCount(0);
    SetFixedColumnCount(0);
    m_crTipBack = m_crTipText = CLR_DEFAULT;
    m_mapSelected.clear();
    m_mapPrevSelected.clear();
}

CGridCtrl::~CGridCtrl() {
    m_bDestroying = true;
    DeleteAllCells();
    if (m_bTitleTips && m_titleTip.GetSafeHwnd()) m_titleTip.DestroyWindow();
    if (GetSafeHwnd()) DestroyWindow();
}

void CGridCtrl::PreSubclassWindow() {
    CGridCtrlBase::PreSubclassWindow();
    static bool inside = false;
    if (inside) return;
    inside = true;
    m_titleTip.SetParentWnd(this);
    if (GetSafeHwnd()) {
        ModifyStyleEx(0, WS_EX_CLIENTEDGE, 0);
        CRect rect;
        GetWindowRect(&rect);
        if (CWnd* parent = GetParent()) parent->ScreenToClient(&rect);
        CRect grown = rect;
        grown.InflateRect(1, 1);
        MoveWindow(&grown, TRUE);
        MoveWindow(&rect, TRUE);
    }
    inside = false;
}

void CGridCtrl::InvalidateAll() {
    if (GetSafeHwnd() && m_bRedrawEnabled) Invalidate(TRUE);
}

void CGridCtrl::SetDefaultCellType(const CRuntimeClass* cls) {
    m_pCellClass = cls ? cls : RUNTIME_CLASS(CGridCell);
}

// ---------------------------------------------------------------------------
// Counts

BOOL CGridCtrl::SetRowCount(int nRows) {
    if (nRows < 0) return FALSE;
    if (nRows == m_nRowCount) return TRUE;
    // Rows past the new count go; in virtual mode a sorted order starts afresh,
    // which moves every row.
    EndEditIn(CellRange(m_bVirtualMode && !m_vecRowOrder.IsIdentity() ? 0 : nRows, 0, INT_MAX, INT_MAX));

    m_idTopLeftCache.col = -1;
    if (nRows < m_nFixedRowCount) m_nFixedRowCount = nRows;
    if (m_idFocus.row >= nRows) SetFocusCell(-1, -1);

    const int old = m_nRowCount;
    BOOL result = TRUE;
    if (nRows < old) {
        // The rows that go leave the selection at once, not cell by cell.
        m_mapSelected.ClipTo(nRows, m_nColumnCount);
        if (!m_bVirtualMode) {
            for (int row = nRows; row < old; ++row) {
                if (size_t(row) < m_rows.size() && m_rows[size_t(row)]) {
                    for (int col = 0; col < m_nColumnCount; ++col) DestroyCell(row, col);
                    delete m_rows[size_t(row)];
                    m_rows[size_t(row)] = nullptr;
                }
            }
            m_rows.resize(size_t(nRows));
        }
        m_arRowHeights.resize(size_t(nRows));
        if (m_bVirtualMode) m_vecRowOrder.Renumber(size_t(nRows));  // no new room: nothing to fail
        m_nRowCount = nRows;
    } else {
        // Everything new is made first, so a failed allocation leaves the grid
        // as it was. Room grows by half again or more, so rows added one at a
        // time cost the same however many there are.
        std::vector<GRID_ROW*> added;
        try {
            const UINT height = UINT(std::max(0, m_cellDefault.GetHeight()));
            m_arRowHeights.reserve(size_t(nRows));
            if (m_bVirtualMode) {
                m_arRowHeights.resize(size_t(nRows), height);
                m_vecRowOrder.Renumber(size_t(nRows));
            } else {
                grid_sums::Reserve(m_rows, size_t(nRows));
                added.reserve(size_t(nRows - old));
                // Fixed bits depend on the counts, which stand as they will be.
                // Below the fixed rows every new row reads the same: when the
                // first one is untouched through and through, the others share
                // its slots.
                bool shared = false;
                for (int row = old; row < nRows; ++row) {
                    added.push_back(GridRow::Make(size_t(m_nColumnCount)));
                    GRID_ROW& cells = *added.back();
                    for (int col = 0; col < m_nColumnCount; ++col)
                        cells[size_t(col)] = shared ? (*added.front())[size_t(col)] : NewSlot(row, col);
                    if (row == old && row >= m_nFixedRowCount)
                        shared = std::all_of(cells.begin(), cells.end(), [](const CellSlot& s) { return s.IsUntouched(); });
                }
                m_arRowHeights.resize(size_t(nRows), height);
                for (GRID_ROW* r : added) m_rows.push_back(r);
                added.clear();
            }
            m_nRowCount = nRows;
        } catch (const std::bad_alloc&) {
            for (GRID_ROW* r : added) {
                for (const CellSlot& slot : *r) delete slot.Cell();
                delete r;
            }
            // The heights may have their new entries: they stand for no row.
            if (m_arRowHeights.size() > size_t(old)) m_arRowHeights.resize(size_t(old));
            AfxMessageBox(u"Out of memory.", MB_OK | MB_ICONERROR);
            result = FALSE;
        }
    }
    SetModified(-1, -1);
    ResetScrollBars();
    InvalidateAll();
    return result;
}

BOOL CGridCtrl::SetColumnCount(int nCols) {
    if (nCols < 0) return FALSE;
    if (nCols == m_nColumnCount) return TRUE;
    // Columns past the new count go; reordered columns all go back to their
    // stored places.
    bool reordered = false;
    for (size_t i = 0; i < m_vecColumnOrder.size() && !reordered; ++i) reordered = m_vecColumnOrder[i] != int(i);
    EndEditIn(CellRange(0, reordered ? 0 : nCols, INT_MAX, INT_MAX));

    m_idTopLeftCache.col = -1;
    if (nCols < m_nFixedColumnCount) m_nFixedColumnCount = nCols;
    if (m_idFocus.col >= nCols) SetFocusCell(-1, -1);

    const int old = m_nColumnCount;
    BOOL result = TRUE;
    if (nCols < old) {
        if (!m_bVirtualMode) {
            // The cells that go are those stored past the new count, whichever
            // display column shows them; each leaves the selection first.
            std::vector<int> displayOf(size_t(old), -1);
            for (int col = 0; col < old && size_t(col) < m_vecColumnOrder.size(); ++col) {
                const int physical = m_vecColumnOrder[size_t(col)];
                if (physical >= 0 && physical < old) displayOf[size_t(physical)] = col;
            }
            // The columns that go leave the selection at once, not cell by cell.
            for (int physical = nCols; physical < old; ++physical)
                if (const int col = displayOf[size_t(physical)]; col >= 0 && m_nRowCount > 0)
                    m_mapSelected.RemoveRange(CellRange(0, col, m_nRowCount - 1, col));
            for (int row = 0; row < m_nRowCount; ++row) {
                GRID_ROW* cells = size_t(row) < m_rows.size() ? m_rows[size_t(row)] : nullptr;
                if (!cells) continue;
                for (int physical = nCols; physical < old && size_t(physical) < cells->size(); ++physical) {
                    const int col = displayOf[size_t(physical)];
                    if (col >= 0) SetItemState(row, col, 0);
                    delete (*cells)[size_t(physical)].Cell();
                    (*cells)[size_t(physical)] = nullptr;
                }
                cells->Shrink(size_t(nCols));
            }
        }
        m_arColumnWidths.resize(size_t(nCols));
    } else {
        // Every row is made anew at its new length before any is replaced, so a
        // failed allocation leaves the grid as it was.
        std::vector<GRID_ROW*> grown;
        try {
            const UINT width = UINT(std::max(0, m_cellFixedColumnDefault.GetWidth()));
            SizeArray widths = m_arColumnWidths;
            widths.resize(size_t(nCols), width);
            if (!m_bVirtualMode) {
                grown.reserve(size_t(m_nRowCount));
                for (int row = 0; row < m_nRowCount; ++row) {
                    const GRID_ROW* cells = size_t(row) < m_rows.size() ? m_rows[size_t(row)] : nullptr;
                    grown.push_back(cells ? GridRow::Resized(*cells, size_t(nCols)) : nullptr);
                    if (!cells) continue;
                    for (int col = old; col < nCols; ++col) (*grown.back())[size_t(col)] = NewSlot(row, col);
                }
                for (int row = 0; row < m_nRowCount; ++row) {
                    if (!grown[size_t(row)]) continue;
                    delete m_rows[size_t(row)];
                    m_rows[size_t(row)] = grown[size_t(row)];
                }
                grown.clear();
            }
            m_arColumnWidths.swap(widths);
        } catch (const std::bad_alloc&) {
            for (GRID_ROW* cells : grown) {
                if (!cells) continue;
                for (size_t col = size_t(old); col < cells->size(); ++col) delete (*cells)[col].Cell();
                delete cells;
            }
            AfxMessageBox(u"Out of memory.", MB_OK | MB_ICONERROR);
            result = FALSE;
        }
    }
    if (result) {
        // The cells now show in stored order: the selection follows them.
        if (reordered && !m_bVirtualMode) {
            const std::vector<int>& order = m_vecColumnOrder;
            m_mapSelected.Remap(false, [&order, nCols](int col) {
                const int physical = col >= 0 && size_t(col) < order.size() ? order[size_t(col)] : -1;
                return physical < nCols ? physical : -1;
            });
        }
        m_vecColumnOrder.resize(size_t(nCols));
        for (int i = 0; i < nCols; ++i) m_vecColumnOrder[size_t(i)] = i;
        m_nColumnCount = nCols;
    }
    SetModified(-1, -1);
    ResetScrollBars();
    InvalidateAll();
    return result;
}

void CGridCtrl::ChangeStates(int r0, int r1, int c0, int c1, UINT add, UINT remove, bool resetColours) {
    for (int row = r0; row < r1; ++row)
        for (int col = c0; col < c1; ++col) {
            SetItemState(row, col, (GetItemState(row, col) & ~remove) | add);
            // An untouched cell's colours are the default ones already.
            if (resetColours)
                if (CGridCellBase* cell = StoredCell(row, col)) {
                    cell->SetTextClr(CLR_DEFAULT);
                    cell->SetBackClr(CLR_DEFAULT);
                }
        }
}

BOOL CGridCtrl::SetFixedRowCount(int nFixedRows) {
    if (nFixedRows < 0) return FALSE;
    if (nFixedRows == m_nFixedRowCount) return TRUE;

    m_mapPrevSelected.clear();
    SetSelectedRange(-1, -1, -1, -1);
    SetFocusCell(-1, -1);
    m_idTopLeftCache.col = -1;

    if (nFixedRows > m_nRowCount && !SetRowCount(nFixedRows)) return FALSE;
    if (m_idFocus.row < nFixedRows) SetFocusCell(-1, -1);

    const int old = m_nFixedRowCount;
    if (!m_bVirtualMode) {
        if (nFixedRows > old) {
            ChangeStates(old, nFixedRows, 0, m_nColumnCount, CIS_FIXED | CIS_FIXEDROW, 0, true);
        } else {
            ChangeStates(nFixedRows, old, 0, m_nFixedColumnCount, 0, CIS_FIXEDROW, false);
            ChangeStates(nFixedRows, old, m_nFixedColumnCount, m_nColumnCount, 0, CIS_FIXED | CIS_FIXEDROW, true);
        }
    }
    m_nFixedRowCount = nFixedRows;
    InvalidateAll();
    return TRUE;
}

BOOL CGridCtrl::SetFixedColumnCount(int nFixedCols) {
    if (nFixedCols < 0) return FALSE;
    if (nFixedCols == m_nFixedColumnCount) return TRUE;

    if (nFixedCols > m_nColumnCount && !SetColumnCount(nFixedCols)) return FALSE;
    if (m_idFocus.col < nFixedCols) SetFocusCell(-1, -1);
    m_mapPrevSelected.clear();
    SetSelectedRange(-1, -1, -1, -1);
    SetFocusCell(-1, -1);
    m_idTopLeftCache.col = -1;

    const int old = m_nFixedColumnCount;
    if (!m_bVirtualMode) {
        if (nFixedCols > old) {
            ChangeStates(0, m_nRowCount, old, nFixedCols, CIS_FIXED | CIS_FIXEDCOL, 0, true);
        } else {
            ChangeStates(0, m_nFixedRowCount, nFixedCols, old, 0, CIS_FIXEDCOL, false);
            ChangeStates(m_nFixedRowCount, m_nRowCount, nFixedCols, old, 0, CIS_FIXED | CIS_FIXEDCOL, true);
        }
    }
    m_nFixedColumnCount = nFixedCols;
    InvalidateAll();
    return TRUE;
}

// ---------------------------------------------------------------------------
// Cells

CellSlot CGridCtrl::NewSlot(int nRow, int nCol) {
    // Cells of another class are objects from the start.
    if (m_pCellClass != RUNTIME_CLASS(CGridCell)) return CreateCell(nRow, nCol);
    UINT state = 0;
    if (nCol < m_nFixedColumnCount) state |= CIS_FIXED | CIS_FIXEDCOL;
    if (nRow < m_nFixedRowCount) state |= CIS_FIXED | CIS_FIXEDROW;
    if (typeid(*this) == typeid(CGridCtrl)) {
        // What CreateCell makes of a plain cell, in brief.
        const CGridDefaultCell* def = GetDefaultCell(state & CIS_FIXEDROW, state & CIS_FIXEDCOL);
        return CellSlot::Untouched(def->GetFormat(), state);
    }
    // A derived grid may make its cells its own way: the cell its CreateCell
    // makes is kept in brief when it is a plain cell that holds nothing more.
    CGridCellBase* made = CreateCell(nRow, nCol);
    if (!made || typeid(*made) != typeid(CGridCell)) return made;
    const auto* cell = static_cast<const CGridCell*>(made);
    if (!cell->HoldsOnlyFormat() || cell->GetGrid() != this || !CellSlot::Fits(UINT(cell->GetState()))) return made;
    const CellSlot slot = CellSlot::Untouched(cell->GetFormat(), UINT(cell->GetState()));
    delete made;
    return slot;
}

CGridCellBase* CGridCtrl::StoredCell(int nRow, int nCol) const {
    const CellSlot* slot = SlotAt(nRow, nCol);
    return slot ? slot->Cell() : nullptr;
}

CGridCellBase* CGridCtrl::EditableCell(int nRow, int nCol) const {
    return m_bVirtualMode ? GetCell(nRow, nCol) : StoredCell(nRow, nCol);
}

CGridCellBase* CGridCtrl::CreateCell(int nRow, int nCol) {
    if (!m_pCellClass || !m_pCellClass->IsDerivedFrom(RUNTIME_CLASS(CGridCellBase))) return nullptr;
    auto* cell = static_cast<CGridCellBase*>(m_pCellClass->CreateObject());
    if (!cell) return nullptr;
    cell->SetGrid(this);
    cell->SetCoords(nRow, nCol);
    DWORD state = cell->GetState();
    if (nCol < m_nFixedColumnCount) state |= CIS_FIXED | CIS_FIXEDCOL;
    if (nRow < m_nFixedRowCount) state |= CIS_FIXED | CIS_FIXEDROW;
    cell->SetState(state);
    if (CGridDefaultCell* def = cell->GetDefaultCell()) cell->SetFormat(def->GetFormat());
    return cell;
}

void CGridCtrl::DestroyCell(int nRow, int nCol) {
    EndEditIn(CellRange(nRow, nCol, nRow, nCol));
    SetItemState(nRow, nCol, 0);
    if (m_bVirtualMode) return;
    if (nRow < 0 || size_t(nRow) >= m_rows.size() || !m_rows[size_t(nRow)]) return;
    if (nCol < 0 || size_t(nCol) >= m_vecColumnOrder.size()) return;
    GRID_ROW& cells = *m_rows[size_t(nRow)];
    const int physical = m_vecColumnOrder[size_t(nCol)];
    if (physical < 0 || size_t(physical) >= cells.size()) return;
    delete cells[size_t(physical)].Cell();
    cells[size_t(physical)] = nullptr;
}

void CGridCtrl::DeleteAllCells() {
    EndEditIn(CellRange(0, 0, INT_MAX, INT_MAX));
    m_mapPrevSelected.clear();
    SetSelectedRange(-1, -1, -1, -1);
    SetFocusCell(-1, -1);
    m_arRowHeights.clear();
    if (!m_bVirtualMode) {
        for (GRID_ROW* cells : m_rows) {
            if (!cells) continue;
            for (const CellSlot& slot : *cells) delete slot.Cell();
            delete cells;
        }
        m_rows.clear();
    } else {
        m_vecRowOrder.clear();
    }
    m_arColumnWidths.clear();
    m_mapSelected.clear();
    m_idFocus = CCellID();
    m_nRowCount = m_nColumnCount = m_nFixedRowCount = m_nFixedColumnCount = 0;
    m_vecColumnOrder.clear();
    ResetScrollBars();
    if (m_nSortColumn >= 0) InvalidateCellRect(0, m_nSortColumn);
    m_nSortColumn = -1;
    m_bModified = TRUE;
}

void CGridCtrl::ShiftRowOrder(int nRow, int nDelta) {
    if (!m_bVirtualMode) return;
    // Which data every display row shows changes from nRow on, or anywhere
    // for entries that name rows past it.
    EndEditIn(CellRange(0, 0, INT_MAX, INT_MAX));
    std::vector<int>& order = m_vecRowOrder.Edit();
    const size_t n = std::min(order.size(), size_t(std::max(m_nRowCount, 0)));
    for (size_t i = 0; i < n; ++i)
        if (order[i] > nRow) order[i] += nDelta;
    if (nDelta < 1) {
        if (nRow >= 0 && size_t(nRow) < order.size()) order.erase(order.begin() + nRow);
    } else if (nRow >= 0 && size_t(nRow) <= order.size()) {
        order.insert(order.begin() + nRow, nRow);
    }
}

// ---------------------------------------------------------------------------
// Items

BOOL CGridCtrl::SetItem(const CellItem* pItem) {
    if (!pItem || m_bVirtualMode) return FALSE;
    CGridCellBase* cell = GetCell(pItem->row, pItem->col);
    if (!cell) return FALSE;
    SetModified(pItem->row, pItem->col);
    if (pItem->mask & CIF_TEXT) cell->SetText(pItem->strText.c_str());
    if (pItem->mask & CIF_PARAM) cell->SetData(pItem->lParam);
    if (pItem->mask & CIF_IMAGE) cell->SetImage(pItem->iImage);
    if (pItem->mask & CIF_STATE) SetItemState(pItem->row, pItem->col, pItem->nState);
    if (pItem->mask & CIF_FORMAT) cell->SetFormat(pItem->nFormat);
    if (pItem->mask & CIF_BKCLR) cell->SetBackClr(pItem->crBkClr);
    if (pItem->mask & CIF_FGCLR) cell->SetTextClr(pItem->crFgClr);
    if (pItem->mask & CIF_FONT) cell->SetFont(&pItem->lfFont);
    if (pItem->mask & CIF_MARGIN) cell->SetMargin(pItem->nMargin);
    return TRUE;
}

BOOL CGridCtrl::SetItemText(int nRow, int nCol, LPCTSTR text) {
    if (m_bVirtualMode) return FALSE;
    CGridCellBase* cell = GetCell(nRow, nCol);
    if (!cell) return FALSE;
    cell->SetText(text);
    SetModified(nRow, nCol);
    return TRUE;
}

CString CGridCtrl::GetItemText(int nRow, int nCol) const {
    CGridCellBase* cell = ReadCell(nRow, nCol);
    return cell ? CString(cell->GetText()) : CString();
}

BOOL CGridCtrl::SetItemState(int nRow, int nCol, UINT state) {
    const std::uint64_t key = CellKey(nRow, nCol);
    CellSlot* slot = SlotAt(nRow, nCol);
    // IsCellSelected, read from the slot at hand.
    const BOOL selected = slot ? m_bSelectionEnabled && (SlotState(*slot) & CIS_SELECTED) : IsCellSelected(nRow, nCol);
    if (selected && !(state & CIS_SELECTED)) m_mapSelected.erase(key);
    else if (!selected && (state & CIS_SELECTED)) m_mapSelected.insert(key, CCellID(nRow, nCol));
    return StoreState(nRow, nCol, state);
}

BOOL CGridCtrl::StoreState(int nRow, int nCol, UINT state) {
    if (m_bVirtualMode) return FALSE;
    // An untouched cell keeps its state in its slot.
    if (CellSlot* slot = SlotAt(nRow, nCol); slot && slot->IsUntouched() && CellSlot::Fits(state)) {
        *slot = CellSlot::Untouched(slot->Format(), state);
        return TRUE;
    }
    CGridCellBase* cell = GetCell(nRow, nCol);
    if (!cell) return FALSE;
    cell->SetState(state);
    return TRUE;
}

UINT CGridCtrl::SlotState(const CellSlot& slot) {
    if (slot.IsUntouched()) return slot.State();
    const CGridCellBase* cell = slot.Cell();
    return cell ? UINT(cell->GetState()) : 0;
}

UINT CGridCtrl::GetItemState(int nRow, int nCol) const {
    if (const CellSlot* slot = SlotAt(nRow, nCol)) return SlotState(*slot);
    CGridCellBase* cell = ReadCell(nRow, nCol);
    return cell ? UINT(cell->GetState()) : 0;
}

BOOL CGridCtrl::IsCellEditable(const CCellID& id) const {
    if (!m_bEditable) return FALSE;
    return !(GetItemState(id.row, id.col) & CIS_READONLY);
}

void CGridCtrl::SetModified(int nRow, int nCol) {
    if (nCol < 0 || nCol == m_nSortColumn) {
        if (m_nSortColumn >= 0) InvalidateCellRect(0, m_nSortColumn);
        m_nSortColumn = -1;
    }
    if (nRow >= 0 && nCol >= 0) SetItemState(nRow, nCol, GetItemState(nRow, nCol) | CIS_MODIFIED);
    m_bModified = TRUE;
}

CCellID CGridCtrl::GetOwnerCellID(int nRow, int nCol) const {
    CGridCellBase* cell = ReadCell(nRow, nCol);
    if (cell && cell->IsCovered()) return cell->GetMergeOwner();
    return CCellID(nRow, nCol);
}

BOOL CGridCtrl::ValidateEdit(int nRow, int nCol, LPCTSTR text) {
    CGridCellBase* cell = ReadCell(nRow, nCol);
    return cell ? cell->ValidateEdit(text) : TRUE;
}

void CGridCtrl::EndEditing() {
    if (!IsCellInGrid(m_idFocus)) return;
    if (CGridCellBase* cell = EditableCell(m_idFocus.row, m_idFocus.col)) cell->EndEdit();
}

void CGridCtrl::EndEditIn(const CellRange& cells) {
    // A grid being destroyed tells its owner of no more changes.
    if (!GetSafeHwnd() || m_bDestroying) return;
    auto* edit = dynamic_cast<CInPlaceEdit*>(GetDlgItem(int(kInPlaceEditId)));
    if (!edit) {
        // An editor of another kind is ended through its cell, the focus cell.
        if (cells.Holds(m_idFocus)) EndEditing();
        return;
    }
    const CCellID at = edit->GetCellID();
    if (!cells.Holds(at)) return;
    const HWND box = edit->GetSafeHwnd();
    edit->EndEdit();
    if (!IsWindow(box)) return;
    // The end is being reported already, and whoever hears it changes the
    // grid: the text is in its cell, whose place is about to name another.
    ++m_nEditsOverrun;
    if (CGridCellBase* cell = EditableCell(at.row, at.col)) cell->OnEndEdit();
}

// ---------------------------------------------------------------------------
// Sizes

int CGridCtrl::GetRowHeight(int nRow) const {
    if (nRow < 0 || nRow >= m_nRowCount || size_t(nRow) >= m_arRowHeights.size()) return -1;
    return int(std::min<UINT>(m_arRowHeights[size_t(nRow)], INT_MAX));
}

int CGridCtrl::GetColumnWidth(int nCol) const {
    if (nCol < 0 || nCol >= m_nColumnCount || size_t(nCol) >= m_vecColumnOrder.size()) return -1;
    const int physical = m_vecColumnOrder[size_t(nCol)];
    if (physical < 0 || size_t(physical) >= m_arColumnWidths.size()) return -1;
    return int(std::min<UINT>(m_arColumnWidths[size_t(physical)], INT_MAX));
}

BOOL CGridCtrl::SetRowHeight(int nRow, int height) {
    if (nRow < 0 || nRow >= m_nRowCount || height < 0 || size_t(nRow) >= m_arRowHeights.size()) return FALSE;
    m_arRowHeights[size_t(nRow)] = UINT(height);
    ResetScrollBars();
    return TRUE;
}

BOOL CGridCtrl::SetColumnWidth(int nCol, int width) {
    if (nCol < 0 || nCol >= m_nColumnCount || width < 0 || size_t(nCol) >= m_vecColumnOrder.size()) return FALSE;
    const int physical = m_vecColumnOrder[size_t(nCol)];
    if (physical < 0 || size_t(physical) >= m_arColumnWidths.size()) return FALSE;
    m_arColumnWidths[size_t(physical)] = UINT(width);
    ResetScrollBars();
    return TRUE;
}

long long CGridCtrl::RowSpan(int first, int last) const {
    return m_arRowHeights.Sum(first, std::min(last, m_nRowCount));
}

long long CGridCtrl::ColumnSpan(int first, int last) const {
    long long sum = 0;
    for (int i = std::max(first, 0); i < last; ++i) sum += std::max(GetColumnWidth(i), 0);
    return sum;
}

int CGridCtrl::GetFixedRowHeight() const { return grid_sums::Clamp(RowSpan(0, m_nFixedRowCount)); }
int CGridCtrl::GetFixedColumnWidth() const { return grid_sums::Clamp(ColumnSpan(0, m_nFixedColumnCount)); }
int CGridCtrl::GetVirtualHeight() const { return grid_sums::Clamp(RowSpan(0, m_nRowCount)); }

int CGridCtrl::GetVirtualWidth() const { return grid_sums::Clamp(m_arColumnWidths.Sum(0, m_nColumnCount)); }

int CGridCtrl::GetMergedRowHeight(int nRow, int nCol) const {
    const CCellID owner = GetOwnerCellID(nRow, nCol);
    CGridCellBase* cell = ReadCell(owner.row, owner.col);
    if (!cell || cell->GetMergeRange().Count() < 2) return GetRowHeight(nRow);
    const CellRange range = cell->GetMergeRange();
    return grid_sums::Clamp(RowSpan(range.minRow, range.maxRow + 1));
}

int CGridCtrl::GetMergedColumnWidth(int nRow, int nCol) const {
    const CCellID owner = GetOwnerCellID(nRow, nCol);
    CGridCellBase* cell = ReadCell(owner.row, owner.col);
    if (!cell || cell->GetMergeRange().Count() < 2) return GetColumnWidth(nCol);
    const CellRange range = cell->GetMergeRange();
    return grid_sums::Clamp(ColumnSpan(range.minCol, range.maxCol + 1));
}

BOOL CGridCtrl::AutoSizeColumn(int nCol, int nStyle, BOOL bResetScroll) {
    if (nCol < 0 || nCol >= m_nColumnCount || GetColumnWidth(nCol) < 1) return FALSE;
    CClientDC dc(this);
    if (!GetSafeHwnd() || !dc.GetSafeHdc()) return FALSE;
    const int style = nStyle ? nStyle : m_nAutoSizeStyle;
    const int first = (style & kAutoSizeFixedRows) ? 0 : m_nFixedRowCount;
    const int last = (style & kAutoSizeOtherRows) ? m_nRowCount - 1 : m_nFixedRowCount - 1;
    if (m_bVirtualMode) SendCacheHintToParent(CellRange(first, nCol, last, nCol));
    int width = 0;
    bool measured = false;
    for (int row = first; row <= last; ++row)
        if (CGridCellBase* cell = ReadCell(row, nCol)) {
            width = std::max<int>(width, cell->GetCellExtent(&dc).cx);
            measured = true;
        }
    if (m_bVirtualMode) SendCacheHintToParent(CellRange(-1, -1, -1, -1));
    // With nothing to measure the column keeps its width (0 would hide it for good).
    if (measured) m_arColumnWidths[size_t(m_vecColumnOrder[size_t(nCol)])] = UINT(std::max(width, 0));
    if (bResetScroll) ResetScrollBars();
    return TRUE;
}

BOOL CGridCtrl::AutoSizeRow(int nRow) {
    if (nRow < 0 || nRow >= m_nRowCount || GetRowHeight(nRow) < 1) return FALSE;
    CClientDC dc(this);
    if (!GetSafeHwnd() || !dc.GetSafeHdc()) return FALSE;
    if (m_bVirtualMode) SendCacheHintToParent(CellRange(nRow, 0, nRow, m_nColumnCount - 1));
    int height = 0;
    bool measured = false;
    for (int col = 0; col < m_nColumnCount; ++col)
        if (CGridCellBase* cell = ReadCell(nRow, col)) {
            height = std::max<int>(height, cell->GetCellExtent(&dc).cy);
            measured = true;
        }
    if (m_bVirtualMode) SendCacheHintToParent(CellRange(-1, -1, -1, -1));
    if (measured) m_arRowHeights[size_t(nRow)] = UINT(std::max(height, 0));
    ResetScrollBars();
    return TRUE;
}

void CGridCtrl::AutoSizeColumns() {
    for (int col = 0; col < m_nColumnCount; ++col)
        if (GetColumnWidth(col) > 0) AutoSizeColumn(col, 0, FALSE);
    ResetScrollBars();
}

// ---------------------------------------------------------------------------
// Scroll bars

void CGridCtrl::ResetScrollBars() {
    m_idTopLeftCache.row = -1;
    if (!m_bRedrawEnabled || !GetSafeHwnd()) return;
    CRect rect;
    GetClientRect(&rect);
    if (rect.left == rect.right || rect.top == rect.bottom) return;

    if (m_nScrollBarsShown & 2) rect.right += GetSystemMetrics(SM_CXVSCROLL) + GetSystemMetrics(SM_CXBORDER);
    if (m_nScrollBarsShown & 1) rect.bottom += GetSystemMetrics(SM_CYHSCROLL) + GetSystemMetrics(SM_CYBORDER);

    const int fixedWidth = GetFixedColumnWidth();
    const int fixedHeight = GetFixedRowHeight();
    rect.left = grid_sums::Clamp(static_cast<long long>(rect.left) + fixedWidth);
    rect.top = grid_sums::Clamp(static_cast<long long>(rect.top) + fixedHeight);
    if (rect.left >= rect.right || rect.top >= rect.bottom) {
        // The fixed cells fill the window: nothing scrolls. The bars' record
        // follows, so they come back when there is room again.
        ShowScrollBar(SB_BOTH, FALSE);
        m_nScrollBarsShown = 0;
        m_nVScrollMax = m_nHScrollMax = 0;
        return;
    }

    const long long scrollHeight = static_cast<long long>(GetVirtualHeight()) - fixedHeight;
    const long long scrollWidth = static_cast<long long>(GetVirtualWidth()) - fixedWidth;
    const long long visHeight = static_cast<long long>(rect.bottom) - fixedHeight;
    const long long right = visHeight < scrollHeight ? rect.right - GetSystemMetrics(SM_CXVSCROLL) : rect.right;
    const long long visWidth = right - fixedWidth;
    if (visWidth < scrollWidth) rect.bottom -= GetSystemMetrics(SM_CYHSCROLL);

    if (static_cast<long long>(rect.bottom) - fixedHeight >= scrollHeight) {
        if (m_nScrollBarsShown & 2) {
            m_nScrollBarsShown &= ~2;
            ShowScrollBar(SB_VERT, FALSE);
        }
        m_nVScrollMax = 0;
    } else {
        if (!(m_nScrollBarsShown & 2)) {
            m_nScrollBarsShown |= 2;
            ShowScrollBar(SB_VERT, TRUE);
        }
        m_nVScrollMax = grid_sums::Clamp(scrollHeight - 1);
    }
    if (visWidth >= scrollWidth) {
        if (m_nScrollBarsShown & 1) {
            m_nScrollBarsShown &= ~1;
            ShowScrollBar(SB_HORZ, FALSE);
        }
        m_nHScrollMax = 0;
    } else {
        if (!(m_nScrollBarsShown & 1)) {
            m_nScrollBarsShown |= 1;
            ShowScrollBar(SB_HORZ, TRUE);
        }
        m_nHScrollMax = grid_sums::Clamp(scrollWidth - 1);
    }

    SCROLLINFO info;
    info.fMask = SIF_PAGE | SIF_RANGE;
    info.nMin = 0;
    info.nMax = m_nHScrollMax;
    info.nPage = m_nHScrollMax >= 1 ? UINT(grid_sums::Clamp(visWidth)) : 0;
    SetScrollInfo(SB_HORZ, &info, TRUE);
    info.fMask = SIF_PAGE | SIF_RANGE | SIF_DISABLENOSCROLL;
    info.nMax = m_nVScrollMax;
    info.nPage = m_nVScrollMax >= 1 ? UINT(grid_sums::Clamp(static_cast<long long>(rect.bottom) - fixedHeight)) : 0;
    SetScrollInfo(SB_VERT, &info, TRUE);
}

int CGridCtrl::GetScrollPosition(int nBar) const {
    // The position as GetScrollInfo reports it (0 without a bar), read directly.
    return GetScrollPos(nBar);
}

void CGridCtrl::SetScrollPosition(int nBar, int nPos) {
    m_idTopLeftCache.row = -1;
    SCROLLINFO info;
    info.fMask = SIF_POS;
    info.nPos = nPos;
    SetScrollInfo(nBar, &info, TRUE);
}
