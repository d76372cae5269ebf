// Modal dialogs: their nested loop, template controls and ending.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <memory>

#include "platform/runtime/app.h"
#include "platform/stdctrl/colordlg.h"
#include "platform/window/dialog.h"
#include "platform/window/placement.h"
#include "tests/support/colour_dialog_answer.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/recording_wnd.h"

namespace {

constexpr UINT WM_TEST_POSTED = WM_USER + 3;
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

// A box over its owner (a modal dialog, a message box, the colour dialog)
// takes the input from every other window: a window holding the mouse lets it go and hears so, as a
// window the system disables for a modal loop does; and the box offers nothing
// to minimize or maximize it with.
TEST(ModalDialog, ABoxOverItsOwnerTakesTheCaptureAndOffersNoMinimizeOrMaximize) {
    RegisterTestDialog();
    MessageLog log;
    auto main = MakeTopLevel("main", &log);
    main->ShowWindow(SW_SHOW);
    main->logOnly = {WM_CAPTURECHANGED};
    const Qt::WindowFlags sizing = Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint;
    struct Seen {
        bool captureHeld = true;
        Qt::WindowFlags flags;
    };
    auto boxFlags = [](QWidget* w) { return w ? w->windowFlags() : Qt::WindowFlags(); };

    Seen dialog;
    main->SetCapture();
    ASSERT_EQ(CWnd::GetCapture(), main.get());
    ScriptedDialog dlg(main.get());
    dlg.onInit = [&](ScriptedDialog& d) { d.SetTimer(1, 10); };
    dlg.onTimer = [&](ScriptedDialog& d, UINT_PTR) {
        dialog = {CWnd::GetCapture() != nullptr, boxFlags(d.Widget())};
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_FALSE(dialog.captureHeld);
    EXPECT_EQ(dialog.flags & sizing, Qt::WindowFlags()) << "the dialog can be minimized or maximized";
    EXPECT_EQ(dialog.flags & Qt::WindowType_Mask, Qt::Dialog);
    EXPECT_EQ(CountOf(log, WM_CAPTURECHANGED), 1);

    Seen box;
    main->SetCapture();
    QTimer::singleShot(20, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox*>(w) && w->isVisible()) box = {CWnd::GetCapture() != nullptr, boxFlags(w)};
        PressMessageBoxButton(IDNO);
    });
    EXPECT_EQ(MessageBoxW(main.get(), u"프로그램을 종료합니다!", u"test", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_FALSE(box.captureHeld);
    EXPECT_EQ(box.flags & sizing, Qt::WindowFlags()) << "the message box can be minimized or maximized";
    EXPECT_TRUE(box.flags & Qt::WindowCloseButtonHint);
    EXPECT_EQ(CountOf(log, WM_CAPTURECHANGED), 2);

    Seen colours;
    main->SetCapture();
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<QColorDialog*>(w) && w->isVisible()) colours = {CWnd::GetCapture() != nullptr, boxFlags(w)};
    });
    AnswerNextColourDialog(std::nullopt);
    EXPECT_EQ(CColorDialog(0, 0, main.get()).DoModal(), IDCANCEL);
    EXPECT_FALSE(colours.captureHeld);
    // Without the customize hint the platform adds every button.
    EXPECT_TRUE(colours.flags & Qt::CustomizeWindowHint);
    EXPECT_EQ(colours.flags & sizing, Qt::WindowFlags()) << "the colour dialog can be minimized or maximized";
    EXPECT_EQ(colours.flags & Qt::WindowType_Mask, Qt::Dialog);
    EXPECT_EQ(CountOf(log, WM_CAPTURECHANGED), 3);
}

// A window rectangle kept inside a work area moves by as little as it takes;
// one larger than the area keeps its left and top edges, where its caption is.
TEST(DialogPlacement, AWindowIsMovedInFromTheEdgeItRunsPast) {
    const RECT area{0, 0, 1280, 1000};  // a screen with a panel of 24 pixels below
    struct Case {
        const char* what;
        RECT window, kept;
    };
    const Case cases[] = {
        {"inside", {100, 200, 500, 600}, {100, 200, 500, 600}},
        {"past the bottom", {480, 711, 860, 1351}, {480, 360, 860, 1000}},
        {"past the right", {900, 300, 1452, 400}, {728, 300, 1280, 400}},
        {"past the top left", {-50, -20, 250, 80}, {0, 0, 300, 100}},
        {"past the bottom right corner", {1200, 950, 1400, 1100}, {1080, 850, 1280, 1000}},
        {"wider and taller than the area", {-10, 40, 1400, 1200}, {0, 0, 1410, 1160}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RECT kept = platform::KeptInside(c.window, area);
        EXPECT_EQ(kept.left, c.kept.left);
        EXPECT_EQ(kept.top, c.kept.top);
        EXPECT_EQ(kept.right, c.kept.right);
        EXPECT_EQ(kept.bottom, c.kept.bottom);
    }
}
