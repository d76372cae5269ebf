// Device contexts: fills, frames, lines, block transfers, mapping, clipping,
// saved states, edges, check boxes and DrawText's layout rules, read back from
// memory bitmaps and window images.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>

#include "platform/gdi/dc.h"
#include "platform/gdi/gdi_impl.h"
#include "platform/window/wnd.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/recording_wnd.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 128, 0);

LOGFONTW Face(const char16_t* face, LONG height, LONG weight = FW_NORMAL) {
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    platform::detail::SetFace(lf, face);
    return lf;
}

// The box around every pixel that differs from `background`.
QRect InkBox(const QImage& image, COLORREF background, int tolerance = 60) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!ColourNear(image, x, y, background, tolerance)) box |= QRect(x, y, 1, 1);
    return box;
}

}  // namespace

// ---------------------------------------------------------------------------
// Fills, frames and lines

TEST(DeviceContext, FillsFramesAndRectanglesCoverExactPixels) {
    Canvas canvas(40, 20, kWhite);
    CDC& dc = canvas.DC();
    dc.FillSolidRect(1, 1, 5, 5, kRed);
    EXPECT_EQ(dc.GetBkColor(), kRed);  // FillSolidRect leaves its colour as the background colour
    CBrush blue(kBlue);
    const CRect frame(10, 1, 16, 7);
    dc.FrameRect(&frame, &blue);
    CPen pen(PS_SOLID, 1, kBlack);
    CBrush green(kGreen);
    CPen* oldPen = dc.SelectObject(&pen);
    CBrush* oldBrush = dc.SelectObject(&green);
    dc.Rectangle(20, 1, 26, 7);
    dc.SelectObject(oldPen);
    dc.SelectObject(oldBrush);
    dc.Draw3dRect(30, 1, 6, 6, kRed, kBlue);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Match({{1, 1, kRed}, {5, 5, kRed}, {6, 5, kWhite}, {10, 1, kBlue}}));
    // The table reports a wrong row, with every row that differs.
    const auto wrong = snap->Match({{1, 1, kRed}, {6, 5, kRed}, {10, 1, kWhite, 10}});
    EXPECT_FALSE(wrong);
    EXPECT_NE(std::string(wrong.message()).find("2 of 3 pixels differ"), std::string::npos) << wrong.message();
    EXPECT_TRUE(snap->Near(15, 6, kBlue));
    EXPECT_TRUE(snap->Near(12, 3, kWhite));  // a frame leaves the inside alone
    EXPECT_TRUE(snap->Near(16, 3, kWhite));
    EXPECT_TRUE(snap->Near(20, 1, kBlack));
    EXPECT_TRUE(snap->Near(25, 6, kBlack));
    EXPECT_TRUE(snap->Near(22, 3, kGreen));
    EXPECT_TRUE(snap->Near(26, 3, kWhite));
    EXPECT_TRUE(snap->Near(30, 1, kRed));    // top left
    EXPECT_TRUE(snap->Near(35, 6, kBlue));   // bottom right
    EXPECT_TRUE(snap->Near(35, 1, kBlue));   // the right edge runs the full height
    EXPECT_TRUE(snap->Near(30, 6, kBlue));   // the bottom edge the full width
    EXPECT_TRUE(snap->Near(32, 3, kWhite));
}

TEST(DeviceContext, LinesStopBeforeTheirEndPoint) {
    Canvas canvas(20, 20, kWhite);
    CDC& dc = canvas.DC();
    CPen pen(PS_SOLID, 0, kBlack);
    dc.SelectObject(&pen);
    dc.MoveTo(2, 2);
    dc.LineTo(10, 2);   // right: 2..9
    dc.LineTo(10, 10);  // down from (10, 2): 2..9
    dc.MoveTo(15, 15);
    dc.LineTo(12, 12);  // diagonal, leaving out (12, 12)
    EXPECT_EQ(dc.GetCurrentPosition(), CPoint(12, 12));
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(2, 2, kBlack));
    EXPECT_TRUE(snap->Near(9, 2, kBlack));
    EXPECT_TRUE(snap->Near(10, 2, kBlack));  // the start of the second line
    EXPECT_TRUE(snap->Near(10, 9, kBlack));
    EXPECT_TRUE(snap->Near(10, 10, kWhite));
    EXPECT_TRUE(snap->Near(15, 15, kBlack));
    EXPECT_TRUE(snap->Near(13, 13, kBlack));
    EXPECT_TRUE(snap->Near(12, 12, kWhite));
}

// ---------------------------------------------------------------------------
// Block transfers

TEST(DeviceContext, BitBltCopiesBetweenContextsAndWithinOne) {
    Canvas source(10, 10, kBlue);
    source.DC().FillSolidRect(2, 2, 3, 3, kRed);
    Canvas dest(20, 20, kWhite);
    ASSERT_TRUE(dest.DC().BitBlt(5, 5, 10, 10, &source.DC(), 0, 0, SRCCOPY));
    // A source reaching past its bitmap copies only what exists.
    ASSERT_TRUE(dest.DC().BitBlt(0, 0, 4, 4, &source.DC(), 8, 8, SRCCOPY));
    auto snap = dest.Snap("copy");
    EXPECT_TRUE(snap->Near(4, 4, kWhite));
    EXPECT_TRUE(snap->Near(5, 5, kBlue));
    EXPECT_TRUE(snap->Near(8, 8, kRed));
    EXPECT_TRUE(snap->Near(14, 14, kBlue));
    EXPECT_TRUE(snap->Near(15, 15, kWhite));
    EXPECT_TRUE(snap->Near(1, 1, kBlue));
    EXPECT_TRUE(snap->Near(2, 2, kWhite));
    // Overlapping copy inside one bitmap (scrolling) reads the pixels before it writes.
    Canvas strip(10, 1, kWhite);
    for (int x = 0; x < 10; ++x) strip.DC().SetPixel(x, 0, RGB(BYTE(x * 20), 0, 0));
    strip.DC().BitBlt(1, 0, 9, 1, &strip.DC(), 0, 0, SRCCOPY);
    auto s2 = strip.Snap("scroll");
    EXPECT_TRUE(s2->Near(1, 0, RGB(0, 0, 0)));
    EXPECT_TRUE(s2->Near(9, 0, RGB(160, 0, 0)));
    // Raster operations that mix.
    Canvas mix(4, 1, RGB(0xF0, 0x0F, 0x00));
    Canvas pattern(4, 1, RGB(0xFF, 0xFF, 0x00));
    mix.DC().BitBlt(0, 0, 2, 1, &pattern.DC(), 0, 0, SRCINVERT);
    mix.DC().PatBlt(2, 0, 1, 1, DSTINVERT);
    auto s3 = mix.Snap("mix");
    EXPECT_TRUE(s3->Near(0, 0, RGB(0x0F, 0xF0, 0x00)));
    EXPECT_TRUE(s3->Near(2, 0, RGB(0x0F, 0xF0, 0xFF)));
    EXPECT_TRUE(s3->Near(3, 0, RGB(0xF0, 0x0F, 0x00)));
}

TEST(DeviceContext, MemoryBitmapsBelongToTheContextTheyAreSelectedInto) {
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    CRect box;
    EXPECT_EQ(dc.GetClipBox(&box), SIMPLEREGION);
    EXPECT_EQ(box, CRect(0, 0, 1, 1));  // the stock one-pixel bitmap
    CBitmap a, b;
    a.CreateCompatibleBitmap(&dc, 8, 4);
    b.CreateCompatibleBitmap(&dc, 3, 3);
    CBitmap* stock = dc.SelectObject(&a);
    ASSERT_NE(stock, nullptr);
    dc.FillSolidRect(0, 0, 8, 4, kGreen);
    EXPECT_EQ(dc.SelectObject(&b), &a);
    EXPECT_EQ(dc.GetPixel(1, 1), kBlack);  // a new bitmap starts black
    dc.SelectObject(&a);
    EXPECT_EQ(dc.GetPixel(7, 3), kGreen);
    EXPECT_EQ(dc.GetPixel(8, 3), CLR_INVALID);
    BITMAP info;
    EXPECT_EQ(a.GetBitmap(&info), int(sizeof(BITMAP)));
    EXPECT_EQ(info.bmWidth, 8);
    EXPECT_EQ(info.bmHeight, 4);
    unsigned char bits[8 * 4 * 4];
    EXPECT_EQ(a.GetBitmapBits(sizeof bits, bits), DWORD(sizeof bits));
    EXPECT_EQ(bits[0], 0x00);  // B G R A
    EXPECT_EQ(bits[1], 0x80);
    EXPECT_EQ(bits[3], 0xFF);
    dc.SelectObject(stock);
}

// ---------------------------------------------------------------------------
// Mapping, clipping and saved states

TEST(DeviceContext, WindowOriginMapsLogicalToDevicePixels) {
    Canvas canvas(30, 30, kWhite);
    CDC& dc = canvas.DC();
    EXPECT_EQ(dc.GetMapMode(), MM_TEXT);
    dc.SetWindowOrg(10, 5);
    dc.FillSolidRect(10, 5, 2, 2, kRed);  // device (0, 0)
    CPoint p(12, 7);
    dc.LPtoDP(&p);
    EXPECT_EQ(p, CPoint(2, 2));
    dc.DPtoLP(&p);
    EXPECT_EQ(p, CPoint(12, 7));
    CRect box;
    dc.GetClipBox(&box);
    EXPECT_EQ(box, CRect(10, 5, 40, 35));
    // Extents count only in the scalable modes.
    dc.SetWindowExt(100, 100);
    EXPECT_EQ(dc.GetWindowExt(), CSize(1, 1));
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowOrg(0, 0);
    dc.SetWindowExt(10, 10);
    dc.SetViewportExt(20, 20);
    dc.FillSolidRect(5, 5, 2, 2, kBlue);  // device 10..14
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(0, 0, kRed));
    EXPECT_TRUE(snap->Near(1, 1, kRed));
    EXPECT_TRUE(snap->Near(2, 2, kWhite));
    EXPECT_TRUE(snap->Near(10, 10, kBlue));
    EXPECT_TRUE(snap->Near(13, 13, kBlue));
    EXPECT_TRUE(snap->Near(14, 14, kWhite));
}

TEST(DeviceContext, ClippingAndSavedStatesComeBack) {
    Canvas canvas(30, 10, kWhite);
    CDC& dc = canvas.DC();
    const int saved = dc.SaveDC();
    dc.SetTextColor(kRed);
    dc.SetBkMode(TRANSPARENT);
    dc.IntersectClipRect(5, 0, 20, 10);
    dc.ExcludeClipRect(10, 0, 12, 10);
    CRect box;
    EXPECT_EQ(dc.GetClipBox(&box), COMPLEXREGION);
    EXPECT_EQ(box, CRect(5, 0, 20, 10));
    EXPECT_FALSE(dc.PtVisible(11, 5));
    dc.FillSolidRect(0, 0, 30, 10, kBlue);
    ASSERT_TRUE(dc.RestoreDC(saved));
    EXPECT_EQ(dc.GetTextColor(), kBlack);
    EXPECT_EQ(dc.GetBkMode(), OPAQUE);
    EXPECT_EQ(dc.GetClipBox(&box), SIMPLEREGION);
    EXPECT_EQ(box, CRect(0, 0, 30, 10));
    EXPECT_FALSE(dc.RestoreDC(5));
    CRgn region;
    region.CreateRectRgn(25, 0, 28, 10);
    dc.SelectClipRgn(&region);
    dc.FillSolidRect(0, 0, 30, 10, kGreen);
    dc.SelectClipRgn(nullptr);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(4, 5, kWhite));
    EXPECT_TRUE(snap->Near(5, 5, kBlue));
    EXPECT_TRUE(snap->Near(10, 5, kWhite));
    EXPECT_TRUE(snap->Near(12, 5, kBlue));
    EXPECT_TRUE(snap->Near(20, 5, kWhite));
    EXPECT_TRUE(snap->Near(25, 5, kGreen));
    EXPECT_TRUE(snap->Near(28, 5, kWhite));
}

// ---------------------------------------------------------------------------
// Edges and frame controls

TEST(DeviceContext, SunkenEdgesAndCheckBoxes) {
    Canvas canvas(60, 20, RGB(200, 200, 200));
    CDC& dc = canvas.DC();
    CRect edge(0, 0, 10, 10);
    dc.DrawEdge(&edge, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    EXPECT_EQ(edge, CRect(2, 2, 8, 8));
    CRect inner(20, 0, 30, 10);
    dc.DrawEdge(&inner, BDR_SUNKENINNER, BF_RECT);
    CRect unchecked(35, 2, 48, 15), checked(48, 2, 61, 15);
    dc.DrawFrameControl(&unchecked, DFC_BUTTON, DFCS_BUTTONCHECK);
    dc.DrawFrameControl(&checked, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
    auto snap = canvas.Snap();
    EXPECT_TRUE(snap->Near(0, 5, GetSysColor(COLOR_BTNSHADOW)));
    EXPECT_TRUE(snap->Near(1, 5, GetSysColor(COLOR_3DDKSHADOW)));
    EXPECT_TRUE(snap->Near(9, 5, GetSysColor(COLOR_BTNHIGHLIGHT)));
    EXPECT_TRUE(snap->Near(8, 5, GetSysColor(COLOR_3DLIGHT)));
    EXPECT_TRUE(snap->Near(5, 5, RGB(200, 200, 200)));
    EXPECT_TRUE(snap->Near(20, 5, GetSysColor(COLOR_3DDKSHADOW)));
    EXPECT_TRUE(snap->Near(29, 5, GetSysColor(COLOR_3DLIGHT)));
    // Both boxes have a white inside; only the checked one has a mark.
    const QImage img = snap->Image();
    int darkUnchecked = 0, darkChecked = 0;
    for (int y = 5; y < 12; ++y)
        for (int x = 0; x < 7; ++x) {
            darkUnchecked += ChannelDistance(PixelAt(img, 38 + x, y), kBlack) < 80;
            darkChecked += ChannelDistance(PixelAt(img, 51 + x, y), kBlack) < 80;
        }
    EXPECT_EQ(darkUnchecked, 0);
    EXPECT_GT(darkChecked, 6);
    EXPECT_TRUE(snap->Near(38, 5, kWhite));
}

// ---------------------------------------------------------------------------
// Text

TEST(DeviceContextText, FontsByHeightWeightWidthAndTurn) {
    Canvas canvas(10, 10, kWhite);
    CDC& dc = canvas.DC();
    CFont cell, em, bold, narrow;
    LOGFONTW lf = Face(u"DejaVu Sans", 20);
    cell.CreateFontIndirect(&lf);
    lf.lfHeight = -20;
    em.CreateFontIndirect(&lf);
    lf.lfWeight = FW_BOLD;
    bold.CreateFontIndirect(&lf);
    lf = Face(u"DejaVu Sans", -20);
    lf.lfWidth = 4;
    narrow.CreateFontIndirect(&lf);
    TEXTMETRICW tm{};
    CFont* old = dc.SelectObject(&cell);
    dc.GetTextMetrics(&tm);
    EXPECT_NEAR(tm.tmHeight, 20, 1);  // a positive height is the cell height
    const CSize cellText = dc.GetTextExtent(u"Wind 12.5");
    dc.SelectObject(&em);
    dc.GetTextMetrics(&tm);
    EXPECT_GT(tm.tmHeight, 20);       // a negative one the em size
    EXPECT_NEAR(tm.tmHeight - tm.tmInternalLeading, 20, 1);
    const CSize emText = dc.GetTextExtent(u"Wind 12.5");
    EXPECT_GT(emText.cx, cellText.cx);
    dc.SelectObject(&bold);
    EXPECT_GT(dc.GetTextExtent(u"Wind 12.5").cx, emText.cx);
    dc.GetTextMetrics(&tm);
    EXPECT_EQ(tm.tmWeight, FW_BOLD);
    dc.SelectObject(&narrow);
    EXPECT_LT(dc.GetTextExtent(u"Wind 12.5").cx, emText.cx * 3 / 4);
    EXPECT_EQ(dc.GetTextExtent(u"", 0).cx, 0);
    dc.SelectObject(old);
    LOGFONTW back{};
    EXPECT_EQ(GetObjectW(&bold, sizeof back, &back), int(sizeof(LOGFONTW)));
    EXPECT_EQ(back.lfWeight, FW_BOLD);
    EXPECT_EQ(back.lfHeight, -20);

    // A font turned by 90 degrees writes upwards.
    Canvas turned(60, 120, kWhite);
    LOGFONTW up = Face(u"DejaVu Sans", -24);
    up.lfEscapement = 900;
    CFont upFont;
    upFont.CreateFontIndirect(&up);
    turned.DC().SelectObject(&upFont);
    turned.DC().SetBkMode(TRANSPARENT);
    turned.DC().TextOut(10, 110, u"HELLO");
    const QRect ink = InkBox(turned.Image(), kWhite);
    auto snap = turned.Snap();
    EXPECT_GT(ink.height(), ink.width() * 2);
    EXPECT_LE(ink.bottom(), 110);
}

TEST(DeviceContextText, DrawTextAlignsMeasuresAndCuts) {
    Canvas canvas(200, 60, kWhite);
    CDC& dc = canvas.DC();
    CFont font;
    LOGFONTW lf = Face(u"DejaVu Sans", -14);
    font.CreateFontIndirect(&lf);
    dc.SelectObject(&font);
    TEXTMETRICW tm{};
    dc.GetTextMetrics(&tm);
    const std::u16string text = u"Stack 12";
    const CSize extent = dc.GetTextExtent(text);
    CRect calc(10, 10, 10, 10);
    EXPECT_EQ(dc.DrawText(text, &calc, DT_SINGLELINE | DT_CALCRECT), tm.tmHeight);
    EXPECT_EQ(calc.Width(), extent.cx);
    EXPECT_EQ(calc.Height(), tm.tmHeight);
    // Centred both ways in a cell: the ink sits in the middle.
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kBlack);
    CRect cell(0, 0, 200, 60);
    const int offset = dc.DrawText(text, &cell, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    EXPECT_EQ(offset, (60 - tm.tmHeight) / 2 + tm.tmHeight);
    const QRect ink = InkBox(canvas.Image(), kWhite);
    auto snap = canvas.Snap("centred");
    EXPECT_NEAR(ink.center().x(), 100, 3);
    EXPECT_NEAR(ink.center().y(), 30, 4);
    // Prefix characters: "&&" is one '&', "&S" is 'S'.
    CRect prefixed(0, 0, 0, 0), plain(0, 0, 0, 0);
    dc.DrawText(u"A&&B&C", &prefixed, DT_SINGLELINE | DT_CALCRECT);
    dc.DrawText(u"A&BC", &plain, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
    EXPECT_EQ(prefixed.Width(), plain.Width());
    // Word breaks: three short words in a narrow box take three lines.
    CRect narrow(0, 0, dc.GetTextExtent(u"Wind").cx + 2, 0);
    EXPECT_EQ(dc.DrawText(u"Wind Wind Wind", &narrow, DT_WORDBREAK | DT_CALCRECT), 3 * tm.tmHeight);
    EXPECT_EQ(narrow.Height(), 3 * tm.tmHeight);
    CRect lines(0, 0, 200, 0);
    EXPECT_EQ(dc.DrawText(u"one\ntwo", &lines, DT_CALCRECT), 2 * tm.tmHeight);
}

TEST(DeviceContextText, EllipsisRightAlignmentAndOpaqueBackground) {
    Canvas canvas(120, 40, kWhite);
    CDC& dc = canvas.DC();
    CFont font;
    LOGFONTW lf = Face(u"DejaVu Sans", -14);
    font.CreateFontIndirect(&lf);
    dc.SelectObject(&font);
    dc.SetBkMode(TRANSPARENT);
    // Too long for 60 pixels: cut with "..." and nothing drawn past the box.
    CRect cut(0, 0, 60, 20);
    dc.DrawText(u"A rather long stack name", &cut, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    // Right aligned with an opaque background in the second row.
    dc.SetBkMode(OPAQUE);
    dc.SetBkColor(kBlue);
    dc.SetTextColor(kWhite);
    CRect right(0, 20, 120, 40);
    dc.DrawText(u"12.5", &right, DT_SINGLELINE | DT_RIGHT);
    const QImage image = canvas.Image();
    const QRect top = InkBox(image.copy(0, 0, 120, 20), kWhite);
    auto snap = canvas.Snap();
    EXPECT_LE(top.right(), 59);
    EXPECT_GT(top.right(), 40);
    const int width = dc.GetTextExtent(u"12.5").cx;
    EXPECT_TRUE(snap->Near(119 - width + 1, 21, kBlue));
    EXPECT_TRUE(snap->Near(119, 21, kBlue));
    EXPECT_TRUE(snap->Near(119 - width - 2, 21, kWhite));
}
