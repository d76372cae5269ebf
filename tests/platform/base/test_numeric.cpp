// _wtoi and MulDiv: reading numbers from operator text, scaling without overflow.
#include <gtest/gtest.h>

#include <climits>

#include "platform/base/numeric.h"

TEST(Wtoi, ReadsTheLeadingNumberAndSaturates) {
    struct Case {
        const char16_t* text;
        int expected;
    } cases[] = {
        {u"22700", 22700},       {u"  42abc", 42},        {u"-17", -17},          {u"+8", 8},
        {u"", 0},                {u"abc", 0},             {u"- 5", 0},            {u"2147483647", INT_MAX},
        {u"2147483648", INT_MAX}, {u"99999999999999999999", INT_MAX},            {u"-2147483648", INT_MIN},
        {u"-2147483649", INT_MIN}, {u"\t\n 7", 7},          {u"3.9", 3},
    };
    for (const Case& c : cases) EXPECT_EQ(_wtoi(c.text), c.expected);
    EXPECT_EQ(_wtoi(nullptr), 0);
}

TEST(MulDiv, RoundsHalfAwayFromZeroAndRefusesWhatCannotBe) {
    struct Case {
        int n, num, den, expected;
    } cases[] = {
        {10, 3, 4, 8},   {10, 1, 4, 3},     {-10, 1, 4, -3},          {7, 1, 2, 4},
        {-7, 1, 2, -4},  {600, 1754, 1240, 849},                      {5, 0, 3, 0},
        {1, 1, 0, -1},   {INT_MAX, INT_MAX, INT_MAX, INT_MAX},        {INT_MAX, 4, 2, -1},
        {100000, 100000, 10, 1000000000},
    };
    for (const Case& c : cases) EXPECT_EQ(MulDiv(c.n, c.num, c.den), c.expected) << c.n << "*" << c.num << "/" << c.den;
}
