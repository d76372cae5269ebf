// What the numeric and matrix display tests share: the colours they draw in
// and a scan for lit pixels (the glow runs from the lit to the unlit green).
#pragma once

#include <algorithm>

#include "platform/base/types.h"
#include "tests/support/colours.h"
#include "tests/support/pixel_harness.h"

namespace display_test {

constexpr COLORREF kLit = 0x80FF80;  // an indicator's green, brightened
constexpr COLORREF kDim = 0x00BF00;
constexpr COLORREF kPanel = colours::kBlack;
constexpr int kW = 240, kH = 60;

// Lit pixels: green well above red and blue (the glow runs from kLit to kDim).
inline bool IsLit(COLORREF c) { return GetGValue(c) > 120 && GetGValue(c) > GetRValue(c) + 40 && GetGValue(c) > GetBValue(c) + 40; }
inline bool IsWhite(COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200; }

struct Columns {
    int count = 0;
    int minX = 1 << 30;
    int maxX = -1;
};
template <typename Pred>
Columns Scan(const Snapshot& snap, int x0, int x1, int y0, int y1, Pred pred) {
    Columns c;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (pred(snap.Pixel(x, y))) {
                ++c.count;
                c.minX = std::min(c.minX, x);
                c.maxX = std::max(c.maxX, x);
            }
    return c;
}

}  // namespace display_test
