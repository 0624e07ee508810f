#!/usr/bin/env python3
"""Draws the two images that every index page refers to and writes them as
PNG files: the folder image shown for a subdirectory (www/icons/dir.png) and
the banner in the page's caption (www/banner.png). Only the standard
library is used, so the images can be made again anywhere:

    python3 tools/make_images.py [OUTPUT_DIRECTORY]   # default: www
"""
import os
import struct
import sys
import zlib

TRANSPARENT = (0, 0, 0, 0)


class Canvas:
    """A grid of RGBA pixels with the few drawing steps the images need."""

    def __init__(self, width, height, fill=TRANSPARENT):
        self.width = width
        self.height = height
        self.pixels = [[fill] * width for _ in range(height)]

    def rect(self, x0, y0, x1, y1, colour):
        """Fills the pixels from (x0, y0) to (x1, y1), both included."""
        for y in range(max(0, y0), min(self.height, y1 + 1)):
            for x in range(max(0, x0), min(self.width, x1 + 1)):
                self.pixels[y][x] = colour

    def png(self):
        def chunk(kind, data):
            body = kind + data
            return (struct.pack(">I", len(data)) + body +
                    struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF))

        raw = b"".join(b"\x00" + bytes(c for px in row for c in px)
                       for row in self.pixels)
        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def draw_folder(canvas, left, top, scale):
    """A closed manila folder, 18 by 15 units, with its tab at the top left."""
    outline = (122, 88, 20, 255)
    back = (214, 168, 58, 255)
    front = (240, 200, 92, 255)
    shine = (252, 228, 150, 255)

    def box(x0, y0, x1, y1, colour):
        canvas.rect(left + x0 * scale, top + y0 * scale,
                    left + (x1 + 1) * scale - 1, top + (y1 + 1) * scale - 1,
                    colour)

    box(0, 0, 7, 3, outline)      # the tab
    box(1, 1, 6, 3, back)
    box(0, 2, 17, 14, outline)    # the body
    box(1, 3, 16, 13, back)
    box(1, 5, 16, 13, outline)    # the front flap
    box(1, 6, 16, 13, front)
    box(2, 6, 15, 6, shine)


# 5 by 7 capitals for the banner's words, one string of five bits a row.
GLYPHS = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "F": ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "W": ["10001", "10001", "10001", "10101", "10101", "10101", "01010"],
    "X": ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    " ": ["00000"] * 7,
}


def draw_text(canvas, text, left, top, scale, colour):
    for index, letter in enumerate(text):
        for row, bits in enumerate(GLYPHS[letter]):
            for column, bit in enumerate(bits):
                if bit == "1":
                    x = left + (index * 6 + column) * scale
                    y = top + row * scale
                    canvas.rect(x, y, x + scale - 1, y + scale - 1, colour)


def text_width(text, scale):
    return (len(text) * 6 - 1) * scale


def folder_icon():
    canvas = Canvas(20, 22)
    draw_folder(canvas, 1, 4, 1)
    return canvas


def banner():
    width, height = 468, 60
    canvas = Canvas(width, height)
    top, bottom = (28, 74, 110), (58, 120, 160)
    for y in range(height):
        colour = tuple(a + (b - a) * y // (height - 1)
                       for a, b in zip(top, bottom)) + (255,)
        canvas.rect(0, y, width - 1, y, colour)
    canvas.rect(0, height - 3, width - 1, height - 1, (240, 200, 92, 255))
    draw_folder(canvas, 18, 12, 2)
    words, scale = "FILE DOWNLOADS", 4
    left = 18 + 18 * 2 + (width - 18 - 18 * 2 - text_width(words, scale)) // 2
    text_top = (height - 3 - 7 * scale) // 2
    draw_text(canvas, words, left + 2, text_top + 2, scale, (12, 36, 56, 255))
    draw_text(canvas, words, left, text_top, scale, (255, 255, 255, 255))
    return canvas


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "www"
    os.makedirs(os.path.join(out, "icons"), exist_ok=True)
    for name, image in (("icons/dir.png", folder_icon()),
                        ("banner.png", banner())):
        with open(os.path.join(out, name), "wb") as f:
            f.write(image.png())


if __name__ == "__main__":
    main()
