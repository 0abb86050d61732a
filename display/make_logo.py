#!/usr/bin/env python3
"""Draws the display's logo (a camera lens on a dark plate with a recording
dot) and writes it as a 24-bit bottom-up BMP: win32_logo.bmp next to this
script, or the path given as the first argument."""
import math
import os
import struct
import sys

WIDTH, HEIGHT = 120, 72
PLATE = (16, 32, 64)
RIM = (200, 210, 220)
GLASS = (8, 8, 16)
SHINE = (230, 240, 255)
DOT = (220, 30, 30)


def colour_at(x, y):
    cx, cy = WIDTH / 2, HEIGHT / 2
    d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
    if d < 7:
        return SHINE
    if d < 22:
        return GLASS
    if d < 30:
        return RIM
    if math.hypot(x + 0.5 - 12, y + 0.5 - 12) < 6:
        return DOT
    if x < 2 or y < 2 or x >= WIDTH - 2 or y >= HEIGHT - 2:
        return RIM
    return PLATE


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "win32_logo.bmp")
    row_bytes = (WIDTH * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(HEIGHT - 1, -1, -1):
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = colour_at(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_bytes - len(row))
        pixels += row
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(out, "wb") as f:
        f.write(header + info + pixels)


if __name__ == "__main__":
    main()
