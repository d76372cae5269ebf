#include "controls/title_text.h"

#include <algorithm>
#include <memory>

#include "controls/control_base.h"
#include "controls/draw_helpers.h"
#include "controls/hmi_fonts.h"
#include "controls/path_helpers.h"

using namespace gfx;

namespace {

// Space between the PNG icons of the right group, and of the left group.
constexpr int kRightPngGap = 4;
constexpr int kLeftPngGap = 14;
constexpr int kGlyphGap = 14;

}  // namespace

CQuorTitleText::CQuorTitleText() {
    std::fill(std::begin(m_nPngLeft), std::end(m_nPngLeft), -1);
    std::fill(std::begin(m_nPngRight), std::end(m_nPngRight), -1);
    std::fill(std::begin(m_fPngLeftLight), std::end(m_fPngLeftLight), 1.0f);
    std::fill(std::begin(m_fPngRightLight), std::end(m_fPngRightLight), 1.0f);
    std::fill(std::begin(m_fPngLeftSize), std::end(m_fPngLeftSize), 1.0f);
    std::fill(std::begin(m_fPngRightSize), std::end(m_fPngRightSize), 1.0f);
    std::fill(std::begin(m_nGlyphLeft), std::end(m_nGlyphLeft), -1);
    std::fill(std::begin(m_nGlyphRight), std::end(m_nGlyphRight), -1);
    for (float* table : {m_fGlyphLeftAngle, m_fGlyphRightAngle}) std::fill(table, table + kIcons, 0.0f);
    for (float* table : {m_fGlyphLeftSize, m_fGlyphRightSize}) std::fill(table, table + kIcons, 0.8f);
    for (float* table : {m_fGlyphLeftDx, m_fGlyphLeftDy, m_fGlyphRightDx, m_fGlyphRightDy})
        std::fill(table, table + kIcons, -1.0f);
    std::fill(std::begin(m_crGlyphLeft), std::end(m_crGlyphLeft), COLORREF(0xFFFFFF));
    std::fill(std::begin(m_crGlyphRight), std::end(m_crGlyphRight), COLORREF(0xFFFFFF));
}

CQuorTitleText::~CQuorTitleText() = default;

LRESULT CQuorTitleText::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == control_base::kReportMissingFamily) {
        control_base::ShowMissingFamilyReport("CQuorTitleText::DrawHMIIcon");
        return 0;
    }
    return CQuorText::WindowProc(message, wParam, lParam);
}

void CQuorTitleText::ReportMissingFamily() { control_base::AskMissingFamilyReport(this, m_bFamilyReported); }

void CQuorTitleText::PrepareBackground(CDC* paintDC) {
    if (!(m_dwFlags & kBackFill) || !paintDC) return;
    CRect rc;
    GetClientRect(&rc);
    Graphics g(paintDC);
    g.SetSmoothingMode(SmoothingModeHighQuality);
    const SolidBrush brush(Opaque(m_crBackFill));
    g.FillRectangle(&brush, rc.left, rc.top, rc.Width(), rc.Height());
}

// ---------------------------------------------------------------------------
// Drawing

float CQuorTitleText::TextAnchorY(int h) const {
    float y = CQuorText::TextAnchorY(h);
    if (m_dwFlags & kRaisedText) y -= (float(h) * m_fTextScale) / 5.0f;
    return y;
}

float CQuorTitleText::TextSize(const StringFormat* format, PointF at, int h) const {
    // Always shrunk until it keeps its margins inside the label.
    const float fitted = FitTextSize(FontStyleBold, format, m_rcClient.left, m_rcClient.top, m_rcClient.right,
                                     m_rcClient.bottom, m_strText, m_strFaceName, float(h) * m_fTextScale, at);
    return ClearOfTheBottom(format, at, h, fitted);
}

float CQuorTitleText::ClearOfTheBottom(const StringFormat* format, PointF at, int h, float size) const {
    // The fitting keeps margins at the left and the top only, as if the text
    // were as deep below its anchor as it is high above it. Korean syllables of
    // the gothic faces reach far below the baseline (in NanumGothicCoding,
    // which stands for "돋움체", about a sixth of the size: at the main
    // window's 70 pixels into the frame's bottom line), and so do descenders.
    // Whatever passes the reflection's line is turned over onto the text
    // itself, as a black and green strip under each glyph.
    if (!(size > 0.0f)) return size;
    GraphicsPath path;
    AddTextPath(&path, m_strText, size, at, format);
    if (path.GetPointCount() == 0) return size;
    RectF b;
    path.GetBounds(&b);
    // Pixel centres lie on whole numbers: the last row spans h - 1.5 to
    // h - 0.5, and the frame and the bevel are drawn along it.
    double lowest = double(h) - 1.5;
    if (m_dwFlags & kTextOutline) lowest -= 0.5;  // the outline's pen is a pixel wide
    // The reflection turns what lies above its line over to below it; it stays
    // out of the label while the text ends at least as far above the line as
    // the label's bottom edge lies below it.
    if (m_dwFlags & kReflection) lowest = std::min(lowest, 2.0 * double(ReflectionLine(h)) - (double(h) - 0.5));
    // Laid out about its anchor, the outline scales with the size: its lowest
    // point lies `depth` times the size below the anchor.
    const double depth = (double(b.Y) + double(b.Height) - double(at.Y)) / double(size);
    while (size > 4.0f && double(at.Y) + depth * double(size) > lowest) size -= 0.1f;
    return size;
}

void CQuorTitleText::DrawOverText(Graphics* g, GraphicsPath* text, float textSize, int w, int h) {
    if (!m_strSuffix.empty()) DrawSuffix(g, text, textSize, w, h);
    if (!m_strSubText.empty()) DrawSubText(g, h);
    DrawPngIcons(g, h);
    DrawHMIIcon(g);
    DrawLogos(g, h);
}

void CQuorTitleText::DrawSuffix(Graphics* g, GraphicsPath* title, float fittedSize, int w, int h) {
    Rect bounds;
    title->GetBounds(&bounds);
    StringFormat format;
    float x, y;
    if (!(m_dwFlags & kRaisedText)) {
        x = float(bounds.X + bounds.Width + bounds.Height);
        y = float(bounds.Y + bounds.Height + bounds.Height / 5);
        format.SetAlignment(StringAlignmentNear);
        format.SetLineAlignment(StringAlignmentFar);
    } else {
        x = float(w / 2);
        y = float(m_rcClient.bottom) - fittedSize / 3.0f;
        format.SetAlignment(StringAlignmentCenter);
        format.SetLineAlignment(StringAlignmentCenter);
    }
    float s = (float(m_rcClient.right - 10 - 3 * h) - x) / float(m_strSuffix.size());
    if (s < 0.0f) s = 8.0f;
    if (s > float(bounds.Height) / 2.0f) s = float(bounds.Height) * 0.5f;
    GraphicsPath suffix;
    AddTextPath(&suffix, m_strSuffix, s, PointF(x, y), &format);
    const SolidBrush brush(Opaque(ScaleColor(m_crText, -0.1f)));
    g->FillPath(&brush, &suffix);
}

void CQuorTitleText::DrawSubText(Graphics* g, int h) {
    StringFormat format;
    format.SetAlignment(StringAlignmentCenter);
    format.SetLineAlignment(StringAlignmentCenter);
    const PointF centre(float(h) * m_fSubTextX, float(h) * m_fSubTextY);
    const float size = float(h) * m_fSubTextSize;
    if (m_dwFlags & kSubTextBox) {
        const FontFamily family(m_strFaceName.c_str());
        const Font font(&family, size, FontStyleRegular, UnitPoint);
        RectF measured;
        g->MeasureString(m_strSubText.c_str(), INT(m_strSubText.size()), &font, centre, &format, &measured);
        const SolidBrush box(Opaque(m_crSubTextBox));
        g->FillRectangle(&box, centre.X - measured.Width / 2.0f, centre.Y - measured.Height / 2.0f, measured.Width,
                         measured.Height);
    }
    GraphicsPath text;
    AddTextPath(&text, m_strSubText, size, centre, &format);
    const SolidBrush brush(Opaque(m_crSubText));
    g->FillPath(&brush, &text);
}

void CQuorTitleText::DrawPngIcons(Graphics* g, int h) {
    // One group: `right` lays its icons out leftwards from the right edge.
    auto group = [&](const int* ids, const float* sizes, const float* lights, RECT* rects, bool right) {
        // Where the next icon starts (left group) or ends (right group).
        int edge = right ? m_rcClient.right : m_rcClient.left;
        for (int i = 0; i < kIcons; ++i) {
            if (ids[i] == -1) continue;
            std::unique_ptr<Image> image(LoadPngResource(UINT(ids[i])));
            if (!image || image->GetLastStatus() != Ok || image->GetHeight() == 0) continue;
            const float W = float(image->GetWidth()), H = float(image->GetHeight());
            const float s = (float(h) * sizes[i] - 8.0f) / H;
            const int width = int(W * s), height = int(H * s);
            const int top = int(float(h / 2) - (H * s) / 2.0f);
            CRect rc;
            if (right) {
                rc.SetRect(edge - kRightPngGap - width, top, edge - kRightPngGap, top + height);
                edge = rc.left;
            } else {
                rc.SetRect(edge + kLeftPngGap, top, edge + kLeftPngGap + width, top + height);
                edge = rc.right;
            }
            rects[i] = rc;
            const RectF dest(float(rc.left), float(rc.top), float(width), float(height));
            if (lights[i] == 1.0f) {
                g->DrawImage(image.get(), dest);
            } else {
                ColorMatrix matrix = ColorMatrix::Identity();
                matrix.m[4][0] = matrix.m[4][1] = matrix.m[4][2] = lights[i];
                ImageAttributes attributes;
                attributes.SetColorMatrix(&matrix);
                g->DrawImage(image.get(), dest, 0.0f, 0.0f, W, H, UnitPixel, &attributes);
            }
        }
    };
    group(m_nPngRight, m_fPngRightSize, m_fPngRightLight, m_rcPngRight, true);
    group(m_nPngLeft, m_fPngLeftSize, m_fPngLeftLight, m_rcPngLeft, false);
}

void CQuorTitleText::DrawHMIIcon(Graphics* g) {
    if (!m_IconFontFamily) ReportMissingFamily();
    const int h = m_rcClient.bottom - m_rcClient.top;
    auto top = [h](float z, float dy) { return int(float(h / 2) - z * 0.5f) + int(dy * z); };

    // Left group: every entry has its place, icon or not.
    for (int i = 0; i < kIcons; ++i) {
        const float z = float(h) * m_fGlyphLeftSize[i];
        const int start = i == 0 ? m_rcClient.left : m_rcGlyphLeft[i - 1].right;
        const int left = start + kGlyphGap + int(m_fGlyphLeftDx[i] * z);
        const int t = top(z, m_fGlyphLeftDy[i]);
        m_rcGlyphLeft[i] = CRect(left, t, left + int(z), t + int(z));
    }
    // Right group: only icons take places, each left of the one placed before.
    int edge = m_rcClient.right;
    for (int i = 0; i < kIcons; ++i) {
        if (m_nGlyphRight[i] == -1) continue;
        const float z = float(h) * m_fGlyphRightSize[i];
        const int right = edge - kGlyphGap - int(m_fGlyphRightDx[i] * z);
        const int t = top(z, m_fGlyphRightDy[i]);
        m_rcGlyphRight[i] = CRect(right - int(z), t, right, t + int(z));
        edge = m_rcGlyphRight[i].left;
    }
    if (!m_IconFontFamily) return;

    auto draw = [&](int code, const RECT& rc, float size, float angle, COLORREF colour, int border, BOOL ownStyle,
                    const FaceStyle& style) {
        const float z = float(m_rcClient.bottom - m_rcClient.top) * size;
        DrawSymbolShape(m_IconFontFamily, code, z, g, z, float(rc.left), float(rc.top), angle, colour, m_crBox,
                        char(border & 0xFF), FALSE, ScaleColor(colour, -0.2f), ownStyle, style, FALSE, FALSE, FALSE,
                        0.0f, 0.0f, 0.0f);
    };
    for (int i = 0; i < kIcons; ++i) {
        if (m_nGlyphLeft[i] != -1)
            draw(m_nGlyphLeft[i], m_rcGlyphLeft[i], m_fGlyphLeftSize[i], m_fGlyphLeftAngle[i], m_crGlyphLeft[i],
                 m_nGlyphLeftBorder[i], m_bGlyphLeftOwnStyle[i], m_styleGlyphLeft[i]);
        if (m_nGlyphRight[i] != -1)
            draw(m_nGlyphRight[i], m_rcGlyphRight[i], m_fGlyphRightSize[i], m_fGlyphRightAngle[i], m_crGlyphRight[i],
                 m_nGlyphRightBorder[i], m_bGlyphRightOwnStyle[i], m_styleGlyphRight[i]);
    }
}

void CQuorTitleText::DrawLogos(Graphics* g, int h) {
    auto logo = [&](const CString& path, int left) {
        if (path.empty()) return;
        std::unique_ptr<Image> image(Image::FromFile(path.c_str()));
        if (!image || image->GetLastStatus() != Ok) return;
        g->DrawImage(image.get(), left, 10, 3 * h, h - 20);
    };
    logo(m_strLogoLeft, 10);
    logo(m_strLogoRight, m_rcClient.right - 10 - 3 * h);
}

// ---------------------------------------------------------------------------
// Presses

LPARAM CQuorTitleText::PressCode(CPoint pt) {
    const int h = m_rcClient.bottom - m_rcClient.top;
    LPARAM code = 0;
    for (int i = 0; i < kIcons; ++i) {
        if (m_nPngLeft[i] != -1 && CRect(m_rcPngLeft[i]).PtInRect(pt)) code = TEXT_NOTIFY_LEFT_ICON + i;
        if (m_nPngRight[i] != -1 && CRect(m_rcPngRight[i]).PtInRect(pt)) code = TEXT_NOTIFY_RIGHT_ICON + i;
        if (m_nGlyphLeft[i] != -1 && CRect(m_rcGlyphLeft[i]).PtInRect(pt)) code = TEXT_NOTIFY_LEFT_ICON + i;
        if (m_nGlyphRight[i] != -1 && CRect(m_rcGlyphRight[i]).PtInRect(pt)) code = TEXT_NOTIFY_RIGHT_ICON + i;
    }
    if (!m_strLogoLeft.empty() && CRect(m_rcClient.left, m_rcClient.top, 3 * h, m_rcClient.bottom).PtInRect(pt))
        code = TEXT_NOTIFY_LEFT_ICON;
    if (code == 0) code = TEXT_NOTIFY_TITLE_PRESS;
    return code;
}
