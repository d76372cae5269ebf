// The standard scroll bars of a window: a horizontal bar along the bottom of
// the window and a vertical bar along its right edge. A shown bar takes its
// place out of the client area (as a client edge does), so the client
// rectangle shrinks and the window hears WM_SIZE. Moving a bar by the mouse
// sends the window WM_HSCROLL or WM_VSCROLL with the scroll code in the low
// word of wParam (and, for SB_THUMBTRACK and SB_THUMBPOSITION, the 16-bit
// track position in the high word); lParam is 0. The bar itself never moves:
// the window sets the new position with SetScrollInfo or SetScrollPos.
#pragma once

#include "platform/base/types.h"

// Which bar.
constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;
constexpr int SB_CTL = 2;  // not supported: scroll-bar controls do not exist here
constexpr int SB_BOTH = 3;

// Scroll codes (low word of WM_HSCROLL and WM_VSCROLL's wParam).
constexpr UINT SB_LINEUP = 0;
constexpr UINT SB_LINELEFT = 0;
constexpr UINT SB_LINEDOWN = 1;
constexpr UINT SB_LINERIGHT = 1;
constexpr UINT SB_PAGEUP = 2;
constexpr UINT SB_PAGELEFT = 2;
constexpr UINT SB_PAGEDOWN = 3;
constexpr UINT SB_PAGERIGHT = 3;
constexpr UINT SB_THUMBPOSITION = 4;
constexpr UINT SB_THUMBTRACK = 5;
constexpr UINT SB_TOP = 6;
constexpr UINT SB_LEFT = 6;
constexpr UINT SB_BOTTOM = 7;
constexpr UINT SB_RIGHT = 7;
constexpr UINT SB_ENDSCROLL = 8;

// SCROLLINFO's mask.
constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

struct SCROLLINFO {
    UINT cbSize = sizeof(SCROLLINFO);
    UINT fMask = 0;
    int nMin = 0;
    int nMax = 0;
    UINT nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};
using LPSCROLLINFO = SCROLLINFO*;
