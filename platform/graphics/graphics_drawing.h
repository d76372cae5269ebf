// The graphics object: draws paths, shapes, text and images with brushes and
// pens on a device context or a bitmap, through its world transform and clip,
// with the smoothing, pixel offset, interpolation and compositing modes set on
// it. Its state (transform, clip and modes) can be saved and restored.
#pragma once

#include <memory>

#include "platform/gdi/gdi.h"
#include "platform/graphics/graphics_types.h"

class CDC;

namespace gfx {

class Brush;
class Font;
class GraphicsPath;
class Image;
class ImageAttributes;
class Matrix;
class Pen;
class Region;
class RowRuns;
class StringFormat;

struct GraphicsImpl;

class Graphics {
public:
    // Draws on a device context's pixels, in its logical coordinates and inside its clip.
    explicit Graphics(HDC dc);
    explicit Graphics(CDC* dc);
    // Draws on a bitmap (other images give WrongState).
    explicit Graphics(Image* image);
    static Graphics* FromHDC(HDC dc) { return new Graphics(dc); }
    static Graphics* FromImage(Image* image) { return new Graphics(image); }
    ~Graphics();
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    Status SetSmoothingMode(SmoothingMode mode);
    SmoothingMode GetSmoothingMode() const;
    Status SetTextRenderingHint(TextRenderingHint hint);
    TextRenderingHint GetTextRenderingHint() const;
    Status SetPixelOffsetMode(PixelOffsetMode mode);
    PixelOffsetMode GetPixelOffsetMode() const;
    Status SetInterpolationMode(InterpolationMode mode);
    InterpolationMode GetInterpolationMode() const;
    Status SetCompositingMode(CompositingMode mode);
    CompositingMode GetCompositingMode() const;
    Status SetCompositingQuality(CompositingQuality q);
    REAL GetDpiX() const { return 96.0f; }
    REAL GetDpiY() const { return 96.0f; }

    // ---- world transform ----
    Status SetTransform(const Matrix* m);
    Status GetTransform(Matrix* m) const;
    Status ResetTransform();
    Status MultiplyTransform(const Matrix* m, MatrixOrder order = MatrixOrderPrepend);
    Status TranslateTransform(REAL dx, REAL dy, MatrixOrder order = MatrixOrderPrepend);
    Status ScaleTransform(REAL sx, REAL sy, MatrixOrder order = MatrixOrderPrepend);
    Status RotateTransform(REAL angle, MatrixOrder order = MatrixOrderPrepend);

    // ---- clipping (world coordinates, kept in device pixels) ----
    Status SetClip(const RectF& r, CombineMode mode = CombineModeReplace);
    Status SetClip(const Rect& r, CombineMode mode = CombineModeReplace);
    Status SetClip(const GraphicsPath* path, CombineMode mode = CombineModeReplace);
    Status SetClip(const Region* region, CombineMode mode = CombineModeReplace);
    Status SetClip(const Graphics* other, CombineMode mode = CombineModeReplace);
    Status IntersectClip(const RectF& r) { return SetClip(r, CombineModeIntersect); }
    Status IntersectClip(const Rect& r) { return SetClip(r, CombineModeIntersect); }
    Status ExcludeClip(const RectF& r) { return SetClip(r, CombineModeExclude); }
    Status ExcludeClip(const Rect& r) { return SetClip(r, CombineModeExclude); }
    Status ResetClip();
    Status GetClip(Region* region) const;
    Status GetClipBounds(RectF* r) const;
    Status GetClipBounds(Rect* r) const;
    BOOL IsClipEmpty() const;
    BOOL IsVisible(REAL x, REAL y) const;

    // ---- state ----
    GraphicsState Save();
    Status Restore(GraphicsState state);
    GraphicsContainer BeginContainer() { return Save(); }
    Status EndContainer(GraphicsContainer c) { return Restore(c); }
    void Flush();

    // ---- filling ----
    Status Clear(const Color& c);
    // An antialiased fill with a solid or linear-gradient brush whose bounds
    // (in pixels) are at most kWholeFillPixels gives every pixel the same value
    // whatever the clip and surface: a repaint of a part matches a whole paint.
    static constexpr int kWholeFillPixels = 1 << 16;
    Status FillPath(const Brush* brush, const GraphicsPath* path);
    Status FillRectangle(const Brush* brush, REAL x, REAL y, REAL w, REAL h);
    Status FillRectangle(const Brush* brush, const RectF& r) { return FillRectangle(brush, r.X, r.Y, r.Width, r.Height); }
    Status FillRectangle(const Brush* brush, INT x, INT y, INT w, INT h) {
        return FillRectangle(brush, REAL(x), REAL(y), REAL(w), REAL(h));
    }
    Status FillRectangle(const Brush* brush, const Rect& r) { return FillRectangle(brush, r.X, r.Y, r.Width, r.Height); }
    Status FillEllipse(const Brush* brush, REAL x, REAL y, REAL w, REAL h);
    Status FillEllipse(const Brush* brush, const RectF& r) { return FillEllipse(brush, r.X, r.Y, r.Width, r.Height); }
    Status FillEllipse(const Brush* brush, INT x, INT y, INT w, INT h) {
        return FillEllipse(brush, REAL(x), REAL(y), REAL(w), REAL(h));
    }
    Status FillEllipse(const Brush* brush, const Rect& r) { return FillEllipse(brush, r.X, r.Y, r.Width, r.Height); }
    Status FillPolygon(const Brush* brush, const PointF* points, INT count, FillMode mode = FillModeAlternate);
    Status FillRegion(const Brush* brush, const Region* region);

    // ---- lines ----
    Status DrawPath(const Pen* pen, const GraphicsPath* path);
    Status DrawLine(const Pen* pen, REAL x1, REAL y1, REAL x2, REAL y2);
    Status DrawLine(const Pen* pen, INT x1, INT y1, INT x2, INT y2) {
        return DrawLine(pen, REAL(x1), REAL(y1), REAL(x2), REAL(y2));
    }
    Status DrawLine(const Pen* pen, const PointF& a, const PointF& b) { return DrawLine(pen, a.X, a.Y, b.X, b.Y); }
    Status DrawLines(const Pen* pen, const PointF* points, INT count);
    Status DrawLines(const Pen* pen, const Point* points, INT count);
    Status DrawRectangle(const Pen* pen, REAL x, REAL y, REAL w, REAL h);
    Status DrawRectangle(const Pen* pen, const RectF& r) { return DrawRectangle(pen, r.X, r.Y, r.Width, r.Height); }
    Status DrawRectangle(const Pen* pen, INT x, INT y, INT w, INT h) {
        return DrawRectangle(pen, REAL(x), REAL(y), REAL(w), REAL(h));
    }
    Status DrawRectangle(const Pen* pen, const Rect& r) { return DrawRectangle(pen, r.X, r.Y, r.Width, r.Height); }
    Status DrawEllipse(const Pen* pen, REAL x, REAL y, REAL w, REAL h);
    Status DrawEllipse(const Pen* pen, const RectF& r) { return DrawEllipse(pen, r.X, r.Y, r.Width, r.Height); }
    Status DrawArc(const Pen* pen, REAL x, REAL y, REAL w, REAL h, REAL start, REAL sweep);
    Status DrawBezier(const Pen* pen, const PointF& a, const PointF& b, const PointF& c, const PointF& d);
    Status DrawPolygon(const Pen* pen, const PointF* points, INT count);

    // ---- text ----
    Status DrawString(const WCHAR* text, INT length, const Font* font, const PointF& origin,
                      const StringFormat* format, const Brush* brush);
    Status DrawString(const WCHAR* text, INT length, const Font* font, const RectF& layout,
                      const StringFormat* format, const Brush* brush);
    Status DrawString(const WCHAR* text, INT length, const Font* font, const PointF& origin, const Brush* brush) {
        return DrawString(text, length, font, origin, nullptr, brush);
    }
    Status MeasureString(const WCHAR* text, INT length, const Font* font, const RectF& layout,
                         const StringFormat* format, RectF* bounds, INT* codepointsFitted = nullptr,
                         INT* linesFilled = nullptr) const;
    Status MeasureString(const WCHAR* text, INT length, const Font* font, const PointF& origin,
                         const StringFormat* format, RectF* bounds) const;

    // ---- images ----
    Status DrawImage(Image* image, REAL x, REAL y);
    Status DrawImage(Image* image, INT x, INT y) { return DrawImage(image, REAL(x), REAL(y)); }
    Status DrawImage(Image* image, REAL x, REAL y, REAL w, REAL h);
    Status DrawImage(Image* image, INT x, INT y, INT w, INT h) {
        return DrawImage(image, REAL(x), REAL(y), REAL(w), REAL(h));
    }
    Status DrawImage(Image* image, const RectF& dest) { return DrawImage(image, dest.X, dest.Y, dest.Width, dest.Height); }
    Status DrawImage(Image* image, const Rect& dest) { return DrawImage(image, dest.X, dest.Y, dest.Width, dest.Height); }
    // Copies `part` of a picture kept as runs to (x, y) + the part's corner,
    // as DrawImage copies pictures under CompositingModeSourceCopy.
    Status DrawRuns(const RowRuns& runs, INT x, INT y, const Rect& part);
    // The source rectangle (pixels) of the image into `dest`, through the attributes.
    // The source unit is accepted and ignored: source rectangles are in pixels.
    Status DrawImage(Image* image, const RectF& dest, REAL srcX, REAL srcY, REAL srcW, REAL srcH, Unit srcUnit,
                     const ImageAttributes* attributes = nullptr);
    Status DrawImage(Image* image, const Rect& dest, INT srcX, INT srcY, INT srcW, INT srcH, Unit srcUnit,
                     const ImageAttributes* attributes = nullptr) {
        return DrawImage(image, RectF(REAL(dest.X), REAL(dest.Y), REAL(dest.Width), REAL(dest.Height)), REAL(srcX),
                         REAL(srcY), REAL(srcW), REAL(srcH), srcUnit, attributes);
    }

    // A device context on the same pixels (device coordinates); give it back with
    // ReleaseHDC before drawing with this object again.
    HDC GetHDC();
    void ReleaseHDC(HDC dc);

    Status GetLastStatus() const;

    GraphicsImpl* Impl() const { return m_impl.get(); }

private:
    Status Record(Status s) const;
    std::unique_ptr<GraphicsImpl> m_impl;
    mutable Status m_last = Ok;
};

}  // namespace gfx
