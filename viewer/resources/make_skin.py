#!/usr/bin/env python3
"""Draws every bitmap of the viewer's skin and its icon, at build time.

Usage: make_skin.py OUTPUT_DIR

Writes skin_<id>.bmp (24-bit, bottom-up) for every bitmap resource id and
marlow.ico. The look: a dark graphite player with rounded tiles, light glyphs
and one blue accent. Shapes are drawn as signed distances with one-pixel
antialiasing, so the glyphs stay clean at these small sizes.

Button strips hold the frames normal, pressed, hover, disabled and (in strips
of five) a mask: white where the dialog shows through, black where the frame
is drawn. Slider bitmaps use magenta 0xFF00FF where they are transparent.
Only the standard library is used.
"""
import math
import os
import struct
import sys

# --- colours -----------------------------------------------------------------
PANEL = (30, 34, 40)        # body of the window
PANEL_DARK = (21, 24, 29)   # title band, video frame
PANEL_LIGHT = (44, 49, 57)  # raised bands
EDGE = (66, 73, 84)         # outline of the window
TILE = (46, 51, 60)
TILE_HOVER = (62, 69, 81)
TILE_PRESSED = (32, 118, 214)
TILE_DISABLED = (38, 42, 48)
GLYPH = (226, 231, 238)
GLYPH_HOVER = (255, 255, 255)
GLYPH_PRESSED = (255, 255, 255)
GLYPH_DISABLED = (92, 99, 110)
ACCENT = (52, 152, 255)
RECORD = (232, 64, 64)
GREEN = (72, 214, 110)
AMBER = (240, 180, 60)
MAGENTA = (255, 0, 255)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)


# --- canvas ------------------------------------------------------------------
class Canvas:
    def __init__(self, width, height, colour=BLACK):
        self.w, self.h = width, height
        self.px = [list(colour) for _ in range(width * height)]

    def put(self, x, y, colour, alpha=1.0):
        if 0 <= x < self.w and 0 <= y < self.h and alpha > 0:
            p = self.px[y * self.w + x]
            if alpha >= 1:
                p[0], p[1], p[2] = colour
            else:
                for i in range(3):
                    p[i] = p[i] + (colour[i] - p[i]) * alpha

    def get(self, x, y):
        return tuple(int(round(v)) for v in self.px[y * self.w + x])

    def fill(self, colour, box=None):
        x0, y0, x1, y1 = box if box else (0, 0, self.w, self.h)
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.put(x, y, colour)

    def shape(self, sdf, colour, box, alpha=1.0):
        """Paints where the signed distance sdf(x, y) (pixel centres) < 0."""
        x0, y0, x1, y1 = box
        for y in range(max(0, int(y0) - 1), min(self.h, int(math.ceil(y1)) + 1)):
            for x in range(max(0, int(x0) - 1), min(self.w, int(math.ceil(x1)) + 1)):
                d = sdf(x + 0.5, y + 0.5)
                cover = 0.5 - d
                if cover > 0:
                    self.put(x, y, colour, min(1.0, cover) * alpha)

    def blit(self, other, dx, dy):
        for y in range(other.h):
            for x in range(other.w):
                if 0 <= dx + x < self.w and 0 <= dy + y < self.h:
                    self.px[(dy + y) * self.w + dx + x] = list(other.px[y * other.w + x])

    def bmp(self):
        row = (self.w * 3 + 3) & ~3
        data = bytearray()
        for y in range(self.h - 1, -1, -1):
            line = bytearray()
            for x in range(self.w):
                r, g, b = (max(0, min(255, int(round(v)))) for v in self.px[y * self.w + x])
                line += bytes((b, g, r))
            line += b"\0" * (row - len(line))
            data += line
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0, len(data), 2835, 2835,
                           0, 0)
        head = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
        return head + info + bytes(data)


# --- signed distances ----------------------------------------------------------
def sd_round_rect(x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def f(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0), max(qy, 0))
        return outside + min(max(qx, qy), 0) - r
    return f, (x0, y0, x1, y1)


def sd_circle(cx, cy, r):
    return (lambda x, y: math.hypot(x - cx, y - cy) - r), (cx - r, cy - r, cx + r, cy + r)


def sd_ring(cx, cy, r, width):
    return (lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - width / 2), \
        (cx - r - width, cy - r - width, cx + r + width, cy + r + width)


def sd_segment(ax, ay, bx, by, radius):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy or 1e-9

    def f(x, y):
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - radius
    box = (min(ax, bx) - radius, min(ay, by) - radius, max(ax, bx) + radius, max(ay, by) + radius)
    return f, box


def sd_polygon(points):
    n = len(points)

    def f(x, y):
        d = float("inf")
        inside = False
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            ex, ey = bx - ax, by - ay
            t = max(0.0, min(1.0, ((x - ax) * ex + (y - ay) * ey) / (ex * ex + ey * ey)))
            d = min(d, math.hypot(x - ax - t * ex, y - ay - t * ey))
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / (ey or 1e-9):
                inside = not inside
        return -d if inside else d
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return f, (min(xs), min(ys), max(xs), max(ys))


def draw(canvas, shape, colour, alpha=1.0):
    sdf, box = shape
    canvas.shape(sdf, colour, box, alpha)


# --- glyphs: drawn into a box centred on (cx, cy), about s pixels tall ----------
def glyph_play(c, cx, cy, s, col):
    draw(c, sd_polygon([(cx - s * 0.32, cy - s * 0.42), (cx + s * 0.42, cy),
                        (cx - s * 0.32, cy + s * 0.42)]), col)


def glyph_play_reverse(c, cx, cy, s, col):
    draw(c, sd_polygon([(cx + s * 0.32, cy - s * 0.42), (cx - s * 0.42, cy),
                        (cx + s * 0.32, cy + s * 0.42)]), col)


def glyph_pause(c, cx, cy, s, col):
    w = s * 0.2
    draw(c, sd_round_rect(cx - s * 0.3, cy - s * 0.4, cx - s * 0.3 + w, cy + s * 0.4, 0.8), col)
    draw(c, sd_round_rect(cx + s * 0.3 - w, cy - s * 0.4, cx + s * 0.3, cy + s * 0.4, 0.8), col)


def glyph_stop(c, cx, cy, s, col):
    draw(c, sd_round_rect(cx - s * 0.34, cy - s * 0.34, cx + s * 0.34, cy + s * 0.34, 1.2), col)


def glyph_double(c, cx, cy, s, col, forward):
    d = 1 if forward else -1
    for off in (-0.26, 0.22):
        ox = cx + d * off * s
        draw(c, sd_polygon([(ox - d * s * 0.26, cy - s * 0.36), (ox + d * s * 0.26, cy),
                            (ox - d * s * 0.26, cy + s * 0.36)]), col)


def glyph_step(c, cx, cy, s, col, forward):
    d = 1 if forward else -1
    bar_x = cx + d * s * 0.3
    draw(c, sd_polygon([(cx - d * s * 0.32, cy - s * 0.36), (cx + d * s * 0.18, cy),
                        (cx - d * s * 0.32, cy + s * 0.36)]), col)
    draw(c, sd_round_rect(min(bar_x, bar_x + d * s * 0.16), cy - s * 0.36,
                          max(bar_x, bar_x + d * s * 0.16), cy + s * 0.36, 0.6), col)


def glyph_record(c, cx, cy, s, col):
    draw(c, sd_circle(cx, cy, s * 0.34), col)


def glyph_camera(c, cx, cy, s, col):
    draw(c, sd_round_rect(cx - s * 0.48, cy - s * 0.28, cx + s * 0.48, cy + s * 0.4, 1.6), col)
    draw(c, sd_round_rect(cx - s * 0.18, cy - s * 0.42, cx + s * 0.18, cy - s * 0.2, 0.8), col)
    draw(c, sd_circle(cx, cy + s * 0.06, s * 0.22), TILE)
    draw(c, sd_circle(cx, cy + s * 0.06, s * 0.12), col)


def glyph_grid(c, cx, cy, s, col, n):
    """A screen split into n x n panes: an outline with the dividing lines."""
    half = s * 0.44
    x0, y0, x1, y1 = cx - half, cy - half * 0.82, cx + half, cy + half * 0.82
    stroke = 0.75 if n < 4 else 0.55
    frame = sd_round_rect(x0, y0, x1, y1, 1.5)[0]
    draw(c, (lambda x, y: abs(frame(x, y)) - stroke, (x0 - 1, y0 - 1, x1 + 1, y1 + 1)), col)
    for k in range(1, n):
        x = x0 + (x1 - x0) * k / n
        y = y0 + (y1 - y0) * k / n
        draw(c, sd_segment(x, y0, x, y1, stroke), col)
        draw(c, sd_segment(x0, y, x1, y, stroke), col)
    if n == 1:
        draw(c, sd_round_rect(x0 + 2.5, y0 + 2.5, x1 - 2.5, y1 - 2.5, 0.8), col, 0.35)


def glyph_folder(c, cx, cy, s, col):
    draw(c, sd_polygon([(cx - s * 0.55, cy - s * 0.36), (cx - s * 0.15, cy - s * 0.36),
                        (cx - s * 0.02, cy - s * 0.22), (cx + s * 0.55, cy - s * 0.22),
                        (cx + s * 0.55, cy + s * 0.4), (cx - s * 0.55, cy + s * 0.4)]), col)
    draw(c, sd_segment(cx - s * 0.45, cy - s * 0.08, cx + s * 0.45, cy - s * 0.08, 0.5), TILE)


def glyph_speaker(c, cx, cy, s, col, muted):
    draw(c, sd_polygon([(cx - s * 0.45, cy - s * 0.16), (cx - s * 0.22, cy - s * 0.16),
                        (cx + s * 0.06, cy - s * 0.42), (cx + s * 0.06, cy + s * 0.42),
                        (cx - s * 0.22, cy + s * 0.16), (cx - s * 0.45, cy + s * 0.16)]), col)
    if muted:
        draw(c, sd_segment(cx + s * 0.2, cy - s * 0.18, cx + s * 0.5, cy + s * 0.18, 0.8), RECORD)
        draw(c, sd_segment(cx + s * 0.2, cy + s * 0.18, cx + s * 0.5, cy - s * 0.18, 0.8), RECORD)
    else:
        arc = lambda r: (lambda x, y: max(abs(math.hypot(x - cx, y - cy) - r) - 0.7,
                                          (cx + s * 0.12) - x), (cx, cy - r - 1, cx + r + 1, cy + r + 1))
        draw(c, arc(s * 0.28), col)
        draw(c, arc(s * 0.48), col)


def glyph_arrow(c, cx, cy, s, col, up):
    d = -1 if up else 1
    draw(c, sd_polygon([(cx - s * 0.4, cy - d * s * 0.2), (cx + s * 0.4, cy - d * s * 0.2),
                        (cx, cy + d * s * 0.3)]), col)


def glyph_menu(c, cx, cy, s, col):
    for dy in (-0.3, 0, 0.3):
        draw(c, sd_segment(cx - s * 0.36, cy + dy * s, cx + s * 0.36, cy + dy * s, 0.9), col)


def glyph_select(c, cx, cy, s, col):
    draw(c, sd_segment(cx - s * 0.36, cy + s * 0.02, cx - s * 0.1, cy + s * 0.3, 1.1), col)
    draw(c, sd_segment(cx - s * 0.1, cy + s * 0.3, cx + s * 0.4, cy - s * 0.3, 1.1), col)


def glyph_plug(c, cx, cy, s, col, connected):
    if connected:
        # Two halves joined, and a small lit dot.
        draw(c, sd_round_rect(cx - s * 0.3, cy - s * 0.22, cx + s * 0.3, cy + s * 0.22, 2), col)
        draw(c, sd_segment(cx - s * 0.55, cy, cx - s * 0.3, cy, 1.0), col)
        draw(c, sd_segment(cx + s * 0.3, cy, cx + s * 0.55, cy, 1.0), col)
        draw(c, sd_circle(cx, cy, s * 0.09), GREEN)
    else:
        draw(c, sd_round_rect(cx - s * 0.5, cy - s * 0.22, cx - s * 0.14, cy + s * 0.22, 2), col)
        draw(c, sd_round_rect(cx + s * 0.14, cy - s * 0.22, cx + s * 0.5, cy + s * 0.22, 2), col)
        draw(c, sd_segment(cx - s * 0.14, cy - s * 0.1, cx - s * 0.02, cy - s * 0.1, 0.6), col)
        draw(c, sd_segment(cx - s * 0.14, cy + s * 0.1, cx - s * 0.02, cy + s * 0.1, 0.6), col)


# Digits as strokes: segments on a 0..1 x 0..1 box (x right, y down).
DIGIT_STROKES = {
    "0": [((0, 0), (1, 0)), ((1, 0), (1, 1)), ((1, 1), (0, 1)), ((0, 1), (0, 0))],
    "1": [((0.25, 0.2), (0.55, 0)), ((0.55, 0), (0.55, 1)), ((0.2, 1), (0.9, 1))],
    "2": [((0, 0), (1, 0)), ((1, 0), (1, 0.5)), ((1, 0.5), (0, 0.5)), ((0, 0.5), (0, 1)),
          ((0, 1), (1, 1))],
    "3": [((0, 0), (1, 0)), ((1, 0), (1, 1)), ((1, 1), (0, 1)), ((0.25, 0.5), (1, 0.5))],
    "4": [((0, 0), (0, 0.55)), ((0, 0.55), (1, 0.55)), ((0.8, 0), (0.8, 1))],
    "5": [((1, 0), (0, 0)), ((0, 0), (0, 0.5)), ((0, 0.5), (1, 0.5)), ((1, 0.5), (1, 1)),
          ((1, 1), (0, 1))],
    "6": [((1, 0), (0, 0)), ((0, 0), (0, 1)), ((0, 1), (1, 1)), ((1, 1), (1, 0.5)),
          ((1, 0.5), (0, 0.5))],
    "7": [((0, 0), (1, 0)), ((1, 0), (0.4, 1))],
    "8": [((0, 0), (1, 0)), ((1, 0), (1, 1)), ((1, 1), (0, 1)), ((0, 1), (0, 0)),
          ((0, 0.5), (1, 0.5))],
    "9": [((0, 0.5), (1, 0.5)), ((0, 0.5), (0, 0)), ((0, 0), (1, 0)), ((1, 0), (1, 1)),
          ((1, 1), (0, 1))],
}


def glyph_digits(c, cx, cy, height, col, text, weight=0.9):
    width = height * 0.55
    gap = height * 0.3
    total = len(text) * width + (len(text) - 1) * gap
    x = cx - total / 2
    for ch in text:
        for (ax, ay), (bx, by) in DIGIT_STROKES[ch]:
            draw(c, sd_segment(x + ax * width, cy - height / 2 + ay * height,
                               x + bx * width, cy - height / 2 + by * height, weight), col)
        x += width + gap


# A 5 x 7 pixel font for the short words of the status strip and the logo.
FONT = {
    "A": "01110 10001 10001 11111 10001 10001 10001", "C": "01111 10000 10000 10000 10000 10000 01111",
    "D": "11110 10001 10001 10001 10001 10001 11110", "E": "11111 10000 10000 11110 10000 10000 11111",
    "G": "01111 10000 10000 10011 10001 10001 01111", "I": "11111 00100 00100 00100 00100 00100 11111",
    "K": "10001 10010 10100 11000 10100 10010 10001", "L": "10000 10000 10000 10000 10000 10000 11111",
    "M": "10001 11011 10101 10101 10001 10001 10001", "N": "10001 11001 10101 10011 10001 10001 10001",
    "O": "01110 10001 10001 10001 10001 10001 01110", "R": "11110 10001 10001 11110 10100 10010 10001",
    "S": "01111 10000 10000 01110 00001 00001 11110", "T": "11111 00100 00100 00100 00100 00100 00100",
    "V": "10001 10001 10001 10001 10001 01010 00100", "W": "10001 10001 10001 10101 10101 10101 01010",
    "U": "10001 10001 10001 10001 10001 10001 01110", "H": "10001 10001 10001 11111 10001 10001 10001",
    ".": "00000 00000 00000 00000 00000 00000 00100", " ": "00000 00000 00000 00000 00000 00000 00000",
}


def text_width(text, scale=1):
    return (len(text) * 6 - 1) * scale


def draw_text(c, x, y, text, col, scale=1):
    for ch in text:
        rows = FONT[ch].split()
        for ry, bits in enumerate(rows):
            for rx, bit in enumerate(bits):
                if bit == "1":
                    for sy in range(scale):
                        for sx in range(scale):
                            c.put(x + rx * scale + sx, y + ry * scale + sy, col)
        x += 6 * scale


# --- button strips ---------------------------------------------------------------
FRAME_STYLES = [  # tile, glyph, outline for normal, pressed, hover, disabled
    (TILE, GLYPH, (60, 66, 76)),
    (TILE_PRESSED, GLYPH_PRESSED, (90, 170, 255)),
    (TILE_HOVER, GLYPH_HOVER, ACCENT),
    (TILE_DISABLED, GLYPH_DISABLED, (48, 53, 60)),
]


def button_strip(width, height, paint_glyph, radius=5, with_mask=True, backdrop=PANEL,
                 tile=True):
    """Frames side by side; paint_glyph(canvas, cx, cy, size, colour, frame)."""
    frames = 5 if with_mask else 4
    strip = Canvas(width * frames, height, backdrop)
    for f in range(4):
        tile_colour, glyph_colour, outline = FRAME_STYLES[f]
        frame = Canvas(width, height, backdrop)
        if tile:
            draw(frame, sd_round_rect(0.5, 0.5, width - 0.5, height - 0.5, radius), outline)
            draw(frame, sd_round_rect(1.5, 1.5, width - 1.5, height - 1.5, radius - 1), tile_colour)
            if f != 1:
                # A soft light along the top edge of a raised tile.
                draw(frame, sd_round_rect(2.5, 1.5, width - 2.5, 2.5, 0.5), (255, 255, 255), 0.08)
        shift = 1 if f == 1 else 0
        paint_glyph(frame, width / 2 + shift, height / 2 + shift, min(width, height) * 0.5,
                    glyph_colour, f)
        strip.blit(frame, f * width, 0)
    if with_mask:
        mask = Canvas(width, height, WHITE)
        f = sd_round_rect(0.5, 0.5, width - 0.5, height - 0.5, radius)[0]
        for y in range(height):
            for x in range(width):
                if tile:
                    opaque = f(x + 0.5, y + 0.5) < 0.5
                else:
                    # Without a tile, the glyph of any frame is what shows.
                    opaque = any(strip.get(k * width + x, y) != backdrop for k in range(4))
                if opaque:
                    mask.put(x, y, BLACK)
        strip.blit(mask, 4 * width, 0)
    return strip


def simple(fn, *args, colour=None):
    def paint(c, cx, cy, s, col, frame):
        fn(c, cx, cy, s, colour if colour and frame != 3 else col, *args)
    return paint


def channel_button(number):
    def paint(c, cx, cy, s, col, frame):
        glyph_digits(c, cx, cy, s * 0.95, col, str(number), 1.0)
    return paint


def split_key(c, cx, cy, s, col, frame):
    glyph_grid(c, cx, cy, s, col, 2)


BUTTON_W, BUTTON_H = 29, 24
WIDE_W = 35


def buttons():
    out = {}
    def add(rid, paint, w=BUTTON_W, h=BUTTON_H, **kw):
        out[rid] = button_strip(w, h, paint, **kw)
    add(200, simple(glyph_play))
    add(227, simple(glyph_pause))
    add(230, simple(glyph_double, False))
    add(231, simple(glyph_double, True))
    add(282, simple(glyph_play_reverse))
    add(236, simple(glyph_step, True))
    add(237, simple(glyph_step, False))
    add(242, simple(glyph_camera))
    add(300, simple(glyph_grid, 1))
    add(245, simple(glyph_grid, 2))
    add(248, simple(glyph_grid, 3))
    add(251, simple(glyph_grid, 4))
    add(326, simple(glyph_stop))
    add(316, lambda c, cx, cy, s, col, f: glyph_record(c, cx, cy, s, col if f == 3 else RECORD))
    for i in range(4):
        add(308 + i, channel_button(i + 1))
    add(312, simple(glyph_menu))
    add(313, simple(glyph_arrow, True))
    add(314, simple(glyph_arrow, False))
    add(315, simple(glyph_select))
    add(281, simple(glyph_folder), w=WIDE_W)
    add(306, simple(glyph_plug, False), w=WIDE_W)
    add(333, simple(glyph_plug, True), w=WIDE_W)
    # Mute: a check box; its checked frame (1) shows the crossed speaker.
    add(371, lambda c, cx, cy, s, col, f: glyph_speaker(c, cx, cy, s * 1.5, col, f == 1),
        w=18, h=18, radius=4, tile=False, backdrop=PANEL_LIGHT)
    # The mode tabs carry their caption as window text; the strip draws the tab.
    for rid in (359, 360):
        add(rid, lambda c, cx, cy, s, col, f: None, w=78, h=22, radius=6, backdrop=PANEL_LIGHT)
    # The window icon button.
    add(285, lambda c, cx, cy, s, col, f: logo_mark(c, cx, cy, s * 1.6, f), w=24, h=24,
        radius=6, tile=False, backdrop=PANEL_DARK)
    # Minimize and close: four frames, no mask, on the title band.
    def caption_button(kind):
        def paint(c, cx, cy, s, col, frame):
            if kind == "min":
                draw(c, sd_segment(cx - 3.5, cy + 2.5, cx + 3.5, cy + 2.5, 0.9), col)
            else:
                draw(c, sd_segment(cx - 3, cy - 3, cx + 3, cy + 3, 0.9), col)
                draw(c, sd_segment(cx - 3, cy + 3, cx + 3, cy - 3, 0.9), col)
        return paint
    out[261] = caption_strip(caption_button("min"), False)
    out[264] = caption_strip(caption_button("close"), True)
    return out


def caption_strip(paint, danger):
    w = h = 14
    strip = Canvas(w * 4, h, PANEL_DARK)
    looks = [((58, 64, 74), GLYPH), (RECORD if danger else TILE_PRESSED, WHITE),
             ((200, 70, 70) if danger else TILE_HOVER, WHITE), ((40, 44, 50), GLYPH_DISABLED)]
    for f, (tile, glyph) in enumerate(looks):
        frame = Canvas(w, h, PANEL_DARK)
        draw(frame, sd_circle(w / 2, h / 2, 6.5), tile)
        paint(frame, w / 2, h / 2, 7, glyph, f)
        strip.blit(frame, f * w, 0)
    return strip


def logo_mark(c, cx, cy, s, frame=0):
    """The product's mark: a lens in a rounded square with a red dot."""
    ring = ACCENT if frame in (1, 2) else (150, 190, 235)
    if frame == 3:
        ring = GLYPH_DISABLED
    draw(c, sd_round_rect(cx - s * 0.46, cy - s * 0.46, cx + s * 0.46, cy + s * 0.46, s * 0.2),
         (40, 70, 120) if frame != 3 else TILE_DISABLED)
    draw(c, sd_ring(cx, cy, s * 0.24, s * 0.09), ring)
    draw(c, sd_circle(cx, cy, s * 0.12), (14, 18, 26))
    draw(c, sd_circle(cx - s * 0.04, cy - s * 0.04, s * 0.04), WHITE, 0.9)
    if frame != 3:
        draw(c, sd_circle(cx + s * 0.3, cy - s * 0.3, s * 0.07), RECORD)


# --- sliders ---------------------------------------------------------------------
def keyed(width, height, paint, backdrop=PANEL):
    """Paints with antialiasing against the panel the slider sits on, then
    keys every pixel less than half covered to magenta: edges blend into the
    panel instead of showing a pink fringe through the mask."""
    c, dark, light = (Canvas(width, height, col) for col in (backdrop, BLACK, WHITE))
    for canvas in (c, dark, light):
        paint(canvas)
    for y in range(height):
        for x in range(width):
            cover = 1 - (light.get(x, y)[1] - dark.get(x, y)[1]) / 255.0
            if cover < 0.5:
                c.put(x, y, MAGENTA)
    return c


def position_track(filled):
    w, h = 240, 14
    return keyed(w, h, lambda c: draw(c, sd_round_rect(1, h / 2 - 2.5, w - 1, h / 2 + 2.5, 2.5),
                                      ACCENT if filled else (64, 71, 82)))


def position_thumb(dragging):
    s = 14

    def paint(c):
        draw(c, sd_circle(s / 2, s / 2, 6.5), ACCENT if dragging else (236, 240, 245))
        draw(c, sd_circle(s / 2, s / 2, 2.5), WHITE if dragging else ACCENT)
    return keyed(s, s, paint)


def volume_track(filled):
    w, h = 68, 16
    # A wedge that grows to the right: louder.
    return keyed(w, h, lambda c: draw(c, sd_polygon([(3, h - 4), (w - 3, 2), (w - 3, h - 4)]),
                                      ACCENT if filled else (64, 71, 82)))


def volume_thumb(dragging):
    w, h = 8, 16

    def paint(c):
        draw(c, sd_round_rect(0.5, 0.5, w - 0.5, h - 0.5, 3),
             ACCENT if dragging else (236, 240, 245))
        draw(c, sd_segment(w / 2, 4, w / 2, h - 4, 0.6),
             (120, 130, 145) if not dragging else WHITE)
    return keyed(w, h, paint)


# --- status strip ---------------------------------------------------------------------
STRIP_W = 128 + 16 * 24
STRIP_H = 7 * 16
CONNECTION_LOOKS = [  # per connection state: text and lamp colour
    ("IDLE", (110, 116, 126)), ("CONNECTING", AMBER), ("LOGIN", AMBER), ("ONLINE", GREEN),
    ("DDNS", AMBER), ("WAITING", AMBER), ("RESOLVED", AMBER)]


def status_strip():
    c = Canvas(STRIP_W, STRIP_H, BLACK)
    # Column 0: play-state icons by row (0 unknown, 16 play, 32 reverse, 48 pause,
    # 64 stop or ready, 80 search).
    icons = [
        lambda cx, cy: draw(c, sd_circle(cx, cy, 2.5), (110, 116, 126)),
        lambda cx, cy: glyph_play(c, cx, cy, 12, GREEN),
        lambda cx, cy: glyph_play_reverse(c, cx, cy, 12, GREEN),
        lambda cx, cy: glyph_pause(c, cx, cy, 12, AMBER),
        lambda cx, cy: glyph_stop(c, cx, cy, 11, (200, 205, 215)),
        lambda cx, cy: glyph_double(c, cx, cy, 12, ACCENT, True),
    ]
    for row, icon in enumerate(icons):
        icon(8, row * 16 + 8)
    for state, (text, lamp) in enumerate(CONNECTION_LOOKS):
        y = state * 16
        draw(c, sd_circle(16 + 7, y + 8, 3.5), lamp)
        draw_text(c, 16 + 15, y + 4, text, lamp if state == 3 else (200, 205, 215))
    # Channel indicators: dim in row 0, lit in row 16; rows 32..80 are spare
    # looks (alarm, motion, video loss, recording).
    spare = [None, None, RECORD, AMBER, (110, 116, 126), ACCENT, None]
    for ch in range(16):
        x = 128 + 24 * ch
        for row in range(6):
            y = row * 16
            if row == 0:
                box, digit = (46, 51, 60), (130, 138, 150)
            elif row == 1:
                box, digit = (26, 110, 60), (220, 255, 230)
            else:
                box, digit = spare[row], WHITE
            draw(c, sd_round_rect(x + 1.5, y + 1.5, x + 22.5, y + 14.5, 3), box)
            glyph_digits(c, x + 12, y + 8, 8, digit, str(ch + 1), 0.75)
    # Audio picture at 356: a speaker, grey when off, green when on air. It is
    # drawn last: channel indicators 10 and 11 share these columns.
    for row in range(7):
        y = row * 16
        c.fill(BLACK, (356, y, 377, y + 16))
        colour = GREEN if row == 1 else (110, 116, 126)
        glyph_speaker(c, 356 + 10, y + 8, 13, colour, False)
    return c


# --- background and logo -----------------------------------------------------------
BG_W, BG_H = 160, 200


def background():
    """Quartered by the dialog: corners unscaled, edges stretched from the
    strips just right of and below the centre lines (a tenth of the bitmap:
    they must not change along the stretch, so no line lies in rows 100-120
    or columns 80-96), the centre unused."""
    w, h = BG_W, BG_H
    c = Canvas(w, h, (0, 0, 0))
    body = sd_round_rect(0, 0, w, h, 6)[0]
    for y in range(h):
        # Title band, tab band, body; the bottom bands carry the controls.
        from_bottom = h - 1 - y
        if y < 27:
            t = y / 27
            colour = tuple(PANEL_DARK[i] + (PANEL[i] - PANEL_DARK[i]) * t * 0.4 for i in range(3))
        elif y < 63:
            colour = PANEL_LIGHT if y > 27 else EDGE
        elif from_bottom < 80:
            t = from_bottom / 80
            colour = tuple(PANEL[i] + (PANEL_DARK[i] - PANEL[i]) * (1 - t) * 0.5 for i in range(3))
        else:
            colour = PANEL
        for x in range(w):
            c.put(x, y, colour)
    # Video frame: a dark well with a thin outline where the picture goes.
    for y in range(62, h - 76):
        for x in range(1, w - 1):
            c.put(x, y, PANEL_DARK)
    for x in range(1, w - 1):
        c.put(x, 62, (14, 16, 20))
        c.put(x, h - 76, (58, 64, 74))
    # Separator above the buttons row and the status well.
    for x in range(6, w - 6):
        c.put(x, h - 42, (20, 23, 27))
        c.put(x, h - 41, (52, 58, 67))
    # Resize grip in the bottom-right corner: three diagonal rows of dots.
    for k in range(3):
        for j in range(k + 1):
            gx = w - 5 - 4 * (k - j)
            gy = h - 5 - 4 * j
            draw(c, sd_circle(gx, gy, 1.0), (110, 118, 130))
    # Outline of the window.
    for y in range(h):
        for x in range(w):
            d = body(x + 0.5, y + 0.5)
            if -1.5 < d:
                c.put(x, y, EDGE, min(1.0, 1.5 + d) if d < 0 else 1.0)
    return c


def logo():
    w, h = 160, 96
    c = Canvas(w, h, (12, 14, 18))
    draw(c, sd_round_rect(0.5, 0.5, w - 0.5, h - 0.5, 8), (22, 26, 32))
    logo_mark(c, w / 2, 36, 40)
    draw_text(c, (w - text_width("MARLOW", 2)) // 2, 64, "MARLOW", (200, 208, 220), 2)
    return c


# --- icon -------------------------------------------------------------------------
def icon_image(size):
    c = Canvas(size, size, MAGENTA)
    logo_mark(c, size / 2, size / 2, size * 1.04)
    # 32-bit BGRA with alpha from the magenta key (with a soft edge), plus the
    # AND mask, bottom-up as icons are stored.
    ref = Canvas(size, size, BLACK)
    logo_mark(ref, size / 2, size / 2, size * 1.04)
    ref2 = Canvas(size, size, WHITE)
    logo_mark(ref2, size / 2, size / 2, size * 1.04)
    xor = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            b = ref.get(x, y)
            wv = ref2.get(x, y)
            alpha = 1 - (wv[0] - b[0]) / 255.0
            alpha = max(0.0, min(1.0, alpha))
            colour = [int(round(v / alpha)) if alpha > 0 else 0 for v in b]
            colour = [max(0, min(255, v)) for v in colour]
            xor += bytes((colour[2], colour[1], colour[0], int(round(alpha * 255))))
    mask_row = ((size + 31) // 32) * 4
    andmask = bytearray()
    for y in range(size - 1, -1, -1):
        row = bytearray(mask_row)
        for x in range(size):
            if ref.get(x, y) == (0, 0, 0) and ref2.get(x, y) == (255, 255, 255):
                row[x // 8] |= 0x80 >> (x % 8)
        andmask += row
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(andmask),
                         0, 0, 0, 0)
    return header + bytes(xor) + bytes(andmask)


def icon_file(sizes=(16, 32, 48)):
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    return out + b"".join(images)


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    bitmaps = buttons()
    bitmaps[215] = position_track(False)
    bitmaps[216] = position_track(True)
    bitmaps[218] = position_thumb(False)
    bitmaps[217] = position_thumb(True)
    bitmaps[277] = volume_track(False)
    bitmaps[276] = volume_track(True)
    bitmaps[275] = volume_thumb(False)
    bitmaps[278] = volume_thumb(True)
    bitmaps[320] = status_strip()
    bitmaps[290] = background()
    bitmaps[347] = logo()
    for rid, canvas in bitmaps.items():
        with open(os.path.join(out, "skin_%d.bmp" % rid), "wb") as f:
            f.write(canvas.bmp())
    with open(os.path.join(out, "marlow.ico"), "wb") as f:
        f.write(icon_file())
    return 0


if __name__ == "__main__":
    sys.exit(main())
