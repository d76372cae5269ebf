// The kept glowing fills of glyph outlines: drawn from what was kept, the
// pixels are the same as filling the outlines anew, over any background and
// however often; what is kept stays within its budget.
#include <gtest/gtest.h>

#include "controls/glyph_fills.h"
#include "tests/controls/control_scene.h"
#include "platform/graphics/graphics_impl.h"
#include "tests/support/pixel_harness.h"

using namespace gfx;

namespace {

// `text` in the segment font, one character after the other from the right
// edge as the numeric display lays it out; `starts` takes where each
// character's points begin.
GraphicsPath Outline(const char16_t* text, float em, float right, float y, std::vector<size_t>* starts) {
    StringFormat format;
    format.SetLineAlignment(StringAlignmentCenter);
    format.SetAlignment(StringAlignmentFar);
    GraphicsPath path;
    const std::u16string s(text);
    float x = right;
    for (size_t i = s.size(); i-- > 0;) {
        starts->push_back(path.Points().size());
        path.AddString(&s[i], 1, &control_test::SharedFonts().m_segmentFamily, FontStyleItalic, em,
                       RectF(x, y, 0, 0), &format);
        x -= em * 0.5f;
    }
    return path;
}

// A background that is nowhere one colour: a diagonal gradient, a band of
// half-transparent red over it, and (`transparent`) a surface that is itself
// partly transparent.
void PaintBackground(Graphics* g, int w, int h, bool transparent) {
    LinearGradientBrush ramp(Rect(0, 0, w, h), Color(transparent ? 0x40102030u : 0xFF102030u),
                             Color(transparent ? 0xC0F0E0D0u : 0xFFF0E0D0u), 30.0f, FALSE);
    g->FillRectangle(&ramp, 0, 0, w, h);
    const SolidBrush band(Color(0x80FF0000u));
    g->FillRectangle(&band, 0, h / 3, w, h / 4);
}

struct FillCase {
    const char* tag;
    const char16_t* text;
    int width, height;
    COLORREF lit, dim;
    bool halo;
    float right, y;  // fractions of the size; a text beyond the edges is cut
    bool kept = true;  // false: a character larger than the whole budget
};

const FillCase kCases[] = {
    {"digits-halo", u"12.8", 240, 80, 0x80FF80, 0x00BF00, true, 0.95f, 0.55f},
    {"digits", u"3.45", 240, 80, 0xFFFFFF, 0xBFBFBF, false, 0.95f, 0.55f},
    {"words", u"ERROR", 300, 70, 0x5050FF, 0x1010BF, true, 0.98f, 0.5f},
    {"cut-at-the-edges", u"88:88", 150, 50, 0x00FFFF, 0x00BFBF, true, 0.9f, 0.1f},
    {"small", u"-7.25", 90, 33, 0xFF4020, 0xBF0000, true, 0.95f, 0.55f},
    {"larger-than-the-budget", u"8", 700, 600, 0xFFFFFF, 0xBFBFBF, true, 0.8f, 0.5f, false},
};

}  // namespace

TEST(GlyphFills, KeptFillsDrawTheSamePixelsAsFillingAnew) {
    for (const bool transparent : {false, true}) {
        for (const FillCase& c : kCases) {
            const std::string tag = std::string(c.tag) + (transparent ? "-transparent" : "");
            std::vector<size_t> starts;
            const GraphicsPath outline =
                Outline(c.text, float(c.height), float(c.width) * c.right, float(c.height) * c.y, &starts);
            ASSERT_GT(outline.GetPointCount(), 0) << tag;

            auto surface = [&] {
                auto b = std::make_unique<Bitmap>(c.width, c.height, PixelFormat32bppARGB);
                Graphics g(b.get());
                g.SetSmoothingMode(SmoothingModeAntiAlias);
                PaintBackground(&g, c.width, c.height, transparent);
                return b;
            };
            auto anew = surface();
            {
                Graphics g(anew.get());
                g.SetSmoothingMode(SmoothingModeAntiAlias);
                ForEachFigure(outline, 0, outline.Points().size(),
                              [&](GraphicsPath& f) { FillFigureGlowing(&g, &f, c.lit, c.dim, c.halo); });
            }
            GlyphFills fills;
            std::vector<std::unique_ptr<Bitmap>> kept;
            for (int pass = 0; pass < 2; ++pass) {  // made, then drawn from what was kept
                kept.push_back(surface());
                Graphics g(kept.back().get());
                g.SetSmoothingMode(SmoothingModeAntiAlias);
                fills.Fill(&g, c.width, c.height, outline, starts, c.lit, c.dim, c.halo);
            }
            const size_t n = starts.size();
            EXPECT_EQ(fills.Misses(), c.kept ? n : 2 * n) << tag;
            EXPECT_EQ(fills.Hits(), c.kept ? n : 0) << tag << ": the second pass draws what the first kept";
            EXPECT_EQ(fills.Count(), c.kept ? n : 0) << tag;
            EXPECT_LE(fills.Bytes(), GlyphFills::kBudgetBytes) << tag;
            const QImage expected = *detail::ImageOf(*anew);
            for (int pass = 0; pass < 2; ++pass)
                EXPECT_TRUE(*detail::ImageOf(*kept[size_t(pass)]) == expected) << tag << " pass " << pass;
            SaveTestImage(*detail::ImageOf(*kept[1]), tag);
        }
    }
}

TEST(GlyphFills, StayWithinTheirBudgetDroppingTheLeastRecentlyUsed) {
    constexpr int w = 420, h = 100;
    Bitmap target(w, h, PixelFormat32bppARGB);
    Graphics g(&target);
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    GlyphFills fills;
    // One character with its halo at sixty places: more than the budget holds.
    std::vector<GraphicsPath> outlines;
    for (int i = 0; i < 60; ++i) {
        std::vector<size_t> starts;
        outlines.push_back(Outline(u"8", float(h), 60.0f + float(i) * 5.5f, h * 0.5f, &starts));
        fills.Fill(&g, w, h, outlines.back(), {0}, 0xFFFFFF, 0xBFBFBF, true);
        EXPECT_LE(fills.Bytes(), GlyphFills::kBudgetBytes) << i;
    }
    EXPECT_EQ(fills.Misses(), 60u);
    EXPECT_LT(fills.Count(), 60u) << "the oldest were dropped";
    EXPECT_GT(fills.Count(), 3u);
    auto again = [&](size_t i) {
        fills.Fill(&g, w, h, outlines[i], {0}, 0xFFFFFF, 0xBFBFBF, true);
    };
    again(59);
    EXPECT_EQ(fills.Hits(), 1u) << "the last one is kept";
    again(0);
    EXPECT_EQ(fills.Misses(), 61u) << "the first one was dropped";
    // Another colour or the halo off is another fill.
    fills.Fill(&g, w, h, outlines[59], {0}, 0xFFFFFF, 0xBFBFBF, false);
    fills.Fill(&g, w, h, outlines[59], {0}, 0xFFFFFE, 0xBFBFBF, true);
    EXPECT_EQ(fills.Misses(), 63u);
    fills.Clear();
    EXPECT_EQ(fills.Count(), 0u);
    EXPECT_EQ(fills.Bytes(), 0u);
}
