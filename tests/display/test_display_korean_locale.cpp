// The main window under the locale a Korean site runs (ko_KR.EUC-KR, made with
// localedef) draws as under C.UTF-8: the title, the lamp's caption and every
// stack's name and direction, Korean names from code page 949 included.
#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <vector>

#include "tests/display/relay_fixture.h"
#include "tests/display/x_display.h"
#include "tests/support/made_locale.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/scoped_env.h"

using namespace display_test;

namespace {

// Text pixels (light, or the title's warm colours; every background, box and
// frame is dark or cool) in the title, the lamp's caption and each of the
// twelve cards, in that order, with the program started under `locale`.
std::vector<int> InkUnder(XDisplay& x, const char* locale, const RelaySettings& settings) {
    const ScopedEnv lc("LC_ALL", locale);
    Relay relay(x, settings, {"--values", "250,15.3"});
    const auto main = relay.WaitLaidOut();
    if (!main) return {};
    WaitFor([] { return false; }, 4000);  // the first values, two seconds after the start
    const QImage shot = x.Shot().copy(main->client);
    SaveTestImage(shot, locale);
    const int w = shot.width(), lamp = w + 8 - 264;
    std::vector<QRect> regions{QRect(0, 8, lamp, 70), QRect(lamp, 8, 52, 26)};
    const QRect panel(10, 88, w - 20, shot.height() - 118);
    for (int i = 0; i < 12; ++i)
        regions.emplace_back(panel.left() + panel.width() * (i % 4) / 4, panel.top() + panel.height() * (i / 4) / 3,
                             panel.width() / 4, panel.height() / 3);
    std::vector<int> ink;
    for (const QRect& r : regions) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int px = r.left(); px <= r.right(); ++px) {
                const QRgb p = shot.pixel(px, y);
                n += qRed(p) > qBlue(p) + 40 || std::min({qRed(p), qGreen(p), qBlue(p)}) > 150;
            }
        ink.push_back(n);
    }
    return ink;
}

}  // namespace

TEST(KoreanLocale, DrawsEveryLabelAsUnderUtf8) {
    const MadeLocale korean("ko_KR", "EUC-KR");
    if (!korean.ok()) GTEST_SKIP() << korean.Why();
    const ScopedEnv path("LOCPATH", korean.folder().c_str());
    XDisplay x(1280, 1024, true);
    NEED_X(x);
    // The same names in each locale's character set: 햏 and 똠 exist only in
    // code page 949, 바람 in EUC-KR as well.
    RelaySettings utf8, euc;
    utf8.names = {"햏햏 QC", "똠방 1", "바람 2"};
    euc.names = {"\xC1\x64\xC1\x64 QC", "\x8C\x63\xB9\xE6 1", "\xB9\xD9\xB6\xF7 2"};
    const std::vector<int> expected = InkUnder(x, "C.UTF-8", utf8);
    const std::vector<int> seen = InkUnder(x, korean.name().c_str(), euc);
    ASSERT_EQ(expected.size(), 14u) << "no window under C.UTF-8";
    ASSERT_EQ(seen.size(), 14u) << "no window under " << korean.name();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::string what = i == 0 ? "the title" : i == 1 ? "the lamp's caption" : "stack " + std::to_string(i - 1);
        EXPECT_GT(expected[i], i == 1 ? 20 : 1000) << what << " draws little even under C.UTF-8";
        EXPECT_NEAR(seen[i], expected[i], expected[i] / 50) << what << ", text pixels under " << korean.name();
    }
}
