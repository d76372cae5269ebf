// The month calendar: the selected day in and out, its smallest size, and
// MCN_SELECT for a day picked by the user.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QDate>

#include "platform/stdctrl/month_cal.h"
#include "tests/support/recording_wnd.h"

namespace {

struct CalendarScene {
    MessageLog log;
    RecordingWnd top{"top", &log};
    CMonthCalCtrl cal;
    CalendarScene() {
        top.logOnly = {WM_NOTIFY};
        EXPECT_TRUE(top.CreateEx(0, nullptr, u"", WS_POPUP, CRect(0, 0, 300, 300), nullptr, 0));
        EXPECT_TRUE(cal.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(10, 8, 230, 188), &top, 5000));
    }
};

}  // namespace

TEST(MonthCal, SelectionInAndOutAndTodayFirst) {
    CalendarScene s;
    SYSTEMTIME st;
    ASSERT_TRUE(s.cal.GetCurSel(&st));
    const QDate today = QDate::currentDate();
    EXPECT_EQ(QDate(st.wYear, st.wMonth, st.wDay), today);

    SYSTEMTIME leap;
    leap.wYear = 2024;
    leap.wMonth = 2;
    leap.wDay = 29;
    EXPECT_TRUE(s.cal.SetCurSel(&leap));
    CTime picked;
    ASSERT_TRUE(s.cal.GetCurSel(picked));
    EXPECT_EQ(picked, CTime(2024, 2, 29, 0, 0, 0));
    EXPECT_EQ(s.cal.GetCurSel(&st), TRUE);
    EXPECT_EQ(st.wDayOfWeek, 4);  // a Thursday

    SYSTEMTIME bad = leap;
    bad.wYear = 2023;  // no 29 February
    EXPECT_FALSE(s.cal.SetCurSel(&bad));
    EXPECT_FALSE(s.cal.SetCurSel(static_cast<const SYSTEMTIME*>(nullptr)));
    ASSERT_TRUE(s.cal.GetCurSel(picked));
    EXPECT_EQ(picked, CTime(2024, 2, 29, 0, 0, 0)) << "a refused date leaves the selection";
    EXPECT_TRUE(s.log.empty()) << "setting the selection is no user's pick";

    RECT rc{};
    ASSERT_TRUE(s.cal.GetMinReqRect(&rc));
    EXPECT_EQ(rc.left, 0);
    EXPECT_GT(rc.right, 150);
    EXPECT_GT(rc.bottom, 120);
}

TEST(MonthCal, ADayPickedByTheUserIsReportedWithMcnSelect) {
    CalendarScene s;
    std::vector<NMSELCHANGE> picks;
    s.top.handlers[WM_NOTIFY] = [&](WPARAM, LPARAM lp) -> LRESULT {
        picks.push_back(*reinterpret_cast<const NMSELCHANGE*>(lp));
        return 0;
    };
    auto* widget = qobject_cast<QCalendarWidget*>(s.cal.Widget());
    ASSERT_TRUE(widget);
    const QDate day(2025, 6, 14);
    widget->setSelectedDate(day);
    emit widget->clicked(day);  // what a click on the day does
    ASSERT_EQ(picks.size(), 1u);
    EXPECT_EQ(picks[0].nmhdr.code, MCN_SELECT);
    EXPECT_EQ(picks[0].nmhdr.idFrom, 5000u);
    EXPECT_EQ(picks[0].nmhdr.hwndFrom, s.cal.m_hWnd);
    EXPECT_EQ(picks[0].stSelStart.wDay, 14);
    EXPECT_EQ(picks[0].stSelEnd.wMonth, 6);
}
