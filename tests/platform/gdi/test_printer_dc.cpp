// The printer context: the device values it answers, pages as images, the
// job's order, and text sized by the mapping mode as on paper.
#include <gtest/gtest.h>

#include <QImage>

#include "platform/gdi/printer_dc.h"
#include "platform/gdi/printer_dc_impl.h"
#include "tests/support/colours.h"
#include "tests/support/pixel_harness.h"

TEST(PrinterDC, AnswersItsDeviceValuesAndKeepsEachPage) {
    PrinterCaps caps;
    caps.horzRes = 300;
    caps.vertRes = 400;
    caps.logPixelsX = 60;
    caps.logPixelsY = 80;
    caps.numColors = 2;
    CPrinterDC dc;
    ASSERT_TRUE(dc.CreateImagePrinter(caps));
    EXPECT_TRUE(dc.IsPrinting());
    EXPECT_EQ(dc.GetDeviceCaps(HORZRES), 300);
    EXPECT_EQ(dc.GetDeviceCaps(VERTRES), 400);
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSX), 60);
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSY), 80);
    EXPECT_EQ(dc.GetDeviceCaps(NUMCOLORS), 2);

    EXPECT_EQ(dc.StartPage(), SP_ERROR) << "no page before the document";
    ASSERT_GT(dc.StartDoc(u"doc"), 0);
    EXPECT_EQ(dc.StartDoc(u"again"), SP_ERROR);
    ASSERT_GT(dc.StartPage(), 0);
    dc.FillSolidRect(CRect(10, 10, 20, 20), colours::kRed);
    ASSERT_GT(dc.EndPage(), 0);
    ASSERT_GT(dc.StartPage(), 0);
    // A page starts in the default mapping, white.
    EXPECT_EQ(dc.GetMapMode(), MM_TEXT);
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(100, 100);
    dc.SetViewportExt(300, 400);
    dc.FillSolidRect(CRect(10, 10, 20, 20), colours::kBlue);  // device 30..60, 40..80
    ASSERT_GT(dc.EndPage(), 0);
    ASSERT_GT(dc.EndDoc(), 0);
    EXPECT_EQ(dc.GetPageCount(), 2);

    const QImage* first = platform::detail::PrinterPage(dc, 0);
    const QImage* second = platform::detail::PrinterPage(dc, 1);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->size(), QSize(300, 400));
    EXPECT_TRUE(PixelsMatch(*first, {{15, 15, colours::kRed}, {25, 15, colours::kWhite}}));
    EXPECT_TRUE(PixelsMatch(*second, {{15, 15, colours::kWhite}, {45, 60, colours::kBlue}, {61, 60, colours::kWhite}}));
    EXPECT_EQ(platform::detail::PrinterPage(dc, 2), nullptr);
}

TEST(PrinterDC, TextGrowsWithTheMappingLikeEverythingElse) {
    PrinterCaps caps;
    caps.horzRes = 400;
    caps.vertRes = 200;
    CPrinterDC dc;
    ASSERT_TRUE(dc.CreateImagePrinter(caps));
    CFont font;
    font.CreateFont(-10, 0, 0, 0, FW_NORMAL, 0, 0, 0, 1, 2, 1, 0, 0, u"Arial");
    dc.StartDoc(u"t");
    dc.StartPage();
    dc.SelectObject(&font);
    const CSize logical = dc.GetTextExtent(u"MMMM");
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(100, 50);
    dc.SetViewportExt(400, 200);  // four device pixels per unit
    EXPECT_EQ(dc.GetTextExtent(u"MMMM"), logical) << "measured in logical units";
    dc.SetTextColor(colours::kBlack);
    dc.SetBkMode(TRANSPARENT);
    CRect rect(0, 0, 100, 20);
    dc.DrawText(u"MMMM", &rect, DT_LEFT | DT_TOP | DT_SINGLELINE);
    dc.EndPage();
    dc.EndDoc();
    const QImage& page = *platform::detail::PrinterPage(dc, 0);
    SaveTestImage(page, "scaled-text");
    // The ink spans about four times the logical width on the device.
    int right = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128) right = std::max(right, x);
    EXPECT_GT(right, logical.cx * 3);
    EXPECT_LT(right, logical.cx * 5);
}

TEST(PrinterDC, RefusesPdfWithoutAPathOrAtAnUnreasonableResolution) {
    CPrinterDC a, b, c;
    EXPECT_FALSE(a.CreatePdfPrinter(u"", 150));
    EXPECT_FALSE(b.CreatePdfPrinter(u"/tmp/x.pdf", 10));
    EXPECT_FALSE(c.CreatePdfPrinter(u"/tmp/x.pdf", 5000));
    EXPECT_EQ(a.StartDoc(u"none"), SP_ERROR);
}
