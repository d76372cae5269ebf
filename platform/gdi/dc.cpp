#include "platform/gdi/dc.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "platform/gdi/dc_impl.h"

using namespace platform::detail;

namespace platform::detail {

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

}  // namespace platform::detail

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
    // A device with values of its own (a printer) answers for itself.
    if (m_hDC && !m_hDC->deviceCaps.empty()) {
        auto it = m_hDC->deviceCaps.find(index);
        if (it != m_hDC->deviceCaps.end()) return it->second;
    }
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
