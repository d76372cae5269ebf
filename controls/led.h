// The round lamp: a circle filled with a radial gradient from its centre colour
// to its rim colour, painted over a copy of the parent's background, with a
// caption label above it. It is lit, put out, or flashed for a while (it always
// goes out when a flash ends), and turns grey when its window is disabled.
//
// The owner creates the window (a visible child; its text becomes the caption),
// calls Init and SetCaption, then writes m_fLampScale and any colours directly
// and invalidates the lamp. It reports to its owner (or, without one, its
// parent) with WM_LED_NOTIFY: wParam = the lamp's control id, lParam = a
// LedNotifyCode.
#pragma once

#include "platform/gdi/dc.h"
#include "platform/gdi/gdi.h"
#include "platform/window/wnd.h"

class CQuorText;

constexpr UINT WM_LED_NOTIFY = WM_USER + 100;

// lParam of WM_LED_NOTIFY.
enum LedNotifyCode : LPARAM {
    LED_NOTIFY_RELEASE = 0,  // left button released on the lamp
    LED_NOTIFY_PRESS = 1,    // left button pressed on the lamp, or any notification of its caption
    LED_NOTIFY_LEAVE = 2,    // the mouse left the lamp
};

class CLed : public CWnd {
public:
    // Bits of m_dwFlags.
    static constexpr DWORD kInitialised = 0x1;
    static constexpr DWORD kBackStale = 0x2;
    static constexpr DWORD kLit = 0x8;
    static constexpr DWORD kTracking = 0x100;
    static constexpr DWORD kCaptioned = 0x200;
    static constexpr DWORD kHandCursor = 0x400;

    // The flash timer's id.
    static constexpr UINT_PTR kFlashTimer = 101;

    CLed();
    ~CLed() override;

    // Sets the default colours (unlit black rim on grey, lit red), notes the
    // owner's background colour and marks the lamp initialised.
    void Init(COLORREF back);
    // Makes (or makes again) the caption label from the window text, above the lamp.
    void SetCaption();
    // Lit or unlit, shown at once; nothing before Init.
    void On();
    void Off();
    // Lit in the given colours for m_nFlashPeriod ms, then unlit; a flash during
    // a flash starts the period again. Nothing before Init.
    void Flash(COLORREF onEdge, COLORREF onCenter);

    // Moves the lamp to `rc`, places its caption and takes a fresh background copy.
    virtual void Reposition(const RECT& rc);
    // Erases nothing: the lamp paints over its parent's pixels.
    virtual BOOL OnEraseBkgnd(CDC* dc);
    // Window text and caption text.
    virtual void SetText(LPCTSTR text);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    RECT m_rcClient{};
    COLORREF m_crOffEdge = 0;
    COLORREF m_crOffCenter = 0;
    COLORREF m_crOnEdge = 0;
    COLORREF m_crOnCenter = 0;
    COLORREF m_crBack = 0;  // the owner's background colour; the lamp's drawing does not use it
    DWORD m_dwFlags = kBackStale;
    CDC m_dcBack;
    CBitmap m_bmpBack;
    CBitmap* m_pOldBitmap = nullptr;
    UINT m_nFlashPeriod = 300;
    int m_nCaptionPos = 0;  // 0 above the lamp, 1 to its right
    int m_nCaptionHeight = 0;
    CQuorText* m_pCaption = nullptr;
    float m_fLampScale = 0.0f;  // inset of the lamp, fraction of the caption height

protected:
    void PreSubclassWindow() override;

private:
    // Where the lamp's circle lies in its off-screen bitmap, and where that
    // bitmap goes in the window.
    struct Geometry {
        int left = 0;
        int top = 0;
        int size = 0;
        int diameter = 0;
        CPoint gradientCentre;
        CPoint bitmapAt;      // the off-screen bitmap's place in the window
        CPoint backgroundAt;  // the background copy's place in the bitmap
    };
    // The geometry for a client area of W x H and a caption strip of
    // `captionHeight` (0 without caption).
    static Geometry Layout(int W, int H, int captionHeight, float lampScale, bool captioned);
    void Redraw();
    void PlaceCaption();
    void MarkBackgroundStale();
    void OnPaint();
    void OnMouseMove(WPARAM wParam, LPARAM lParam);
};
