#include "controls/path_helpers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "controls/draw_helpers.h"

using namespace gfx;

namespace {

// The bounds centre with integer halves.
PointF BoundsCentre(const GraphicsPath& path, Rect* boundsOut = nullptr) {
    Rect b;
    path.GetBounds(&b);
    if (boundsOut) *boundsOut = b;
    // (In 64 bits: bounds near the ends of int's range would overflow the sum.)
    return PointF(REAL(std::int64_t(b.X) + b.Width / 2), REAL(std::int64_t(b.Y) + b.Height / 2));
}

// float to int toward zero, kept inside int's range.
int Truncate(float v) {
    if (!(v == v)) return 0;
    if (v >= float(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (v <= float(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return int(v);
}

void FillRadial(Graphics* g, GraphicsPath* path, PointF centrePoint, Color centre, Color surround) {
    PathGradientBrush brush(path);
    brush.SetCenterPoint(centrePoint);
    brush.SetCenterColor(centre);
    INT count = 1;
    brush.SetSurroundColors(&surround, &count);
    g->FillPath(&brush, path);
}

// A copy of the path grown about the centre by the factors, filled from `centre`
// at the centre to `surround` at its outline.
void FillGrown(Graphics* g, const GraphicsPath& path, const fill_geometry::Growth& growth, Color centre,
               Color surround) {
    if (!growth.valid) return;
    GraphicsPath grown(path);
    const float cx = growth.centre.X, cy = growth.centre.Y;
    const Matrix m(growth.sx, 0, 0, growth.sy, cx - cx * growth.sx, cy - cy * growth.sy);
    grown.Transform(&m);
    FillRadial(g, &grown, growth.centre, centre, surround);
}

// A path gradient on an ellipse with the triangular blend the highlights use.
void FillShine(Graphics* g, const Rect& box, Color surround, Color centre, float focusX, float focusY) {
    GraphicsPath ellipse;
    ellipse.AddEllipse(box);
    PathGradientBrush brush(&ellipse);
    brush.SetCenterPoint(Point(box.X + box.Width / 2, box.Y + box.Height / 2));
    brush.SetCenterColor(centre);
    INT count = 1;
    brush.SetSurroundColors(&surround, &count);
    brush.SetBlendTriangularShape(0.5f, 1.0f);
    brush.SetFocusScales(focusX, focusY);
    g->FillPath(&brush, &ellipse);
}

// Adds the text (and the second text) for one pass of the fitting rule.
void AddTexts(GraphicsPath& path, const FontFamily& family, int style, float size, const CString& text, PointF origin,
              const StringFormat* format, const CString* second, PointF secondOrigin) {
    path.AddString(text.c_str(), INT(text.size()), &family, style, size, RectF(origin.X, origin.Y, 0, 0), format);
    if (second && !second->empty())
        path.AddString(second->c_str(), INT(second->size()), &family, style, size,
                       RectF(secondOrigin.X, secondOrigin.Y, 0, 0), format);
}

// The bounds of the text (and the second text) as the integer path bounds give
// them, at any size: laid out about a point, every outline point moves in
// proportion to the size about its origin, so one measurement serves all sizes.
class ScaledBounds {
public:
    ScaledBounds(const FontFamily& family, int style, float size, const CString& text, PointF origin,
                 const StringFormat* format, const CString* second, PointF secondOrigin)
        : m_size(size) {
        Measure(family, style, text, origin, format, 0);
        if (second && !second->empty()) Measure(family, style, *second, secondOrigin, format, 1);
    }
    Rect At(float size) const {
        const double k = m_size != 0 ? double(size) / m_size : 0.0;
        bool any = false;
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        for (const Part& p : m_parts) {
            if (!p.present) continue;
            const double l = p.origin.X + p.box.X * k, t = p.origin.Y + p.box.Y * k;
            const double r = l + p.box.Width * k, b = t + p.box.Height * k;
            x0 = any ? std::min(x0, l) : l;
            y0 = any ? std::min(y0, t) : t;
            x1 = any ? std::max(x1, r) : r;
            y1 = any ? std::max(y1, b) : b;
            any = true;
        }
        if (!any) return Rect();
        auto round = [](double v) { return INT(std::floor(float(v) + 0.5)); };
        return Rect(round(x0), round(y0), round(x1 - x0), round(y1 - y0));
    }

private:
    struct Part {
        bool present = false;
        PointF origin;
        RectF box;  // relative to the origin at the measured size
    };
    void Measure(const FontFamily& family, int style, const CString& text, PointF origin, const StringFormat* format,
                 int index) {
        GraphicsPath path;
        path.AddString(text.c_str(), INT(text.size()), &family, style, m_size, RectF(origin.X, origin.Y, 0, 0), format);
        if (path.GetPointCount() == 0) return;
        RectF b;
        path.GetBounds(&b);
        m_parts[index] = Part{true, origin, RectF(b.X - origin.X, b.Y - origin.Y, b.Width, b.Height)};
    }
    float m_size;
    Part m_parts[2];
};

// The fitting loops: first the left margin (half the size), then the top one
// (a tenth). Each lowering stops at 4.0; a size that no longer changes by the
// step (absurdly large starts) or a very long search ends them too.
float Fit(GraphicsPath& path, const FontFamily& family, int style, float size, int left, int top, const CString& text,
          PointF origin, const StringFormat* format, const CString* second, PointF secondOrigin) {
    constexpr int kMaxSteps = 100000;
    const ScaledBounds measure(family, style, size, text, origin, format, second, secondOrigin);
    Rect bounds = measure.At(size);
    auto lower = [&](auto tooClose) {
        for (int steps = 0; steps < kMaxSteps && tooClose(); ++steps) {
            const float next = size - 0.1f;
            if (next == size) break;
            size = next;
            bounds = measure.At(size);
            if (size <= 4.0f) break;
        }
    };
    lower([&] { return size * 0.5f + float(left) > float(bounds.X); });
    lower([&] { return size / 10.0f + float(top) > float(bounds.Y); });
    path.Reset();
    AddTexts(path, family, style, size, text, origin, format, second, secondOrigin);
    return size;
}

}  // namespace

// ---------------------------------------------------------------------------
// Path builders

void AddRoundRectPath(int radius, GraphicsPath* path, int left, int top, int right, int bottom) {
    if (!path) return;
    const int r = radius, d = 2 * radius;
    path->AddLine(left + r, top, right - r, top);
    path->AddArc(right - d, top, d, d, 270.0f, 90.0f);
    path->AddLine(right, top + r, right, bottom - r);
    path->AddArc(right - d, bottom - d, d, d, 0.0f, 90.0f);
    path->AddLine(right - r, bottom, left + r, bottom);
    path->AddArc(left, bottom - d, d, d, 90.0f, 90.0f);
    path->AddLine(left, bottom - r, left, top + r);
    path->AddArc(left, top, d, d, 180.0f, 90.0f);
}

float FitTextSize(int fontStyle, const StringFormat* format, int left, int top, int, int, const CString& text,
                  const CString& familyName, float size, PointF origin) {
    const FontFamily family(familyName.c_str());
    GraphicsPath path;
    return Fit(path, family, fontStyle, size, left, top, text, origin, format, nullptr, PointF());
}

void AddFittedTextPath(GraphicsPath* path, int fontStyle, int left, int top, int, int, const CString& text,
                       const CString& familyName, float size, PointF origin, const StringFormat* format,
                       const CString& secondText, PointF secondOrigin) {
    if (!path) return;
    path->Reset();
    const FontFamily family(familyName.c_str());
    Fit(*path, family, fontStyle, size, left, top, text, origin, format, &secondText, secondOrigin);
}

void DrawEdgeLines(Graphics* g, COLORREF light, int left, int top, int right, int bottom, COLORREF dark) {
    if (!g) return;
    const Pen lightPen(Opaque(light), 1.0f);
    const PointF lightLine[3] = {PointF(REAL(left), REAL(bottom)), PointF(REAL(left), REAL(top)),
                                 PointF(REAL(right), REAL(top))};
    g->DrawLines(&lightPen, lightLine, 3);
    const Pen darkPen(Opaque(dark), 1.0f);
    const PointF darkLine[3] = {PointF(REAL(left), REAL(bottom)), PointF(REAL(right), REAL(bottom)),
                                PointF(REAL(right), REAL(top))};
    g->DrawLines(&darkPen, darkLine, 3);
}

void SetShapeTransform(Graphics* g, BOOL mirror, float width, float height, float x, float y, float angle,
                       BOOL turnOver) {
    if (!g) return;
    const float half = std::max(width, height) * 0.5f;
    const float cx = x + half, cy = y + half;
    g->TranslateTransform(cx, cy, MatrixOrderPrepend);
    if (angle < 0) g->ScaleTransform(1.0f, -1.0f, MatrixOrderPrepend);
    g->RotateTransform(angle, MatrixOrderPrepend);
    if (mirror) g->ScaleTransform(1.0f, -1.0f, MatrixOrderPrepend);
    if (turnOver) {
        g->ScaleTransform(1.0f, -1.0f, MatrixOrderPrepend);
        g->RotateTransform(180.0f, MatrixOrderPrepend);
    }
    g->TranslateTransform(-cx, -cy, MatrixOrderPrepend);
}

// ---------------------------------------------------------------------------
// Geometry of the fills

namespace fill_geometry {

Growth Glow(const GraphicsPath& path) {
    Growth growth;
    const auto& pts = path.Points();
    if (pts.empty()) return growth;
    // Minima and maxima start from the first point, so that shapes anywhere
    // (negative or far coordinates) are measured right.
    float minX = pts[0].X, maxX = pts[0].X, minY = pts[0].Y, maxY = pts[0].Y;
    for (const PointF& p : pts) {
        minX = std::min(minX, p.X);
        maxX = std::max(maxX, p.X);
        minY = std::min(minY, p.Y);
        maxY = std::max(maxY, p.Y);
    }
    const float w = maxX - minX, h = maxY - minY;
    growth.centre = PointF(minX + w * 0.5f, minY + h * 0.5f);
    if (std::abs(h - w) < 10.0f) {
        growth.sx = growth.sy = 1.8f;
    } else if (h > w) {
        growth.sx = 1.8f;
        growth.sy = 1.5f;
    } else {
        growth.sx = 1.5f;
        growth.sy = 1.8f;
    }
    growth.valid = true;
    return growth;
}

Growth InnerGlow(const GraphicsPath& path, float margin) {
    Growth growth;
    if (path.GetPointCount() == 0) return growth;
    Rect b;
    growth.centre = BoundsCentre(path, &b);
    // A side of no length cannot grow by scaling: it stays as it is.
    growth.sx = b.Width != 0 ? (float(b.Width) + margin) / float(b.Width) : 1.0f;
    growth.sy = b.Height != 0 ? (float(b.Height) + margin) / float(b.Height) : 1.0f;
    growth.valid = std::isfinite(growth.sx) && std::isfinite(growth.sy);
    return growth;
}

Growth SoftGlow(const GraphicsPath& path, float factor) {
    Growth growth;
    if (path.GetPointCount() == 0) return growth;
    Rect b;
    growth.centre = BoundsCentre(path, &b);
    const float w = float(b.Width), h = float(b.Height);
    // The search may never succeed (no extent, or a factor the longer side cannot
    // catch up with in reasonable steps): then there is no glow.
    constexpr int kMaxSteps = 10000;
    float grow = 1.0f;
    int steps = 0;
    if (h <= w) {
        growth.sy = factor;
        while (!(w * grow - w > h * factor - h) && steps < kMaxSteps) {
            grow += 0.1f;
            ++steps;
        }
        growth.sx = grow;
    } else {
        growth.sx = factor;
        while (!(h * grow - h > w * factor - w) && steps < kMaxSteps) {
            grow += 0.1f;
            ++steps;
        }
        growth.sy = grow;
    }
    growth.valid = steps < kMaxSteps && std::isfinite(factor);
    return growth;
}

Rect ShineEllipse(int left, int top, int right, int bottom) {
    const int x = left + 1, y = top + 1;
    // Rectangles narrower than 65 pixels lose two pixels at the right and bottom,
    // wider ones one.
    if (right - left < 65) return Rect(x, y, right - 2 - x, bottom - 2 - y);
    return Rect(x, y, right - 1 - x, bottom - 1 - y);
}

Rect ClippedShineEllipse(BYTE side, int left, int top, int right, int bottom) {
    Rect r(left, top, right - left, bottom - top);
    switch (side) {
    case 0: r.Width *= 2; break;
    case 1: r.Height *= 2; break;
    case 2:
        r.X = 2 * left - right;
        r.Width *= 2;
        break;
    case 3:
        r.Y = 2 * top - bottom;
        r.Height *= 2;
        break;
    default: break;
    }
    return r;
}

Rect QuarterShineEllipse(BYTE corner, int left, int top, int right, int bottom) {
    const int w = right - left, h = bottom - top;
    switch (corner) {
    case 0: return Rect(left, top, 2 * w, 2 * h);
    case 1: return Rect(2 * left - right, top, 2 * w, 2 * h);
    case 2: return Rect(2 * left - right, 2 * top - bottom, 2 * w, 2 * h);
    case 3: return Rect(left, 2 * top - bottom, 2 * w, 2 * h);
    default: return Rect(left - w / 2, top - h / 2, 2 * w, 2 * h);
    }
}

}  // namespace fill_geometry

// ---------------------------------------------------------------------------
// Fills

void FillPathRadial(Graphics* g, GraphicsPath* path, COLORREF centre, COLORREF surround) {
    if (!g || !path) return;
    FillRadial(g, path, BoundsCentre(*path), Opaque(centre), Opaque(surround));
}

void FillPathRadialBounds(Graphics* g, GraphicsPath* path, COLORREF surround, COLORREF centre) {
    FillPathRadial(g, path, centre, surround);
}

void FillPathGlow(Graphics* g, GraphicsPath* path, COLORREF colour) {
    if (!g || !path) return;
    FillGrown(g, *path, fill_geometry::Glow(*path), Opaque(colour), Color(0x00000000u));
}

void FillPathGlowInner(Graphics* g, GraphicsPath* path, COLORREF colour, float margin) {
    if (!g || !path) return;
    FillGrown(g, *path, fill_geometry::InnerGlow(*path, margin), Opaque(colour), Color(0x00000000u));
}

void FillPathGlowSoft(Graphics* g, GraphicsPath* path, COLORREF colour, float factor) {
    if (!g || !path) return;
    FillGrown(g, *path, fill_geometry::SoftGlow(*path, factor), Opaque(colour), Color(ColorToArgb(0, colour)));
}

void FillPathLinearSigma(Graphics* g, GraphicsPath* path, COLORREF colour1, COLORREF colour2, float focus, float angle,
                         BYTE alpha1, BYTE alpha2, float scale) {
    if (!g || !path) return;
    Rect b;
    path->GetBounds(&b);
    const Rect area(b.X, b.Y, Truncate(float(b.Width) * scale), Truncate(float(b.Height) * scale));
    LinearGradientBrush brush(area, Color(ColorToArgb(alpha1, colour1)), Color(ColorToArgb(alpha2, colour2)), angle,
                              FALSE);
    brush.SetWrapMode(WrapModeTile);
    brush.SetBlendBellShape(focus, 1.0f);
    g->FillPath(&brush, path);
}

void FillEllipseShine(Graphics* g, COLORREF surround, COLORREF centre, float focusY, int left, int top, int right,
                      int bottom, float focusX) {
    if (!g) return;
    FillShine(g, fill_geometry::ShineEllipse(left, top, right, bottom), Opaque(surround), Opaque(centre), focusX,
              focusY);
}

void FillEllipseShineClipped(Graphics* g, COLORREF surround, COLORREF centre, BYTE side, float focusA, float focusB,
                             float angle, int left, int top, int right, int bottom) {
    if (!g) return;
    const Rect box = fill_geometry::ClippedShineEllipse(side, left, top, right, bottom);
    g->SetClip(Rect(left, top, right - left, bottom - top), CombineModeReplace);
    // The angle only decides which way round the focus scales go.
    const bool across = angle == 90.0f || angle == 270.0f;
    FillShine(g, box, Opaque(surround), Opaque(centre), across ? focusB : focusA, across ? focusA : focusB);
    g->ResetClip();
}

void FillEllipseShineClipped2(Graphics* g, COLORREF surround, COLORREF centre, BYTE corner, int left, int top,
                              int right, int bottom) {
    if (!g) return;
    const Rect box = fill_geometry::QuarterShineEllipse(corner, left, top, right, bottom);
    g->SetClip(Rect(left, top, right - left, bottom - top), CombineModeReplace);
    FillShine(g, box, Opaque(surround), Opaque(centre), 0.0f, 0.0f);
    g->ResetClip();
}
