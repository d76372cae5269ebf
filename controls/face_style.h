// Face styles and the styled symbol renderer.
//
// The controls' symbols are glyphs of the HMI icon font drawn as shaded shapes:
// the glyph's outline is split into its closed figures, and figure k is filled
// and bordered by fill entry partMap[k] of a face style. Each entry names a fill
// (solid, linear gradient, path gradients, highlights, glows), its parameters,
// how its two colours come from the two colours the control passes, and its
// borders. Glyph n of the icon font is drawn with record n of FaceStyleTable.
#pragma once

#include <array>
#include <cstddef>

#include "platform/graphics/graphics.h"
#include "platform/base/types.h"

// The kinds of fill an entry can have (its fillType).
enum FaceFillType : BYTE {
    kFaceNone = 0,           // the part is not drawn at all, not even its borders
    kFaceBordersOnly = 1,    // no fill; the borders are drawn
    kFaceBordersOnly2 = 2,   // the same
    kFaceSolid = 10,         // primary colour at alpha byte1
    kFaceLinear = 20,        // bell-shaped linear gradient (focus param1, angle param2)
    kFacePreset = 30,        // path gradient through four preset colours
    kFaceShine = 31,         // highlight ellipse inside the bounds
    kFaceShineHalf = 32,     // half highlight ellipse (side byte1)
    kFaceShineQuarter = 33,  // quarter highlight ellipse (corner byte1)
    kFaceRadial = 40,        // path gradient from the primary rim to the secondary centre
    kFaceRadialSoftGlowUnder = 41,
    kFaceRadialInnerGlowUnder = 42,
    kFaceRadialSoftGlowOver = 43,
    kFaceRadialInnerGlowOver = 44,
    kFaceLightSpot = 50,     // a light ellipse over the figure's bounds
    kFaceAlphaRadial = 51,   // primary colour from alpha byte1 (centre) to byte2 (rim)
};

// One fill entry: 40 bytes, laid out as the table's records are.
struct FaceFillEntry {
    BYTE fillType = 0;               // FaceFillType
    float param1 = 0.0f;
    float param2 = 0.0f;
    BYTE byte1 = 0;                  // an alpha, a side or a corner, by fill type
    BYTE byte2 = 0;                  // an alpha, by fill type
    COLORREF colour = 0;             // the entry's own colour
    signed char colourEffect = 0;    // 1 to 8; 50 more exchanges the two derived colours
    float factor = 0.0f;             // first factor of the colour effect
    float factor2 = 0.0f;            // second factor; also the linear fill's scale
    signed char borderColourType = 0;  // 0, 10 or 11
    signed char innerBorderWidth = 0;  // pixels
    float angle = 0.0f;              // degrees the fill is turned about the figure's centre
};

// One face style: 852 bytes.
struct FaceStyle {
    static constexpr int kParts = 50;
    static constexpr int kEntries = 20;
    signed char partMap[kParts] = {};  // entry index (0..19) per figure number
    FaceFillEntry entries[kEntries] = {};
};

static_assert(sizeof(FaceFillEntry) == 40);
static_assert(offsetof(FaceFillEntry, fillType) == 0);
static_assert(offsetof(FaceFillEntry, param1) == 4);
static_assert(offsetof(FaceFillEntry, param2) == 8);
static_assert(offsetof(FaceFillEntry, byte1) == 12);
static_assert(offsetof(FaceFillEntry, byte2) == 13);
static_assert(offsetof(FaceFillEntry, colour) == 16);
static_assert(offsetof(FaceFillEntry, colourEffect) == 20);
static_assert(offsetof(FaceFillEntry, factor) == 24);
static_assert(offsetof(FaceFillEntry, factor2) == 28);
static_assert(offsetof(FaceFillEntry, borderColourType) == 32);
static_assert(offsetof(FaceFillEntry, innerBorderWidth) == 33);
static_assert(offsetof(FaceFillEntry, angle) == 36);
static_assert(sizeof(FaceStyle) == 852);
static_assert(offsetof(FaceStyle, partMap) == 0);
static_assert(offsetof(FaceStyle, entries) == 52);

// The face styles of the HMI icon font's glyphs, by glyph code. Records 338 to
// 511 are empty (every entry has fill type 0).
constexpr int kFaceStyleCount = 512;
extern const std::array<FaceStyle, kFaceStyleCount> FaceStyleTable;

// ---- the rules the renderer applies, for callers and tests ----

// The entry that draws figure `part`: the part map's entry for parts 0 to 49,
// entry 0 for any other part number; null when the map holds a value outside
// 0..19 (such a part is not drawn).
const FaceFillEntry* StyledEntryForPart(const FaceStyle& style, int part);

// The primary and secondary fill colours of an entry for the control's two
// colours: the colour effect's pair, exchanged for effects of 50 and more, and
// both made grey (LumaGray) when `grey` is set.
struct FaceColours {
    COLORREF primary = 0;
    COLORREF secondary = 0;
};
FaceColours StyledFillColours(const FaceFillEntry& entry, COLORREF colour1, COLORREF colour2, BOOL grey);

// The colour of the outer border: by the entry's border colour type from the
// primary colour (type 0 and unknown types) or from `borderColour` (10 half
// brighter, 11 as it is); `borderColour` itself when `explicitBorder` is set;
// grey (LumaGray) when `grey` is set.
COLORREF StyledOuterBorderColour(const FaceFillEntry& entry, COLORREF primary, BOOL explicitBorder,
                                 COLORREF borderColour, BOOL grey);

// ---- drawing ----

// Draws glyph `code` of `family` as a shaded symbol in the square of side
// max(size, height) at (x, y), turned by `angle` degrees (mirrored and turned
// over as asked), each figure with its entry of `style` (when `ownStyle`) or of
// FaceStyleTable[code]. `unused` is accepted and ignored. Returns the number
// after the last figure drawn (figures + 1), or 0 when nothing was drawn: no
// outline for the code, no family, or a code refused (outside the table when
// the table is used; not one UTF-16 unit when `ownStyle`). g's world transform
// is identity afterwards, whatever it was before.
int DrawSymbolShape(gfx::FontFamily* family, int code, float size, gfx::Graphics* g, float height, float x, float y,
                    float angle, COLORREF colour1, COLORREF colour2, char outerBorderWidth, BOOL explicitBorder,
                    COLORREF borderColour, BOOL ownStyle, const FaceStyle& style, BOOL grey, BOOL mirror, BOOL turnOver,
                    float unused, float xShift, float yShift);

// Fills and borders one figure (path) with the entry of `style` for `part`.
// An entry of fill type 0 (or a refused part) draws nothing and leaves g as it
// was; otherwise g's transform and clip are restored before returning.
// `origin` is accepted and ignored; (dx, dy) moves the drawing.
void FillStyledPath(gfx::Graphics* g, gfx::GraphicsPath* path, int part, const FaceStyle& style, COLORREF colour1,
                    COLORREF colour2, char outerBorderWidth, BOOL explicitBorder, COLORREF borderColour, BOOL grey,
                    float sizeX, float sizeY, float angle, gfx::PointF origin, float dx, float dy);
