#!/usr/bin/env python3
"""Draws MorrowFane's note icons and application icon as PNG files, and the application icon as SVG.

Standard library only, so anyone can regenerate the committed images:
    python3 res/generate_icons.py res/icons
Every shape is described in the 32 x 32 design grid and rendered with 4 x 4 supersampling, so the
64 px (@2x) images are the same drawings at twice the resolution. The application icon's shapes are
listed once and both the PNG sizes and the scalable SVG are drawn from that list.
"""

import math
import os
import struct
import sys
import zlib

DESIGN = 32.0
SUPERSAMPLE = 4

# Note icon ids: the unlit icon of each name, in the order of the ids; the lit icon is id + 1.
NOTE_ORDER = ["A", "A#", "B", "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#"]
FIRST_NOTE_ICON = 140
# The sizes desktops look up in the hicolor theme.
APP_ICON_SIZES = [16, 24, 32, 48, 64, 128, 256]

# The 16-colour palette greys the faces are dithered from.
SILVER = (0xC0, 0xC0, 0xC0)
GREY = (0x90, 0x90, 0x90)
WHITE = (0xFF, 0xFF, 0xFF)
DARK = (0x40, 0x40, 0x40)
BLACK = (0x10, 0x10, 0x10)
# A sounding string's face: a solid dark disc, so the lit icon differs from the unlit one by far
# more than its letter's colour, and the white letter on it keeps a contrast above 8:1.
LIT_FACE = (0x1F, 0x3A, 0x5F)


def write_png(path, width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(png)


def arc(cx, cy, rx, ry, start, end, steps=24):
    """Points of an elliptic arc; angles in degrees, 0 = right, 90 = down."""
    points = []
    for i in range(steps + 1):
        t = math.radians(start + (end - start) * i / steps)
        points.append((cx + rx * math.cos(t), cy + ry * math.sin(t)))
    return points


# Letters as polylines in a box 10 wide and 14 high, y down.
LETTERS = {
    "A": [[(0, 14), (5, 0), (10, 14)], [(1.9, 9), (8.1, 9)]],
    "B": [[(0, 0), (0, 14)],
          [(0, 0), (5.5, 0)] + arc(5.5, 3.5, 3.5, 3.5, -90, 90) + [(0, 7)],
          [(0, 7), (6, 7)] + arc(6, 10.5, 3.6, 3.5, -90, 90) + [(0, 14)]],
    "C": [arc(5.6, 7, 5.2, 7, 40, 320)],
    "D": [[(0, 0), (0, 14)], [(0, 0), (3, 0)] + arc(3, 7, 6.6, 7, -90, 90) + [(0, 14)]],
    "E": [[(9, 0), (0, 0), (0, 14), (9, 14)], [(0, 7), (7.5, 7)]],
    "F": [[(9, 0), (0, 0), (0, 14)], [(0, 7), (7.5, 7)]],
    "G": [arc(5.6, 7, 5.2, 7, -40, -320) + [(10.3, 8), (6, 8)]],
}


def letter_strokes(name):
    """Strokes of a note name's letter (and sharp sign) in design coordinates."""
    sharp = name.endswith("#")
    left = 9.5 if sharp else 11.0
    top = 9.0
    strokes = [[(left + x, top + y) for x, y in line] for line in LETTERS[name[0]]]
    sharp_strokes = []
    if sharp:
        # A small sharp sign raised at the letter's upper right.
        sx, sy = 21.5, 6.0
        sharp_strokes = [[(sx + 1.6, sy), (sx + 1.0, sy + 6.5)],
                         [(sx + 4.0, sy), (sx + 3.4, sy + 6.5)],
                         [(sx - 0.2, sy + 2.4), (sx + 5.0, sy + 1.8)],
                         [(sx - 0.4, sy + 4.6), (sx + 4.8, sy + 4.0)]]
    return strokes, sharp_strokes


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    qx, qy = ax + t * dx - px, ay + t * dy - py
    return math.sqrt(qx * qx + qy * qy)


class Canvas:
    """An RGBA image drawn in design coordinates."""

    def __init__(self, size):
        self.size = size
        self.scale = size / DESIGN
        self.pixels = [[[0.0, 0.0, 0.0, 0.0] for _ in range(size)] for _ in range(size)]

    def samples(self, x, y):
        step = 1.0 / SUPERSAMPLE
        for j in range(SUPERSAMPLE):
            for i in range(SUPERSAMPLE):
                yield ((x + (i + 0.5) * step) / self.scale, (y + (j + 0.5) * step) / self.scale)

    def blend(self, x, y, colour, coverage):
        if coverage <= 0.0:
            return
        pixel = self.pixels[y][x]
        alpha = pixel[3]
        out_alpha = coverage + alpha * (1.0 - coverage)
        for c in range(3):
            mixed = colour[c] * coverage + pixel[c] * alpha * (1.0 - coverage)
            pixel[c] = mixed / out_alpha if out_alpha > 0 else 0.0
        pixel[3] = out_alpha

    def fill(self, inside, colour_at, box=None):
        """Paints every sample for which inside(x, y) holds with colour_at(design x, design y)."""
        x0, y0, x1, y1 = box or (0, 0, self.size, self.size)
        for y in range(max(0, y0), min(self.size, y1)):
            for x in range(max(0, x0), min(self.size, x1)):
                hits = [s for s in self.samples(x, y) if inside(*s)]
                if hits:
                    # The colour is taken at the pixel's design cell, which keeps dithers crisp.
                    cx, cy = (x + 0.5) / self.scale, (y + 0.5) / self.scale
                    self.blend(x, y, colour_at(cx, cy), len(hits) / SUPERSAMPLE**2)

    def stroke(self, polylines, width, colour, offset=(0.0, 0.0)):
        segments = []
        for line in polylines:
            for (ax, ay), (bx, by) in zip(line, line[1:]):
                segments.append((ax + offset[0], ay + offset[1], bx + offset[0], by + offset[1]))
        if not segments:
            return
        half = width / 2.0
        xs = [v for s in segments for v in (s[0], s[2])]
        ys = [v for s in segments for v in (s[1], s[3])]
        box = (int((min(xs) - half) * self.scale) - 1, int((min(ys) - half) * self.scale) - 1,
               int((max(xs) + half) * self.scale) + 2, int((max(ys) + half) * self.scale) + 2)

        def inside(px, py):
            return any(segment_distance(px, py, *s) <= half for s in segments)

        self.fill(inside, lambda _x, _y: colour, box)

    def rows(self):
        return [[(round(r), round(g), round(b), round(a * 255)) for r, g, b, a in row]
                for row in self.pixels]


def draw_note_icon(name, lit, size):
    canvas = Canvas(size)
    centre, radius, rim = 16.0, 15.0, 1.6

    def in_disc(x, y):
        return math.hypot(x - centre, y - centre) <= radius

    def face(x, y):
        distance = math.hypot(x - centre, y - centre)
        if distance > radius - rim:
            # A raised rim, or a pressed one while lit: light towards the upper left, dark towards
            # the lower right, the other way round when lit.
            light = ((centre - x) + (centre - y)) / (radius * math.sqrt(2.0))
            if lit:
                light = -light
            return WHITE if light > 0.15 else (DARK if light < -0.15 else GREY)
        if lit:
            return LIT_FACE
        return SILVER if (int(x) + int(y)) % 2 == 0 else GREY

    canvas.fill(in_disc, face)
    strokes, sharp = letter_strokes(name)
    ink = WHITE if lit else BLACK
    canvas.stroke(strokes, 2.6, ink)
    canvas.stroke(sharp, 1.3, ink)
    return canvas.rows()


APP_BODY_CENTRE, APP_BODY_HALF, APP_BODY_RADIUS = 16.0, 15.0, 6.0
APP_BODY_TOP, APP_BODY_BOTTOM = (0x2E, 0x6D, 0xA4), (0x1F, 0x4E, 0x79)
FORK_OUTLINE = (0x10, 0x28, 0x40)
STRING_GOLD = (0xE8, 0xC8, 0x70)


def app_icon_strokes():
    """The application icon's strokes above its body, bottom first: (polylines, width, colour)."""
    strokes = []
    # Six strings, low to high from left to right, thicker for the low ones.
    for k in range(6):
        x = 7.0 + 3.6 * k
        strokes.append(([[(x, 4.0), (x, 28.0)]], 1.3 - 0.12 * k, STRING_GOLD))
    # A tuning fork across them.
    fork = [arc(16.0, 13.0, 4.5, 5.0, 0, 180), [(11.5, 4.0), (11.5, 13.0)],
            [(20.5, 4.0), (20.5, 13.0)], [(16.0, 18.0), (16.0, 28.0)]]
    strokes.append((fork, 4.2, FORK_OUTLINE))
    strokes.append((fork, 2.4, WHITE))
    return strokes


def draw_app_icon(size):
    canvas = Canvas(size)

    def in_body(x, y):
        # A rounded square, lighter in its upper half.
        edge = APP_BODY_HALF - APP_BODY_RADIUS
        qx = max(abs(x - APP_BODY_CENTRE) - edge, 0.0)
        qy = max(abs(y - APP_BODY_CENTRE) - edge, 0.0)
        return math.hypot(qx, qy) <= APP_BODY_RADIUS

    canvas.fill(in_body, lambda x, y: APP_BODY_TOP if y < APP_BODY_CENTRE else APP_BODY_BOTTOM)
    for polylines, width, colour in app_icon_strokes():
        canvas.stroke(polylines, width, colour)
    return canvas.rows()


def svg_colour(colour):
    return "#%02x%02x%02x" % colour


def app_icon_svg():
    """The application icon as SVG in the design grid; strokes have round ends and joins, as the
    raster's distance-to-segment test draws them."""
    corner = APP_BODY_CENTRE - APP_BODY_HALF
    split = APP_BODY_CENTRE / DESIGN
    lines = [
        f'<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" '
        f'viewBox="0 0 {DESIGN:g} {DESIGN:g}">',
        '  <defs>',
        f'    <linearGradient id="body" gradientUnits="userSpaceOnUse" x1="0" y1="0" x2="0" '
        f'y2="{DESIGN:g}">',
        f'      <stop offset="{split:g}" stop-color="{svg_colour(APP_BODY_TOP)}"/>',
        f'      <stop offset="{split:g}" stop-color="{svg_colour(APP_BODY_BOTTOM)}"/>',
        '    </linearGradient>',
        '  </defs>',
        f'  <rect x="{corner:g}" y="{corner:g}" width="{2 * APP_BODY_HALF:g}" '
        f'height="{2 * APP_BODY_HALF:g}" rx="{APP_BODY_RADIUS:g}" fill="url(#body)"/>',
    ]
    for polylines, width, colour in app_icon_strokes():
        lines.append(f'  <g fill="none" stroke="{svg_colour(colour)}" stroke-width="{round(width, 3):g}" '
                     'stroke-linecap="round" stroke-linejoin="round">')
        for line in polylines:
            points = " ".join(f"{round(x, 3):g},{round(y, 3):g}" for x, y in line)
            lines.append(f'    <polyline points="{points}"/>')
        lines.append('  </g>')
    lines.append('</svg>')
    return "\n".join(lines) + "\n"


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "icons")
    os.makedirs(out_dir, exist_ok=True)
    for index, name in enumerate(NOTE_ORDER):
        for lit in (False, True):
            icon_id = FIRST_NOTE_ICON + 2 * index + (1 if lit else 0)
            for size, suffix in ((32, ""), (64, "@2x")):
                path = os.path.join(out_dir, f"note-{icon_id}{suffix}.png")
                write_png(path, size, size, draw_note_icon(name, lit, size))
    for size in APP_ICON_SIZES:
        write_png(os.path.join(out_dir, f"morrowfane-{size}.png"), size, size, draw_app_icon(size))
    with open(os.path.join(out_dir, "morrowfane.svg"), "w", encoding="utf-8") as out:
        out.write(app_icon_svg())


if __name__ == "__main__":
    main()
