#!/usr/bin/env python3
"""Draws the tray utility's images into OUTDIR:

  frame145.ico ... frame155.ico  the eleven animation frames (32 x 32, 16 colours):
                                 a loudspeaker with a sound dot circling it in 3D
  program.ico                    the program's icon, 32 x 32 and 16 x 16
  about.bmp                      the About box's bitmap, 200 x 74, 256 colours

usage: draw_tray_images.py OUTDIR
"""
import math
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from draw_icon import image_bytes  # noqa: E402

BLACK, DARK_BLUE, GREY, SILVER, RED, YELLOW, BLUE, WHITE = 0, 4, 8, 7, 9, 11, 12, 15


def blank(size):
    return [["."] * size for _ in range(size)]


def plot(grid, x, y, colour):
    if 0 <= x < len(grid) and 0 <= y < len(grid):
        grid[y][x] = "%x" % colour


def disc(grid, cx, cy, r, colour):
    for y in range(len(grid)):
        for x in range(len(grid)):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                plot(grid, x, y, colour)


def speaker(grid, scale):
    """A loudspeaker cone facing right, centred in the grid."""
    s = scale
    for y in range(int(12 * s), int(20 * s)):
        for x in range(int(6 * s), int(11 * s)):
            plot(grid, x, y, GREY)
    for x in range(int(11 * s), int(19 * s)):
        half = (x - 11 * s) * 0.75 + 4 * s
        for y in range(int(16 * s - half), int(16 * s + half)):
            plot(grid, x, y, SILVER if x % 3 else GREY)
    for y in range(int(16 * s - 10 * s), int(16 * s + 10 * s)):
        plot(grid, int(19 * s), y, BLACK)


def frame(index):
    """Frame index 0..10: the dot at angle index/11 of a tilted orbit."""
    grid = blank(32)
    angle = 2 * math.pi * index / 11
    x = 16 + 13 * math.cos(angle)
    y = 16 + 5 * math.sin(angle)
    behind = math.sin(angle) < 0
    if behind:
        disc(grid, x, y, 2, DARK_BLUE)
    speaker(grid, 1)
    if not behind:
        disc(grid, x, y, 3, RED)
        plot(grid, int(x) - 1, int(y) - 1, YELLOW)
    return ["".join(row) for row in grid]


def program_icon(size):
    grid = blank(size)
    speaker(grid, size / 32)
    disc(grid, size * 0.8, size * 0.3, size / 10, RED)
    for i in range(3, size - 3):  # "3D" underline
        plot(grid, i, size - 3, BLUE)
    return ["".join(row) for row in grid]


def write_icon(path, *images):
    blobs = [(len(rows), image_bytes(rows)) for rows in images]
    offset = 6 + 16 * len(blobs)
    data = struct.pack("<HHH", 0, 1, len(blobs))
    for size, blob in blobs:
        data += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(data + b"".join(blob for _, blob in blobs))


def write_about_bitmap(path, width=200, height=74):
    """A blue-to-black gradient with a row of loudspeaker bars: 8 bits a pixel."""
    palette = b"".join(struct.pack("BBBB", min(255, 2 * i), i, 0, 0) for i in range(128))
    palette += b"".join(struct.pack("BBBB", 0, i * 2, 255, 0) for i in range(128))
    row_size = (width + 3) & ~3
    pixels = bytearray()
    for y in range(height - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(width):
            bar = (x // 12) % 2 == 0 and abs(y - height / 2) < 8 + 20 * abs(math.sin(x / 17))
            row.append(128 + (x * 127 // width) if bar else (y * 127 // height))
        pixels += row + bytes(row_size - width)
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    offset = 14 + len(header) + len(palette)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset))
        f.write(header + palette + bytes(pixels))


def main(out):
    os.makedirs(out, exist_ok=True)
    for i in range(11):
        write_icon(os.path.join(out, f"frame{145 + i}.ico"), frame(i))
    write_icon(os.path.join(out, "program.ico"), program_icon(32), program_icon(16))
    write_about_bitmap(os.path.join(out, "about.bmp"))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
