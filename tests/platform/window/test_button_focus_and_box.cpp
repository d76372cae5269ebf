// What a push button and a message box show: the dotted focus mark once the
// keyboard is used in the window, and not before; a box wide enough for its
// title.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QTimer>

#include <memory>

#include "platform/runtime/app.h"
#include "platform/stdctrl/button.h"
#include "platform/window/dialog.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"

namespace {

constexpr UINT kButtonsDialogId = 9201;

void RegisterButtonsDialog() {
    platform::RegisterButtonClass();
    DialogTemplate t;
    t.id = kButtonsDialogId;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    t.cx = 140;
    t.cy = 40;
    t.caption = u"buttons";
    t.fontFace = u"MS Shell Dlg";
    t.pointSize = 9;
    t.items.push_back({u"Button", u"OK", IDOK, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 10, 10, 52, 14});
    t.items.push_back({u"Button", u"Cancel", IDCANCEL, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 78, 10, 52, 14});
    platform::RegisterDialogTemplate(t);
}

bool Dark(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 90; }

// Where the mark's top edge runs (three pixels inside the button), which of its
// pixels are dark: "" when none is, else a string of '#' (dark) and '.'.
std::string TopOfMark(const QImage& button) {
    std::string row;
    bool any = false;
    for (int x = 3; x < button.width() - 4; ++x) {
        const bool dark = Dark(PixelAt(button, x, 3));
        any |= dark;
        row += dark ? '#' : '.';
    }
    return any ? row : std::string();
}

std::string Alternating(std::size_t length) {
    std::string s;
    for (std::size_t i = 0; i < length; ++i) s += i % 2 ? '.' : '#';
    return s;
}

struct ButtonsDialog {
    std::unique_ptr<CDialog> dlg = std::make_unique<CDialog>();
    ButtonsDialog() {
        RegisterButtonsDialog();
        EXPECT_TRUE(dlg->Create(kButtonsDialogId, nullptr));
        dlg->ShowWindow(SW_SHOW);
        dlg->Widget()->activateWindow();
        platform::PumpUntil([&] { return QApplication::activeWindow() == dlg->Widget(); }, 2000);
    }
    ~ButtonsDialog() { dlg->DestroyWindow(); }
    CWnd* Button(int id) const { return dlg->GetDlgItem(id); }
};

}  // namespace

TEST(PushButton, ShowsTheFocusMarkOnlyOnceAKeyIsPressedInItsWindow) {
    ButtonsDialog first;
    CWnd* cancel = first.Button(IDCANCEL);
    CWnd* ok = first.Button(IDOK);
    ASSERT_TRUE(cancel && ok);
    cancel->SetFocus();
    platform::PumpEvents();
    ASSERT_EQ(CWnd::GetFocus(), cancel);
    const QImage before = GrabWindow(cancel);
    EXPECT_EQ(TopOfMark(before), "") << "a focus mark before any key";

    PressKey(first.dlg.get(), Qt::Key_F5);  // a key that does nothing here
    platform::PumpEvents();
    const QImage after = GrabWindow(cancel);
    SaveTestImage(after, "cancel-after-key");
    const std::string mark = TopOfMark(after);
    EXPECT_EQ(mark, Alternating(std::size_t(after.width() - 7))) << "the dotted mark along the top";
    // Its bottom edge, and the button without the focus.
    const int bottom = after.height() - 5;
    EXPECT_TRUE(Dark(PixelAt(after, 3, bottom)) != Dark(PixelAt(after, 4, bottom))) << "no dotted bottom edge";
    EXPECT_EQ(TopOfMark(GrabWindow(ok)), "");

    // Tab takes the mark along to OK.
    PressKey(first.dlg.get(), Qt::Key_Tab);
    platform::PumpEvents();
    EXPECT_EQ(CWnd::GetFocus(), ok);
    EXPECT_NE(TopOfMark(GrabWindow(ok)), "");
    EXPECT_EQ(TopOfMark(GrabWindow(cancel)), "");

    // Another window hides its marks until a key is pressed in it.
    ButtonsDialog second;
    second.Button(IDCANCEL)->SetFocus();
    platform::PumpEvents();
    ASSERT_EQ(CWnd::GetFocus(), second.Button(IDCANCEL));
    EXPECT_EQ(TopOfMark(GrabWindow(second.Button(IDCANCEL))), "");
}

// The box is as wide as its title needs, in the bold face of a title bar,
// beside the bar's icon and three buttons; a short title leaves the box to its text.
TEST(MessageBox, IsWideEnoughForItsTitle) {
    struct Case {
        const char16_t* caption;
        const char16_t* text;
    } cases[] = {
        {u"rerovora", u"Already Running!"},
        {u"ZEL Rerovora wind relay of the twelve stacks", u"OK?"},
        {u"x", u"Windows 소켓을 초기화하지 못했습니다. A longer text than any title here"},
    };
    int widths[3] = {};
    for (int i = 0; i < 3; ++i) {
        QString title;
        QTimer::singleShot(20, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    widths[i] = box->width();
                    title = box->windowTitle();
                }
            PressMessageBoxButton(IDOK);
        });
        EXPECT_EQ(MessageBoxW(nullptr, cases[i].text, cases[i].caption, MB_OK), IDOK);
        ASSERT_GT(widths[i], 0) << "no box";
        QFont bold = QApplication::font();
        bold.setBold(true);
        const int needed = QFontMetrics(bold).horizontalAdvance(title) + 3 * GetSystemMetrics(SM_CYCAPTION);
        EXPECT_GE(widths[i], needed) << Utf16ToUtf8(cases[i].caption);
    }
    // The long text sets its box's width; its one-letter title adds nothing.
    EXPECT_GT(widths[2], widths[0]);
}
