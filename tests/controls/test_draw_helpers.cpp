// Drawing helpers: colour arithmetic, number text, message boxes and the
// double-buffering device context.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>

#include "controls/draw_helpers.h"
#include "platform/runtime/app.h"
#include "platform/gdi/dc.h"
#include "platform/base/wformat.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/recording_wnd.h"
#include "tests/support/temp_dir.h"

namespace {

// Records message boxes instead of showing them.
class BoxRecorder {
public:
    BoxRecorder() {
        m_previous = platform::SetMessageBoxHandler([this](const platform::MessageBoxRequest& r) {
            boxes.push_back(r);
            return IDOK;
        });
    }
    ~BoxRecorder() { platform::SetMessageBoxHandler(m_previous); }
    std::vector<platform::MessageBoxRequest> boxes;

private:
    platform::MessageBoxHandler m_previous;
};

}  // namespace

// ---------------------------------------------------------------------------
// Colours

TEST(ColourArithmetic, ScaleColorCountsBlackAsTenAndClamps) {
    EXPECT_EQ(ScaleColor(0x000000, 1.0f), 0x141414u);
    EXPECT_EQ(ScaleColor(0x000000, 0.0f), 0x0A0A0Au);
    EXPECT_EQ(ScaleColor(0x0000C8, 0.3f), 0x0D0DFFu);
    EXPECT_EQ(ScaleColor(0x4C3F38, -1.0f), 0x000000u);
    EXPECT_EQ(ScaleColor(0xFFFFFF, -2.0f), 0x000000u);
    EXPECT_EQ(ScaleColor(0xC1D0D4, -0.4f), 0x737C7Fu);  // the disabled face's lower colour
    EXPECT_EQ(ScaleColor(0x808080, 0.5f), 0xC0C0C0u);
    // Factors that no channel could hold stay inside 0..255.
    EXPECT_EQ(ScaleColor(0x102030, 1e30f), 0xFFFFFFu);
    EXPECT_EQ(ScaleColor(0x102030, -1e30f), 0x000000u);
    EXPECT_EQ(ScaleColor(0x102030, std::numeric_limits<float>::quiet_NaN()), 0x000000u);
}

TEST(ColourArithmetic, OffsetInvertGreysAndArgb) {
    EXPECT_EQ(OffsetColor(0x102030, -0x20), 0x000010u);
    EXPECT_EQ(OffsetColor(0xF0F0F0, 0x20), 0xFFFFFFu);
    EXPECT_EQ(OffsetColor(0x4C3F38, 70), 0x92857Eu);
    EXPECT_EQ(OffsetColor(0x102030, std::numeric_limits<int>::max()), 0xFFFFFFu);
    EXPECT_EQ(OffsetColor(0x102030, std::numeric_limits<int>::min()), 0x000000u);
    EXPECT_EQ(OffsetColor(0xFF102030, 0), 0x102030u);  // the top byte never survives
    EXPECT_EQ(InvertColor(0x00FF8000), 0x00007FFFu);
    EXPECT_EQ(InvertColor(0x000000), 0xFFFFFFu);
    EXPECT_EQ(AverageGray(0x0000FF), 0x555555u);
    EXPECT_EQ(AverageGray(0x010101), 0x010101u);
    EXPECT_EQ(AverageGray(0x000002), 0x000000u);  // 2 / 3 truncates
    EXPECT_EQ(LumaGray(0xFFFFFF), 0xC8C8C8u);
    EXPECT_EQ(LumaGray(0x000000), 0x000000u);
    EXPECT_EQ(LumaGray(0x0000FF), 0x4D4D4Du);
    EXPECT_EQ(LumaGray(0x00FF00), 0x969696u);  // 150.95 rounds to 150
    EXPECT_EQ(ColorToArgb(255, 0x0000FF), 0xFFFF0000u);
    EXPECT_EQ(ColorToArgb(0, 0x563412), 0x00123456u);
    EXPECT_EQ(ColorToArgb(0x80, 0xFF000000 | 0x010203), 0x80030201u);
}

// ---------------------------------------------------------------------------
// Number text

TEST(FormatNumber, GroupsRoundsAndRepairsTheLocaleLayout) {
    EXPECT_EQ(FormatNumber(2, u",", 1234.5), u"1,234.50");
    EXPECT_EQ(FormatNumber(1, u"", 0.5), u"0.5");
    EXPECT_EQ(FormatNumber(1, u"", -0.5), u"-0.5");
    EXPECT_EQ(FormatNumber(2, u",", 1234567.891), u"1,234,567.89");
    EXPECT_EQ(FormatNumber(0, u",", -1234567.0), u"-1,234,567");
    EXPECT_EQ(FormatNumber(3, u" ", 1000.0), u"1 000.000");
    EXPECT_EQ(FormatNumber(2, u"''", 1000000.0), u"1''000''000.00");
    EXPECT_EQ(FormatNumber(2, u",", 999.999), u"1,000.00");
    EXPECT_EQ(FormatNumber(1, u"", 9.96), u"10.0");
    // Rounding is done on the six printed decimals, half away from zero.
    EXPECT_EQ(FormatNumber(2, u"", 0.125), u"0.13");
    EXPECT_EQ(FormatNumber(2, u"", -0.125), u"-0.13");
    EXPECT_EQ(FormatNumber(0, u"", 2.5), u"3");
    EXPECT_EQ(FormatNumber(0, u"", 0.4), u"0");
    EXPECT_EQ(FormatNumber(1, u"", 0.0), u"0.0");
    EXPECT_EQ(FormatNumber(5, u"", 12.3), u"12.30000");
    EXPECT_EQ(FormatNumber(9, u"", 1.5), u"1.500000000");
    EXPECT_EQ(FormatNumber(3, u",", 12.0), u"12.000");
}

TEST(FormatNumber, ValuesTheLocaleCallCannotTakeComeOutPlain) {
    EXPECT_EQ(FormatNumber(1, u",", std::numeric_limits<double>::infinity()), u"inf");
    EXPECT_EQ(FormatNumber(1, u",", -std::numeric_limits<double>::infinity()), u"-inf");
    const std::u16string nan = FormatNumber(2, u",", std::numeric_limits<double>::quiet_NaN());
    EXPECT_NE(nan.find(u"nan"), std::u16string::npos);
    EXPECT_LE(nan.size(), 4u);
    // 1e200 grouped needs more than 119 characters.
    const std::string plain = platform::FormatNarrow("%.2f", 1e200);
    EXPECT_EQ(FormatNumber(2, u",", 1e200), std::u16string(plain.begin(), plain.end()));
    // 1e80 still fits: 81 digits and 26 separators.
    const std::u16string big = FormatNumber(0, u",", 1e80);
    EXPECT_EQ(big.size(), 81u + 26u);
    EXPECT_EQ(big.substr(0, 4), u"100,");
    EXPECT_EQ(FormatNumber(-1, u",", 1234.56), u"1235");
    EXPECT_EQ(FormatNumber(12, u",", 0.5), u"0.500000000000");
}

TEST(FormatNumber, IgnoresTheProcesssNumericLocale) {
    TempDir dir;
    const std::string out = (dir.path() / "de_DE.UTF-8").string();
    std::system(("localedef -i de_DE -f UTF-8 '" + out + "' >/dev/null 2>&1").c_str());
    if (!std::filesystem::exists(out + "/LC_NUMERIC"))
        GTEST_SKIP() << "locale de_DE.UTF-8 cannot be generated (localedef or the de_DE source is missing)";
    ::setenv("LOCPATH", dir.path().c_str(), 1);
    ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr);
    char check[16];
    std::snprintf(check, sizeof check, "%.1f", 1.5);
    const std::string german = check;
    const std::u16string grouped = FormatNumber(2, u",", 1234.5);
    const std::u16string small = FormatNumber(1, u"", -0.5);
    const std::u16string wide = platform::FormatWide(u"%3.1f", 12.25);
    std::setlocale(LC_NUMERIC, "C");
    ::unsetenv("LOCPATH");
    EXPECT_EQ(german, "1,5");  // the locale is in force
    EXPECT_EQ(grouped, u"1,234.50");
    EXPECT_EQ(small, u"-0.5");
    EXPECT_EQ(wide, u"12.2");
}

// ---------------------------------------------------------------------------
// Message boxes

TEST(MessageBoxFormat, FormatsShowsAndCutsLongTexts) {
    BoxRecorder recorder;
    MessageBoxFormatA("Not Created Window! (%s)", "CLed::Init");
    EXPECT_EQ(MessageBoxFormatW(u"%s>m_IconFontFamily is %s, %d", u"CMultiButton::DrawSymbol", u"NULL", 3), IDOK);
    MessageBoxFormatW(u"HMI Icon Font add fails", u"Error");
    const std::string longA(3000, 'a');
    MessageBoxFormatA("%s", longA.c_str());
    const std::u16string longW(3000, u'풍');
    MessageBoxFormatW(u"<%s>", longW.c_str());
    MessageBoxFormatA(nullptr);
    ASSERT_EQ(recorder.boxes.size(), 6u);
    EXPECT_EQ(recorder.boxes[0].text, u"Not Created Window! (CLed::Init)");
    EXPECT_EQ(recorder.boxes[0].type & MB_TYPEMASK, MB_OK);
    EXPECT_EQ(recorder.boxes[0].caption, platform::ApplicationTitle());
    EXPECT_EQ(recorder.boxes[1].text, u"CMultiButton::DrawSymbol>m_IconFontFamily is NULL, 3");
    EXPECT_EQ(recorder.boxes[2].text, u"HMI Icon Font add fails");
    EXPECT_EQ(recorder.boxes[3].text, std::u16string(1023, u'a'));
    EXPECT_EQ(recorder.boxes[4].text.size(), 1023u);
    EXPECT_EQ(recorder.boxes[4].text.substr(0, 2), u"<풍");
    EXPECT_EQ(recorder.boxes[5].text, u"");
}

// ---------------------------------------------------------------------------
// The double-buffering context

TEST(QuorMemDC, TheWindowShowsNothingUntilTheOneCopy) {
    constexpr COLORREF kBack = RGB(10, 20, 30), kPaint = RGB(200, 50, 0);
    MessageLog log;
    RecordingWnd wnd("wnd", &log);
    COLORREF duringPaint = 0, afterCopy = 0, outsideArea = 0;
    CPoint origin;
    wnd.handlers[WM_ERASEBKGND] = [](WPARAM wp, LPARAM) -> LRESULT {
        reinterpret_cast<CDC*>(wp)->FillSolidRect(0, 0, 100, 60, kBack);
        return 1;
    };
    wnd.handlers[WM_PAINT] = [&](WPARAM, LPARAM) -> LRESULT {
        CPaintDC dc(&wnd);
        {
            const CRect area(20, 10, 80, 50);
            _CQuorMemDC mem(&dc, &area);
            origin = mem.GetWindowOrg();
            mem.FillSolidRect(0, 0, 100, 60, kPaint);  // reaches only the area
            duringPaint = dc.GetPixel(30, 20);
        }
        afterCopy = dc.GetPixel(30, 20);
        outsideArea = dc.GetPixel(10, 5);
        return 0;
    };
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, u"w", WS_POPUP, CRect(0, 0, 100, 60), nullptr, 0));
    auto snap = SnapWindow(&wnd);
    EXPECT_EQ(origin, CPoint(20, 10));
    EXPECT_EQ(duringPaint, kBack);
    EXPECT_EQ(afterCopy, kPaint);
    EXPECT_EQ(outsideArea, kBack);
    EXPECT_TRUE(snap->Near(20, 10, kPaint));
    EXPECT_TRUE(snap->Near(79, 49, kPaint));
    EXPECT_TRUE(snap->Near(80, 49, kBack));
    EXPECT_TRUE(snap->Near(19, 10, kBack));
}

TEST(QuorMemDC, WholeClipBoxByDefaultAndStraightThroughWhenPrinting) {
    Canvas canvas(40, 20, RGB(255, 255, 255));
    canvas.DC().SetWindowOrg(5, 0);  // logical 5..45
    {
        _CQuorMemDC mem(&canvas.DC());
        CRect box;
        mem.GetClipBox(&box);
        EXPECT_EQ(box, CRect(5, 0, 45, 20));
        mem.FillSolidRect(5, 0, 40, 20, RGB(0, 0, 255));
        mem.FillSolidRect(10, 5, 2, 2, RGB(255, 0, 0));  // device (5, 5)
        EXPECT_EQ(canvas.DC().GetPixel(10, 5), RGB(255, 255, 255));
    }
    EXPECT_EQ(canvas.DC().GetPixel(10, 5), RGB(255, 0, 0));
    EXPECT_EQ(canvas.DC().GetPixel(40, 15), RGB(0, 0, 255));
    canvas.DC().SetWindowOrg(0, 0);
    canvas.DC().m_bPrinting = TRUE;
    {
        _CQuorMemDC mem(&canvas.DC());
        EXPECT_TRUE(mem.IsPrinting());
        mem.FillSolidRect(0, 0, 3, 3, RGB(0, 255, 0));
        EXPECT_EQ(canvas.DC().GetPixel(1, 1), RGB(0, 255, 0));
    }
    canvas.DC().m_bPrinting = FALSE;
    // The printing form borrowed the target's context and gave it back intact.
    canvas.DC().FillSolidRect(0, 0, 1, 1, RGB(1, 2, 3));
    EXPECT_EQ(canvas.DC().GetPixel(0, 0), RGB(1, 2, 3));
    _CQuorMemDC nothing(nullptr);  // no target: nothing to do, nothing to crash
    EXPECT_EQ(nothing.GetSafeHdc(), nullptr);
}
