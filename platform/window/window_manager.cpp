// The desktop's window manager, and the owner of a window that was given none.
#include <QApplication>
#include <QGuiApplication>
#include <QWidget>

#ifdef REROVORA_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
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
    // A window manager that follows the desktop conventions names a check
    // window on the root window, and the check window names itself.
    static xcb_connection_t* asked = nullptr;
    static xcb_atom_t check = XCB_ATOM_NONE;
    if (asked != c) {  // the atom is the X server's for the connection's life
        asked = c;
        check = Atom(c, "_NET_SUPPORTING_WM_CHECK");
    }
    if (check == XCB_ATOM_NONE) return false;
    const xcb_window_t named = WindowProperty(c, screen->root, check);
    return named != XCB_WINDOW_NONE && WindowProperty(c, named, check) == named;
#else
    return true;
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
