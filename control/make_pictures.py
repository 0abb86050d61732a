#!/usr/bin/env python3
"""Draws the control's pictures and writes them next to this script:
pelican_logo.bmp (bitmap 201, shown by the display until the first live
picture: a pelican's head on a dark teal plate), pelican_toolbox.bmp (the
16 x 15 toolbox picture) and pelican.ico (32 x 32, the about box's icon)."""
import math
import os
import struct

PLATE = (20, 60, 70)
RIM = (190, 210, 215)
BILL = (240, 170, 40)
HEAD = (235, 235, 230)
EYE = (10, 10, 10)


def pelican(x, y, w, h):
    """Colour of pixel (x, y) of a w x h picture, top-down."""
    u, v = (x + 0.5) / w, (y + 0.5) / h
    if math.hypot((u - 0.35) * w, (v - 0.42) * h) < 0.05 * min(w, h):
        return EYE
    if math.hypot((u - 0.38) * w / h, (v - 0.45)) < 0.22:
        return HEAD
    if 0.45 < u < 0.9 and 0.45 < v < 0.62 - (u - 0.45) * 0.25:
        return BILL
    if 0.45 < u < 0.75 and 0.55 < v < 0.75 - (u - 0.45) * 0.5:
        return BILL
    if x < 2 or y < 2 or x >= w - 2 or y >= h - 2:
        return RIM
    return PLATE


def bmp(w, h):
    stride = (w * 3 + 3) & ~3
    rows = b""
    for y in range(h - 1, -1, -1):
        row = b"".join(bytes((b, g, r)) for (r, g, b) in (pelican(x, y, w, h) for x in range(w)))
        rows += row + b"\0" * (stride - w * 3)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(rows), 0, 0, 14 + len(info))
    return head + info + rows


def ico(size):
    w = h = size
    pixels = b""
    for y in range(h - 1, -1, -1):
        pixels += b"".join(bytes((b, g, r, 255)) for (r, g, b) in (pelican(x, y, w, h) for x in range(w)))
    mask = b"\0" * (((w + 31) // 32) * 4 * h)
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = info + pixels + mask
    head = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", w, h, 0, 0, 1, 32, len(image), 6 + 16)
    return head + entry + image


here = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(here, "pelican_logo.bmp"), "wb") as f:
    f.write(bmp(160, 96))
with open(os.path.join(here, "pelican_toolbox.bmp"), "wb") as f:
    f.write(bmp(16, 15))
with open(os.path.join(here, "pelican.ico"), "wb") as f:
    f.write(ico(32))
