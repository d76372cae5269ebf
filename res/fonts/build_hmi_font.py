#!/usr/bin/env python3
"""Builds the HMI icon font (TrueType) from the outlines in hmi_icon_outlines.py.

usage: build_hmi_font.py OUTPUT.ttf

Needs fontTools (Debian: python3-fonttools). The output depends only on the
outlines: no time stamps or other build-time values go into the file.
"""

import os
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPointPen

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import hmi_icon_outlines as outlines  # noqa: E402

FAMILY = "Rerovora HMI Icons"
UNITS_PER_EM = 1000
ASCENT = 800
DESCENT = 200
ADVANCE = 1000
# 2024-01-01 00:00:00 UTC in seconds since 1904-01-01, the font's epoch.
FIXED_TIME = 3786825600


def glyph_from_figures(figures):
    pen = TTGlyphPointPen(None)
    for contour in figures:
        pen.beginPath()
        for x, y, on in contour:
            pen.addPoint((x, y), "qcurve" if on else None)
        pen.endPath()
    return pen.glyph()


def notdef_glyph():
    # An empty box, drawn for codes the font does not have.
    pen = TTGlyphPointPen(None)
    for x0, y0, x1, y1, clockwise in ((100, -100, 900, 700, True), (160, -40, 840, 640, False)):
        pts = [(x0, y0), (x0, y1), (x1, y1), (x1, y0)]
        if not clockwise:
            pts.reverse()
        pen.beginPath()
        for p in pts:
            pen.addPoint(p, "line")
        pen.endPath()
    return pen.glyph()


def build():
    order = [".notdef", "space"] + [name for name, _ in outlines.GLYPHS.values()]
    cmap = {0x20: "space"}
    glyphs = {".notdef": notdef_glyph(), "space": TTGlyphPointPen(None).glyph()}
    for code, (name, make) in outlines.GLYPHS.items():
        cmap[code] = name
        glyphs[name] = glyph_from_figures(make())

    fb = FontBuilder(UNITS_PER_EM, isTTF=True)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap(cmap)
    fb.setupGlyf(glyphs)
    metrics = {}
    for name in order:
        g = glyphs[name]
        g.recalcBounds(fb.font["glyf"])
        metrics[name] = (ADVANCE, getattr(g, "xMin", 0))
    fb.setupHorizontalMetrics(metrics)
    fb.setupHorizontalHeader(ascent=ASCENT, descent=-DESCENT, lineGap=0)
    fb.setupNameTable({
        "familyName": FAMILY,
        "styleName": "Regular",
        "uniqueFontIdentifier": FAMILY + " Regular 1.0",
        "fullName": FAMILY,
        "psName": FAMILY.replace(" ", "") + "-Regular",
        "version": "Version 1.000",
        "copyright": "The rerovora project's own icons",
    })
    fb.setupOS2(
        sTypoAscender=ASCENT, sTypoDescender=-DESCENT, sTypoLineGap=0,
        usWinAscent=ASCENT, usWinDescent=DESCENT,
        achVendID="RERO", fsType=0,
        # Basic Latin and the Latin-1 code page, so that text layout takes the
        # font for the Latin codes it maps.
        ulUnicodeRange1=1, ulCodePageRange1=1,
    )
    fb.setupPost(isFixedPitch=1)
    fb.updateHead(created=FIXED_TIME, modified=FIXED_TIME)
    fb.font.recalcTimestamp = False
    return fb.font


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    font = build()
    tmp = argv[1] + ".tmp"
    font.save(tmp)
    os.replace(tmp, argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
