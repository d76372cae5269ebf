// The combo box: its list, its selection and the notification of the user's choice.
#include <gtest/gtest.h>

#include <QComboBox>

#include "platform/stdctrl/combobox.h"
#include "tests/support/recording_wnd.h"

namespace {

constexpr int kComboId = 1004;

struct ComboScene {
    MessageLog log;
    RecordingWnd top{"top", &log};
    CComboBox combo;
    explicit ComboScene(DWORD style = CBS_DROPDOWNLIST | CBS_HASSTRINGS) {
        top.logOnly = {WM_COMMAND};
        EXPECT_TRUE(top.CreateEx(0, nullptr, u"combo", WS_POPUP, CRect(0, 0, 200, 200), nullptr, 0));
        top.ShowWindow(SW_SHOW);
        EXPECT_TRUE(combo.Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, CRect(10, 10, 110, 310), &top, kComboId));
    }
    int SelChanges() const {
        int n = 0;
        for (const auto& m : log)
            if (m.message == WM_COMMAND && LOWORD(m.wParam) == kComboId && HIWORD(m.wParam) == CBN_SELCHANGE &&
                m.lParam == reinterpret_cast<LPARAM>(combo.m_hWnd))
                ++n;
        return n;
    }
};

}  // namespace

TEST(ComboBox, ListHoldsItsEntriesAndTheProgramsSelectionReportsNothing) {
    ComboScene s;
    EXPECT_EQ(s.combo.GetCount(), 0);
    EXPECT_EQ(s.combo.GetCurSel(), CB_ERR);
    EXPECT_EQ(s.combo.AddString(u"10.0"), 0);
    EXPECT_EQ(s.combo.AddString(u"10.5"), 1);
    EXPECT_EQ(s.combo.AddString(u"11.0"), 2);
    EXPECT_EQ(s.combo.GetCurSel(), CB_ERR);  // adding selects nothing
    EXPECT_EQ(s.combo.SetCurSel(1), 1);
    EXPECT_EQ(s.combo.GetCurSel(), 1);
    std::u16string text;
    EXPECT_EQ(s.combo.GetLBText(2, text), 4);
    EXPECT_EQ(text, u"11.0");
    EXPECT_EQ(s.combo.GetWindowText(), u"10.5");
    // Out of range: the selection is cleared and the answer is CB_ERR.
    for (int bad : {3, -1, 100}) {
        s.combo.SetCurSel(0);
        EXPECT_EQ(s.combo.SetCurSel(bad), CB_ERR) << bad;
        EXPECT_EQ(s.combo.GetCurSel(), CB_ERR) << bad;
    }
    EXPECT_EQ(s.combo.GetLBText(3, text), CB_ERR);
    EXPECT_EQ(s.combo.FindStringExact(-1, u"10.5"), 1);
    EXPECT_EQ(s.combo.DeleteString(0), 2);
    EXPECT_EQ(s.combo.DeleteString(5), CB_ERR);
    s.combo.SendMessage(CB_RESETCONTENT);
    EXPECT_EQ(s.combo.GetCount(), 0);
    EXPECT_EQ(s.combo.GetCurSel(), CB_ERR);
    EXPECT_EQ(s.SelChanges(), 0);
}

TEST(ComboBox, UsersChoiceReportsSelChangeToTheParent) {
    ComboScene s;
    for (const char16_t* t : {u"a", u"b", u"c"}) s.combo.AddString(t);
    s.combo.SetCurSel(0);
    auto* box = qobject_cast<QComboBox*>(s.combo.Widget());
    ASSERT_NE(box, nullptr);
    box->setCurrentIndex(2);  // what a pick from the list or an arrow key does
    EXPECT_EQ(s.SelChanges(), 1);
    EXPECT_EQ(s.combo.GetCurSel(), 2);
    s.combo.SetCurSel(1);
    EXPECT_EQ(s.SelChanges(), 1);
}

TEST(ComboBox, SortedListKeepsItsOrder) {
    ComboScene s(CBS_DROPDOWNLIST | CBS_HASSTRINGS | CBS_SORT);
    EXPECT_EQ(s.combo.AddString(u"pear"), 0);
    EXPECT_EQ(s.combo.AddString(u"apple"), 0);
    EXPECT_EQ(s.combo.AddString(u"plum"), 2);
    std::u16string text;
    s.combo.GetLBText(1, text);
    EXPECT_EQ(text, u"pear");
}

