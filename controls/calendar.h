// The calendar popup: a month calendar with an OK button below it, in a small
// tool window. Opened with a date it shows that date selected; opened with 0 it
// shows today. OK takes the selected day into m_time; the close box cancels and
// leaves m_time as it was. Enter and Escape move the focus like Tab and never
// close the popup.
#pragma once

#include "platform/base/ctime.h"
#include "platform/window/dialog.h"
#include "platform/stdctrl/month_cal.h"

class CCalendar : public CDialog {
public:
    static constexpr UINT kCalendarId = 5000;

    CCalendar();
    ~CCalendar() override;

    BOOL OnInitDialog() override;
    void OnOK() override;
    // The keyboard filter (Enter and Escape become Tab), then the dialog's keys.
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    CRect m_rcWindow;
    CString m_strCaption;  // empty: "CALENDAR"
    CTime m_time;          // 0: no date (the calendar shows today)
    CMonthCalCtrl* m_pMonthCal = nullptr;

protected:
    // MCN_SELECT from the calendar: nothing to do; the result is 0.
    virtual void OnSelect(NMHDR* header, LRESULT* result);
};
