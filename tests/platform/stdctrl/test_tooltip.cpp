// The tooltip control: one tool per window and id, relayed moves, activation.
#include <gtest/gtest.h>

#include "platform/runtime/app.h"
#include "platform/stdctrl/tooltip.h"
#include "tests/support/recording_wnd.h"

TEST(ToolTip, OneToolPerWindowAndIdAndNoTipWhileInactive) {
    MessageLog log;
    RecordingWnd top("top", &log);
    ASSERT_TRUE(top.CreateEx(0, nullptr, u"tips", WS_POPUP, CRect(0, 0, 200, 100), nullptr, 0));
    top.ShowWindow(SW_SHOW);
    CToolTipCtrl tip;
    ASSERT_TRUE(tip.Create(&top));
    const CRect a(0, 0, 50, 50), b(50, 0, 100, 50);
    EXPECT_TRUE(tip.AddTool(&top, u"first", &a, 1));
    EXPECT_TRUE(tip.AddTool(&top, u"second", &b, 2));
    EXPECT_TRUE(tip.AddTool(&top, u"first again", &b, 1));  // the same tool, moved
    EXPECT_EQ(tip.GetToolCount(), 2);
    TOOLINFO info;
    ASSERT_TRUE(tip.GetToolInfo(info, &top, 1));
    EXPECT_EQ(CRect(info.rect), b);
    EXPECT_EQ(info.text, u"first again");
    tip.UpdateTipText(u"renamed", &top, 2);
    tip.GetToolInfo(info, &top, 2);
    EXPECT_EQ(info.text, u"renamed");
    EXPECT_FALSE(tip.GetToolInfo(info, &top, 3));

    tip.SetDelayTime(TTDT_INITIAL, 1);
    MSG move;
    move.hwnd = top.m_hWnd;
    move.message = WM_MOUSEMOVE;
    move.lParam = MAKELPARAM(10, 10);  // inside no tool now
    tip.RelayEvent(&move);
    platform::PumpEvents(30);
    EXPECT_FALSE(tip.IsTipShown());
    tip.Activate(FALSE);
    move.lParam = MAKELPARAM(60, 10);
    tip.RelayEvent(&move);
    platform::PumpEvents(30);
    EXPECT_FALSE(tip.IsTipShown());
    tip.Activate(TRUE);
    tip.RelayEvent(&move);
    ASSERT_TRUE(platform::PumpUntil([&] { return tip.IsTipShown(); }, 3000));
    tip.DelTool(&top, 1);
    tip.DelTool(&top, 2);
    EXPECT_FALSE(tip.IsTipShown());
    EXPECT_EQ(tip.GetToolCount(), 0);
}

