// What the custom-drawn controls (round lamp, text and title labels) share: the
// step that makes their window an owner-drawn static that reports clicks, the
// notification of the owner window, and the copy of the parent's background
// that a control paints over.
#pragma once

#include <memory>

#include "platform/gdi/dc.h"
#include "platform/gdi/gdi.h"
#include "platform/graphics/graphics.h"
#include "platform/base/types.h"
#include "platform/window/wnd.h"

namespace control_base {

// Adds SS_NOTIFY and turns the static type bits into SS_OWNERDRAW; controls call
// it from PreSubclassWindow before the window's own step.
void MakeOwnerDrawnStatic(CWnd* wnd);

// Sends `message` (wParam = the control's id, lParam = `code`) at once to the
// control's owner, or to its parent when it has no owner; nothing is sent when
// neither exists. Returns the receiver's answer, 0 when nothing was sent.
LRESULT NotifyOwner(CWnd* control, UINT message, LPARAM code);

// Asks for WM_MOUSEHOVER (after 1 ms) and WM_MOUSELEAVE for the control;
// whether the layer took the request.
BOOL TrackHoverAndLeave(CWnd* control);

// A control that finds no icon family while it paints says so once, after the
// paint (a message box inside a paint would run the paint again): it posts
// kReportMissingFamily to itself with AskMissingFamilyReport, and its window
// procedure hands the message to ShowMissingFamilyReport, which shows
// "<where>>m_IconFontFamily is NULL".
constexpr UINT kReportMissingFamily = WM_APP + 0x2A1;
void AskMissingFamilyReport(CWnd* control, bool& reported);
void ShowMissingFamilyReport(const char* where);

// The background copy: a memory context holding a bitmap of the pixels that lay
// under the control when it was taken.
//
// Releases a copy: the old bitmap goes back into the context, then the bitmap
// and the context are deleted. Nothing happens when there is no copy.
void ReleaseBackground(CDC& dcBack, CBitmap& bmpBack, CBitmap*& oldBitmap);
// Takes a new copy (the old one released first) of `width` x `height` pixels
// from (0, 0) of `paintDC`. A control that erases nothing of its own sees its
// parent's background in its paint context, so that is what the copy holds.
void TakeBackground(CDC* paintDC, int width, int height, CDC& dcBack, CBitmap& bmpBack, CBitmap*& oldBitmap);
// Makes `g` antialiased (high quality) and draws the copy on it with its corner
// at (x, y); without a copy only the smoothing is set.
void DrawBackground(gfx::Graphics* g, CBitmap& bmpBack, int x, int y);
// The same copy taken as an opaque picture for graphics objects, converted
// once here rather than on every paint; null without a context or pixels.
std::unique_ptr<gfx::Bitmap> TakeBackgroundPicture(CDC* paintDC, int width, int height);

}  // namespace control_base
