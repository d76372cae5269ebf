// Input methods and the layer's windows: what a window hears of an input
// method (a Korean one composes each syllable from several keys) and what it
// tells it.
//
// A window that takes characters (its WM_GETDLGCODE answer holds
// DLGC_WANTCHARS or DLGC_WANTALLKEYS) takes input methods, asked each time it
// takes the keyboard focus:
// - the text the input method commits reaches it as WM_IME_CHAR, one message
//   per UTF-16 unit (WM_CHAR for a unit below 0x80), as a Korean input
//   method's text does on Windows;
// - a composition that starts in it is announced by WM_IME_STARTCOMPOSITION.
//   When the window gives the keyboard focus to another window that takes
//   input methods while it handles the message (it opens an editor), the
//   composition goes on in that window, the key that started it included;
// - the input method asks it where its caret is, for the composition and
//   candidate windows, with WM_IME_REQUEST (IMR_COMPOSITIONWINDOW, lParam a
//   COMPOSITIONFORM in client coordinates; nonzero: filled). A window that
//   does not answer gets them at its middle.
// A composition still under way in such a window when the keyboard focus
// leaves it is committed into it first. The edit control (a text field) shows
// a composition in its text, at the caret.
#pragma once

#include "platform/base/types.h"

constexpr UINT WM_IME_STARTCOMPOSITION = 0x010D;
constexpr UINT WM_IME_REQUEST = 0x0288;

// WM_IME_REQUEST's requests (wParam).
constexpr WPARAM IMR_COMPOSITIONWINDOW = 0x0001;

// Where the input method's windows go: at a point, or over a rectangle.
constexpr DWORD CFS_RECT = 0x0001;
constexpr DWORD CFS_POINT = 0x0002;
struct COMPOSITIONFORM {
    DWORD dwStyle = 0;
    POINT ptCurrentPos;
    RECT rcArea;
};

// The virtual key of a key that an input method took: here, the key that
// starts a composition.
constexpr UINT VK_PROCESSKEY = 0xE5;
