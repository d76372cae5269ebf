#include "controls/lcd.h"

#include "controls/draw_helpers.h"
#include "platform/window/window_dc.h"

using namespace gfx;

namespace {
constexpr UINT kRedrawNow = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE;
}  // namespace

CLcd::CLcd() = default;

CLcd::~CLcd() {
    m_dwFlags &= ~kCreated;
    if (m_hWnd) DestroyWindow();
}

void CLcd::SetText(CString text) {
    m_strText = std::move(text);
    RedrawWindow(nullptr, nullptr, kRedrawNow);
}

void CLcd::OnPaint() {
    CPaintDC dc(this);
    if (m_dwFlags & kBlinkOff) return;
    GetClientRect(&m_rcClient);
    const CRect client(m_rcClient);
    const float w = float(client.Width()), h = float(client.Height());
    _CQuorMemDC mem(&dc, &client);

    // A fresh off-screen bitmap holds nothing defined: the display shows its
    // panel colour inside the bevel.
    DrawDisplayPanel(&mem, client, m_crBack);

    Graphics g(&mem);
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    StringFormat format;
    format.SetAlignment(StringAlignmentFar);
    format.SetLineAlignment(StringAlignmentCenter);
    GraphicsPath path;

    // Both modes shrink by 0.1 per pass until the text keeps half its size from
    // the left edge, and stop when the size reaches 1: a missing family (no
    // pass ever fits) ends there too.
    const FontFamily* family = m_nMode == 0 ? m_pFamily : m_nMode == 1 ? m_pFamilyBold : nullptr;
    const bool drawable = family && family->IsAvailable() && !m_strText.empty();
    float em = h * m_fTextScale;
    m_fFittedSize = 0.0f;
    while (drawable) {
        path.Reset();
        float size = em;
        if (m_nMode == 0) {
            path.AddString(m_strText.c_str(), INT(m_strText.size()), family, FontStyleRegular, em,
                           RectF(w - w * m_fShiftX, h * m_fCenterY, 0, 0), &format);
        } else {
            size = 2.0f * em;
            path.AddString(m_strText.c_str(), INT(m_strText.size()), family, FontStyleBold, size,
                           RectF(w - w * m_fShiftX + em / 6.0f, h * (m_fCenterY + 0.07f), 0, 0), &format);
        }
        m_fFittedSize = size;
        Rect bounds;
        path.GetBounds(&bounds);
        if (float(m_rcClient.left) + size * 0.5f <= float(bounds.X)) break;
        em -= 0.1f;
        if (em <= 1.0f) break;
    }

    FillFiguresGlowing(&g, path, m_crLit, m_crDim, (m_dwFlags & kHalo) != 0);
}
