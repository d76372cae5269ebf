// Pixel tests: draw into an image (with device contexts, graphics objects or a
// window's own painting), read colours back at points with a tolerance, and keep
// the image next to the test output when the test failed, to be looked at:
// <build>/test-images/<suite>.<test>[-tag].png
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <initializer_list>
#include <memory>
#include <string>

#include "platform/gdi/dc.h"
#include "platform/graphics/graphics.h"

class CWnd;

// Whether the pixel at (x, y) is within `tolerance` of `expected` in each of red,
// green and blue (alpha is not compared).
::testing::AssertionResult ColourNear(const QImage& image, int x, int y, COLORREF expected, int tolerance = 0);
// One row of a pixel table: where to look, what colour, how close.
struct PixelRow {
    int x;
    int y;
    COLORREF colour;
    int tolerance = 0;
};
// Checks every row of the table against the image and reports every row that
// does not match, so one assertion covers a whole picture:
//   EXPECT_TRUE(PixelsMatch(image, {{2, 2, colours::kRed}, {40, 9, colours::kSlate, 8}}));
::testing::AssertionResult PixelsMatch(const QImage& image, std::initializer_list<PixelRow> rows);
// The largest difference of one channel.
int ChannelDistance(COLORREF a, COLORREF b);
// Writes the image as <build>/test-images/<suite>.<test>[-tag].png; returns the path.
std::string SaveTestImage(const QImage& image, const std::string& tag = "");
// Whether two pictures are the same pixel for pixel; when not, how many pixels
// differ and the first of them, and both are written out under `tag`.
::testing::AssertionResult SameImages(const QImage& got, const QImage& expected, const std::string& tag);

// An image read back for checks; written out at the end of the test when the
// test has failed by then.
class Snapshot {
public:
    Snapshot(QImage image, std::string tag = "");
    ~Snapshot();
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;
    const QImage& Image() const { return m_image; }
    COLORREF Pixel(int x, int y) const;
    BYTE Alpha(int x, int y) const;
    ::testing::AssertionResult Near(int x, int y, COLORREF expected, int tolerance = 0) const;
    ::testing::AssertionResult Match(std::initializer_list<PixelRow> rows) const;

private:
    QImage m_image;
    std::string m_tag;
};

// A bitmap of the given size, filled with `background`, selected into a memory
// context; graphics objects draw on the same pixels.
class Canvas {
public:
    Canvas(int width, int height, COLORREF background = RGB(255, 255, 255));
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    CDC& DC() { return m_dc; }
    CBitmap& Bitmap() { return m_bitmap; }
    // A graphics object on the canvas with antialiasing on (made at first use).
    gfx::Graphics& Graphics();
    // The pixels as they are now.
    QImage Image() const;
    // Reads the pixels back for checks (kept on failure under `tag`).
    std::unique_ptr<Snapshot> Snap(const std::string& tag = "") const;
    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    int m_width, m_height;
    CDC m_dc;
    CBitmap m_bitmap;
    CBitmap* m_old = nullptr;
    std::unique_ptr<gfx::Graphics> m_graphics;
};

// A window's image as the screen shows it, kept on failure under `tag`.
std::unique_ptr<Snapshot> SnapWindow(CWnd* wnd, const std::string& tag = "");
