#include "controls/progress.h"

#include <climits>
#include <cstddef>

#include "res/resources.h"

int PortNumberFromName(const CString& name) {
    if (name.size() <= 3) return 0;
    // As the C library's integer reading: blanks, a sign, then digits; a value
    // beyond an int is held at the int's limit.
    std::size_t i = 3;
    while (i < name.size() && (name[i] == u' ' || (name[i] >= u'\t' && name[i] <= u'\r'))) ++i;
    bool negative = false;
    if (i < name.size() && (name[i] == u'+' || name[i] == u'-')) negative = name[i++] == u'-';
    long long value = 0;
    for (; i < name.size() && name[i] >= u'0' && name[i] <= u'9'; ++i) {
        value = value * 10 + (name[i] - u'0');
        if (value > INT_MAX) return negative ? INT_MIN : INT_MAX;
    }
    return int(negative ? -value : value);
}

CProgress::CProgress() : CDialog(res::IDD_POPUP, nullptr) {}

CProgress::~CProgress() {
    if (m_pProgress) {
        m_pProgress->DestroyWindow();
        delete m_pProgress;
        m_pProgress = nullptr;
    }
    if (m_hWnd) DestroyWindow();
}

BOOL CProgress::OnInitDialog() {
    CDialog::OnInitDialog();
    m_rcWindow = CRect(0, 0, 374, 16);
    MoveWindow(m_rcWindow.left, m_rcWindow.top, m_rcWindow.Width(), m_rcWindow.Height());
    delete m_pProgress;
    m_pProgress = new CProgressCtrl;
    m_pProgress->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | PBS_SMOOTH,
                        CRect(0, 0, m_rcWindow.right - 6, m_rcWindow.bottom - 6), this, kBarId);
    m_pProgress->ModifyStyleEx(0, WS_EX_NOPARENTNOTIFY);
    m_pProgress->SendMessage(PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    m_pProgress->SendMessage(PBM_SETPOS, 0, 0);
    CenterWindow();
    // The popup is the program's listener for device changes.
    platform::StartDeviceBroadcasts();
    return TRUE;
}

LRESULT CProgress::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SHOWWINDOW: {
        const HWND self = m_hWnd;
        const LRESULT r = CDialog::WindowProc(message, wParam, lParam);
        if (IsWindow(self)) CenterWindow();
        return r;
    }
    case WM_DEVICECHANGE:
        return OnDeviceChange(wParam, lParam);
    default:
        return CDialog::WindowProc(message, wParam, lParam);
    }
}

LRESULT CProgress::OnDeviceChange(WPARAM event, LPARAM data) {
    LPARAM arrived;
    if (event == DBT_DEVICEARRIVAL) arrived = 1;
    else if (event == DBT_DEVICEREMOVECOMPLETE) arrived = 0;
    else return 0;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    // A record too short for its header is no record.
    if (!header || header->dbch_size < sizeof(DEV_BROADCAST_HDR)) return 0;
    CWnd* owner = GetNotifyTarget();
    const bool ownerExists = owner && owner->m_hWnd && CWnd::FromHandle(owner->m_hWnd);
    switch (header->dbch_devicetype) {
    case DBT_DEVTYP_PORT:
        // The name is read only within the record's size; a record with no
        // room for a name is no port broadcast.
        if (header->dbch_size < offsetof(DEV_BROADCAST_PORT_W, dbcp_name) + sizeof(WCHAR)) break;
        m_strPortName = platform::PortBroadcastName(header);
        if (ownerExists) owner->SendMessage(WM_PORT_CHANGE, WPARAM(PortNumberFromName(m_strPortName)), arrived);
        break;
    case DBT_DEVTYP_NET:
        if (ownerExists) owner->SendMessage(WM_NET_CHANGE, 0, arrived);
        break;
    default:
        break;
    }
    return 0;
}
