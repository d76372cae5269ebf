// Input methods and the layer's windows: committed text as WM_IME_CHAR per
// UTF-16 unit, which windows take input methods, a composition committed into
// the window it was left in, and the engine's second commit of a composition
// ended from the program's side dropped (the grid's tests hand a composition
// on). The input method's events are sent
// as Qt's input context sends them to the focus widget.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <string>
#include <utility>
#include <vector>

#include "platform/stdctrl/edit.h"
#include "platform/window/ime.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/recording_wnd.h"

namespace {

using Chars = std::vector<std::pair<UINT, WPARAM>>;

struct ImeScene {
    MessageLog log;
    RecordingWnd top{"top", &log};
    RecordingWnd typing{"typing", &log};  // takes characters
    CEdit edit;

    ImeScene() {
        EXPECT_TRUE(top.CreateEx(0, nullptr, u"", WS_POPUP, CRect(0, 0, 300, 100), nullptr, 0));
        EXPECT_TRUE(typing.Create(nullptr, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(10, 10, 110, 40), &top, 5));
        EXPECT_TRUE(edit.Create(nullptr, u"old", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(120, 10, 220, 30), &top, 6));
        typing.handlers[WM_GETDLGCODE] = [](WPARAM, LPARAM) -> LRESULT { return DLGC_WANTCHARS; };
        typing.logOnly = {WM_CHAR, WM_IME_CHAR, WM_IME_STARTCOMPOSITION, WM_KILLFOCUS};
        top.logOnly = {WM_NULL};
        top.ShowWindow(SW_SHOW);
        typing.SetFocus();
        log.clear();
    }
    Chars Typed() const {
        Chars out;
        for (const auto& m : log)
            if (m.message == WM_CHAR || m.message == WM_IME_CHAR) out.push_back({m.message, m.wParam});
        return out;
    }
};

}  // namespace

TEST(InputMethod, CommittedTextReachesTheWindowAsImeCharsPerUtf16Unit) {
    ImeScene s;
    InputMethodSends(QString::fromUtf16(u"a\uD55C\U0001F600"));
    EXPECT_EQ(s.Typed(), (Chars{{WM_CHAR, 'a'}, {WM_IME_CHAR, 0xD55C}, {WM_IME_CHAR, 0xD83D}, {WM_IME_CHAR, 0xDE00}}));
}

// Whether a window takes input methods follows its WM_GETDLGCODE answer.
TEST(InputMethod, AWindowTakesInputMethodsWhenItAsksForCharacters) {
    ImeScene s;
    const struct {
        LRESULT code;
        bool enabled, takes;
    } cases[] = {
        {DLGC_WANTCHARS, true, true},   {DLGC_WANTALLKEYS, true, true}, {DLGC_WANTARROWS | DLGC_WANTTAB, true, false},
        {0, true, false},               {DLGC_WANTCHARS, false, false},
    };
    for (const auto& c : cases) {
        s.typing.handlers[WM_GETDLGCODE] = [&](WPARAM, LPARAM) { return c.code; };
        s.typing.EnableWindow(c.enabled);
        EXPECT_EQ(InputMethodAsks(&s.typing, Qt::ImEnabled).toBool(), c.takes) << "code " << c.code << " enabled " << c.enabled;
    }
}

// A window that keeps the composition has it committed into it before it
// hears that the focus went, and the engine's second commit of it is dropped.
TEST(InputMethod, ACompositionLeftInAWindowIsCommittedThereOnce) {
    ImeScene s;
    InputMethodSends(QString(), QString::fromUtf16(u"\uD558"));  // 하
    s.edit.SetFocus();
    InputMethodSends(QString::fromUtf16(u"\uD558"));
    EXPECT_EQ(MessagesOf(s.log, "typing"), (std::vector<UINT>{WM_IME_STARTCOMPOSITION, WM_IME_CHAR, WM_KILLFOCUS}));
    EXPECT_EQ(s.Typed(), (Chars{{WM_IME_CHAR, 0xD558}}));
    EXPECT_EQ(std::u16string(s.edit.GetWindowText()), u"old");
}

// Sequences of the input method's events on a text field (commit, preedit):
// the engine commits a composition once; a second commit of it right after a
// commit from the program's side is the one dropped.
TEST(InputMethod, OnlyTheRepeatOfACommittedCompositionIsDropped) {
    using Step = std::pair<const char16_t*, const char16_t*>;
    const struct {
        const char* what;
        std::vector<Step> steps;
        std::u16string text;
    } cases[] = {
        {"ended by the program, repeated by the engine", {{u"", u"\uD558"}, {u"\uD558", u""}, {u"\uD558", u""}}, u"\uD558"},
        {"flushed by the engine", {{u"", u"\uD55C"}, {u"", u""}, {u"\uD55C", u""}}, u"\uD55C"},
        {"syllable after syllable", {{u"", u"\uD55C"}, {u"\uD55C", u"\u3131"}, {u"", u"\uAD6D"}, {u"\uAD6D", u""}},
         u"\uD55C\uAD6D"},
        {"the same syllable twice", {{u"", u"\uD558"}, {u"\uD558", u"\uD558"}, {u"\uD558", u""}}, u"\uD558\uD558"},
        {"commits without a preedit", {{u"a", u""}, {u"a", u""}}, u"aa"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ImeScene s;
        s.edit.SetFocus();
        s.edit.SetWindowText(u"");
        InputMethodSends(QString(), QStringLiteral("x"));  // a composition of its own before each case
        InputMethodSends(QString(), QString());
        for (const Step& step : c.steps) InputMethodSends(QString::fromUtf16(step.first), QString::fromUtf16(step.second));
        EXPECT_EQ(std::u16string(s.edit.GetWindowText()), c.text);
    }
}
