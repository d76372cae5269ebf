// Paths and regions in world coordinates. A path is a list of points with a
// type each (start, line or Bezier point, with figure-close and marker flags),
// grouped into figures and filled by its fill mode. A region is an area made by
// combining rectangles, paths and other regions; it starts infinite.
#pragma once

#include <memory>
#include <vector>

#include "platform/graphics/graphics_matrix.h"
#include "platform/graphics/graphics_types.h"

namespace gfx {

class FontFamily;
class Graphics;
class Pen;
class StringFormat;

struct PathData {
    INT Count = 0;
    std::vector<PointF> Points;
    std::vector<BYTE> Types;
};

class GraphicsPath {
public:
    explicit GraphicsPath(FillMode mode = FillModeAlternate) : m_fillMode(mode) {}
    GraphicsPath(const PointF* points, const BYTE* types, INT count, FillMode mode = FillModeAlternate);
    GraphicsPath* Clone() const { return new GraphicsPath(*this); }

    Status Reset();
    Status SetFillMode(FillMode mode);
    FillMode GetFillMode() const { return m_fillMode; }
    // The next point starts a new figure; CloseFigure also joins the figure's end
    // to its start.
    Status StartFigure();
    Status CloseFigure();
    Status CloseAllFigures();
    Status SetMarker();

    // Open segments join the current figure (a line from its last point when
    // they do not start there).
    Status AddLine(REAL x1, REAL y1, REAL x2, REAL y2);
    Status AddLine(const PointF& a, const PointF& b) { return AddLine(a.X, a.Y, b.X, b.Y); }
    Status AddLine(INT x1, INT y1, INT x2, INT y2) { return AddLine(REAL(x1), REAL(y1), REAL(x2), REAL(y2)); }
    Status AddLines(const PointF* points, INT count);
    Status AddLines(const Point* points, INT count);
    // An elliptic arc in the box; angles in degrees, clockwise from the x axis,
    // measured on the ellipse as seen (not stretched).
    Status AddArc(REAL x, REAL y, REAL width, REAL height, REAL startAngle, REAL sweepAngle);
    Status AddArc(const RectF& r, REAL start, REAL sweep) { return AddArc(r.X, r.Y, r.Width, r.Height, start, sweep); }
    Status AddArc(INT x, INT y, INT w, INT h, REAL start, REAL sweep) {
        return AddArc(REAL(x), REAL(y), REAL(w), REAL(h), start, sweep);
    }
    Status AddArc(const Rect& r, REAL start, REAL sweep) { return AddArc(r.X, r.Y, r.Width, r.Height, start, sweep); }
    Status AddBezier(REAL x1, REAL y1, REAL x2, REAL y2, REAL x3, REAL y3, REAL x4, REAL y4);
    Status AddBezier(const PointF& a, const PointF& b, const PointF& c, const PointF& d) {
        return AddBezier(a.X, a.Y, b.X, b.Y, c.X, c.Y, d.X, d.Y);
    }
    // 3n + 1 points: a start and n segments.
    Status AddBeziers(const PointF* points, INT count);
    // Closed figures of their own.
    Status AddRectangle(const RectF& r);
    Status AddRectangle(const Rect& r) { return AddRectangle(RectF(REAL(r.X), REAL(r.Y), REAL(r.Width), REAL(r.Height))); }
    Status AddEllipse(REAL x, REAL y, REAL width, REAL height);
    Status AddEllipse(const RectF& r) { return AddEllipse(r.X, r.Y, r.Width, r.Height); }
    Status AddEllipse(INT x, INT y, INT w, INT h) { return AddEllipse(REAL(x), REAL(y), REAL(w), REAL(h)); }
    Status AddEllipse(const Rect& r) { return AddEllipse(r.X, r.Y, r.Width, r.Height); }
    Status AddPolygon(const PointF* points, INT count);
    Status AddPath(const GraphicsPath* path, BOOL connect);
    // Text as glyph outlines, each contour a closed figure. With a layout point
    // (or an empty rectangle) the format's alignments place the text about it.
    Status AddString(const WCHAR* text, INT length, const FontFamily* family, INT style, REAL emSize,
                     const PointF& origin, const StringFormat* format);
    Status AddString(const WCHAR* text, INT length, const FontFamily* family, INT style, REAL emSize,
                     const RectF& layout, const StringFormat* format);
    Status AddString(const WCHAR* text, INT length, const FontFamily* family, INT style, REAL emSize,
                     const Point& origin, const StringFormat* format) {
        return AddString(text, length, family, style, emSize, PointF(REAL(origin.X), REAL(origin.Y)), format);
    }
    Status AddString(const WCHAR* text, INT length, const FontFamily* family, INT style, REAL emSize,
                     const Rect& layout, const StringFormat* format) {
        return AddString(text, length, family, style, emSize,
                         RectF(REAL(layout.X), REAL(layout.Y), REAL(layout.Width), REAL(layout.Height)), format);
    }

    INT GetPointCount() const { return INT(m_points.size()); }
    Status GetPathPoints(PointF* points, INT count) const;
    Status GetPathPoints(Point* points, INT count) const;
    Status GetPathTypes(BYTE* types, INT count) const;
    Status GetPathData(PathData* data) const;
    Status GetLastPoint(PointF* point) const;
    Status Transform(const Matrix* matrix);
    // Bounding box of the outline (curves included); with a pen, widened by it.
    // The integer form rounds each value. An empty path gives (0, 0, 0, 0).
    Status GetBounds(RectF* bounds, const Matrix* matrix = nullptr, const Pen* pen = nullptr) const;
    Status GetBounds(Rect* bounds, const Matrix* matrix = nullptr, const Pen* pen = nullptr) const;
    // The flatness is accepted and ignored: curves flatten at Qt's own tolerance.
    Status Flatten(const Matrix* matrix = nullptr, REAL flatness = 0.25f);
    // The graphics object is accepted and ignored: the test is in the path's own coordinates.
    BOOL IsVisible(REAL x, REAL y, const Graphics* g = nullptr) const;
    BOOL IsVisible(INT x, INT y, const Graphics* g = nullptr) const { return IsVisible(REAL(x), REAL(y), g); }
    Status GetLastStatus() const;

    // Layer internals.
    const std::vector<PointF>& Points() const { return m_points; }
    const std::vector<BYTE>& Types() const { return m_types; }
    // Appends whole figures as they are (each starting with a start point).
    void AppendFigures(const PointF* points, const BYTE* types, size_t count);
    // When the path is one ellipse: the transform of the unit circle onto it.
    bool IsEllipse(Matrix* frame) const;
    Status Record(Status s) const {
        if (s != Ok) m_last = s;
        return s;
    }

private:
    // Appends a point that continues the figure (or starts one).
    void Continue(const PointF& p, BYTE type);
    void AppendArc(REAL x, REAL y, REAL w, REAL h, REAL start, REAL sweep, bool startFigure);

    std::vector<PointF> m_points;
    std::vector<BYTE> m_types;
    FillMode m_fillMode = FillModeAlternate;
    bool m_figureOpen = false;
    bool m_ellipse = false;
    Matrix m_ellipseFrame;
    mutable Status m_last = Ok;
};

// An area in world coordinates (infinite at first).
struct RegionData;
class Region {
public:
    Region();
    explicit Region(const RectF& r);
    explicit Region(const Rect& r);
    explicit Region(const GraphicsPath* path);
    Region(const Region& other);
    Region& operator=(const Region& other);
    ~Region();
    Region* Clone() const { return new Region(*this); }
    Status MakeInfinite();
    Status MakeEmpty();
    Status Intersect(const RectF& r);
    Status Intersect(const Rect& r);
    Status Intersect(const GraphicsPath* path);
    Status Intersect(const Region* region);
    Status Union(const RectF& r);
    Status Union(const GraphicsPath* path);
    Status Union(const Region* region);
    Status Xor(const GraphicsPath* path);
    Status Xor(const Region* region);
    Status Exclude(const RectF& r);
    Status Exclude(const GraphicsPath* path);
    Status Exclude(const Region* region);
    Status Complement(const GraphicsPath* path);
    Status Complement(const Region* region);
    Status Translate(REAL dx, REAL dy);
    Status Transform(const Matrix* matrix);
    Status GetBounds(RectF* bounds, const Graphics* g = nullptr) const;
    Status GetBounds(Rect* bounds, const Graphics* g = nullptr) const;
    BOOL IsEmpty(const Graphics* g = nullptr) const;
    BOOL IsInfinite(const Graphics* g = nullptr) const;
    // The graphics object is accepted and ignored: the test is in the region's own coordinates.
    BOOL IsVisible(REAL x, REAL y, const Graphics* g = nullptr) const;
    Status GetLastStatus() const;

    const RegionData& Data() const { return *m_data; }
    RegionData& MutableData() { return *m_data; }

private:
    std::unique_ptr<RegionData> m_data;
    mutable Status m_last = Ok;
};

}  // namespace gfx
