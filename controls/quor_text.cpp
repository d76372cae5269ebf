#include "controls/quor_text.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <optional>
#include <utility>

#include "controls/control_base.h"
#include "controls/draw_helpers.h"
#include "controls/path_helpers.h"
#include "platform/base/wformat.h"

using namespace gfx;

namespace {
// Around a text's outline: its pen and the antialiased pixels along its edges.
constexpr int kTextMargin = 3;
}  // namespace

CQuorText::CQuorText() = default;

CQuorText::~CQuorText() {
    m_dwFlags &= ~kCreated;
    DestroyEdit();
    m_editFont.DeleteObject();
}

void CQuorText::PreSubclassWindow() {
    control_base::MakeOwnerDrawnStatic(this);
    CWnd::PreSubclassWindow();
}

void CQuorText::DestroyEdit() {
    if (!m_pEdit) return;
    m_pEdit->DestroyWindow();
    delete m_pEdit;
    m_pEdit = nullptr;
}

void CQuorText::MakeEditFont(int height, int width) {
    m_editFont.DeleteObject();
    m_editFont.CreateFont(height, width, 0, 0, 10, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, u"돋움체");
}

void CQuorText::Init(COLORREF crText, COLORREF crBox, int nRadius, int nFrameWidth) {
    m_crText = crText;
    m_crBox = crBox;
    m_crTextOutline = crBox;
    m_nRadius = nRadius;
    m_nFrameWidth = nFrameWidth;

    MakeEditFont(30, 15);

    DestroyEdit();  // a second Init replaces the edit
    m_pEdit = new CEdit;
    m_pEdit->CreateEx(WS_EX_CLIENTEDGE | WS_EX_NOPARENTNOTIFY, nullptr, u"",
                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_CENTER, CRect(0, 0, 0, 0), this, kEditId);
    m_pEdit->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(HFONT(m_editFont)), TRUE);
    m_pEdit->ShowWindow(SW_HIDE);

    if (!m_hWnd) MessageBoxFormatA("Not Created Window! (%s)", InitName());

    m_dwFlags |= kCreated;
    m_strText = GetWindowText();
}

void CQuorText::Format(const char16_t* format, ...) {
    char16_t buffer[kFormatBufferSize];
    va_list args;
    va_start(args, format);
    platform::FormatWideV(buffer, kFormatBufferSize, format, args);
    va_end(args);
    SetText(CString(buffer));  // shown at once
}

void CQuorText::Reposition(const RECT& rc) {
    MoveWindow(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    MarkBackgroundStale();
}

void CQuorText::MarkBackgroundStale() {
    m_dwFlags |= kBackStale;
    m_pBack.reset();
    m_backRuns.Clear();
    m_backHasBox = false;
    InvalidateRect(nullptr, TRUE);
}

void CQuorText::SetText(CString text) {
    SetWindowText(text);
    m_strText = text;
    CRect area;
    if (!AreaOfNewText(&area)) {
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
        return;
    }
    // The paint copies the kept background over all it paints: nothing to erase.
    if (area.IsRectEmpty()) RedrawWindow(nullptr, nullptr, RDW_UPDATENOW);
    else RedrawWindow(&area, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

bool CQuorText::AreaOfNewText(CRect* area) {
    if (!m_hWnd || !(m_dwFlags & kCreated) || (m_dwFlags & kBackStale) || !TextChangesOnlyItsArea()) return false;
    GetClientRect(&m_rcClient);
    const int w = m_rcClient.right - m_rcClient.left;
    const int h = m_rcClient.bottom - m_rcClient.top;
    if (w <= 0 || h <= 0 || !BackCovers(w, h)) return false;
    if (!m_paintedLook || !(CurrentLook(w, h) == *m_paintedLook)) return false;
    float size = 0.0f;
    LayOutText(w, h, &size);
    if (m_shown.valid && GlyphsPaintAlike()) {
        // Only the glyphs that differ: the others show as they are.
        *area = WithGloss(ChangedGlyphs(m_shown, w, h), w, h);
        return true;
    }
    CRect texts;
    texts.UnionRect(m_rcTextShown, TextArea(w, h));
    *area = WithGloss(texts, w, h);
    return true;
}

LRESULT CQuorText::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        if (!(m_dwFlags & kCreated)) return CWnd::WindowProc(message, wParam, lParam);
        OnPaint();
        return 0;
    case WM_SIZE:
        CWnd::WindowProc(message, wParam, lParam);
        OnSize();
        return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(wParam, lParam);
        return 0;
    case WM_LBUTTONDBLCLK: {
        const HWND self = m_hWnd;
        control_base::NotifyOwner(this, WM_TEXT_NOTIFY, TEXT_NOTIFY_DBLCLK);
        if (!IsWindow(self)) return 0;
        return CWnd::WindowProc(message, wParam, lParam);
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == kEditId && HIWORD(wParam) == EN_KILLFOCUS) {
            OnEditKillFocus();
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    default:
        return CWnd::WindowProc(message, wParam, lParam);
    }
}

void CQuorText::OnPaint() {
    CPaintDC dc(this);
    Graphics g(&dc);
    CRect rc;
    GetClientRect(&rc);
    const BoxLook look = CurrentBoxLook(rc.Width(), rc.Height());
    bool take = (m_dwFlags & kBackStale) != 0;
    if (!take && m_backHasBox && !(look == m_backLook)) {
        // The box changed since it was drawn into the kept background. A paint
        // that erased the whole label shows what lies under it: the copy is
        // taken again. Otherwise the new box goes over the old one this time
        // and a repaint that erases is asked for.
        const bool erasedWhole = dc.m_ps.fErase && CRect(dc.m_ps.rcPaint) == rc;
        if (erasedWhole) {
            take = true;
        } else {
            m_backHasBox = false;
            m_dwFlags |= kBackStale;
            InvalidateRect(nullptr, TRUE);
        }
    }
    if (take) {
        PrepareBackground(&dc);
        m_backRuns.Clear();
        m_pBack = control_base::TakeBackgroundPicture(&dc, rc.Width(), rc.Height());
        ++m_backTaken;
        m_dwFlags &= ~kBackStale;
        m_backHasBox = false;
        // The box is drawn once into the copy, over the background as every paint had it.
        if (m_pBack) {
            Graphics back(m_pBack.get());
            back.SetSmoothingMode(SmoothingModeHighQuality);
            DrawBox(&back, rc.Width(), rc.Height());
            m_backLook = look;
            m_backHasBox = true;
        }
        // Mostly one colour along each row, the copy is kept as runs: a few
        // kilobytes instead of four bytes a pixel.
        if (m_pBack && m_backRuns.Take(*m_pBack, size_t(rc.Width()) * size_t(rc.Height())))
            m_pBack.reset();
    }
    Draw(&g);
}

void CQuorText::OnSize() {
    if (!(m_dwFlags & kCreated)) return;
    GetClientRect(&m_rcClient);
    const float f = float(m_rcClient.bottom - m_rcClient.top) * m_fTextScale;
    MakeEditFont(int(f), int(f * 0.5f));
    MarkBackgroundStale();
}

LPARAM CQuorText::PressCode(CPoint) { return TEXT_NOTIFY_PRESS; }

void CQuorText::OnLButtonDown(WPARAM wParam, LPARAM lParam) {
    const HWND self = m_hWnd;
    if ((m_dwFlags & kEditable) && m_pEdit && m_pEdit->m_hWnd) {
        m_dwFlags |= kEditing;
        const CRect rc(m_rcClient);
        m_pEdit->MoveWindow(rc.left, rc.top, rc.Width(), rc.Height(), TRUE);
        m_pEdit->SetWindowText(m_strText);
        m_pEdit->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(HFONT(m_editFont)), TRUE);
        m_pEdit->ShowWindow(SW_SHOW);
        m_pEdit->SendMessage(EM_SETSEL, 0, -1);
        m_pEdit->SetFocus();
        if (!IsWindow(self)) return;
    }
    control_base::NotifyOwner(this, WM_TEXT_NOTIFY, PressCode(CPoint(lParam)));
    if (!IsWindow(self)) return;
    CWnd::WindowProc(WM_LBUTTONDOWN, wParam, lParam);
}

void CQuorText::OnEditKillFocus() {
    // A label on its way out (its edit losing the focus as it goes) reports nothing.
    if (!(m_dwFlags & kCreated) || !m_pEdit || !m_pEdit->m_hWnd) return;
    const HWND self = m_hWnd;
    m_dwFlags &= ~kEditing;
    m_pEdit->ShowWindow(SW_HIDE);
    SetText(m_pEdit->GetWindowText());
    if (!IsWindow(self)) return;
    control_base::NotifyOwner(this, WM_TEXT_NOTIFY, TEXT_NOTIFY_EDIT_END);
}

// ---------------------------------------------------------------------------
// Drawing

CQuorText::BoxLook CQuorText::CurrentBoxLook(int w, int h) const {
    BoxLook look;
    look.w = w;
    look.h = h;
    look.radius = m_nRadius;
    look.fillMode = m_nFillMode;
    look.frameWidth = m_nFrameWidth;
    look.flags = m_dwFlags & (kFrame | kEdgeLines);
    look.box = m_crBox;
    look.fill1 = m_crFill1;
    look.fill2 = m_crFill2;
    look.frame = m_crFrame;
    return look;
}

CQuorText::Look CQuorText::CurrentLook(int w, int h) const {
    Look look;
    look.box = CurrentBoxLook(w, h);
    look.flags = m_dwFlags & (kGloss | kReflection | kTextOutline | kTextGradient);
    look.align = m_nAlign;
    look.textScale = m_fTextScale;
    look.textOffset = m_fTextOffset;
    look.text = m_crText;
    look.outline = m_crTextOutline;
    look.top = m_crTextTop;
    look.bottom = m_crTextBottom;
    look.face = m_strFaceName;
    look.background = m_backTaken;
    return look;
}

void CQuorText::DrawBox(Graphics* g, int w, int h) {
    GraphicsPath box;
    AddRoundRectPath(m_nRadius, &box, 0, 0, w - 1, h - 1);
    box.CloseFigure();
    switch (m_nFillMode) {
    case 0: {
        const SolidBrush brush(Opaque(m_crBox));
        g->FillPath(&brush, &box);
        break;
    }
    case 1: {
        LinearGradientBrush brush(Rect(0, 0, w, h), Opaque(m_crFill1), Opaque(m_crFill2), LinearGradientModeVertical);
        brush.SetWrapMode(WrapModeTile);
        g->FillPath(&brush, &box);
        break;
    }
    case 2: {
        LinearGradientBrush brush(Rect(0, 0, w, h), Opaque(m_crFill1), Opaque(m_crFill2), LinearGradientModeVertical);
        const Color colours[3] = {Opaque(m_crFill2), Opaque(m_crFill1), Opaque(m_crFill2)};
        const REAL positions[3] = {0.0f, 0.6f, 1.0f};
        brush.SetInterpolationColors(colours, positions, 3);
        g->FillPath(&brush, &box);
        break;
    }
    default:
        break;
    }
    if (m_dwFlags & kFrame) {
        const Pen pen(Opaque(m_crFrame), REAL(m_nFrameWidth / 2));
        g->DrawPath(&pen, &box);
    }
    if (m_dwFlags & kEdgeLines)
        DrawEdgeLines(g, OffsetColor(m_crBox, 50), 0, 0, w - 1, h - 1, OffsetColor(m_crBox, -50));
}

float CQuorText::AlignText(StringFormat* format, int w) {
    if (m_nAlign & 0x1) {
        format->SetAlignment(StringAlignmentCenter);
        return float(w) * 0.5f;
    }
    if (m_nAlign & 0x2) {
        format->SetAlignment(StringAlignmentFar);
        return float(m_rcClient.right);
    }
    format->SetAlignment(StringAlignmentNear);
    return float(m_rcClient.left);
}

float CQuorText::TextAnchorY(int h) const {
    return float(h / 10) + float(h) * 0.5f + float(h) * m_fTextOffset;
}

float CQuorText::TextSize(const StringFormat*, PointF, int h) const { return float(h) * m_fTextScale; }

void CQuorText::AddTextPath(GraphicsPath* path, const CString& text, float emSize, PointF at,
                            const StringFormat* format) const {
    const FontFamily family(m_strFaceName.c_str());
    path->AddString(text.c_str(), INT(text.size()), &family, FontStyleBold, emSize, RectF(at.X, at.Y, 0, 0), format);
}

// The labels share the outlines last laid out: twelve stacks' labels of one
// size show the same few hundred directions.
platform::KeptLru<CQuorText::LayoutKey, CQuorText::TextShape>& CQuorText::Layouts() {
    static platform::KeptLru<LayoutKey, TextShape> layouts(kSharedLayouts);
    return layouts;
}

void CQuorText::ForgetLayouts() { Layouts().Clear(); }

GraphicsPath* CQuorText::LayOutText(int w, int h, float* emSize) {
    StringFormat format;
    format.SetLineAlignment(StringAlignmentCenter);
    const PointF at(AlignText(&format, w), TextAnchorY(h));
    const float size = TextSize(&format, at, h);
    *emSize = size;
    TextLayout& l = m_layout;
    if (!l.valid || l.text != m_strText || l.face != m_strFaceName || l.emSize != size || l.at.X != at.X ||
        l.at.Y != at.Y || l.align != format.GetAlignment()) {
        LayoutKey key{m_strText, m_strFaceName, size, at.X, at.Y, int(format.GetAlignment())};
        std::uint64_t hash = platform::HashBytes(platform::kHashSeed, m_strText.data(), m_strText.size() * sizeof(char16_t));
        hash = platform::HashBytes(hash, m_strFaceName.data(), m_strFaceName.size() * sizeof(char16_t));
        const float numbers[4] = {size, at.X, at.Y, float(format.GetAlignment())};
        hash = platform::HashBytes(hash, numbers, sizeof numbers);
        const TextShape* shape = Layouts().Find(key, hash);
        if (!shape) {
            TextShape made;
            AddTextPath(&made.path, m_strText, size, at, &format);
            made.path.GetBounds(&made.bounds);
            made.glyphs = GlyphsOf(made.path);
            shape = Layouts().Put(std::move(key), hash, std::move(made));
        }
        l.path = shape->path;
        l.bounds = shape->bounds;
        l.glyphs = shape->glyphs;
        l.valid = true;
        l.text = m_strText;
        l.face = m_strFaceName;
        l.emSize = size;
        l.at = at;
        l.align = format.GetAlignment();
    }
    return &l.path;
}

CRect CQuorText::TextArea(int w, int h) const {
    if (!m_layout.valid || m_layout.path.GetPointCount() == 0) return CRect();
    return ReachOf(m_layout.bounds, w, h);
}

CRect CQuorText::ReachOf(const RectF& b, int w, int h) const {
    auto span = [](double from, double to) {
        return std::pair<int, int>(int(std::floor(from)) - kTextMargin, int(std::ceil(to)) + kTextMargin);
    };
    const auto [left, right] = span(b.X, double(b.X) + b.Width);
    const auto [top, bottom] = span(b.Y, double(b.Y) + b.Height);
    CRect area(left, top, right, bottom);
    if (m_dwFlags & kReflection) {
        // Mirrored about the line DrawReflection turns it over.
        const double t = ReflectionLine(h);
        const auto [rtop, rbottom] = span(2.0 * t - (double(b.Y) + b.Height), 2.0 * t - b.Y);
        area.UnionRect(area, CRect(left, rtop, right, rbottom));
    }
    area.IntersectRect(area, CRect(0, 0, w, h));
    return area;
}

std::vector<CQuorText::Glyph> CQuorText::GlyphsOf(const GraphicsPath& path) {
    const std::vector<PointF>& points = path.Points();
    const std::vector<BYTE>& types = path.Types();
    auto meets = [](const RectF& a, const RectF& b) {
        return a.X <= b.X + b.Width && b.X <= a.X + a.Width && a.Y <= b.Y + b.Height && b.Y <= a.Y + a.Height;
    };
    auto unite = [](const RectF& a, const RectF& b) {
        const REAL x0 = std::min(a.X, b.X), y0 = std::min(a.Y, b.Y);
        return RectF(x0, y0, std::max(a.X + a.Width, b.X + b.Width) - x0, std::max(a.Y + a.Height, b.Y + b.Height) - y0);
    };
    std::vector<Glyph> glyphs;
    for (size_t begin = 0; begin < points.size();) {
        size_t end = begin + 1;
        while (end < points.size() && (types[end] & PathPointTypePathTypeMask) != PathPointTypeStart) ++end;
        REAL x0 = points[begin].X, y0 = points[begin].Y, x1 = x0, y1 = y0;
        for (size_t i = begin; i < end; ++i) {
            x0 = std::min(x0, points[i].X);
            y0 = std::min(y0, points[i].Y);
            x1 = std::max(x1, points[i].X);
            y1 = std::max(y1, points[i].Y);
        }
        glyphs.push_back({begin, end, RectF(x0, y0, x1 - x0, y1 - y0)});
        // A figure that meets an earlier glyph (a counter, a dot) joins it, with
        // every glyph between, until the last glyph meets none before it.
        for (bool merged = true; merged && glyphs.size() > 1;) {
            merged = false;
            Glyph& last = glyphs.back();
            for (size_t k = 0; k + 1 < glyphs.size(); ++k) {
                if (!meets(glyphs[k].bounds, last.bounds)) continue;
                for (size_t j = k + 1; j < glyphs.size(); ++j) glyphs[k].bounds = unite(glyphs[k].bounds, glyphs[j].bounds);
                glyphs[k].end = last.end;
                glyphs.resize(k + 1);
                merged = true;
                break;
            }
        }
        begin = end;
    }
    return glyphs;
}

bool CQuorText::GlyphsPaintAlike() const {
    if (m_dwFlags & kTextOutline) return false;  // a pen is worked out over the painted part
    for (const Glyph& glyph : m_layout.glyphs) {
        const double pixels = (double(glyph.bounds.Width) + 3.0) * (double(glyph.bounds.Height) + 3.0);
        if (!(pixels <= double(Graphics::kWholeFillPixels))) return false;
    }
    return true;
}

CRect CQuorText::ChangedGlyphs(const TextLayout& was, int w, int h) const {
    auto same = [](const TextLayout& a, const Glyph& ga, const TextLayout& b, const Glyph& gb) {
        const size_t n = ga.end - ga.begin;
        return n == gb.end - gb.begin && ga.bounds == gb.bounds &&
               std::equal(a.path.Points().begin() + ptrdiff_t(ga.begin), a.path.Points().begin() + ptrdiff_t(ga.end),
                          b.path.Points().begin() + ptrdiff_t(gb.begin)) &&
               std::equal(a.path.Types().begin() + ptrdiff_t(ga.begin), a.path.Types().begin() + ptrdiff_t(ga.end),
                          b.path.Types().begin() + ptrdiff_t(gb.begin));
    };
    CRect area;
    auto unmatched = [&](const TextLayout& from, const TextLayout& other) {
        for (const Glyph& g : from.glyphs) {
            const bool kept = std::any_of(other.glyphs.begin(), other.glyphs.end(),
                                          [&](const Glyph& o) { return same(from, g, other, o); });
            if (!kept) area.UnionRect(area, ReachOf(g.bounds, w, h));
        }
    };
    unmatched(was, m_layout);
    unmatched(m_layout, was);
    return area;
}

void CQuorText::EachGlyph(Graphics* g, const Brush* brush, const Pen* pen, const CRect& painted, int w, int h) {
    const GraphicsPath& path = m_layout.path;
    for (const Glyph& glyph : m_layout.glyphs) {
        CRect meets;
        if (!meets.IntersectRect(ReachOf(glyph.bounds, w, h), painted)) continue;
        const GraphicsPath one(path.Points().data() + glyph.begin, path.Types().data() + glyph.begin,
                               INT(glyph.end - glyph.begin), path.GetFillMode());
        if (pen) g->DrawPath(pen, &one);
        else g->FillPath(brush, &one);
    }
}

bool CQuorText::BackCovers(int w, int h) const {
    if (m_pBack) return int(m_pBack->GetWidth()) >= w && int(m_pBack->GetHeight()) >= h;
    return !m_backRuns.Empty() && m_backRuns.Width() >= w && m_backRuns.Height() >= h;
}

CRect CQuorText::WithGloss(const CRect& area, int w, int h) const {
    if (!(m_dwFlags & kGloss)) return area;
    // The gloss's gradient is worked out along each row from where its
    // painted part starts: a paint that reaches it paints it whole.
    const Rect gloss = GlossEllipse(w, h);
    CRect reach(gloss.GetLeft() - kTextMargin, gloss.GetTop() - kTextMargin, gloss.GetRight() + kTextMargin,
                gloss.GetBottom() + kTextMargin);
    CRect overlap, out(area);
    if (overlap.IntersectRect(reach, area)) out.UnionRect(area, reach);
    out.IntersectRect(out, CRect(0, 0, w, h));
    return out;
}

void CQuorText::FillText(Graphics* g, const CRect& painted, int w, int h) {
    if (m_dwFlags & kTextGradient) {
        const LinearGradientBrush brush(Rect(0, 0, w, h), Opaque(m_crTextTop), Opaque(m_crTextBottom),
                                        LinearGradientModeVertical);
        EachGlyph(g, &brush, nullptr, painted, w, h);
    } else {
        const SolidBrush brush(Opaque(m_crText));
        EachGlyph(g, &brush, nullptr, painted, w, h);
    }
    if (m_dwFlags & kTextOutline) {
        const Pen pen(Opaque(m_crTextOutline), 1.0f);
        EachGlyph(g, nullptr, &pen, painted, w, h);
    }
}

Rect CQuorText::GlossEllipse(int w, int h) { return Rect(w / 6, h / 20, (4 * w) / 6, h / 8); }

void CQuorText::DrawGloss(Graphics* g, int w, int h) {
    if (!(m_dwFlags & kGloss)) return;
    GraphicsPath ellipse;
    ellipse.AddEllipse(GlossEllipse(w, h));
    PathGradientBrush brush(&ellipse);
    brush.SetCenterPoint(Point(w / 2, h / 20 + h / 16));
    brush.SetCenterColor(Color(0xFFFFFFFFu));
    const Color surround = Opaque(m_nFillMode != 0 ? m_crFill1 : m_crBox);
    INT count = 1;
    brush.SetSurroundColors(&surround, &count);
    g->FillPath(&brush, &ellipse);
}

float CQuorText::ReflectionLine(int h) const {
    // The text's size plus ten pixels from the top.
    return float(h) * m_fTextScale + 10.0f + m_fTextOffset;
}

void CQuorText::DrawReflection(Graphics* g, const CRect& painted, int w, int h) {
    if (!(m_dwFlags & kReflection)) return;
    const REAL t = ReflectionLine(h);
    g->TranslateTransform(0.0f, t, MatrixOrderPrepend);
    g->ScaleTransform(1.0f, -1.0f, MatrixOrderPrepend);
    g->TranslateTransform(0.0f, -t, MatrixOrderPrepend);
    const LinearGradientBrush brush(Rect(0, int(t), w, h / 2), Color(0xFF000000u),
                                    Opaque(ScaleColor(0x00FF00, -0.2f)), LinearGradientModeVertical);
    EachGlyph(g, &brush, nullptr, painted, w, h);
    g->ResetTransform();
}

void CQuorText::Draw(Graphics* target) {
    if (!(m_dwFlags & kCreated)) return;
    GetClientRect(&m_rcClient);
    const int w = m_rcClient.right - m_rcClient.left;
    const int h = m_rcClient.bottom - m_rcClient.top;
    if (w <= 0 || h <= 0) return;
    RectF painted;
    target->GetClipBounds(&painted);
    const bool whole = painted.X <= 0.5f && painted.Y <= 0.5f && painted.X + painted.Width >= REAL(w) - 0.5f &&
                       painted.Y + painted.Height >= REAL(h) - 0.5f;
    auto paintedHolds = [&](const CRect& r) {
        return r.IsRectEmpty() || (painted.X <= REAL(r.left) + 0.5f && painted.Y <= REAL(r.top) + 0.5f &&
                                   painted.X + painted.Width >= REAL(r.right) - 0.5f &&
                                   painted.Y + painted.Height >= REAL(r.bottom) - 0.5f);
    };
    const bool covered = BackCovers(w, h);
    const bool boxKept = m_backHasBox && CurrentBoxLook(w, h) == m_backLook;
    float size = 0.0f;
    GraphicsPath* text = LayOutText(w, h, &size);
    const CRect textArea = TextArea(w, h);

    // Which texts may have left pixels on the window, and whether it shows
    // the look of its last whole paint everywhere.
    const Look look = CurrentLook(w, h);
    if (whole || paintedHolds(m_rcTextShown)) m_rcTextShown = textArea;
    else m_rcTextShown.UnionRect(m_rcTextShown, textArea);
    if (whole) m_paintedLook = look;
    else if (m_paintedLook && !(*m_paintedLook == look)) m_paintedLook.reset();
    // The window shows the laid-out text glyph for glyph after a whole paint,
    // or after one that held where the glyphs shown before differ from it.
    const bool showsText =
        m_paintedLook &&
        (whole || (m_shown.valid && paintedHolds(WithGloss(ChangedGlyphs(m_shown, w, h), w, h))));
    if (!showsText) {
        m_shown.valid = false;
    } else {
        m_rcTextShown = textArea;
        const TextLayout& l = m_layout;
        if (!m_shown.valid || m_shown.text != l.text || m_shown.face != l.face || m_shown.emSize != l.emSize ||
            !(m_shown.at == l.at) || m_shown.align != l.align)
            m_shown = l;
    }

    // The kept background is opaque: where it covers the label, whatever the
    // target holds there is painted over and the label draws straight onto it.
    // Otherwise it is composed off-screen first and the parts it leaves
    // transparent let the target show through. Glyphs small enough to be
    // worked out whole come out the same whatever part of them is painted;
    // otherwise only a paint that holds all of the text gives its edges the
    // sums of a whole paint, and any other part of the label is composed
    // off-screen whole and copied.
    const CRect paintRect(int(std::ceil(painted.X)), int(std::ceil(painted.Y)),
                          int(std::ceil(painted.X + painted.Width)), int(std::ceil(painted.Y + painted.Height)));
    const bool direct =
        covered && (whole || (boxKept && TextChangesOnlyItsArea() && (paintedHolds(textArea) || GlyphsPaintAlike()) &&
                              paintedHolds(WithGloss(paintRect, w, h))));
    std::optional<Bitmap> bitmap;
    std::optional<Graphics> off;
    Graphics* g = target;
    if (!direct) {
        bitmap.emplace(w, h, PixelFormat32bppARGB);
        off.emplace(&*bitmap);
        g = &*off;
    }
    g->SetSmoothingMode(SmoothingModeHighQuality);
    if (m_pBack) {
        // Opaque: copied as it is, nothing to blend.
        g->SetCompositingMode(CompositingModeSourceCopy);
        g->DrawImage(m_pBack.get(), RectF(0, 0, REAL(w), REAL(h)), 0, 0, REAL(w), REAL(h), UnitPixel, nullptr);
        g->SetCompositingMode(CompositingModeSourceOver);
    } else if (!m_backRuns.Empty()) {
        g->DrawRuns(m_backRuns, 0, 0, Rect(0, 0, w, h));
    }
    if (!boxKept) DrawBox(g, w, h);

    g->SetClip(Rect(0, 0, w, h), CombineModeReplace);
    // The glyphs any painted pixel may show.
    const CRect reached(int(std::floor(painted.X)), int(std::floor(painted.Y)),
                        int(std::ceil(painted.X + painted.Width)), int(std::ceil(painted.Y + painted.Height)));
    FillText(g, reached, w, h);
    DrawGloss(g, w, h);
    g->ResetClip();
    DrawReflection(g, reached, w, h);
    DrawOverText(g, text, size, w, h);

    if (bitmap) target->DrawImage(&*bitmap, 0, 0);
}
