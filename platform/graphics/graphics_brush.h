// Brushes fill areas: one solid colour, a linear gradient between two lines, or
// a path gradient from a centre point out to a boundary. Both gradients spread
// their colours through a blend and map through a brush transform of their own.
// A brush is copied by Clone; a pen keeps a copy of the brush it is given.
#pragma once

#include <vector>

#include "platform/graphics/graphics_matrix.h"
#include "platform/graphics/graphics_path.h"
#include "platform/graphics/graphics_types.h"

namespace gfx {

class Brush {
public:
    virtual ~Brush() = default;
    virtual Brush* Clone() const = 0;
    BrushType GetType() const { return m_type; }
    Status GetLastStatus() const;

protected:
    explicit Brush(BrushType t) : m_type(t) {}
    Status Record(Status s) const {
        if (s != Ok) m_last = s;
        return s;
    }
    BrushType m_type;
    mutable Status m_last = Ok;
};

class SolidBrush : public Brush {
public:
    explicit SolidBrush(const Color& c) : Brush(BrushTypeSolidColor), m_colour(c) {}
    Brush* Clone() const override { return new SolidBrush(*this); }
    Status GetColor(Color* c) const;
    Status SetColor(const Color& c) { m_colour = c; return Ok; }
    const Color& Colour() const { return m_colour; }

private:
    Color m_colour;
};

// How a gradient's colours spread between its two ends (or boundary and centre).
struct GradientBlend {
    std::vector<REAL> factors;    // share of the second colour at each position
    std::vector<REAL> positions;  // 0..1, first 0 and last 1
    std::vector<Color> presetColours;
    std::vector<REAL> presetPositions;
};

// What the linear and the path gradient share: the blend and the brush transform.
class GradientBrush : public Brush {
public:
    // Factors (share of the second colour) at positions 0..1; count >= 2, the
    // positions starting at 0 and ending at 1.
    Status SetBlend(const REAL* factors, const REAL* positions, INT count);
    // Rises from 0 at the start to `scale` at `focus` and falls to 0 at the end,
    // along a bell curve (normal distribution) or straight lines.
    Status SetBlendBellShape(REAL focus, REAL scale = 1.0f);
    Status SetBlendTriangularShape(REAL focus, REAL scale = 1.0f);
    // Preset colours at positions 0..1 (replacing the two colours and the blend).
    Status SetInterpolationColors(const Color* colours, const REAL* positions, INT count);
    // Accepted; the fills do not correct gamma.
    Status SetGammaCorrection(BOOL) { return Ok; }
    Status SetTransform(const Matrix* m);
    Status ResetTransform() { m_transform.Reset(); return Ok; }
    Status TranslateTransform(REAL dx, REAL dy, MatrixOrder order = MatrixOrderPrepend);
    Status ScaleTransform(REAL sx, REAL sy, MatrixOrder order = MatrixOrderPrepend);

    // Layer internals.
    const GradientBlend& Blend() const { return m_blend; }
    const Matrix& BrushTransform() const { return m_transform; }

protected:
    using Brush::Brush;
    GradientBlend m_blend;
    Matrix m_transform;
};

class LinearGradientBrush : public GradientBrush {
public:
    LinearGradientBrush(const PointF& p1, const PointF& p2, const Color& c1, const Color& c2);
    LinearGradientBrush(const Point& p1, const Point& p2, const Color& c1, const Color& c2);
    LinearGradientBrush(const RectF& rect, const Color& c1, const Color& c2, LinearGradientMode mode);
    LinearGradientBrush(const Rect& rect, const Color& c1, const Color& c2, LinearGradientMode mode);
    // The colours change along the angle (degrees, clockwise from the x axis); the
    // first colour holds on the line through the rectangle's first corner along
    // that direction, the second on the line through the opposite corner.
    LinearGradientBrush(const RectF& rect, const Color& c1, const Color& c2, REAL angle, BOOL isAngleScalable = FALSE);
    LinearGradientBrush(const Rect& rect, const Color& c1, const Color& c2, REAL angle, BOOL isAngleScalable = FALSE);
    Brush* Clone() const override { return new LinearGradientBrush(*this); }

    Status SetLinearColors(const Color& c1, const Color& c2);
    Status GetLinearColors(Color* colours) const;
    Status GetRectangle(RectF* r) const;
    Status GetRectangle(Rect* r) const;
    Status SetWrapMode(WrapMode mode);
    WrapMode GetWrapMode() const { return m_wrap; }
    Status RotateTransform(REAL angle, MatrixOrder order = MatrixOrderPrepend);

    // Layer internals: the gradient runs from start to end (colour 1 to colour 2).
    PointF Start() const { return m_start; }
    PointF End() const { return m_end; }
    const Color* Colours() const { return m_colours; }

private:
    void InitAngle(const RectF& rect, REAL angle, BOOL scalable);
    PointF m_start, m_end;
    RectF m_rect;
    Color m_colours[2];
    WrapMode m_wrap = WrapModeTile;
};

// Colours run along straight lines from the centre point (centre colour) to the
// boundary (surround colours); blend positions count 0 at the boundary and 1 at
// the centre. Focus scales shrink the boundary about the centre into the area
// that shows the centre colour.
class PathGradientBrush : public GradientBrush {
public:
    explicit PathGradientBrush(const GraphicsPath* path);
    PathGradientBrush(const PointF* points, INT count, WrapMode mode = WrapModeClamp);
    PathGradientBrush(const Point* points, INT count, WrapMode mode = WrapModeClamp);
    Brush* Clone() const override { return new PathGradientBrush(*this); }

    Status SetCenterPoint(const PointF& p);
    Status SetCenterPoint(const Point& p) { return SetCenterPoint(PointF(REAL(p.X), REAL(p.Y))); }
    Status GetCenterPoint(PointF* p) const;
    Status SetCenterColor(const Color& c);
    Status GetCenterColor(Color* c) const;
    // At most one colour per boundary point; `count` takes how many were set.
    Status SetSurroundColors(const Color* colours, INT* count);
    INT GetSurroundColorCount() const { return INT(m_surround.size()); }
    INT GetPointCount() const { return m_boundary.GetPointCount(); }
    Status SetFocusScales(REAL x, REAL y);
    Status GetFocusScales(REAL* x, REAL* y) const;
    Status SetWrapMode(WrapMode mode);
    WrapMode GetWrapMode() const { return m_wrap; }
    Status GetRectangle(RectF* r) const;

    // Layer internals.
    const GraphicsPath& Boundary() const { return m_boundary; }
    const Color& CentreColour() const { return m_centreColour; }
    const std::vector<Color>& SurroundColours() const { return m_surround; }
    PointF CentrePoint() const { return m_centre; }
    REAL FocusX() const { return m_focusX; }
    REAL FocusY() const { return m_focusY; }

private:
    void InitCentre();
    GraphicsPath m_boundary;
    PointF m_centre;
    Color m_centreColour{0xFF000000u};
    std::vector<Color> m_surround{Color(0xFFFFFFFFu)};
    REAL m_focusX = 0, m_focusY = 0;
    WrapMode m_wrap = WrapModeClamp;
};

}  // namespace gfx
