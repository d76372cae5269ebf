// The information box: its layout and the three version texts on white.
#include <gtest/gtest.h>

#include <climits>

#include "controls/info_dlg.h"
#include "controls/utility.h"
#include "platform/base/wformat.h"
#include "tests/controls/popup_scene.h"
#include "tests/support/colours.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"

using namespace popup_test;

TEST(InfoDlg, ShowsTheThreeVersionTextsOnWhite) {
    CInfoDlg info;
    std::unique_ptr<Snapshot> snap;
    CRect ok, client;
    CString caption;
    EXPECT_EQ(RunModal(info,
                       [&] {
                           caption = info.GetWindowText();
                           info.GetClientRect(&client);
                           ok = WindowRectOf(info.GetDlgItem(IDOK));
                           info.ScreenToClient(&ok);
                           snap = SnapWindow(&info, "info");
                           SaveTestImage(snap->Image(), "info");
                           PressKey(&info, Qt::Key_Return);  // Enter closes the box
                       }),
              IDOK);
    EXPECT_EQ(caption, u"Information");
    EXPECT_EQ(ok, CRect(50, 50, 250, 80));
    // The window (frame included, as on Windows) ends 20 below OK.
    RECT frame{};
    AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, 0);
    EXPECT_EQ(client.bottom, ok.bottom + 20 - frame.bottom);
    ASSERT_TRUE(snap);
    EXPECT_TRUE(snap->Match({{2, 2, colours::kWhite}, {client.right - 3, 45, colours::kWhite}, {5, 90, colours::kWhite}}));

    // Each line is drawn in black from x 10, as wide as its text in its font.
    const CUtility utility;
    const CString line1 = platform::FormatWide(u"%s   V%s", utility.GetVersionString(CUtility::kProductName).c_str(),
                                               utility.GetVersionString(CUtility::kFileVersion).c_str());
    const CString line2 = utility.GetVersionString(CUtility::kLegalCopyright);
    ASSERT_FALSE(utility.GetVersionString(CUtility::kProductName).empty());
    ASSERT_FALSE(utility.GetVersionString(CUtility::kFileVersion).empty());
    ASSERT_FALSE(line2.empty());
    const gfx::FontFamily family(u"굴림체");
    struct Line {
        const CString& text;
        float size;
        int style;
        int y0, y1;
    } lines[] = {{line1, 16.0f, gfx::FontStyleBold, 10, 30}, {line2, 12.0f, gfx::FontStyleRegular, 32, 48}};
    for (const Line& line : lines) {
        const gfx::Font font(&family, line.size, line.style, gfx::UnitPixel);
        gfx::Bitmap probe(1, 1);
        gfx::Graphics g(&probe);
        gfx::RectF bounds;
        g.MeasureString(line.text.c_str(), gfx::INT(line.text.size()), &font, gfx::PointF(0, 0), nullptr, &bounds);
        int minX = INT_MAX, maxX = -1;
        for (int y = line.y0; y < line.y1; ++y)
            for (int x = 0; x < client.right; ++x)
                if (ChannelDistance(snap->Pixel(x, y), colours::kBlack) < 100) {
                    minX = std::min(minX, x);
                    maxX = std::max(maxX, x);
                }
        EXPECT_GE(minX, 10);
        EXPECT_LE(minX, 16);
        EXPECT_NEAR(maxX - 10, bounds.Width, line.size) << Utf16ToUtf8(line.text);
    }
}
