// Antialiased graphics: paths, gradient brushes, pens, transforms, clipping, text
// outlines, images and colour matrices, drawn on a device context or a bitmap.
//
// Coordinates are world units (pixels unless a transform says otherwise) with
// pixel centres on whole numbers: the pixel (0, 0) spans -0.5 to 0.5, so a filled
// rectangle from 0 to 10 covers half of pixels 0 and 10 when antialiased.
// Every object records the last failure of its calls (GetLastStatus reads and
// clears it); a failed call leaves drawing to go on with the next one.
// Colours are ARGB (alpha in the top byte); blending between colours is done on
// the straight (not premultiplied) components.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/base/types.h"

class CDC;

namespace gfx {

using REAL = float;
using INT = int;
using ARGB = std::uint32_t;

enum Status {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    FontFamilyNotFound = 14,
    FontStyleNotFound = 15,
    NotTrueTypeFont = 16,
    UnsupportedGdiplusVersion = 17,
    GdiplusNotInitialized = 18,
    PropertyNotFound = 19,
    PropertyNotSupported = 20,
};

enum FillMode { FillModeAlternate = 0, FillModeWinding = 1 };
enum MatrixOrder { MatrixOrderPrepend = 0, MatrixOrderAppend = 1 };
enum CombineMode {
    CombineModeReplace = 0,
    CombineModeIntersect = 1,
    CombineModeUnion = 2,
    CombineModeXor = 3,
    CombineModeExclude = 4,
    CombineModeComplement = 5,
};
enum SmoothingMode {
    SmoothingModeInvalid = -1,
    SmoothingModeDefault = 0,
    SmoothingModeHighSpeed = 1,
    SmoothingModeHighQuality = 2,
    SmoothingModeNone = 3,
    SmoothingModeAntiAlias = 4,
    SmoothingModeAntiAlias8x4 = 5,
    SmoothingModeAntiAlias8x8 = 6,
};
enum TextRenderingHint {
    TextRenderingHintSystemDefault = 0,
    TextRenderingHintSingleBitPerPixelGridFit = 1,
    TextRenderingHintSingleBitPerPixel = 2,
    TextRenderingHintAntiAliasGridFit = 3,
    TextRenderingHintAntiAlias = 4,
    TextRenderingHintClearTypeGridFit = 5,
};
// Half and HighQuality put pixel centres on halves (.5) instead of whole numbers.
enum PixelOffsetMode {
    PixelOffsetModeInvalid = -1,
    PixelOffsetModeDefault = 0,
    PixelOffsetModeHighSpeed = 1,
    PixelOffsetModeHighQuality = 2,
    PixelOffsetModeNone = 3,
    PixelOffsetModeHalf = 4,
};
enum InterpolationMode {
    InterpolationModeInvalid = -1,
    InterpolationModeDefault = 0,
    InterpolationModeLowQuality = 1,
    InterpolationModeHighQuality = 2,
    InterpolationModeBilinear = 3,
    InterpolationModeBicubic = 4,
    InterpolationModeNearestNeighbor = 5,
    InterpolationModeHighQualityBilinear = 6,
    InterpolationModeHighQualityBicubic = 7,
};
enum CompositingMode { CompositingModeSourceOver = 0, CompositingModeSourceCopy = 1 };
enum CompositingQuality {
    CompositingQualityDefault = 0,
    CompositingQualityHighSpeed = 1,
    CompositingQualityHighQuality = 2,
    CompositingQualityGammaCorrected = 3,
    CompositingQualityAssumeLinear = 4,
};
enum WrapMode {
    WrapModeTile = 0,
    WrapModeTileFlipX = 1,
    WrapModeTileFlipY = 2,
    WrapModeTileFlipXY = 3,
    WrapModeClamp = 4,
};
enum LinearGradientMode {
    LinearGradientModeHorizontal = 0,
    LinearGradientModeVertical = 1,
    LinearGradientModeForwardDiagonal = 2,
    LinearGradientModeBackwardDiagonal = 3,
};
enum LineJoin { LineJoinMiter = 0, LineJoinBevel = 1, LineJoinRound = 2, LineJoinMiterClipped = 3 };
enum LineCap { LineCapFlat = 0, LineCapSquare = 1, LineCapRound = 2, LineCapTriangle = 3 };
enum DashStyle {
    DashStyleSolid = 0,
    DashStyleDash = 1,
    DashStyleDot = 2,
    DashStyleDashDot = 3,
    DashStyleDashDotDot = 4,
};
enum PenAlignment { PenAlignmentCenter = 0, PenAlignmentInset = 1 };
enum Unit {
    UnitWorld = 0,
    UnitDisplay = 1,
    UnitPixel = 2,
    UnitPoint = 3,
    UnitInch = 4,
    UnitDocument = 5,
    UnitMillimeter = 6,
};
enum FontStyle {
    FontStyleRegular = 0,
    FontStyleBold = 1,
    FontStyleItalic = 2,
    FontStyleBoldItalic = 3,
    FontStyleUnderline = 4,
    FontStyleStrikeout = 8,
};
enum StringAlignment { StringAlignmentNear = 0, StringAlignmentCenter = 1, StringAlignmentFar = 2 };
enum StringFormatFlags {
    StringFormatFlagsDirectionRightToLeft = 0x0001,
    StringFormatFlagsDirectionVertical = 0x0002,
    StringFormatFlagsNoFitBlackBox = 0x0004,
    StringFormatFlagsDisplayFormatControl = 0x0020,
    StringFormatFlagsNoFontFallback = 0x0400,
    StringFormatFlagsMeasureTrailingSpaces = 0x0800,
    StringFormatFlagsNoWrap = 0x1000,
    StringFormatFlagsLineLimit = 0x2000,
    StringFormatFlagsNoClip = 0x4000,
};
enum StringTrimming {
    StringTrimmingNone = 0,
    StringTrimmingCharacter = 1,
    StringTrimmingWord = 2,
    StringTrimmingEllipsisCharacter = 3,
    StringTrimmingEllipsisWord = 4,
    StringTrimmingEllipsisPath = 5,
};
// Point types of a path: the kind in the low bits, flags above.
enum PathPointType {
    PathPointTypeStart = 0,
    PathPointTypeLine = 1,
    PathPointTypeBezier = 3,
    PathPointTypePathTypeMask = 0x07,
    PathPointTypeDashMode = 0x10,
    PathPointTypePathMarker = 0x20,
    PathPointTypeCloseSubpath = 0x80,
};
enum BrushType {
    BrushTypeSolidColor = 0,
    BrushTypeHatchFill = 1,
    BrushTypeTextureFill = 2,
    BrushTypePathGradient = 3,
    BrushTypeLinearGradient = 4,
};
enum ColorMatrixFlags { ColorMatrixFlagsDefault = 0, ColorMatrixFlagsSkipGrays = 1, ColorMatrixFlagsAltGray = 2 };
enum ColorAdjustType {
    ColorAdjustTypeDefault = 0,
    ColorAdjustTypeBitmap = 1,
    ColorAdjustTypeBrush = 2,
    ColorAdjustTypePen = 3,
    ColorAdjustTypeText = 4,
};

using PixelFormat = INT;
constexpr PixelFormat PixelFormat24bppRGB = 0x00021808;
constexpr PixelFormat PixelFormat32bppRGB = 0x00022009;
constexpr PixelFormat PixelFormat32bppARGB = 0x0026200A;
constexpr PixelFormat PixelFormat32bppPARGB = 0x000E200B;

using GraphicsState = unsigned int;
using GraphicsContainer = unsigned int;

// ---- values -----------------------------------------------------------------------------

class Color {
public:
    constexpr Color() : m_argb(0xFF000000u) {}
    constexpr Color(BYTE r, BYTE g, BYTE b) : m_argb(MakeARGB(255, r, g, b)) {}
    constexpr Color(BYTE a, BYTE r, BYTE g, BYTE b) : m_argb(MakeARGB(a, r, g, b)) {}
    constexpr Color(ARGB argb) : m_argb(argb) {}
    constexpr BYTE GetA() const { return BYTE(m_argb >> 24); }
    constexpr BYTE GetR() const { return BYTE(m_argb >> 16); }
    constexpr BYTE GetG() const { return BYTE(m_argb >> 8); }
    constexpr BYTE GetB() const { return BYTE(m_argb); }
    constexpr BYTE GetAlpha() const { return GetA(); }
    constexpr ARGB GetValue() const { return m_argb; }
    void SetValue(ARGB argb) { m_argb = argb; }
    constexpr COLORREF ToCOLORREF() const { return RGB(GetR(), GetG(), GetB()); }
    static constexpr ARGB MakeARGB(BYTE a, BYTE r, BYTE g, BYTE b) {
        return (ARGB(a) << 24) | (ARGB(r) << 16) | (ARGB(g) << 8) | ARGB(b);
    }
    static constexpr Color FromCOLORREF(COLORREF c, BYTE alpha = 255) {
        return Color(alpha, GetRValue(c), GetGValue(c), GetBValue(c));
    }
    constexpr bool operator==(const Color& o) const { return m_argb == o.m_argb; }

private:
    ARGB m_argb;
};

struct PointF {
    REAL X = 0;
    REAL Y = 0;
    constexpr PointF() = default;
    constexpr PointF(REAL x, REAL y) : X(x), Y(y) {}
    constexpr bool operator==(const PointF& o) const { return X == o.X && Y == o.Y; }
    constexpr PointF operator+(const PointF& o) const { return PointF(X + o.X, Y + o.Y); }
    constexpr PointF operator-(const PointF& o) const { return PointF(X - o.X, Y - o.Y); }
};

struct Point {
    INT X = 0;
    INT Y = 0;
    constexpr Point() = default;
    constexpr Point(INT x, INT y) : X(x), Y(y) {}
    constexpr bool operator==(const Point& o) const { return X == o.X && Y == o.Y; }
};

struct SizeF {
    REAL Width = 0;
    REAL Height = 0;
    constexpr SizeF() = default;
    constexpr SizeF(REAL w, REAL h) : Width(w), Height(h) {}
};

struct RectF {
    REAL X = 0;
    REAL Y = 0;
    REAL Width = 0;
    REAL Height = 0;
    constexpr RectF() = default;
    constexpr RectF(REAL x, REAL y, REAL w, REAL h) : X(x), Y(y), Width(w), Height(h) {}
    constexpr REAL GetLeft() const { return X; }
    constexpr REAL GetTop() const { return Y; }
    constexpr REAL GetRight() const { return X + Width; }
    constexpr REAL GetBottom() const { return Y + Height; }
    constexpr bool IsEmptyArea() const { return Width <= 0 || Height <= 0; }
    constexpr bool Contains(REAL x, REAL y) const { return x >= X && x < X + Width && y >= Y && y < Y + Height; }
    constexpr bool operator==(const RectF& o) const {
        return X == o.X && Y == o.Y && Width == o.Width && Height == o.Height;
    }
};

struct Rect {
    INT X = 0;
    INT Y = 0;
    INT Width = 0;
    INT Height = 0;
    constexpr Rect() = default;
    constexpr Rect(INT x, INT y, INT w, INT h) : X(x), Y(y), Width(w), Height(h) {}
    constexpr INT GetLeft() const { return X; }
    constexpr INT GetTop() const { return Y; }
    constexpr INT GetRight() const { return X + Width; }
    constexpr INT GetBottom() const { return Y + Height; }
    constexpr bool IsEmptyArea() const { return Width <= 0 || Height <= 0; }
    constexpr bool Contains(INT x, INT y) const { return x >= X && x < X + Width && y >= Y && y < Y + Height; }
    constexpr bool operator==(const Rect& o) const {
        return X == o.X && Y == o.Y && Width == o.Width && Height == o.Height;
    }
};

// A 5 x 5 matrix applied to [r g b a 1] (each 0..1) as a row vector: row 4 adds.
struct ColorMatrix {
    REAL m[5][5] = {};
    static ColorMatrix Identity() {
        ColorMatrix c;
        for (int i = 0; i < 5; ++i) c.m[i][i] = 1.0f;
        return c;
    }
};

// An affine transform m11 m12 / m21 m22 / dx dy, applied to row vectors
// [x y 1]. Prepending an operation applies it before the existing transform.
class Matrix {
public:
    Matrix() = default;
    Matrix(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy) : m{m11, m12, m21, m22, dx, dy} {}
    Matrix* Clone() const { return new Matrix(*this); }

    Status GetElements(REAL* out) const;
    Status SetElements(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy);
    REAL OffsetX() const { return m[4]; }
    REAL OffsetY() const { return m[5]; }
    Status Reset();
    Status Multiply(const Matrix* other, MatrixOrder order = MatrixOrderPrepend);
    Status Translate(REAL dx, REAL dy, MatrixOrder order = MatrixOrderPrepend);
    Status Scale(REAL sx, REAL sy, MatrixOrder order = MatrixOrderPrepend);
    // Degrees; positive turns clockwise on the screen (y downwards).
    Status Rotate(REAL angle, MatrixOrder order = MatrixOrderPrepend);
    Status RotateAt(REAL angle, const PointF& centre, MatrixOrder order = MatrixOrderPrepend);
    Status Shear(REAL shx, REAL shy, MatrixOrder order = MatrixOrderPrepend);
    Status Invert();
    BOOL IsInvertible() const;
    BOOL IsIdentity() const;
    Status TransformPoints(PointF* points, INT count = 1) const;
    Status TransformPoints(Point* points, INT count = 1) const;
    Status TransformVectors(PointF* points, INT count = 1) const;
    Status GetLastStatus() const;
    bool operator==(const Matrix& o) const;

    // Layer internals: elements in the order above.
    const REAL* Elements() const { return m; }

private:
    REAL m[6] = {1, 0, 0, 1, 0, 0};
    mutable Status m_last = Ok;
};

// ---- text layout -----------------------------------------------------------------------

class StringFormat {
public:
    explicit StringFormat(INT flags = 0) : m_flags(flags) {}
    StringFormat* Clone() const { return new StringFormat(*this); }
    // Near/Centre/Far about a layout point, or inside a layout rectangle.
    Status SetAlignment(StringAlignment a) { m_align = a; return Ok; }
    StringAlignment GetAlignment() const { return m_align; }
    Status SetLineAlignment(StringAlignment a) { m_lineAlign = a; return Ok; }
    StringAlignment GetLineAlignment() const { return m_lineAlign; }
    Status SetFormatFlags(INT flags) { m_flags = flags; return Ok; }
    INT GetFormatFlags() const { return m_flags; }
    Status SetTrimming(StringTrimming t) { m_trimming = t; return Ok; }
    StringTrimming GetTrimming() const { return m_trimming; }
    // The default format keeps a sixth of the em size free before and after each
    // line; the typographic one lays the glyphs out without it.
    static const StringFormat* GenericDefault();
    static const StringFormat* GenericTypographic();
    bool IsTypographic() const { return m_typographic; }
    Status GetLastStatus() const { return Ok; }

private:
    INT m_flags = 0;
    StringAlignment m_align = StringAlignmentNear;
    StringAlignment m_lineAlign = StringAlignmentNear;
    StringTrimming m_trimming = StringTrimmingCharacter;
    bool m_typographic = false;
};

class PrivateFontCollection;

class FontFamily {
public:
    FontFamily() = default;
    // By name among the installed fonts (through the face-name mapping), or among
    // the families of `collection`. A missing family gives FontFamilyNotFound.
    FontFamily(const WCHAR* name, const PrivateFontCollection* collection = nullptr);
    FontFamily* Clone() const { return new FontFamily(*this); }
    Status GetFamilyName(WCHAR name[32], WCHAR language = 0) const;
    std::u16string GetFamilyName() const { return m_name; }
    BOOL IsAvailable() const { return m_valid; }
    BOOL IsStyleAvailable(INT style) const { return m_valid; }
    // Metrics in design units of the face.
    int GetEmHeight(INT style) const;
    int GetCellAscent(INT style) const;
    int GetCellDescent(INT style) const;
    int GetLineSpacing(INT style) const;
    Status GetLastStatus() const;
    static const FontFamily* GenericSansSerif();
    static const FontFamily* GenericSerif();
    static const FontFamily* GenericMonospace();

    // Layer internals: the installed family name the face is drawn with.
    const std::u16string& QtFamily() const { return m_qtFamily; }
    bool Valid() const { return m_valid; }

private:
    friend class PrivateFontCollection;
    std::u16string m_name;
    std::u16string m_qtFamily;
    bool m_valid = false;
    mutable Status m_last = Ok;
};

class Font {
public:
    Font(const FontFamily* family, REAL emSize, INT style = FontStyleRegular, Unit unit = UnitPoint);
    Font(const WCHAR* familyName, REAL emSize, INT style = FontStyleRegular, Unit unit = UnitPoint,
         const PrivateFontCollection* collection = nullptr);
    // From a device context's font record (its height in pixels).
    Font(HDC dc, const LOGFONTW* logFont);
    Font(HDC dc, HFONT font);
    Font* Clone() const { return new Font(*this); }
    Status GetFamily(FontFamily* family) const;
    REAL GetSize() const { return m_size; }
    INT GetStyle() const { return m_style; }
    Unit GetUnit() const { return m_unit; }
    BOOL IsAvailable() const { return m_family.Valid(); }
    // Line spacing in pixels.
    REAL GetHeight(REAL dpi = 96.0f) const;
    Status GetLastStatus() const;
    // The em size in pixels.
    REAL EmPixels() const;
    const FontFamily& Family() const { return m_family; }

private:
    FontFamily m_family;
    REAL m_size = 0;
    INT m_style = FontStyleRegular;
    Unit m_unit = UnitPoint;
    mutable Status m_last = Ok;
};

// Font files added from memory; their families are known to this collection only.
class PrivateFontCollection {
public:
    PrivateFontCollection() = default;
    PrivateFontCollection(const PrivateFontCollection&) = delete;
    PrivateFontCollection& operator=(const PrivateFontCollection&) = delete;
    ~PrivateFontCollection();
    // The bytes are copied.
    Status AddMemoryFont(const void* data, INT length);
    Status AddFontFile(const WCHAR* path);
    INT GetFamilyCount() const { return INT(m_families.size()); }
    // Fills up to `wanted` families; `found` takes how many were written.
    Status GetFamilies(INT wanted, FontFamily* families, INT* found) const;
    Status GetLastStatus() const;
    // The collection's face name for a family name, or empty.
    std::u16string Find(const std::u16string& name) const;

private:
    std::vector<int> m_fontIds;
    std::vector<std::u16string> m_families;
    mutable Status m_last = Ok;
};

// ---- paths ---------------------------------------------------------------------------

class Pen;
class Graphics;

struct PathData {
    INT Count = 0;
    std::vector<PointF> Points;
    std::vector<BYTE> Types;
};

class GraphicsPath {
public:
    explicit GraphicsPath(FillMode mode = FillModeAlternate) : m_fillMode(mode) {}
    GraphicsPath(const PointF* points, const BYTE* types, INT count, FillMode mode = FillModeAlternate);
    GraphicsPath* Clone() const { return new GraphicsPath(*this); }

    Status Reset();
    Status SetFillMode(FillMode mode);
    FillMode GetFillMode() const { return m_fillMode; }
    // The next point starts a new figure; CloseFigure also joins the figure's end
    // to its start.
    Status StartFigure();
    Status CloseFigure();
    Status CloseAllFigures();
    Status SetMarker();

    // Open segments join the current figure (a line from its last point when
    // they do not start there).
    Status AddLine(REAL x1, REAL y1, REAL x2, REAL y2);
    Status AddLine(const PointF& a, const PointF& b) { return AddLine(a.X, a.Y, b.X, b.Y); }
    Status AddLine(INT x1, INT y1, INT x2, INT y2) { return AddLine(REAL(x1), REAL(y1), REAL(x2), REAL(y2)); }
    Status AddLines(const PointF* points, INT count);
    Status AddLines(const Point* points, INT count);
    // An elliptic arc in the box; angles in degrees, clockwise from the x axis,
    // measured on the ellipse as seen (not stretched).
    Status AddArc(REAL x, REAL y, REAL width, REAL height, REAL startAngle, REAL sweepAngle);
    Status AddArc(const RectF& r, REAL start, REAL sweep) { return AddArc(r.X, r.Y, r.Width, r.Height, start, sweep); }
    Status AddArc(INT x, INT y, INT w, INT h, REAL start, REAL sweep) {
        return AddArc(REAL(x), REAL(y), REAL(w), REAL(h), start, sweep);
    }
    Status AddArc(const Rect& r, REAL start, REAL sweep) { return AddArc(r.X, r.Y, r.Width, r.Height, start, sweep); }
    Status AddBezier(REAL x1, REAL y1, REAL x2, REAL y2, REAL x3, REAL y3, REAL x4, REAL y4);
    Status AddBezier(const PointF& a, const PointF& b, const PointF& c, const PointF& d) {
        return AddBezier(a.X, a.Y, b.X, b.Y, c.X, c.Y, d.X, d.Y);
    }
    // 3n + 1 points: a start and n segments.
    Status AddBeziers(const PointF* points, INT count);
    // Closed figures of their own.
    Status AddRectangle(const RectF& r);
    Status AddRectangle(const Rect& r) { return AddRectangle(RectF(REAL(r.X), REAL(r.Y), REAL(r.Width), REAL(r.Height))); }
    Status AddEllipse(REAL x, REAL y, REAL width, REAL height);
    Status AddEllipse(const RectF& r) { return AddEllipse(r.X, r.Y, r.Width, r.Height); }
    Status AddEllipse(INT x, INT y, INT w, INT h) { return AddEllipse(REAL(x), REAL(y), REAL(w), REAL(h)); }
    Status AddEllipse(const Rect& r) { return AddEllipse(r.X, r.Y, r.Width, r.Height); }
    Status AddPolygon(const PointF* points, INT count);
    Status AddPath(const GraphicsPath* path, BOOL connect);
    // Text as glyph outlines, each contour a closed figure. With a layout point
    // (or an empty rectangle) the format's alignments place the text about it.
    Status AddString(const WCHAR* text, INT length, const FontFamily* family, INT style, REAL emSize,
                     const PointF& origin, const StringFormat* format);
    Status AddString(const WCHAR* text, INT length, const FontFamily* family, INT style, REAL emSize,
                     const RectF& layout, const StringFormat* format);
    Status AddString(const WCHAR* text, INT length, const FontFamily* family, INT style, REAL emSize,
                     const Point& origin, const StringFormat* format) {
        return AddString(text, length, family, style, emSize, PointF(REAL(origin.X), REAL(origin.Y)), format);
    }
    Status AddString(const WCHAR* text, INT length, const FontFamily* family, INT style, REAL emSize,
                     const Rect& layout, const StringFormat* format) {
        return AddString(text, length, family, style, emSize,
                         RectF(REAL(layout.X), REAL(layout.Y), REAL(layout.Width), REAL(layout.Height)), format);
    }

    INT GetPointCount() const { return INT(m_points.size()); }
    Status GetPathPoints(PointF* points, INT count) const;
    Status GetPathPoints(Point* points, INT count) const;
    Status GetPathTypes(BYTE* types, INT count) const;
    Status GetPathData(PathData* data) const;
    Status GetLastPoint(PointF* point) const;
    Status Transform(const Matrix* matrix);
    // Bounding box of the outline (curves included); with a pen, widened by it.
    // The integer form rounds each value. An empty path gives (0, 0, 0, 0).
    Status GetBounds(RectF* bounds, const Matrix* matrix = nullptr, const Pen* pen = nullptr) const;
    Status GetBounds(Rect* bounds, const Matrix* matrix = nullptr, const Pen* pen = nullptr) const;
    Status Flatten(const Matrix* matrix = nullptr, REAL flatness = 0.25f);
    BOOL IsVisible(REAL x, REAL y, const Graphics* g = nullptr) const;
    BOOL IsVisible(INT x, INT y, const Graphics* g = nullptr) const { return IsVisible(REAL(x), REAL(y), g); }
    Status GetLastStatus() const;

    // Layer internals.
    const std::vector<PointF>& Points() const { return m_points; }
    const std::vector<BYTE>& Types() const { return m_types; }
    // Appends whole figures as they are (each starting with a start point).
    void AppendFigures(const PointF* points, const BYTE* types, size_t count);
    // When the path is one ellipse: the transform of the unit circle onto it.
    bool IsEllipse(Matrix* frame) const;
    Status Record(Status s) const {
        if (s != Ok) m_last = s;
        return s;
    }

private:
    // Appends a point that continues the figure (or starts one).
    void Continue(const PointF& p, BYTE type);
    void AppendArc(REAL x, REAL y, REAL w, REAL h, REAL start, REAL sweep, bool startFigure);

    std::vector<PointF> m_points;
    std::vector<BYTE> m_types;
    FillMode m_fillMode = FillModeAlternate;
    bool m_figureOpen = false;
    bool m_ellipse = false;
    Matrix m_ellipseFrame;
    mutable Status m_last = Ok;
};

// An area in world coordinates (infinite at first).
struct RegionData;
class Region {
public:
    Region();
    explicit Region(const RectF& r);
    explicit Region(const Rect& r);
    explicit Region(const GraphicsPath* path);
    Region(const Region& other);
    Region& operator=(const Region& other);
    ~Region();
    Region* Clone() const { return new Region(*this); }
    Status MakeInfinite();
    Status MakeEmpty();
    Status Intersect(const RectF& r);
    Status Intersect(const Rect& r);
    Status Intersect(const GraphicsPath* path);
    Status Intersect(const Region* region);
    Status Union(const RectF& r);
    Status Union(const GraphicsPath* path);
    Status Union(const Region* region);
    Status Xor(const GraphicsPath* path);
    Status Xor(const Region* region);
    Status Exclude(const RectF& r);
    Status Exclude(const GraphicsPath* path);
    Status Exclude(const Region* region);
    Status Complement(const GraphicsPath* path);
    Status Complement(const Region* region);
    Status Translate(REAL dx, REAL dy);
    Status Transform(const Matrix* matrix);
    Status GetBounds(RectF* bounds, const Graphics* g = nullptr) const;
    Status GetBounds(Rect* bounds, const Graphics* g = nullptr) const;
    BOOL IsEmpty(const Graphics* g = nullptr) const;
    BOOL IsInfinite(const Graphics* g = nullptr) const;
    BOOL IsVisible(REAL x, REAL y, const Graphics* g = nullptr) const;
    Status GetLastStatus() const;

    const RegionData& Data() const { return *m_data; }
    RegionData& MutableData() { return *m_data; }

private:
    std::unique_ptr<RegionData> m_data;
    mutable Status m_last = Ok;
};

// ---- brushes and pens ------------------------------------------------------------------

class Brush {
public:
    virtual ~Brush() = default;
    virtual Brush* Clone() const = 0;
    BrushType GetType() const { return m_type; }
    Status GetLastStatus() const;

protected:
    explicit Brush(BrushType t) : m_type(t) {}
    Status Record(Status s) const {
        if (s != Ok) m_last = s;
        return s;
    }
    BrushType m_type;
    mutable Status m_last = Ok;
};

class SolidBrush : public Brush {
public:
    explicit SolidBrush(const Color& c) : Brush(BrushTypeSolidColor), m_colour(c) {}
    Brush* Clone() const override { return new SolidBrush(*this); }
    Status GetColor(Color* c) const;
    Status SetColor(const Color& c) { m_colour = c; return Ok; }
    const Color& Colour() const { return m_colour; }

private:
    Color m_colour;
};

// How a gradient's colours spread between its two ends (or boundary and centre).
struct GradientBlend {
    std::vector<REAL> factors;    // share of the second colour at each position
    std::vector<REAL> positions;  // 0..1, first 0 and last 1
    std::vector<Color> presetColours;
    std::vector<REAL> presetPositions;
};

// What the linear and the path gradient share: the blend and the brush transform.
class GradientBrush : public Brush {
public:
    // Factors (share of the second colour) at positions 0..1; count >= 2, the
    // positions starting at 0 and ending at 1.
    Status SetBlend(const REAL* factors, const REAL* positions, INT count);
    // Rises from 0 at the start to `scale` at `focus` and falls to 0 at the end,
    // along a bell curve (normal distribution) or straight lines.
    Status SetBlendBellShape(REAL focus, REAL scale = 1.0f);
    Status SetBlendTriangularShape(REAL focus, REAL scale = 1.0f);
    // Preset colours at positions 0..1 (replacing the two colours and the blend).
    Status SetInterpolationColors(const Color* colours, const REAL* positions, INT count);
    // Accepted; the fills do not correct gamma.
    Status SetGammaCorrection(BOOL) { return Ok; }
    Status SetTransform(const Matrix* m);
    Status ResetTransform() { m_transform.Reset(); return Ok; }
    Status TranslateTransform(REAL dx, REAL dy, MatrixOrder order = MatrixOrderPrepend);
    Status ScaleTransform(REAL sx, REAL sy, MatrixOrder order = MatrixOrderPrepend);

    // Layer internals.
    const GradientBlend& Blend() const { return m_blend; }
    const Matrix& BrushTransform() const { return m_transform; }

protected:
    using Brush::Brush;
    GradientBlend m_blend;
    Matrix m_transform;
};

class LinearGradientBrush : public GradientBrush {
public:
    LinearGradientBrush(const PointF& p1, const PointF& p2, const Color& c1, const Color& c2);
    LinearGradientBrush(const Point& p1, const Point& p2, const Color& c1, const Color& c2);
    LinearGradientBrush(const RectF& rect, const Color& c1, const Color& c2, LinearGradientMode mode);
    LinearGradientBrush(const Rect& rect, const Color& c1, const Color& c2, LinearGradientMode mode);
    // The colours change along the angle (degrees, clockwise from the x axis); the
    // first colour holds on the line through the rectangle's first corner along
    // that direction, the second on the line through the opposite corner.
    LinearGradientBrush(const RectF& rect, const Color& c1, const Color& c2, REAL angle, BOOL isAngleScalable = FALSE);
    LinearGradientBrush(const Rect& rect, const Color& c1, const Color& c2, REAL angle, BOOL isAngleScalable = FALSE);
    Brush* Clone() const override { return new LinearGradientBrush(*this); }

    Status SetLinearColors(const Color& c1, const Color& c2);
    Status GetLinearColors(Color* colours) const;
    Status GetRectangle(RectF* r) const;
    Status GetRectangle(Rect* r) const;
    Status SetWrapMode(WrapMode mode);
    WrapMode GetWrapMode() const { return m_wrap; }
    Status RotateTransform(REAL angle, MatrixOrder order = MatrixOrderPrepend);

    // Layer internals: the gradient runs from start to end (colour 1 to colour 2).
    PointF Start() const { return m_start; }
    PointF End() const { return m_end; }
    const Color* Colours() const { return m_colours; }

private:
    void InitAngle(const RectF& rect, REAL angle, BOOL scalable);
    PointF m_start, m_end;
    RectF m_rect;
    Color m_colours[2];
    WrapMode m_wrap = WrapModeTile;
};

// Colours run along straight lines from the centre point (centre colour) to the
// boundary (surround colours); blend positions count 0 at the boundary and 1 at
// the centre. Focus scales shrink the boundary about the centre into the area
// that shows the centre colour.
class PathGradientBrush : public GradientBrush {
public:
    explicit PathGradientBrush(const GraphicsPath* path);
    PathGradientBrush(const PointF* points, INT count, WrapMode mode = WrapModeClamp);
    PathGradientBrush(const Point* points, INT count, WrapMode mode = WrapModeClamp);
    Brush* Clone() const override { return new PathGradientBrush(*this); }

    Status SetCenterPoint(const PointF& p);
    Status SetCenterPoint(const Point& p) { return SetCenterPoint(PointF(REAL(p.X), REAL(p.Y))); }
    Status GetCenterPoint(PointF* p) const;
    Status SetCenterColor(const Color& c);
    Status GetCenterColor(Color* c) const;
    // At most one colour per boundary point; `count` takes how many were set.
    Status SetSurroundColors(const Color* colours, INT* count);
    INT GetSurroundColorCount() const { return INT(m_surround.size()); }
    INT GetPointCount() const { return m_boundary.GetPointCount(); }
    Status SetFocusScales(REAL x, REAL y);
    Status GetFocusScales(REAL* x, REAL* y) const;
    Status SetWrapMode(WrapMode mode);
    WrapMode GetWrapMode() const { return m_wrap; }
    Status GetRectangle(RectF* r) const;

    // Layer internals.
    const GraphicsPath& Boundary() const { return m_boundary; }
    const Color& CentreColour() const { return m_centreColour; }
    const std::vector<Color>& SurroundColours() const { return m_surround; }
    PointF CentrePoint() const { return m_centre; }
    REAL FocusX() const { return m_focusX; }
    REAL FocusY() const { return m_focusY; }

private:
    void InitCentre();
    GraphicsPath m_boundary;
    PointF m_centre;
    Color m_centreColour{0xFF000000u};
    std::vector<Color> m_surround{Color(0xFFFFFFFFu)};
    REAL m_focusX = 0, m_focusY = 0;
    WrapMode m_wrap = WrapModeClamp;
};

class Pen {
public:
    explicit Pen(const Color& colour, REAL width = 1.0f);
    explicit Pen(const Brush* brush, REAL width = 1.0f);
    Pen(const Pen& other);
    Pen& operator=(const Pen& other);
    ~Pen();
    Pen* Clone() const { return new Pen(*this); }
    Status SetColor(const Color& c);
    Status GetColor(Color* c) const;
    Status SetWidth(REAL w);
    REAL GetWidth() const { return m_width; }
    Status SetLineJoin(LineJoin j) { m_join = j; return Ok; }
    LineJoin GetLineJoin() const { return m_join; }
    Status SetStartCap(LineCap c) { m_startCap = c; return Ok; }
    Status SetEndCap(LineCap c) { m_endCap = c; return Ok; }
    Status SetLineCap(LineCap start, LineCap end, int /*dashCap*/) { m_startCap = start; m_endCap = end; return Ok; }
    LineCap GetStartCap() const { return m_startCap; }
    Status SetDashStyle(DashStyle s) { m_dash = s; return Ok; }
    DashStyle GetDashStyle() const { return m_dash; }
    Status SetAlignment(PenAlignment a) { m_alignment = a; return Ok; }
    PenAlignment GetAlignment() const { return m_alignment; }
    Status SetMiterLimit(REAL l) { m_miterLimit = l; return Ok; }
    REAL GetMiterLimit() const { return m_miterLimit; }
    Status SetBrush(const Brush* brush);
    const Brush* GetBrush() const { return m_brush.get(); }
    Status GetLastStatus() const;

private:
    Color m_colour;
    REAL m_width = 1.0f;
    LineJoin m_join = LineJoinMiter;
    LineCap m_startCap = LineCapFlat, m_endCap = LineCapFlat;
    DashStyle m_dash = DashStyleSolid;
    PenAlignment m_alignment = PenAlignmentCenter;
    REAL m_miterLimit = 10.0f;
    std::unique_ptr<Brush> m_brush;
    mutable Status m_last = Ok;
};

// ---- images ------------------------------------------------------------------------------

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
    Bitmap(INT width, INT height, Graphics* target);
    // A copy of a GDI bitmap's pixels (opaque).
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

class ImageAttributes {
public:
    ImageAttributes() = default;
    ImageAttributes* Clone() const { return new ImageAttributes(*this); }
    Status SetColorMatrix(const ColorMatrix* matrix, ColorMatrixFlags flags = ColorMatrixFlagsDefault,
                          ColorAdjustType type = ColorAdjustTypeDefault);
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

// ---- drawing --------------------------------------------------------------------------------

struct GraphicsImpl;

class Graphics {
public:
    // Draws on a device context's pixels, in its logical coordinates and inside its clip.
    explicit Graphics(HDC dc);
    explicit Graphics(CDC* dc);
    // Draws on a bitmap (other images give WrongState).
    explicit Graphics(Image* image);
    static Graphics* FromHDC(HDC dc) { return new Graphics(dc); }
    static Graphics* FromImage(Image* image) { return new Graphics(image); }
    ~Graphics();
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    Status SetSmoothingMode(SmoothingMode mode);
    SmoothingMode GetSmoothingMode() const;
    Status SetTextRenderingHint(TextRenderingHint hint);
    TextRenderingHint GetTextRenderingHint() const;
    Status SetPixelOffsetMode(PixelOffsetMode mode);
    PixelOffsetMode GetPixelOffsetMode() const;
    Status SetInterpolationMode(InterpolationMode mode);
    InterpolationMode GetInterpolationMode() const;
    Status SetCompositingMode(CompositingMode mode);
    CompositingMode GetCompositingMode() const;
    Status SetCompositingQuality(CompositingQuality q);
    REAL GetDpiX() const { return 96.0f; }
    REAL GetDpiY() const { return 96.0f; }

    // ---- world transform ----
    Status SetTransform(const Matrix* m);
    Status GetTransform(Matrix* m) const;
    Status ResetTransform();
    Status MultiplyTransform(const Matrix* m, MatrixOrder order = MatrixOrderPrepend);
    Status TranslateTransform(REAL dx, REAL dy, MatrixOrder order = MatrixOrderPrepend);
    Status ScaleTransform(REAL sx, REAL sy, MatrixOrder order = MatrixOrderPrepend);
    Status RotateTransform(REAL angle, MatrixOrder order = MatrixOrderPrepend);

    // ---- clipping (world coordinates, kept in device pixels) ----
    Status SetClip(const RectF& r, CombineMode mode = CombineModeReplace);
    Status SetClip(const Rect& r, CombineMode mode = CombineModeReplace);
    Status SetClip(const GraphicsPath* path, CombineMode mode = CombineModeReplace);
    Status SetClip(const Region* region, CombineMode mode = CombineModeReplace);
    Status SetClip(const Graphics* other, CombineMode mode = CombineModeReplace);
    Status IntersectClip(const RectF& r) { return SetClip(r, CombineModeIntersect); }
    Status IntersectClip(const Rect& r) { return SetClip(r, CombineModeIntersect); }
    Status ExcludeClip(const RectF& r) { return SetClip(r, CombineModeExclude); }
    Status ExcludeClip(const Rect& r) { return SetClip(r, CombineModeExclude); }
    Status ResetClip();
    Status GetClip(Region* region) const;
    Status GetClipBounds(RectF* r) const;
    Status GetClipBounds(Rect* r) const;
    BOOL IsClipEmpty() const;
    BOOL IsVisible(REAL x, REAL y) const;

    // ---- state ----
    GraphicsState Save();
    Status Restore(GraphicsState state);
    GraphicsContainer BeginContainer() { return Save(); }
    Status EndContainer(GraphicsContainer c) { return Restore(c); }
    void Flush();

    // ---- filling ----
    Status Clear(const Color& c);
    Status FillPath(const Brush* brush, const GraphicsPath* path);
    Status FillRectangle(const Brush* brush, REAL x, REAL y, REAL w, REAL h);
    Status FillRectangle(const Brush* brush, const RectF& r) { return FillRectangle(brush, r.X, r.Y, r.Width, r.Height); }
    Status FillRectangle(const Brush* brush, INT x, INT y, INT w, INT h) {
        return FillRectangle(brush, REAL(x), REAL(y), REAL(w), REAL(h));
    }
    Status FillRectangle(const Brush* brush, const Rect& r) { return FillRectangle(brush, r.X, r.Y, r.Width, r.Height); }
    Status FillEllipse(const Brush* brush, REAL x, REAL y, REAL w, REAL h);
    Status FillEllipse(const Brush* brush, const RectF& r) { return FillEllipse(brush, r.X, r.Y, r.Width, r.Height); }
    Status FillEllipse(const Brush* brush, INT x, INT y, INT w, INT h) {
        return FillEllipse(brush, REAL(x), REAL(y), REAL(w), REAL(h));
    }
    Status FillEllipse(const Brush* brush, const Rect& r) { return FillEllipse(brush, r.X, r.Y, r.Width, r.Height); }
    Status FillPolygon(const Brush* brush, const PointF* points, INT count, FillMode mode = FillModeAlternate);
    Status FillRegion(const Brush* brush, const Region* region);

    // ---- lines ----
    Status DrawPath(const Pen* pen, const GraphicsPath* path);
    Status DrawLine(const Pen* pen, REAL x1, REAL y1, REAL x2, REAL y2);
    Status DrawLine(const Pen* pen, INT x1, INT y1, INT x2, INT y2) {
        return DrawLine(pen, REAL(x1), REAL(y1), REAL(x2), REAL(y2));
    }
    Status DrawLine(const Pen* pen, const PointF& a, const PointF& b) { return DrawLine(pen, a.X, a.Y, b.X, b.Y); }
    Status DrawLines(const Pen* pen, const PointF* points, INT count);
    Status DrawLines(const Pen* pen, const Point* points, INT count);
    Status DrawRectangle(const Pen* pen, REAL x, REAL y, REAL w, REAL h);
    Status DrawRectangle(const Pen* pen, const RectF& r) { return DrawRectangle(pen, r.X, r.Y, r.Width, r.Height); }
    Status DrawRectangle(const Pen* pen, INT x, INT y, INT w, INT h) {
        return DrawRectangle(pen, REAL(x), REAL(y), REAL(w), REAL(h));
    }
    Status DrawRectangle(const Pen* pen, const Rect& r) { return DrawRectangle(pen, r.X, r.Y, r.Width, r.Height); }
    Status DrawEllipse(const Pen* pen, REAL x, REAL y, REAL w, REAL h);
    Status DrawEllipse(const Pen* pen, const RectF& r) { return DrawEllipse(pen, r.X, r.Y, r.Width, r.Height); }
    Status DrawArc(const Pen* pen, REAL x, REAL y, REAL w, REAL h, REAL start, REAL sweep);
    Status DrawBezier(const Pen* pen, const PointF& a, const PointF& b, const PointF& c, const PointF& d);
    Status DrawPolygon(const Pen* pen, const PointF* points, INT count);

    // ---- text ----
    Status DrawString(const WCHAR* text, INT length, const Font* font, const PointF& origin,
                      const StringFormat* format, const Brush* brush);
    Status DrawString(const WCHAR* text, INT length, const Font* font, const RectF& layout,
                      const StringFormat* format, const Brush* brush);
    Status DrawString(const WCHAR* text, INT length, const Font* font, const PointF& origin, const Brush* brush) {
        return DrawString(text, length, font, origin, nullptr, brush);
    }
    Status MeasureString(const WCHAR* text, INT length, const Font* font, const RectF& layout,
                         const StringFormat* format, RectF* bounds, INT* codepointsFitted = nullptr,
                         INT* linesFilled = nullptr) const;
    Status MeasureString(const WCHAR* text, INT length, const Font* font, const PointF& origin,
                         const StringFormat* format, RectF* bounds) const;

    // ---- images ----
    Status DrawImage(Image* image, REAL x, REAL y);
    Status DrawImage(Image* image, INT x, INT y) { return DrawImage(image, REAL(x), REAL(y)); }
    Status DrawImage(Image* image, REAL x, REAL y, REAL w, REAL h);
    Status DrawImage(Image* image, INT x, INT y, INT w, INT h) {
        return DrawImage(image, REAL(x), REAL(y), REAL(w), REAL(h));
    }
    Status DrawImage(Image* image, const RectF& dest) { return DrawImage(image, dest.X, dest.Y, dest.Width, dest.Height); }
    Status DrawImage(Image* image, const Rect& dest) { return DrawImage(image, dest.X, dest.Y, dest.Width, dest.Height); }
    // The source rectangle (pixels) of the image into `dest`, through the attributes.
    Status DrawImage(Image* image, const RectF& dest, REAL srcX, REAL srcY, REAL srcW, REAL srcH, Unit srcUnit,
                     const ImageAttributes* attributes = nullptr);
    Status DrawImage(Image* image, const Rect& dest, INT srcX, INT srcY, INT srcW, INT srcH, Unit srcUnit,
                     const ImageAttributes* attributes = nullptr) {
        return DrawImage(image, RectF(REAL(dest.X), REAL(dest.Y), REAL(dest.Width), REAL(dest.Height)), REAL(srcX),
                         REAL(srcY), REAL(srcW), REAL(srcH), srcUnit, attributes);
    }

    // A device context on the same pixels (device coordinates); give it back with
    // ReleaseHDC before drawing with this object again.
    HDC GetHDC();
    void ReleaseHDC(HDC dc);

    Status GetLastStatus() const;

    GraphicsImpl* Impl() const { return m_impl.get(); }

private:
    Status Record(Status s) const;
    std::unique_ptr<GraphicsImpl> m_impl;
    mutable Status m_last = Ok;
};

}  // namespace gfx
