// The calendar popup: the date it shows and takes, its layout, and Enter and
// Escape moving the focus instead of closing it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "controls/calendar.h"
#include "platform/stdctrl/button.h"
#include "tests/controls/popup_scene.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"

using namespace popup_test;

TEST(Calendar, OpenedWithZeroShowsTodayWithADateThatDate) {
    struct Case {
        CTime time;
        CTime expected;
    } cases[] = {
        {CTime(0), CTime(CTime::GetCurrentTime().GetYear(), CTime::GetCurrentTime().GetMonth(),
                         CTime::GetCurrentTime().GetDay(), 0, 0, 0)},
        {CTime(2019, 3, 14, 15, 9, 26), CTime(2019, 3, 14, 0, 0, 0)},
    };
    for (const Case& c : cases) {
        CCalendar cal;
        cal.m_time = c.time;
        CTime shown;
        EXPECT_EQ(RunModal(cal,
                           [&] {
                               cal.m_pMonthCal->GetCurSel(shown);
                               static_cast<CButton*>(cal.GetDlgItem(IDOK))->Click();
                           }),
                  IDOK);
        EXPECT_EQ(shown, c.expected);
        EXPECT_EQ(cal.m_time, c.expected) << "OK takes the selection";
    }
}

TEST(Calendar, LayoutAroundTheMonthAndItsCaption) {
    RegisterPopupTemplate();
    CCalendar cal;
    ASSERT_TRUE(cal.Create(res::IDD_POPUP, nullptr));
    EXPECT_EQ(cal.GetWindowText(), u"CALENDAR");
    cal.ShowWindow(SW_SHOW);
    SaveTestImage(SnapWindow(&cal)->Image(), "calendar");
    CRect month = WindowRectOf(cal.m_pMonthCal), ok = WindowRectOf(cal.GetDlgItem(IDOK));
    cal.ScreenToClient(&month);
    cal.ScreenToClient(&ok);
    CRect minimum;
    cal.m_pMonthCal->GetMinReqRect(&minimum);
    EXPECT_EQ(month, CRect(10, 8, 10 + minimum.Width(), 8 + minimum.Height()));
    EXPECT_EQ(ok, CRect(10, month.bottom + 2, 10 + month.Width(), month.bottom + 32));
    CRect client;
    cal.GetClientRect(&client);
    // The window (frame included, as on Windows) is 34 wider than the month and
    // ends 16 below OK; the client area is what lies inside the frame.
    RECT frame{};
    AdjustWindowRectEx(&frame, cal.GetStyle(), FALSE, cal.GetExStyle());
    EXPECT_EQ(client.Width(), month.Width() + 34 + frame.left - frame.right);
    EXPECT_EQ(client.bottom, ok.bottom + 16 - frame.bottom);
    EXPECT_FALSE(cal.GetDlgItem(IDCANCEL)->IsWindowVisible());
    EXPECT_EQ(cal.m_pMonthCal->GetDlgCtrlID(), int(CCalendar::kCalendarId));
    // MCN_SELECT is taken with result 0.
    NMSELCHANGE nm;
    nm.nmhdr.idFrom = CCalendar::kCalendarId;
    nm.nmhdr.code = MCN_SELECT;
    EXPECT_EQ(cal.SendMessage(WM_NOTIFY, CCalendar::kCalendarId, reinterpret_cast<LPARAM>(&nm)), 0);

    CCalendar named;
    named.m_strCaption = u"DATE";
    ASSERT_TRUE(named.Create(res::IDD_POPUP, nullptr));
    EXPECT_EQ(named.GetWindowText(), u"DATE");
}

TEST(Calendar, EnterAndEscapeMoveTheFocusAndTheCloseBoxCancels) {
    CCalendar cal;
    const CTime before(2020, 2, 29, 0, 0, 0);
    cal.m_time = before;
    std::vector<QWidget*> focus;
    bool openAfterKeys = false;
    EXPECT_EQ(RunModal(cal,
                       [&] {
                           cal.GetDlgItem(IDOK)->SetFocus();
                           focus.push_back(QApplication::focusWidget());
                           PressKey(&cal, Qt::Key_Return);
                           focus.push_back(QApplication::focusWidget());
                           PressKey(&cal, Qt::Key_Escape);
                           focus.push_back(QApplication::focusWidget());
                           openAfterKeys = cal.IsModalLoopRunning() && cal.IsWindowVisible();
                           SYSTEMTIME other;
                           other.wYear = 2021;
                           other.wMonth = 7;
                           other.wDay = 1;
                           cal.m_pMonthCal->SetCurSel(&other);
                           cal.SendMessage(WM_CLOSE);
                       }),
              IDCANCEL);
    EXPECT_TRUE(openAfterKeys);
    ASSERT_EQ(focus.size(), 3u);
    EXPECT_NE(focus[1], focus[0]) << "Enter moved the focus";
    EXPECT_NE(focus[2], focus[1]) << "Escape moved the focus";
    EXPECT_EQ(cal.m_time, before) << "the close box leaves the date as it was";
}
