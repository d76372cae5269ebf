#include "platform/gdi/dc.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "platform/base/sysmetrics.h"
#include "platform/gdi/dc_impl.h"
#include "platform/gdi/raster_bands.h"

using namespace platform::detail;

namespace {
// The one-pixel outline just inside `r` (device pixels).
void FrameOnePixel(QPainter* p, const QRect& r, const QColor& c) {
    p->fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
    p->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), c);
    p->fillRect(QRect(r.left(), r.top(), 1, r.height()), c);
    p->fillRect(QRect(r.right(), r.top(), 1, r.height()), c);
}

// Fills `r` (device pixels) with an opaque colour straight into the
// context's pixels, where they are plain premultiplied pixels: no painter is
// begun, and the part filled needs no background laid under it first. False
// where a painter has to fill.
bool FillDirect(DCImpl* dc, const QRect& r, const QColor& colour) {
    QImage* target = dc->target;
    if (!PlainPixels(target) || (dc->alive && !dc->alive()) || colour.alpha() != 255) return false;
    const QRegion area = dc->EffectiveClip() & r;  // (the clip lies within the target)
    if (area.isEmpty()) return true;
    Overwriting(target, area);
    DoDeferred(target);
    const QRgb c = colour.rgba();
    for (const QRect& part : area)
        for (int y = part.top(); y <= part.bottom(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(target->scanLine(y));
            std::fill(line + part.left(), line + part.right() + 1, c);
        }
    return true;
}
}  // namespace

// ---------------------------------------------------------------------------
// Filling

void CDC::FillSolidRect(LPCRECT rect, COLORREF colour) {
    if (!rect) return;
    FillSolidRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, colour);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF colour) {
    if (!m_hDC) return;
    m_hDC->state.bkColour = colour & 0xFFFFFF;
    if (cx == 0 || cy == 0) return;
    const QRect r = m_hDC->ToDevice(RECT{x, y, x + cx, y + cy});
    if (FillDirect(m_hDC, r, QtColour(colour))) return;
    QPainter* p = m_hDC->Painter();
    if (!p) return;
    FillInBands(p, r, QtColour(colour));
}

void CDC::FillRect(LPCRECT rect, CBrush* brush) {
    const auto* b = DataOf<BrushData>(brush);
    if (!m_hDC || !rect || !b || b->hollow) return;
    if (rect->right <= rect->left || rect->bottom <= rect->top) return;
    if (FillDirect(m_hDC, m_hDC->ToDevice(*rect), QtColour(b->colour))) return;
    QPainter* p = m_hDC->Painter();
    if (!p) return;
    FillInBands(p, m_hDC->ToDevice(*rect), QtColour(b->colour));
}

void CDC::FrameRect(LPCRECT rect, CBrush* brush) {
    const auto* b = DataOf<BrushData>(brush);
    if (!m_hDC || !rect || !b || b->hollow) return;
    if (rect->right <= rect->left || rect->bottom <= rect->top) return;
    QPainter* p = m_hDC->Painter();
    if (!p) return;
    const QRect r = m_hDC->ToDevice(*rect);
    const QColor c = QtColour(b->colour);
    FrameOnePixel(p, r, c);
}

void CDC::InvertRect(LPCRECT rect) {
    if (!m_hDC || !rect) return;
    QPainter* p = m_hDC->Painter();
    if (!p) return;
    p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p->fillRect(m_hDC->ToDevice(*rect), QColor(255, 255, 255));
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void CDC::DrawFocusRect(LPCRECT rect) {
    if (!m_hDC || !rect || !m_hDC->target) return;
    const QRect r = m_hDC->ToDevice(*rect);
    if (r.isEmpty()) return;
    QPainter* p = m_hDC->Painter();
    if (!p) return;
    // Every other pixel of the frame, inverted, so that a second call removes it.
    p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p->setPen(Qt::NoPen);
    const QColor white(255, 255, 255);
    for (int x = r.left(); x <= r.right(); x += 2) {
        p->fillRect(QRect(x, r.top(), 1, 1), white);
        if (r.bottom() != r.top()) p->fillRect(QRect(x, r.bottom(), 1, 1), white);
    }
    for (int y = r.top() + 2; y < r.bottom(); y += 2) {
        p->fillRect(QRect(r.left(), y, 1, 1), white);
        if (r.right() != r.left()) p->fillRect(QRect(r.right(), y, 1, 1), white);
    }
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void CDC::Draw3dRect(LPCRECT rect, COLORREF topLeft, COLORREF bottomRight) {
    if (!rect) return;
    Draw3dRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, topLeft, bottomRight);
}

void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight) {
    FillSolidRect(x, y, cx - 1, 1, topLeft);
    FillSolidRect(x, y, 1, cy - 1, topLeft);
    FillSolidRect(x + cx, y, -1, cy, bottomRight);
    FillSolidRect(x, y + cy, cx, -1, bottomRight);
}

BOOL CDC::Rectangle(int left, int top, int right, int bottom) {
    if (!m_hDC) return FALSE;
    QPainter* p = m_hDC->Painter();
    if (!p) return FALSE;
    const QRect r = m_hDC->ToDevice(RECT{left, top, right, bottom});
    const PenData& pen = m_hDC->state.penData;
    const BrushData& brush = m_hDC->state.brushData;
    const bool outline = pen.style != PS_NULL;
    const int w = std::max(1, pen.width);
    if (!brush.hollow) {
        QRect inner = outline ? r.adjusted(1, 1, -1, -1) : QRect(r.left(), r.top(), r.width() - 1, r.height() - 1);
        if (!inner.isEmpty()) FillInBands(p, inner, QtColour(brush.colour));
    }
    if (outline && r.width() > 0 && r.height() > 0) {
        const QColor c = QtColour(pen.colour);
        if (w == 1) {
            FrameOnePixel(p, r, c);
        } else {
            p->setRenderHint(QPainter::Antialiasing, false);
            QPen qp(c, w, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
            p->setPen(qp);
            p->setBrush(Qt::NoBrush);
            QRectF path(r.left() + 0.5, r.top() + 0.5, r.width() - 1, r.height() - 1);
            if (pen.style == PS_INSIDEFRAME) path.adjust(w / 2.0 - 0.5, w / 2.0 - 0.5, -(w / 2.0 - 0.5), -(w / 2.0 - 0.5));
            p->drawRect(path);
            p->setPen(Qt::NoPen);
        }
    }
    return TRUE;
}

BOOL CDC::Rectangle(LPCRECT rect) {
    return rect ? Rectangle(rect->left, rect->top, rect->right, rect->bottom) : FALSE;
}

BOOL CDC::Ellipse(int left, int top, int right, int bottom) {
    if (!m_hDC) return FALSE;
    QPainter* p = m_hDC->Painter();
    if (!p) return FALSE;
    const QRect r = m_hDC->ToDevice(RECT{left, top, right, bottom});
    const PenData& pen = m_hDC->state.penData;
    const BrushData& brush = m_hDC->state.brushData;
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setPen(pen.style == PS_NULL ? QPen(Qt::NoPen) : QPen(QtColour(pen.colour), std::max(1, pen.width)));
    p->setBrush(brush.hollow ? QBrush(Qt::NoBrush) : QBrush(QtColour(brush.colour)));
    p->drawEllipse(QRect(r.left(), r.top(), r.width() - 1, r.height() - 1));
    p->setPen(Qt::NoPen);
    p->setBrush(Qt::NoBrush);
    return TRUE;
}

BOOL CDC::Ellipse(LPCRECT rect) { return rect ? Ellipse(rect->left, rect->top, rect->right, rect->bottom) : FALSE; }

// ---------------------------------------------------------------------------
// Lines

CPoint CDC::MoveTo(int x, int y) {
    const CPoint previous = GetCurrentPosition();
    if (m_hDC) m_hDC->state.position = QPoint(x, y);
    return previous;
}

CPoint CDC::GetCurrentPosition() const {
    return m_hDC ? CPoint(m_hDC->state.position.x(), m_hDC->state.position.y()) : CPoint();
}

BOOL CDC::LineTo(int x, int y) {
    if (!m_hDC) return FALSE;
    const QPoint from = m_hDC->ToDevice(m_hDC->state.position.x(), m_hDC->state.position.y());
    const QPoint to = m_hDC->ToDevice(x, y);
    m_hDC->state.position = QPoint(x, y);
    const PenData& pen = m_hDC->state.penData;
    if (pen.style == PS_NULL || from == to) return TRUE;
    QPainter* p = m_hDC->Painter();
    if (!p) return FALSE;
    const QColor c = QtColour(pen.colour);
    if (pen.width <= 1 && (pen.style == PS_SOLID || pen.style == PS_INSIDEFRAME)) {
        // The line covers its start and stops before its end point.
        if (from.y() == to.y()) {
            const int left = to.x() > from.x() ? from.x() : to.x() + 1;
            const int right = to.x() > from.x() ? to.x() - 1 : from.x();
            p->fillRect(QRect(left, from.y(), right - left + 1, 1), c);
            return TRUE;
        }
        if (from.x() == to.x()) {
            const int topY = to.y() > from.y() ? from.y() : to.y() + 1;
            const int bottomY = to.y() > from.y() ? to.y() - 1 : from.y();
            p->fillRect(QRect(from.x(), topY, 1, bottomY - topY + 1), c);
            return TRUE;
        }
        // Bresenham's steps over the major axis.
        int x0 = from.x(), y0 = from.y();
        const int dx = std::abs(to.x() - x0), sx = x0 < to.x() ? 1 : -1;
        const int dy = -std::abs(to.y() - y0), sy = y0 < to.y() ? 1 : -1;
        int err = dx + dy;
        QVector<QPoint> points;
        while (!(x0 == to.x() && y0 == to.y())) {
            points.push_back(QPoint(x0, y0));
            const int e2 = 2 * err;
            if (e2 >= dy) { err += dy; x0 += sx; }
            if (e2 <= dx) { err += dx; y0 += sy; }
        }
        p->setRenderHint(QPainter::Antialiasing, false);
        p->setPen(QPen(c, 0));
        p->drawPoints(points.data(), int(points.size()));
        p->setPen(Qt::NoPen);
        return TRUE;
    }
    Qt::PenStyle style = Qt::SolidLine;
    switch (pen.style) {
    case PS_DASH: style = Qt::DashLine; break;
    case PS_DOT: style = Qt::DotLine; break;
    case PS_DASHDOT: style = Qt::DashDotLine; break;
    case PS_DASHDOTDOT: style = Qt::DashDotDotLine; break;
    default: break;
    }
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setPen(QPen(c, std::max(1, pen.width), style, pen.width > 1 ? Qt::RoundCap : Qt::FlatCap, Qt::RoundJoin));
    p->drawLine(QPointF(from) + QPointF(0.5, 0.5), QPointF(to) + QPointF(0.5, 0.5));
    p->setPen(Qt::NoPen);
    return TRUE;
}

BOOL CDC::Polyline(const POINT* points, int count) {
    if (!m_hDC || !points || count < 2) return FALSE;
    const QPoint saved = m_hDC->state.position;
    m_hDC->state.position = QPoint(points[0].x, points[0].y);
    for (int i = 1; i < count; ++i) LineTo(points[i].x, points[i].y);
    m_hDC->state.position = saved;
    return TRUE;
}

BOOL CDC::Polygon(const POINT* points, int count) {
    if (!m_hDC || !points || count < 2) return FALSE;
    QPainter* p = m_hDC->Painter();
    if (!p) return FALSE;
    QPolygon poly;
    for (int i = 0; i < count; ++i) poly << m_hDC->ToDevice(int(points[i].x), int(points[i].y));
    const BrushData& brush = m_hDC->state.brushData;
    if (!brush.hollow) {
        p->setRenderHint(QPainter::Antialiasing, false);
        p->setPen(Qt::NoPen);
        p->setBrush(QtColour(brush.colour));
        p->drawPolygon(poly, Qt::OddEvenFill);
        p->setBrush(Qt::NoBrush);
    }
    if (m_hDC->state.penData.style != PS_NULL) {
        const QPoint saved = m_hDC->state.position;
        m_hDC->state.position = QPoint(points[0].x, points[0].y);
        for (int i = 1; i <= count; ++i) LineTo(points[i % count].x, points[i % count].y);
        m_hDC->state.position = saved;
    }
    return TRUE;
}

// ---------------------------------------------------------------------------
// Edges and frame controls

BOOL CDC::DrawEdge(LPRECT rect, UINT edge, UINT flags) {
    if (!m_hDC || !rect) return FALSE;
    CRect rc(*rect);
    struct Ring {
        UINT raised, sunken;
        int raisedTl, raisedBr, sunkenTl, sunkenBr;
    };
    // Outer ring first, then the inner one.
    const Ring rings[2] = {
        {BDR_RAISEDOUTER, BDR_SUNKENOUTER, COLOR_3DLIGHT, COLOR_3DDKSHADOW, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT},
        {BDR_RAISEDINNER, BDR_SUNKENINNER, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, COLOR_3DDKSHADOW, COLOR_3DLIGHT},
    };
    for (const Ring& ring : rings) {
        int tl = -1, br = -1;
        if (edge & ring.raised) { tl = ring.raisedTl; br = ring.raisedBr; }
        else if (edge & ring.sunken) { tl = ring.sunkenTl; br = ring.sunkenBr; }
        if (tl < 0) continue;
        COLORREF ctl = GetSysColor(tl), cbr = GetSysColor(br);
        if (flags & BF_MONO) ctl = cbr = GetSysColor(COLOR_WINDOWTEXT);
        else if (flags & BF_FLAT) ctl = cbr = GetSysColor(COLOR_BTNSHADOW);
        if (rc.Width() <= 0 || rc.Height() <= 0) break;
        const COLORREF bk = GetBkColor();
        if (flags & BF_LEFT) FillSolidRect(rc.left, rc.top, 1, rc.Height(), ctl);
        if (flags & BF_TOP) FillSolidRect(rc.left, rc.top, rc.Width(), 1, ctl);
        if (flags & BF_RIGHT) FillSolidRect(rc.right - 1, rc.top, 1, rc.Height(), cbr);
        if (flags & BF_BOTTOM) FillSolidRect(rc.left, rc.bottom - 1, rc.Width(), 1, cbr);
        SetBkColor(bk);
        if (flags & BF_LEFT) ++rc.left;
        if (flags & BF_TOP) ++rc.top;
        if (flags & BF_RIGHT) --rc.right;
        if (flags & BF_BOTTOM) --rc.bottom;
    }
    if ((flags & BF_MIDDLE) && rc.Width() > 0 && rc.Height() > 0) {
        const COLORREF bk = GetBkColor();
        FillSolidRect(&rc, GetSysColor((flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE));
        SetBkColor(bk);
    }
    if (flags & BF_ADJUST) *rect = rc;
    return TRUE;
}

BOOL CDC::DrawFrameControl(LPRECT rect, UINT type, UINT state) {
    if (!m_hDC || !rect || type != DFC_BUTTON) return FALSE;
    const CRect rc(*rect);
    const COLORREF bk = GetBkColor();
    if (state & DFCS_BUTTONPUSH) {
        RECT r = rc;
        DrawEdge(&r, (state & DFCS_PUSHED) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
        SetBkColor(bk);
        return TRUE;
    }
    const int side = std::min(rc.Width(), rc.Height());
    if (side <= 0) return TRUE;
    CRect box(rc.left + (rc.Width() - side) / 2, rc.top + (rc.Height() - side) / 2, 0, 0);
    box.right = box.left + side;
    box.bottom = box.top + side;
    const bool inactive = (state & DFCS_INACTIVE) != 0;
    const COLORREF face = GetSysColor((inactive || (state & DFCS_PUSHED)) ? COLOR_BTNFACE : COLOR_WINDOW);
    const COLORREF mark = GetSysColor(inactive ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT);
    QPainter* p = nullptr;
    if (state & DFCS_BUTTONRADIO) {
        p = m_hDC->Painter();
        if (!p) return FALSE;
        const QRect d = m_hDC->ToDevice(box);
        p->setRenderHint(QPainter::Antialiasing, true);
        p->setPen(QPen(QtColour(GetSysColor(COLOR_BTNSHADOW)), 1));
        p->setBrush(QtColour(face));
        p->drawEllipse(QRectF(d).adjusted(0.5, 0.5, -0.5, -0.5));
        if (state & DFCS_CHECKED) {
            p->setPen(Qt::NoPen);
            p->setBrush(QtColour(mark));
            const double r = side / 5.0;
            p->drawEllipse(QRectF(d).center(), r, r);
        }
        p->setBrush(Qt::NoBrush);
        p->setPen(Qt::NoPen);
        p->setRenderHint(QPainter::Antialiasing, false);
        return TRUE;
    }
    RECT edge = box;
    if (state & DFCS_FLAT) {
        CBrush frame(GetSysColor(COLOR_BTNSHADOW));
        FrameRect(&edge, &frame);
        edge.left += 1; edge.top += 1; edge.right -= 1; edge.bottom -= 1;
    } else {
        DrawEdge(&edge, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    }
    FillSolidRect(&edge, face);
    SetBkColor(bk);
    if (state & DFCS_CHECKED) {
        p = m_hDC->Painter();
        if (!p) return FALSE;
        const QRect in = m_hDC->ToDevice(edge);
        // A tick: down from the left third, up to the right edge.
        const double w = in.width(), h = in.height();
        const double thick = std::max(1.0, std::round(w / 6.0));
        QPainterPath tick;
        tick.moveTo(in.left() + w * 0.18, in.top() + h * 0.50);
        tick.lineTo(in.left() + w * 0.40, in.top() + h * 0.72);
        tick.lineTo(in.left() + w * 0.82, in.top() + h * 0.26);
        p->setRenderHint(QPainter::Antialiasing, false);
        p->setPen(QPen(QtColour(mark), thick, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p->setBrush(Qt::NoBrush);
        p->drawPath(tick);
        p->setPen(Qt::NoPen);
    }
    return TRUE;
}

