// The face styles of the HMI icon font, one per glyph code, built when the
// program is compiled.
//
// Records 0, 16 (camera), 18 (gear), 100 (power) and 118 (check mark) are the
// looks of the symbols the controls draw. The other records up to 337 belong to
// a few families of looks, one per range of codes, for glyphs the font may be
// given later; records 338 to 511 are empty.
//
// Colour effects used here (see StyledFillColours): 0 the control's colour and
// its shade, 1 a lighter pair from the control's colour, 2 the control's second
// colour (the face behind the symbol: a "hole"), 3 the second colour and the
// control's colour, 4 the entry's own colour and its shade, 5 the control's
// colour and its shade, 50 and 55 the pairs of 0 and 5 exchanged.
#include <initializer_list>

#include "controls/face_style.h"

namespace {

constexpr FaceFillEntry Entry(BYTE fillType, float param1, float param2, BYTE byte1, BYTE byte2, COLORREF colour,
                              signed char effect, float factor, float factor2, signed char borderType,
                              signed char innerWidth, float angle = 0.0f) {
    FaceFillEntry e;
    e.fillType = fillType;
    e.param1 = param1;
    e.param2 = param2;
    e.byte1 = byte1;
    e.byte2 = byte2;
    e.colour = colour;
    e.colourEffect = effect;
    e.factor = factor;
    e.factor2 = factor2;
    e.borderColourType = borderType;
    e.innerBorderWidth = innerWidth;
    e.angle = angle;
    return e;
}

constexpr FaceFillEntry WithColour(FaceFillEntry e, COLORREF colour) {
    e.colour = colour;
    return e;
}

constexpr FaceFillEntry WithEffect(FaceFillEntry e, signed char effect) {
    e.colourEffect = effect;
    return e;
}

// A style whose part map starts with `head` and then repeats `cycle` (0 when
// empty) up to part 49, with `entries` as its first entries; the others empty.
constexpr FaceStyle Style(std::initializer_list<int> head, std::initializer_list<int> cycle,
                          std::initializer_list<FaceFillEntry> entries) {
    FaceStyle s;
    int part = 0;
    for (int v : head)
        if (part < FaceStyle::kParts) s.partMap[part++] = static_cast<signed char>(v);
    for (int k = 0; part < FaceStyle::kParts; ++k, ++part)
        s.partMap[part] = cycle.size() == 0 ? 0 : static_cast<signed char>(cycle.begin()[k % int(cycle.size())]);
    int e = 0;
    for (const FaceFillEntry& entry : entries)
        if (e < FaceStyle::kEntries) s.entries[e++] = entry;
    return s;
}

// A figure in the face colour behind the symbol, as if cut out of it.
constexpr FaceFillEntry kHole = Entry(kFaceSolid, 0.0f, 0.0f, 255, 255, 0x000000, 2, 0.0f, 0.0f, 0, 0);

// ---- the symbols the controls draw ----------------------------------------------------------

// Record 0 (and 118): a green bell-shaped gradient; entries 1 and 2 draw only
// their borders.
constexpr FaceFillEntry kGreenGradient = Entry(kFaceLinear, 0.0f, 0.0f, 255, 255, 0x008000, 0, 1.0f, 1.0f, 0, 1);
constexpr FaceStyle kDefaultStyle =
    Style({}, {}, {kGreenGradient, Entry(kFaceBordersOnly, 1.0f, 2.0f, 255, 255, 0xFFFFFF, 1, 1.0f, 2.0f, 0, 0),
                   Entry(kFaceBordersOnly2, 1.0f, 2.0f, 255, 255, 0x000080, 0, 1.0f, 2.0f, 0, 1)});
constexpr FaceStyle kCheckStyle = Style({}, {}, {kGreenGradient});

// Record 16, the camera: grey body, light-grey parts, the lens ring in the
// symbol's colour, black barrel, blue glass, light-blue glints.
constexpr FaceFillEntry kGreyMetal = Entry(kFaceLinear, 0.0f, 90.0f, 255, 255, 0x808080, 4, 0.5f, 1.0f, 0, 1);
constexpr FaceStyle kCameraStyle =
    Style({0, 0, 1, 1, 2, 1, 3, 4, 5, 5, 1, 1}, {},
          {kGreyMetal, WithColour(kGreyMetal, 0xC0C0C0), WithEffect(WithColour(kGreyMetal, 0xC0C0C0), 0),
           WithColour(kGreyMetal, 0x000000), Entry(kFaceLinear, 0.5f, 90.0f, 255, 255, 0xDA2531, 4, 2.7f, 1.0f, 0, 1),
           WithColour(kGreyMetal, 0xFFA078)});

// Record 18, the gear: white rim, light-grey gear, hub ring in the symbol's
// colour, grey boss, centre hole in the face colour.
constexpr FaceStyle kGearStyle =
    Style({0, 0, 1, 2, 3, 4}, {},
          {Entry(kFaceSolid, 0.0f, 0.0f, 255, 255, 0xFFFFFF, 4, -1.0f, 0.0f, 0, 1),
           Entry(kFaceLinear, 0.0f, 90.0f, 255, 255, 0xC0C0C0, 4, 1.0f, 1.0f, 0, 0),
           Entry(kFaceLinear, 0.5f, 90.0f, 255, 255, 0xC0C0C0, 5, 0.7f, 1.0f, 0, 1),
           Entry(kFaceLinear, 0.0f, 90.0f, 255, 255, 0xC0C0C0, 4, 1.0f, 1.0f, 0, 1),
           Entry(kFaceLinear, 0.0f, 90.0f, 255, 255, 0x000000, 2, 1.0f, 1.0f, 0, 1)});

// Record 100, the power symbol: a disc from a rim in the symbol's colour to a
// white centre, the white symbol on it.
constexpr FaceStyle kPowerStyle =
    Style({0, 0, 1}, {},
          {Entry(kFaceRadial, 0.0f, 0.0f, 255, 255, 0xFFFFFF, 0, 100.5f, 1.0f, 0, 1),
           Entry(kFaceSolid, 0.0f, 0.0f, 255, 255, 0xFFFFFF, 4, 0.5f, 1.0f, 0, 1)});

// ---- families of looks ------------------------------------------------------------------------

// Gloss (1 to 39): the body in the symbol's colour with a light band (or a light
// top), details in light grey, holes. Every third record has the body's
// colours exchanged: light edges, the symbol's colour in the band.
constexpr FaceStyle Gloss(int n) {
    const signed char effect = n % 3 == 0 ? 55 : 1;
    return Style({0, 0}, {2, 1},
                 {Entry(kFaceLinear, n % 2 ? 0.5f : 0.0f, 90.0f, 255, 255, 0x000000, effect, 0.3f, 1.0f, 0, 1),
                  Entry(kFaceLinear, 0.0f, 90.0f, 255, 255, 0xC0C0C0, 4, 0.5f, 1.0f, 0, 1), kHole});
}

// Metal (40 to 59): the body in the symbol's colour framed in the control's
// border colour, plates shaded from a dark rim to a grey middle, holes.
constexpr FaceStyle Metal(int n) {
    return Style({0, 0}, {1, 2},
                 {Entry(kFaceLinear, 0.5f, 90.0f, 255, 255, 0x404040, 5, 0.7f, 1.0f, 10, 1),
                  Entry(kFacePreset, 0.1f, n % 2 ? 0.2f : 0.4f, 255, 255, 0x808080, 4, -0.3f, 0.0f, 0, 1), kHole});
}

// Halo (60 to 79): a domed body, a light spot over the next figure, a
// translucent glow of the symbol's colour over the one after.
constexpr FaceStyle Halo(int n) {
    return Style({0, 0}, {1, 2},
                 {Entry(kFaceRadial, 0.0f, 0.0f, 255, 255, 0x000000, 0, 1.2f, 1.0f, 0, 1),
                  Entry(kFaceLightSpot, 0.0f, 0.0f, 0, n % 2 ? 160 : 255, 0x000000, 0, 0.0f, 0.0f, 0, 0),
                  Entry(kFaceAlphaRadial, 0.0f, 0.0f, 200, 0, 0x000000, 0, 0.0f, 0.0f, 0, 0)});
}

// Dome (80 to 127): a domed body (odd records lit at the rim instead of the
// middle), glowing parts shaded from the face colour to the symbol's colour,
// holes. The glow runs under, inside or over the part by the record.
constexpr FaceStyle Dome(int n) {
    const BYTE glow = BYTE(kFaceRadialSoftGlowUnder + n % 3);
    const float grow = glow == kFaceRadialInnerGlowUnder ? 4.0f : 1.3f;  // pixels, or a factor
    return Style({0, 0}, {1, 2},
                 {Entry(kFaceRadial, 0.0f, 0.0f, 255, 255, 0x000000, n % 2 ? 50 : 0, 1.0f, 1.0f, 10, 0),
                  Entry(glow, grow, 0.0f, 255, 255, 0x000000, 3, 0.8f, 0.5f, 0, 1), kHole});
}

// Shine (128 to 199): a glossy body with a highlight spot on the next figure.
constexpr FaceStyle Shine(int) {
    return Style({0, 1}, {0, 2},
                 {Entry(kFaceShine, 0.6f, 0.6f, 255, 255, 0x000000, 5, 1.0f, 1.0f, 0, 0),
                  Entry(kFaceLinear, 0.0f, 90.0f, 255, 255, 0x000000, 1, 0.0f, 1.0f, 0, 1), kHole});
}

// Palette (200 to 269): flat figures, each in its own colour from a palette of
// fifteen, framed in the control's border colour and a darker line of its own.
constexpr COLORREF kPalette[15] = {0x3030C0, 0x3080E0, 0x30C0E0, 0x30B060, 0x80A030, 0xC08030, 0xC03030, 0x803090,
                                   0x8050C0, 0x606060, 0xA0A0A0, 0xE0E0E0, 0x4070A0, 0x205020, 0x202060};
constexpr FaceStyle Palette(int n) {
    FaceStyle s = Style({0}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, {});
    for (int e = 0; e < 15; ++e)
        s.entries[e] = Entry(kFaceSolid, 0.0f, 0.0f, 255, 255, kPalette[(e + n) % 15], 4, -0.2f, 0.0f, 10, 1);
    return s;
}

// Highlight (270 to 337): a glossy body lit from one side, a corner highlight,
// then holes and light-grey details.
constexpr FaceStyle Highlight(int n) {
    return Style({0, 0, 4, 2}, {1, 3},
                 {Entry(kFaceLinear, 0.5f, 90.0f, 255, 255, 0x000000, 1, 0.0f, 1.0f, 0, 1), kHole,
                  Entry(kFaceShineQuarter, 0.0f, 0.0f, n % 2 ? 0 : 3, 255, 0x000000, 5, 1.2f, 0.0f, 0, 0),
                  Entry(kFaceLinear, 0.0f, 90.0f, 255, 255, 0xC0C0C0, 4, 0.5f, 1.0f, 0, 1),
                  Entry(kFaceShineHalf, 0.5f, 0.3f, BYTE(n % 4), 255, 0x000000, 5, 1.0f, 0.0f, 0, 0)});
}

constexpr FaceStyle Record(int n) {
    switch (n) {
    case 0: return kDefaultStyle;
    case 16: return kCameraStyle;
    case 18: return kGearStyle;
    case 100: return kPowerStyle;
    case 118: return kCheckStyle;
    default: break;
    }
    if (n < 40) return Gloss(n);
    if (n < 60) return Metal(n);
    if (n < 80) return Halo(n);
    if (n < 128) return Dome(n);
    if (n < 200) return Shine(n);
    if (n < 270) return Palette(n);
    if (n < 338) return Highlight(n);
    return FaceStyle{};
}

constexpr std::array<FaceStyle, kFaceStyleCount> BuildTable() {
    std::array<FaceStyle, kFaceStyleCount> table{};
    for (int n = 0; n < kFaceStyleCount; ++n) table[size_t(n)] = Record(n);
    return table;
}

}  // namespace

constexpr std::array<FaceStyle, kFaceStyleCount> FaceStyleTable = BuildTable();
