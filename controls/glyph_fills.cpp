#include "controls/glyph_fills.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "controls/path_helpers.h"

using namespace gfx;

namespace {

std::uint64_t Mix(std::uint64_t h, const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) h = (h ^ bytes[i]) * 0x100000001B3ull;  // FNV-1a
    return h;
}

// The device pixels a fill of `area` (world units, pixel centres on whole
// numbers) may change on a `width` x `height` surface, with a margin; all of
// them when the area is not a number.
Rect Reach(const RectF& area, int width, int height) {
    constexpr float kMargin = 2.0f;
    auto edge = [](float v, int last, int otherwise) {
        return v == v ? int(std::clamp(v, 0.0f, float(last))) : otherwise;
    };
    const int x0 = edge(std::floor(area.X + 0.5f) - kMargin, width - 1, 0);
    const int y0 = edge(std::floor(area.Y + 0.5f) - kMargin, height - 1, 0);
    const int x1 = edge(std::ceil(area.X + area.Width + 0.5f) + kMargin, width - 1, width - 1);
    const int y1 = edge(std::ceil(area.Y + area.Height + 0.5f) + kMargin, height - 1, height - 1);
    return Rect(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
}

}  // namespace

void FillFigureGlowing(Graphics* g, GraphicsPath* figure, COLORREF lit, COLORREF dim, bool halo) {
    if (halo) FillPathGlow(g, figure, dim);
    FillPathRadial(g, figure, lit, dim);
}

GlyphFills& GlyphFills::Shared() {
    static GlyphFills shared;
    return shared;
}

void GlyphFills::Clear() {
    m_kept.clear();
    m_bytes = 0;
}

bool GlyphFills::SameOutline(const Key& key, const GraphicsPath& outline, size_t begin, size_t end) {
    const size_t n = end - begin;
    if (key.points.size() != n) return false;
    return std::memcmp(key.points.data(), outline.Points().data() + begin, n * sizeof(PointF)) == 0 &&
           std::memcmp(key.types.data(), outline.Types().data() + begin, n) == 0;
}

void GlyphFills::Fill(Graphics* g, int width, int height, const GraphicsPath& outline, size_t begin, size_t end,
                      COLORREF lit, COLORREF dim, bool halo) {
    end = std::min(end, outline.Points().size());
    if (begin >= end || width <= 0 || height <= 0) return;
    Key key{width, height, lit, dim, halo, {}, {}, 0};
    std::uint64_t h = 0xCBF29CE484222325ull;
    h = Mix(h, &width, sizeof width);
    h = Mix(h, &height, sizeof height);
    h = Mix(h, &lit, sizeof lit);
    h = Mix(h, &dim, sizeof dim);
    h = Mix(h, &halo, sizeof halo);
    h = Mix(h, outline.Points().data() + begin, (end - begin) * sizeof(PointF));
    h = Mix(h, outline.Types().data() + begin, end - begin);
    key.hash = h;

    auto found = std::find_if(m_kept.begin(), m_kept.end(), [&](const Kept& k) {
        return k.key.hash == h && k.key.width == width && k.key.height == height && k.key.lit == lit &&
               k.key.dim == dim && k.key.halo == halo && SameOutline(k.key, outline, begin, end);
    });
    if (found != m_kept.end()) {
        m_kept.splice(m_kept.begin(), m_kept, found);
        ++m_hits;
    } else {
        ++m_misses;
        key.points.assign(outline.Points().begin() + begin, outline.Points().begin() + end);
        key.types.assign(outline.Types().begin() + begin, outline.Types().begin() + end);
        Kept made = Make(std::move(key), outline, begin, end);
        if (made.bytes > kBudgetBytes) {  // a character larger than all that may be kept is not kept
            Draw(g, made);
            return;
        }
        m_kept.push_front(std::move(made));
        m_bytes += m_kept.front().bytes;
        while (m_bytes > kBudgetBytes) {
            m_bytes -= m_kept.back().bytes;
            m_kept.pop_back();
        }
    }
    Draw(g, m_kept.front());
}

void GlyphFills::Draw(Graphics* g, const Kept& kept) {
    // The same blend as the end of each fill: its pixels over the surface.
    for (const Sprite& s : kept.sprites) g->DrawImage(s.pixels.get(), s.x, s.y);
}

GlyphFills::Kept GlyphFills::Make(Key key, const GraphicsPath& outline, size_t begin, size_t end) {
    Kept kept;
    const int width = key.width, height = key.height;
    const COLORREF lit = key.lit, dim = key.dim;
    const bool halo = key.halo;
    kept.key = std::move(key);
    // Each fill goes on a clear surface of the display's size (fills are cut to
    // the surface, so it must be the same), then the pixels it drew are copied out.
    Bitmap surface(width, height, PixelFormat32bppARGB);
    if (surface.GetLastStatus() != Ok) return kept;
    Graphics canvas(&surface);
    canvas.SetSmoothingMode(SmoothingModeAntiAlias);
    bool drawn = false;
    auto capture = [&](const RectF& area, auto&& fill) {
        if (drawn) canvas.Clear(Color(0, 0, 0, 0));
        fill(&canvas);
        drawn = true;
        const Rect reach = Reach(area, width, height);
        if (reach.Width <= 0 || reach.Height <= 0) return;
        // The smallest rectangle holding every pixel the fill left.
        int x0 = reach.X + reach.Width, y0 = reach.Y + reach.Height, x1 = -1, y1 = -1;
        for (int y = reach.Y; y < reach.Y + reach.Height; ++y)
            for (int x = reach.X; x < reach.X + reach.Width; ++x) {
                Color c;
                surface.GetPixel(x, y, &c);
                if (c.GetA() == 0) continue;
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
        if (x1 < x0) return;
        Sprite s;
        s.x = x0;
        s.y = y0;
        const int w = x1 - x0 + 1, h = y1 - y0 + 1;
        s.pixels = std::make_unique<Bitmap>(w, h, PixelFormat32bppARGB);
        Graphics copy(s.pixels.get());
        copy.SetCompositingMode(CompositingModeSourceCopy);
        copy.DrawImage(&surface, Rect(0, 0, w, h), x0, y0, w, h, UnitPixel);
        kept.bytes += size_t(w) * size_t(h) * 4;
        kept.sprites.push_back(std::move(s));
    };
    ForEachFigure(outline, begin, end, [&](GraphicsPath& figure) {
        RectF bounds;
        figure.GetBounds(&bounds);
        if (halo) {
            // The halo is the figure grown about its centre.
            const fill_geometry::Growth grow = fill_geometry::Glow(figure);
            const float cx = grow.centre.X, cy = grow.centre.Y;
            const float l = cx + (bounds.X - cx) * grow.sx, r = cx + (bounds.X + bounds.Width - cx) * grow.sx;
            const float t = cy + (bounds.Y - cy) * grow.sy, b = cy + (bounds.Y + bounds.Height - cy) * grow.sy;
            capture(RectF(std::min(l, r), std::min(t, b), std::abs(r - l), std::abs(b - t)),
                    [&](Graphics* g) { FillPathGlow(g, &figure, dim); });
        }
        capture(bounds, [&](Graphics* g) { FillPathRadial(g, &figure, lit, dim); });
    });
    kept.bytes += kept.key.points.size() * (sizeof(PointF) + 1) + sizeof(Kept);
    return kept;
}
