// Images: pixels decoded from PNG (and the other formats the toolkit reads) or
// made as bitmaps to draw on; Clone copies the pixels. Colour matrices and the
// image attributes that apply them when an image is drawn.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/graphics/graphics_types.h"

namespace gfx {

class Graphics;

// A 5 x 5 matrix applied to [r g b a 1] (each 0..1) as a row vector: row 4 adds.
struct ColorMatrix {
    REAL m[5][5] = {};
    static ColorMatrix Identity() {
        ColorMatrix c;
        for (int i = 0; i < 5; ++i) c.m[i][i] = 1.0f;
        return c;
    }
};

struct ImageData;

class Image {
public:
    virtual ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    // Decodes PNG (and the other formats the toolkit reads) from bytes or a file;
    // the result's last status tells whether it worked. The caller deletes it.
    static Image* FromBytes(const void* data, size_t size);
    static Image* FromFile(const WCHAR* path);
    Image* Clone() const;
    UINT GetWidth() const;
    UINT GetHeight() const;
    PixelFormat GetPixelFormat() const;
    REAL GetHorizontalResolution() const { return 96.0f; }
    REAL GetVerticalResolution() const { return 96.0f; }
    Status GetLastStatus() const;

    // Layer internals.
    const std::shared_ptr<ImageData>& Data() const { return m_data; }
    Status Record(Status s) const {
        if (s != Ok) m_last = s;
        return s;
    }

protected:
    Image();
    std::shared_ptr<ImageData> m_data;
    mutable Status m_last = Ok;
};

class Bitmap : public Image {
public:
    // Transparent pixels at first.
    Bitmap(INT width, INT height, PixelFormat format = PixelFormat32bppARGB);
    // The graphics object is accepted and ignored: the bitmap is 32-bit premultiplied.
    Bitmap(INT width, INT height, Graphics* target);
    // A copy of a GDI bitmap's pixels (opaque).
    // The palette is accepted and ignored: bitmaps here have no palettes.
    Bitmap(HBITMAP bitmap, HPALETTE palette);
    explicit Bitmap(const WCHAR* path);
    static Bitmap* FromHBITMAP(HBITMAP bitmap, HPALETTE palette) { return new Bitmap(bitmap, palette); }
    static Bitmap* FromFile(const WCHAR* path) { return new Bitmap(path); }
    static Bitmap* FromBytes(const void* data, size_t size);
    Status GetPixel(INT x, INT y, Color* colour) const;
    Status SetPixel(INT x, INT y, const Color& colour);
    // A new GDI bitmap of the pixels over `background` (freed with DeleteObject).
    Status GetHBITMAP(const Color& background, HBITMAP* out) const;

private:
    friend class Image;
    Bitmap();
};

// A picture kept as runs of one colour along each row: a fraction of its
// pixels' bytes where rows are mostly one colour (a box over a plain
// background). Graphics::DrawRuns copies it back.
class RowRuns {
public:
    // Keeps the runs of `image`'s pixels; false, keeping nothing, when they
    // would take more than `limit` bytes.
    bool Take(const Image& image, size_t limit);
    void Clear();
    bool Empty() const { return m_width == 0; }
    INT Width() const { return m_width; }
    INT Height() const { return m_height; }
    size_t Bytes() const { return m_rowStart.size() * sizeof(int) + m_runs.size() * sizeof(Run); }

private:
    friend class Graphics;
    struct Run {
        INT end;  // one past the run's last pixel
        std::uint32_t colour;  // premultiplied ARGB
    };
    INT m_width = 0, m_height = 0;
    std::vector<int> m_rowStart;  // row y's runs: m_rowStart[y] .. m_rowStart[y + 1]
    std::vector<Run> m_runs;
};

class ImageAttributes {
public:
    ImageAttributes() = default;
    ImageAttributes* Clone() const { return new ImageAttributes(*this); }
    Status SetColorMatrix(const ColorMatrix* matrix, ColorMatrixFlags flags = ColorMatrixFlagsDefault,
                          ColorAdjustType type = ColorAdjustTypeDefault);
    // The adjust type of both is accepted and ignored: one matrix applies to every use.
    Status ClearColorMatrix(ColorAdjustType type = ColorAdjustTypeDefault);
    Status GetLastStatus() const { return Ok; }

    bool HasMatrix() const { return m_hasMatrix; }
    const ColorMatrix& GetMatrix() const { return m_matrix; }
    ColorMatrixFlags GetFlags() const { return m_flags; }

private:
    bool m_hasMatrix = false;
    ColorMatrix m_matrix = ColorMatrix::Identity();
    ColorMatrixFlags m_flags = ColorMatrixFlagsDefault;
};

}  // namespace gfx
