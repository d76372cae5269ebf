// Driving windows of the layer from tests: keys, mouse, message boxes, pixels.
#pragma once

#include <QImage>
#include <Qt>

#include "platform/window/wnd.h"

// Clicks the button answering `result` (IDOK, IDYES, IDNO...) on the open message box.
bool PressMessageBoxButton(int result);
// Delivers a key press (and release) the way the keyboard does: to the focus
// widget of the window's top-level window, or to the window itself.
void PressKey(CWnd* wnd, int qtKey, Qt::KeyboardModifiers mods = Qt::NoModifier);
// Mouse messages at client coordinates of `wnd`.
void MousePress(CWnd* wnd, int x, int y, Qt::MouseButton button = Qt::LeftButton);
void MouseRelease(CWnd* wnd, int x, int y, Qt::MouseButton button = Qt::LeftButton);
void MouseMove(CWnd* wnd, int x, int y);
void MouseLeave(CWnd* wnd);
// Renders the window (and its children) as the screen would show it.
QImage GrabWindow(CWnd* wnd);
// COLORREF of a pixel of an image.
COLORREF PixelAt(const QImage& image, int x, int y);
