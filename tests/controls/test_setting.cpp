// The value-entry popup: placement at its anchor, caption, the field, OK and Cancel.
#include <gtest/gtest.h>

#include "controls/setting.h"
#include "platform/runtime/app.h"
#include "tests/controls/popup_scene.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"

using namespace popup_test;

TEST(Setting, PlacementAtTheAnchorAndItsCaption) {
    RegisterPopupTemplate();
    struct Case {
        CRect anchor;
        BOOL keepSize;
        const char16_t* caption;
        const char16_t* expectedCaption;
        POINT topLeft;  // where the popup ends up (keep-size cases)
    } cases[] = {
        {CRect(100, 200, 300, 0), TRUE, u"", u"High", {100, 200}},
        {CRect(100, 0, 300, 150), TRUE, u"", u"Low", {100, 150 - 64}},
        {CRect(0, 100, 300, 150), TRUE, u"", u"High", {300 - 94, 100}},
        {CRect(100, 100, 300, 150), TRUE, u"", u"Low", {100, 100}},
        {CRect(100, 200, 300, 0), TRUE, u"INPUT DATA", u"INPUT DATA", {100, 200}},
        {CRect(100, 100, 300, 150), TRUE, u"INPUT DATA", u"INPUT DATA", {100, 100}},
    };
    for (const Case& c : cases) {
        CSetting dlg;
        dlg.SetValue(c.anchor, 1, c.caption, c.keepSize, 1234.5);
        ASSERT_TRUE(dlg.Create(res::IDD_POPUP, nullptr));
        EXPECT_EQ(dlg.GetWindowText(), CString(c.expectedCaption));
        const CRect rc = WindowRectOf(&dlg);
        EXPECT_EQ(rc.left, c.topLeft.x) << Utf16ToUtf8(c.expectedCaption);
        EXPECT_EQ(rc.top, c.topLeft.y) << Utf16ToUtf8(c.expectedCaption);
        EXPECT_EQ(rc.Width(), 94);
        // The bottom lies 10 pixels below the field's.
        EXPECT_EQ(rc.bottom, WindowRectOf(dlg.m_pEdit).bottom + 10);
        EXPECT_FALSE(dlg.GetDlgItem(IDOK)->IsWindowVisible());
        EXPECT_FALSE(dlg.GetDlgItem(IDCANCEL)->IsWindowVisible());
        // No thousands separator in the field.
        EXPECT_EQ(dlg.m_pEdit->GetWindowText(), u"1234.5");
        EXPECT_TRUE(dlg.m_pEdit->GetStyle() & ES_RIGHT);
        EXPECT_EQ(dlg.m_pEdit->GetDlgCtrlID(), int(CSetting::kEditId));
    }
}

TEST(Setting, WithoutKeepSizeThePopupCoversTheAnchor) {
    RegisterPopupTemplate();
    CSetting dlg;
    const CRect anchor(120, 140, 320, 190);
    dlg.SetValue(anchor, 2, u"", FALSE, 3.14159);
    ASSERT_TRUE(dlg.Create(res::IDD_POPUP, nullptr));
    EXPECT_EQ(WindowRectOf(&dlg), anchor);
    CRect field = WindowRectOf(dlg.m_pEdit);
    dlg.ScreenToClient(&field);
    EXPECT_EQ(field, CRect(4, 4, 4 + 200 - 24, 24));
    EXPECT_EQ(dlg.m_strValue, u"3.14");
    dlg.ShowWindow(SW_SHOW);
    SaveTestImage(SnapWindow(&dlg)->Image(), "setting");
}

TEST(Setting, EnterReturnsTheTypedTextEscapeKeepsTheValue) {
    CSetting ok;
    ok.SetValue(CRect(50, 50, 150, 80), 1, u"INPUT DATA", TRUE, 12.0);
    EXPECT_EQ(RunModal(ok,
                       [&] {
                           ASSERT_TRUE(ok.m_pEdit);
                           EXPECT_TRUE(platform::PumpUntil([&] { return CWnd::GetFocus() == ok.m_pEdit; }, 2000))
                               << "the field has the focus";
                           PressKey(ok.m_pEdit, Qt::Key_5);
                           PressKey(ok.m_pEdit, Qt::Key_Return);
                       }),
              IDOK);
    EXPECT_EQ(ok.m_strValue, u"12.05") << "the caret started after the last character";
    EXPECT_EQ(ok.m_pEdit, nullptr);

    CSetting cancel;
    cancel.SetValue(CRect(50, 50, 150, 80), 1, u"", TRUE, 12.0);
    EXPECT_EQ(RunModal(cancel,
                       [&] {
                           cancel.m_pEdit->SetWindowText(u"99");
                           PressKey(cancel.m_pEdit, Qt::Key_Escape);
                       }),
              IDCANCEL);
    EXPECT_EQ(cancel.m_strValue, u"12.0");
    EXPECT_EQ(cancel.m_pEdit, nullptr);
}
