// Large fills and image draws done on the calling thread.
//
// Qt's raster engine hands a fill or an image draw of more than about 96 rows
// to its thread pool and waits until the pool is done. For pictures the size
// of a control or a window that costs more in waking threads and waiting for
// them than the work itself. These draw in bands of a few rows, which the
// engine does at once on the calling thread; every pixel comes out as from one
// call, since each pixel is drawn on its own. A painter with more than a
// whole-pixel translation gets one call, as before.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>

namespace platform::detail {

// QPainter::fillRect(r, colour).
void FillInBands(QPainter* painter, const QRect& r, const QColor& colour);
// QPainter::drawImage(at, image, source).
void DrawInBands(QPainter* painter, const QPoint& at, const QImage& image, const QRect& source);
// Copies `source` of `from` to `at` in `to` (same pixel format, or a 32-bit
// picture with alpha shown on one without, whose alpha becomes opaque), cut to
// both pictures: what CompositionMode_Source gives for opaque pixels.
void CopyPixels(QImage* to, const QPoint& at, const QImage& from, const QRect& source);
// Whether `image` holds plain premultiplied ARGB pixels of its own, which may
// be written row by row instead of through a painter.
bool PlainPixels(const QImage* image);
// Blends `source` of `from` over `to` at `at`, both premultiplied ARGB (other
// formats are left alone), cut to both pictures: the pixels
// CompositionMode_SourceOver gives.
void BlendPixels(QImage* to, const QPoint& at, const QImage& from, const QRect& source);

}  // namespace platform::detail
