#include "controls/indicator.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

#include "controls/control_base.h"
#include "controls/draw_helpers.h"
#include "controls/face_style.h"
#include "controls/fnd.h"
#include "controls/lcd.h"
#include "controls/path_helpers.h"
#include "controls/setting.h"
#include "platform/base/wformat.h"
#include "platform/stdctrl/colordlg.h"
#include "platform/stdctrl/combobox.h"

using namespace gfx;

namespace {

constexpr UINT kRedrawNow = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;
constexpr DWORD kChildStyle = 0x50020001;      // child, visible, group, centred
constexpr DWORD kComboStyle = 0x50010203;      // child, visible, tab stop, drop-down list, has strings

// Each channel + 128, at most 255.
COLORREF Bright(COLORREF c) {
    return RGB(std::min(255, GetRValue(c) + 128), std::min(255, GetGValue(c) + 128), std::min(255, GetBValue(c) + 128));
}
// Each channel - 64, 0 for channels below 64.
COLORREF Dim(COLORREF c) {
    auto d = [](int v) { return v < 64 ? 0 : v - 64; };
    return RGB(d(GetRValue(c)), d(GetGValue(c)), d(GetBValue(c)));
}

int Trunc(double v) { return int(v); }
int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }
Rect ToRect(const RECT& r) { return Rect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

}  // namespace

bool ParseTypedNumber(const CString& text, double* value) {
    std::string s;
    for (char16_t c : text) {
        if (c > 0x7F) return false;
        s.push_back(char(c));
    }
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return false;
    const size_t last = s.find_last_not_of(" \t");
    s = s.substr(first, last - first + 1);
    // Only what a number is written with: no hex, no "inf" or "nan" words.
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.' && c != 'e' && c != 'E')
            return false;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);  // LC_NUMERIC is "C" in this program
    if (end != s.c_str() + s.size() || !std::isfinite(v)) return false;
    if (value) *value = v;
    return true;
}

CIndicator::CIndicator() = default;

CIndicator::~CIndicator() {
    m_dwFlags &= ~kCreated;
    DestroyChildren();
    control_base::ReleaseBackground(m_dcBack, m_bmpBack, m_pOldBitmap);
    if (m_hWnd) DestroyWindow();
}

void CIndicator::PreSubclassWindow() {
    control_base::MakeOwnerDrawnStatic(this);
    CWnd::PreSubclassWindow();
}

void CIndicator::DestroyChildren() {
    if (m_pFnd) {
        m_pFnd->DestroyWindow();
        delete m_pFnd;
        m_pFnd = nullptr;
    }
    if (m_pLcd) {
        m_pLcd->DestroyWindow();
        delete m_pLcd;
        m_pLcd = nullptr;
    }
    if (m_pCombo) {
        m_pCombo->DestroyWindow();
        delete m_pCombo;
        m_pCombo = nullptr;
    }
}

void CIndicator::Init(CString title, CString unit, int stacked, int toggleArea, int halo, int decimals, int lastFlag) {
    // 1. options
    m_dwFlags &= ~(kStacked | kLastFlag | kTitleShadow | kToggleArea);
    if (stacked) m_dwFlags |= kStacked;
    if (lastFlag) m_dwFlags |= kLastFlag;
    if (toggleArea) m_dwFlags |= kToggleArea;
    m_dwFlags |= kColourChoice;
    m_nRadius = 5;
    m_fValueOffset = m_fTitleOffset = 0.0f;
    m_nDisplayMode = 0;
    m_dScale = 1.0;
    m_nCheckPlace = 1;
    // 2. texts
    SetWindowText(title);
    m_strUnit = std::move(unit);
    // 3. sizes and colours
    m_dTitleSize = m_dUnitSize = 0.3333;
    m_dValueSize = 1.0;
    m_dTitleHeight = stacked ? 0.5 : 1.0;
    m_crUnit = m_crTitle = 0xFFFFFF;
    m_crTop = 0x4C3F38;
    m_crBottom = 0x82614F;
    m_crBorder = m_crValueBack = 0;
    m_crDisabledTop = 0xC1D0D4;
    m_crDisabledBottom = ScaleColor(0xC1D0D4, -0.4f);

    DestroyChildren();  // a second Init makes them anew
    const int id = GetDlgCtrlID();
    // 4. the numeric display
    m_pFnd = new CFnd;
    m_pFnd->Create(nullptr, u"", kChildStyle, CRect(0, 0, 0, 0), this, UINT(id + 2));
    m_pFnd->Init(halo, decimals);
    m_pFnd->m_dwFlags &= ~(CFnd::kError | CFnd::kOver);
    m_pFnd->m_dValue = 0.0;
    m_pFnd->Invalidate();
    m_pFnd->m_fShiftX = 0.0f;
    m_pFnd->m_fCenterY = 0.55f;
    // 5. the matrix display, hidden
    m_pLcd = new CLcd;
    m_pLcd->Create(nullptr, u"", kChildStyle, CRect(0, 0, 0, 0), this, UINT(id + 3));
    m_pLcd->m_dwFlags |= CLcd::kCreated | CLcd::kHalo;
    m_pLcd->m_nMode = 1;
    m_pLcd->m_pFamily = m_pLcd->m_pFamilyBold = nullptr;
    m_pLcd->m_crBack = 0x000000;
    m_pLcd->m_crDim = 0x000080;
    m_pLcd->m_crLit = 0x0000FF;
    m_pLcd->SetText(u"0");
    m_pLcd->ShowWindow(SW_HIDE);
    // 6. the preset list, hidden
    m_pCombo = new CComboBox;
    m_pCombo->Create(kComboStyle, CRect(0, 0, 0, 300), this, kComboId);
    m_pCombo->ModifyStyleEx(0, WS_EX_NOPARENTNOTIFY);
    m_pCombo->ModifyStyle(0, WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST);
    m_pCombo->ShowWindow(SW_HIDE);
    m_dListMin = 10.0;
    m_dListMax = 37.0;
    m_pCombo->SendMessage(CB_RESETCONTENT);
    for (double v = m_dListMin; v <= m_dListMax; v += 0.5)
        m_pCombo->AddString(platform::FormatWide(u"%3.1f", v).c_str());
    m_pCombo->SendMessage(CB_SETCURSEL, 0, 0);
    // 7. the toggle box
    m_dwFlags |= kToggleOn;
    m_nCheckGlyph = 0x76;
    m_fCheckScale = 1.0f;
    m_crCheck = 0;
    m_crCheckBox = 0xFFFFFF;
    m_crCheckFrame = 0;
    // 8.
    if (!m_hWnd) MessageBoxFormatA("Not Created Window! (CIndicator)");
    m_dwFlags |= kCreated;
}

void CIndicator::SetChildColours(COLORREF lit, COLORREF dim, COLORREF back) {
    if (m_pFnd) {
        m_pFnd->m_crLit = lit;
        m_pFnd->m_crDim = dim;
        m_pFnd->m_crBack = back;
    }
    if (m_pLcd) {
        m_pLcd->m_crLit = lit;
        m_pLcd->m_crDim = dim;
        m_pLcd->m_crBack = back;
    }
}

void CIndicator::SetColor(COLORREF colour) {
    m_crColor = colour;
    SetChildColours(Bright(colour), Dim(colour), 0x000000);
}

void CIndicator::SetValue(double v) {
    const double scaled = v * m_dScale;
    if (!m_pFnd) return;
    m_pFnd->m_dwFlags &= ~(CFnd::kError | CFnd::kOver);
    m_pFnd->m_dValue = scaled;
    const bool fndText = (m_pFnd->m_dwFlags & CFnd::kOwnText) != 0;
    const bool ownText = (m_dwFlags & kOwnValue) != 0;
    const CString text = fndText || ownText ? FormatNumber(m_pFnd->m_nDecimals, u",", scaled) : CString();
    if (fndText) m_pFnd->SetValueText(text);
    // (The display's text is complete here, so only its changed characters are painted again.)
    if (m_pFnd->m_dwFlags & CFnd::kCreated) m_pFnd->InvalidateValue();
    if (fndText && m_pLcd) m_pLcd->SetText(text);
    if (ownText) {
        m_strValue = text;
        Invalidate();
    }
}

void CIndicator::CopyBackground(CDC* dc) {
    if ((m_dwFlags & kBackStale) && dc) {
        CRect rc;
        GetClientRect(&rc);
        control_base::TakeBackground(dc, rc.Width(), rc.Height(), m_dcBack, m_bmpBack, m_pOldBitmap);
    }
    m_dwFlags &= ~kBackStale;
}

void CIndicator::MarkBackgroundStale() {
    m_dwFlags |= kBackStale;
    control_base::ReleaseBackground(m_dcBack, m_bmpBack, m_pOldBitmap);
    Invalidate(TRUE);
}

LRESULT CIndicator::Notify(LPARAM code) { return control_base::NotifyOwner(this, WM_INDICATOR_NOTIFY, code); }

void CIndicator::ReportMissingFamily() { control_base::AskMissingFamilyReport(this, m_bFamilyReported); }

LRESULT CIndicator::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND self = m_hWnd;
    switch (message) {
    case control_base::kReportMissingFamily:
        control_base::ShowMissingFamilyReport("CIndicator::DrawItem");
        return 0;
    case WM_PAINT:
        if (!(m_dwFlags & kCreated)) return CWnd::WindowProc(message, wParam, lParam);
        OnPaint();
        return 0;
    case WM_SIZE:
        CWnd::WindowProc(message, wParam, lParam);
        if (IsWindow(self)) OnSize();
        return 0;
    case WM_SHOWWINDOW:
        CWnd::WindowProc(message, wParam, lParam);
        if (IsWindow(self)) OnShowWindow(BOOL(wParam));
        return 0;
    case WM_ENABLE:
        CWnd::WindowProc(message, wParam, lParam);
        if (IsWindow(self)) OnEnable(BOOL(wParam));
        return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(wParam, lParam);
        return 0;
    case WM_LBUTTONDBLCLK:
        Notify(INDICATOR_NOTIFY_DBLCLK);
        if (!IsWindow(self)) return 0;
        return CWnd::WindowProc(message, wParam, lParam);
    case WM_COMMAND:
        if (LOWORD(wParam) == kComboId && HIWORD(wParam) == CBN_SELCHANGE) {
            Notify(INDICATOR_NOTIFY_PRESET);
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    default:
        return CWnd::WindowProc(message, wParam, lParam);
    }
}

// ---------------------------------------------------------------------------
// Layout, showing and enabling

void CIndicator::OnSize() {
    if (!(m_dwFlags & kCreated)) return;
    CRect rc;
    GetClientRect(&rc);
    const int L = rc.left, T = rc.top, R = rc.right, B = rc.bottom;
    const int W = R - L, H = B - T, m = m_nRadius;
    auto place = [&](const RECT& value, int comboX, int comboY, int comboW) {
        if (m_pFnd) m_pFnd->MoveWindow(&value, TRUE);
        if (m_pLcd) m_pLcd->MoveWindow(&value, TRUE);
        if (m_pCombo) m_pCombo->MoveWindow(comboX, comboY, comboW, 300, TRUE);
    };
    if (m_dwFlags & kStacked) {
        const int y1 = T + Trunc(H * m_dTitleHeight);
        m_rcTitle = CRect(L, T, R, y1);
        const int x1 = L + m + Trunc((W - 2 * m) * m_dTitleWidth);
        const int x2 = x1 + Trunc((W - 2 * m) * m_dValueWidth);
        m_rcValue = CRect(x1, y1, x2, B - m);
        place(m_rcValue, x1, y1 + 10, x2 - x1);
        m_rcUnit = CRect(x2, y1, R, B - m);
    } else {
        const int xa = L + 1 + Trunc(W * m_dTitleWidth);
        m_rcTitle = CRect(L + 1, T, xa, B);
        const int xb = xa + 2 + Trunc(W * m_dValueWidth);
        m_rcValue = CRect(xa + 2, T + 2, xb, B - 2);
        place(m_rcValue, xa + 2, T + 12, xb - xa - 2);
        m_rcUnit = CRect(xb + 2, T + 2, R - 1, B - 2);
    }
    if (m_dwFlags & kToggleArea) {
        const int s = Trunc(13.0 * double(m_fCheckScale));
        if (m_nCheckPlace == 1) {
            m_rcCheck.top = m_rcTitle.top + 2;
            m_rcCheck.bottom = m_rcCheck.top + s;
            m_rcCheck.right = (m_dwFlags & kStacked) ? m_rcTitle.right - 2 : m_rcValue.left - 4;
            m_rcCheck.left = m_rcCheck.right - s;
        } else if (m_nCheckPlace == 0) {
            m_rcCheck = CRect(m_rcTitle.left + 2, m_rcTitle.top + 2, m_rcTitle.left + 2 + s, m_rcTitle.top + 2 + s);
        }
    }
    MarkBackgroundStale();
}

void CIndicator::OnShowWindow(BOOL show) {
    if (m_dwFlags & kCreated) MarkBackgroundStale();
    if (m_dwFlags & kOwnValue) return;
    const int cmd = show ? SW_SHOW : SW_HIDE;
    if (m_nDisplayMode == 0) {
        if (m_pFnd) m_pFnd->ShowWindow(cmd);
        if (m_pLcd) m_pLcd->ShowWindow(SW_HIDE);
    } else if (m_nDisplayMode == 1) {
        if (m_pFnd) m_pFnd->ShowWindow(SW_HIDE);
        if (m_pLcd) m_pLcd->ShowWindow(cmd);
    }
}

void CIndicator::OnEnable(BOOL enable) {
    if (enable) SetChildColours(Bright(m_crColor), Dim(m_crColor), m_crValueBack);
    else SetChildColours(Bright(0xC0C0C0), Dim(0xC0C0C0), 0xC0C0C0);
    // Like a static control, the indicator shows its new state at once.
    Invalidate(TRUE);
    if (m_pFnd) m_pFnd->Invalidate(TRUE);
    if (m_pLcd) m_pLcd->Invalidate(TRUE);
}

// ---------------------------------------------------------------------------
// Clicks

void CIndicator::OnLButtonDown(WPARAM wParam, LPARAM lParam) {
    const HWND self = m_hWnd;
    const CPoint pt(lParam);
    if ((m_dwFlags & kToggleArea) && CRect(m_rcCheck).PtInRect(pt)) {
        m_dwFlags ^= kToggleOn;
        InvalidateRect(&m_rcCheck, TRUE);
        Notify((m_dwFlags & kToggleOn) ? INDICATOR_NOTIFY_TOGGLE_ON : INDICATOR_NOTIFY_TOGGLE_OFF);
    } else {
        if (CRect(m_rcValue).PtInRect(pt)) {
            if (m_dwFlags & kValueEntry) EnterValue();
            else if (m_dwFlags & kColourChoice) ChooseColour();
            else Notify(INDICATOR_NOTIFY_VALUE_CLICK);
            if (!IsWindow(self)) return;
        }
        if (CRect(m_rcTitle).PtInRect(pt) && !(m_dwFlags & kColourChoice)) Notify(INDICATOR_NOTIFY_TITLE_CLICK);
    }
    if (!IsWindow(self)) return;
    CWnd::WindowProc(WM_LBUTTONDOWN, wParam, lParam);
}

void CIndicator::EnterValue() {
    const HWND self = m_hWnd;
    CRect anchor(m_rcValue);
    ClientToScreen(&anchor);
    CSetting popup;
    popup.SetValue(anchor, m_pFnd ? m_pFnd->m_nDecimals : 0, u"INPUT DATA", TRUE, m_pFnd ? m_pFnd->m_dValue : 0.0);
    if (popup.DoModal() != IDOK || !IsWindow(self)) return;
    // Only a number is taken; anything else keeps the value shown.
    double v = 0.0;
    if (!ParseTypedNumber(popup.m_strValue, &v)) return;
    SetValue(v);
    Invalidate();
    Notify(INDICATOR_NOTIFY_VALUE_ENTERED);
}

void CIndicator::ChooseColour() {
    const HWND self = m_hWnd;
    CColorDialog dialog(m_crColor, CC_RGBINIT);
    if (dialog.DoModal() != IDOK || !IsWindow(self)) return;
    const COLORREF colour = dialog.GetColor();
    SetColor(colour);
    if (m_pColorTarget) *m_pColorTarget = colour;
    RedrawWindow(nullptr, nullptr, kRedrawNow);
    if (!IsWindow(self)) return;
    Notify(INDICATOR_NOTIFY_COLOUR);
}

// ---------------------------------------------------------------------------
// Painting

void CIndicator::OnPaint() {
    CPaintDC dc(this);
    Graphics g(&dc);
    CopyBackground(&dc);
    DrawItem(&dc, &g);
    // Every paint finds what lies under the indicator on its context again, so
    // the copy is not kept between paints (it is as large as the indicator,
    // and the indicator paints seldom): the next paint takes it afresh, and a
    // background that changed meanwhile shows.
    control_base::ReleaseBackground(m_dcBack, m_bmpBack, m_pOldBitmap);
    m_dwFlags |= kBackStale;
}

void CIndicator::DrawItem(CDC* dc, Graphics* target) {
    // 1.
    GetClientRect(&m_rcClient);
    CopyBackground(dc);
    const int W = Width(m_rcClient), H = Height(m_rcClient);
    if (W <= 0 || H <= 0 || !target) return;
    const bool enabled = IsWindowEnabled() != FALSE;
    // 2.
    Bitmap bitmap(W, H, PixelFormat32bppARGB);
    Graphics g(&bitmap);
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    control_base::DrawBackground(&g, m_bmpBack, 0, 0);
    // 3. frame
    {
        const int p = m_nFrameWidth, h = p / 2, o = p & 1;
        GraphicsPath frame;
        AddRoundRectPath(m_nRadius, &frame, h, h, W - h - o, H - h - o);
        LinearGradientBrush brush(Rect(0, 0, W, H), Opaque(enabled ? m_crTop : m_crDisabledTop),
                                  Opaque(enabled ? m_crBottom : m_crDisabledBottom), LinearGradientModeVertical);
        brush.SetWrapMode(WrapModeTile);
        g.FillPath(&brush, &frame);
        const Pen pen(Opaque(enabled ? m_crBorder : 0xC0C0C0), REAL(p));
        g.DrawPath(&pen, &frame);
    }
    DrawTitle(&g, W, H);
    DrawOwnValue(&g, W, H);
    DrawUnit(&g, W, H);
    DrawToggle(&g);
    // 8.
    target->DrawImage(&bitmap, 0, 0);
    if (m_pFnd && m_pFnd->m_hWnd) m_pFnd->RedrawWindow(nullptr, nullptr, kRedrawNow);
    if (m_pLcd && m_pLcd->m_hWnd) m_pLcd->RedrawWindow(nullptr, nullptr, kRedrawNow);
}

void CIndicator::DrawTitle(Graphics* g, int /*W*/, int H) {
    const bool stacked = (m_dwFlags & kStacked) != 0;
    CString title = GetWindowText();
    if (stacked && m_dValueWidth == 1.0 && !(m_dwFlags & kCentredWithUnit) && !m_strUnit.empty())
        title = platform::FormatWide(u"%s (%s)", title.c_str(), m_strUnit.c_str());
    StringFormat format;
    format.SetAlignment(StringAlignmentCenter);
    format.SetLineAlignment(StringAlignmentCenter);
    const int t = stacked ? Height(m_rcTitle) : H;
    const float x = float(Width(m_rcTitle)) * 0.5f;
    float y = stacked ? float(t / 10) + float(t) * 0.5f : float(H) * 0.5f;
    y += float(t) * m_fTitleOffset;
    g->SetClip(ToRect(m_rcTitle), CombineModeReplace);
    GraphicsPath path;
    const float size = float(double(H) * m_dTitleSize);
    if (m_dwFlags & kTitleShadow) {
        AddFittedTextPath(&path, FontStyleBold, m_rcTitle.left, m_rcTitle.top, m_rcTitle.right, m_rcTitle.bottom,
                          title, m_strFaceName, size, PointF(x + 1.0f, y + 1.0f), &format, CString(), PointF());
        const SolidBrush shadow(Opaque(ScaleColor(m_crTop, 0.5f)));
        g->FillPath(&shadow, &path);
    }
    AddFittedTextPath(&path, FontStyleBold, m_rcTitle.left, m_rcTitle.top, m_rcTitle.right, m_rcTitle.bottom, title,
                      m_strFaceName, size, PointF(x, y), &format, CString(), PointF());
    const SolidBrush brush(Opaque(IsWindowEnabled() ? m_crTitle : 0x808080));
    g->FillPath(&brush, &path);
    path.Reset();
    g->ResetClip();
}

void CIndicator::DrawOwnValue(Graphics* g, int /*W*/, int H) {
    if (!(m_dwFlags & kOwnValue)) return;
    const bool enabled = IsWindowEnabled() != FALSE;
    if (m_dwFlags & kValueBox) {
        const COLORREF back = enabled ? m_crValueBack : 0x808080;
        const SolidBrush fill(Opaque(back));
        g->FillRectangle(&fill, ToRect(m_rcValue));
        DrawEdgeLines(g, OffsetColor(back, 120), m_rcValue.left, m_rcValue.top, m_rcValue.right, m_rcValue.bottom,
                      OffsetColor(back, 70));
    }
    const bool centred = (m_dwFlags & (kCentredWithUnit | kCentred)) != 0;
    StringFormat format;
    format.SetAlignment(centred ? StringAlignmentCenter : StringAlignmentFar);
    format.SetLineAlignment(StringAlignmentCenter);
    const float f = float(double(H) * m_dValueSize);
    const float x = centred ? float(m_rcValue.left + Width(m_rcValue) / 2) : float(m_rcValue.right);
    const int v = Height(m_rcValue);
    float y = (m_dwFlags & kStacked) ? float(v) * 0.5f + float(H) * 0.5f + float(v / 10) : f / 10.0f + float(H) * 0.5f;
    y += m_fValueOffset * float(H);
    CString text;
    if (m_pFnd && (m_pFnd->m_dwFlags & CFnd::kTime)) {
        text = CFnd::TimeText(m_pFnd->m_dValue, m_pFnd->m_cTimeFormat);
    } else {
        text = m_strValue;
        if (m_dwFlags & kCentredWithUnit) text += u" " + m_strUnit;
    }
    g->SetClip(ToRect(m_rcValue), CombineModeReplace);
    GraphicsPath path;
    AddFittedTextPath(&path, FontStyleBold, m_rcValue.left, m_rcValue.top, m_rcValue.right, m_rcValue.bottom, text,
                      m_strFaceName, f, PointF(x, y), &format, CString(), PointF());
    const SolidBrush brush(Opaque(enabled ? m_crColor : 0xC0C0C0));
    g->FillPath(&brush, &path);
    g->ResetClip();
}

void CIndicator::DrawUnit(Graphics* g, int /*W*/, int H) {
    const bool stacked = (m_dwFlags & kStacked) != 0;
    if (stacked && !(m_dValueWidth < 1.0)) return;
    const bool right = (m_dwFlags & kUnitRight) != 0;
    StringFormat format;
    format.SetAlignment(right ? StringAlignmentFar : StringAlignmentNear);
    format.SetLineAlignment(StringAlignmentCenter);
    const float u = float(double(H) * m_dUnitSize);
    const float x = right ? float(m_rcUnit.right - 10) : float(m_rcUnit.left);
    const float y = stacked ? float(m_rcClient.top + 1) : float(H) * 0.5f + u / 10.0f;
    g->SetClip(ToRect(m_rcUnit), CombineModeReplace);
    const FontFamily family(m_strFaceName.c_str());
    GraphicsPath path;
    path.AddString(m_strUnit.c_str(), INT(m_strUnit.size()), &family, FontStyleBold, u, RectF(x, y, 0.0f, 0.0f),
                   &format);
    const SolidBrush brush(Opaque(IsWindowEnabled() ? m_crUnit : 0x808080));
    g->FillPath(&brush, &path);
    g->ResetClip();
}

void CIndicator::DrawToggle(Graphics* g) {
    if (!(m_dwFlags & kToggleArea)) return;
    if (!m_IconFontFamily) ReportMissingFamily();
    const bool enabled = IsWindowEnabled() != FALSE;
    GraphicsPath box;
    AddRoundRectPath(m_nRadius, &box, m_rcCheck.left, m_rcCheck.top, m_rcCheck.right, m_rcCheck.bottom);
    const SolidBrush fill(Opaque(enabled ? m_crCheckBox : m_crDisabledTop));
    g->FillPath(&fill, &box);
    const Pen pen(Opaque(enabled ? m_crCheckFrame : m_crDisabledBottom), 1.0f);
    g->DrawPath(&pen, &box);
    if (!(m_dwFlags & kToggleOn) || !m_IconFontFamily) return;
    const COLORREF colour = enabled ? m_crCheck : m_crDisabledBottom;
    DrawSymbolShape(m_IconFontFamily, m_nCheckGlyph, float(Width(m_rcCheck)), g, float(Height(m_rcCheck)),
                    float(m_rcCheck.left), float(m_rcCheck.top), 0.0f, colour, 0xFFFFFF, 1, FALSE,
                    ScaleColor(colour, -0.2f), TRUE, FaceStyleTable[0], FALSE, FALSE, FALSE, 0.0f, 0.0f, 0.0f);
}
