// Path builders and gradient fills of the display controls, on the numbers
// their rules state and by the pixels they draw.
#include <gtest/gtest.h>

#include <cmath>

#include "controls/draw_helpers.h"
#include "controls/path_helpers.h"
#include "platform/graphics/graphics.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/test_font.h"

using namespace gfx;
namespace geo = fill_geometry;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

GraphicsPath Box(REAL x, REAL y, REAL w, REAL h) {
    GraphicsPath p;
    p.AddRectangle(RectF(x, y, w, h));
    return p;
}

StringFormat Centred() {
    StringFormat f;
    f.SetAlignment(StringAlignmentCenter);
    f.SetLineAlignment(StringAlignmentCenter);
    return f;
}

}  // namespace

// ---------------------------------------------------------------------------
// Path builders

TEST(RoundRectPath, ArcsEdgesAndAFigureThatEndsWhereItBegins) {
    GraphicsPath path;
    AddRoundRectPath(5, &path, 0, 0, 40, 20);
    PathData data;
    path.GetPathData(&data);
    ASSERT_GT(data.Count, 8);
    EXPECT_EQ(data.Points.front(), PointF(5, 0));
    EXPECT_NEAR(data.Points.back().X, 5.0f, 1e-4);
    EXPECT_NEAR(data.Points.back().Y, 0.0f, 1e-4);
    for (BYTE t : data.Types) EXPECT_FALSE(t & PathPointTypeCloseSubpath);  // left open
    Rect bounds;
    path.GetBounds(&bounds);
    EXPECT_EQ(bounds, Rect(0, 0, 40, 20));
    // Every arc point lies on its corner's circle, e.g. the top-right one about (35, 5).
    int onCorner = 0;
    for (INT i = 0; i < data.Count; ++i) {
        const PointF p = data.Points[size_t(i)];
        if ((data.Types[size_t(i)] & PathPointTypePathTypeMask) != PathPointTypeBezier) continue;
        if (p.X > 35 && p.Y < 5) {
            ++onCorner;
            // Bezier control points sit slightly outside; end points on it.
            EXPECT_NEAR(std::hypot(p.X - 35, p.Y - 5), 5.0, 0.75);
        }
    }
    EXPECT_GE(onCorner, 2);
    Canvas canvas(44, 24, kWhite);
    SolidBrush black(Color(255, 0, 0, 0));
    canvas.Graphics().FillPath(&black, &path);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(0, 0, kWhite));
    EXPECT_TRUE(snap->Near(1, 1, kWhite, 3));
    EXPECT_TRUE(snap->Near(3, 3, kBlack, 30));
    EXPECT_TRUE(snap->Near(20, 10, kBlack));
    EXPECT_TRUE(snap->Near(39, 19, kWhite, 100));

    GraphicsPath square;
    AddRoundRectPath(0, &square, 2, 3, 12, 8);
    PathData s;
    square.GetPathData(&s);
    ASSERT_EQ(s.Count, 5);  // a plain rectangle outline
    const PointF corners[5] = {PointF(2, 3), PointF(12, 3), PointF(12, 8), PointF(2, 8), PointF(2, 3)};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(s.Points[size_t(i)], corners[i]) << i;
}

TEST(FittedText, KeepsTheMarginsAndStopsAtTheFloor) {
    const StringFormat centred = Centred();
    // Fits already: the start size comes back unchanged.
    EXPECT_EQ(FitTextSize(FontStyleBold, &centred, 0, 0, 400, 100, u"ZEL", u"DejaVu Sans", 20.0f, PointF(200, 50)),
              20.0f);
    // Too wide for its left margin: the first size that keeps half of itself free.
    const float fitted =
        FitTextSize(FontStyleBold, &centred, 0, 0, 200, 100, u"Stack monitoring", u"DejaVu Sans", 40.0f, PointF(100, 50));
    EXPECT_LT(fitted, 40.0f);
    EXPECT_GT(fitted, 4.0f);
    const FontFamily family(u"DejaVu Sans");
    auto left = [&](float size) {
        GraphicsPath p;
        p.AddString(u"Stack monitoring", -1, &family, FontStyleBold, size, PointF(100, 50), &centred);
        Rect b;
        p.GetBounds(&b);
        return b.X;
    };
    EXPECT_GE(float(left(fitted)), fitted * 0.5f);
    EXPECT_LT(float(left(fitted + 0.1f)), (fitted + 0.1f) * 0.5f);
    // The top margin is a tenth of the size.
    const float low = FitTextSize(FontStyleBold, &centred, 0, 40, 400, 100, u"ZEL", u"DejaVu Sans", 30.0f, PointF(200, 50));
    GraphicsPath p;
    p.AddString(u"ZEL", -1, &family, FontStyleBold, low, PointF(200, 50), &centred);
    Rect b;
    p.GetBounds(&b);
    EXPECT_GE(float(b.Y), low / 10.0f + 40.0f);
    // Never fits (no such family: an empty outline at 0, 0): the first size at or
    // below 4.0 on the way down in steps of 0.1.
    const float floor = FitTextSize(FontStyleBold, &centred, 0, 0, 200, 100, u"x", u"No Such Face", 30.0f, PointF(100, 50));
    EXPECT_LE(floor, 4.0f);
    EXPECT_GT(floor, 4.0f - 0.1f - 1e-3f);
    // A size the step cannot lower ends the search instead of running forever.
    EXPECT_EQ(FitTextSize(FontStyleBold, &centred, 0, 0, 200, 100, u"x", u"No Such Face", 1e20f, PointF(0, 0)), 1e20f);
}

TEST(FittedText, TheSecondTextShrinksWithTheFirst) {
    const StringFormat centred = Centred();
    GraphicsPath one, two;
    AddFittedTextPath(&one, FontStyleBold, 0, 0, 160, 80, u"Wind", u"DejaVu Sans", 60.0f, PointF(80, 30), &centred,
                      u"", PointF());
    AddFittedTextPath(&two, FontStyleBold, 0, 0, 160, 80, u"Wind", u"DejaVu Sans", 60.0f, PointF(80, 30), &centred,
                      u"m/s", PointF(20, 60));
    EXPECT_GT(two.GetPointCount(), one.GetPointCount());
    Rect b;
    two.GetBounds(&b);
    // The second text on the left decides the size: the whole keeps the margin.
    RectF f;
    two.GetBounds(&f);
    EXPECT_GE(f.X + 0.5f, 0.0f);
    // The path is reset first.
    AddFittedTextPath(&two, FontStyleBold, 0, 0, 160, 80, u"Wind", u"DejaVu Sans", 60.0f, PointF(80, 30), &centred,
                      u"", PointF());
    EXPECT_EQ(two.GetPointCount(), one.GetPointCount());
}

TEST(EdgeLinesAndShapeTransform, BevelSidesAndTurnsAboutTheSquare) {
    Canvas canvas(20, 16, RGB(128, 128, 128));
    canvas.Graphics().SetSmoothingMode(SmoothingModeNone);
    DrawEdgeLines(&canvas.Graphics(), kWhite, 2, 2, 17, 12, kBlack);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(2, 7, kWhite));
    EXPECT_TRUE(snap->Near(9, 2, kWhite));
    EXPECT_TRUE(snap->Near(17, 7, kBlack));
    EXPECT_TRUE(snap->Near(9, 12, kBlack));
    EXPECT_TRUE(snap->Near(9, 7, RGB(128, 128, 128)));

    auto mapped = [](BOOL mirror, float angle, BOOL turnOver, PointF p) {
        Canvas c(4, 4);
        SetShapeTransform(&c.Graphics(), mirror, 20, 10, 10, 10, angle, turnOver);  // square 20, centre (20, 20)
        Matrix m;
        c.Graphics().GetTransform(&m);
        m.TransformPoints(&p);
        return p;
    };
    auto near = [](PointF a, PointF b) { return std::abs(a.X - b.X) < 1e-3 && std::abs(a.Y - b.Y) < 1e-3; };
    EXPECT_TRUE(near(mapped(FALSE, 0, FALSE, PointF(10, 10)), PointF(10, 10)));
    EXPECT_TRUE(near(mapped(FALSE, 90, FALSE, PointF(10, 10)), PointF(30, 10)));
    EXPECT_TRUE(near(mapped(TRUE, 0, FALSE, PointF(10, 10)), PointF(10, 30)));
    EXPECT_TRUE(near(mapped(FALSE, 0, TRUE, PointF(10, 10)), PointF(30, 10)));   // turned over: left and right swap
    // A negative angle flips before it turns: -90 mirrors about the square's diagonal.
    EXPECT_TRUE(near(mapped(FALSE, -90, FALSE, PointF(10, 10)), PointF(10, 10)));
    EXPECT_TRUE(near(mapped(FALSE, -90, FALSE, PointF(30, 10)), PointF(10, 30)));
}

// ---------------------------------------------------------------------------
// Fill geometry

TEST(GlowGeometry, FactorsByShapeAndBoundsFromTheFirstPoint) {
    const auto square = geo::Glow(Box(0, 0, 50, 55));
    EXPECT_FLOAT_EQ(square.sx, 1.8f);
    EXPECT_FLOAT_EQ(square.sy, 1.8f);
    const auto wide = geo::Glow(Box(0, 0, 100, 20));
    EXPECT_FLOAT_EQ(wide.sx, 1.5f);
    EXPECT_FLOAT_EQ(wide.sy, 1.8f);
    EXPECT_FLOAT_EQ(wide.centre.X, 50.0f);
    EXPECT_FLOAT_EQ(wide.centre.Y, 10.0f);
    const auto tall = geo::Glow(Box(0, 0, 20, 100));
    EXPECT_FLOAT_EQ(tall.sx, 1.8f);
    EXPECT_FLOAT_EQ(tall.sy, 1.5f);
    // Shapes at negative and at far coordinates are measured where they are.
    const auto negative = geo::Glow(Box(-300, -80, 100, 20));
    EXPECT_FLOAT_EQ(negative.centre.X, -250.0f);
    EXPECT_FLOAT_EQ(negative.centre.Y, -70.0f);
    EXPECT_FLOAT_EQ(negative.sx, 1.5f);
    const auto far = geo::Glow(Box(20000, 30000, 20, 100));
    EXPECT_FLOAT_EQ(far.centre.X, 20010.0f);
    EXPECT_FLOAT_EQ(far.centre.Y, 30050.0f);
    EXPECT_FLOAT_EQ(far.sy, 1.5f);
    EXPECT_FALSE(geo::Glow(GraphicsPath()).valid);
}

TEST(GlowGeometry, InnerAndSoftGlowsAndTheirEdgeCases) {
    const auto inner = geo::InnerGlow(Box(10, 20, 100, 50), 10.0f);
    EXPECT_FLOAT_EQ(inner.sx, 1.1f);
    EXPECT_FLOAT_EQ(inner.sy, 1.2f);
    EXPECT_FLOAT_EQ(inner.centre.X, 60.0f);
    EXPECT_FLOAT_EQ(inner.centre.Y, 45.0f);
    // A flat shape: no division by its zero height.
    GraphicsPath line;
    line.AddLine(0.0f, 5.0f, 40.0f, 5.0f);
    const auto flat = geo::InnerGlow(line, 10.0f);
    EXPECT_TRUE(flat.valid);
    EXPECT_FLOAT_EQ(flat.sx, 1.25f);
    EXPECT_FLOAT_EQ(flat.sy, 1.0f);

    const auto soft = geo::SoftGlow(Box(0, 0, 100, 50), 1.5f);
    EXPECT_TRUE(soft.valid);
    EXPECT_FLOAT_EQ(soft.sy, 1.5f);
    EXPECT_NEAR(soft.sx, 1.3f, 1e-5);
    const auto softTall = geo::SoftGlow(Box(0, 0, 50, 100), 1.5f);
    EXPECT_FLOAT_EQ(softTall.sx, 1.5f);
    EXPECT_NEAR(softTall.sy, 1.3f, 1e-5);
    // Searches that could never succeed end, and then there is no glow.
    GraphicsPath dot;
    dot.AddLine(5.0f, 5.0f, 5.0f, 5.0f);
    EXPECT_FALSE(geo::SoftGlow(dot, 1.5f).valid);
    EXPECT_FALSE(geo::SoftGlow(Box(0, 0, 100, 50), 1e9f).valid);
    EXPECT_FALSE(geo::SoftGlow(Box(0, 0, 100, 50), std::nanf("")).valid);
}

TEST(ShineGeometry, InsetsByWidthAndHalfAndQuarterBoxes) {
    EXPECT_EQ(geo::ShineEllipse(0, 0, 64, 30), Rect(1, 1, 61, 27));  // two pixels off right and bottom
    EXPECT_EQ(geo::ShineEllipse(0, 0, 65, 30), Rect(1, 1, 63, 28));  // one pixel
    EXPECT_EQ(geo::ShineEllipse(10, 5, 74, 35), Rect(11, 6, 61, 27));
    EXPECT_EQ(geo::ClippedShineEllipse(0, 10, 20, 40, 60), Rect(10, 20, 60, 40));
    EXPECT_EQ(geo::ClippedShineEllipse(1, 10, 20, 40, 60), Rect(10, 20, 30, 80));
    EXPECT_EQ(geo::ClippedShineEllipse(2, 10, 20, 40, 60), Rect(-20, 20, 60, 40));
    EXPECT_EQ(geo::ClippedShineEllipse(3, 10, 20, 40, 60), Rect(10, -20, 30, 80));
    EXPECT_EQ(geo::ClippedShineEllipse(4, 10, 20, 40, 60), Rect(10, 20, 30, 40));
    EXPECT_EQ(geo::QuarterShineEllipse(0, 10, 20, 40, 60), Rect(10, 20, 60, 80));
    EXPECT_EQ(geo::QuarterShineEllipse(1, 10, 20, 40, 60), Rect(-20, 20, 60, 80));
    EXPECT_EQ(geo::QuarterShineEllipse(2, 10, 20, 40, 60), Rect(-20, -20, 60, 80));
    EXPECT_EQ(geo::QuarterShineEllipse(3, 10, 20, 40, 60), Rect(10, -20, 60, 80));
}

// ---------------------------------------------------------------------------
// Fills by their pixels

TEST(RadialFills, ACentreColourAtTheBoundsCentreOnAGlyphFigure) {
    PrivateFontCollection collection;
    const auto bytes = MakeTestFont("Rerovora Fill Shapes", StandardTestGlyphs());
    ASSERT_EQ(collection.AddMemoryFont(bytes.data(), INT(bytes.size())), Ok);
    const FontFamily family(u"Rerovora Fill Shapes", &collection);
    GraphicsPath glyph;
    const char16_t triangle[] = {18, 0};
    glyph.AddString(triangle, 1, &family, FontStyleRegular, 100.0f, PointF(0, 0), StringFormat::GenericTypographic());
    ASSERT_EQ(glyph.GetPointCount(), 3);  // x 10..90, y -10..70 (apex at the top)
    Canvas canvas(100, 100, kWhite);
    canvas.Graphics().TranslateTransform(0, 20);
    FillPathRadial(&canvas.Graphics(), &glyph, kRed, RGB(0, 0, 128));
    canvas.Graphics().ResetTransform();
    GraphicsPath outside = Box(0, 0, 1, 1);
    FillPathRadialBounds(&canvas.Graphics(), &outside, kBlack, kBlack);  // (colours in the other order)
    auto snap = canvas.Snap();
    // Bounds 10, -10, 80 x 80: centre (50, 30), moved down 20.
    EXPECT_TRUE(snap->Near(50, 50, kRed, 4));
    EXPECT_TRUE(snap->Near(50, 87, RGB(12, 0, 124), 24));  // just inside the base
    EXPECT_TRUE(snap->Near(15, 60, kWhite));               // beside the slope, outside
    EXPECT_TRUE(snap->Near(50, 95, kWhite));
}

TEST(RadialFills, AFigureOfBoundsNearTheEndsOfIntsRangeLeavesTheCanvasAsItWas) {
    // Its bounds' centre overflowed an int (the sanitizer build stops there).
    Canvas canvas(20, 20, kWhite);
    GraphicsPath huge = Box(2.0e9f, 2.0e9f, 1.5e9f, 1.5e9f);
    FillPathRadial(&canvas.Graphics(), &huge, kRed, kBlack);
    FillPathGlow(&canvas.Graphics(), &huge, kRed);
    EXPECT_TRUE(canvas.Snap()->Near(10, 10, kWhite));
}

TEST(GlowFills, HalosReachBeyondTheShapeAndFade) {
    Canvas canvas(200, 100, kWhite);
    Graphics& g = canvas.Graphics();
    GraphicsPath square = Box(40, 40, 20, 20);  // grows 1.8 times: 32..68
    FillPathGlow(&g, &square, kRed);
    GraphicsPath wide = Box(120, 45, 40, 10);   // inner glow by 20: 110..170, 35..65
    FillPathGlowInner(&g, &wide, RGB(0, 0, 255), 20.0f);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(50, 50, kRed, 3));
    EXPECT_LT(GetGValue(snap->Pixel(35, 50)), 250);  // some red left of the shape
    EXPECT_TRUE(snap->Near(30, 50, kWhite));
    EXPECT_TRUE(snap->Near(50, 30, kWhite));
    EXPECT_TRUE(snap->Near(140, 50, RGB(0, 0, 255), 3));
    EXPECT_LT(GetRValue(snap->Pixel(113, 50)), 250);
    EXPECT_TRUE(snap->Near(108, 50, kWhite));

    // The soft glow fades to the colour itself made transparent, so it never darkens.
    Canvas soft(100, 60, kWhite);
    GraphicsPath bar = Box(25, 20, 50, 20);
    FillPathGlowSoft(&soft.Graphics(), &bar, RGB(255, 255, 0), 1.5f);
    auto s2 = soft.Snap("soft");
    EXPECT_TRUE(s2->Near(50, 30, RGB(255, 255, 0), 3));
    // Across the halo red and green stay full while blue falls towards the shape.
    int lastBlue = 256;
    for (int x = 10; x <= 30; x += 4) {
        EXPECT_EQ(GetRValue(s2->Pixel(x, 30)), 255) << x;
        EXPECT_EQ(GetGValue(s2->Pixel(x, 30)), 255) << x;
        EXPECT_LE(GetBValue(s2->Pixel(x, 30)), lastBlue) << x;
        lastBlue = GetBValue(s2->Pixel(x, 30));
    }
    EXPECT_LT(GetBValue(s2->Pixel(22, 30)), 250);
    EXPECT_TRUE(s2->Near(12, 30, kWhite));
}

TEST(LinearSigmaFill, BellAcrossTheBoundsWithAlphas) {
    Canvas canvas(40, 101, kWhite);
    GraphicsPath bar = Box(0, 0, 40, 100);
    FillPathLinearSigma(&canvas.Graphics(), &bar, kBlack, kRed, 0.5f, 90.0f, 255, 255, 1.0f);
    GraphicsPath empty = Box(0, 0, 40, 100);
    FillPathLinearSigma(&canvas.Graphics(), &empty, kBlack, kBlack, 0.5f, 90.0f, 255, 255, 0.0f);  // no rectangle
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(20, 1, kBlack, 12));
    EXPECT_TRUE(snap->Near(20, 50, kRed, 6));
    EXPECT_TRUE(snap->Near(20, 98, kBlack, 12));
    // Half transparent at the start colour: the white shows through.
    Canvas alpha(10, 101, kWhite);
    FillPathLinearSigma(&alpha.Graphics(), &bar, kBlack, kBlack, 0.5f, 90.0f, 0, 255, 1.0f);
    auto s2 = alpha.Snap("alpha");
    EXPECT_GT(GetRValue(s2->Pixel(5, 1)), 200);
    EXPECT_LT(GetRValue(s2->Pixel(5, 50)), 10);
}

TEST(ShineFills, HighlightsStayInTheirRectangleAndTheAngleSwapsFocusScales) {
    Canvas canvas(100, 100, kBlack);
    Graphics& g = canvas.Graphics();
    // The whole ellipse (side 4) with focus scales 0.8 across and 0 down at 89.9
    // degrees, swapped at 90: inside the focus area the ring's blend gives the
    // surround colour.
    FillEllipseShineClipped(&g, kBlack, kWhite, 4, 0.8f, 0.0f, 89.9f, 0, 0, 100, 100);
    auto across = canvas.Snap("across");
    Canvas turned(100, 100, kBlack);
    FillEllipseShineClipped(&turned.Graphics(), kBlack, kWhite, 4, 0.8f, 0.0f, 90.0f, 0, 0, 100, 100);
    auto down = turned.Snap("down");
    EXPECT_LT(GetRValue(across->Pixel(80, 50)), 60);
    EXPECT_GT(GetRValue(down->Pixel(80, 50)), 150);
    EXPECT_GT(GetRValue(across->Pixel(50, 80)), 150);
    EXPECT_LT(GetRValue(down->Pixel(50, 80)), 60);

    // Half ellipses and quarters are cut to the rectangle, and the clip is reset after.
    Canvas cut(120, 60, kBlack);
    FillEllipseShineClipped(&cut.Graphics(), RGB(0, 0, 255), kWhite, 1, 0.0f, 0.0f, 0.0f, 10, 10, 50, 30);
    FillEllipseShineClipped2(&cut.Graphics(), RGB(0, 0, 255), kWhite, 3, 60, 10, 100, 30);
    SolidBrush red(Color(255, 255, 0, 0));
    cut.Graphics().FillRectangle(&red, 0, 50, 120, 10);
    FillEllipseShine(&cut.Graphics(), kWhite, kWhite, 0.0f, 104, 10, 120, 40, 0.0f);
    auto s3 = cut.Snap("cut");
    EXPECT_TRUE(s3->Near(30, 5, kBlack));
    EXPECT_TRUE(s3->Near(30, 32, kBlack));
    EXPECT_FALSE(s3->Near(30, 28, kBlack, 20));
    EXPECT_TRUE(s3->Near(55, 20, kBlack));
    EXPECT_TRUE(s3->Near(80, 8, kBlack));
    EXPECT_FALSE(s3->Near(80, 12, kBlack, 20));
    EXPECT_TRUE(s3->Near(5, 55, kRed));
    EXPECT_TRUE(s3->Near(112, 25, kWhite, 3));
    EXPECT_TRUE(s3->Near(104, 25, kBlack, 60));
}
