#!/usr/bin/env python3
"""Draws a 16-colour Windows icon (.ico) from text pixel art.

Each art file is a square of hex digits, one per pixel: 0-f pick a colour of
the standard VGA palette, '.' is transparent. Several art files make one icon
with several images (for example 32 x 32 and 16 x 16).

usage: draw_icon.py OUT.ico ART.txt [ART.txt ...]
"""
import struct
import sys

VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def read_art(path):
    rows = [line.rstrip("\n") for line in open(path) if line.strip()]
    size = len(rows)
    if size not in (16, 32) or any(len(r) != size for r in rows):
        sys.exit(f"{path}: art must be a 16x16 or 32x32 square")
    return rows


def image_bytes(rows):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in VGA)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # DIBs are stored bottom-up
        pixels = [0 if c == "." else int(c, 16) for c in row]
        for i in range(0, size, 2):
            xor.append(pixels[i] << 4 | pixels[i + 1])
        bits = 0
        for c in row:
            bits = bits << 1 | (c == ".")
        mask += bits.to_bytes(size // 8, "big")
        mask += bytes((-len(mask)) % 4)  # each mask row is padded to 4 bytes
    return header + palette + bytes(xor) + bytes(mask)


def main(out, arts):
    images = [(len(rows), image_bytes(rows)) for rows in map(read_art, arts)]
    offset = 6 + 16 * len(images)
    data = struct.pack("<HHH", 0, 1, len(images))
    for size, blob in images:
        data += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    data += b"".join(blob for _, blob in images)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2:])
