// The title label at the main window's size and settings, its fitted text
// (Korean, mixed and ASCII, kept clear of its frame and of its own
// reflection), suffix, sub-text, icon tables and logo, and the codes its
// presses report.
#include <gtest/gtest.h>

#include <QBackingStore>
#include <QBuffer>
#include <QImage>
#include <QWidget>
#include <algorithm>
#include <filesystem>
#include <optional>

#include "controls/draw_helpers.h"
#include "controls/hmi_fonts.h"
#include "controls/title_text.h"
#include "platform/runtime/app.h"
#include "platform/system/resources.h"
#include "tests/controls/control_scene.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/temp_dir.h"

using control_test::BoxRecorder;
using control_test::SameImages;
using control_test::PngResource;
using control_test::ConfigureAsMainWindow;
using control_test::Scene;
using control_test::SharedFonts;

namespace {

constexpr COLORREF kBack = 0x4C3F38;
constexpr int kId = 10000;

struct TitleScene {
    Scene scene;
    CQuorTitleText title;
    int w, h;

    TitleScene(const CString& text, int width, int height = 70)
        : scene(width + 20, height + 40, kBack), w(width), h(height) {
        EXPECT_TRUE(title.Create(nullptr, text.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | SS_CENTER,
                                 CRect(0, 0, 0, 0), &scene.top, kId));
        ConfigureAsMainWindow(title, &SharedFonts().m_iconFamily);
        title.Reposition(CRect(10, 16, 10 + width, 16 + height));
    }
    std::vector<LPARAM> Codes() const { return scene.Codes(WM_TEXT_NOTIFY, kId); }
    std::unique_ptr<Snapshot> Snap(const std::string& tag = "") {
        title.Invalidate();
        return SnapWindow(&title, tag);
    }
};

struct Ink {
    int count = 0;
    int minX = 1 << 30, maxX = -1;
};
// Pixels of the text: anything far from the box's blue-grey gradient.
Ink TextInk(const Snapshot& snap, int w, int h) {
    Ink ink;
    for (int y = 3; y < h - 3; ++y)
        for (int x = 3; x < w - 3; ++x) {
            const COLORREF c = snap.Pixel(x, y);
            if (GetRValue(c) > 150 || (GetBValue(c) < 0x40 && GetRValue(c) < 0x30)) {
                ++ink.count;
                ink.minX = std::min(ink.minX, x);
                ink.maxX = std::max(ink.maxX, x);
            }
        }
    return ink;
}

}  // namespace

TEST(QuorTitleText, MainWindowTitleDrawsFrameGradientAndText) {
    TitleScene s(u"ZEL REROVORA", 1650);
    auto snap = s.Snap();
    // Rounded corners (radius 7) show the main window's background.
    EXPECT_TRUE(snap->Near(0, 69, kBack, 0));
    EXPECT_TRUE(snap->Near(1649, 69, kBack, 0));
    // The box: 0x4C3F38 at the top to 0x82614F at the bottom.
    EXPECT_TRUE(snap->Near(8, 2, 0x4C3F38, 6));
    EXPECT_TRUE(snap->Near(8, 67, 0x82614F, 6));
    // The text: centred, white at its top fading to navy, outlined in orange.
    const Ink ink = TextInk(*snap, s.w, s.h);
    ASSERT_GT(ink.count, 500);
    EXPECT_NEAR((ink.minX + ink.maxX) / 2.0, 825, 6);
    int outline = 0;
    for (int y = 0; y < 70; ++y)
        for (int x = 500; x < 1150; ++x) outline += ChannelDistance(snap->Pixel(x, y), 0x4080FF) < 40;
    EXPECT_GT(outline, 50);
}

TEST(QuorTitleText, TooWideTextIsShrunkInsideItsMargins) {
    const CString text = u"WIND MONITORING OF THE TWELVE STACKS";
    TitleScene s(text, 400);
    auto snap = s.Snap();
    const Ink ink = TextInk(*snap, s.w, s.h);
    ASSERT_GT(ink.count, 100);
    EXPECT_GE(ink.minX, 4);
    EXPECT_LE(ink.maxX, 396);
    EXPECT_NEAR((ink.minX + ink.maxX) / 2.0, 200, 6);
}

TEST(QuorTitleText, PressesWithoutIconsReportOneAndDoubleClickTwo) {
    TitleScene s(u"ZEL REROVORA", 600);
    s.Snap();
    MousePress(&s.title, 5, 5);
    MouseRelease(&s.title, 5, 5);
    MousePress(&s.title, 300, 35);
    s.title.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(300, 35));
    EXPECT_EQ(s.Codes(), (std::vector<LPARAM>{1, 1, 2}));
}

TEST(QuorTitleText, PngIconsAreLaidOutFromBothEndsAndReportTheirIndex) {
    PngResource red(9001, 40, 40, QColor(255, 0, 0));
    PngResource navy(9002, 40, 40, QColor(0, 0, 100));
    TitleScene s(u"T", 800);
    s.title.m_nPngRight[0] = 9001;
    s.title.m_nPngRight[1] = 9001;
    s.title.m_nPngLeft[0] = 9002;  // drawn unchanged (light 1.0)
    s.title.m_nPngLeft[1] = 9002;
    s.title.m_fPngLeftLight[1] = 0.5f;
    s.title.m_nPngLeft[2] = 9002;
    s.title.m_fPngLeftLight[2] = 0.0f;
    auto snap = s.Snap();
    // 40 x 40 scaled to (70 - 8) / 40: 62 x 62, centred vertically.
    EXPECT_EQ(CRect(s.title.m_rcPngRight[0]), CRect(800 - 4 - 62, 4, 800 - 4, 66));
    EXPECT_EQ(CRect(s.title.m_rcPngRight[1]), CRect(800 - 4 - 62 - 4 - 62, 4, 800 - 4 - 62 - 4, 66));
    EXPECT_EQ(CRect(s.title.m_rcPngLeft[0]), CRect(14, 4, 76, 66));
    EXPECT_EQ(CRect(s.title.m_rcPngLeft[1]), CRect(90, 4, 152, 66));
    EXPECT_EQ(CRect(s.title.m_rcPngLeft[2]), CRect(166, 4, 228, 66));
    EXPECT_TRUE(snap->Near(800 - 35, 35, 0x0000FF, 2));
    EXPECT_TRUE(snap->Near(45, 35, RGB(0, 0, 100), 2));
    // Light 0.5 raises every channel by half of full scale; 0.0 changes nothing.
    EXPECT_TRUE(snap->Near(121, 35, RGB(128, 128, 228), 3));
    EXPECT_TRUE(snap->Near(197, 35, RGB(0, 0, 100), 2));

    MousePress(&s.title, 800 - 35, 35);
    MousePress(&s.title, 800 - 100, 35);
    MousePress(&s.title, 121, 35);
    MousePress(&s.title, 400, 35);
    EXPECT_EQ(s.Codes(), (std::vector<LPARAM>{20, 21, 11, 1}));
}

TEST(QuorTitleText, LeftLogoIsDrawnAndItsAreaReportsTen) {
    TempDir dir;
    const std::filesystem::path file = dir.path() / "logo.png";
    QImage logo(30, 10, QImage::Format_ARGB32);
    logo.fill(QColor(0, 200, 0));
    ASSERT_TRUE(logo.save(QString::fromStdString(file.string()), "PNG"));
    PngResource icon(9003, 40, 40, QColor(255, 0, 0));

    TitleScene s(u"T", 800);
    const std::string path = file.string();
    s.title.m_strLogoLeft = CString(path.begin(), path.end());
    s.title.m_nPngLeft[1] = 9003;  // alone: at 14..76, inside the logo's area (x below 3 h = 210)
    auto snap = s.Snap();
    // The logo fills (10, 10, 3 h, h - 20), drawn after the icons: over icon 1.
    EXPECT_EQ(CRect(s.title.m_rcPngLeft[1]), CRect(14, 4, 76, 66));
    EXPECT_TRUE(snap->Near(150, 35, RGB(0, 200, 0), 2));
    EXPECT_TRUE(snap->Near(45, 35, RGB(0, 200, 0), 2));
    EXPECT_TRUE(snap->Near(45, 6, RGB(255, 0, 0), 2));
    MousePress(&s.title, 45, 35);  // icon 1 (11), then the logo's area: 10
    MousePress(&s.title, 250, 35);
    EXPECT_EQ(s.Codes(), (std::vector<LPARAM>{10, 1}));
}

TEST(QuorTitleText, GlyphIconsAreDrawnWithTheIconFontAndReportTheirIndex) {
    TitleScene s(u"T", 800);
    s.title.m_nGlyphLeft[0] = 16;   // camera
    s.title.m_fGlyphLeftDx[0] = 0.0f;
    s.title.m_fGlyphLeftDy[0] = 0.0f;
    s.title.m_crGlyphLeft[0] = 0xC0C0C0;
    s.title.m_nGlyphRight[0] = 100;  // power
    s.title.m_fGlyphRightDx[0] = 0.0f;
    s.title.m_fGlyphRightDy[0] = 0.0f;
    s.title.m_crGlyphRight[0] = 0x0000FF;
    s.title.m_nGlyphRightBorder[0] = 1;
    auto snap = s.Snap("glyphs");
    // Size 0.8 of the height: 56 x 56, 14 pixels in from each end, centred vertically.
    EXPECT_EQ(CRect(s.title.m_rcGlyphLeft[0]), CRect(14, 7, 70, 63));
    EXPECT_EQ(CRect(s.title.m_rcGlyphRight[0]), CRect(800 - 14 - 56, 7, 800 - 14, 63));
    // Each glyph leaves marks of its colours on the box.
    auto countNear = [&](const CRect& rc, COLORREF colour) {
        int n = 0;
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x) n += ChannelDistance(snap->Pixel(x, y), colour) < 50;
        return n;
    };
    EXPECT_GT(countNear(s.title.m_rcGlyphLeft[0], 0xC0C0C0), 20);
    EXPECT_GT(countNear(s.title.m_rcGlyphRight[0], 0x0000FF), 20);
    MousePress(&s.title, 42, 35);
    MousePress(&s.title, 800 - 42, 35);
    EXPECT_EQ(s.Codes(), (std::vector<LPARAM>{10, 20}));
}

TEST(QuorTitleText, SuffixSubTextAndBackgroundFill) {
    TitleScene s(u"ZEL", 800);
    s.title.m_strSuffix = u"v2";
    s.title.m_strSubText = u"SUB";
    s.title.m_crSubText = 0xFFFFFF;
    s.title.m_crSubTextBox = 0x0000FF;
    s.title.m_fSubTextSize = 0.3f;
    s.title.m_fSubTextX = 2.0f;
    s.title.m_fSubTextY = 0.5f;
    s.title.m_dwFlags |= CQuorTitleText::kSubTextBox | CQuorTitleText::kBackFill;
    s.title.m_crBackFill = 0x00FF00;
    auto snap = s.Snap("suffix");
    // The corners show the fill colour instead of the parent's background.
    EXPECT_TRUE(snap->Near(1, 68, 0x00FF00, 0));
    EXPECT_TRUE(snap->Near(798, 1, 0x00FF00, 0));
    // The sub-text box is red around (2 h, h / 2), with white text on it.
    EXPECT_TRUE(snap->Near(140, 27, 0x0000FF, 0) || snap->Near(140, 43, 0x0000FF, 0));
    int white = 0;
    for (int y = 20; y < 50; ++y)
        for (int x = 110; x < 170; ++x) white += ChannelDistance(snap->Pixel(x, y), 0xFFFFFF) < 30;
    EXPECT_GT(white, 20);
    // The suffix follows the title in the text colour darkened by a tenth.
    const COLORREF suffix = ScaleColor(0x00FFFF, -0.1f);
    int marks = 0;
    for (int y = 0; y < 70; ++y)
        for (int x = 460; x < 560; ++x) marks += ChannelDistance(snap->Pixel(x, y), suffix) < 30;
    EXPECT_GT(marks, 10);
}

TEST(QuorTitleText, MissingIconFamilyIsReportedOnceAfterPainting) {
    // Notes whether a message box opens while the title paints.
    struct PaintWatchingTitle : CQuorTitleText {
        bool painting = false;
        LRESULT WindowProc(UINT m, WPARAM w, LPARAM l) override {
            if (m != WM_PAINT) return CQuorTitleText::WindowProc(m, w, l);
            painting = true;
            const LRESULT r = CQuorTitleText::WindowProc(m, w, l);
            painting = false;
            return r;
        }
    };
    Scene scene(300, 100, kBack);
    PaintWatchingTitle title;
    int boxesWhilePainting = 0;
    std::vector<std::u16string> boxes;
    const auto previous = platform::SetMessageBoxHandler([&](const platform::MessageBoxRequest& r) {
        boxes.push_back(r.text);
        boxesWhilePainting += title.painting;
        return IDOK;
    });
    ASSERT_TRUE(title.Create(nullptr, u"T", WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), &scene.top, kId));
    title.Init(0x00FFFF, 0x4080FF, 7, 2);
    title.Reposition(CRect(10, 10, 290, 80));
    for (int i = 0; i < 3; ++i) title.RedrawWindow();
    EXPECT_TRUE(platform::PumpUntil([&] { return !boxes.empty(); }, 2000));
    for (int i = 0; i < 3; ++i) title.RedrawWindow();
    // Witness: a message posted now arrives after any posted before it.
    bool witnessed = false;
    scene.top.handlers[WM_APP + 1] = [&](WPARAM, LPARAM) -> LRESULT { witnessed = true; return 0; };
    scene.top.PostMessage(WM_APP + 1);
    ASSERT_TRUE(platform::PumpUntil([&] { return witnessed; }, 2000));
    platform::SetMessageBoxHandler(previous);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], u"CQuorTitleText::DrawHMIIcon>m_IconFontFamily is NULL");
    EXPECT_EQ(boxesWhilePainting, 0);
}

// ---------------------------------------------------------------------------
// Korean, mixed and ASCII titles, as the screen shows them

namespace {

// The title shown in its scene and painted as on the screen.
struct ShownTitle : TitleScene {
    ShownTitle(const CString& text, int width, int height) : TitleScene(text, width, height) {
        platform::PumpEvents(5);
    }
    // What the scene's window shows (its backing store), read without painting.
    QImage Picture() {
        QWidget* w = scene.top.Widget();
        auto* store = w && w->backingStore() ? dynamic_cast<QImage*>(w->backingStore()->paintDevice()) : nullptr;
        return store ? store->copy(QRect(QPoint(0, 0), w->size())).convertToFormat(QImage::Format_ARGB32) : QImage();
    }
    QRect Label() const { return QRect(10, 16, w, h); }
};

// Where two pictures of one size differ: how many pixels, within which box.
struct Difference {
    int count = 0;
    QRect box;
};
Difference Differences(const QImage& a, const QImage& b) {
    Difference d;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                ++d.count;
                d.box |= QRect(x, y, 1, 1);
            }
    return d;
}

struct TitleCase {
    const char* name;
    const char16_t* text;
    int width, height;
    // The lowest row of the label the text may touch: the reflection turns it
    // over about 0.8 h + 10 and must fall wholly below the label (at 70
    // pixels high row 63, at 100 row 81: 20 pixels below the anchor at any
    // height); at 40 the line lies below the label and the frame's row is
    // the limit.
    int lastRow;
    int minHeight;  // of the drawn text, so that it is not shrunk to nothing
};

const TitleCase kTitles[] = {
    {"ascii", u"ZEL REROVORA", 1000, 70, 63, 38},
    {"korean", u"바람 감시 한글", 1000, 70, 63, 38},
    {"mixed", u"ZEL 바람 감시 2026", 1000, 70, 63, 38},
    {"descenders", u"Stack gauging", 1000, 70, 63, 38},
    {"hanja-from-another-face", u"風速 바람 監視", 1000, 70, 63, 38},
    {"korean-fitted-to-width", u"풍향 풍속 바람 감시 한글 시스템", 420, 70, 63, 20},
    {"korean-low", u"바람 감시 한글", 600, 40, 38, 22},
    {"korean-high", u"바람 감시 한글", 1000, 100, 81, 40},
};

}  // namespace

// Korean syllables reach far below the baseline: unfitted, they ran into the
// frame's bottom line with their reflection turned over onto them as black and
// green strips. Against the same title with no text, the text changes nothing
// outside the frame, nothing of the frame, and nothing from the row on where
// its reflection would show.
TEST(QuorTitleText, TextOfEveryScriptEndsClearOfTheFrameAndItsReflection) {
    for (const TitleCase& c : kTitles) {
        ShownTitle titled(c.text, c.width, c.height);
        ShownTitle empty(u"", c.width, c.height);
        const QImage picture = titled.Picture();
        ASSERT_FALSE(picture.isNull()) << c.name;
        const Difference d = Differences(picture, empty.Picture());
        const QRect label = titled.Label();
        const QRect text = d.box.translated(-label.topLeft());
        EXPECT_GT(d.count, 200) << c.name;
        EXPECT_TRUE(label.adjusted(1, 1, -1, -1).contains(d.box))
            << c.name << ": drawn at " << text.left() << ".." << text.right() << " x " << text.top() << ".."
            << text.bottom();
        EXPECT_LE(text.bottom(), c.lastRow) << c.name;
        EXPECT_GE(text.height(), c.minHeight) << c.name;
        EXPECT_NEAR(text.center().x(), c.width / 2, 3) << c.name;
        if (HasFailure()) SaveTestImage(picture, c.name);
    }
}

// A title changed from one text to another shows what the same title shows
// when it draws the new text from scratch.
TEST(QuorTitleText, ChangedTitleShowsWhatAFreshOneShows) {
    const std::pair<const char16_t*, const char16_t*> changes[] = {
        {u"ZEL REROVORA", u"바람 감시 한글"}, {u"바람 감시 한글", u"ZEL REROVORA"},
        {u"바람 감시 한글", u"ZEL 바람 감시 2026"}, {u"ZEL 바람 감시 2026", u"바람 감시"},
        {u"바람 감시 한글", u""}, {u"", u"바람 감시 한글"},
    };
    int n = 0;
    for (const auto& [from, to] : changes) {
        const std::string tag = "change-" + std::to_string(n++);
        ShownTitle used(from, 1000, 70);
        const QImage before = used.Picture();
        used.title.SetText(to);
        const QImage after = used.Picture();
        control_test::ForgetKeptDrawing();
        ShownTitle fresh(to, 1000, 70);
        EXPECT_TRUE(SameImages(after, fresh.Picture(), tag));
        EXPECT_NE(after, before) << tag;  // the comparison sees the text
    }
}
