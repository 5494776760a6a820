#!/usr/bin/env python3
"""Draws the application icon MAINICON: 256 x 256 pixels, 24-bit colour, PNG.

A five-pin MIDI socket with an arrow going into it: firmware on its way into the device.
Standard library only. Usage: tools/make-icon.py [output.png] (default app/resources/MAINICON.png).
"""

import math
import pathlib
import struct
import sys
import zlib

SIZE = 256
SAMPLES = 4  # per axis and pixel, for smooth edges

NAVY = (20, 33, 61)
TEAL = (29, 111, 122)
SILVER = (217, 221, 227)
SOCKET = (27, 31, 42)
GOLD = (230, 184, 92)
ORANGE = (252, 163, 17)

CENTRE = (128.0, 156.0)
PIN_ANGLES = (180, 225, 270, 315, 360)  # degrees, counted upward from the right


def in_disc(x, y, cx, cy, r):
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_triangle(x, y, a, b, c):
    def side(p, q):
        return (x - q[0]) * (p[1] - q[1]) - (p[0] - q[0]) * (y - q[1])
    d1, d2, d3 = side(a, b), side(b, c), side(c, a)
    return not ((d1 < 0 or d2 < 0 or d3 < 0) and (d1 > 0 or d2 > 0 or d3 > 0))


def pins():
    cx, cy = CENTRE
    for angle in PIN_ANGLES:
        t = math.radians(angle)
        yield cx + 40 * math.cos(t), cy - 40 * math.sin(t)
    yield cx, cy + 4


PINS = list(pins())


def colour_at(x, y):
    """The colour of one sample point; later shapes lie on top of earlier ones."""
    cx, cy = CENTRE
    if 112 <= x <= 144 and 12 <= y <= 66 or in_triangle(x, y, (80, 62), (176, 62), (128, 112)):
        return ORANGE
    if any(in_disc(x, y, px, py, 8) for px, py in PINS):
        return GOLD
    if in_disc(x, y, cx, cy, 62):
        return SOCKET
    if in_disc(x, y, cx, cy, 80) or 116 <= x <= 140 and cy + 70 <= y <= cy + 92:
        return SILVER
    t = (x + y) / (2 * SIZE)
    return tuple(round(n + (m - n) * t) for n, m in zip(NAVY, TEAL))


def pixel(px, py):
    total = [0, 0, 0]
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            c = colour_at(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
            for i in range(3):
                total[i] += c[i]
    return bytes(round(v / SAMPLES ** 2) for v in total)


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png():
    rows = b"".join(b"\x00" + b"".join(pixel(x, y) for x in range(SIZE)) for y in range(SIZE))
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 2, 0, 0, 0)  # 8 bits per channel, RGB
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")


def main():
    default = pathlib.Path(__file__).resolve().parent.parent / "app" / "resources" / "MAINICON.png"
    target = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else default
    target.write_bytes(png())


if __name__ == "__main__":
    main()
