#include "controls/calendar.h"

#include "controls/key_filter.h"
#include "controls/popup_frame.h"
#include "res/resources.h"

CCalendar::CCalendar() : CDialog(res::IDD_POPUP, nullptr) {}

CCalendar::~CCalendar() {
    delete m_pMonthCal;
    m_pMonthCal = nullptr;
}

BOOL CCalendar::OnInitDialog() {
    CDialog::OnInitDialog();
    AddToolCaption(this);
    MoveWindow(0, 0, 260, 260);
    GetWindowRect(&m_rcWindow);
    ScreenToClient(&m_rcWindow);

    delete m_pMonthCal;
    m_pMonthCal = new CMonthCalCtrl;
    m_pMonthCal->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(10, 8, 230, 188), this,
                        kCalendarId);

    // 1 January 1970 (local time) stands for "no date": the calendar keeps today.
    const bool noDate = m_time.GetYear() == 1970 && m_time.GetMonth() == 1 && m_time.GetDay() == 1;
    if (!noDate) m_pMonthCal->SetCurSel(m_time);

    CRect cal;
    m_pMonthCal->GetMinReqRect(&cal);
    m_pMonthCal->MoveWindow(10, 8, cal.Width(), cal.Height());
    const int calWidth = cal.Width(), calBottom = 8 + cal.Height();

    CWnd* ok = GetDlgItem(IDOK);
    if (ok) ok->MoveWindow(10, calBottom + 2, calWidth, 30);
    if (CWnd* cancel = GetDlgItem(IDCANCEL)) cancel->ShowWindow(SW_HIDE);

    SetWindowText(m_strCaption.empty() ? CString(u"CALENDAR") : m_strCaption);

    const int okBottom = calBottom + 2 + 30;
    CRect rc;
    GetWindowRect(&rc);
    ScreenToClient(&rc);
    rc.right = rc.left + calWidth + 34;
    rc.bottom = okBottom + 16;
    ClientToScreen(&rc);
    MoveWindow(&rc);
    CenterWindow();
    return TRUE;
}

void CCalendar::OnOK() {
    if (m_pMonthCal && m_pMonthCal->m_hWnd) m_pMonthCal->GetCurSel(m_time);
    CDialog::OnOK();
}

BOOL CCalendar::PreTranslateMessage(MSG* msg) {
    EnterEscapeToTab(msg);
    return CDialog::PreTranslateMessage(msg);
}

void CCalendar::OnSelect(NMHDR*, LRESULT* result) {
    if (result) *result = 0;
}

LRESULT CCalendar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY && lParam) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->idFrom == kCalendarId && header->code == MCN_SELECT) {
            LRESULT result = 0;
            OnSelect(header, &result);
            return result;
        }
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
