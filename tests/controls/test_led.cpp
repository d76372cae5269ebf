// The round lamp: its circle lit, unlit, disabled and flashing, read back as
// pixels at the size of the server lamp; its caption; its notifications.
#include <gtest/gtest.h>

#include "controls/draw_helpers.h"
#include "controls/led.h"
#include "controls/quor_text.h"
#include "platform/runtime/app.h"
#include "tests/controls/control_scene.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"

using control_test::BoxRecorder;
using control_test::Scene;

namespace {

constexpr COLORREF kFace = RGB(240, 240, 240);
constexpr COLORREF kDark = 0x4C3F38;
constexpr int kLampId = 10000;

// The server lamp: 42 x 60 at (20, 10) of the scene, caption "Server", scale 0.5.
// Its circle (side 28) spans x 6..34 and y 22..50 of the lamp window; the
// gradient's centre point is at (15, 31), and (29, 45) lies just inside the rim
// on the side away from it.
struct LampScene {
    Scene scene;
    CLed lamp;
    static constexpr int kX = 20, kY = 10;

    explicit LampScene(COLORREF back = kFace) : scene(120, 90, back) {
        EXPECT_TRUE(lamp.Create(nullptr, u"Server", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 0, 0),
                                &scene.top, kLampId));
        lamp.Init(GetSysColor(COLOR_BTNFACE));
        lamp.SetCaption();
        lamp.m_fLampScale = 0.5f;
        lamp.Reposition(CRect(kX, kY, kX + 42, kY + 60));
    }
    std::unique_ptr<Snapshot> Snap(const std::string& tag = "") { return SnapWindow(&lamp, tag); }
};

constexpr POINT kCentre{15, 31};
constexpr POINT kNearRim{29, 45};

}  // namespace

TEST(Led, InitialisedLampIsUnlitAndLightsInItsColours) {
    LampScene s;
    EXPECT_EQ(s.lamp.m_dwFlags & (CLed::kInitialised | CLed::kCaptioned | CLed::kHandCursor),
              CLed::kInitialised | CLed::kCaptioned | CLed::kHandCursor);
    {
        auto snap = s.Snap("unlit");
        EXPECT_TRUE(snap->Near(kCentre.x, kCentre.y, 0xC0C0C0, 3));
        EXPECT_TRUE(snap->Near(kNearRim.x, kNearRim.y, 0x000000, 20));
        // Around the circle the parent's background shows, below the caption too.
        EXPECT_TRUE(snap->Near(2, 40, kFace, 0));
        EXPECT_TRUE(snap->Near(20, 56, kFace, 0));
        EXPECT_TRUE(snap->Near(39, 20, kFace, 0));
    }
    s.lamp.On();
    {
        auto snap = s.Snap("lit");
        EXPECT_TRUE(snap->Near(kCentre.x, kCentre.y, 0xBCBCFF, 3));
        EXPECT_TRUE(snap->Near(kNearRim.x, kNearRim.y, 0x0000FF, 20));
        EXPECT_TRUE(snap->Near(20, 56, kFace, 0));
    }
    s.lamp.Off();
    EXPECT_TRUE(s.Snap("off-again")->Near(kCentre.x, kCentre.y, 0xC0C0C0, 3));
}

TEST(Led, DisabledLampShowsTheGreyOfItsLitColoursLitOrNot) {
    LampScene s;
    s.lamp.EnableWindow(FALSE);  // WM_ENABLE redraws it
    {
        auto snap = s.Snap("disabled-unlit");
        EXPECT_TRUE(snap->Near(kCentre.x, kCentre.y, AverageGray(0xBCBCFF), 3));  // 0xD2D2D2
        EXPECT_TRUE(snap->Near(kNearRim.x, kNearRim.y, AverageGray(0x0000FF), 16));  // 0x555555
    }
    s.lamp.On();
    EXPECT_TRUE(s.Snap("disabled-lit")->Near(kCentre.x, kCentre.y, 0xD2D2D2, 3));
    s.lamp.EnableWindow(TRUE);
    EXPECT_TRUE(s.Snap("enabled-lit")->Near(kCentre.x, kCentre.y, 0xBCBCFF, 3));
}

TEST(Led, FlashLightsInItsColoursAndGoesOutWhenItsPeriodEnds) {
    LampScene s;
    s.lamp.On();  // lit red before the flash: the flash still ends unlit
    s.lamp.Flash(0x008000, 0x00FF00);
    EXPECT_EQ(s.lamp.m_nFlashPeriod, 300u);
    {
        auto snap = s.Snap("flash");
        EXPECT_TRUE(snap->Near(kCentre.x, kCentre.y, 0x00FF00, 3));
        EXPECT_TRUE(snap->Near(kNearRim.x, kNearRim.y, 0x008000, 20));
    }
    // A flash during the flash starts it again; one period later it is out.
    s.lamp.Flash(0x008000, 0x00FF00);
    ASSERT_TRUE(platform::PumpUntil([&] { return !(s.lamp.m_dwFlags & CLed::kLit); }, 3000));
    auto snap = s.Snap("after");
    EXPECT_TRUE(snap->Near(kCentre.x, kCentre.y, 0xC0C0C0, 3));
    EXPECT_TRUE(snap->Near(kNearRim.x, kNearRim.y, 0x000000, 20));
    // The flash's colours stay the lit colours.
    EXPECT_EQ(s.lamp.m_crOnEdge, 0x008000u);
    EXPECT_EQ(s.lamp.m_crOnCenter, 0x00FF00u);
}

TEST(Led, CaptionLabelCoversTheTopStripWithRoundedCorners) {
    LampScene s;
    ASSERT_NE(s.lamp.m_pCaption, nullptr);
    CQuorText& caption = *s.lamp.m_pCaption;
    EXPECT_EQ(caption.GetDlgCtrlID(), kLampId + 1);
    EXPECT_EQ(caption.GetWindowText(), u"Server");
    CRect rc;
    caption.GetWindowRect(&rc);
    s.lamp.ScreenToClient(&rc);
    EXPECT_EQ(rc, CRect(0, 0, 42, 15));

    auto snap = s.Snap("caption");
    // Corner of radius 3: the parent's colour; inside: the caption's box colour.
    EXPECT_TRUE(snap->Near(0, 0, kFace, 0));
    EXPECT_TRUE(snap->Near(3, 7, kDark, 0));
    // The caption's text is white somewhere in its middle.
    int white = 0;
    for (int y = 2; y < 14; ++y)
        for (int x = 6; x < 36; ++x) white += ChannelDistance(snap->Pixel(x, y), 0xFFFFFF) < 40;
    EXPECT_GT(white, 10);

    // Changing the lamp's text changes the caption's.
    s.lamp.SetText(u"Link");
    EXPECT_EQ(caption.m_strText, u"Link");
    EXPECT_EQ(s.lamp.GetWindowText(), u"Link");
    // A second SetCaption replaces the caption, in place.
    s.lamp.SetCaption();
    ASSERT_NE(s.lamp.m_pCaption, nullptr);
    s.lamp.m_pCaption->GetWindowRect(&rc);
    s.lamp.ScreenToClient(&rc);
    EXPECT_EQ(rc, CRect(0, 0, 42, 15));
    EXPECT_EQ(s.lamp.m_pCaption->GetWindowText(), u"Link");
}

TEST(Led, RepositionTakesAFreshCopyOfTheBackground) {
    // The scene's left half is light, its right half dark.
    Scene scene(200, 90, kFace, 0x203040);
    CLed lamp;
    ASSERT_TRUE(lamp.Create(nullptr, u"Server", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 0, 0), &scene.top,
                            kLampId));
    lamp.Init(0);
    lamp.SetCaption();
    lamp.m_fLampScale = 0.5f;
    lamp.Reposition(CRect(10, 10, 52, 70));
    EXPECT_TRUE(SnapWindow(&lamp, "left")->Near(20, 56, kFace, 0));
    lamp.Reposition(CRect(140, 10, 182, 70));
    auto snap = SnapWindow(&lamp, "right");
    EXPECT_TRUE(snap->Near(20, 56, 0x203040, 0));
    EXPECT_TRUE(snap->Near(2, 40, 0x203040, 0));
    EXPECT_TRUE(snap->Near(kCentre.x, kCentre.y, 0xC0C0C0, 3));
}

TEST(Led, MouseReportsPressReleaseLeaveAndCaptionClicks) {
    LampScene s;
    MousePress(&s.lamp, 20, 36);
    MouseRelease(&s.lamp, 20, 36);
    EXPECT_EQ(s.scene.Codes(WM_LED_NOTIFY, kLampId), (std::vector<LPARAM>{1, 0}));

    // A move asks for hover and leave tracking; the pointer is not over the
    // lamp here, so the leave comes at once, and the hover gives it the focus.
    MouseMove(&s.lamp, 20, 36);
    EXPECT_TRUE(s.lamp.m_dwFlags & CLed::kTracking);
    ASSERT_TRUE(platform::PumpUntil([&] { return s.scene.Codes(WM_LED_NOTIFY, kLampId).size() == 3; }, 3000));
    EXPECT_EQ(s.scene.Codes(WM_LED_NOTIFY, kLampId).back(), 2);
    EXPECT_FALSE(s.lamp.m_dwFlags & CLed::kTracking);
    EXPECT_TRUE(platform::PumpUntil([&] { return CWnd::GetFocus() == &s.lamp; }, 3000));

    // A press on the caption reaches the owner as a press on the lamp.
    MousePress(s.lamp.m_pCaption, 10, 7);
    EXPECT_EQ(s.scene.Codes(WM_LED_NOTIFY, kLampId), (std::vector<LPARAM>{1, 0, 2, 1}));
    // The caption's own notification never reaches the lamp's parent.
    EXPECT_TRUE(s.scene.Codes(WM_TEXT_NOTIFY, kLampId + 1).empty());
}

// A captioned lamp shorter than its caption: the caption reaches past the lamp
// and shows cut at the lamp's bottom edge, no circle is drawn, and nothing
// shows outside the lamp. Its picture is the top of a tall lamp's, row for row.
TEST(Led, ShorterThanItsCaptionShowsTheCaptionCutAndNoCircle) {
    constexpr int kW = 42, kTallH = 60;
    for (int h : {1, 6, 14, 15, 16}) {
        SCOPED_TRACE(h);
        Scene scene(120, 90, kFace);
        CLed tall, shortLamp;
        for (CLed* lamp : {&tall, &shortLamp}) {
            ASSERT_TRUE(lamp->Create(nullptr, u"Server", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 0, 0),
                                     &scene.top, kLampId));
            lamp->Init(GetSysColor(COLOR_BTNFACE));
            lamp->SetCaption();
            lamp->m_fLampScale = 0.5f;
        }
        tall.Reposition(CRect(70, 10, 70 + kW, 10 + kTallH));
        shortLamp.Reposition(CRect(10, 10, 10 + kW, 10 + h));
        platform::PumpEvents(20);
        const std::string tag = "height-" + std::to_string(h);
        const QImage scenePicture = GrabWindow(&scene.top);
        const QImage expected = scenePicture.copy(70, 10, kW, h);
        EXPECT_TRUE(SameImages(scenePicture.copy(10, 10, kW, h), expected, tag));
        // Below it and beside it, the parent's own colour only.
        auto snap = std::make_unique<Snapshot>(scenePicture, tag);
        for (int x = 8; x < 10 + kW + 2; ++x)
            for (int y : {9, 10 + h, 10 + h + 1}) EXPECT_TRUE(snap->Near(x, y, kFace, 0));
        // The same on the screen, after the lamp lit up.
        shortLamp.On();
        tall.On();
        platform::PumpEvents(20);
        const QImage shown = OnScreen(&scene.top).convertToFormat(QImage::Format_ARGB32);
        EXPECT_TRUE(SameImages(shown.copy(10, 10, kW, h), shown.copy(70, 10, kW, h), tag + "-lit"));
        EXPECT_TRUE(SameImages(shown.copy(0, 10 + h, 70, 90 - 10 - h),
                                             scenePicture.copy(0, 10 + h, 70, 90 - 10 - h), tag + "-below"));
    }
}
