// Drawing helpers shared by the display controls: a double-buffering device
// context, printf-style message boxes, number text with grouping, and the
// arithmetic on COLORREF colours (0x00BBGGRR) that shades the controls' faces.
#pragma once

#include "platform/gdi/buffered_dc.h"
#include "platform/gdi/dc.h"
#include "platform/graphics/graphics.h"
#include "platform/base/types.h"

// Draws through a memory bitmap of the painted area and copies it to the target
// in one BitBlt when it goes out of scope, so the target never shows half a
// paint. On a printing context it is only another name for the target.
// The bitmap is not cleared: the caller paints every pixel of the area.
class _CQuorMemDC : public CBufferedDC {
public:
    // `rect` in the target's logical coordinates; null: the target's clip box.
    explicit _CQuorMemDC(CDC* target, const CRect* rect = nullptr);
    _CQuorMemDC* operator->() { return this; }
    operator _CQuorMemDC*() { return this; }
};

// Formats (at most 1,023 characters; longer text is cut) and shows an OK box
// with the application's title. The 8-bit form reads its text in the ANSI code
// page; in the wide form %s takes UTF-16 strings.
void MessageBoxFormatA(const char* format, ...);
int MessageBoxFormatW(const char16_t* format, ...);

// `value` rounded (half away from zero) to `decimals` places, the integer part
// grouped in threes with `thousandsSeparator`, "." as decimal point, a leading
// zero before the point and none of the locale's own conventions. Values that
// are not finite, decimals outside 0..9 and results longer than 119 characters
// come out as plain "%.*f" text.
CString FormatNumber(int decimals, CString thousandsSeparator, double value);

// Each channel plus `delta`, kept within 0..255.
COLORREF OffsetColor(COLORREF c, int delta);
// Each channel grown by `factor` (0.3 brightens by 30 %, -0.3 darkens), a channel
// of 0 counting as 10, kept within 0..255.
COLORREF ScaleColor(COLORREF c, float factor);
COLORREF InvertColor(COLORREF c);
// (R + G + B) / 3 in every channel.
COLORREF AverageGray(COLORREF c);
// The luminance (0.3 R + 0.59 G + 0.11 B, rounded) in every channel, at most 200.
COLORREF LumaGray(COLORREF c);
// The graphics colour for a COLORREF: alpha << 24 | R << 16 | G << 8 | B.
gfx::ARGB ColorToArgb(BYTE alpha, COLORREF c);
// The opaque graphics colour of a COLORREF (alpha 255), as every control draws it.
inline gfx::Color Opaque(COLORREF c) { return gfx::Color(ColorToArgb(255, c)); }
