// Colours the tests paint with and look for, named once (COLORREF, 0x00BBGGRR).
#pragma once

#include "platform/base/types.h"

namespace colours {
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 128, 0);
constexpr COLORREF kLime = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kSilver = RGB(192, 192, 192);
// The main window's dark slate background, behind every display control.
constexpr COLORREF kSlate = 0x4C3F38;
// The standard dialog face (COLOR_BTNFACE).
constexpr COLORREF kFace = RGB(240, 240, 240);
}  // namespace colours
