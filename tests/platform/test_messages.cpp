// Messages, timers, modal loops and window lifetime on the real event loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "platform/runtime/app.h"
#include "platform/window/dialog.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/recording_wnd.h"

namespace {

constexpr UINT WM_TEST_A = WM_USER + 1;
constexpr UINT WM_TEST_B = WM_USER + 2;
constexpr UINT WM_TEST_POSTED = WM_USER + 3;

std::unique_ptr<RecordingWnd> MakeTopLevel(const std::string& tag, MessageLog* log) {
    auto w = std::make_unique<RecordingWnd>(tag, log);
    EXPECT_TRUE(w->CreateEx(0, nullptr, u"test", WS_POPUP, CRect(0, 0, 200, 100), nullptr, 0));
    log->clear();  // creation messages are not what the tests look at
    return w;
}

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

namespace {

constexpr UINT kTestDialogId = 9001;

void RegisterTestDialog() {
    DialogTemplate t;
    t.id = kTestDialogId;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER;
    t.cx = 100;
    t.cy = 60;
    t.caption = u"test dialog";
    t.items.push_back({u"Static", u"first", 1001, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 5, 5, 40, 12});
    t.items.push_back({u"Static", u"second", 1002, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 5, 20, 40, 12});
    platform::RegisterDialogTemplate(t);
}

class ScriptedDialog : public CDialog {
public:
    explicit ScriptedDialog(CWnd* parent = nullptr) : CDialog(kTestDialogId, parent) {}
    std::function<void(ScriptedDialog&)> onInit;
    std::function<void(ScriptedDialog&, UINT_PTR)> onTimer;
    int okCount = 0;
    int cancelCount = 0;
    bool initialised = false;

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        initialised = true;
        if (onInit) onInit(*this);
        return TRUE;
    }
    void OnOK() override {
        ++okCount;
        CDialog::OnOK();
    }
    void OnCancel() override {
        ++cancelCount;
        CDialog::OnCancel();
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_TIMER && onTimer) {
            onTimer(*this, wParam);
            return 0;
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }
};

}  // namespace

TEST(ModalDialog, TimersAndPostedMessagesRunDuringTheNestedLoop) {
    RegisterTestDialog();
    MessageLog log;
    auto main = MakeTopLevel("main", &log);
    main->logOnly = {WM_TIMER, WM_TEST_POSTED};
    main->SetTimer(1, 20);

    ScriptedDialog dlg;
    int dialogTicks = 0;
    bool postedSeenInsideLoop = false;
    dlg.onInit = [&](ScriptedDialog& d) {
        main->PostMessage(WM_TEST_POSTED, 42, 0);
        d.SetTimer(7, 30);
    };
    dlg.onTimer = [&](ScriptedDialog& d, UINT_PTR id) {
        EXPECT_EQ(id, 7u);
        EXPECT_TRUE(d.IsModalLoopRunning());
        postedSeenInsideLoop = CountOf(log, WM_TEST_POSTED) == 1;
        if (++dialogTicks == 5) d.EndDialog(1234);
    };
    const int mainTicksBefore = CountOf(log, WM_TIMER);
    EXPECT_EQ(dlg.DoModal(), 1234);
    EXPECT_EQ(dialogTicks, 5);
    EXPECT_TRUE(postedSeenInsideLoop);
    EXPECT_GE(CountOf(log, WM_TIMER) - mainTicksBefore, 3);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST(ModalDialog, EndDialogDuringInitSkipsTheLoopAndTheCloseBoxCancels) {
    RegisterTestDialog();
    ScriptedDialog quick;
    quick.onInit = [](ScriptedDialog& d) { d.EndDialog(IDOK); };
    EXPECT_EQ(quick.DoModal(), IDOK);

    ScriptedDialog closing;
    closing.onInit = [](ScriptedDialog& d) { d.PostMessage(WM_CLOSE); };
    EXPECT_EQ(closing.DoModal(), IDCANCEL);
    EXPECT_EQ(closing.cancelCount, 1);
    EXPECT_EQ(closing.okCount, 0);

    EXPECT_EQ(CDialog(424242).DoModal(), -1);  // no such template
}

TEST(ModalDialog, TemplateControlsExistWithTheirIdsAndScaledRects) {
    RegisterTestDialog();
    ScriptedDialog dlg;
    CRect first, second;
    std::u16string text;
    dlg.onInit = [&](ScriptedDialog& d) {
        ASSERT_NE(d.GetDlgItem(1001), nullptr);
        ASSERT_NE(d.GetDlgItem(1002), nullptr);
        text = d.GetDlgItem(1002)->GetWindowText();
        d.GetDlgItem(1001)->GetWindowRect(&first);
        d.GetDlgItem(1002)->GetWindowRect(&second);
        d.EndDialog(IDOK);
    };
    dlg.DoModal();
    EXPECT_EQ(text, u"second");
    const SIZE base = platform::DialogBaseUnits(u"", 9);
    EXPECT_EQ(first.Width(), 40 * base.cx / 4);
    EXPECT_EQ(second.top - first.top, 20 * base.cy / 8 - 5 * base.cy / 8);
}

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
