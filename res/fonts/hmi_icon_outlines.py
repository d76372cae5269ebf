"""Outlines of the HMI icon font's glyphs.

Each glyph is a list of figures in drawing order. A figure is one closed
contour that the symbol renderer fills on its own with the fill entry that the
glyph's face style assigns to that figure (figure k uses part map element k),
so a figure drawn later paints over the ones before it. A "hole" is therefore
never a counter-wound contour: it is a figure of its own, drawn on top in the
colour that the face style gives it.

Coordinates are font units of a 1000-unit em, y up. The glyph box runs from
x 0 to 1000 and from y -200 (descender) to 800 (ascender), so the centre of
the square in which the renderer places a symbol is (500, 300).

A contour is a list of points (x, y, on_curve); off-curve points are
quadratic control points, as in TrueType.
"""

import math

CENTRE_X = 500
CENTRE_Y = 300


class Contour:
    """Builds one closed contour from lines and circular arcs."""

    def __init__(self, x, y):
        self.points = [(x, y, True)]

    @property
    def last(self):
        x, y, _ = self.points[-1]
        return x, y

    def line_to(self, x, y):
        self.points.append((x, y, True))
        return self

    def arc(self, cx, cy, r, start_deg, end_deg, ry=None):
        """Arc about (cx, cy) from start_deg to end_deg (either direction), in
        quadratic pieces of at most 45 degrees. Begins with a line to the arc's
        start point unless the contour is already there."""
        ry = r if ry is None else ry
        sx = cx + r * math.cos(math.radians(start_deg))
        sy = cy + ry * math.sin(math.radians(start_deg))
        lx, ly = self.last
        if abs(lx - sx) > 0.5 or abs(ly - sy) > 0.5:
            self.points.append((sx, sy, True))
        sweep = end_deg - start_deg
        pieces = max(1, math.ceil(abs(sweep) / 45.0 - 1e-9))
        step = sweep / pieces
        for i in range(pieces):
            a0 = math.radians(start_deg + step * i)
            a1 = math.radians(start_deg + step * (i + 1))
            mid = (a0 + a1) / 2
            k = 1.0 / math.cos((a1 - a0) / 2)  # control point on the tangents' crossing
            self.points.append((cx + r * k * math.cos(mid), cy + ry * k * math.sin(mid), False))
            self.points.append((cx + r * math.cos(a1), cy + ry * math.sin(a1), True))
        return self

    def close(self):
        """The finished contour: integer points, the repeated end point dropped,
        wound clockwise (the TrueType direction of a filled area)."""
        pts = [(round(x), round(y), on) for x, y, on in self.points]
        if len(pts) > 1 and pts[-1] == pts[0]:
            pts.pop()
        if signed_area(pts) > 0:
            pts = pts[:1] + pts[1:][::-1]
        return pts


def signed_area(points):
    """Shoelace area of the control polygon: positive when counter-clockwise."""
    total = 0
    for i, (x0, y0, _) in enumerate(points):
        x1, y1, _ = points[(i + 1) % len(points)]
        total += x0 * y1 - x1 * y0
    return total / 2


def circle(cx, cy, r):
    c = Contour(cx + r, cy)
    return c.arc(cx, cy, r, 0, -360).close()


def ellipse(cx, cy, rx, ry, tilt_deg=0.0):
    c = Contour(rx, 0)
    c.arc(0, 0, rx, 0, -360, ry)
    t = math.radians(tilt_deg)
    c.points = [(cx + x * math.cos(t) - y * math.sin(t), cy + x * math.sin(t) + y * math.cos(t), on)
                for x, y, on in c.points]
    return c.close()


def rounded_rect(x0, y0, x1, y1, r):
    c = Contour(x0, y0 + r)
    c.line_to(x0, y1 - r).arc(x0 + r, y1 - r, r, 180, 90)
    c.line_to(x1 - r, y1).arc(x1 - r, y1 - r, r, 90, 0)
    c.line_to(x1, y0 + r).arc(x1 - r, y0 + r, r, 0, -90)
    c.line_to(x0 + r, y0).arc(x0 + r, y0 + r, r, 270, 180)
    return c.close()


# ---------------------------------------------------------------------------
# Glyph 16: camera (button "CAPTURE"). Face style 16 gives the figures, in
# order, entries 0,1,1,2,1,3,4,5,5,1,1: a grey body, light-grey parts, the
# lens's outer ring in the symbol's own colour, a black barrel, blue glass
# and two light-blue glints.

def camera():
    body_l, body_r, body_b, body_t, body_r_corner = 50, 950, -120, 540, 90
    hump_l, hump_r, hump_t = 315, 685, 700
    lens_x, lens_y = 500, 215

    # 1 (entry 0): the body with the prism housing on top.
    body = Contour(body_l, body_b + body_r_corner)
    body.line_to(body_l, body_t - body_r_corner)
    body.arc(body_l + body_r_corner, body_t - body_r_corner, body_r_corner, 180, 90)
    body.line_to(hump_l, body_t)
    body.line_to(hump_l + 55, hump_t - 30)
    body.arc(hump_l + 85, hump_t - 30, 30, 180, 90)
    body.line_to(hump_r - 85, hump_t)
    body.arc(hump_r - 85, hump_t - 30, 30, 90, 0)
    body.line_to(hump_r, body_t)
    body.line_to(body_r - body_r_corner, body_t)
    body.arc(body_r - body_r_corner, body_t - body_r_corner, body_r_corner, 90, 0)
    body.line_to(body_r, body_b + body_r_corner)
    body.arc(body_r - body_r_corner, body_b + body_r_corner, body_r_corner, 0, -90)
    body.line_to(body_l + body_r_corner, body_b)
    body.arc(body_l + body_r_corner, body_b + body_r_corner, body_r_corner, 270, 180)

    # 2 (entry 1): the lighter front plate of the prism housing.
    prism = Contour(hump_l + 55, body_t - 10)
    prism.line_to(hump_l + 95, hump_t - 45)
    prism.line_to(hump_r - 95, hump_t - 45)
    prism.line_to(hump_r - 55, body_t - 10)

    # 3 (entry 1): the shutter button on the top plate.
    shutter = rounded_rect(120, body_t - 30, 270, body_t + 55, 25)

    figures = [
        body.close(),
        prism.close(),
        shutter,
        circle(lens_x, lens_y, 300),  # 4 (entry 2): outer lens ring
        circle(lens_x, lens_y, 250),  # 5 (entry 1): focus ring
        circle(lens_x, lens_y, 205),  # 6 (entry 3): barrel
        circle(lens_x, lens_y, 150),  # 7 (entry 4): glass
        ellipse(lens_x - 55, lens_y + 60, 60, 34, 40),  # 8 (entry 5): large glint
        circle(lens_x + 62, lens_y - 62, 24),  # 9 (entry 5): small glint
        rounded_rect(770, 390, 900, 480, 18),  # 10 (entry 1): flash window
        circle(150, 410, 38),  # 11 (entry 1): assist lamp
    ]
    return figures


# ---------------------------------------------------------------------------
# Glyph 18: gear (button "CONFIG"). Face style 18: a white gear, a light-grey
# gear a little inside it (so the white shows as a rim), a hub ring in the
# symbol's own colour, a grey boss and the centre hole in the bar's face
# colour.

def gear_contour(cx, cy, teeth, tip_r, root_r, tip_half, root_half, phase_deg=0.0):
    """A gear of straight-flanked teeth; tip_half and root_half are half the
    tooth's width (font units) at its tip and at its root."""
    pitch = 360.0 / teeth
    a_root = math.degrees(math.asin(root_half / root_r))
    a_tip = math.degrees(math.asin(tip_half / tip_r))

    def at(r, a):
        return cx + r * math.cos(math.radians(a)), cy + r * math.sin(math.radians(a))

    c = Contour(*at(root_r, phase_deg + a_root))
    for i in range(teeth):
        mid = phase_deg - i * pitch  # clockwise from the first tooth
        if i > 0:
            c.arc(cx, cy, root_r, mid + pitch - a_root, mid + a_root)  # the gap before it
        c.line_to(*at(tip_r, mid + a_tip))
        c.arc(cx, cy, tip_r, mid + a_tip, mid - a_tip)
        c.line_to(*at(root_r, mid - a_root))
    # the gap between the last tooth and the first
    c.arc(cx, cy, root_r, phase_deg - (teeth - 1) * pitch - a_root, phase_deg - 360.0 + a_root)
    return c.close()


def gear():
    cx, cy = CENTRE_X, CENTRE_Y
    teeth, phase = 8, 90.0
    return [
        gear_contour(cx, cy, teeth, 460, 360, 72, 100, phase),  # 1 (entry 0): white rim
        gear_contour(cx, cy, teeth, 428, 330, 46, 76, phase),  # 2 (entry 1): grey gear
        circle(cx, cy, 245),  # 3 (entry 2): hub ring
        circle(cx, cy, 180),  # 4 (entry 3): boss
        circle(cx, cy, 100),  # 5 (entry 4): centre hole
    ]


# ---------------------------------------------------------------------------
# Glyph 100: power symbol (button "EXIT"). Face style 100: a disc shaded from
# its rim to a white centre, then the white power symbol over it. The style
# gives only the second figure a white fill, so the broken ring and its bar
# are one figure: they are joined by a slit of zero width, which adds no area.

def power():
    cx, cy = CENTRE_X, 275
    outer, inner = 272, 192
    mid = (outer + inner) / 2
    cap = (outer - inner) / 2
    gap = 38.0  # half the ring's opening, degrees either side of the top
    left_end, right_end = 90 + gap, 90 - gap
    bar_half, bar_low, bar_high = 44, cy + 30, 560

    lcx = cx + mid * math.cos(math.radians(left_end))
    lcy = cy + mid * math.sin(math.radians(left_end))
    rcx = cx + mid * math.cos(math.radians(right_end))
    rcy = cy + mid * math.sin(math.radians(right_end))

    # The ring, clockwise, from the tip of its left end.
    apex_dir = left_end - 90  # the left end's tip points into the opening
    apex = (lcx + cap * math.cos(math.radians(apex_dir)), lcy + cap * math.sin(math.radians(apex_dir)))
    c = Contour(*apex)
    c.arc(lcx, lcy, cap, apex_dir, apex_dir - 90)  # to the inner edge
    c.arc(cx, cy, inner, left_end, 360 + right_end)  # inner edge, round the bottom
    c.arc(rcx, rcy, cap, right_end + 180, right_end)  # the right end's cap
    c.arc(cx, cy, outer, right_end, left_end - 360)  # outer edge, back round the bottom
    c.arc(lcx, lcy, cap, left_end, apex_dir)  # back to the tip
    # The slit across to the bar, the bar clockwise, and the slit back.
    slit_y = apex[1]
    c.line_to(cx - bar_half, slit_y)
    c.line_to(cx - bar_half, bar_high)
    c.arc(cx, bar_high, bar_half, 180, 0)
    c.line_to(cx + bar_half, bar_low)
    c.arc(cx, bar_low, bar_half, 0, -180)
    c.line_to(cx - bar_half, slit_y)
    c.line_to(*apex)

    return [
        circle(CENTRE_X, CENTRE_Y, 465),  # 1 (entry 0): the disc
        c.close(),  # 2 (entry 1): the white symbol
    ]


# ---------------------------------------------------------------------------
# Glyph 0x76: check mark (composite indicator). Face style 118 draws every
# figure with entry 0: one figure.

def check():
    # The centre line: down from the short arm's end to the corner, then up to
    # the long arm's end; stroked with round ends and a sharp corner.
    a, v, b = (150, 330), (390, 60), (880, 640)
    half = 78

    def unit(p, q):
        dx, dy = q[0] - p[0], q[1] - p[1]
        n = math.hypot(dx, dy)
        return dx / n, dy / n

    u1, u2 = unit(a, v), unit(v, b)
    n1 = (u1[1], -u1[0])  # left of the direction of travel, y up: (-dy, dx); right: (dy, -dx)
    n2 = (u2[1], -u2[0])

    def cross(p, d, q, e):
        # p + t d = q + s e
        det = d[0] * (-e[1]) - d[1] * (-e[0])
        t = ((q[0] - p[0]) * (-e[1]) - (q[1] - p[1]) * (-e[0])) / det
        return p[0] + t * d[0], p[1] + t * d[1]

    off = lambda p, n, s: (p[0] + n[0] * half * s, p[1] + n[1] * half * s)
    # Right side (below the mark) and left side (above it), with mitred corners.
    right_corner = cross(off(a, n1, 1), u1, off(b, n2, 1), u2)
    left_corner = cross(off(a, n1, -1), u1, off(b, n2, -1), u2)
    ang = lambda n: math.degrees(math.atan2(n[1], n[0]))

    c = Contour(*off(a, n1, -1))
    c.arc(a[0], a[1], half, ang(n1) + 180, ang(n1) + 360)  # round start, over the top
    c.line_to(*right_corner)
    c.line_to(*off(b, n2, 1))
    c.arc(b[0], b[1], half, ang(n2), ang(n2) + 180)  # round end
    c.line_to(*left_corner)
    return [c.close()]


# code point -> (glyph name, figures)
GLYPHS = {
    16: ("camera", camera),
    18: ("gear", gear),
    100: ("power", power),
    0x76: ("check", check),
}
