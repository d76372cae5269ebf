#include "tests/display/window_manager_timing.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>

#include <algorithm>

#include "tests/support/child_process.h"

namespace {

using Clock = std::chrono::steady_clock;

Display* Dpy(void* d) { return static_cast<Display*>(d); }

int MsLeft(Clock::time_point end) {
    return int(std::max<long long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count()));
}

// The child of the root that holds `w` (its frame under a window manager), or
// 0 when `w` is gone.
Window TopLevelOf(Display* d, Window w) {
    for (;;) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(d, w, &root, &parent, &children, &n)) return 0;
        if (children) XFree(children);
        if (parent == root) return w;
        w = parent;
    }
}

bool Viewable(Display* d, Window w) {
    XWindowAttributes a{};
    return XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
}

// Tells `client` where it is on the screen, as a window manager does once it
// has put the window in a frame (the window's own position is then the one
// inside the frame).
void TellPlace(Display* d, Window client, int x, int y, int width, int height) {
    XEvent e{};
    e.xconfigure.type = ConfigureNotify;
    e.xconfigure.event = client;
    e.xconfigure.window = client;
    e.xconfigure.x = x;
    e.xconfigure.y = y;
    e.xconfigure.width = width;
    e.xconfigure.height = height;
    e.xconfigure.above = 0;
    e.xconfigure.override_redirect = False;
    XSendEvent(d, client, False, StructureNotifyMask, &e);
}

}  // namespace

bool AwaitWindowManager(const XDisplay& x, int timeoutMs) {
    if (!x.HasWindowManager()) return true;
    Display* d = XOpenDisplay(x.Name().c_str());
    if (!d) return false;
    const Window root = DefaultRootWindow(d);
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<Window> asked;
    std::vector<Window> frames;
    auto shown = [&] {
        for (Window w : asked) {
            const Window top = TopLevelOf(d, w);
            if (top && top != w && Viewable(d, w)) frames.push_back(top);
        }
        return !frames.empty();
    };
    while (!shown() && Clock::now() < end) {
        // Small, in the bottom right corner: out of the way of what tests look at.
        constexpr int kSide = 8;
        XSizeHints place{};
        place.flags = USPosition | USSize;
        place.x = x.Size().width() - kSide;
        place.y = x.Size().height() - kSide;
        place.width = place.height = kSide;
        const Window w = XCreateSimpleWindow(d, root, place.x, place.y, kSide, kSide, 0, 0, 0);
        XSetWMNormalHints(d, w, &place);
        XMapWindow(d, w);
        XSync(d, False);
        asked.push_back(w);
        WaitFor(shown, std::min(100, MsLeft(end)));
    }
    const bool answered = !frames.empty();
    for (Window w : asked) XDestroyWindow(d, w);
    XSync(d, False);
    // The manager lets the windows go and takes their frames away.
    const bool gone = WaitFor(
        [&] {
            for (Window f : frames)
                if (Viewable(d, f)) return false;
            return true;
        },
        std::max(1000, MsLeft(end)));
    XCloseDisplay(d);
    return answered && gone;
}

LateFramingWindowManager::LateFramingWindowManager(const XDisplay& x, int lateMs) : m_late(lateMs) {
    if (x.HasWindowManager()) {
        m_failure = "the display has a window manager already";
        return;
    }
    Display* d = XOpenDisplay(x.Name().c_str());
    if (!d) {
        m_failure = "cannot open " + x.Name();
        return;
    }
    m_display = d;
    const Window root = DefaultRootWindow(d);
    XSelectInput(d, root, SubstructureRedirectMask | SubstructureNotifyMask);
    XSync(d, False);
    // Only one client at a time may redirect the root's children.
    XWindowAttributes a{};
    if (!XGetWindowAttributes(d, root, &a) || !(a.your_event_mask & SubstructureRedirectMask))
        m_failure = "another client manages the windows";
}

LateFramingWindowManager::~LateFramingWindowManager() {
    // Its frames go with the connection; the windows in them return to the root.
    if (m_display) XCloseDisplay(Dpy(m_display));
}

void LateFramingWindowManager::ServeUntil(const std::function<bool()>& done, int timeoutMs) {
    Display* d = Dpy(m_display);
    if (!d) return;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done() && Clock::now() < end) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            Handle(&e);
        }
        const Clock::time_point now = Clock::now();
        for (auto due = m_due.begin(); due != m_due.end();) {
            if (due->at > now) {
                ++due;
                continue;
            }
            XMapWindow(d, due->frame);
            due = m_due.erase(due);
        }
        XFlush(d);
        pollfd ready{ConnectionNumber(d), POLLIN, 0};
        ::poll(&ready, 1, 2);
    }
}

void LateFramingWindowManager::Frame(unsigned long client) {
    Display* d = Dpy(m_display);
    XWindowAttributes a{};
    if (!XGetWindowAttributes(d, client, &a)) return;
    const Window frame = XCreateSimpleWindow(d, DefaultRootWindow(d), a.x, a.y, unsigned(a.width),
                                             unsigned(a.height), 0, 0, 0);
    XSelectInput(d, frame, SubstructureRedirectMask | SubstructureNotifyMask);
    XAddToSaveSet(d, client);
    XReparentWindow(d, client, frame, 0, 0);
    XMapWindow(d, client);
    TellPlace(d, client, a.x, a.y, a.width, a.height);
    m_frameOf[client] = frame;
    m_due.push_back({frame, Clock::now() + m_late});
    ++m_framed;
}

void LateFramingWindowManager::Handle(void* event) {
    Display* d = Dpy(m_display);
    const XEvent& e = *static_cast<XEvent*>(event);
    switch (e.type) {
    case MapRequest: {
        const auto framed = m_frameOf.find(e.xmaprequest.window);
        if (framed == m_frameOf.end()) {
            Frame(e.xmaprequest.window);
        } else {  // shown again: at once
            XMapWindow(d, framed->first);
            XMapWindow(d, framed->second);
        }
        break;
    }
    case ConfigureRequest: {
        const XConfigureRequestEvent& r = e.xconfigurerequest;
        XWindowChanges changes{};
        changes.x = r.x;
        changes.y = r.y;
        changes.width = r.width;
        changes.height = r.height;
        changes.border_width = r.border_width;
        changes.sibling = r.above;
        changes.stack_mode = r.detail;
        const auto framed = m_frameOf.find(r.window);
        if (framed == m_frameOf.end()) {
            XConfigureWindow(d, r.window, unsigned(r.value_mask), &changes);
            break;
        }
        // The frame takes the place and the size; the window keeps its place in it.
        XConfigureWindow(d, framed->second, unsigned(r.value_mask & (CWX | CWY | CWWidth | CWHeight)), &changes);
        XConfigureWindow(d, r.window, unsigned(r.value_mask & (CWWidth | CWHeight)), &changes);
        XWindowAttributes a{};
        if (XGetWindowAttributes(d, framed->second, &a)) TellPlace(d, r.window, a.x, a.y, a.width, a.height);
        break;
    }
    case UnmapNotify: {
        const auto framed = m_frameOf.find(e.xunmap.window);
        if (framed != m_frameOf.end() && e.xunmap.event == framed->second) XUnmapWindow(d, framed->second);
        break;
    }
    case DestroyNotify: {
        const auto framed = m_frameOf.find(e.xdestroywindow.window);
        if (framed == m_frameOf.end()) break;
        const Window frame = framed->second;
        std::erase_if(m_due, [&](const Due& due) { return due.frame == frame; });
        XDestroyWindow(d, frame);
        m_frameOf.erase(framed);
        break;
    }
    default:
        break;
    }
}
