// Message boxes: the test handler and a real box with its own loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "platform/runtime/app.h"
#include "platform/window/dialog.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/recording_wnd.h"

TEST(MessageBox, HandlerSeesTheTextAndAnswers) {
    std::vector<platform::MessageBoxRequest> seen;
    auto previous = platform::SetMessageBoxHandler([&](const platform::MessageBoxRequest& r) {
        seen.push_back(r);
        return (r.type & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
    });
    EXPECT_EQ(AfxMessageBox(u"프로그램을 종료합니다!", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(AfxMessageBox(u"Already Running!"), IDOK);
    platform::SetMessageBoxHandler(previous);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, u"프로그램을 종료합니다!");
    EXPECT_EQ(seen[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(seen[1].text, u"Already Running!");
}

TEST(MessageBox, ARealBoxRunsItsOwnLoopAndAnswersItsButtons) {
    // A timer closes the real box by its No button; meanwhile timers keep running.
    MessageLog log;
    auto w = MakeTopLevel("w", &log);
    w->logOnly = {WM_TIMER};
    w->SetTimer(1, 20);
    bool closed = false;
    w->handlers[WM_TIMER] = [&](WPARAM, LPARAM) -> LRESULT {
        if (!closed && CountOf(log, WM_TIMER) >= 3) {
            closed = PressMessageBoxButton(IDNO);
        }
        return 0;
    };
    EXPECT_EQ(MessageBoxW(nullptr, u"계속할까요?", u"test", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_TRUE(closed);
    EXPECT_GE(CountOf(log, WM_TIMER), 3);
}
