#include "controls/fnd.h"

#include <optional>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "controls/draw_helpers.h"
#include "controls/glyph_fills.h"
#include "platform/window/window_dc.h"
#include "controls/path_helpers.h"
#include "platform/base/wformat.h"

using namespace gfx;

namespace {

constexpr UINT kRedrawNow = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE;

bool IsSeparator(char16_t c) { return c == u'.' || c == u':'; }

// Whether the outline points [begin, end) of `a` are those [otherBegin,
// otherEnd) of `b`, point for point.
bool SameOutline(const GraphicsPath& a, size_t begin, size_t end, const GraphicsPath& b, size_t otherBegin,
                 size_t otherEnd) {
    const size_t n = end - begin;
    if (otherEnd - otherBegin != n) return false;
    return std::memcmp(a.Points().data() + begin, b.Points().data() + otherBegin, n * sizeof(PointF)) == 0 &&
           std::memcmp(a.Types().data() + begin, b.Types().data() + otherBegin, n) == 0;
}

// The pixels the glowing fill of the outline points [begin, end) may change.
// The curves lie within their points' bounds; a halo grows each figure about
// its centre by at most 1.8 (0.4 of its extent on either side). Around that,
// the pixels an edge passes through and one more for the antialiasing. Empty
// for no points.
CRect FillReach(const GraphicsPath& path, size_t begin, size_t end, bool halo) {
    if (begin >= end) return CRect();
    const std::vector<PointF>& points = path.Points();
    float minX = points[begin].X, maxX = minX, minY = points[begin].Y, maxY = minY;
    for (size_t i = begin + 1; i < end; ++i) {
        minX = std::min(minX, points[i].X);
        maxX = std::max(maxX, points[i].X);
        minY = std::min(minY, points[i].Y);
        maxY = std::max(maxY, points[i].Y);
    }
    if (halo) {
        const float gx = (maxX - minX) * 0.4f, gy = (maxY - minY) * 0.4f;
        minX -= gx;
        maxX += gx;
        minY -= gy;
        maxY += gy;
    }
    // (Outlines that are drawn lie within 2^30 pixels: the sums stay in int's range.)
    return CRect(int(std::floor(minX - 0.5f)) - 1, int(std::floor(minY - 0.5f)) - 1, int(std::ceil(maxX + 0.5f)) + 2,
                 int(std::ceil(maxY + 0.5f)) + 2);
}

}  // namespace

// ---------------------------------------------------------------------------
// Shared with the matrix display

void FillFiguresGlowing(Graphics* g, const GraphicsPath& path, COLORREF lit, COLORREF dim, bool halo) {
    ForEachFigure(path, 0, path.Points().size(),
                  [&](GraphicsPath& figure) { FillFigureGlowing(g, &figure, lit, dim, halo); });
}

void DrawDisplayPanel(CDC* dc, const RECT& rc, COLORREF back) {
    CBrush brush(back);
    dc->FillRect(&rc, &brush);
    dc->Draw3dRect(&rc, OffsetColor(back, 70), OffsetColor(back, 120));
}

// ---------------------------------------------------------------------------
// CBlinkDisplay

CBlinkDisplay::~CBlinkDisplay() {
    m_dwFlags &= ~kCreated;
    if (m_hWnd) DestroyWindow();
}

LRESULT CBlinkDisplay::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        if (!(m_dwFlags & kCreated)) return CWnd::WindowProc(message, wParam, lParam);
        OnPaint();
        return 0;
    case WM_TIMER: {
        const HWND self = m_hWnd;
        OnTimer(UINT_PTR(wParam));
        if (!IsWindow(self)) return 0;
        return CWnd::WindowProc(message, wParam, lParam);
    }
    default:
        return CWnd::WindowProc(message, wParam, lParam);
    }
}

void CBlinkDisplay::OnTimer(UINT_PTR id) {
    if (id != kBlinkTimer) return;
    m_dwFlags ^= kBlinkOff;
    RedrawWindow(nullptr, nullptr, kRedrawNow);
}

// ---------------------------------------------------------------------------
// CFnd

CFnd::CFnd() = default;

void CFnd::LayOutText(const CString& text, float em, float right, float y, const gfx::StringFormat& format,
                      gfx::GraphicsPath* path, std::vector<size_t>* starts) const {
    starts->clear();
    const bool ownText = (m_dwFlags & kOwnText) != 0;
    // A room beyond an int's range (or of no size at all) counts as none:
    // nothing of a text that large shows, and the sums stay defined.
    const float half = em * 0.5f;
    const std::int64_t adv = half > -2147483648.0f && half < 2147483648.0f ? std::int64_t(half) : 0;
    std::int64_t acc = 0;
    for (size_t i = text.size(); i-- > 0;) {
        const char16_t c = text[i];
        const bool separator = !ownText && IsSeparator(c);
        float x = right - float(acc);
        if (separator) x += float((2 * adv) / 5);
        starts->push_back(path->Points().size());
        path->AddString(&c, 1, m_pFamily, FontStyleItalic, em, RectF(x, y, 0, 0), &format);
        acc += adv;
        if (separator) acc -= adv / 5;
    }
}

// Keyed by everything the layout depends on: fits made for another size or
// another face never match.
platform::KeptLru<CFnd::TextFitKey, CFnd::TextFit>& CFnd::Fits() {
    static platform::KeptLru<TextFitKey, TextFit> fits(kKeptFits);
    return fits;
}

void CFnd::ForgetFits() { Fits().Clear(); }

const CFnd::TextFit& CFnd::FitText(const CString& text, float right, float y, float start, const gfx::StringFormat& format) {
    TextFitKey key{text, right, y, start, m_pFamily ? m_pFamily->QtFamily() : std::u16string(),
                   m_pFamily && m_pFamily->IsAvailable(), float(m_rcClient.left), (m_dwFlags & kOwnText) != 0};
    std::uint64_t hash = platform::HashBytes(platform::kHashSeed, key.text.data(), key.text.size() * sizeof(char16_t));
    hash = platform::HashBytes(hash, key.family.data(), key.family.size() * sizeof(char16_t));
    for (const float v : {right, y, start, key.left}) hash = platform::HashBytes(hash, &v, sizeof v);
    const bool flags[2] = {key.familyAvailable, key.ownText};
    hash = platform::HashBytes(hash, flags, sizeof flags);
    if (const TextFit* kept = Fits().Find(key, hash)) return *kept;

    // The sizes tried are start, start - 0.1, ... (each step rounded as a float,
    // so they are counted from the start, never computed in one go), as long as
    // they stay above 1; the first that fits is taken, else the last.
    const float left = float(m_rcClient.left);
    auto sizeAt = [start](int step) {
        float em = start;
        for (int i = 0; i < step; ++i) em -= 0.1f;
        return em;
    };
    auto layOut = [&](int step, TextFit* fit) {
        fit->em = sizeAt(step);
        fit->path.Reset();
        LayOutText(text, fit->em, right, y, format, &fit->path, &fit->starts);
        Rect bounds;
        fit->path.GetBounds(&bounds);
        return !(left + fit->em * 0.5f > float(bounds.X));  // fits
    };

    TextFit fit;
    int lastStep = 0;
    if (!layOut(0, &fit)) {
        // (A size so large that a step no longer changes it is the last.)
        for (float em = start; em - 0.1f > 1.0f && em - 0.1f < em; em -= 0.1f) ++lastStep;
    }
    if (lastStep > 0) {
        // Outlines scale with the size: the text's extent at the start size
        // tells nearly which step fits. Shrinking only moves the text's left
        // edge to the right, so from there the first step that fits is found
        // by looking one step either way.
        Rect bounds;
        fit.path.GetBounds(&bounds);
        const float extent = right - float(bounds.X);
        const float target = (right - left) / (0.5f + extent / start);
        int step = std::clamp(int(std::ceil((start - target) / 0.1f)), 1, lastStep);
        if (layOut(step, &fit)) {
            TextFit smaller;
            while (step > 1 && layOut(step - 1, &smaller)) {
                --step;
                std::swap(fit, smaller);
            }
        } else {
            while (step < lastStep && !layOut(++step, &fit)) {
            }
        }
    }
    // Outlines of absurd sizes (far beyond any panel, or not a number) are not
    // filled: the fills' integer bounds could not hold them.
    RectF extent;
    fit.path.GetBounds(&extent);
    constexpr float kReach = 1073741824.0f;  // 2^30
    auto within = [](float v) { return v > -kReach && v < kReach; };
    fit.drawable = within(extent.X) && within(extent.Y) && within(extent.X + extent.Width) &&
                   within(extent.Y + extent.Height);
    return *Fits().Put(std::move(key), hash, std::move(fit));
}

std::pair<size_t, size_t> CFnd::CharacterPoints(const TextFit& fit, size_t i) {
    const size_t count = fit.path.Points().size();
    const size_t end = i + 1 < fit.starts.size() ? fit.starts[i + 1] : count;
    return {std::min(fit.starts[i], count), std::min(end, count)};
}

CFnd::~CFnd() {
    m_dwFlags &= ~kCreated;
    if (m_hWnd) DestroyWindow();
}

void CFnd::Init(BOOL bHalo, int nDecimals) {
    m_nDecimals = nDecimals;
    m_dwFlags = (m_dwFlags & ~kHalo) | ((bHalo & 1) ? kHalo : 0);
    m_crBack = m_crDim = m_crLit = 0x000000;
    m_strUnit.clear();
    m_fShiftX = 0.0f;
    m_fCenterY = 0.55f;
    m_dTextSize = 1.0;
    if (m_hWnd) GetClientRect(&m_rcClient);
    SetColor(0x000000);
    m_dwFlags |= kCreated;
}

void CFnd::SetColor(COLORREF c) {
    m_crLit = c;
    auto down = [](BYTE v) { return BYTE(v < 64 ? 0 : v - 64); };
    m_crDim = RGB(down(GetRValue(c)), down(GetGValue(c)), down(GetBValue(c)));
}

void CFnd::SetUnit(CString text) { m_strUnit = std::move(text); }

void CFnd::SetValueText(CString text) { m_strValueText = std::move(text); }

CString CFnd::TimeText(double v, char format) {
    if (std::isnan(v)) return u"-----";
    // Hours must fit an int; minutes and seconds are taken from whole values
    // without an integer conversion of their own, so they cannot overflow.
    const double hours = std::trunc(v / 3600.0);
    if (!(hours >= double(INT_MIN) && hours <= double(INT_MAX))) return u"OVER";
    const int H = int(hours);
    const int M = int(std::fmod(std::trunc(v / 60.0), 60.0));
    const int S = int(std::fmod(std::trunc(v), 60.0));
    std::string text;
    switch (format) {
    case 'm': {
        double whole = 0.0;
        const double fraction = std::modf(v, &whole);
        text = platform::FormatNarrow("%d:%02d:%02d.%03.0f", H, M, S, fraction * 1000.0);
        break;
    }
    case 'M':
        text = platform::FormatNarrow("%d:%02d", H, M);
        break;
    case 'H':
        text = platform::FormatNarrow("%d", H);
        break;
    default:
        text = platform::FormatNarrow("%d:%02d:%02d", H, M, S);
        break;
    }
    return Utf8ToUtf16(text);
}

CString CFnd::DisplayText() {
    CString text;
    if (m_dwFlags & kError) {
        text = u"ERROR";
    } else if (m_dwFlags & kNoValue) {
        text = u"-----";
    } else if (m_dwFlags & kOver) {
        text = u"OVER";
    } else if (m_dwFlags & kTime) {
        text = TimeText(m_dValue, m_cTimeFormat);
    } else {
        m_nDecimals = std::clamp(m_nDecimals, 0, 5);
        text = FormatNumber(m_nDecimals, CString(), m_dValue);
    }
    if (m_dwFlags & kOwnText) text = m_strValueText;
    return text;
}

const GraphicsPath& CFnd::UnitPath(float right, float bottom, float size) {
    UnitOutline& u = m_unit;
    if (!u.made || u.text != m_strUnit || u.right != right || u.bottom != bottom || u.size != size) {
        StringFormat unitFormat;
        unitFormat.SetLineAlignment(StringAlignmentFar);
        unitFormat.SetAlignment(StringAlignmentFar);
        const FontFamily arial(u"Arial");
        u.path.Reset();
        u.path.AddString(m_strUnit.c_str(), INT(m_strUnit.size()), &arial, FontStyleBold, size,
                         RectF(right, bottom, 0, 0), &unitFormat);
        u.reach = FillReach(u.path, 0, u.path.Points().size(), false);
        u.text = m_strUnit;
        u.right = right;
        u.bottom = bottom;
        u.size = size;
        u.made = true;
    }
    return u.path;
}

const CFnd::TextFit& CFnd::FitOnClient(const CString& text, int w, int h) {
    StringFormat format;
    format.SetLineAlignment(StringAlignmentCenter);
    format.SetAlignment(StringAlignmentFar);
    return FitText(text, float(w) + float(w) * m_fShiftX, float(h) * m_fCenterY, float(double(h) * m_dTextSize),
                   format);
}

CFnd::Look CFnd::CurrentLook(int w, int h) const {
    Look look;
    look.width = w;
    look.height = h;
    look.flags = m_dwFlags & (kCreated | kBlinkOff | kHalo | kOwnText);
    look.back = m_crBack;
    look.dim = m_crDim;
    look.lit = m_crLit;
    look.shiftX = m_fShiftX;
    look.centerY = m_fCenterY;
    look.textSize = m_dTextSize;
    look.family = m_pFamily;
    look.familyAvailable = m_pFamily && m_pFamily->IsAvailable();
    look.unit = m_strUnit;
    return look;
}

void CFnd::InvalidateValue() {
    if (!m_hWnd) return;
    CRect client;
    GetClientRect(&client);
    const int w = client.Width(), h = client.Height();
    const Look look = CurrentLook(w, h);
    const CString text = DisplayText();
    auto all = [this] {
        m_hasAnnounced = false;
        Invalidate();
    };
    if (!m_painted.valid || !m_painted.glyphs || !(look == m_painted.look) || text.size() != m_painted.text.size() ||
        text.empty() || !(look.flags & kCreated) || (look.flags & kBlinkOff) || !look.familyAvailable)
        return all();
    const TextFit& fit = FitOnClient(text, w, h);
    const TextFit& was = m_painted.fit;
    if (!fit.drawable || fit.em != was.em || fit.starts.size() != was.starts.size()) return all();
    // Character by character (from the right): where the outline differs,
    // both the old and the new one are painted again. The characters that
    // change are painted as one rectangle: the reaches of neighbours overlap,
    // and a paint clipped to one rectangle is written straight into the pixels.
    const bool halo = (m_dwFlags & kHalo) != 0;
    CRect changed;
    for (size_t i = 0; i < fit.starts.size(); ++i) {
        const auto [begin, end] = CharacterPoints(fit, i);
        const auto [wasBegin, wasEnd] = CharacterPoints(was, i);
        if (SameOutline(fit.path, begin, end, was.path, wasBegin, wasEnd)) continue;
        CRect area = FillReach(fit.path, begin, end, halo);
        area.UnionRect(area, FillReach(was.path, wasBegin, wasEnd, halo));
        area.IntersectRect(area, client);
        if (!area.IsRectEmpty()) changed.UnionRect(changed, area);
    }
    if (!changed.IsRectEmpty()) InvalidateRect(&changed, FALSE);
    m_announced = text;
    m_hasAnnounced = true;
}

void CFnd::OnPaint() {
    CPaintDC dc(this);
    if (m_dwFlags & kBlinkOff) {
        m_painted.valid = false;  // whatever the window shows now, it is no text
        return;
    }
    GetClientRect(&m_rcClient);
    const CRect client(m_rcClient);
    const int w = client.Width(), h = client.Height();
    // Only the part being painted again is drawn: straight onto the window's
    // pixels (which reach the screen whole, once painted), or where logical
    // units are not pixels, on a memory bitmap of its bounding rectangle whose
    // origin stands at the rectangle's corner.
    CRect area;
    area.IntersectRect(client, dc.m_ps.rcPaint);
    if (area.IsRectEmpty()) return;
    const CString text = DisplayText();
    const Look look = CurrentLook(w, h);
    const bool onPixels =
        dc.GetMapMode() == MM_TEXT && dc.GetWindowOrg() == CPoint(0, 0) && dc.GetViewportOrg() == CPoint(0, 0);
    {
        std::optional<_CQuorMemDC> buffer;
        if (!onPixels) buffer.emplace(&dc, &area);
        CDC& mem = buffer ? static_cast<CDC&>(*buffer) : static_cast<CDC&>(dc);

        DrawDisplayPanel(&mem, client, m_crBack);

        Graphics g(&mem);
        g.SetSmoothingMode(SmoothingModeAntiAlias);

        // Characters from the right, each on its own, shrunk in steps of 0.1 until
        // the text keeps half an em from the left edge (never below a size of 1).
        const TextFit* fit = nullptr;
        if (look.familyAvailable && !text.empty()) {
            fit = &FitOnClient(text, w, h);
            const bool halo = (m_dwFlags & kHalo) != 0;
            // On the window's pixels, or the display's own memory surface
            // moved by whole pixels at most, the fills of characters painted
            // before are drawn from what was kept.
            const bool plainPixels = onPixels || (buffer->IsMemory() && mem.GetMapMode() == MM_TEXT &&
                                                  mem.GetWindowOrg() == area.TopLeft() &&
                                                  mem.GetViewportOrg() == CPoint(0, 0));
            const Rect within(area.left, area.top, area.Width(), area.Height());
            if (fit->drawable && plainPixels)
                GlyphFills::Shared().Fill(&g, w, h, fit->path, fit->starts, m_crLit, m_crDim, halo, &within);
            else if (fit->drawable)
                FillFiguresGlowing(&g, fit->path, m_crLit, m_crDim, halo);
        }
        if (!m_strUnit.empty()) {
            const GraphicsPath& unit = UnitPath(float(m_rcClient.right), float(h) - 2.0f, float(h) / 3.0f);
            CRect meets;
            if (meets.IntersectRect(area, m_unit.reach)) {
                const SolidBrush white(Color(0xFFFFFFFFu));
                g.FillPath(&white, &unit);
            }
        }
        RememberPainted(area == client, look, text, fit);
    }
}

void CFnd::RememberPainted(bool whole, const Look& look, const CString& text, const TextFit* fit) {
    // A partial paint leaves the rest as it was: the picture is known only when
    // what changed since the last paint was announced.
    const bool same = m_painted.valid && look == m_painted.look && text == m_painted.text;
    const bool known = whole || same || (m_painted.valid && look == m_painted.look && m_hasAnnounced && text == m_announced);
    m_hasAnnounced = false;
    m_painted.valid = known;
    if (!known || same) return;
    m_painted.look = look;
    m_painted.text = text;
    m_painted.glyphs = fit && fit->drawable;
    if (m_painted.glyphs) m_painted.fit = *fit;
}
