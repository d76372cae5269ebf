#include "tests/support/pixel_harness.h"

#include <QDir>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/gdi/gdi_impl.h"
#include "platform/gdi/paint_target.h"
#include "tests/support/qt_helpers.h"

namespace {
COLORREF ColourOf(QRgb premultiplied) {
    const QRgb c = qUnpremultiply(premultiplied);
    return RGB(BYTE(qRed(c)), BYTE(qGreen(c)), BYTE(qBlue(c)));
}
}  // namespace

int ChannelDistance(COLORREF a, COLORREF b) {
    return std::max({std::abs(int(GetRValue(a)) - int(GetRValue(b))), std::abs(int(GetGValue(a)) - int(GetGValue(b))),
                     std::abs(int(GetBValue(a)) - int(GetBValue(b)))});
}

::testing::AssertionResult ColourNear(const QImage& image, int x, int y, COLORREF expected, int tolerance) {
    if (!image.rect().contains(x, y))
        return ::testing::AssertionFailure() << "(" << x << ", " << y << ") is outside the " << image.width() << " x "
                                             << image.height() << " image";
    const QImage argb = image.format() == QImage::Format_ARGB32_Premultiplied
                            ? image
                            : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const COLORREF actual = ColourOf(argb.pixel(x, y));
    const int d = ChannelDistance(actual, expected);
    char text[160];
    std::snprintf(text, sizeof text, "pixel (%d, %d) is R%d G%d B%d, expected R%d G%d B%d within %d (off by %d)", x, y,
                  GetRValue(actual), GetGValue(actual), GetBValue(actual), GetRValue(expected), GetGValue(expected),
                  GetBValue(expected), tolerance, d);
    if (d <= tolerance) return ::testing::AssertionSuccess() << text;
    return ::testing::AssertionFailure() << text;
}

::testing::AssertionResult PixelsMatch(const QImage& image, std::initializer_list<PixelRow> rows) {
    int failed = 0;
    std::string report;
    for (const PixelRow& row : rows) {
        const auto result = ColourNear(image, row.x, row.y, row.colour, row.tolerance);
        if (!result) {
            ++failed;
            report += "\n  ";
            report += result.message();
        }
    }
    if (failed == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << failed << " of " << rows.size() << " pixels differ:" << report;
}

std::string SaveTestImage(const QImage& image, const std::string& tag) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "image";
    for (char& c : name)
        if (c == '/') c = '_';
    if (!tag.empty()) name += "-" + tag;
    const std::filesystem::path dir = std::filesystem::path(REROVORA_BINARY_DIR) / "test-images";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const std::string path = (dir / (name + ".png")).string();
    image.save(QString::fromStdString(path), "PNG");
    return path;
}

::testing::AssertionResult SameImages(const QImage& got, const QImage& expected, const std::string& tag) {
    if (got.isNull() || got.size() != expected.size()) return ::testing::AssertionFailure() << tag << ": sizes differ";
    int differ = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < got.height(); ++y)
        for (int x = 0; x < got.width(); ++x)
            if (got.pixel(x, y) != expected.pixel(x, y) && differ++ == 0) firstX = x, firstY = y;
    if (differ == 0) return ::testing::AssertionSuccess();
    SaveTestImage(got, tag + "-got");
    SaveTestImage(expected, tag + "-expected");
    return ::testing::AssertionFailure() << tag << ": " << differ << " pixels differ, the first at " << firstX << ","
                                         << firstY;
}

Snapshot::Snapshot(QImage image, std::string tag)
    : m_image(image.convertToFormat(QImage::Format_ARGB32_Premultiplied)), m_tag(std::move(tag)) {}

Snapshot::~Snapshot() {
    if (::testing::Test::HasFailure()) {
        const std::string path = SaveTestImage(m_image, m_tag);
        std::fprintf(stderr, "image kept: %s\n", path.c_str());
    }
}

COLORREF Snapshot::Pixel(int x, int y) const {
    if (!m_image.rect().contains(x, y)) return CLR_INVALID;
    return ColourOf(m_image.pixel(x, y));
}

BYTE Snapshot::Alpha(int x, int y) const {
    if (!m_image.rect().contains(x, y)) return 0;
    return BYTE(qAlpha(m_image.pixel(x, y)));
}

::testing::AssertionResult Snapshot::Near(int x, int y, COLORREF expected, int tolerance) const {
    return ColourNear(m_image, x, y, expected, tolerance);
}

Canvas::Canvas(int width, int height, COLORREF background) : m_width(width), m_height(height) {
    m_dc.CreateCompatibleDC(nullptr);
    m_bitmap.CreateCompatibleBitmap(&m_dc, width, height);
    m_old = m_dc.SelectObject(&m_bitmap);
    m_dc.FillSolidRect(0, 0, width, height, background);
}

Canvas::~Canvas() {
    m_graphics.reset();
    if (m_old) m_dc.SelectObject(m_old);
}

gfx::Graphics& Canvas::Graphics() {
    if (!m_graphics) {
        m_graphics = std::make_unique<gfx::Graphics>(&m_dc);
        m_graphics->SetSmoothingMode(gfx::SmoothingModeAntiAlias);
    }
    return *m_graphics;
}

QImage Canvas::Image() const {
    const auto image = platform::detail::BitmapImage(&m_bitmap);
    if (!image) return QImage();
    platform::detail::FlushImage(image.get());
    return image->copy();
}

::testing::AssertionResult Snapshot::Match(std::initializer_list<PixelRow> rows) const {
    return PixelsMatch(m_image, rows);
}

std::unique_ptr<Snapshot> Canvas::Snap(const std::string& tag) const {
    return std::make_unique<Snapshot>(Image(), tag);
}

std::unique_ptr<Snapshot> SnapWindow(CWnd* wnd, const std::string& tag) {
    return std::make_unique<Snapshot>(GrabWindow(wnd), tag);
}
