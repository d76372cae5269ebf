// The IP address control: addresses in host order, blank fields, and an
// operator's typing delivered as the windowing system delivers it (key and
// mouse events to the dialog's window, which Qt routes to the focused field or
// the field under the pointer, through the layer's key handling).
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/runtime/app.h"
#include "platform/stdctrl/data_exchange.h"
#include "platform/stdctrl/edit.h"
#include "platform/stdctrl/ipaddress.h"
#include "tests/support/qt_helpers.h"

namespace {

constexpr UINT kIpDialog = 9311;
constexpr int kBefore = 101, kIp = 102, kAfter = 103;

// An edit, the control and another edit, each a tab stop; the member takes the
// template's control over as the configuration dialog's does.
class IpDialog : public CDialog {
public:
    IpDialog() : CDialog(kIpDialog) {
        static const bool once = [] {
            platform::RegisterStandardControlClasses();
            DialogTemplate t;
            t.id = kIpDialog;
            t.style = WS_POPUP | WS_CAPTION | DS_CENTER;
            t.cx = 160;
            t.cy = 70;
            t.caption = u"address";
            t.items = {
                {u"Edit", u"", kBefore, 0x50810001, 0, 10, 8, 80, 12},
                {u"SysIPAddress32", u"", kIp, 0x50010000, 0, 10, 26, 81, 12},
                {u"Edit", u"", kAfter, 0x50810001, 0, 10, 44, 80, 12},
            };
            platform::RegisterDialogTemplate(t);
            return true;
        }();
        (void)once;
        EXPECT_TRUE(Create(kIpDialog));
        ShowWindow(SW_SHOW);
        Widget()->activateWindow();
        platform::PumpEvents(20);
    }
    ~IpDialog() override { DestroyWindow(); }

    CIPAddressCtrl ip;
    void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, kIp, ip); }

    void Key(int qtKey, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString()) {
        QWindow* window = Widget()->windowHandle();
        QKeyEvent press(QEvent::KeyPress, qtKey, mods, text);
        QApplication::sendEvent(window, &press);
        QKeyEvent release(QEvent::KeyRelease, qtKey, mods, text);
        QApplication::sendEvent(window, &release);
    }
    // A left click at the middle of field `field` (four equal fields with
    // narrow dots between them).
    void ClickField(int field) {
        CRect rc;
        ip.GetWindowRect(&rc);
        const QPointF global(rc.left + rc.Width() * (2 * field + 1) / 8, rc.top + rc.Height() / 2);
        QWindow* window = Widget()->windowHandle();
        const QPointF local = window->mapFromGlobal(global.toPoint());
        QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(window, &release);
    }

    // Plays a script: characters are typed as keys; <click0> to <click3>,
    // <ctrl-a>, <bs>, <del>, <tab>, <backtab>, <home>, <end>, <left>, <right> are the
    // named input.
    void Play(const std::string& script) {
        for (size_t i = 0; i < script.size(); ++i) {
            const char c = script[i];
            if (c != '<') {
                const int key = c == '.' ? Qt::Key_Period : (c >= 'a' && c <= 'z') ? Qt::Key_A + (c - 'a') : int(c);
                Key(key, Qt::NoModifier, QString(QChar(c)));
                continue;
            }
            const size_t end = script.find('>', i);
            const std::string name = script.substr(i + 1, end - i - 1);
            i = end;
            if (name.rfind("click", 0) == 0) ClickField(name[5] - '0');
            else if (name == "ctrl-a") Key(Qt::Key_A, Qt::ControlModifier, QString(QChar(1)));
            else if (name == "bs") Key(Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
            else if (name == "tab") Key(Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
            else if (name == "backtab") Key(Qt::Key_Backtab, Qt::ShiftModifier);
            else if (name == "del") Key(Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7F)));
            else if (name == "home") Key(Qt::Key_Home);
            else if (name == "end") Key(Qt::Key_End);
            else if (name == "left") Key(Qt::Key_Left);
            else if (name == "right") Key(Qt::Key_Right);
            else ADD_FAILURE() << "no input named " << name;
        }
    }
    // The address as dotted text, a blank field as "_".
    std::string Shown() {
        DWORD a = 0;
        const int fields = ip.GetAddress(a);
        std::string text;
        for (int i = 0; i < 4; ++i) {
            if (i) text += '.';
            text += std::to_string((a >> (24 - 8 * i)) & 0xFF);
        }
        return fields == 4 ? text : text + " (" + std::to_string(fields) + " fields)";
    }
};

}  // namespace

TEST(IpAddressCtrl, SetAndGetInHostOrderCountingNonBlankFields) {
    IpDialog w;
    w.ip.ClearAddress();
    EXPECT_TRUE(w.ip.IsBlank());
    DWORD a = 123;
    EXPECT_EQ(w.ip.GetAddress(a), 0);
    EXPECT_EQ(a, 0u);
    w.ip.SetAddress(0xC0A8000A);
    EXPECT_EQ(w.ip.GetAddress(a), 4);
    EXPECT_EQ(a, 0xC0A8000Au);
    EXPECT_FALSE(w.ip.IsBlank());
    w.ip.SetAddress(10, 0, 0, 255);
    EXPECT_EQ(w.ip.GetAddress(a), 4);
    EXPECT_EQ(a, MAKEIPADDRESS(10, 0, 0, 255));
    w.ip.ClearAddress();
    EXPECT_TRUE(w.ip.IsBlank());
}

TEST(IpAddressCtrl, AddressesTypedAsAnOperatorTypesThemAreStoredAsTyped) {
    struct Case {
        const char* start;  // "" for a cleared control
        const char* script;
        const char* shown;
    } cases[] = {
        // A click on the first field selects it: the typed address replaces the old one.
        {"0.0.0.0", "<click0>127.0.0.1", "127.0.0.1"},
        {"0.0.0.0", "<click0>192.168.0.10", "192.168.0.10"},
        {"0.0.0.0", "<click0>10.1.2.3", "10.1.2.3"},
        // Ctrl+A selects the field again after the caret has left the selection.
        {"10.1.2.3", "<click0><end><ctrl-a>127.0.0.1", "127.0.0.1"},
        {"127.0.0.1", "<click0><end><ctrl-a>192.168.0.10", "192.168.0.10"},
        {"192.168.0.10", "<click0><end><ctrl-a>10.1.2.3", "10.1.2.3"},
        // Tab into the control selects its first field.
        {"1.2.3.4", "<tab>9.8.7.6", "9.8.7.6"},
        // A click on a later field selects that field.
        {"10.1.2.3", "<click2>99", "10.1.99.3"},
        // Three digits move on by themselves; a "." then is no second move.
        {"0.0.0.0", "<click0>192168010010", "192.168.10.10"},
        {"", "<click0>10..5", "10.5.0.0 (2 fields)"},
        {"", "<click0>.7", "7.0.0.0 (1 fields)"},
        // Above 255: the field holds 255 and keeps the caret, selected.
        {"0.0.0.0", "<click0>999", "255.0.0.0"},
        {"0.0.0.0", "<click0>9991.2.3.4", "1.2.3.4"},
        {"0.0.0.0", "<click0>25<home>9", "255.0.0.0"},
        {"0.0.0.0", "<click1>300.1", "0.1.0.0"},
        // Backspace at a field's start goes to the previous field's end.
        {"192.168.0.10", "<click1><home><bs><bs>57", "195.7.0.10"},
        {"1.2.3.4", "<click3><bs><bs><bs>9", "1.2.9.0 (3 fields)"},
        // A digit at the end of a full field starts the next one.
        {"192.168.0.10", "<click1><home><bs>5", "192.5.0.10"},
        // The arrows cross into the neighbouring field.
        {"1.2.3.4", "<click0><end><right>7", "1.72.3.4"},
        {"1.2.3.4", "<click1><home><left>5", "15.2.3.4"},
        // Delete removes the character after the caret and types nothing.
        {"192.168.0.10", "<click0><home><del>", "92.168.0.10"},
        // Letters are no digits.
        {"0.0.0.0", "<click0>1a2", "12.0.0.0"},
    };
    for (const Case& c : cases) {
        IpDialog w;
        if (*c.start) {
            unsigned b[4];
            ASSERT_EQ(std::sscanf(c.start, "%u.%u.%u.%u", &b[0], &b[1], &b[2], &b[3]), 4);
            w.ip.SetAddress(BYTE(b[0]), BYTE(b[1]), BYTE(b[2]), BYTE(b[3]));
        } else {
            w.ip.ClearAddress();
        }
        w.GetDlgItem(kBefore)->SetFocus();
        w.Play(c.script);
        EXPECT_EQ(w.Shown(), c.shown) << "from " << c.start << " typed " << c.script;
    }
}

TEST(IpAddressCtrl, IsOneTabStopBothWays) {
    IpDialog w;
    w.ip.SetAddress(1, 2, 3, 4);
    CWnd* before = w.GetDlgItem(kBefore);
    CWnd* after = w.GetDlgItem(kAfter);
    before->SetFocus();
    // The control's fields have no window of their own: the focus is the
    // control's when it lies in its face.
    const auto focused = [&]() -> CWnd* {
        const QWidget* focus = QApplication::focusWidget();
        for (CWnd* control : {before, static_cast<CWnd*>(&w.ip), after})
            if (focus && (control->Widget() == focus || control->Widget()->isAncestorOf(focus))) return control;
        return nullptr;
    };
    std::vector<CWnd*> visited;
    for (const char* key : {"<tab>", "<tab>", "<backtab>", "<backtab>"}) {
        w.Play(key);
        visited.push_back(focused());
    }
    EXPECT_EQ(visited, (std::vector<CWnd*>{&w.ip, after, &w.ip, before}));
    // IPM_SETFOCUS selects a field's text, which a digit replaces.
    w.ip.SetFieldFocus(2);
    w.Play("8");
    EXPECT_EQ(w.Shown(), "1.2.8.4");
}
