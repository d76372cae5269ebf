#include "platform/system/display.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#ifdef REROVORA_HAVE_XCB
#include <QAbstractNativeEventFilter>
#include <xcb/xcb.h>
#endif

#include "platform/system/file.h"

namespace platform {

namespace {

// How long a capture waits for a window of this program that is to be seen
// but that the windowing system does not show yet: a window the window
// manager never maps (or maps late) holds the capture up for no longer.
constexpr int kLongestWaitMs = 1500;
// How long a capture waits for the X server's events to catch up once the
// windows are shown (a round trip: it only takes long on a stalled server).
constexpr int kLongestCatchUpMs = 500;

// The windows of this program that are to be seen: shown, not minimized,
// and known to the windowing system.
std::vector<QWindow*> WindowsToBeSeen() {
    std::vector<QWindow*> seen;
    for (QWindow* w : QGuiApplication::topLevelWindows())
        if (w->isVisible() && !(w->windowStates() & Qt::WindowMinimized) && w->handle()) seen.push_back(w);
    return seen;
}

// What the windowing system has said so far is handled (a round trip), and
// the windows paint what they owe.
void PaintWhatIsOwed() {
    QGuiApplication::sync();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}

#ifdef REROVORA_HAVE_XCB

xcb_connection_t* XConnection() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// Whether the X server shows each of `windows`: the window mapped, and its
// window manager's frame and every window above it mapped too (viewable). A
// window that is gone is not waited for.
bool AllViewable(xcb_connection_t* c, const std::vector<QWindow*>& windows) {
    std::vector<xcb_get_window_attributes_cookie_t> asked;
    asked.reserve(windows.size());
    for (QWindow* w : windows) asked.push_back(xcb_get_window_attributes(c, xcb_window_t(w->winId())));
    bool all = true;
    for (const xcb_get_window_attributes_cookie_t& cookie : asked) {
        xcb_generic_error_t* error = nullptr;
        xcb_get_window_attributes_reply_t* reply = xcb_get_window_attributes_reply(c, cookie, &error);
        if (reply && reply->map_state != XCB_MAP_STATE_VIEWABLE) all = false;
        std::free(reply);
        std::free(error);
    }
    return all;
}

// The type of the mark a capture sends itself through the X server.
xcb_atom_t MarkType(xcb_connection_t* c) {
    static xcb_connection_t* internedOn = nullptr;
    static xcb_atom_t type = XCB_ATOM_NONE;
    if (internedOn != c) {
        static const char kName[] = "_REROVORA_SCREEN_MARK";
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof kName - 1, kName), nullptr);
        type = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        internedOn = c;
    }
    return type;
}

// Marks sent and marks back, counted from the start: the server returns them
// in the order they were sent.
std::uint32_t g_marksSent = 0;
std::uint32_t g_marksBack = 0;

// Takes every mark on its way back from the X server and keeps it from Qt;
// its own is back once as many marks are back as had been sent with it (a
// capture made while another waits, from an event handled meanwhile, may take
// the other's mark: the count tells the other it is back all the same).
class MarkWatch : public QAbstractNativeEventFilter {
public:
    MarkWatch(xcb_atom_t type, std::uint32_t number) : m_type(type), m_number(number) {}
    bool Back() const { return g_marksBack >= m_number; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
        const auto* mark = static_cast<const xcb_client_message_event_t*>(message);
        if (mark->type != m_type || mark->format != 32) return false;
        g_marksBack = std::max(g_marksBack, mark->data.data32[0]);
        return true;
    }

private:
    xcb_atom_t m_type;
    std::uint32_t m_number;
};

// Handles every event the X server has sent up to now. The server sends its
// events in the order it makes them, so a mark sent through it to one of this
// program's windows comes back after all of them: an Expose of a window just
// made viewable or just uncovered, a ConfigureNotify of a window the window
// manager placed. A round trip alone does not make sure of it: Qt reads the
// server's events on a thread of its own, and the reply can be in before that
// thread has handed on the events that came ahead of it. FALSE when the mark
// did not come back within `longestMs`.
bool CatchUpWithServer(xcb_connection_t* c, xcb_window_t to, int longestMs) {
    const xcb_atom_t type = MarkType(c);
    if (type == XCB_ATOM_NONE) return false;
    const std::uint32_t number = ++g_marksSent;
    MarkWatch watch(type, number);
    qGuiApp->installNativeEventFilter(&watch);
    // (An X event is 32 bytes, whatever its kind.)
    xcb_client_message_event_t mark{};
    mark.response_type = XCB_CLIENT_MESSAGE;
    mark.format = 32;
    mark.window = to;
    mark.type = type;
    mark.data.data32[0] = number;
    // No event mask: the server hands it to the client that made the window.
    xcb_send_event(c, 0, to, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&mark));
    xcb_flush(c);
    QElapsedTimer clock;
    clock.start();
    while (!watch.Back() && clock.elapsed() < longestMs) {
        // Qt hands the window system's events on (an Expose: the window
        // paints and shows it) in the same pass that reads the mark.
        QCoreApplication::processEvents();
        if (!watch.Back()) ::usleep(1000);
    }
    qGuiApp->removeNativeEventFilter(&watch);
    return watch.Back();
}

#endif

// The screen shows each window as its last drawing reached the windowing
// system. A window just shown, or the part of one just uncovered (a tip that
// went away), is drawn only once the windowing system has said so and the
// window has painted: until then the screen holds an empty or stale strip
// there. Under a window manager a window just shown is not on the screen
// until the manager has framed it and mapped it, whatever Qt makes of it: Qt
// may take the window for exposed as soon as the window itself is mapped,
// its frame still unmapped. So on X the capture asks the server itself,
// until each window of this program that is to be seen is viewable (for at
// most kLongestWaitMs), then handles everything the server has said up to
// then (the Expose that came as each one became viewable among it) and has
// the windows paint what they owe, and what they painted reaches the server
// before the screen is read back.
void BringScreenUpToDate() {
    QElapsedTimer clock;
    clock.start();
#ifdef REROVORA_HAVE_XCB
    if (xcb_connection_t* c = XConnection()) {
        std::vector<QWindow*> windows;
        for (;;) {
            PaintWhatIsOwed();
            windows = WindowsToBeSeen();
            if (AllViewable(c, windows) || clock.elapsed() >= kLongestWaitMs) break;
            ::usleep(5000);
        }
        if (!windows.empty()) CatchUpWithServer(c, xcb_window_t(windows.front()->winId()), kLongestCatchUpMs);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        QGuiApplication::sync();
        return;
    }
#endif
    // Elsewhere Qt's word that a window is exposed is all there is to go by.
    for (;;) {
        PaintWhatIsOwed();
        bool unshown = false;
        for (QWindow* w : WindowsToBeSeen()) unshown = unshown || !w->isExposed();
        if (!unshown || clock.elapsed() >= kLongestWaitMs) break;
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
    } catch (const CFileException& e) {
        // Nothing is shown to the operator; the log says where and why.
        std::fprintf(stderr, "screenshot not saved: %s\n", e.what());
        std::fflush(stderr);
        return false;
    }
    return true;
}

}  // namespace platform
