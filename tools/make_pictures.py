#!/usr/bin/env python3
"""Draws the program's pictures: the icon, the About banner and the help picture.

Usage:
  tools/make_pictures.py            write the pictures into resources/
  tools/make_pictures.py --out DIR  write them into DIR/icon and DIR/pictures instead
  tools/make_pictures.py --check    regenerate into a temporary folder and fail
                                    unless the committed files are byte-identical

It writes:
  icon/huevane.ico      MAINICON: 16, 32, 48 and 64 pixels, each in 256 colours
                        and in 24-bit colour
  pictures/banner.bmp   478 x 128, the banner across the top of the About dialog
  pictures/help.bmp     136 x 290, the main window as the help window shows it

Everything is drawn here with the standard library, from geometry alone: no
fonts, no image library. Letters are built from strokes and arcs and
anti-aliased by supersampling. The arithmetic is plain double precision in a
fixed order and the 256-colour palettes are chosen deterministically, so two
runs give the same bytes.
"""

import argparse
import math
import pathlib
import re
import struct
import sys

from fresh_build import matches_fresh_build

ICON_SIZES = (16, 32, 48, 64)
BANNER_SIZE = (478, 128)
HELP_SIZE = (136, 290)

# 96 dots per inch, the resolution the dialogs are laid out at.
PELS_PER_METRE = 3780

OUTPUTS = ("icon/huevane.ico", "pictures/banner.bmp", "pictures/help.bmp")


# --------------------------------------------------------------------------
# Colour helpers. Colours are (r, g, b) tuples of floats or ints, 0..255.

def mix(a, b, t):
    """a at t = 0, b at t = 1."""
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def lighten(c, t):
    return mix(c, (255, 255, 255), t)


def darken(c, t):
    return mix(c, (0, 0, 0), t)


def smoothstep(t):
    t = min(1.0, max(0.0, t))
    return t * t * (3 - 2 * t)


def to_bytes(c):
    return tuple(min(255, max(0, math.floor(v + 0.5))) for v in c)


class Canvas:
    """A top-down RGB picture of floats, composed in place."""

    def __init__(self, width, height, colour=(0, 0, 0)):
        self.width, self.height = width, height
        self.px = [[tuple(colour)] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = tuple(colour)

    def blend(self, x, y, colour, alpha):
        if alpha <= 0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        self.px[y][x] = colour if alpha >= 1 else mix(self.px[y][x], colour, alpha)

    def rect(self, x, y, w, h, colour):
        for yy in range(max(0, y), min(self.height, y + h)):
            row = self.px[yy]
            for xx in range(max(0, x), min(self.width, x + w)):
                row[xx] = tuple(colour)

    def blit(self, x, y, rows):
        for dy, row in enumerate(rows):
            for dx, c in enumerate(row):
                self.set(x + dx, y + dy, c)

    def rows(self):
        return [[to_bytes(c) for c in row] for row in self.px]


# --------------------------------------------------------------------------
# Shapes and their rasterisation. A shape is a polygon given as a list of
# rings (lists of (x, y) points, y down); a ring inside another makes a hole
# (even-odd rule). A set of shapes is filled as their union.

def arc_points(cx, cy, r, a0, a1, steps=None):
    """Points along a circle, angles in degrees counter-clockwise as seen on screen."""
    if steps is None:
        steps = max(8, math.ceil(abs(a1 - a0) / 3))
    out = []
    for i in range(steps + 1):
        a = math.radians(a0 + (a1 - a0) * i / steps)
        out.append((cx + r * math.cos(a), cy - r * math.sin(a)))
    return out


def arc_stroke(cx, cy, r, width, a0, a1):
    """A band of the given width centred on a circular arc, with square ends."""
    outer = arc_points(cx, cy, r + width / 2, a0, a1)
    inner = arc_points(cx, cy, r - width / 2, a1, a0)
    return [outer + inner]


def ring(cx, cy, r, width):
    return [arc_points(cx, cy, r + width / 2, 0, 360, 180), arc_points(cx, cy, r - width / 2, 0, 360, 180)]


def rounded(x0, y0, x1, y1, r):
    """A rectangle with quarter-round corners of radius r."""
    r = min(r, (x1 - x0) / 2, (y1 - y0) / 2)
    return [arc_points(x1 - r, y0 + r, r, 0, 90, 12) + arc_points(x0 + r, y0 + r, r, 90, 180, 12)
            + arc_points(x0 + r, y1 - r, r, 180, 270, 12) + arc_points(x1 - r, y1 - r, r, 270, 360, 12)]


def box(x0, y0, x1, y1):
    return [[(x0, y0), (x1, y0), (x1, y1), (x0, y1)]]


def clip_rows(shape, top, bottom):
    """The shape cut to top <= y <= bottom (square ends for slanted strokes)."""
    def cut(points, keep, at):
        out = []
        for i, p in enumerate(points):
            q = points[i - 1]
            if keep(p):
                if not keep(q):
                    out.append(at(q, p))
                out.append(p)
            elif keep(q):
                out.append(at(q, p))
        return out

    def at_y(y):
        return lambda q, p: (q[0] + (p[0] - q[0]) * (y - q[1]) / (p[1] - q[1]), y)

    rings = []
    for points in shape:
        points = cut(points, lambda p: p[1] >= top, at_y(top))
        points = cut(points, lambda p: p[1] <= bottom, at_y(bottom))
        if len(points) >= 3:
            rings.append(points)
    return rings


def polyline_stroke(points, width, top, bottom):
    """Joined straight strokes (V, W, N, A): mitred, then cut flat at top and bottom.

    The ends are first pushed well past the cut lines, so the strokes end on
    them horizontally, as a geometric face's diagonals do."""
    pts = list(points)
    for end, nxt in ((0, 1), (-1, -2)):
        (x, y), (nx, ny) = pts[end], pts[nxt]
        n = math.hypot(x - nx, y - ny)
        pts[end] = (x + (x - nx) / n * width * 4, y + (y - ny) / n * width * 4)
    left, right = [], []
    for i, (x, y) in enumerate(pts):
        normals = []
        for a, b in ((i - 1, i), (i, i + 1)):
            if 0 <= a and b < len(pts):
                dx, dy = pts[b][0] - pts[a][0], pts[b][1] - pts[a][1]
                n = math.hypot(dx, dy)
                normals.append((-dy / n, dx / n))
        nx, ny = normals[0][0] + normals[-1][0], normals[0][1] + normals[-1][1]
        n = math.hypot(nx, ny)
        nx, ny = nx / n, ny / n
        scale = width / 2 / (nx * normals[0][0] + ny * normals[0][1])  # the mitre
        left.append((x + nx * scale, y + ny * scale))
        right.append((x - nx * scale, y - ny * scale))
    return clip_rows([left + right[::-1]], top, bottom)


def coverage(shapes, width, height, samples=4):
    """Fraction of each pixel covered by the union of the shapes.

    Each pixel row is cut into `samples` scanlines; along a scanline the
    covered spans are exact, so edges are smooth in both directions. Returns
    a sparse {y: {x: fraction}}."""
    edge_sets = []
    for shape in shapes:
        edges = []
        for points in shape:
            for i, (x1, y1) in enumerate(points):
                x0, y0 = points[i - 1]
                if y0 != y1:
                    edges.append((x0, y0, x1, y1) if y0 < y1 else (x1, y1, x0, y0))
        if edges:
            edge_sets.append((min(e[1] for e in edges), max(e[3] for e in edges), edges))
    if not edge_sets:
        return {}
    y_lo = max(0, math.floor(min(s[0] for s in edge_sets)))
    y_hi = min(height - 1, math.ceil(max(s[1] for s in edge_sets)))
    out = {}
    for py in range(y_lo, y_hi + 1):
        row = {}
        for k in range(samples):
            sy = py + (k + 0.5) / samples
            spans = []
            for top, bottom, edges in edge_sets:
                if not top <= sy < bottom:
                    continue
                xs = sorted(x0 + (x1 - x0) * (sy - y0) / (y1 - y0)
                            for x0, y0, x1, y1 in edges if y0 <= sy < y1)
                spans.extend(zip(xs[0::2], xs[1::2]))
            spans.sort()
            merged = []
            for a, b in spans:
                if merged and a <= merged[-1][1]:
                    merged[-1][1] = max(merged[-1][1], b)
                else:
                    merged.append([a, b])
            for a, b in merged:
                a, b = max(0.0, a), min(float(width), b)
                for px in range(math.floor(a), math.ceil(b)):
                    part = min(b, px + 1) - max(a, px)
                    if part > 0:
                        row[px] = row.get(px, 0.0) + part / samples
        if row:
            out[py] = row
    return out


def paint(canvas, shapes, colour, alpha=1.0, samples=4):
    """Fills the union of the shapes; colour may be a function of (x, y)."""
    for y, row in coverage(shapes, canvas.width, canvas.height, samples).items():
        for x, c in row.items():
            canvas.blend(x, y, colour(x, y) if callable(colour) else colour, min(1.0, c) * alpha)


def blur(mask, width, height, radius, passes=3):
    """Box blur, repeated: close to a Gaussian. mask is a dense list of rows."""
    def one_axis(rows, n):
        out = []
        for row in rows:
            acc, res = 0.0, [0.0] * n
            prefix = [0.0]
            for v in row:
                acc += v
                prefix.append(acc)
            for i in range(n):
                lo, hi = max(0, i - radius), min(n, i + radius + 1)
                res[i] = (prefix[hi] - prefix[lo]) / (2 * radius + 1)
            out.append(res)
        return out

    rows = [list(r) for r in mask]
    for _ in range(passes):
        rows = one_axis(rows, width)
        cols = one_axis([list(c) for c in zip(*rows)], height)
        rows = [list(r) for r in zip(*cols)]
    return rows


def dense(sparse, width, height):
    rows = [[0.0] * width for _ in range(height)]
    for y, row in sparse.items():
        for x, c in row.items():
            rows[y][x] = min(1.0, c)
    return rows


# --------------------------------------------------------------------------
# A small geometric typeface, drawn from strokes. A glyph function gets the
# pen position x, the baseline y, the metrics and returns (shapes, advance).

class Face:
    def __init__(self, cap, xheight, stroke, overshoot=None):
        self.cap, self.x, self.w = cap, xheight, stroke
        self.o = xheight * 0.025 if overshoot is None else overshoot


def glyph_H(f, x, base):
    width = f.cap * 0.70
    return [box(x, base - f.cap, x + f.w, base), box(x + width - f.w, base - f.cap, x + width, base),
            box(x, base - f.cap / 2 - f.w * 0.45, x + width, base - f.cap / 2 + f.w * 0.55)], width


# The round lowercase letters are circles on the x-height, reaching a little
# past it and past the baseline so that they look as tall as the straight ones.

def glyph_u(f, x, base):
    width = (f.x + 2 * f.o) * 0.92
    r = width / 2 - f.w / 2  # radius of the stroke's middle
    cy = base + f.o - width / 2
    return [box(x, base - f.x, x + f.w, cy), arc_stroke(x + width / 2, cy, r, f.w, 180, 360),
            box(x + width - f.w, base - f.x, x + width, base)], width


def glyph_n(f, x, base):
    width = (f.x + 2 * f.o) * 0.92
    r = width / 2 - f.w / 2
    cy = base - f.x - f.o + width / 2
    return [box(x, base - f.x, x + f.w, base), arc_stroke(x + width / 2, cy, r, f.w, 0, 180),
            box(x + width - f.w, cy, x + width, base)], width


def glyph_e(f, x, base):
    width = f.x + 2 * f.o
    cx, cy = x + width / 2, base - f.x / 2
    bar = box(x + f.w / 2, cy - f.w * 0.42, x + width - f.w * 0.1, cy + f.w * 0.42)
    # The bowl opens below the bar, on the right.
    return [arc_stroke(cx, cy, width / 2 - f.w / 2, f.w, 0, 318), bar], width


def glyph_a(f, x, base):
    width = f.x + 2 * f.o
    bowl = ring(x + width / 2, base - f.x / 2, width / 2 - f.w / 2, f.w)
    right = width + f.w * 0.35
    return [bowl, box(x + right - f.w, base - f.x, x + right, base)], right


def glyph_v(f, x, base, height=None):
    h = f.x if height is None else height
    width = h * 0.98
    s = polyline_stroke([(x + f.w * 0.55, base - h), (x + width / 2, base), (x + width - f.w * 0.55, base - h)],
                        f.w, base - h, base)
    return [s], width


def glyph_V(f, x, base):
    return glyph_v(f, x, base, f.cap)


# Capitals for the tagline and the caption, on the same principles.

def cap_bowl(f, x, top, bottom, extend=0.0):
    """The right-hand bowl of P, R, D: straight top and bottom, then a half round."""
    h = bottom - top
    rc = (h - f.w) / 2
    cx = x + extend
    cy = top + h / 2
    return [box(x, top, cx, top + f.w), box(x, bottom - f.w, cx, bottom),
            arc_stroke(cx, cy, rc, f.w, -90, 90)], cx + rc + f.w / 2


def glyph_cap(letter):
    def draw(f, x, base):
        c, w = f.cap, f.w
        top = base - c
        if letter == "A":
            width = c * 0.92
            s = polyline_stroke([(x + w * 0.4, base), (x + width / 2, top), (x + width - w * 0.4, base)], w, top, base)
            return [s, box(x + width * 0.22, base - c * 0.32 - w / 2, x + width * 0.78, base - c * 0.32 + w / 2)], width
        if letter == "D":
            shapes, right = cap_bowl(f, x + w / 2, top, base, c * 0.18)
            return [box(x, top, x + w, base)] + shapes, right - x
        if letter == "E":
            width = c * 0.52
            return [box(x, top, x + w, base), box(x, top, x + width, top + w),
                    box(x, base - c / 2 - w / 2, x + width * 0.9, base - c / 2 + w / 2),
                    box(x, base - w, x + width, base)], width
        if letter == "F":
            width = c * 0.5
            return [box(x, top, x + w, base), box(x, top, x + width, top + w),
                    box(x, base - c / 2 - w / 2, x + width * 0.88, base - c / 2 + w / 2)], width
        if letter == "G":
            r = c / 2 + f.o
            cx, cy = x + r, base - c / 2
            return [arc_stroke(cx, cy, r - w / 2, w, 38, 360),
                    box(cx + r * 0.05, cy - w / 2, cx + r, cy + w / 2)], 2 * r
        if letter == "H":
            return glyph_H(f, x, base)
        if letter == "I":
            return [box(x, top, x + w, base)], w
        if letter == "L":
            return [box(x, top, x + w, base), box(x, base - w, x + c * 0.48, base)], c * 0.48
        if letter == "N":
            width = c * 0.74
            diag = polyline_stroke([(x + w / 2, top - w), (x + width - w / 2, base + w)], w, top, base)
            return [box(x, top, x + w, base), box(x + width - w, top, x + width, base), diag], width
        if letter == "P":
            shapes, right = cap_bowl(f, x + w / 2, top, base - c * 0.42, c * 0.16)
            return [box(x, top, x + w, base)] + shapes, right - x
        if letter == "R":
            shapes, right = cap_bowl(f, x + w / 2, top, base - c * 0.44, c * 0.14)
            leg = polyline_stroke([(x + c * 0.2, base - c * 0.5), (right - w * 0.1, base + w)], w, base - c * 0.5, base)
            return [box(x, top, x + w, base), leg] + shapes, right - x
        if letter == "T":
            width = c * 0.6
            return [box(x, top, x + width, top + w), box(x + width / 2 - w / 2, top, x + width / 2 + w / 2, base)], width
        if letter == "V":
            return glyph_V(f, x, base)
        if letter == "W":
            width = c * 1.3
            q = width / 4
            s = polyline_stroke([(x + w * 0.45, top), (x + q, base), (x + 2 * q, top),
                                 (x + 3 * q, base), (x + width - w * 0.45, top)], w, top, base)
            return [s], width
        raise KeyError(letter)
    return draw


GLYPHS = {"H": glyph_H, "u": glyph_u, "e": glyph_e, "v": glyph_v, "a": glyph_a, "n": glyph_n}


def text_shapes(face, text, x, base, spacing, kerning=None, snap=False):
    """Shapes of a line of text, and where it ends.

    snap starts each letter on a whole pixel: small text keeps its stems sharp."""
    shapes = []
    for i, ch in enumerate(text):
        if ch == " ":
            x += face.cap * 0.45
            continue
        draw = GLYPHS.get(ch) or glyph_cap(ch)
        if snap:
            x = math.floor(x + 0.5)
        s, advance = draw(face, x, base)
        shapes.extend(s)
        x += advance + spacing
        if kerning and i + 1 < len(text):
            x += kerning.get(ch + text[i + 1], 0.0) * face.x
    return shapes, x - spacing


# --------------------------------------------------------------------------
# The icon: a raised, bevelled square with a diagonal gradient, blue at the
# top-left corner and red at the bottom-right one.

ICON_BLUE = (20, 70, 250)
ICON_MID = (160, 36, 196)
ICON_RED = (250, 26, 46)


def icon_gradient(t):
    """Blue through a bright violet to red, so the middle is not a muddy purple."""
    t = smoothstep(t)
    return mix(ICON_BLUE, ICON_MID, t / 0.5) if t < 0.5 else mix(ICON_MID, ICON_RED, (t - 0.5) / 0.5)


def icon_bevel(size):
    """Bevel width in pixels: one at 16, widening with the size."""
    return {16: 2, 32: 3, 48: 4, 64: 5}[size]


def icon_sample(size, x, y):
    """Colour at a point (pixel units, y down) of the icon of that size."""
    t = (x + y) / (2 * size)
    base = icon_gradient(t)
    b = icon_bevel(size)
    # The outline: one dark pixel all round, so the square holds its edge on
    # any background.
    if x < 1 or y < 1 or x >= size - 1 or y >= size - 1:
        return darken(base, 0.62)
    # The bevel: four mitred bands, lit from the top-left like a raised button.
    # The mitres run along the anti-diagonal, so the upper-left half of the
    # band is the lit top and left.
    inner = 1 + b
    if x < inner or y < inner or x >= size - inner or y >= size - inner:
        depth = min(x - 1, y - 1, size - 1 - x, size - 1 - y) / b  # 0 outer .. 1 inner
        if x + y < size:
            return lighten(base, 0.62 - 0.28 * depth)
        return darken(base, 0.50 - 0.18 * depth)
    # The face: the gradient under a soft light from the top-left, fading out
    # before the far corner.
    u, v = (x - inner) / (size - 2 * inner), (y - inner) / (size - 2 * inner)
    light = max(0.0, 1 - math.hypot(u, v) / 1.05) ** 2
    return lighten(base, 0.22 * light)


def icon_pixels(size):
    """Top-down rows of (r, g, b) bytes. 4 x 4 samples per pixel smooth the mitres."""
    n = 4
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    c = icon_sample(size, x + (sx + 0.5) / n, y + (sy + 0.5) / n)
                    for i in range(3):
                        acc[i] += c[i]
            row.append(to_bytes(tuple(a / (n * n) for a in acc)))
        rows.append(row)
    return rows


def make_palette(rows, count=256):
    """Up to `count` colours for the picture: median cut, then k-means polish.

    A picture with no more colours than that keeps them all exactly."""
    hist = {}
    for row in rows:
        for c in row:
            hist[c] = hist.get(c, 0) + 1
    colours = sorted(hist)
    if len(colours) <= count:
        return colours
    boxes = [colours]
    while len(boxes) < count:
        best, best_score = None, -1
        for i, bx in enumerate(boxes):
            if len(bx) < 2:
                continue
            spread = max(max(c[k] for c in bx) - min(c[k] for c in bx) for k in range(3))
            score = spread * sum(hist[c] for c in bx)
            if score > best_score:
                best, best_score = i, score
        if best is None:
            break
        bx = boxes.pop(best)
        axis = max(range(3), key=lambda k: (max(c[k] for c in bx) - min(c[k] for c in bx), -k))
        bx.sort(key=lambda c: (c[axis], c))
        total, acc, cut = sum(hist[c] for c in bx), 0, 1
        for i, c in enumerate(bx):
            acc += hist[c]
            if acc * 2 >= total:
                cut = min(max(1, i + 1), len(bx) - 1)
                break
        boxes[best:best] = [bx[:cut], bx[cut:]]
    centres = [centroid(bx, hist) for bx in boxes]
    for _ in range(6):
        groups = [[] for _ in centres]
        for c in colours:
            groups[nearest(centres, c)].append(c)
        centres = [centroid(g, hist) if g else centres[i] for i, g in enumerate(groups)]
    return sorted(set(centres))


def centroid(cs, hist):
    n = sum(hist[c] for c in cs)
    return tuple((sum(c[k] * hist[c] for c in cs) + n // 2) // n for k in range(3))


def nearest(palette, c):
    best, best_d = 0, None
    for i, p in enumerate(palette):
        d = (p[0] - c[0]) ** 2 * 3 + (p[1] - c[1]) ** 2 * 4 + (p[2] - c[2]) ** 2 * 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


def dib_rows(rows, bytes_per_pixel, encode):
    """Bottom-up rows, each padded to a multiple of four bytes."""
    stride = (len(rows[0]) * bytes_per_pixel + 3) // 4 * 4
    out = bytearray()
    for row in reversed(rows):
        line = b"".join(encode(c) for c in row)
        out += line + bytes(stride - len(line))
    return bytes(out)


def bgr(c):
    return bytes((c[2], c[1], c[0]))


def icon_image(rows, bits):
    """One icon image: BITMAPINFOHEADER (double height), palette, XOR rows, AND mask."""
    size = len(rows)
    mask = bytes((size + 31) // 32 * 4 * size)  # every pixel opaque
    if bits == 24:
        palette, xor = b"", dib_rows(rows, 3, bgr)
        colours_used = 0
    else:
        colours = make_palette(rows)
        index = {}
        for row in rows:
            for c in row:
                if c not in index:
                    index[c] = nearest(colours, c)
        palette = b"".join(bgr(c) + b"\0" for c in colours) + bytes(4 * (256 - len(colours)))
        xor = dib_rows(rows, 1, lambda c: bytes((index[c],)))
        colours_used = 256
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0, len(xor) + len(mask),
                         0, 0, colours_used, 0)
    return header + palette + xor + mask


def ico_file(images):
    """images: (size, bits, data). ICONDIR, one ICONDIRENTRY each, then the data."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, _, data in images)


def bmp_file(rows):
    """A 24-bit uncompressed bottom-up BMP with a 40-byte BITMAPINFOHEADER."""
    pixels = dib_rows(rows, 3, bgr)
    info = struct.pack("<IiiHHIIiiII", 40, len(rows[0]), len(rows), 1, 24, 0, len(pixels),
                       PELS_PER_METRE, PELS_PER_METRE, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return head + info + pixels


# --------------------------------------------------------------------------
# The About banner.

BANNER_VISIBLE_LEFT = 4  # the dialog hides the first four columns

BANNER_STOPS = [(0.0, (16, 30, 120)), (0.35, (52, 44, 190)), (0.62, (150, 40, 170)), (1.0, (214, 26, 52))]


def banner_field(x, y):
    w, h = BANNER_SIZE
    t = (x - BANNER_VISIBLE_LEFT) / (w - BANNER_VISIBLE_LEFT) + (y / h - 0.5) * 0.18
    t = min(1.0, max(0.0, t))
    for (t0, c0), (t1, c1) in zip(BANNER_STOPS, BANNER_STOPS[1:]):
        if t <= t1:
            c = mix(c0, c1, smoothstep((t - t0) / (t1 - t0)))
            break
    # Darker towards the bottom, a soft light high on the left.
    c = darken(c, 0.28 * (y / h) ** 1.5)
    glow = math.exp(-(((x - 150) / 190) ** 2 + ((y - 40) / 80) ** 2))
    return lighten(c, 0.16 * glow)


def banner():
    w, h = BANNER_SIZE
    canvas = Canvas(w, h)
    for y in range(h):
        for x in range(w):
            canvas.px[y][x] = banner_field(x, y)

    # The program's seven scroll bars as glassy pills at the right, the
    # thumbs where they stand when the program starts.
    x = 344
    for _, _, width, maximum, position in BARS:
        bw = 10 if width == 17 else 18
        top, bottom = 20, 106
        paint(canvas, [rounded(x, top, x + bw, bottom, bw / 2)], (255, 255, 255), 0.13)
        ty = top + 2 + (bottom - top - 4 - 18) * position / maximum
        paint(canvas, [rounded(x + 2, ty, x + bw - 2, ty + 18, 3.5)], (255, 255, 255), 0.75)
        x += bw + 5

    # The name, 22 pixels into the visible part, the tagline under it.
    name = "Huevane"
    big = Face(cap=54, xheight=39, stroke=9)
    kerning = {"Hu": -0.02, "ev": -0.05, "va": -0.06}
    spacing = 4.5
    left = 26
    base = 74
    shapes, _ = text_shapes(big, name, left, base, spacing, kerning)

    # A soft shadow under the name lifts it off the field.
    shadow = blur(dense(coverage([[[(x + 2, y + 3) for x, y in r] for r in s] for s in shapes], w, h), w, h),
                  w, h, 3)
    for y in range(h):
        for x in range(w):
            if shadow[y][x] > 0.002:
                canvas.blend(x, y, (8, 6, 40), 0.55 * min(1.0, shadow[y][x]))
    paint(canvas, shapes, lambda x, y: mix((255, 255, 255), (228, 232, 255), (y - 16) / 60))

    small = Face(cap=9, xheight=9, stroke=1.5, overshoot=0.25)
    tagline = "GRADIENT WALLPAPER"
    tag_shapes, tag_end = text_shapes(small, tagline, left + 3, base + 24, 3.2, snap=True)
    paint(canvas, tag_shapes, (236, 238, 255), 0.92, samples=6)

    # The freeware notice beside the tagline: the same letters, dark on a
    # light badge, so that it reads as a label of its own.
    notice = "FREEWARE"
    pad_x, pad_y = 6, 3
    badge_left = math.floor(tag_end + 12 + 0.5)
    _, notice_end = text_shapes(small, notice, badge_left + pad_x, base + 24, 3.2, snap=True)
    badge = rounded(badge_left, base + 24 - small.cap - pad_y, math.ceil(notice_end) + pad_x,
                    base + 24 + pad_y, 4)
    paint(canvas, [badge], (236, 238, 255), 0.92, samples=6)
    notice_shapes, _ = text_shapes(small, notice, badge_left + pad_x, base + 24, 3.2, snap=True)
    paint(canvas, notice_shapes, (40, 30, 120), 1.0, samples=6)

    # A hairline under the tagline, fading out to the right, and a darker
    # last row that parts the banner from the grey dialog below.
    for x in range(left + 3, w):
        fade = 1 - smoothstep((x - left) / 300)
        canvas.blend(x, base + 36, (255, 255, 255), 0.35 * fade)
    for x in range(w):
        canvas.blend(x, h - 1, (0, 0, 0), 0.35)
    return canvas.rows()


# --------------------------------------------------------------------------
# The help picture: the main window as the user sees it, in the classic
# Windows look.

FACE = (212, 208, 200)
HILIGHT = (255, 255, 255)
SHADOW = (128, 128, 128)
DARK = (64, 64, 64)
BLACK = (0, 0, 0)
CAPTION_LEFT = (10, 36, 106)
CAPTION_RIGHT = (166, 202, 240)

FRAME_LEFT, FRAME_TOP, FRAME_RIGHT, FRAME_BOTTOM = 3, 3, 4, 4
CAPTION_HEIGHT = 25
CLIENT_LEFT = FRAME_LEFT
CLIENT_TOP = FRAME_TOP + CAPTION_HEIGHT + 1
ARROW = 17  # arrow buttons and thumbs are as tall as a standard bar is wide


def main_window_bars(header=pathlib.Path(__file__).resolve().parent.parent / "app" / "bars.h"):
    """The client area's size and the bars, as the program lays them out: its
    table of bars, one to a line. Each bar is (hint, left, width, maximum,
    position at start), in client coordinates, left to right."""
    text = header.read_text(encoding="utf-8")
    size = tuple(int(re.search(rf"\bk{name}\s*=\s*(\d+);", text).group(1))
                 for name in ("ClientWidth", "ClientHeight"))
    number = r"\s*(-?\d+)\s*"
    row = re.compile(rf'\{{\s*L"ScrollBar\d"\s*,{number},{number},\s*L"([^"]*)"\s*,{number},{number},{number}\}}')
    bars = [(hint, int(left), int(width), int(maximum), int(position))
            for left, width, hint, maximum, position, _ in row.findall(text)]
    assert len(bars) == 7, f"{header} lists {len(bars)} bars, not 7"
    return size, bars


CLIENT_SIZE, BARS = main_window_bars()

# Where the help window's connector lines end, in picture coordinates, and
# what each must point at.
CONNECTORS = [
    ((12, 16), "icon"),
    ((16, 68), "Red Start"),
    ((28, 84), "Green Start"),
    ((40, 100), "Blue Start"),
    ((92, 64), "Red End"),
    ((104, 80), "Green End"),
    ((120, 96), "Blue End"),
    ((72, 220), "Style"),
]


def raised(canvas, x, y, w, h):
    """A classic raised button: light and white top-left, grey and dark bottom-right."""
    canvas.rect(x, y, w, h, FACE)
    canvas.rect(x, y + h - 1, w, 1, DARK)
    canvas.rect(x + w - 1, y, 1, h, DARK)
    canvas.rect(x + 1, y + h - 2, w - 2, 1, SHADOW)
    canvas.rect(x + w - 2, y + 1, 1, h - 2, SHADOW)
    canvas.rect(x + 1, y + 1, w - 3, 1, HILIGHT)
    canvas.rect(x + 1, y + 1, 1, h - 3, HILIGHT)
    canvas.rect(x, y, w - 1, 1, FACE)
    canvas.rect(x, y, 1, h - 1, FACE)


def arrow_glyph(canvas, x, y, w, h, up):
    """The black triangle of an arrow button, 7 wide and 4 high, centred."""
    cx = x + (w - 1) // 2
    top = y + (h - 4) // 2
    for row in range(4):
        half = row if up else 3 - row
        canvas.rect(cx - half, top + row, 2 * half + 1, 1, BLACK)


def draw_bar(canvas, left, width, maximum, position):
    """A vertical scroll bar: arrows, a dithered trough and the thumb. Returns its parts."""
    x, top, height = CLIENT_LEFT + left, CLIENT_TOP, CLIENT_SIZE[1]
    for yy in range(top + ARROW, top + height - ARROW):
        for xx in range(x, x + width):
            canvas.set(xx, yy, HILIGHT if (xx - CLIENT_LEFT + yy - CLIENT_TOP) % 2 else FACE)
    raised(canvas, x, top, width, ARROW)
    arrow_glyph(canvas, x, top, width, ARROW, True)
    raised(canvas, x, top + height - ARROW, width, ARROW)
    arrow_glyph(canvas, x, top + height - ARROW, width, ARROW, False)
    track = height - 3 * ARROW
    thumb = top + ARROW + round(track * position / maximum)
    raised(canvas, x, thumb, width, ARROW)
    # The troughs: where the bar shows neither arrow nor thumb.
    troughs = [(x, top + ARROW, width, thumb - top - ARROW),
               (x, thumb + ARROW, width, top + height - ARROW - thumb - ARROW)]
    return [t for t in troughs if t[3] > 0]


def caption_letters(canvas, x, base):
    face = Face(cap=9, xheight=9, stroke=2.0, overshoot=0.0)
    shapes, _ = text_shapes(face, "HV", x, base, 1.0, snap=True)
    paint(canvas, shapes, HILIGHT, samples=8)


def caption_button(canvas, x, y, kind):
    w, h = 18, 16
    raised(canvas, x, y, w, h)
    if kind == "min":
        canvas.rect(x + 4, y + 10, 7, 2, BLACK)
    elif kind == "max":
        canvas.rect(x + 4, y + 3, 9, 2, BLACK)
        canvas.rect(x + 4, y + 3, 1, 8, BLACK)
        canvas.rect(x + 12, y + 3, 1, 8, BLACK)
        canvas.rect(x + 4, y + 10, 9, 1, BLACK)
    else:
        for i in range(7):
            for dx in (0, 1):
                canvas.set(x + 5 + i + dx, y + 4 + i, BLACK)
                canvas.set(x + 11 - i + dx, y + 4 + i, BLACK)


def help_picture():
    w, h = HELP_SIZE
    canvas = Canvas(w, h, FACE)
    # The fixed frame: a raised edge and one pixel of face colour, the
    # right and bottom sides one pixel deeper.
    canvas.rect(0, 0, w, 1, FACE)
    canvas.rect(0, 0, 1, h, FACE)
    canvas.rect(1, 1, w - 2, 1, HILIGHT)
    canvas.rect(1, 1, 1, h - 2, HILIGHT)
    canvas.rect(0, h - 1, w, 1, DARK)
    canvas.rect(w - 1, 0, 1, h, DARK)
    canvas.rect(1, h - 2, w - 2, 1, SHADOW)
    canvas.rect(w - 2, 1, 1, h - 2, SHADOW)

    # The title bar.
    cap_x, cap_y, cap_w = FRAME_LEFT, FRAME_TOP, w - FRAME_LEFT - FRAME_RIGHT
    for xx in range(cap_w):
        colour = mix(CAPTION_LEFT, CAPTION_RIGHT, xx / (cap_w - 1))
        for yy in range(CAPTION_HEIGHT):
            canvas.set(cap_x + xx, cap_y + yy, colour)
    icon = icon_pixels(16)
    icon_rect = (cap_x + 2, cap_y + (CAPTION_HEIGHT - 16) // 2, 16, 16)
    canvas.blit(icon_rect[0], icon_rect[1], icon)
    caption_letters(canvas, cap_x + 23, cap_y + (CAPTION_HEIGHT + 9) // 2)
    by = cap_y + (CAPTION_HEIGHT - 16) // 2
    right = cap_x + cap_w - 2
    caption_button(canvas, right - 18, by, "close")
    caption_button(canvas, right - 18 - 2 - 18, by, "max")
    caption_button(canvas, right - 18 - 2 - 36, by, "min")

    elements = {"icon": [icon_rect]}
    for name, left, width, maximum, position in BARS:
        elements[name] = draw_bar(canvas, left, width, maximum, position)

    # The help window's lines end on these points: each must fall well
    # inside what its label names, or the help window points at nothing.
    for (px, py), name in CONNECTORS:
        inside = [r for r in elements[name]
                  if r[0] < px < r[0] + r[2] - 1 and r[1] < py < r[1] + r[3] - 1]
        assert inside, f"the line to {name} ends at {(px, py)}, outside {elements[name]}"
    assert (w, h) == HELP_SIZE and CLIENT_TOP + CLIENT_SIZE[1] + FRAME_BOTTOM == h
    assert CLIENT_LEFT + CLIENT_SIZE[0] + FRAME_RIGHT == w
    return canvas.rows()


# --------------------------------------------------------------------------

def generate(root, report=True):
    icons = {size: icon_pixels(size) for size in ICON_SIZES}
    images = []
    for size in ICON_SIZES:
        for bits in (8, 24):
            images.append((size, bits, icon_image(icons[size], bits)))
    files = {
        "icon/huevane.ico": ico_file(images),
        "pictures/banner.bmp": bmp_file(banner()),
        "pictures/help.bmp": bmp_file(help_picture()),
    }
    for name in OUTPUTS:
        path = root / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(files[name])
        if report:
            print(f"make_pictures: wrote {path}")


def main():
    repo = pathlib.Path(__file__).resolve().parent.parent
    committed = repo / "resources"
    parser = argparse.ArgumentParser(description="Draw the Huevane icon and pictures.")
    parser.add_argument("--out", type=pathlib.Path, default=committed,
                        help="folder that receives icon/ and pictures/")
    parser.add_argument("--check", action="store_true",
                        help="regenerate into a temporary folder and compare with the committed pictures")
    args = parser.parse_args()
    if not args.check:
        generate(args.out)
        return 0
    return matches_fresh_build("make_pictures", "pictures", committed, OUTPUTS,
                               lambda folder: generate(folder, report=False))


if __name__ == "__main__":
    sys.exit(main())
