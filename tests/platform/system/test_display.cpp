#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include "platform/runtime/app.h"
#include "platform/system/display.h"
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
