#!/usr/bin/env python3
"""Draws the program's icon and writes it as res/velkor.ico.

The drawing is a small window whose list shows two section headers and their rows, one of them
selected, as the main window does. It is made of rectangles on a 16 by 16 grid whose edges are
rounded to whole pixels at every size, so that even the small images are sharp. The 16 to 48
pixel images are stored as 32-bit bitmaps with a transparency mask (what every version of Windows
reads), the 256 pixel one as PNG.

The build uses the committed .ico; run this only after changing the drawing:
    python3 res/velkor_icon.py
"""
import os
import struct
import zlib

NAVY = (0x1B, 0x3B, 0x6F)
BLUE = (0x3A, 0x78, 0xC8)
WHITE = (0xFF, 0xFF, 0xFF)
HEADER = (0x7A, 0x93, 0xB8)
ROW = (0x3C, 0x3C, 0x3C)
PALE = (0xDD, 0xE8, 0xF6)

# (left, top, right, bottom) in grid units, colour; later rectangles are drawn over earlier ones.
DRAWING = [
    ((1, 1, 15, 15), NAVY),        # the frame
    ((2, 2, 14, 4), BLUE),         # the title bar
    ((2, 4, 14, 14), WHITE),       # the list
    ((3, 5, 9, 6), HEADER),        # first section header
    ((4, 7, 13, 8), ROW),          # a row
    ((3, 9, 9, 10), HEADER),       # second section header
    ((2, 11, 14, 14), BLUE),       # the selected row
    ((4, 12, 12, 13), PALE),       # its text
]

SIZES = [16, 24, 32, 48, 256]
PNG_FROM = 256   # sizes from this one up are stored as PNG


def render(size):
    """Rows of (r, g, b, a) pixels, top row first; uncovered pixels are transparent."""
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for box, colour in DRAWING:
        left, top, right, bottom = (int(v * size / 16 + 0.5) for v in box)
        for y in range(top, bottom):
            for x in range(left, right):
                pixels[y][x] = colour + (255,)
    return pixels


def png(size, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)   # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def dib(size, rows):
    """BITMAPINFOHEADER, the colour bits (BGRA, bottom row first) and the AND mask."""
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, px in enumerate(row):
            if px[3] == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + colour + bytes(mask)


def ico():
    images = []
    for size in SIZES:
        rows = render(size)
        images.append((size, png(size, rows) if size >= PNG_FROM else dib(size, rows)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        side = size if size < 256 else 0
        out += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


if __name__ == "__main__":
    target = os.path.join(os.path.dirname(os.path.abspath(__file__)), "velkor.ico")
    with open(target, "wb") as f:
        f.write(ico())
    print(target)
