#include "platform/gdi/raster_bands.h"

#include "platform/gdi/paint_target.h"

#include <cmath>
#include <cstring>

namespace platform::detail {

namespace {

// Rows per call: the engine keeps up to 95 spans on the calling thread, and a
// clip of a few rectangles can make two spans of a row.
constexpr int kBandRows = 32;

bool Bandable(const QPainter* p) {
    const QTransform& t = p->transform();
    if (t.type() > QTransform::TxTranslate) return false;
    return t.dx() == std::floor(t.dx()) && t.dy() == std::floor(t.dy());
}

}  // namespace

void FillInBands(QPainter* p, const QRect& r, const QColor& colour) {
    if (!p) return;
    if (r.height() <= kBandRows || !Bandable(p)) {
        p->fillRect(r, colour);
        return;
    }
    for (int y = r.top(); y <= r.bottom(); y += kBandRows)
        p->fillRect(QRect(r.left(), y, r.width(), std::min(kBandRows, r.bottom() + 1 - y)), colour);
}

void DrawInBands(QPainter* p, const QPoint& at, const QImage& image, const QRect& source) {
    if (!p) return;
    // What drawImage would take: the source cut to the picture.
    const QRect src = source.isNull() ? image.rect() : source;
    const QRect inside = src.intersected(image.rect());
    if (inside.height() <= kBandRows || !Bandable(p)) {
        p->drawImage(at, image, src);
        return;
    }
    const QPoint shift = at - src.topLeft();
    for (int y = inside.top(); y <= inside.bottom(); y += kBandRows) {
        const QRect band(inside.left(), y, inside.width(), std::min(kBandRows, inside.bottom() + 1 - y));
        p->drawImage(band.topLeft() + shift, image, band);
    }
}

namespace {
// `source` of `from` put at `at` in `to`, cut to both pictures: the target's
// pixels `inside` and the source's `src` (of the same size); false when
// nothing is left. Work deferred on either picture is done first.
bool CutToBoth(QImage* to, const QPoint& at, const QImage& from, const QRect& source, QRect* inside, QRect* src) {
    DoDeferred(to);
    DoDeferred(&from);
    *src = source.intersected(from.rect());
    const QRect dest(at + (src->topLeft() - source.topLeft()), src->size());
    *inside = dest.intersected(to->rect());
    if (inside->isEmpty()) return false;
    src->translate(inside->topLeft() - dest.topLeft());
    src->setSize(inside->size());
    return true;
}
}  // namespace

bool PlainPixels(const QImage* image) {
    return image && !image->isNull() && image->isDetached() && image->format() == QImage::Format_ARGB32_Premultiplied;
}

void CopyPixels(QImage* to, const QPoint& at, const QImage& from, const QRect& source) {
    if (!to || to->isNull() || from.isNull()) return;
    if (to->depth() != 32 || from.depth() != 32) return;
    QRect inside, src;
    if (!CutToBoth(to, at, from, source, &inside, &src)) return;
    const bool opaqueTarget = !to->hasAlphaChannel() && from.hasAlphaChannel();
    const qsizetype bytes = qsizetype(inside.width()) * 4;
    for (int y = 0; y < inside.height(); ++y) {
        auto* d = reinterpret_cast<quint32*>(to->scanLine(inside.top() + y)) + inside.left();
        const auto* s = reinterpret_cast<const quint32*>(from.constScanLine(src.top() + y)) + src.left();
        if (opaqueTarget) {
            for (int x = 0; x < inside.width(); ++x) d[x] = s[x] | 0xFF000000u;
        } else {
            std::memcpy(d, s, size_t(bytes));
        }
    }
}

namespace {
// Each channel of `x` times a / 255, rounded as the toolkit's own blends round.
inline quint32 ByteMul(quint32 x, quint32 a) {
    quint64 t = ((quint64(x) | (quint64(x) << 24)) & 0x00FF00FF00FF00FFull) * a;
    t = (t + ((t >> 8) & 0x00FF00FF00FF00FFull) + 0x0080008000800080ull) >> 8;
    t &= 0x00FF00FF00FF00FFull;
    return quint32(t) | quint32(t >> 24);
}
}  // namespace

void BlendPixels(QImage* to, const QPoint& at, const QImage& from, const QRect& source) {
    if (!to || to->isNull() || from.isNull()) return;
    if (to->format() != QImage::Format_ARGB32_Premultiplied || from.format() != QImage::Format_ARGB32_Premultiplied)
        return;
    QRect inside, src;
    if (!CutToBoth(to, at, from, source, &inside, &src)) return;
    for (int y = 0; y < inside.height(); ++y) {
        auto* d = reinterpret_cast<quint32*>(to->scanLine(inside.top() + y)) + inside.left();
        const auto* s = reinterpret_cast<const quint32*>(from.constScanLine(src.top() + y)) + src.left();
        for (int x = 0; x < inside.width(); ++x) {
            const quint32 p = s[x];
            if (p >= 0xFF000000u) d[x] = p;
            else if (p != 0) d[x] = p + ByteMul(d[x], 255 - (p >> 24));
        }
    }
}

}  // namespace platform::detail
