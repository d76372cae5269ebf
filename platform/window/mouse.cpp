#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "platform/window/wnd.h"
#include "platform/window/wnd_impl.h"

// ---------------------------------------------------------------------------
// Capture and the pointer

BOOL ReleaseCapture() {
    QWidget* grabber = QWidget::mouseGrabber();
    if (!grabber) return TRUE;
    grabber->releaseMouse();
    if (WindowImpl* impl = WindowImpl::FromWidget(grabber))
        WindowImpl::Dispatch(impl->handle, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

namespace {

// Whether the modal window up now keeps `top` (a top-level widget) from input,
// as Windows disables the windows a modal dialog stands over: every window
// but the modal one, the windows inside it and those shown as its own.
bool KeptFromInputByModal(const QWidget* top) {
    const QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !top) return false;
    for (const QWidget* w = top; w; w = w->parentWidget())
        if (w == modal) return false;
    const QWindow* modalWindow = modal->windowHandle();
    for (const QWindow* w = top->windowHandle(); w && modalWindow; w = w->transientParent())
        if (w == modalWindow) return false;
    return true;
}

}  // namespace

HWND platform::detail::MouseButtonTarget(HWND h, QPoint global) {
    DeliverPostedInput();
    WindowImpl* self = WindowImpl::FromHandle(h);
    // Qt picks the window at the start of its delivery; a window that took the
    // capture meanwhile (in a message handled just above) takes the button.
    if (WindowImpl* capture = WindowImpl::FromWidget(QWidget::mouseGrabber());
        capture && capture != self && dynamic_cast<WndWidget*>(capture->widget.data()))
        return capture->handle;
    if (self && self->widget && self->widget->isVisible()) return h;
    // Hidden since the press (a tip that passed the press on): the release
    // goes where the pointer is, as it does without a capture.
    return ::WindowFromPoint(POINT{global.x(), global.y()});
}

bool platform::detail::ButtonMessageToStandardControl(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message < WM_LBUTTONDOWN || message > WM_MBUTTONDBLCLK) return false;
    WindowImpl* impl = WindowImpl::FromHandle(h);
    if (!impl || !impl->native || !impl->widget || !impl->widget->isVisible()) return false;
    QWidget* control = impl->widget;
    const int kind = int(message - WM_LBUTTONDOWN) % 3;  // press, release, double click
    const int which = int(message - WM_LBUTTONDOWN) / 3;
    const Qt::MouseButton button = which == 0 ? Qt::LeftButton : which == 1 ? Qt::RightButton : Qt::MiddleButton;
    Qt::MouseButtons held;
    if (wParam & MK_LBUTTON) held |= Qt::LeftButton;
    if (wParam & MK_RBUTTON) held |= Qt::RightButton;
    if (wParam & MK_MBUTTON) held |= Qt::MiddleButton;
    if (kind == 1) held &= ~Qt::MouseButtons(button);
    else held |= button;
    Qt::KeyboardModifiers mods;
    if (wParam & MK_SHIFT) mods |= Qt::ShiftModifier;
    if (wParam & MK_CONTROL) mods |= Qt::ControlModifier;

    // The part of the control under the point takes it (a field inside a
    // composite control), as it takes a press of the pointer.
    const QPoint atControl = QPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)) + impl->ClientOrigin();
    QWidget* target = control->childAt(atControl);
    if (!target) target = control;
    const QPoint local = target->mapFrom(control, atControl);
    const QPoint global = WidgetScreenPos(target) + local;
    const QPointer<QWidget> alive(target);
    if (kind != 1) {
        // A press puts the keyboard focus where a click of the pointer puts it.
        for (QWidget* w = target; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
            if (!w->isEnabled() || !(w->focusPolicy() & Qt::ClickFocus)) continue;
            if (!w->hasFocus()) {
                QWidget* top = w->window();
                if (top && !top->isActiveWindow()) {
                    top->activateWindow();
                    QApplication::setActiveWindow(top);
                }
                w->setFocus(Qt::MouseFocusReason);
            }
            break;
        }
        if (!alive) return true;
    }
    const QEvent::Type type = kind == 0   ? QEvent::MouseButtonPress
                              : kind == 1 ? QEvent::MouseButtonRelease
                                          : QEvent::MouseButtonDblClick;
    QMouseEvent e(type, QPointF(local), QPointF(global), button, held, mods);
    QApplication::sendEvent(target, &e);
    return true;
}

HWND WindowFromPoint(POINT point) {
    QWidget* w = QApplication::widgetAt(QPoint(point.x, point.y));
    if (!w || KeptFromInputByModal(w->window())) return nullptr;
    // A disabled window is passed over for the enabled window it lies in;
    // within a disabled top-level window no window is found.
    for (QObject* o = w; o; o = o->parent()) {
        WindowImpl* impl = WindowImpl::FromWidget(o);
        if (!impl) continue;
        if (impl->widget && impl->widget->isEnabled()) return impl->handle;
        if (impl->topLevel) return nullptr;
    }
    return nullptr;
}

CWnd* CWnd::WindowFromPoint(POINT point) { return FromHandle(::WindowFromPoint(point)); }

DWORD GetMessagePos() {
    QPoint p;
    if (!platform::detail::LastMessagePos(&p)) p = QCursor::pos();
    return DWORD(WORD(p.x())) | (DWORD(WORD(p.y())) << 16);
}

UINT GetDoubleClickTime() {
    if (!qGuiApp) return 500;
    const int ms = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    return ms > 0 ? UINT(ms) : 500u;
}

namespace {
bool g_cursorClipped = false;
QRect g_cursorClip;
}  // namespace

BOOL ClipCursor(LPCRECT rect) {
    g_cursorClipped = rect && rect->right > rect->left && rect->bottom > rect->top;
    if (g_cursorClipped) g_cursorClip = QRect(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1));
    return TRUE;
}

BOOL GetClipCursor(LPRECT rect) {
    if (!rect || !g_cursorClipped) return FALSE;
    *rect = RECT{g_cursorClip.left(), g_cursorClip.top(), g_cursorClip.right() + 1, g_cursorClip.bottom() + 1};
    return TRUE;
}

QPoint platform::detail::ClampToCursorClip(QPoint global) {
    if (!g_cursorClipped) return global;
    return QPoint(std::clamp(global.x(), g_cursorClip.left(), g_cursorClip.right()),
                  std::clamp(global.y(), g_cursorClip.top(), g_cursorClip.bottom()));
}

BOOL GetCursorPos(POINT* point) {
    if (!point) return FALSE;
    const QPoint p = platform::detail::ClampToCursorClip(QCursor::pos());
    *point = POINT{p.x(), p.y()};
    return TRUE;
}

// ---------------------------------------------------------------------------
// Cursors and mouse tracking

HCURSOR LoadCursorW(void*, LPCWSTR id) { return id; }

namespace {
HCURSOR g_currentCursor = IDC_ARROW;
int g_waitCursors = 0;
}  // namespace

HCURSOR GetCursor() { return g_currentCursor; }

CWaitCursor::CWaitCursor() {
    if (g_waitCursors++ == 0 && qApp) QApplication::setOverrideCursor(Qt::WaitCursor);
}

CWaitCursor::~CWaitCursor() {
    if (--g_waitCursors == 0 && qApp) QApplication::restoreOverrideCursor();
}

BOOL IsWaitCursorShown() { return g_waitCursors > 0; }

HCURSOR SetCursor(HCURSOR cursor) {
    const HCURSOR previous = g_currentCursor;
    g_currentCursor = cursor;
    QWidget* w = QWidget::mouseGrabber();
    if (!w) w = QApplication::widgetAt(QCursor::pos());
    WindowImpl* impl = WindowImpl::FromWidget(w);
    if (!impl || !impl->widget) return previous;
    Qt::CursorShape shape = Qt::ArrowCursor;
    const auto id = reinterpret_cast<std::uintptr_t>(cursor);
    switch (id) {
    case 32513: shape = Qt::IBeamCursor; break;
    case 32514: shape = Qt::WaitCursor; break;
    case 32515: shape = Qt::CrossCursor; break;
    case 32644: shape = Qt::SizeHorCursor; break;
    case 32645: shape = Qt::SizeVerCursor; break;
    case 32646: shape = Qt::SizeAllCursor; break;
    case 32648: shape = Qt::ForbiddenCursor; break;
    case 32649: shape = Qt::PointingHandCursor; break;
    default: shape = Qt::ArrowCursor; break;
    }
    if (!cursor) shape = Qt::BlankCursor;
    impl->widget->setCursor(shape);
    impl->cursorSetInMessage = true;
    return previous;
}

BOOL _TrackMouseEvent(TRACKMOUSEEVENT* request) {
    if (!request) return FALSE;
    WindowImpl* impl = WindowImpl::FromHandle(request->hwndTrack);
    if (!impl || !impl->widget) return FALSE;
    if (request->dwFlags & TME_CANCEL) {
        if (request->dwFlags & TME_LEAVE) impl->trackLeave = false;
        if (request->dwFlags & TME_HOVER) {
            impl->trackHover = false;
            if (impl->hoverTimer) impl->hoverTimer->stop();
        }
        return TRUE;
    }
    if (request->dwFlags & TME_LEAVE) {
        // Where the pointer is decides, not Qt's word on what is under it: a
        // modal loop in between (a message box come and gone) can leave that
        // word stale, and a window under the pointer would hear of its leave
        // at once and never again.
        const QWidget* under = QApplication::widgetAt(QCursor::pos());
        const bool over = under && (under == impl->widget || impl->widget->isAncestorOf(under));
        if (!over && QWidget::mouseGrabber() != impl->widget) {
            // Already outside: the leave is reported at once, as the system does.
            PostMessageW(impl->handle, WM_MOUSELEAVE, 0, 0);
        } else {
            impl->trackLeave = true;
        }
    }
    if (request->dwFlags & TME_HOVER) {
        impl->trackHover = true;
        if (!impl->hoverTimer) {
            impl->hoverTimer = new QTimer(impl->target);
            impl->hoverTimer->setSingleShot(true);
            impl->hoverTimer->setTimerType(Qt::PreciseTimer);
            const HWND h = impl->handle;
            QObject::connect(impl->hoverTimer, &QTimer::timeout, impl->hoverTimer, [h] {
                WindowImpl* self = WindowImpl::FromHandle(h);
                if (!self || !self->trackHover || !self->widget) return;
                self->trackHover = false;
                const QPoint p = QCursor::pos() - WidgetScreenPos(self->widget) - self->ClientOrigin();
                WindowImpl::Dispatch(h, WM_MOUSEHOVER, 0, MAKELPARAM(p.x(), p.y()));
            });
        }
        const DWORD ms = request->dwHoverTime == HOVER_DEFAULT ? 400 : request->dwHoverTime;
        impl->hoverTimer->start(int(std::max<DWORD>(ms, 1)));
    }
    return TRUE;
}
