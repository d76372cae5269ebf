// Dialog data exchange and the standard controls made from templates: static
// texts and group boxes, texts in and out of edits, and members that take over
// a template's windows in their place.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "platform/stdctrl/combobox.h"
#include "platform/stdctrl/data_exchange.h"
#include "platform/stdctrl/ipaddress.h"
#include "platform/stdctrl/static.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"

namespace {

constexpr UINT kExchangeDialog = 9301;

void RegisterExchangeDialog() {
    static const bool once = [] {
        platform::RegisterStandardControlClasses();
        DialogTemplate t;
        t.id = kExchangeDialog;
        t.style = WS_POPUP | WS_CAPTION | DS_CENTER;
        t.cx = 160;
        t.cy = 90;
        t.caption = u"exchange";
        t.items = {
            {u"Button", u"Group", 0xFFFF, 0x50000007, 0, 4, 4, 150, 80},
            {u"Static", u"Name", 0xFFFF, 0x50020202, 0, 8, 16, 30, 12},
            {u"Edit", u"", 101, 0x50810001, 0, 40, 16, 60, 12},
            {u"ComboBox", u"", 102, 0x50210003, 0, 40, 32, 60, 100},
            {u"SysIPAddress32", u"", 103, 0x50010000, 0, 40, 48, 80, 12},
            {u"Edit", u"", 104, 0x50810001, 0, 40, 64, 60, 12},
        };
        platform::RegisterDialogTemplate(t);
        return true;
    }();
    (void)once;
}

class ExchangeDialog : public CDialog {
public:
    ExchangeDialog() : CDialog(kExchangeDialog) {}
    CString name = u"first";
    CString other = u"second";
    CComboBox combo;
    CIPAddressCtrl ip;
    int exchanges = 0;
    void DoDataExchange(CDataExchange* dx) override {
        ++exchanges;
        DDX_Text(dx, 101, name);
        DDX_Control(dx, 102, combo);
        DDX_Control(dx, 103, ip);
        DDX_Text(dx, 104, other);
        DDX_Text(dx, 999, other);  // no such control: nothing
    }
};

}  // namespace

TEST(DataExchange, TextsGoBothWaysAndMembersTakeOverTheirWindowsInPlace) {
    RegisterExchangeDialog();
    ExchangeDialog d;
    ASSERT_TRUE(d.Create(kExchangeDialog));
    // The members have windows now, where the template put them, and the old
    // windows are gone from the dialog.
    ASSERT_NE(d.combo.GetSafeHwnd(), nullptr);
    ASSERT_NE(d.ip.GetSafeHwnd(), nullptr);
    EXPECT_EQ(d.GetDlgItem(102), &d.combo);
    EXPECT_EQ(d.GetDlgItem(103), &d.ip);
    EXPECT_EQ(d.combo.GetDlgCtrlID(), 102);
    EXPECT_TRUE(d.combo.GetStyle() & WS_VISIBLE);
    const std::vector<CWnd*> children = d.GetChildren();
    ASSERT_EQ(children.size(), 6u);
    EXPECT_EQ(children[3], &d.combo) << "the same place among the dialog's children";
    EXPECT_EQ(children[4], &d.ip);
    CRect ipRect;
    d.ip.GetWindowRect(&ipRect);
    d.ScreenToClient(&ipRect);
    const SIZE base = platform::DialogBaseUnits(u"", 9);
    EXPECT_EQ(ipRect.left, 40 * base.cx / 4);
    EXPECT_EQ(ipRect.Width(), 120 * base.cx / 4 - 40 * base.cx / 4);

    EXPECT_EQ(d.GetDlgItem(101)->GetWindowText(), u"first");
    d.GetDlgItem(101)->SetWindowText(u"typed");
    d.UpdateData(TRUE);
    EXPECT_EQ(d.name, u"typed");
    EXPECT_EQ(d.other, u"second");
    // A second exchange keeps the members' windows.
    const HWND combo = d.combo.GetSafeHwnd();
    d.UpdateData(FALSE);
    EXPECT_EQ(d.combo.GetSafeHwnd(), combo);
    d.combo.AddString(u"one");
    d.combo.SetCurSel(0);
    EXPECT_EQ(d.combo.GetCurSel(), 0);
    d.ip.SetAddress(0x7F000001);
    DWORD a = 0;
    EXPECT_EQ(d.ip.GetAddress(a), 4);

    // Tab order follows the template: title edit, combo box, address, last edit.
    d.ShowWindow(SW_SHOW);
    d.Widget()->activateWindow();
    d.GetDlgItem(101)->SetFocus();
    std::vector<int> order;
    for (int i = 0; i < 3; ++i) {
        PressKey(CWnd::GetFocus() ? CWnd::GetFocus() : &d, Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        for (CWnd* c : d.GetChildren())
            if (c->Widget() && (c->Widget() == focus || c->Widget()->isAncestorOf(focus))) order.push_back(c->GetDlgCtrlID());
    }
    EXPECT_EQ(order, (std::vector<int>{102, 103, 104}));
    d.DestroyWindow();
}

TEST(DataExchange, StaticTextAndGroupBoxDrawTheirTexts) {
    RegisterExchangeDialog();
    ExchangeDialog d;
    ASSERT_TRUE(d.Create(kExchangeDialog));
    d.ShowWindow(SW_SHOW);
    const std::vector<CWnd*> children = d.GetChildren();
    ASSERT_NE(dynamic_cast<CGroupBox*>(children[0]), nullptr);
    ASSERT_NE(dynamic_cast<CStatic*>(children[1]), nullptr);
    children[1]->SetWindowText(u"Changed");
    EXPECT_EQ(children[1]->GetWindowText(), u"Changed");
    const QImage image = GrabWindow(&d);
    SaveTestImage(image, "exchange-dialog");
    // The static's text is drawn right-aligned in its rectangle: dark pixels in
    // its right half, none in its left quarter.
    CRect rc;
    children[1]->GetWindowRect(&rc);
    d.ScreenToClient(&rc);
    int left = 0, right = 0;
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x) {
            if (qGray(image.pixel(x, y)) >= 110) continue;
            (x < rc.left + rc.Width() / 4 ? left : right) += 1;
        }
    EXPECT_GT(right, 10);
    d.DestroyWindow();
}
