#include "controls/multi_button.h"

#include <algorithm>
#include <memory>

#include "controls/control_base.h"
#include "controls/draw_helpers.h"
#include "controls/hmi_fonts.h"
#include "controls/path_helpers.h"

using namespace gfx;

namespace {

// The light grey rendering of a dim segment's image.
ColorMatrix GreyImageMatrix() {
    ColorMatrix c = ColorMatrix::Identity();
    const REAL rows[3] = {0.399f, 0.687f, 0.314f};
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k) c.m[r][k] = rows[r];
    return c;
}

// Face-style record 0 with its entry 0 set for a symbol's own style.
FaceStyle SymbolOwnStyle(int mode, COLORREF colour) {
    FaceStyle style = FaceStyleTable[0];
    FaceFillEntry& e = style.entries[0];
    switch (mode) {
    case 0:
        e.fillType = kFaceSolid;
        break;
    case 1:
        e.fillType = kFaceLinear;
        e.param1 = 0.0f;
        e.param2 = 90.0f;
        e.colour = colour;
        e.colourEffect = 4;
        e.factor = 3.5f;
        break;
    case 2:
        e.fillType = kFacePreset;
        e.param1 = 0.1f;
        e.param2 = 0.4f;
        e.byte1 = 255;
        e.byte2 = 255;
        e.colour = 0x008000;
        e.colourEffect = 4;
        e.factor = 0.0f;
        e.factor2 = 0.0f;
        break;
    default:
        break;
    }
    return style;
}

FaceStyle SubSymbolOwnStyle(int mode, COLORREF colour) {
    FaceStyle style = FaceStyleTable[0];
    FaceFillEntry& e = style.entries[0];
    if (mode == 1) e.fillType = kFaceLinear;
    else if (mode == 2) e.fillType = kFaceSolid;
    if (mode == 1 || mode == 2) {
        e.param2 = 90.0f;
        e.factor = 3.5f;
        e.colourEffect = 4;
        e.colour = colour;
    }
    return style;
}

}  // namespace

CMultiButton::CMultiButton() {
    std::fill(std::begin(m_bEnabled), std::end(m_bEnabled), TRUE);
    std::fill(std::begin(m_nImageId), std::end(m_nImageId), -1);
    std::fill(std::begin(m_nSymbol), std::end(m_nSymbol), -1);
    std::fill(std::begin(m_fSymbolScale), std::end(m_fSymbolScale), 0.86f);
    std::fill(std::begin(m_fSymbolSize), std::end(m_fSymbolSize), 1.0f);
    std::fill(std::begin(m_fSymbolHeight), std::end(m_fSymbolHeight), 1.0f);
    std::fill(std::begin(m_nSubSymbol), std::end(m_nSubSymbol), -1);
    std::fill(std::begin(m_fSubSymbolScale), std::end(m_fSubSymbolScale), 0.5f);
    std::fill(std::begin(m_fSubSymbolDx), std::end(m_fSubSymbolDx), 0.1f);
    std::fill(std::begin(m_fSubSymbolDy), std::end(m_fSubSymbolDy), 0.1f);
    std::fill(std::begin(m_bySubSymbolAlpha), std::end(m_bySubSymbolAlpha), BYTE(255));
    std::fill(std::begin(m_strCaptionFace), std::end(m_strCaptionFace), CString(u"돋움체"));
    std::fill(std::begin(m_fCaptionScale), std::end(m_fCaptionScale), 0.5f);
    std::fill(std::begin(m_crCaption), std::end(m_crCaption), COLORREF(0xFFFFFF));
    std::fill(std::begin(m_byCaptionAlpha), std::end(m_byCaptionAlpha), BYTE(255));
    // The tooltip exists before the bar's window; it wakes up with the bar's first size.
    m_ToolTip.Create(this, 0);
    if (m_ToolTip.m_hWnd) m_ToolTip.Activate(FALSE);
}

CMultiButton::~CMultiButton() {
    m_dwFlags &= ~kCreated;
    ReleaseFace();
    if (m_hWnd) DestroyWindow();
}

void CMultiButton::PreSubclassWindow() {
    ModifyStyle(0, BS_OWNERDRAW);
    CButton::PreSubclassWindow();
}

void CMultiButton::Init(int count) {
    m_nCount = std::clamp(count, 0, kMaxSegments);
    for (int i = 0; i < kMaxSegments; ++i) {
        m_bEnabled[i] = TRUE;
        m_bGrey[i] = FALSE;
        m_nImageId[i] = -1;
        m_nSymbol[i] = -1;
        m_nSubSymbol[i] = -1;
    }
    m_crFaceTop = 0x4C3F38;
    m_crFaceBottom = 0x82614F;
    m_crFrame = 0xBC7200;
    m_crDisabledTop = 0xC1D0D4;
    m_crDisabledBottom = ScaleColor(0xC1D0D4, -0.4f);
    m_dwFlags |= kCreated;
}

void CMultiButton::ReleaseFace() { control_base::ReleaseBackground(m_dcFace, m_bmpFace, m_pOldFace); }

// ---------------------------------------------------------------------------
// Geometry

CMultiButton::Metrics CMultiButton::Measure() const {
    Metrics k;
    k.W = m_rcClient.right - m_rcClient.left;
    k.H = m_rcClient.bottom - m_rcClient.top;
    k.m = m_nMargin;
    if (Count() > 0) k.w = (k.W - 2 * k.m) / Count();
    k.base = std::min(k.w - k.m, k.H - 2 * k.m);
    return k;
}

int CMultiButton::HitTest(int x) const {
    CRect rc;
    GetClientRect(&rc);
    const int W = rc.Width();
    if (Count() <= 0 || x < 0 || x >= W) return -1;
    const int width = W / Count();
    if (width <= 0) return -1;
    // The pixels right of the last whole segment make a segment number past the
    // last one, which no command answers.
    return x / width;
}

CRect CMultiButton::ToolRect(int index) const {
    if (!IsSegment(index)) return CRect();
    CRect rc;
    GetClientRect(&rc);
    const int W = rc.Width(), H = rc.Height(), N = Count();
    const int t = H / 10;
    const int tw = (W - 2 * t) / N;
    const int x0 = W - N * tw - t / 2;
    return CRect(x0 + index * tw, rc.top, x0 + (index + 1) * tw, rc.bottom);
}

// ---------------------------------------------------------------------------
// Interface

void CMultiButton::SetItemText(int index, CString text) {
    if (!IsSegment(index)) return;
    GetClientRect(&m_rcClient);
    m_strToolTip[index] = std::move(text);
    if (!m_ToolTip.m_hWnd || !m_hWnd) return;
    const CRect tool = ToolRect(index);
    m_ToolTip.AddTool(this, m_strToolTip[index].c_str(), &tool, UINT_PTR(index + 1));
    m_ToolTip.UpdateTipText(m_strToolTip[index].c_str(), this, UINT_PTR(index + 1));
}

BOOL CMultiButton::OnEraseBkgnd(CDC*) { return TRUE; }

void CMultiButton::Reposition(const RECT& rc) {
    MoveWindow(&rc, TRUE);
    m_dwFlags |= kFaceStale;
    ReleaseFace();
    Invalidate(TRUE);
}

void CMultiButton::Notify(LPARAM code) { control_base::NotifyOwner(this, WM_MULTIBUTTON_NOTIFY, code); }

BOOL CMultiButton::PreTranslateMessage(MSG* msg) {
    if (m_ToolTip.m_hWnd && msg && msg->hwnd == m_hWnd) m_ToolTip.RelayEvent(msg);
    // The second press of a double click is one more press.
    if (msg && msg->message == WM_LBUTTONDBLCLK) msg->message = WM_LBUTTONDOWN;
    return CButton::PreTranslateMessage(msg);
}

void CMultiButton::ReportMissingFamily() { control_base::AskMissingFamilyReport(this, m_bFamilyReported); }

LRESULT CMultiButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND self = m_hWnd;
    switch (message) {
    case control_base::kReportMissingFamily:
        control_base::ShowMissingFamilyReport("CMultiButton::DrawSymbol");
        return 0;
    case WM_ERASEBKGND:
        return OnEraseBkgnd(reinterpret_cast<CDC*>(wParam));
    case WM_MOUSEMOVE:
        OnMouseMove(lParam);
        if (!IsWindow(self)) return 0;
        return CButton::WindowProc(message, wParam, lParam);
    case WM_MOUSEHOVER:
        m_dwFlags |= kMouseOver;
        return 0;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return 0;
    case WM_LBUTTONDOWN:
        // The press says where the pointer is: a finger on a touch panel
        // lands without moving there first, and after a box went away the
        // pointer may come back to the point the system last reported, which
        // is no move at all. The segment under the press is pressed, and the
        // click that follows runs it.
        OnMouseMove(lParam);
        if (!IsWindow(self)) return 0;
        Notify(MULTIBUTTON_NOTIFY_DOWN);
        if (!IsWindow(self)) return 0;
        m_nPressed = m_nHover;
        return CButton::WindowProc(message, wParam, lParam);
    case WM_LBUTTONUP:
        Notify(MULTIBUTTON_NOTIFY_UP);
        if (!IsWindow(self)) return 0;
        CButton::WindowProc(message, wParam, lParam);
        if (IsWindow(self)) FollowPointer();
        return 0;
    case WM_KEYUP:
        // The space bar's release clicks the bar too.
        CButton::WindowProc(message, wParam, lParam);
        if (wParam == VK_SPACE && IsWindow(self)) FollowPointer();
        return 0;
    case WM_LBUTTONDBLCLK:
        Notify(MULTIBUTTON_NOTIFY_DBLCLK);
        if (!IsWindow(self)) return 0;
        return CButton::WindowProc(message, wParam, lParam);
    case WM_SIZE: {
        CButton::WindowProc(message, wParam, lParam);
        if (!IsWindow(self)) return 0;
        // A new size needs a new face; the tools follow the segments.
        m_dwFlags |= kFaceStale;
        ReleaseFace();
        for (int i = 0; i < Count(); ++i) SetItemText(i, m_strToolTip[i]);
        if (m_ToolTip.m_hWnd) m_ToolTip.Activate(TRUE);
        return 0;
    }
    case WM_ENABLE:
        // The face of a disabled bar is another one.
        m_dwFlags |= kFaceStale;
        return CButton::WindowProc(message, wParam, lParam);
    default:
        return CButton::WindowProc(message, wParam, lParam);
    }
}

void CMultiButton::OnMouseMove(LPARAM lParam) {
    m_dwFlags |= kMouseOver;
    GetClientRect(&m_rcClient);
    m_nHover = HitTest(GET_X_LPARAM(lParam));
    if (m_nHover != m_nLastHover) {
        m_nLastHover = m_nHover;
        Invalidate(TRUE);
    }
    if (!(m_dwFlags & kTracking)) {
        if (control_base::TrackHoverAndLeave(this)) m_dwFlags |= kTracking;
        else m_dwFlags &= ~kTracking;
    }
}

void CMultiButton::FollowPointer() {
    POINT p;
    if (!GetCursorPos(&p)) return;
    if (CWnd::WindowFromPoint(p) == this) {
        ScreenToClient(&p);
        OnMouseMove(MAKELPARAM(p.x, p.y));
    } else if (m_dwFlags & kTracking) {
        // Asked again from outside, the leave is reported at once.
        if (!control_base::TrackHoverAndLeave(this)) OnMouseLeave();
    } else if ((m_dwFlags & kMouseOver) || m_nHover != -1 || m_nPressed != -1) {
        OnMouseLeave();
    }
}

void CMultiButton::OnMouseLeave() {
    const HWND self = m_hWnd;
    Notify(MULTIBUTTON_NOTIFY_LEAVE);
    if (!IsWindow(self)) return;
    m_dwFlags &= ~kMouseOver;
    m_nHover = m_nLastHover = m_nPressed = -1;
    Invalidate(TRUE);
    TRACKMOUSEEVENT track;
    track.dwFlags = TME_CANCEL | TME_HOVER | TME_LEAVE;
    track.hwndTrack = m_hWnd;
    _TrackMouseEvent(&track);
    m_dwFlags &= ~kTracking;
}

// ---------------------------------------------------------------------------
// Drawing

void CMultiButton::DrawFace(CDC* dc) {
    if (!dc || !dc->GetSafeHdc()) return;
    ReleaseFace();
    const int W = m_rcClient.right - m_rcClient.left, H = m_rcClient.bottom - m_rcClient.top;
    {
        Graphics g(dc);
        g.SetSmoothingMode(SmoothingModeAntiAlias);
        g.SetSmoothingMode(SmoothingModeHighQuality);
        GraphicsPath face;
        AddRoundRectPath(m_nRadius, &face, 0, 0, W - 1, H - 1);
        const bool enabled = IsWindowEnabled() != FALSE;
        LinearGradientBrush brush(Rect(0, 0, W, H), Opaque(enabled ? m_crFaceTop : m_crDisabledTop),
                                  Opaque(enabled ? m_crFaceBottom : m_crDisabledBottom), LinearGradientModeVertical);
        g.FillPath(&brush, &face);
        const Pen pen(Opaque(enabled ? m_crFrame : 0xC0C0C0), REAL(m_nFrameWidth));
        g.DrawPath(&pen, &face);
    }
    // The face with the parent's pixels at its corners is what the cache keeps.
    control_base::TakeBackground(dc, W, H, m_dcFace, m_bmpFace, m_pOldFace);
    m_dwFlags &= ~kFaceStale;
}

void CMultiButton::DrawItem(LPDRAWITEMSTRUCT drawItem) {
    if (!(m_dwFlags & kCreated) || !drawItem || !drawItem->hDC) return;
    CDC* dc = drawItem->hDC;
    Graphics target(dc);
    GetClientRect(&m_rcClient);
    const Metrics k = Measure();
    if (k.W <= 0 || k.H <= 0) return;
    Bitmap bitmap(k.W, k.H, PixelFormat32bppPARGB);
    Graphics g(&bitmap);
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    g.SetSmoothingMode(SmoothingModeHighQuality);

    if (m_dwFlags & kFaceStale) DrawFace(dc);
    control_base::DrawBackground(&g, m_bmpFace, 0, 0);

    const bool held = (drawItem->itemState & ODS_SELECTED) != 0;
    for (int i = 0; i < Count(); ++i) {
        const bool enabled = m_bEnabled[i] != FALSE;
        const bool dim = !enabled || m_bGrey[i];
        const bool hovered = m_nHover == i;
        const bool hot = enabled && !dim && hovered;
        const bool down = hot && held;
        if (m_nImageId[i] != -1) DrawImage(&g, i, dim, down);
        // The glow's x: the symbol's left x less the margin (the same place
        // for a segment without a symbol).
        float glowX = SymbolX(i, float(k.base) * m_fSymbolScale[i], m_fSymbolDx[i], 0) - float(k.m);
        if (m_nSymbol[i] != -1) glowX = DrawSymbol(&g, i, down ? 2 : 0, dim ? TRUE : FALSE);
        if (m_nSubSymbol[i] != -1) DrawSubSymbol(&g, i, down ? 2 : 0, m_bySubSymbolAlpha[i], dim ? TRUE : FALSE);
        if (!m_strCaption[i].empty()) {
            const bool green = enabled && hovered && !held && m_nHighlightMode == 1;
            DrawSegmentText(&g, i, enabled && hovered && held ? 2 : 0, green ? 0x00FF00 : m_crCaption[i],
                            m_byCaptionAlpha[i]);
        }
        if (enabled && hovered && m_nHighlightMode == 0) DrawGlow(&g, glowX);
    }
    target.DrawImage(&bitmap, 0, 0);
}

float CMultiButton::SymbolX(int i, float size, float dx, int shift) const {
    const Metrics k = Measure();
    return float(k.w / 2 + k.w * i + k.m) - size / 2.0f + dx * size + float(shift);
}

float CMultiButton::SymbolY(float size, float dy, int shift) const {
    const Metrics k = Measure();
    return float(k.H / 2) - size / 2.0f + dy * size + float(shift);
}

void CMultiButton::DrawImage(Graphics* g, int i, bool dim, bool down) {
    const Metrics k = Measure();
    const int N = Count();
    const int span = (k.W - 10) / N;
    const int s = std::min(k.H - 10, span - 5);
    if (s <= 0) return;
    int x = (span - s) / 2 + i * span + 5;
    int y = (k.H - s) / 2;
    std::unique_ptr<Image> image(LoadPngResource(UINT(m_nImageId[i])));
    if (!image || image->GetLastStatus() != Ok) return;
    if (dim) {
        ImageAttributes attributes;
        const ColorMatrix grey = GreyImageMatrix();
        attributes.SetColorMatrix(&grey);
        g->DrawImage(image.get(), Rect(x, y, s, s), 0, 0, INT(image->GetWidth()), INT(image->GetHeight()), UnitPixel,
                     &attributes);
        return;
    }
    if (down) {
        x += 2;
        y += 2;
    }
    g->DrawImage(image.get(), x, y, s, s);
}

float CMultiButton::DrawSymbol(Graphics* g, int i, int shift, BOOL grey) {
    const Metrics k = Measure();
    if (!m_IconFontFamily) ReportMissingFamily();
    const float size = float(k.base) * m_fSymbolScale[i];
    const float x = SymbolX(i, size, m_fSymbolDx[i], shift);
    const float y = SymbolY(size, m_fSymbolDy[i], shift);
    const FaceStyle own = SymbolOwnStyle(m_nSymbolMode[i], m_crSymbol[i]);
    const BYTE width = BYTE(m_nSymbolBorder[i] & 0xFF);
    const bool implicitBorder = width == 0;
    if (m_IconFontFamily)
        DrawSymbolShape(m_IconFontFamily, m_nSymbol[i], size * m_fSymbolSize[i], g, size * m_fSymbolHeight[i], x, y,
                        m_fSymbolAngle[i], m_crSymbol[i], m_crFaceTop, implicitBorder ? char(1) : char(width),
                        implicitBorder ? FALSE : TRUE,
                        implicitBorder ? ScaleColor(m_crSymbol[i], -0.2f) : m_crSymbolBorder[i], m_bSymbolOwnStyle[i],
                        own, grey, FALSE, FALSE, 0.0f, 0.0f, 0.0f);
    return x - float(k.m);
}

float CMultiButton::DrawSubSymbol(Graphics* g, int i, int shift, BYTE alpha, BOOL grey) {
    const Metrics k = Measure();
    if (!m_IconFontFamily) ReportMissingFamily();
    const float size = float(k.base) * m_fSubSymbolScale[i];
    const float x = SymbolX(i, size, m_fSubSymbolDx[i], shift);
    const float y = SymbolY(size, m_fSubSymbolDy[i], shift);
    if (!m_IconFontFamily) return x - float(k.m);
    const FaceStyle own = SubSymbolOwnStyle(m_nSubSymbolMode[i], m_crSubSymbol[i]);
    const BYTE width = BYTE(m_nSubSymbolBorder[i] & 0xFF);
    const bool none = width == 0;
    auto draw = [&](Graphics* on, float at_x, float at_y) {
        DrawSymbolShape(m_IconFontFamily, m_nSubSymbol[i], size, on, size, at_x, at_y, m_fSubSymbolAngle[i],
                        m_crSubSymbol[i], m_crFaceTop, none ? char(0) : char(width), none ? FALSE : TRUE,
                        none ? ScaleColor(m_crSubSymbol[i], -0.2f) : m_crSubSymbolBorder[i], m_bSubSymbolOwnStyle[i],
                        own, grey, m_bSubSymbolMirror[i], m_bSubSymbolTurnOver[i], 0.0f, 0.0f, 0.0f);
    };
    if (!m_bSubSymbolImage[i]) {
        draw(g, x, y);
    } else {
        const int side = std::max(1, int(size) + 2);
        Bitmap symbol(side, side, PixelFormat32bppARGB);
        {
            Graphics sg(&symbol);
            sg.SetSmoothingMode(SmoothingModeAntiAlias);
            sg.SetSmoothingMode(SmoothingModeHighQuality);
            draw(&sg, 0.0f, 0.0f);
        }
        ColorMatrix fade = ColorMatrix::Identity();
        fade.m[3][3] = float(alpha) / 255.0f;
        ImageAttributes attributes;
        attributes.SetColorMatrix(&fade);
        g->DrawImage(&symbol, RectF(x, y, REAL(side), REAL(side)), 0.0f, 0.0f, REAL(side), REAL(side), UnitPixel,
                     &attributes);
    }
    return x - float(k.m);
}

void CMultiButton::DrawSegmentText(Graphics* g, int i, int shift, COLORREF colour, BYTE alpha) {
    const Metrics k = Measure();
    const float size = float(k.base) * m_fCaptionScale[i];
    if (size <= 0.0f) return;
    const float x = SymbolX(i, size, m_fCaptionDx[i], shift);
    const float y = SymbolY(size, m_fCaptionDy[i], shift);
    StringFormat format;
    format.SetAlignment(StringAlignmentNear);
    format.SetLineAlignment(StringAlignmentNear);
    const FontFamily family(m_strCaptionFace[i].c_str());
    GraphicsPath path;
    path.AddString(m_strCaption[i].c_str(), INT(m_strCaption[i].size()), &family,
                   m_bCaptionBold[i] ? FontStyleBold : FontStyleRegular, size, RectF(x, y, 0.0f, 0.0f), &format);
    const SolidBrush brush(Color(ColorToArgb(alpha, colour)));
    g->FillPath(&brush, &path);
}

void CMultiButton::DrawGlow(Graphics* g, float glowX) {
    const Metrics k = Measure();
    const int segment = m_nHover;
    if (!IsSegment(segment)) return;
    const int d = int(float(k.base) * m_fSymbolScale[segment]);
    const int side = d + 10;
    if (side <= 0) return;
    const int x = int(glowX);
    const int y = k.H / 2 - d / 2 - 5;
    GraphicsPath ellipse;
    ellipse.AddEllipse(x, y, side, side);
    PathGradientBrush brush(&ellipse);
    brush.SetCenterPoint(Point(x + side / 2, y / 2 + side / 2));
    brush.SetCenterColor(Color(0xFFFFFFFFu));
    const Color surround(0x00FFFFFFu);
    INT count = 1;
    brush.SetSurroundColors(&surround, &count);
    g->FillPath(&brush, &ellipse);
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
}
