// The edit control: text, selection, keys through the window procedure, notifications.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QLineEdit>
#include <QWidget>

#include "platform/runtime/app.h"
#include "platform/stdctrl/edit.h"
#include "platform/system/fonts.h"
#include "platform/gdi/gdi.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/recording_wnd.h"

namespace {

// An edit whose window procedure can take keys before the control sees them.
class FilteringEdit : public CEdit {
public:
    bool eatDigits = false;
    int returns = 0;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CHAR && eatDigits && wParam >= '0' && wParam <= '9') return 0;
        if (message == WM_KEYDOWN && wParam == VK_RETURN) {
            ++returns;
            return 0;
        }
        return CEdit::WindowProc(message, wParam, lParam);
    }
};

struct EditScene {
    MessageLog log;
    RecordingWnd top{"top", &log};
    FilteringEdit edit;
    RecordingWnd other{"other", &log};

    EditScene() {
        EXPECT_TRUE(top.CreateEx(0, nullptr, u"", WS_POPUP, CRect(0, 0, 200, 100), nullptr, 0));
        EXPECT_TRUE(edit.Create(nullptr, u"start", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_CENTER,
                                CRect(10, 10, 110, 30), &top, 2015));
        EXPECT_TRUE(other.Create(nullptr, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(120, 10, 150, 30), &top, 7));
        top.ShowWindow(SW_SHOW);
        top.Widget()->activateWindow();
        top.logOnly = {WM_COMMAND};
        other.logOnly = {WM_NULL};
        log.clear();
    }
    std::vector<UINT> Notifications() const {
        std::vector<UINT> codes;
        for (const auto& m : log)
            if (m.message == WM_COMMAND && LOWORD(m.wParam) == 2015) codes.push_back(HIWORD(m.wParam));
        return codes;
    }
};

}  // namespace

TEST(Edit, TextSelectionAndReplace) {
    EditScene s;
    EXPECT_EQ(s.edit.GetWindowText(), u"start");
    s.edit.SetWindowText(u"풍속 12.5");
    EXPECT_EQ(s.edit.GetWindowText(), u"풍속 12.5");
    s.edit.SetSel(0, -1);
    int a = -1, b = -1;
    s.edit.GetSel(a, b);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 7);
    s.edit.ReplaceSel(u"calm");
    EXPECT_EQ(s.edit.GetWindowText(), u"calm");
    s.edit.SetSel(65535, 65535);  // caret after the last character
    s.edit.GetSel(a, b);
    EXPECT_EQ(a, 4);
    EXPECT_EQ(b, 4);
    // A character sent by the program types at the caret.
    s.edit.SendMessage(WM_CHAR, 'y', 0);
    EXPECT_EQ(s.edit.GetWindowText(), u"calmy");
    s.edit.SetLimitText(3);
    s.edit.SetWindowText(u"abcdef");
    EXPECT_EQ(s.edit.GetWindowText(), u"abc");
    // Every change of the text was reported to the parent.
    const auto codes = s.Notifications();
    EXPECT_GE(std::count(codes.begin(), codes.end(), EN_CHANGE), 4);
}

TEST(Edit, KeysPassThroughTheWindowProcedureFirst) {
    EditScene s;
    s.edit.SetWindowText(u"");
    s.edit.SetFocus();
    s.edit.eatDigits = true;
    PressKey(&s.edit, Qt::Key_A);
    PressKey(&s.edit, Qt::Key_5);
    PressKey(&s.edit, Qt::Key_B);
    EXPECT_EQ(s.edit.GetWindowText(), u"AB");
    PressKey(&s.edit, Qt::Key_Return);
    EXPECT_EQ(s.edit.returns, 1);
    PressKey(&s.edit, Qt::Key_Backspace);
    EXPECT_EQ(s.edit.GetWindowText(), u"A");
}

TEST(Edit, FocusChangesNotifyTheParent) {
    EditScene s;
    s.edit.SetFocus();
    QApplication::processEvents();
    ASSERT_EQ(CWnd::GetFocus(), &s.edit);
    s.other.SetFocus();
    QApplication::processEvents();
    const auto codes = s.Notifications();
    ASSERT_GE(codes.size(), 2u);
    EXPECT_EQ(codes[codes.size() - 2], EN_SETFOCUS);
    EXPECT_EQ(codes.back(), EN_KILLFOCUS);
    // The notification names the edit in lParam.
    EXPECT_EQ(s.log.back().lParam, reinterpret_cast<LPARAM>(s.edit.m_hWnd));
}

TEST(Edit, SetFontChangesTheFieldsFontUntilTakenBack) {
    EditScene s;
    auto* line = qobject_cast<QLineEdit*>(s.edit.Widget());
    ASSERT_NE(line, nullptr);
    const QFont own = line->font();
    EXPECT_EQ(s.edit.SendMessage(WM_GETFONT), 0);

    CFont font;
    ASSERT_TRUE(font.CreateFont(30, 15, 0, 0, 10, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, u"돋움체"));
    s.edit.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(HFONT(font)), TRUE);
    EXPECT_EQ(s.edit.SendMessage(WM_GETFONT), reinterpret_cast<LRESULT>(HFONT(font)));
    const std::u16string face = platform::ResolveFaceName(u"돋움체");
    EXPECT_EQ(QFontInfo(line->font()).family(), QString::fromUtf16(face.data(), qsizetype(face.size())));
    EXPECT_GT(QFontMetrics(line->font()).height(), QFontMetrics(own).height());
    // The font record is copied: deleting the font object keeps the field's font.
    font.DeleteObject();
    EXPECT_EQ(QFontInfo(line->font()).family(), QString::fromUtf16(face.data(), qsizetype(face.size())));

    // A null handle gives the field its own font back.
    s.edit.SendMessage(WM_SETFONT, 0, FALSE);
    EXPECT_EQ(s.edit.SendMessage(WM_GETFONT), 0);
    EXPECT_EQ(line->font(), own);
}
