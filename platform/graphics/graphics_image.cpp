// Images and bitmaps of the graphics layer.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <algorithm>
#include <unordered_map>

#include "platform/gdi/gdi_impl.h"
#include "platform/graphics/graphics.h"
#include "platform/graphics/graphics_impl.h"

namespace gfx {

using platform::detail::FlushImage;

namespace detail {
std::shared_ptr<QImage> ImageOf(const Image& image) {
    const auto& d = image.Data();
    if (!d || !d->image) return nullptr;
    FlushImage(d->image.get());
    return d->image;
}
}  // namespace detail

namespace {
std::shared_ptr<ImageData> Decoded(QImage decoded) {
    auto d = std::make_shared<ImageData>();
    d->format = decoded.hasAlphaChannel() ? PixelFormat32bppARGB : PixelFormat32bppRGB;
    d->image = std::make_shared<QImage>(decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    return d;
}
}  // namespace

Image::Image() = default;
Image::~Image() {
    if (m_data && m_data->image && m_data.use_count() == 1) FlushImage(m_data->image.get());
}

Image* Image::FromBytes(const void* data, size_t size) { return Bitmap::FromBytes(data, size); }
Image* Image::FromFile(const WCHAR* path) { return Bitmap::FromFile(path); }

Image* Image::Clone() const {
    auto* copy = new Bitmap();
    if (m_data && m_data->image) {
        FlushImage(m_data->image.get());
        copy->m_data = std::make_shared<ImageData>();
        copy->m_data->format = m_data->format;
        copy->m_data->image = std::make_shared<QImage>(m_data->image->copy());
    } else {
        copy->m_last = WrongState;
    }
    return copy;
}

UINT Image::GetWidth() const { return m_data && m_data->image ? UINT(m_data->image->width()) : 0; }
UINT Image::GetHeight() const { return m_data && m_data->image ? UINT(m_data->image->height()) : 0; }
PixelFormat Image::GetPixelFormat() const { return m_data ? m_data->format : 0; }

Status Image::GetLastStatus() const {
    const Status s = m_last;
    m_last = Ok;
    return s;
}

Bitmap::Bitmap() = default;

Bitmap::Bitmap(INT width, INT height, PixelFormat format) {
    if (width <= 0 || height <= 0) {
        m_last = InvalidParameter;
        return;
    }
    m_data = std::make_shared<ImageData>();
    m_data->format = format;
    m_data->image = std::make_shared<QImage>(width, height, QImage::Format_ARGB32_Premultiplied);
    if (m_data->image->isNull()) {
        m_data.reset();
        m_last = OutOfMemory;
        return;
    }
    // Formats without alpha start black and opaque, the others transparent.
    m_data->image->fill(format == PixelFormat32bppRGB || format == PixelFormat24bppRGB ? 0xFF000000u : 0u);
}

Bitmap::Bitmap(INT width, INT height, Graphics*) : Bitmap(width, height, PixelFormat32bppPARGB) {}

Bitmap::Bitmap(HBITMAP bitmap, HPALETTE) {
    const auto image = platform::detail::BitmapImage(bitmap);
    if (!image) {
        m_last = InvalidParameter;
        return;
    }
    FlushImage(image.get());
    m_data = std::make_shared<ImageData>();
    m_data->format = PixelFormat32bppRGB;
    // The pixels are shared with the GDI bitmap until either side is drawn on
    // (its painter was ended above, so a later one copies them first).
    QImage copy = *image;
    // A GDI bitmap has no alpha: every pixel counts as opaque. Mostly they
    // already are; only a bitmap with others is copied and made opaque.
    const int width = copy.width(), height = copy.height();
    auto opaque = [&] {
        // A bitmap looked at before and not drawn on since (every drawing on
        // it gives it a new key) is known.
        static std::unordered_map<qint64, bool> known;
        const qint64 key = copy.cacheKey();
        if (auto it = known.find(key); it != known.end()) return it->second;
        QRgb all = 0xFFFFFFFFu;  // the alpha of every pixel and-ed together
        for (int y = 0; y < height; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(copy.constScanLine(y));
            for (int x = 0; x < width; ++x) all &= row[x];
        }
        if (known.size() >= 256) known.clear();
        return known[key] = qAlpha(all) == 255;
    };
    if (copy.hasAlphaChannel() && !opaque()) {
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<QRgb*>(copy.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const QRgb c = row[x];
                if (qAlpha(c) != 255) {
                    const QRgb s = qAlpha(c) ? qUnpremultiply(c) : 0;
                    row[x] = qRgb(qRed(s), qGreen(s), qBlue(s));
                }
            }
        }
    }
    m_data->image = std::make_shared<QImage>(std::move(copy));
}

Bitmap::Bitmap(const WCHAR* path) {
    QImage decoded;
    if (!path || !decoded.load(QString::fromUtf16(path))) {
        m_last = path ? FileNotFound : InvalidParameter;
        return;
    }
    m_data = Decoded(std::move(decoded));
}

Bitmap* Bitmap::FromBytes(const void* data, size_t size) {
    auto* b = new Bitmap();
    QImage decoded;
    if (!data || size == 0 ||
        !decoded.loadFromData(reinterpret_cast<const uchar*>(data), qsizetype(std::min<size_t>(size, 0x7FFFFFFF)))) {
        b->m_last = data && size ? UnknownImageFormat : InvalidParameter;
        return b;
    }
    b->m_data = Decoded(std::move(decoded));
    return b;
}

Status Bitmap::GetPixel(INT x, INT y, Color* colour) const {
    if (!colour) return Record(InvalidParameter);
    const auto image = detail::ImageOf(*this);
    if (!image || !image->rect().contains(x, y)) return Record(InvalidParameter);
    const QRgb c = qUnpremultiply(image->pixel(x, y));
    *colour = Color(BYTE(qAlpha(c)), BYTE(qRed(c)), BYTE(qGreen(c)), BYTE(qBlue(c)));
    return Ok;
}

Status Bitmap::SetPixel(INT x, INT y, const Color& colour) {
    const auto image = detail::ImageOf(*this);
    if (!image || !image->rect().contains(x, y)) return Record(InvalidParameter);
    image->setPixel(x, y, qPremultiply(qRgba(colour.GetR(), colour.GetG(), colour.GetB(), colour.GetA())));
    return Ok;
}

Status Bitmap::GetHBITMAP(const Color& background, HBITMAP* out) const {
    if (!out) return Record(InvalidParameter);
    const auto image = detail::ImageOf(*this);
    if (!image) return Record(WrongState);
    auto copy = std::make_shared<QImage>(image->size(), platform::detail::kImageFormat);
    copy->fill(QColor(background.GetR(), background.GetG(), background.GetB()));
    {
        QPainter p(copy.get());
        p.drawImage(0, 0, *image);
    }
    auto* bitmap = new CBitmap();
    bitmap->m_deleteWithData = true;
    platform::detail::SetBitmapImage(bitmap, copy);
    *out = bitmap;
    return Ok;
}

Status ImageAttributes::SetColorMatrix(const ColorMatrix* matrix, ColorMatrixFlags flags, ColorAdjustType) {
    if (!matrix) return InvalidParameter;
    m_matrix = *matrix;
    m_flags = flags;
    m_hasMatrix = true;
    return Ok;
}

Status ImageAttributes::ClearColorMatrix(ColorAdjustType) {
    m_hasMatrix = false;
    m_matrix = ColorMatrix::Identity();
    return Ok;
}

bool RowRuns::Take(const Image& image, size_t limit) {
    Clear();
    const auto pixels = detail::ImageOf(image);
    if (!pixels || pixels->isNull() || pixels->depth() != 32) return false;
    const QImage& from = *pixels;
    const bool opaque = from.format() == QImage::Format_RGB32;
    m_rowStart.reserve(size_t(from.height()) + 1);
    for (int y = 0; y < from.height(); ++y) {
        m_rowStart.push_back(int(m_runs.size()));
        const auto* row = reinterpret_cast<const std::uint32_t*>(from.constScanLine(y));
        for (int x = 0; x < from.width();) {
            const std::uint32_t colour = opaque ? row[x] | 0xFF000000u : row[x];
            int end = x + 1;
            while (end < from.width() && (opaque ? row[end] | 0xFF000000u : row[end]) == colour) ++end;
            m_runs.push_back({end, colour});
            x = end;
        }
        if (Bytes() > limit) {
            Clear();
            return false;
        }
    }
    m_rowStart.push_back(int(m_runs.size()));
    m_width = from.width();
    m_height = from.height();
    return true;
}

void RowRuns::Clear() {
    m_width = m_height = 0;
    m_rowStart.clear();
    m_runs.clear();
    m_rowStart.shrink_to_fit();
    m_runs.shrink_to_fit();
}

}  // namespace gfx
