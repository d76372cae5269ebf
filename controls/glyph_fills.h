// The glowing fills of glyph outlines, kept for the next paint.
//
// The numeric display fills each closed figure of its glyphs with a halo and a
// radial gradient, and rasterising those outlines is most of what a changing
// value costs. What a fill leaves on a transparent surface (every pixel's
// coverage times its gradient colour, premultiplied) does not depend on what
// lies under it, so it is kept as a small bitmap and drawn again with the same
// blend the fill itself ends with: the result is the same pixels as filling
// anew, over any background.
//
// Fills are kept per character: one character's outline at its place, the
// colours, the halo and the size of the surface drawn on (fills are cut to
// it). Values that change share most of their characters with the last ones,
// and all displays of one size and colour share what is kept. The oldest
// characters are dropped when the kept pixels pass a budget.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <vector>

#include "platform/graphics/graphics.h"
#include "platform/base/types.h"

// Calls `fill` with each closed figure (inner contours included) of the
// outline points [begin, end) in their order, as a path of its own.
template <class Fill>
void ForEachFigure(const gfx::GraphicsPath& path, size_t begin, size_t end, Fill&& fill) {
    const std::vector<gfx::PointF>& points = path.Points();
    const std::vector<BYTE>& types = path.Types();
    gfx::GraphicsPath figure;
    bool open = false;
    auto close = [&] {
        if (!open) return;
        figure.CloseFigure();
        fill(figure);
        figure.Reset();
        open = false;
    };
    gfx::PointF last;
    for (size_t i = begin; i < end; ++i) {
        const BYTE kind = types[i] & gfx::PathPointTypePathTypeMask;
        if (kind == gfx::PathPointTypeStart) {
            close();
            last = points[i];
            figure.StartFigure();
            open = true;
        } else if (kind == gfx::PathPointTypeBezier && i + 2 < end) {
            figure.AddBezier(last, points[i], points[i + 1], points[i + 2]);
            last = points[i + 2];
            i += 2;
        } else {
            figure.AddLine(last, points[i]);
            last = points[i];
        }
    }
    close();
}

// The halo (when `halo`) and the radial fill of one figure, as the numeric and
// the matrix display draw them.
void FillFigureGlowing(gfx::Graphics* g, gfx::GraphicsPath* figure, COLORREF lit, COLORREF dim, bool halo);

class GlyphFills {
public:
    // The pixels kept at most. Twelve displays at the main window's size with
    // wind speeds changing keep about 150 KB, with halos about 500 KB.
    static constexpr size_t kBudgetBytes = 512 * 1024;

    GlyphFills();
    ~GlyphFills();
    GlyphFills(const GlyphFills&) = delete;
    GlyphFills& operator=(const GlyphFills&) = delete;

    // The one set the displays share.
    static GlyphFills& Shared();

    // Fills the figures of `outline` glowing, as ForEachFigure with
    // FillFigureGlowing would, on `g`: a graphics object on a `width` x
    // `height` surface in device pixels, or on a part of one with its origin
    // moved by whole pixels (no other transform; a clip only cuts what is drawn). Character i
    // is the points from starts[i] to the next start (the last to the end);
    // each must be whole figures. With `within` (in the surface's pixels),
    // kept fills that lie wholly outside it are not drawn.
    void Fill(gfx::Graphics* g, int width, int height, const gfx::GraphicsPath& outline,
              const std::vector<size_t>& starts, COLORREF lit, COLORREF dim, bool halo,
              const gfx::Rect* within = nullptr);

    size_t Bytes() const { return m_bytes; }
    size_t Count() const { return m_kept.size(); }
    // How many characters were drawn from what was kept, and how many were made.
    size_t Hits() const { return m_hits; }
    size_t Misses() const { return m_misses; }
    // Drops what is kept.
    void Clear();

private:
    struct Key {
        int width = 0, height = 0;
        COLORREF lit = 0, dim = 0;
        bool halo = false;
        std::vector<gfx::PointF> points;
        std::vector<BYTE> types;
        std::uint64_t hash = 0;
    };
    // One fill's pixels on a transparent surface, cut to where it drew.
    struct Sprite {
        int x = 0, y = 0;
        std::unique_ptr<gfx::Image> pixels;
    };
    struct Kept {
        Key key;
        std::vector<Sprite> sprites;
        size_t bytes = 0;
    };
    struct Surface;  // where fills are made
    void FillCharacter(gfx::Graphics* g, const gfx::GraphicsPath& outline, size_t begin, size_t end, Key key,
                       const gfx::Rect* within);
    static bool SameOutline(const Key& key, const gfx::GraphicsPath& outline, size_t begin, size_t end);
    static Kept Make(Surface& surface, Key key, const gfx::GraphicsPath& outline, size_t begin, size_t end);
    static void Draw(gfx::Graphics* g, const Kept& kept, const gfx::Rect* within);

    std::list<Kept> m_kept;  // most recently used first
    size_t m_bytes = 0;
    std::unique_ptr<Surface> m_surface;  // while a paint makes characters
    size_t m_hits = 0, m_misses = 0;
};
