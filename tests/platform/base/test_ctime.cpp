// Points in time read and made in local time.
#include <gtest/gtest.h>

#include "platform/base/ctime.h"

TEST(CTime, FieldsRoundTripAndCarryOver) {
    struct Case {
        CTime time;
        int year, month, day, hour, minute, second;
    } cases[] = {
        {CTime(2019, 3, 14, 15, 9, 26), 2019, 3, 14, 15, 9, 26},
        {CTime(2019, 13, 1, 0, 0, 0), 2020, 1, 1, 0, 0, 0},  // month 13 is next January
        {CTime(2024, 2, 30, 0, 0, 0), 2024, 3, 1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.time.GetYear(), c.year);
        EXPECT_EQ(c.time.GetMonth(), c.month);
        EXPECT_EQ(c.time.GetDay(), c.day);
        EXPECT_EQ(c.time.GetHour(), c.hour);
        EXPECT_EQ(c.time.GetMinute(), c.minute);
        EXPECT_EQ(c.time.GetSecond(), c.second);
        SYSTEMTIME st;
        ASSERT_TRUE(c.time.GetAsSystemTime(st));
        EXPECT_EQ(CTime(st), c.time);
    }
}
