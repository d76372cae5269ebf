// The grid window: cut, copy and paste of the selected cells as text, and drag
// and drop of the selection, of rows and of header columns.
//
// The text is CF_TEXT in the ANSI code page: fields separated by tabs, rows by
// CR LF, one NUL at the end. Every change it makes to a cell goes through the
// same path as an edit by the user, with the begin-edit and end-edit notices.
#include <algorithm>
#include <climits>
#include <cwctype>
#include <string>
#include <string_view>
#include <vector>

#include "grid/grid_ctrl.h"
#include "platform/base/codepage.h"
#include "platform/window/edit.h"
#include "platform/window/window_dc.h"

namespace {

// The grid whose own drag runs now, and whether a drop on that grid moved
// rows or a column instead of taking the text.
const CGridCtrl* g_dragSource = nullptr;
bool g_dragMovedWithin = false;

constexpr UINT kClipboardFlags = GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT;
constexpr int kModeDragging = 12;

bool IsBlank(char16_t c) { return std::iswspace(wint_t(c)) != 0; }

CString Trimmed(std::u16string_view text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return CString(text.substr(first, last - first));
}

// Moves entry `from` of `order` to sit just below entry `onto` (the place it
// had after taking it out: onto, plus one when it came from at or below it).
// Returns the index it ends at.
template <typename T>
int MoveBelow(std::vector<T>& order, int from, int onto) {
    T moved = order[size_t(from)];
    order.erase(order.begin() + from);
    size_t at = size_t(onto) + (from >= onto ? 1 : 0);
    at = std::min(at, order.size());
    order.insert(order.begin() + std::ptrdiff_t(at), moved);
    return int(at);
}

// Where index `i` ends after the entry at `from` moved to `to`.
int AfterMove(int i, int from, int to) {
    if (i == from) return to;
    if (from < to && i > from && i <= to) return i - 1;
    if (from > to && i >= to && i < from) return i + 1;
    return i;
}

}  // namespace

// ---------------------------------------------------------------------------
// The user-change path

void CGridCtrl::SetCellTextByUser(int nRow, int nCol, LPCTSTR text) {
    if (!m_bEditable || !text) return;
    if (GetItemState(nRow, nCol) & CIS_READONLY) return;
    if (SendMessageToParent(nRow, nCol, int(GRIDN_BEGINLABELEDIT)) < 0) return;
    const CString old = GetItemText(nRow, nCol);
    if (old == text) return;
    SetItemText(nRow, nCol, text);
    if (ValidateEdit(nRow, nCol, text) && SendMessageToParent(nRow, nCol, int(GRIDN_ENDLABELEDIT)) >= 0) {
        SetModified(nRow, nCol);
        RepaintCell(nRow, nCol);
    } else {
        SetItemText(nRow, nCol, old.c_str());
    }
}

void CGridCtrl::CutSelectedText() {
    if (!m_bEditable) return;
    // A snapshot (as the map holds it, blocks and all): each change may move
    // cells in and out of the selection.
    const CellMap cells = m_mapSelected;
    for (const auto& [key, cell] : cells) SetCellTextByUser(cell.row, cell.col, u"");
}

// ---------------------------------------------------------------------------
// Copy and paste

COleDataSource* CGridCtrl::CopyTextFromGrid() {
    const CellRange range = GetSelectionBounds();
    if (!range.IsValid() || range.minRow < 0 || range.minCol < 0 || range.maxRow >= m_nRowCount ||
        range.maxCol >= m_nColumnCount)
        return nullptr;
    if (m_bVirtualMode) SendCacheHintToParent(range);

    CSharedFile file(kClipboardFlags, 4096);
    bool ok = true;
    bool firstLine = true;
    for (int row = range.minRow; row <= range.maxRow && ok; ++row) {
        if (GetRowHeight(row) == 0) continue;
        CString line;
        if (!firstLine) line += u"\r\n";
        firstLine = false;
        bool firstField = true;
        for (int col = range.minCol; col <= range.maxCol; ++col) {
            if (GetColumnWidth(col) == 0) continue;
            if (!firstField) line += u'\t';
            firstField = false;
            if (IsCellSelected(row, col)) line += GetItemText(row, col);
        }
        const std::string bytes = WideToAnsi(line);
        ok = file.Write(bytes.data(), UINT(bytes.size())) != FALSE;
    }
    const char end = '\0';
    ok = ok && file.Write(&end, 1);

    if (m_bVirtualMode) SendCacheHintToParent(CellRange(-1, -1, -1, -1));

    const SIZE_T length = file.GetLength();
    HGLOBAL block = file.Detach();
    if (!ok || !block) {
        if (block) GlobalFree(block);
        return nullptr;
    }
    if (!GlobalReAlloc(block, length, kClipboardFlags)) {
        GlobalFree(block);
        return nullptr;
    }
    auto* source = new COleDataSource;
    source->CacheGlobalData(CF_TEXT, block);
    return source;
}

namespace {

// Writes the text of `data` into the grid from `start`; the number of cells
// written, or -1 when the text could not be read.
int PasteText(CGridCtrl& grid, CCellID start, COleDataObject* data, BOOL select) {
    HGLOBAL block = data->GetGlobalData(CF_TEXT);
    if (!block) return -1;
    std::string bytes;
    const SIZE_T size = GlobalSize(block);
    if (const auto* p = static_cast<const char*>(GlobalLock(block))) {
        // The text ends at its first NUL, and never past the block's end
        // whether or not it holds one.
        bytes.assign(p, std::find(p, p + size, '\0'));
        GlobalUnlock(block);
    }
    GlobalFree(block);
    const CString text = AnsiToWide(bytes);

    // Commas separate fields only in text without tabs, so a cell text with a
    // comma that the grid copied comes back whole.
    const bool commas = text.find(u'\t') == CString::npos;
    auto isSeparator = [commas](char16_t c) { return c == u'\t' || (commas && c == u','); };
    const int rows = grid.GetRowCount();
    const int cols = grid.GetColumnCount();
    int written = 0;
    int maxRow = start.row;
    int maxCol = start.col;
    // One pass over the text: lines and fields are read in place.
    size_t pos = 0;
    int rowSkip = 0;
    for (int i = 0; pos <= text.size(); ++i) {
        const size_t nl = text.find(u'\n', pos);
        const size_t lineEnd = nl == CString::npos ? text.size() : nl;
        size_t at = pos;
        pos = lineEnd + 1;

        int row = start.row + i + rowSkip;
        while (row < rows && grid.GetRowHeight(row) == 0) {
            ++row;
            ++rowSkip;
        }
        if (row >= rows) break;  // what is left falls below the grid
        int colSkip = 0;
        for (int j = 0; at < lineEnd; ++j) {
            size_t sep = at;
            while (sep < lineEnd && !isSeparator(text[sep])) ++sep;
            const std::u16string_view field(text.data() + at, sep - at);
            at = sep < lineEnd ? sep + 1 : lineEnd;
            int col = start.col + j + colSkip;
            while (col < cols && grid.GetColumnWidth(col) == 0) {
                ++col;
                ++colSkip;
            }
            if (col >= cols) break;  // the rest of the line falls beyond the grid
            if (!grid.IsCellInGrid(row, col)) continue;
            grid.SetCellTextByUser(row, col, Trimmed(field).c_str());
            grid.SetItemState(row, col, grid.GetItemState(row, col) & ~CIS_SELECTED);
            maxRow = std::max(maxRow, row);
            maxCol = std::max(maxCol, col);
            ++written;
        }
    }
    if (select && written > 0) {
        grid.SetSelectedRange(start.row, start.col, maxRow, maxCol, TRUE, TRUE);
    } else {
        grid.ResetSelectedRange();
        grid.Refresh();
    }
    return written;
}

}  // namespace

BOOL CGridCtrl::PasteTextToGrid(CCellID cell, COleDataObject* pDataObject, BOOL bSelectPastedCells) {
    if (!IsCellInGrid(cell) || !m_bEditable || (GetItemState(cell.row, cell.col) & CIS_READONLY)) return FALSE;
    if (!pDataObject || !pDataObject->IsDataAvailable(CF_TEXT)) return FALSE;
    return PasteText(*this, cell, pDataObject, bSelectPastedCells) >= 0;
}

void CGridCtrl::OnEditCut() {
    if (!m_bEditable) return;
    COleDataSource* source = CopyTextFromGrid();
    if (!source) return;
    source->SetClipboard();
    CutSelectedText();
}

void CGridCtrl::OnEditCopy() {
    if (COleDataSource* source = CopyTextFromGrid()) source->SetClipboard();
}

void CGridCtrl::OnEditPaste() {
    if (!m_bEditable) return;
    CCellID start;
    const CellRange range = GetSelectionBounds();
    if (range.IsValid())
        start = range.GetTopLeft();
    else if (IsCellInGrid(m_idFocus))
        start = m_idFocus;
    else
        start = GetTopLeftScrollCell();
    if (!IsCellInGrid(start)) return;

    if (CGridCellBase* cell = ReadCell(start.row, start.col); cell && cell->IsEditing()) {
        if (auto* edit = dynamic_cast<CEdit*>(cell->GetEditWnd())) {
            edit->SendMessage(WM_PASTE, 0, 0);
            return;
        }
    }
    COleDataObject data;
    data.AttachClipboard();
    PasteTextToGrid(start, &data, TRUE);
    data.Release();
}

void CGridCtrl::OnUpdateEditCut(CCmdUI* pCmdUI) {
    if (pCmdUI) pCmdUI->Enable(m_bEditable && !m_mapSelected.empty());
}

void CGridCtrl::OnUpdateEditCopy(CCmdUI* pCmdUI) {
    if (pCmdUI) pCmdUI->Enable(!m_mapSelected.empty());
}

void CGridCtrl::OnUpdateEditPaste(CCmdUI* pCmdUI) {
    if (!pCmdUI) return;
    const CGridCellBase* cell = IsCellInGrid(m_idFocus) ? ReadCell(m_idFocus.row, m_idFocus.col) : nullptr;
    const bool readOnly = cell && cell->IsReadOnly();
    pCmdUI->Enable(IsCellInGrid(m_idFocus) && m_bEditable && !readOnly && IsClipboardFormatAvailable(CF_TEXT));
}

void CGridCtrl::OnUpdateEditSelectAll(CCmdUI* pCmdUI) {
    if (pCmdUI) pCmdUI->Enable(m_bSelectionEnabled);
}

void CGridCtrl::Refresh() {
    if (GetSafeHwnd() && m_bRedrawEnabled) Invalidate(TRUE);
}

// ---------------------------------------------------------------------------
// Dragging out

void CGridCtrl::OnBeginDrag() {
    const bool header = m_nCurrentColumn >= 0;
    if (!m_bDragDropEnabled && !header) return;
    COleDataSource* source = header ? new COleDataSource : CopyTextFromGrid();
    if (!source) return;

    const CellRange range = GetSelectionBounds();
    SendMessageToParent(range.minRow, range.minCol, int(GRIDN_BEGINDRAG));
    m_nMouseMode = kModeDragging;
    m_bLeftButtonDown = FALSE;

    const CGridCtrl* outer = g_dragSource;
    g_dragSource = this;
    g_dragMovedWithin = false;
    const DROPEFFECT effect = source->DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE);
    const bool movedWithin = g_dragMovedWithin;
    g_dragSource = outer;
    g_dragMovedWithin = false;
    delete source;
    m_nCurrentColumn = -1;

    // The text moved elsewhere leaves its cells; rows or a column moved inside
    // this grid take their texts with them.
    if ((effect & DROPEFFECT_MOVE) && !header && !movedWithin) CutSelectedText();
}

CImageList* CGridCtrl::CreateDragImage(CPoint* pHotSpot) {
    if (!GetSafeHwnd()) return nullptr;
    CClientDC dc(this);
    CRect rect;
    if (!GetCellRect(m_idFocus.row, m_idFocus.col, &rect)) return nullptr;
    rect.OffsetRect(-rect.left, -rect.top);
    if (pHotSpot) *pHotSpot = CPoint(rect.right, rect.bottom);

    auto* list = new CImageList;
    if (!list->Create(rect.Width(), rect.Height(), ILC_MASK, 1, 1)) {
        delete list;
        return nullptr;
    }
    CDC memDC;
    CBitmap bitmap;
    if (!memDC.CreateCompatibleDC(&dc) || !bitmap.CreateCompatibleBitmap(&dc, rect.Width(), rect.Height())) {
        delete list;
        return nullptr;
    }
    CBitmap* old = memDC.SelectObject(&bitmap);
    // The cell draws without its plain background, which the image shows
    // through: what it leaves undrawn has the colour that is masked out (a new
    // bitmap would otherwise be black there).
    const COLORREF seeThrough = GetDefaultCell(FALSE, FALSE)->GetBackClr();
    memDC.FillSolidRect(CRect(0, 0, rect.Width(), rect.Height()), seeThrough);
    if (CGridCellBase* cell = ReadCell(m_idFocus.row, m_idFocus.col)) cell->Draw(&memDC, m_idFocus.row, m_idFocus.col, rect, FALSE);
    memDC.SelectObject(old);
    list->Add(&bitmap, seeThrough);
    return list;
}

// ---------------------------------------------------------------------------
// Dropping in

void CGridCtrl::FollowMove(bool rows, int from, int to) {
    if (from == to) return;
    auto follow = [&](CCellID& cell) {
        int& i = rows ? cell.row : cell.col;
        if (i >= 0) i = AfterMove(i, from, to);
    };
    // The selected cells' bits travelled with their cells; the maps that name
    // them are keyed by place and follow them.
    for (CellMap* map : {&m_mapSelected, &m_mapPrevSelected})
        map->Remap(rows, [from, to](int i) { return i >= 0 ? AfterMove(i, from, to) : i; });
    follow(m_idFocus);
    follow(m_idSelectionStart);
    follow(m_idLeftClickDown);
    m_idTopLeftCache.row = -1;
}

DROPEFFECT CGridCtrl::OnDragEnter(COleDataObject* pDataObject, DWORD dwKeyState, CPoint point) {
    const bool header = m_nCurrentColumn >= 0;
    const CCellID cell = GetCellFromPt(point, header);
    m_idDropHighlight = cell;
    const DROPEFFECT effect = (dwKeyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
    if (header) {
        if (cell.row >= 0 && cell.row < m_nFixedRowCount && cell.col >= m_nFixedColumnCount && IsCellInGrid(cell)) {
            SetItemState(cell.row, cell.col, GetItemState(cell.row, cell.col) | CIS_DROPHILITED);
            RepaintCell(cell.row, cell.col);
        }
        return effect;
    }
    if (!m_bDragDropEnabled || !m_bEditable || !pDataObject || !pDataObject->IsDataAvailable(CF_TEXT) ||
        !IsCellInGrid(cell) || !IsCellEditable(cell))
        return DROPEFFECT_NONE;
    SetItemState(cell.row, cell.col, GetItemState(cell.row, cell.col) | CIS_DROPHILITED);
    RepaintCell(cell.row, cell.col);
    return effect;
}

DROPEFFECT CGridCtrl::OnDragOver(COleDataObject* pDataObject, DWORD dwKeyState, CPoint point) {
    const bool header = m_nCurrentColumn >= 0;
    // A header goes onto a header: fixed cells count only while one is dragged.
    const CCellID cell = GetCellFromPt(point, header);
    auto refuse = [this] {
        OnDragLeave();
        m_idDropHighlight = CCellID(-1, -1);
        return DROPEFFECT_NONE;
    };
    if (header) {
        // Only onto the header row of a non-fixed column.
        if (!IsCellInGrid(cell) || cell.row >= m_nFixedRowCount || cell.col < m_nFixedColumnCount) return refuse();
    } else {
        if (!m_bDragDropEnabled || !m_bEditable || !pDataObject || !pDataObject->IsDataAvailable(CF_TEXT))
            return DROPEFFECT_NONE;
        if (!IsCellInGrid(cell)) return refuse();
        if (!IsCellEditable(cell)) return DROPEFFECT_NONE;
    }
    const DROPEFFECT effect = (dwKeyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
    if (cell == m_idDropHighlight) return effect;
    OnDragLeave();
    m_idDropHighlight = cell;
    if (IsCellInGrid(cell)) {
        SetItemState(cell.row, cell.col, GetItemState(cell.row, cell.col) | CIS_DROPHILITED);
        RepaintCell(cell.row, cell.col);
    }
    return effect;
}

void CGridCtrl::OnDragLeave() {
    const CCellID cell = m_idDropHighlight;
    if (!IsCellInGrid(cell)) return;
    SetItemState(cell.row, cell.col, GetItemState(cell.row, cell.col) & ~CIS_DROPHILITED);
    RepaintCell(cell.row, cell.col);
}

BOOL CGridCtrl::OnDrop(COleDataObject* pDataObject, DROPEFFECT, CPoint) {
    m_nMouseMode = 0;
    const bool header = m_nCurrentColumn >= 0;
    const CCellID target = m_idDropHighlight;
    if (!header) {
        if (!m_bDragDropEnabled || !m_bEditable) return FALSE;
        if (!IsCellInGrid(target) || (GetItemState(target.row, target.col) & CIS_READONLY)) return FALSE;
    }
    OnDragLeave();

    if (header) {
        const int from = m_nCurrentColumn;
        const int onto = target.col;
        if (onto == from || target.row >= m_nFixedRowCount || onto < m_nFixedColumnCount ||
            onto >= int(m_vecColumnOrder.size()) || from < m_nFixedColumnCount || from >= int(m_vecColumnOrder.size()))
            return FALSE;
        // The columns between the two places move by one.
        EndEditIn(CellRange(0, std::min(from, onto), INT_MAX, std::max(from, onto)));
        const int moved = m_vecColumnOrder[size_t(from)];
        m_vecColumnOrder.erase(m_vecColumnOrder.begin() + from);
        const size_t at = std::min<size_t>(size_t(onto), m_vecColumnOrder.size());
        m_vecColumnOrder.insert(m_vecColumnOrder.begin() + std::ptrdiff_t(at), moved);
        FollowMove(false, from, int(at));
        m_nCurrentColumn = -1;
        g_dragMovedWithin = g_dragSource == this;
        InvalidateAll();
        return TRUE;
    }

    if (m_bRowDragging && g_dragSource == this) {
        // A row of this grid dropped on another of its rows moves just below it.
        const int from = m_nDraggedRow;
        const int onto = target.row;
        if (from < m_nFixedRowCount || from >= m_nRowCount || onto < m_nFixedRowCount || onto >= m_nRowCount)
            return FALSE;
        // The rows between the two places move by one.
        EndEditIn(CellRange(std::min(from, onto), 0, std::max(from, onto) + 1, INT_MAX));
        int at = 0;
        if (m_bVirtualMode) {
            if (from >= int(m_vecRowOrder.size()) || onto >= int(m_vecRowOrder.size())) return FALSE;
            at = MoveBelow(m_vecRowOrder.Edit(), from, onto);
        } else {
            if (from >= int(m_rows.size()) || onto >= int(m_rows.size()) || from >= int(m_arRowHeights.size()) ||
                onto >= int(m_arRowHeights.size()))
                return FALSE;
            at = MoveBelow(m_rows, from, onto);
            m_arRowHeights.Move(from, at);
            for (int row = std::min(from, at); row <= std::max(from, at) && row < int(m_rows.size()); ++row) {
                if (!m_rows[size_t(row)]) continue;
                for (size_t col = 0; col < m_rows[size_t(row)]->size(); ++col)
                    if (CGridCellBase* c = (*m_rows[size_t(row)])[col].Cell()) c->SetCoords(row, int(col));
            }
        }
        FollowMove(true, from, at);
        g_dragMovedWithin = true;
        InvalidateAll();
        return TRUE;
    }

    // Text from elsewhere is pasted at the cell it was dropped on; a drop that
    // wrote nothing reports no effect.
    if (!pDataObject || !pDataObject->IsDataAvailable(CF_TEXT)) return FALSE;
    return PasteText(*this, target, pDataObject, FALSE) > 0;
}
