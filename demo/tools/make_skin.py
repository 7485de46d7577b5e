#!/usr/bin/env python3
"""Draws the installer skin demo/gfx.bmp: 451 x 304 pixels, 24-bit, uncompressed.

Needs nothing beyond python3's standard library. Run it from anywhere:

    python3 demo/tools/make_skin.py

The areas drawn here must stay in step with demo/qlypatch.ini: the black text area and its
frame, the language selector, the button plate, the two link badges and the slots of the
minimize (left 399, top 8) and close (left 421, top 8) buttons. The window's corners are cut
by 32 x 32 ellipses, so nothing that matters may sit in them.
"""

import os
import struct

WIDTH, HEIGHT = 451, 304
CORNER_RADIUS = 16

# Control areas as (left, top, width, height), the same numbers as the layout file.
TEXTSCROLL = (22, 74, 268, 176)
SELECT = (306, 88, 124, 24)
BUTTON = (306, 214, 124, 36)
LINK_LEFT = (22, 264, 110, 26)
LINK_RIGHT = (320, 264, 110, 26)
MINIMIZE = (399, 8, 20, 20)
CLOSE = (421, 8, 20, 20)

GOLD = (222, 176, 84)
GOLD_DARK = (120, 88, 36)
GOLD_LIGHT = (255, 226, 150)
INK = (8, 6, 14)
PANEL = (20, 17, 34)
PANEL_EDGE = (70, 58, 98)
TEAL = (28, 72, 80)
TEAL_LIGHT = (76, 150, 156)
MIST = (150, 140, 176)

# A 5 x 7 pixel font of our own: capitals, digits and a few signs.
FONT = {
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "B": ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
    "C": [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "F": ["#####", "#....", "#....", "####.", "#....", "#....", "#...."],
    "G": [".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"],
    "H": ["#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "I": [".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "J": ["..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."],
    "K": ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "N": ["#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "P": ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    "Q": [".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "U": ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "W": ["#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."],
    "X": ["#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"],
    "Y": ["#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."],
    "Z": ["#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"],
    "0": [".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."],
    "1": ["..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "2": [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    "3": ["####.", "....#", "....#", ".###.", "....#", "....#", "####."],
    "4": ["...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."],
    "5": ["#####", "#....", "####.", "....#", "....#", "#...#", ".###."],
    "6": [".###.", "#....", "#....", "####.", "#...#", "#...#", ".###."],
    "7": ["#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."],
    "8": [".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."],
    "9": [".###.", "#...#", "#...#", ".####", "....#", "....#", ".###."],
    ".": [".....", ".....", ".....", ".....", ".....", ".##..", ".##.."],
    "-": [".....", ".....", ".....", ".###.", ".....", ".....", "....."],
    " ": [".....", ".....", ".....", ".....", ".....", ".....", "....."],
}


class Canvas:
    """A 24-bit picture held as rows of (r, g, b) tuples, row 0 at the top."""

    def __init__(self, width, height, colour):
        self.width = width
        self.height = height
        self.rows = [[colour] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.rows[y][x] = colour

    def get(self, x, y):
        return self.rows[y][x]

    def blend(self, x, y, colour, amount):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.put(x, y, mix(self.rows[y][x], colour, amount))

    def fill(self, rect, colour):
        left, top, width, height = rect
        for y in range(top, top + height):
            for x in range(left, left + width):
                self.put(x, y, colour)

    def frame(self, rect, colour, thickness=1):
        left, top, width, height = rect
        for t in range(thickness):
            for x in range(left + t, left + width - t):
                self.put(x, top + t, colour)
                self.put(x, top + height - 1 - t, colour)
            for y in range(top + t, top + height - t):
                self.put(left + t, y, colour)
                self.put(left + width - 1 - t, y, colour)

    def save_bmp(self, path):
        stride = (self.width * 3 + 3) & ~3
        padding = b"\0" * (stride - self.width * 3)
        pixels = bytearray()
        for row in reversed(self.rows):  # BMP rows run bottom-up
            for r, g, b in row:
                pixels += bytes((b, g, r))
            pixels += padding
        header_size = 14 + 40
        file_header = struct.pack("<2sIHHI", b"BM", header_size + len(pixels), 0, 0, header_size)
        info_header = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0,
                                  len(pixels), 2835, 2835, 0, 0)
        with open(path, "wb") as out:
            out.write(file_header + info_header + pixels)


def mix(a, b, amount):
    return tuple(round(x + (y - x) * amount) for x, y in zip(a, b))


def inside_rounded(x, y, rect, radius):
    """True when pixel (x, y) lies inside rect with corners rounded by the given radius."""
    left, top, width, height = rect
    right, bottom = left + width, top + height
    if not (left <= x < right and top <= y < bottom):
        return False
    cx = min(max(x + 0.5, left + radius), right - radius)
    cy = min(max(y + 0.5, top + radius), bottom - radius)
    return (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= radius * radius


def rounded_box(canvas, rect, fill, edge, radius=5):
    left, top, width, height = rect
    for y in range(top, top + height):
        for x in range(left, left + width):
            if inside_rounded(x, y, rect, radius):
                inner = (left + 1, top + 1, width - 2, height - 2)
                canvas.put(x, y, fill if inside_rounded(x, y, inner, radius - 1) else edge)


def text_width(text, scale, spacing):
    return len(text) * (5 * scale + spacing) - spacing


def draw_text(canvas, x, y, text, scale, colour, spacing=None, shade=None):
    """Draws text in the pixel font; shade, when given, is (colour at the bottom, shadow)."""
    spacing = scale if spacing is None else spacing
    pixels = []
    for index, char in enumerate(text):
        gx = x + index * (5 * scale + spacing)
        for row, bits in enumerate(FONT[char]):
            for col, bit in enumerate(bits):
                if bit == "#":
                    for dy in range(scale):
                        for dx in range(scale):
                            pixels.append((gx + col * scale + dx, y + row * scale + dy,
                                           row * scale + dy))
    if shade is None:
        for px, py, _ in pixels:
            canvas.put(px, py, colour)
        return
    bottom, shadow = shade
    offset = max(1, scale // 2)
    for px, py, _ in pixels:  # all shadows first, so that no letter is cut by one
        canvas.put(px + offset, py + offset, shadow)
    for px, py, depth in pixels:
        canvas.put(px, py, mix(colour, bottom, depth / (7 * scale - 1)))


def draw_text_centred(canvas, rect, text, scale, colour, spacing=None, shade=None):
    spacing = scale if spacing is None else spacing
    left, top, width, height = rect
    x = left + (width - text_width(text, scale, spacing)) // 2
    y = top + (height - 7 * scale) // 2
    draw_text(canvas, x, y, text, scale, colour, spacing, shade)


def background(canvas):
    top, bottom = (34, 28, 56), (10, 8, 18)
    for y in range(HEIGHT):
        base = mix(top, bottom, y / (HEIGHT - 1))
        for x in range(WIDTH):
            # A faint diagonal weave so that the dark areas are not flat.
            weave = 0.035 if (x + y) % 6 == 0 or (x - y) % 6 == 0 else 0.0
            canvas.put(x, y, mix(base, (90, 80, 130), weave))
    # A soft glow behind the title.
    for y in range(0, 70):
        for x in range(0, 300):
            d = ((x - 120) / 150) ** 2 + ((y - 30) / 40) ** 2
            if d < 1:
                canvas.blend(x, y, (90, 60, 120), 0.35 * (1 - d))


def window_edge(canvas):
    """A gold rim that follows the rounded window outline, two pixels inside it."""
    outer = (0, 0, WIDTH, HEIGHT)
    rim = (2, 2, WIDTH - 4, HEIGHT - 4)
    inner = (3, 3, WIDTH - 6, HEIGHT - 6)
    for y in range(HEIGHT):
        for x in range(WIDTH):
            if not inside_rounded(x, y, outer, CORNER_RADIUS):
                canvas.put(x, y, INK)
            elif inside_rounded(x, y, rim, CORNER_RADIUS - 2) and not inside_rounded(
                    x, y, inner, CORNER_RADIUS - 3):
                canvas.put(x, y, GOLD_DARK)


def title(canvas):
    draw_text(canvas, 24, 16, "QUILLORY", 4, GOLD_LIGHT, spacing=4, shade=(GOLD_DARK, INK))
    draw_text(canvas, 26, 52, "PATCH INSTALLER", 1, MIST, spacing=3)
    for x in range(22, 430):
        fade = 1 - abs(x - 226) / 204
        canvas.blend(x, 64, GOLD, 0.9 * fade)
        canvas.blend(x, 65, GOLD_DARK, 0.5 * fade)


def caption_slots(canvas):
    """Dark recesses behind the minimize and close buttons."""
    for left, top, width, height in (MINIMIZE, CLOSE):
        rounded_box(canvas, (left - 2, top - 2, width + 4, height + 4), INK, PANEL_EDGE, 4)


def text_area(canvas):
    left, top, width, height = TEXTSCROLL
    canvas.frame((left - 4, top - 4, width + 8, height + 8), GOLD_DARK)
    canvas.frame((left - 3, top - 3, width + 6, height + 6), GOLD)
    canvas.frame((left - 2, top - 2, width + 4, height + 4), INK, 2)
    canvas.fill(TEXTSCROLL, (0, 0, 0))
    # Corner studs on the frame.
    for cx, cy in ((left - 4, top - 4), (left + width + 3, top - 4), (left - 4, top + height + 3),
                   (left + width + 3, top + height + 3)):
        for dy in range(-2, 3):
            for dx in range(-2, 3):
                if abs(dx) + abs(dy) <= 2:
                    canvas.put(cx + dx, cy + dy, GOLD_LIGHT if dx == dy == 0 else GOLD)


def side_panel(canvas):
    panel = (298, 72, 140, 182)
    rounded_box(canvas, panel, PANEL, PANEL_EDGE, 6)
    draw_text(canvas, 308, 78, "LANGUAGE", 1, MIST, spacing=2)
    left, top, width, height = SELECT
    canvas.frame((left - 1, top - 1, width + 2, height + 2), PANEL_EDGE)
    canvas.fill(SELECT, INK)
    emblem(canvas, 368, 162)
    left, top, width, height = BUTTON
    rounded_box(canvas, (left - 4, top - 4, width + 8, height + 8), GOLD_DARK, GOLD, 6)
    canvas.fill(BUTTON, (44, 34, 22))


def emblem(canvas, cx, cy):
    """The game's crest: a quill inside a diamond."""
    for y in range(cy - 34, cy + 35):
        for x in range(cx - 34, cx + 35):
            d = abs(x - cx) + abs(y - cy)
            if d <= 34:
                canvas.blend(x, y, (60, 40, 90), 0.5 * (1 - d / 34))
            if 30 <= d <= 31:
                canvas.put(x, y, GOLD)
            elif d == 27:
                canvas.put(x, y, GOLD_DARK)
    # The quill: a curved vane along a diagonal shaft.
    for t in range(-22, 23):
        sx, sy = cx + t * 0.55, cy - t
        canvas.put(round(sx), round(sy), GOLD_LIGHT)
        if t > -16:
            vane = 7 * (1 - ((t - 6) / 17) ** 2) if abs(t - 6) < 17 else 0
            for v in range(1, int(vane) + 1):
                shade = mix(GOLD, GOLD_DARK, v / max(1, vane))
                canvas.put(round(sx - v), round(sy - v * 0.3), shade)
                canvas.put(round(sx + v * 0.6), round(sy + v * 0.2), mix(shade, PANEL, 0.3))
    for t in range(0, 5):
        canvas.put(cx - 12 - t, cy + 22 + t, TEAL_LIGHT)


def link_badge(canvas, rect, label):
    rounded_box(canvas, rect, TEAL, TEAL_LIGHT, 6)
    left, top, width, height = rect
    for y in range(top + 2, top + height // 2):
        for x in range(left + 3, left + width - 3):
            canvas.blend(x, y, (255, 255, 255), 0.06)
    draw_text_centred(canvas, rect, label, 2, (230, 246, 240), spacing=2)


def footer(canvas):
    draw_text_centred(canvas, (140, 264, 172, 26), "VERSION 1.2", 1, MIST, spacing=2)


def main():
    canvas = Canvas(WIDTH, HEIGHT, INK)
    background(canvas)
    title(canvas)
    caption_slots(canvas)
    text_area(canvas)
    side_panel(canvas)
    link_badge(canvas, LINK_LEFT, "WEBSITE")
    link_badge(canvas, LINK_RIGHT, "FORUM")
    footer(canvas)
    window_edge(canvas)
    target = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "gfx.bmp")
    canvas.save_bmp(os.path.normpath(target))


if __name__ == "__main__":
    main()
