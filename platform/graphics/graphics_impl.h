// Layer-private parts of the graphics objects (includes Qt; only platform/, tests
// and benchmarks use it).
#pragma once

#include <QBrush>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gdi/dc_impl.h"
#include "platform/graphics/graphics.h"
#include "platform/gdi/paint_target.h"

namespace gfx {

struct ImageData {
    std::shared_ptr<QImage> image;  // premultiplied ARGB
    PixelFormat format = PixelFormat32bppARGB;
};

struct RegionData {
    bool infinite = true;
    QPainterPath path;  // world coordinates, when not infinite
};

struct GraphicsImpl : platform::detail::PainterUser {
    QImage* target = nullptr;
    std::shared_ptr<QImage> keep;
    std::function<bool()> alive;    // contexts on a window: drawing stops when it is gone
    QTransform deviceBase;          // the context's logical-to-device mapping
    bool hasBaseClip = false;
    QPainterPath baseClip;          // device pixels (the context's clip)
    bool printing = false;

    struct State {
        Matrix world;
        bool clipInfinite = true;
        QPainterPath clip;          // device coordinates, when not infinite
        SmoothingMode smoothing = SmoothingModeNone;
        TextRenderingHint textHint = TextRenderingHintSystemDefault;
        PixelOffsetMode pixelOffset = PixelOffsetModeDefault;
        InterpolationMode interpolation = InterpolationModeBilinear;
        CompositingMode compositing = CompositingModeSourceOver;
        CompositingQuality compositingQuality = CompositingQualityDefault;
    } state;
    std::vector<std::pair<GraphicsState, State>> saved;
    GraphicsState nextState = 1;
    std::vector<DCImpl*> lentContexts;

    ~GraphicsImpl() override;
    // A painter on the target with the clip applied and the full transform set;
    // null when there is nothing to draw on.
    QPainter* Painter();
    bool Antialias() const;
    // World to device pixels, with the half-pixel shift of whole-number centres.
    QTransform Full() const;
    // World to device without that shift (images, pixel rectangles).
    QTransform WorldToDevice() const;
    // The device area drawing may reach (target, context clip and own clip).
    QRectF DeviceBounds() const;
    QPainterPath InfiniteClipPath() const;
    // The device clip as one rectangle (the target's when there is no clip);
    // false when it is any other shape.
    bool ClipRect(QRect* rect) const;
};

namespace detail {

QTransform ToQ(const Matrix& m);
Matrix FromQ(const QTransform& t);
QColor ToQColor(const Color& c);
// The path as a Qt path in its own coordinates, with its fill rule.
QPainterPath ToQPath(const GraphicsPath& path);

// A gradient's colour at positions 0..1 (n + 1 entries, premultiplied): from
// `first` at 0 to `second` at 1 through the blend (factors are the share of
// `second`), or the preset colours.
void BuildRamp(const Color& first, const Color& second, const GradientBlend& blend, QRgb* out, int n);
// The same ramp, kept for later fills with the same colours and blend.
const QRgb* CachedRamp(const Color& first, const Color& second, const GradientBlend& blend, int n);
// The non-premultiplied colour at one position.
QRgb RampColour(const Color& first, const Color& second, const GradientBlend& blend, double position);

QBrush ToQBrush(const Brush& brush);

// Entries of a gradient colour ramp (positions 0..1 at i / kRampSize).
constexpr int kRampSize = 1024;
// Device-space figures as closed polygons.
using Polygons = std::vector<std::vector<QPointF>>;
// The path's figures under a transform, curves flattened to a tenth of a pixel.
// `closed` (optional) takes whether each figure was closed.
void FlattenPath(const GraphicsPath& path, const QTransform& transform, Polygons& out,
                 std::vector<bool>* closed = nullptr);
void PolygonsOf(const QPainterPath& path, Polygons& out);
QRectF BoundsOf(const Polygons& polys);
// The share of each pixel of `box` the figures cover (exact area), by the
// alternate or the winding rule, as runs along each row.
struct Coverage {
    struct Run {
        int x0, x1;   // pixels of the run, inclusive
        bool cells;   // per pixel from `cells`, or `value` for all of them
        float value;
    };
    QRect box;
    size_t stride = 0;
    std::vector<float> cells;
    std::vector<Run> runs;
    std::vector<int> rowStart;  // runs of row y: rowStart[y] .. rowStart[y + 1]
    std::vector<std::uint64_t> touched;
    float At(int x, int y) const;
};
void AccumulateCoverage(const Polygons& polys, const QRect& box, bool evenOdd, Coverage& out);
// The coverage buffers a thread keeps for its next fill. A fill larger than a
// control (a whole window's background) gives its buffers back when it ends,
// so they do not stay with the program at the size of the screen.
class ScratchCoverage {
public:
    explicit ScratchCoverage(Coverage& kept) : m_cov(kept) {}
    ~ScratchCoverage();
    ScratchCoverage(const ScratchCoverage&) = delete;
    ScratchCoverage& operator=(const ScratchCoverage&) = delete;
    Coverage& operator*() { return m_cov; }

private:
    Coverage& m_cov;
};
// Fills the figures (device coordinates) with a solid or linear-gradient brush,
// antialiased, inside `limit`; false for brushes it does not draw. With
// `directClip` (the target's clip as one rectangle) the pixels are blended
// straight into `target`, otherwise through one image copy on the painter.
// With `source` (the world path the figures were flattened from), the
// coverage is kept for the next fill of the same path under the same
// transform over the same pixels, and taken from there; such a fill no larger
// than Graphics::kWholeFillPixels is worked out over all of its shape,
// whatever `limit` cuts off.
bool FillCoverage(QPainter* painter, QImage* target, const QRect* directClip, const Polygons& polys, bool evenOdd,
                  const Brush& brush, const QTransform& full, const QRect& limit,
                  const GraphicsPath* source = nullptr);
// How many fills took their coverage from what was kept, and the bytes kept.
struct KeptCoverageCounts {
    size_t hits = 0, misses = 0, bytes = 0, count = 0;
};
KeptCoverageCounts KeptCoverageOfThisThread();
void ForgetKeptCoverage();
// The outline a pen draws along a world path, in device coordinates.
void StrokeOutline(const GraphicsPath& path, const QTransform& full, const QPen& pen, Polygons& out);
// Fills `target` (device coordinates) with a path gradient; `full` maps the
// brush's world coordinates to device pixels. `sameShape`: the target is the
// brush's own boundary. `limit`: the device pixels that may change.
void FillPathGradient(QPainter* painter, const QPainterPath& target, const PathGradientBrush& brush,
                      const QTransform& full, bool antialias, bool sourceCopy, bool sameShape, const QRect& limit);

// Text outlines: the glyph figures of `text` in GDI+ point/type form, placed by
// the format about the layout rectangle (zero size: a layout point).
Status AppendText(GraphicsPath& path, const std::u16string& text, const FontFamily& family, INT style,
                  REAL emSize, const RectF& layout, const StringFormat* format);
// The box the text takes (lines, padding included) for the same layout.
RectF MeasureText(const std::u16string& text, const FontFamily& family, INT style, REAL emSize, const RectF& layout,
                  const StringFormat* format);
// Points and types appended to the path as they are (layer use: text figures).
void AppendRaw(GraphicsPath& path, const std::vector<PointF>& points, const std::vector<BYTE>& types);

std::shared_ptr<QImage> ImageOf(const Image& image);

}  // namespace detail
}  // namespace gfx
