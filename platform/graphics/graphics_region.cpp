// Regions of the graphics layer.
#include <QPainterPath>
#include <cmath>
#include <memory>

#include "platform/graphics/graphics_impl.h"
#include "platform/graphics/graphics_path.h"

namespace gfx {

using detail::ToQ;
using detail::ToQPath;

namespace {
QPainterPath RectPath(const RectF& r) {
    QPainterPath p;
    if (r.Width > 0 && r.Height > 0) p.addRect(QRectF(r.X, r.Y, r.Width, r.Height));
    return p;
}
// Stands for "everything" where a concrete area is needed.
QPainterPath HugePath() {
    QPainterPath p;
    p.addRect(QRectF(-4194304.0, -4194304.0, 8388608.0, 8388608.0));
    return p;
}
}  // namespace

Region::Region() : m_data(std::make_unique<RegionData>()) {}
Region::Region(const RectF& r) : Region() {
    m_data->infinite = false;
    m_data->path = RectPath(r);
}
Region::Region(const Rect& r) : Region(RectF(REAL(r.X), REAL(r.Y), REAL(r.Width), REAL(r.Height))) {}
Region::Region(const GraphicsPath* path) : Region() {
    m_data->infinite = false;
    if (path) m_data->path = ToQPath(*path);
}
Region::Region(const Region& other) : m_data(std::make_unique<RegionData>(*other.m_data)) {}
Region& Region::operator=(const Region& other) {
    *m_data = *other.m_data;
    return *this;
}
Region::~Region() = default;

Status Region::GetLastStatus() const {
    const Status s = m_last;
    m_last = Ok;
    return s;
}

Status Region::MakeInfinite() {
    m_data->infinite = true;
    m_data->path = QPainterPath();
    return Ok;
}

Status Region::MakeEmpty() {
    m_data->infinite = false;
    m_data->path = QPainterPath();
    return Ok;
}

namespace {
void Combine(RegionData& d, const QPainterPath& other, bool otherInfinite, CombineMode mode) {
    QPainterPath mine = d.infinite ? HugePath() : d.path;
    const QPainterPath theirs = otherInfinite ? HugePath() : other;
    switch (mode) {
    case CombineModeIntersect:
        if (d.infinite) { d.infinite = otherInfinite; d.path = other; return; }
        if (otherInfinite) return;
        d.path = mine.intersected(theirs);
        break;
    case CombineModeUnion:
        if (d.infinite || otherInfinite) { d.infinite = true; d.path = QPainterPath(); return; }
        d.path = mine.united(theirs);
        break;
    case CombineModeXor: d.infinite = false; d.path = mine.united(theirs).subtracted(mine.intersected(theirs)); break;
    case CombineModeExclude: d.infinite = false; d.path = mine.subtracted(theirs); break;
    case CombineModeComplement: d.infinite = false; d.path = theirs.subtracted(mine); break;
    default: d.infinite = otherInfinite; d.path = other; break;
    }
}

// Combines with a path or another region; a null one is invalid (kept in `last`).
Status CombineWith(RegionData& d, Status& last, const GraphicsPath* p, CombineMode mode) {
    if (!p) return last = InvalidParameter;
    Combine(d, ToQPath(*p), false, mode);
    return Ok;
}
Status CombineWith(RegionData& d, Status& last, const Region* r, CombineMode mode) {
    if (!r) return last = InvalidParameter;
    Combine(d, r->Data().path, r->Data().infinite, mode);
    return Ok;
}
}  // namespace

Status Region::Intersect(const RectF& r) { Combine(*m_data, RectPath(r), false, CombineModeIntersect); return Ok; }
Status Region::Intersect(const Rect& r) {
    return Intersect(RectF(REAL(r.X), REAL(r.Y), REAL(r.Width), REAL(r.Height)));
}
Status Region::Intersect(const GraphicsPath* p) { return CombineWith(*m_data, m_last, p, CombineModeIntersect); }
Status Region::Intersect(const Region* r) { return CombineWith(*m_data, m_last, r, CombineModeIntersect); }
Status Region::Union(const RectF& r) { Combine(*m_data, RectPath(r), false, CombineModeUnion); return Ok; }
Status Region::Union(const GraphicsPath* p) { return CombineWith(*m_data, m_last, p, CombineModeUnion); }
Status Region::Union(const Region* r) { return CombineWith(*m_data, m_last, r, CombineModeUnion); }
Status Region::Xor(const GraphicsPath* p) { return CombineWith(*m_data, m_last, p, CombineModeXor); }
Status Region::Xor(const Region* r) { return CombineWith(*m_data, m_last, r, CombineModeXor); }
Status Region::Exclude(const RectF& r) { Combine(*m_data, RectPath(r), false, CombineModeExclude); return Ok; }
Status Region::Exclude(const GraphicsPath* p) { return CombineWith(*m_data, m_last, p, CombineModeExclude); }
Status Region::Exclude(const Region* r) { return CombineWith(*m_data, m_last, r, CombineModeExclude); }
Status Region::Complement(const GraphicsPath* p) { return CombineWith(*m_data, m_last, p, CombineModeComplement); }
Status Region::Complement(const Region* r) { return CombineWith(*m_data, m_last, r, CombineModeComplement); }

Status Region::Translate(REAL dx, REAL dy) {
    if (!m_data->infinite) m_data->path.translate(dx, dy);
    return Ok;
}

Status Region::Transform(const Matrix* matrix) {
    if (!matrix) return m_last = InvalidParameter;
    if (!m_data->infinite) m_data->path = ToQ(*matrix).map(m_data->path);
    return Ok;
}

Status Region::GetBounds(RectF* bounds, const Graphics*) const {
    if (!bounds) return m_last = InvalidParameter;
    if (m_data->infinite) {
        *bounds = RectF(-4194304.0f, -4194304.0f, 8388608.0f, 8388608.0f);
        return Ok;
    }
    const QRectF r = m_data->path.boundingRect();
    *bounds = RectF(REAL(r.x()), REAL(r.y()), REAL(r.width()), REAL(r.height()));
    return Ok;
}

Status Region::GetBounds(Rect* bounds, const Graphics* g) const {
    if (!bounds) return m_last = InvalidParameter;
    RectF f;
    GetBounds(&f, g);
    const INT x = INT(std::floor(f.X)), y = INT(std::floor(f.Y));
    *bounds = Rect(x, y, INT(std::ceil(f.X + f.Width)) - x, INT(std::ceil(f.Y + f.Height)) - y);
    return Ok;
}

BOOL Region::IsEmpty(const Graphics*) const {
    return !m_data->infinite && m_data->path.boundingRect().isEmpty();
}
BOOL Region::IsInfinite(const Graphics*) const { return m_data->infinite; }
BOOL Region::IsVisible(REAL x, REAL y, const Graphics*) const {
    return m_data->infinite || m_data->path.contains(QPointF(x, y));
}

}  // namespace gfx
