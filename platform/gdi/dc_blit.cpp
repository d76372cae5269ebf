#include "platform/gdi/dc.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "platform/base/sysmetrics.h"
#include "platform/gdi/dc_impl.h"
#include "platform/gdi/raster_bands.h"

using namespace platform::detail;

namespace {

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
    case PATCOPY: FillInBands(p, r, QtColour(brush.colour)); return TRUE;
    case BLACKNESS: FillInBands(p, r, QColor(0, 0, 0)); return TRUE;
    case WHITENESS: FillInBands(p, r, QColor(255, 255, 255)); return TRUE;
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
    DrawInBands(p, r.topLeft(), block, block.rect());
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
    // What is copied replaces what lies there: a background still to be laid under it need not be.
    Overwriting(m_hDC->target, QRegion(dest) & m_hDC->EffectiveClip());
    QPainter* p = m_hDC->Painter();
    if (!p) return FALSE;
    p->setCompositionMode(QPainter::CompositionMode_Source);
    DrawInBands(p, dest.topLeft(), block.isNull() ? *src->target : block, from);
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
    p->fillRect(QRect(d, QSize(1, 1)), QtColour(colour));
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

