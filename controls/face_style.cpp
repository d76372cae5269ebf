#include "controls/face_style.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "controls/draw_helpers.h"
#include "controls/path_helpers.h"
#include "platform/graphics/font_coverage.h"

using namespace gfx;

const FaceFillEntry* StyledEntryForPart(const FaceStyle& style, int part) {
    if (part < 0 || part >= FaceStyle::kParts) return &style.entries[0];
    const int e = style.partMap[part];
    if (e < 0 || e >= FaceStyle::kEntries) return nullptr;
    return &style.entries[e];
}

FaceColours StyledFillColours(const FaceFillEntry& entry, COLORREF colour1, COLORREF colour2, BOOL grey) {
    const float f = entry.factor, f2 = entry.factor2;
    const COLORREF ce = entry.colour;
    const COLORREF s = ScaleColor(colour1, f);
    COLORREF a = colour1, b = s;
    switch (entry.colourEffect % 50) {  // remainder with the sign of the effect
    case 1: a = s; b = ScaleColor(s, 0.5f); break;
    case 2: a = colour2; b = colour2; break;
    case 3: a = ScaleColor(colour2, f2); b = s; break;
    case 4: a = ce; b = ScaleColor(ce, f); break;
    case 6: {
        // The factor as a whole number of steps; values beyond any channel's
        // range all saturate, so they are kept within it before converting.
        const float steps = std::isfinite(f) ? std::fmax(-256.0f, std::fmin(256.0f, f)) : 0.0f;
        a = colour1;
        b = OffsetColor(colour1, int(steps));
        break;
    }
    case 7: a = InvertColor(colour1); b = s; break;
    case 8: a = AverageGray(colour1); b = s; break;
    default: break;  // 5, 0, 9 to 49 and negative effects
    }
    FaceColours out = entry.colourEffect < 50 ? FaceColours{a, b} : FaceColours{b, a};
    if (grey) {
        out.primary = LumaGray(out.primary);
        out.secondary = LumaGray(out.secondary);
    }
    return out;
}

COLORREF StyledOuterBorderColour(const FaceFillEntry& entry, COLORREF primary, BOOL explicitBorder,
                                 COLORREF borderColour, BOOL grey) {
    COLORREF c;
    switch (entry.borderColourType) {
    case 10: c = ScaleColor(borderColour, 0.5f); break;
    case 11: c = ScaleColor(borderColour, 1.0f); break;
    default: c = ScaleColor(primary, -0.1f); break;  // 0, and types no table record uses
    }
    if (explicitBorder) c = borderColour;
    if (grey) c = LumaGray(c);
    return c;
}

void FillStyledPath(Graphics* g, GraphicsPath* path, int part, const FaceStyle& style, COLORREF colour1,
                    COLORREF colour2, char outerBorderWidth, BOOL explicitBorder, COLORREF borderColour, BOOL grey,
                    float sizeX, float sizeY, float angle, PointF /*origin*/, float dx, float dy) {
    if (!g || !path) return;
    const FaceFillEntry* found = StyledEntryForPart(style, part);
    if (!found || found->fillType == kFaceNone) return;
    const FaceFillEntry& entry = *found;

    SolidBrush brush(Color(0xFF000000u));
    const GraphicsState state = g->Save();
    Rect b;
    path->GetBounds(&b);
    const int left = b.X, top = b.Y, right = b.X + b.Width, bottom = b.Y + b.Height;

    // The symbol's square may be drawn taller than wide: stretch vertically.
    g->TranslateTransform(dx, dy);
    g->ScaleTransform(1.0f, sizeX != 0.0f ? sizeY / sizeX : 1.0f);

    const FaceColours colours = StyledFillColours(entry, colour1, colour2, grey);
    const COLORREF p = colours.primary, q = colours.secondary;

    if (entry.angle != 0.0f) {
        const float hw = float(b.Width) * 0.5f, hh = float(b.Height) * 0.5f;
        g->TranslateTransform(float(b.X) + hw, float(b.Y) + hh);
        g->RotateTransform(entry.angle);
        g->TranslateTransform(-(float(b.X) + hw - 0.5f), -(float(b.Y) + hh - 0.5f));
    }

    switch (entry.fillType) {
    case kFaceSolid:
        brush.SetColor(Color(ColorToArgb(entry.byte1, p)));
        g->FillPath(&brush, path);
        break;
    case kFaceLinear:
        FillPathLinearSigma(g, path, p, q, entry.param1, entry.param2, entry.byte1, entry.byte2, entry.factor2);
        break;
    case kFacePreset: {
        const COLORREF x = ScaleColor(p, entry.factor), y = ScaleColor(p, entry.factor2);
        PathGradientBrush preset(path);
        const REAL positions[4] = {0.0f, entry.param1, entry.param2, 1.0f};
        preset.SetBlend(positions, positions, 4);  // the factors equal the positions
        const Color presetColours[4] = {Opaque(ScaleColor(x, 0.0f)), Opaque(ScaleColor(x, 0.3f)), Opaque(y),
                                        Opaque(y)};
        preset.SetInterpolationColors(presetColours, positions, 4);
        g->FillPath(&preset, path);
        break;
    }
    case kFaceShine:
        FillEllipseShine(g, p, q, entry.param2, left, top, right, bottom, entry.param1);
        break;
    case kFaceShineHalf:
        FillEllipseShineClipped(g, p, q, entry.byte1, entry.param1, entry.param2, angle, left, top, right, bottom);
        break;
    case kFaceShineQuarter:
        FillEllipseShineClipped2(g, p, q, entry.byte1, left, top, right, bottom);
        break;
    case kFaceRadial:
        FillPathRadialBounds(g, path, p, q);
        break;
    case kFaceRadialSoftGlowUnder:
        FillPathGlowSoft(g, path, q, entry.param1);
        FillPathRadialBounds(g, path, p, q);
        break;
    case kFaceRadialInnerGlowUnder:
        FillPathGlowInner(g, path, q, entry.param1);
        FillPathRadialBounds(g, path, p, q);
        break;
    case kFaceRadialSoftGlowOver:
        FillPathRadialBounds(g, path, p, q);
        FillPathGlowSoft(g, path, q, entry.param1);
        break;
    case kFaceRadialInnerGlowOver:
        FillPathRadialBounds(g, path, p, q);
        FillPathGlowInner(g, path, q, entry.param1);
        break;
    case kFaceLightSpot: {
        const COLORREF z = ScaleColor(p, 14.0f);
        GraphicsPath ellipse;
        ellipse.AddEllipse(b.X, b.Y, b.Width, b.Height);
        PathGradientBrush spot(&ellipse);
        spot.SetCenterColor(Color(ColorToArgb(entry.byte2, z)));
        const Color rim(ColorToArgb(entry.byte1, z));
        INT count = 1;
        spot.SetSurroundColors(&rim, &count);
        g->FillPath(&spot, &ellipse);
        break;
    }
    case kFaceAlphaRadial: {
        PathGradientBrush radial(path);
        radial.SetCenterPoint(Point(b.X + b.Width / 2, b.Y + b.Height / 2));
        radial.SetCenterColor(Color(ColorToArgb(entry.byte1, p)));
        const Color rim(ColorToArgb(entry.byte2, p));
        INT count = 1;
        radial.SetSurroundColors(&rim, &count);
        g->FillPath(&radial, path);
        break;
    }
    default:
        break;  // 1, 2 and kinds without a fill: borders only
    }

    if (outerBorderWidth != 0) {
        const COLORREF outer = StyledOuterBorderColour(entry, p, explicitBorder, borderColour, grey);
        // A width read from a byte above 127 arrives negative; a pen is as wide
        // as its magnitude.
        const Pen pen(Opaque(outer), float(std::abs(int(outerBorderWidth))));
        g->DrawPath(&pen, path);
    }
    if (entry.borderColourType != 0 && entry.innerBorderWidth != 0) {
        const Pen pen(Opaque(ScaleColor(entry.colour, -0.1f)), float(std::abs(int(entry.innerBorderWidth))));
        g->DrawPath(&pen, path);
    }

    g->Restore(state);
}

int DrawSymbolShape(FontFamily* family, int code, float size, Graphics* g, float height, float x, float y,
                    float angle, COLORREF colour1, COLORREF colour2, char outerBorderWidth, BOOL explicitBorder,
                    COLORREF borderColour, BOOL ownStyle, const FaceStyle& style, BOOL grey, BOOL mirror, BOOL turnOver,
                    float /*unused*/, float xShift, float yShift) {
    if (!g) return 0;
    // The code selects the table's record unless the caller brings a style; it
    // is never used as an index outside the table. Code 0 is an empty text.
    // A character the family has no glyph for (a lone surrogate among them)
    // draws nothing rather than another font's letter.
    bool accepted = ownStyle ? (code > 0 && code <= 0xFFFF) : (code > 0 && code < kFaceStyleCount);
    if (accepted && code >= 0x20 && !FamilyHasGlyph(family, char32_t(code))) accepted = false;

    StringFormat format;
    format.SetAlignment(StringAlignmentNear);
    format.SetLineAlignment(StringAlignmentNear);
    SetShapeTransform(g, mirror, size, height, x, y, angle, turnOver);

    GraphicsPath outline;
    if (accepted && family) {
        const WCHAR text[2] = {WCHAR(code), 0};
        outline.AddString(text, 1, family, FontStyleRegular, size - 1.0f, RectF(x, y, 0.0f, 0.0f), &format);
    }
    PathData data;
    outline.GetPathData(&data);
    const size_t count = std::min(size_t(data.Count), std::min(data.Points.size(), data.Types.size()));
    if (count == 0) {
        g->ResetTransform();
        return 0;
    }
    const FaceStyle& used = ownStyle ? style : FaceStyleTable[size_t(code)];

    std::vector<PointF>& pts = data.Points;
    const std::vector<BYTE>& types = data.Types;
    const float yMove = height != 0.0f ? yShift * size / height : 0.0f;
    for (size_t i = 0; i < count; ++i) {
        pts[i].X += xShift;
        pts[i].Y += yMove;
    }

    // Rebuild the outline one figure at a time; each figure is filled on its
    // own with the entry its number selects.
    GraphicsPath figure;
    int part = 1;
    BYTE lastType = PathPointTypeStart;
    size_t start = 0, current = 0, previous = 0;
    const PointF origin(x, y);
    auto finish = [&] {
        // A figure whose last point carries a flag has not drawn its last line
        // yet; the closing line back to the start joins it too.
        if (lastType != PathPointTypeBezier) {
            // (A figure of a lone start point stays within itself.)
            figure.AddLine(pts[std::max(previous, start)], pts[current]);
            figure.AddLine(pts[current], pts[start]);
        }
        figure.CloseFigure();
        FillStyledPath(g, &figure, part, used, colour1, colour2, outerBorderWidth, explicitBorder, borderColour, grey,
                       size, height, angle, origin, 0.0f, 0.0f);
        ++part;
        figure.Reset();
    };
    for (size_t i = 0; i < count; ++i) {
        const BYTE type = types[i];
        const size_t before = i > 0 ? i - 1 : 0;
        if (type == PathPointTypeStart) {
            if (i != 0) finish();
            start = i;
        } else if (type == PathPointTypeLine) {
            figure.AddLine(pts[before], pts[i]);
        } else if (type == PathPointTypeBezier) {
            if (i + 2 < count) {
                figure.AddBezier(pts[before], pts[i], pts[i + 1], pts[i + 2]);
                i += 2;
            } else {
                // A curve cut short by the end of the outline: its remaining
                // points are joined by lines, and the figure closes itself.
                for (size_t k = i; k < count; ++k) figure.AddLine(pts[k > 0 ? k - 1 : 0], pts[k]);
                i = count - 1;
            }
        }
        // Any other type byte (a point with a flag) adds nothing now.
        lastType = type;
        current = i;
        previous = i > 0 ? i - 1 : 0;
    }
    finish();

    g->ResetTransform();
    return part;
}
