// Paths of the graphics layer, and the Qt form of paths and colours.
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "platform/graphics/graphics.h"
#include "platform/graphics/graphics_impl.h"

namespace gfx {

namespace {
constexpr double kPi = 3.14159265358979323846;
}

namespace detail {

QColor ToQColor(const Color& c) { return QColor(c.GetR(), c.GetG(), c.GetB(), c.GetA()); }

QPainterPath ToQPath(const GraphicsPath& path) {
    QPainterPath q;
    q.setFillRule(path.GetFillMode() == FillModeWinding ? Qt::WindingFill : Qt::OddEvenFill);
    const auto& pts = path.Points();
    const auto& types = path.Types();
    const size_t n = pts.size();
    for (size_t i = 0; i < n; ++i) {
        const BYTE kind = types[i] & PathPointTypePathTypeMask;
        size_t last = i;
        if (kind == PathPointTypeStart || q.elementCount() == 0) {
            q.moveTo(pts[i].X, pts[i].Y);
        } else if (kind == PathPointTypeBezier && i + 2 < n) {
            q.cubicTo(pts[i].X, pts[i].Y, pts[i + 1].X, pts[i + 1].Y, pts[i + 2].X, pts[i + 2].Y);
            last = i + 2;
        } else {
            q.lineTo(pts[i].X, pts[i].Y);
        }
        if (types[last] & PathPointTypeCloseSubpath) q.closeSubpath();
        i = last;
    }
    return q;
}

void AppendRaw(GraphicsPath& path, const std::vector<PointF>& points, const std::vector<BYTE>& types) {
    path.AppendFigures(points.data(), types.data(), points.size());
}

}  // namespace detail

using detail::ToQ;
using detail::ToQPath;

// ---------------------------------------------------------------------------
// GraphicsPath

GraphicsPath::GraphicsPath(const PointF* points, const BYTE* types, INT count, FillMode mode) : m_fillMode(mode) {
    if (!points || !types || count <= 0) return;
    m_points.assign(points, points + count);
    m_types.assign(types, types + count);
    m_figureOpen = !(m_types.back() & PathPointTypeCloseSubpath);
}

void GraphicsPath::AppendFigures(const PointF* points, const BYTE* types, size_t count) {
    if (!points || !types || count == 0) return;
    m_points.insert(m_points.end(), points, points + count);
    m_types.insert(m_types.end(), types, types + count);
    m_figureOpen = !(types[count - 1] & PathPointTypeCloseSubpath);
    m_ellipse = false;
}

Status GraphicsPath::GetLastStatus() const {
    const Status s = m_last;
    m_last = Ok;
    return s;
}

Status GraphicsPath::Reset() {
    m_points.clear();
    m_types.clear();
    m_fillMode = FillModeAlternate;
    m_figureOpen = false;
    m_ellipse = false;
    return Ok;
}

Status GraphicsPath::SetFillMode(FillMode mode) {
    m_fillMode = mode;
    return Ok;
}

Status GraphicsPath::StartFigure() {
    m_figureOpen = false;
    return Ok;
}

Status GraphicsPath::CloseFigure() {
    if (!m_types.empty() && m_figureOpen) m_types.back() |= PathPointTypeCloseSubpath;
    m_figureOpen = false;
    return Ok;
}

Status GraphicsPath::CloseAllFigures() {
    for (size_t i = 0; i < m_types.size(); ++i) {
        const bool lastOfFigure = i + 1 == m_types.size() || (m_types[i + 1] & PathPointTypePathTypeMask) == 0;
        if (lastOfFigure) m_types[i] |= PathPointTypeCloseSubpath;
    }
    m_figureOpen = false;
    return Ok;
}

Status GraphicsPath::SetMarker() {
    if (!m_types.empty()) m_types.back() |= PathPointTypePathMarker;
    return Ok;
}

void GraphicsPath::Continue(const PointF& p, BYTE type) {
    m_ellipse = false;
    if (!m_figureOpen) {
        m_points.push_back(p);
        m_types.push_back(PathPointTypeStart);
        m_figureOpen = true;
        return;
    }
    m_points.push_back(p);
    m_types.push_back(type);
}

Status GraphicsPath::AddLine(REAL x1, REAL y1, REAL x2, REAL y2) {
    const PointF pts[2] = {PointF(x1, y1), PointF(x2, y2)};
    return AddLines(pts, 2);
}

Status GraphicsPath::AddLines(const PointF* points, INT count) {
    if (!points || count <= 0) return Record(InvalidParameter);
    for (INT i = 0; i < count; ++i) {
        // A segment that starts where the figure ends adds no point of its own.
        if (i == 0 && m_figureOpen && !m_points.empty() && m_points.back() == points[0]) continue;
        Continue(points[i], PathPointTypeLine);
    }
    return Ok;
}

Status GraphicsPath::AddLines(const Point* points, INT count) {
    if (!points || count <= 0) return Record(InvalidParameter);
    std::vector<PointF> f;
    f.reserve(size_t(count));
    for (INT i = 0; i < count; ++i) f.emplace_back(REAL(points[i].X), REAL(points[i].Y));
    return AddLines(f.data(), count);
}

void GraphicsPath::AppendArc(REAL x, REAL y, REAL w, REAL h, REAL start, REAL sweep, bool startFigure) {
    if (startFigure) m_figureOpen = false;
    const double a = w / 2.0, b = h / 2.0;
    const double cx = x + a, cy = y + b;
    sweep = std::clamp(sweep, REAL(-360), REAL(360));
    auto point = [&](double t) { return PointF(REAL(cx + a * std::cos(t)), REAL(cy + b * std::sin(t))); };
    // Angles are those of rays from the centre; the ellipse's own parameter
    // differs from them when it is not a circle.
    auto param = [&](double deg) {
        const double r = deg * kPi / 180.0;
        return std::atan2(a * std::sin(r), b * std::cos(r));
    };
    const double t0 = param(start);
    double t1 = param(double(start) + sweep);
    if (std::abs(sweep) >= 360.0) {
        t1 = t0 + (sweep > 0 ? 2 * kPi : -2 * kPi);
    } else {
        // The parameter runs the same way as the sweep and less than a full turn.
        while (sweep > 0 && t1 < t0) t1 += 2 * kPi;
        while (sweep < 0 && t1 > t0) t1 -= 2 * kPi;
        if (sweep > 0 && t1 - t0 > 2 * kPi) t1 -= 2 * kPi;
        if (sweep < 0 && t0 - t1 > 2 * kPi) t1 += 2 * kPi;
    }
    const PointF first = point(t0);
    if (!(m_figureOpen && !m_points.empty() && m_points.back() == first)) Continue(first, PathPointTypeLine);
    const double total = t1 - t0;
    if (std::abs(total) < 1e-9) return;
    const int segments = std::max(1, int(std::ceil(std::abs(total) / (kPi / 2) - 1e-6)));
    const double step = total / segments;
    const double k = 4.0 / 3.0 * std::tan(step / 4.0);
    double t = t0;
    for (int i = 0; i < segments; ++i) {
        const double u = (i + 1 == segments) ? t1 : t + step;
        const double c0 = std::cos(t), s0 = std::sin(t), c1 = std::cos(u), s1 = std::sin(u);
        const PointF p1(REAL(cx + a * (c0 - k * s0)), REAL(cy + b * (s0 + k * c0)));
        const PointF p2(REAL(cx + a * (c1 + k * s1)), REAL(cy + b * (s1 - k * c1)));
        m_points.push_back(p1);
        m_types.push_back(PathPointTypeBezier);
        m_points.push_back(p2);
        m_types.push_back(PathPointTypeBezier);
        m_points.push_back(point(u));
        m_types.push_back(PathPointTypeBezier);
        t = u;
    }
}

Status GraphicsPath::AddArc(REAL x, REAL y, REAL width, REAL height, REAL startAngle, REAL sweepAngle) {
    if (width < 0 || height < 0) return Record(InvalidParameter);
    m_ellipse = false;
    if (width == 0 || height == 0) {
        // A zero-sized box: the arc is the single point it collapses to.
        const PointF p(x + width / 2, y + height / 2);
        if (!(m_figureOpen && !m_points.empty() && m_points.back() == p)) Continue(p, PathPointTypeLine);
        return Ok;
    }
    AppendArc(x, y, width, height, startAngle, sweepAngle, false);
    return Ok;
}

Status GraphicsPath::AddBezier(REAL x1, REAL y1, REAL x2, REAL y2, REAL x3, REAL y3, REAL x4, REAL y4) {
    const PointF pts[4] = {PointF(x1, y1), PointF(x2, y2), PointF(x3, y3), PointF(x4, y4)};
    return AddBeziers(pts, 4);
}

Status GraphicsPath::AddBeziers(const PointF* points, INT count) {
    if (!points || count < 4 || (count - 1) % 3 != 0) return Record(InvalidParameter);
    m_ellipse = false;
    if (!(m_figureOpen && !m_points.empty() && m_points.back() == points[0])) Continue(points[0], PathPointTypeLine);
    for (INT i = 1; i < count; ++i) {
        m_points.push_back(points[i]);
        m_types.push_back(PathPointTypeBezier);
    }
    return Ok;
}

Status GraphicsPath::AddRectangle(const RectF& r) {
    if (r.Width <= 0 || r.Height <= 0) return Ok;
    m_ellipse = false;
    m_figureOpen = false;
    const PointF pts[4] = {PointF(r.X, r.Y), PointF(r.X + r.Width, r.Y), PointF(r.X + r.Width, r.Y + r.Height),
                           PointF(r.X, r.Y + r.Height)};
    for (const PointF& p : pts) Continue(p, PathPointTypeLine);
    m_types.back() |= PathPointTypeCloseSubpath;
    m_figureOpen = false;
    return Ok;
}

Status GraphicsPath::AddEllipse(REAL x, REAL y, REAL width, REAL height) {
    if (width < 0 || height < 0) return Record(InvalidParameter);
    const bool single = m_points.empty();
    if (width == 0 || height == 0) return Ok;
    AppendArc(x, y, width, height, 0, 360, true);
    m_types.back() |= PathPointTypeCloseSubpath;
    m_figureOpen = false;
    m_ellipse = single;
    if (single) {
        m_ellipseFrame = Matrix(width / 2, 0, 0, height / 2, x + width / 2, y + height / 2);
    }
    return Ok;
}

Status GraphicsPath::AddPolygon(const PointF* points, INT count) {
    if (!points || count < 3) return Record(InvalidParameter);
    m_ellipse = false;
    m_figureOpen = false;
    for (INT i = 0; i < count; ++i) Continue(points[i], PathPointTypeLine);
    m_types.back() |= PathPointTypeCloseSubpath;
    m_figureOpen = false;
    return Ok;
}

Status GraphicsPath::AddPath(const GraphicsPath* path, BOOL connect) {
    if (!path) return Record(InvalidParameter);
    if (path->m_points.empty()) return Ok;
    const bool single = m_points.empty() && path->m_ellipse;
    const bool join = connect && m_figureOpen && !(path->m_types[0] & PathPointTypeCloseSubpath);
    for (size_t i = 0; i < path->m_points.size(); ++i) {
        BYTE t = path->m_types[i];
        if (i == 0 && join) t = BYTE((t & ~PathPointTypePathTypeMask) | PathPointTypeLine);
        m_points.push_back(path->m_points[i]);
        m_types.push_back(t);
    }
    m_figureOpen = path->m_figureOpen;
    m_ellipse = single;
    if (single) m_ellipseFrame = path->m_ellipseFrame;
    return Ok;
}

Status GraphicsPath::AddString(const WCHAR* text, INT length, const FontFamily* family, INT style, REAL emSize,
                               const PointF& origin, const StringFormat* format) {
    return AddString(text, length, family, style, emSize, RectF(origin.X, origin.Y, 0, 0), format);
}

Status GraphicsPath::AddString(const WCHAR* text, INT length, const FontFamily* family, INT style, REAL emSize,
                               const RectF& layout, const StringFormat* format) {
    if (!text || !family) return Record(InvalidParameter);
    if (!family->Valid()) return Record(InvalidParameter);
    std::u16string s;
    if (length < 0) {
        while (text[s.size()]) s.push_back(text[s.size()]);
    } else {
        s.assign(text, text + length);
    }
    m_ellipse = false;
    m_figureOpen = false;
    return Record(detail::AppendText(*this, s, *family, style, emSize, layout, format));
}

Status GraphicsPath::GetPathPoints(PointF* points, INT count) const {
    if (!points || count < 0) return Record(InvalidParameter);
    if (count < GetPointCount()) return Record(InsufficientBuffer);
    std::copy(m_points.begin(), m_points.end(), points);
    return Ok;
}

Status GraphicsPath::GetPathPoints(Point* points, INT count) const {
    if (!points || count < 0) return Record(InvalidParameter);
    if (count < GetPointCount()) return Record(InsufficientBuffer);
    for (size_t i = 0; i < m_points.size(); ++i)
        points[i] = Point(INT(std::lround(m_points[i].X)), INT(std::lround(m_points[i].Y)));
    return Ok;
}

Status GraphicsPath::GetPathTypes(BYTE* types, INT count) const {
    if (!types || count < 0) return Record(InvalidParameter);
    if (count < GetPointCount()) return Record(InsufficientBuffer);
    std::copy(m_types.begin(), m_types.end(), types);
    return Ok;
}

Status GraphicsPath::GetPathData(PathData* data) const {
    if (!data) return Record(InvalidParameter);
    data->Count = GetPointCount();
    data->Points = m_points;
    data->Types = m_types;
    return Ok;
}

Status GraphicsPath::GetLastPoint(PointF* point) const {
    if (!point) return Record(InvalidParameter);
    if (m_points.empty()) return Record(WrongState);
    *point = m_points.back();
    return Ok;
}

Status GraphicsPath::Transform(const Matrix* matrix) {
    if (!matrix) return Ok;
    if (!m_points.empty()) matrix->TransformPoints(m_points.data(), INT(m_points.size()));
    if (m_ellipse) m_ellipseFrame.Multiply(matrix, MatrixOrderAppend);
    return Ok;
}

bool GraphicsPath::IsEllipse(Matrix* frame) const {
    if (!m_ellipse) return false;
    if (frame) *frame = m_ellipseFrame;
    return true;
}

namespace {

// Grows [lo, hi] by the extreme values of one coordinate of a cubic Bezier
// between its end points (where its derivative is zero).
void BezierExtent(double p0, double p1, double p2, double p3, double& lo, double& hi) {
    if (p1 >= lo && p1 <= hi && p2 >= lo && p2 <= hi) return;  // the curve stays inside its hull
    const double a = -p0 + 3 * p1 - 3 * p2 + p3;
    const double b = 2 * (p0 - 2 * p1 + p2);
    const double c = p1 - p0;
    auto at = [&](double t) {
        const double u = 1 - t;
        return u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
    };
    auto take = [&](double t) {
        if (t > 0 && t < 1) {
            const double v = at(t);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    };
    if (std::abs(a) < 1e-12) {
        if (std::abs(b) > 1e-12) take(-c / b);
        return;
    }
    const double disc = b * b - 4 * a * c;
    if (disc < 0) return;
    const double r = std::sqrt(disc);
    take((-b + r) / (2 * a));
    take((-b - r) / (2 * a));
}

}  // namespace

Status GraphicsPath::GetBounds(RectF* bounds, const Matrix* matrix, const Pen* pen) const {
    if (!bounds) return Record(InvalidParameter);
    *bounds = RectF();
    if (m_points.empty()) return Ok;
    std::vector<PointF> mapped;
    const std::vector<PointF>* pts = &m_points;
    if (matrix && !matrix->IsIdentity()) {
        mapped = m_points;
        matrix->TransformPoints(mapped.data(), INT(mapped.size()));
        pts = &mapped;
    }
    const auto& p = *pts;
    double minX = p[0].X, maxX = p[0].X, minY = p[0].Y, maxY = p[0].Y;
    const size_t n = p.size();
    for (size_t i = 0; i < n; ++i) {
        const BYTE kind = m_types[i] & PathPointTypePathTypeMask;
        if (kind == PathPointTypeBezier && i >= 1 && i + 2 < n) {
            // End point first, then the curve's bulge between the end points.
            minX = std::min(minX, double(p[i + 2].X));
            maxX = std::max(maxX, double(p[i + 2].X));
            minY = std::min(minY, double(p[i + 2].Y));
            maxY = std::max(maxY, double(p[i + 2].Y));
            BezierExtent(p[i - 1].X, p[i].X, p[i + 1].X, p[i + 2].X, minX, maxX);
            BezierExtent(p[i - 1].Y, p[i].Y, p[i + 1].Y, p[i + 2].Y, minY, maxY);
            i += 2;
            continue;
        }
        minX = std::min(minX, double(p[i].X));
        maxX = std::max(maxX, double(p[i].X));
        minY = std::min(minY, double(p[i].Y));
        maxY = std::max(maxY, double(p[i].Y));
    }
    if (pen) {
        const double half = pen->GetWidth() / 2.0;
        minX -= half;
        minY -= half;
        maxX += half;
        maxY += half;
    }
    *bounds = RectF(REAL(minX), REAL(minY), REAL(maxX - minX), REAL(maxY - minY));
    return Ok;
}

Status GraphicsPath::GetBounds(Rect* bounds, const Matrix* matrix, const Pen* pen) const {
    if (!bounds) return Record(InvalidParameter);
    RectF f;
    const Status s = GetBounds(&f, matrix, pen);
    auto round = [](REAL v) { return INT(std::floor(double(v) + 0.5)); };
    *bounds = Rect(round(f.X), round(f.Y), round(f.Width), round(f.Height));
    return s;
}

Status GraphicsPath::Flatten(const Matrix* matrix, REAL) {
    QPainterPath q = ToQPath(*this);
    if (matrix) q = ToQ(*matrix).map(q);
    const QList<QPolygonF> polys = q.toSubpathPolygons();
    const FillMode mode = m_fillMode;
    // Keep which figures were closed.
    std::vector<bool> closed;
    for (size_t i = 0; i < m_types.size(); ++i) {
        const bool last = i + 1 == m_types.size() || (m_types[i + 1] & PathPointTypePathTypeMask) == 0;
        if (last) closed.push_back((m_types[i] & PathPointTypeCloseSubpath) != 0);
    }
    Reset();
    m_fillMode = mode;
    for (qsizetype f = 0; f < polys.size(); ++f) {
        QPolygonF poly = polys[f];
        const bool isClosed = size_t(f) < closed.size() && closed[size_t(f)];
        if (isClosed && poly.size() > 1 && poly.first() == poly.last()) poly.removeLast();
        m_figureOpen = false;
        for (const QPointF& p : poly) Continue(PointF(REAL(p.x()), REAL(p.y())), PathPointTypeLine);
        if (isClosed) CloseFigure();
    }
    return Ok;
}

BOOL GraphicsPath::IsVisible(REAL x, REAL y, const Graphics*) const {
    return ToQPath(*this).contains(QPointF(x, y)) ? TRUE : FALSE;
}

}  // namespace gfx
