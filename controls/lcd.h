// The matrix text display: the text sibling of the numeric display. One text is
// drawn right-aligned as glyph outlines in a family its owner supplies, shrunk
// until it fits, and filled figure by figure with the numeric display's glow.
// Mode 0 draws the text regular at the fitted size in m_pFamily; mode 1 draws it
// bold at twice the size in m_pFamilyBold, a little lower and to the right; any
// other mode draws no text.
//
// The owner creates the window (a visible static child with an empty text),
// writes the fields directly (there is no Init) and invalidates the window;
// SetText redraws at once. Timer 102 toggles a blink phase; nothing in the
// program starts it.
#pragma once

#include "platform/gdi/dc.h"
#include "platform/graphics/graphics.h"
#include "controls/fnd.h"
#include "platform/window/wnd.h"

class CLcd : public CBlinkDisplay {
public:
    // Bits of m_dwFlags besides kCreated and kBlinkOff.
    static constexpr DWORD kHalo = 0x4;  // each figure also gets a halo in m_crDim

    CLcd();
    ~CLcd() override;

    // The text, on the screen when the call returns.
    void SetText(CString text);

    // The size the text was last drawn at (mode 1: the doubled size), after the
    // fitting passes; 0 when no text was drawn.
    float FittedSize() const { return m_fFittedSize; }

    RECT m_rcClient{};
    COLORREF m_crBack = 0;  // base of the bevel colours and the colour inside it
    COLORREF m_crDim = 0;
    COLORREF m_crLit = 0;
    int m_nMode = 0;
    CString m_strText;
    gfx::FontFamily* m_pFamily = nullptr;      // mode 0, not owned
    gfx::FontFamily* m_pFamilyBold = nullptr;  // mode 1, not owned
    float m_fTextScale = 0.8f;  // starting text size, fraction of the height
    float m_fShiftX = 0.0f;     // text's right edge from the right side, fraction of the width (subtracted)
    float m_fCenterY = 0.5f;    // vertical centre of the text, fraction of the height

protected:
    void OnPaint() override;

private:
    float m_fFittedSize = 0.0f;
};
