#!/usr/bin/env python3
"""Draws the program's icon, a picture frame with a pencil across its corner, and
writes it as a .ico file with 16-colour (4 bits per pixel) images of 16, 32 and 48
pixels. Usage: make_icon.py OUTPUT.ico"""

import math
import struct
import sys

SIZES = (16, 32, 48)

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_RED, DARK_GREEN, OLIVE = 0, 1, 2, 3
LIGHT_GREY, DARK_GREY, RED, GREEN, YELLOW, CYAN, WHITE = 7, 8, 9, 10, 11, 14, 15
TRANSPARENT = None

# The frame and what it shows, in units of the icon's side.
FRAME = (0.03, 0.10, 0.80, 0.82)  # left, top, right, bottom
FRAME_WIDTH = 0.10
SUN = (0.56, 0.30, 0.09)  # centre x, centre y, radius
HILL = (0.30, 1.05, 0.50)

# The pencil lies from its end (top right) to its point (bottom left).
PENCIL_END = (0.97, 0.42)
PENCIL_POINT = (0.40, 0.97)
PENCIL_HALF_WIDTH = 0.085


def picture_colour(x, y):
    left, top, right, bottom = FRAME
    if not (left <= x < right and top <= y < bottom):
        return TRANSPARENT
    edge = min(x - left, right - x, y - top, bottom - y)
    if edge < 0.025:
        return BLACK
    if edge < FRAME_WIDTH:
        return OLIVE
    if edge < FRAME_WIDTH + 0.02:
        return DARK_RED
    if math.hypot(x - HILL[0], y - HILL[1]) < HILL[2]:
        return GREEN if y < HILL[1] - HILL[2] + 0.08 else DARK_GREEN
    if math.hypot(x - SUN[0], y - SUN[1]) < SUN[2]:
        return YELLOW
    return CYAN


def pencil_colour(x, y, pixel):
    """The pencil's colour at (x, y), or None where it is not; pixel is one pixel's
    side in icon units, used for a one-pixel outline."""
    ax, ay = PENCIL_END
    bx, by = PENCIL_POINT
    length = math.hypot(bx - ax, by - ay)
    ux, uy = (bx - ax) / length, (by - ay) / length
    t = ((x - ax) * ux + (y - ay) * uy) / length  # 0 at the end, 1 at the point
    s = (x - ax) * -uy + (y - ay) * ux  # signed distance from the axis
    if t < 0 or t > 1:
        return None
    half = PENCIL_HALF_WIDTH
    if t > 0.72:  # the sharpened cone
        half *= (1 - t) / 0.28
    outline = pixel * 0.9
    if abs(s) > half + outline:
        return None
    if abs(s) > half or t < 0.015:
        return BLACK
    if t > 0.9:
        return BLACK  # the lead
    if t > 0.72:
        return WHITE  # bare wood
    if t < 0.13:
        return RED  # the rubber
    if t < 0.18:
        return LIGHT_GREY  # its metal band
    return OLIVE if s > half * 0.35 else YELLOW


def render(size):
    pixels = []
    pixel = 1.0 / size
    for row in range(size):
        line = []
        for column in range(size):
            x, y = (column + 0.5) / size, (row + 0.5) / size
            colour = pencil_colour(x, y, pixel)
            if colour is None:
                colour = picture_colour(x, y)
            line.append(colour)
        pixels.append(line)
    return pixels


def icon_image(size):
    """One image as stored in an icon file: BITMAPINFOHEADER of double height, the
    palette, the colour rows and the transparency mask, both bottom row first."""
    pixels = render(size)
    colour_stride = (size * 4 + 31) // 32 * 4
    mask_stride = (size + 31) // 32 * 4
    colour_rows = b""
    mask_rows = b""
    for line in reversed(pixels):
        nibbles = [0 if c is TRANSPARENT else c for c in line]
        row = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        colour_rows += row.ljust(colour_stride, b"\0")
        mask = bytearray(mask_stride)
        for i, c in enumerate(line):
            if c is TRANSPARENT:
                mask[i // 8] |= 0x80 >> (i % 8)
        mask_rows += bytes(mask)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(colour_rows) + len(mask_rows), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + colour_rows + mask_rows


def icon_file(sizes):
    images = [icon_image(size) for size in sizes]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, image in zip(sizes, images):
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return directory + entries + b"".join(images)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUTPUT.ico")
    with open(sys.argv[1], "wb") as out:
        out.write(icon_file(SIZES))


if __name__ == "__main__":
    main()
