// System parameters the grid reads, and image lists drawn onto contexts.
#include <gtest/gtest.h>

#include "platform/base/sysmetrics.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/imagelist.h"
#include "platform/gdi/sysparams.h"
#include "tests/support/colours.h"
#include "tests/support/pixel_harness.h"

using namespace colours;

TEST(SystemParameters, NonClientMetricsNeedTheirSizeTwice) {
    NONCLIENTMETRICSW m;
    EXPECT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0));
    EXPECT_NE(m.lfMessageFont.lfFaceName[0], 0);
    EXPECT_LT(m.lfMessageFont.lfHeight, 0);
    EXPECT_EQ(m.iScrollWidth, GetSystemMetrics(SM_CXVSCROLL));
    NONCLIENTMETRICSW wrong;
    wrong.cbSize = 500;
    EXPECT_FALSE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof wrong, &wrong, 0));
    EXPECT_FALSE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 500, &m, 0));
    EXPECT_FALSE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, nullptr, 0));
    UINT lines = 0;
    EXPECT_TRUE(SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0));
    EXPECT_EQ(lines, 3u);
    EXPECT_FALSE(SystemParametersInfoW(0x9999, 0, &lines, 0));
}

TEST(SystemParameters, ScrollArrowsHaveASize) {
    const int metrics[] = {SM_CXHSCROLL, SM_CYHSCROLL, SM_CXVSCROLL, SM_CYVSCROLL};
    for (int m : metrics) EXPECT_EQ(GetSystemMetrics(m), 17) << m;
}

namespace {
// A 2-image strip of 4 x 4: image 0 red with a magenta corner, image 1 blue.
void MakeStrip(CBitmap& strip) {
    std::vector<std::uint8_t> bits(8 * 4 * 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            COLORREF c = x < 4 ? kRed : kBlue;
            if (x == 0 && y == 0) c = RGB(255, 0, 255);
            std::uint8_t* p = &bits[size_t(y * 8 + x) * 4];
            p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c), p[3] = 255;
        }
    ASSERT_TRUE(strip.CreateBitmap(8, 4, 1, 32, bits.data()));
}
}  // namespace

TEST(ImageList, AddsAStripAndDrawsWithTheMask) {
    CImageList list;
    EXPECT_FALSE(list.Create(0, 4, ILC_MASK, 1, 1));
    ASSERT_TRUE(list.Create(4, 4, ILC_MASK | ILC_COLOR32, 1, 1));
    EXPECT_FALSE(list.Create(4, 4, ILC_MASK, 1, 1));  // once
    CBitmap strip;
    MakeStrip(strip);
    EXPECT_EQ(list.Add(&strip, RGB(255, 0, 255)), 0);
    EXPECT_EQ(list.GetImageCount(), 2);
    EXPECT_EQ(list.Add(&strip, RGB(255, 0, 255)), 2);

    IMAGEINFO info;
    ASSERT_TRUE(list.GetImageInfo(1, &info));
    EXPECT_EQ(CRect(info.rcImage), CRect(4, 0, 8, 4));
    EXPECT_NE(info.hbmImage, nullptr);
    EXPECT_NE(info.hbmMask, nullptr);
    EXPECT_FALSE(list.GetImageInfo(4, &info));
    EXPECT_FALSE(list.GetImageInfo(-1, &info));

    Canvas canvas(20, 10, kWhite);
    EXPECT_TRUE(list.Draw(&canvas.DC(), 0, CPoint(2, 3), ILD_NORMAL));
    EXPECT_TRUE(list.Draw(&canvas.DC(), 3, CPoint(10, 3), ILD_NORMAL));
    EXPECT_FALSE(list.Draw(&canvas.DC(), 4, CPoint(0, 0), ILD_NORMAL));
    // The mask colour's pixel stays transparent.
    EXPECT_TRUE(canvas.Snap()->Match({{2, 3, kWhite}, {3, 3, kRed}, {5, 6, kRed}, {6, 3, kWhite},
                                      {10, 3, kBlue}, {13, 6, kBlue}, {14, 3, kWhite}}));
}

TEST(ImageList, WithoutAMaskEveryPixelIsDrawn) {
    CImageList list;
    ASSERT_TRUE(list.Create(4, 4, ILC_COLOR32, 1, 1));
    CBitmap strip;
    MakeStrip(strip);
    EXPECT_EQ(list.Add(&strip, RGB(255, 0, 255)), 0);
    IMAGEINFO info;
    ASSERT_TRUE(list.GetImageInfo(0, &info));
    EXPECT_EQ(info.hbmMask, nullptr);
    Canvas canvas(10, 10, kWhite);
    list.Draw(&canvas.DC(), 0, CPoint(0, 0), ILD_NORMAL);
    EXPECT_TRUE(canvas.Snap()->Match({{0, 0, RGB(255, 0, 255)}, {1, 1, kRed}}));
    EXPECT_EQ(list.Add(nullptr, 0), -1);
}
