#!/usr/bin/env python3
"""Builds the numeric display's segment font from DSEG7 Classic Bold.

usage: build_segment_font.py INPUT.ttf OUTPUT.ttf

The numeric display lays its characters out one by one, each in a room of half
an em that ends at the character's right edge; a separator ("." or ":") takes
four fifths of a room and sits two fifths of a room further right. DSEG7's
digits are 0.816 em wide with a full-em body, and its separators have no
width of their own, so drawn that way the digits crowd each other, the decimal
point lands under the next digit and the body runs past the panel's bottom.

This font is DSEG7 Classic Bold reshaped for that layout:
  - every glyph is scaled by 0.7 (digits 0.43 em wide, 0.7 em tall) and its
    character cell is centred in an advance of half an em;
  - "." and ":" have an advance of 0.4 em with their ink a fifth of an em left
    of their origin, so that right-aligned at the end of their room in slanted
    text their ink stands in the middle of the gap between the digits;
  - ascent and descent put the digits' body in the middle of the line, so a
    text centred on a line is centred on its ink.

DSEG is under the SIL Open Font License with the Reserved Font Name "DSEG": a
modified version must not use that name, so this one is "Rerovora Segment".
The copyright notice and licence go with it. The output depends only on the
input: no time stamps or other build-time values go into the file.

Needs fontTools (Debian: python3-fonttools).
"""

import sys

from fontTools.ttLib import TTFont

FAMILY = "Rerovora Segment"
STYLE = "Bold"
POSTSCRIPT = "RerovoraSegment-Bold"
SCALE = 0.7
ADVANCE = 500            # half an em: one character's room
SEPARATOR_ADVANCE = 400  # four fifths of a room
SEPARATORS = {"period", "colon"}
# The display slants its text; a slanted digit leans out past its advance, and
# right-aligned text is moved left by that overhang, while the low, narrow
# separators do not lean out. Set a fifth of an em further left, they keep to
# the middle of the gap between slanted digits.
SEPARATOR_LEAN = 200
BODY = 1000 * SCALE      # the digits' height after scaling
ASCENT = int(500 + BODY / 2)
DESCENT = 1000 - ASCENT


def reshape(font):
    glyf = font["glyf"]
    hmtx = font["hmtx"]
    # Every character cell moves by the same amount, so that a "1" keeps to the
    # right-hand segments of its cell: the cell is the figure eight's ink.
    eight = glyf[font.getBestCmap()[ord("8")]]
    cell_centre = (eight.xMin + eight.xMax) / 2 * SCALE
    for name in font.getGlyphOrder():
        glyph = glyf[name]
        if glyph.isComposite():
            raise SystemExit("composite glyph %s: not expected in DSEG7" % name)
        advance = SEPARATOR_ADVANCE if name in SEPARATORS else ADVANCE
        if glyph.numberOfContours == 0:
            hmtx[name] = (advance, 0)
            continue
        coords = glyph.coordinates
        coords.scale((SCALE, SCALE))
        glyph.recalcBounds(glyf)
        if name in SEPARATORS:
            shift = -(glyph.xMin + glyph.xMax) / 2 - SEPARATOR_LEAN
        else:
            shift = ADVANCE / 2 - cell_centre
        coords.translate((round(shift), 0))
        glyph.recalcBounds(glyf)
        hmtx[name] = (advance, glyph.xMin)


def set_metrics(font):
    glyf = font["glyf"]
    names = [n for n in font.getGlyphOrder() if glyf[n].numberOfContours > 0]
    head = font["head"]
    head.xMin = min(glyf[n].xMin for n in names)
    head.xMax = max(glyf[n].xMax for n in names)
    head.yMin = min(glyf[n].yMin for n in names)
    head.yMax = max(glyf[n].yMax for n in names)
    hhea = font["hhea"]
    hhea.ascent, hhea.descent, hhea.lineGap = ASCENT, -DESCENT, 0
    hhea.advanceWidthMax = ADVANCE
    os2 = font["OS/2"]
    os2.sTypoAscender, os2.sTypoDescender, os2.sTypoLineGap = ASCENT, -DESCENT, 0
    os2.usWinAscent, os2.usWinDescent = ASCENT, DESCENT
    os2.xAvgCharWidth = ADVANCE


def rename(font):
    name = font["name"]
    for record in list(name.names):
        if record.nameID in (1, 3, 4, 6, 16, 17, 19, 21, 22):
            name.removeNames(nameID=record.nameID)
    for platform, encoding, language in ((1, 0, 0), (3, 1, 0x409)):
        for name_id, text in ((1, FAMILY), (2, STYLE), (3, POSTSCRIPT), (4, FAMILY + " " + STYLE),
                              (6, POSTSCRIPT)):
            name.setName(text, name_id, platform, encoding, language)
    name.setName("Modified from DSEG7 Classic Bold (keshikan) for this program's numeric display",
                 10, 3, 1, 0x409)


def main(argv):
    if len(argv) != 3:
        raise SystemExit(__doc__)
    font = TTFont(argv[1])
    # fontTools would otherwise stamp the build time into the head table.
    font.recalcTimestamp = False
    reshape(font)
    set_metrics(font)
    rename(font)
    font.save(argv[2])


if __name__ == "__main__":
    main(sys.argv)
