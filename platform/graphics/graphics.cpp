// The drawing object of the graphics layer: state, clipping and drawing calls.
#include "platform/graphics/graphics.h"

#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "platform/gdi/dc.h"
#include "platform/gdi/raster_bands.h"
#include "platform/graphics/graphics_impl.h"

namespace gfx {

using namespace detail;

// ---------------------------------------------------------------------------
// GraphicsImpl

GraphicsImpl::~GraphicsImpl() {
    ReleasePainter();
    for (DCImpl* dc : lentContexts) delete dc;
}

bool GraphicsImpl::Antialias() const {
    switch (state.smoothing) {
    case SmoothingModeHighQuality:
    case SmoothingModeAntiAlias:
    case SmoothingModeAntiAlias8x4:
    case SmoothingModeAntiAlias8x8: return true;
    default: return false;
    }
}

QTransform GraphicsImpl::WorldToDevice() const { return ToQ(state.world) * deviceBase; }

QTransform GraphicsImpl::Full() const {
    QTransform t = WorldToDevice();
    if (state.pixelOffset != PixelOffsetModeHalf && state.pixelOffset != PixelOffsetModeHighQuality)
        t *= QTransform::fromTranslate(0.5, 0.5);
    return t;
}

QPainterPath GraphicsImpl::InfiniteClipPath() const {
    QPainterPath p;
    p.addRect(target ? QRectF(target->rect()) : QRectF());
    return p;
}

static bool PixelRectOf(const QPainterPath& path, QRect* out);

bool GraphicsImpl::ClipRect(QRect* rect) const {
    QRect r = target ? target->rect() : QRect();
    QRect part;
    if (hasBaseClip) {
        if (!PixelRectOf(baseClip, &part)) return false;
        r &= part;
    }
    if (!state.clipInfinite) {
        if (!PixelRectOf(state.clip, &part)) return false;
        r &= part;
    }
    *rect = r;
    return true;
}

QRectF GraphicsImpl::DeviceBounds() const {
    QRectF r = target ? QRectF(target->rect()) : QRectF();
    if (hasBaseClip) r &= baseClip.boundingRect();
    if (!state.clipInfinite) r &= state.clip.boundingRect();
    return r;
}

// A clip path that is an upright rectangle, as the whole pixels whose centres it
// holds (Qt clips those fastest).
static bool PixelRectOf(const QPainterPath& path, QRect* out) {
    const QList<QPolygonF> polys = path.toSubpathPolygons();
    if (polys.size() != 1) return false;
    QPolygonF poly = polys.front();
    if (poly.size() == 5 && poly.first() == poly.last()) poly.removeLast();
    if (poly.size() != 4) return false;
    const QRectF b = poly.boundingRect();
    for (const QPointF& p : poly) {
        const bool onX = p.x() == b.left() || p.x() == b.right();
        const bool onY = p.y() == b.top() || p.y() == b.bottom();
        if (!onX || !onY) return false;
    }
    const int l = int(std::ceil(b.left() - 0.5)), t = int(std::ceil(b.top() - 0.5));
    const int r = int(std::ceil(b.right() - 0.5)), btm = int(std::ceil(b.bottom() - 0.5));
    *out = QRect(l, t, std::max(0, r - l), std::max(0, btm - t));
    return true;
}

QPainter* GraphicsImpl::Painter() {
    if (!target || target->isNull()) return nullptr;
    if (alive && !alive()) return nullptr;
    QPainter* painter = BeginPainter(target);
    if (!painter) return nullptr;
    if (TakeClipChange()) {
        painter->resetTransform();
        QPainterPath clip;
        bool any = false;
        if (hasBaseClip) {
            clip = baseClip;
            any = true;
        }
        if (!state.clipInfinite) {
            clip = any ? clip.intersected(state.clip) : state.clip;
            any = true;
        }
        QRect r;
        if (!any) painter->setClipping(false);
        else if (PixelRectOf(clip, &r)) painter->setClipRect(r);
        else if (clip.isEmpty()) painter->setClipRect(QRect());
        else painter->setClipPath(clip);
    }
    painter->setTransform(Full());
    painter->setRenderHint(QPainter::Antialiasing, Antialias());
    painter->setRenderHint(QPainter::SmoothPixmapTransform,
                             state.interpolation != InterpolationModeNearestNeighbor);
    painter->setCompositionMode(state.compositing == CompositingModeSourceCopy
                                      ? QPainter::CompositionMode_Source
                                      : QPainter::CompositionMode_SourceOver);
    return painter;
}

// ---------------------------------------------------------------------------
// Construction

Graphics::Graphics(HDC dc) : m_impl(std::make_unique<GraphicsImpl>()) {
    if (!dc) {
        m_last = InvalidParameter;
        return;
    }
    GraphicsImpl& g = *m_impl;
    g.target = dc->target;
    g.keep = dc->keep;
    g.alive = dc->alive;
    g.printing = dc->printing;
    const DCState& s = dc->state;
    const double sx = dc->ScaleX(), sy = dc->ScaleY();
    g.deviceBase = QTransform(sx, 0, 0, sy, s.viewportOrg.x() - s.windowOrg.x() * sx,
                              s.viewportOrg.y() - s.windowOrg.y() * sy);
    if (!dc->baseClip.isEmpty() || s.clipped) {
        g.hasBaseClip = true;
        g.baseClip.addRegion(dc->EffectiveClip());
    }
    if (!g.target) m_last = InvalidParameter;
}

Graphics::Graphics(CDC* dc) : Graphics(dc ? dc->m_hDC : HDC(nullptr)) {}

Graphics::Graphics(Image* image) : m_impl(std::make_unique<GraphicsImpl>()) {
    if (!image || !image->Data() || !image->Data()->image) {
        m_last = image ? WrongState : InvalidParameter;
        return;
    }
    m_impl->keep = image->Data()->image;
    m_impl->target = m_impl->keep.get();
}

Graphics::~Graphics() = default;

Status Graphics::Record(Status s) const {
    if (s != Ok) m_last = s;
    return s;
}

Status Graphics::GetLastStatus() const {
    const Status s = m_last;
    m_last = Ok;
    return s;
}

void Graphics::Flush() { m_impl->ReleasePainter(); }

// ---------------------------------------------------------------------------
// Modes

Status Graphics::SetSmoothingMode(SmoothingMode mode) {
    if (mode == SmoothingModeInvalid) return Record(InvalidParameter);
    m_impl->state.smoothing = mode;
    return Ok;
}
SmoothingMode Graphics::GetSmoothingMode() const { return m_impl->state.smoothing; }
Status Graphics::SetTextRenderingHint(TextRenderingHint hint) {
    m_impl->state.textHint = hint;
    return Ok;
}
TextRenderingHint Graphics::GetTextRenderingHint() const { return m_impl->state.textHint; }
Status Graphics::SetPixelOffsetMode(PixelOffsetMode mode) {
    if (mode == PixelOffsetModeInvalid) return Record(InvalidParameter);
    m_impl->state.pixelOffset = mode;
    return Ok;
}
PixelOffsetMode Graphics::GetPixelOffsetMode() const { return m_impl->state.pixelOffset; }
Status Graphics::SetInterpolationMode(InterpolationMode mode) {
    if (mode == InterpolationModeInvalid) return Record(InvalidParameter);
    m_impl->state.interpolation = mode;
    return Ok;
}
InterpolationMode Graphics::GetInterpolationMode() const { return m_impl->state.interpolation; }
Status Graphics::SetCompositingMode(CompositingMode mode) {
    m_impl->state.compositing = mode;
    return Ok;
}
CompositingMode Graphics::GetCompositingMode() const { return m_impl->state.compositing; }
Status Graphics::SetCompositingQuality(CompositingQuality q) {
    m_impl->state.compositingQuality = q;
    return Ok;
}

// ---------------------------------------------------------------------------
// World transform

Status Graphics::SetTransform(const Matrix* m) {
    if (!m) return Record(InvalidParameter);
    m_impl->state.world = *m;
    return Ok;
}
Status Graphics::GetTransform(Matrix* m) const {
    if (!m) return Record(InvalidParameter);
    *m = m_impl->state.world;
    return Ok;
}
Status Graphics::ResetTransform() { return m_impl->state.world.Reset(); }
Status Graphics::MultiplyTransform(const Matrix* m, MatrixOrder order) {
    if (!m) return Record(InvalidParameter);
    return m_impl->state.world.Multiply(m, order);
}
Status Graphics::TranslateTransform(REAL dx, REAL dy, MatrixOrder order) {
    return m_impl->state.world.Translate(dx, dy, order);
}
Status Graphics::ScaleTransform(REAL sx, REAL sy, MatrixOrder order) {
    return m_impl->state.world.Scale(sx, sy, order);
}
Status Graphics::RotateTransform(REAL angle, MatrixOrder order) { return m_impl->state.world.Rotate(angle, order); }

// ---------------------------------------------------------------------------
// Clipping

namespace {

void Combine(GraphicsImpl& g, const QPainterPath& area, bool areaInfinite, CombineMode mode) {
    auto& s = g.state;
    const QPainterPath all = g.InfiniteClipPath();
    const QPainterPath mine = s.clipInfinite ? all : s.clip;
    const QPainterPath theirs = areaInfinite ? all : area;
    switch (mode) {
    case CombineModeReplace:
        s.clipInfinite = areaInfinite;
        s.clip = areaInfinite ? QPainterPath() : area;
        break;
    case CombineModeIntersect:
        if (areaInfinite) break;
        s.clip = s.clipInfinite ? area : mine.intersected(theirs);
        s.clipInfinite = false;
        break;
    case CombineModeUnion:
        if (s.clipInfinite || areaInfinite) {
            s.clipInfinite = true;
            s.clip = QPainterPath();
        } else {
            s.clip = mine.united(theirs);
        }
        break;
    case CombineModeXor:
        s.clip = mine.united(theirs).subtracted(mine.intersected(theirs));
        s.clipInfinite = false;
        break;
    case CombineModeExclude:
        s.clip = mine.subtracted(theirs);
        s.clipInfinite = false;
        break;
    case CombineModeComplement:
        s.clip = theirs.subtracted(mine);
        s.clipInfinite = false;
        break;
    }
    g.ClipChanged();
}

QPainterPath DeviceRect(const GraphicsImpl& g, const RectF& r) {
    QPainterPath p;
    if (r.Width > 0 && r.Height > 0) p.addRect(QRectF(r.X, r.Y, r.Width, r.Height));
    return g.Full().map(p);
}

}  // namespace

Status Graphics::SetClip(const RectF& r, CombineMode mode) {
    Combine(*m_impl, DeviceRect(*m_impl, r), false, mode);
    return Ok;
}

Status Graphics::SetClip(const Rect& r, CombineMode mode) {
    return SetClip(RectF(REAL(r.X), REAL(r.Y), REAL(r.Width), REAL(r.Height)), mode);
}

Status Graphics::SetClip(const GraphicsPath* path, CombineMode mode) {
    if (!path) return Record(InvalidParameter);
    Combine(*m_impl, m_impl->Full().map(ToQPath(*path)), false, mode);
    return Ok;
}

Status Graphics::SetClip(const Region* region, CombineMode mode) {
    if (!region) return Record(InvalidParameter);
    const RegionData& d = region->Data();
    Combine(*m_impl, d.infinite ? QPainterPath() : m_impl->Full().map(d.path), d.infinite, mode);
    return Ok;
}

Status Graphics::SetClip(const Graphics* other, CombineMode mode) {
    if (!other) return Record(InvalidParameter);
    const auto& s = other->m_impl->state;
    Combine(*m_impl, s.clip, s.clipInfinite, mode);
    return Ok;
}

Status Graphics::ResetClip() {
    m_impl->state.clipInfinite = true;
    m_impl->state.clip = QPainterPath();
    m_impl->ClipChanged();
    return Ok;
}

Status Graphics::GetClip(Region* region) const {
    if (!region) return Record(InvalidParameter);
    if (m_impl->state.clipInfinite) return region->MakeInfinite();
    bool ok = false;
    const QTransform back = m_impl->Full().inverted(&ok);
    region->MutableData().infinite = false;
    region->MutableData().path = ok ? back.map(m_impl->state.clip) : QPainterPath();
    return Ok;
}

Status Graphics::GetClipBounds(RectF* r) const {
    if (!r) return Record(InvalidParameter);
    if (m_impl->state.clipInfinite && !m_impl->hasBaseClip) {
        *r = RectF(-4194304.0f, -4194304.0f, 8388608.0f, 8388608.0f);
        return Ok;
    }
    QPainterPath clip = m_impl->state.clipInfinite ? m_impl->baseClip : m_impl->state.clip;
    if (m_impl->hasBaseClip && !m_impl->state.clipInfinite) clip = clip.intersected(m_impl->baseClip);
    bool ok = false;
    const QTransform back = m_impl->Full().inverted(&ok);
    const QRectF b = ok ? back.map(clip).boundingRect() : QRectF();
    *r = RectF(REAL(b.x()), REAL(b.y()), REAL(b.width()), REAL(b.height()));
    return Ok;
}

Status Graphics::GetClipBounds(Rect* r) const {
    if (!r) return Record(InvalidParameter);
    RectF f;
    GetClipBounds(&f);
    *r = Rect(INT(std::lround(f.X)), INT(std::lround(f.Y)), INT(std::lround(f.Width)), INT(std::lround(f.Height)));
    return Ok;
}

BOOL Graphics::IsClipEmpty() const {
    return !m_impl->state.clipInfinite && m_impl->state.clip.boundingRect().isEmpty();
}

BOOL Graphics::IsVisible(REAL x, REAL y) const {
    const QPointF d = m_impl->Full().map(QPointF(x, y));
    if (m_impl->target && !QRectF(m_impl->target->rect()).contains(d)) return FALSE;
    if (m_impl->hasBaseClip && !m_impl->baseClip.contains(d)) return FALSE;
    if (!m_impl->state.clipInfinite && !m_impl->state.clip.contains(d)) return FALSE;
    return TRUE;
}

// ---------------------------------------------------------------------------
// State

GraphicsState Graphics::Save() {
    const GraphicsState id = m_impl->nextState++;
    m_impl->saved.emplace_back(id, m_impl->state);
    return id;
}

Status Graphics::Restore(GraphicsState state) {
    auto& saved = m_impl->saved;
    for (size_t i = saved.size(); i-- > 0;) {
        if (saved[i].first == state) {
            m_impl->state = saved[i].second;
            saved.erase(saved.begin() + std::ptrdiff_t(i), saved.end());
            m_impl->ClipChanged();
            return Ok;
        }
    }
    return Ok;
}

// ---------------------------------------------------------------------------
// Filling

Status Graphics::Clear(const Color& c) {
    QPainter* p = m_impl->Painter();
    if (!p) return Ok;
    p->save();
    p->resetTransform();
    p->setCompositionMode(QPainter::CompositionMode_Source);
    platform::detail::FillInBands(p, m_impl->target->rect(), ToQColor(c));
    p->restore();
    return Ok;
}

Status Graphics::FillPath(const Brush* brush, const GraphicsPath* path) {
    if (!brush || !path) return Record(InvalidParameter);
    if (path->GetPointCount() == 0) return Ok;
    QImage* target = m_impl->target;
    if (!target || target->isNull() || (m_impl->alive && !m_impl->alive())) return Ok;
    if (brush->GetType() == BrushTypePathGradient) {
        QPainter* p = m_impl->Painter();
        if (!p) return Ok;
        const auto& pg = static_cast<const PathGradientBrush&>(*brush);
        if (pg.Boundary().GetPointCount() < 2) return Ok;
        const QTransform full = m_impl->Full();
        const bool same = pg.BrushTransform().IsIdentity() && path->Points() == pg.Boundary().Points() &&
                          path->Types() == pg.Boundary().Types();
        const QRect limit = m_impl->DeviceBounds().toAlignedRect().intersected(m_impl->target->rect());
        FillPathGradient(p, full.map(ToQPath(*path)), pg, full, m_impl->Antialias(),
                         m_impl->state.compositing == CompositingModeSourceCopy, same, limit);
        return Ok;
    }
    if (brush->GetType() == BrushTypeLinearGradient) {
        // A gradient whose two ends meet (an empty rectangle) draws nothing.
        const auto& lg = static_cast<const LinearGradientBrush&>(*brush);
        if (lg.Start() == lg.End()) return Ok;
    }
    if (m_impl->Antialias() && m_impl->state.compositing == CompositingModeSourceOver) {
        Polygons polys;
        const QTransform full = m_impl->Full();
        FlattenPath(*path, full, polys);
        const QRect limit = m_impl->DeviceBounds().toAlignedRect().intersected(m_impl->target->rect());
        QRect clip;
        const bool simple = m_impl->ClipRect(&clip);
        // Blended straight into plain pixels under a rectangular clip, the
        // fill needs no painter: only the background still to be laid there.
        const bool direct = simple && platform::detail::PlainPixels(target);
        QPainter* p = nullptr;
        if (direct) platform::detail::DoDeferred(target);
        else if (!(p = m_impl->Painter())) return Ok;
        if (FillCoverage(p, target, simple ? &clip : nullptr, polys, path->GetFillMode() == FillModeAlternate, *brush,
                         full, limit, path))
            return Ok;
    }
    QPainter* p = m_impl->Painter();
    if (!p) return Ok;
    p->fillPath(ToQPath(*path), ToQBrush(*brush));
    return Ok;
}

Status Graphics::FillRectangle(const Brush* brush, REAL x, REAL y, REAL w, REAL h) {
    GraphicsPath path;
    path.AddRectangle(RectF(x, y, w, h));
    return FillPath(brush, &path);
}

Status Graphics::FillEllipse(const Brush* brush, REAL x, REAL y, REAL w, REAL h) {
    GraphicsPath path;
    path.AddEllipse(x, y, w, h);
    return FillPath(brush, &path);
}

Status Graphics::FillPolygon(const Brush* brush, const PointF* points, INT count, FillMode mode) {
    if (!points || count < 3) return Record(InvalidParameter);
    GraphicsPath path(mode);
    path.AddPolygon(points, count);
    return FillPath(brush, &path);
}

Status Graphics::FillRegion(const Brush* brush, const Region* region) {
    if (!brush || !region) return Record(InvalidParameter);
    const RegionData& d = region->Data();
    QPainter* p = m_impl->Painter();
    if (!p) return Ok;
    QPainterPath area = d.path;
    if (d.infinite) {
        bool ok = false;
        const QTransform back = m_impl->Full().inverted(&ok);
        if (!ok) return Ok;
        area = back.map(m_impl->InfiniteClipPath());
    }
    if (brush->GetType() == BrushTypePathGradient) {
        const auto& pg = static_cast<const PathGradientBrush&>(*brush);
        const QTransform full = m_impl->Full();
        const QRect limit = m_impl->DeviceBounds().toAlignedRect().intersected(m_impl->target->rect());
        FillPathGradient(p, full.map(area), pg, full, m_impl->Antialias(),
                         m_impl->state.compositing == CompositingModeSourceCopy, false, limit);
        return Ok;
    }
    p->fillPath(area, ToQBrush(*brush));
    return Ok;
}

// ---------------------------------------------------------------------------
// Lines

namespace {

QPen ToQPen(const Pen& pen, const QTransform& worldToDevice) {
    QPen q;
    const Brush* b = pen.GetBrush();
    if (b) {
        q.setBrush(ToQBrush(*b));
    } else {
        Color c;
        pen.GetColor(&c);
        q.setColor(ToQColor(c));
    }
    // Lines never get thinner than one device pixel.
    const double scale = std::sqrt(std::abs(worldToDevice.determinant()));
    if (pen.GetWidth() * scale < 1.0) {
        q.setWidthF(1.0);
        q.setCosmetic(true);
    } else {
        q.setWidthF(pen.GetWidth());
    }
    switch (pen.GetLineJoin()) {
    case LineJoinBevel: q.setJoinStyle(Qt::BevelJoin); break;
    case LineJoinRound: q.setJoinStyle(Qt::RoundJoin); break;
    case LineJoinMiterClipped: q.setJoinStyle(Qt::MiterJoin); break;
    default: q.setJoinStyle(Qt::SvgMiterJoin); break;
    }
    q.setMiterLimit(pen.GetMiterLimit());
    switch (pen.GetStartCap()) {
    case LineCapSquare: q.setCapStyle(Qt::SquareCap); break;
    case LineCapRound: q.setCapStyle(Qt::RoundCap); break;
    default: q.setCapStyle(Qt::FlatCap); break;
    }
    switch (pen.GetDashStyle()) {
    case DashStyleDash: q.setStyle(Qt::DashLine); break;
    case DashStyleDot: q.setStyle(Qt::DotLine); break;
    case DashStyleDashDot: q.setStyle(Qt::DashDotLine); break;
    case DashStyleDashDotDot: q.setStyle(Qt::DashDotDotLine); break;
    default: q.setStyle(Qt::SolidLine); break;
    }
    return q;
}

}  // namespace

Status Graphics::DrawPath(const Pen* pen, const GraphicsPath* path) {
    if (!pen || !path) return Record(InvalidParameter);
    if (path->GetPointCount() < 2) return Ok;
    QPainter* p = m_impl->Painter();
    if (!p) return Ok;
    const QPen qpen = ToQPen(*pen, m_impl->WorldToDevice());
    if (m_impl->Antialias() && m_impl->state.compositing == CompositingModeSourceOver) {
        Color colour;
        pen->GetColor(&colour);
        const SolidBrush solid(colour);
        const Brush& brush = pen->GetBrush() ? *pen->GetBrush() : static_cast<const Brush&>(solid);
        Polygons polys;
        const QTransform full = m_impl->Full();
        StrokeOutline(*path, full, qpen, polys);
        const QRect limit = m_impl->DeviceBounds().toAlignedRect().intersected(m_impl->target->rect());
        QRect clip;
        const bool simple = m_impl->ClipRect(&clip);
        if (FillCoverage(p, m_impl->target, simple ? &clip : nullptr, polys, false, brush, full, limit)) return Ok;
    }
    p->strokePath(ToQPath(*path), qpen);
    return Ok;
}

Status Graphics::DrawLine(const Pen* pen, REAL x1, REAL y1, REAL x2, REAL y2) {
    GraphicsPath path;
    path.AddLine(x1, y1, x2, y2);
    return DrawPath(pen, &path);
}

Status Graphics::DrawLines(const Pen* pen, const PointF* points, INT count) {
    if (!points || count < 2) return Record(InvalidParameter);
    GraphicsPath path;
    path.AddLines(points, count);
    return DrawPath(pen, &path);
}

Status Graphics::DrawLines(const Pen* pen, const Point* points, INT count) {
    if (!points || count < 2) return Record(InvalidParameter);
    GraphicsPath path;
    path.AddLines(points, count);
    return DrawPath(pen, &path);
}

Status Graphics::DrawRectangle(const Pen* pen, REAL x, REAL y, REAL w, REAL h) {
    GraphicsPath path;
    path.AddRectangle(RectF(x, y, w, h));
    return DrawPath(pen, &path);
}

Status Graphics::DrawEllipse(const Pen* pen, REAL x, REAL y, REAL w, REAL h) {
    GraphicsPath path;
    path.AddEllipse(x, y, w, h);
    return DrawPath(pen, &path);
}

Status Graphics::DrawArc(const Pen* pen, REAL x, REAL y, REAL w, REAL h, REAL start, REAL sweep) {
    GraphicsPath path;
    path.AddArc(x, y, w, h, start, sweep);
    return DrawPath(pen, &path);
}

Status Graphics::DrawBezier(const Pen* pen, const PointF& a, const PointF& b, const PointF& c, const PointF& d) {
    GraphicsPath path;
    path.AddBezier(a, b, c, d);
    return DrawPath(pen, &path);
}

Status Graphics::DrawPolygon(const Pen* pen, const PointF* points, INT count) {
    if (!points || count < 2) return Record(InvalidParameter);
    GraphicsPath path;
    path.AddPolygon(points, count);
    return DrawPath(pen, &path);
}

// ---------------------------------------------------------------------------
// Text

Status Graphics::DrawString(const WCHAR* text, INT length, const Font* font, const PointF& origin,
                            const StringFormat* format, const Brush* brush) {
    return DrawString(text, length, font, RectF(origin.X, origin.Y, 0, 0), format, brush);
}

Status Graphics::DrawString(const WCHAR* text, INT length, const Font* font, const RectF& layout,
                            const StringFormat* format, const Brush* brush) {
    if (!text || !font || !brush) return Record(InvalidParameter);
    if (!font->IsAvailable()) return Record(InvalidParameter);
    std::u16string s;
    if (length < 0) while (text[s.size()]) s.push_back(text[s.size()]);
    else s.assign(text, text + length);
    GraphicsPath path;
    AppendText(path, s, font->Family(), font->GetStyle(), font->EmPixels(), layout, format);
    if (path.GetPointCount() == 0) return Ok;
    const TextRenderingHint hint = m_impl->state.textHint;
    const bool aliased =
        hint == TextRenderingHintSingleBitPerPixel || hint == TextRenderingHintSingleBitPerPixelGridFit;
    const SmoothingMode saved = m_impl->state.smoothing;
    m_impl->state.smoothing = aliased ? SmoothingModeNone : SmoothingModeAntiAlias;
    const Status s2 = FillPath(brush, &path);
    m_impl->state.smoothing = saved;
    return s2;
}

Status Graphics::MeasureString(const WCHAR* text, INT length, const Font* font, const RectF& layout,
                               const StringFormat* format, RectF* bounds, INT* codepointsFitted,
                               INT* linesFilled) const {
    if (!text || !font || !bounds) return Record(InvalidParameter);
    std::u16string s;
    if (length < 0) while (text[s.size()]) s.push_back(text[s.size()]);
    else s.assign(text, text + length);
    *bounds = MeasureText(s, font->Family(), font->GetStyle(), font->EmPixels(), layout, format);
    if (codepointsFitted) *codepointsFitted = INT(s.size());
    if (linesFilled) *linesFilled = INT(std::count(s.begin(), s.end(), u'\n') + 1);
    return Ok;
}

Status Graphics::MeasureString(const WCHAR* text, INT length, const Font* font, const PointF& origin,
                               const StringFormat* format, RectF* bounds) const {
    return MeasureString(text, length, font, RectF(origin.X, origin.Y, 0, 0), format, bounds);
}

// ---------------------------------------------------------------------------
// Images

namespace {

QImage ThroughMatrix(const QImage& in, const ImageAttributes& attributes) {
    const ColorMatrix& m = attributes.GetMatrix();
    const bool skipGrays = attributes.GetFlags() == ColorMatrixFlagsSkipGrays;
    QImage out(in.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < in.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(in.constScanLine(y));
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < in.width(); ++x) {
            const QRgb c = qUnpremultiply(src[x]);
            if (skipGrays && qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)) {
                dst[x] = src[x];
                continue;
            }
            const double v[4] = {qRed(c) / 255.0, qGreen(c) / 255.0, qBlue(c) / 255.0, qAlpha(c) / 255.0};
            int o[4];
            for (int j = 0; j < 4; ++j) {
                double r = m.m[4][j];
                for (int i = 0; i < 4; ++i) r += v[i] * m.m[i][j];
                o[j] = int(std::lround(std::clamp(r, 0.0, 1.0) * 255.0));
            }
            dst[x] = qPremultiply(qRgba(o[0], o[1], o[2], o[3]));
        }
    }
    return out;
}

}  // namespace

Status Graphics::DrawImage(Image* image, REAL x, REAL y) {
    if (!image) return Record(InvalidParameter);
    const REAL w = REAL(image->GetWidth()), h = REAL(image->GetHeight());
    return DrawImage(image, RectF(x, y, w, h), 0, 0, w, h, UnitPixel, nullptr);
}

Status Graphics::DrawImage(Image* image, REAL x, REAL y, REAL w, REAL h) {
    if (!image) return Record(InvalidParameter);
    return DrawImage(image, RectF(x, y, w, h), 0, 0, REAL(image->GetWidth()), REAL(image->GetHeight()), UnitPixel,
                     nullptr);
}

Status Graphics::DrawImage(Image* image, const RectF& dest, REAL srcX, REAL srcY, REAL srcW, REAL srcH, Unit,
                           const ImageAttributes* attributes) {
    if (!image) return Record(InvalidParameter);
    const auto pixels = ImageOf(*image);
    if (!pixels) return Record(InvalidParameter);
    if (dest.Width == 0 || dest.Height == 0 || srcW <= 0 || srcH <= 0) return Ok;
    QRectF src(srcX, srcY, srcW, srcH);
    const QTransform t = m_impl->WorldToDevice();
    const QPointF at = t.map(QPointF(dest.X, dest.Y));
    const bool plainCopy = t.type() <= QTransform::TxTranslate && dest.Width == srcW && dest.Height == srcH &&
                           std::abs(at.x() - std::round(at.x())) < 1e-3 && std::abs(at.y() - std::round(at.y())) < 1e-3 &&
                           src.x() == std::floor(src.x()) && src.y() == std::floor(src.y());
    QRect clip;
    if (plainCopy && !(attributes && attributes->HasMatrix()) && src == QRectF(src.toRect()) && m_impl->target &&
        m_impl->ClipRect(&clip)) {
        // Unscaled at whole pixels under a rectangular clip: the part of the
        // target the picture reaches, and where in the picture that starts.
        QImage* target = m_impl->target;
        const QRect whole = src.toRect();
        const QRect part = whole.intersected(pixels->rect());
        const QPoint to(int(std::round(at.x())), int(std::round(at.y())));
        const QRect reached = QRect(to + part.topLeft() - whole.topLeft(), part.size()).intersected(clip);
        const QRect from = reached.translated(whole.topLeft() - to);
        const bool rows = pixels.get() != target && platform::detail::PlainPixels(target) &&
                          (!m_impl->alive || m_impl->alive());
        const auto format = pixels->format();
        if (m_impl->state.compositing == CompositingModeSourceCopy) {
            // Copied pixels replace what lies there: a background still to be laid under them need not be.
            platform::detail::Overwriting(target, reached);
            if (rows && (format == QImage::Format_ARGB32_Premultiplied || format == QImage::Format_RGB32)) {
                // Row by row into the pixels themselves, as the painter would copy them.
                if (!reached.isEmpty()) platform::detail::CopyPixels(target, reached.topLeft(), *pixels, from);
                return Ok;
            }
        } else if (rows && format == QImage::Format_ARGB32_Premultiplied) {
            // Blended row by row into the pixels themselves, as the painter would blend them.
            if (!reached.isEmpty()) platform::detail::BlendPixels(target, reached.topLeft(), *pixels, from);
            return Ok;
        }
    }
    QPainter* p = m_impl->Painter();
    if (!p) return Ok;
    QImage source;
    if (attributes && attributes->HasMatrix()) {
        const QRect whole = src.toAlignedRect().intersected(pixels->rect());
        if (whole.isEmpty()) return Ok;
        source = ThroughMatrix(pixels->copy(whole), *attributes);
        src.translate(-whole.topLeft());
    } else if (pixels.get() == m_impl->target) {
        source = pixels->copy();
    }
    const QImage& from = source.isNull() ? *pixels : source;
    p->save();
    if (plainCopy) {
        // Unscaled at whole pixels: an exact copy.
        p->resetTransform();
        const QPointF to(std::round(at.x()), std::round(at.y()));
        if (src == QRectF(src.toRect()))
            platform::detail::DrawInBands(p, to.toPoint(), from, src.toRect());
        else
            p->drawImage(to, from, src);
    } else {
        p->setTransform(t);
        p->drawImage(QRectF(dest.X, dest.Y, dest.Width, dest.Height), from, src);
    }
    p->restore();
    return Ok;
}

Status Graphics::DrawRuns(const RowRuns& runs, INT x, INT y, const Rect& part) {
    const QRect src = QRect(part.X, part.Y, part.Width, part.Height).intersected(QRect(0, 0, runs.m_width, runs.m_height));
    if (src.isEmpty()) return Ok;
    // Columns `from` to `last` of row `sy`, out[0] taking column `from`.
    auto expand = [&runs](int sy, int from, int last, std::uint32_t* out) {
        const int first = from;
        for (int r = runs.m_rowStart[size_t(sy)]; r < runs.m_rowStart[size_t(sy) + 1] && from <= last; ++r) {
            const RowRuns::Run& run = runs.m_runs[size_t(r)];
            if (run.end <= from) continue;
            const int end = std::min(run.end, last + 1);
            std::fill(out + (from - first), out + (end - first), run.colour);
            from = end;
        }
    };
    const QTransform t = m_impl->WorldToDevice();
    const QPointF at = t.map(QPointF(x, y));
    QImage* target = m_impl->target;
    QRect clip;
    if (t.type() <= QTransform::TxTranslate && std::abs(at.x() - std::round(at.x())) < 1e-3 &&
        std::abs(at.y() - std::round(at.y())) < 1e-3 && platform::detail::PlainPixels(target) &&
        m_impl->ClipRect(&clip) && (!m_impl->alive || m_impl->alive())) {
        // Each run straight into the target's rows.
        const QPoint to(int(std::round(at.x())), int(std::round(at.y())));
        const QRect dest = src.translated(to).intersected(clip);
        if (dest.isEmpty()) return Ok;
        platform::detail::Overwriting(target, dest);
        platform::detail::DoDeferred(target);
        for (int dy = dest.top(); dy <= dest.bottom(); ++dy)
            expand(dy - to.y(), dest.left() - to.x(), dest.right() - to.x(),
                   reinterpret_cast<std::uint32_t*>(target->scanLine(dy)) + dest.left());
        return Ok;
    }
    // Elsewhere, through a picture of the part.
    Bitmap picture(src.width(), src.height(), PixelFormat32bppARGB);
    const auto pixels = ImageOf(picture);
    if (!pixels) return Record(OutOfMemory);
    for (int y = 0; y < src.height(); ++y)
        expand(src.top() + y, src.left(), src.right(), reinterpret_cast<std::uint32_t*>(pixels->scanLine(y)));
    const CompositingMode mode = GetCompositingMode();
    SetCompositingMode(CompositingModeSourceCopy);
    const Status drawn = DrawImage(&picture, REAL(x + src.left()), REAL(y + src.top()));
    SetCompositingMode(mode);
    return drawn;
}

// ---------------------------------------------------------------------------
// Device contexts on the same pixels

HDC Graphics::GetHDC() {
    if (!m_impl->target) return nullptr;
    m_impl->ReleasePainter();
    auto* dc = new DCImpl(DCImpl::kImage);
    dc->target = m_impl->target;
    dc->keep = m_impl->keep;
    dc->alive = m_impl->alive;
    m_impl->lentContexts.push_back(dc);
    return dc;
}

void Graphics::ReleaseHDC(HDC dc) {
    auto& lent = m_impl->lentContexts;
    auto it = std::find(lent.begin(), lent.end(), dc);
    if (it == lent.end()) return;
    lent.erase(it);
    delete dc;
}

}  // namespace gfx
