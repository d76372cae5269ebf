// The grid on paper: pages of rows (and, with m_bPrintOption, of columns) with
// the fixed rows and columns repeated as headings, a header with the owner's
// title and the application's, and a footer with the page number and the time.
#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "grid/grid_ctrl.h"
#include "platform/base/codepage.h"
#include "platform/base/numeric.h"
#include "platform/base/wformat.h"
#include "platform/gdi/printer_dc.h"
#include "platform/system/strings.h"
#include "platform/window/window_dc.h"

namespace {

constexpr const char16_t* kMeasureText = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSATUVWXYZ";
constexpr int kMeasureChars = 52;
constexpr UINT kCentreFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;  // 0x825
constexpr UINT kRightFormat = DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;    // 0x826
constexpr UINT kLeftFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;      // 0x824

// Where each page of a run of rows or columns begins. A page takes items while
// their sizes fit `limit`; an item larger than the page gets a page of its own
// (it prints clipped), so no page is empty and no item is left out.
template <typename SizeOf>
std::vector<int> PageStarts(int first, int end, long long limit, SizeOf sizeOf) {
    std::vector<int> starts{first};
    long long used = 0;
    bool empty = true;
    for (int i = first; i < end; ++i) {
        const long long size = sizeOf(i);
        if (!empty && used + size > limit) {
            starts.push_back(i);
            used = 0;
        }
        used += size;
        empty = false;
    }
    return starts;
}

// The local date and time as the C library writes "%c".
CString NowText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[128] = {};
    const size_t n = std::strftime(buffer, sizeof buffer, "%c", &local);
    return AnsiToWide(std::string_view(buffer, n));
}

// A bold copy of `font` in `bold`.
void BoldCopy(const CFont& font, CFont& bold) {
    LOGFONTW lf{};
    font.GetLogFont(&lf);
    lf.lfWeight = FW_BOLD;
    bold.CreateFontIndirect(&lf);
}

}  // namespace

void CGridCtrl::OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo) {
    if (!pDC || !pInfo) return;
    const HDC screenHandle = ::GetDC(m_hWnd);
    if (!screenHandle) return;
    CDC* screen = CDC::FromHandle(screenHandle);
    const int printerX = pDC->GetDeviceCaps(LOGPIXELSX);
    const int printerY = pDC->GetDeviceCaps(LOGPIXELSY);
    const int screenX = screen->GetDeviceCaps(LOGPIXELSX);
    const int screenY = screen->GetDeviceCaps(LOGPIXELSY);

    if (m_PrinterFont.GetSafeHandle()) m_PrinterFont.DeleteObject();
    m_PrinterFont.CreateFont(-10, 0, 0, 0, FW_NORMAL, 0, 0, 0, 1, 2, 1, 0, 0, u"Arial");
    CFont* oldFont = pDC->SelectObject(&m_PrinterFont);

    m_CharSize = pDC->GetTextExtent(kMeasureText, kMeasureChars);
    m_CharSize.cx /= kMeasureChars;
    const long long margins = static_cast<long long>(m_nLeftMargin + m_nRightMargin) * m_CharSize.cx;

    m_PaperSize = CSize(pDC->GetDeviceCaps(HORZRES), pDC->GetDeviceCaps(VERTRES));
    // A printer that reports no page or no resolution leaves nothing to scale by.
    bool printable = m_PaperSize.cx > 0 && m_PaperSize.cy > 0 && printerX > 0 && printerY > 0;
    if (printable) {
        if (m_bPrintOption) {
            m_LogicalPageSize.cx = m_PaperSize.cx * screenX / printerX * 3 / 4;
            m_LogicalPageSize.cy = m_PaperSize.cy * screenY / printerY * 3 / 4;
        } else {
            // The grid's width scaled onto the page, but never narrower than the
            // footer's two texts side by side: a narrow grid would otherwise
            // print them over each other and cut off.
            const long long width = std::max<long long>(GetVirtualWidth(), FooterTextsWidth(pDC));
            m_LogicalPageSize.cx = int(std::min<long long>(width + margins, INT_MAX / 2));
            m_LogicalPageSize.cy = MulDiv(m_LogicalPageSize.cx, m_PaperSize.cy, m_PaperSize.cx);
        }
        printable = m_LogicalPageSize.cx > 0 && m_LogicalPageSize.cy > 0;
    }

    m_nPageBodyHeight = m_LogicalPageSize.cy -
                        (m_nHeaderHeight + m_nFooterHeight + 2 * m_nGap) * m_CharSize.cy - GetFixedRowHeight();
    m_nPageBodyWidth = int(m_LogicalPageSize.cx - GetFixedColumnWidth() - margins);

    const std::vector<int> rows = PageStarts(m_nFixedRowCount, m_nRowCount, m_nPageBodyHeight,
                                             [this](int r) { return GetRowHeight(r); });
    m_nPagesAcross = 1;
    if (m_bPrintOption)
        m_nPagesAcross = int(PageStarts(m_nFixedColumnCount, m_nColumnCount, m_nPageBodyWidth,
                                        [this](int c) { return GetColumnWidth(c); })
                                 .size());
    m_nPageCount = printable ? int(rows.size()) * m_nPagesAcross : 0;

    pInfo->SetMaxPage(UINT(m_nPageCount));
    pInfo->m_nCurPage = 1;
    ::ReleaseDC(m_hWnd, screenHandle);
    pDC->SelectObject(oldFont);
}

int CGridCtrl::FooterTextsWidth(CDC* pDC) const {
    // The page number at its widest: a page count has no more digits than the
    // rows that can start a page.
    const int most = std::max(1, m_nRowCount - m_nFixedRowCount);
    const CString page = platform::FormatWide(u"Page %d of %d", most, most);
    CFont bold;
    BoldCopy(m_PrinterFont, bold);
    CFont* oldFont = pDC->SelectObject(&bold);
    // Three characters between them, and one more for a date whose width
    // changes while the pages print.
    const long long width = static_cast<long long>(pDC->GetTextExtent(page).cx) + pDC->GetTextExtent(NowText()).cx +
                            4LL * m_CharSize.cx;
    pDC->SelectObject(oldFont);
    bold.DeleteObject();
    return int(std::min<long long>(width, INT_MAX / 4));
}

void CGridCtrl::OnPrint(CDC* pDC, CPrintInfo* pInfo) {
    if (!pDC || !pInfo || m_nPageCount <= 0 || !m_PrinterFont.GetSafeHandle()) return;
    const int page = int(pInfo->m_nCurPage);
    if (page < 1 || page > m_nPageCount) return;

    CFont* oldFont = pDC->SelectObject(&m_PrinterFont);
    const int left = m_nLeftMargin * m_CharSize.cx;
    const int margins = (m_nLeftMargin + m_nRightMargin) * m_CharSize.cx;
    pDC->SetMapMode(MM_ANISOTROPIC);
    pDC->SetWindowExt(m_LogicalPageSize);
    pDC->SetViewportExt(m_PaperSize);
    pDC->SetWindowOrg(-left, 0);

    pInfo->m_rectDraw.SetRect(0, 0, m_LogicalPageSize.cx - margins, m_nHeaderHeight * m_CharSize.cy);
    PrintHeader(pDC, pInfo);
    pDC->OffsetWindowOrg(0, -(m_nHeaderHeight * m_CharSize.cy));
    pDC->OffsetWindowOrg(0, -(m_nGap * m_CharSize.cy));
    pDC->OffsetWindowOrg(0, -GetFixedRowHeight());

    // Pages run band by band: pages 1 to a cover the first band of rows.
    const int across = std::max(1, m_nPagesAcross);
    const int pageRow = page / across + (page % across ? 1 : 0);
    const int pageCol = page % across ? page % across : across;
    const std::vector<int> rows = PageStarts(m_nFixedRowCount, m_nRowCount, m_nPageBodyHeight,
                                             [this](int r) { return GetRowHeight(r); });
    const std::vector<int> cols =
        m_bPrintOption ? PageStarts(m_nFixedColumnCount, m_nColumnCount, m_nPageBodyWidth,
                                    [this](int c) { return GetColumnWidth(c); })
                       : std::vector<int>{m_nFixedColumnCount};
    m_nCurrPrintRow = rows[size_t(std::min<int>(pageRow, int(rows.size())) - 1)];
    m_nCurrPrintCol = cols[size_t(std::min<int>(pageCol, int(cols.size())) - 1)];
    const int lastRow = size_t(pageRow) < rows.size() ? rows[size_t(pageRow)] - 1 : m_nRowCount - 1;
    const int lastCol = m_bPrintOption && size_t(pageCol) < cols.size() ? cols[size_t(pageCol)] - 1
                                                                          : m_nColumnCount - 1;

    PrintFixedColumns(pDC, pInfo);

    pDC->OffsetWindowOrg(0, GetFixedRowHeight());
    const int bodyWidth = m_nPageBodyWidth;
    m_nPageBodyWidth += GetFixedColumnWidth();
    PrintFixedRows(pDC, pInfo);
    m_nPageBodyWidth = bodyWidth;

    pDC->OffsetWindowOrg(-GetFixedColumnWidth(), -GetFixedRowHeight());

    // The body: this page's rows and columns. A row or column larger than the
    // body stands alone on its page and is clipped to it.
    const int saved = pDC->SaveDC();
    pDC->IntersectClipRect(0, 0, std::max(m_nPageBodyWidth, 0) + 1, std::max(m_nPageBodyHeight, 0) + 1);
    CRect rect(0, 0, 0, -1);
    for (int row = m_nCurrPrintRow; row <= lastRow && row < m_nRowCount; ++row) {
        rect.top = rect.bottom + 1;
        rect.bottom = rect.top + GetRowHeight(row) - 1;
        PrintRowCells(pDC, row, m_nCurrPrintCol, lastCol, rect, row == m_nCurrPrintRow);
    }
    pDC->RestoreDC(saved);

    // White below the last row, to the bottom of the page.
    const CPoint org = pDC->GetWindowOrg();
    pDC->FillSolidRect(CRect(org.x, rect.bottom + 1, org.x + m_LogicalPageSize.cx, org.y + m_LogicalPageSize.cy),
                       RGB(255, 255, 255));

    pInfo->m_rectDraw.bottom = m_nFooterHeight * m_CharSize.cy;
    pDC->SetWindowOrg(-left, -(m_LogicalPageSize.cy - m_nFooterHeight * m_CharSize.cy));
    PrintFooter(pDC, pInfo);
    pDC->SetWindowOrg(0, 0);
    pDC->SelectObject(oldFont);
}

void CGridCtrl::OnEndPrinting(CDC*, CPrintInfo*) {
    if (m_PrinterFont.GetSafeHandle()) m_PrinterFont.DeleteObject();
}

void CGridCtrl::PrintRowCells(CDC* pDC, int nRow, int nFirstCol, int nLastCol, CRect rect, BOOL firstPrintedRow) {
    rect.right = rect.left - 1;
    for (int col = nFirstCol; col <= nLastCol && col < m_nColumnCount; ++col) {
        rect.left = rect.right + 1;
        rect.right = rect.left + GetColumnWidth(col) - 1;
        if (GetColumnWidth(col) <= 0 || GetRowHeight(nRow) <= 0) continue;
        CGridCellBase* cell = ReadCell(nRow, col);
        if (cell && !cell->IsCovered()) {
            CRect cellRect = rect;
            if (cell->GetMergeRange().Count() > 1) {
                cellRect.right = cellRect.left + GetMergedColumnWidth(nRow, col) - 1;
                cellRect.bottom = cellRect.top + GetMergedRowHeight(nRow, col) - 1;
            }
            cell->PrintCell(pDC, nRow, col, cellRect);
        }
        pDC->SelectStockObject(BLACK_PEN);
        if (m_nGridLineMode & kGridLinesHorizontal) {
            const int overlap = col == 0 ? 0 : 1;
            pDC->MoveTo(rect.left - overlap, rect.bottom);
            pDC->LineTo(rect.right, rect.bottom);
            if (nRow == 0) {
                pDC->MoveTo(rect.left - overlap, rect.top);
                pDC->LineTo(rect.right, rect.top);
            }
        }
        if (m_nGridLineMode & kGridLinesVertical) {
            const int overlap = firstPrintedRow ? 0 : 1;
            pDC->MoveTo(rect.right, rect.top - overlap);
            pDC->LineTo(rect.right, rect.bottom);
            if (col == 0) {
                pDC->MoveTo(rect.left, rect.top - overlap);
                pDC->LineTo(rect.left, rect.bottom);
            }
        }
    }
}

void CGridCtrl::PrintFixedRows(CDC* pDC, CPrintInfo* pInfo) {
    if (!pDC || !pInfo) return;
    // The corner cells, then the columns of this page, so the headings stand
    // over the body's columns on every page across.
    std::vector<int> columns;
    long long right = 0;
    for (int col = 0; col < m_nFixedColumnCount && col < m_nColumnCount; ++col) {
        columns.push_back(col);
        right += GetColumnWidth(col);
    }
    for (int col = std::max(m_nCurrPrintCol, m_nFixedColumnCount); col < m_nColumnCount; ++col) {
        const long long next = right + GetColumnWidth(col);
        if (next > m_nPageBodyWidth && col != std::max(m_nCurrPrintCol, m_nFixedColumnCount)) break;
        columns.push_back(col);
        right = next;
    }
    CRect rect(0, 0, 0, -1);
    for (int row = 0; row < m_nFixedRowCount && row < m_nRowCount; ++row) {
        rect.top = rect.bottom + 1;
        rect.bottom = rect.top + GetRowHeight(row) - 1;
        CRect cellRect = rect;
        cellRect.right = -1;
        for (int col : columns) {
            PrintRowCells(pDC, row, col, col, CRect(cellRect.right + 1, rect.top, 0, rect.bottom), row == 0);
            cellRect.right += GetColumnWidth(col);
        }
    }
}

void CGridCtrl::PrintFixedColumns(CDC* pDC, CPrintInfo* pInfo) {
    if (!pDC || !pInfo || m_nFixedColumnCount <= 0) return;
    const std::vector<int> rows = PageStarts(m_nFixedRowCount, m_nRowCount, m_nPageBodyHeight,
                                             [this](int r) { return GetRowHeight(r); });
    auto next = std::upper_bound(rows.begin(), rows.end(), m_nCurrPrintRow);
    const int lastRow = next != rows.end() ? *next - 1 : m_nRowCount - 1;
    const int saved = pDC->SaveDC();
    pDC->IntersectClipRect(0, 0, GetFixedColumnWidth() + 1, std::max(m_nPageBodyHeight, 0) + 1);
    CRect rect(0, 0, 0, -1);
    for (int row = m_nCurrPrintRow; row <= lastRow && row < m_nRowCount; ++row) {
        rect.top = rect.bottom + 1;
        rect.bottom = rect.top + GetRowHeight(row) - 1;
        PrintRowCells(pDC, row, 0, m_nFixedColumnCount - 1, rect, row == m_nCurrPrintRow);
    }
    pDC->RestoreDC(saved);
}

void CGridCtrl::PrintHeader(CDC* pDC, CPrintInfo* pInfo) {
    if (!pDC || !pInfo) return;
    CString right;
    LoadStringResource(AFX_IDS_APP_TITLE, right);
    CString centre;
    for (CWnd* w = GetParent(); w && centre.empty(); w = w->GetParent()) centre = w->GetWindowText();

    CFont bold;
    BoldCopy(m_PrinterFont, bold);
    CFont* oldFont = pDC->SelectObject(&bold);
    const int oldMode = pDC->SetBkMode(TRANSPARENT);
    CRect rect = pInfo->m_rectDraw;
    if (!centre.empty()) pDC->DrawText(centre, &rect, kCentreFormat);
    rect = pInfo->m_rectDraw;
    if (!right.empty()) pDC->DrawText(right, &rect, kRightFormat);
    pDC->SetBkMode(oldMode);
    pDC->SelectObject(oldFont);
    bold.DeleteObject();

    CGdiObject* oldPen = pDC->SelectStockObject(BLACK_PEN);
    pDC->MoveTo(pInfo->m_rectDraw.left, pInfo->m_rectDraw.bottom);
    pDC->LineTo(pInfo->m_rectDraw.right, pInfo->m_rectDraw.bottom);
    if (oldPen) pDC->SelectObject(oldPen);
}

void CGridCtrl::PrintFooter(CDC* pDC, CPrintInfo* pInfo) {
    if (!pDC || !pInfo) return;
    const CString left = platform::FormatWide(u"Page %d of %d", int(pInfo->m_nCurPage), int(pInfo->GetMaxPage()));
    const CString right = NowText();

    CGdiObject* oldPen = pDC->SelectStockObject(BLACK_PEN);
    pDC->MoveTo(pInfo->m_rectDraw.left, pInfo->m_rectDraw.top);
    pDC->LineTo(pInfo->m_rectDraw.right, pInfo->m_rectDraw.top);
    if (oldPen) pDC->SelectObject(oldPen);

    CFont bold;
    BoldCopy(m_PrinterFont, bold);
    CFont* oldFont = pDC->SelectObject(&bold);
    const int oldMode = pDC->SetBkMode(TRANSPARENT);
    const COLORREF oldColour = pDC->SetTextColor(RGB(0, 0, 0));
    CRect rect = pInfo->m_rectDraw;
    pDC->DrawText(left, &rect, kLeftFormat);
    rect = pInfo->m_rectDraw;
    if (!right.empty()) pDC->DrawText(right, &rect, kRightFormat);
    pDC->SetTextColor(oldColour);
    pDC->SetBkMode(oldMode);
    pDC->SelectObject(oldFont);
    bold.DeleteObject();
}
