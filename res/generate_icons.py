#!/usr/bin/env python3
"""Draws MorrowFane's note icons and application icon as PNG files.

Standard library only, so anyone can regenerate the committed images:
    python3 res/generate_icons.py res/icons
Every shape is described in the 32 x 32 design grid and rendered with 4 x 4 supersampling, so the
64 px (@2x) images are the same drawings at twice the resolution.
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
APP_ICON_SIZES = [16, 32, 64, 256]

# The 16-colour palette greys the faces are dithered from.
SILVER = (0xC0, 0xC0, 0xC0)
GREY = (0x90, 0x90, 0x90)
WHITE = (0xFF, 0xFF, 0xFF)
DARK = (0x40, 0x40, 0x40)
BLACK = (0x10, 0x10, 0x10)


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
            # A raised rim: light towards the upper left, dark towards the lower right.
            light = ((centre - x) + (centre - y)) / (radius * math.sqrt(2.0))
            return WHITE if light > 0.15 else (DARK if light < -0.15 else GREY)
        return SILVER if (int(x) + int(y)) % 2 == 0 else GREY

    canvas.fill(in_disc, face)
    strokes, sharp = letter_strokes(name)
    if lit:
        # A dark drop shadow keeps the white letter legible on the grey face.
        canvas.stroke(strokes, 2.6, DARK, offset=(0.8, 0.8))
        canvas.stroke(sharp, 1.3, DARK, offset=(0.6, 0.6))
    ink = WHITE if lit else BLACK
    canvas.stroke(strokes, 2.6, ink)
    canvas.stroke(sharp, 1.3, ink)
    return canvas.rows()


def draw_app_icon(size):
    canvas = Canvas(size)
    body = (0x1F, 0x4E, 0x79)
    body_light = (0x2E, 0x6D, 0xA4)

    def in_body(x, y):
        # A rounded square.
        r = 6.0
        qx, qy = max(abs(x - 16.0) - (15.0 - r), 0.0), max(abs(y - 16.0) - (15.0 - r), 0.0)
        return math.hypot(qx, qy) <= r

    canvas.fill(in_body, lambda x, y: body_light if y < 16.0 else body)
    # Six strings, low to high from left to right, thicker for the low ones.
    for k in range(6):
        x = 7.0 + 3.6 * k
        canvas.stroke([[(x, 4.0), (x, 28.0)]], 1.3 - 0.12 * k, (0xE8, 0xC8, 0x70))
    # A tuning fork across them.
    fork = [arc(16.0, 13.0, 4.5, 5.0, 0, 180), [(11.5, 4.0), (11.5, 13.0)],
            [(20.5, 4.0), (20.5, 13.0)], [(16.0, 18.0), (16.0, 28.0)]]
    canvas.stroke(fork, 4.2, (0x10, 0x28, 0x40))
    canvas.stroke(fork, 2.4, WHITE)
    return canvas.rows()


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


if __name__ == "__main__":
    main()
