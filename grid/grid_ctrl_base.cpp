#include "grid/grid_ctrl_base.h"

#include <memory>
#include <new>

CGridCtrlBase::CGridCtrlBase()
    : m_crSysWindowText(GetSysColor(COLOR_WINDOWTEXT)),
      m_crSysWindow(GetSysColor(COLOR_WINDOW)),
      m_crSys3DFace(GetSysColor(COLOR_3DFACE)),
      m_crSysShadow(GetSysColor(COLOR_BTNSHADOW)) {
    CGridDefaultCell* cells[] = {&m_cellDefault, &m_cellFixedColumnDefault, &m_cellFixedRowDefault,
                                 &m_cellFixedDefault};
    for (CGridDefaultCell* cell : cells) {
        cell->SetGrid(this);
        cell->SetTextClr(m_crSysWindowText);
        cell->SetBackClr(cell == &m_cellDefault ? m_crSysWindow : m_crSys3DFace);
    }
}

CGridCtrlBase::~CGridCtrlBase() = default;

DROPEFFECT CGridCtrlBase::OnDragEnter(COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
DROPEFFECT CGridCtrlBase::OnDragOver(COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
void CGridCtrlBase::OnDragLeave() {}
BOOL CGridCtrlBase::OnDrop(COleDataObject*, DROPEFFECT, CPoint) { return FALSE; }

CGridDefaultCell* CGridCtrlBase::GetDefaultCell(BOOL fixedRow, BOOL fixedCol) const {
    auto* self = const_cast<CGridCtrlBase*>(this);
    if (fixedRow && fixedCol) return &self->m_cellFixedDefault;
    if (fixedRow) return &self->m_cellFixedRowDefault;
    if (fixedCol) return &self->m_cellFixedColumnDefault;
    return &self->m_cellDefault;
}

namespace {

// The record and the cell that virtual mode fills for every lookup; they live
// until the program ends.
GridDispInfo& VirtualRecord() {
    static GridDispInfo record;
    return record;
}

CGridCell& VirtualCell() {
    static CGridCell cell;
    return cell;
}

// The data index for a display index; the display index itself when the order
// does not hold it.
int Ordered(const std::vector<int>& order, int index) {
    return index >= 0 && size_t(index) < order.size() ? order[size_t(index)] : index;
}

}  // namespace

CellSlot* CGridCtrlBase::SlotAt(int row, int col) const {
    if (m_bVirtualMode || row < 0 || row >= m_nRowCount || col < 0 || col >= m_nColumnCount) return nullptr;
    if (size_t(row) >= m_rows.size() || !m_rows[size_t(row)]) return nullptr;
    GRID_ROW& cells = *m_rows[size_t(row)];
    const int physical = Ordered(m_vecColumnOrder, col);
    if (physical < 0 || size_t(physical) >= cells.size()) return nullptr;
    return &cells[size_t(physical)];
}

CGridCell* CGridCtrlBase::MakeCell(const CellSlot& slot) const {
    // What the grid's CreateCell made of the plain cell class, with the state
    // the cell has now.
    auto* cell = new (std::nothrow) CGridCell;
    if (!cell) return nullptr;
    cell->SetGrid(const_cast<CGridCtrlBase*>(this));
    cell->SetState(slot.State());
    cell->SetFormat(slot.Format());
    return cell;
}

CGridCellBase* CGridCtrlBase::ReadCell(int row, int col) const {
    if (m_bVirtualMode) return GetCell(row, col);
    CellSlot* slot = SlotAt(row, col);
    if (!slot) return nullptr;
    if (!slot->IsUntouched()) return slot->Cell();
    if (auto found = m_standIns.find(slot->Word()); found != m_standIns.end()) return found->second.get();
    if (m_standIns.size() < kMaxStandIns) {
        std::unique_ptr<CGridCell> standIn(MakeCell(*slot));
        if (standIn) {
            try {
                return m_standIns.emplace(slot->Word(), std::move(standIn)).first->second.get();
            } catch (const std::bad_alloc&) {
            }
        }
    }
    return GetCell(row, col);
}

CGridCellBase* CGridCtrlBase::GetCell(int row, int col) const {
    if (row < 0 || row >= m_nRowCount || col < 0 || col >= m_nColumnCount) return nullptr;

    if (!m_bVirtualMode) {
        CellSlot* slot = SlotAt(row, col);
        if (!slot) return nullptr;
        if (slot->IsUntouched()) {
            CGridCell* cell = MakeCell(*slot);
            if (!cell) return nullptr;
            *slot = CellSlot::Plain(cell);
        }
        return slot->Cell();
    }

    GridDispInfo& record = VirtualRecord();
    CellItem& item = record.item;
    const CGridDefaultCell* def = GetDefaultCell(row < m_nFixedRowCount, col < m_nFixedColumnCount);
    item.row = row;
    item.col = col;
    item.mask = CIF_ALL;
    item.nState = 0;
    item.nFormat = def->GetFormat();
    item.iImage = def->GetImage();
    item.crBkClr = def->GetBackClr();
    item.crFgClr = def->GetTextClr();
    item.lParam = def->GetData();
    item.lfFont = def->GetFont() ? *def->GetFont() : LOGFONTW{};
    item.nMargin = def->GetMargin();
    item.strText.clear();

    if (IsCellSelected(row, col)) item.nState |= CIS_SELECTED;
    if (row < m_nFixedRowCount) item.nState |= CIS_FIXED | CIS_FIXEDROW;
    if (col < m_nFixedColumnCount) item.nState |= CIS_FIXED | CIS_FIXEDCOL;
    if (CCellID(row, col) == m_idFocus) item.nState |= CIS_FOCUSED;

    if (!m_bDestroying) {
        item.row = Ordered(m_vecRowOrder, row);
        item.col = Ordered(m_vecColumnOrder, col);
        if (m_pfnFill) {
            m_pfnFill(&record, m_lFillParam);
        } else if (GetSafeHwnd()) {
            record.hdr.hwndFrom = GetSafeHwnd();
            record.hdr.idFrom = UINT_PTR(GetDlgCtrlID());
            record.hdr.code = GRIDN_GETDISPINFO;
            if (CWnd* owner = GetOwner(); owner && owner->GetSafeHwnd())
                owner->SendMessage(WM_NOTIFY, WPARAM(GetDlgCtrlID()), reinterpret_cast<LPARAM>(&record));
        }
        item.row = row;
        item.col = col;
    }

    CGridCell& cell = VirtualCell();
    cell.SetFormat(item.nFormat);
    cell.SetImage(item.iImage);
    cell.SetBackClr(item.crBkClr);
    cell.SetTextClr(item.crFgClr);
    cell.SetData(item.lParam);
    cell.SetState(item.nState);
    cell.SetFont(&item.lfFont);
    cell.SetMargin(item.nMargin);
    cell.SetText(item.strText.c_str());
    cell.SetGrid(const_cast<CGridCtrlBase*>(this));
    return &cell;
}
