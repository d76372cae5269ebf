// Text in the graphics layer: families by name and from private collections,
// glyph outlines as closed figures (control codes included), placement by the
// string format, measuring and drawing.
#include <gtest/gtest.h>

#include <memory>

#include "platform/graphics/graphics.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/test_font.h"

using namespace gfx;

namespace {

constexpr const char16_t* kTestFamily = u"Rerovora Test Shapes";

// The test font, added once for the whole program.
PrivateFontCollection& Collection() {
    static PrivateFontCollection collection;
    if (collection.GetFamilyCount() == 0) {
        const auto bytes = MakeTestFont("Rerovora Test Shapes", StandardTestGlyphs());
        EXPECT_EQ(collection.AddMemoryFont(bytes.data(), INT(bytes.size())), Ok);
    }
    return collection;
}

FontFamily TestFamily() { return FontFamily(kTestFamily, &Collection()); }

struct Figure {
    std::vector<PointF> points;
    std::vector<BYTE> types;
};

// Splits a path into its figures.
std::vector<Figure> Figures(const GraphicsPath& path) {
    std::vector<Figure> out;
    PathData data;
    path.GetPathData(&data);
    for (INT i = 0; i < data.Count; ++i) {
        if ((data.Types[size_t(i)] & PathPointTypePathTypeMask) == PathPointTypeStart) out.emplace_back();
        out.back().points.push_back(data.Points[size_t(i)]);
        out.back().types.push_back(data.Types[size_t(i)]);
    }
    return out;
}

}  // namespace

TEST(GraphicsText, PrivateFamiliesAreFoundInTheirCollectionOnly) {
    PrivateFontCollection& c = Collection();
    EXPECT_EQ(c.GetFamilyCount(), 1);
    FontFamily families[2];
    INT found = 0;
    ASSERT_EQ(c.GetFamilies(2, families, &found), Ok);
    ASSERT_EQ(found, 1);
    EXPECT_EQ(families[0].GetFamilyName(), kTestFamily);
    EXPECT_TRUE(TestFamily().IsAvailable());
    FontFamily installed(kTestFamily);
    EXPECT_FALSE(installed.IsAvailable());
    EXPECT_EQ(installed.GetLastStatus(), FontFamilyNotFound);
    PrivateFontCollection junk;
    const char bytes[] = "definitely not a font file";
    EXPECT_NE(junk.AddMemoryFont(bytes, INT(sizeof bytes)), Ok);
    EXPECT_EQ(junk.GetFamilyCount(), 0);
    FontFamily missing(u"No Such Face At All");
    EXPECT_EQ(missing.GetLastStatus(), FontFamilyNotFound);
    GraphicsPath path;
    EXPECT_EQ(path.AddString(u"x", 1, &missing, FontStyleRegular, 20.0f, PointF(0, 0), nullptr), InvalidParameter);
    EXPECT_EQ(path.GetPointCount(), 0);
    // Windows face names reach installed faces through the mapping.
    EXPECT_TRUE(FontFamily(u"System").IsAvailable());
}

// A font may name its family in several languages, and the font database lists
// it under the name in the locale's language only (나눔고딕코딩 under ko_KR,
// NanumGothicCoding elsewhere): either name finds the same face.
TEST(GraphicsText, AFamilyIsFoundByEachOfItsNames) {
    const FontFamily english(u"NanumGothicCoding"), korean(u"나눔고딕코딩");
    ASSERT_TRUE(english.IsAvailable());
    ASSERT_TRUE(korean.IsAvailable());
    WCHAR a[LF_FACESIZE], b[LF_FACESIZE];
    english.GetFamilyName(a);
    korean.GetFamilyName(b);
    EXPECT_EQ(std::u16string(a), std::u16string(b));
    GraphicsPath pa, pb;
    pa.AddString(u"가A", 2, &english, FontStyleBold, 40.0f, PointF(0, 0), nullptr);
    pb.AddString(u"가A", 2, &korean, FontStyleBold, 40.0f, PointF(0, 0), nullptr);
    EXPECT_GT(pa.GetPointCount(), 20);
    EXPECT_EQ(pa.GetPointCount(), pb.GetPointCount());
}

TEST(GraphicsText, ControlCodesAreDrawnByGlyphAsClosedFigures) {
    const FontFamily family = TestFamily();
    GraphicsPath ring, triangle, unmapped;
    const char16_t ringText[] = {16, 0};
    const char16_t triangleText[] = {18, 0};
    const char16_t unmappedText[] = {17, 0};
    ASSERT_EQ(ring.AddString(ringText, 1, &family, FontStyleRegular, 100.0f, PointF(0, 0),
                             StringFormat::GenericTypographic()),
              Ok);
    triangle.AddString(triangleText, 1, &family, FontStyleRegular, 100.0f, PointF(0, 0), nullptr);
    EXPECT_EQ(unmapped.AddString(unmappedText, 1, &family, FontStyleRegular, 100.0f, PointF(0, 0), nullptr), Ok);
    EXPECT_EQ(unmapped.GetPointCount(), 0);

    const auto figures = Figures(ring);
    ASSERT_EQ(figures.size(), 2u);  // the square and its hole
    for (const Figure& f : figures) {
        EXPECT_EQ(f.points.size(), 4u);
        EXPECT_EQ(f.types.front(), PathPointTypeStart);
        EXPECT_TRUE(f.types.back() & PathPointTypeCloseSubpath);
        EXPECT_EQ(f.types[1], PathPointTypeLine);
    }
    ASSERT_EQ(Figures(triangle).size(), 1u);
    EXPECT_EQ(Figures(triangle)[0].points.size(), 3u);
    // Em 100, ascent 80: the ring spans x 10..90 and, from the baseline at 80,
    // y -10..70 (typographic: no padding before the glyph).
    RectF b;
    ring.GetBounds(&b);
    EXPECT_NEAR(b.X, 10.0f, 0.01);
    EXPECT_NEAR(b.Y, -10.0f, 0.01);
    EXPECT_NEAR(b.Width, 80.0f, 0.01);
    EXPECT_NEAR(b.Height, 80.0f, 0.01);
    Rect bi;
    ring.GetBounds(&bi);
    EXPECT_EQ(bi, Rect(10, -10, 80, 80));
}

TEST(GraphicsText, TheFormatPlacesTextAboutItsPointOrInItsRectangle) {
    const FontFamily family = TestFamily();
    RectF b;
    // Centre / centre about (200, 100): the line box (height 100) is centred, so
    // the square of 'B' (units 100..700 of an 800 advance) spans 170..230, 60..120.
    StringFormat centre;
    centre.SetAlignment(StringAlignmentCenter);
    centre.SetLineAlignment(StringAlignmentCenter);
    GraphicsPath c;
    c.AddString(u"B", 1, &family, FontStyleRegular, 100.0f, PointF(200, 100), &centre);
    c.GetBounds(&b);
    EXPECT_NEAR(b.X, 170.0f, 0.01);
    EXPECT_NEAR(b.GetRight(), 230.0f, 0.01);
    EXPECT_NEAR(b.Y, 60.0f, 0.01);
    EXPECT_NEAR(b.GetBottom(), 120.0f, 0.01);
    // Far / far with the default format: a sixth of the em kept free after the text.
    StringFormat far;
    far.SetAlignment(StringAlignmentFar);
    far.SetLineAlignment(StringAlignmentFar);
    GraphicsPath f;
    f.AddString(u"B", 1, &family, FontStyleRegular, 60.0f, PointF(300, 300), &far);
    f.GetBounds(&b);
    EXPECT_NEAR(b.GetRight(), 300.0f - 60.0f / 6.0f - 60.0f * 0.1f, 0.01);
    EXPECT_NEAR(b.GetBottom(), 300.0f - 60.0f * 0.2f - 60.0f * 0.1f, 0.01);
    // Near in a rectangle, two lines: the second a line spacing lower.
    GraphicsPath two;
    two.AddString(u"B\nB", 3, &family, FontStyleRegular, 50.0f, RectF(0, 0, 300, 300),
                  StringFormat::GenericTypographic());
    two.GetBounds(&b);
    EXPECT_NEAR(b.Y, 5.0f, 0.01);
    EXPECT_NEAR(b.GetBottom(), 50.0f + 35.0f, 0.01);
    // Outlines scale with the size (no hinting).
    const FontFamily dejavu(u"DejaVu Sans");
    GraphicsPath small, large;
    small.AddString(u"Ag", 2, &dejavu, FontStyleBold, 20.0f, PointF(0, 0), nullptr);
    large.AddString(u"Ag", 2, &dejavu, FontStyleBold, 40.0f, PointF(0, 0), nullptr);
    RectF bs, bl;
    small.GetBounds(&bs);
    large.GetBounds(&bl);
    EXPECT_NEAR(bl.Height / bs.Height, 2.0f, 0.01);
    EXPECT_NEAR(bl.Width / bs.Width, 2.0f, 0.01);
    // Korean text through the mapped face.
    const FontFamily dotum(u"돋움체");
    GraphicsPath korean;
    korean.AddString(u"풍속", 2, &dotum, FontStyleBold, 20.0f, PointF(0, 0), nullptr);
    EXPECT_GT(korean.GetPointCount(), 20);
}

TEST(GraphicsText, MeasureAndDrawStrings) {
    const FontFamily family = TestFamily();
    const Font font(&family, 60.0f, FontStyleRegular, UnitPixel);
    ASSERT_TRUE(font.IsAvailable());
    Canvas canvas(200, 100, RGB(255, 255, 255));
    RectF box;
    ASSERT_EQ(canvas.Graphics().MeasureString(u"BB", 2, &font, PointF(10, 5), nullptr, &box), Ok);
    EXPECT_NEAR(box.X, 10.0f, 0.01);
    EXPECT_NEAR(box.Width, 2 * 48.0f + 2 * 10.0f, 0.01);
    EXPECT_NEAR(box.Height, 60.0f, 0.01);
    const Font points(&family, 45.0f, FontStyleRegular, UnitPoint);  // 45 pt = 60 px
    EXPECT_NEAR(points.EmPixels(), 60.0f, 0.01);
    SolidBrush blue(Color(255, 0, 0, 255));
    canvas.Graphics().DrawString(u"B", 1, &font, PointF(0, 0), StringFormat::GenericTypographic(), &blue);
    auto snap = canvas.Snap();
    // The square spans x 6..42 and, from the baseline at 48, y 6..42.
    EXPECT_TRUE(snap->Near(24, 24, RGB(0, 0, 255)));
    EXPECT_TRUE(snap->Near(8, 8, RGB(0, 0, 255)));
    EXPECT_TRUE(snap->Near(3, 24, RGB(255, 255, 255)));
    EXPECT_TRUE(snap->Near(45, 24, RGB(255, 255, 255)));
    EXPECT_TRUE(snap->Near(24, 45, RGB(255, 255, 255)));
}
