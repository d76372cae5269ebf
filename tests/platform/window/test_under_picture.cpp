// What a child keeps of its parent's pixels: taken, updated in part and put
// back, it gives the pixels it was taken from, while rows of one colour stay small.
#include <gtest/gtest.h>

#include <QImage>
#include <functional>

#include "platform/window/under_picture.h"

namespace {

QImage Pattern(const std::function<quint32(int, int)>& pixel, int w = 60, int h = 40) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, pixel(x, y));
    return image;
}

QImage PutAll(const UnderPicture& under, QSize size) {
    QImage out(size, QImage::Format_ARGB32_Premultiplied);
    out.fill(0xFF123456u);
    under.Put(&out, QRect(QPoint(0, 0), size));
    return out;
}

}  // namespace

TEST(UnderPicture, GivesBackWhatItTookAndUpdated) {
    struct Case {
        const char* name;
        std::function<quint32(int, int)> pixel;
        bool small;  // every row of one colour: kept in far less than the pixels
    };
    const Case cases[] = {
        {"one colour", [](int, int) { return 0xFF336699u; }, true},
        {"vertical gradient", [](int, int y) { return 0xFF000000u | quint32(y * 5) << 8; }, true},
        {"border at the sides", [](int x, int) { return x == 0 || x == 59 ? 0xFFFFFFFFu : 0xFF000000u; }, false},
        {"noise", [](int x, int y) { return 0xFF000000u | quint32((x * 7919 + y * 104729) & 0xFFFFFF); }, false},
    };
    const QImage other = Pattern([](int x, int y) { return 0xFF000000u | quint32(x * 3 + y); });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Taken from a larger picture where the client area stands at (7, 5).
        QImage big(80, 60, QImage::Format_ARGB32_Premultiplied);
        big.fill(0xFFAA0000u);
        const QImage source = Pattern(c.pixel);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 60; ++x) big.setPixel(x + 7, y + 5, source.pixel(x, y));
        const QRect where(7, 5, 60, 40);
        UnderPicture under;
        EXPECT_FALSE(under.ValidFor(where));
        under.Take(big, where, where);
        ASSERT_TRUE(under.ValidFor(where));
        EXPECT_FALSE(under.ValidFor(where.translated(1, 0)));
        EXPECT_TRUE(PutAll(under, source.size()) == source);
        EXPECT_EQ(under.Bytes() < size_t(60 * 40 * 4 / 4), c.small) << under.Bytes();
        // A part painted again: that part from the new pixels, the rest as before.
        QImage expected = source;
        const QRect part(10, 3, 25, 20);
        for (int y = part.top(); y <= part.bottom(); ++y)
            for (int x = part.left(); x <= part.right(); ++x) {
                big.setPixel(x + 7, y + 5, other.pixel(x, y));
                expected.setPixel(x, y, other.pixel(x, y));
            }
        under.Update(big, part);
        EXPECT_TRUE(PutAll(under, source.size()) == expected);
        // Put only where asked.
        QImage out(60, 40, QImage::Format_ARGB32_Premultiplied);
        out.fill(0xFF123456u);
        under.Put(&out, QRect(50, 30, 20, 20));
        EXPECT_EQ(out.pixel(49, 29), 0xFF123456u);
        EXPECT_EQ(out.pixel(55, 35), expected.pixel(55, 35));
        under.Forget();
        EXPECT_FALSE(under.ValidFor(where));
    }
}
