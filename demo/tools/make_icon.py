#!/usr/bin/env python3
"""Draws demo/icon.ico, the icon the packed demo patch shows: an amber tile with a dark
"down" arrow, 16 and 32 pixels, 32-bit with alpha. Run it again after changing the drawing."""
import os
import struct


def shade(size, x, y):
    """RGBA of pixel x, y of a size x size icon."""
    u, v = (x + 0.5) / size, (y + 0.5) / size
    if min(u, v, 1 - u, 1 - v) < 0.06:
        return (0, 0, 0, 0)
    stem = abs(u - 0.5) < 0.09 and 0.18 < v < 0.55
    head = v >= 0.5 and v < 0.82 and abs(u - 0.5) < (0.82 - v) * 1.1
    if stem or head:
        return (40, 28, 20, 255)
    return (236, 166, 40, 255)


def ico(sizes):
    entries, blobs = [], []
    offset = 6 + 16 * len(sizes)
    for size in sizes:
        xor = bytearray()
        for y in reversed(range(size)):
            for x in range(size):
                r, g, b, a = shade(size, x, y)
                xor += bytes((b, g, r, a))
        and_mask = bytes(((size + 31) // 32) * 4 * size)
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                             len(xor) + len(and_mask), 0, 0, 0, 0)
        blob = header + bytes(xor) + and_mask
        entries.append(struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(sizes)) + b"".join(entries) + b"".join(blobs)


if __name__ == "__main__":
    demo = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    with open(os.path.join(demo, "icon.ico"), "wb") as f:
        f.write(ico((16, 32)))
