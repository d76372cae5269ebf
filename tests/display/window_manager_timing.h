// Window managers and when they show a window, for the tests that capture the
// screen the moment a window is shown: whether openbox has got as far as
// showing windows, and a small window manager of the test's own that shows a
// window's frame late, the window itself already mapped inside it.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/display/x_display.h"

// Waits, for at most `timeoutMs`, until the window manager of `x` frames and
// shows a window of the test's own, and then until that window and its frame
// are gone again; false when it did not show it. Openbox claims the display
// before it has finished starting, and a map request that comes in its last
// moments can lie unanswered until some other event reaches it: so every
// tenth of a second without an answer a fresh window asks again.
bool AwaitWindowManager(const XDisplay& x, int timeoutMs = 10000);

// A window manager for a display started without one. Each window that asks
// to be shown is put in a frame of its own size at its place, and mapped
// there at once, as reparenting managers do; the frame is mapped only
// `lateMs` later. Meanwhile the window is mapped but not viewable: nothing of
// it is on the screen, whatever it paints. It works only while ServeUntil
// runs (on the thread that made it: Xlib is not shared between threads).
class LateFramingWindowManager {
public:
    LateFramingWindowManager(const XDisplay& x, int lateMs);
    ~LateFramingWindowManager();
    LateFramingWindowManager(const LateFramingWindowManager&) = delete;
    LateFramingWindowManager& operator=(const LateFramingWindowManager&) = delete;

    // Empty when it manages the display; else why not.
    const std::string& Failure() const { return m_failure; }
    // Answers requests until `done` holds, for at most `timeoutMs`.
    void ServeUntil(const std::function<bool()>& done, int timeoutMs);
    // How many windows it has framed.
    int Framed() const { return m_framed; }

private:
    void Handle(void* event);  // XEvent*
    void Frame(unsigned long client);

    void* m_display = nullptr;  // Display*, a connection of its own
    std::chrono::milliseconds m_late;
    std::string m_failure;
    int m_framed = 0;
    std::map<unsigned long, unsigned long> m_frameOf;  // client -> frame
    struct Due {
        unsigned long frame;
        std::chrono::steady_clock::time_point at;
    };
    std::vector<Due> m_due;  // frames still to be mapped
};
