#include "tests/display/x_display.h"

#include "tests/display/window_manager_timing.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <unistd.h>

namespace {

Display* Dpy(void* d) { return static_cast<Display*>(d); }

// Windows come and go while the test looks at them: a request about one that
// just went away fails, and the test looks again.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

bool SocketExists(int n) { return std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n)); }

// The process that holds display `n`'s lock file (the server on it), or 0.
long LockHolder(int n) {
    std::ifstream lock("/tmp/.X" + std::to_string(n) + "-lock");
    long pid = 0;
    lock >> pid;
    return pid;
}

std::string TextProperty(Display* d, Window w, const char* name) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 1024, False, AnyPropertyType, &type, &format,
                           &count, &after, &data) == Success && data && format == 8)
        text.assign(reinterpret_cast<char*>(data), count);
    if (data) XFree(data);
    return text;
}

// The client windows below `w` that carry the client's class (reparented into
// frames under a window manager, children of the root without one).
void FindClients(Display* d, Window w, std::vector<Window>& out) {
    Window root, parent, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &n)) return;
    for (unsigned int i = 0; i < n; ++i) {
        XClassHint hint{};
        if (XGetClassHint(d, children[i], &hint)) {
            const bool ours = hint.res_class && std::strcmp(hint.res_class, "Openbox") != 0;
            if (hint.res_name) XFree(hint.res_name);
            if (hint.res_class) XFree(hint.res_class);
            if (ours) {
                out.push_back(children[i]);
                continue;
            }
        }
        FindClients(d, children[i], out);
    }
    if (children) XFree(children);
}

void SendRootMessage(Display* d, Window w, const char* type, long a, long b, long c, long e, long f) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = XInternAtom(d, type, False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = a;
    ev.xclient.data.l[1] = b;
    ev.xclient.data.l[2] = c;
    ev.xclient.data.l[3] = e;
    ev.xclient.data.l[4] = f;
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XFlush(d);
}

bool WindowManagerUp(Display* d) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    const bool up = XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False),
                                       0, 1, False, XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
                    count == 1;
    if (data) XFree(data);
    return up;
}

}  // namespace

XDisplay::XDisplay(int width, int height, bool windowManager) : m_width(width), m_height(height) {
    if (::access("/usr/bin/Xvfb", X_OK) != 0) {
        m_failure = "Xvfb is not installed";
        return;
    }
    // A free display number: no socket, and a server that stays up on it.
    for (int n = 100 + int(::getpid() % 400), tries = 0; tries < 40 && m_number < 0; ++n, ++tries) {
        if (SocketExists(n) || std::filesystem::exists("/tmp/.X" + std::to_string(n) + "-lock")) continue;
        m_server = std::make_unique<ChildProcess>(
            "/usr/bin/Xvfb",
            std::vector<std::string>{":" + std::to_string(n), "-screen", "0",
                                     std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten",
                                     "tcp", "-noreset"},
            m_dir.path());
        // Tests started at the same moment may pick the same number: the
        // display is ours only when our server holds its lock (the other
        // server's socket would otherwise pass for ours).
        const auto ours = [&] { return LockHolder(n) == m_server->pid(); };
        if (WaitFor([&] { return (SocketExists(n) && ours()) || !m_server->Running(); }, 10000) &&
            m_server->Running() && ours())
            m_number = n;
        else
            m_server.reset();
    }
    if (m_number < 0) {
        m_failure = "no X server could be started";
        return;
    }
    Display* d = nullptr;
    WaitFor([&] { return (d = XOpenDisplay(Name().c_str())) != nullptr; }, 5000);
    if (!d) {
        m_failure = "cannot open " + Name();
        return;
    }
    m_display = d;
    XSetErrorHandler(IgnoreErrors);
    if (windowManager) {
        if (::access("/usr/bin/openbox", X_OK) != 0) {
            m_failure = "openbox is not installed";
            return;
        }
        const std::filesystem::path wmDir = m_dir.path() / "wm";
        std::filesystem::create_directories(wmDir);
        m_wm = std::make_unique<ChildProcess>(
            "/usr/bin/env", std::vector<std::string>{"DISPLAY=" + Name(), "/usr/bin/openbox", "--sm-disable"}, wmDir);
        if (!WaitFor([&] { return WindowManagerUp(d); }, 10000)) m_failure = "openbox did not come up";
        // Openbox claims the display before it answers every request: a window
        // shown in its last moments of starting could wait unanswered.
        else if (!AwaitWindowManager(*this)) m_failure = "openbox shows no window";
    }
}

XDisplay::~XDisplay() {
    if (m_display) XCloseDisplay(Dpy(m_display));
    m_wm.reset();
    m_server.reset();
}

QImage XDisplay::Shot() {
    Display* d = Dpy(m_display);
    XImage* x = XGetImage(d, DefaultRootWindow(d), 0, 0, unsigned(m_width), unsigned(m_height), AllPlanes, ZPixmap);
    if (!x) return QImage();
    QImage image(m_width, m_height, QImage::Format_RGB32);
    const bool direct = x->bits_per_pixel == 32 && x->byte_order == LSBFirst;
    for (int y = 0; y < m_height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        if (direct) std::memcpy(line, x->data + std::ptrdiff_t(y) * x->bytes_per_line, std::size_t(m_width) * 4);
        for (int xx = 0; xx < m_width; ++xx) line[xx] = (direct ? line[xx] : QRgb(XGetPixel(x, xx, y))) | 0xFF000000u;
    }
    XDestroyImage(x);
    return image;
}

std::vector<XDisplay::TopWindow> XDisplay::Windows() {
    Display* d = Dpy(m_display);
    std::vector<Window> clients;
    FindClients(d, DefaultRootWindow(d), clients);
    std::vector<TopWindow> out;
    for (Window w : clients) {
        XWindowAttributes a{};
        if (!XGetWindowAttributes(d, w, &a) || a.map_state != IsViewable || a.width < 20) continue;
        TopWindow t;
        t.id = w;
        t.title = TextProperty(d, w, "_NET_WM_NAME");
        int x = 0, y = 0;
        Window child;
        XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &x, &y, &child);
        t.client = QRect(x, y, a.width, a.height);
        t.legacyTitle = TextProperty(d, w, "WM_NAME");
        t.frame = t.client;
        {
            Atom type;
            int format;
            unsigned long count = 0, after;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_FRAME_EXTENTS", False), 0, 4, False, XA_CARDINAL, &type,
                                   &format, &count, &after, &data) == Success &&
                data && format == 32 && count == 4) {
                const auto* e = reinterpret_cast<const long*>(data);  // left, right, top, bottom
                t.frame = t.client.adjusted(-int(e[0]), -int(e[2]), int(e[1]), int(e[3]));
            }
            if (data) XFree(data);
        }
        XSizeHints hints{};
        long supplied = 0;
        if (XGetWMNormalHints(d, w, &hints, &supplied))
            t.fixedSize = (hints.flags & PMinSize) && (hints.flags & PMaxSize) &&
                          hints.min_width == hints.max_width && hints.min_height == hints.max_height;
        Window transient = 0;
        if (XGetTransientForHint(d, w, &transient)) t.transientFor = transient;
        out.push_back(t);
    }
    return out;
}

std::vector<std::string> XDisplay::AtomNames(unsigned long window, const char* property) {
    Display* d = Dpy(m_display);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::vector<std::string> names;
    if (XGetWindowProperty(d, window, XInternAtom(d, property, False), 0, 1024, False, XA_ATOM, &type, &format,
                           &count, &after, &data) == Success && data && format == 32) {
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count; ++i)
            if (char* name = XGetAtomName(d, atoms[i])) {
                names.emplace_back(name);
                XFree(name);
            }
    }
    if (data) XFree(data);
    return names;
}

unsigned long XDisplay::Focus() {
    Display* d = Dpy(m_display);
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(d, &focus, &revert);
    // The focus may sit on a window inside a client: the client that holds it.
    for (const TopWindow& w : Windows()) {
        for (Window at = focus; at && at != DefaultRootWindow(d);) {
            if (at == w.id) return w.id;
            Window root, parent, *children = nullptr;
            unsigned int n = 0;
            if (!XQueryTree(d, at, &root, &parent, &children, &n)) break;
            if (children) XFree(children);
            at = parent;
        }
    }
    return 0;
}

unsigned long XDisplay::ActiveWindow() {
    Display* d = Dpy(m_display);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    unsigned long active = 0;
    if (XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, "_NET_ACTIVE_WINDOW", False), 0, 1, False,
                           XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
        data && format == 32 && count == 1)
        active = *reinterpret_cast<const unsigned long*>(data);
    if (data) XFree(data);
    return active;
}

void XDisplay::MovePointer(int x, int y) {
    Display* d = Dpy(m_display);
    XTestFakeMotionEvent(d, -1, x, y, 0);
    XSync(d, False);
}

void XDisplay::Click(int x, int y, int button) {
    Display* d = Dpy(m_display);
    MovePointer(x, y);
    ::usleep(50000);
    XTestFakeButtonEvent(d, unsigned(button), True, 0);
    XTestFakeButtonEvent(d, unsigned(button), False, 30);
    XSync(d, False);
}

void XDisplay::MoveAndClick(int x, int y, int pressMs, int releaseMs) {
    Display* d = Dpy(m_display);
    XTestFakeMotionEvent(d, -1, x, y, 0);
    XTestFakeButtonEvent(d, 1, True, static_cast<unsigned long>(pressMs));
    XTestFakeButtonEvent(d, 1, False, static_cast<unsigned long>(releaseMs));
    XSync(d, False);
}

void XDisplay::ClickHere(int count, int gapMs) {
    Display* d = Dpy(m_display);
    for (int i = 0; i < count; ++i) {
        XTestFakeButtonEvent(d, 1, True, static_cast<unsigned long>(i ? gapMs : 0));
        XTestFakeButtonEvent(d, 1, False, 0);
    }
    XSync(d, False);
}

int XDisplay::ChildWindows(unsigned long window) {
    Display* d = Dpy(m_display);
    Window root, parent, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(d, window, &root, &parent, &children, &n)) return 0;
    int count = int(n);
    for (unsigned int i = 0; i < n; ++i) count += ChildWindows(children[i]);
    if (children) XFree(children);
    return count;
}

std::optional<QPoint> XDisplay::CloseButton(unsigned long window) {
    Display* d = Dpy(m_display);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::optional<QPoint> at;
    XWindowAttributes a{};
    if (XGetWindowProperty(d, window, XInternAtom(d, "_NET_FRAME_EXTENTS", False), 0, 4, False, XA_CARDINAL, &type,
                           &format, &count, &after, &data) == Success &&
        data && format == 32 && count == 4 && XGetWindowAttributes(d, window, &a)) {
        const auto* extents = reinterpret_cast<const long*>(data);  // left, right, top, bottom
        int x = 0, y = 0;
        Window child;
        XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &x, &y, &child);
        // The button is a square as high as the title bar's inside, at its right end.
        const int title = int(extents[2]);
        if (title > 4) at = QPoint(x + a.width + int(extents[1]) - title / 2 - 2, y - title / 2 - 1);
    }
    if (data) XFree(data);
    return at;
}

void XDisplay::Wheel(int x, int y, int notches) {
    MovePointer(x, y);
    for (int i = 0; i < std::abs(notches); ++i) Click(x, y, notches < 0 ? 5 : 4);
}

void XDisplay::Key(const char* keysym) {
    Display* d = Dpy(m_display);
    const KeyCode code = XKeysymToKeycode(d, XStringToKeysym(keysym));
    XTestFakeKeyEvent(d, code, True, 0);
    XTestFakeKeyEvent(d, code, False, 30);
    XSync(d, False);
}

void XDisplay::Drag(int x0, int y0, int x1, int y1) {
    Display* d = Dpy(m_display);
    MovePointer(x0, y0);
    ::usleep(50000);
    XTestFakeButtonEvent(d, 1, True, 0);
    XSync(d, False);
    ::usleep(50000);
    MovePointer(x1, y1);
    ::usleep(50000);
    XTestFakeButtonEvent(d, 1, False, 0);
    XSync(d, False);
}

void XDisplay::Type(const std::string& ascii) {
    Display* d = Dpy(m_display);
    const KeyCode shift = XKeysymToKeycode(d, XK_Shift_L);
    for (char c : ascii) {
        const char name[2] = {c, 0};
        const KeySym sym = c == '-' ? XK_minus : c == '.' ? XK_period : XStringToKeysym(name);
        const KeyCode code = XKeysymToKeycode(d, sym);
        const bool upper = c >= 'A' && c <= 'Z';
        if (upper) XTestFakeKeyEvent(d, shift, True, 0);
        XTestFakeKeyEvent(d, code, True, 0);
        XTestFakeKeyEvent(d, code, False, 10);
        if (upper) XTestFakeKeyEvent(d, shift, False, 0);
        XSync(d, False);
        ::usleep(20000);
    }
}

void XDisplay::SetMaximized(unsigned long window, bool maximized) {
    Display* d = Dpy(m_display);
    SendRootMessage(d, window, "_NET_WM_STATE", maximized ? 1 : 0,
                    long(XInternAtom(d, "_NET_WM_STATE_MAXIMIZED_VERT", False)),
                    long(XInternAtom(d, "_NET_WM_STATE_MAXIMIZED_HORZ", False)), 2, 0);
}

void XDisplay::MoveResize(unsigned long window, QRect client) {
    // Position, size, static gravity (the client's own corner), from a pager.
    SendRootMessage(Dpy(m_display), window, "_NET_MOVERESIZE_WINDOW", StaticGravity | (0xF << 8) | (2 << 12),
                    client.x(), client.y(), client.width(), client.height());
}

void XDisplay::Close(unsigned long window) {
    // What a window manager's close button sends the window.
    Display* d = Dpy(m_display);
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = window;
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, window, False, NoEventMask, &ev);
    XFlush(d);
}

void XDisplay::ConfigureClient(unsigned long window, QRect client) {
    Display* d = Dpy(m_display);
    XMoveResizeWindow(d, window, client.x(), client.y(), unsigned(client.width()), unsigned(client.height()));
    XSync(d, False);
}

void XDisplay::Drag(QPoint from, QPoint to, int steps) {
    Display* d = Dpy(m_display);
    MovePointer(from.x(), from.y());
    ::usleep(50000);
    XTestFakeButtonEvent(d, 1, True, 0);
    XSync(d, False);
    for (int i = 1; i <= steps; ++i) {
        ::usleep(30000);
        MovePointer(from.x() + (to.x() - from.x()) * i / steps, from.y() + (to.y() - from.y()) * i / steps);
    }
    ::usleep(50000);
    XTestFakeButtonEvent(d, 1, False, 0);
    XSync(d, False);
}

bool XDisplay::Required() {
    const char* v = std::getenv("REROVORA_REQUIRE_X");
    return v && *v && std::string(v) != "0";
}

void XDisplay::KeyWith(const char* modifier, const char* keysym) {
    Display* d = Dpy(m_display);
    const KeyCode held = XKeysymToKeycode(d, XStringToKeysym(modifier));
    const KeyCode code = XKeysymToKeycode(d, XStringToKeysym(keysym));
    XTestFakeKeyEvent(d, held, True, 0);
    XTestFakeKeyEvent(d, code, True, 10);
    XTestFakeKeyEvent(d, code, False, 10);
    XTestFakeKeyEvent(d, held, False, 10);
    XSync(d, False);
}
