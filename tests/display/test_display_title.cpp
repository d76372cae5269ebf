// The main window's title with a Korean text, on a real X server with and
// without a window manager, against a picture kept in the repository:
// tests/display/reference/korean-title.png (the title and two pixels of the
// window's background around it, at the width a 1280-pixel screen gives it).
//
// After a deliberate change of the title's look, make the picture again with
//   REROVORA_UPDATE_REFERENCE=1 build/tests/display_tests --gtest_filter='KoreanTitle*'
// which writes it into the source tree; look at it before committing it.
// A failing run writes what it saw next to the other test images
// (build/test-images/...-actual.png, with the reference beside it).
#include <gtest/gtest.h>

#include <QImage>

#include <cstdlib>
#include <optional>
#include <string>

#include "tests/display/relay_fixture.h"
#include "tests/display/x_display.h"
#include "tests/support/child_process.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/relay_settings.h"
#include "tests/support/scoped_env.h"

using namespace display_test;

namespace {

const fs::path kReference = fs::path(REROVORA_SOURCE_DIR) / "tests/display/reference/korean-title.png";
constexpr QRgb kTitleFrame = 0xFF0072BC;  // the title's frame, 0xBC7200 as a COLORREF
constexpr int kTitleHeight = 70;
constexpr int kMargin = 2;  // of the window's background around the title

// The title's rectangle on the screen, found by its frame: the left column and
// the top row are wholly the frame's colour, and so is the right column along
// the middle row (the text lies in neither colour).
std::optional<QRect> FindTitle(const QImage& shot, const QRect& c) {
    std::optional<QPoint> topLeft;
    for (int y = c.top(); y < c.top() + 40 && !topLeft; ++y)
        for (int x = c.left(); x < c.left() + 40 && !topLeft; ++x)
            if (shot.pixel(x, y + kTitleHeight / 2) == kTitleFrame && shot.pixel(x + kTitleHeight / 2, y) == kTitleFrame)
                topLeft = QPoint(x, y);
    if (!topLeft) return std::nullopt;
    const int middle = topLeft->y() + kTitleHeight / 2;
    for (int x = topLeft->x() + 1; x <= c.right(); ++x)
        if (shot.pixel(x, middle) == kTitleFrame) return QRect(*topLeft, QPoint(x, topLeft->y() + kTitleHeight - 1));
    return std::nullopt;
}

}  // namespace

class KoreanTitle : public ::testing::TestWithParam<bool> {};

TEST_P(KoreanTitle, IsDrawnAsTheKeptPicture) {
    // The settings hold the title in the locale's character set.
    ScopedEnv locale("LC_ALL", "C.UTF-8");
    XDisplay x(1280, 1024, GetParam());
    START_X(x);
    RelaySettings settings;
    settings.title = "바람 감시 한글";
    Relay relay(x, settings);
    const auto main = relay.WaitLaidOut();
    ASSERT_TRUE(main) << "no window; stderr: " << relay.Stderr();

    const bool update = std::getenv("REROVORA_UPDATE_REFERENCE") != nullptr;
    const QImage reference(QString::fromStdString(kReference.string()));
    if (!update) {
        ASSERT_FALSE(reference.isNull()) << "no picture at " << kReference;
    }
    QImage seen;
    std::optional<QRect> title;
    // The title may be painted a moment after the window is laid out.
    WaitFor(
        [&] {
            const QImage shot = x.Shot();
            title = FindTitle(shot, main->client);
            if (!title) return false;
            seen = shot.copy(title->adjusted(-kMargin, -kMargin, kMargin, kMargin)).convertToFormat(QImage::Format_RGB32);
            return !update && seen == reference.convertToFormat(QImage::Format_RGB32);
        },
        update ? 1000 : 5000);
    ASSERT_TRUE(title) << "no title frame in the window";
    if (update) {
        fs::create_directories(kReference.parent_path());
        ASSERT_TRUE(seen.save(QString::fromStdString(kReference.string()), "PNG"));
        std::fprintf(stderr, "reference written: %s\n", kReference.c_str());
        return;
    }
    const bool same = seen.size() == reference.size() && seen == reference.convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(same) << "the title differs from " << kReference << "; see "
                      << SaveTestImage(seen, "actual") << " and " << SaveTestImage(reference, "reference");
    if (!same) SaveTestImage(relay.LastShot(), "screen");
}

INSTANTIATE_TEST_SUITE_P(Screens, KoreanTitle, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "WithWindowManager" : "WithoutWindowManager";
                         });
