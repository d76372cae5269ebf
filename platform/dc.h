// Device contexts: the drawing targets of windows, memory bitmaps and images.
#pragma once

#include <memory>

#include "platform/types.h"

class CWnd;
struct DCImpl;
struct WindowImpl;

class CDC {
public:
    CDC();
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    BOOL IsPrinting() const;
    // Smallest rectangle around the area that drawing may change, logical units.
    int GetClipBox(LPRECT rect) const;
    void FillSolidRect(LPCRECT rect, COLORREF colour);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF colour);
    COLORREF GetPixel(int x, int y) const;

    // The layer's state behind this context.
    DCImpl* Impl() const { return m_impl.get(); }

protected:
    std::unique_ptr<DCImpl> m_impl;
};

struct PAINTSTRUCT {
    CDC* hdc = nullptr;
    BOOL fErase = FALSE;
    RECT rcPaint{};
};

// The context a WM_PAINT handler draws with. Its constructor begins the paint:
// when the window's background needs erasing, WM_ERASEBKGND goes out first.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps{};
    HWND m_hWnd = nullptr;
};

// Begins and ends a paint for windows that draw without a CPaintDC object.
CDC* BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
