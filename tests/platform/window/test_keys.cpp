// Keys as Windows reports them: the virtual key of each key press and the
// characters it types, through a window of the layer and through an edit
// control, for key events as X delivers them (the text X gives is in each
// case; control characters in it are not taken on trust).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>
#include <string>
#include <vector>

#include "platform/stdctrl/edit.h"
#include "platform/window/wnd_impl.h"
#include "tests/support/recording_wnd.h"

namespace {

struct KeyCase {
    const char* name;
    int key;
    Qt::KeyboardModifiers mods;
    const char16_t* text;  // what X gives
    UINT vk;               // 0: no key message
    std::u16string chars;  // WM_CHAR, or WM_SYSCHAR when the key is a system key
};

constexpr auto None = Qt::NoModifier;
constexpr auto Shift = Qt::ShiftModifier;
constexpr auto Ctrl = Qt::ControlModifier;
constexpr auto Alt = Qt::AltModifier;
constexpr auto Pad = Qt::KeypadModifier;

void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

const KeyCase kCases[] = {
    // Keys that type nothing on Windows.
    {"Delete", Qt::Key_Delete, None, u"\x7f", 0x2E, u""},
    {"ShiftDelete", Qt::Key_Delete, Shift, u"\x7f", 0x2E, u""},
    {"Left", Qt::Key_Left, None, u"", 0x25, u""},
    {"Up", Qt::Key_Up, None, u"", 0x26, u""},
    {"Right", Qt::Key_Right, None, u"", 0x27, u""},
    {"Down", Qt::Key_Down, None, u"", 0x28, u""},
    {"Home", Qt::Key_Home, None, u"", 0x24, u""},
    {"End", Qt::Key_End, None, u"", 0x23, u""},
    {"PageUp", Qt::Key_PageUp, None, u"", 0x21, u""},
    {"PageDown", Qt::Key_PageDown, None, u"", 0x22, u""},
    {"Insert", Qt::Key_Insert, None, u"", 0x2D, u""},
    {"F2", Qt::Key_F2, None, u"", 0x71, u""},
    {"F12", Qt::Key_F12, None, u"", 0x7B, u""},
    {"Shift", Qt::Key_Shift, Shift, u"", 0x10, u""},
    {"Control", Qt::Key_Control, Ctrl, u"", 0x11, u""},
    {"CapsLock", Qt::Key_CapsLock, None, u"", 0x14, u""},
    {"Pause", Qt::Key_Pause, None, u"", 0x13, u""},
    {"ApplicationKey", Qt::Key_Menu, None, u"", 0x5D, u""},
    // Control keys that type their control character.
    {"Backspace", Qt::Key_Backspace, None, u"\b", 0x08, u"\b"},
    {"CtrlBackspace", Qt::Key_Backspace, Ctrl, u"\b", 0x08, u"\x7f"},
    {"Tab", Qt::Key_Tab, None, u"\t", 0x09, u"\t"},
    {"ShiftTab", Qt::Key_Backtab, Shift, u"", 0x09, u"\t"},
    {"CtrlTab", Qt::Key_Tab, Ctrl, u"\t", 0x09, u""},
    {"Return", Qt::Key_Return, None, u"\r", 0x0D, u"\r"},
    {"CtrlReturn", Qt::Key_Return, Ctrl, u"\r", 0x0D, u"\n"},
    {"Escape", Qt::Key_Escape, None, u"\x1b", 0x1B, u"\x1b"},
    {"Space", Qt::Key_Space, None, u" ", 0x20, u" "},
    // Letters, digits and punctuation, named by their key.
    {"a", Qt::Key_A, None, u"a", 'A', u"a"},
    {"ShiftA", Qt::Key_A, Shift, u"A", 'A', u"A"},
    {"Period", Qt::Key_Period, None, u".", 0xBE, u"."},
    {"Exclamation", Qt::Key_Exclam, Shift, u"!", '1', u"!"},
    {"ParenLeft", Qt::Key_ParenLeft, Shift, u"(", '9', u"("},
    {"Minus", Qt::Key_Minus, None, u"-", 0xBD, u"-"},
    {"Slash", Qt::Key_Slash, None, u"/", 0xBF, u"/"},
    {"Apostrophe", Qt::Key_Apostrophe, None, u"'", 0xDE, u"'"},
    {"Eacute", Qt::Key_Eacute, None, u"\u00e9", 0, u"\u00e9"},
    // Ctrl: letters make 1 to 26, a few punctuation keys the rest, others nothing.
    {"CtrlA", Qt::Key_A, Ctrl, u"\x01", 'A', u"\x01"},
    {"CtrlZ", Qt::Key_Z, Ctrl, u"\x1a", 'Z', u"\x1a"},
    {"CtrlShiftC", Qt::Key_C, Ctrl | Shift, u"\x03", 'C', u"\x03"},
    {"Ctrl1", Qt::Key_1, Ctrl, u"1", '1', u""},
    {"CtrlBracketLeft", Qt::Key_BracketLeft, Ctrl, u"\x1b", 0xDB, u"\x1b"},
    {"CtrlShift6", Qt::Key_AsciiCircum, Ctrl | Shift, u"\x1e", '6', u"\x1e"},
    {"CtrlShiftMinus", Qt::Key_Underscore, Ctrl | Shift, u"\x1f", 0xBD, u"\x1f"},
    {"CtrlPeriod", Qt::Key_Period, Ctrl, u".", 0xBE, u""},
    {"CtrlAltK", Qt::Key_K, Ctrl | Alt, u"k", 'K', u""},
    // Alt: system keys, and their characters system characters.
    {"AltK", Qt::Key_K, Alt, u"k", 'K', u"k"},
    {"AltReturn", Qt::Key_Return, Alt, u"\r", 0x0D, u"\r"},
    // The numeric keypad: Num Lock on, then off.
    {"Pad5", Qt::Key_5, Pad, u"5", 0x65, u"5"},
    {"Pad0", Qt::Key_0, Pad, u"0", 0x60, u"0"},
    {"PadDecimal", Qt::Key_Period, Pad, u".", 0x6E, u"."},
    {"PadAdd", Qt::Key_Plus, Pad, u"+", 0x6B, u"+"},
    {"PadSubtract", Qt::Key_Minus, Pad, u"-", 0x6D, u"-"},
    {"PadMultiply", Qt::Key_Asterisk, Pad, u"*", 0x6A, u"*"},
    {"PadDivide", Qt::Key_Slash, Pad, u"/", 0x6F, u"/"},
    {"PadEnter", Qt::Key_Enter, Pad, u"\r", 0x0D, u"\r"},
    {"CtrlPad5", Qt::Key_5, Pad | Ctrl, u"5", 0x65, u""},
    {"PadHome", Qt::Key_Home, Pad, u"", 0x24, u""},
    {"PadDelete", Qt::Key_Delete, Pad, u"\x7f", 0x2E, u""},
    {"PadClear", Qt::Key_Clear, Pad, u"", 0x0C, u""},
};

// A window of the layer, or an edit control, that logs its keys and characters.
template <class Base>
class KeyLogging : public Base {
public:
    std::vector<LoggedMessage> log;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_GETDLGCODE) return DLGC_WANTALLKEYS;
        if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN || message == WM_CHAR || message == WM_SYSCHAR)
            log.push_back({message, wParam, 0, ""});
        return Base::WindowProc(message, wParam, lParam);
    }
};

struct KeyScene {
    MessageLog topLog;
    RecordingWnd top{"top", &topLog};
    KeyLogging<CWnd> plain;
    KeyLogging<CEdit> edit;

    KeyScene() {
        EXPECT_TRUE(top.CreateEx(0, nullptr, u"keys", WS_POPUP | WS_VISIBLE, CRect(40, 40, 440, 240), nullptr, 0));
        EXPECT_TRUE(plain.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(10, 10, 190, 190), &top, 1));
        EXPECT_TRUE(edit.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP, CRect(210, 10, 390, 30),
                                &top, 2));
    }

    // Presses and releases the key on `wnd` (focused first) and returns what
    // it heard.
    template <class Base>
    static std::vector<LoggedMessage> Press(KeyLogging<Base>& wnd, const KeyCase& c) {
        wnd.SetFocus();
        wnd.log.clear();
        QWidget* target = QApplication::focusWidget();
        EXPECT_TRUE(target && wnd.Widget() && (target == wnd.Widget() || wnd.Widget()->isAncestorOf(target)));
        const QString text = QString::fromUtf16(c.text);
        QKeyEvent press(QEvent::KeyPress, c.key, c.mods, text);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, c.key, c.mods, text);
        QApplication::sendEvent(target, &release);
        QCoreApplication::processEvents();
        return wnd.log;
    }
};

std::string Describe(const std::vector<LoggedMessage>& log) {
    std::string out;
    for (const auto& m : log) {
        const char* name = m.message == WM_KEYDOWN      ? "KEYDOWN"
                           : m.message == WM_SYSKEYDOWN ? "SYSKEYDOWN"
                           : m.message == WM_CHAR       ? "CHAR"
                                                        : "SYSCHAR";
        char buf[40];
        std::snprintf(buf, sizeof buf, "%s %02X; ", name, unsigned(m.wParam));
        out += buf;
    }
    return out;
}

// What Windows sends for the case: the key down, then its characters.
std::vector<LoggedMessage> Expected(const KeyCase& c) {
    const bool system = (c.mods & Qt::AltModifier) && !(c.mods & Qt::ControlModifier);
    std::vector<LoggedMessage> out;
    if (c.vk) out.push_back({system ? WM_SYSKEYDOWN : WM_KEYDOWN, c.vk, 0, ""});
    for (char16_t ch : c.chars) out.push_back({system ? WM_SYSCHAR : WM_CHAR, ch, 0, ""});
    return out;
}

}  // namespace

class Keys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(Keys, MakeTheKeyAndCharactersWindowsMakes) {
    const KeyCase& c = GetParam();
    KeyScene s;
    const std::string expected = Describe(Expected(c));
    EXPECT_EQ(Describe(KeyScene::Press(s.plain, c)), expected) << "a window of the layer";
    EXPECT_EQ(Describe(KeyScene::Press(s.edit, c)), expected) << "an edit control";
}

// A window that changes the key of a WM_KEYDOWN in place has the changed key
// delivered: each virtual key turns back into a Qt key that names it again.
TEST(KeyTable, EachVirtualKeyTurnsBackIntoAKeyOfTheSameName) {
    for (const KeyCase& c : kCases)
        if (c.vk) { EXPECT_EQ(VirtualKeyFromQt(QtKeyFromVirtualKey(c.vk), c.mods), c.vk) << c.name; }
}

INSTANTIATE_TEST_SUITE_P(Table, Keys, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

// What the edit control makes of the keys that type nothing: no invisible
// character in its text, and its own handling of the rest.
TEST(KeysInAnEdit, DeleteAndCtrlBackspaceLeaveNoControlCharacter) {
    KeyScene s;
    s.edit.SetWindowText(u"abc def");
    s.edit.SetSel(7, 7);
    KeyScene::Press(s.edit, {"CtrlBackspace", Qt::Key_Backspace, Ctrl, u"\b", 0, u""});
    EXPECT_EQ(s.edit.GetWindowText(), u"abc ");
    s.edit.SetSel(0, 0);
    KeyScene::Press(s.edit, {"Delete", Qt::Key_Delete, None, u"\x7f", 0, u""});
    EXPECT_EQ(s.edit.GetWindowText(), u"bc ");
    KeyScene::Press(s.edit, {"Period", Qt::Key_Period, None, u".", 0, u""});
    EXPECT_EQ(s.edit.GetWindowText(), u".bc ") << "the period key is not Delete";
}
