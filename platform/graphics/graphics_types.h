// The values every graphics object shares: numbers, status codes, the mode and
// style enumerations, points, sizes, rectangles and colours.
//
// Every object records the last failure of its calls (GetLastStatus reads and
// clears it); a failed call leaves drawing to go on with the next one.
// Colours are ARGB (alpha in the top byte); blending between colours is done on
// the straight (not premultiplied) components.
#pragma once

#include <cstdint>

#include "platform/base/types.h"

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

}  // namespace gfx
