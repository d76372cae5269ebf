#include <gtest/gtest.h>

#include <ctime>

#include "platform/base/localtime.h"

// The fields are calendar values (month from 1, full year, weekday from Sunday),
// and the moment lies between two readings of the clock around the call.
TEST(LocalTime, FieldsDescribeTheCurrentLocalMoment) {
    // The clock the local time is read from: time() may lag it by a tick
    // across a second's boundary.
    auto now = [] {
        timespec t{};
        ::clock_gettime(CLOCK_REALTIME, &t);
        return t.tv_sec;
    };
    const time_t before = now();
    SYSTEMTIME st;
    GetLocalTime(&st);
    const time_t after = now();

    std::tm tm{};
    tm.tm_year = st.wYear - 1900;
    tm.tm_mon = st.wMonth - 1;
    tm.tm_mday = st.wDay;
    tm.tm_hour = st.wHour;
    tm.tm_min = st.wMinute;
    tm.tm_sec = st.wSecond;
    tm.tm_isdst = -1;
    const time_t back = ::mktime(&tm);
    EXPECT_GE(back, before);
    EXPECT_LE(back, after);
    EXPECT_EQ(st.wDayOfWeek, tm.tm_wday);
    EXPECT_LT(st.wMilliseconds, 1000);
}
