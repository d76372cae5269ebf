#include "platform/window/placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "platform/window/wnd.h"
#include "platform/window/wnd_impl.h"

namespace platform {

RECT KeptInside(const RECT& window, const RECT& area) {
    const LONG width = window.right - window.left, height = window.bottom - window.top;
    // Past the far edge first, then the near edge wins.
    const LONG left = std::max(area.left, std::min(window.left, area.right - width));
    const LONG top = std::max(area.top, std::min(window.top, area.bottom - height));
    return RECT{left, top, left + width, top + height};
}

}  // namespace platform

namespace platform::detail {

namespace {

QMargins Larger(const QMargins& a, const QMargins& b) {
    return QMargins(std::max(a.left(), b.left()), std::max(a.top(), b.top()), std::max(a.right(), b.right()),
                    std::max(a.bottom(), b.bottom()));
}

}  // namespace

QMargins BoxFrame() {
    RECT r{};
    AdjustWindowRectEx(&r, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, FALSE, 0);
    return QMargins(-r.left, -r.top, r.right, r.bottom);
}

QRect WorkAreaFor(const QRect& over) {
    // The screen that holds the most of it; the primary screen when none does.
    const QScreen* best = nullptr;
    long most = 0;
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect common = s->geometry() & over;
        const long area = common.isEmpty() ? 0 : long(common.width()) * common.height();
        if (area > most) {
            most = area;
            best = s;
        }
    }
    if (!best) best = QGuiApplication::primaryScreen();
    return best ? best->availableGeometry() : QRect();
}

QMargins ManagerFrame(const QWidget* top, const QWidget* owner) {
    // A window manager's frame is known once it framed the window; before the
    // window first shows, the frame it gave the owner stands for it (one
    // theme draws both).
    if (!WindowManagerRuns()) return QMargins();
    const QWindow* own = top ? top->windowHandle() : nullptr;
    if (own && top->isVisible()) {
        const QMargins m = own->frameMargins();
        if (!m.isNull()) return m;
    }
    const QWindow* ownerWindow = owner ? owner->window()->windowHandle() : nullptr;
    return ownerWindow ? ownerWindow->frameMargins() : QMargins();
}

void PlaceTopLevel(QWidget* top, const QWidget* owner, const QMargins& frame, bool centre) {
    if (!top || !top->isWindow()) return;
    const QMargins outer = Larger(frame, ManagerFrame(top, owner));
    QRect window = top->geometry().marginsAdded(outer);
    const QWidget* ownerTop = owner ? owner->window() : nullptr;
    QRect ownerWindow;
    if (ownerTop && ownerTop->isVisible()) {
        ownerWindow = ownerTop->geometry();
        if (ownerTop->windowHandle()) ownerWindow = ownerWindow.marginsAdded(ownerTop->windowHandle()->frameMargins());
    }
    const QRect area = WorkAreaFor(ownerWindow.isNull() ? window : ownerWindow);
    if (area.isEmpty()) return;
    // Without an owner in sight, a centred window goes to the middle of the screen.
    if (centre) window.moveCenter(ownerWindow.isNull() ? area.center() : ownerWindow.center());
    const RECT kept = KeptInside(RECT{window.left(), window.top(), window.right() + 1, window.bottom() + 1},
                                 RECT{area.left(), area.top(), area.right() + 1, area.bottom() + 1});
    const QPoint client(kept.left + outer.left(), kept.top + outer.top());
    const QRect placed(client, top->geometry().size());
    if (placed != top->geometry()) top->setGeometry(placed);
    // The place is the client area's, whatever Qt made of the window's
    // position before (a window made anew for new flags takes its old
    // position as its frame's, and a window manager would put the frame there).
    // (A platform window takes its place as its client area's only from a
    // request that changes it.)
    if (QWindow* handle = top->windowHandle(); handle && !top->isVisible()) {
        handle->setGeometry(placed.translated(1, 0));
        handle->setGeometry(placed);
    }
}

}  // namespace platform::detail
