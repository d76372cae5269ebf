// The grid printed page by page on the layer's printer context: pagination with
// and without the screen-proportion option, the header, footer, headings and
// cells on the page images, and printers whose values leave nothing to scale.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <ctime>
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

namespace {

// The local date and time as the footer writes it.
std::u16string DateText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[128] = {};
    const size_t n = std::strftime(buffer, sizeof buffer, "%c", &local);
    return std::u16string(buffer, buffer + n);
}

// The ink (dark pixels) of `text` as the footer's font draws it on its own,
// unclipped, under the page mapping that `grid` printed with: cut to its ink.
QImage TextAlone(const CGridCtrl& grid, const PrinterCaps& caps, const std::u16string& text) {
    CPrinterDC dc;
    EXPECT_TRUE(dc.CreateImagePrinter(caps));
    dc.StartDoc(u"reference");
    dc.StartPage();
    CFont bold;
    bold.CreateFont(-10, 0, 0, 0, FW_BOLD, 0, 0, 0, 1, 2, 1, 0, 0, u"Arial");
    CFont* old = dc.SelectObject(&bold);
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(grid.m_LogicalPageSize);
    dc.SetViewportExt(grid.m_PaperSize);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(RGB(0, 0, 0));
    CRect rect(4, 4, 4 + 100000, 4 + 40);
    dc.DrawText(text, &rect, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    dc.SelectObject(old);
    dc.EndPage();
    dc.EndDoc();
    const QImage& page = *platform::detail::PrinterPage(dc, 0);
    QRect ink;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 160) ink |= QRect(x, y, 1, 1);
    return page.copy(ink);
}

// Whether `part` appears in `page` with its right edge at column `right`
// (give or take one pixel) and its top anywhere in [top, bottom).
bool ShowsAt(const QImage& page, const QImage& part, int right, int top, int bottom) {
    for (int dx = -1; dx <= 1; ++dx)
        for (int y0 = top; y0 + part.height() <= bottom; ++y0) {
            const int x0 = right + dx - part.width() + 1;
            if (x0 < 0 || x0 + part.width() > page.width()) continue;
            bool same = true;
            for (int y = 0; y < part.height() && same; ++y)
                for (int x = 0; x < part.width() && same; ++x)
                    same = std::abs(qGray(page.pixel(x0 + x, y0 + y)) - qGray(part.pixel(x, y))) <= 60;
            if (same) return true;
        }
    return false;
}

}  // namespace

// The footer's date stands whole at the right end of the footer, inside the
// rule above it, however the page is scaled: onto one page across (the grid's
// width decides the scale) or at the screen's proportions, on coarse and fine
// printers.
TEST(GridPrint, TheFootersDateIsPrintedWholeInEveryScaling) {
    PrinterCaps fine;
    fine.horzRes = 2480;
    fine.vertRes = 3508;
    fine.logPixelsX = fine.logPixelsY = 300;
    PrinterCaps finer;
    finer.horzRes = 4960;
    finer.vertRes = 7016;
    finer.logPixelsX = finer.logPixelsY = 600;
    struct Case {
        const char* name;
        PrinterCaps caps;
        int cols, width;
    };
    const Case cases[] = {
        {"72 dpi, 4 columns", SmallPrinter(), 4, 60},   {"72 dpi, 31 columns", SmallPrinter(), 31, 60},
        {"300 dpi, 12 columns", fine, 12, 64},          {"300 dpi, 7 columns", fine, 7, 75},
        {"600 dpi, 12 columns", finer, 12, 80},         {"600 dpi, 30 columns", finer, 30, 45},
        {"150 dpi, 9 columns", PrinterCaps{}, 9, 70},    {"300 dpi, 2 narrow columns", fine, 2, 30},
    };
    for (const Case& c : cases)
        for (BOOL option : {FALSE, TRUE}) {
            SCOPED_TRACE(std::string(c.name) + (option ? ", screen proportions" : ", one page across"));
            PrintGrid g(3, c.cols, c.width);
            g.grid.m_bPrintOption = option;
            std::u16string date = DateText();
            PrintRun run(g.grid, c.caps);
            if (DateText() != date) continue;  // the clock moved on while printing: the text is not known
            ASSERT_GE(run.pages, 1);
            const QImage& page = run.Page(0);
            const int footerTop = page.height() - int(std::lround(2.0 * g.grid.m_CharSize.cy * page.height() /
                                                                  g.grid.m_LogicalPageSize.cy)) - 2;
            // The rule along the footer's top: its right end is the drawing area's.
            int ruleRight = -1, ruleY = -1;
            for (int y = footerTop; y < page.height() && ruleY < 0; ++y) {
                int run = 0, x = 0;
                for (; x < page.width(); ++x) {
                    if (qGray(page.pixel(x, y)) < 100) ++run;
                    else if (run > page.width() / 3) break;
                    else run = 0;
                }
                if (run > page.width() / 3) ruleY = y, ruleRight = x - 1;
            }
            ASSERT_GE(ruleY, 0) << SaveTestImage(page, "no-rule");
            // The footer's rightmost ink is the date's last character.
            int inkRight = -1;
            for (int x = page.width() - 1; x >= 0 && inkRight < 0; --x)
                for (int y = ruleY + 2; y < page.height(); ++y)
                    if (qGray(page.pixel(x, y)) < 160) {
                        inkRight = x;
                        break;
                    }
            ASSERT_GE(inkRight, 0);
            EXPECT_LE(inkRight, ruleRight + 1) << "inside the footer's area";
            const QImage alone = TextAlone(g.grid, c.caps, date);
            EXPECT_TRUE(ShowsAt(page, alone, inkRight, ruleY + 1, page.height()))
                << "the date, whole, ends the footer; page " << SaveTestImage(page, "footer")
                << ", the date alone " << SaveTestImage(alone, "date");
        }
}
