// Device contexts: the drawing targets of windows, memory bitmaps and images.
//
// Coordinates given to a context are logical; the mapping mode, window and
// viewport origins and extents turn them into device pixels. Drawing is pixel
// exact and not antialiased, as on the platform the program was written for
// (antialiased drawing is the graphics layer's, platform/graphics.h).
#pragma once

#include <memory>
#include <string>

#include "platform/gdi/gdi.h"
#include "platform/base/types.h"

class CWnd;
struct DCImpl;
struct WindowImpl;

class CDC {
public:
    CDC();
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // The output context and the attribute context (the same one in this layer).
    HDC m_hDC = nullptr;
    HDC m_hAttribDC = nullptr;
    BOOL m_bPrinting = FALSE;

    // ---- creation ----
    // A memory context: draws into the bitmap selected into it (at first a 1 x 1
    // stock bitmap). `compatible` may be null (the screen).
    // (`compatible` is ignored: every context draws 32-bit pixels.)
    BOOL CreateCompatibleDC(CDC* compatible);
    BOOL DeleteDC();
    BOOL Attach(HDC dc);
    HDC Detach();
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    // The wrapper object of a context handle (owned by the context).
    static CDC* FromHandle(HDC dc);

    BOOL IsPrinting() const { return m_bPrinting; }
    int GetDeviceCaps(int index) const;

    // ---- objects ----
    CPen* SelectObject(CPen* pen);
    CBrush* SelectObject(CBrush* brush);
    CFont* SelectObject(CFont* font);
    CBitmap* SelectObject(CBitmap* bitmap);
    CGdiObject* SelectObject(CGdiObject* object);
    CGdiObject* SelectStockObject(int index);
    CPen* GetCurrentPen() const;
    CBrush* GetCurrentBrush() const;
    CFont* GetCurrentFont() const;
    CBitmap* GetCurrentBitmap() const;

    // ---- state ----
    int SaveDC();
    // `saved` is a SaveDC result, or negative: that many states back.
    BOOL RestoreDC(int saved);

    // ---- clipping (logical coordinates) ----
    // Smallest rectangle around the area that drawing may change; returns the region type.
    int GetClipBox(LPRECT rect) const;
    int SelectClipRgn(CRgn* region);  // null: no clipping
    int IntersectClipRect(int left, int top, int right, int bottom);
    int IntersectClipRect(LPCRECT rect);
    int ExcludeClipRect(int left, int top, int right, int bottom);
    int ExcludeClipRect(LPCRECT rect);
    BOOL PtVisible(int x, int y) const;

    // ---- mapping ----
    int GetMapMode() const;
    int SetMapMode(int mode);
    CPoint GetWindowOrg() const;
    CPoint SetWindowOrg(int x, int y);
    CPoint SetWindowOrg(POINT p) { return SetWindowOrg(p.x, p.y); }
    CPoint OffsetWindowOrg(int dx, int dy);
    CPoint GetViewportOrg() const;
    CPoint SetViewportOrg(int x, int y);
    CPoint SetViewportOrg(POINT p) { return SetViewportOrg(p.x, p.y); }
    CPoint OffsetViewportOrg(int dx, int dy);
    CSize GetWindowExt() const;
    CSize SetWindowExt(int cx, int cy);
    CSize SetWindowExt(SIZE s) { return SetWindowExt(s.cx, s.cy); }
    CSize GetViewportExt() const;
    CSize SetViewportExt(int cx, int cy);
    CSize SetViewportExt(SIZE s) { return SetViewportExt(s.cx, s.cy); }
    void LPtoDP(LPPOINT points, int count = 1) const;
    void LPtoDP(LPRECT rect) const;
    void LPtoDP(SIZE* size) const;
    void DPtoLP(LPPOINT points, int count = 1) const;
    void DPtoLP(LPRECT rect) const;
    void DPtoLP(SIZE* size) const;

    // ---- colours and modes ----
    COLORREF SetTextColor(COLORREF colour);
    COLORREF GetTextColor() const;
    COLORREF SetBkColor(COLORREF colour);
    COLORREF GetBkColor() const;
    int SetBkMode(int mode);
    int GetBkMode() const;
    UINT SetTextAlign(UINT flags);
    UINT GetTextAlign() const;

    // ---- filling and lines ----
    // Fills with the colour (and, as on the platform, makes it the background colour).
    void FillSolidRect(LPCRECT rect, COLORREF colour);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF colour);
    void FillRect(LPCRECT rect, CBrush* brush);
    // A one-pixel frame inside the rectangle, drawn with the brush.
    void FrameRect(LPCRECT rect, CBrush* brush);
    void InvertRect(LPCRECT rect);
    void DrawFocusRect(LPCRECT rect);
    // Top and left edges in `topLeft`, bottom and right in `bottomRight`, one pixel wide.
    void Draw3dRect(LPCRECT rect, COLORREF topLeft, COLORREF bottomRight);
    void Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight);
    // Outline with the pen, inside with the brush.
    BOOL Rectangle(int left, int top, int right, int bottom);
    BOOL Rectangle(LPCRECT rect);
    BOOL Ellipse(int left, int top, int right, int bottom);
    BOOL Ellipse(LPCRECT rect);
    CPoint MoveTo(int x, int y);
    CPoint MoveTo(POINT p) { return MoveTo(p.x, p.y); }
    // A line from the current position up to (not including) the end point.
    BOOL LineTo(int x, int y);
    BOOL LineTo(POINT p) { return LineTo(p.x, p.y); }
    CPoint GetCurrentPosition() const;
    BOOL Polyline(const POINT* points, int count);
    BOOL Polygon(const POINT* points, int count);
    BOOL PatBlt(int x, int y, int width, int height, DWORD rop);
    BOOL BitBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, DWORD rop);
    BOOL StretchBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, int srcWidth,
                    int srcHeight, DWORD rop);
    COLORREF SetPixel(int x, int y, COLORREF colour);
    COLORREF GetPixel(int x, int y) const;
    // BDR_* edges on the BF_* sides; BF_ADJUST shrinks `rect` by the edges drawn.
    BOOL DrawEdge(LPRECT rect, UINT edge, UINT flags);
    // DFC_BUTTON with DFCS_BUTTONCHECK / DFCS_BUTTONRADIO / DFCS_BUTTONPUSH and state bits.
    BOOL DrawFrameControl(LPRECT rect, UINT type, UINT state);

    // ---- text ----
    // DT_* formats; returns the text's height (with DT_VCENTER / DT_BOTTOM: the
    // offset from the rectangle's top to the text's bottom); 0 on failure. With
    // DT_CALCRECT nothing is drawn and `rect` takes the text's size.
    int DrawText(LPCWSTR text, int count, LPRECT rect, UINT format);
    int DrawText(const std::u16string& text, LPRECT rect, UINT format);
    BOOL TextOut(int x, int y, LPCWSTR text, int count);
    BOOL TextOut(int x, int y, const std::u16string& text);
    BOOL ExtTextOut(int x, int y, UINT options, LPCRECT rect, LPCWSTR text, UINT count, const int* dx);
    CSize GetTextExtent(LPCWSTR text, int count) const;
    CSize GetTextExtent(const std::u16string& text) const;
    CSize GetOutputTextExtent(const std::u16string& text) const { return GetTextExtent(text); }
    BOOL GetTextMetrics(TEXTMETRICW* metrics) const;
    int GetTextFace(int count, LPWSTR faceName) const;

protected:
    // Wrappers made by FromHandle do not delete the context they stand for.
    bool m_ownsContext = true;
    friend struct DCImpl;
};

// ExtTextOut options.
constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;

// ---- free functions on context handles ----
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int saved);
int GetClipBox(HDC dc, LPRECT rect);
int SetBkMode(HDC dc, int mode);
COLORREF SetTextColor(HDC dc, COLORREF colour);
COLORREF SetBkColor(HDC dc, COLORREF colour);
int FillRect(HDC dc, LPCRECT rect, HBRUSH brush);
int FrameRect(HDC dc, LPCRECT rect, HBRUSH brush);
BOOL DrawEdge(HDC dc, LPRECT rect, UINT edge, UINT flags);
BOOL DrawFrameControl(HDC dc, LPRECT rect, UINT type, UINT state);
int DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format);
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size);
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics);
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSrc, int ySrc, DWORD rop);
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
int GetDeviceCaps(HDC dc, int index);
BOOL LPtoDP(HDC dc, LPPOINT points, int count);
BOOL DPtoLP(HDC dc, LPPOINT points, int count);
int GetMapMode(HDC dc);
int SetMapMode(HDC dc, int mode);
