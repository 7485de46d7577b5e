#!/usr/bin/env python3
"""Draws the installer's own pictures and writes them beside this script:

  qlypatch.ico   the program icon, 16, 32 and 48 pixels, 32-bit with alpha
  close.bmp      the close button's face, 21 x 21, 24-bit
  minimize.bmp   the minimize button's face, 21 x 21, 24-bit

Standard library only, and deterministic, so the committed files can be checked against a
fresh run: python3 make_resources.py && git diff --exit-code .
"""

import math
import os
import struct

SUPERSAMPLE = 4  # samples per pixel along each axis, for smooth edges


def clamp(x, lo=0.0, hi=1.0):
    return max(lo, min(hi, x))


def rounded_rect_inside(x, y, x0, y0, x1, y1, r):
    """True when (x, y) lies inside the rectangle with corners rounded by radius r."""
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def segment_distance(px, py, ax, ay, bx, by):
    """Distance from point p to the segment a-b."""
    dx, dy = bx - ax, by - ay
    t = clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def render(size, shade):
    """Renders size x size pixels; shade(u, v) gives (r, g, b, a) in 0..1 for a point in unit
    coordinates (0, 0 top left). Returns rows top to bottom of (r, g, b, a) bytes."""
    rows = []
    n = SUPERSAMPLE
    for j in range(size):
        row = []
        for i in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sj in range(n):
                for si in range(n):
                    u = (i + (si + 0.5) / n) / size
                    v = (j + (sj + 0.5) / n) / size
                    r, g, b, a = shade(u, v)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            a = acc[3] / (n * n)
            if a > 0:
                colour = [acc[k] / acc[3] for k in range(3)]
            else:
                colour = [0.0, 0.0, 0.0]
            row.append(tuple(int(round(c * 255)) for c in colour) + (int(round(a * 255)),))
        rows.append(row)
    return rows


def hex_colour(value, alpha=1.0):
    return ((value >> 16) & 255) / 255, ((value >> 8) & 255) / 255, (value & 255) / 255, alpha


def mix(c0, c1, t):
    return tuple(c0[k] + (c1[k] - c0[k]) * t for k in range(4))


# --- the program icon: a cream quill over an ink-blue tile, with an amber "down" badge ---

TILE_TOP = hex_colour(0x2F5786)
TILE_BOTTOM = hex_colour(0x16243B)
QUILL = hex_colour(0xF4E9CC)
QUILL_SHADE = hex_colour(0xC9B78E)
BADGE = hex_colour(0xF2A93B)
CLEAR = (0.0, 0.0, 0.0, 0.0)


def icon_shade(u, v):
    if not rounded_rect_inside(u, v, 0.03, 0.03, 0.97, 0.97, 0.2):
        return CLEAR
    colour = mix(TILE_TOP, TILE_BOTTOM, v)

    # The quill lies on the diagonal from the nib (lower left) to the tip (upper right).
    ax, ay, bx, by = 0.22, 0.80, 0.80, 0.17
    length = math.hypot(bx - ax, by - ay)
    dx, dy = (bx - ax) / length, (by - ay) / length
    t = ((u - ax) * dx + (v - ay) * dy) / length  # 0 at the nib, 1 at the tip
    side = (u - ax) * -dy + (v - ay) * dx  # signed distance from the shaft
    if 0.28 <= t <= 1.0:
        s = (t - 0.28) / 0.72
        half = 0.17 * math.sin(math.pi * s) ** 0.7 * (1.0 - 0.25 * s)
        # The vane is wider on one side of the shaft, like a real feather.
        if -half * 0.55 <= side <= half:
            colour = QUILL_SHADE if side < 0 else QUILL
    if segment_distance(u, v, ax, ay, bx - 0.05 * dx, by - 0.05 * dy) <= 0.022:
        colour = QUILL_SHADE
    # The nib: a short dark cut near the lower end.
    if segment_distance(u, v, ax, ay, ax + 0.07 * dx, ay + 0.07 * dy) <= 0.02:
        colour = hex_colour(0x0E1626)

    # The badge: an arrow pointing down onto a bar, in the lower right corner.
    cx, top, bottom = 0.74, 0.52, 0.78
    if abs(u - cx) <= 0.045 and top <= v <= bottom - 0.1:
        colour = BADGE
    if bottom - 0.12 <= v <= bottom - 0.02 and abs(u - cx) <= (bottom - 0.02 - v) * 1.2:
        colour = BADGE
    if bottom + 0.02 <= v <= bottom + 0.07 and abs(u - cx) <= 0.15:
        colour = BADGE
    return colour


# --- the window's two small buttons: a dark rounded square with a light sign ---

FACE_OUTSIDE = hex_colour(0x101216)
FACE = hex_colour(0x2B2F38)
FACE_EDGE = hex_colour(0x4F5664)
SIGN = hex_colour(0xE8EAEE)
BUTTON_SIZE = 21


def face_shade(u, v):
    if not rounded_rect_inside(u, v, 0.0, 0.0, 1.0, 1.0, 0.26):
        return FACE_OUTSIDE
    if not rounded_rect_inside(u, v, 0.05, 0.05, 0.95, 0.95, 0.21):
        return FACE_EDGE
    return FACE


def close_shade(u, v):
    lo, hi, stroke = 0.31, 0.69, 0.055
    if (segment_distance(u, v, lo, lo, hi, hi) <= stroke or
            segment_distance(u, v, lo, hi, hi, lo) <= stroke):
        return SIGN
    return face_shade(u, v)


def minimize_shade(u, v):
    if 0.29 <= u <= 0.71 and 0.60 <= v <= 0.71:
        return SIGN
    return face_shade(u, v)


# --- file formats ---

def bmp24(rows):
    """A bottom-up 24-bit BMP file of opaque rows."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b, _ in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        pixels += line
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835,
                         0, 0)
    offset = 14 + len(header)
    return struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) + header + pixels


def ico(images):
    """An icon file of 32-bit images with alpha (each image: rows of RGBA)."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for rows in images:
        size = len(rows)
        xor = bytearray()
        for row in reversed(rows):
            for r, g, b, a in row:
                xor += bytes((b, g, r, a))
        mask_stride = ((size + 31) // 32) * 4
        and_mask = bytes(mask_stride * size)  # the alpha channel decides; the mask shows all
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                             len(xor) + len(and_mask), 0, 0, 0, 0)
        blob = header + bytes(xor) + and_mask
        entries.append(struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob),
                                   offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs)


def main():
    here = os.path.dirname(os.path.abspath(__file__))

    def write(name, data):
        with open(os.path.join(here, name), "wb") as f:
            f.write(data)

    write("qlypatch.ico", ico([render(s, icon_shade) for s in (16, 32, 48)]))
    write("close.bmp", bmp24(render(BUTTON_SIZE, close_shade)))
    write("minimize.bmp", bmp24(render(BUTTON_SIZE, minimize_shade)))


if __name__ == "__main__":
    main()
