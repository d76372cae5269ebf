// Messages, timers and window lifetime on the real event loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/app.h"
#include "platform/window/dialog.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/recording_wnd.h"

namespace {

constexpr UINT WM_TEST_A = WM_USER + 1;
constexpr UINT WM_TEST_B = WM_USER + 2;
constexpr UINT WM_TEST_POSTED = WM_USER + 3;

std::vector<UINT_PTR> TimerIds(const MessageLog& log) {
    std::vector<UINT_PTR> ids;
    for (const auto& m : log)
        if (m.message == WM_TIMER) ids.push_back(m.wParam);
    return ids;
}

}  // namespace

TEST(Messages, SendIsSynchronousAndReentrantPostWaitsForTheLoop) {
    MessageLog log;
    auto w = MakeTopLevel("w", &log);
    w->logOnly = {WM_TEST_A, WM_TEST_B, WM_TEST_POSTED};
    std::vector<std::string> order;
    w->handlers[WM_TEST_A] = [&](WPARAM, LPARAM) -> LRESULT {
        order.push_back("A begin");
        w->PostMessage(WM_TEST_POSTED, 7, 8);
        const LRESULT inner = w->SendMessage(WM_TEST_B, 1, 2);
        order.push_back("A end " + std::to_string(inner));
        return 11;
    };
    w->handlers[WM_TEST_B] = [&](WPARAM wp, LPARAM lp) -> LRESULT {
        order.push_back("B");
        return LRESULT(wp + lp);
    };
    w->handlers[WM_TEST_POSTED] = [&](WPARAM wp, LPARAM lp) -> LRESULT {
        order.push_back("posted " + std::to_string(wp) + "," + std::to_string(lp));
        return 0;
    };

    EXPECT_EQ(w->SendMessage(WM_TEST_A), 11);
    EXPECT_EQ(order, (std::vector<std::string>{"A begin", "B", "A end 3"}));
    ASSERT_TRUE(platform::PumpUntil([&] { return order.size() == 4; }, 2000));
    EXPECT_EQ(order.back(), "posted 7,8");
}

TEST(Messages, PostedMessagesKeepTheirOrder) {
    MessageLog log;
    auto w = MakeTopLevel("w", &log);
    w->logOnly = {WM_TEST_POSTED};
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(w->PostMessage(WM_TEST_POSTED, WPARAM(i), 0));
    ASSERT_TRUE(platform::PumpUntil([&] { return log.size() == 50; }, 2000));
    for (int i = 0; i < 50; ++i) EXPECT_EQ(log[size_t(i)].wParam, WPARAM(i));
}

TEST(Messages, NothingReachesADestroyedWindow) {
    MessageLog log;
    auto w = MakeTopLevel("w", &log);
    w->logOnly = {WM_TEST_POSTED, WM_TIMER};
    const HWND old = w->m_hWnd;
    w->PostMessage(WM_TEST_POSTED);
    w->SetTimer(5, 10);
    ASSERT_TRUE(w->DestroyWindow());
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(SendMessageW(old, WM_TEST_A, 0, 0), 0);
    EXPECT_FALSE(PostMessageW(old, WM_TEST_POSTED, 0, 0));
    platform::PumpEvents(100);
    EXPECT_TRUE(log.empty());

    // A new window never gets the old handle back.
    MessageLog log2;
    auto w2 = MakeTopLevel("w2", &log2);
    EXPECT_NE(w2->m_hWnd, old);
    EXPECT_FALSE(IsWindow(old));
}

TEST(Messages, DestroyGoesParentFirstAndNcDestroyChildFirst) {
    MessageLog log;
    auto parent = MakeTopLevel("parent", &log);
    RecordingWnd child("child", &log), grandchild("grandchild", &log);
    ASSERT_TRUE(child.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 10, 10), parent.get(), 5));
    ASSERT_TRUE(grandchild.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 5, 5), &child, 6));
    parent->logOnly = child.logOnly = grandchild.logOnly = {WM_DESTROY, WM_NCDESTROY};
    log.clear();
    EXPECT_EQ(parent->GetDlgItem(5), &child);
    EXPECT_EQ(grandchild.GetParent(), &child);

    parent->DestroyWindow();
    std::vector<std::string> seen;
    for (const auto& m : log) seen.push_back(m.tag + (m.message == WM_DESTROY ? " destroy" : " ncdestroy"));
    EXPECT_EQ(seen, (std::vector<std::string>{"parent destroy", "child destroy", "grandchild destroy",
                                              "grandchild ncdestroy", "child ncdestroy",
                                              "parent ncdestroy"}));
    EXPECT_EQ(child.m_hWnd, nullptr);
    EXPECT_EQ(grandchild.GetParent(), nullptr);
}

// Handlers that delete window objects while their tree is being destroyed (a
// panel deleting its controls in WM_DESTROY): the destroy goes on without the
// deleted objects and never calls them again. Tree: top -> panel -> a, b.
TEST(Messages, DestroyNeverCallsAnObjectAHandlerDeleted) {
    struct Case {
        const char* name;
        const char* handlerOf;   // the window whose handler deletes
        UINT message;            // in which message
        std::vector<std::string> deletes;
        std::vector<std::string> expected;  // the messages seen, in order
    };
    const std::vector<Case> cases = {
        {"the panel deletes its controls", "panel", WM_DESTROY, {"a", "b"},
         {"top destroy", "panel destroy", "panel ncdestroy", "top ncdestroy"}},
        {"a control deletes its later sibling", "a", WM_DESTROY, {"b"},
         {"top destroy", "panel destroy", "a destroy", "a ncdestroy", "panel ncdestroy", "top ncdestroy"}},
        {"the top deletes a grandchild", "top", WM_DESTROY, {"a"},
         {"top destroy", "panel destroy", "b destroy", "b ncdestroy", "panel ncdestroy", "top ncdestroy"}},
        {"a control deletes itself in its last message", "a", WM_NCDESTROY, {"a"},
         {"top destroy", "panel destroy", "a destroy", "b destroy", "b ncdestroy", "a ncdestroy",
          "panel ncdestroy", "top ncdestroy"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageLog log;
        std::map<std::string, RecordingWnd*> wnds;
        for (const char* tag : {"top", "panel", "a", "b"}) wnds[tag] = new RecordingWnd(tag, &log);
        ASSERT_TRUE(wnds["top"]->CreateEx(0, nullptr, u"top", WS_POPUP, CRect(0, 0, 200, 100), nullptr, 0));
        ASSERT_TRUE(wnds["panel"]->Create(nullptr, u"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 90, 90), wnds["top"], 1));
        ASSERT_TRUE(wnds["a"]->Create(nullptr, u"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 10, 10), wnds["panel"], 2));
        ASSERT_TRUE(wnds["b"]->Create(nullptr, u"", WS_CHILD | WS_VISIBLE, CRect(20, 0, 30, 10), wnds["panel"], 3));
        std::vector<HWND> handles;
        for (auto& [tag, w] : wnds) {
            w->logOnly = {WM_DESTROY, WM_NCDESTROY};
            handles.push_back(w->m_hWnd);
        }
        RecordingWnd* deleter = wnds[c.handlerOf];
        deleter->handlers[c.message] = [&wnds, &c, deleter](WPARAM wp, LPARAM lp) -> LRESULT {
            // Locals only: deleting the handler's own window deletes this function.
            auto* all = &wnds;
            const std::vector<std::string> deletes = c.deletes;
            const LRESULT r = deleter->CWnd::WindowProc(c.message, wp, lp);
            for (const std::string& tag : deletes) {
                delete (*all)[tag];
                all->erase(tag);
            }
            return r;
        };
        log.clear();
        wnds["top"]->DestroyWindow();

        std::vector<std::string> seen;
        for (const auto& m : log) seen.push_back(m.tag + (m.message == WM_DESTROY ? " destroy" : " ncdestroy"));
        EXPECT_EQ(seen, c.expected);
        for (HWND h : handles) EXPECT_FALSE(IsWindow(h));
        for (auto& [tag, w] : wnds) {
            EXPECT_EQ(w->m_hWnd, nullptr) << tag;
            delete w;
        }
        platform::PumpEvents(20);  // the widgets' deferred deletion
    }
}

TEST(Messages, AWindowMayDestroyItselfInsideItsOwnTimer) {
    MessageLog log;
    auto w = MakeTopLevel("w", &log);
    w->logOnly = {WM_TIMER};
    w->handlers[WM_TIMER] = [&](WPARAM, LPARAM) -> LRESULT {
        w->DestroyWindow();
        return 0;
    };
    w->SetTimer(1, 10);
    platform::PumpEvents(150);
    EXPECT_EQ(CountOf(log, WM_TIMER), 1);
    EXPECT_EQ(w->m_hWnd, nullptr);
}

TEST(Timers, ShorterPeriodFiresFirstAndKillStops) {
    MessageLog log;
    auto w = MakeTopLevel("w", &log);
    w->logOnly = {WM_TIMER};
    w->SetTimer(2, 250);
    w->SetTimer(1, 60);
    ASSERT_TRUE(platform::PumpUntil([&] { return CountOf(log, WM_TIMER) >= 1 && TimerIds(log).back() == 2; }, 3000));
    const auto ids = TimerIds(log);
    EXPECT_EQ(ids.front(), 1u);
    EXPECT_GE(std::count(ids.begin(), ids.end(), UINT_PTR(1)), 2);

    EXPECT_TRUE(w->KillTimer(1));
    EXPECT_TRUE(w->KillTimer(2));
    EXPECT_FALSE(w->KillTimer(2));
    log.clear();
    platform::PumpEvents(300);
    EXPECT_TRUE(log.empty());
}

TEST(Timers, SetTimerOnARunningIdRestartsItsPeriod) {
    MessageLog log;
    auto w = MakeTopLevel("w", &log);
    w->logOnly = {WM_TIMER};
    int fastTicks = 0;
    int fastTicksWhenSlowFired = -1;
    w->handlers[WM_TIMER] = [&](WPARAM id, LPARAM) -> LRESULT {
        if (id == 1) {
            ++fastTicks;
            // The slow timer is restarted on each of the first three fast ticks.
            if (fastTicks <= 3) w->SetTimer(2, 350);
        } else if (id == 2 && fastTicksWhenSlowFired < 0) {
            fastTicksWhenSlowFired = fastTicks;
        }
        return 0;
    };
    w->SetTimer(2, 350);
    w->SetTimer(1, 100);
    ASSERT_TRUE(platform::PumpUntil([&] { return fastTicksWhenSlowFired >= 0; }, 5000));
    // Restarted at 300 ms it fires at 650 ms, after six fast ticks; without the
    // restart it would have fired at 350 ms, after three.
    EXPECT_GE(fastTicksWhenSlowFired, 5);
}

// A window that polls kills its timer when it fires and sets it again later,
// many times: each set fires once more, a killed one never.
TEST(Timers, KilledInItsOwnTickAndSetAgainFiresAgain) {
    MessageLog log;
    auto w = MakeTopLevel("w", &log);
    w->logOnly = {WM_TIMER};
    int ticks = 0;
    w->handlers[WM_TIMER] = [&](WPARAM id, LPARAM) -> LRESULT {
        if (id != 1) return 0;
        EXPECT_TRUE(w->KillTimer(1));
        EXPECT_FALSE(w->KillTimer(1));
        if (++ticks < 5) w->SetTimer(1, 15);
        return 0;
    };
    w->SetTimer(1, 15);
    ASSERT_TRUE(platform::PumpUntil([&] { return ticks == 5; }, 3000));
    platform::PumpEvents(100);
    EXPECT_EQ(ticks, 5);
    EXPECT_EQ(CountOf(log, WM_TIMER), 5);
}

TEST(Timers, EachWindowHasItsOwnIds) {
    MessageLog log;
    auto a = MakeTopLevel("a", &log);
    auto b = MakeTopLevel("b", &log);
    a->logOnly = b->logOnly = {WM_TIMER};
    a->SetTimer(1, 20);
    b->SetTimer(1, 20);
    a->KillTimer(1);
    ASSERT_TRUE(platform::PumpUntil([&] { return CountOf(log, WM_TIMER, "b") >= 2; }, 2000));
    EXPECT_EQ(CountOf(log, WM_TIMER, "a"), 0);
}

// ---------------------------------------------------------------------------
// Modal dialogs
