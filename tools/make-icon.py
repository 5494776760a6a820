#!/usr/bin/env python3
"""Draws the application icon MAINICON: 256 x 256 pixels, 24-bit colour, PNG.

A five-pin MIDI socket with an arrow going into it: firmware on its way into the device.
Standard library only.
Usage: tools/make-icon.py [output.png [SIZE]]   (default app/resources/MAINICON.png, 256 pixels)
       tools/make-icon.py output.svg            the same drawing as a scalable image
       tools/make-icon.py output.ico [PNG]      a Windows icon: PNG (default the 256-pixel one in
                                                app/resources) as it is, and the drawing at 48,
                                                32 and 16 pixels as bitmaps for older readers
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


def pixel(px, py, scale):
    total = [0, 0, 0]
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            c = colour_at((px + (sx + 0.5) / SAMPLES) * scale, (py + (sy + 0.5) / SAMPLES) * scale)
            for i in range(3):
                total[i] += c[i]
    return bytes(round(v / SAMPLES ** 2) for v in total)


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def rgb_rows(size):
    scale = SIZE / size
    return [b"".join(pixel(x, y, scale) for x in range(size)) for y in range(size)]


def png(size):
    rows = b"".join(b"\x00" + row for row in rgb_rows(size))
    header = struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0)  # 8 bits per channel, RGB
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")


ICO_BITMAP_SIZES = (48, 32, 16)


def ico_bitmap(size):
    """A 32-bit bitmap entry: rows from the bottom up in BGRA, opaque, then an empty AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(
        b"".join(bytes((row[i + 2], row[i + 1], row[i], 255)) for i in range(0, len(row), 3))
        for row in reversed(rgb_rows(size)))
    mask = bytes(((size + 31) // 32) * 4 * size)
    return header + pixels + mask


def ico(png_bytes):
    images = [(SIZE, png_bytes)] + [(size, ico_bitmap(size)) for size in ICO_BITMAP_SIZES]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, data in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return directory + entries + b"".join(data for _, data in images)


def hex_colour(colour):
    return "#%02x%02x%02x" % colour


def svg():
    """The shapes of colour_at, from the bottom up."""
    cx, cy = CENTRE
    pins = "".join(f'<circle cx="{px:.2f}" cy="{py:.2f}" r="8" fill="{hex_colour(GOLD)}"/>' for px, py in PINS)
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{SIZE}" height="{SIZE}" viewBox="0 0 {SIZE} {SIZE}">'
            f'<defs><linearGradient id="back" x1="0" y1="0" x2="1" y2="1">'
            f'<stop offset="0" stop-color="{hex_colour(NAVY)}"/><stop offset="1" stop-color="{hex_colour(TEAL)}"/>'
            f'</linearGradient></defs>'
            f'<rect width="{SIZE}" height="{SIZE}" fill="url(#back)"/>'
            f'<rect x="116" y="{cy + 70:g}" width="24" height="22" fill="{hex_colour(SILVER)}"/>'
            f'<circle cx="{cx:g}" cy="{cy:g}" r="80" fill="{hex_colour(SILVER)}"/>'
            f'<circle cx="{cx:g}" cy="{cy:g}" r="62" fill="{hex_colour(SOCKET)}"/>'
            f'{pins}'
            f'<rect x="112" y="12" width="32" height="54" fill="{hex_colour(ORANGE)}"/>'
            f'<polygon points="80,62 176,62 128,112" fill="{hex_colour(ORANGE)}"/>'
            f'</svg>\n')


def main():
    default = pathlib.Path(__file__).resolve().parent.parent / "app" / "resources" / "MAINICON.png"
    target = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else default
    if target.suffix == ".svg":
        target.write_text(svg())
    elif target.suffix == ".ico":
        source = pathlib.Path(sys.argv[2]) if len(sys.argv) > 2 else default
        target.write_bytes(ico(source.read_bytes()))
    else:
        target.write_bytes(png(int(sys.argv[2]) if len(sys.argv) > 2 else SIZE))


if __name__ == "__main__":
    main()
