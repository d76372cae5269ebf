#include "platform/system/display.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QEvent>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include "platform/system/file.h"

namespace platform {

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

    // Windows show what they painted with the next frame: what is still to be
    // shown goes to the display first.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
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
