// Fills and image draws in bands of rows give the pixels of one call.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <functional>

#include "platform/gdi/raster_bands.h"

namespace {

QImage Noise(int w, int h, bool alpha) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const quint32 a = alpha ? quint32((x * 37 + y * 11) % 256) : 255u;
            const quint32 v = quint32(x * 7919 + y * 104729);
            image.setPixel(x, y, qPremultiply(qRgba(int(v & 255), int(v >> 8 & 255), int(v >> 16 & 255), int(a))));
        }
    return image;
}

// The same drawing on two copies of a background: once in one call, once in bands.
void ExpectSame(const std::function<void(QPainter&)>& setup, const std::function<void(QPainter&, bool)>& draw) {
    QImage one = Noise(300, 260, false), bands = one;
    for (auto [image, banded] : {std::pair{&one, false}, std::pair{&bands, true}}) {
        QPainter p(image);
        setup(p);
        draw(p, banded);
    }
    EXPECT_TRUE(one == bands);
}

}  // namespace

TEST(RasterBands, GiveThePixelsOfOneCall) {
    const QImage picture = Noise(250, 230, true);
    const std::function<void(QPainter&)> setups[] = {
        [](QPainter&) {},
        [](QPainter& p) { p.translate(13, -7); },
        [](QPainter& p) { p.setClipRegion(QRegion(20, 20, 200, 150) - QRegion(60, 40, 30, 90)); },
        [](QPainter& p) { p.setCompositionMode(QPainter::CompositionMode_Source); },
        [](QPainter& p) { p.scale(1.5, 0.75); },  // not banded: one call either way
    };
    int n = 0;
    for (const auto& setup : setups) {
        SCOPED_TRACE(n++);
        ExpectSame(setup, [](QPainter& p, bool banded) {
            const QRect r(5, 3, 280, 240);
            if (banded) platform::detail::FillInBands(&p, r, QColor(10, 200, 30, 120));
            else p.fillRect(r, QColor(10, 200, 30, 120));
        });
        ExpectSame(setup, [&](QPainter& p, bool banded) {
            const QRect source(-10, 7, 240, 250);  // partly outside the picture
            if (banded) platform::detail::DrawInBands(&p, QPoint(17, 9), picture, source);
            else p.drawImage(QPoint(17, 9), picture, source);
        });
    }
}

TEST(RasterBands, CopyPixelsCutsToBothPicturesAndMakesAlphaOpaqueWhereTheTargetHasNone) {
    const QImage from = Noise(40, 30, true);
    QImage to(50, 20, QImage::Format_RGB32);
    to.fill(0xFF000000u);
    platform::detail::CopyPixels(&to, QPoint(30, -5), from, QRect(2, 3, 30, 20));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 50; ++x) {
            const bool inside = x >= 30 && y < 15;
            const quint32 expected = inside ? (from.pixel(x - 30 + 2, y + 5 + 3) | 0xFF000000u) : 0xFF000000u;
            ASSERT_EQ(quint32(to.pixel(x, y)), expected) << x << "," << y;
        }
}
