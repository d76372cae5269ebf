// The segmented button bar as the main window sets it up (three segments,
// "CAPTURE", "CONFIG", "EXIT", 212 x 50): its hit test and tool rectangles,
// the notifications of hover, press, release and double click, the click that
// reports the hovered segment, and its face, glow and grey segments read back
// as pixels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QCursor>
#include <functional>
#include <QLabel>

#include "controls/draw_helpers.h"
#include "controls/multi_button.h"
#include "platform/runtime/app.h"
#include "tests/controls/control_scene.h"
#include "tests/support/colours.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"

using control_test::BoxRecorder;
using control_test::Scene;
using control_test::SharedFonts;

namespace {

constexpr int kBarId = 10020;
constexpr int kW = 212, kH = 50;
constexpr COLORREF kSymbolColours[3] = {0xC0C0C0, 0xE68C6E, 0x0000FF};
constexpr int kSymbols[3] = {16, 18, 100};
const char16_t* const kTexts[3] = {u"CAPTURE", u"CONFIG", u"EXIT"};

// What the owner saw when the bar's click arrived.
struct Click {
    int hovered;
    int pressed;
};

// The bar as the main window makes it, at (10, 10) of a slate scene. With
// margin 5 each symbol's square is 40 x 40 scaled by 0.86: segment i's symbol
// spans x 20.8 + 67 i to 55.2 + 67 i and y 7.8 to 42.2.
template <typename Bar = CMultiButton>
struct BarSceneOf {
    Scene scene;
    Bar bar;
    std::vector<Click> clicks;

    explicit BarSceneOf(int count = 3, COLORREF left = colours::kSlate, COLORREF right = colours::kSlate)
        : scene(kW + 40, kH + 20, left, right) {
        scene.top.logOnly = {WM_MULTIBUTTON_NOTIFY};
        scene.top.handlers[WM_COMMAND] = [this](WPARAM wp, LPARAM) -> LRESULT {
            if (LOWORD(wp) == kBarId && HIWORD(wp) == BN_CLICKED) clicks.push_back({bar.m_nHover, bar.m_nPressed});
            return 0;
        };
        EXPECT_TRUE(bar.Create(u"", 0x5001000B, CRect(0, 0, 0, 0), &scene.top, kBarId));
        bar.Init(count);
        bar.m_IconFontFamily = &SharedFonts().m_iconFamily;
        for (int i = 0; i < std::min(count, 3); ++i) {
            bar.m_nImageId[i] = -1;
            bar.m_nSymbol[i] = kSymbols[i];
            bar.m_fSymbolAngle[i] = 0.0f;
            bar.m_crSymbol[i] = kSymbolColours[i];
            bar.m_nSymbolBorder[i] = 0;
            bar.m_crSymbolBorder[i] = 0;
            bar.SetItemText(i, kTexts[i]);
        }
        bar.Reposition(CRect(10, 10, 10 + kW, 10 + kH));
    }
    std::vector<LPARAM> Codes() const { return scene.Codes(WM_MULTIBUTTON_NOTIFY, kBarId); }
    std::unique_ptr<Snapshot> Snap(const std::string& tag) {
        bar.Invalidate();
        auto snap = SnapWindow(&bar, tag);
        SaveTestImage(snap->Image(), tag);
        return snap;
    }
};
using BarScene = BarSceneOf<>;

// Pixels of a segment's symbol square that carry the given kind of colour.
struct Ink {
    int red = 0;    // red well above green and blue
    int blue = 0;   // blue well above red
    int light = 0;  // light and about grey
    int grey = 0;   // any colour with its channels within 12 of each other, not the face
};
Ink InkOf(const Snapshot& snap, int segment) {
    Ink ink;
    const int left = 21 + 67 * segment, right = 55 + 67 * segment;
    for (int y = 8; y < 42; ++y)
        for (int x = left; x < right; ++x) {
            const COLORREF c = snap.Pixel(x, y);
            const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            if (r > g + 80 && r > b + 80) ++ink.red;
            if (b > r + 60) ++ink.blue;
            if (std::max({r, g, b}) - std::min({r, g, b}) <= 12) {
                ++ink.grey;
                if (r > 150) ++ink.light;
            }
        }
    return ink;
}

// The pointer really over client point (x, y) of the bar (Qt hears of it as a
// move), for the scope; then back where it was.
class PointerOver {
public:
    PointerOver(CWnd& bar, int x, int y) : m_before(QCursor::pos()) {
        POINT p{x, y};
        bar.ClientToScreen(&p);
        QCursor::setPos(p.x, p.y);
        platform::PumpEvents(10);
    }
    ~PointerOver() { QCursor::setPos(m_before); }

private:
    QPoint m_before;
};

}  // namespace

TEST(MultiButton, HitTestCoversEveryPixelAndToolRectanglesFollowTheSegments) {
    BarScene s;
    ASSERT_EQ(s.bar.m_nCount, 3);
    EXPECT_EQ(s.bar.m_dwFlags & 0xF, CMultiButton::kCreated | CMultiButton::kFaceStale);  // no mouse yet
    // x / (W / N) with W / N = 70: the two pixels right of 210 make segment 3,
    // which is past the last one.
    const std::pair<int, int> hits[] = {{-1, -1}, {0, 0},   {69, 0},  {70, 1},  {139, 1},
                                        {140, 2}, {209, 2}, {210, 3}, {211, 3}, {212, -1}};
    for (auto [x, segment] : hits) EXPECT_EQ(s.bar.HitTest(x), segment) << x;

    // t = 5, tw = 67, x0 = 9: one tool per segment, ids 1 to 3, even after resizes.
    const CRect expected[3] = {{9, 0, 76, kH}, {76, 0, 143, kH}, {143, 0, 210, kH}};
    s.bar.Reposition(CRect(10, 10, 10 + kW, 10 + kH));
    ASSERT_EQ(s.bar.m_ToolTip.GetToolCount(), 3);
    for (int i = 0; i < 3; ++i) {
        TOOLINFO info;
        ASSERT_TRUE(s.bar.m_ToolTip.GetToolInfo(info, &s.bar, UINT_PTR(i + 1))) << i;
        EXPECT_EQ(CRect(info.rect), expected[i]) << i;
        EXPECT_EQ(info.text, kTexts[i]);
    }
    EXPECT_TRUE(s.bar.m_ToolTip.IsActive());
    // Indexes outside the segments register nothing.
    s.bar.SetItemText(3, u"FOURTH");
    s.bar.SetItemText(-1, u"NONE");
    EXPECT_EQ(s.bar.m_ToolTip.GetToolCount(), 3);
}

TEST(MultiButton, CountsAndWidthsThatLeaveNoSegmentDivideByNothing) {
    for (int count : {0, 25}) {
        BarScene s(count);
        EXPECT_EQ(s.bar.m_nCount, count == 0 ? 0 : CMultiButton::kMaxSegments);
        if (count == 0) {
            EXPECT_EQ(s.bar.HitTest(100), -1);
        }
        MouseMove(&s.bar, 100, 20);
        s.Snap("count-" + std::to_string(count));
    }
    // A count written past the arrays by the owner draws and hit-tests 20 segments.
    {
        BarScene s;
        s.bar.m_nCount = 50;
        EXPECT_EQ(s.bar.HitTest(kW - 1), (kW - 1) / (kW / CMultiButton::kMaxSegments));
        s.Snap("count-50");
    }
    BarScene narrow;
    narrow.bar.Reposition(CRect(10, 10, 12, 60));  // 2 pixels for 3 segments
    EXPECT_EQ(narrow.bar.HitTest(1), -1);
    MouseMove(&narrow.bar, 1, 5);
    MousePress(&narrow.bar, 1, 5);
    MouseRelease(&narrow.bar, 1, 5);
    EXPECT_EQ(narrow.bar.m_nPressed, -1);
    EXPECT_EQ(narrow.clicks.size(), 1u);
    SnapWindow(&narrow.bar);
}

TEST(MultiButton, ClickNotifiesDownAndUpAndReportsTheHoveredSegment) {
    BarScene s;
    MouseMove(&s.bar, 100, 25);
    EXPECT_EQ(s.bar.m_nHover, 1);
    EXPECT_TRUE(s.bar.m_dwFlags & CMultiButton::kMouseOver);
    MousePress(&s.bar, 100, 25);
    EXPECT_EQ(s.bar.m_nPressed, 1);
    EXPECT_EQ(s.bar.GetState() & BST_PUSHED, BST_PUSHED);
    MouseRelease(&s.bar, 100, 25);
    EXPECT_EQ(s.Codes(), (std::vector<LPARAM>{1, 2}));
    ASSERT_EQ(s.clicks.size(), 1u);
    EXPECT_EQ(s.clicks[0].hovered, 1);
    EXPECT_EQ(s.clicks[0].pressed, 1);
    EXPECT_EQ(s.bar.GetState() & BST_PUSHED, 0u);

    // The pointer is not really over the bar here, so the leave tracking asked
    // for by the move (and again after the click) reports at once: lParam 0,
    // and nothing is hovered or pressed.
    ASSERT_TRUE(platform::PumpUntil([&] { return s.Codes().size() >= 3; }, 3000));
    EXPECT_EQ(s.Codes().back(), 0);
    EXPECT_EQ(s.bar.m_nHover, -1);
    EXPECT_EQ(s.bar.m_nLastHover, -1);
    EXPECT_EQ(s.bar.m_nPressed, -1);
    EXPECT_FALSE(s.bar.m_dwFlags & (CMultiButton::kMouseOver | CMultiButton::kTracking));
}

TEST(MultiButton, ClickOnTheLastTwoPixelsNamesNoSegment) {
    BarScene s;
    MouseMove(&s.bar, kW - 1, 25);
    MousePress(&s.bar, kW - 1, 25);
    MouseRelease(&s.bar, kW - 1, 25);
    ASSERT_EQ(s.clicks.size(), 1u);
    EXPECT_EQ(s.clicks[0].hovered, 3);
    EXPECT_EQ(s.clicks[0].pressed, 3);
    // Nothing lights up for it: the picture is the one without the pointer.
    const QImage hovered = SnapWindow(&s.bar)->Image();
    MouseLeave(&s.bar);
    EXPECT_EQ(hovered, SnapWindow(&s.bar)->Image());
}

TEST(MultiButton, ReleaseOutsideTheBarSendsUpButNoClick) {
    BarScene s;
    MouseMove(&s.bar, 30, 25);
    MousePress(&s.bar, 30, 25);
    MouseMove(&s.bar, 30, kH + 30);  // dragged off: no longer pushed
    EXPECT_EQ(s.bar.GetState() & BST_PUSHED, 0u);
    MouseRelease(&s.bar, 30, kH + 30);
    EXPECT_EQ(s.Codes(), (std::vector<LPARAM>{1, 2}));
    EXPECT_TRUE(s.clicks.empty());
}

TEST(MultiButton, DoubleClickArrivesAsASecondPress) {
    BarScene s;
    MouseMove(&s.bar, 180, 25);
    MousePress(&s.bar, 180, 25);
    MouseRelease(&s.bar, 180, 25);
    MouseDoubleClick(&s.bar, 180, 25);
    MouseRelease(&s.bar, 180, 25);
    EXPECT_EQ(s.Codes(), (std::vector<LPARAM>{1, 2, 1, 2}));
    ASSERT_EQ(s.clicks.size(), 2u);
    EXPECT_EQ(s.clicks[1].pressed, 2);
}

TEST(MultiButton, TooltipShowsTheTextOfTheSegmentUnderThePointer) {
    BarScene s;
    s.bar.m_ToolTip.SetDelayTime(TTDT_INITIAL, 10);
    MouseMove(&s.bar, 100, 25);
    ASSERT_TRUE(platform::PumpUntil([&] { return s.bar.m_ToolTip.IsTipShown(); }, 3000));
    HWND tool = nullptr;
    UINT_PTR id = 0;
    s.bar.m_ToolTip.IsTipShown(&tool, &id);
    EXPECT_EQ(tool, s.bar.m_hWnd);
    EXPECT_EQ(id, 2u);
    auto* label = qobject_cast<QLabel*>(s.bar.m_ToolTip.Widget());
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->text(), QString("CONFIG"));
    // Into the next segment: that tool's text; a press hides the tip.
    MouseMove(&s.bar, 150, 25);
    ASSERT_TRUE(platform::PumpUntil([&] { return s.bar.m_ToolTip.IsTipShown(nullptr, &id) && id == 3; }, 3000));
    EXPECT_EQ(label->text(), QString("EXIT"));
    MousePress(&s.bar, 150, 25);
    EXPECT_FALSE(s.bar.m_ToolTip.IsTipShown());
    EXPECT_FALSE(label->isVisible());
    MouseRelease(&s.bar, 150, 25);
}

TEST(MultiButton, RenderedBarShowsTheThreeSymbolsOnItsFace) {
    BarScene s(3, colours::kWhite, colours::kWhite);
    auto snap = s.Snap("MultiButton-normal");
    // The corners show the parent's pixels; inside, the face's gradient from
    // 0x4C3F38 at the top to 0x82614F at the bottom; the frame in 0xBC7200.
    EXPECT_TRUE(snap->Match({{0, 0, colours::kWhite, 0},
                             {kW - 1, kH - 1, colours::kWhite, 0},
                             {5, 3, 0x4D4039, 12},
                             {5, kH - 3, 0x805F4E, 12},
                             {kW / 2, 0, 0xBC7200, 40}}));
    const Ink camera = InkOf(*snap, 0), gear = InkOf(*snap, 1), power = InkOf(*snap, 2);
    EXPECT_GT(camera.light, 100) << "silver camera";
    EXPECT_GT(gear.blue, 50) << "blue ring of the gear";
    EXPECT_GT(power.red, 100) << "red power symbol";
    EXPECT_EQ(camera.red + gear.red, 0);
    EXPECT_EQ(power.blue, 0);
}

TEST(MultiButton, HoveredSegmentGlowsAndAHeldOneDrawsItsSymbolShifted) {
    BarScene s;
    auto plain = s.Snap("MultiButton-plain");
    MouseMove(&s.bar, 100, 25);
    auto hovered = s.Snap("MultiButton-hovered");
    // The glow's centre point: (82 + 22, 3 / 2 + 22) on segment 1 only.
    EXPECT_TRUE(hovered->Near(104, 23, colours::kWhite, 40));
    EXPECT_FALSE(plain->Near(104, 23, colours::kWhite, 40));
    EXPECT_EQ(ChannelDistance(hovered->Pixel(37, 23), plain->Pixel(37, 23)), 0);
    EXPECT_EQ(ChannelDistance(hovered->Pixel(171, 23), plain->Pixel(171, 23)), 0);

    MousePress(&s.bar, 100, 25);
    auto pressed = s.Snap("MultiButton-pressed");
    // Held: the gear is drawn 2 pixels right and down; its top edge moves.
    int moved = 0;
    for (int y = 4; y < 46; ++y)
        for (int x = 80; x < 130; ++x) moved += ChannelDistance(pressed->Pixel(x, y), hovered->Pixel(x, y)) > 30;
    EXPECT_GT(moved, 20);
    MouseRelease(&s.bar, 100, 25);
}

TEST(MultiButton, DisabledOrGreySegmentsDrawGreyWithoutGlow) {
    BarScene s;
    s.bar.m_bEnabled[2] = FALSE;
    s.bar.m_bGrey[1] = TRUE;
    MouseMove(&s.bar, 180, 25);  // over the disabled segment
    auto snap = s.Snap("MultiButton-disabled-segment");
    const Ink gear = InkOf(*snap, 1), power = InkOf(*snap, 2);
    EXPECT_EQ(power.red, 0);
    EXPECT_EQ(gear.blue, 0);
    EXPECT_GT(power.grey, 100);
    EXPECT_GT(gear.grey, 100);
    // No glow over the disabled segment: its centre point keeps the symbol's grey.
    EXPECT_FALSE(snap->Near(171, 23, colours::kWhite, 40));
    // The camera stays as it was.
    EXPECT_GT(InkOf(*snap, 0).light, 100);
}

TEST(MultiButton, MissingIconFamilyIsReportedOnceAfterThePaint) {
    BoxRecorder boxes;
    BarScene s;
    s.bar.m_IconFontFamily = nullptr;
    auto snap = s.Snap("MultiButton-no-family");
    s.Snap("MultiButton-no-family-again");
    EXPECT_TRUE(boxes.boxes.empty());  // never inside the paint
    platform::PumpEvents(50);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0], u"CMultiButton::DrawSymbol>m_IconFontFamily is NULL");
    // Without symbols the face is bare.
    EXPECT_EQ(InkOf(*snap, 2).red, 0);
}

TEST(MultiButton, RepositionTakesTheParentsPixelsAtTheNewPlace) {
    BarScene s(3, colours::kWhite, colours::kBlack);
    EXPECT_TRUE(s.Snap("MultiButton-left")->Near(0, 0, colours::kWhite, 0));
    s.bar.Reposition(CRect(kW / 2 + 30, 10, kW / 2 + 30 + 100, 10 + kH));
    auto right = s.Snap("MultiButton-right");
    EXPECT_TRUE(right->Near(0, 0, colours::kBlack, 0));
    EXPECT_TRUE(right->Near(99, kH - 1, colours::kBlack, 0));
}

TEST(MultiButton, ImagesTurnLightGreyWhenDimAndSubSymbolsFadeByTheirAlpha) {
    control_test::PngResource red(9101, 30, 30, QColor(255, 0, 0));
    BarScene s;
    // Segment 0: the image alone, in its square (side 40 at (18, 5)).
    s.bar.m_nSymbol[0] = -1;
    s.bar.m_nImageId[0] = 9101;
    EXPECT_TRUE(s.Snap("MultiButton-image")->Near(38, 25, colours::kRed, 3));
    s.bar.m_bGrey[0] = TRUE;
    // Red through the grey matrix: 0.399 x 255 in every channel.
    EXPECT_TRUE(s.Snap("MultiButton-image-grey")->Near(38, 25, RGB(102, 102, 102), 3));

    // Segment 2: the check mark over the power symbol, drawn through a bitmap.
    auto plain = s.Snap("MultiButton-no-sub-symbol");
    s.bar.m_nSubSymbol[2] = 0x76;
    s.bar.m_crSubSymbol[2] = 0x00FF00;
    s.bar.m_bSubSymbolImage[2] = TRUE;
    auto differs = [&](const Snapshot& snap) {
        int n = 0;
        for (int y = 5; y < 45; ++y)
            for (int x = 150; x < 200; ++x) n += ChannelDistance(snap.Pixel(x, y), plain->Pixel(x, y)) > 20;
        return n;
    };
    s.bar.m_bySubSymbolAlpha[2] = 0;
    EXPECT_EQ(differs(*s.Snap("MultiButton-sub-symbol-alpha-0")), 0);
    s.bar.m_bySubSymbolAlpha[2] = 255;
    EXPECT_GT(differs(*s.Snap("MultiButton-sub-symbol-alpha-255")), 20);
}


TEST(MultiButton, OnlyCrossingIntoAnotherSegmentRepaints) {
    struct CountingBar : CMultiButton {
        int paints = 0;
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
            if (message == WM_PAINT) ++paints;
            return CMultiButton::WindowProc(message, wParam, lParam);
        }
    };
    BarSceneOf<CountingBar> s;
    // With the pointer really over the bar (on the first segment), no leave
    // comes between the moves.
    const PointerOver pointer(s.bar, 30, 25);
    platform::PumpEvents(30);
    const int before = s.bar.paints;
    // (x, paints since the first move): within a segment nothing is repainted.
    const std::pair<int, int> moves[] = {{100, 1}, {110, 1}, {139, 1}, {140, 2}, {200, 2}, {10, 3}};
    for (auto [x, paints] : moves) {
        MouseMove(&s.bar, x, 25);
        platform::PumpEvents(30);
        EXPECT_EQ(s.bar.paints - before, paints) << x;
    }
    EXPECT_EQ(s.bar.m_nHover, 0);
}

// A command run from a click may hold a box open: the bar hears the pointer
// leave when the box takes the input, and, the pointer where it was or back,
// nothing when the box goes. Afterwards the segment under the pointer glows
// and takes the next click; a bar the pointer left while the box was open
// shows no glow.
TEST(MultiButton, AfterACommandThatHeldABoxTheBarFollowsThePointer) {
    BarScene s;
    const QImage plain = s.Snap("MultiButton-before-box")->Image();
    std::function<void()> whileTheBoxIsOpen;
    s.scene.top.handlers[WM_COMMAND] = [&](WPARAM wp, LPARAM) -> LRESULT {
        if (LOWORD(wp) != kBarId || HIWORD(wp) != BN_CLICKED) return 0;
        s.clicks.push_back({s.bar.m_nHover, s.bar.m_nPressed});
        s.bar.SendMessage(WM_MOUSELEAVE);
        if (whileTheBoxIsOpen) whileTheBoxIsOpen();
        return 0;
    };
    {
        const PointerOver pointer(s.bar, 100, 25);
        MousePress(&s.bar, 100, 25);
        MouseRelease(&s.bar, 100, 25);
        ASSERT_EQ(s.clicks.size(), 1u);
        EXPECT_EQ(s.clicks[0].hovered, 1);
        EXPECT_EQ(s.bar.m_nHover, 1) << "the segment under the pointer is not hovered after the box";
        EXPECT_TRUE(s.Snap("MultiButton-after-box")->Near(104, 23, colours::kWhite, 40)) << "no glow";
        MousePress(&s.bar, 100, 25);
        MouseRelease(&s.bar, 100, 25);
        ASSERT_EQ(s.clicks.size(), 2u);
        EXPECT_EQ(s.clicks[1].hovered, 1) << "the next click ran nothing";
    }
    // The pointer gone onto the parent while the box was open.
    whileTheBoxIsOpen = [&] { QCursor::setPos(s.scene.top.Widget()->mapToGlobal(QPoint(5, 5))); };
    {
        const PointerOver pointer(s.bar, 180, 25);
        MousePress(&s.bar, 180, 25);
        MouseRelease(&s.bar, 180, 25);
        platform::PumpEvents(20);
        ASSERT_EQ(s.clicks.size(), 3u);
        EXPECT_EQ(s.clicks[2].hovered, 2);
        EXPECT_EQ(s.bar.m_nHover, -1);
        EXPECT_EQ(s.bar.m_nPressed, -1);
        EXPECT_EQ(s.Snap("MultiButton-left-during-box")->Image(), plain);
    }
}
