#include "grid/grid_cell_base.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "grid/grid_cell.h"
#include "grid/grid_ctrl_base.h"
#include "platform/window/window_dc.h"
#include "platform/gdi/imagelist.h"

IMPLEMENT_DYNAMIC(CGridCellBase, CObject)

namespace {

// The cell's font turned by 90 degrees (text written upwards).
bool IsVertical(const LOGFONTW* font) { return font && font->lfEscapement == 900; }


// Texts up to this many code units are drawn whole.
constexpr size_t kWholeText = 1024;

bool IsLineEnd(char16_t c) { return c == u'\r' || c == u'\n'; }
bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// How wide one line of text is drawn (line ends left out, as a single-line
// DrawText leaves them).
long long LineWidth(CDC* dc, std::u16string_view line) {
    std::u16string plain;
    plain.reserve(line.size());
    for (char16_t c : line)
        if (!IsLineEnd(c)) plain.push_back(c);
    return dc->GetTextExtent(plain.data(), int(plain.size())).cx;
}

// The part of one line that shows in `width` pixels: for a line drawn from
// its start (left aligned, or cut with an ellipsis), a start of it that
// reaches past the edge by a few characters. A line laid out from its end or
// its middle is drawn whole: its glyphs' places depend on its whole width.
std::u16string_view ShownLine(CDC* dc, std::u16string_view line, long long width, UINT format) {
    if (line.size() <= kWholeText) return line;
    const bool ellipsis = (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS)) != 0;
    if (!ellipsis && (format & (DT_RIGHT | DT_CENTER))) return line;
    const long long reach = width + 4 * dc->GetTextExtent(u"W", 1).cx;
    for (size_t n = 256;; n *= 2) {
        if (n >= line.size()) return line;
        std::u16string_view part = line.substr(0, n);
        if (IsHighSurrogate(part.back())) part = line.substr(0, n + 1);  // never half a pair
        if (LineWidth(dc, part) > reach) return part;
    }
}

// What DrawText can show of `text` in `rect` with `format`: a long text is cut
// to the lines that fit and, unless words wrap, to what shows of each line, so
// drawing costs what shows, not what the cell holds. The picture is the same as
// drawing the whole text. The result views `text`, or `shown` when lines were
// cut and put together there.
std::u16string_view ShownText(CDC* dc, const char16_t* text, const CRect& rect, UINT format, std::u16string& shown) {
    const std::u16string_view all(text ? text : u"");
    if (all.size() <= kWholeText || !(format & DT_NOPREFIX) || (format & (DT_PATH_ELLIPSIS | DT_CALCRECT)))
        return all;
    const long long width = std::max<long long>(0, rect.right - rect.left);
    if (format & DT_SINGLELINE) return ShownLine(dc, all, width, format);

    // Lines end at CR LF, CR or LF; only the first few can show.
    const long long lineHeight = std::max<long long>(1, dc->GetTextExtent(u"M", 1).cy);
    const long long lines = std::max<long long>(0, rect.bottom - rect.top) / lineHeight + 2;
    size_t at = 0;
    for (long long i = 0; i < lines && at <= all.size(); ++i) {
        size_t end = at;
        while (end < all.size() && !IsLineEnd(all[end])) ++end;
        const std::u16string_view line = all.substr(at, end - at);
        if (i > 0) shown += u'\n';
        shown += (format & DT_WORDBREAK) ? line : ShownLine(dc, line, width, format);
        if (end >= all.size()) break;
        at = end + (all[end] == u'\r' && end + 1 < all.size() && all[end + 1] == u'\n' ? 2 : 1);
        if (at == all.size()) {
            if (i + 1 < lines) shown += u'\n';  // a last, empty line
            break;
        }
    }
    return shown;
}

}  // namespace

COLORREF PrintGrey(COLORREF colour) {
    const BYTE grey = BYTE(0.3 * GetRValue(colour) + 0.59 * GetGValue(colour) + 0.11 * GetBValue(colour));
    return RGB(grey, grey, grey);
}

CGridCellBase::CGridCellBase() = default;
CGridCellBase::~CGridCellBase() = default;

CGridDefaultCell* CGridCellBase::GetDefaultCell() const {
    CGridCtrlBase* grid = GetGrid();
    if (!grid) return nullptr;
    return grid->GetDefaultCell(IsFixedRow(), IsFixedCol());
}

void CGridCellBase::Assign(const CGridCellBase& source) {
    if (&source == this) return;
    SetGrid(source.GetGrid());
    SetText(source.GetText());
    SetImage(source.GetImage());
    SetData(source.GetData());
    SetState(source.GetState());
    SetFormat(source.GetFormat());
    SetTextClr(source.GetTextClr());
    SetBackClr(source.GetBackClr());
    SetFont(source.IsDefaultFont() ? nullptr : source.GetFont());
    SetMargin(source.GetMargin());
    SetMergeOwner(source.GetMergeOwner());
    m_MergeRange = source.GetMergeRange();
    m_bHide = !source.IsShown();
}

void CGridCellBase::Reset() {
    m_nState = 0;
    m_MergeRange = CellRange();
    m_bMergeWithOthers = false;
    m_MergeCellID = CCellID();
    m_bHide = false;
}

BOOL CGridCellBase::OnSetCursor() {
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    return TRUE;
}

BOOL CGridCellBase::GetImageRect(RECT* rect) const {
    CGridCtrlBase* grid = GetGrid();
    if (!grid || !grid->GetImageList() || GetImage() < 0) return FALSE;
    IMAGEINFO info;
    if (!grid->GetImageList()->GetImageInfo(GetImage(), &info)) return FALSE;
    *rect = info.rcImage;
    return TRUE;
}

void CGridCellBase::DrawFixedEdges(CDC* pDC, CRect& rect, BOOL highlighted) {
    if (m_bCellEdge) {
        if (highlighted) {
            CRect edge(rect.left, rect.top, rect.right + 1, rect.bottom + 1);
            pDC->DrawEdge(&edge, BDR_SUNKENINNER, BF_RECT);
            edge.DeflateRect(1, 1);
            rect = edge;
            return;
        }
        CPen light(PS_SOLID, 1, GetSysColor(COLOR_3DHIGHLIGHT));
        CPen dark(PS_SOLID, 1, GetSysColor(COLOR_3DDKSHADOW));
        CPen* old = pDC->SelectObject(&light);
        pDC->MoveTo(rect.right, rect.top);
        pDC->LineTo(rect.left, rect.top);
        pDC->LineTo(rect.left, rect.bottom);
        pDC->SelectObject(&dark);
        pDC->MoveTo(rect.right, rect.top);
        pDC->LineTo(rect.right, rect.bottom);
        pDC->LineTo(rect.left, rect.bottom);
        if (old) pDC->SelectObject(old);
        return;
    }
    rect.top = std::max<LONG>(0, rect.top - 1);
    rect.left = std::max<LONG>(0, rect.left - 1);
    CPen border(PS_SOLID, 1, m_crBorder);
    CPen* old = pDC->SelectObject(&border);
    pDC->MoveTo(rect.left, rect.top);
    pDC->LineTo(rect.right, rect.top);
    pDC->LineTo(rect.right, rect.bottom);
    pDC->LineTo(rect.left, rect.bottom);
    pDC->LineTo(rect.left, rect.top);
    if (old) pDC->SelectObject(old);
}

BOOL CGridCellBase::Draw(CDC* pDC, int row, int col, CRect rect, BOOL erase) {
    if (!IsShown() && GetMergeRange().Count() <= 1) return TRUE;
    CGridCtrlBase* grid = GetGrid();
    if (!grid || !pDC || rect.Width() <= 0 || rect.Height() <= 0) return FALSE;

    const int saved = pDC->SaveDC();
    pDC->SetBkMode(TRANSPARENT);
    CGridDefaultCell* def = GetDefaultCell();
    if (!def) {
        pDC->RestoreDC(saved);
        return FALSE;
    }

    COLORREF text = GetTextClr() == CLR_DEFAULT ? def->GetTextClr() : GetTextClr();
    COLORREF back = def->GetBackClr();
    if (GetBackClr() != CLR_DEFAULT) {
        back = GetBackClr();
        erase = TRUE;
    }

    if (!IsFocused() && !IsDropHighlighted()) {
        if (IsSelected()) {
            CRect fill(rect.left, rect.top, rect.right + 1, rect.bottom + 1);
            pDC->FillSolidRect(&fill, GetSysColor(COLOR_HIGHLIGHT));
            text = GetSysColor(COLOR_HIGHLIGHTTEXT);
            pDC->SetTextColor(text);
        } else {
            if (erase) {
                CBrush brush(back);
                pDC->FillRect(&rect, &brush);
            }
            pDC->SetTextColor(text);
        }
    } else {
        if (IsSelected()) {
            back = GetSysColor(COLOR_HIGHLIGHT);
            text = GetSysColor(COLOR_HIGHLIGHTTEXT);
            erase = TRUE;
        }
        if (erase) {
            CBrush brush;
            if (brush.CreateSolidBrush(back)) pDC->FillRect(&rect, &brush);
        }
        if (grid->m_bFrameFocusCell) {
            CRect frame = rect;
            if (grid->GetGridLines() == 0) {
                frame.right += 1;
                frame.bottom += 1;
            }
            CBrush brush(text);
            pDC->FrameRect(&frame, &brush);
        }
        pDC->SetTextColor(text);
    }

    if (IsFixed() && grid->GetGridLines() != 0) {
        const CCellID focus = grid->GetFocusCell();
        const bool focusValid = focus.row >= 0 && focus.col >= 0 && focus.row < grid->GetRowCount() &&
                                focus.col < grid->GetColumnCount();
        const BOOL highlighted =
            grid->m_bFocusColumnHeaders && focusValid && (focus.row == row || focus.col == col);
        DrawFixedEdges(pDC, rect, highlighted);
    }

    if (!pDC->IsPrinting()) {
        if (CFont* font = GetFontObject()) pDC->SelectObject(font);
    }

    const int margin = int(GetMargin());
    rect.DeflateRect(margin, margin);

    RECT image;
    if (GetImageRect(&image)) {
        const int w = image.right - image.left + 1;
        const int h = image.bottom - image.top + 1;
        if (rect.left + w <= rect.right + 2 * margin && rect.top + h <= rect.bottom + 2 * margin)
            grid->GetImageList()->Draw(pDC, GetImage(), rect.TopLeft(), ILD_NORMAL);
    }

    if (row == 0 && col == grid->GetSortColumn()) {
        const CSize m = pDC->GetTextExtent(u"M", 1);
        int s = m.cy - 4;
        if (s >= rect.Height()) s = rect.Height() - 4;
        const bool vertical = IsVertical(GetFont());
        // A row too low for an arrow gets none, and its text keeps the width.
        if (s > 0 && rect.left + s < rect.right) {
            const int y = rect.bottom - s - 2;
            const int x = vertical ? (rect.left + rect.right - s) / 2 : rect.right - s;
            CPen shadow(PS_SOLID, 0, GetSysColor(COLOR_3DSHADOW));
            CPen light(PS_SOLID, 0, GetSysColor(COLOR_3DHIGHLIGHT));
            CPen* old = pDC->SelectObject(&light);
            for (int pass = 0; pass < 2; ++pass) {
                const int d = pass == 0 ? 1 : 0;
                if (pass == 1) pDC->SelectObject(&shadow);
                if (grid->GetSortAscending()) {
                    pDC->MoveTo(x + d, y + s + d);
                    pDC->LineTo(x + s / 2 + d, y + d);
                    pDC->LineTo(x + s + d, y + s + d);
                    pDC->LineTo(x + d, y + s + d);
                } else {
                    pDC->MoveTo(x + d, y + d);
                    pDC->LineTo(x + s / 2 + d, y + s + d);
                    pDC->LineTo(x + s + d, y + d);
                    pDC->LineTo(x + d, y + d);
                }
            }
            if (old) pDC->SelectObject(old);
            if (!vertical) rect.right -= s;
        }
    }

    GetTextRect(&rect);
    rect.top -= 1;
    rect.bottom += 1;
    const UINT format = GetFormat() | DT_NOPREFIX;
    std::u16string cut;
    const std::u16string_view shown = ShownText(pDC, GetText(), rect, format, cut);
    DrawTextW(pDC->GetSafeHdc(), shown.data(), int(shown.size()), &rect, format);

    pDC->RestoreDC(saved);
    return TRUE;
}

BOOL CGridCellBase::GetTextRect(LPRECT rect) {
    RECT image;
    if (rect && GetImageRect(&image)) rect->left += (image.right - image.left + 1) + LONG(GetMargin());
    return TRUE;
}

CSize CGridCellBase::GetTextExtent(LPCTSTR text, CDC* pDC) {
    CGridDefaultCell* def = GetDefaultCell();
    const CSize defaultSize = def ? CSize(def->GetWidth(), def->GetHeight()) : CSize();
    if (!text) return defaultSize;
    std::unique_ptr<CClientDC> own;
    if (!pDC) {
        CGridCtrlBase* grid = GetGrid();
        if (!grid || !grid->GetSafeHwnd()) return defaultSize;
        own = std::make_unique<CClientDC>(grid);
        if (!own->GetSafeHdc()) return defaultSize;
        pDC = own.get();
    }

    CFont* oldFont = nullptr;
    if (CFont* font = GetFontObject()) oldFont = pDC->SelectObject(font);

    const DWORD format = GetFormat();
    CSize size;
    if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE)) {
        const std::u16string all(text);
        int widest = 0;
        size_t start = 0;
        while (true) {
            const size_t end = all.find(u'\n', start);
            const std::u16string line = all.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
            widest = std::max<int>(widest, pDC->GetTextExtent(line).cx);
            if (end == std::u16string::npos) break;
            start = end + 1;
        }
        CRect calc(0, 0, widest + 1, 0);
        pDC->DrawText(text, -1, &calc, format | DT_CALCRECT);
        size = CSize(calc.Width(), calc.Height());
    } else {
        SIZE s{};
        GetTextExtentPoint32W(pDC->GetSafeHdc(), text, int(std::u16string(text).size()), &s);
        size = s;
    }

    if (oldFont) pDC->SelectObject(oldFont);
    const int margin = int(GetMargin());
    size.cx += 2 * margin;
    size.cy += 2 * margin;

    const LOGFONTW* font = GetFont();
    if (font && (font->lfEscapement == 900 || font->lfEscapement == -900)) {
        const int width = size.cx;
        size.cx = size.cy;
        size.cy = width + 4 * margin;
    }
    return size;
}

CSize CGridCellBase::GetCellExtent(CDC* pDC) {
    CSize size = GetTextExtent(GetText(), pDC);
    const int margin = int(GetMargin());
    int imageWidth = 0, imageHeight = 0;
    RECT image;
    if (GetImageRect(&image)) {
        imageWidth = image.right - image.left;
        imageHeight = image.bottom - image.top;
        if (size.cx > 2 * margin) imageWidth += margin;
        imageHeight += 2 * margin;
    }
    size.cx += imageWidth + 1;
    size.cy = std::max<int>(size.cy, imageHeight) + 1;
    if (IsFixed()) {
        size.cx += 1;
        size.cy += 1;
    }
    return size;
}

BOOL CGridCellBase::PrintCell(CDC* pDC, int /*row*/, int /*col*/, CRect rect) {
    if (!IsShown() && GetMergeRange().Count() <= 1) return TRUE;
    CGridCtrlBase* grid = GetGrid();
    if (!grid || !pDC || rect.Width() <= 0 || rect.Height() <= 0) return FALSE;

    const int saved = pDC->SaveDC();
    pDC->SetBkMode(TRANSPARENT);
    pDC->Rectangle(rect.left - 1, rect.top - 1, rect.right + 1, rect.bottom + 1);

    COLORREF text = RGB(0, 0, 0);
    if (grid->m_nPrintColours) {
        CGridDefaultCell* def = GetDefaultCell();
        if (!def) {
            pDC->RestoreDC(saved);
            return FALSE;
        }
        bool hasBack = false;
        COLORREF back = 0;
        if (IsFixed()) {
            back = GetBackClr() == CLR_DEFAULT ? def->GetBackClr() : GetBackClr();
            hasBack = true;
        } else if (GetBackClr() != CLR_DEFAULT && GetBackClr() != def->GetBackClr()) {
            back = GetBackClr();
            hasBack = true;
        }
        text = GetTextClr() == CLR_DEFAULT ? def->GetTextClr() : GetTextClr();
        if (pDC->GetDeviceCaps(NUMCOLORS) == 2 && !hasBack) {
            text = PrintGrey(text);
        } else if (hasBack) {
            CRect fill(rect.left, rect.top, rect.right + 1, rect.bottom + 1);
            pDC->FillSolidRect(&fill, back);
        }
    }
    pDC->SetTextColor(text);
    if (CFont* font = GetFontObject()) pDC->SelectObject(font);

    if (IsFixed() && grid->GetGridLines() != 0) {
        const BOOL edge = m_bCellEdge;
        m_bCellEdge = TRUE;
        DrawFixedEdges(pDC, rect, FALSE);
        m_bCellEdge = edge;
        rect.DeflateRect(1, 1);
    }

    const int margin = int(GetMargin());
    rect.DeflateRect(margin, 0);
    RECT image;
    if (GetImageRect(&image)) {
        grid->GetImageList()->Draw(pDC, GetImage(), rect.TopLeft(), ILD_NORMAL);
        rect.left += (image.right - image.left) + margin;
    }

    const UINT format = GetFormat() | DT_NOPREFIX;
    std::u16string cut;
    const std::u16string_view shown = ShownText(pDC, GetText(), rect, format, cut);
    DrawTextW(pDC->GetSafeHdc(), shown.data(), int(shown.size()), &rect, format);
    pDC->RestoreDC(saved);
    return TRUE;
}
