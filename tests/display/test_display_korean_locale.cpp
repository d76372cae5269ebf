// The main window under the locale a Korean site runs (ko_KR.EUC-KR, made with
// localedef), beside the same window under C.UTF-8, on real X servers: the
// title, the server lamp's caption and every stack's name and direction are
// drawn alike, Korean names (two of them from code page 949 beyond EUC-KR)
// included.
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

struct Region {
    std::string what;
    QRect rect;  // in the client rectangle
};

// The title, the lamp's caption, and the panel's twelve cards (4 × 3).
std::vector<Region> Regions(QSize client) {
    const int lampLeft = client.width() + 8 - 264;
    std::vector<Region> regions{{"title", QRect(0, 8, lampLeft, 70)}, {"lamp caption", QRect(lampLeft, 8, 52, 26)}};
    const QRect panel(10, 88, client.width() - 20, client.height() - 118);
    for (int i = 0; i < 12; ++i)
        regions.push_back({"stack " + std::to_string(i + 1),
                           QRect(panel.left() + panel.width() * (i % 4) / 4, panel.top() + panel.height() * (i / 4) / 3,
                                 panel.width() / 4, panel.height() / 3)});
    return regions;
}

// The pixels of text: light (the names, the caption, the values) or warm (the
// title's orange and red), where every background, box and frame is dark or
// cool.
int InkPixels(const QImage& shot, const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = shot.pixel(x, y);
            n += qRed(p) > qBlue(p) + 40 || std::min({qRed(p), qGreen(p), qBlue(p)}) > 150;
        }
    return n;
}

// The text pixels of each region of the main window, with the program started
// under `locale` and the stacks showing the simulator's values.
std::vector<int> InkUnder(const char* locale, RelaySettings settings, std::string* failure) {
    const ScopedEnv lc("LC_ALL", locale);
    XDisplay x(1280, 1024, true);
    if (!x.Failure().empty()) {
        *failure = "no X server: " + x.Failure();
        return {};
    }
    Relay relay(x, settings, {"--values", "250,15.3"});
    const auto main = relay.WaitLaidOut();
    if (!main) {
        *failure = std::string("no window under ") + locale + "; stderr: " + relay.Stderr();
        return {};
    }
    // The first polls come two seconds after the start.
    WaitFor([] { return false; }, 4000);
    const QImage shot = x.Shot().copy(main->client);
    SaveTestImage(shot, locale);
    std::vector<int> ink;
    for (const Region& r : Regions(main->client.size())) ink.push_back(InkPixels(shot, r.rect));
    return ink;
}

}  // namespace

TEST(KoreanLocale, DrawsEveryLabelAsUnderUtf8) {
    const MadeLocale korean("ko_KR", "EUC-KR");
    if (!korean.ok()) GTEST_SKIP() << korean.Why();
    const ScopedEnv path("LOCPATH", korean.folder().c_str());
    // The same names in each locale's character set: 햏 and 똠 exist only in
    // code page 949, 바람 in EUC-KR as well.
    RelaySettings utf8, euc;
    utf8.names = {"햏햏 QC", "똠방 1", "바람 2"};
    euc.names = {"\xC1\x64\xC1\x64 QC", "\x8C\x63\xB9\xE6 1", "\xB9\xD9\xB6\xF7 2"};
    std::string failure;
    const std::vector<int> expected = InkUnder("C.UTF-8", utf8, &failure);
    if (expected.empty() && failure.rfind("no X server", 0) == 0 && !XDisplay::Required()) GTEST_SKIP() << failure;
    ASSERT_FALSE(expected.empty()) << failure;
    const std::vector<int> seen = InkUnder(korean.name().c_str(), euc, &failure);
    ASSERT_FALSE(seen.empty()) << failure;
    const std::vector<Region> regions = Regions(QSize(1280, 1024));  // for their names
    for (std::size_t i = 0; i < regions.size(); ++i) {
        EXPECT_GT(expected[i], i == 1 ? 20 : 1000) << regions[i].what << " draws little even under C.UTF-8";
        EXPECT_NEAR(seen[i], expected[i], expected[i] / 50)
            << regions[i].what << ": text pixels under " << korean.name() << " and C.UTF-8";
    }
}
