#include "grid/in_place_edit.h"

#include <algorithm>

#include "platform/window/ime.h"
#include "platform/window/window_dc.h"
#include "platform/gdi/dc.h"

namespace {
// Set while an end is being reported, so that focus changes made by the one who
// hears it do not report it again.
bool g_endingEdit = false;
}  // namespace

CInPlaceEdit::CInPlaceEdit(CWnd* parent, CRect& rect, DWORD style, UINT id, int row, int col,
                           CString initText, UINT firstChar)
    : m_nRow(row), m_nColumn(col), m_sInitText(std::move(initText)), m_Rect(rect) {
    m_bExitOnArrows = firstChar != VK_LBUTTON;
    const DWORD full = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL | style;
    if (!Create(nullptr, nullptr, full, rect, parent, id)) return;

    if (parent) {
        const LRESULT font = parent->SendMessage(WM_GETFONT, 0, 0);
        SendMessage(WM_SETFONT, WPARAM(font), TRUE);
    }
    SetWindowText(m_sInitText.c_str());
    SetFocus();
    if (!GetSafeHwnd()) return;

    switch (firstChar) {
    case VK_LBUTTON:
    case VK_RETURN:
        SetSel(int(m_sInitText.size()), -1);
        SendMessage(EM_SCROLLCARET, 0, 0);
        return;
    case VK_BACK:
        SetSel(int(m_sInitText.size()), -1);
        SendMessage(EM_SCROLLCARET, 0, 0);
        break;
    case VK_TAB:
    case VK_SPACE:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_PROCESSKEY:  // an input method's composition, which goes on in the box and replaces the text
        SetSel(0, -1);
        SendMessage(EM_SCROLLCARET, 0, 0);
        return;
    default:
        SetSel(0, -1);
        SendMessage(EM_SCROLLCARET, 0, 0);
        break;
    }
    // The key that started the edit is typed into the box.
    PostMessage(firstChar < 0x80 ? WM_CHAR : WM_IME_CHAR, firstChar, 0);
}

CInPlaceEdit::~CInPlaceEdit() = default;

BOOL CInPlaceEdit::PreTranslateMessage(MSG* msg) {
    // Alt+key goes neither to menus nor to dialog mnemonics while editing.
    if (msg && msg->message == WM_SYSCHAR) return TRUE;
    return CEdit::PreTranslateMessage(msg);
}

LRESULT CInPlaceEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
        OnKeyDown(UINT(wParam), lParam);
        return 0;
    case WM_CHAR:
        OnChar(UINT(wParam), lParam);
        return 0;
    case WM_KILLFOCUS: {
        const HWND self = m_hWnd;
        CEdit::WindowProc(message, wParam, lParam);
        if (IsWindow(self)) EndEdit();
        return 0;
    }
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;
    default:
        return CEdit::WindowProc(message, wParam, lParam);
    }
}

void CInPlaceEdit::OnKeyDown(UINT key, LPARAM lParam) {
    switch (key) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        if (m_bExitOnArrows || (GetKeyState(VK_CONTROL) & 0x8000)) {
            m_nLastChar = key;
            if (CWnd* parent = GetParent()) parent->SetFocus();
            return;
        }
        break;
    default:
        break;
    }
    CEdit::WindowProc(WM_KEYDOWN, key, lParam);
}

void CInPlaceEdit::OnChar(UINT ch, LPARAM lParam) {
    if (ch == VK_TAB || ch == VK_RETURN) {
        m_nLastChar = ch;
        if (CWnd* parent = GetParent()) parent->SetFocus();
        return;
    }
    if (ch == VK_ESCAPE) {
        SetWindowText(m_sInitText.c_str());
        m_nLastChar = ch;
        if (CWnd* parent = GetParent()) parent->SetFocus();
        return;
    }
    const HWND self = m_hWnd;
    CEdit::WindowProc(WM_CHAR, ch, lParam);
    if (IsWindow(self)) Grow();
}

void CInPlaceEdit::Grow() {
    const CString text = GetWindowText() + u"  ";
    CSize size;
    {
        CClientDC dc(this);
        CFont* old = nullptr;
        if (auto* font = reinterpret_cast<CFont*>(SendMessage(WM_GETFONT, 0, 0))) old = dc.SelectObject(font);
        size = dc.GetTextExtent(text);
        if (old) dc.SelectObject(old);
    }
    if (size.cx <= m_Rect.Width()) return;
    CRect parentRect;
    if (CWnd* parent = GetParent()) parent->GetClientRect(&parentRect);
    m_Rect.right = std::min<LONG>(m_Rect.left + size.cx, parentRect.right);
    MoveWindow(&m_Rect);
}

void CInPlaceEdit::EndEdit() {
    if (g_endingEdit) return;
    g_endingEdit = true;
    const HWND self = m_hWnd;
    const CString text = GetWindowText();

    GridDispInfo info;
    info.hdr.hwndFrom = self;
    info.hdr.idFrom = UINT_PTR(GetDlgCtrlID());
    info.hdr.code = GRIDN_ENDLABELEDIT;
    info.item.mask = CIF_TEXT | CIF_PARAM;
    info.item.row = m_nRow;
    info.item.col = m_nColumn;
    info.item.strText = text;
    info.item.lParam = LPARAM(m_nLastChar);
    if (CWnd* target = GetOwner()) target->SendMessage(WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));

    // The window may be gone already: then so is this object.
    if (IsWindow(self)) SendMessageW(self, WM_CLOSE, 0, 0);
    g_endingEdit = false;
}

void CInPlaceEdit::PostNcDestroy() { delete this; }
