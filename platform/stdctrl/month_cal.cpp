#include "platform/stdctrl/month_cal.h"

#include <QCalendarWidget>
#include <QDate>

#include "platform/window/wnd_impl.h"

namespace {

SYSTEMTIME FromDate(const QDate& d) {
    SYSTEMTIME st;
    st.wYear = WORD(d.year());
    st.wMonth = WORD(d.month());
    st.wDay = WORD(d.day());
    st.wDayOfWeek = WORD(d.dayOfWeek() % 7);
    return st;
}

}  // namespace

CMonthCalCtrl::CMonthCalCtrl() = default;

CMonthCalCtrl::~CMonthCalCtrl() {
    if (m_hWnd) DestroyWindow();
}

QWidget* CMonthCalCtrl::CreateWidget(QWidget* parentWidget, bool) {
    auto* cal = new QCalendarWidget(parentWidget);
    cal->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    cal->setSelectedDate(QDate::currentDate());
    const HWND h = m_hWnd;
    QObject::connect(cal, &QCalendarWidget::clicked, cal, [this, h](const QDate&) {
        if (IsWindow(h)) NotifySelect();
    });
    QObject::connect(cal, &QCalendarWidget::activated, cal, [this, h](const QDate&) {
        if (IsWindow(h)) NotifySelect();
    });
    return cal;
}

void CMonthCalCtrl::NotifySelect() {
    CWnd* parent = GetParent();
    if (!parent) return;
    NMSELCHANGE nm;
    nm.nmhdr.hwndFrom = m_hWnd;
    nm.nmhdr.idFrom = UINT_PTR(GetDlgCtrlID());
    nm.nmhdr.code = MCN_SELECT;
    GetCurSel(&nm.stSelStart);
    nm.stSelEnd = nm.stSelStart;
    parent->SendMessage(WM_NOTIFY, WPARAM(GetDlgCtrlID()), reinterpret_cast<LPARAM>(&nm));
}

BOOL CMonthCalCtrl::SetCurSel(const SYSTEMTIME* date) {
    return BOOL(SendMessage(MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(date)));
}

BOOL CMonthCalCtrl::SetCurSel(const CTime& date) {
    SYSTEMTIME st;
    if (!date.GetAsSystemTime(st)) return FALSE;
    return SetCurSel(&st);
}

BOOL CMonthCalCtrl::GetCurSel(SYSTEMTIME* date) const {
    return BOOL(WindowImpl::Dispatch(m_hWnd, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(date)));
}

BOOL CMonthCalCtrl::GetCurSel(CTime& date) const {
    SYSTEMTIME st;
    if (!GetCurSel(&st)) return FALSE;
    date = CTime(st.wYear, st.wMonth, st.wDay, 0, 0, 0);
    return TRUE;
}

BOOL CMonthCalCtrl::GetMinReqRect(RECT* rect) const {
    return BOOL(WindowImpl::Dispatch(m_hWnd, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(rect)));
}

LRESULT CMonthCalCtrl::ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    auto* cal = qobject_cast<QCalendarWidget*>(Widget());
    if (!cal) return CWnd::ClassWindowProc(message, wParam, lParam);
    switch (message) {
    case MCM_GETCURSEL: {
        auto* st = reinterpret_cast<SYSTEMTIME*>(lParam);
        if (!st) return FALSE;
        *st = FromDate(cal->selectedDate());
        return TRUE;
    }
    case MCM_SETCURSEL: {
        const auto* st = reinterpret_cast<const SYSTEMTIME*>(lParam);
        if (!st) return FALSE;
        const QDate d(st->wYear, st->wMonth, st->wDay);
        if (!d.isValid()) return FALSE;
        cal->setSelectedDate(d);
        cal->setCurrentPage(d.year(), d.month());
        return TRUE;
    }
    case MCM_GETMINREQRECT: {
        auto* rc = reinterpret_cast<RECT*>(lParam);
        if (!rc) return FALSE;
        const QSize s = cal->minimumSizeHint().expandedTo(cal->sizeHint());
        *rc = RECT{0, 0, s.width(), s.height()};
        return TRUE;
    }
    default:
        return CWnd::ClassWindowProc(message, wParam, lParam);
    }
}
