#include "platform/system/display.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QEvent>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWindow>
#include <QElapsedTimer>

#include <unistd.h>

#include "platform/system/file.h"

namespace platform {

namespace {

// A window of this program that is to be seen but that the windowing system
// has not yet shown (a window manager maps a window when it gets to it).
bool SomeWindowUnshown() {
    for (QWindow* w : QGuiApplication::topLevelWindows())
        if (w->isVisible() && !(w->windowStates() & Qt::WindowMinimized) && !w->isExposed()) return true;
    return false;
}

// The screen shows each window as its last drawing reached the windowing
// system. A window just shown, or the part of one just uncovered (a tip that
// went away), is drawn only once the windowing system has said so and the
// window has painted: until then the screen holds an empty or stale strip
// there. So before the screen is read, what the windowing system has to say
// is fetched (a round trip), the windows paint what they owe, and again while
// a window of this program waits to be shown, for at most a second: a window
// the window manager never shows does not hold the capture up for longer.
void BringScreenUpToDate() {
    constexpr int kLongestWaitMs = 1000;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        QGuiApplication::sync();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        if (!SomeWindowUnshown() || clock.elapsed() >= kLongestWaitMs) break;
        ::usleep(5000);
    }
    // What was painted reaches the display before it is read back.
    QGuiApplication::sync();
}

}  // namespace

int DisplayCount() {
    if (!qGuiApp) return 0;
    return int(QGuiApplication::screens().size());
}

bool GetDisplay(int index, DisplayInfo* info) {
    if (!qGuiApp || index < 0) return false;
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (index >= screens.size()) return false;
    const QScreen* screen = screens[index];
    const QRect g = screen->geometry();
    const qreal dpr = screen->devicePixelRatio();
    // Some platforms leave screens unnamed; such a display is called by its number.
    const QString name = screen->name().isEmpty() ? QStringLiteral("DISPLAY%1").arg(index + 1) : screen->name();
    info->deviceName.assign(reinterpret_cast<const char16_t*>(name.utf16()), size_t(name.size()));
    info->desktopRect = RECT{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
    info->modeWidth = qRound(g.width() * dpr);
    info->modeHeight = qRound(g.height() * dpr);
    return true;
}

bool CaptureDesktopToPng(const RECT& area, const std::u16string& path) {
    if (!qGuiApp) return false;
    const QRect wanted(QPoint(area.left, area.top), QPoint(area.right - 1, area.bottom - 1));
    if (wanted.isEmpty()) return false;
    QScreen* screen = QGuiApplication::screenAt(wanted.topLeft());
    if (!screen) return false;
    const QRect g = screen->geometry();
    const QRect part = wanted.intersected(g);
    if (part.isEmpty()) return false;

    BringScreenUpToDate();
    // The whole display, then the part of it asked for, in device pixels.
    const QPixmap whole = screen->grabWindow(0);
    if (whole.isNull()) return false;
    const qreal dpr = whole.devicePixelRatio();
    const QRect pixels(qRound((part.left() - g.left()) * dpr), qRound((part.top() - g.top()) * dpr),
                       qRound(part.width() * dpr), qRound(part.height() * dpr));
    const QImage image = whole.copy(pixels).toImage();
    if (image.isNull()) return false;

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return false;
    try {
        ReplaceFileAtomically(path, png.constData(), std::size_t(png.size()));
    } catch (const CFileException&) {
        return false;
    }
    return true;
}

}  // namespace platform
