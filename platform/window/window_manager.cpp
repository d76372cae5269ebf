// The desktop's window manager, and the owner of a window that was given none.
#include <QApplication>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#ifdef REROVORA_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <string>
#endif

#include "platform/window/wnd.h"
#include "platform/window/wnd_impl.h"

namespace {

#ifdef REROVORA_HAVE_XCB
xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return atom;
}

// The window named by a WINDOW property, or none.
xcb_window_t WindowProperty(xcb_connection_t* c, xcb_window_t on, xcb_atom_t property) {
    xcb_get_property_reply_t* r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, on, property, XCB_ATOM_WINDOW, 0, 1), nullptr);
    xcb_window_t w = XCB_WINDOW_NONE;
    if (r && r->type == XCB_ATOM_WINDOW && r->format == 32 && xcb_get_property_value_length(r) >= 4)
        std::memcpy(&w, xcb_get_property_value(r), 4);
    std::free(r);
    return w;
}

// The check window that a window manager following the desktop conventions
// names on the root window, when the check window names itself too; else none.
xcb_window_t CheckWindow(xcb_connection_t* c, const xcb_screen_t* screen) {
    static xcb_connection_t* asked = nullptr;
    static xcb_atom_t check = XCB_ATOM_NONE;
    if (asked != c) {  // the atom is the X server's for the connection's life
        asked = c;
        check = Atom(c, "_NET_SUPPORTING_WM_CHECK");
    }
    if (check == XCB_ATOM_NONE) return XCB_WINDOW_NONE;
    const xcb_window_t named = WindowProperty(c, screen->root, check);
    return named != XCB_WINDOW_NONE && WindowProperty(c, named, check) == named ? named : xcb_window_t(XCB_WINDOW_NONE);
}

// The name the running window manager gives itself on its check window, or "".
std::string WindowManagerName(xcb_connection_t* c) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen) return {};
    const xcb_window_t named = CheckWindow(c, screen);
    if (named == XCB_WINDOW_NONE) return {};
    xcb_get_property_reply_t* r = xcb_get_property_reply(
        c, xcb_get_property(c, 0, named, Atom(c, "_NET_WM_NAME"), Atom(c, "UTF8_STRING"), 0, 64), nullptr);
    std::string name;
    if (r && r->format == 8)
        name.assign(static_cast<const char*>(xcb_get_property_value(r)), std::size_t(xcb_get_property_value_length(r)));
    std::free(r);
    return name;
}
#endif

}  // namespace

namespace platform::detail {

bool WindowManagerRuns() {
#ifdef REROVORA_HAVE_XCB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return true;
    xcb_connection_t* c = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen) return true;
    return CheckWindow(c, screen) != XCB_WINDOW_NONE;
#else
    return true;
#endif
}

void MarkAsBox(QWidget* top) {
    if (!top || !top->isWindow()) return;
    const Qt::WindowFlags before = top->windowFlags();
    Qt::WindowFlags flags = before & ~(Qt::WindowMinMaxButtonsHint | Qt::WindowFullscreenButtonHint);
    // Without the customize hint Qt asks for every button.
    if (!(flags & Qt::CustomizeWindowHint))
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if ((flags & Qt::WindowType_Mask) == Qt::Window) flags = (flags & ~Qt::WindowType_Mask) | Qt::Dialog;
    if (flags != before) {
        // New flags make a new platform window, which must stay over the same owner.
        QWindow* handle = top->windowHandle();
        QWindow* owner = handle ? handle->transientParent() : nullptr;
        top->setWindowFlags(flags);
        QWindow* made = PlatformWindow(top);
        if (owner && made) made->setTransientParent(owner);
    }
#ifdef REROVORA_HAVE_XCB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* c = x11->connection();
    // Window managers take a dialog without the Motif functions Qt leaves out
    // as one that cannot be minimized or maximized; openbox alone ignores those
    // functions and offers both buttons on a dialog, and neither on a window
    // torn off another (a toolbar). Qt writes the type when it makes the
    // window; this one is written after it, before the window is first mapped,
    // when the window manager reads it.
    if (WindowManagerName(c) != "Openbox") return;
    QWindow* made = PlatformWindow(top);
    if (!made) return;
    const auto window = xcb_window_t(made->winId());
    const xcb_atom_t types[] = {Atom(c, "_NET_WM_WINDOW_TYPE_TOOLBAR"), Atom(c, "_NET_WM_WINDOW_TYPE_DIALOG")};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, Atom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 2,
                        types);
    xcb_flush(c);
#endif
}

void KeepCaptionEmpty(QWidget* top) {
    if (!top || !top->isWindow() || !top->windowTitle().isEmpty() || !top->testAttribute(Qt::WA_WState_Created))
        return;
#ifdef REROVORA_HAVE_XCB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* c = x11->connection();
    // Qt names a window without a title after the application: the window's
    // own names are written empty after it, so the window manager shows no
    // name, as the system the program comes from shows an empty caption.
    QWindow* made = PlatformWindow(top);
    if (!made) return;
    const auto window = xcb_window_t(made->winId());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, Atom(c, "_NET_WM_NAME"), Atom(c, "UTF8_STRING"), 8, 0,
                        nullptr);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, nullptr);
    xcb_flush(c);
#endif
}

HWND DefaultOwner() {
    for (QWidget* w : {QApplication::activeModalWidget(), QApplication::activeWindow()}) {
        if (WindowImpl* impl = WindowImpl::FromWidget(w); impl && impl->topLevel && !impl->destroying)
            return impl->handle;
    }
    // Without a window manager nothing may be active: the newest visible window
    // with a caption (handles grow with every window made).
    HWND newest = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        WindowImpl* impl = WindowImpl::FromWidget(w);
        if (!impl || !impl->topLevel || impl->destroying || !w->isVisible()) continue;
        if ((impl->style & WS_CAPTION) != WS_CAPTION) continue;
        if (!newest || reinterpret_cast<std::uintptr_t>(impl->handle) > reinterpret_cast<std::uintptr_t>(newest))
            newest = impl->handle;
    }
    return newest;
}

}  // namespace platform::detail
