// Input plumbing beyond the window core: hit-testing windows under a screen
// point, the non-client mouse messages, system and input-method characters, and
// where the pointer was when the current message was sent.
//
// Every window of this layer is all client area: WM_NCHITTEST's default answer is
// HTCLIENT for a point inside the window and HTNOWHERE outside it, and the
// non-client mouse messages have no default effect.
#pragma once

#include "platform/types.h"
#include "platform/wnd.h"

constexpr UINT WM_NCHITTEST = 0x0084;
constexpr UINT WM_NCMOUSEMOVE = 0x00A0;
constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
constexpr UINT WM_NCLBUTTONUP = 0x00A2;
constexpr UINT WM_NCLBUTTONDBLCLK = 0x00A3;
constexpr UINT WM_NCRBUTTONDOWN = 0x00A4;
constexpr UINT WM_NCRBUTTONUP = 0x00A5;
constexpr UINT WM_NCMBUTTONDOWN = 0x00A7;
constexpr UINT WM_NCMBUTTONUP = 0x00A8;
constexpr UINT WM_SYSCHAR = 0x0106;
constexpr UINT WM_IME_CHAR = 0x0286;

// WM_NCHITTEST answers.
constexpr LRESULT HTERROR = -2;
constexpr LRESULT HTTRANSPARENT = -1;
constexpr LRESULT HTNOWHERE = 0;
constexpr LRESULT HTCLIENT = 1;
constexpr LRESULT HTCAPTION = 2;
constexpr LRESULT HTBORDER = 18;

// The window under a screen point: the deepest visible child window there, or
// null when no window of the program lies under it.
HWND WindowFromPoint(POINT point);
CWnd* WndFromPoint(POINT point);
// The screen position of the pointer when the message being handled was sent,
// x in the low word and y in the high word (signed).
DWORD GetMessagePos();

namespace platform::detail {
// The layer's answer to WM_NCHITTEST for `wnd` (lParam: the screen point).
LRESULT DefaultHitTest(CWnd* wnd, LPARAM lParam);
// Records the screen position that GetMessagePos reports.
void SetMessagePos(int x, int y);
}  // namespace platform::detail
