// A small window with the three controls as the main window shows them: the
// title line, the server lamp beside it and a row of stack value labels, on
// the main window's background. Its image is always written to
// <build>/test-images/controls_window.png, to be looked at.
#include <gtest/gtest.h>

#include <QDir>
#include <filesystem>

#include "controls/draw_helpers.h"
#include "controls/hmi_fonts.h"
#include "controls/led.h"
#include "controls/title_text.h"
#include "platform/runtime/app.h"
#include "res/resources.h"
#include "tests/controls/control_scene.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"

using control_test::Scene;

namespace {

constexpr COLORREF kBack = 0x4C3F38;

}  // namespace

TEST(ControlsWindow, TitleLampAndValueLabelsOnTheMainBackground) {
    res::RegisterBinaryResources();
    HmiFontSet fonts;
    fonts.LoadPrivateFonts();

    // The main window's layout for a 1920-pixel client, less the button bar.
    Scene scene(1720, 200, kBack);
    CQuorTitleText title;
    ASSERT_TRUE(title.Create(nullptr, u"ZEL REROVORA", WS_CHILD | WS_VISIBLE | WS_TABSTOP | SS_CENTER,
                             CRect(0, 0, 0, 0), &scene.top, 10000));
    control_test::ConfigureAsMainWindow(title, &fonts.m_iconFamily);
    const CRect rcTitle(10, 16, 1660, 86);
    title.Reposition(rcTitle);

    CLed lamp;
    ASSERT_TRUE(lamp.Create(nullptr, u"Server", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 0, 0), &scene.top,
                            10000));
    lamp.Init(GetSysColor(COLOR_BTNFACE));
    lamp.SetCaption();
    lamp.m_fLampScale = 0.5f;
    lamp.SetCaption();  // the main window gives it its caption a second time
    const CRect rcLamp(rcTitle.right + 4, rcTitle.top + 10, rcTitle.right + 46, rcTitle.bottom);
    lamp.Reposition(rcLamp);
    lamp.m_crOnEdge = 0x008000;  // connected: green
    lamp.m_crOnCenter = 0x00FF00;
    lamp.On();

    // Stack direction labels as the stack panel sets them up.
    CQuorText labels[3];
    const double directions[3] = {0.0, 187.4, 359.6};
    for (int i = 0; i < 3; ++i) {
        CQuorText& label = labels[i];
        ASSERT_TRUE(label.CreateEx(0, u"STATIC", u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 0, 0),
                                   &scene.top, 20100 + i));
        label.Init(0x00FFFF, 0x4080FF, 0, 2);
        label.m_crText = 0xFFFFFF;
        label.m_crBox = 0x000000;
        label.m_crTextOutline = 0x000000;
        label.m_dwFlags |= CQuorText::kFrame;
        label.m_nFillMode = 0;
        label.m_crFrame = ScaleColor(0xBC7200, -0.2f);
        label.m_fTextScale = 0.7f;
        label.Reposition(CRect(40 + i * 250, 110, 259 + i * 250, 176));
        label.Format(u"   %1.0f\u00B0", directions[i]);
    }

    auto snap = SnapWindow(&scene.top, "scene");
    const auto out = std::filesystem::path(REROVORA_BINARY_DIR) / "test-images" / "controls_window.png";
    std::filesystem::create_directories(out.parent_path());
    ASSERT_TRUE(snap->Image().save(QString::fromStdString(out.string()), "PNG"));
    std::printf("controls window image: %s\n", out.string().c_str());

    // Around the controls: the main window's background.
    EXPECT_TRUE(snap->Near(5, 5, kBack, 0));
    EXPECT_TRUE(snap->Near(1715, 195, kBack, 0));
    // Title: rounded corner, frame, gradient box.
    EXPECT_TRUE(snap->Near(rcTitle.left, rcTitle.bottom - 1, kBack, 0));
    EXPECT_TRUE(snap->Near(rcTitle.left + 825, rcTitle.top, 0xBC7200, 2));
    EXPECT_TRUE(snap->Near(rcTitle.left + 8, rcTitle.top + 35, 0x675043, 4));
    // Lamp: lit green centre, caption box above, background around the circle.
    EXPECT_TRUE(snap->Near(rcLamp.left + 15, rcLamp.top + 31, 0x00FF00, 3));
    EXPECT_TRUE(snap->Near(rcLamp.left + 3, rcLamp.top + 7, kBack, 0));
    EXPECT_TRUE(snap->Near(rcLamp.left + 20, rcLamp.bottom - 4, kBack, 0));
    // Labels: frame, black box, and the direction rounded with its degree sign.
    EXPECT_TRUE(snap->Near(40 + 109, 110, ScaleColor(0xBC7200, -0.2f), 2));
    EXPECT_TRUE(snap->Near(44, 114, 0x000000, 0));
    EXPECT_EQ(labels[2].m_strText, u"   360\u00B0");
    EXPECT_EQ(labels[2].GetWindowText(), u"   360\u00B0");
}
