#include "platform/gdi/dc.h"

#include <QGuiApplication>
#include <QPainterPath>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "platform/gdi/dc_impl.h"
#include "platform/base/sysmetrics.h"

using namespace platform::detail;

namespace {

QColor Q(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

QRect NormalRect(int l, int t, int r, int b) {
    return QRect(QPoint(std::min(l, r), std::min(t, b)), QPoint(std::max(l, r) - 1, std::max(t, b) - 1));
}

QSize ScreenSize() {
    if (const QScreen* s = QGuiApplication::primaryScreen()) return s->geometry().size();
    return QSize(1024, 768);
}

QImage& ScreenScratch() {
    static QImage image(1, 1, kImageFormat);
    return image;
}

// Mixes destination and source pixels by a raster operation (colour channels only;
// results are opaque, as on a device without alpha).
QRgb RasterMix(QRgb dst, QRgb src, QRgb pattern, DWORD rop) {
    const QRgb d = dst & 0xFFFFFF, s = src & 0xFFFFFF, p = pattern & 0xFFFFFF;
    QRgb r = d;
    switch (rop) {
    case SRCCOPY: r = s; break;
    case SRCPAINT: r = s | d; break;
    case SRCAND: r = s & d; break;
    case SRCINVERT: r = s ^ d; break;
    case SRCERASE: r = s & (~d & 0xFFFFFF); break;
    case NOTSRCCOPY: r = ~s & 0xFFFFFF; break;
    case DSTINVERT: r = ~d & 0xFFFFFF; break;
    case PATCOPY: r = p; break;
    case PATINVERT: r = p ^ d; break;
    case BLACKNESS: r = 0; break;
    case WHITENESS: r = 0xFFFFFF; break;
    default: break;
    }
    return 0xFF000000u | r;
}

bool UsesSource(DWORD rop) {
    switch (rop) {
    case SRCCOPY:
    case SRCPAINT:
    case SRCAND:
    case SRCINVERT:
    case SRCERASE:
    case NOTSRCCOPY: return true;
    default: return false;
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// DCImpl

DCImpl::DCImpl(Kind k) : kind(k) {
    state.pen = StockPen(BLACK_PEN);
    state.penData = *DataOf<PenData>(state.pen);
    state.brush = StockBrush(WHITE_BRUSH);
    state.brushData = *DataOf<BrushData>(state.brush);
    state.font = StockFont(SYSTEM_FONT);
    state.fontData = std::static_pointer_cast<const FontData>(state.font->Data());
    if (kind == kMemory) {
        bitmap = StockBitmap();
        keep = BitmapImage(bitmap);
        target = keep.get();
    } else if (kind == kScreen) {
        target = &ScreenScratch();
    }
}

DCImpl::~DCImpl() {
    ReleasePainter();
    if (wrapper) wrapper->m_hDC = wrapper->m_hAttribDC = nullptr;
}

void DCImpl::DropTarget() {
    ReleasePainter();
    target = nullptr;
    keep.reset();
}

QRegion DCImpl::EffectiveClip() const {
    QRegion r(TargetRect());
    if (!baseClip.isEmpty()) r &= baseClip;
    if (state.clipped) r &= state.clip;
    return r;
}

QPainter* DCImpl::Painter() {
    if (!target || target->isNull()) return nullptr;
    if (alive && !alive()) return nullptr;
    QPainter* painter = BeginPainter(target);
    if (painter && TakeClipChange()) {
        if (baseClip.isEmpty() && !state.clipped) painter->setClipping(false);
        else painter->setClipRegion(EffectiveClip());
    }
    return painter;
}

double DCImpl::ScaleX() const {
    if (state.mapMode == MM_TEXT || state.windowExt.width() == 0) return 1.0;
    return double(state.viewportExt.width()) / state.windowExt.width();
}

double DCImpl::ScaleY() const {
    if (state.mapMode == MM_TEXT || state.windowExt.height() == 0) return 1.0;
    return double(state.viewportExt.height()) / state.windowExt.height();
}

QPointF DCImpl::ToDevice(double x, double y) const {
    return QPointF((x - state.windowOrg.x()) * ScaleX() + state.viewportOrg.x(),
                   (y - state.windowOrg.y()) * ScaleY() + state.viewportOrg.y());
}

QPoint DCImpl::ToDevice(int x, int y) const {
    if (state.mapMode == MM_TEXT)
        return QPoint(x - state.windowOrg.x() + state.viewportOrg.x(), y - state.windowOrg.y() + state.viewportOrg.y());
    const QPointF p = ToDevice(double(x), double(y));
    return QPoint(int(std::lround(p.x())), int(std::lround(p.y())));
}

QPointF DCImpl::ToLogical(double x, double y) const {
    const double sx = ScaleX(), sy = ScaleY();
    return QPointF((x - state.viewportOrg.x()) / (sx == 0 ? 1 : sx) + state.windowOrg.x(),
                   (y - state.viewportOrg.y()) / (sy == 0 ? 1 : sy) + state.windowOrg.y());
}

QRect DCImpl::ToDevice(const RECT& r) const {
    const QPoint a = ToDevice(int(r.left), int(r.top));
    const QPoint b = ToDevice(int(r.right), int(r.bottom));
    return NormalRect(a.x(), a.y(), b.x(), b.y());
}

// ---------------------------------------------------------------------------
// CDC: creation

CDC::CDC() = default;

CDC::~CDC() {
    if (m_hDC && m_ownsContext) delete m_hDC;
    m_hDC = m_hAttribDC = nullptr;
}

BOOL CDC::CreateCompatibleDC(CDC*) {
    if (m_hDC) return FALSE;
    m_hDC = m_hAttribDC = new DCImpl(DCImpl::kMemory);
    m_ownsContext = true;
    m_bPrinting = FALSE;
    return TRUE;
}

BOOL CDC::DeleteDC() {
    if (!m_hDC) return FALSE;
    if (m_ownsContext) delete m_hDC;
    m_hDC = m_hAttribDC = nullptr;
    return TRUE;
}

BOOL CDC::Attach(HDC dc) {
    if (!dc || m_hDC) return FALSE;
    m_hDC = m_hAttribDC = dc;
    m_ownsContext = true;
    m_bPrinting = dc->printing;
    return TRUE;
}

HDC CDC::Detach() {
    HDC dc = m_hDC;
    m_hDC = m_hAttribDC = nullptr;
    return dc;
}

CDC* CDC::FromHandle(HDC dc) {
    if (!dc) return nullptr;
    if (!dc->wrapper) {
        dc->wrapper = std::make_unique<CDC>();
        dc->wrapper->m_hDC = dc->wrapper->m_hAttribDC = dc;
        dc->wrapper->m_ownsContext = false;
    }
    dc->wrapper->m_bPrinting = dc->printing;
    return dc->wrapper.get();
}

int CDC::GetDeviceCaps(int index) const {
    switch (index) {
    case HORZRES: return ScreenSize().width();
    case VERTRES: return ScreenSize().height();
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    default: return 0;
    }
}

// ---------------------------------------------------------------------------
// Objects

CPen* CDC::SelectObject(CPen* pen) {
    const auto* d = DataOf<PenData>(pen);
    if (!m_hDC || !d) return nullptr;
    CPen* previous = m_hDC->state.pen;
    m_hDC->state.pen = pen;
    m_hDC->state.penData = *d;
    return previous;
}

CBrush* CDC::SelectObject(CBrush* brush) {
    const auto* d = DataOf<BrushData>(brush);
    if (!m_hDC || !d) return nullptr;
    CBrush* previous = m_hDC->state.brush;
    m_hDC->state.brush = brush;
    m_hDC->state.brushData = *d;
    return previous;
}

CFont* CDC::SelectObject(CFont* font) {
    if (!m_hDC || !DataOf<FontData>(font)) return nullptr;
    CFont* previous = m_hDC->state.font;
    m_hDC->state.font = font;
    m_hDC->state.fontData = std::static_pointer_cast<const FontData>(font->Data());
    return previous;
}

CBitmap* CDC::SelectObject(CBitmap* bitmap) {
    if (!m_hDC || m_hDC->kind != DCImpl::kMemory) return nullptr;
    auto image = BitmapImage(bitmap);
    if (!image) return nullptr;
    CBitmap* previous = m_hDC->bitmap;
    m_hDC->DropTarget();
    m_hDC->bitmap = bitmap;
    m_hDC->keep = image;
    m_hDC->target = image.get();
    return previous;
}

CGdiObject* CDC::SelectObject(CGdiObject* object) {
    if (!object) return nullptr;
    switch (object->GetKind()) {
    case CGdiObject::kPen: return SelectObject(static_cast<CPen*>(object));
    case CGdiObject::kBrush: return SelectObject(static_cast<CBrush*>(object));
    case CGdiObject::kFont: return SelectObject(static_cast<CFont*>(object));
    case CGdiObject::kBitmap: return SelectObject(static_cast<CBitmap*>(object));
    case CGdiObject::kRegion: SelectClipRgn(static_cast<CRgn*>(object)); return nullptr;
    default: return nullptr;
    }
}

CGdiObject* CDC::SelectStockObject(int index) { return SelectObject(GetStockObject(index)); }
CPen* CDC::GetCurrentPen() const { return m_hDC ? m_hDC->state.pen : nullptr; }
CBrush* CDC::GetCurrentBrush() const { return m_hDC ? m_hDC->state.brush : nullptr; }
CFont* CDC::GetCurrentFont() const { return m_hDC ? m_hDC->state.font : nullptr; }
CBitmap* CDC::GetCurrentBitmap() const { return m_hDC ? m_hDC->bitmap : nullptr; }

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
    if (b.isEmpty()) return NULLREGION;
    const QPointF a = m_hDC->ToLogical(b.left(), b.top());
    const QPointF c = m_hDC->ToLogical(b.left() + b.width(), b.top() + b.height());
    rect->left = LONG(std::lround(std::min(a.x(), c.x())));
    rect->top = LONG(std::lround(std::min(a.y(), c.y())));
    rect->right = LONG(std::lround(std::max(a.x(), c.x())));
    rect->bottom = LONG(std::lround(std::max(a.y(), c.y())));
    return clip.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
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
    return r.isEmpty() ? NULLREGION : r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

int CDC::IntersectClipRect(int left, int top, int right, int bottom) {
    if (!m_hDC) return ERROR;
    const QRect r = m_hDC->ToDevice(RECT{left, top, right, bottom});
    QRegion base = m_hDC->state.clipped ? m_hDC->state.clip : QRegion(m_hDC->TargetRect());
    m_hDC->state.clip = (right > left && bottom > top) ? base.intersected(r) : QRegion();
    m_hDC->state.clipped = true;
    m_hDC->ClipChanged();
    const QRegion e = m_hDC->EffectiveClip();
    return e.isEmpty() ? NULLREGION : e.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
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
    return e.isEmpty() ? NULLREGION : e.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
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
    QPainter* p = m_hDC->Painter();
    if (!p) return;
    const QRect r = m_hDC->ToDevice(RECT{x, y, x + cx, y + cy});
    p->fillRect(r, Q(colour));
}

void CDC::FillRect(LPCRECT rect, CBrush* brush) {
    const auto* b = DataOf<BrushData>(brush);
    if (!m_hDC || !rect || !b || b->hollow) return;
    if (rect->right <= rect->left || rect->bottom <= rect->top) return;
    QPainter* p = m_hDC->Painter();
    if (!p) return;
    p->fillRect(m_hDC->ToDevice(*rect), Q(b->colour));
}

void CDC::FrameRect(LPCRECT rect, CBrush* brush) {
    const auto* b = DataOf<BrushData>(brush);
    if (!m_hDC || !rect || !b || b->hollow) return;
    if (rect->right <= rect->left || rect->bottom <= rect->top) return;
    QPainter* p = m_hDC->Painter();
    if (!p) return;
    const QRect r = m_hDC->ToDevice(*rect);
    const QColor c = Q(b->colour);
    p->fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
    p->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), c);
    p->fillRect(QRect(r.left(), r.top(), 1, r.height()), c);
    p->fillRect(QRect(r.right(), r.top(), 1, r.height()), c);
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
        if (!inner.isEmpty()) p->fillRect(inner, Q(brush.colour));
    }
    if (outline && r.width() > 0 && r.height() > 0) {
        const QColor c = Q(pen.colour);
        if (w == 1) {
            p->fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
            p->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), c);
            p->fillRect(QRect(r.left(), r.top(), 1, r.height()), c);
            p->fillRect(QRect(r.right(), r.top(), 1, r.height()), c);
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
    p->setPen(pen.style == PS_NULL ? QPen(Qt::NoPen) : QPen(Q(pen.colour), std::max(1, pen.width)));
    p->setBrush(brush.hollow ? QBrush(Qt::NoBrush) : QBrush(Q(brush.colour)));
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
    const QColor c = Q(pen.colour);
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
        p->setBrush(Q(brush.colour));
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
// Block transfers

BOOL CDC::PatBlt(int x, int y, int width, int height, DWORD rop) {
    if (!m_hDC) return FALSE;
    const QRect r = m_hDC->ToDevice(RECT{x, y, x + width, y + height}).intersected(m_hDC->TargetRect());
    if (r.isEmpty()) return TRUE;
    const BrushData& brush = m_hDC->state.brushData;
    if ((rop == PATCOPY || rop == PATINVERT) && brush.hollow) return TRUE;
    QPainter* p = m_hDC->Painter();
    if (!p) return FALSE;
    switch (rop) {
    case PATCOPY: p->fillRect(r, Q(brush.colour)); return TRUE;
    case BLACKNESS: p->fillRect(r, QColor(0, 0, 0)); return TRUE;
    case WHITENESS: p->fillRect(r, QColor(255, 255, 255)); return TRUE;
    default: break;
    }
    // Operations that read the destination.
    m_hDC->ReleasePainter();
    QImage block = m_hDC->target->copy(r);
    const QRgb pattern = qRgb(GetRValue(brush.colour), GetGValue(brush.colour), GetBValue(brush.colour));
    for (int yy = 0; yy < block.height(); ++yy) {
        auto* row = reinterpret_cast<QRgb*>(block.scanLine(yy));
        for (int xx = 0; xx < block.width(); ++xx) row[xx] = RasterMix(row[xx], 0, pattern, rop);
    }
    p = m_hDC->Painter();
    if (!p) return FALSE;
    p->setCompositionMode(QPainter::CompositionMode_Source);
    p->drawImage(r.topLeft(), block);
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    return TRUE;
}

BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, DWORD rop) {
    if (!m_hDC) return FALSE;
    if (!UsesSource(rop)) return PatBlt(x, y, width, height, rop);
    if (!source || !source->m_hDC || !source->m_hDC->target) return FALSE;
    DCImpl* src = source->m_hDC;
    QRect dest = m_hDC->ToDevice(RECT{x, y, x + width, y + height});
    const QPoint srcOrigin = src->ToDevice(xSrc, ySrc);
    // Keep the part whose source lies inside the source's pixels.
    QRect from(srcOrigin, dest.size());
    const QRect inside = from.intersected(src->target->rect());
    if (inside.isEmpty()) return TRUE;
    dest.translate(inside.topLeft() - from.topLeft());
    dest.setSize(inside.size());
    from = inside;
    QImage block;
    if (src->target == m_hDC->target || rop != SRCCOPY) {
        FlushImage(src->target);
        block = src->target->copy(from);
        from = block.rect();
    } else {
        FlushImage(src->target);
    }
    if (rop != SRCCOPY) {
        m_hDC->ReleasePainter();
        const QRect d = dest.intersected(m_hDC->TargetRect());
        if (d.isEmpty()) return TRUE;
        QImage out = m_hDC->target->copy(d);
        const QPoint shift = d.topLeft() - dest.topLeft();
        for (int yy = 0; yy < out.height(); ++yy) {
            auto* row = reinterpret_cast<QRgb*>(out.scanLine(yy));
            const auto* srow = reinterpret_cast<const QRgb*>(block.constScanLine(yy + shift.y()));
            for (int xx = 0; xx < out.width(); ++xx) row[xx] = RasterMix(row[xx], srow[xx + shift.x()], 0, rop);
        }
        block = out;
        from = block.rect();
        dest = d;
    }
    QPainter* p = m_hDC->Painter();
    if (!p) return FALSE;
    p->setCompositionMode(QPainter::CompositionMode_Source);
    p->drawImage(dest.topLeft(), block.isNull() ? *src->target : block, from);
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    return TRUE;
}

BOOL CDC::StretchBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, int srcWidth,
                     int srcHeight, DWORD rop) {
    if (!m_hDC) return FALSE;
    if (!UsesSource(rop)) return PatBlt(x, y, width, height, rop);
    if (!source || !source->m_hDC || !source->m_hDC->target || srcWidth == 0 || srcHeight == 0) return FALSE;
    if (width == srcWidth && height == srcHeight) return BitBlt(x, y, width, height, source, xSrc, ySrc, rop);
    DCImpl* src = source->m_hDC;
    FlushImage(src->target);
    const QRect from = src->ToDevice(RECT{xSrc, ySrc, xSrc + srcWidth, ySrc + srcHeight});
    const QImage block = src->target->copy(from);
    QPainter* p = m_hDC->Painter();
    if (!p) return FALSE;
    const QRect dest = m_hDC->ToDevice(RECT{x, y, x + width, y + height});
    p->setCompositionMode(QPainter::CompositionMode_Source);
    p->setRenderHint(QPainter::SmoothPixmapTransform, false);
    p->drawImage(dest, block.mirrored(width * srcWidth < 0, height * srcHeight < 0));
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    return TRUE;
}

COLORREF CDC::SetPixel(int x, int y, COLORREF colour) {
    if (!m_hDC) return CLR_INVALID;
    const QPoint d = m_hDC->ToDevice(x, y);
    if (!m_hDC->EffectiveClip().contains(d)) return CLR_INVALID;
    QPainter* p = m_hDC->Painter();
    if (!p) return CLR_INVALID;
    p->fillRect(QRect(d, QSize(1, 1)), Q(colour));
    return colour & 0xFFFFFF;
}

COLORREF CDC::GetPixel(int x, int y) const {
    if (!m_hDC || !m_hDC->target) return CLR_INVALID;
    const QPoint d = m_hDC->ToDevice(x, y);
    if (!m_hDC->target->rect().contains(d)) return CLR_INVALID;
    FlushImage(m_hDC->target);
    const QRgb c = m_hDC->target->pixel(d);
    return RGB(BYTE(qRed(c)), BYTE(qGreen(c)), BYTE(qBlue(c)));
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
        p->setPen(QPen(Q(GetSysColor(COLOR_BTNSHADOW)), 1));
        p->setBrush(Q(face));
        p->drawEllipse(QRectF(d).adjusted(0.5, 0.5, -0.5, -0.5));
        if (state & DFCS_CHECKED) {
            p->setPen(Qt::NoPen);
            p->setBrush(Q(mark));
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
        p->setPen(QPen(Q(mark), thick, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p->setBrush(Qt::NoBrush);
        p->drawPath(tick);
        p->setPen(Qt::NoPen);
    }
    return TRUE;
}

// ---------------------------------------------------------------------------
// Free functions on handles

HDC CreateCompatibleDC(HDC) { return new DCImpl(DCImpl::kMemory); }
BOOL DeleteDC(HDC dc) {
    if (!dc) return FALSE;
    delete dc;
    return TRUE;
}
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    CDC* c = CDC::FromHandle(dc);
    return c ? c->SelectObject(object) : nullptr;
}
int SaveDC(HDC dc) { return dc ? CDC::FromHandle(dc)->SaveDC() : 0; }
BOOL RestoreDC(HDC dc, int saved) { return dc ? CDC::FromHandle(dc)->RestoreDC(saved) : FALSE; }
int GetClipBox(HDC dc, LPRECT rect) { return dc ? CDC::FromHandle(dc)->GetClipBox(rect) : ERROR; }
int SetBkMode(HDC dc, int mode) { return dc ? CDC::FromHandle(dc)->SetBkMode(mode) : 0; }
COLORREF SetTextColor(HDC dc, COLORREF c) { return dc ? CDC::FromHandle(dc)->SetTextColor(c) : CLR_INVALID; }
COLORREF SetBkColor(HDC dc, COLORREF c) { return dc ? CDC::FromHandle(dc)->SetBkColor(c) : CLR_INVALID; }
int FillRect(HDC dc, LPCRECT rect, HBRUSH brush) {
    if (!dc) return 0;
    CDC::FromHandle(dc)->FillRect(rect, brush);
    return 1;
}
int FrameRect(HDC dc, LPCRECT rect, HBRUSH brush) {
    if (!dc) return 0;
    CDC::FromHandle(dc)->FrameRect(rect, brush);
    return 1;
}
BOOL DrawEdge(HDC dc, LPRECT rect, UINT edge, UINT flags) {
    return dc ? CDC::FromHandle(dc)->DrawEdge(rect, edge, flags) : FALSE;
}
BOOL DrawFrameControl(HDC dc, LPRECT rect, UINT type, UINT state) {
    return dc ? CDC::FromHandle(dc)->DrawFrameControl(rect, type, state) : FALSE;
}
int DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format) {
    return dc ? CDC::FromHandle(dc)->DrawText(text, count, rect, format) : 0;
}
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size) {
    if (!dc || !size) return FALSE;
    *size = CDC::FromHandle(dc)->GetTextExtent(text, count);
    return TRUE;
}
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics) {
    return dc ? CDC::FromHandle(dc)->GetTextMetrics(metrics) : FALSE;
}
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSrc, int ySrc, DWORD rop) {
    if (!dest) return FALSE;
    return CDC::FromHandle(dest)->BitBlt(x, y, width, height, CDC::FromHandle(source), xSrc, ySrc, rop);
}
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
    return dc ? CDC::FromHandle(dc)->PatBlt(x, y, width, height, rop) : FALSE;
}
int GetDeviceCaps(HDC dc, int index) { return dc ? CDC::FromHandle(dc)->GetDeviceCaps(index) : 0; }
BOOL LPtoDP(HDC dc, LPPOINT points, int count) {
    if (!dc) return FALSE;
    CDC::FromHandle(dc)->LPtoDP(points, count);
    return TRUE;
}
BOOL DPtoLP(HDC dc, LPPOINT points, int count) {
    if (!dc) return FALSE;
    CDC::FromHandle(dc)->DPtoLP(points, count);
    return TRUE;
}
int GetMapMode(HDC dc) { return dc ? CDC::FromHandle(dc)->GetMapMode() : 0; }
int SetMapMode(HDC dc, int mode) { return dc ? CDC::FromHandle(dc)->SetMapMode(mode) : 0; }
