#include "controls/setting.h"

#include "controls/draw_helpers.h"
#include "controls/popup_frame.h"
#include "res/resources.h"

CSetting::CSetting() : CDialog(res::IDD_POPUP, nullptr) {}

CSetting::~CSetting() {
    delete m_pEdit;
    m_pEdit = nullptr;
}

void CSetting::SetValue(const RECT& anchor, int decimals, CString caption, BOOL keepSize, double value) {
    m_dValue = value;
    m_nDecimals = decimals;
    m_strValue = FormatNumber(decimals, CString(), value);
    m_rcAnchor = anchor;
    m_strCaption = std::move(caption);
    m_bKeepSize = keepSize;
}

BOOL CSetting::OnInitDialog() {
    CDialog::OnInitDialog();
    AddToolCaption(this);
    MoveWindow(0, 0, 94, 64);
    GetWindowRect(&m_rcWindow);
    const int w = m_rcWindow.Width(), h = m_rcWindow.Height();

    delete m_pEdit;
    m_pEdit = new CEdit;
    m_pEdit->CreateEx(WS_EX_CLIENTEDGE | WS_EX_NOPARENTNOTIFY, u"Edit", u"",
                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_RIGHT, CRect(4, 4, 74, 24), this,
                      kEditId);

    // Placement at the anchor: an anchor on the screen's top edge (bottom 0)
    // opens downwards, one on the left edge ends at the anchor's right.
    const CRect& A = m_rcAnchor;
    CRect rc;
    CString caption;
    if (A.bottom == 0) {
        caption = u"High";
        rc = CRect(A.left, A.top, A.left + w, A.top + h);
    } else if (A.top == 0) {
        caption = u"Low";
        rc = CRect(A.left, A.bottom - h, A.left + w, A.bottom);
    } else if (A.left == 0) {
        caption = u"High";
        rc = CRect(A.right - w, A.top, A.right, A.top + h);
    } else {
        caption = u"Low";
        rc = CRect(A.left, A.top, A.left + w, A.top + h);
    }
    SetWindowText(caption);
    MoveWindow(&rc);

    CRect field;
    m_pEdit->GetWindowRect(&field);
    GetWindowRect(&rc);
    rc.bottom = field.bottom + 10;
    MoveWindow(&rc);

    if (!m_bKeepSize) {
        MoveWindow(&A);
        m_pEdit->GetWindowRect(&field);
        ScreenToClient(&field);
        m_pEdit->MoveWindow(field.left, field.top, A.Width() - 24, field.Height());
    }

    if (!m_strCaption.empty()) SetWindowText(m_strCaption);
    if (CWnd* ok = GetDlgItem(IDOK)) ok->ShowWindow(SW_HIDE);
    if (CWnd* cancel = GetDlgItem(IDCANCEL)) cancel->ShowWindow(SW_HIDE);

    m_pEdit->SetWindowText(m_strValue);
    m_pEdit->SetFocus();
    m_pEdit->SendMessage(EM_SETSEL, 65535, 65535);
    m_pEdit->SendMessage(EM_SCROLLCARET, 0, 0);
    return TRUE;
}

void CSetting::OnOK() {
    UpdateData(TRUE);
    if (m_pEdit) {
        m_strValue = m_pEdit->GetWindowText();
        delete m_pEdit;
        m_pEdit = nullptr;
    }
    CDialog::OnOK();
}

void CSetting::OnCancel() {
    delete m_pEdit;
    m_pEdit = nullptr;
    CDialog::OnCancel();
}
