// Image lists: a row of same-sized images kept together, drawn by index onto a
// device context. A list made with ILC_MASK keeps a mask: the pixels that had the
// mask colour when the image was added are transparent when drawn.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/base/types.h"

class CDC;

constexpr UINT ILC_MASK = 0x0001;
constexpr UINT ILC_COLOR = 0x0000;
constexpr UINT ILC_COLOR32 = 0x0020;

constexpr UINT ILD_NORMAL = 0x0000;
constexpr UINT ILD_TRANSPARENT = 0x0001;

struct IMAGEINFO {
    HBITMAP hbmImage = nullptr;  // the list's image bitmap (owned by the list)
    HBITMAP hbmMask = nullptr;   // its mask (null without ILC_MASK)
    int Unused1 = 0;
    int Unused2 = 0;
    RECT rcImage{};              // the image's place in hbmImage (right and bottom exclusive)
};

class CImageList {
public:
    CImageList();
    ~CImageList();
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    // An empty list of cx x cy images; `initial` and `grow` are room hints.
    // FALSE when the list exists already or a size is not positive.
    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    BOOL DeleteImageList();
    BOOL IsCreated() const { return m_cx > 0; }

    // Adds the bitmap cut into images of the list's width (at least one); with a
    // mask, pixels of `maskColour` become transparent. Returns the index of the
    // first image added, -1 on failure.
    int Add(CBitmap* bitmap, COLORREF maskColour);
    int GetImageCount() const { return m_count; }
    BOOL GetImageInfo(int image, IMAGEINFO* info) const;
    // Draws image `image` with its top-left at `point` (logical coordinates).
    BOOL Draw(CDC* dc, int image, POINT point, UINT style) const;

private:
    void Rebuild();

    int m_cx = 0;
    int m_cy = 0;
    UINT m_flags = 0;
    int m_count = 0;
    CBitmap m_images;  // the images side by side, with their transparency
    CBitmap m_mask;    // white where transparent, black where drawn
};
