#include "controls/led.h"

#include <algorithm>

#include "controls/control_base.h"
#include "controls/draw_helpers.h"
#include "controls/quor_text.h"
#include "platform/graphics/graphics.h"

using namespace gfx;

namespace {

constexpr UINT kRedrawNow = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;

// The caption strip above a captioned lamp.
constexpr int kCaptionHeight = 15;
constexpr COLORREF kCaptionBox = 0x4C3F38;

}  // namespace

CLed::CLed() = default;

CLed::~CLed() {
    m_dwFlags &= ~kInitialised;
    delete m_pCaption;
    m_pCaption = nullptr;
    control_base::ReleaseBackground(m_dcBack, m_bmpBack, m_pOldBitmap);
    if (m_hWnd) DestroyWindow();
}

void CLed::PreSubclassWindow() {
    control_base::MakeOwnerDrawnStatic(this);
    CWnd::PreSubclassWindow();
}

void CLed::Init(COLORREF back) {
    m_crBack = back;
    m_crOffEdge = 0x000000;
    m_crOffCenter = 0xC0C0C0;
    m_crOnEdge = 0x0000FF;
    m_crOnCenter = 0xBCBCFF;
    m_nCaptionPos = 1;
    m_fLampScale = 0.0f;
    if (!m_hWnd) MessageBoxFormatA("Not Created Window! (%s)", "CLed::Init");
    m_dwFlags |= kInitialised | kHandCursor;
}

void CLed::SetCaption() {
    if (m_dwFlags & kCaptioned) {
        delete m_pCaption;
        m_pCaption = nullptr;
        m_dwFlags &= ~kCaptioned;
    }
    const CString text = GetWindowText();
    m_nCaptionPos = 0;
    m_pCaption = new CQuorText;
    m_pCaption->Create(nullptr, text.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 0, 0), this,
                       UINT(GetDlgCtrlID() + 1));
    m_pCaption->Init(0xFFFFFF, kCaptionBox, 3, 1);
    m_nCaptionHeight = kCaptionHeight;
    m_pCaption->m_fTextScale = 0.8f;
    m_pCaption->ModifyStyle(0x3, SS_CENTER);
    m_pCaption->m_dwFlags |= CQuorText::kFrame;
    m_pCaption->m_nFillMode = 0;
    m_pCaption->m_crBox = kCaptionBox;
    m_pCaption->m_crFrame = 0x000000;
    m_dwFlags |= kCaptioned;
    // A lamp that already has its place shows the new caption there.
    if (m_hWnd) {
        CRect rc;
        GetClientRect(&rc);
        if (!rc.IsRectEmpty()) PlaceCaption();
    }
}

void CLed::Redraw() { RedrawWindow(nullptr, nullptr, kRedrawNow); }

void CLed::On() {
    if (!(m_dwFlags & kInitialised)) return;
    m_dwFlags |= kLit;
    Redraw();
}

void CLed::Off() {
    if (!(m_dwFlags & kInitialised)) return;
    m_dwFlags &= ~kLit;
    Redraw();
}

void CLed::Flash(COLORREF onEdge, COLORREF onCenter) {
    if (!(m_dwFlags & kInitialised)) return;
    SetTimer(kFlashTimer, m_nFlashPeriod);
    m_dwFlags |= kLit;
    m_crOnEdge = onEdge;
    m_crOnCenter = onCenter;
    Redraw();
}

void CLed::Reposition(const RECT& rc) {
    MoveWindow(&rc, TRUE);
    if (m_dwFlags & kCaptioned) PlaceCaption();
    MarkBackgroundStale();
}

BOOL CLed::OnEraseBkgnd(CDC*) { return TRUE; }

void CLed::SetText(LPCTSTR text) {
    SetWindowText(text);
    if ((m_dwFlags & kCaptioned) && m_pCaption) m_pCaption->SetText(CString(text ? text : u""));
}

void CLed::PlaceCaption() {
    if (!m_pCaption) return;
    GetClientRect(&m_rcClient);
    m_pCaption->Reposition(CRect(0, 0, m_rcClient.right, m_nCaptionHeight));
}

void CLed::MarkBackgroundStale() {
    m_dwFlags |= kBackStale;
    control_base::ReleaseBackground(m_dcBack, m_bmpBack, m_pOldBitmap);
    if ((m_dwFlags & kCaptioned) && m_pCaption) m_pCaption->MarkBackgroundStale();
    InvalidateRect(nullptr, TRUE);
}

LRESULT CLed::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND self = m_hWnd;
    switch (message) {
    case WM_ERASEBKGND:
        return OnEraseBkgnd(reinterpret_cast<CDC*>(wParam));
    case WM_PAINT:
        if (!(m_dwFlags & kInitialised)) return CWnd::WindowProc(message, wParam, lParam);
        OnPaint();
        return 0;
    case WM_TIMER:
        if (wParam == kFlashTimer) {
            KillTimer(kFlashTimer);
            Off();
            if (!IsWindow(self)) return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    case WM_LBUTTONDOWN:
        control_base::NotifyOwner(this, WM_LED_NOTIFY, LED_NOTIFY_PRESS);
        if (!IsWindow(self)) return 0;
        return CWnd::WindowProc(message, wParam, lParam);
    case WM_LBUTTONUP:
        control_base::NotifyOwner(this, WM_LED_NOTIFY, LED_NOTIFY_RELEASE);
        if (!IsWindow(self)) return 0;
        return CWnd::WindowProc(message, wParam, lParam);
    case WM_MOUSEMOVE:
        OnMouseMove(wParam, lParam);
        return 0;
    case WM_MOUSEHOVER:
        if (m_dwFlags & kInitialised) SetFocus();
        return 0;
    case WM_MOUSELEAVE:
        m_dwFlags &= ~kTracking;
        control_base::NotifyOwner(this, WM_LED_NOTIFY, LED_NOTIFY_LEAVE);
        return 0;
    case WM_TEXT_NOTIFY:
        control_base::NotifyOwner(this, WM_LED_NOTIFY, LED_NOTIFY_PRESS);
        return 1;
    case WM_MOVE:
        CWnd::WindowProc(message, wParam, lParam);
        if (IsWindow(self) && (m_dwFlags & kCaptioned)) PlaceCaption();
        return 0;
    case WM_SIZE:
        CWnd::WindowProc(message, wParam, lParam);
        if (IsWindow(self)) MarkBackgroundStale();
        return 0;
    case WM_ENABLE:
        CWnd::WindowProc(message, wParam, lParam);
        if (IsWindow(self)) Redraw();
        return 0;
    default:
        return CWnd::WindowProc(message, wParam, lParam);
    }
}

void CLed::OnMouseMove(WPARAM wParam, LPARAM lParam) {
    const HWND self = m_hWnd;
    if (m_dwFlags & kInitialised) {
        if (!(m_dwFlags & kTracking) && control_base::TrackHoverAndLeave(this)) m_dwFlags |= kTracking;
        if (m_dwFlags & kHandCursor) SetCursor(LoadCursorW(nullptr, IDC_HAND));
    }
    if (IsWindow(self)) CWnd::WindowProc(WM_MOUSEMOVE, wParam, lParam);
}

// ---------------------------------------------------------------------------
// Drawing

CLed::Geometry CLed::Layout(int W, int H, int captionHeight, float lampScale, bool captioned) {
    Geometry g;
    const int h = captionHeight;
    const float s = lampScale * float(h);
    g.top = int(s);
    g.left = int(s * 0.5f);
    const int right = W + int(s * -0.5f);
    g.size = std::min(right - g.left, H - g.top - h);
    if (h + 2 + g.size > H) {
        const int previous = g.size;
        g.size = H - h - 2;
        g.left = (previous - g.left - g.size) / 2;
    }
    g.diameter = g.size - g.top - 1;
    g.gradientCentre = CPoint(g.left + (g.size - g.top) / 3, g.top + (g.size - g.top) / 3);
    if (captioned) {
        g.bitmapAt = CPoint((W - g.size) / 2, h);
        g.backgroundAt = CPoint(-(W - g.size) / 2, -h);
    } else {
        // Without a caption the bitmap covers the window from its corner, so the
        // background copy lines up with the parent's pixels it was taken from.
        g.bitmapAt = CPoint(0, 0);
        g.backgroundAt = CPoint(0, 0);
    }
    return g;
}

void CLed::OnPaint() {
    CPaintDC dc(this);
    Graphics target(&dc);
    CRect client;
    GetClientRect(&client);
    const int W = client.Width(), H = client.Height();
    if (m_dwFlags & kBackStale) {
        control_base::TakeBackground(&dc, W, H, m_dcBack, m_bmpBack, m_pOldBitmap);
        m_dwFlags &= ~kBackStale;
    }
    if (W <= 0 || H <= 0) return;
    const bool captioned = (m_dwFlags & kCaptioned) != 0;
    const Geometry geo = Layout(W, H, m_nCaptionHeight, m_fLampScale, captioned);
    m_rcClient = CRect(geo.left, geo.top, geo.left + geo.size, geo.top + geo.size);

    Bitmap bitmap(W, H, PixelFormat32bppARGB);
    Graphics g(&bitmap);
    control_base::DrawBackground(&g, m_bmpBack, geo.backgroundAt.x, geo.backgroundAt.y);

    COLORREF rim, centre;
    if (IsWindowEnabled()) {
        const bool lit = (m_dwFlags & kLit) != 0;
        rim = lit ? m_crOnEdge : m_crOffEdge;
        centre = lit ? m_crOnCenter : m_crOffCenter;
    } else {
        rim = AverageGray(m_crOnEdge);
        centre = AverageGray(m_crOnCenter);
    }

    if (geo.diameter > 0) {
        GraphicsPath body;
        body.AddEllipse(geo.left, geo.top, geo.diameter, geo.diameter);
        PathGradientBrush brush(&body);
        brush.SetCenterPoint(Point(geo.gradientCentre.x, geo.gradientCentre.y));
        brush.SetCenterColor(Opaque(centre));
        const Color surround = Opaque(rim);
        INT count = 1;
        brush.SetSurroundColors(&surround, &count);
        g.FillPath(&brush, &body);
        const Pen outline(Color(0xFF808080u), 1.0f);
        g.DrawPath(&outline, &body);
    }

    target.DrawImage(&bitmap, geo.bitmapAt.x, geo.bitmapAt.y);
}
