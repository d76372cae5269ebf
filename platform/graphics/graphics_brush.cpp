// Brushes of the graphics layer, gradient colour ramps, and the path
// gradient fill on figures that Qt's gradients cannot express.
#include <QLinearGradient>
#include <QPolygonF>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

#include "platform/graphics/graphics.h"
#include "platform/graphics/graphics_impl.h"
#include "platform/gdi/raster_bands.h"

namespace gfx {

namespace {

constexpr double kPi = 3.14159265358979323846;

Status Valid(const REAL* factors, const REAL* positions, INT count) {
    if (!factors || !positions || count < 2) return InvalidParameter;
    if (std::abs(positions[0]) > 1e-6f || std::abs(positions[count - 1] - 1.0f) > 1e-6f) return InvalidParameter;
    for (INT i = 1; i < count; ++i)
        if (positions[i] < positions[i - 1]) return InvalidParameter;
    return Ok;
}

// A bell-shaped rise from 0 at u = 0 to 1 at u = 1 (a normal distribution's
// cumulative curve over two standard deviations each side).
double Bell(double u) {
    constexpr double k = 2.0;
    const double e = std::erf(k);
    return (std::erf(k * (2.0 * u - 1.0)) + e) / (2.0 * e);
}

void SetShape(GradientBlend& blend, REAL focus, REAL scale, bool bell) {
    focus = std::clamp(focus, 0.0f, 1.0f);
    scale = std::clamp(scale, 0.0f, 1.0f);
    blend.presetColours.clear();
    blend.presetPositions.clear();
    blend.factors.clear();
    blend.positions.clear();
    if (!bell) {
        if (focus > 0.0f) {
            blend.positions.push_back(0.0f);
            blend.factors.push_back(0.0f);
        }
        blend.positions.push_back(focus);
        blend.factors.push_back(scale);
        if (focus < 1.0f) {
            blend.positions.push_back(1.0f);
            blend.factors.push_back(0.0f);
        }
        return;
    }
    constexpr int kSteps = 64;
    if (focus > 0.0f) {
        for (int i = 0; i < kSteps; ++i) {
            const double u = double(i) / kSteps;
            blend.positions.push_back(REAL(u * focus));
            blend.factors.push_back(REAL(scale * Bell(u)));
        }
    }
    blend.positions.push_back(focus);
    blend.factors.push_back(scale);
    if (focus < 1.0f) {
        for (int i = kSteps - 1; i >= 0; --i) {
            const double u = double(i) / kSteps;
            blend.positions.push_back(REAL(1.0 - u * (1.0 - focus)));
            blend.factors.push_back(REAL(scale * Bell(u)));
        }
    }
}

Status SetFactors(GradientBlend& blend, const REAL* factors, const REAL* positions, INT count) {
    const Status s = Valid(factors, positions, count);
    if (s != Ok) return s;
    blend.factors.assign(factors, factors + count);
    blend.positions.assign(positions, positions + count);
    blend.presetColours.clear();
    blend.presetPositions.clear();
    return Ok;
}

Status SetPreset(GradientBlend& blend, const Color* colours, const REAL* positions, INT count) {
    if (!colours) return InvalidParameter;
    const Status s = Valid(positions, positions, count);
    if (s != Ok) return s;
    blend.presetColours.assign(colours, colours + count);
    blend.presetPositions.assign(positions, positions + count);
    blend.factors.clear();
    blend.positions.clear();
    return Ok;
}

// Piecewise linear lookup over ascending positions.
double Lookup(const std::vector<REAL>& positions, const std::vector<REAL>& values, double t) {
    if (values.empty()) return t;
    if (t <= positions.front()) return values.front();
    if (t >= positions.back()) return values.back();
    const auto it = std::upper_bound(positions.begin(), positions.end(), REAL(t));
    const size_t i = size_t(it - positions.begin());
    const double p0 = positions[i - 1], p1 = positions[i];
    const double f = p1 > p0 ? (t - p0) / (p1 - p0) : 1.0;
    return values[i - 1] + (values[i] - values[i - 1]) * f;
}

QRgb Mix(QRgb a, QRgb b, double f) {
    auto ch = [&](int ca, int cb) { return int(ca + (cb - ca) * f + 0.5); };
    return qRgba(ch(qRed(a), qRed(b)), ch(qGreen(a), qGreen(b)), ch(qBlue(a), qBlue(b)), ch(qAlpha(a), qAlpha(b)));
}

QRgb Straight(const Color& c) { return qRgba(c.GetR(), c.GetG(), c.GetB(), c.GetA()); }

double Cross(QPointF a, QPointF b) { return a.x() * b.y() - a.y() * b.x(); }

}  // namespace

Status Brush::GetLastStatus() const {
    const Status s = m_last;
    m_last = Ok;
    return s;
}

Status SolidBrush::GetColor(Color* c) const {
    if (!c) return Record(InvalidParameter);
    *c = m_colour;
    return Ok;
}

// ---------------------------------------------------------------------------
// Colour ramps

namespace detail {

QRgb RampColour(const Color& first, const Color& second, const GradientBlend& blend, double position) {
    position = std::clamp(position, 0.0, 1.0);
    if (!blend.presetColours.empty()) {
        const auto& pos = blend.presetPositions;
        const auto& col = blend.presetColours;
        if (position <= pos.front()) return Straight(col.front());
        if (position >= pos.back()) return Straight(col.back());
        const auto it = std::upper_bound(pos.begin(), pos.end(), REAL(position));
        const size_t i = size_t(it - pos.begin());
        const double f = pos[i] > pos[i - 1] ? (position - pos[i - 1]) / (pos[i] - pos[i - 1]) : 1.0;
        return Mix(Straight(col[i - 1]), Straight(col[i]), f);
    }
    const double factor = std::clamp(Lookup(blend.positions, blend.factors, position), 0.0, 1.0);
    return Mix(Straight(first), Straight(second), factor);
}

void BuildRamp(const Color& first, const Color& second, const GradientBlend& blend, QRgb* out, int n) {
    for (int i = 0; i <= n; ++i) out[i] = qPremultiply(RampColour(first, second, blend, double(i) / n));
}

// Ramps are made again for every fill but seldom change between fills (the
// controls use a few colour pairs): the last few are kept.
const QRgb* CachedRamp(const Color& first, const Color& second, const GradientBlend& blend, int n) {
    struct Entry {
        ARGB first, second;
        GradientBlend blend;
        std::vector<QRgb> ramp;
    };
    static std::vector<Entry> cache;
    for (const Entry& e : cache) {
        if (e.first == first.GetValue() && e.second == second.GetValue() && int(e.ramp.size()) == n + 1 &&
            e.blend.factors == blend.factors && e.blend.positions == blend.positions &&
            e.blend.presetPositions == blend.presetPositions &&
            std::equal(e.blend.presetColours.begin(), e.blend.presetColours.end(), blend.presetColours.begin(),
                       blend.presetColours.end()))
            return e.ramp.data();
    }
    if (cache.size() >= 32) cache.erase(cache.begin());
    Entry e{first.GetValue(), second.GetValue(), blend, std::vector<QRgb>(size_t(n) + 1)};
    BuildRamp(first, second, blend, e.ramp.data(), n);
    cache.push_back(std::move(e));
    return cache.back().ramp.data();
}

}  // namespace detail

// ---------------------------------------------------------------------------
// Both gradients

Status GradientBrush::SetBlend(const REAL* factors, const REAL* positions, INT count) {
    return Record(SetFactors(m_blend, factors, positions, count));
}

Status GradientBrush::SetBlendBellShape(REAL focus, REAL scale) {
    if (focus < 0 || focus > 1 || scale < 0 || scale > 1) return Record(InvalidParameter);
    SetShape(m_blend, focus, scale, true);
    return Ok;
}

Status GradientBrush::SetBlendTriangularShape(REAL focus, REAL scale) {
    if (focus < 0 || focus > 1 || scale < 0 || scale > 1) return Record(InvalidParameter);
    SetShape(m_blend, focus, scale, false);
    return Ok;
}

Status GradientBrush::SetInterpolationColors(const Color* colours, const REAL* positions, INT count) {
    return Record(SetPreset(m_blend, colours, positions, count));
}

Status GradientBrush::SetTransform(const Matrix* m) {
    if (!m) return Record(InvalidParameter);
    m_transform = *m;
    return Ok;
}

Status GradientBrush::TranslateTransform(REAL dx, REAL dy, MatrixOrder order) {
    return m_transform.Translate(dx, dy, order);
}

Status GradientBrush::ScaleTransform(REAL sx, REAL sy, MatrixOrder order) {
    return m_transform.Scale(sx, sy, order);
}

// ---------------------------------------------------------------------------
// Linear gradients

LinearGradientBrush::LinearGradientBrush(const PointF& p1, const PointF& p2, const Color& c1, const Color& c2)
    : GradientBrush(BrushTypeLinearGradient), m_start(p1), m_end(p2), m_colours{c1, c2} {
    m_rect = RectF(std::min(p1.X, p2.X), std::min(p1.Y, p2.Y), std::abs(p2.X - p1.X), std::abs(p2.Y - p1.Y));
    if (p1 == p2) Record(OutOfMemory);
}

LinearGradientBrush::LinearGradientBrush(const Point& p1, const Point& p2, const Color& c1, const Color& c2)
    : LinearGradientBrush(PointF(REAL(p1.X), REAL(p1.Y)), PointF(REAL(p2.X), REAL(p2.Y)), c1, c2) {}

LinearGradientBrush::LinearGradientBrush(const RectF& rect, const Color& c1, const Color& c2, LinearGradientMode mode)
    : GradientBrush(BrushTypeLinearGradient), m_rect(rect), m_colours{c1, c2} {
    const REAL w = rect.Width, h = rect.Height;
    if (w <= 0 || h <= 0) {
        Record(OutOfMemory);
        m_start = m_end = PointF(rect.X, rect.Y);
        return;
    }
    switch (mode) {
    case LinearGradientModeVertical:
        m_start = PointF(rect.X, rect.Y);
        m_end = PointF(rect.X, rect.Y + h);
        break;
    case LinearGradientModeForwardDiagonal: {
        // Lines of equal colour parallel to the diagonal from bottom left to top right.
        const double k = (w * w + h * h) > 0 ? 2.0 * w * h / (w * w + h * h) : 0.0;
        m_start = PointF(rect.X, rect.Y);
        m_end = PointF(REAL(rect.X + h * k), REAL(rect.Y + w * k));
        break;
    }
    case LinearGradientModeBackwardDiagonal: {
        const double k = (w * w + h * h) > 0 ? 2.0 * w * h / (w * w + h * h) : 0.0;
        m_start = PointF(rect.X + w, rect.Y);
        m_end = PointF(REAL(rect.X + w - h * k), REAL(rect.Y + w * k));
        break;
    }
    default:
        m_start = PointF(rect.X, rect.Y);
        m_end = PointF(rect.X + w, rect.Y);
        break;
    }
}

LinearGradientBrush::LinearGradientBrush(const Rect& rect, const Color& c1, const Color& c2, LinearGradientMode mode)
    : LinearGradientBrush(RectF(REAL(rect.X), REAL(rect.Y), REAL(rect.Width), REAL(rect.Height)), c1, c2, mode) {}

LinearGradientBrush::LinearGradientBrush(const RectF& rect, const Color& c1, const Color& c2, REAL angle,
                                         BOOL isAngleScalable)
    : GradientBrush(BrushTypeLinearGradient), m_rect(rect), m_colours{c1, c2} {
    InitAngle(rect, angle, isAngleScalable);
}

LinearGradientBrush::LinearGradientBrush(const Rect& rect, const Color& c1, const Color& c2, REAL angle,
                                         BOOL isAngleScalable)
    : LinearGradientBrush(RectF(REAL(rect.X), REAL(rect.Y), REAL(rect.Width), REAL(rect.Height)), c1, c2, angle,
                          isAngleScalable) {}

void LinearGradientBrush::InitAngle(const RectF& rect, REAL angle, BOOL scalable) {
    if (rect.Width <= 0 || rect.Height <= 0) {
        // No gradient over an empty rectangle: the brush draws nothing.
        Record(OutOfMemory);
        m_start = m_end = PointF(rect.X, rect.Y);
        return;
    }
    const double r = std::fmod(double(angle), 360.0) * kPi / 180.0;
    double dx = std::cos(r), dy = std::sin(r);
    if (std::abs(dx) < 1e-7) dx = 0;
    if (std::abs(dy) < 1e-7) dy = 0;
    if (scalable) {
        // The angle is meant in the rectangle's own proportions.
        dx *= rect.Width;
        dy *= rect.Height;
        const double len = std::hypot(dx, dy);
        if (len > 0) { dx /= len; dy /= len; }
    }
    const double cx = rect.X + rect.Width / 2.0, cy = rect.Y + rect.Height / 2.0;
    double lo = 0, hi = 0;
    const double corners[4][2] = {{rect.X, rect.Y},
                                  {rect.X + rect.Width, rect.Y},
                                  {rect.X, rect.Y + rect.Height},
                                  {rect.X + rect.Width, rect.Y + rect.Height}};
    for (const auto& c : corners) {
        const double p = (c[0] - cx) * dx + (c[1] - cy) * dy;
        lo = std::min(lo, p);
        hi = std::max(hi, p);
    }
    m_start = PointF(REAL(cx + dx * lo), REAL(cy + dy * lo));
    m_end = PointF(REAL(cx + dx * hi), REAL(cy + dy * hi));
}

Status LinearGradientBrush::SetLinearColors(const Color& c1, const Color& c2) {
    m_colours[0] = c1;
    m_colours[1] = c2;
    return Ok;
}

Status LinearGradientBrush::GetLinearColors(Color* colours) const {
    if (!colours) return Record(InvalidParameter);
    colours[0] = m_colours[0];
    colours[1] = m_colours[1];
    return Ok;
}

Status LinearGradientBrush::GetRectangle(RectF* r) const {
    if (!r) return Record(InvalidParameter);
    *r = m_rect;
    return Ok;
}

Status LinearGradientBrush::GetRectangle(Rect* r) const {
    if (!r) return Record(InvalidParameter);
    *r = Rect(INT(std::lround(m_rect.X)), INT(std::lround(m_rect.Y)), INT(std::lround(m_rect.Width)),
              INT(std::lround(m_rect.Height)));
    return Ok;
}

Status LinearGradientBrush::SetWrapMode(WrapMode mode) {
    if (mode == WrapModeClamp) return Record(InvalidParameter);
    m_wrap = mode;
    return Ok;
}

Status LinearGradientBrush::RotateTransform(REAL angle, MatrixOrder order) { return m_transform.Rotate(angle, order); }

// ---------------------------------------------------------------------------
// Path gradients

PathGradientBrush::PathGradientBrush(const GraphicsPath* path) : GradientBrush(BrushTypePathGradient) {
    if (!path || path->GetPointCount() < 2) {
        Record(path ? OutOfMemory : InvalidParameter);
        return;
    }
    m_boundary = *path;
    InitCentre();
}

PathGradientBrush::PathGradientBrush(const PointF* points, INT count, WrapMode mode)
    : GradientBrush(BrushTypePathGradient), m_wrap(mode) {
    if (!points || count < 2) {
        Record(points ? OutOfMemory : InvalidParameter);
        return;
    }
    if (count >= 3) m_boundary.AddPolygon(points, count);
    else m_boundary.AddLines(points, count);
    InitCentre();
}

PathGradientBrush::PathGradientBrush(const Point* points, INT count, WrapMode mode)
    : GradientBrush(BrushTypePathGradient), m_wrap(mode) {
    if (!points || count < 2) {
        Record(points ? OutOfMemory : InvalidParameter);
        return;
    }
    std::vector<PointF> f;
    for (INT i = 0; i < count; ++i) f.emplace_back(REAL(points[i].X), REAL(points[i].Y));
    if (count >= 3) m_boundary.AddPolygon(f.data(), count);
    else m_boundary.AddLines(f.data(), count);
    InitCentre();
}

void PathGradientBrush::InitCentre() {
    // The centroid of the boundary's area (its bounds' centre when it has none).
    const QList<QPolygonF> polys = detail::ToQPath(m_boundary).toSubpathPolygons();
    double area = 0, cx = 0, cy = 0;
    for (const QPolygonF& poly : polys) {
        for (qsizetype i = 0; i < poly.size(); ++i) {
            const QPointF a = poly[i], b = poly[(i + 1) % poly.size()];
            const double c = a.x() * b.y() - b.x() * a.y();
            area += c;
            cx += (a.x() + b.x()) * c;
            cy += (a.y() + b.y()) * c;
        }
    }
    if (std::abs(area) > 1e-9) {
        m_centre = PointF(REAL(cx / (3.0 * area)), REAL(cy / (3.0 * area)));
    } else {
        RectF b;
        m_boundary.GetBounds(&b);
        m_centre = PointF(b.X + b.Width / 2, b.Y + b.Height / 2);
    }
}

Status PathGradientBrush::SetCenterPoint(const PointF& p) {
    m_centre = p;
    return Ok;
}

Status PathGradientBrush::GetCenterPoint(PointF* p) const {
    if (!p) return Record(InvalidParameter);
    *p = m_centre;
    return Ok;
}

Status PathGradientBrush::SetCenterColor(const Color& c) {
    m_centreColour = c;
    return Ok;
}

Status PathGradientBrush::GetCenterColor(Color* c) const {
    if (!c) return Record(InvalidParameter);
    *c = m_centreColour;
    return Ok;
}

Status PathGradientBrush::SetSurroundColors(const Color* colours, INT* count) {
    if (!colours || !count || *count <= 0) return Record(InvalidParameter);
    if (*count > GetPointCount()) return Record(InvalidParameter);
    m_surround.assign(colours, colours + *count);
    return Ok;
}

Status PathGradientBrush::SetFocusScales(REAL x, REAL y) {
    m_focusX = x;
    m_focusY = y;
    return Ok;
}

Status PathGradientBrush::GetFocusScales(REAL* x, REAL* y) const {
    if (!x || !y) return Record(InvalidParameter);
    *x = m_focusX;
    *y = m_focusY;
    return Ok;
}

Status PathGradientBrush::SetWrapMode(WrapMode mode) {
    m_wrap = mode;
    return Ok;
}

Status PathGradientBrush::GetRectangle(RectF* r) const {
    if (!r) return Record(InvalidParameter);
    return m_boundary.GetBounds(r);
}

// ---------------------------------------------------------------------------
// Qt brushes and the path gradient fill

namespace detail {

namespace {

QGradientStops SampledStops(const Color& first, const Color& second, const GradientBlend& blend) {
    QGradientStops stops;
    const bool simple = blend.factors.empty() && blend.presetColours.empty() && first.GetA() == second.GetA();
    const int n = simple ? 1 : 128;
    for (int i = 0; i <= n; ++i) {
        const double t = double(i) / n;
        const QRgb c = RampColour(first, second, blend, t);
        stops.push_back({t, QColor::fromRgba(c)});
    }
    return stops;
}

}  // namespace

QBrush ToQBrush(const Brush& brush) {
    switch (brush.GetType()) {
    case BrushTypeSolidColor: return QBrush(ToQColor(static_cast<const SolidBrush&>(brush).Colour()));
    case BrushTypeLinearGradient: {
        const auto& b = static_cast<const LinearGradientBrush&>(brush);
        QLinearGradient g(QPointF(b.Start().X, b.Start().Y), QPointF(b.End().X, b.End().Y));
        g.setStops(SampledStops(b.Colours()[0], b.Colours()[1], b.Blend()));
        switch (b.GetWrapMode()) {
        case WrapModeTile: g.setSpread(QGradient::RepeatSpread); break;
        case WrapModeClamp: g.setSpread(QGradient::PadSpread); break;
        default: g.setSpread(QGradient::ReflectSpread); break;
        }
        QBrush q(g);
        if (!b.BrushTransform().IsIdentity()) q.setTransform(ToQ(b.BrushTransform()));
        return q;
    }
    case BrushTypePathGradient: {
        const auto& b = static_cast<const PathGradientBrush&>(brush);
        return QBrush(ToQColor(b.CentreColour()));
    }
    default: return QBrush(Qt::black);
    }
}

namespace {

bool UniformSurround(const PathGradientBrush& b) {
    const auto& s = b.SurroundColours();
    return std::all_of(s.begin(), s.end(), [&](const Color& c) { return c == s.front(); });
}

// Ellipse boundaries with equal focus scales: Qt's focal radial gradient has the
// same geometry (colour fixed by the share of the way from the focal point out to
// the ellipse).
bool FillEllipse(QPainter* painter, const QPainterPath& target, const PathGradientBrush& b, const QTransform& full,
                 bool sameShape) {
    Matrix frame;
    if (!b.Boundary().IsEllipse(&frame) || b.FocusX() != b.FocusY() || !UniformSurround(b)) return false;
    const QTransform unit = ToQ(frame) * ToQ(b.BrushTransform());
    bool ok = false;
    const QTransform toUnit = ToQ(frame).inverted(&ok);
    if (!ok) return false;
    const QPointF focal = toUnit.map(QPointF(b.CentrePoint().X, b.CentrePoint().Y));
    if (std::hypot(focal.x(), focal.y()) > 0.999) return false;
    const double f = std::clamp(double(b.FocusX()), 0.0, 1.0);
    const Color boundary = b.SurroundColours().front();
    QRadialGradient g(QPointF(0, 0), 1.0, focal);
    QGradientStops stops;
    // t: share of the way from the centre point (0) to the boundary (1).
    auto colourAt = [&](double t) {
        const double pos = t <= f ? 1.0 : (f >= 1.0 ? 1.0 : (1.0 - t) / (1.0 - f));
        return QColor::fromRgba(RampColour(boundary, b.CentreColour(), b.Blend(), pos));
    };
    constexpr int kSteps = 128;
    if (f > 0) stops.push_back({0.0, colourAt(0.0)});
    for (int i = 0; i <= kSteps; ++i) {
        const double t = f + (1.0 - f) * i / kSteps;
        stops.push_back({t, colourAt(t)});
    }
    g.setStops(stops);
    g.setSpread(QGradient::PadSpread);
    QBrush brush(g);
    brush.setTransform(unit * full);
    QPainterPath area = target;
    if (!sameShape) area = target.intersected((ToQ(b.BrushTransform()) * full).map(ToQPath(b.Boundary())));
    painter->save();
    painter->resetTransform();
    painter->fillPath(area, brush);
    painter->restore();
    return true;
}

}  // namespace

// Any other boundary: every edge of the flattened boundary makes a triangle with
// the centre point, drawn in order; a pixel's colour comes from how far it lies
// from the centre towards that edge (through the inner edge of the focus scales
// when they are set). The result is cut to the antialiased figure.
void FillPathGradient(QPainter* painter, const QPainterPath& target, const PathGradientBrush& b,
                      const QTransform& full, bool antialias, bool sourceCopy, bool sameShape, const QRect& limit) {
    if (!sourceCopy && FillEllipse(painter, target, b, full, sameShape)) return;
    const QTransform toDevice = ToQ(b.BrushTransform()) * full;
    bool invertible = false;
    const QTransform toBrush = toDevice.inverted(&invertible);
    if (!invertible) return;
    const QPainterPath boundary = toDevice.map(ToQPath(b.Boundary()));
    QRectF area = target.boundingRect();
    if (!sameShape) area &= boundary.boundingRect();
    const QRect box = area.toAlignedRect().intersected(limit);
    if (box.isEmpty()) return;

    const PointF cb = b.CentrePoint();
    const QPointF centre = toDevice.map(QPointF(cb.X, cb.Y));
    const double fx = b.FocusX(), fy = b.FocusY();
    const bool focused = fx != 0 || fy != 0;
    const bool isotropic = fx == fy;
    const bool uniform = UniformSurround(b) || !b.Blend().presetColours.empty();

    constexpr int kRamp = kRampSize;
    std::vector<float> factors;
    const Color firstSurround = b.SurroundColours().front();
    const QRgb* ramp = CachedRamp(firstSurround, b.CentreColour(), b.Blend(), kRamp);
    if (!uniform) {
        factors.resize(kRamp + 1);
        for (int i = 0; i <= kRamp; ++i) {
            const double t = double(i) / kRamp;
            factors[size_t(i)] = float(std::clamp(Lookup(b.Blend().positions, b.Blend().factors, t), 0.0, 1.0));
        }
    }

    QImage tmp(box.size(), QImage::Format_ARGB32_Premultiplied);
    if (tmp.isNull()) return;
    tmp.fill(ramp[0]);
    const QList<QPolygonF> polys = boundary.toSubpathPolygons();
    const auto& surround = b.SurroundColours();
    int vertexBase = 0;
    for (const QPolygonF& polyIn : polys) {
        QPolygonF poly = polyIn;
        if (poly.size() > 1 && poly.first() == poly.last()) poly.removeLast();
        const int n = int(poly.size());
        if (n < 2) {
            vertexBase += n;
            continue;
        }
        std::vector<QPointF> inner;
        if (focused && !isotropic) {
            inner.resize(size_t(n));
            for (int i = 0; i < n; ++i) {
                const QPointF w = toBrush.map(poly[i]);
                inner[size_t(i)] = toDevice.map(QPointF(cb.X + fx * (w.x() - cb.X), cb.Y + fy * (w.y() - cb.Y)));
            }
        }
        for (int i = 0; i < n; ++i) {
            const int j = (i + 1) % n;
            const QPointF e0 = poly[i] - centre, e1 = poly[j] - centre;
            const double det = Cross(e0, e1);
            if (std::abs(det) < 1e-9) continue;
            const double minX = std::min({centre.x(), poly[i].x(), poly[j].x()});
            const double maxX = std::max({centre.x(), poly[i].x(), poly[j].x()});
            const double minY = std::min({centre.y(), poly[i].y(), poly[j].y()});
            const double maxY = std::max({centre.y(), poly[i].y(), poly[j].y()});
            const int x0 = std::max(box.left(), int(std::floor(minX - 0.5)));
            const int x1 = std::min(box.right(), int(std::ceil(maxX + 0.5)));
            const int y0 = std::max(box.top(), int(std::floor(minY - 0.5)));
            const int y1 = std::min(box.bottom(), int(std::ceil(maxY + 0.5)));
            if (x0 > x1 || y0 > y1) continue;
            QRgb c0 = 0, c1 = 0;
            if (!uniform) {
                const size_t last = surround.size() - 1;
                c0 = Straight(surround[std::min(size_t(vertexBase + i), last)]);
                c1 = Straight(surround[std::min(size_t(vertexBase + j), last)]);
            }
            const QPointF q0 = inner.empty() ? QPointF() : inner[size_t(i)] - centre;
            const QPointF qd = inner.empty() ? QPointF() : inner[size_t(j)] - inner[size_t(i)];
            const double inv = 1.0 / det;
            constexpr double kEps = 1e-7;
            for (int y = y0; y <= y1; ++y) {
                auto* row = reinterpret_cast<QRgb*>(tmp.scanLine(y - box.top()));
                const double py = y + 0.5 - centre.y();
                for (int x = x0; x <= x1; ++x) {
                    const double px = x + 0.5 - centre.x();
                    const double a = (px * e1.y() - py * e1.x()) * inv;
                    if (a < -kEps) continue;
                    const double bb = (e0.x() * py - e0.y() * px) * inv;
                    if (bb < -kEps || a + bb > 1.0 + kEps) continue;
                    const double t = a + bb;
                    double f = fx;
                    if (!inner.empty() && t > 1e-9) {
                        // How far the inner (focus) boundary lies out, compared with
                        // the outer one, at this pixel's place along the edge.
                        const double u = bb / t;
                        const QPointF outerPoint = e0 + u * (e1 - e0);
                        const QPointF innerPoint = q0 + u * qd;
                        const double outerLength = std::hypot(outerPoint.x(), outerPoint.y());
                        f = outerLength > 1e-12
                                ? std::clamp(std::hypot(innerPoint.x(), innerPoint.y()) / outerLength, 0.0, 1.0)
                                : 0.0;
                    }
                    double pos = 1.0;
                    if (t > f) pos = f >= 1.0 ? 1.0 : (1.0 - t) / (1.0 - f);
                    pos = std::clamp(pos, 0.0, 1.0);
                    const int k = int(pos * kRamp + 0.5);
                    if (uniform) {
                        row[x - box.left()] = ramp[k];
                    } else {
                        const double along = t > 1e-9 ? bb / t : 0.0;
                        const QRgb edge = Mix(c0, c1, along);
                        row[x - box.left()] = qPremultiply(Mix(edge, Straight(b.CentreColour()), factors[size_t(k)]));
                    }
                }
            }
        }
        vertexBase += n;
    }

    // Keep the colours only where the figure covers the pixels (antialiased).
    const QPainterPath covering = sameShape ? target : target.intersected(boundary);
    if (antialias) {
        Polygons polys;
        PolygonsOf(covering, polys);
        thread_local Coverage kept;  // its buffers are reused by the next fill
        ScratchCoverage scratch(kept);
        Coverage& cov = *scratch;
        AccumulateCoverage(polys, box, covering.fillRule() == Qt::OddEvenFill, cov);
        for (int y = 0; y < box.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(tmp.scanLine(y));
            const float* cells = cov.cells.data() + size_t(y) * cov.stride;
            for (int r = cov.rowStart[size_t(y)]; r < cov.rowStart[size_t(y) + 1]; ++r) {
                const Coverage::Run& run = cov.runs[size_t(r)];
                if (!run.cells && run.value >= 0.999f) continue;
                if (!run.cells && run.value <= 0.001f) {
                    std::fill(row + run.x0, row + run.x1 + 1, 0u);
                    continue;
                }
                for (int x = run.x0; x <= run.x1; ++x) {
                    const float a = run.cells ? cells[x] : run.value;
                    if (a >= 0.999f) continue;
                    if (a <= 0.001f) {
                        row[x] = 0;
                        continue;
                    }
                    const QRgb p = row[x];
                    const int k = int(a * 256.0f + 0.5f);
                    row[x] = qRgba((qRed(p) * k) >> 8, (qGreen(p) * k) >> 8, (qBlue(p) * k) >> 8,
                                   (qAlpha(p) * k) >> 8);
                }
            }
        }
    } else {
        QImage mask(box.size(), QImage::Format_Alpha8);
        mask.fill(0);
        {
            QPainter mp(&mask);
            mp.setRenderHint(QPainter::Antialiasing, antialias);
            mp.translate(-box.topLeft());
            mp.fillPath(covering, Qt::black);
        }
        QPainter tp(&tmp);
        tp.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        tp.drawImage(0, 0, mask);
    }
    painter->save();
    painter->resetTransform();
    if (sourceCopy) {
        painter->setClipPath(target, painter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        painter->setCompositionMode(QPainter::CompositionMode_Source);
    }
    platform::detail::DrawInBands(painter, box.topLeft(), tmp, tmp.rect());
    painter->restore();
}

}  // namespace detail
}  // namespace gfx
