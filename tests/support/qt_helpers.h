// Driving windows of the layer from tests: keys, mouse, message boxes, pixels.
#pragma once

#include <QEvent>
#include <QImage>
#include <QString>
#include <QVariant>
#include <QTimer>
#include <Qt>
#include <functional>
#include <vector>

#include "platform/window/wnd.h"

// Clicks the button answering `result` (IDOK, IDYES, IDNO...) on the open message box.
bool PressMessageBoxButton(int result);
// Delivers a key press (and release) the way the keyboard does: to the focus
// widget of the window's top-level window, or to the window itself.
void PressKey(CWnd* wnd, int qtKey, Qt::KeyboardModifiers mods = Qt::NoModifier);
// An input method's event as Qt's input context sends it, to the focus widget:
// a commit of `commit`, then the preedit `preedit` shown (empty: none).
void InputMethodSends(const QString& commit, const QString& preedit = QString());
// What the window answers the input method's query.
QVariant InputMethodAsks(CWnd* wnd, Qt::InputMethodQuery query);
// Mouse messages at client coordinates of `wnd`.
void MousePress(CWnd* wnd, int x, int y, Qt::MouseButton button = Qt::LeftButton);
void MouseRelease(CWnd* wnd, int x, int y, Qt::MouseButton button = Qt::LeftButton);
void MouseMove(CWnd* wnd, int x, int y);
// The second press of a double click (Qt's double-click event).
void MouseDoubleClick(CWnd* wnd, int x, int y);
void MouseLeave(CWnd* wnd);
// Renders the window (and its children) as the screen would show it.
QImage GrabWindow(CWnd* wnd);
// What the screen shows of the window now: its part of its top-level window's
// backing store (RGB32; null before the window was first painted).
QImage OnScreen(CWnd* wnd);
// COLORREF of a pixel of an image.
COLORREF PixelAt(const QImage& image, int x, int y);

// Input for a loop the test cannot step through (a drag loop, a modal loop):
// each step runs on its own tick of a timer once the loop runs, the way the
// pointer and the keyboard deliver one event at a time.
class TimedSteps {
public:
    explicit TimedSteps(std::vector<std::function<void()>> steps, int intervalMs = 5);
    TimedSteps(const TimedSteps&) = delete;
    TimedSteps& operator=(const TimedSteps&) = delete;

private:
    std::vector<std::function<void()>> m_steps;
    size_t m_next = 0;
    QTimer m_timer;
};
// A mouse event at client point (x, y) of `wnd`, sent to `wnd` as the pointer would.
void SendMouseAt(CWnd* wnd, QEvent::Type type, int x, int y, Qt::MouseButtons buttons = Qt::LeftButton,
                 Qt::KeyboardModifiers mods = Qt::NoModifier);
