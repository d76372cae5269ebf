// A real X server for a test: Xvfb on a free display number, with or without a
// small window manager (openbox), real input through the XTest extension and
// screenshots read back as pixels. Nothing of Xlib leaks out of this header.
#pragma once

#include <QImage>
#include <QRect>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

class XDisplay {
public:
    // One mapped top-level window of a client: its id, title (_NET_WM_NAME, and
    // the older WM_NAME), client rectangle on the screen, the rectangle of the
    // window manager's frame around it (_NET_FRAME_EXTENTS; the client's own
    // without one), and whether the window manager may resize it.
    struct TopWindow {
        unsigned long id = 0;
        std::string title, legacyTitle;
        QRect client, frame;
        bool fixedSize = false;
        unsigned long transientFor = 0;
        bool operator==(const TopWindow& o) const { return id == o.id; }
    };

    XDisplay(int width, int height, bool windowManager);
    ~XDisplay();
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    // Whether a test must fail, not skip, when its X server does not start
    // (REROVORA_REQUIRE_X set, as ./test sets it).
    static bool Required();
    // Empty when the server (and the window manager) runs; else why not.
    const std::string& Failure() const { return m_failure; }
    std::string Name() const { return ":" + std::to_string(m_number); }
    QSize Size() const { return QSize(m_width, m_height); }
    bool HasWindowManager() const { return m_wm != nullptr; }

    QImage Shot();
    // Every viewable top-level client window, bottom to top.
    std::vector<TopWindow> Windows();

    // The top-level client window that holds the keyboard focus, or 0.
    unsigned long Focus();
    // The window the window manager takes for the active one (its
    // _NET_ACTIVE_WINDOW, which its own keys such as Alt+F4 act on), or 0.
    unsigned long ActiveWindow();
    // The names in a window's property that lists atoms (_NET_WM_ALLOWED_ACTIONS,
    // _NET_WM_WINDOW_TYPE); empty when it has none.
    std::vector<std::string> AtomNames(unsigned long window, const char* property);
    // The X windows below a client window, at every depth (what `xwininfo
    // -tree` lists under it).
    int ChildWindows(unsigned long window);
    // Where the window manager's close button of a client window is: the
    // right end of the title bar above it (its frame's extents); nullopt
    // without a frame.
    std::optional<QPoint> CloseButton(unsigned long window);

    void MovePointer(int x, int y);
    void Click(int x, int y, int button = 1);
    // Moves the pointer to (x, y) and clicks the left button there: the press
    // `pressMs` after the move, the release `releaseMs` after the press, both
    // timed by the server, so the program sees them that close together.
    void MoveAndClick(int x, int y, int pressMs, int releaseMs);
    // `count` clicks of the left button where the pointer is, each press
    // `gapMs` after the release before it and each release at once, timed by
    // the server (`xdotool click --repeat 2 --delay 80 1` for 2 and 80).
    void ClickHere(int count, int gapMs);
    void Wheel(int x, int y, int notches);  // negative: towards the user (down)
    void Key(const char* keysym);
    void Type(const std::string& ascii);
    // `keysym` pressed while `modifier` (a modifier's keysym, "Control_L") is held.
    void KeyWith(const char* modifier, const char* keysym);
    // The left button pressed at one point and released at another.
    void Drag(int x0, int y0, int x1, int y1);

    // Asks the window manager, as a pager or a user would: take the window out
    // of its maximized state, place and size it (client rectangle), maximize it
    // again, or close it with its close button.
    void SetMaximized(unsigned long window, bool maximized);
    void MoveResize(unsigned long window, QRect client);
    void Close(unsigned long window);
    // Moves and resizes the client window itself, as xdotool's windowsize and
    // windowmove do: with a window manager a request it decides on, without
    // one the change itself.
    void ConfigureClient(unsigned long window, QRect client);
    // Presses the left button at `from`, moves the pointer to `to` in `steps`
    // steps and releases it there, as a user drags.
    void Drag(QPoint from, QPoint to, int steps = 10);

private:
    std::string m_failure;
    int m_number = -1;
    int m_width, m_height;
    void* m_display = nullptr;  // Display*
    TempDir m_dir;
    std::unique_ptr<ChildProcess> m_server, m_wm;
};

// Ends the test when `x` did not start: a failure where an X server is
// required, else a skip.
#define NEED_X(x)                                                         \
    if (!(x).Failure().empty()) {                                         \
        if (XDisplay::Required()) FAIL() << "no X server: " << (x).Failure(); \
        else GTEST_SKIP() << (x).Failure();                               \
    }                                                                     \
    do {                                                                  \
    } while (0)
