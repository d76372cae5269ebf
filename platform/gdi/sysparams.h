// System-wide user settings read by windows: the fonts and sizes of the window
// frame and of message boxes, and the lines one wheel notch scrolls. The values
// are the desktop's look this layer stands for.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/base/types.h"

constexpr UINT SPI_GETNONCLIENTMETRICS = 0x0029;
constexpr UINT SPI_GETWHEELSCROLLLINES = 0x0068;
// Wheel scrolling by whole pages instead of lines.
constexpr UINT WHEEL_PAGESCROLL = 0xFFFFFFFF;

struct NONCLIENTMETRICSW {
    UINT cbSize = sizeof(NONCLIENTMETRICSW);
    int iBorderWidth = 0;
    int iScrollWidth = 0;
    int iScrollHeight = 0;
    int iCaptionWidth = 0;
    int iCaptionHeight = 0;
    LOGFONTW lfCaptionFont{};
    int iSmCaptionWidth = 0;
    int iSmCaptionHeight = 0;
    LOGFONTW lfSmCaptionFont{};
    int iMenuWidth = 0;
    int iMenuHeight = 0;
    LOGFONTW lfMenuFont{};
    LOGFONTW lfStatusFont{};
    LOGFONTW lfMessageFont{};
    int iPaddedBorderWidth = 0;
};
static_assert(sizeof(NONCLIENTMETRICSW) == 504, "the record is exchanged as 504 bytes");

// SPI_GETNONCLIENTMETRICS: `param` and the record's cbSize must both be 504;
// fills the record. SPI_GETWHEELSCROLLLINES: `out` points to a UINT that takes the
// line count. Other actions, a null `out` or a wrong size: FALSE. `winIni` (the
// update flags) is accepted and ignored, as nothing here is written.
BOOL SystemParametersInfoW(UINT action, UINT param, void* out, UINT winIni);
