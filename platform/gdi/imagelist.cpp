#include "platform/gdi/imagelist.h"

#include <QPainter>
#include <memory>

#include "platform/gdi/dc.h"
#include "platform/gdi/dc_impl.h"
#include "platform/gdi/gdi_impl.h"
#include "platform/gdi/paint_target.h"

using platform::detail::BitmapImage;
using platform::detail::FlushImage;
using platform::detail::kImageFormat;
using platform::detail::SetBitmapImage;

CImageList::CImageList() = default;
CImageList::~CImageList() { DeleteImageList(); }

BOOL CImageList::Create(int cx, int cy, UINT flags, int, int) {
    if (IsCreated() || cx <= 0 || cy <= 0) return FALSE;
    m_cx = cx;
    m_cy = cy;
    m_flags = flags;
    m_count = 0;
    Rebuild();
    return TRUE;
}

BOOL CImageList::DeleteImageList() {
    if (!IsCreated()) return FALSE;
    m_images.DeleteObject();
    m_mask.DeleteObject();
    m_cx = m_cy = 0;
    m_count = 0;
    return TRUE;
}

void CImageList::Rebuild() {
    if (!m_images.HasData()) {
        auto image = std::make_shared<QImage>(std::max(1, m_cx * std::max(m_count, 1)), m_cy, kImageFormat);
        image->fill(Qt::transparent);
        SetBitmapImage(&m_images, image);
    }
    if ((m_flags & ILC_MASK) && !m_mask.HasData()) {
        auto mask = std::make_shared<QImage>(BitmapImage(&m_images)->size(), kImageFormat);
        mask->fill(Qt::white);
        SetBitmapImage(&m_mask, mask);
    }
}

int CImageList::Add(CBitmap* bitmap, COLORREF maskColour) {
    const auto source = BitmapImage(bitmap);
    if (!IsCreated() || !source || source->isNull()) return -1;
    FlushImage(source.get());
    const int added = std::max(1, source->width() / m_cx);
    const int first = m_count;

    const auto old = BitmapImage(&m_images);
    FlushImage(old.get());
    auto images = std::make_shared<QImage>(m_cx * (m_count + added), m_cy, kImageFormat);
    images->fill(Qt::transparent);
    auto mask = std::make_shared<QImage>(images->size(), kImageFormat);
    mask->fill(Qt::white);
    {
        QPainter p(images.get());
        p.setCompositionMode(QPainter::CompositionMode_Source);
        if (m_count > 0) p.drawImage(QPoint(0, 0), *old, QRect(0, 0, m_cx * m_count, m_cy));
    }
    if (m_count > 0 && m_mask.HasData()) {
        const auto oldMask = BitmapImage(&m_mask);
        QPainter p(mask.get());
        p.drawImage(QPoint(0, 0), *oldMask, QRect(0, 0, m_cx * m_count, m_cy));
    }
    const QImage argb = source->convertToFormat(QImage::Format_ARGB32);
    const bool masked = (m_flags & ILC_MASK) != 0;
    const QRgb key = qRgb(GetRValue(maskColour), GetGValue(maskColour), GetBValue(maskColour));
    for (int i = 0; i < added; ++i) {
        for (int y = 0; y < m_cy && y < argb.height(); ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            auto* out = reinterpret_cast<QRgb*>(images->scanLine(y));
            auto* mrow = reinterpret_cast<QRgb*>(mask->scanLine(y));
            for (int x = 0; x < m_cx && i * m_cx + x < argb.width(); ++x) {
                const QRgb px = in[i * m_cx + x] | 0xFF000000u;
                const int at = (first + i) * m_cx + x;
                if (masked && maskColour != CLR_NONE && (px & 0x00FFFFFFu) == (key & 0x00FFFFFFu)) {
                    out[at] = 0;  // transparent
                    mrow[at] = qRgb(255, 255, 255);
                } else {
                    out[at] = px;
                    mrow[at] = qRgb(0, 0, 0);
                }
            }
        }
    }
    SetBitmapImage(&m_images, images);
    if (masked) SetBitmapImage(&m_mask, mask);
    m_count += added;
    return first;
}

BOOL CImageList::GetImageInfo(int image, IMAGEINFO* info) const {
    if (!info || image < 0 || image >= m_count) return FALSE;
    info->hbmImage = m_images;
    info->hbmMask = (m_flags & ILC_MASK) ? static_cast<HBITMAP>(m_mask) : nullptr;
    info->Unused1 = info->Unused2 = 0;
    info->rcImage = RECT{image * m_cx, 0, (image + 1) * m_cx, m_cy};
    return TRUE;
}

BOOL CImageList::Draw(CDC* dc, int image, POINT point, UINT) const {
    if (!dc || !dc->m_hDC || image < 0 || image >= m_count) return FALSE;
    const auto images = BitmapImage(&m_images);
    if (!images) return FALSE;
    DCImpl* d = dc->m_hDC;
    const QRect dest = d->ToDevice(RECT{point.x, point.y, point.x + m_cx, point.y + m_cy});
    QPainter* p = d->Painter();
    if (!p) return FALSE;
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->drawImage(dest, *images, QRect(image * m_cx, 0, m_cx, m_cy));
    return TRUE;
}
