// The month calendar: a standard control that shows one month and lets the user
// pick a day. A day picked with the mouse (or confirmed with the keyboard)
// reaches the parent as WM_NOTIFY with MCN_SELECT and an NMSELCHANGE record.
#pragma once

#include "platform/base/ctime.h"
#include "platform/window/wnd.h"

constexpr UINT MCM_FIRST = 0x1000;
constexpr UINT MCM_GETCURSEL = MCM_FIRST + 1;      // lParam: SYSTEMTIME*
constexpr UINT MCM_SETCURSEL = MCM_FIRST + 2;      // lParam: const SYSTEMTIME*
constexpr UINT MCM_GETMINREQRECT = MCM_FIRST + 9;  // lParam: RECT* (0, 0, width, height)
constexpr UINT MCN_SELECT = UINT(-746);

struct NMSELCHANGE {
    NMHDR nmhdr;
    SYSTEMTIME stSelStart;
    SYSTEMTIME stSelEnd;
};

class CMonthCalCtrl : public CWnd {
public:
    CMonthCalCtrl();
    ~CMonthCalCtrl() override;

    // The selected day; its time of day is left as it was.
    BOOL SetCurSel(const SYSTEMTIME* date);
    BOOL SetCurSel(const CTime& date);
    BOOL GetCurSel(SYSTEMTIME* date) const;
    // The selected day at 00:00 local time.
    BOOL GetCurSel(CTime& date) const;
    // The smallest rectangle that shows one whole month.
    BOOL GetMinReqRect(RECT* rect) const;

protected:
    QWidget* CreateWidget(QWidget* parentWidget, bool topLevel) override;
    LRESULT ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void NotifySelect();
};
