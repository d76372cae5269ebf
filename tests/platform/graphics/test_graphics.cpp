// The antialiased graphics layer: pixel centres, transforms, clipping, pens,
// linear and path gradients, images and colour matrices. Checked by drawing into
// bitmaps and reading the pixels back.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "platform/graphics/graphics.h"
#include "platform/graphics/graphics_impl.h"
#include "tests/support/pixel_harness.h"

using namespace gfx;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

Color C(COLORREF c, BYTE alpha = 255) { return Color::FromCOLORREF(c, alpha); }

// Expected channel of a mix of a and b with `share` of b.
COLORREF Mix(COLORREF a, COLORREF b, double share) {
    auto ch = [&](int x, int y) { return BYTE(std::lround(x + (y - x) * share)); };
    return RGB(ch(GetRValue(a), GetRValue(b)), ch(GetGValue(a), GetGValue(b)), ch(GetBValue(a), GetBValue(b)));
}

PathGradientBrush RadialBrush(const GraphicsPath& path, PointF centre, COLORREF centreColour, COLORREF surround,
                              BYTE surroundAlpha = 255) {
    PathGradientBrush brush(&path);
    brush.SetCenterPoint(centre);
    brush.SetCenterColor(C(centreColour));
    Color s = C(surround, surroundAlpha);
    INT n = 1;
    brush.SetSurroundColors(&s, &n);
    return brush;
}

}  // namespace

// ---------------------------------------------------------------------------
// Geometry of drawing

TEST(GraphicsPixels, PixelCentresLieOnWholeNumbers) {
    Canvas canvas(20, 8, kWhite);
    SolidBrush black(C(kBlack));
    // 0 to 10 covers half of pixels 0 and 10 and all of 1 to 9.
    canvas.Graphics().FillRectangle(&black, 0.0f, 0.0f, 10.0f, 8.0f);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(0, 4, RGB(128, 128, 128), 3));
    EXPECT_TRUE(snap->Near(5, 4, kBlack));
    EXPECT_TRUE(snap->Near(9, 4, kBlack));
    EXPECT_TRUE(snap->Near(10, 4, RGB(128, 128, 128), 3));
    EXPECT_TRUE(snap->Near(11, 4, kWhite));
}

TEST(GraphicsPixels, HalfPixelOffsetAndNoSmoothingGiveCrispEdges) {
    Canvas canvas(20, 8, kWhite);
    SolidBrush black(C(kBlack));
    canvas.Graphics().SetPixelOffsetMode(PixelOffsetModeHalf);
    canvas.Graphics().FillRectangle(&black, 2.0f, 0.0f, 10.0f, 8.0f);
    canvas.Graphics().SetPixelOffsetMode(PixelOffsetModeNone);
    canvas.Graphics().SetSmoothingMode(SmoothingModeNone);
    canvas.Graphics().FillRectangle(&black, 14.2f, 0.0f, 3.0f, 8.0f);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(1, 4, kWhite));
    EXPECT_TRUE(snap->Near(2, 4, kBlack));
    EXPECT_TRUE(snap->Near(11, 4, kBlack));
    EXPECT_TRUE(snap->Near(12, 4, kWhite));
    // Aliased: pixels whose centres (15, 16, 17) lie in 14.2..17.2.
    EXPECT_TRUE(snap->Near(14, 4, kWhite));
    EXPECT_TRUE(snap->Near(15, 4, kBlack));
    EXPECT_TRUE(snap->Near(17, 4, kBlack));
    EXPECT_TRUE(snap->Near(18, 4, kWhite));
}

TEST(GraphicsPixels, OneWidePenOnAWholeCoordinateCoversOneRow) {
    Canvas canvas(20, 10, kWhite);
    Pen pen(C(kBlack), 1.0f);
    canvas.Graphics().DrawLine(&pen, 2.0f, 5.0f, 18.0f, 5.0f);
    // A pen of width 0 still draws one pixel wide.
    Pen hair(C(kBlack), 0.0f);
    canvas.Graphics().DrawLine(&hair, 2.0f, 8.0f, 18.0f, 8.0f);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(10, 4, kWhite, 2));
    EXPECT_TRUE(snap->Near(10, 5, kBlack, 2));
    EXPECT_TRUE(snap->Near(10, 6, kWhite, 2));
    EXPECT_TRUE(snap->Near(10, 8, kBlack, 2));
    EXPECT_TRUE(snap->Near(10, 7, kWhite, 2));
}

TEST(GraphicsPixels, WorldTransformsComposeInPrependOrder) {
    Canvas canvas(40, 40, kWhite);
    Graphics& g = canvas.Graphics();
    g.SetPixelOffsetMode(PixelOffsetModeHalf);
    // Prepended: the rotation applies first, then the move to (30, 5).
    g.TranslateTransform(30.0f, 5.0f);
    g.RotateTransform(90.0f);
    SolidBrush black(C(kBlack));
    g.FillRectangle(&black, 0.0f, 0.0f, 20.0f, 4.0f);  // becomes x 26..30, y 5..25
    Matrix m;
    g.GetTransform(&m);
    PointF p(20.0f, 0.0f);
    m.TransformPoints(&p);
    EXPECT_NEAR(p.X, 30.0f, 1e-4);
    EXPECT_NEAR(p.Y, 25.0f, 1e-4);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(28, 15, kBlack));
    EXPECT_TRUE(snap->Near(31, 15, kWhite));
    EXPECT_TRUE(snap->Near(28, 27, kWhite));
    EXPECT_TRUE(snap->Near(10, 2, kWhite));
}

TEST(GraphicsMatrix, OrderInversionAndQuarterTurns) {
    Matrix a;
    a.Translate(10, 0);
    a.Scale(2, 2);  // prepended: scale first
    PointF p(1, 1);
    a.TransformPoints(&p);
    EXPECT_FLOAT_EQ(p.X, 12.0f);
    EXPECT_FLOAT_EQ(p.Y, 2.0f);
    Matrix b;
    b.Translate(10, 0);
    b.Scale(2, 2, MatrixOrderAppend);  // appended: scale last
    PointF q(1, 1);
    b.TransformPoints(&q);
    EXPECT_FLOAT_EQ(q.X, 22.0f);
    EXPECT_FLOAT_EQ(q.Y, 2.0f);
    Matrix r;
    r.Rotate(90);
    REAL e[6];
    r.GetElements(e);
    EXPECT_EQ(e[0], 0.0f);
    EXPECT_EQ(e[1], 1.0f);
    EXPECT_EQ(e[2], -1.0f);
    ASSERT_EQ(b.Invert(), Ok);
    b.TransformPoints(&q);
    EXPECT_NEAR(q.X, 1.0f, 1e-5);
    EXPECT_NEAR(q.Y, 1.0f, 1e-5);
    Matrix singular(0, 0, 0, 0, 1, 1);
    EXPECT_EQ(singular.Invert(), InvalidParameter);
    EXPECT_EQ(singular.GetLastStatus(), InvalidParameter);
    EXPECT_EQ(singular.GetLastStatus(), Ok);
}

// ---------------------------------------------------------------------------
// Paths

TEST(GraphicsPathShape, FiguresJoinCloseAndReadBack) {
    GraphicsPath path;
    path.AddLine(0.0f, 0.0f, 10.0f, 0.0f);
    path.AddLine(10.0f, 0.0f, 10.0f, 10.0f);  // starts where the figure ends: one new point
    path.AddLine(20.0f, 10.0f, 20.0f, 20.0f);  // joined by a line from (10, 10)
    path.CloseFigure();
    path.AddRectangle(RectF(30, 0, 5, 5));
    path.AddBezier(PointF(40, 0), PointF(40, 10), PointF(50, 10), PointF(50, 0));
    ASSERT_EQ(path.GetPointCount(), 5 + 4 + 4);
    std::vector<PointF> pts(13);
    std::vector<BYTE> types(13);
    ASSERT_EQ(path.GetPathPoints(pts.data(), 13), Ok);
    ASSERT_EQ(path.GetPathTypes(types.data(), 13), Ok);
    EXPECT_EQ(path.GetPathPoints(pts.data(), 12), InsufficientBuffer);
    const BYTE expected[13] = {0, 1, 1, 1, 1 | 0x80, 0, 1, 1, 1 | 0x80, 0, 3, 3, 3};
    for (int i = 0; i < 13; ++i) EXPECT_EQ(types[size_t(i)], expected[i]) << i;
    EXPECT_EQ(pts[3], PointF(20, 10));
    EXPECT_EQ(pts[4], PointF(20, 20));
    EXPECT_EQ(pts[7], PointF(35, 5));
    GraphicsPath copy(pts.data(), types.data(), 13);
    RectF a, b;
    path.GetBounds(&a);
    copy.GetBounds(&b);
    EXPECT_EQ(a, b);
}

TEST(GraphicsPathShape, ArcsTakeAnglesOnTheEllipseAsSeen) {
    // On a 200 x 100 ellipse an arc to 45 degrees ends on the 45 degree ray.
    GraphicsPath arc;
    arc.AddArc(0.0f, 0.0f, 200.0f, 100.0f, 0.0f, 45.0f);
    PointF end;
    arc.GetLastPoint(&end);
    EXPECT_NEAR(end.X - 100.0f, end.Y - 50.0f, 1e-3);
    EXPECT_NEAR(std::pow((end.X - 100) / 100, 2) + std::pow((end.Y - 50) / 50, 2), 1.0, 1e-4);
    PathData d;
    arc.GetPathData(&d);
    EXPECT_EQ(d.Points.front(), PointF(200, 50));
    // Clockwise on the screen: a quarter from 270 runs from the top to the right.
    GraphicsPath corner;
    corner.AddArc(0.0f, 0.0f, 20.0f, 20.0f, 270.0f, 90.0f);
    corner.GetPathData(&d);
    ASSERT_EQ(d.Count, 4);
    EXPECT_NEAR(d.Points[0].X, 10.0f, 1e-4);
    EXPECT_NEAR(d.Points[0].Y, 0.0f, 1e-4);
    EXPECT_NEAR(d.Points[3].X, 20.0f, 1e-4);
    EXPECT_NEAR(d.Points[3].Y, 10.0f, 1e-4);
    // Negative sweeps run the other way; sweeps past a full turn stop at one.
    GraphicsPath back;
    back.AddArc(0.0f, 0.0f, 20.0f, 20.0f, 0.0f, -90.0f);
    back.GetLastPoint(&end);
    EXPECT_NEAR(end.X, 10.0f, 1e-4);
    EXPECT_NEAR(end.Y, 0.0f, 1e-4);
    GraphicsPath full;
    full.AddArc(0.0f, 0.0f, 20.0f, 20.0f, 0.0f, 720.0f);
    EXPECT_EQ(full.GetPointCount(), 13);
    // An ellipse: a closed figure of four Beziers from its rightmost point.
    GraphicsPath ellipse;
    ellipse.AddEllipse(10.0f, 20.0f, 40.0f, 30.0f);
    ellipse.GetPathData(&d);
    ASSERT_EQ(d.Count, 13);
    EXPECT_EQ(d.Types[0], PathPointTypeStart);
    EXPECT_EQ(d.Types[12], PathPointTypeBezier | PathPointTypeCloseSubpath);
    EXPECT_NEAR(d.Points[0].X, 50.0f, 1e-4);
    EXPECT_NEAR(d.Points[3].Y, 50.0f, 1e-4);  // a quarter later: the bottom
}

TEST(GraphicsPathShape, BoundsFollowCurvesRoundAndTransform) {
    GraphicsPath s;
    s.AddBezier(PointF(0, 0), PointF(0, 100), PointF(100, 100), PointF(100, 0));
    RectF b;
    s.GetBounds(&b);
    EXPECT_NEAR(b.Height, 75.0f, 1e-3);  // the curve, not its control points
    EXPECT_NEAR(b.Width, 100.0f, 1e-3);
    Rect bi;
    GraphicsPath frac;
    frac.AddRectangle(RectF(1.4f, 2.6f, 10.5f, 3.49f));
    frac.GetBounds(&bi);
    EXPECT_EQ(bi, Rect(1, 3, 11, 3));  // each value rounded
    GraphicsPath empty;
    empty.GetBounds(&bi);
    EXPECT_EQ(bi, Rect(0, 0, 0, 0));
    Matrix m;
    m.Translate(5, 5);
    m.Scale(2, 3);
    frac.Transform(&m);
    frac.GetBounds(&b);
    EXPECT_NEAR(b.X, 5 + 2.8f, 1e-4);
    EXPECT_NEAR(b.Height, 3 * 3.49f, 1e-4);
    Pen wide(Color(0xFF000000u), 4.0f);
    frac.GetBounds(&b, nullptr, &wide);
    EXPECT_NEAR(b.X, 5 + 2.8f - 2.0f, 1e-4);
    EXPECT_TRUE(frac.IsVisible(10.0f, 15.0f));
    EXPECT_FALSE(frac.IsVisible(1.0f, 1.0f));
}

// ---------------------------------------------------------------------------
// Clipping and state

TEST(GraphicsClip, RectanglesPathsAndRegionsCombineAndRestore) {
    Canvas canvas(60, 20, kWhite);
    Graphics& g = canvas.Graphics();
    SolidBrush red(C(kRed));
    SolidBrush blue(C(kBlue));
    const GraphicsState outer = g.Save();
    g.SetClip(Rect(0, 0, 30, 20));
    g.SetClip(Rect(10, 0, 40, 20), CombineModeIntersect);  // 10..30
    g.FillRectangle(&red, 0, 0, 60, 20);
    g.Restore(outer);
    EXPECT_FALSE(g.IsClipEmpty());
    GraphicsPath hole;
    hole.AddRectangle(RectF(40, 5, 10, 10));
    Region region(RectF(35, 0, 25, 20));
    region.Exclude(&hole);
    g.SetClip(&region);
    g.FillRectangle(&blue, 0, 0, 60, 20);
    g.ResetClip();
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(9, 10, kWhite));
    EXPECT_TRUE(snap->Near(10, 10, kRed));
    EXPECT_TRUE(snap->Near(29, 10, kRed));
    EXPECT_TRUE(snap->Near(30, 10, kWhite));
    EXPECT_TRUE(snap->Near(36, 10, kBlue));
    EXPECT_TRUE(snap->Near(45, 10, kWhite));  // the hole
    EXPECT_TRUE(snap->Near(45, 2, kBlue));
    RectF bounds;
    g.SetClip(RectF(5, 6, 7, 8));
    g.GetClipBounds(&bounds);
    EXPECT_NEAR(bounds.X, 5.0f, 0.01);
    EXPECT_NEAR(bounds.Width, 7.0f, 0.01);
    EXPECT_TRUE(g.IsVisible(6.0f, 7.0f));
    EXPECT_FALSE(g.IsVisible(20.0f, 7.0f));
}

TEST(GraphicsClip, ContextDrawingAndGraphicsShareThePixelsInOrder) {
    Canvas canvas(30, 10, kWhite);
    canvas.DC().FillSolidRect(0, 0, 10, 10, kRed);
    SolidBrush blue(C(kBlue));
    canvas.Graphics().SetPixelOffsetMode(PixelOffsetModeHalf);
    canvas.Graphics().FillRectangle(&blue, 5, 0, 10, 10);
    canvas.DC().FillSolidRect(12, 0, 10, 10, kBlack);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(2, 5, kRed));
    EXPECT_TRUE(snap->Near(7, 5, kBlue));
    EXPECT_TRUE(snap->Near(13, 5, kBlack));
    EXPECT_TRUE(snap->Near(25, 5, kWhite));
}

TEST(GraphicsClip, AGraphicsOnAContextFollowsItsOriginAndClip) {
    Canvas canvas(40, 20, kWhite);
    canvas.DC().SetWindowOrg(-10, 0);       // logical 0 is device 10
    canvas.DC().IntersectClipRect(0, 0, 15, 20);  // device 10..25
    Graphics g(&canvas.DC());
    g.SetPixelOffsetMode(PixelOffsetModeHalf);
    SolidBrush black(C(kBlack));
    g.FillRectangle(&black, -10, 0, 40, 20);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(9, 10, kWhite));
    EXPECT_TRUE(snap->Near(10, 10, kBlack));
    EXPECT_TRUE(snap->Near(24, 10, kBlack));
    EXPECT_TRUE(snap->Near(25, 10, kWhite));
}

// ---------------------------------------------------------------------------
// Linear gradients

TEST(LinearGradient, TwoColoursAlongTheRectangleAndItsAngle) {
    Canvas canvas(101, 101, kWhite);
    Graphics& g = canvas.Graphics();
    g.SetPixelOffsetMode(PixelOffsetModeHalf);
    LinearGradientBrush horizontal(RectF(0, 0, 100, 50), C(kBlack), C(kWhite), LinearGradientModeHorizontal);
    g.FillRectangle(&horizontal, 0, 0, 100, 50);
    LinearGradientBrush vertical(Rect(0, 50, 100, 50), C(kRed), C(kBlue), 90.0f);
    g.FillRectangle(&vertical, 0, 50, 100, 50);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(0, 25, kBlack, 4));
    EXPECT_TRUE(snap->Near(50, 25, Mix(kBlack, kWhite, 0.505), 4));
    EXPECT_TRUE(snap->Near(99, 25, kWhite, 5));
    EXPECT_TRUE(snap->Near(50, 50, kRed, 4));
    EXPECT_TRUE(snap->Near(10, 75, Mix(kRed, kBlue, 0.51), 4));  // angle 90: the colour changes downwards only
    EXPECT_TRUE(snap->Near(90, 75, Mix(kRed, kBlue, 0.51), 4));
    EXPECT_TRUE(snap->Near(50, 62, Mix(kRed, kBlue, 0.25), 4));
    EXPECT_TRUE(snap->Near(50, 99, kBlue, 5));
}

TEST(LinearGradient, BellShapeIsFullAtTheFocusAndFirstColourAtBothEnds) {
    Canvas canvas(10, 201, kWhite);
    Graphics& g = canvas.Graphics();
    g.SetPixelOffsetMode(PixelOffsetModeHalf);
    LinearGradientBrush bell(Rect(0, 0, 10, 200), C(kBlack), C(kWhite), 90.0f);
    ASSERT_EQ(bell.SetBlendBellShape(0.5f, 1.0f), Ok);
    g.FillRectangle(&bell, 0, 0, 10, 200);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(5, 0, kBlack, 6));
    EXPECT_TRUE(snap->Near(5, 100, kWhite, 3));
    EXPECT_TRUE(snap->Near(5, 199, kBlack, 6));
    // Bell, not triangle: at a quarter it is half way, but flat near the ends.
    EXPECT_TRUE(snap->Near(5, 50, Mix(kBlack, kWhite, 0.5), 8));
    EXPECT_LT(GetRValue(snap->Pixel(5, 20)), 40);
    // Shape arguments outside 0..1 are refused and change nothing.
    EXPECT_EQ(bell.SetBlendBellShape(1.5f, 1.0f), InvalidParameter);
}

TEST(LinearGradient, BlendFactorsPresetColoursAndTiling) {
    Canvas canvas(200, 30, kWhite);
    Graphics& g = canvas.Graphics();
    g.SetPixelOffsetMode(PixelOffsetModeHalf);
    LinearGradientBrush factors(Rect(0, 0, 100, 10), C(kBlack), C(kWhite), 0.0f);
    const REAL f[3] = {0.0f, 0.2f, 1.0f};
    const REAL pos[3] = {0.0f, 0.5f, 1.0f};
    ASSERT_EQ(factors.SetBlend(f, pos, 3), Ok);
    g.FillRectangle(&factors, 0, 0, 100, 10);
    LinearGradientBrush preset(Rect(0, 10, 100, 10), C(kBlack), C(kBlack), 0.0f);
    const Color colours[3] = {C(kRed), C(kWhite), C(kBlue)};
    ASSERT_EQ(preset.SetInterpolationColors(colours, pos, 3), Ok);
    g.FillRectangle(&preset, 0, 10, 100, 10);
    // Tiled: the gradient starts again past its rectangle.
    LinearGradientBrush tile(Rect(0, 20, 100, 10), C(kBlack), C(kWhite), 0.0f);
    g.FillRectangle(&tile, 0, 20, 200, 10);
    const REAL badPos[2] = {0.1f, 1.0f};
    EXPECT_EQ(factors.SetBlend(f, badPos, 2), InvalidParameter);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(50, 5, Mix(kBlack, kWhite, 0.2), 4));
    EXPECT_TRUE(snap->Near(75, 5, Mix(kBlack, kWhite, 0.6), 4));
    EXPECT_TRUE(snap->Near(0, 15, kRed, 4));
    EXPECT_TRUE(snap->Near(50, 15, kWhite, 4));
    EXPECT_TRUE(snap->Near(25, 15, Mix(kRed, kWhite, 0.5), 4));
    EXPECT_TRUE(snap->Near(99, 15, kBlue, 8));
    EXPECT_TRUE(snap->Near(125, 25, Mix(kBlack, kWhite, 0.25), 4));
}

TEST(LinearGradient, AnEmptyRectangleDrawsNothing) {
    Canvas canvas(20, 20, kWhite);
    LinearGradientBrush flat(Rect(0, 0, 0, 10), C(kBlack), C(kBlack), 90.0f);
    EXPECT_NE(flat.GetLastStatus(), Ok);
    canvas.Graphics().FillRectangle(&flat, 0, 0, 20, 20);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(10, 10, kWhite));
}

// ---------------------------------------------------------------------------
// Path gradients

TEST(PathGradient, EllipseCentreEdgeAndFocusRing) {
    Canvas canvas(101, 101, kWhite);
    Graphics& g = canvas.Graphics();
    GraphicsPath circle;
    circle.AddEllipse(0.0f, 0.0f, 100.0f, 100.0f);
    PathGradientBrush brush = RadialBrush(circle, PointF(50, 50), kWhite, kBlack);
    ASSERT_EQ(brush.SetFocusScales(0.5f, 0.5f), Ok);
    g.FillPath(&brush, &circle);
    auto snap = canvas.Snap();
    // Inside half the radius: the centre colour.
    EXPECT_TRUE(snap->Near(50, 50, kWhite, 2));
    EXPECT_TRUE(snap->Near(50 + 24, 50, kWhite, 3));
    EXPECT_TRUE(snap->Near(50, 50 - 24, kWhite, 3));
    // Between the focus ring and the edge: the way out, 3/4 of the radius is half way.
    EXPECT_TRUE(snap->Near(50 + 37, 50, Mix(kWhite, kBlack, 0.5), 12));
    EXPECT_TRUE(snap->Near(50, 50 + 37, Mix(kWhite, kBlack, 0.5), 12));
    // Just inside the edge: nearly the surround colour; outside untouched.
    EXPECT_LT(GetRValue(snap->Pixel(50 + 48, 50)), 40);
    EXPECT_TRUE(snap->Near(2, 2, kWhite));
    EXPECT_TRUE(snap->Near(97, 97, kWhite));
}

TEST(PathGradient, AnOffCentrePointOnAnEllipseAndOnAPolygonAgree) {
    // The ellipse goes through Qt's focal gradient, the same ellipse as a polygon
    // through the layer's own fill: their colours must match.
    Canvas canvas(210, 101, kWhite);
    Graphics& g = canvas.Graphics();
    GraphicsPath ellipse;
    ellipse.AddEllipse(0.0f, 0.0f, 100.0f, 100.0f);
    PathGradientBrush a = RadialBrush(ellipse, PointF(35, 35), kWhite, kBlue);
    g.FillPath(&a, &ellipse);
    std::vector<PointF> pts;
    for (int i = 0; i < 360; ++i) {
        const double t = i * 3.14159265358979 / 180.0;
        pts.emplace_back(REAL(160 + 50 * std::cos(t)), REAL(50 + 50 * std::sin(t)));
    }
    GraphicsPath polygon;
    polygon.AddPolygon(pts.data(), INT(pts.size()));
    PathGradientBrush b = RadialBrush(polygon, PointF(145, 35), kWhite, kBlue);
    g.FillPath(&b, &polygon);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(35, 35, kWhite, 3));
    EXPECT_TRUE(snap->Near(145, 35, kWhite, 3));
    for (const auto& [dx, dy] : {std::pair{20, 20}, {-15, 40}, {40, -5}, {5, 55}, {60, 50}}) {
        EXPECT_LE(ChannelDistance(snap->Pixel(35 + dx, 35 + dy), snap->Pixel(145 + dx, 35 + dy)), 6)
            << dx << "," << dy;
    }
}

TEST(PathGradient, OwnFillOnAFigureKeepsToTheFigureAndRunsAlongRays) {
    Canvas canvas(120, 120, kWhite);
    Graphics& g = canvas.Graphics();
    // An L-shaped figure (not star-shaped from its corner point).
    const PointF l[6] = {PointF(10, 10), PointF(40, 10), PointF(40, 80), PointF(110, 80), PointF(110, 110),
                         PointF(10, 110)};
    GraphicsPath figure;
    figure.AddPolygon(l, 6);
    PathGradientBrush brush = RadialBrush(figure, PointF(25, 95), kBlack, kRed);
    g.FillPath(&brush, &figure);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(25, 95, kBlack, 3));
    // Half way from the centre point to the bottom edge (y 110): half way in colour.
    EXPECT_TRUE(snap->Near(25, 102, Mix(kBlack, kRed, 0.5), 20));
    // Near the far end of the arm: nearly the surround colour.
    EXPECT_GT(GetRValue(snap->Pixel(108, 95)), 200);
    EXPECT_TRUE(snap->Near(25, 20, Mix(kBlack, kRed, 0.9), 12));
    // Outside the figure nothing changes (the triangles from the centre reach there).
    EXPECT_TRUE(snap->Near(70, 40, kWhite));
    EXPECT_TRUE(snap->Near(60, 70, kWhite));
}

TEST(PathGradient, OwnFillEdgesMatchQtsRasteriser) {
    // A one-colour path gradient and a solid fill drawn by the layer's own
    // rasteriser against Qt's: the antialiased edges must agree pixel by pixel.
    const PointF star[10] = {PointF(50, 2),  PointF(62, 38), PointF(98, 38), PointF(69, 60), PointF(80, 96),
                             PointF(50, 74), PointF(20, 96), PointF(31, 60), PointF(2, 38),  PointF(38, 38)};
    GraphicsPath figure;
    figure.AddPolygon(star, 10);
    GraphicsPath rotated;
    const PointF quad[4] = {PointF(120, 10), PointF(185.5f, 30.25f), PointF(165.25f, 95.75f), PointF(100.5f, 75.5f)};
    rotated.AddPolygon(quad, 4);
    Canvas own(200, 100, kWhite), solid(200, 100, kWhite);
    PathGradientBrush a = RadialBrush(figure, PointF(50, 55), kBlue, kBlue);
    PathGradientBrush b = RadialBrush(rotated, PointF(145, 50), kBlue, kBlue);
    own.Graphics().FillPath(&a, &figure);
    own.Graphics().FillPath(&b, &rotated);
    SolidBrush blue(C(kBlue));
    solid.Graphics().FillPath(&blue, &figure);
    solid.Graphics().FillPath(&blue, &rotated);
    // Qt's own rasteriser as the reference (pixel centres shifted by half).
    QImage reference(200, 100, QImage::Format_ARGB32_Premultiplied);
    reference.fill(Qt::white);
    {
        QPainter q(&reference);
        q.setRenderHint(QPainter::Antialiasing);
        q.translate(0.5, 0.5);
        q.fillPath(detail::ToQPath(figure), QColor(0, 0, 255));
        q.fillPath(detail::ToQPath(rotated), QColor(0, 0, 255));
    }
    auto mine = own.Snap("own");
    auto theirs = std::make_unique<Snapshot>(reference, "qt");
    auto solidFill = solid.Snap("solid");
    int worst = 0, edgePixels = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            const COLORREF m = mine->Pixel(x, y), t = theirs->Pixel(x, y);
            worst = std::max(worst, ChannelDistance(m, t));
            worst = std::max(worst, ChannelDistance(solidFill->Pixel(x, y), t));
            edgePixels += GetRValue(t) > 10 && GetRValue(t) < 245;
        }
    EXPECT_GT(edgePixels, 100);  // there are partly covered pixels to compare
    EXPECT_LE(worst, 8);
}

TEST(PathGradient, BlendsPresetsTriangularShapeAndTransparentSurround) {
    Canvas canvas(300, 100, kWhite);
    Graphics& g = canvas.Graphics();
    auto square = [](REAL x) {
        GraphicsPath p;
        p.AddRectangle(RectF(x, 0, 100, 100));
        return p;
    };
    GraphicsPath s1 = square(0), s2 = square(100), s3 = square(200);
    // Blend factors (share of the centre colour from the boundary at 0).
    PathGradientBrush blended = RadialBrush(s1, PointF(50, 50), kBlack, kWhite);
    const REAL f[3] = {0.0f, 0.9f, 1.0f};
    const REAL pos[3] = {0.0f, 0.5f, 1.0f};
    ASSERT_EQ(blended.SetBlend(f, pos, 3), Ok);
    g.FillPath(&blended, &s1);
    // Preset colours: boundary red, half way white, centre blue.
    PathGradientBrush preset = RadialBrush(s2, PointF(150, 50), kBlack, kBlack);
    const Color colours[3] = {C(kRed), C(kWhite), C(kBlue)};
    ASSERT_EQ(preset.SetInterpolationColors(colours, pos, 3), Ok);
    g.FillPath(&preset, &s2);
    // Triangular blend at 0.5: a ring of the centre colour half way out.
    PathGradientBrush ring = RadialBrush(s3, PointF(250, 50), kBlack, kWhite);
    ASSERT_EQ(ring.SetBlendTriangularShape(0.5f, 1.0f), Ok);
    g.FillPath(&ring, &s3);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(50 + 25, 50, Mix(kWhite, kBlack, 0.9), 6));
    EXPECT_TRUE(snap->Near(150, 50, kBlue, 4));
    EXPECT_TRUE(snap->Near(150 + 25, 50, kWhite, 6));
    EXPECT_TRUE(snap->Near(150 + 48, 50, kRed, 20));
    EXPECT_TRUE(snap->Near(250, 50, kWhite, 4));
    EXPECT_TRUE(snap->Near(250 + 25, 50, kBlack, 6));
    EXPECT_TRUE(snap->Near(250, 50 - 25, kBlack, 6));
    EXPECT_TRUE(snap->Near(250 + 48, 50, kWhite, 20));
}

TEST(PathGradient, TransparentSurroundsFadeOnStraightColours) {
    Canvas canvas(101, 101, kWhite);
    Graphics& g = canvas.Graphics();
    GraphicsPath circle;
    circle.AddEllipse(0.0f, 0.0f, 100.0f, 100.0f);
    // To transparent black, blended on the straight colours: half way is half
    // red at half alpha, darker over white than a fade to transparent red.
    PathGradientBrush toBlack = RadialBrush(circle, PointF(50, 50), kRed, kBlack, 0);
    g.FillPath(&toBlack, &circle);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(50, 50, kRed, 3));
    EXPECT_TRUE(snap->Near(75, 50, RGB(191, 128, 128), 6));

    Canvas other(101, 101, kWhite);
    PathGradientBrush toRed = RadialBrush(circle, PointF(50, 50), kRed, kRed, 0);
    other.Graphics().FillPath(&toRed, &circle);
    auto snap2 = other.Snap();
    EXPECT_TRUE(snap2->Near(75, 50, RGB(255, 128, 128), 6));
}

TEST(PathGradient, AnisotropicFocusScalesOnAnEllipse) {
    Canvas canvas(101, 101, kWhite);
    GraphicsPath circle;
    circle.AddEllipse(0.0f, 0.0f, 100.0f, 100.0f);
    PathGradientBrush brush = RadialBrush(circle, PointF(50, 50), kWhite, kBlack);
    brush.SetFocusScales(0.8f, 0.2f);
    canvas.Graphics().FillPath(&brush, &circle);
    auto snap = canvas.Snap();
    // Wide focus area sideways, narrow upwards.
    EXPECT_TRUE(snap->Near(50 + 35, 50, kWhite, 4));
    EXPECT_LT(GetRValue(snap->Pixel(50, 50 - 35)), 150);
}

// ---------------------------------------------------------------------------
// Images

TEST(GraphicsImages, PngBytesDecodeAndDrawExactlyAtWholePixels) {
    QImage source(4, 3, QImage::Format_ARGB32);
    source.fill(qRgb(10, 200, 30));
    source.setPixel(1, 1, qRgb(250, 5, 7));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    source.save(&buffer, "PNG");
    std::unique_ptr<Image> image(Image::FromBytes(png.constData(), size_t(png.size())));
    ASSERT_EQ(image->GetLastStatus(), Ok);
    EXPECT_EQ(image->GetWidth(), 4u);
    EXPECT_EQ(image->GetHeight(), 3u);
    Canvas canvas(20, 10, kWhite);
    canvas.Graphics().DrawImage(image.get(), 5, 2);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(6, 3, RGB(250, 5, 7)));
    EXPECT_TRUE(snap->Near(5, 2, RGB(10, 200, 30)));
    EXPECT_TRUE(snap->Near(8, 4, RGB(10, 200, 30)));
    EXPECT_TRUE(snap->Near(9, 4, kWhite));
    const char junk[] = "not an image";
    std::unique_ptr<Image> bad(Image::FromBytes(junk, sizeof junk));
    EXPECT_EQ(bad->GetLastStatus(), UnknownImageFormat);
    EXPECT_EQ(bad->GetWidth(), 0u);
    EXPECT_EQ(canvas.Graphics().DrawImage(bad.get(), 0, 0), InvalidParameter);
}

TEST(GraphicsImages, AGreyColourMatrixAndABrightnessShift) {
    Bitmap bitmap(4, 4, PixelFormat32bppARGB);
    {
        Graphics g(&bitmap);
        g.Clear(Color(255, 200, 100, 50));
    }
    ColorMatrix grey = ColorMatrix::Identity();
    const REAL rows[3] = {0.399f, 0.687f, 0.314f};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) grey.m[r][c] = rows[r];
    ImageAttributes attributes;
    attributes.SetColorMatrix(&grey);
    ColorMatrix brighter = ColorMatrix::Identity();
    brighter.m[4][0] = brighter.m[4][1] = brighter.m[4][2] = 0.5f;
    ImageAttributes shift;
    shift.SetColorMatrix(&brighter);
    Canvas canvas(20, 10, kWhite);
    canvas.Graphics().DrawImage(&bitmap, Rect(0, 0, 4, 4), 0, 0, 4, 4, UnitPixel, &attributes);
    canvas.Graphics().DrawImage(&bitmap, Rect(10, 0, 4, 4), 0, 0, 4, 4, UnitPixel, &shift);
    canvas.Graphics().DrawImage(&bitmap, Rect(5, 5, 8, 4), 0, 0, 4, 4, UnitPixel, nullptr);
    auto snap = canvas.Snap();
    // 0.399 * 200 + 0.687 * 100 + 0.314 * 50 = 164.2 in every channel.
    EXPECT_TRUE(snap->Near(2, 2, RGB(164, 164, 164), 1));
    EXPECT_TRUE(snap->Near(12, 2, RGB(255, 228, 178), 1));
    // Drawn stretched into 8 x 4: covers x 5..12.
    EXPECT_TRUE(snap->Near(11, 7, RGB(200, 100, 50), 2));
    EXPECT_TRUE(snap->Near(14, 7, kWhite));
}

TEST(GraphicsImages, BitmapsFromContextBitmapsAndBack) {
    Canvas canvas(10, 10, RGB(1, 2, 3));
    canvas.DC().FillSolidRect(2, 2, 3, 3, kRed);
    Bitmap copy(&canvas.Bitmap(), nullptr);
    Color c;
    ASSERT_EQ(copy.GetPixel(3, 3, &c), Ok);
    EXPECT_EQ(c.GetValue(), 0xFFFF0000u);
    ASSERT_EQ(copy.GetPixel(0, 0, &c), Ok);
    EXPECT_EQ(c.GetValue(), 0xFF010203u);
    EXPECT_EQ(copy.GetPixel(10, 0, &c), InvalidParameter);
    // Later drawing on the context, by GDI or by a graphics object on it, does
    // not reach the copy (which shares the pixels until then).
    canvas.DC().FillSolidRect(0, 0, 10, 10, kBlue);
    copy.GetPixel(3, 3, &c);
    EXPECT_EQ(c.GetValue(), 0xFFFF0000u);
    Bitmap second(&canvas.Bitmap(), nullptr);
    SolidBrush green(Color(0xFF00FF00u));
    canvas.Graphics().FillRectangle(&green, 0, 0, 10, 10);
    canvas.DC().FillSolidRect(0, 0, 1, 1, kRed);
    second.GetPixel(3, 3, &c);
    EXPECT_EQ(c.GetValue(), 0xFF0000FFu);
    canvas.Graphics().FillRectangle(&green, 0, 0, 10, 10);
    Bitmap third(&canvas.Bitmap(), nullptr);
    canvas.Graphics().FillRectangle(&green, 0, 0, 10, 10);
    canvas.DC().FillSolidRect(0, 0, 10, 10, kRed);
    third.GetPixel(5, 5, &c);
    EXPECT_EQ(c.GetValue(), 0xFF00FF00u);
    // Cleared to transparent after an opaque copy was taken: a new copy counts
    // the pixels as opaque again (black, as a GDI bitmap has no alpha).
    canvas.Graphics().Clear(Color(0, 200, 100, 50));
    Bitmap cleared(&canvas.Bitmap(), nullptr);
    cleared.GetPixel(5, 5, &c);
    EXPECT_EQ(c.GetValue(), 0xFF000000u);
    Bitmap translucent(2, 2);
    translucent.SetPixel(0, 0, Color(0, 0, 0, 0));
    HBITMAP gdi = nullptr;
    ASSERT_EQ(translucent.GetHBITMAP(Color(255, 9, 8, 7), &gdi), Ok);
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap* old = dc.SelectObject(gdi);
    EXPECT_EQ(dc.GetPixel(0, 0), RGB(9, 8, 7));
    dc.SelectObject(old);
    DeleteObject(gdi);
}

// ---------------------------------------------------------------------------
// Statuses

TEST(GraphicsStatus, FailuresAreRecordedOnceAndDrawingGoesOn) {
    GraphicsPath path;
    const PointF three[3] = {PointF(0, 0), PointF(1, 1), PointF(2, 2)};
    EXPECT_EQ(path.AddBeziers(three, 3), InvalidParameter);
    EXPECT_EQ(path.AddArc(0.0f, 0.0f, -5.0f, 5.0f, 0.0f, 90.0f), InvalidParameter);
    EXPECT_EQ(path.GetLastStatus(), InvalidParameter);
    EXPECT_EQ(path.GetLastStatus(), Ok);
    Canvas canvas(10, 10, kWhite);
    EXPECT_EQ(canvas.Graphics().FillPath(nullptr, &path), InvalidParameter);
    EXPECT_EQ(canvas.Graphics().GetLastStatus(), InvalidParameter);
    EXPECT_EQ(canvas.Graphics().GetLastStatus(), Ok);
    SolidBrush black(C(kBlack));
    EXPECT_EQ(canvas.Graphics().FillRectangle(&black, 0, 0, 10, 10), Ok);
    Graphics onNothing(static_cast<HDC>(nullptr));
    EXPECT_EQ(onNothing.GetLastStatus(), InvalidParameter);
    EXPECT_EQ(onNothing.FillRectangle(&black, 0, 0, 10, 10), Ok);
}

// ---------------------------------------------------------------------------
// Kept coverage: a fill of a path filled before takes its coverage from what
// was kept. Every fill of a sequence whose paths, transforms, rules and clips
// share bounds must come out as the same fill made with nothing kept.

TEST(GraphicsKeptCoverage, AFillFromWhatWasKeptIsTheFillMadeAfresh) {
    GraphicsPath disc;
    disc.AddEllipse(10.0f, 10.0f, 40.0f, 40.0f);
    GraphicsPath ring;  // the same bounds as the disc, other points
    ring.AddRectangle(RectF(10.0f, 10.0f, 40.0f, 40.0f));
    ring.AddEllipse(20.0f, 20.0f, 20.0f, 20.0f);
    GraphicsPath windingRing;  // the same points as the ring, the other rule
    windingRing.AddPath(&ring, FALSE);
    windingRing.SetFillMode(FillModeWinding);
    GraphicsPath edited;  // one object whose points change between fills
    edited.AddEllipse(10.0f, 10.0f, 40.0f, 40.0f);
    const SolidBrush red(C(kRed));
    const LinearGradientBrush fade(Rect(0, 0, 60, 60), C(kBlue), C(kRed), LinearGradientModeVertical);
    struct Fill {
        const char* name;
        GraphicsPath* path;
        const Brush* brush;
        float dx;   // world move
        Rect clip;  // empty for none
        std::function<void()> before;
    };
    const Fill fills[] = {
        {"disc", &disc, &red, 0, {}, {}},
        {"ring", &ring, &red, 0, {}, {}},
        {"winding-ring", &windingRing, &red, 0, {}, {}},
        {"disc-moved", &disc, &red, 0.25f, {}, {}},
        {"disc-clipped", &disc, &red, 0, Rect(30, 0, 30, 60), {}},
        {"disc-gradient", &disc, &fade, 0, {}, {}},
        {"disc-again", &disc, &red, 0, {}, {}},
        {"edited-first", &edited, &red, 0, {}, [&] {
             edited.Reset();
             edited.AddEllipse(10.0f, 10.0f, 40.0f, 40.0f);
         }},
        {"edited-then", &edited, &red, 0, {}, [&] {
             edited.Reset();
             edited.AddEllipse(10.0f, 10.0f, 40.0f, 39.5f);
         }},
    };
    auto draw = [](const Fill& f) {
        Canvas canvas(60, 60, kWhite);
        Graphics& g = canvas.Graphics();
        g.TranslateTransform(f.dx, 0.0f);
        if (f.clip.Width > 0) g.SetClip(f.clip, CombineModeReplace);
        g.FillPath(f.brush, f.path);
        return canvas.Image();
    };
    std::vector<QImage> fresh;
    for (const Fill& f : fills) {
        if (f.before) f.before();
        detail::ForgetKeptCoverage();
        fresh.push_back(draw(f));
    }
    detail::ForgetKeptCoverage();
    const size_t hitsBefore = detail::KeptCoverageOfThisThread().hits;
    for (size_t i = 0; i < std::size(fills); ++i) {
        if (fills[i].before) fills[i].before();
        EXPECT_TRUE(draw(fills[i]) == fresh[i]) << fills[i].name;
    }
    // The clipped disc, the gradient, "again" and the first edit find the disc kept.
    EXPECT_EQ(detail::KeptCoverageOfThisThread().hits - hitsBefore, 4u);
    // A small fill is worked out whole: made afresh under a clip, its pixels
    // there are those of the whole disc.
    const QRect clipped(30, 0, 30, 60);
    EXPECT_TRUE(fresh[4].copy(clipped) == fresh[0].copy(clipped));
}

// A picture kept as runs draws back the pixels it was taken from: straight
// into a target's rows under a rectangular clip, and through a picture where
// the target is moved by part of a pixel.
TEST(GraphicsRowRuns, DrawBackThePixelsTheyWereTakenFrom) {
    Bitmap picture(40, 30, PixelFormat32bppARGB);
    {
        Graphics g(&picture);
        g.Clear(C(kBlue));
        const SolidBrush red(C(kRed));
        g.FillRectangle(&red, 5, 5, 20, 10);
        const LinearGradientBrush fade(Rect(0, 0, 40, 1), C(kWhite), C(kBlack), LinearGradientModeHorizontal);
        g.FillRectangle(&fade, 0, 20, 40, 3);
    }
    picture.SetPixel(33, 2, Color(128, 10, 200, 30));  // half transparent, alone in its row
    picture.SetPixel(39, 29, C(RGB(0, 160, 0)));       // the last pixel
    RowRuns runs;
    ASSERT_TRUE(runs.Take(picture, 40 * 30 * 4));
    EXPECT_LT(runs.Bytes(), size_t(40 * 30 * 4 / 2));
    const struct {
        const char* name;
        float dx, dy;
        Rect clip;  // empty for none
        Rect part;
        int x, y;
    } cases[] = {
        {"whole", 0, 0, {}, Rect(0, 0, 40, 30), 5, 5},
        {"part-clipped", 0, 0, Rect(10, 8, 20, 12), Rect(3, 4, 30, 20), 7, 6},
        {"part-past-the-picture", 0, 0, {}, Rect(30, 25, 40, 40), -20, -10},
        {"moved-by-a-fraction", 0.5f, 0.25f, Rect(2, 2, 50, 40), Rect(0, 0, 40, 30), 2, 2},
    };
    for (const auto& c : cases) {
        Bitmap viaRuns(60, 50, PixelFormat32bppARGB), viaCopy(60, 50, PixelFormat32bppARGB);
        for (Bitmap* target : {&viaRuns, &viaCopy}) {
            Graphics g(target);
            g.Clear(C(kWhite));
            g.TranslateTransform(c.dx, c.dy);
            if (c.clip.Width > 0) g.SetClip(c.clip, CombineModeReplace);
            if (target == &viaRuns) {
                EXPECT_EQ(g.DrawRuns(runs, c.x, c.y, c.part), Ok) << c.name;
                continue;
            }
            // The part cut to the picture.
            const int x0 = std::max(c.part.X, 0), y0 = std::max(c.part.Y, 0);
            const Rect inside(x0, y0, std::min(c.part.X + c.part.Width, 40) - x0, std::min(c.part.Y + c.part.Height, 30) - y0);
            g.SetCompositingMode(CompositingModeSourceCopy);
            g.DrawImage(&picture, RectF(REAL(c.x + inside.X), REAL(c.y + inside.Y), REAL(inside.Width), REAL(inside.Height)),
                        REAL(inside.X), REAL(inside.Y), REAL(inside.Width), REAL(inside.Height), UnitPixel);
        }
        EXPECT_TRUE(*detail::ImageOf(viaRuns) == *detail::ImageOf(viaCopy)) << c.name;
    }
    // Runs dearer than the limit are not kept.
    EXPECT_FALSE(runs.Take(picture, 64));
    EXPECT_TRUE(runs.Empty());
}

// A picture blended at whole pixels gives what the toolkit's painter gives,
// for every alpha: pixels of premultiplied noise over a noisy target, part of
// the picture, under a clip and past the target's edge.
TEST(GraphicsDrawImage, ABlendAtWholePixelsIsThePaintersBlend) {
    auto noise = [](int w, int h, unsigned seed) {
        QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                seed = seed * 1103515245u + 12345u;
                const int alphas[] = {0, 1, 127, 128, 254, 255, int(seed >> 24)};
                const int a = alphas[(seed >> 8) % 7];
                image.setPixel(x, y, qPremultiply(qRgba(int(seed >> 4) & 255, int(seed >> 12) & 255,
                                                        int(seed >> 20) & 255, a)));
            }
        return image;
    };
    Bitmap picture(37, 23, PixelFormat32bppARGB);
    *detail::ImageOf(picture) = noise(37, 23, 7);
    const struct {
        const char* name;
        Rect clip;  // empty for none
        Rect part;
        int x, y;
    } cases[] = {
        {"whole", {}, Rect(0, 0, 37, 23), 4, 3},
        {"part-clipped", Rect(10, 8, 20, 12), Rect(3, 4, 30, 15), 6, 5},
        {"past-the-edge", {}, Rect(0, 0, 37, 23), 40, 30},
    };
    for (const auto& c : cases) {
        Bitmap target(60, 45, PixelFormat32bppARGB);
        *detail::ImageOf(target) = noise(60, 45, 99);
        QImage expected = *detail::ImageOf(target);
        {
            QPainter p(&expected);
            if (c.clip.Width > 0) p.setClipRect(QRect(c.clip.X, c.clip.Y, c.clip.Width, c.clip.Height));
            p.drawImage(QPoint(c.x, c.y), *detail::ImageOf(picture), QRect(c.part.X, c.part.Y, c.part.Width, c.part.Height));
        }
        Graphics g(&target);
        if (c.clip.Width > 0) g.SetClip(c.clip, CombineModeReplace);
        g.DrawImage(&picture, RectF(REAL(c.x), REAL(c.y), REAL(c.part.Width), REAL(c.part.Height)), REAL(c.part.X),
                    REAL(c.part.Y), REAL(c.part.Width), REAL(c.part.Height), UnitPixel);
        EXPECT_TRUE(*detail::ImageOf(target) == expected) << c.name;
    }
}
