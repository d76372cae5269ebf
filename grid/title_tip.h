// The title tip: when the mouse rests on a cell whose text is cut off, the whole
// text shows in a small popup laid exactly over the cell's text area, in the
// cell's font and colours. The tip holds the mouse while it is up; the first
// move outside the cell, any click or any key hides it and passes the event on
// to the window that should have had it: a click to the window under the
// pointer, a key to the window with the keyboard focus.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/window/tool_popup.h"

class CTitleTip : public CToolPopup {
public:
    CTitleTip();
    ~CTitleTip() override;

    // Creates the (hidden) popup; TRUE at once when it exists.
    using CToolPopup::Create;
    virtual BOOL Create(CWnd* parent);
    // The window whose client coordinates Show takes, and that keys go back to.
    void SetParentWnd(CWnd* parent) { m_pParentWnd = parent; }
    CWnd* GetParentWnd() const { return m_pParentWnd; }

    // Shows `text` over `titleRect` when it does not fit there. Rectangles are in
    // the parent's client coordinates; `hoverRect` (null: the title rect) is
    // where mouse moves keep the tip up; colours of CLR_DEFAULT keep the tip's own.
    void Show(CRect titleRect, LPCTSTR text, int xOffset = 0, LPRECT hoverRect = nullptr,
              const LOGFONTW* font = nullptr, COLORREF textColour = CLR_DEFAULT,
              COLORREF backColour = CLR_DEFAULT);
    void Hide();

    BOOL DestroyWindow() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Where mouse moves keep the tip up, in the tip's client coordinates.
    CRect GetHoverRect() const { return m_rectHover; }

private:
    void OnMouseMove(UINT flags, CPoint point);
    // The window under a screen point; the tip stands for its parent.
    CWnd* WindowUnder(POINT screen) const;

    CWnd* m_pParentWnd = nullptr;
    CRect m_rectHover;
    BOOL m_bCreated = FALSE;
};
