#include "controls/glyph_fills.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "controls/path_helpers.h"
#include "platform/base/kept_lru.h"

using namespace gfx;

namespace {

// The device pixels a fill of `area` (world units, pixel centres on whole
// numbers) may change on a `width` x `height` surface, with a margin for the
// rounding of the bounds; all of them when the area is not a number.
Rect Reach(const RectF& area, int width, int height) {
    constexpr float kMargin = 1.0f;
    auto edge = [](float v, int last, int otherwise) {
        return v == v ? int(std::clamp(v, 0.0f, float(last))) : otherwise;
    };
    const int x0 = edge(std::floor(area.X + 0.5f) - kMargin, width - 1, 0);
    const int y0 = edge(std::floor(area.Y + 0.5f) - kMargin, height - 1, 0);
    const int x1 = edge(std::ceil(area.X + area.Width + 0.5f) + kMargin, width - 1, width - 1);
    const int y1 = edge(std::ceil(area.Y + area.Height + 0.5f) + kMargin, height - 1, height - 1);
    return Rect(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
}

// What a kept bitmap costs besides its pixels (its objects and allocations).
constexpr size_t kSpriteOverhead = 256;

// `r` without the rows and columns along its edges where `pixels` holds
// nothing (premultiplied: alpha 0 is no colour either).
Rect Trimmed(const Bitmap& pixels, Rect r) {
    auto empty = [&](int x, int y, int dx, int dy, int n) {
        for (int i = 0; i < n; ++i) {
            Color c;
            pixels.GetPixel(x + i * dx, y + i * dy, &c);
            if (c.GetA() != 0) return false;
        }
        return true;
    };
    while (r.Height > 0 && empty(r.X, r.Y, 1, 0, r.Width)) ++r.Y, --r.Height;
    while (r.Height > 0 && empty(r.X, r.Y + r.Height - 1, 1, 0, r.Width)) --r.Height;
    while (r.Width > 0 && r.Height > 0 && empty(r.X, r.Y, 0, 1, r.Height)) ++r.X, --r.Width;
    while (r.Width > 0 && r.Height > 0 && empty(r.X + r.Width - 1, r.Y, 0, 1, r.Height)) --r.Width;
    return r;
}

}  // namespace

void FillFigureGlowing(Graphics* g, GraphicsPath* figure, COLORREF lit, COLORREF dim, bool halo) {
    if (halo) FillPathGlow(g, figure, dim);
    FillPathRadial(g, figure, lit, dim);
}

// A clear surface of the display's size (fills are cut to the surface, so it
// must be the same), for the characters one paint makes.
struct GlyphFills::Surface {
    Bitmap pixels;
    Graphics canvas;
    Surface(int width, int height) : pixels(width, height, PixelFormat32bppARGB), canvas(&pixels) {
        canvas.SetSmoothingMode(SmoothingModeAntiAlias);
    }
    int Width() const { return int(pixels.GetWidth()); }
    int Height() const { return int(pixels.GetHeight()); }
};

GlyphFills::GlyphFills() = default;
GlyphFills::~GlyphFills() = default;

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

void GlyphFills::Fill(Graphics* g, int width, int height, const GraphicsPath& outline, const std::vector<size_t>& starts,
                      COLORREF lit, COLORREF dim, bool halo, const Rect* within) {
    if (width <= 0 || height <= 0) return;
    const size_t count = outline.Points().size();
    for (size_t i = 0; i < starts.size(); ++i) {
        const size_t begin = starts[i], end = std::min(i + 1 < starts.size() ? starts[i + 1] : count, count);
        if (begin < end) FillCharacter(g, outline, begin, end, Key{width, height, lit, dim, halo, {}, {}, 0}, within);
    }
    m_surface.reset();  // as large as the display: not kept between paints
}

void GlyphFills::FillCharacter(Graphics* g, const GraphicsPath& outline, size_t begin, size_t end, Key key,
                               const Rect* within) {
    std::uint64_t h = platform::kHashSeed;
    h = platform::HashBytes(h, &key.width, sizeof key.width);
    h = platform::HashBytes(h, &key.height, sizeof key.height);
    h = platform::HashBytes(h, &key.lit, sizeof key.lit);
    h = platform::HashBytes(h, &key.dim, sizeof key.dim);
    h = platform::HashBytes(h, &key.halo, sizeof key.halo);
    h = platform::HashBytes(h, outline.Points().data() + begin, (end - begin) * sizeof(PointF));
    h = platform::HashBytes(h, outline.Types().data() + begin, end - begin);
    key.hash = h;

    auto found = std::find_if(m_kept.begin(), m_kept.end(), [&](const Kept& k) {
        return k.key.hash == h && k.key.width == key.width && k.key.height == key.height && k.key.lit == key.lit &&
               k.key.dim == key.dim && k.key.halo == key.halo && SameOutline(k.key, outline, begin, end);
    });
    if (found != m_kept.end()) {
        m_kept.splice(m_kept.begin(), m_kept, found);
        ++m_hits;
        Draw(g, m_kept.front(), within);
        return;
    }
    ++m_misses;
    if (!m_surface || m_surface->Width() != key.width || m_surface->Height() != key.height) {
        m_surface.reset();  // (before the next one is made)
        m_surface = std::make_unique<Surface>(key.width, key.height);
    }
    key.points.assign(outline.Points().begin() + begin, outline.Points().begin() + end);
    key.types.assign(outline.Types().begin() + begin, outline.Types().begin() + end);
    Kept made = Make(*m_surface, std::move(key), outline, begin, end);
    if (made.bytes > kBudgetBytes) {  // a character larger than all that may be kept is not kept
        Draw(g, made, within);
        return;
    }
    m_kept.push_front(std::move(made));
    m_bytes += m_kept.front().bytes;
    while (m_bytes > kBudgetBytes) {
        m_bytes -= m_kept.back().bytes;
        m_kept.pop_back();
    }
    Draw(g, m_kept.front(), within);
}

void GlyphFills::Draw(Graphics* g, const Kept& kept, const Rect* within) {
    // The same blend as the end of each fill: its pixels over the surface.
    for (const Sprite& s : kept.sprites) {
        const int right = s.x + int(s.pixels->GetWidth()), bottom = s.y + int(s.pixels->GetHeight());
        if (within && (right <= within->X || s.x >= within->GetRight() || bottom <= within->Y ||
                       s.y >= within->GetBottom()))
            continue;
        g->DrawImage(s.pixels.get(), s.x, s.y);
    }
}

GlyphFills::Kept GlyphFills::Make(Surface& surface, Key key, const GraphicsPath& outline, size_t begin, size_t end) {
    Kept kept;
    kept.key = std::move(key);
    const Key& k = kept.key;
    if (surface.pixels.GetLastStatus() != Ok) return kept;
    Graphics& canvas = surface.canvas;
    // Each fill is copied out of the rectangle it can reach, cut to where it
    // drew, and that rectangle is cleared for the next fill.
    auto capture = [&](const RectF& area, auto&& fill) {
        fill(&canvas);
        const Rect reach = Reach(area, k.width, k.height);
        const Rect drew = Trimmed(surface.pixels, reach);
        if (drew.Width > 0 && drew.Height > 0) {
            Sprite s;
            s.x = drew.X;
            s.y = drew.Y;
            {
                Bitmap cut(drew.Width, drew.Height, PixelFormat32bppARGB);
                Graphics copy(&cut);
                copy.SetCompositingMode(CompositingModeSourceCopy);
                copy.DrawImage(&surface.pixels, Rect(0, 0, drew.Width, drew.Height), drew.X, drew.Y, drew.Width,
                               drew.Height, UnitPixel);
                copy.Flush();
                // A bitmap drawn on keeps what drawing on it needs; a copy of
                // its pixels does not.
                s.pixels.reset(cut.Clone());
            }
            kept.bytes += size_t(drew.Width) * size_t(drew.Height) * 4 + kSpriteOverhead;
            kept.sprites.push_back(std::move(s));
        }
        canvas.SetClip(reach);
        canvas.Clear(Color(0, 0, 0, 0));
        canvas.ResetClip();
    };
    ForEachFigure(outline, begin, end, [&](GraphicsPath& figure) {
        RectF bounds;
        figure.GetBounds(&bounds);
        if (k.halo) {
            // The halo is the figure grown about its centre.
            const fill_geometry::Growth grow = fill_geometry::Glow(figure);
            const float cx = grow.centre.X, cy = grow.centre.Y;
            const float l = cx + (bounds.X - cx) * grow.sx, r = cx + (bounds.X + bounds.Width - cx) * grow.sx;
            const float t = cy + (bounds.Y - cy) * grow.sy, b = cy + (bounds.Y + bounds.Height - cy) * grow.sy;
            capture(RectF(std::min(l, r), std::min(t, b), std::abs(r - l), std::abs(b - t)),
                    [&](Graphics* g) { FillPathGlow(g, &figure, k.dim); });
        }
        capture(bounds, [&](Graphics* g) { FillPathRadial(g, &figure, k.lit, k.dim); });
    });
    kept.bytes += k.points.size() * (sizeof(PointF) + 1) + sizeof(Kept);
    return kept;
}
