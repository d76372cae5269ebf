#include "app/config_dlg.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

#include "app/relay_protocol.h"
#include "controls/calendar.h"
#include "controls/key_filter.h"
#include "grid/grid_cell_check.h"
#include "platform/base/codepage.h"
#include "platform/base/numeric.h"
#include "platform/base/wformat.h"
#include "platform/net/inet.h"
#include "platform/runtime/app.h"
#include "platform/system/sound.h"
#include "platform/stdctrl/data_exchange.h"
#include "platform/stdctrl/edit.h"
#include "res/resources.h"

namespace {

constexpr UINT kCellFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;  // 0x15
constexpr UINT kTextAndFormat = 0x41;                                // text and format fields of a CellItem
constexpr COLORREF kCellBack = 0xE0FFFF;
constexpr size_t kLongestDottedAddress = 15;  // "255.255.255.255"

// The text without the blanks (spaces and tabs) at either end.
std::u16string_view Unpadded(std::u16string_view text) {
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

void SetCellText(CGridCtrl& grid, int row, int col, const CString& text) {
    CellItem item;
    item.mask = kTextAndFormat;
    item.row = row;
    item.col = col;
    item.nFormat = kCellFormat;
    item.strText = text;
    grid.SetItem(&item);
}

// The check-box cell of a row, or null when column 3 holds another kind of cell.
CGridCellCheck* CheckCell(CGridCtrl& grid, int row) {
    return dynamic_cast<CGridCellCheck*>(grid.GetCell(row, CConfig::kColShowDirection));
}

// Makes cell (row, col) a check-box cell: the new cell takes over the old one's
// settings and its place; the old cell is deleted.
void MakeCheckCell(CGridCtrl& grid, int row, int col) {
    CGridCellBase* old = grid.GetCell(row, col);
    if (!old || dynamic_cast<CGridCellCheck*>(old) || size_t(row) >= grid.m_rows.size() || !grid.m_rows[size_t(row)])
        return;
    GRID_ROW& cells = *grid.m_rows[size_t(row)];
    auto slot = std::find(cells.begin(), cells.end(), old);
    if (slot == cells.end()) return;
    std::unique_ptr<CGridCellBase> cell(
        static_cast<CGridCellBase*>(RUNTIME_CLASS(CGridCellCheck)->CreateObject()));
    if (!cell) return;
    cell->Assign(*old);
    cell->SetGrid(&grid);
    cell->SetCoords(row, col);
    *slot = cell.release();
    delete old;
}

}  // namespace

CConfig::CConfig() : CDialog(res::IDD_CONFIG, nullptr), m_config{} {}

CConfig::~CConfig() = default;

void CConfig::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Text(dx, res::IDC_CONFIG_TITLE, m_strTitle);
    DDX_Control(dx, res::IDC_CONFIG_MAXNO, m_comboMaxNo);
    DDX_Control(dx, res::IDC_CONFIG_X, m_comboX);
    DDX_Control(dx, res::IDC_CONFIG_Y, m_comboY);
    DDX_Text(dx, res::IDC_CONFIG_UNIT, m_strUnit);
    DDX_Control(dx, res::IDC_CONFIG_SERVER_IP, m_ipServer);
    DDX_Text(dx, res::IDC_CONFIG_PORT, m_strPort);
    DDX_Text(dx, res::IDC_CONFIG_PERIOD, m_strPeriod);
    DDX_Control(dx, res::IDC_CONFIG_GRID, m_grid);
}

BOOL CConfig::OnInitDialog() {
    CDialog::OnInitDialog();
    m_strTitle = AnsiFieldToWide(m_config.szTitle, sizeof m_config.szTitle);
    m_config.nStackCount = kStackCount;

    for (int i = 1; i <= kStackCount; ++i) m_comboMaxNo.AddString(platform::FormatWide(u"%d", i).c_str());
    for (int i = 1; i <= m_config.nStackCount; ++i) {
        const CString text = platform::FormatWide(u"%d", i);
        m_comboX.AddString(text.c_str());
        m_comboY.AddString(text.c_str());
    }
    m_comboMaxNo.SetCurSel(m_config.nStackCount - 1);
    m_comboMaxNo.EnableWindow(FALSE);
    // The bytes are the number of columns and rows minus one; one the list does
    // not hold leaves the box without a selection.
    m_comboX.SetCurSel(int(static_cast<signed char>(m_config.byGridX)));
    m_comboY.SetCurSel(int(static_cast<signed char>(m_config.byGridY)));

    m_strUnit = AnsiFieldToWide(m_config.szSpeedUnit, sizeof m_config.szSpeedUnit);
    m_ipServer.SendMessage(IPM_SETADDRESS, 0, LPARAM(htonl(m_config.dwServerIp)));
    m_strPort = platform::FormatWide(u"%d", m_config.nServerPort);
    m_strPeriod = platform::FormatWide(u"%d", m_config.nSendPeriod);

    SetupGrid();
    FillGrid();

    if (CWnd* version = GetDlgItem(res::IDC_CONFIG_VERSION))
        version->SetWindowText(u"Version : " + m_util.GetVersionString(CUtility::kFileVersion));

    UpdateData(FALSE);
    return TRUE;
}

void CConfig::SetupGrid() {
    CRect rect;
    m_grid.GetWindowRect(&rect);

    m_grid.m_bEditable = TRUE;
    m_grid.ResetSelectedRange();
    m_grid.SetSortColumn(-1);
    m_grid.m_bListMode = FALSE;
    m_grid.m_bFixedColumnClickSelects = FALSE;
    if (m_grid.GetSafeHwnd() && m_grid.m_bRedrawEnabled) m_grid.Invalidate(TRUE);
    m_grid.m_bDragDropEnabled = FALSE;

    m_grid.m_cellDefault.SetBackClr(kCellBack);

    m_grid.SetRowCount(m_config.nStackCount + 1);
    m_grid.SetColumnCount(4);
    m_grid.SetFixedRowCount(1);
    m_grid.SetFixedColumnCount(1);

    const int widths[4] = {50, 90, 100, rect.Width() - kFixedColumnsWidth};
    for (int col = 0; col < 4; ++col) {
        if (widths[col] < 0) continue;  // a narrow grid leaves column 3 as it is
        if (size_t(col) >= m_grid.m_vecColumnOrder.size()) break;
        const int physical = m_grid.m_vecColumnOrder[size_t(col)];
        if (physical < 0 || size_t(physical) >= m_grid.m_arColumnWidths.size()) continue;
        m_grid.m_arColumnWidths[size_t(physical)] = UINT(widths[col]);
        m_grid.ResetScrollBars();
    }

    m_grid.m_bRowsResizable = FALSE;
    m_grid.m_bColumnsResizable = FALSE;

    SetCellText(m_grid, 0, kColStack, u"Stack");
    SetCellText(m_grid, 0, kColName, u"호기명");
    SetCellText(m_grid, 0, kColAddress, u"IP Address");
    SetCellText(m_grid, 0, kColShowDirection, u"풍향 표시");
}

void CConfig::FillGrid() {
    const int rows = std::clamp(m_config.nStackCount, 0, kMaxStacks);
    for (int r = 1; r <= rows; ++r) {
        const StackInfo& stack = m_config.aStacks[r - 1];
        SetCellText(m_grid, r, kColStack, platform::FormatWide(u"#%d", r));
        SetCellText(m_grid, r, kColName, AnsiFieldToWide(stack.szName, sizeof stack.szName));
        SetCellText(m_grid, r, kColAddress, AnsiToWide(inet_ntoa(stack.dwIp)));
        if (!m_grid.m_bVirtualMode && r < m_grid.GetRowCount() && m_grid.GetColumnCount() >= 4)
            MakeCheckCell(m_grid, r, kColShowDirection);
        if (CGridCellCheck* check = CheckCell(m_grid, r)) {
            check->SetCheck(stack.bShowDirection != 0);
            CRect cellRect;
            if (m_grid.GetCellRect(r, kColShowDirection, &cellRect) && !cellRect.IsRectEmpty())
                m_grid.InvalidateRect(&cellRect);
        }
    }
}

void CConfig::ReadGrid() {
    const int rows = std::min(m_grid.GetRowCount() - 1, kMaxStacks);
    for (int r = 1; r <= rows; ++r) {
        StackInfo& stack = m_config.aStacks[r - 1];
        WideToAnsiField(m_grid.GetItemText(r, kColName), stack.szName, sizeof stack.szName);
        // OK lets no address through that is not one; here a text that is none
        // keeps the stack's address.
        ParseStackAddress(m_grid.GetItemText(r, kColAddress), &stack.dwIp);
        if (CGridCellCheck* check = CheckCell(m_grid, r)) stack.bShowDirection = check->GetCheck() ? 1 : 0;
    }
}

bool CConfig::ParseWholeNumber(const CString& text, int low, int high, int* value) {
    const std::u16string_view digits = Unpadded(text);
    if (digits.empty() || digits.size() > 9) return false;
    int parsed = 0;
    for (char16_t c : digits) {
        if (c < u'0' || c > u'9') return false;
        parsed = parsed * 10 + (c - u'0');
    }
    if (parsed < low || parsed > high) return false;
    if (value) *value = parsed;
    return true;
}

bool CConfig::ParseStackAddress(const CString& text, DWORD* address) {
    const std::u16string_view dotted = Unpadded(text);
    if (dotted.size() > kLongestDottedAddress) return false;
    std::string ascii;
    for (char16_t c : dotted) {
        if (c > 0x7F) return false;
        ascii += char(c);
    }
    return platform::ParseDottedIpv4(ascii, address);
}

CString CConfig::QuotedEntry(const CString& text) {
    size_t end = std::min(text.find_first_of(u"\r\n"), text.size());
    bool cut = end < text.size();
    if (end > kQuotedMost) {
        end = kQuotedMost;
        cut = true;
        // Never half a character: a surrogate pair stays whole or goes.
        if (text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF) --end;
    }
    CString quoted = text.substr(0, end);
    if (cut) quoted += u'…';
    return quoted;
}

void CConfig::SelectEdit(int id) {
    if (auto* edit = dynamic_cast<CEdit*>(GetDlgItem(id))) {
        edit->SetFocus();
        edit->SetSel(0, -1);
    }
}

bool CConfig::ValidateEntries() {
    if (!ParseWholeNumber(m_strPort, 1, 65535, nullptr)) {
        SelectEdit(res::IDC_CONFIG_PORT);
        AfxMessageBox(platform::FormatWide(u"Port \"%s\" is not a port number (1 to 65535).",
                                           QuotedEntry(m_strPort).c_str())
                          .c_str(),
                      MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    if (!ParseWholeNumber(m_strPeriod, 1, 86400, nullptr)) {
        SelectEdit(res::IDC_CONFIG_PERIOD);
        AfxMessageBox(platform::FormatWide(u"전송 주기 \"%s\" is not a whole number of seconds (1 to 86400).",
                                           QuotedEntry(m_strPeriod).c_str())
                          .c_str(),
                      MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    const auto selectCell = [this](int row, int col) {
        m_grid.SetFocus();
        m_grid.SetSelectedRange(row, col, row, col, TRUE);
        m_grid.SetFocusCell(row, col);
        m_grid.EnsureVisible(row, col);
    };
    const int rows = std::min(m_grid.GetRowCount() - 1, kMaxStacks);
    for (int r = 1; r <= rows; ++r) {
        const CString name = m_grid.GetItemText(r, kColName);
        if (const char16_t mark = RecordMarkIn(name)) {
            selectCell(r, kColName);
            const CString held = mark == u'^' || mark == u'{' || mark == u'}'
                                     ? platform::FormatWide(u"\"%c\"", int(mark))
                                     : platform::FormatWide(u"a control character (U+%04X)", unsigned(mark));
            AfxMessageBox(platform::FormatWide(u"Stack #%d: 호기명 \"%s\" holds %s; a name may hold no ^, { or } "
                                               u"(they mark the server record's fields) and no control character.",
                                               r, QuotedEntry(name).c_str(), held.c_str())
                              .c_str(),
                          MB_OK | MB_ICONEXCLAMATION);
            return false;
        }
        const CString text = m_grid.GetItemText(r, kColAddress);
        if (ParseStackAddress(text, nullptr)) continue;
        selectCell(r, kColAddress);
        AfxMessageBox(platform::FormatWide(u"Stack #%d: IP Address \"%s\" is not an IPv4 address such as 192.168.0.10.", r,
                                           QuotedEntry(text).c_str())
                          .c_str(),
                      MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

void CConfig::OnOK() {
    UpdateData(TRUE);
    if (!ValidateEntries()) return;

    WideToAnsiField(m_strTitle, m_config.szTitle, sizeof m_config.szTitle);
    if (const int sel = m_comboMaxNo.GetCurSel(); sel != CB_ERR) m_config.nStackCount = sel + 1;
    // A box without a selection keeps the byte it was given.
    if (const int sel = m_comboX.GetCurSel(); sel != CB_ERR) m_config.byGridX = BYTE(sel);
    if (const int sel = m_comboY.GetCurSel(); sel != CB_ERR) m_config.byGridY = BYTE(sel);
    WideToAnsiField(m_strUnit, m_config.szSpeedUnit, sizeof m_config.szSpeedUnit);

    DWORD address = 0;
    m_ipServer.SendMessage(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    m_config.dwServerIp = htonl(address);
    ParseWholeNumber(m_strPort, 1, 65535, &m_config.nServerPort);
    ParseWholeNumber(m_strPeriod, 1, 86400, &m_config.nSendPeriod);

    ReadGrid();
    sndPlaySoundW(nullptr, SND_ASYNC);
    CDialog::EndDialog(IDOK);
}

void CConfig::OnSelchangeMaxNo() {
    ReadGrid();
    UpdateData(TRUE);
    if (const int sel = m_comboMaxNo.GetCurSel(); sel != CB_ERR) m_config.nStackCount = sel + 1;
    SetupGrid();
    FillGrid();
}

BOOL CConfig::OnHelpInfo(HELPINFO*) {
    auto calendar = std::make_unique<CCalendar>();
    calendar->DoModal();
    return TRUE;
}

BOOL CConfig::PreTranslateMessage(MSG* msg) {
    EnterEscapeToTab(msg);
    return CDialog::PreTranslateMessage(msg);
}

LRESULT CConfig::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_HELP:
        return OnHelpInfo(reinterpret_cast<HELPINFO*>(lParam));
    case WM_COMMAND:
        if (LOWORD(wParam) == res::IDC_CONFIG_MAXNO && HIWORD(wParam) == CBN_SELCHANGE) {
            OnSelchangeMaxNo();
            return 0;
        }
        break;
    default:
        break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
