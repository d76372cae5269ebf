// Face styles and the styled symbol renderer: symbols as drawn, the figure
// walk, one figure's fill and borders, the colour rules and the table's ranges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include "controls/draw_helpers.h"
#include "controls/face_style.h"
#include "tests/controls/control_scene.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/test_font.h"

using namespace gfx;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kFace = 0x4C3F38;  // the button bar's face: every symbol's second colour
constexpr COLORREF kBlue = RGB(0, 0, 255), kGreen = RGB(0, 200, 0);

FontFamily* IconFamily() { return &control_test::SharedFonts().m_iconFamily; }

GraphicsPath Square(int x, int y, int side) {
    GraphicsPath p;
    p.AddRectangle(Rect(x, y, side, side));
    return p;
}

FaceFillEntry Solid(COLORREF colour) {
    FaceFillEntry e;
    e.fillType = kFaceSolid;
    e.byte1 = 255;
    e.colour = colour;
    e.colourEffect = 4;  // the entry's own colour
    return e;
}

// Part k (1..) takes entry k, a solid colour; entry 0 is red, so red anywhere
// means part 0 was drawn.
FaceStyle NumberedStyle() {
    FaceStyle s;
    s.entries[0] = Solid(RGB(255, 0, 0));
    s.partMap[1] = 1;
    s.entries[1] = Solid(kBlue);
    s.partMap[2] = 2;
    s.entries[2] = Solid(kGreen);
    return s;
}

// As the button bar draws a symbol: its colour and the face colour, an outer
// border of 1 in its colour darkened for border type 10.
int DrawButtonSymbol(Graphics* g, FontFamily* family, int code, COLORREF colour, BOOL grey = FALSE) {
    return DrawSymbolShape(family, code, 56.0f, g, 56.0f, 0.0f, 2.0f, 0.0f, colour, kFace, 1, FALSE,
                           ScaleColor(colour, -0.2f), FALSE, FaceStyle{}, grey, FALSE, FALSE, 0.0f, 0.0f, 0.0f);
}

int DrawOwnStyle(Graphics* g, FontFamily* family, int code, float size, const FaceStyle& style) {
    return DrawSymbolShape(family, code, size, g, size, 5.0f, 5.0f, 0.0f, 0, 0, 0, FALSE, 0, TRUE, style, FALSE,
                           FALSE, FALSE, 0.0f, 0.0f, 0.0f);
}

// Where DrawSymbolShape puts a glyph's outline (no turn, no shift).
RectF GlyphBounds(FontFamily* family, int code, float size, float x, float y) {
    StringFormat format;
    GraphicsPath path;
    const WCHAR text[1] = {WCHAR(code)};
    path.AddString(text, 1, family, FontStyleRegular, size - 1.0f, RectF(x, y, 0, 0), &format);
    RectF b;
    path.GetBounds(&b);
    return b;
}

int R(double v) { return int(std::lround(v)); }

bool IsGreyish(COLORREF c, int tolerance) {
    const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    return std::max({r, g, b}) - std::min({r, g, b}) <= tolerance;
}

::testing::AssertionResult Untouched(const Snapshot& snap, COLORREF background) {
    for (int y = 0; y < snap.Image().height(); ++y)
        for (int x = 0; x < snap.Image().width(); ++x)
            if (snap.Pixel(x, y) != background) return ::testing::AssertionFailure() << "drawn at " << x << "," << y;
    return ::testing::AssertionSuccess();
}

// The test font (square ring at 16 and 'O', triangle at 18) in a collection.
struct TestFontFamily {
    TestFontFamily() {
        const std::vector<unsigned char> bytes = MakeTestFont("Face Style Test", StandardTestGlyphs());
        collection.AddMemoryFont(bytes.data(), int(bytes.size()));
        int found = 0;
        collection.GetFamilies(1, &family, &found);
    }
    PrivateFontCollection collection;
    FontFamily family;
};

}  // namespace

// ---------------------------------------------------------------------------
// Symbols as the button bar draws them

TEST(StyledSymbols, ButtonSymbolsAt56PixelsShowTheirShadedParts) {
    // Written out on every run, to be looked at:
    // <build>/test-images/StyledSymbols.ButtonSymbolsAt56PixelsShowTheirShadedParts-<code>-<name>.png
    Canvas camera(72, 64, kFace), gear(72, 64, kWhite), power(72, 64, kFace);
    ASSERT_EQ(DrawButtonSymbol(&camera.Graphics(), IconFamily(), 16, 0xC0C0C0), 12);
    ASSERT_EQ(DrawButtonSymbol(&gear.Graphics(), IconFamily(), 18, 0xE68C6E), 6);
    ASSERT_EQ(DrawButtonSymbol(&power.Graphics(), IconFamily(), 100, 0x0000FF), 3);
    SaveTestImage(camera.Image(), "16-camera");
    SaveTestImage(gear.Image(), "18-gear");
    SaveTestImage(power.Image(), "100-power");

    // Camera: the glyph spans x 50..950, y -120..700 (units, y up); the lens
    // at (500, 215) shows blue glass inside a dark barrel; the body is grey.
    {
        const RectF b = GlyphBounds(IconFamily(), 16, 56.0f, 0, 2);
        auto snap = camera.Snap("camera");
        auto at = [&](double gx, double gy) {
            return snap->Pixel(R(b.X + (gx - 50) / 900.0 * b.Width), R(b.Y + (700 - gy) / 820.0 * b.Height));
        };
        const COLORREF glass = at(500, 215), barrel = at(678, 215), body = at(110, 0);
        EXPECT_GT(GetBValue(glass), GetRValue(glass) + 60) << std::hex << glass;
        EXPECT_LT(std::max({GetRValue(barrel), GetGValue(barrel), GetBValue(barrel)}), 60) << std::hex << barrel;
        EXPECT_TRUE(IsGreyish(body, 8) && GetGValue(body) > 100) << std::hex << body;
    }
    // Gear: the centre hole shows the face colour, the hub ring the symbol's
    // blue; the grey gear is lit from the top.
    {
        const RectF b = GlyphBounds(IconFamily(), 18, 56.0f, 0, 2);
        const int cx = R(b.X + b.Width / 2), cy = R(b.Y + b.Height / 2);
        const double unit = b.Width / 920.0;  // the tips span 2 x 460 units
        auto snap = gear.Snap("gear");
        EXPECT_TRUE(snap->Near(cx, cy, kFace, 4));
        const COLORREF hub = snap->Pixel(cx, R(cy - 215 * unit));
        EXPECT_GT(GetBValue(hub), GetRValue(hub) + 40) << std::hex << hub;
        const COLORREF top = snap->Pixel(cx, R(cy - 390 * unit)), bottom = snap->Pixel(cx, R(cy + 390 * unit));
        EXPECT_TRUE(IsGreyish(top, 6) && IsGreyish(bottom, 6)) << std::hex << top << " " << bottom;
        EXPECT_GT(GetGValue(top), GetGValue(bottom) + 20);
        EXPECT_GT(GetGValue(bottom), 150);
    }
    // Power ("EXIT", 0x0000FF): record 100 shades the disc from the red rim to
    // white (red brightened by 100.5) in the middle, under the white sign.
    {
        const RectF disc = GlyphBounds(IconFamily(), 100, 56.0f, 0, 2);
        const double cx = disc.X + disc.Width / 2, cy = disc.Y + disc.Height / 2, r = disc.Width / 2;
        auto snap = power.Snap("power");
        auto polar = [&](double share, double degrees) {
            const double a = degrees * M_PI / 180.0;
            return snap->Pixel(R(cx + share * r * std::cos(a)), R(cy + share * r * std::sin(a)));
        };
        for (double degrees : {0.0, 135.0, 200.0, 315.0}) {
            const COLORREF rim = polar(0.86, degrees);
            EXPECT_TRUE(GetRValue(rim) > 220 && GetGValue(rim) < 90 && GetGValue(rim) == GetBValue(rim))
                << degrees << " " << std::hex << rim;
        }
        const COLORREF pink = polar(0.72, 315.0);  // half way into the gradient
        EXPECT_TRUE(GetRValue(pink) > 240 && GetGValue(pink) > 60 && GetGValue(pink) < 200) << std::hex << pink;
        EXPECT_TRUE(snap->Near(R(cx), R(cy), kWhite, 12));
        EXPECT_TRUE(snap->Near(R(cx), R(disc.Y - 3), kFace, 2));
    }
}

TEST(StyledSymbols, GreySymbolsLoseTheirColourButKeepTheirShading) {
    Canvas canvas(72, 64, kWhite);
    ASSERT_EQ(DrawButtonSymbol(&canvas.Graphics(), IconFamily(), 100, 0x0000FF, TRUE), 3);
    const RectF disc = GlyphBounds(IconFamily(), 100, 56.0f, 0, 2);
    auto snap = canvas.Snap();
    std::set<int> levels;
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x) {
            ASSERT_TRUE(IsGreyish(snap->Pixel(x, y), 1)) << x << "," << y;
            if (disc.Contains(float(x), float(y))) levels.insert(GetRValue(snap->Pixel(x, y)));
        }
    EXPECT_GT(levels.size(), 20u);  // still a gradient
    // LumaGray tops out at 200: the white middle becomes light grey.
    EXPECT_TRUE(snap->Near(R(disc.X + disc.Width / 2), R(disc.Y + disc.Height / 2), RGB(200, 200, 200), 6));
}

// ---------------------------------------------------------------------------
// The figure walk

TEST(FigureWalk, EachIconGlyphHasTheFiguresItsFaceStyleNumbers) {
    // The result is the number after the last figure: figures + 1; each of
    // those parts lands on an entry of its record that draws.
    const struct {
        int code, figures;
    } glyphs[] = {{16, 11}, {18, 5}, {100, 2}, {0x76, 1}};
    Canvas canvas(72, 64, kWhite);
    for (const auto& glyph : glyphs) {
        EXPECT_EQ(DrawButtonSymbol(&canvas.Graphics(), IconFamily(), glyph.code, kGreen), glyph.figures + 1)
            << glyph.code;
        for (int part = 1; part <= glyph.figures; ++part) {
            const FaceFillEntry* e = StyledEntryForPart(FaceStyleTable[size_t(glyph.code)], part);
            ASSERT_NE(e, nullptr);
            EXPECT_NE(e->fillType, kFaceNone) << glyph.code << " part " << part;
        }
    }
}

TEST(FigureWalk, FiguresAreNumberedFromOneClosedAndFilledOneByOne) {
    // Power sign: part 1 the disc (blue), part 2 the sign (green); entry 0 (red)
    // never shows.
    {
        Canvas canvas(72, 64, kWhite);
        EXPECT_EQ(DrawOwnStyle(&canvas.Graphics(), IconFamily(), 100, 56.0f, NumberedStyle()), 3);
        const RectF disc = GlyphBounds(IconFamily(), 100, 56.0f, 5, 5);
        auto snap = canvas.Snap("power");
        EXPECT_TRUE(snap->Near(R(disc.X + disc.Width / 2), R(disc.Y + disc.Height / 2), kGreen, 2));
        EXPECT_TRUE(snap->Near(R(disc.X + disc.Width / 2), R(disc.GetBottom() - 3), kBlue, 2));
        for (int y = 0; y < canvas.Height(); ++y)
            for (int x = 0; x < canvas.Width(); ++x)
                ASSERT_FALSE(GetRValue(snap->Pixel(x, y)) > 128 && GetGValue(snap->Pixel(x, y)) < 100) << x << "," << y;
    }
    // The test font's triangle has straight edges only: its last point carries
    // the close flag, so the walk adds the last edge and the closing one. Its
    // square ring is two figures: the outer square, then the hole.
    TestFontFamily font;
    {
        Canvas canvas(80, 80, kWhite);
        EXPECT_EQ(DrawOwnStyle(&canvas.Graphics(), &font.family, 18, 61.0f, NumberedStyle()), 2);
        const RectF b = GlyphBounds(&font.family, 18, 61.0f, 5, 5);
        auto snap = canvas.Snap("triangle");
        for (double share : {0.2, 0.5, 0.8})
            EXPECT_TRUE(snap->Near(R(b.X + b.Width * share), R(b.GetBottom() - 3), kBlue, 2)) << share;
        EXPECT_TRUE(snap->Near(R(b.X + 2), R(b.Y + 2), kWhite, 2));
    }
    {
        Canvas canvas(80, 80, kWhite);
        EXPECT_EQ(DrawOwnStyle(&canvas.Graphics(), &font.family, 16, 61.0f, NumberedStyle()), 3);
        const RectF b = GlyphBounds(&font.family, 16, 61.0f, 5, 5);
        auto snap = canvas.Snap("ring");
        EXPECT_TRUE(snap->Near(R(b.X + b.Width / 2), R(b.Y + b.Height / 2), kGreen, 2));
        EXPECT_TRUE(snap->Near(R(b.X + 4), R(b.Y + b.Height / 2), kBlue, 2));
    }
}

TEST(FigureWalk, CodesWithoutAnOutlineOrOutsideTheTableDrawNothingAndResetTheTransform) {
    Canvas canvas(72, 64, kWhite);
    Graphics& g = canvas.Graphics();
    const Matrix before(1, 0, 0, 1, 5, 7);
    auto expectNothing = [&](FontFamily* family, int code) {
        g.SetTransform(&before);
        EXPECT_EQ(DrawButtonSymbol(&g, family, code, kBlue), 0) << code;
        Matrix after;
        g.GetTransform(&after);
        EXPECT_TRUE(after.IsIdentity()) << code;
    };
    for (int code : {17, 0, -1, 512, 600, 0x10000, -100000}) expectNothing(IconFamily(), code);
    FontFamily empty;
    expectNothing(&empty, 100);
    expectNothing(nullptr, 100);
    EXPECT_TRUE(Untouched(*canvas.Snap(), kWhite));
    // With its own style a code is a character, not a record number.
    TestFontFamily font;
    EXPECT_EQ(DrawOwnStyle(&g, &font.family, u'O', 40.0f, NumberedStyle()), 3);
    EXPECT_EQ(DrawOwnStyle(&g, &font.family, 0x10000 + u'O', 40.0f, NumberedStyle()), 0);
}

TEST(FigureWalk, CharactersTheFamilyLacksDrawNothingInsteadOfAnotherFontsLetter) {
    // The icon font maps only its symbols: a letter or a lone surrogate must not
    // come out as a shaded letter from a fallback font.
    Canvas canvas(72, 64, kWhite);
    Graphics& g = canvas.Graphics();
    for (int code : {0x20, int('A'), 65 + 32, 0x20AC, 0xD800, 0xDFFF})
        EXPECT_EQ(DrawButtonSymbol(&g, IconFamily(), code, kBlue), 0) << code;
    TestFontFamily font;
    EXPECT_EQ(DrawOwnStyle(&g, &font.family, 'A', 40.0f, NumberedStyle()), 0);
    EXPECT_EQ(DrawOwnStyle(&g, &font.family, 0xD83D, 40.0f, NumberedStyle()), 0);
    EXPECT_TRUE(Untouched(*canvas.Snap(), kWhite));
    // What the families have still draws.
    EXPECT_EQ(DrawOwnStyle(&g, &font.family, 'B', 40.0f, NumberedStyle()), 2);
    EXPECT_GT(DrawButtonSymbol(&g, IconFamily(), 0x76, kBlue), 0);
}

// ---------------------------------------------------------------------------
// One figure

TEST(FillStyledPath, FillTypeZeroOrARefusedPartDrawsNothingAndLeavesTheTransform) {
    Canvas canvas(64, 64, kWhite);
    Graphics& g = canvas.Graphics();
    Matrix turned;
    turned.Translate(3, 4);
    turned.Rotate(10);
    g.SetTransform(&turned);
    GraphicsPath square = Square(10, 10, 40);
    FaceStyle style;  // every entry of fill type 0, even with an outer border asked for
    FillStyledPath(&g, &square, 1, style, kBlue, kFace, 4, TRUE, kGreen, FALSE, 56, 56, 0, PointF(), 0, 0);
    // Part-map values outside 0..19 are refused, not used as indexes.
    style.entries[0] = Solid(RGB(255, 0, 0));
    style.partMap[2] = 20;
    style.partMap[3] = -1;
    style.partMap[4] = 127;
    for (int part : {2, 3, 4})
        FillStyledPath(&g, &square, part, style, kBlue, kFace, 4, TRUE, kGreen, FALSE, 56, 56, 0, PointF(), 0, 0);
    Matrix after;
    g.GetTransform(&after);
    EXPECT_TRUE(after == turned);
    EXPECT_TRUE(Untouched(*canvas.Snap(), kWhite));
}

TEST(FillStyledPath, PartsBeyondTheMapUseEntryZeroAndTheTransformIsRestored) {
    FaceStyle style;
    style.entries[0] = Solid(kGreen);
    style.entries[3] = Solid(kBlue);
    style.entries[3].angle = 30.0f;  // a turned fill turns nothing after it
    for (signed char& m : style.partMap) m = 3;
    const struct {
        int part;
        COLORREF expected;
    } rows[] = {{1, kBlue}, {49, kBlue}, {50, kGreen}, {-1, kGreen}, {1000, kGreen}};
    for (const auto& row : rows) {
        Canvas canvas(64, 64, kWhite);
        GraphicsPath square = Square(10, 10, 40);
        FillStyledPath(&canvas.Graphics(), &square, row.part, style, 0, 0, 0, FALSE, 0, FALSE, 56, 56, 0, PointF(),
                       2, 3);
        Matrix after;
        canvas.Graphics().GetTransform(&after);
        EXPECT_TRUE(after.IsIdentity()) << row.part;
        auto snap = canvas.Snap("part" + std::to_string(row.part));
        EXPECT_TRUE(snap->Near(32, 33, row.expected)) << row.part;  // moved by (2, 3)
        EXPECT_TRUE(snap->Near(3, 3, kWhite)) << row.part;
    }
}

TEST(FillStyledPath, BorderOnlyEntriesDrawBordersAndGreyLeavesTheInnerBorderAlone) {
    // Outer border 4 wide (pixels 18..21 of the left edge at x = 20), inner
    // border 1 wide on the edge (pixel 20), fill (types 10) or none (1, 2).
    const COLORREF colour1 = RGB(100, 50, 0), border = RGB(0, 100, 200);
    const struct {
        BYTE type;
        BOOL grey;
        COLORREF fill, outer;
    } rows[] = {
        {kFaceBordersOnly, FALSE, kWhite, RGB(15, 150, 255)},  // ScaleColor(border, 0.5)
        {kFaceBordersOnly2, FALSE, kWhite, RGB(15, 150, 255)},
        {kFaceSolid, FALSE, colour1, RGB(15, 150, 255)},
        {kFaceSolid, TRUE, RGB(60, 60, 60), RGB(121, 121, 121)},  // LumaGray of both
    };
    for (const auto& row : rows) {
        FaceStyle style;
        style.entries[0] = Solid(RGB(200, 100, 40));
        style.entries[0].fillType = row.type;
        style.entries[0].colourEffect = 5;  // primary: colour1
        style.entries[0].borderColourType = 10;
        style.entries[0].innerBorderWidth = 1;
        Canvas canvas(80, 80, kWhite);
        GraphicsPath square = Square(20, 20, 40);
        FillStyledPath(&canvas.Graphics(), &square, 0, style, colour1, kFace, 4, FALSE, border, row.grey, 56, 56, 0,
                       PointF(), 0, 0);
        auto snap = canvas.Snap("type" + std::to_string(row.type) + (row.grey ? "-grey" : ""));
        EXPECT_TRUE(snap->Near(40, 40, row.fill)) << int(row.type) << " " << row.grey;
        EXPECT_TRUE(snap->Near(19, 40, row.outer, 1)) << int(row.type) << " " << row.grey;
        EXPECT_TRUE(snap->Near(21, 40, row.outer, 1)) << int(row.type) << " " << row.grey;
        EXPECT_TRUE(snap->Near(20, 40, RGB(180, 90, 36), 1)) << int(row.type);  // ScaleColor(entry, -0.1), never grey
    }
}

TEST(FillStyledPath, SolidFillsPaintTheEffectsPrimaryColourAtAlphaByte1) {
    const COLORREF colour1 = RGB(100, 50, 0);
    const struct {
        signed char effect;
        BYTE alpha;
        COLORREF expected;
    } rows[] = {
        {7, 255, RGB(155, 205, 255)}, {55, 255, RGB(150, 75, 15)}, {2, 255, kFace}, {5, 128, RGB(177, 152, 127)}};
    for (const auto& row : rows) {
        FaceStyle style;
        style.entries[0] = Solid(0);
        style.entries[0].colourEffect = row.effect;
        style.entries[0].factor = 0.5f;
        style.entries[0].byte1 = row.alpha;
        Canvas canvas(64, 64, kWhite);
        GraphicsPath square = Square(10, 10, 40);
        FillStyledPath(&canvas.Graphics(), &square, 0, style, colour1, kFace, 0, FALSE, 0, FALSE, 56, 56, 0, PointF(),
                       0, 0);
        auto snap = canvas.Snap("effect" + std::to_string(row.effect));
        EXPECT_TRUE(snap->Near(30, 30, row.expected, 2)) << int(row.effect);
        EXPECT_TRUE(snap->Near(5, 5, kWhite)) << int(row.effect);
    }
}

// ---------------------------------------------------------------------------
// Colour rules

TEST(FaceColours, EachEffectGivesItsPairExchangedFrom50AndGreyOnRequest) {
    // colour1 (100, 50, 0), colour2 (20, 40, 60), entry colour (200, 100, 40),
    // factor 0.5, factor2 1.0: S = ScaleColor(colour1, 0.5) = (150, 75, 15), a
    // channel of 0 counting as 10.
    const COLORREF c1 = RGB(100, 50, 0), c2 = RGB(20, 40, 60), ce = RGB(200, 100, 40), s = RGB(150, 75, 15);
    const struct {
        int effect;
        float factor;
        COLORREF p, q;
    } rows[] = {
        {1, 0.5f, s, RGB(225, 112, 22)},   {2, 0.5f, c2, c2},
        {3, 0.5f, RGB(40, 80, 120), s},    {4, 0.5f, ce, RGB(255, 150, 60)},
        {5, 0.5f, c1, s},                  {6, 30.7f, c1, RGB(130, 80, 30)},
        {7, 0.5f, RGB(155, 205, 255), s},  {8, 0.5f, RGB(50, 50, 50), s},
        {0, 0.5f, c1, s},                  {49, 0.5f, c1, s},
        {-54, 0.5f, c1, s},                {50, 0.5f, s, c1},
        {51, 0.5f, RGB(225, 112, 22), s},  {54, 0.5f, RGB(255, 150, 60), ce},
        {55, 0.5f, s, c1},                 {100, 0.5f, s, c1},
    };
    for (const auto& row : rows) {
        FaceFillEntry e;
        e.colour = ce;
        e.colourEffect = static_cast<signed char>(row.effect);
        e.factor = row.factor;
        e.factor2 = 1.0f;
        const FaceColours got = StyledFillColours(e, c1, c2, FALSE);
        EXPECT_EQ(got.primary, row.p) << "effect " << row.effect << std::hex << " got " << got.primary;
        EXPECT_EQ(got.secondary, row.q) << "effect " << row.effect << std::hex << " got " << got.secondary;
    }
    FaceFillEntry e;
    e.colourEffect = 1;
    e.factor = 0.5f;
    const FaceColours grey = StyledFillColours(e, c1, c2, TRUE);
    EXPECT_EQ(grey.primary, RGB(91, 91, 91));       // 0.3 R + 0.59 G + 0.11 B, rounded
    EXPECT_EQ(grey.secondary, RGB(136, 136, 136));
    e.colourEffect = 2;
    EXPECT_EQ(StyledFillColours(e, c1, kWhite, TRUE).primary, RGB(200, 200, 200));  // at most 200

    // The outer border by border colour type, explicit colour and grey.
    const COLORREF border = RGB(0, 100, 200);
    const struct {
        int type;
        BOOL explicitBorder, grey;
        COLORREF expected;
    } borders[] = {
        {0, FALSE, FALSE, RGB(135, 67, 13)}, {10, FALSE, FALSE, RGB(15, 150, 255)},
        {11, FALSE, FALSE, RGB(20, 200, 255)}, {5, FALSE, FALSE, RGB(135, 67, 13)},
        {10, TRUE, FALSE, border}, {0, FALSE, TRUE, RGB(81, 81, 81)}, {10, TRUE, TRUE, RGB(81, 81, 81)},
    };
    for (const auto& row : borders) {
        FaceFillEntry b;
        b.borderColourType = static_cast<signed char>(row.type);
        EXPECT_EQ(StyledOuterBorderColour(b, s, row.explicitBorder, border, row.grey), row.expected)
            << row.type << " " << row.explicitBorder << " " << row.grey;
    }
}

// ---------------------------------------------------------------------------
// The table

TEST(FaceStyleTable, RecordsKeepToTheRangesTheRendererIsBuiltFor) {
    std::set<int> fillTypes, effects, borderTypes, innerWidths;
    int highestMapValue = 0;
    for (int n = 0; n < kFaceStyleCount; ++n) {
        const FaceStyle& style = FaceStyleTable[size_t(n)];
        bool draws = false;
        for (const FaceFillEntry& e : style.entries) {
            fillTypes.insert(e.fillType);
            if (e.fillType == 0) continue;
            draws = true;
            effects.insert(e.colourEffect);
            borderTypes.insert(e.borderColourType);
            innerWidths.insert(e.innerBorderWidth);
        }
        EXPECT_EQ(draws, n < 338) << "record " << n;
        for (int k = 0; k < FaceStyle::kParts; ++k) {
            ASSERT_TRUE(style.partMap[k] >= 0 && style.partMap[k] <= 14) << "record " << n << " part " << k;
            highestMapValue = std::max<int>(highestMapValue, style.partMap[k]);
        }
    }
    EXPECT_EQ(fillTypes, (std::set<int>{0, 1, 2, 10, 20, 30, 31, 32, 33, 40, 41, 42, 43, 50, 51}));
    EXPECT_EQ(effects, (std::set<int>{0, 1, 2, 3, 4, 5, 50, 55}));
    EXPECT_EQ(borderTypes, (std::set<int>{0, 10}));
    EXPECT_EQ(innerWidths, (std::set<int>{0, 1}));
    EXPECT_EQ(highestMapValue, 14);
    // The rows that show the rarer fill types.
    EXPECT_EQ(FaceStyleTable[41].entries[1].fillType, 30);
    EXPECT_EQ(FaceStyleTable[129].entries[0].fillType, 31);
    EXPECT_EQ(FaceStyleTable[274].entries[4].fillType, 32);
    EXPECT_EQ(FaceStyleTable[274].entries[2].fillType, 33);
    EXPECT_EQ(FaceStyleTable[66].entries[1].fillType, 50);
    EXPECT_EQ(FaceStyleTable[62].entries[2].fillType, 51);
}
