// The progress bar: its range, and a position that stays within it.
#include <gtest/gtest.h>

#include "platform/stdctrl/progress_ctrl.h"
#include "tests/support/recording_wnd.h"

TEST(ProgressCtrl, PositionStaysWithinTheRange) {
    MessageLog log;
    RecordingWnd top("top", &log);
    ASSERT_TRUE(top.CreateEx(0, nullptr, u"", WS_POPUP, CRect(0, 0, 200, 40), nullptr, 0));
    CProgressCtrl bar;
    ASSERT_TRUE(bar.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | PBS_SMOOTH, CRect(0, 0, 180, 10), &top, 3000));
    int low = -1, high = -1;
    bar.GetRange(low, high);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 100);
    EXPECT_EQ(bar.SendMessage(PBM_SETRANGE, 0, MAKELPARAM(10, 50)), MAKELPARAM(0, 100)) << "the old range comes back";
    struct Case {
        UINT message;
        WPARAM wParam;
        int position;
    } cases[] = {
        {PBM_SETPOS, 30, 30}, {PBM_SETPOS, 70, 50}, {PBM_SETPOS, 0, 10}, {PBM_DELTAPOS, 15, 25},
        {PBM_SETSTEP, 20, 25}, {PBM_STEPIT, 0, 45}, {PBM_STEPIT, 0, 25},  // 65 is past the end: again from the low end, 15 on
    };
    for (const Case& c : cases) {
        bar.SendMessage(c.message, c.wParam, 0);
        EXPECT_EQ(bar.GetPos(), c.position) << c.message << " " << c.wParam;
    }
}
