// The layer's own antialiased filling: exact pixel coverage of flattened
// figures by signed area, coloured by a solid or linear-gradient brush and drawn
// onto the target in one image copy (which honours its clip).
#include <QImage>
#include <QPainterPathStroker>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>

#include "platform/graphics/graphics_impl.h"
#include "platform/base/kept_lru.h"
#include "platform/gdi/raster_bands.h"

namespace gfx::detail {

namespace {

// A cubic Bezier as straight segments within a quarter of a pixel.
void FlattenCubic(const QPointF& p0, const QPointF& p1, const QPointF& p2, const QPointF& p3,
                  std::vector<QPointF>& out) {
    const QPointF d1 = p0 - 2 * p1 + p2, d2 = p1 - 2 * p2 + p3;
    const double dd = std::max(std::hypot(d1.x(), d1.y()), std::hypot(d2.x(), d2.y()));
    const int n = std::clamp(int(std::ceil(std::sqrt(dd * 3.0))), 1, 100);
    for (int i = 1; i <= n; ++i) {
        const double t = double(i) / n, u = 1 - t;
        out.push_back(u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3);
    }
}

}  // namespace

void FlattenPath(const GraphicsPath& path, const QTransform& t, Polygons& out, std::vector<bool>* closed) {
    out.clear();
    if (closed) closed->clear();
    const auto& pts = path.Points();
    const auto& types = path.Types();
    const size_t n = pts.size();
    QPointF last;
    for (size_t i = 0; i < n; ++i) {
        const BYTE kind = types[i] & PathPointTypePathTypeMask;
        const QPointF p = t.map(QPointF(pts[i].X, pts[i].Y));
        size_t end = i;
        if (kind == PathPointTypeStart || out.empty()) {
            out.emplace_back();
            out.back().push_back(p);
            if (closed) closed->push_back(false);
        } else if (kind == PathPointTypeBezier && i + 2 < n) {
            FlattenCubic(last, p, t.map(QPointF(pts[i + 1].X, pts[i + 1].Y)),
                         t.map(QPointF(pts[i + 2].X, pts[i + 2].Y)), out.back());
            end = i + 2;
        } else {
            out.back().push_back(p);
        }
        if (closed && (types[end] & PathPointTypeCloseSubpath)) closed->back() = true;
        i = end;
        last = out.back().back();
    }
}

void PolygonsOf(const QPainterPath& path, Polygons& out) {
    out.clear();
    for (const QPolygonF& poly : path.toSubpathPolygons()) out.emplace_back(poly.begin(), poly.end());
}

QRectF BoundsOf(const Polygons& polys) {
    double x0 = 1e30, y0 = 1e30, x1 = -1e30, y1 = -1e30;
    for (const auto& poly : polys)
        for (const QPointF& p : poly) {
            x0 = std::min(x0, p.x());
            y0 = std::min(y0, p.y());
            x1 = std::max(x1, p.x());
            y1 = std::max(y1, p.y());
        }
    return x1 < x0 ? QRectF() : QRectF(QPointF(x0, y0), QPointF(x1, y1));
}

namespace {
inline float Fold(float sum, bool evenOdd) {
    float c = std::abs(sum);
    if (c <= 1.0f) return c;
    if (!evenOdd) return 1.0f;
    c -= 2.0f * std::floor(c * 0.5f);
    return c > 1.0f ? 2.0f - c : c;
}
}  // namespace

// Every edge adds its signed area to the cells of the rows it crosses; a sum
// along each row gives the winding-weighted coverage, folded for the alternate
// rule (twice covered is empty) or capped for the winding rule. Every figure is
// closed. Only the cells edges touched are summed: between them the coverage of
// a row stays constant, and the row is described as runs.
namespace {
// What a thread keeps between fills: enough for a control of a few hundred
// pixels each way.
constexpr size_t kKeptCoverageBytes = size_t(1) << 20;
}  // namespace

ScratchCoverage::~ScratchCoverage() {
    const size_t bytes = m_cov.cells.capacity() * sizeof(float) + m_cov.touched.capacity() * sizeof(std::uint64_t) +
                         m_cov.runs.capacity() * sizeof(Coverage::Run) + m_cov.rowStart.capacity() * sizeof(int);
    if (bytes > kKeptCoverageBytes) m_cov = Coverage();
}

void AccumulateCoverage(const Polygons& polys, const QRect& box, bool evenOdd, Coverage& out) {
    const int w = box.width(), h = box.height();
    out.box = box;
    out.stride = size_t(std::max(w, 0)) + 2;
    out.cells.assign(out.stride * size_t(std::max(h, 0)), 0.0f);
    out.runs.clear();
    out.rowStart.assign(size_t(std::max(h, 0)) + 1, 0);
    if (w <= 0 || h <= 0) return;
    std::vector<int> first(size_t(h), w + 2), last(size_t(h), -1);
    // Which cells edges touched, 64 to a word, so that runs of untouched cells are skipped whole.
    const size_t words = (out.stride + 63) / 64;
    std::vector<std::uint64_t>& touched = out.touched;
    touched.assign(words * size_t(h), 0);
    auto mark = [&](int y, int c) { touched[size_t(y) * words + size_t(c) / 64] |= std::uint64_t(1) << (c % 64); };
    const QPointF origin = box.topLeft();
    for (const auto& poly : polys) {
        const size_t n = poly.size();
        for (size_t i = 0; i < n; ++i) {
            QPointF a = poly[i] - origin, b = poly[(i + 1) % n] - origin;
            if (a.y() == b.y()) continue;
            const float dir = a.y() < b.y() ? 1.0f : -1.0f;
            if (a.y() > b.y()) std::swap(a, b);
            if (b.y() <= 0 || a.y() >= h) continue;
            // Area left of the box collapses onto its first column, right of it past the last.
            const double slope = (b.x() - a.x()) / (b.y() - a.y());
            const int yStart = std::max(0, int(std::floor(a.y())));
            const int yEnd = std::min(h, int(std::ceil(b.y())));
            for (int y = yStart; y < yEnd; ++y) {
                const double top = std::max(double(y), a.y()), bottom = std::min(double(y + 1), b.y());
                if (bottom <= top) continue;
                const double xt = std::clamp(a.x() + (top - a.y()) * slope, 0.0, double(w));
                const double xb = std::clamp(a.x() + (bottom - a.y()) * slope, 0.0, double(w));
                const float dy = float(bottom - top) * dir;
                float* row = out.cells.data() + size_t(y) * out.stride;
                const double x0 = std::min(xt, xb), x1 = std::max(xt, xb);
                const int c0 = int(std::floor(x0));
                const int c1 = std::max(c0, int(std::ceil(x1)) - 1);  // the last cell the crossing touches
                first[size_t(y)] = std::min(first[size_t(y)], c0);
                last[size_t(y)] = std::max(last[size_t(y)], c1 + 1);
                if (c0 == c1) {
                    // Within one cell: the share right of the crossing is covered here,
                    // the rest of the row fully.
                    const double mid = (x0 + x1) * 0.5 - c0;
                    row[c0] += dy * float(1.0 - mid);
                    row[c0 + 1] += dy * float(mid);
                    mark(y, c0);
                    mark(y, c0 + 1);
                    continue;
                }
                for (int c = c0; c <= c1 + 1; ++c) mark(y, c);
                const double inv = 1.0 / (x1 - x0);
                for (int c = c0; c <= c1; ++c) {
                    const double left = std::max(x0, double(c)), right = std::min(x1, double(c + 1));
                    if (right <= left) continue;
                    const double part = (right - left) * inv;
                    const double mid = (left + right) * 0.5 - c;
                    row[c] += dy * float(part * (1.0 - mid));
                    row[c + 1] += dy * float(part * mid);
                }
            }
        }
    }
    for (int y = 0; y < h; ++y) {
        out.rowStart[size_t(y)] = int(out.runs.size());
        float* row = out.cells.data() + size_t(y) * out.stride;
        float sum = 0;
        const int from = std::max(first[size_t(y)], 0), to = std::min(last[size_t(y)], w - 1);
        if (from > 0) out.runs.push_back({0, std::min(from, w) - 1, false, 0.0f});
        // Cells no edge touched hold nothing: the coverage runs on unchanged there.
        const std::uint64_t* bits = touched.data() + size_t(y) * words;
        auto isTouched = [&](int c) { return (bits[size_t(c) / 64] >> (c % 64)) & 1; };
        auto nextTouched = [&](int c) {  // the first touched cell at or after c, or to + 1
            while (c <= to) {
                const std::uint64_t word = bits[size_t(c) / 64] >> (c % 64);
                if (word) return std::min(to + 1, c + __builtin_ctzll(word));
                c = (c / 64 + 1) * 64;
            }
            return to + 1;
        };
        int x = from;
        while (x <= to) {
            if (!isTouched(x)) {
                const int start = x;
                x = nextTouched(x);
                out.runs.push_back({start, x - 1, false, Fold(sum, evenOdd)});
                continue;
            }
            const int start = x;
            while (x <= to && isTouched(x)) {
                sum += row[x];
                row[x] = Fold(sum, evenOdd);
                ++x;
            }
            out.runs.push_back({start, x - 1, true, 0.0f});
        }
        const int rest = std::max(from, to + 1);
        if (rest < w) out.runs.push_back({rest, w - 1, false, Fold(sum, evenOdd)});
    }
    out.rowStart[size_t(h)] = int(out.runs.size());
}

float Coverage::At(int x, int y) const {
    for (int r = rowStart[size_t(y)]; r < rowStart[size_t(y) + 1]; ++r) {
        const Run& run = runs[size_t(r)];
        if (x < run.x0 || x > run.x1) continue;
        return run.cells ? cells[size_t(y) * stride + size_t(x)] : run.value;
    }
    return 0.0f;
}

namespace {

// Colours of a brush at device pixels: solid, or a linear gradient's ramp
// along its axis (through the world and brush transforms).
struct BrushColours {
    bool solid = true;
    QRgb colour = 0;
    const QRgb* ramp = nullptr;
    double ax = 0, ay = 0, ac = 0;  // gradient position = ax * x + ay * y + ac at pixel centres
    WrapMode wrap = WrapModeTile;

    bool Set(const Brush& brush, const QTransform& full) {
        if (brush.GetType() == BrushTypeSolidColor) {
            const Color c = static_cast<const SolidBrush&>(brush).Colour();
            colour = qPremultiply(qRgba(c.GetR(), c.GetG(), c.GetB(), c.GetA()));
            solid = true;
            return true;
        }
        if (brush.GetType() != BrushTypeLinearGradient) return false;
        const auto& b = static_cast<const LinearGradientBrush&>(brush);
        const QTransform toDevice = ToQ(b.BrushTransform()) * full;
        bool ok = false;
        const QTransform back = toDevice.inverted(&ok);
        if (!ok) return false;
        const double sx = b.Start().X, sy = b.Start().Y;
        const double dx = b.End().X - sx, dy = b.End().Y - sy;
        const double len2 = dx * dx + dy * dy;
        if (len2 <= 0) return false;
        // Position t(q) = ((q - s) . d) / |d|^2 with q = back(p), p a device point.
        const double kx = dx / len2, ky = dy / len2;
        ax = back.m11() * kx + back.m12() * ky;
        ay = back.m21() * kx + back.m22() * ky;
        ac = (back.dx() - sx) * kx + (back.dy() - sy) * ky;
        ramp = CachedRamp(b.Colours()[0], b.Colours()[1], b.Blend(), kRampSize);
        wrap = b.GetWrapMode();
        solid = false;
        return true;
    }

    // Whether the colour depends on y only.
    bool FlatAlongRows() const { return solid || std::abs(ax) < 1e-12; }

    QRgb At(double x, double y) const {
        if (solid) return colour;
        double t = ax * x + ay * y + ac;
        if (t < 0.0 || t > 1.0) {
            switch (wrap) {
            case WrapModeClamp: t = std::clamp(t, 0.0, 1.0); break;
            case WrapModeTile: t -= std::floor(t); break;
            default:
                t = std::fmod(std::abs(t), 2.0);
                if (t > 1.0) t = 2.0 - t;
                break;
            }
        }
        return ramp[int(t * kRampSize + 0.5)];
    }
};

}  // namespace

namespace {

// Source over destination, both premultiplied.
inline QRgb Over(QRgb src, QRgb dst) {
    const int inv = 255 - int(qAlpha(src));
    if (inv == 0) return src;
    auto ch = [&](int s, int d) {
        const int t = d * inv + 128;
        return s + ((t + (t >> 8)) >> 8);
    };
    return qRgba(ch(qRed(src), qRed(dst)), ch(qGreen(src), qGreen(dst)), ch(qBlue(src), qBlue(dst)),
                 ch(qAlpha(src), qAlpha(dst)));
}

}  // namespace

namespace {

// A coverage with each pixel's share as the blend uses it: k of 256, where 0
// leaves the pixel alone and 256 puts the colour itself. Shares at or below a
// thousandth count as none and those at or above 0.999 as whole. Only the
// pixels edges cross are held: between them a row keeps the share of the last
// one before (none before the first).
struct Shares {
    struct Run {
        int x0, x1;  // crossed pixels, inclusive, from the box's left; their shares follow in `ks`
    };
    QRect box;
    std::vector<Run> runs;
    std::vector<int> rowStart;  // runs of row y: rowStart[y] .. rowStart[y + 1]
    std::vector<std::uint16_t> ks;

    size_t Bytes() const {
        return sizeof(Shares) + runs.size() * sizeof(Run) + rowStart.size() * sizeof(int) + ks.size() * 2;
    }
};

inline int ShareOf(float a) { return a <= 0.001f ? 0 : a >= 0.999f ? 256 : int(a * 256.0f + 0.5f); }

// Between the crossed pixels the coverage runs on at the share of the last
// one, so only those are taken.
void TakeShares(const Coverage& cov, Shares& out) {
    out.box = cov.box;
    out.runs.clear();
    out.ks.clear();
    const int h = cov.box.height();
    out.rowStart.assign(size_t(std::max(h, 0)) + 1, 0);
    for (int y = 0; y < h; ++y) {
        out.rowStart[size_t(y)] = int(out.runs.size());
        const float* row = cov.cells.data() + size_t(y) * cov.stride;
        for (int r = cov.rowStart[size_t(y)]; r < cov.rowStart[size_t(y) + 1]; ++r) {
            const Coverage::Run& run = cov.runs[size_t(r)];
            if (!run.cells) continue;
            out.runs.push_back({run.x0, run.x1});
            const size_t at = out.ks.size();
            out.ks.resize(at + size_t(run.x1 - run.x0 + 1));
            std::uint16_t* k = out.ks.data() + at;
            for (int x = run.x0; x <= run.x1; ++x) *k++ = std::uint16_t(ShareOf(row[x]));
        }
    }
    if (h > 0) out.rowStart[size_t(h)] = int(out.runs.size());
}

// f(y, x0, x1, shares, k): a run of row y, with per-pixel shares (indexed by
// the pixel's column in the box) or one share k for all of it; runs of no
// share are left out.
template <class F>
void ForEachCovered(const Shares& sh, F&& f) {
    const int w = sh.box.width();
    const std::uint16_t* ks = sh.ks.data();
    for (int y = 0; y < sh.box.height(); ++y) {
        int x = 0, k = 0;
        for (int r = sh.rowStart[size_t(y)]; r < sh.rowStart[size_t(y) + 1]; ++r) {
            const Shares::Run& run = sh.runs[size_t(r)];
            if (run.x0 > x && k > 0) f(y, x, run.x0 - 1, nullptr, k);
            f(y, run.x0, run.x1, ks - run.x0, 0);
            ks += run.x1 - run.x0 + 1;
            k = ks[-1];
            x = run.x1 + 1;
        }
        if (x < w && k > 0) f(y, x, w - 1, nullptr, k);
    }
}

inline QRgb ScaleBy(QRgb p, int k) {
    return qRgba((qRed(p) * k) >> 8, (qGreen(p) * k) >> 8, (qBlue(p) * k) >> 8, (qAlpha(p) * k) >> 8);
}

// Eight bytes at a time: a text's outline is a few thousand bytes.
std::uint64_t HashWords(std::uint64_t h, std::uint64_t multiplier, const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, bytes + i, 8);
        h = (h ^ w) * multiplier;
        h ^= h >> 29;
    }
    for (; i < size; ++i) h = (h ^ bytes[i]) * multiplier;
    return h ^ (h >> 32);
}

// What a fill from a path is kept under: its figures, where they were put and
// the pixels they were worked out over. The figures are told apart by two
// independent 64-bit hashes of their points and kinds, the transform and the
// box: a text's outline is a few thousand bytes that would otherwise be kept
// twice, in its label and here.
struct SharesKey {
    std::uint64_t first = 0, second = 0;
    size_t points = 0;
    int box[4] = {};
    bool evenOdd = false;

    SharesKey(const GraphicsPath& path, const QTransform& full, const QRect& b, bool rule)
        : points(path.Points().size()), box{b.left(), b.top(), b.width(), b.height()}, evenOdd(rule) {
        const double transform[9] = {full.m11(), full.m12(), full.m13(), full.m21(), full.m22(),
                                     full.m23(), full.m31(), full.m32(), full.m33()};
        auto hash = [&](std::uint64_t h, std::uint64_t m) {
            h = HashWords(h, m, path.Points().data(), points * sizeof(PointF));
            h = HashWords(h, m, path.Types().data(), path.Types().size());
            h = HashWords(h, m, transform, sizeof transform);
            h = HashWords(h, m, box, sizeof box);
            return HashWords(h, m, &evenOdd, 1);
        };
        first = hash(platform::kHashSeed, 0x9E3779B97F4A7C15ull);
        second = hash(0x2545F4914F6CDD1Dull, 0xBF58476D1CE4E5B9ull);
    }
    bool operator==(const SharesKey& o) const {
        return first == o.first && second == o.second && points == o.points && evenOdd == o.evenOdd &&
               std::memcmp(box, o.box, sizeof box) == 0;
    }
};

// Labels repaint the same texts over and over; their coverage is kept. A
// text of a main window's label at 1920x1080 keeps about 5 KB.
constexpr size_t kKeptSharesBytes = size_t(3) << 19;

struct KeptShares {
    platform::KeptLru<SharesKey, Shares> kept{kKeptSharesBytes};
    Shares scratch;  // for fills that are not kept
};
KeptShares& SharesOfThisThread() {
    thread_local KeptShares shares;
    return shares;
}

}  // namespace

KeptCoverageCounts KeptCoverageOfThisThread() {
    const auto& k = SharesOfThisThread().kept;
    return {k.Hits(), k.Misses(), k.Cost(), k.Count()};
}

void ForgetKeptCoverage() { SharesOfThisThread().kept.Clear(); }

bool FillCoverage(QPainter* painter, QImage* target, const QRect* directClip, const Polygons& polys, bool evenOdd,
                  const Brush& brush, const QTransform& full, const QRect& limit, const GraphicsPath* source) {
    BrushColours colours;
    if (!colours.Set(brush, full)) return false;
    const QRect shape = BoundsOf(polys).toAlignedRect().adjusted(0, 0, 1, 1);
    QRect box = shape.intersected(limit);
    if (box.isEmpty()) return true;
    // A pixel's share depends on where the sums along its row start: a small
    // kept fill is worked out over all of its shape, so that any part of it
    // painted again, on any surface, comes out as in a whole paint (and is
    // found kept whatever the clip).
    if (source && qint64(shape.width()) * shape.height() <= Graphics::kWholeFillPixels) box = shape;
    KeptShares& keptShares = SharesOfThisThread();
    auto work = [&](Shares& out) {
        thread_local Coverage kept;  // its buffers are reused by the next fill
        ScratchCoverage scratch(kept);
        Coverage& cov = *scratch;
        AccumulateCoverage(polys, box, evenOdd, cov);
        TakeShares(cov, out);
    };
    const Shares* shares = nullptr;
    if (source) {
        SharesKey key(*source, full, box, evenOdd);
        const std::uint64_t hash = key.first;
        shares = keptShares.kept.Find(key, hash);
        if (!shares) {
            Shares made;
            work(made);
            const size_t cost = made.Bytes() + sizeof(SharesKey);
            shares = keptShares.kept.Put(std::move(key), hash, std::move(made), cost);
        }
    } else {
        work(keptShares.scratch);
        shares = &keptShares.scratch;
    }
    const Shares& sh = *shares;

    const bool direct = directClip && platform::detail::PlainPixels(target);
    if (direct) {
        // Blend the covered pixels straight into the target (its clip is a rectangle).
        const QRect area = box.intersected(*directClip);
        if (area.isEmpty()) return true;
        ForEachCovered(sh, [&](int y, int x0, int x1, const std::uint16_t* ks, int k) {
            const int dy = box.top() + y;
            if (dy < area.top() || dy > area.bottom()) return;
            auto* line = reinterpret_cast<QRgb*>(target->scanLine(dy));
            const int from = std::max(x0 + box.left(), area.left()), to = std::min(x1 + box.left(), area.right());
            if (from > to) return;
            const double py = dy + 0.5;
            if (!ks && k == 256 && colours.FlatAlongRows()) {
                // A fully covered run of one colour.
                const QRgb c = colours.At(from + 0.5, py);
                if (qAlpha(c) == 255) std::fill(line + from, line + to + 1, c);
                else for (int dx = from; dx <= to; ++dx) line[dx] = Over(c, line[dx]);
                return;
            }
            const bool flat = colours.FlatAlongRows();
            const QRgb rowColour = flat ? colours.At(from + 0.5, py) : 0;
            for (int dx = from; dx <= to; ++dx) {
                const int a = ks ? ks[dx - box.left()] : k;
                if (a == 0) continue;
                const QRgb c = flat ? rowColour : colours.At(dx + 0.5, py);
                line[dx] = Over(a == 256 ? c : ScaleBy(c, a), line[dx]);
            }
        });
        return true;
    }
    QImage tmp(box.size(), QImage::Format_ARGB32_Premultiplied);
    if (tmp.isNull()) return false;
    tmp.fill(0);
    ForEachCovered(sh, [&](int y, int x0, int x1, const std::uint16_t* ks, int k) {
        auto* row = reinterpret_cast<QRgb*>(tmp.scanLine(y));
        const double py = box.top() + y + 0.5;
        for (int x = x0; x <= x1; ++x) {
            const int a = ks ? ks[x] : k;
            if (a == 0) continue;
            const QRgb c = colours.At(box.left() + x + 0.5, py);
            row[x] = a == 256 ? c : ScaleBy(c, a);
        }
    });
    painter->save();
    painter->resetTransform();
    platform::detail::DrawInBands(painter, box.topLeft(), tmp, tmp.rect());
    painter->restore();
    return true;
}

void StrokeOutline(const GraphicsPath& path, const QTransform& full, const QPen& pen, Polygons& out) {
    const double scale = std::sqrt(std::abs(full.determinant()));
    const double deviceWidth = pen.isCosmetic() ? pen.widthF() : pen.widthF() * scale;
    if (pen.style() == Qt::SolidLine && deviceWidth <= 2.5 && deviceWidth > 0) {
        // Thin solid lines: each polyline becomes the band between its two offset
        // lines (mitred at the joints): a closed figure gives two rings turning
        // opposite ways, an open one a single outline.
        const double hw = deviceWidth / 2.0;
        Polygons lines;
        std::vector<bool> closedFlags;
        FlattenPath(path, full, lines, &closedFlags);
        out.clear();
        for (size_t f = 0; f < lines.size(); ++f) {
            std::vector<QPointF> poly;
            for (const QPointF& p : lines[f])
                if (poly.empty() || std::hypot(p.x() - poly.back().x(), p.y() - poly.back().y()) > 1e-6)
                    poly.push_back(p);
            const bool endsAtStart = poly.size() > 2 && std::hypot(poly.front().x() - poly.back().x(),
                                                                   poly.front().y() - poly.back().y()) < 1e-6;
            bool closed = closedFlags[f] || endsAtStart;
            if (endsAtStart) poly.pop_back();
            const size_t n = poly.size();
            if (n < 2) continue;
            if (n < 3) closed = false;
            auto normal = [&](size_t a, size_t b) {
                const QPointF d = poly[b] - poly[a];
                const double len = std::hypot(d.x(), d.y());
                return QPointF(-d.y() / len, d.x() / len);
            };
            std::vector<QPointF> offset(n);
            for (size_t i = 0; i < n; ++i) {
                const bool hasPrev = closed || i > 0, hasNext = closed || i + 1 < n;
                const QPointF n0 = hasPrev ? normal((i + n - 1) % n, i) : normal(i, i + 1);
                const QPointF n1 = hasNext ? normal(i, (i + 1) % n) : n0;
                QPointF m = n0 + n1;
                const double ml = std::hypot(m.x(), m.y());
                if (ml < 1e-9) {
                    offset[i] = n0 * hw;
                    continue;
                }
                m /= ml;
                const double c = std::max(0.5, m.x() * n0.x() + m.y() * n0.y());  // miters at most twice as long
                offset[i] = m * (hw / c);
            }
            std::vector<QPointF> left, right;
            for (size_t i = 0; i < n; ++i) {
                left.push_back(poly[i] + offset[i]);
                right.push_back(poly[i] - offset[i]);
            }
            if (closed) {
                std::reverse(right.begin(), right.end());
                out.push_back(std::move(left));
                out.push_back(std::move(right));
            } else {
                left.insert(left.end(), right.rbegin(), right.rend());
                out.push_back(std::move(left));
            }
        }
        return;
    }
    const QPainterPath world = ToQPath(path);
    QPainterPathStroker stroker;
    stroker.setCapStyle(pen.capStyle());
    stroker.setJoinStyle(pen.joinStyle());
    stroker.setMiterLimit(pen.miterLimit());
    stroker.setDashPattern(pen.style());
    if (pen.isCosmetic()) {
        // Widths in device pixels.
        stroker.setWidth(pen.widthF());
        PolygonsOf(stroker.createStroke(full.map(world)), out);
    } else {
        stroker.setWidth(pen.widthF());
        PolygonsOf(full.map(stroker.createStroke(world)), out);
    }
}

}  // namespace gfx::detail
