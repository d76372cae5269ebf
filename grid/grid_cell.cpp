#include "grid/grid_cell.h"

#include "grid/grid_ctrl_base.h"
#include "grid/in_place_edit.h"
#include "platform/window/window_dc.h"
#include "platform/gdi/sysparams.h"

IMPLEMENT_DYNCREATE(CGridCell, CGridCellBase)
IMPLEMENT_DYNCREATE(CGridDefaultCell, CGridCell)

namespace {

// The one font object that every cell with a font of its own draws with.
CFont& SharedCellFont() {
    static CFont font;
    return font;
}

}  // namespace

// ---------------------------------------------------------------------------
// CGridCell

CGridCell::CGridCell() = default;
CGridCell::~CGridCell() = default;

void CGridCell::SetFont(const LOGFONTW* font) {
    if (!font) {
        m_plfFont.reset();
        return;
    }
    if (!m_plfFont) m_plfFont = std::make_unique<LOGFONTW>();
    *m_plfFont = *font;
}

DWORD CGridCell::GetFormat() const {
    if (m_nFormat != kCellFormatDefault) return m_nFormat;
    CGridDefaultCell* def = GetDefaultCell();
    return def ? def->GetFormat() : 0;
}

const LOGFONTW* CGridCell::GetFont() const {
    if (m_plfFont) return m_plfFont.get();
    CGridDefaultCell* def = GetDefaultCell();
    return def ? def->GetFont() : nullptr;
}

CFont* CGridCell::GetFontObject() const {
    if (!m_plfFont) {
        CGridDefaultCell* def = GetDefaultCell();
        return def ? def->GetFontObject() : nullptr;
    }
    CFont& font = SharedCellFont();
    font.DeleteObject();
    if (!font.CreateFontIndirect(m_plfFont.get())) return nullptr;
    return &font;
}

UINT CGridCell::GetMargin() const {
    if (m_nMargin != kCellMarginDefault) return m_nMargin;
    CGridDefaultCell* def = GetDefaultCell();
    return def ? def->GetMargin() : 0;
}

CWnd* CGridCell::GetEditWnd() const { return CWnd::FromHandle(m_hEditWnd); }

void CGridCell::Reset() {
    CGridCellBase::Reset();
    m_strText.clear();
    m_lParam = 0;
    m_nImage = -1;
    m_nFormat = kCellFormatDefault;
    m_crFgClr = CLR_DEFAULT;
    m_crBkClr = CLR_DEFAULT;
    m_plfFont.reset();
    m_nMargin = kCellMarginDefault;
    m_bEditing = FALSE;
    m_pGrid = nullptr;
    m_hEditWnd = nullptr;
}

BOOL CGridCell::Edit(int row, int col, CRect rect, CPoint, UINT id, UINT ch) {
    if (m_bEditing) {
        if (CWnd* edit = GetEditWnd()) {
            edit->SendMessage(WM_CHAR, ch, 0);
            return TRUE;
        }
        // The box went away without its end reaching this cell.
        m_bEditing = FALSE;
        m_hEditWnd = nullptr;
    }
    const DWORD format = GetFormat();
    DWORD style = ES_LEFT;
    if (format & DT_RIGHT) style = ES_RIGHT;
    else if (format & DT_CENTER) style = ES_CENTER;
    m_bEditing = TRUE;
    auto* edit = new CInPlaceEdit(m_pGrid, rect, style, id, row, col, GetText(), ch);
    if (!edit->GetSafeHwnd()) {
        delete edit;
        m_bEditing = FALSE;
        return TRUE;
    }
    m_hEditWnd = edit->GetSafeHwnd();
    return TRUE;
}

void CGridCell::EndEdit() {
    if (auto* edit = dynamic_cast<CInPlaceEdit*>(GetEditWnd())) edit->EndEdit();
}

void CGridCell::OnEndEdit() {
    m_bEditing = FALSE;
    m_hEditWnd = nullptr;
}

// ---------------------------------------------------------------------------
// CGridDefaultCell

CGridDefaultCell::CGridDefaultCell() {
    m_nFormat = DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
    m_crFgClr = CLR_DEFAULT;
    m_crBkClr = CLR_DEFAULT;
    NONCLIENTMETRICSW metrics;
    metrics.cbSize = sizeof(NONCLIENTMETRICSW);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(NONCLIENTMETRICSW), &metrics, 0))
        SetFont(&metrics.lfMessageFont);
}

CGridDefaultCell::~CGridDefaultCell() { m_Font.DeleteObject(); }

void CGridDefaultCell::SetFont(const LOGFONTW* font) {
    if (!font) return;
    m_Font.DeleteObject();
    m_Font.CreateFontIndirect(font);
    CGridCell::SetFont(font);

    CClientDC dc(nullptr);
    if (!dc.GetSafeHdc()) {
        m_nMargin = 3;
        m_Size = CSize(40, 16);
        return;
    }
    CFont* old = dc.SelectObject(&m_Font);
    SIZE space{}, sample{};
    GetTextExtentPoint32W(dc.GetSafeHdc(), u" ", 1, &space);
    GetTextExtentPoint32W(dc.GetSafeHdc(), u" XXXXXXXXXXXX ", 14, &sample);
    m_nMargin = UINT(space.cx);
    m_Size = CSize(sample.cx, (3 * sample.cy) / 2);
    if (old) dc.SelectObject(old);
}

CFont* CGridDefaultCell::GetFontObject() const {
    return m_Font.GetSafeHandle() ? &m_Font : nullptr;
}

bool CGridCell::HoldsOnlyFormat() const {
    return m_strText.empty() && m_lParam == 0 && m_nImage == -1 && m_nFormat != kCellFormatDefault &&
           m_crFgClr == CLR_DEFAULT && m_crBkClr == CLR_DEFAULT && !m_plfFont && m_nMargin == kCellMarginDefault &&
           !m_bEditing && !m_hEditWnd && m_MergeRange == CellRange(-1, -1, -1, -1) &&
           !m_bMergeWithOthers && m_MergeCellID == CCellID() && !m_bHide && m_bCellEdge;
}
