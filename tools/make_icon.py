#!/usr/bin/env python3
"""Draws Velmora's icon and writes it as res/Velmora.ico.

Two images, 32x32 and 16x16, each 4 bits per pixel in the 16-colour VGA
palette with a transparency mask: a blue disc with a yellow quaver (an eighth
note) on it. The pictures are drawn from a few shapes rather than kept as
pixel lists, so the two sizes stay alike.

    python3 tools/make_icon.py [output.ico]
"""
import os
import struct
import sys

# The 16 colours of the standard VGA palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, GREY, BLUE, YELLOW, WHITE = 0, 4, 8, 12, 11, 15
TRANSPARENT = None


def draw(size):
    """Rows of palette indexes (None for transparent), top row first."""
    s = size / 32.0
    pixels = [[TRANSPARENT] * size for _ in range(size)]

    def inside_ellipse(x, y, cx, cy, rx, ry):
        return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0

    for y in range(size):
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            # The disc, with a darker rim.
            if inside_ellipse(px, py, 16 * s, 16 * s, 15.5 * s, 15.5 * s):
                rim = not inside_ellipse(px, py, 16 * s, 16 * s, 14 * s, 14 * s)
                pixels[y][x] = NAVY if rim else BLUE
            # The note head, tilted a little by shifting its lower half left.
            cx = 12.5 * s - (0.8 * s if py > 23 * s else 0)
            if inside_ellipse(px, py, cx, 23 * s, 4.5 * s, 3.4 * s):
                pixels[y][x] = YELLOW
            # The stem.
            if 15.5 * s <= px <= 17.5 * s and 7 * s <= py <= 23 * s:
                pixels[y][x] = YELLOW
            # The flag: a thick stroke curving down to the right from the top of the stem.
            t = (py - 7 * s) / (9 * s)
            if 0 <= t <= 1:
                fx = 17.5 * s + 6 * s * t * (1.6 - t)
                if fx - 2.2 * s <= px <= fx:
                    pixels[y][x] = YELLOW
    return pixels


def dib(pixels):
    """A BITMAPINFOHEADER, palette, XOR bitmap and AND mask, as an icon holds them."""
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    xor_rows, and_rows = [], []
    for row in reversed(pixels):  # bottom-up
        nibbles = [BLACK if p is TRANSPARENT else p for p in row]
        data = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor_rows.append(data + b"\0" * (-len(data) % 4))
        bits = 0
        mask = bytearray()
        for i, p in enumerate(row):
            bits = (bits << 1) | (1 if p is TRANSPARENT else 0)
            if i % 8 == 7:
                mask.append(bits)
                bits = 0
        mask += b"\0" * (-len(mask) % 4)
        and_rows.append(bytes(mask))
    return header + palette + b"".join(xor_rows) + b"".join(and_rows)


def ico(images):
    """An .ico file holding the given DIBs, keyed by their sizes."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for size, blob in images:
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return out + b"".join(blobs)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "res", "Velmora.ico")
    data = ico([(size, dib(draw(size))) for size in (32, 16)])
    with open(path, "wb") as f:
        f.write(data)
    print(f"wrote {path} ({len(data)} bytes)")


if __name__ == "__main__":
    main()
