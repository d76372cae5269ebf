// The segmented button bar: one owner-drawn push button split into N equal
// segments (at most 20), each acting as a button of its own. A segment shows
// an icon-font symbol (and optionally a PNG image, a secondary symbol and a
// caption), glows under the mouse, has its own tooltip, and is drawn grey
// while not enabled. The bar's face (a rounded gradient with a frame, and the
// parent's pixels at its corners) is drawn once per size and cached; every
// paint is composed off-screen and copied to the screen in one step.
//
// The owner creates the window (empty caption, owner-draw push button style),
// calls Init with the segment count, writes m_IconFontFamily and the segments'
// symbols and colours directly, gives each segment its tooltip text with
// SetItemText and places the bar with Reposition. A click reaches the owner as
// WM_COMMAND BN_CLICKED with the bar's id; the owner then reads the hovered (or
// pressed) segment. Mouse events also go to the owner (or, without one, the
// parent) as WM_MULTIBUTTON_NOTIFY: wParam the bar's id, lParam a
// MultiButtonNotifyCode.
#pragma once

#include "controls/face_style.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/gdi.h"
#include "platform/graphics/graphics.h"
#include "platform/window/button.h"
#include "platform/window/tooltip.h"

constexpr UINT WM_MULTIBUTTON_NOTIFY = WM_USER + 123;

enum MultiButtonNotifyCode : LPARAM {
    MULTIBUTTON_NOTIFY_LEAVE = 0,     // the mouse left the bar
    MULTIBUTTON_NOTIFY_DOWN = 1,      // left button down (also the second press of a double click)
    MULTIBUTTON_NOTIFY_UP = 2,        // left button up
    MULTIBUTTON_NOTIFY_DBLCLK = 3,    // double click that reached the bar unchanged
};

class CMultiButton : public CButton {
public:
    static constexpr int kMaxSegments = 20;

    // Bits of m_dwFlags.
    static constexpr DWORD kCreated = 0x1;
    static constexpr DWORD kFaceStale = 0x2;
    static constexpr DWORD kTracking = 0x4;
    static constexpr DWORD kMouseOver = 0x8;

    CMultiButton();
    ~CMultiButton() override;

    // The set-up that follows the window's creation: the segment count (kept
    // within 0..kMaxSegments), every segment's defaults and the face colours.
    void Init(int count);

    // Stores segment `index`'s tooltip text and registers its tool (id index + 1)
    // over the segment's tool rectangle. Indexes outside the segments do nothing.
    void SetItemText(int index, CString text);

    // Erases nothing: the bar paints its whole face itself.
    virtual BOOL OnEraseBkgnd(CDC* dc);
    // Moves the bar to `rc` and draws its face anew at the next paint.
    virtual void Reposition(const RECT& rc);

    void DrawItem(LPDRAWITEMSTRUCT drawItem) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // ---- geometry, for a client area of W x H ----
    // The segment under client x: x / (W / N), kept on the last segment up to
    // the right edge; -1 outside the bar, without segments or below one pixel per segment.
    int HitTest(int x) const;
    // Segment `index`'s tooltip rectangle (client coordinates); empty for an index outside the segments.
    CRect ToolRect(int index) const;

    DWORD m_dwFlags = kFaceStale;
    CDC m_dcFace;
    CBitmap m_bmpFace;
    CBitmap* m_pOldFace = nullptr;
    CToolTipCtrl m_ToolTip;
    int m_nRadius = 5;
    int m_nFrameWidth = 0;

    CString m_strToolTip[kMaxSegments];
    BOOL m_bEnabled[kMaxSegments];
    BOOL m_bGrey[kMaxSegments] = {};
    int m_nImageId[kMaxSegments];
    int m_nMargin = 5;

    int m_nSymbol[kMaxSegments];
    int m_nSymbolBorder[kMaxSegments] = {};  // outer border width (low byte)
    int m_nSymbolMode[kMaxSegments] = {};
    float m_fSymbolAngle[kMaxSegments] = {};
    float m_fSymbolScale[kMaxSegments];
    float m_fSymbolDx[kMaxSegments] = {};
    float m_fSymbolDy[kMaxSegments] = {};
    float m_fSymbolSize[kMaxSegments];
    float m_fSymbolHeight[kMaxSegments];
    COLORREF m_crSymbol[kMaxSegments] = {};
    COLORREF m_crSymbolBorder[kMaxSegments] = {};

    gfx::FontFamily* m_IconFontFamily = nullptr;  // the HMI icon family, not owned

    BOOL m_bSymbolOwnStyle[kMaxSegments] = {};
    int m_nSubSymbol[kMaxSegments];
    int m_nSubSymbolBorder[kMaxSegments] = {};
    int m_nSubSymbolMode[kMaxSegments] = {};
    float m_fSubSymbolAngle[kMaxSegments] = {};
    float m_fSubSymbolScale[kMaxSegments];
    float m_fSubSymbolDx[kMaxSegments];
    float m_fSubSymbolDy[kMaxSegments];
    COLORREF m_crSubSymbol[kMaxSegments] = {};
    COLORREF m_crSubSymbolBorder[kMaxSegments] = {};
    BYTE m_bySubSymbolAlpha[kMaxSegments];
    BOOL m_bSubSymbolImage[kMaxSegments] = {};  // drawn through a bitmap with its alpha
    BOOL m_bSubSymbolOwnStyle[kMaxSegments] = {};
    BOOL m_bSubSymbolMirror[kMaxSegments] = {};
    BOOL m_bSubSymbolTurnOver[kMaxSegments] = {};

    CString m_strCaptionFace[kMaxSegments];
    CString m_strCaption[kMaxSegments];
    float m_fCaptionScale[kMaxSegments];
    float m_fCaptionDx[kMaxSegments] = {};
    float m_fCaptionDy[kMaxSegments] = {};
    COLORREF m_crCaption[kMaxSegments];
    BYTE m_byCaptionAlpha[kMaxSegments];
    BOOL m_bCaptionBold[kMaxSegments] = {};

    int m_nHighlightMode = 0;  // 0 a white glow under the hovered segment, 1 its caption turns green
    int m_nCount = 0;
    int m_nHover = -1;
    int m_nLastHover = -1;
    int m_nPressed = -1;
    RECT m_rcClient{};

    COLORREF m_crFaceTop = 0x4C3F38;  // also every symbol's second colour
    COLORREF m_crFaceBottom = 0x82614F;
    COLORREF m_crFrame = 0xBC7200;
    COLORREF m_crDisabledTop = 0xC1D0D4;
    COLORREF m_crDisabledBottom = 0x737C7F;

protected:
    void PreSubclassWindow() override;
    bool AlwaysOwnerDrawn() const override { return true; }

private:
    struct Metrics {
        int W = 0, H = 0, m = 0;
        int w = 0;     // segment width of the symbol layout: (W - 2m) / N
        int base = 0;  // side of a symbol's square
    };
    Metrics Measure() const;
    // The segment count as the arrays hold it (the owner may write m_nCount).
    int Count() const { return m_nCount < 0 ? 0 : (m_nCount > kMaxSegments ? kMaxSegments : m_nCount); }
    bool IsSegment(int i) const { return i >= 0 && i < Count(); }
    // Where a symbol (or caption) of `size` starts in segment i.
    float SymbolX(int i, float size, float dx, int shift) const;
    float SymbolY(float size, float dy, int shift) const;
    void DrawFace(CDC* dc);
    void ReleaseFace();
    float DrawSymbol(gfx::Graphics* g, int i, int shift, BOOL grey);
    float DrawSubSymbol(gfx::Graphics* g, int i, int shift, BYTE alpha, BOOL grey);
    void DrawSegmentText(gfx::Graphics* g, int i, int shift, COLORREF colour, BYTE alpha);
    void DrawImage(gfx::Graphics* g, int i, bool dim, bool down);
    void DrawGlow(gfx::Graphics* g, float glowX);
    void ReportMissingFamily();
    void Notify(LPARAM code);
    void OnMouseMove(LPARAM lParam);
    void OnMouseLeave();
    // Takes the pointer where it is now, as a move there or a leave would: after
    // a click whose command ran a modal box (the pointer may have gone anywhere
    // meanwhile, and the system's enter and leave may not follow), the segment
    // under the pointer glows and takes the next click, and a bar the pointer
    // left lets its hover go.
    void FollowPointer();
    bool m_bFamilyReported = false;
};
