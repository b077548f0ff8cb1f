#!/usr/bin/env python3
"""Draws the program's bitmap resources (PNG) and its click sound (WAV).

Run from the repository root: python3 tools/make-resources.py
Writes resources/bitmaps/<id>.png and resources/sounds/click.wav. Only the
standard library is used, so the output is the same on every machine.

Button faces use grey 192 and shadows grey 128 on purpose: drawing maps those
two greys (and grey 223) to the system's button colours. Pictures that must
keep their colours avoid them.
"""

import math
import os
import struct
import wave
import zlib

FACE = (192, 192, 192)
SHADOW = (128, 128, 128)
MAGENTA = (255, 0, 255)  # transparent in picture buttons
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)


class Canvas:
    def __init__(self, width, height, fill):
        self.width, self.height = width, height
        self.pixels = [[fill] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, left, top, right, bottom, colour):
        """Fills columns left..right-1 of rows top..bottom-1."""
        for y in range(top, bottom):
            for x in range(left, right):
                self.put(x, y, colour)

    def polygon(self, points, colour):
        """Fills the pixels whose centres lie inside the polygon."""
        for y in range(self.height):
            for x in range(self.width):
                if inside(points, x + 0.5, y + 0.5):
                    self.put(x, y, colour)

    def disc(self, cx, cy, r, colour, hole=0.0):
        for y in range(self.height):
            for x in range(self.width):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if hole <= d <= r:
                    self.put(x, y, colour)

    def write_png(self, path):
        raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in self.pixels)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                    chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def inside(points, x, y):
    result = False
    for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            result = not result
    return result


def mix(a, b, t):
    return tuple(round(p + (q - p) * t) for p, q in zip(a, b))


# Backgrounds of the 3D views: 16 x 16 tiles with two zig-zag lines.
def tile(paper, line):
    c = Canvas(16, 16, paper)
    for x in range(16):
        y = 2 + abs(x % 8 - 4)
        c.put(x, y, line)
        c.put(x, y + 8, line)
    return c


# Glyphs of the button faces, 16 x 16, centred.
def play(background, ink=(0, 128, 0)):
    c = Canvas(16, 16, background)
    c.polygon([(4, 1.5), (13.5, 8), (4, 14.5)], BLACK)
    c.polygon([(5, 3.6), (11.4, 8), (5, 12.4)], ink)
    return c


def stop(background):
    c = Canvas(16, 16, background)
    c.rect(3, 3, 13, 13, BLACK)
    c.rect(4, 4, 12, 12, (192, 0, 0))
    return c


def pause(background):
    c = Canvas(16, 16, background)
    c.rect(3, 3, 7, 13, BLACK)
    c.rect(9, 3, 13, 13, BLACK)
    return c


def step(background, forward):
    c = Canvas(16, 16, background)
    if forward:
        c.polygon([(2, 3), (10, 8), (2, 13)], BLACK)
        c.rect(11, 3, 14, 13, BLACK)
    else:
        c.polygon([(14, 3), (6, 8), (14, 13)], BLACK)
        c.rect(2, 3, 5, 13, BLACK)
    return c


def zoom_in():
    c = Canvas(16, 16, FACE)
    c.polygon([(9, 10), (10, 9), (15, 14), (14, 15)], BLACK)  # handle
    c.disc(6.5, 6.5, 6, BLACK)
    c.disc(6.5, 6.5, 4.6, WHITE)
    c.rect(4, 6, 9, 7, BLACK)
    c.rect(6, 4, 7, 9, BLACK)
    return c


def zoom_out():
    c = zoom_in()
    c.rect(6, 4, 7, 9, WHITE)
    c.rect(4, 6, 9, 7, BLACK)
    return c


# The zoom pictures for Ctrl (across only) and Shift (up and down only):
# the magnifier with a double arrow under it.
def zoom_along(base, across):
    c = base()
    if across:
        c.rect(1, 14, 9, 15, (0, 0, 192))
        c.polygon([(0, 14.5), (2.5, 12), (2.5, 17)], (0, 0, 192))
        c.polygon([(10, 14.5), (7.5, 12), (7.5, 17)], (0, 0, 192))
    else:
        c.rect(14, 1, 15, 9, (0, 0, 192))
        c.polygon([(14.5, 0), (12, 2.5), (17, 2.5)], (0, 0, 192))
        c.polygon([(14.5, 10), (12, 7.5), (17, 7.5)], (0, 0, 192))
    return c


# The resolution pictures: a grid that grows finer with the level.
def grain(level):
    c = Canvas(16, 16, FACE)
    c.rect(1, 1, 15, 15, WHITE)
    step = [7, 5, 3, 2][level]
    for k in range(1, 16, step):
        c.rect(1, k, 15, k + 1, (0, 96, 0))
        c.rect(k, 1, k + 1, 15, (0, 96, 0))
    c.rect(1, 14, 15, 15, (0, 96, 0))
    c.rect(14, 1, 15, 15, (0, 96, 0))
    return c


# The per-view menu button: a small arrow down on the light grey that is
# its transparent colour.
def menu_arrow():
    c = Canvas(9, 16, FACE)
    c.polygon([(0.5, 6), (8.5, 6), (4.5, 10.5)], BLACK)
    return c


# The 2D range dialog's picture: a plotting window with its four edges.
def range_picture():
    c = Canvas(48, 48, WHITE)
    c.rect(0, 0, 48, 1, BLACK)
    c.rect(0, 47, 48, 48, BLACK)
    c.rect(0, 0, 1, 48, BLACK)
    c.rect(47, 0, 48, 48, BLACK)
    c.rect(1, 23, 47, 24, SHADOW)
    c.rect(23, 1, 24, 47, SHADOW)
    for x in range(2, 46):
        y = 23.5 - 16 * math.sin((x - 23.5) / 7)
        c.put(x, int(y), (0, 0, 192))
        c.put(x, int(y) + 1, (0, 0, 192))
    return c


def axes():
    c = Canvas(16, 16, FACE)
    c.rect(1, 10, 12, 11, BLACK)
    c.rect(5, 4, 6, 15, BLACK)
    c.polygon([(11, 7), (15, 10.5), (11, 14)], BLACK)  # x arrow
    c.polygon([(2, 5), (5.5, 1), (9, 5)], BLACK)  # y arrow
    return c


def graph_paper():
    c = Canvas(16, 16, FACE)
    c.rect(1, 1, 15, 15, WHITE)
    for k in range(1, 15, 3):
        c.rect(1, k, 15, k + 1, (102, 204, 255))
        c.rect(k, 1, k + 1, 15, (102, 204, 255))
    c.rect(1, 7, 15, 8, BLACK)
    c.rect(7, 1, 8, 15, BLACK)
    return c


# Stands for a line's picture that is too large for its swatch.
def picture_swatch():
    c = Canvas(16, 16, (64, 64, 64))
    for y in range(1, 15):
        c.rect(1, y, 15, y + 1, mix((90, 150, 230), (200, 225, 250), (y - 1) / 13))
    c.disc(11, 4.5, 2.2, (255, 210, 0))
    c.polygon([(1, 14), (1, 10), (5, 6), (9, 11), (11, 9), (15, 13), (15, 14)], (40, 150, 60))
    return c


# The demonstration's picture, 256 x 128: a sun over rolling hills.
def demo_picture():
    c = Canvas(256, 128, WHITE)
    for y in range(128):
        sky = mix((40, 90, 200), (250, 200, 150), y / 127)
        for x in range(256):
            c.pixels[y][x] = sky
    c.disc(180, 50, 22, (255, 230, 90))
    hills = [((60, 160, 70), 70, 14, 0.035, 0.0), ((30, 120, 50), 88, 10, 0.05, 1.7),
             ((20, 90, 40), 104, 8, 0.08, 0.6)]
    for colour, base, height, frequency, phase in hills:
        for x in range(256):
            top = base + height * math.sin(frequency * x + phase)
            for y in range(128):
                if y + 0.5 >= top:
                    c.pixels[y][x] = colour
    return c


BITMAPS = {
    199: zoom_out,
    241: lambda: grain(0),
    242: lambda: grain(1),
    243: lambda: grain(2),
    244: lambda: grain(3),
    267: range_picture,
    276: menu_arrow,
    303: lambda: zoom_along(zoom_in, True),
    308: lambda: zoom_along(zoom_in, False),
    309: lambda: zoom_along(zoom_out, True),
    310: lambda: zoom_along(zoom_out, False),
    200: zoom_in,
    201: lambda: play(FACE),
    202: lambda: stop(FACE),
    253: picture_swatch,
    258: demo_picture,
    269: axes,
    272: graph_paper,
    279: lambda: tile((255, 255, 255), (153, 255, 255)),
    280: lambda: tile((238, 238, 238), (153, 255, 255)),
    281: lambda: tile((204, 204, 204), (102, 204, 255)),
    324: lambda: play(MAGENTA),
    326: lambda: pause(MAGENTA),
    327: lambda: step(MAGENTA, True),
    328: lambda: step(MAGENTA, False),
    329: lambda: stop(MAGENTA),
}


# A short, soft click: 30 ms of a falling tone that dies away.
def write_click(path, rate=22050):
    frames = bytearray()
    count = int(rate * 0.03)
    for i in range(count):
        t = i / rate
        value = 0.45 * math.exp(-t * 180) * math.sin(2 * math.pi * (1800 - 9000 * t) * t)
        frames += struct.pack("<h", int(value * 32767))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(bytes(frames))


def main():
    os.makedirs("resources/bitmaps", exist_ok=True)
    os.makedirs("resources/sounds", exist_ok=True)
    for number, draw in BITMAPS.items():
        draw().write_png(f"resources/bitmaps/{number}.png")
    write_click("resources/sounds/click.wav")


if __name__ == "__main__":
    main()
