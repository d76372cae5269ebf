#include "platform/gdi/dc.h"

#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cmath>

#include "platform/base/sysmetrics.h"
#include "platform/gdi/dc_impl.h"

using namespace platform::detail;

// ---------------------------------------------------------------------------
// State and clipping

int CDC::SaveDC() {
    if (!m_hDC) return 0;
    m_hDC->saved.push_back(m_hDC->state);
    return int(m_hDC->saved.size());
}

BOOL CDC::RestoreDC(int saved) {
    if (!m_hDC || saved == 0) return FALSE;
    const int count = int(m_hDC->saved.size());
    const int index = saved > 0 ? saved - 1 : count + saved;
    if (index < 0 || index >= count) return FALSE;
    m_hDC->state = m_hDC->saved[size_t(index)];
    m_hDC->saved.resize(size_t(index));
    m_hDC->ClipChanged();
    return TRUE;
}

int CDC::GetClipBox(LPRECT rect) const {
    if (!rect) return ERROR;
    *rect = RECT{};
    if (!m_hDC) return ERROR;
    QRegion clip;
    if (m_hDC->kind == DCImpl::kScreen) {
        clip = QRegion(QRect(QPoint(0, 0), ScreenSize()));
        if (m_hDC->state.clipped) clip &= m_hDC->state.clip;
    } else {
        if (!m_hDC->target) return ERROR;
        clip = m_hDC->EffectiveClip();
    }
    const QRect b = clip.boundingRect();
    if (b.isEmpty()) return RegionKind(clip);
    const QPointF a = m_hDC->ToLogical(b.left(), b.top());
    const QPointF c = m_hDC->ToLogical(b.left() + b.width(), b.top() + b.height());
    rect->left = LONG(std::lround(std::min(a.x(), c.x())));
    rect->top = LONG(std::lround(std::min(a.y(), c.y())));
    rect->right = LONG(std::lround(std::max(a.x(), c.x())));
    rect->bottom = LONG(std::lround(std::max(a.y(), c.y())));
    return RegionKind(clip);
}

int CDC::SelectClipRgn(CRgn* region) {
    if (!m_hDC) return ERROR;
    const auto* d = DataOf<RegionData>(region);
    if (!d) {
        m_hDC->state.clipped = false;
        m_hDC->state.clip = QRegion();
    } else {
        m_hDC->state.clipped = true;
        m_hDC->state.clip = d->region;
    }
    m_hDC->ClipChanged();
    const QRegion r = m_hDC->EffectiveClip();
    return RegionKind(r);
}

int CDC::IntersectClipRect(int left, int top, int right, int bottom) {
    if (!m_hDC) return ERROR;
    const QRect r = m_hDC->ToDevice(RECT{left, top, right, bottom});
    QRegion base = m_hDC->state.clipped ? m_hDC->state.clip : QRegion(m_hDC->TargetRect());
    m_hDC->state.clip = (right > left && bottom > top) ? base.intersected(r) : QRegion();
    m_hDC->state.clipped = true;
    m_hDC->ClipChanged();
    const QRegion e = m_hDC->EffectiveClip();
    return RegionKind(e);
}

int CDC::IntersectClipRect(LPCRECT rect) {
    return rect ? IntersectClipRect(rect->left, rect->top, rect->right, rect->bottom) : ERROR;
}

int CDC::ExcludeClipRect(int left, int top, int right, int bottom) {
    if (!m_hDC) return ERROR;
    QRegion base = m_hDC->state.clipped ? m_hDC->state.clip : QRegion(m_hDC->TargetRect());
    if (right > left && bottom > top) base = base.subtracted(m_hDC->ToDevice(RECT{left, top, right, bottom}));
    m_hDC->state.clip = base;
    m_hDC->state.clipped = true;
    m_hDC->ClipChanged();
    const QRegion e = m_hDC->EffectiveClip();
    return RegionKind(e);
}

int CDC::ExcludeClipRect(LPCRECT rect) {
    return rect ? ExcludeClipRect(rect->left, rect->top, rect->right, rect->bottom) : ERROR;
}

BOOL CDC::PtVisible(int x, int y) const {
    if (!m_hDC) return FALSE;
    return m_hDC->EffectiveClip().contains(m_hDC->ToDevice(x, y));
}

// ---------------------------------------------------------------------------
// Mapping

int CDC::GetMapMode() const { return m_hDC ? m_hDC->state.mapMode : 0; }

int CDC::SetMapMode(int mode) {
    if (!m_hDC || mode < MM_TEXT || mode > MM_ANISOTROPIC) return 0;
    DCState& s = m_hDC->state;
    const int previous = s.mapMode;
    s.mapMode = mode;
    // The metric modes have fixed extents (96 pixels per inch, y upwards).
    switch (mode) {
    case MM_TEXT: s.windowExt = s.viewportExt = QSize(1, 1); break;
    case MM_LOMETRIC: s.windowExt = QSize(254, 254); s.viewportExt = QSize(96, -96); break;
    case MM_HIMETRIC: s.windowExt = QSize(2540, 2540); s.viewportExt = QSize(96, -96); break;
    case MM_LOENGLISH: s.windowExt = QSize(100, 100); s.viewportExt = QSize(96, -96); break;
    case MM_HIENGLISH: s.windowExt = QSize(1000, 1000); s.viewportExt = QSize(96, -96); break;
    case MM_TWIPS: s.windowExt = QSize(1440, 1440); s.viewportExt = QSize(96, -96); break;
    default: break;
    }
    return previous;
}

namespace {
// Only the scalable modes take extents (and no zero ones); the others keep their own.
bool TakesExtent(const DCImpl* dc, int cx, int cy) {
    return dc && cx != 0 && cy != 0 && (dc->state.mapMode == MM_ISOTROPIC || dc->state.mapMode == MM_ANISOTROPIC);
}
}  // namespace

CPoint CDC::GetWindowOrg() const {
    return m_hDC ? CPoint(m_hDC->state.windowOrg.x(), m_hDC->state.windowOrg.y()) : CPoint();
}

CPoint CDC::SetWindowOrg(int x, int y) {
    const CPoint previous = GetWindowOrg();
    if (m_hDC) m_hDC->state.windowOrg = QPoint(x, y);
    return previous;
}

CPoint CDC::OffsetWindowOrg(int dx, int dy) {
    const CPoint previous = GetWindowOrg();
    return SetWindowOrg(previous.x + dx, previous.y + dy);
}

CPoint CDC::GetViewportOrg() const {
    return m_hDC ? CPoint(m_hDC->state.viewportOrg.x(), m_hDC->state.viewportOrg.y()) : CPoint();
}

CPoint CDC::SetViewportOrg(int x, int y) {
    const CPoint previous = GetViewportOrg();
    if (m_hDC) m_hDC->state.viewportOrg = QPoint(x, y);
    return previous;
}

CPoint CDC::OffsetViewportOrg(int dx, int dy) {
    const CPoint previous = GetViewportOrg();
    return SetViewportOrg(previous.x + dx, previous.y + dy);
}

CSize CDC::GetWindowExt() const {
    return m_hDC ? CSize(m_hDC->state.windowExt.width(), m_hDC->state.windowExt.height()) : CSize();
}

CSize CDC::SetWindowExt(int cx, int cy) {
    const CSize previous = GetWindowExt();
    if (TakesExtent(m_hDC, cx, cy)) m_hDC->state.windowExt = QSize(cx, cy);
    return previous;
}

CSize CDC::GetViewportExt() const {
    return m_hDC ? CSize(m_hDC->state.viewportExt.width(), m_hDC->state.viewportExt.height()) : CSize();
}

CSize CDC::SetViewportExt(int cx, int cy) {
    const CSize previous = GetViewportExt();
    if (TakesExtent(m_hDC, cx, cy)) m_hDC->state.viewportExt = QSize(cx, cy);
    return previous;
}

void CDC::LPtoDP(LPPOINT points, int count) const {
    if (!m_hDC || !points) return;
    for (int i = 0; i < count; ++i) {
        const QPoint p = m_hDC->ToDevice(int(points[i].x), int(points[i].y));
        points[i] = POINT{p.x(), p.y()};
    }
}

void CDC::LPtoDP(LPRECT rect) const {
    if (rect) LPtoDP(reinterpret_cast<POINT*>(rect), 2);
}

void CDC::LPtoDP(SIZE* size) const {
    if (!m_hDC || !size) return;
    size->cx = LONG(std::lround(size->cx * std::abs(m_hDC->ScaleX())));
    size->cy = LONG(std::lround(size->cy * std::abs(m_hDC->ScaleY())));
}

void CDC::DPtoLP(LPPOINT points, int count) const {
    if (!m_hDC || !points) return;
    for (int i = 0; i < count; ++i) {
        const QPointF p = m_hDC->ToLogical(points[i].x, points[i].y);
        points[i] = POINT{LONG(std::lround(p.x())), LONG(std::lround(p.y()))};
    }
}

void CDC::DPtoLP(LPRECT rect) const {
    if (rect) DPtoLP(reinterpret_cast<POINT*>(rect), 2);
}

void CDC::DPtoLP(SIZE* size) const {
    if (!m_hDC || !size) return;
    const double sx = std::abs(m_hDC->ScaleX()), sy = std::abs(m_hDC->ScaleY());
    size->cx = LONG(std::lround(size->cx / (sx == 0 ? 1 : sx)));
    size->cy = LONG(std::lround(size->cy / (sy == 0 ? 1 : sy)));
}

// ---------------------------------------------------------------------------
// Colours and modes

COLORREF CDC::SetTextColor(COLORREF colour) {
    if (!m_hDC) return CLR_INVALID;
    const COLORREF previous = m_hDC->state.textColour;
    m_hDC->state.textColour = colour & 0xFFFFFF;
    return previous;
}
COLORREF CDC::GetTextColor() const { return m_hDC ? m_hDC->state.textColour : CLR_INVALID; }

COLORREF CDC::SetBkColor(COLORREF colour) {
    if (!m_hDC) return CLR_INVALID;
    const COLORREF previous = m_hDC->state.bkColour;
    m_hDC->state.bkColour = colour & 0xFFFFFF;
    return previous;
}
COLORREF CDC::GetBkColor() const { return m_hDC ? m_hDC->state.bkColour : CLR_INVALID; }

int CDC::SetBkMode(int mode) {
    if (!m_hDC || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    const int previous = m_hDC->state.bkMode;
    m_hDC->state.bkMode = mode;
    return previous;
}
int CDC::GetBkMode() const { return m_hDC ? m_hDC->state.bkMode : 0; }

UINT CDC::SetTextAlign(UINT flags) {
    if (!m_hDC) return 0xFFFFFFFF;
    const UINT previous = m_hDC->state.textAlign;
    m_hDC->state.textAlign = flags;
    return previous;
}
UINT CDC::GetTextAlign() const { return m_hDC ? m_hDC->state.textAlign : 0xFFFFFFFF; }

