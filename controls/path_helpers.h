// Path builders and gradient fills of the display controls: rounded rectangles,
// text outlines shrunk until they fit, bevel lines, the symbol transform, and
// the radial, glow, bell-shaped linear and highlight fills. Colours come in as
// COLORREF and are drawn opaque unless an alpha is given. Every helper makes and
// frees its own brushes, pens and temporary paths; a failing graphics call leaves
// its status in the object called and drawing goes on.
#pragma once

#include "platform/graphics/graphics.h"
#include "platform/base/types.h"

// ---- path builders ----

// Four edges and four quarter arcs of radius `radius`, clockwise from the top
// edge, appended to the path's current figure; the figure ends where it began
// and is left open.
void AddRoundRectPath(int radius, gfx::GraphicsPath* path, int left, int top, int right, int bottom);

// Lowers `size` in steps of 0.1 until the text, laid out about `origin` by the
// format, keeps half its size from `left` and a tenth of its size from `top`,
// or until the size is 4.0 or less; returns the size reached. The family is
// looked up by name among the installed fonts.
float FitTextSize(int fontStyle, const gfx::StringFormat* format, int left, int top, int right, int bottom,
                  const CString& text, const CString& familyName, float size, gfx::PointF origin);
// The same fitting rule on `path` (reset first) with an optional second text
// at its own origin; the path keeps the fitted outlines.
void AddFittedTextPath(gfx::GraphicsPath* path, int fontStyle, int left, int top, int right, int bottom,
                       const CString& text, const CString& familyName, float size, gfx::PointF origin,
                       const gfx::StringFormat* format, const CString& secondText, gfx::PointF secondOrigin);

// A bevel: `light` along the left and top, `dark` along the bottom and right,
// one unit wide.
void DrawEdgeLines(gfx::Graphics* g, COLORREF light, int left, int top, int right, int bottom, COLORREF dark);

// Prepends to g's world transform the turn (and mirroring) of a symbol about the
// centre of its square at (x, y).
void SetShapeTransform(gfx::Graphics* g, BOOL mirror, float width, float height, float x, float y, float angle,
                       BOOL turnOver);

// ---- fills ----

// Path gradient from the path's bounds centre (`centre`) to its outline (`surround`).
void FillPathRadial(gfx::Graphics* g, gfx::GraphicsPath* path, COLORREF centre, COLORREF surround);
// The same with the colours in the other order.
void FillPathRadialBounds(gfx::Graphics* g, gfx::GraphicsPath* path, COLORREF surround, COLORREF centre);
// A halo: the path grown about its centre, from `colour` to transparent black.
void FillPathGlow(gfx::Graphics* g, gfx::GraphicsPath* path, COLORREF colour);
// A halo grown by `margin` pixels in each direction.
void FillPathGlowInner(gfx::Graphics* g, gfx::GraphicsPath* path, COLORREF colour, float margin);
// A halo whose shorter side grows by `factor` and whose longer side grows by the
// first tenth-step that adds more; fades to `colour` made transparent.
void FillPathGlowSoft(gfx::Graphics* g, gfx::GraphicsPath* path, COLORREF colour, float factor);
// A linear gradient at `angle` over the path's bounds (scaled by `scale`) with a
// bell-shaped blend peaking at `focus`.
void FillPathLinearSigma(gfx::Graphics* g, gfx::GraphicsPath* path, COLORREF colour1, COLORREF colour2, float focus,
                         float angle, BYTE alpha1, BYTE alpha2, float scale);
// A highlight ellipse just inside the rectangle.
void FillEllipseShine(gfx::Graphics* g, COLORREF surround, COLORREF centre, float focusY, int left, int top, int right,
                      int bottom, float focusX);
// Half an ellipse (side 0 left, 1 top, 2 right, 3 bottom half; 4 and above the
// whole ellipse) shown in the rectangle; g's clip is reset afterwards.
void FillEllipseShineClipped(gfx::Graphics* g, COLORREF surround, COLORREF centre, BYTE side, float focusA,
                             float focusB, float angle, int left, int top, int right, int bottom);
// A quarter of an ellipse twice the rectangle's size (corner 0 top left, 1 top
// right, 2 bottom right, 3 bottom left quarter; 4 and above the ellipse's
// middle); g's clip is reset afterwards.
void FillEllipseShineClipped2(gfx::Graphics* g, COLORREF surround, COLORREF centre, BYTE corner, int left, int top,
                              int right, int bottom);

// ---- the geometry the fills use ----
namespace fill_geometry {

// How a glow grows its path: scale factors about a centre.
struct Growth {
    float sx = 1.0f;
    float sy = 1.0f;
    gfx::PointF centre;
    bool valid = false;  // false: no glow is drawn
};
Growth Glow(const gfx::GraphicsPath& path);
Growth InnerGlow(const gfx::GraphicsPath& path, float margin);
Growth SoftGlow(const gfx::GraphicsPath& path, float factor);
// The ellipse box of FillEllipseShine.
gfx::Rect ShineEllipse(int left, int top, int right, int bottom);
// The ellipse boxes of the clipped highlights.
gfx::Rect ClippedShineEllipse(BYTE side, int left, int top, int right, int bottom);
gfx::Rect QuarterShineEllipse(BYTE corner, int left, int top, int right, int bottom);

}  // namespace fill_geometry
