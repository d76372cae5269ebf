// The grid printed page by page on the layer's printer context: pagination with
// and without the screen-proportion option, the header, footer, headings and
// cells on the page images, and printers whose values leave nothing to scale.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <string>

#include "grid/grid_ctrl.h"
#include "platform/gdi/printer_dc.h"
#include "platform/base/wformat.h"
#include "platform/gdi/printer_dc_impl.h"
#include "platform/system/strings.h"
#include "tests/grid/grid_fixture.h"
#include "tests/support/colours.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/temp_dir.h"

namespace {

// A grid of rows x cols cells (one fixed row and column, texts "r,c") in a
// titled top-level window.
struct PrintGrid {
    CWnd top;
    CGridCtrl grid;

    PrintGrid(int rows, int cols, int width = 60, int height = 20) {
        EXPECT_TRUE(top.CreateEx(0, nullptr, u"Stack Table", WS_POPUP | WS_VISIBLE, CRect(0, 0, 400, 300), nullptr, 0));
        EXPECT_TRUE(grid.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(5, 5, 395, 295), &top, 7));
        grid.SetRowCount(rows);
        grid.SetColumnCount(cols);
        grid.SetFixedRowCount(1);
        grid.SetFixedColumnCount(1);
        for (int c = 0; c < cols; ++c) grid.SetColumnWidth(c, width);
        for (int r = 0; r < rows; ++r) {
            grid.SetRowHeight(r, height);
            for (int c = 0; c < cols; ++c)
                grid.SetItemText(r, c, platform::FormatWide(u"%d,%d", r, c).c_str());
        }
    }
};

struct PrintRun {
    CPrinterDC dc;
    CPrintInfo info;
    int pages = 0;

    // Begins printing on a printer of the given values and prints every page.
    PrintRun(CGridCtrl& grid, const PrinterCaps& caps) {
        EXPECT_TRUE(dc.CreateImagePrinter(caps));
        grid.OnBeginPrinting(&dc, &info);
        pages = int(info.GetMaxPage());
        EXPECT_GT(dc.StartDoc(u"grid"), 0);
        for (int p = 1; p <= pages && p <= 50; ++p) {
            info.m_nCurPage = UINT(p);
            dc.StartPage();
            grid.OnPrint(&dc, &info);
            dc.EndPage();
        }
        dc.EndDoc();
        grid.OnEndPrinting(&dc, &info);
    }
    const QImage& Page(int index) const { return *platform::detail::PrinterPage(dc, index); }
};

// Dark pixels (text and lines) in a rectangle of a page.
int DarkPixels(const QImage& page, const QRect& area) {
    int n = 0;
    const QRect r = area.intersected(page.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(page.pixel(x, y)) < 100) ++n;
    return n;
}

// The bounding box of the pixels of a page within `tolerance` of `colour`.
QRect ColourBounds(const QImage& page, COLORREF colour, int tolerance = 40) {
    QRect box;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QRgb p = page.pixel(x, y);
            if (std::abs(qRed(p) - int(GetRValue(colour))) <= tolerance &&
                std::abs(qGreen(p) - int(GetGValue(colour))) <= tolerance &&
                std::abs(qBlue(p) - int(GetBValue(colour))) <= tolerance)
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

PrinterCaps SmallPrinter() {
    PrinterCaps caps;
    caps.horzRes = 600;
    caps.vertRes = 848;
    caps.logPixelsX = caps.logPixelsY = 72;
    return caps;
}

}  // namespace

TEST(GridPrint, GridThatFitsIsOnePageWithItsHeadingsCellsAndFooter) {
    platform::RegisterString(AFX_IDS_APP_TITLE, u"Rerovora");
    PrintGrid g(6, 4);
    PrintRun run(g.grid, SmallPrinter());
    platform::RemoveString(AFX_IDS_APP_TITLE);
    ASSERT_EQ(run.pages, 1);
    EXPECT_EQ(run.info.GetMaxPage(), 1u);
    ASSERT_EQ(run.dc.GetPageCount(), 1);
    const QImage& page = run.Page(0);
    SaveTestImage(page, "page1");
    // The logical page is the grid's width (4 x 60) plus 8 character widths,
    // mapped onto 600 device pixels: the grid lines and texts fill the middle.
    EXPECT_GT(DarkPixels(page, QRect(0, 0, 600, 60)), 50) << "header: title and rule";
    EXPECT_GT(DarkPixels(page, QRect(0, 120, 600, 300)), 500) << "cells and grid lines";
    EXPECT_GT(DarkPixels(page, QRect(0, 780, 600, 68)), 50) << "footer";
    EXPECT_EQ(DarkPixels(page, QRect(0, 480, 600, 280)), 0) << "white below the last row";
}

TEST(GridPrint, WideGridScaledToOnePageAcrossOrSpreadWithTheOption) {
    struct Case {
        BOOL option;
        int expectedPages;
    } cases[] = {
        // 3 rows of 20, 30 columns of 60: without the option one page holds the
        // whole width; with it, a page body of about 400 units holds 6 columns.
        {FALSE, 1},
        {TRUE, 0},
    };
    for (const Case& c : cases) {
        PrintGrid g(4, 31);
        g.grid.m_bPrintOption = c.option;
        PrintRun run(g.grid, SmallPrinter());
        if (!c.option) {
            EXPECT_EQ(run.pages, 1);
            EXPECT_EQ(g.grid.m_nPagesAcross, 1);
            SaveTestImage(run.Page(0), "scaled");
        } else {
            EXPECT_GT(g.grid.m_nPagesAcross, 1);
            EXPECT_EQ(run.pages, g.grid.m_nPagesAcross) << "one band of rows";
            // Every column lands on exactly one page: the body widths add up.
            long long perPage = g.grid.m_nPageBodyWidth / 60;
            EXPECT_EQ(g.grid.m_nPagesAcross, int((30 + perPage - 1) / perPage));
            SaveTestImage(run.Page(0), "spread-1");
            SaveTestImage(run.Page(run.pages - 1), "spread-last");
        }
    }
}

TEST(GridPrint, RowsPaginateBandByBandAndATallRowGetsItsOwnPage) {
    PrintGrid g(41, 3);  // 40 body rows of 20
    PrintRun run(g.grid, SmallPrinter());
    const int body = g.grid.m_nPageBodyHeight;
    ASSERT_GT(body, 0);
    const int perPage = body / 20;
    EXPECT_EQ(run.pages, (40 + perPage - 1) / perPage);

    // A row taller than the page body prints alone, clipped, and no page is blank.
    PrintGrid tall(4, 3);
    tall.grid.SetRowHeight(2, 5000);
    PrintRun tallRun(tall.grid, SmallPrinter());
    EXPECT_EQ(tallRun.pages, 3) << "row 1, the tall row 2, row 3";
    for (int p = 0; p < tallRun.pages; ++p)
        EXPECT_GT(DarkPixels(tallRun.Page(p), QRect(0, 60, 600, 700)), 100) << "page " << p + 1;
}

TEST(GridPrint, PrinterValuesThatLeaveNothingToScalePrintNothing) {
    PrinterCaps noResolution = SmallPrinter();
    noResolution.logPixelsX = 0;
    PrinterCaps noWidth = SmallPrinter();
    noWidth.horzRes = 0;
    for (const PrinterCaps& caps : {noResolution, noWidth}) {
        for (BOOL option : {FALSE, TRUE}) {
            PrintGrid g(5, 3);
            g.grid.m_bPrintOption = option;
            PrintRun run(g.grid, caps);
            EXPECT_EQ(run.pages, 0);
            g.grid.OnPrint(&run.dc, &run.info);  // nothing, and no division by zero
        }
    }
    // An empty grid still has its margins: one page with the header and footer.
    PrintGrid empty(0, 0);
    PrintRun run(empty.grid, SmallPrinter());
    ASSERT_EQ(run.pages, 1);
    EXPECT_GT(DarkPixels(run.Page(0), QRect(0, run.Page(0).height() - 80, run.Page(0).width(), 80)), 20);
}

TEST(GridPrint, NullContextOrInformationDoNothing) {
    PrintGrid g(3, 3);
    CPrinterDC dc;
    ASSERT_TRUE(dc.CreateImagePrinter(SmallPrinter()));
    CPrintInfo info;
    g.grid.m_nPageCount = 7;
    g.grid.OnBeginPrinting(nullptr, &info);
    g.grid.OnBeginPrinting(&dc, nullptr);
    EXPECT_EQ(g.grid.m_nPageCount, 7);
    EXPECT_EQ(info.GetMaxPage(), 0xFFFFu);
    g.grid.OnPrint(nullptr, &info);
    g.grid.OnPrint(&dc, nullptr);
}

TEST(GridPrint, PdfPrinterWritesOnePdfPagePerPage) {
    TempDir dir;
    const std::string path = (std::filesystem::path(dir.path()) / "grid.pdf").string();
    PrintGrid g(41, 3);
    CPrinterDC dc;
    ASSERT_TRUE(dc.CreatePdfPrinter(std::u16string(path.begin(), path.end()), 100));
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSX), 100);
    EXPECT_EQ(dc.GetDeviceCaps(HORZRES), 826) << "A4 (210 mm) at 100 dpi";
    EXPECT_TRUE(dc.IsPrinting());
    CPrintInfo info;
    g.grid.OnBeginPrinting(&dc, &info);
    ASSERT_GT(dc.StartDoc(u"stacks"), 0);
    for (UINT p = 1; p <= info.GetMaxPage(); ++p) {
        info.m_nCurPage = p;
        dc.StartPage();
        g.grid.OnPrint(&dc, &info);
        dc.EndPage();
    }
    ASSERT_GT(dc.EndDoc(), 0);
    g.grid.OnEndPrinting(&dc, &info);
    std::ifstream in(path, std::ios::binary);
    const std::string pdf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
    size_t pages = 0;
    for (size_t at = pdf.find("/Type /Page\n"); at != std::string::npos; at = pdf.find("/Type /Page\n", at + 1)) ++pages;
    for (size_t at = pdf.find("/Type /Page\r"); at != std::string::npos; at = pdf.find("/Type /Page\r", at + 1)) ++pages;
    EXPECT_EQ(int(info.GetMaxPage()), dc.GetPageCount());
    EXPECT_EQ(pages, size_t(dc.GetPageCount())) << "PDF page objects";
    EXPECT_GE(info.GetMaxPage(), 2u);
}

// A merged block prints once, with its owner's attributes over the whole
// block; the cells it covers print nothing of their own.
TEST(GridPrint, AMergedBlockPrintsAsOneCellOverItsArea) {
    constexpr COLORREF kOwner = RGB(230, 20, 20), kCovered = RGB(20, 170, 20);
    auto print = [&](bool merged) {
        PrintGrid g(5, 4);
        g.grid.GetCell(1, 1)->SetBackClr(kOwner);
        g.grid.GetCell(2, 2)->SetBackClr(kCovered);
        if (merged) {
            g.grid.GetCell(1, 1)->SetMergeRange(CellRange(1, 1, 2, 2));
            for (const CCellID& covered : {CCellID(1, 2), CCellID(2, 1), CCellID(2, 2)})
                g.grid.GetCell(covered.row, covered.col)->SetMergeOwner(CCellID(1, 1));
        }
        PrintRun run(g.grid, SmallPrinter());
        EXPECT_EQ(run.pages, 1);
        return run.Page(0).copy();
    };
    const QImage plain = print(false);
    const QImage merged = print(true);
    const QRect one = ColourBounds(plain, kOwner);
    const QRect block = ColourBounds(merged, kOwner);
    ASSERT_FALSE(one.isEmpty());
    ASSERT_FALSE(block.isEmpty()) << SaveTestImage(merged, "merged");
    EXPECT_NEAR(block.left(), one.left(), 2);
    EXPECT_NEAR(block.top(), one.top(), 2);
    EXPECT_NEAR(block.width(), 2 * one.width(), 4) << "two columns wide";
    EXPECT_NEAR(block.height(), 2 * one.height(), 4) << "two rows high";
    EXPECT_FALSE(ColourBounds(plain, kCovered).isEmpty());
    EXPECT_TRUE(ColourBounds(merged, kCovered).isEmpty()) << "a covered cell prints nothing of its own";
}
