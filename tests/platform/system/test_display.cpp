#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include "platform/runtime/app.h"
#include "platform/system/display.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace {

const QColor kQuadrants[4] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};

// A top-level window over the whole of display 0 in four colours, split at
// (60, 45), so that a capture shows which part of the desktop it took.
class QuadrantWindow : public QWidget {
public:
    explicit QuadrantWindow(const RECT& r) {
        setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top);
        show();
        platform::PumpEvents(50);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(0, 0, 60, 45, kQuadrants[0]);
        p.fillRect(60, 0, width() - 60, 45, kQuadrants[1]);
        p.fillRect(0, 45, 60, height() - 45, kQuadrants[2]);
        p.fillRect(60, 45, width() - 60, height() - 45, kQuadrants[3]);
    }
};

}  // namespace

TEST(Display, EnumeratesDisplaysWithTheirModes) {
    ASSERT_GE(platform::DisplayCount(), 1);
    platform::DisplayInfo info;
    ASSERT_TRUE(platform::GetDisplay(0, &info));
    EXPECT_FALSE(info.deviceName.empty());
    EXPECT_GT(info.modeWidth, 0);
    EXPECT_GT(info.modeHeight, 0);
    EXPECT_EQ(info.desktopRect.right - info.desktopRect.left, info.modeWidth);  // no scaling offscreen
    EXPECT_FALSE(platform::GetDisplay(platform::DisplayCount(), &info));
    EXPECT_FALSE(platform::GetDisplay(-1, &info));
}

TEST(Display, CaptureOfAnAreaIsAPngOfThatArea) {
    platform::DisplayInfo info;
    ASSERT_TRUE(platform::GetDisplay(0, &info));
    QuadrantWindow window(info.desktopRect);
    TempDir dir;
    const auto png = dir / "part.png";
    // The window system may move the window to fit its frame: find the split on the desktop.
    const QPoint split = window.mapToGlobal(QPoint(60, 45));
    const RECT area{split.x() - 50, split.y() - 25, split.x() + 50, split.y() + 25};
    ASSERT_TRUE(platform::CaptureDesktopToPng(area, U16(png)));
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(png.string()), "PNG"));
    EXPECT_EQ(image.size(), QSize(100, 50));
    // The split lies at (50, 25) in the image only when the right part of the desktop was taken.
    EXPECT_EQ(image.pixelColor(49, 24), kQuadrants[0]);
    EXPECT_EQ(image.pixelColor(50, 24), kQuadrants[1]);
    EXPECT_EQ(image.pixelColor(49, 25), kQuadrants[2]);
    EXPECT_EQ(image.pixelColor(50, 25), kQuadrants[3]);

    // Failures write nothing.
    EXPECT_FALSE(platform::CaptureDesktopToPng(area, U16(dir / "missing" / "a.png")));
    EXPECT_FALSE(platform::CaptureDesktopToPng(RECT{0, 0, 0, 0}, U16(dir / "empty.png")));
    EXPECT_FALSE(platform::CaptureDesktopToPng(RECT{-5000, -5000, -4000, -4000}, U16(dir / "off.png")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// CAPTURE's folder in a working folder every account may write (sticky, mode
// 1777): a "Capture" link another account planted there is not followed, so
// the screenshot lands nowhere it chose, and the log says why; the site's own
// link is followed.
TEST(Display, CaptureIsNotSavedThroughALinkAnotherAccountPlanted) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to make links owned by other accounts";
    platform::DisplayInfo info;
    ASSERT_TRUE(platform::GetDisplay(0, &info));
    const RECT area{info.desktopRect.left, info.desktopRect.top, info.desktopRect.left + 20, info.desktopRect.top + 10};
    for (const bool planted : {true, false}) {
        SCOPED_TRACE(planted ? "another account's link" : "the site's own link");
        TempDir dir;
        const auto work = dir / "work";
        const auto elsewhere = dir / "elsewhere";
        std::filesystem::create_directory(work);
        std::filesystem::create_directory(elsewhere);
        ASSERT_EQ(::chmod(work.c_str(), 01777), 0);
        std::filesystem::create_directory_symlink(elsewhere, work / "Capture");
        const uid_t owner = planted ? UnprivilegedUid() : 0;
        ASSERT_EQ(::lchown((work / "Capture").c_str(), owner, owner), 0);

        // What is said on stderr, kept in a file.
        const auto err = dir / "stderr.txt";
        std::fflush(stderr);
        const int saved = ::dup(2);
        const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ::dup2(fd, 2);
        const bool written = platform::CaptureDesktopToPng(area, U16(work / "Capture" / "20261208_101010.png"));
        std::fflush(stderr);
        ::dup2(saved, 2);
        ::close(saved);
        ::close(fd);
        const auto said = ReadAllBytes(err);
        const std::string message(said.begin(), said.end());

        EXPECT_EQ(written, !planted);
        EXPECT_EQ(std::filesystem::exists(elsewhere / "20261208_101010.png"), !planted);
        if (planted) {
            EXPECT_NE(message.find("screenshot not saved: follow a link to " + (work / "Capture").string()),
                      std::string::npos)
                << message;
        }
    }
}
